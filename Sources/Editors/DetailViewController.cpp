#include "DetailViewController.h"

#include "CoreData.h"
#include "EventDetailView.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "Scheduler.h"
#include "Task.h"
#include "View.h"

#include <QDebug>

namespace {
QList<DetailViewController*>& liveControllers()
{
    static QList<DetailViewController*> controllers;
    return controllers;
}
}  // namespace

DetailViewController* DetailViewController::showing(const View* page)
{
    if (!page) return nullptr;
    for (DetailViewController* controller : liveControllers())
        if (controller->m_customView == page && controller->m_popover && controller->m_popover->isShown())
            return controller;
    return nullptr;
}

DetailViewController* DetailViewController::forPage(View* page)
{
    if (DetailViewController* controller = showing(page)) return controller;
    auto* own = page->findChild<DetailViewController*>(QString(), Qt::FindDirectChildrenOnly);
    return own ? own : new DetailViewController(page);
}

DetailViewController::DetailViewController(QObject* parent) : QObject(parent)
{
    liveControllers().append(this);
    // Once, for the controller's life: every open shows in the same place.
    NotificationCenter::defaultCenter().addObserver(this, Popover::shouldCloseNotification, nullptr,
                                                    [this](const Notification&) { shouldClose(); });
}

DetailViewController::~DetailViewController()
{
    liveControllers().removeAll(this);
    NotificationCenter::defaultCenter().removeObserver(this);
    m_reloadTimer.invalidate();
    if (m_popover) {
        disconnect(m_popover, nullptr, this, nullptr);
        MainViewAccess* mainView = MainViewAccess::current();
        if (mainView && mainView->popover() == m_popover) {
            mainView->setPopover(nullptr);
            mainView->setHasPopup(false);
        }
        delete m_popover;
    }
}

void DetailViewController::editTask(const TaskPtr& item, View* positioningView)
{
    if (!item) {
        qWarning() << "An editor was asked for without an item";
        return;
    }
    const qint64 type = item->taskType();
    open(type == 1 ? Request::TaskEditor : Request::EventEditor, item, positioningView, nullptr, true, [&] {
        if (type == 0) return makeEventEditor(item, positioningView);
        if (type == 1) {
            if (const EditorPages::TaskEditorMaker& maker = EditorPages::taskEditorMaker()) return maker(item, positioningView);
            qInfo() << "The task editor is not installed; task" << item->primaryKey() << "opens nothing";
            return EditorContent{};
        }
        qWarning() << "No editor for an item of type" << type;
        return EditorContent{};
    });
}

void DetailViewController::editNote(const TaskPtr& note, View* positioningView, View* parent)
{
    if (!note) {
        qWarning() << "A note editor was asked for without a note";
        return;
    }
    open(Request::NoteEditor, note, positioningView, parent, true, [&] {
        NotePages* pages = NotePages::current();
        if (note->taskType() != 3) {
            qWarning() << "A note editor was asked for an item of type" << note->taskType();
            return EditorContent{};
        }
        if (!pages) return EditorContent{};
        // From the note's own text pane the details stand beside the pane's
        // parent; from a list row (or anything else) the editor stands at
        // the row.
        if (positioningView->inherits("NoteContentView")) {
            EditorContent content = pages->makeNoteDetailView(note, parent);
            if (!content.anchor) content.anchor = parent;
            return content;
        }
        return pages->makeNoteView(note, positioningView, parent);
    });
}

void DetailViewController::detailLink(const TaskPtr& item, View* positioningView)
{
    if (!item) {
        qWarning() << "A link list was asked for without an item";
        return;
    }
    open(Request::Links, item, positioningView, nullptr, false, [&] {
        NotePages* pages = NotePages::current();
        return pages ? pages->makeLinkDetailView(item, positioningView) : EditorContent{};
    });
}

void DetailViewController::addLink(const TaskPtr& item, View* positioningView, int previousType)
{
    if (!item) {
        qWarning() << "The add-link page was asked for without an item";
        return;
    }
    open(Request::AddLink, item, positioningView, nullptr, false, [&] {
        NotePages* pages = NotePages::current();
        return pages ? pages->makeAddLinkView(item, positioningView, previousType) : EditorContent{};
    });
}

