#include "TaskListItemView.h"

#include "AccountProcedures.h"
#include "AlertPresenter.h"
#include "Button.h"
#include "Calendar.h"
#include "Clock.h"
#include "Color.h"
#include "CoreData.h"
#include "Drawing.h"
#include "Font.h"
#include "LinkListForTableItem.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "Task.h"
#include "TaskListState.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "VerticalCenterNSTextFieldCell.h"
#include "ZVWSync.h"
#include "PaletteColor.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

using Kind = ItemRowLayoutInput::Kind;

constexpr double doneImageSide = 14;
constexpr double iconSide = 10;
constexpr double mustDoWidth = 6;
constexpr double mustDoInset = 3.25;

// Halves away from zero, as std::round does.
double whole(double value)
{
    return std::round(value);
}

Font nameFont()
{
    return Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13);
}

Font timeFont()
{
    return Font::fontWithName(QStringLiteral("Lucida Grande"), 12);
}

Font infoFont()
{
    return Font::fontWithName(QStringLiteral("Lucida Grande"), 11);
}

double textWidth(const QString& text, const Font& font)
{
    return text.isEmpty() ? 0 : TextMeasure::sizeOfText(text, font).width();
}

QColor mustDoColor()
{
    return QColor::fromRgbF(1.0f, 35.0f / 255.0f, 0.0f, 1.0f);
}

CoreData* manager()
{
    return CoreData::shared();
}

SettingPtr settings()
{
    const CoreData* data = manager();
    return data ? data->currentSetting() : nullptr;
}

QString accountUserName()
{
    const SettingPtr setting = settings();
    return setting ? setting->zvwUserName() : QString();
}

// An item whose category went (or names a colour the palette lacks) draws in
// the palette's first colour.
PaletteColor paletteColorOf(const Task& task)
{
    const CoreData* data = manager();
    const CalendarPtr category = data ? data->calendarWithPrimaryKey(task.calendarId()) : nullptr;
    if (!category) return {};
    const qint64 group = category->colorGroupId();
    const qint64 color = category->colorNameId();
    if (group < 0 || group > lastGroup || color < 0 || color > lastColor) return {};
    return {group, color};
}

// A link list's row ticks its box for the list to read later.
QString doneToolTip(bool forLinkList)
{
    return forLinkList ? TextTable::localizedString(QStringLiteral("markDoneForLinkTooltip"))
                       : TextTable::localizedString(QStringLiteral("markDoneTooltip"));
}

bool isOverdueState(int typeOfDue)
{
    return typeOfDue == 2;
}

}  // namespace

// ---- pure parts -------------------------------------------------------------

ItemRowLayoutInput::Kind TaskListItemView::kindOf(const Task& task)
{
    if (task.taskType() == 1) return Kind::Task;
    if (task.taskType() != 0) return Kind::Other;
    if (task.isSheduledTask()) return Kind::ScheduledTask;
    if (task.isADE() == 0) return Kind::TimedEvent;
    return Utilities::compareDateNoTime(task.startTime(), task.endTime()) == 0 ? Kind::AllDayEvent
                                                                                : Kind::MultiDayAllDayEvent;
}

