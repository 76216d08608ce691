#include "GuruView.h"

#include "Color.h"
#include "Font.h"
#include "TextField.h"
#include "TextMeasure.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr double margin = 12;
constexpr double fontSize = 12;
// A borderless label keeps this much of its frame clear on every side.
constexpr double labelInset = 1;

Font tipFont()
{
    return Font::fontWithName(QStringLiteral("Lucida Grande"), fontSize);
}

}  // namespace

GuruView::GuruView(QWidget* parent) : View(QRectF(0, 0, width, 2 * margin), parent)
{
    m_label = TextField::labelWithString(QString(), QRectF(margin, margin, width - 2 * margin, 0), this);
    m_label->setTextFont(tipFont());
    m_label->setWraps(true);
}

GuruView::~GuruView() = default;

void GuruView::setText(const QString& text)
{
    const double textWidth = width - 2 * margin;
    const double textHeight =
        std::ceil(TextMeasure::heightOfText(text, tipFont(), textWidth - 2 * labelInset)) + 2 * labelInset;
    m_label->setStringValue(text);
    m_label->setFrame(QRectF(margin, margin, textWidth, textHeight));
    setFrameSize(QSizeF(width, textHeight + 2 * margin));
}

QString GuruView::text() const
{
    return m_label->stringValue();
}

void GuruView::drawRect(QPainter& painter, const QRectF&)
{
    painter.fillRect(bounds(), Color::white());
}
