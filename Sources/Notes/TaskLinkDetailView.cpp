#include "TaskLinkDetailView.h"

#include "AlertRows.h"
#include "Button.h"
#include "CoreData.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "DetailEditorHost.h"
#include "DetailRow.h"
#include "EditorShared.h"
#include "HourAndMinute.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "RepeatRuleRows.h"
#include "Task.h"
#include "TaskDetailView.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDebug>

TaskLinkDetailView::TaskLinkDetailView(const QRectF& frame, QWidget* parent) : InlineItemLinkRow(frame, 65, parent)
{
    using EditorRowGeometry::controlFrame;
    const double width = frame.width();
    m_durationRow = makeRow(TextTable::localizedString(QStringLiteral("durationText")), 0);
    // The empty entry is the separator between the presets and "custom".
    const std::vector<UIUtilities::PopUpElement> durations{
        TextTable::localizedString(QStringLiteral("noneText")),
        TextTable::localizedString(QStringLiteral("_15minutesText")),
        TextTable::localizedString(QStringLiteral("_30minutesText")),
        TextTable::localizedString(QStringLiteral("_1hourText")),
        TextTable::localizedString(QStringLiteral("_90minutesText")),
        TextTable::localizedString(QStringLiteral("_2hoursText")),
        TextTable::localizedString(QStringLiteral("_3hoursText")),
        QString(),
        TextTable::localizedString(QStringLiteral("customText")),
    };
    m_durationBtn = UIUtilities::createPopUpButtonWithFrame(
        controlFrame(controlX, 0, 19, 19), QStringLiteral("Duration"), 12, this, [this](PopUpButton*) { duration(); },
        durations, QList<qint64>{1, 2, 3, 4, 5, 6, 7, 8, 9});
    m_durationRow->setView(m_durationBtn);
    m_durationOther = new HourAndMinute(controlFrame(160, 0, width - 165, 19));
    m_durationRow->setReserveView(m_durationOther);
    m_durationOther->hide();

    const SettingPtr setting = currentSetting();
    const auto makePicker = [width](const Date& value) {
        auto* picker = new CustomNSDatePicker(controlFrame(controlX, -2, width - controlX - 5, 19));
        picker->setMinDate(Date::dateWithTimeIntervalSince1970(0));
        picker->setDateValue(value);
        return picker;
    };
    m_startRow = makeRow(TextTable::localizedString(QStringLiteral("startText")), 1);
    CoreData* dataManager = CoreData::shared();
    m_startTextField = makePicker(Utilities::getCurrentDate(setting && setting->tzSupport(),
                                                            dataManager ? dataManager->appRootTZ() : 0,
                                                            setting ? setting->currentTZ() : 0));
    m_startRow->setView(m_startTextField);
    fitDatePicker(m_startTextField);

    m_dueRow = makeRow(TextTable::localizedString(QStringLiteral("dueText")), 2);
    m_hasDueBtn = UIUtilities::createCheckboxWithFrame(
        controlFrame(controlX + 1, 0, 12, 19), this, [this](Button*) { hasDue(); },
        NamedImages::imageNamed(QStringLiteral("checkbox_none")),
        NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    m_hasDueBtn->setToolTip(TextTable::localizedString(QStringLiteral("taskNoDueTooltip")));
    m_dueRow->setView(m_hasDueBtn);
    m_dueTextField = makePicker(Utilities::dateByAddTimeInterval(
        double(setting ? setting->durationDefEventVal() : 60) * 60, Utilities::getCompleteDate()));
    m_dueTextField->setFrameOrigin(QPointF(controlX + 15, m_dueTextField->frame().y()));
    fitDatePicker(m_dueTextField);
    // Both stay in the row (a control the row gives up is deleted); the box
    // decides which one shows.
    m_dueRow->addSubview(m_dueTextField);
    m_noneBtn = UIUtilities::getCommonTextFieldWithFrame(controlFrame(controlX + 15, 0, 40, 19));
    m_noneBtn->setTextFont(lucida(12));
    m_dueRow->addSubview(m_noneBtn);
    duration();
}

TaskLinkDetailView::~TaskLinkDetailView() = default;

qint64 TaskLinkDetailView::defaultDurationPos(qint64 minutes)
{
    return TaskDetailView::defaultDurationPos(minutes);
}

void TaskLinkDetailView::resetData()
{
    const SettingPtr setting = currentSetting();
    const qint64 position = defaultDurationPos(setting ? setting->durationDefTaskVal() : 15);
    m_durationBtn->selectItemAtIndex(position >= 0 ? int(position) + 1 : 1);
    duration();
    const Date start = Utilities::roundTo15MinutesForCurrentDate();
    m_startTextField->setDateValue(start);
    fitDatePicker(m_startTextField);
    m_hasDueBtn->setState(0);
    hasDue();
    const qint64 end = setting ? setting->deskTimeNDEnd() : 0;
    m_dueTextField->setDateValue(Utilities::newDateOnDate(start, end / 60, end % 60));
    fitDatePicker(m_dueTextField);
}

void TaskLinkDetailView::loadDataFromTask(const TaskPtr& task)
{
    resetData();
    if (CoreData* dataManager = CoreData::shared()) dataManager->setModifyingTask(task ? task->copy() : nullptr);
    m_task = task;
    if (!task || task->taskType() != 1) return;
    title()->setStringValue(task->taskName());
    m_startTextField->setDateValue(task->startTime());
    fitDatePicker(m_startTextField);
    m_hasDueBtn->setState(task->hasDue() == 1 ? 1 : 0);
    if (task->hasDue() == 1) {
        m_dueTextField->setDateValue(task->dueEnd());
        fitDatePicker(m_dueTextField);
    }
    setDue();
    if (task->hasDuration()) {
        const qint64 position = defaultDurationPos(task->duration());
        if (position >= 0) {
            m_durationBtn->selectItemAtIndex(int(position) + 1);
        } else {
            m_durationBtn->selectItemAtIndex(8);
            m_durationOther->setHours(task->duration() / 60);
            m_durationOther->setMins(task->duration() % 60);
        }
    } else {
        m_durationBtn->selectItemAtIndex(0);
    }
    duration();
}

void TaskLinkDetailView::hasDue()
{
    setDue();
}

void TaskLinkDetailView::setDue()
{
    const bool due = m_hasDueBtn->state() == 1;
    m_dueTextField->setVisible(due);
    m_noneBtn->setVisible(!due);
}

void TaskLinkDetailView::duration()
{
    // The kit's pop-up draws its arrows inside its frame: the editors' own
    // fitting keeps the title whole.
    AlertRows::fitPopUpToTitle(m_durationBtn, RepeatRuleRows::popUpExtra);
    if (selectedTag(m_durationBtn) == TaskDetailView::customDurationTag) {
        const double x = m_durationBtn->frame().x() + m_durationBtn->frame().width() + 2;
        m_durationOther->setFrame(QRectF(x, 0, std::max(0.0, frame().width() - x), 19));
        m_durationOther->show();
    } else {
        m_durationOther->hide();
    }
}

void TaskLinkDetailView::summaryInfo()
{
    if (!m_task) return;
    const SettingPtr setting = currentSetting();
    m_task->setTaskName(titleToStore());
    m_task->setStartTime(m_startTextField->dateValue());
    const bool due = m_hasDueBtn->state() == 1;
    m_task->setDueEnd(due ? m_dueTextField->dateValue() : m_task->startTime());
    m_task->setHasDue(due ? 1 : 0);
    const TaskDetailView::StoredDuration stored = TaskDetailView::durationToStore(
        selectedTag(m_durationBtn), m_durationOther->getHours() * 60 + m_durationOther->getMinutes(),
        setting ? setting->durationDefTaskVal() : 15);
    m_task->setHasDuration(stored.hasDuration);
    m_task->setDuration(stored.minutes);
}

void TaskLinkDetailView::doneEdit()
{
    customResignFirstResponder();
    if (!m_task) return;
    if (!isStillStored(*m_task)) {
        // Deleted since the row was loaded: nothing is made again.
        qInfo() << "A linked task was deleted before done; nothing is stored";
        linkListReload(m_task);
        return;
    }
    const TaskPtr task = m_task;
    CoreData* dataManager = CoreData::shared();
    // A refused save keeps the page open with what was typed; the person
    // was told.
    if (!dataManager || !dataManager->saveChangeFromView({task}, [&] {
            summaryInfo();
            return dataManager->storeEditedTask(task, [task] {
                if (MainViewAccess* mainView = MainViewAccess::current()) mainView->moveToTop(task);
            });
        }, window()))
        return;
    if (isPopoverReloadAfterDoAction())
        linkListReload(task);
    else
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, this);
}

void TaskLinkDetailView::reveal()
{
    // Neither list may show it; no alert then, the popover closes anyway.
    if (MainViewAccess* mainView = MainViewAccess::current(); mainView && m_task) {
        if (!mainView->revealInTaskList(m_task)) mainView->revealInCategoryList(m_task);
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
}

void TaskLinkDetailView::showDetail()
{
    showDetailOf(m_task);
}