ItemRowLayout TaskListItemView::layoutFor(const ItemRowLayoutInput& in)
{
    ItemRowLayout out;
    const double W = in.width;
    const double H = in.height;
    const int hasLink = in.hasLink ? 1 : 0;
    double nextLine = 0;
    double left = 0;
    double linkWidth = 0;

    switch (in.kind) {
    case Kind::Other:
        out.arranged = false;
        return out;
    case Kind::TimedEvent:
    case Kind::MultiDayAllDayEvent:
    case Kind::ScheduledTask:
    case Kind::AllDayEvent: {
        const double tw = double(float(in.timeTextWidth + 10));
        if (in.kind == Kind::AllDayEvent) {
            out.dayShown = true;
            out.day = QRectF(whole(W - tw - 10), whole((H - 18) / 2 - 2), tw, 18);
        } else {
            const double yT = whole(H / 2 - 18);
            out.timeShown = out.dayShown = true;
            out.time = QRectF(whole(W - tw - 10), yT, tw, 18);
            out.day = QRectF(whole(W - tw - 10), yT + 18, tw, 18);
        }
        const int b = in.hasInfo || in.filter == 4 ? 1 : 0;
        const double columnWidth = W - tw - 40;
        out.name = QRectF(30, 0, columnWidth, (3 - b - hasLink) * 18);
        nextLine = out.name.height();
        if (b) {
            const double y1 = out.name.height() + 3 * hasLink;
            if (in.hasInfo) {
                const double w = in.kind == Kind::ScheduledTask ? columnWidth : std::min(in.infoTextWidth + 10, columnWidth);
                out.moreInfoShown = true;
                out.moreInfo = QRectF(30, y1, w, 15);
            }
            nextLine = y1 + 18 - 3 * hasLink;
        }
        left = 30;
        linkWidth = columnWidth;
        break;
    }
    case Kind::Task: {
        double x = 45;
        out.doneShown = out.starShown = true;
        if (in.isDone && in.rowType == 3) {
            x = 50;
        } else if (in.rowType == 5) {
            out.doneShown = out.starShown = false;
            out.dayShown = !in.isDone && in.hasDue;
            x = 30;
        }
        const bool dueFilter = in.filter == 4;
        const bool durationFilter = in.filter == 6 || in.filter == 7;
        const int b = in.hasInfo || dueFilter || durationFilter ? 1 : 0;
        const int lines = b ? 2 : 1;
        out.name = QRectF(x, 0, W - x, (4 - lines - hasLink) * 18);
        double dw = 0;
        bool showsDue = false;
        if (dueFilter && !in.overdueAndTicked) {
            dw = in.dueTextWidth + 10;
            showsDue = true;
        } else if (durationFilter) {
            dw = in.dueTextWidth + 10;
            showsDue = true;
        }
        double iw = 0;
        if (in.hasInfo) iw = std::min(in.infoTextWidth + 10, W - dw - x);
        const double xd = in.hasInfo ? x + iw : x;
        nextLine = out.name.height();
        if (b) {
            const double y1 = out.name.height() + 3 * hasLink;
            if (in.hasInfo) {
                out.moreInfoShown = true;
                out.moreInfo = QRectF(x, y1, iw, 15);
            }
            if (showsDue) {
                out.dueInfoShown = true;
                out.dueInfo = QRectF(xd, y1, dw, 15);
            }
            nextLine = y1 + 18 - 3 * hasLink;
        }
        left = x;
        linkWidth = W - x;
        break;
    }
    }
    if (in.hasLink) {
        out.linksShown = true;
        out.links = QRectF(left, nextLine, linkWidth, 15);
    }
    return out;
}

int TaskListItemView::typeOfDueFor(const Task& task, const Date& today)
{
    if (task.hasDue() == 0 || task.dueEnd().isNull()) return 4;
    const int order = Utilities::compareDateNoTime(task.dueEnd(), today);
    if (order > 0) return 0;
    if (order == 0) return 1;
    return 2;
}

TaskListItemView::PendingCount TaskListItemView::pendingCountFrom(const Date& from, const Date& to)
{
    // A date in the future, or none, counts as under an hour.
    if (from.isNull() || to.isNull()) return {};
    const double seconds = to.timeIntervalSinceDate(from);
    if (!(seconds > 0)) return {};
    const qint64 total = qint64(std::floor(seconds));
    const qint64 days = total / 86400;
    const qint64 hours = (total % 86400) / 3600;
    const qint64 minutes = (total % 3600) / 60;
    if (days > 0 || hours >= 12) return {true, hours >= 12 ? days + 1 : days};
    if (hours == 0) return {false, 1};
    return {false, minutes > 0 ? hours + 1 : hours};
}

QString TaskListItemView::pendingStringFrom(const Date& from, const Date& to)
{
    Date start = from;
    if (!from.isNull()) {
        const CoreData* data = manager();
        const SettingPtr setting = settings();
        if (data && setting) start = Utilities::getDate(from, setting->tzSupport(), data->appRootTZ(), setting->currentTZ());
    }
    const PendingCount count = pendingCountFrom(start, to);
    const QString format = count.inDays ? TextTable::localizedString(QStringLiteral("pendingInSharingByDayText"))
                                        : TextTable::localizedString(QStringLiteral("pendingInSharingByHourText"));
    return format.arg(count.count);
}

bool TaskListItemView::offersAcceptReject(const Task& task, const QString& userName)
{
    return task.taskType() == 1 && task.isShared() && task.delegateStatus() == 0 && !userName.isEmpty() &&
           task.assigneeEmail().compare(userName, Qt::CaseInsensitive) == 0;
}

QString TaskListItemView::informationTextFor(const Task& task, const QString& userName, const Date& now)
{
    QString s;
    const auto append = [&s](const QString& part) {
        if (part.isEmpty()) return;
        if (!s.isEmpty()) s += QStringLiteral(", ");
        s += part;
    };
    if (task.taskType() == 1) {
        const QString assignee = task.assigneeEmail();
        if (!task.isShared() && !assignee.isEmpty()) {
            if (task.delegateStatus() == 1)
                s = QStringLiteral("%1 %2").arg(TextTable::localizedString(QStringLiteral("acceptedByText")),
                                                 Utilities::getAccountNameInEmail(assignee));
            else if (task.delegateStatus() == 0)
                s = pendingStringFrom(task.delegateDate(), now);
        } else if (task.isShared()) {
            if (task.delegateStatus() == 1) {
                if (assignee.compare(userName, Qt::CaseInsensitive) == 0) {
                    const CoreData* data = manager();
                    const CalendarPtr category = data ? data->calendarWithPrimaryKey(task.calendarId()) : nullptr;
                    s = QStringLiteral("%1 %2").arg(TextTable::localizedString(QStringLiteral("assignedByText")),
                                                     category ? category->ownerName() : QString());
                } else {
                    s = QStringLiteral("%1 %2").arg(TextTable::localizedString(QStringLiteral("acceptedByText")),
                                                     Utilities::getAccountNameInEmail(assignee));
                }
            } else if (task.delegateStatus() == 0 && !assignee.isEmpty()) {
                s = pendingStringFrom(task.delegateDate(), now);
            }
        }
    }
    append(Utilities::getRepeatString(task.repeatType(), Task::readRepeatOptions(task.repeatOptions()).interval));
    if (!task.taskLocation().isEmpty())
        append(QStringLiteral("%1 %2").arg(TextTable::localizedString(QStringLiteral("atText")), task.taskLocation()));
    return s;
}

