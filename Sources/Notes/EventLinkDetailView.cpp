#include "EventLinkDetailView.h"

#include "Button.h"
#include "CoreData.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "DetailEditorHost.h"
#include "DetailRow.h"
#include "EditorShared.h"
#include "EventDetailView.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Task.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDebug>

EventLinkDetailView::DoneCase EventLinkDetailView::doneCaseFor(const Task& event, bool allDayChanged,
                                                               bool otherChanged)
{
    const bool generated = event.primaryKey() <= -2;
    if (event.parentId() != -1 && !generated) return DoneCase::Detached;
    if (event.parentId() == -1 && event.repeatType() == 0 && !generated) return DoneCase::Single;
    if (EventSaving::isFirstOccurrence(event)) {
        if (allDayChanged) return DoneCase::FirstAllDayChanged;
        return otherChanged ? DoneCase::FirstOtherChanged : DoneCase::FirstUnchanged;
    }
    if (allDayChanged) return DoneCase::LaterAllDayChanged;
    return otherChanged ? DoneCase::LaterOtherChanged : DoneCase::LaterUnchanged;
}

EventLinkDetailView::EventLinkDetailView(const QRectF& frame, QWidget* parent) : InlineItemLinkRow(frame, 90, parent)
{
    using EditorRowGeometry::controlFrame;
    const double width = frame.width();
    m_allDayRow = makeRow(TextTable::localizedString(QStringLiteral("allDayText")), 0);
    m_allDayBtn = UIUtilities::createCheckboxWithFrame(
        controlFrame(controlX - 2, 0, 19, 19), this, [this](Button*) { toggleAllDay(); },
        NamedImages::imageNamed(QStringLiteral("checkbox_none")),
        NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    m_allDayRow->setView(m_allDayBtn);

    const SettingPtr setting = currentSetting();
    const Date now = Utilities::getCompleteDate();
    const auto makePicker = [width](DetailRow* row, const Date& value) {
        auto* picker = new CustomNSDatePicker(controlFrame(controlX, -2, width - controlX - 5, 19));
        picker->setMinDate(Date::dateWithTimeIntervalSince1970(0));
        picker->setDateValue(value);
        row->setView(picker);
        fitDatePicker(picker);
        return picker;
    };
    m_startRow = makeRow(TextTable::localizedString(QStringLiteral("startText")), 1);
    m_startTextField = makePicker(m_startRow, now);
    m_endRow = makeRow(TextTable::localizedString(QStringLiteral("endText")), 2);
    m_endTextField = makePicker(
        m_endRow, Utilities::dateByAddTimeInterval(double(setting ? setting->durationDefEventVal() : 60) * 60, now));
    m_previousStartTime = m_startTextField->dateValue();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, kTextFieldHasChangedNotification, NotificationPayload::identityOf(m_startTextField),
                       [this](const Notification&) { startTimeChanged(); });
    center.addObserver(this, kTextFieldHasChangedNotification, NotificationPayload::identityOf(m_endTextField),
                       [this](const Notification&) { endTimeChanged(); });
}

EventLinkDetailView::~EventLinkDetailView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void EventLinkDetailView::loadDataFromEvent(const TaskPtr& event)
{
    if (CoreData* dataManager = CoreData::shared()) dataManager->setModifyingTask(event ? event->copy() : nullptr);
    m_event = event;
    m_startEdited = m_endEdited = false;
    if (!event) return;
    if (event->taskType() == 0) {
        title()->setStringValue(event->taskName());
        m_allDayBtn->setState(event->isADE() ? 1 : 0);
        m_startTextField->setDateValue(event->startTime());
        m_previousStartTime = m_startTextField->dateValue();
        m_endTextField->setMinDate(m_previousStartTime);
        m_endTextField->setDateValue(event->endTime());
        toggleAllDay();
    }
    m_allDayBtn->setEnabled(!(event->parentId() != -1 && event->primaryKey() > 0));
}

void EventLinkDetailView::toggleAllDay()
{
    const bool allDay = m_allDayBtn->state() == 1;
    for (CustomNSDatePicker* picker : {m_startTextField, m_endTextField}) {
        picker->setElements(allDay ? DatePickerElements::Date : DatePickerElements::DateHourMinute);
        fitDatePicker(picker);
    }
    if (!m_event || !m_event->isADE() || allDay) return;
    // A timed day out of an all-day one: the working hours of that day.
    const SettingPtr setting = currentSetting();
    const qint64 from = setting ? setting->deskTimeNDStart() : 0;
    const qint64 to = setting ? setting->deskTimeNDEnd() : 0;
    const Date day = m_startTextField->dateValue();
    const Date start = Utilities::newDateOnDate(day, from / 60, from % 60);
    m_startTextField->setDateValue(start);
    m_endTextField->setMinDate(start);
    m_previousStartTime = start;
    m_endTextField->setDateValue(Utilities::newDateOnDate(day, to / 60, to % 60));
    m_startEdited = m_endEdited = true;
    fitDatePicker(m_startTextField);
    fitDatePicker(m_endTextField);
}

void EventLinkDetailView::startTimeChanged()
{
    const Date start = m_startTextField->dateValue();
    const double offset = m_endTextField->dateValue().timeIntervalSinceDate(m_previousStartTime);
    m_endTextField->setMinDate(start);
    m_endTextField->setDateValue(Utilities::dateByAddTimeInterval(offset, start));
    m_previousStartTime = start;
    m_startEdited = m_endEdited = true;
}

