#include "TaskListItemView.h"

TaskListItemView::TaskListItemView(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

TaskListItemView::~TaskListItemView() = default;
