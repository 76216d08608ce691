#pragma once

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
    int deselectCount() const { return m_deselectCount; }

private:
    int m_deselectCount = 0;
};
