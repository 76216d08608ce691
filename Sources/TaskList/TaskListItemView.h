#pragma once

#include "View.h"

// A row of the task list; it posts "Task changed" with itself as object
// after the user edits its task there. Rows come with the task list.
class TaskListItemView : public View {
    Q_OBJECT

public:
    explicit TaskListItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TaskListItemView() override;
};