std::pair<QString, QString> TaskListItemView::timeAndDayTextsFor(const Task& task)
{
    const Date start = task.startTime();
    if (task.taskType() == 0 && !task.isSheduledTask() && task.isADE() != 0) {
        const QString first = Utilities::getShortDateStringWithMonthDay(start);
        if (Utilities::compareDateNoTime(start, task.endTime()) == 0) return {QString(), first};
        return {first, Utilities::getShortDateStringWithMonthDay(task.endTime())};
    }
    const bool instance = task.primaryKey() < 1;
    const Date end = instance ? Utilities::newDateFromDate(start, double(task.duration()) * 60) : task.endTime();
    if (Utilities::compareDateNoTime(start, end) == 0) {
        const QString times = QStringLiteral("%1 - %2").arg(Utilities::getTimeStringAMPMFromDate(start),
                                                             Utilities::getTimeStringAMPMFromDate(end));
        const Date shown = instance ? task.occurrence() : start;
        return {times, Utilities::getShortDateStringWithMonthDay(shown)};
    }
    return {QStringLiteral("%1 %2").arg(Utilities::getTimeStringAMPMFromDate(start),
                                        Utilities::getShortDateStringWithMonthDay(start)),
            QStringLiteral("%1 %2").arg(Utilities::getTimeStringAMPMFromDate(end),
                                        Utilities::getShortDateStringWithMonthDay(end))};
}

// ---- the row ------------------------------------------------------------------

TaskListItemView::TaskListItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    // Controls come with the first layout (or the first ask for one).
    if (!frame.isEmpty()) ensureControls();
}

TaskListItemView::~TaskListItemView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TaskListItemView::ensureControls()
{
    bindIfPending();
    if (m_taskName) return;
    const double H = bounds().height();
    m_doneBtn = UIUtilities::createButton(QString(), 12, Qt::black, Qt::AlignLeft, ButtonType::Toggle,
                                          QRectF(5, (H - 14) / 2, 14, 14), this, [this](Button*) { selectDone(); },
                                          QImage(), QImage(), false);
    m_doneBtn->setToolTip(TextTable::localizedString(QStringLiteral("markDoneTooltip")));
    addSubview(m_doneBtn);
    m_starBtn = UIUtilities::createButton(QString(), 12, Qt::black, Qt::AlignLeft, ButtonType::Toggle,
                                          QRectF(5, (H - 14) / 2, 14, 14), this, [this](Button*) { selectStar(); },
                                          NamedImages::imageNamed(QStringLiteral("star_none")),
                                          NamedImages::imageNamed(QStringLiteral("star")), false);
    m_starBtn->setToolTip(TextTable::localizedString(QStringLiteral("starTooltip")));
    addSubview(m_starBtn);

    m_taskName = new TextField(QRectF(42, (H - 18) / 2, 150, 18));
    m_taskName->setTextFont(nameFont());
    m_taskName->setEditable(false);
    // Drawn by the field itself, never a line editor: a read-only editor
    // scrolls a long name to its end and cuts its first letters, and leaves
    // the row's painters unused.
    m_taskName->setSelectable(false);
    m_taskName->setDrawsBackground(false);
    m_taskName->setBordered(false);
    m_taskName->setBezeled(false);
    VerticalCenterNSTextFieldCell::install(*m_taskName);
    m_taskName->setOnEndEditing([this](TextField* field) { changeTaskName(field->stringValue()); });
    addSubview(m_taskName);

    m_linkItem = new LinkListForTableItem(QRectF());
    m_linkItem->setGrayOut(m_isAssetNeedGrayout);
    m_linkItem->hide();
    addSubview(m_linkItem);

    m_timeTextField = UIUtilities::getCommonTextFieldWithFrame(QRectF(180, 0, 150, 18));
    m_timeTextField->setTextFont(timeFont());
    m_timeTextField->setAlignment(Qt::AlignRight);
    addSubview(m_timeTextField);
    m_dayTextField = UIUtilities::getCommonTextFieldWithFrame(QRectF(180, 0, 150, 18));
    m_dayTextField->setTextFont(timeFont());
    m_dayTextField->setAlignment(Qt::AlignRight);
    addSubview(m_dayTextField);

    m_dueInfoField = UIUtilities::getCommonTextFieldWithFrame(QRectF(180, 0, 150, 18));
    m_dueInfoField->setTextFont(infoFont());
    m_dueInfoField->hide();
    addSubview(m_dueInfoField);
    m_moreInfoField = UIUtilities::getCommonTextFieldWithFrame(QRectF(180, 0, 150, 18));
    m_moreInfoField->setTextFont(infoFont());
    m_moreInfoField->setAlignment(Qt::AlignLeft);
    m_moreInfoField->hide();
    addSubview(m_moreInfoField);

    m_acceptRejectBtn = new SegmentedControl(QRectF(205, 30, 65, 19));
    m_acceptRejectBtn->setSegmentCount(2);
    const QString names[] = {QStringLiteral("task_accept"), QStringLiteral("task_reject")};
    const QImage images[] = {NamedImages::imageNamed(QStringLiteral("task_accept")),
                             NamedImages::imageNamed(QStringLiteral("task_reject"))};
    for (int segment = 0; segment < 2; ++segment) {
        m_acceptRejectBtn->setImage(images[segment], segment);
        m_acceptRejectBtn->setToolTip(names[segment], segment);
        m_acceptRejectBtn->setTag(segment + 1, segment);
        m_acceptRejectBtn->setWidth(31, segment);
    }
    m_acceptRejectBtn->setTextFont(infoFont());
    m_acceptRejectBtn->setTarget(this, [this](SegmentedControl* control) {
        const int segment = control->selectedSegment();
        if (segment >= 0) selectDelegateStatus(control->tagForSegment(segment));
    });
    m_acceptRejectBtn->hide();
    addSubview(m_acceptRejectBtn);

    if (m_task) bindControls();
    placeFixedControls();
}

