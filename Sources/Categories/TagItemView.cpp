#include "TagItemView.h"

#include "Button.h"
#include "Color.h"
#include "Font.h"
#include "NamedImages.h"
#include "Tag.h"
#include "TextField.h"
#include "UIUtilities.h"

#include <QPainter>

#include <cmath>

QColor TagItemView::selectionColor()
{
    return Color::calibratedRGB(249 / 255.0, 251 / 255.0, 193 / 255.0);
}

TagItemView::TagItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    const double h = frame.height();
    m_showHideBtn = UIUtilities::createCheckboxWithFrame(QRectF(5, (h - 20) / 2, 20, 20), this, [](Button*) {},
                                                         NamedImages::imageNamed(QStringLiteral("checkbox_none")),
                                                         NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    addSubview(m_showHideBtn);
    m_tagName = TextField::labelWithString(QString(), QRectF(42, (h - 20) / 2, 150, 20));
    m_tagName->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    m_tagName->setWraps(true);
    addSubview(m_tagName);
}

TagItemView::~TagItemView() = default;

void TagItemView::setTag(const TagPtr& tag)
{
    m_tag = tag;
    m_tagName->setStringValue(tag ? tag->tagName() : QString());
    m_showHideBtn->setState(tag && !tag->isHidden() ? 1 : 0);
}

void TagItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    const double w = frame().width(), h = frame().height();
    m_showHideBtn->setFrame(QRectF(5, (h - 20) / 2, 20, 20));
    m_tagName->setFrame(QRectF(30, std::round((h - 20) / 2 - 2), std::max(0.0, w - 35), 20));
}

void TagItemView::drawSelectionInRect(QPainter& painter, const QRectF&)
{
    painter.fillRect(bounds(), selectionColor());
}