EditorContent DetailViewController::makeEventEditor(const TaskPtr& item, View* positioningView)
{
    auto* editor = new EventDetailView(QRectF(0, 0, eventEditorWidth, 100));
    editor->setType(1);
    editor->loadDataFromTask(item);
    editor->setParentView(positioningView);
    QPointer<EventDetailView> guarded(editor);
    return EditorContent{editor, [guarded] {
                             if (guarded) guarded->revertInfo();
                         }};
}

void DetailViewController::open(Request request, const TaskPtr& item, View* positioningView, View* parent,
                                bool linksTab, const PageBuilder& build)
{
    m_lastRequest = LastRequest{request, item, positioningView, parent};
    ++m_requestCount;
    if (!positioningView || !positioningView->isVisible()) {
        qWarning() << "An editor was asked for beside a view that is not on screen; nothing opens";
        return;
    }
    MainViewAccess* mainView = MainViewAccess::current();
    // The link section of the page about to load opens on its links tab.
    if (linksTab && mainView) mainView->setCurrentItemContentTab(2);

    EditorContent content = build();
    if (!content.view) {
        // Never an earlier item's page again: without a page nothing shows.
        qInfo() << "No page for this open of item" << item->primaryKey() << "; nothing shows";
        return;
    }

    makePopoverIfNeeded();
    if (mainView) mainView->setPopover(m_popover);
    m_popover->setContentView(content.view);
    m_customView = content.view;
    m_revertInfo = std::move(content.revertInfo);
    m_popover->showRelativeToRect(QRectF(), content.anchor ? content.anchor : positioningView, RectEdge::MaxX);
    if (!m_popover->isShown()) {
        qWarning() << "The editor popover could not show";
        return;
    }
    if (mainView) mainView->setHasPopup(true);
}

void DetailViewController::makePopoverIfNeeded()
{
    if (m_popover) return;
    m_popover = new Popover(this);
    m_popover->setBehavior(PopoverBehavior::Semitransient);
    connect(m_popover, &Popover::willShow, this, &DetailViewController::popoverWillShow);
    connect(m_popover, &Popover::didShow, this, &DetailViewController::popoverDidShow);
    connect(m_popover, &Popover::didClose, this, &DetailViewController::popoverDidClose);
}

void DetailViewController::dropPopover()
{
    if (!m_popover) return;
    Popover* popover = m_popover;
    m_popover = nullptr;
    disconnect(popover, nullptr, this, nullptr);
    // Later: this may run inside the popover's own close.
    popover->deleteLater();
}

void DetailViewController::shouldClose()
{
    MainViewAccess* mainView = MainViewAccess::current();
    // Marked first: the close below reports itself at once, and a close the
    // program asked for starts no delayed refresh.
    if (mainView) {
        mainView->setHasPopup(false);
        mainView->setIsManualClose(true);
    }
    if (m_popover) {
        if (m_popover->isShown())
            m_popover->close();
        else
            dropPopover();
    }
    if (mainView) {
        if (Popover* held = mainView->popover()) held->close();
        mainView->setPopover(nullptr);
    }
}

void DetailViewController::popoverWillShow()
{
    if (MainViewAccess* mainView = MainViewAccess::current()) {
        mainView->setCanRefreshData(false);
        mainView->setIsManualClose(false);
    }
}

void DetailViewController::popoverDidShow()
{
    popoverWillShow();
}

void DetailViewController::popoverDidClose(PopoverCloseReason reason)
{
    if (m_revertInfo) m_revertInfo();
    m_revertInfo = nullptr;
    dropPopover();
    MainViewAccess* mainView = MainViewAccess::current();
    if (!mainView) return;
    mainView->setHasPopup(false);
    const bool askedByProgram = mainView->isManualClose() || reason == PopoverCloseReason::ShouldClose;
    if (!askedByProgram) {
        mainView->setCanRefreshData(true);
        m_reloadTimer.invalidate();
        QPointer<DetailViewController> self(this);
        m_reloadTimer = Scheduler::current().scheduleTimer(reloadDelaySeconds, false, [self] {
            if (self) self->handleReloadDataIfNeed();
        });
    }
    mainView->setIsManualClose(false);
}

void DetailViewController::handleReloadDataIfNeed()
{
    m_reloadTimer.invalidate();
    MainViewAccess* mainView = MainViewAccess::current();
    if (mainView && !mainView->canRefreshData()) return;
    if (CoreData* dataManager = CoreData::shared()) dataManager->pushAddedItemInPreviewToAdesIfNeed();
}