TextField* TaskListItemView::taskName() { ensureControls(); return m_taskName; }
TextField* TaskListItemView::timeTextField() { ensureControls(); return m_timeTextField; }
TextField* TaskListItemView::dayTextField() { ensureControls(); return m_dayTextField; }
TextField* TaskListItemView::dueInfoField() { ensureControls(); return m_dueInfoField; }
TextField* TaskListItemView::moreInfoField() { ensureControls(); return m_moreInfoField; }
Button* TaskListItemView::doneBtn() { ensureControls(); return m_doneBtn; }
Button* TaskListItemView::starBtn() { ensureControls(); return m_starBtn; }
SegmentedControl* TaskListItemView::acceptRejectBtn() { ensureControls(); return m_acceptRejectBtn; }
LinkListForTableItem* TaskListItemView::linkItem() { ensureControls(); return m_linkItem; }

bool TaskListItemView::hasLink() const
{
    catchUpWithLoadMark();
    if (!m_hasLinkKnown) {
        m_hasLink = m_task && m_task->hasLink();
        m_hasLinkKnown = true;
    }
    return m_hasLink;
}

int TaskListItemView::doneStatus() const
{
    if (isBindingPending()) return m_task && m_task->status() != 0 ? 1 : 0;
    return m_doneBtn ? m_doneBtn->state() : m_doneState;
}

int TaskListItemView::starStatus() const
{
    if (isBindingPending()) return m_task && m_task->isPinned() != 0 ? 1 : 0;
    return m_starBtn ? m_starBtn->state() : m_starState;
}

bool TaskListItemView::isMustDo() const
{
    return m_task && m_task->npIsMustDo();
}

void TaskListItemView::setIsPopoverReloadAfterDoAction(bool flag)
{
    m_isPopoverReloadAfterDoAction = flag;
    if (m_doneBtn)
        m_doneBtn->setToolTip(doneToolTip(flag));
}

void TaskListItemView::setIsAssetNeedGrayout(bool flag)
{
    m_isAssetNeedGrayout = flag;
    if (m_linkItem) m_linkItem->setGrayOut(flag);
}

void TaskListItemView::setTaskWhenUsed(const TaskPtr& task)
{
    if (m_loadMark) m_boundAtMark = *m_loadMark;
    if (m_task != task) m_task = task;
    m_hasLinkKnown = false;
    m_firstLoad = true;
    m_looksKnown = !task;
    if (!task) m_typeOfDue = 4;
    m_bindingPending = true;
}

void TaskListItemView::bindIfPending()
{
    if (isBindingPending()) setTask(m_task);
}

bool TaskListItemView::event(QEvent* event)
{
    // A row comes into view or shows its tip with its item's present state.
    if ((event->type() == QEvent::Show || event->type() == QEvent::ToolTip) && isBindingPending()) bindIfPending();
    return TableRowView::event(event);
}