void EventLinkDetailView::endTimeChanged()
{
    m_endEdited = true;
}

void EventLinkDetailView::checkChangeInfo()
{
    m_otherRulesChanged = m_alldayRuleChanged = false;
    if (!m_event) return;
    if (titleToStore() != m_event->taskName()) m_otherRulesChanged = true;
    if (m_event->isADE() != (m_allDayBtn->state() == 1)) m_alldayRuleChanged = true;
    if (!m_otherRulesChanged && (m_startEdited || m_endEdited)) m_otherRulesChanged = true;
}

void EventLinkDetailView::summaryInfo(int scope)
{
    (void)scope;
    if (!m_event) return;
    m_event->setTaskName(titleToStore());
    const bool allDay = m_allDayBtn->state() == 1;
    m_event->setIsADE(allDay ? 1 : 0);
    Date start = m_startTextField->dateValue();
    Date end = m_endTextField->dateValue();
    if (allDay) {
        start = Utilities::newDateOnDate(start, 0, 0);
        end = Utilities::dateByAddTimeInterval(59, Utilities::newDateOnDate(end, 23, 59));
    } else if (start == end) {
        const SettingPtr setting = currentSetting();
        end = Utilities::dateByAddTimeInterval(double(setting ? setting->durationDefEventVal() : 60) * 60, start);
    }
    m_event->setStartTime(start);
    m_event->setEndTime(end);
    m_event->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
}

void EventLinkDetailView::doneEdit()
{
    customResignFirstResponder();
    if (!m_event) return;
    if (!isStillStored(*m_event)) {
        // Deleted since the row was loaded: nothing is made again.
        qInfo() << "A linked event was deleted before done; nothing is stored";
        linkListReload(m_event);
        return;
    }
    checkChangeInfo();
    if (!applyCase(doneCaseFor(*m_event, m_alldayRuleChanged, m_otherRulesChanged))) return;
    CoreData* dataManager = CoreData::shared();
    if (dataManager && dataManager->isAppliedTagFilter() && !dataManager->removeTaskFromListWithTagFilter(m_event))
        dataManager->addTaskToList(m_event, dataManager->getShowTag());
    reloadChanged();
}

bool EventLinkDetailView::applyCase(DoneCase which)
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return false;
    const TaskPtr item = m_event;
    const qint64 root = EventSaving::seriesKey(*item);
    const Date loadedStart = item->startTime();
    TaskPtr series;
    if (which == DoneCase::LaterUnchanged) series = dataManager->getRootEventWithParentID(root);
    // The form and every command of the case are one unit, kept whole or
    // refused whole (then told, and the page keeps what was typed).
    const bool saved = dataManager->saveChangeFromView(series ? TaskList{item, series} : TaskList{item}, [&] {
        switch (which) {
        case DoneCase::Single:
        case DoneCase::FirstUnchanged:
            summaryInfo(1);
            return dataManager->doEditAllOperatorWithEvent(item, false);
        case DoneCase::Detached:
            // That occurrence alone, as the event editor saves it.
            summaryInfo(0);
            return dataManager->doEditOnlyThisOperatorWithEvent(item, false);
        case DoneCase::FirstAllDayChanged: {
            summaryInfo(1);
            const bool deleted = dataManager->deleteAllDetachedEventsParentID(root, item->repeatStartDate());
            item->setRepeatExceptions(QString());
            item->setRepeatStartDate(item->startTime());
            return deleted && dataManager->doEditAllOperatorWithEvent(item, false);
        }
        case DoneCase::FirstOtherChanged:
            summaryInfo(1);
            if (!item->isADE()) item->setRepeatStartDate(item->startTime());
            return dataManager->doEditAllOperatorWithEvent(item, false);
        case DoneCase::LaterAllDayChanged:
            if (!dataManager->deleteAllDetachedEventsParentID(root, loadedStart)) return false;
            summaryInfo(2);
            item->setRepeatExceptions(QString());
            item->setRepeatStartDate(item->startTime());
            return dataManager->doEditAllFutureOperatorWithEvent(item);
        case DoneCase::LaterOtherChanged:
            summaryInfo(2);
            return dataManager->doEditAllFutureOperatorWithEvent(item);
        case DoneCase::LaterUnchanged:
            return !series || series->primaryKey() <= 0 || dataManager->doEditAllOperatorWithEvent(series, false);
        }
        return true;
    }, window());
    if (!saved) return false;
    if (which == DoneCase::LaterUnchanged && series && series->primaryKey() > 0) m_event = series;
    if (which != DoneCase::LaterAllDayChanged && which != DoneCase::LaterOtherChanged) EventSaving::pushRequest();
    return true;
}

void EventLinkDetailView::reloadChanged()
{
    if (isPopoverReloadAfterDoAction()) {
        linkListReload(m_event);
        return;
    }
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotificationOnMainThreadName(kPopoverShouldClose, this);
    center.postNotificationOnMainThreadName(kTaskChanged, this);
}

void EventLinkDetailView::reveal()
{
    MainViewAccess* mainView = MainViewAccess::current();
    if (mainView && m_event) {
        if (m_event->isADE())
            mainView->revealInFocusPane(m_event);
        else
            mainView->revealInDayGrid(m_event);
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
}

void EventLinkDetailView::showDetail()
{
    showDetailOf(m_event);
}
