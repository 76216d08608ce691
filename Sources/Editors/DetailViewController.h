#pragma once

#include "EditorPages.h"
#include "ModelTypes.h"
#include "Popover.h"
#include "ScheduledTimer.h"

#include <QObject>
#include <QPointer>

class View;

// Opens the item editors, a note's editor and an item's link pages in a
// popover beside the view that asks. Made on first use by the view that
// opens editors and kept by it.
//
// The popover stands at the anchor's right side and closes on a press
// elsewhere in the anchor's window or on "NSPopOver should close". It keeps
// the main view's popover state in step (popover, hasPopup,
// canRefreshData, isManualClose, currentItemContentTab). After a close by
// the user, an item made in preview goes to the working list 2.0 s later
// unless another popover opened meanwhile.
class DetailViewController : public QObject {
    Q_OBJECT

public:
    static constexpr double eventEditorWidth = 330;
    static constexpr double reloadDelaySeconds = 2.0;

    explicit DetailViewController(QObject* parent = nullptr);
    ~DetailViewController() override;

    // The task editor for a task (taskType 1), the event editor for an
    // event, an all-day event or a scheduled task (taskType 0).
    void editTask(const TaskPtr& item, View* positioningView);
    // The item's editor on its links page.
    void detailLink(const TaskPtr& item, View* positioningView);
    void editNote(const TaskPtr& note, View* positioningView, View* parent);
    void addLink(const TaskPtr& item, View* positioningView, int previousType);

    // "NSPopOver should close": closes without the delayed refresh.
    void shouldClose();
    // The popover's own calls.
    void popoverWillShow();
    void popoverDidShow();
    void popoverDidClose(PopoverCloseReason reason);
    // The delayed refresh after a close by the user.
    void handleReloadDataIfNeed();

    // The controller whose popover shows the page now; null when none does.
    // A page that opens another one asks it, so that the new page replaces
    // it in the same popover.
    static DetailViewController* showing(const View* page);
    // That controller, else the page's own, made on first use as the
    // page's child.
    static DetailViewController* forPage(View* page);

    Popover* popover() const { return m_popover; }
    // The page shown now (none before the first open and after a close).
    View* customView() const { return m_customView; }
    bool isReloadPending() const { return m_reloadTimer.isValid(); }

    enum class Request { None, TaskEditor, EventEditor, Links, NoteEditor, AddLink };
    struct LastRequest {
        Request request = Request::None;
        TaskPtr item;
        QPointer<View> positioningView;
        QPointer<View> parentView;
    };
    // The last request, whether or not it showed anything; Request::None
    // before the first.
    const LastRequest& lastRequest() const { return m_lastRequest; }
    int requestCount() const { return m_requestCount; }

private:
    using PageBuilder = std::function<EditorContent()>;
    void open(Request request, const TaskPtr& item, View* positioningView, View* parent, bool linksTab,
              const PageBuilder& build);
    void makePopoverIfNeeded();
    void dropPopover();
    static EditorContent makeEventEditor(const TaskPtr& item, View* positioningView);

    QPointer<Popover> m_popover;
    QPointer<View> m_customView;
    std::function<void()> m_revertInfo;
    ScheduledTimer m_reloadTimer;
    LastRequest m_lastRequest;
    int m_requestCount = 0;
};
