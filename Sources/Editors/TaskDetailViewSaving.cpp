// Writing the task form into its record, storing it and the work that
// follows a save; building a new task from the add form; undoing unsaved
// changes.
#include "TaskDetailView.h"

#include "AlertPresenter.h"
#include "AlertRows.h"
#include "Button.h"
#include "Calendar.h"
#include "CoreData.h"
#include "EditorPages.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "CustomTextView.h"
#include "HourAndMinute.h"
#include "iCalSync.h"
#include "LinkSection.h"
#include "Notifications.h"
#include "NotificationCenter.h"
#include "PopUpButton.h"
#include "RecordStore.h"
#include "RepeatRuleRows.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"
#include "ZVWSync.h"

#include <QDebug>

#include <optional>
#include <tuple>
#include <utility>

namespace {

int selectedTagOf(const PopUpButton* popUp)
{
    return popUp && popUp->selectedItem() ? popUp->selectedItem()->tag : 0;
}

}  // namespace

qint64 TaskDetailView::durationMinutesForForm() const
{
    return m_durationOther->getHours() * 60 + m_durationOther->getMinutes();
}

TaskDetailView::Host* TaskDetailView::host() const
{
    // The add form sits in the add panel, whose own holder takes new tasks.
    QWidget* panel = m_parentView;
    if (auto* direct = dynamic_cast<Host*>(panel)) return direct;
    QWidget* holder = panel ? panel->parentWidget() : nullptr;
    if (auto* view = qobject_cast<View*>(panel); view && view->superview()) holder = view->superview();
    return dynamic_cast<Host*>(holder);
}

void TaskDetailView::writeFormInto(Task& item, bool withNameAndStar)
{
    // Saving ends a typed edit of the due date as leaving the field would.
    if (m_hasDueBtn->state() == 1) commitTypedDue(m_dueTextField->dateValue());
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : SettingPtr();
    const qint64 defaultDuration = setting ? setting->durationDefTaskVal() : 15;

    if (withNameAndStar) {
        const QString name = m_title->string();
        item.setTaskName(name.isEmpty() ? TextTable::localizedString(QStringLiteral("untitledText")) : name);
    }
    item.setTaskLocation(m_locationTextField->stringValue());
    item.setStartTime(m_startTextField->dateValue());
    if (withNameAndStar) item.setIsPinned(m_starBtn->state() == 1 ? 1 : 0);

    const bool due = m_hasDueBtn->state() == 1;
    item.setDueEnd(due ? m_dueTextField->dateValue() : item.startTime());
    item.setHasDue(due ? 1 : 0);

    if (const auto stored = formDuration(defaultDuration)) {
        item.setHasDuration(stored->hasDuration);
        item.setDuration(stored->minutes);
    }

    const int repeatTag = m_repeatRules->repeatTag();
    item.setRepeatType(repeatTag - 1);
    item.setRepeatOptions(formRepeatOptions());
    if (repeatTag - 1 != 0) item.setTaskRepeatStyle(selectedTagOf(m_repeatRules->repeatFromBtn()) - 1);

    const CalendarPtr category = chosenCategory();
    item.setCalendarId(selectedTagOf(calendarBtn()));
    item.updateAlertList(m_alertRows->alertList());
    item.setUrl(m_urlTextField->stringValue());

    // The category's own tags are never written into the task.
    const QString categoryTags = category ? category->tagList() : QString();
    const QString own = ownTagList(m_tagDetailView->objectValue(), categoryTags);
    // A new task's tags are stored by the host, with the task.
    if (dataManager && m_type != 0) {
        for (const QString& name : tagNames(own))
            if (!dataManager->insertTagIfNA(name)) qWarning() << "Tag" << name << "could not be stored";
    }
    item.setTagList(own);
    item.setNotes(m_desc->string());
}

std::optional<TaskDetailView::StoredDuration> TaskDetailView::formDuration(qint64 defaultMinutes) const
{
    const int tag = selectedTagOf(m_durationBtn);
    if (tag == noDurationTag || (tag >= 2 && tag <= 7) || tag == customDurationTag)
        return durationToStore(tag, durationMinutesForForm(), defaultMinutes);
    return std::nullopt;
}

