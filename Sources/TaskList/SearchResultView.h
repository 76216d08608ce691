#pragma once

#include "View.h"

class SearchResultTableView;

// The quick-add bar's search results: a sender of "Task changed" after an
// edit of a found item, and the holder of the table the results list in.
class SearchResultView : public View {
    Q_OBJECT

public:
    explicit SearchResultView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~SearchResultView() override;

    SearchResultTableView* resultView() const { return m_resultView; }

private:
    SearchResultTableView* m_resultView = nullptr;
};
