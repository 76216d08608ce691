#include "BackupItemView.h"

#include "Font.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <QPainter>

BackupItemView::BackupItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    m_label = UIUtilities::getCommonTextFieldWithFrame(QRectF(5, 0, frame.width() - 5, frame.height()));
    m_label->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    m_label->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    addSubview(m_label);
}

BackupItemView::~BackupItemView() = default;

QString BackupItemView::labelText(const QString& filename)
{
    if (filename.size() < stampLength) return filename;
    return QStringLiteral("%1 %2").arg(TextTable::localizedString(QStringLiteral("backupOnText")),
                                       filename.left(stampLength));
}

void BackupItemView::setFilename(const QString& filename)
{
    m_filename = filename;
    m_label->setStringValue(labelText(filename));
}

const QColor& BackupItemView::selectionColor()
{
    static const QColor paleYellow = QColor::fromRgbF(249 / 255.0, 251 / 255.0, 193 / 255.0, 1.0);
    return paleYellow;
}

void BackupItemView::drawSelectionInRect(QPainter& painter, const QRectF&)
{
    const QRectF bounds = this->bounds();
    painter.fillRect(QRectF(0, 0, bounds.width(), bounds.height() - 1), selectionColor());
}