QString TaskDetailView::formRepeatOptions() const
{
    const int repeatTag = m_repeatRules->repeatTag();
    if (repeatTag == RepeatRuleRows::weeklyTag && m_repeatRules->selectedWeekdays().isEmpty()) {
        // Weekly without a weekday repeats on the start's weekday; the start
        // itself stays where it is.
        return RepeatRuleRows::repeatOptionsText(
            repeatTag, m_repeatRules->repeatEveryTextField()->stringValue().toLongLong(),
            QString::number(Utilities::getWeekday(m_startTextField->dateValue())), 0);
    }
    return m_repeatRules->repeatOptions();
}

// khal or the web sync may have changed the task while the form was open
// (its due date, say): the fields the person left as loaded take the
// stored values, so Done writes only what the person changed.
void TaskDetailView::takeChangesMadeElsewhere()
{
    if (!m_task || m_task->primaryKey() < 0) return;
    const TaskPtr now = Task::initWithPrimaryKey(m_task->primaryKey());
    if (!now || now->primaryKey() != m_task->primaryKey()) return;
    // A due date still being typed counts as the person's, as saving takes it.
    if (m_hasDueBtn->state() == 1) commitTypedDue(m_dueTextField->dateValue());
    const auto ownFields = [this](ElsewhereMerge& merge, const Task& opened, Task& now) {
        const Date start = m_startTextField->dateValue();
        merge.field(start != opened.startTime(), now.startTime() != opened.startTime(), start == now.startTime(), [&] {
            m_startTextField->setDateValue(now.startTime());
            fitDatePicker(m_startTextField);
        });
        // Without a due date the stored one is a placeholder.
        const auto dueOf = [](const Task& item) {
            return std::pair(item.hasDue() == 1, item.hasDue() == 1 ? item.dueEnd() : Date());
        };
        const bool due = m_hasDueBtn->state() == 1;
        const auto formDue = std::pair(due, due ? m_dueTextField->dateValue() : Date());
        merge.field(formDue != dueOf(opened), dueOf(now) != dueOf(opened), formDue == dueOf(now), [&] {
            m_hasDueBtn->setState(now.hasDue() == 1 ? 1 : 0);
            if (now.hasDue() == 1) {
                m_dueTextField->setDateValue(now.dueEnd());
                fitDatePicker(m_dueTextField);
            }
            setDue();
            m_shownDue = m_dueTextField->dateValue();
        });
        const auto durationOf = [](const Task& item) {
            return std::pair(item.hasDuration() != 0, item.hasDuration() != 0 ? item.duration() : 0);
        };
        const auto stored = formDuration(opened.duration());
        const auto formLength = stored ? std::pair(stored->hasDuration != 0, stored->hasDuration != 0 ? stored->minutes : 0)
                                       : durationOf(opened);
        merge.field(formLength != durationOf(opened), durationOf(now) != durationOf(opened), formLength == durationOf(now),
                    [&] { showDuration(now); });
        const bool star = m_starBtn->state() == 1;
        merge.field(star != (opened.isPinned() != 0), now.isPinned() != opened.isPinned(), star == (now.isPinned() != 0),
                    [&] { m_starBtn->setState(now.isPinned() ? 1 : 0); });
        // The done box writes the item at once: the person's tick is carried over.
        const bool done = m_completedBtn->state() == 1;
        const bool doneHere = done != (opened.status() == 1);
        merge.field(doneHere, now.status() != opened.status(), done == (now.status() == 1), [&] {
            m_completedBtn->setState(now.status() == 1 ? 1 : 0);
            setCompletedDateText(now.completedDate());
            m_completedDate->setHidden(now.status() != 1);
        });
        if (doneHere) {
            now.setStatus(m_task->status());
            now.setCompletedDate(m_task->completedDate());
        }
        const auto ruleOf = [](const Task& item) {
            const bool repeats = item.repeatType() != 0;
            return std::tuple(item.repeatType(), repeats ? item.repeatOptions() : QString(), repeats ? item.taskRepeatStyle() : 0);
        };
        const qint64 formType = m_repeatRules->repeatTag() - 1;
        const auto formRule = std::tuple(formType, formType != 0 ? formRepeatOptions() : QString(),
                                         formType != 0 ? qint64(selectedTagOf(m_repeatRules->repeatFromBtn()) - 1) : 0);
        merge.field(formRule != ruleOf(opened), ruleOf(now) != ruleOf(opened), formRule == ruleOf(now),
                    [&] { m_repeatRules->loadFromTask(now); });
    };
    ItemDetailView::takeChangesMadeElsewhere(now, [this] {
        const QString name = m_title->string();
        return name.isEmpty() ? TextTable::localizedString(QStringLiteral("untitledText")) : name;
    }, ownFields);
}

