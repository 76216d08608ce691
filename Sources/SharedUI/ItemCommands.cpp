#include "ItemCommands.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "NotificationCenter.h"
#include "View.h"
#include "Popover.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "Utilities.h"
// The data manager's notification names (the shell has a file of the same name).
#include "../Model/Notifications.h"

#include <QDebug>
#include <QPointer>

namespace {

constexpr qint64 commandEventKind = 0;
constexpr qint64 commandTaskKind = 1;
constexpr qint64 commandNoteKind = 3;

void postItemChanged(QObject* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, sender);
}

bool isOnSeriesFirstDay(const Task& item)
{
    return Utilities::today(item.occurrence()) == Utilities::today(item.repeatStartDate());
}

// The plain "delete this item?" warning with its do-not-ask-again box; a
// ticked box turns the warning off whatever the answer. True on OK.
bool confirmDeleting(const SettingPtr& setting)
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.messageText = TextTable::localizedString(QStringLiteral("deleteItemText"));
    request.informativeText = TextTable::localizedString(QStringLiteral("deleteItemMessage"));
    request.showsSuppressionButton = true;
    const AlertResponse response = AlertPresenter::current().runModal(request);
    if (response.suppressed && setting) setting->setIsWarningForDeleting(0);
    return response.button == AlertResponse::firstButton;
}

