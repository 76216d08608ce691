#pragma once

#include "PopoverViewController.h"

// The add-project popover of the category list, left of its button.
class CategoryViewController : public PopoverViewController {
    Q_OBJECT

public:
    explicit CategoryViewController(QObject* parent = nullptr);
    ~CategoryViewController() override;

    // Shows a new content view beside the view (nothing without a view).
    void addCategoryPopOverAtPositionView(View* view);


protected:
    View* makeContentView(const QRectF& frame) override;
};