// A moved load mark stands for setTaskWhenUsed with the row's own item.
void TaskListItemView::catchUpWithLoadMark() const
{
    if (!m_loadMark || *m_loadMark == m_boundAtMark) return;
    m_boundAtMark = *m_loadMark;
    m_hasLinkKnown = false;
    m_firstLoad = true;
    m_looksKnown = !m_task;
    if (!m_task) m_typeOfDue = 4;
    m_bindingPending = true;
}

void TaskListItemView::setTask(const TaskPtr& task)
{
    m_bindingPending = false;
    if (m_loadMark) m_boundAtMark = *m_loadMark;
    m_task = task;
    m_hasLinkKnown = false;
    m_firstLoad = true;
    m_doneState = task && task->status() != 0 ? 1 : 0;
    m_starState = task && task->isPinned() != 0 ? 1 : 0;
    if (task) {
        m_looksKnown = false;
    } else {
        m_typeOfDue = 4;
        m_looksKnown = true;
    }
    // A change of tool tip is an event sent to the row: only when it differs.
    const QString tip = task ? task->taskName() : QString();
    if (m_toolTipName != tip) {
        setToolTip(tip);
        m_toolTipName = tip;
    }
    if (m_taskName) {
        bindControls();
        if (!bounds().isEmpty()) arrangeSubViews();
    }
    // A row made again for another item takes that item's tint.
    renderBackground();
    // Most rows of a long list are out of view: they paint whole when shown,
    // and a rebind of thousands of rows asks nothing of them.
    if (isVisible()) setNeedsDisplay();
}

void TaskListItemView::deriveLooks() const
{
    catchUpWithLoadMark();
    if (m_looksKnown) return;
    m_looksKnown = true;
    if (!m_task) return;
    m_typeOfDue = typeOfDueFor(*m_task, Clock::now());
    const PaletteColor palette = paletteColorOf(*m_task);
    m_projectColor = Utilities::getColorInGroupID(palette.group, palette.color, 0);
}

int TaskListItemView::typeOfDue() const
{
    deriveLooks();
    return m_typeOfDue;
}

QColor TaskListItemView::projectColor() const
{
    deriveLooks();
    return m_projectColor;
}

// What setTask gives the built controls.
void TaskListItemView::bindControls()
{
    if (!m_task || !m_taskName) return;
    deriveLooks();
    const Task& task = *m_task;
    m_acceptRejectBtn->setHidden(!offersAcceptReject(task, accountUserName()));
    // A row bound to another item starts with its controls enabled.
    m_acceptRejectBtn->setEnabled(true);
    m_doneBtn->setEnabled(true);
    m_starBtn->setEnabled(true);
    if (task.isShared()) {
        if (task.delegateStatus() != 1) m_doneBtn->setEnabled(false);
        m_starBtn->setEnabled(false);
    }
    m_taskName->setLabelPainter({});
    m_taskName->setStringValue(task.taskName());
    const QSizeF side(doneImageSide, doneImageSide);
    m_doneBtnNormal = UIUtilities::getNormalImageForTaskWithColor(m_projectColor, side, false);
    m_doneCheckboxNormal = UIUtilities::getDoneImageForTaskWithColor(m_projectColor, side, false);
    m_doneBtnSelected = UIUtilities::getNormalImageForTaskWithColor(m_projectColor, side, true);
    m_doneCheckboxSelected = UIUtilities::getDoneImageForTaskWithColor(m_projectColor, side, true);
    m_doneBtn->setImage(m_doneBtnNormal);
    m_doneBtn->setAlternateImage(m_doneCheckboxNormal);
    makeIconItem();
    m_doneBtn->setState(m_doneState);
    m_starBtn->setState(m_starState);
    m_doneBtn->setToolTip(doneToolTip(m_isPopoverReloadAfterDoAction));
}

void TaskListItemView::makeIconItem()
{
    if (!m_task) return;
    const PaletteColor palette = paletteColorOf(*m_task);
    const QColor shade = Utilities::getColorInGroupID(palette.group, palette.color, 1);
    const QSizeF size(iconSide, iconSide);
    const Kind kind = kindOf(*m_task);
    if (kind == Kind::TimedEvent || kind == Kind::AllDayEvent || kind == Kind::MultiDayAllDayEvent)
        m_icon = UIUtilities::getIconForType(0, shade, size);
    else if (kind == Kind::ScheduledTask)
        m_icon = UIUtilities::getIconForType(0, true, false, shade, size);
    else if (kind == Kind::Task && m_type == 5)
        m_icon = m_task->status() == 1 ? UIUtilities::getIconForType(1, false, true, shade, size)
                                       : UIUtilities::getIconForType(1, shade, size);
}

void TaskListItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    if (bounds().isEmpty()) return;
    ensureControls();
    placeFixedControls();
}

