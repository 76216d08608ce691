#include "InlineItemLinkRow.h"

#include "Button.h"
#include "Common.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "DetailRow.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "RecordStore.h"
#include "Task.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor inlineRowLineColor(Qt::lightGray);

}  // namespace

InlineItemLinkRow::InlineItemLinkRow(const QRectF& frame, double barButtonWidth, QWidget* parent)
    : TableRowView(frame, parent), m_barButtonWidth(barButtonWidth)
{
    setFlipped(true);
    const double width = frame.width();
    m_title = new CustomNSTextField(QRectF(5, 0, std::max(0.0, width - 10), titleHeight), 13, this);
    addSubview(m_title);
    const auto makeButton = [this](const QString& caption, std::function<void(Button*)> action) {
        Button* button = UIUtilities::createButton(caption, 12, Qt::black, Qt::AlignCenter,
                                                   ButtonType::MomentaryPushIn,
                                                   QRectF(0, 0, m_barButtonWidth, barButtonHeight), this,
                                                   std::move(action), QImage(), QImage(), true);
        addSubview(button);
        return button;
    };
    m_revealBtn = makeButton(TextTable::localizedString(QStringLiteral("revealText")), [this](Button*) { reveal(); });
    m_detailBtn =
        makeButton(TextTable::localizedString(QStringLiteral("detailText")), [this](Button*) { showDetail(); });
    m_doneBtn = makeButton(TextTable::localizedString(QStringLiteral("doneText")), [this](Button*) { doneEdit(); });
    placeBar();
}

InlineItemLinkRow::~InlineItemLinkRow() = default;

DetailRow* InlineItemLinkRow::makeRow(const QString& caption, int index)
{
    auto* row = new DetailRow(QRectF(0, titleHeight + 2 + index * rowHeight, frame().width(), rowHeight), this);
    row->label()->setStringValue(caption);
    row->setLabelWidth(labelWidth);
    return row;
}

void InlineItemLinkRow::placeBar()
{
    // Title, three rows, then the bar, 3 points above the row's end.
    const double y = titleHeight + 3 * rowHeight + 4;
    const double width = frame().width();
    m_revealBtn->setFrameOrigin(QPointF(5, y));
    m_doneBtn->setFrameOrigin(QPointF(width - 5 - m_barButtonWidth, y));
    // In a list narrower than three whole buttons detail takes the room
    // left between the other two, 5 points from each.
    const double gapLeft = 10 + m_barButtonWidth;
    const double gapRight = width - 10 - m_barButtonWidth;
    m_detailBtn->setFrame(QRectF(gapLeft, y, std::clamp(gapRight - gapLeft, 0.0, m_barButtonWidth), barButtonHeight));
    m_title->setFrameSize(QSizeF(std::max(0.0, frame().width() - 10), titleHeight));
}

void InlineItemLinkRow::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    placeBar();
}

void InlineItemLinkRow::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

QString InlineItemLinkRow::titleToStore() const
{
    const QString text = m_title->stringValue();
    return text.isEmpty() ? TextTable::localizedString(QStringLiteral("untitledText")) : text;
}

bool InlineItemLinkRow::isStillStored(const Task& item)
{
    const qint64 key = UIUtilities::seriesKey(item);
    if (!RecordStore::sharedDatabase() || key <= 0) return true;
    // A key without a row reads as a blank record carrying that key.
    return Task::storedWithPrimaryKey(key) != nullptr;
}

void InlineItemLinkRow::fitDatePicker(CustomNSDatePicker* picker)
{
    const QString shown = picker->editor() ? picker->editor()->text() : QString();
    const double width = std::ceil(TextMeasure::sizeOfText(shown, picker->textFont()).width()) + 16;
    picker->setFrameSize(QSizeF(width, picker->frame().height()));
}

void InlineItemLinkRow::linkListReload(const TaskPtr& item)
{
    if (auto* list = qobject_cast<LinkListTableView*>(m_parentView.data())) {
        list->loadCurrentLinks();
        if (auto* host = dynamic_cast<LinkListHost*>(list->parentView())) host->updateView();
    }
    // This row may have left its list by now; only the item from here on.
    if (MainViewAccess* mainView = MainViewAccess::current(); mainView && item) {
        const QString key = QString::number(item->primaryKey());
        mainView->reloadDataWithInfo({{key, key}});
    }
}

void InlineItemLinkRow::showDetailOf(const TaskPtr& item)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
    if (MainViewAccess* mainView = MainViewAccess::current(); mainView && item) mainView->showItemDetail(item, 2);
}

void InlineItemLinkRow::drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect)
{
    (void)dirtyRect;
    painter.fillRect(bounds(), Common::addNewViewColor());
}

void InlineItemLinkRow::drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect)
{
    (void)dirtyRect;
    painter.setPen(QPen(inlineRowLineColor, 1));
    const double doneTop = m_doneBtn->frame().y();
    const double width = bounds().width();
    painter.drawLine(QPointF(69.5, titleHeight + 4), QPointF(69.5, doneTop - 3));
    painter.drawLine(QPointF(0, doneTop - 2.5), QPointF(width, doneTop - 2.5));
    painter.drawLine(QPointF(0, doneTop - 2.5 + barButtonHeight), QPointF(width, doneTop - 2.5 + barButtonHeight));
}

void InlineItemLinkRow::drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect)
{
    (void)painter;
    (void)dirtyRect;
}
