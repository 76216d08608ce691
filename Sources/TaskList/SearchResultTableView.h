#pragma once

#include "View.h"

// The table of search results. Until search is built it lists nothing and
// counts what it was asked.
class SearchResultTableView : public View {
    Q_OBJECT

public:
    explicit SearchResultTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~SearchResultTableView() override;

    void deselectAll();
    int deselectCount() const { return m_deselectCount; }

private:
    int m_deselectCount = 0;
};
