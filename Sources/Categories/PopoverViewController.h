#pragma once

#include "Popover.h"

#include <QObject>
#include <QPointer>
#include <QSizeF>

class MainViewAccess;
class View;

// The one pattern of the category, tag, comment and colour popovers: a
// controller owns at most one popover, made when it is first needed after
// the last one closed; each showing puts a new content view of the
// controller's size into it and anchors it at the clicked view's bounds on
// the controller's edge (in that view's coordinates). The popover follows
// its content view's size in a short animation. "NSPopOver should close"
// closes it; a close by itself (a press outside) is passed on to
// popoverDidClose. All but the colour picker tell the main view that a
// popover is up.
class PopoverViewController : public QObject {
    Q_OBJECT

public:
    // How long the popover takes to follow its content view's size.
    static constexpr double resizeDuration = 0.5;

    struct Traits {
        QSizeF contentSize;
        PopoverBehavior behavior;
        RectEdge preferredEdge;
        bool setsHasPopup;
    };

    ~PopoverViewController() override;

    const Traits& traits() const { return m_traits; }
    // The open popover; null while closed.
    Popover* popover() const { return m_popover; }
    // The content view of the last showing (null once its popover went).
    View* customView() const { return m_customView; }

    // Makes the popover when there is none.
    void _makePopoverIfNeeded();
    // "NSPopOver should close" was posted: the popover closes and goes.
    void shouldClose();
    // The popover closed by itself.
    void popoverDidClose();
    // The show operation of every controller: nothing without a view, logged.
    void showAtPositionView(View* anchor);

protected:
    PopoverViewController(const Traits& traits, QObject* parent);
    // A new content view of the frame, owned by the caller.
    virtual View* makeContentView(const QRectF& frame) = 0;
    // The main window's button that opened the popover shows it closed. It
    // follows every close, asked for or not: a button left on after Apply
    // would take the next click to turn itself off and open nothing.
    virtual void turnOffOpener() {}
    static MainViewAccess* mainView();

private:
    void dropPopover();

    Traits m_traits;
    QPointer<Popover> m_popover;
    QPointer<View> m_customView;
    bool m_observing = false;
};