void TaskDetailView::summaryInfo()
{
    if (m_task) writeFormInto(*m_task, true);
}

void TaskDetailView::saveChanges(bool close)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const auto closePosts = [&] {
        if (!close) return;
        center.postNotificationOnMainThreadName(kPopoverShouldClose, static_cast<View*>(this));
        center.postNotificationOnMainThreadName(kTaskChanged, static_cast<View*>(this));
    };

    m_currentLinkSection->saveChanges();
    if (!isRevertShown() || !m_task) {
        closePosts();
        return;
    }
    takeChangesMadeElsewhere();
    const bool becomesRepeating = m_task->repeatType() == 0 && m_repeatRules->repeatTag() - 1 != 0;

    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : SettingPtr();
    const TaskPtr task = m_task;
    // The form, the row, the follow-up commands and the store write's mark
    // are one unit: a kill leaves all of them or none, and a refused save
    // leaves the record as it was and the form open with what was typed.
    const bool saved = dataManager && dataManager->saveChangeFromView({task}, [&] {
        summaryInfo();
        return dataManager->storeEditedTask(task);
    }, window());
    if (!saved) {
        if (!dataManager) qWarning() << "A task was saved without a data manager; nothing is stored";
        return;
    }
    m_revertBtn->hide();
    closePosts();

    if (becomesRepeating && task->repeatType() != 0 && setting && setting->showWarningAddRepeatTask())
        warnAboutRepeatingTask();
}

TaskDetailView::StoredDuration TaskDetailView::durationToStore(int tag, qint64 customMinutes, qint64 defaultMinutes)
{
    if (tag >= 2 && tag <= 7) return {1, presetMinutes().at(tag - 2)};
    if (tag == customDurationTag) return {1, customMinutes == 0 ? defaultMinutes : customMinutes};
    return {0, defaultMinutes};
}

void TaskDetailView::warnAboutRepeatingTask()
{
    const SettingPtr setting = CoreData::shared() ? CoreData::shared()->currentSetting() : SettingPtr();
    if (!setting) return;
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.messageText = TextTable::localizedString(QStringLiteral("editRepeatTaskWarningText"));
    request.informativeText = TextTable::localizedString(QStringLiteral("addRepeatTaskWarningMessage"));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    request.showsSuppressionButton = true;
    const AlertResponse answer = AlertPresenter::current().runModal(request);
    const qint64 askAgain = answer.suppressed ? 0 : 1;
    if (answer.button != AlertResponse::firstButton) {
        // Saved with the next write of the settings.
        setting->setShowWarningAddRepeatTask(askAgain);
        return;
    }
    if (!CoreData::shared()->saveSettingFromView([askAgain](Setting& kept) { kept.setShowWarningAddRepeatTask(askAgain); }))
        qWarning() << "The settings could not be stored after the repeating-task warning";
}

void TaskDetailView::addTask()
{
    // Save (or Return, which the form takes first) with a tag still being
    // typed keeps that tag too.
    m_tagDetailView->tokenizeTypedText();
    auto item = std::make_shared<Task>();
    item->setTaskType(1);
    item->setBuiltIn(0);
    item->setIsInitialTask(1);
    writeFormInto(*item, false);
    CoreData* dataManager = CoreData::shared();
    const CalendarPtr category = chosenCategory();
    if ((!category || category->primaryKey() < 0) && dataManager) {
        // A key that makes no category falls back to the default one.
        const SettingPtr setting = dataManager->currentSetting();
        const CalendarPtr fallback = setting ? dataManager->calendarWithPrimaryKey(setting->calendarDefID()) : nullptr;
        if (fallback) item->setCalendarId(fallback->primaryKey());
    }
    // Only the quick-add host names and stores a new task; an edit form has
    // none, and the built task is dropped.
    if (m_type != 0) return;
    if (Host* target = host())
        target->addNewTask(item);
    else
        qInfo() << "The task form has no host to take the new task";
}

void TaskDetailView::cancelAdd()
{
    if (m_type != 0) return;
    if (Host* target = host()) target->resetData();
}
