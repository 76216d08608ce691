#include "CategoryDetailListItemView.h"

CategoryDetailListItemView::CategoryDetailListItemView(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

CategoryDetailListItemView::~CategoryDetailListItemView() = default;
