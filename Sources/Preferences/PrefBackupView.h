#pragma once

#include "View.h"

class BackupFileTableView;
class TextField;

// The preferences' backup page: a few lines on the automatic backups and
// the list of those kept, from which one can be restored.
class PrefBackupView : public View {
    Q_OBJECT

public:
    explicit PrefBackupView(const QRectF& frame, QWidget* parent = nullptr);
    ~PrefBackupView() override;

    BackupFileTableView* fileListView() const { return m_fileListView; }
    TextField* infoLabel() const { return m_infoLabel; }
    void loadData();

    bool isFlipped() const override { return true; }

private:
    TextField* m_infoLabel = nullptr;
    BackupFileTableView* m_fileListView = nullptr;
};
