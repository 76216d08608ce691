#include "PopoverListView.h"

#include "Color.h"
#include "Font.h"
#include "ScrollView.h"
#include "TextField.h"

#include <QPainter>

namespace {

constexpr double margin = 8;
constexpr double titleHeight = 20;
constexpr double titleFontSize = 13;

}  // namespace

PopoverListView::PopoverListView(const QString& title, QWidget* parent) : View(QRectF(0, 0, width, height), parent)
{
    m_titleLabel = TextField::labelWithString(title, QRectF(margin, margin, width - 2 * margin, titleHeight), this);
    m_titleLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), titleFontSize));
    const double listTop = margin + titleHeight + margin / 2;
    m_listView = new ScrollView(QRectF(margin, listTop, width - 2 * margin, height - listTop - margin), this);
    auto* document = new View(QRectF(0, 0, m_listView->contentSize().width(), 0));
    document->setFlipped(true);
    document->setAutoresizingMask(ViewWidthSizable);
    m_listView->setDocumentView(document);
}

PopoverListView::~PopoverListView() = default;

QString PopoverListView::title() const
{
    return m_titleLabel->stringValue();
}

void PopoverListView::drawRect(QPainter& painter, const QRectF&)
{
    painter.fillRect(bounds(), Color::white());
    // The list's area, empty until its rows come.
    painter.setPen(QPen(Color::lightGray(), 1));
    painter.drawRect(m_listView->frame().adjusted(-0.5, -0.5, 0.5, 0.5));
}
