#include "SearchView.h"

#include "Common.h"
#include "ScrollView.h"
#include "SearchResultView.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <QPainter>

#include <algorithm>

SearchView::SearchView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    const double height = frame.height();
    m_searchResultLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(5, 0, 100, 18));
    m_searchResultLabel->setStringValue(TextTable::localizedString(QStringLiteral("searchResultText")));
    addSubview(m_searchResultLabel);

    // A frame smaller than the title strip leaves an empty list, never a
    // negative size.
    const QRectF scrollFrame(1, titleHeight, std::max(0.0, width - 2), std::max(0.0, height - titleHeight));
    m_scrollView = new ScrollView(scrollFrame);
    m_scrollView->setHasVerticalScroller(true);
    m_scrollView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    addSubview(m_scrollView);

    m_resultView = new SearchResultView(QRectF(0, 0, m_scrollView->contentSize().width(), scrollFrame.height()));
    m_resultView->setAutoresizingMask(ViewWidthSizable);
    m_scrollView->setDocumentView(m_resultView);
}

SearchView::~SearchView() = default;

void SearchView::loadSearchResultWithSearchText(const QString& text)
{
    m_resultView->loadSearchResultWithSearchText(text);
}

void SearchView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    m_resultView->reloadData(changedItems);
}

void SearchView::drawRect(QPainter& painter, const QRectF&)
{
    const double width = bounds().width();
    painter.fillRect(QRectF(0, 0, width, titleHeight), QColor(Qt::lightGray));
    painter.fillRect(QRectF(0, titleHeight, width, std::max(0.0, bounds().height() - titleHeight)), Common::addNewViewColor());
}
