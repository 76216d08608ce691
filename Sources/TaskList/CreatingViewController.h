#pragma once

#include "CreatingView.h"
#include "Popover.h"

#include <QObject>
#include <QPointer>

class Button;
class View;

// The quick create popover of the quick-add bar's add button: a fresh
// CreatingView for every showing, under the button, closing on a press
// elsewhere in the main window or on "NSPopOver should close". The main
// view's hasPopup is set while it shows.
class CreatingViewController : public QObject {
    Q_OBJECT

public:
    // `addNewBtn` is the bar's toggle; it is switched off when the popover
    // closes by itself.
    explicit CreatingViewController(Button* addNewBtn, QObject* parent = nullptr);
    ~CreatingViewController() override;

    // Shows the popover for the type (0 event, 1 task, 2 note, 3 category)
    // under the view.
    void showViewPopOverAtPositionView(View* positioningView, qint32 objType);

    // The popover closed, whatever closed it: the button goes off, the
    // popover goes and the main view has no popup.
    void popoverDidClose(PopoverCloseReason reason);
    // "NSPopOver should close": closes a shown popover.
    void shouldClose();
    // The view changed size: the shown popover takes its new size in place.
    void resize();

    Popover* popover() const { return m_popover; }
    CreatingView* customView() const { return m_customView; }

private:
    void makePopoverIfNeeded();
    void dropPopover();

    QPointer<Button> m_addNewBtn;
    QPointer<Popover> m_popover;
    QPointer<CreatingView> m_customView;
    QPointer<View> m_positioningView;
};
