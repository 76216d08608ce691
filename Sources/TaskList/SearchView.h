#pragma once

#include "ModelTypes.h"
#include "View.h"

#include <QHash>
#include <QVariant>

class ScrollView;
class SearchResultView;
class TextField;

// The quick-add bar's search panel: a title strip over the list of found
// items in a scroll view. It passes loading and refreshing on to the list.
class SearchView : public View {
    Q_OBJECT

public:
    static constexpr double titleHeight = 20;

    explicit SearchView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~SearchView() override;

    void loadSearchResultWithSearchText(const QString& text);
    void reloadData(const QHash<QString, QVariant>& changedItems);

    SearchResultView* resultView() const { return m_resultView; }
    TextField* searchResultLabel() const { return m_searchResultLabel; }
    ScrollView* scrollView() const { return m_scrollView; }

    void drawRect(QPainter& painter, const QRectF& dirty) override;

private:
    TextField* m_searchResultLabel = nullptr;
    ScrollView* m_scrollView = nullptr;
    SearchResultView* m_resultView = nullptr;
};
