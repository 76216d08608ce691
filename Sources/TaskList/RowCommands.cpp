#include "RowCommands.h"

#include "AlertPresenter.h"
#include "Color.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "DraggingImageComponent.h"
#include "Event.h"
#include "TableView.h"
#include "ImageView.h"
#include "MainViewAccess.h"
#include "Setting.h"
#include "Task.h"
#include "NotificationCenter.h"
#include "RepeatingEditQuestion.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QDebug>

namespace {

AlertRequest okCancelWarning(const QString& message)
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.messageText = message;
    request.showsSuppressionButton = true;
    return request;
}

}  // namespace

bool RowCommands::warnsBeforeDeleting(const CoreData& manager)
{
    const SettingPtr setting = manager.currentSetting();
    return setting && setting->isWarningForDeleting() != 0;
}

bool RowCommands::autoSync(const CoreData& manager)
{
    const SettingPtr setting = manager.currentSetting();
    return setting && setting->autoZVWSync() != 0;
}

bool RowCommands::confirmDelete(const SettingPtr& setting)
{
    AlertRequest request = okCancelWarning(TextTable::localizedString(QStringLiteral("deleteItemText")));
    request.informativeText = TextTable::localizedString(QStringLiteral("deleteItemMessage"));
    const AlertResponse response = AlertPresenter::current().runModal(request);
    if (response.suppressed && setting) setting->setIsWarningForDeleting(0);
    return response.button == AlertResponse::firstButton;
}

bool RowCommands::copyToMakeLink(CoreData& manager, const TaskPtr& item)
{
    if (!item) return false;
    const SettingPtr setting = manager.currentSetting();
    if (setting && setting->isWarningForCopyToLink() == 1) {
        const AlertResponse response =
            AlertPresenter::current().runModal(okCancelWarning(TextTable::localizedString(QStringLiteral("pasteToAnyOtherItemText"))));
        if (response.suppressed) {
            // Saved at once: the explanation is not wanted again, even if
            // the application ends before the next save.
            if (!manager.saveSettingFromView([](Setting& kept) { kept.setIsWarningForCopyToLink(0); }))
                qWarning() << "The settings could not be saved after the copy-link explanation";
        }
        if (response.button != AlertResponse::firstButton) return false;
    }
    manager.setCopiedItem(nullptr);
    manager.setCopiedItem(item->copy());
    return true;
}

bool RowCommands::linkTogether(CoreData& manager, const TaskList& items)
{
    if (items.size() < 2) return false;
    manager.setCopiedItem(items[0]->copy());
    if (manager.commandFromView({items[1]}, [&] { return manager.pasteToMakeLinkWith(items[1]); })) return true;
    qWarning() << "The two selected items were not linked";
    return false;
}

void RowCommands::duplicateItems(CoreData& manager, const TaskList& items)
{
    if (items.isEmpty()) return;
    if (!manager.commandFromView(items, [&] { return manager.doDuplicateTasks(items, autoSync(manager)); }))
        qWarning() << "The selected items were not all duplicated";
}

bool RowCommands::deleteItems(CoreData& manager, const TaskList& items)
{
    if (warnsBeforeDeleting(manager) && !confirmDelete(manager.currentSetting())) return false;
    if (items.isEmpty()) return false;
    if (manager.commandFromView(items, [&] { return manager.doDeleteTasks(items, autoSync(manager)); })) return true;
    qWarning() << "Some of" << items.size() << "selected items could not be deleted";
    return false;
}

bool RowCommands::isRepeating(const Task& item)
{
    return (item.parentId() == -1 && item.repeatType() != 0) || item.primaryKey() < -1;
}

void RowCommands::postTaskChanged(QObject* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, sender);
}