void TaskListItemView::placeFixedControls()
{
    const double W = bounds().width();
    const double H = bounds().height();
    const double y0 = whole((H - 20) / 2);
    m_doneBtn->setFrame(QRectF(5, y0, 20, 20));
    m_starBtn->setFrame(QRectF(25, y0 - 1, 20, 20));
    m_taskName->setFrame(QRectF(75, whole((H - 18) / 2 - 2), std::max(0.0, W - 144), 18));
    m_timeTextField->setFrame(QRectF(whole(W - 140), 1, 130, 15));
    m_dayTextField->setFrame(QRectF(whole(W - 140), 16, 130, 15));
    m_acceptRejectBtn->setFrameOrigin(QPointF(W - 70, 36));
    arrangeSubViews();
    renderBackground();
}

void TaskListItemView::renderBackground()
{
    if (!m_task || bounds().isEmpty()) {
        m_bgImg = QImage();
        return;
    }
    const PaletteColor palette = paletteColorOf(*m_task);
    m_bgImg = UIUtilities::getTaskBackgroundImageNoGradient(Utilities::colorInGroup(palette.group, palette.color), 0.2,
                                                            bounds().size(), 0);
}

void TaskListItemView::arrangeSubViews()
{
    bindIfPending();
    if (!m_task || !m_taskName) return;
    deriveLooks();
    const Task& task = *m_task;
    const Kind kind = kindOf(task);
    if (kind == Kind::Other) return;
    const qint64 filter = TaskListState::current().todayTaskFilterIndex();
    const Date now = Clock::now();

    ItemRowLayoutInput in;
    in.kind = kind;
    in.rowType = m_type;
    in.isDone = task.status() == 1;
    in.hasDue = task.hasDue() != 0;
    in.filter = filter;
    in.hasLink = hasLink();
    in.width = bounds().width();
    in.height = bounds().height();
    in.overdueAndTicked = isOverdueState(m_typeOfDue) && doneStatus() == 1;

    const QString info = informationTextFor(task, accountUserName(), now);
    in.hasInfo = !info.isEmpty();
    in.infoTextWidth = textWidth(info, infoFont());

    if (kind == Kind::Task) {
        if (filter == 4 && !in.overdueAndTicked) {
            const MainViewAccess* mainView = MainViewAccess::current();
            const QString due = Utilities::getDueString(m_typeOfDue, task.dueEnd(), mainView ? mainView->preferredLang() : QString());
            m_dueInfoField->setTextColor(isOverdueState(m_typeOfDue) ? Color::calibratedRGB(1, 0, 0) : Color::gray());
            m_dueInfoField->setStringValue(due);
            in.dueTextWidth = textWidth(due, infoFont());
        } else if (filter == 6 || filter == 7) {
            const QString duration = Utilities::getDurationString(task.duration());
            m_dueInfoField->setStringValue(duration);
            in.dueTextWidth = textWidth(duration, infoFont());
        }
        if (task.status() == 1 && m_type == 3) m_taskName->setStringValue(task.taskName());
        // A search result shows the task's due day (a row made again held another item's).
        if (m_type == 5) m_dayTextField->setStringValue(Utilities::getShortDateStringWithMonthDay(task.dueEnd()));
    } else {
        const auto [timeText, dayText] = timeAndDayTextsFor(task);
        m_timeTextField->setStringValue(timeText);
        m_dayTextField->setStringValue(dayText);
        in.timeTextWidth = textWidth(kind == Kind::AllDayEvent ? dayText : timeText, m_dayTextField->textFont());
    }

    const ItemRowLayout out = layoutFor(in);
    m_doneBtn->setHidden(!out.doneShown);
    m_starBtn->setHidden(!out.starShown);
    m_timeTextField->setHidden(!out.timeShown);
    m_dayTextField->setHidden(!out.dayShown);
    if (out.timeShown) m_timeTextField->setFrame(out.time);
    if (out.dayShown && kind != Kind::Task) m_dayTextField->setFrame(out.day);
    m_taskName->setFrame(out.name);
    m_moreInfoField->setHidden(!out.moreInfoShown);
    if (out.moreInfoShown) {
        m_moreInfoField->setStringValue(info);
        m_moreInfoField->setFrame(out.moreInfo);
    }
    m_dueInfoField->setHidden(!out.dueInfoShown);
    if (out.dueInfoShown) m_dueInfoField->setFrame(out.dueInfo);
    m_linkItem->setHidden(!out.linksShown);
    if (out.linksShown) {
        m_linkItem->setFrame(out.links);
        const CoreData* data = manager();
        m_linkItem->setLinkItems(data ? data->getCurrentLinks(m_task) : TaskList(), m_task);
        if (m_firstLoad) m_linkItem->setColor(m_isAssetNeedGrayout ? Color::darkGray() : Color::calibratedRGB(0, 0, 1));
    }
    m_firstLoad = false;
}

