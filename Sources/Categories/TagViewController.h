#pragma once

#include "PopoverViewController.h"

// The tag filter popover of the main window's tag button.
class TagViewController : public PopoverViewController {
    Q_OBJECT

public:
    explicit TagViewController(QObject* parent = nullptr);
    ~TagViewController() override;

    // Shows a new content view beside the view (nothing without a view).
    void tagViewPopOverAtPositionView(View* view);
protected:
    View* makeContentView(const QRectF& frame) override;
    void turnOffOpener() override;
};
