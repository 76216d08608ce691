#pragma once

#include "ModelTypes.h"
#include "View.h"

// The list of a category's items in its detail panel; its rows are
// CategoryDetailListItemViews. Until it is built it lists nothing and counts
// what it was asked.
class CategoryDetailListView : public View {
    Q_OBJECT

public:
    explicit CategoryDetailListView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryDetailListView() override;

    void deselectAll();
    // The category's items are not listed yet: nothing is revealed or
    // opened, and there is nothing to refresh.
    bool revealToTask(const TaskPtr&) { return false; }
    bool showPopupEditDetail(const TaskPtr&) { return false; }
    void reloadData(const TaskPtr&) {}
    void moveToTop(const TaskPtr&) {}
    int deselectCount() const { return m_deselectCount; }

private:
    int m_deselectCount = 0;
};
