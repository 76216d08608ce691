#include "PlannerWeeklyItemView.h"

#include "PlannerBaseView.h"

#include "Calendar.h"
#include "Color.h"
#include "CoreData.h"
#include "Drawing.h"
#include "Font.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Task.h"
#include "TaskView.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QPainter>

using PlannerItemRules::Edge;

namespace {

constexpr double blockLabelLeft = 5;
constexpr double blockScheduledLabelLeft = 17;  // right of the "ptask" mark
constexpr double blockLabelTop = -2;
constexpr double blockMarkWidth = 12;
constexpr double blockEdgeLineWidth = 3;

bool isSeeThrough(const Task& task)
{
    const CoreData* manager = CoreData::shared();
    const CalendarPtr category = manager ? manager->calendarWithPrimaryKey(task.calendarId()) : nullptr;
    return (category && category->isTransparent()) || (task.isShared() && task.delegateStatus() != 1);
}

}  // namespace

// Every block's name follows the list font size. A reload of the hour grid
// makes and deletes hundreds of blocks: they are linked into one list that
// a single observer walks, where a registration of each block (with its
// watch for the block's destruction) cost more than the block's own
// set-up. Blocks live on the main thread, where the notification arrives.
class BlockFontFollowers {
public:
    static void add(PlannerWeeklyItemView* block)
    {
        // Never deleted: it observes for the whole run, and the notification
        // centre may be gone before statics are.
        static QObject* const observer = [] {
            auto* made = new QObject;
            NotificationCenter::defaultCenter().addObserver(made, TaskView::currentFontSizeChangedNotification,
                                                            nullptr, [](const Notification&) { followFontSize(); });
            return made;
        }();
        Q_UNUSED(observer);
        block->m_nextFollower = first();
        if (first()) first()->m_previousFollower = block;
        first() = block;
    }

    static void remove(PlannerWeeklyItemView* block)
    {
        if (block->m_previousFollower) block->m_previousFollower->m_nextFollower = block->m_nextFollower;
        else if (first() == block) first() = block->m_nextFollower;
        if (block->m_nextFollower) block->m_nextFollower->m_previousFollower = block->m_previousFollower;
        block->m_previousFollower = block->m_nextFollower = nullptr;
    }

private:
    static PlannerWeeklyItemView*& first()
    {
        static PlannerWeeklyItemView* block = nullptr;
        return block;
    }

    static void followFontSize()
    {
        for (PlannerWeeklyItemView* block = first(); block;) {
            PlannerWeeklyItemView* next = block->m_nextFollower;
            block->currentSizeChange();
            block = next;
        }
    }
};

PlannerWeeklyItemView::PlannerWeeklyItemView(const QRectF& frame, QWidget* parent) : PlannerBaseItem(frame, parent)
{
    resetTitle();
    BlockFontFollowers::add(this);
}

PlannerWeeklyItemView::~PlannerWeeklyItemView()
{
    BlockFontFollowers::remove(this);
}

void PlannerWeeklyItemView::resetTitle()
{
    setTitleColor(Color::white());
    setTitleFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), listFontSize()));
    setTitleFrame(QRectF(blockLabelLeft, blockLabelTop, std::max(0.0, frame().width() - 5), 19));
}

void PlannerWeeklyItemView::prepareForReuse()
{
    PlannerBaseItem::prepareForReuse();
    m_alphaBg = 0;
    m_uncoveredHeight = 0;
    m_projectColor = QColor();
    resetTitle();
}

TextField* PlannerWeeklyItemView::makeTaskNameLabel() const
{
    auto* label = new TextField(title().frame);
    label->setEditable(false);
    label->setSelectable(false);
    label->setDrawsBackground(false);
    label->setBordered(false);
    label->setBezeled(false);
    label->setWraps(true);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

void PlannerWeeklyItemView::drawTitleText(QPainter& painter, const QRectF& bounds) const
{
    // As the wrapping label draws itself: in its text area, one point in,
    // and cut to it.
    const Title& name = title();
    if (name.text.isEmpty()) return;
    QColor color = name.color;
    if (!isEnabled()) color.setAlphaF(color.alphaF() * 0.45);  // a disabled label fades so
    Drawing::drawWrappedTextCut(painter, m_nameLayout, name.text, name.font, color, bounds.adjusted(1, 1, -1, -1),
                                Qt::AlignLeft);
}

void PlannerWeeklyItemView::setUncoveredHeight(double height)
{
    if (height == m_uncoveredHeight) return;
    m_uncoveredHeight = height;
    layoutLabel();
    setNeedsDisplay();
}

void PlannerWeeklyItemView::currentSizeChange()
{
    setTitleFont(Font::fontWithName(QStringLiteral("Lucida Grande"), listFontSize()));
}

void PlannerWeeklyItemView::setAlphaBg(double alpha)
{
    m_alphaBg = alpha;
    setNeedsDisplay();
}

QString PlannerWeeklyItemView::labelText(const Task& task)
{
    if (task.taskLocation().isEmpty()) return task.taskName();
    return task.taskName() + QStringLiteral(" - ") + task.taskLocation();
}

void PlannerWeeklyItemView::setTask(const TaskPtr& item)
{
    PlannerBaseItem::setTask(item);
    m_projectColor = categoryColor(0);
    setTitleText(item ? labelText(*item) : QString());
    layoutLabel();
}

void PlannerWeeklyItemView::setHighlight(bool highlight)
{
    PlannerBaseItem::setHighlight(highlight);
    layoutLabel();
}

void PlannerWeeklyItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    PlannerBaseItem::resizeSubviewsWithOldSize(oldSize);
    layoutLabel();
}

