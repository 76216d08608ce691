#pragma once

#include "TableRowView.h"

class TextField;

// One automatic backup in the preferences' backup list: "Backup on" and the
// date and time in the file's name, selected in pale yellow.
class BackupItemView : public TableRowView {
    Q_OBJECT

public:
    explicit BackupItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~BackupItemView() override;

    QString filename() const { return m_filename; }
    void setFilename(const QString& filename);
    TextField* label() const { return m_label; }

    // The row's text for a backup file name: the localised "Backup on" and
    // the stamp the name begins with; a name shorter than a stamp is shown
    // whole, as it is no stamp.
    static QString labelText(const QString& filename);
    // The length of the local date and time a backup's name begins with.
    static constexpr int stampLength = 19;
    static const QColor& selectionColor();

    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    QString m_filename;
    TextField* m_label = nullptr;
};