void TaskListItemView::reload()
{
    if (!m_task) return;
    deriveLooks();
    m_doneState = m_task->status() != 0 ? 1 : 0;
    m_typeOfDue = typeOfDueFor(*m_task, Clock::now());
    if (m_taskName) {
        m_taskName->setStringValue(m_task->taskName());
        if (m_task->status() == 1) {
            // Struck through: the field's own drawing with a line across.
            m_taskName->setLabelPainter([](QPainter& painter, const TextField& field) {
                const QRectF area = field.textArea();
                const QString text = TextMeasure::elidedText(field.stringValue(), field.textFont(), area.width());
                Drawing::drawText(painter, text, field.textFont(), field.textColor(), area,
                                  Qt::AlignLeft | Qt::AlignVCenter);
                const double width = TextMeasure::sizeOfText(text, field.textFont()).width();
                const double y = std::round(area.center().y()) + 0.5;
                painter.setPen(QPen(field.textColor(), 1));
                painter.drawLine(QPointF(area.left(), y), QPointF(area.left() + width, y));
            });
        } else {
            m_taskName->setLabelPainter({});
        }
        m_doneBtn->setState(m_doneState);
    }
    setNeedsDisplay();
}

bool TaskListItemView::isNameStruckThrough() const
{
    return m_taskName && m_taskName->hasLabelPainter();
}

void TaskListItemView::postTaskChanged()
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, this);
}

void TaskListItemView::selectDone()
{
    if (!m_task) return;
    if (kindOf(*m_task) == Kind::ScheduledTask) return;
    if (m_isPopoverReloadAfterDoAction) {
        if (m_taskName) m_taskName->setStringValue(m_task->taskName());
        return;
    }
    // A shared item is ticked only once delegated to the user and accepted.
    if (m_task->isShared() && m_task->delegateStatus() != 1) {
        if (m_doneBtn) m_doneBtn->setState(m_task->status() != 0 ? 1 : 0);
        return;
    }
    CoreData* data = manager();
    if (!data) return;
    const int state = doneStatus();
    // The record changes only with a kept save; a refused one was told, and
    // the box shows the stored state again.
    if (!data->markDoneFromView(m_task, state)) {
        qWarning() << "Item" << m_task->primaryKey() << "could not be marked" << (state ? "done" : "open");
        if (m_doneBtn) m_doneBtn->setState(m_task->status() != 0 ? 1 : 0);
        return;
    }
    postTaskChanged();
}

void TaskListItemView::selectStar()
{
    if (!m_task || m_isPopoverReloadAfterDoAction) return;
    if (m_task->isShared()) {
        if (m_starBtn) m_starBtn->setState(m_task->isPinned() != 0 ? 1 : 0);
        return;
    }
    const qint64 star = starStatus();
    CoreData* data = manager();
    // The box shows the stored state until the save is kept: a refused one
    // is told in an alert, under which the star must not look set.
    if (m_starBtn) m_starBtn->setState(m_task->isPinned() != 0 ? 1 : 0);
    if (!data || !data->saveChangeFromView({m_task}, [&] {
            m_task->setIsPinned(star);
            return m_task->dehydrate();
        })) {
        qWarning() << "Item" << m_task->primaryKey() << "could not be saved after its star changed";
        return;
    }
    if (m_starBtn) m_starBtn->setState(m_task->isPinned() != 0 ? 1 : 0);
    const SettingPtr setting = settings();
    if (setting && setting->autoZVWSync() != 0)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, qint64(2));
    postTaskChanged();
}

void TaskListItemView::selectDelegateStatus(int tag)
{
    if (!m_task) return;
    ensureControls();
    // Without an address of its own the service is out of reach whatever the network.
    if (internetReachable && AccountProcedures::serviceAddressSet()) {
        m_acceptRejectBtn->setEnabled(false);
        m_task->setDelegateStatus(tag);
        m_acceptRejectBtn->setSelectedSegment(-1);
        const CoreData* data = manager();
        if (ZVWSync* sync = data ? data->zvwSync() : nullptr) sync->changeItemStatus(m_task);
        return;
    }
    m_acceptRejectBtn->setSelectedSegment(-1);
    AccountProcedures::runAlert(AccountProcedures::unreachableAlert());
}

