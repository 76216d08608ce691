#pragma once

#include "View.h"

// A row of a category's item list: a sender of "Task changed" and the
// source of drags from that list. Rows come with the category list.
class CategoryDetailListItemView : public View {
    Q_OBJECT

public:
    explicit CategoryDetailListItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryDetailListItemView() override;
};