bool RowCommands::deleteOne(CoreData& manager, const TaskPtr& item)
{
    if (!item || item->isShared()) return false;
    const SettingPtr setting = manager.currentSetting();
    const bool warn = setting && setting->isWarningForDeleting() != 0;
    const auto confirmed = [&setting](const QString& title) {
        AlertRequest request = okCancelWarning(title);
        request.informativeText = TextTable::localizedString(QStringLiteral("deleteItemMessage"));
        const AlertResponse response = AlertPresenter::current().runModal(request);
        if (response.suppressed && setting) setting->setIsWarningForDeleting(0);
        return response.button == AlertResponse::firstButton;
    };

    bool deleted = false;
    if (item->taskType() != 0) {
        if (!warn || confirmed(TextTable::localizedString(QStringLiteral("deleteItemText")))) {
            manager.setModifyingTask(item);
            deleted = manager.commandFromView({item}, [&] { return manager.doDeleteTask(item); });
            if (!deleted) qWarning() << "Item" << item->primaryKey() << "could not be deleted";
        }
        return deleted;
    }
    if (!isRepeating(*item)) {
        if (!warn || confirmed(item->isADE() != 0 ? TextTable::localizedString(QStringLiteral("deletingADEText"))
                                                  : TextTable::localizedString(QStringLiteral("deleteItemText")))) {
            deleted = manager.commandFromView({item}, [&] { return manager.doDeleteOnlyThisOperatorWithEvent(item); }) != nullptr;
            if (!deleted) qWarning() << "Event" << item->primaryKey() << "could not be deleted";
        }
        return deleted;
    }
    // A repeating item always asks, without the do-not-ask-again box.
    const bool first = Utilities::compareDateNoTime(item->occurrence(), item->repeatStartDate()) == 0;
    const bool scheduled = item->isSheduledTask();
    const AlertRequest request = repeatingDeleteQuestion(scheduled, first, item->isADE() != 0);
    const int answer = AlertPresenter::current().runModal(request).button;
    if (answer != AlertResponse::firstButton && answer != AlertResponse::secondButton) return false;
    deleted = manager.commandFromView({item}, [&] {
        if (answer == AlertResponse::firstButton) return manager.doDeleteOnlyThisOperatorWithEvent(item);
        return first ? manager.doDeleteAllOperatorWithEvent(item) : manager.doDeleteAllFutureOperatorWithEvent(item);
    }) != nullptr;
    if (!deleted) qWarning() << "Event" << item->primaryKey() << "could not be deleted";
    return deleted;
}

MainViewAccess* RowCommands::holdRefreshOnFirstSelection(int previous)
{
    MainViewAccess* mainView = MainViewAccess::current();
    if (previous < 0 && mainView) mainView->setCanRefreshData(false);
    return mainView;
}

void RowCommands::endClickWait(double& lastMouseDown, ScheduledTimer& timer)
{
    lastMouseDown = 0;
    timer.invalidate();
}

void RowCommands::setUpListLook(TableView& list, double rowHeight, bool multipleSelection)
{
    list.setBackgroundColor(Color::calibratedRGB(1, 1, 1));
    list.setGridStyleMask(TableView::SolidHorizontalGridLine);
    list.setVerticalSpacing(0);
    list.setRowHeight(rowHeight);
    list.setAllowsMultipleSelection(multipleSelection);
    list.setPlacesVisibleRowsOnly(true);
}

bool RowCommands::passControlClick(View& list, const Event& event)
{
    if (!(event.modifierFlags & ControlKeyMask)) return false;
    list.rightMouseDown(event);
    return true;
}

DetailViewController* RowCommands::openLinkDetail(DetailViewController* controller, QObject* list, const TaskPtr& item,
                                                  View* row)
{
    if (!controller) controller = new DetailViewController(list);
    controller->detailLink(item, row);
    return controller;
}

void RowCommands::holdRefreshOnRepeatedClick(bool repeated)
{
    if (repeated)
        if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setCanRefreshData(false);
}

void RowCommands::showDragPreview(ImageView& preview, QImage& image, const TaskPtr& item, const QPointF& at)
{
    if (!item) {
        hideDragPreview(preview, image);
        return;
    }
    const QList<DraggingImageComponent> components = item->draggingSmallImage();
    image = components.isEmpty() ? QImage() : components.front().contents;
    if (image.isNull()) {
        preview.setHidden(true);
        return;
    }
    const QSizeF size = image.deviceIndependentSize();
    preview.setImage(image);
    preview.setFrame(QRectF(at.x(), at.y(), size.width(), size.height()));
    preview.setHidden(false);
    preview.raise();
}

void RowCommands::hideDragPreview(ImageView& preview, QImage& image)
{
    preview.setHidden(true);
    image = QImage();
}