void TaskListItemView::applyDelete()
{
    if (!m_task || m_task->isShared()) return;
    CoreData* data = manager();
    if (!data) return;
    const SettingPtr setting = settings();
    if (setting && setting->isWarningForDeleting() != 0) {
        AlertRequest request;
        request.style = AlertStyle::Warning;
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
        request.messageText = TextTable::localizedString(QStringLiteral("deleteItemText"));
        request.informativeText = TextTable::localizedString(QStringLiteral("deleteItemMessage"));
        request.showsSuppressionButton = true;
        const QPointer<TaskListItemView> alive(this);
        const TaskPtr item = m_task;
        const AlertResponse response = AlertPresenter::current().runModal(request);
        if (response.suppressed) setting->setIsWarningForDeleting(0);
        if (response.button != AlertResponse::firstButton) return;
        data->setModifyingTask(item);
        if (!data->saveChangeFromView({item}, [&] { return data->doDeleteTask(item); })) {
            qWarning() << "Item" << item->primaryKey() << "could not be deleted";
            return;
        }
        // The single delete posts nothing; the lists drop the row on this.
        if (alive) postTaskChanged();
        return;
    }
    const TaskPtr item = m_task;
    data->setModifyingTask(item);
    if (!data->saveChangeFromView({item}, [&] { return data->doDeleteTask(item); })) {
        qWarning() << "Item" << item->primaryKey() << "could not be deleted";
        return;
    }
    postTaskChanged();
}

void TaskListItemView::changeTaskName(const QString& text)
{
    if (!m_task) return;
    // A blank name changes nothing: the old one shows again.
    if (text.trimmed().isEmpty()) {
        if (m_taskName) m_taskName->setStringValue(m_task->taskName());
        return;
    }
    if (text == m_task->taskName()) return;
    const TaskPtr item = m_task;
    CoreData* data = manager();
    // Refused, the row shows the stored name again and the person is told.
    if (!data || !data->saveChangeFromView({item}, [&] {
            item->setTaskName(text);
            return item->dehydrate();
        })) {
        qWarning() << "Item" << item->primaryKey() << "could not be saved after its rename";
        if (m_taskName && m_task == item) m_taskName->setStringValue(item->taskName());
        return;
    }
    postTaskChanged();
}

// ---- drawing ------------------------------------------------------------------

void TaskListItemView::setTextsColor(const QColor& color)
{
    for (TextField* field : {m_timeTextField, m_dayTextField, m_dueInfoField, m_moreInfoField})
        if (field && field->textColor() != color) field->setTextColor(color);
}

void TaskListItemView::drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawBackgroundInRect(painter, dirtyRect);
    deriveLooks();
    const double H = bounds().height();
    if (isMustDo()) painter.fillRect(QRectF(-mustDoWidth / 2, 0, mustDoWidth, H), mustDoColor());
    if (!m_task || !m_taskName) return;
    const Kind kind = kindOf(*m_task);
    if (kind == Kind::Task || kind == Kind::ScheduledTask || kind == Kind::Other) {
        if (m_doneBtn->image().cacheKey() != m_doneBtnNormal.cacheKey()) m_doneBtn->setImage(m_doneBtnNormal);
        if (m_doneBtn->alternateImage().cacheKey() != m_doneCheckboxNormal.cacheKey())
            m_doneBtn->setAlternateImage(m_doneCheckboxNormal);
    }
    if (m_taskName->textColor() != m_projectColor) m_taskName->setTextColor(m_projectColor);
    setTextsColor(Color::gray());
    const QColor linkColor = m_isAssetNeedGrayout ? Color::darkGray() : Color::calibratedRGB(0, 0, 1);
    if (m_linkItem->color() != linkColor) m_linkItem->setColor(linkColor);
}

void TaskListItemView::drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawSelectionInRect(painter, dirtyRect);
    deriveLooks();
    const double H = bounds().height();
    const double left = isMustDo() ? mustDoInset : 0;
    if (isMustDo()) painter.fillRect(QRectF(-mustDoWidth / 2, 0, mustDoWidth, H), mustDoColor());
    painter.fillRect(QRectF(left, 0, bounds().width() - left, H), m_projectColor);
    if (!m_task || !m_taskName) return;
    if (kindOf(*m_task) != Kind::TimedEvent && kindOf(*m_task) != Kind::AllDayEvent &&
        kindOf(*m_task) != Kind::MultiDayAllDayEvent) {
        if (m_doneBtn->image().cacheKey() != m_doneBtnSelected.cacheKey()) m_doneBtn->setImage(m_doneBtnSelected);
        if (m_doneBtn->alternateImage().cacheKey() != m_doneCheckboxSelected.cacheKey())
            m_doneBtn->setAlternateImage(m_doneCheckboxSelected);
    }
    if (m_taskName->textColor() != Color::white()) m_taskName->setTextColor(Color::white());
    setTextsColor(Color::white());
    if (m_linkItem->color() != Color::white()) m_linkItem->setColor(Color::white());
}

void TaskListItemView::drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawSeparatorInRect(painter, dirtyRect);
    if (!m_bgImg.isNull())
        Drawing::drawImage(painter, m_bgImg, QRectF(QPointF(isMustDo() ? mustDoInset : 0, 0), m_bgImg.deviceIndependentSize()));
    if (!m_icon.isNull()) {
        const QSizeF size = m_icon.deviceIndependentSize();
        Drawing::drawImage(painter, m_icon, QRectF(QPointF(10, whole((bounds().height() - size.height()) / 2)), size));
    }
}
