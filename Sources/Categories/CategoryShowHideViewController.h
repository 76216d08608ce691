#pragma once

#include "PopoverViewController.h"

// The popover that shows and hides categories, from the main window's button.
class CategoryShowHideViewController : public PopoverViewController {
    Q_OBJECT

public:
    explicit CategoryShowHideViewController(QObject* parent = nullptr);
    ~CategoryShowHideViewController() override;

    // Shows a new content view beside the view (nothing without a view).
    void categoryShowHideViewPopOverAtPositionView(View* view);
protected:
    View* makeContentView(const QRectF& frame) override;
    void turnOffOpener() override;
};
