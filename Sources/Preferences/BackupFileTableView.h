#pragma once

#include "TableView.h"

#include <QList>

class BackupItemView;

// The list of the automatic backups on the preferences' backup page, one
// row per file, oldest first. A single click on a row asks whether to
// restore that backup and, on OK, restores it through the main view. The
// list follows every new automatic backup while it is open.
class BackupFileTableView : public TableView {
    Q_OBJECT

public:
    explicit BackupFileTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~BackupFileTableView() override;

    // Rescans the backup folder and builds a row for each file.
    void loadData();
    const QList<BackupItemView*>& data() const { return m_data; }

    int numberOfRows() const override { return static_cast<int>(m_data.size()); }
    TableRowView* rowViewForRow(int row) override;
    void mouseDown(const Event& event) override;

    static constexpr double backupRowHeight = 30;

private:
    QList<BackupItemView*> m_data;
};