// Which occurrences of a repeating event go: this one, all of them (asked on
// the series' first day) or all future ones (on a later day).
void deleteRepeatingEvent(const TaskPtr& item, CoreData* manager, QObject* sender,
                          ItemCommands::FutureButton futureButton)
{
    const bool scheduled = item->isSheduledTask();
    const bool first = isOnSeriesFirstDay(*item);
    // Each key written out in its call, so that the text table's check sees it.
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.addButtonWithTitle(scheduled ? TextTable::localizedString(QStringLiteral("onlyThisSTaskText"))
                                         : TextTable::localizedString(QStringLiteral("onlyThisEventText")));
    request.addButtonWithTitle(first ? TextTable::localizedString(QStringLiteral("allText"))
                               : scheduled && futureButton == ItemCommands::FutureButton::AsScheduledTasks
                                   ? TextTable::localizedString(QStringLiteral("allFutureSTasksText"))
                                           : TextTable::localizedString(QStringLiteral("allFutureEventsText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.messageText = scheduled ? TextTable::localizedString(QStringLiteral("deletingSTaskText"))
                                    : TextTable::localizedString(QStringLiteral("deletingEventText"));
    if (first)
        request.informativeText = scheduled ? TextTable::localizedString(QStringLiteral("deletingAllSTaskMessageText"))
                                            : TextTable::localizedString(QStringLiteral("deletingAllMessageText"));
    else
        request.informativeText = scheduled
                                      ? TextTable::localizedString(QStringLiteral("deletingSTaskFutureMessageText"))
                                      : TextTable::localizedString(QStringLiteral("deletingFutureMessageText"));
    const QPointer<QObject> alive(sender);
    const int answer = AlertPresenter::current().runModal(request).button;
    if (answer != AlertResponse::firstButton && answer != AlertResponse::secondButton) return;
    const TaskPtr result = manager->commandFromView({item}, [&] {
        if (answer == AlertResponse::firstButton) return manager->doDeleteOnlyThisOperatorWithEvent(item);
        return first ? manager->doDeleteAllOperatorWithEvent(item) : manager->doDeleteAllFutureOperatorWithEvent(item);
    });
    if (!result) qWarning() << "Item" << item->primaryKey() << "could not be deleted";
    postItemChanged(alive.data());
}

}  // namespace

namespace ItemCommands {

void toggleDone(const TaskPtr& item, QObject* sender)
{
    CoreData* manager = CoreData::shared();
    if (!item || !manager) return;
    const qint64 status = item->status() == 1 ? 0 : 1;
    // The record changes only with a kept save; a refused one was told.
    if (!manager->markDoneFromView(item, status)) {
        qWarning() << "The done state of item" << item->primaryKey() << "could not be saved";
        return;
    }
    postItemChanged(sender);
}

void duplicate(const TaskPtr& item)
{
    if (!item) return;
    CoreData* manager = CoreData::shared();
    if (item->taskType() != commandEventKind || item->repeatType() == 0) {
        if (!manager || !manager->commandFromView({item}, [&] { return item->duplicate(); }))
            qWarning() << "Item" << item->primaryKey() << "could not be duplicated";
        return;
    }
    const bool scheduled = item->isSheduledTask();
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.addButtonWithTitle(scheduled ? TextTable::localizedString(QStringLiteral("onlyThisSTaskText"))
                                         : TextTable::localizedString(QStringLiteral("onlyThisEventText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.messageText = scheduled ? TextTable::localizedString(QStringLiteral("duplicateSTaskText"))
                                    : TextTable::localizedString(QStringLiteral("duplicateEventText"));
    request.informativeText = scheduled ? TextTable::localizedString(QStringLiteral("duplicateSTaskMessage"))
                                        : TextTable::localizedString(QStringLiteral("duplicateEventMessage"));
    if (AlertPresenter::current().runModal(request).button != AlertResponse::firstButton) return;
    if (!manager || !manager->commandFromView({item}, [&] { return item->duplicateThisOnly(); }))
        qWarning() << "An occurrence of item" << item->primaryKey() << "could not be duplicated";
}

void doToday(const TaskPtr& item)
{
    // A refused move leaves the item where it was and is told.
    if (CoreData* manager = CoreData::shared();
        manager && item && !manager->saveChangeFromView({item}, [&] { return manager->doToday(item); }))
        qWarning() << "Item" << item->primaryKey() << "could not be moved";
}

void doNextWeek(const TaskPtr& item)
{
    // A refused move leaves the item where it was and is told.
    if (CoreData* manager = CoreData::shared();
        manager && item && !manager->saveChangeFromView({item}, [&] { return manager->doNextWeek(item); }))
        qWarning() << "Item" << item->primaryKey() << "could not be moved";
}

void doNextMonth(const TaskPtr& item)
{
    // A refused move leaves the item where it was and is told.
    if (CoreData* manager = CoreData::shared();
        manager && item && !manager->saveChangeFromView({item}, [&] { return manager->doNextMonth(item); }))
        qWarning() << "Item" << item->primaryKey() << "could not be moved";
}

ItemCommand dateCommand(const QString& action)
{
    if (action == QLatin1String("doToday:")) return &doToday;
    if (action == QLatin1String("doNextWeek:")) return &doNextWeek;
    if (action == QLatin1String("doNextMonth:")) return &doNextMonth;
    return nullptr;
}

void copyToMakeLink(const TaskPtr& item)
{
    CoreData* manager = CoreData::shared();
    if (!item || !manager) return;
    const SettingPtr setting = manager->currentSetting();
    if (setting && setting->isWarningForCopyToLink() == 1) {
        AlertRequest request;
        request.style = AlertStyle::Informational;
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
        request.messageText = TextTable::localizedString(QStringLiteral("pasteToAnyOtherItemText"));
        request.showsSuppressionButton = true;
        const AlertResponse response = AlertPresenter::current().runModal(request);
        if (response.suppressed) {
            if (!manager->saveSettingFromView([](Setting& kept) { kept.setIsWarningForCopyToLink(0); }))
                qWarning() << "The settings could not be saved";
        }
        if (response.button != AlertResponse::firstButton) return;
    }
    manager->setCopiedItem(nullptr);
    manager->setCopiedItem(item->copy());
}

void pasteToMakeLink(const TaskPtr& item)
{
    if (CoreData* manager = CoreData::shared(); manager && item && !manager->commandFromView({item}, [&] { return manager->pasteToMakeLinkWith(item); }))
        qWarning() << "Item" << item->primaryKey() << "could not be linked";
}

void applyDelete(TaskPtr& item, QObject* sender, FutureButton futureButton)
{
    CoreData* manager = CoreData::shared();
    if (!item || !manager || item->isShared()) return;
    const SettingPtr setting = manager->currentSetting();
    const bool warns = setting && setting->isWarningForDeleting() != 0;

    if (item->taskType() == commandTaskKind || item->taskType() == commandNoteKind) {
        if (item->taskType() == commandNoteKind && item->zvwID() == 0) {
            // Its row may have changed under the list since it was loaded.
            if (TaskPtr fresh = Task::initWithPrimaryKey(item->primaryKey())) item = fresh;
        }
        // Timers keep firing while an alert is open: the item is held here.
        const TaskPtr held = item;
        if (warns && !confirmDeleting(setting)) return;
        manager->setModifyingTask(held);
        if (!manager->commandFromView({held}, [&] { return manager->doDeleteTask(held); })) qWarning() << "Item" << held->primaryKey() << "could not be deleted";
        return;
    }
    if (item->taskType() != commandEventKind) return;

    const TaskPtr held = item;
    const bool repeating = (held->parentId() == -1 && held->repeatType() != 0) || held->primaryKey() <= -2;
    if (repeating) {
        deleteRepeatingEvent(held, manager, sender, futureButton);
        return;
    }
    if (warns) {
        if (!confirmDeleting(setting)) return;
        if (!manager->commandFromView({held}, [&] { return manager->doDeleteOnlyThisOperatorWithEvent(held); }))
            qWarning() << "Item" << held->primaryKey() << "could not be deleted";
        return;
    }
    if (!manager->commandFromView({held}, [&] { return manager->doDeleteOnlyThisOperatorWithEvent(held); }))
        qWarning() << "Item" << held->primaryKey() << "could not be deleted";
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(Popover::shouldCloseNotification, sender);
}

}  // namespace ItemCommands