// A scheduled task's block keeps room on the left for its mark.
void PlannerWeeklyItemView::layoutLabel()
{
    setTitleColor(isHighlight() ? Color::white() : m_projectColor);
    const bool marked = task() && task()->isSheduledTask();
    const QSizeF size = frame().size();
    double width = size.width() - 5;
    if (isSquareBox()) width = size.width() - 10 - (marked ? blockMarkWidth : 0);
    double height = size.height() - 4;
    // The name keeps above the block drawn over this one: its first line
    // whole (that block's tint may lie over the foot of it), ending in "…"
    // when more is cut, and no further line under that block.
    if (m_uncoveredHeight > 0)
        height = std::min(height, std::max(m_uncoveredHeight - blockLabelTop, TextMeasure::lineHeight(title().font)));
    setTitleFrame(QRectF(marked ? blockScheduledLabelLeft : blockLabelLeft, blockLabelTop, std::max(0.0, width),
                         std::max(0.0, height)));
}

void PlannerWeeklyItemView::drawRect(QPainter& painter, const QRectF&)
{
    const TaskPtr item = task();
    const QRectF box = bounds();
    if (box.isEmpty()) return;
    const double alpha = m_alphaBg != 0 ? m_alphaBg : isHighlight() ? 0.8 : 0.4;
    double inset = 8;
    if (isSquareBox()) {
        inset = 0;
        if (item && isSeeThrough(*item)) {
            const QImage pattern = NamedImages::imageNamed(QStringLiteral("transparent_pattern"));
            if (!pattern.isNull()) painter.fillRect(box, QBrush(pattern));
        }
        drawTint(painter, tintImage(alpha, box.size(), 0, isHighlight()));
        if (item && item->isSheduledTask()) {
            const QImage mark = NamedImages::imageNamed(QStringLiteral("ptask"));
            if (!mark.isNull()) Drawing::drawImage(painter, mark, QRectF(QPointF(3, 2), mark.deviceIndependentSize()));
        }
    }
    if (isStartTimeMoving() || isEndTimeMoving()) {
        const double y = isStartTimeMoving() ? 0 : box.height();
        painter.save();
        painter.setPen(QPen(Qt::black, blockEdgeLineWidth));
        painter.drawLine(QPointF(inset, y), QPointF(box.width() - inset, y));
        painter.restore();
    }
    drawTitle(painter);
}

void PlannerWeeklyItemView::mouseDragged(const Event& event)
{
    closeClickWindow();
    const TaskPtr item = task();
    if (!item || item->isShared() || (!canResizeStart() && !canResizeEnd())) return;
    if (movingEdge() == Edge::None) {
        autoscroll(event);
        return;
    }
    setCursorShape(CursorShape::ResizeUpDown);
    // Events count y upward; the block's pane is flipped.
    const PlannerItemRules::EdgeDrag drag = PlannerItemRules::dragBlockEdge(frame(), movingEdge(), -event.deltaY);
    setMovingEdge(drag.moving);
    if (drag.frame != frame()) setFrame(drag.frame);
    setNeedsDisplay();
    autoscroll(event);
}

void PlannerWeeklyItemView::changeStartEndTime()
{
    const TaskPtr item = task();
    if (!item) return;
    // The block stands at the item's times in the display zone: the edge moves
    // those, and the save turns them back into its own zone's.
    CoreData* manager = CoreData::shared();
    if (manager) manager->recalculateTimeWithTimezoneSupport(item);
    const Date start = item->tzStartTime() ? item->tzStartTime() : item->startTime();
    const Date end = item->tzEndTime() ? item->tzEndTime() : item->endTime();
    const PlannerItemRules::ItemTimes times =
        PlannerItemRules::blockTimes(frame(), movingEdge(), start, end, item->taskType() == 0);
    item->setStartTime(times.start);
    item->setEndTime(times.end);
    item->setDuration(times.duration);
    if (manager) manager->recalculateSaveTimeWithTimezoneSupport(item);
}

AlertRequest PlannerWeeklyItemView::repeatQuestion(bool scheduled, bool firstOccurrence) const
{
    AlertRequest request = PlannerBaseItem::repeatQuestion(scheduled, firstOccurrence);
    if (scheduled && !firstOccurrence && request.buttonTitles.size() == 3) {
        request.buttonTitles[0] = TextTable::localizedString(QStringLiteral("onlyThisEventText"));
        request.buttonTitles[1] = TextTable::localizedString(QStringLiteral("allFutureEventsText"));
    }
    return request;
}
