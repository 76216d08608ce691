#include "StringExtensions.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>

namespace StringExtensions {

namespace {

// The layout engine breaks lines only at the Unicode line separator.
QString withLineSeparators(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    for (const QChar breakChar : {QChar(u'\n'), QChar(u'\r'), QChar(QChar::ParagraphSeparator)})
        result.replace(breakChar, QChar::LineSeparator);
    return result;
}

}  // namespace

QSizeF sizeWithWidth(const QString& text, float width, const QFont& font)
{
    QTextLayout layout(withLineSeparators(text), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        height += line.height();
    }
    layout.endLayout();
    return QSizeF(width, height);
}

double widthWithFont(const QString& text, const QFont& font)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

}  // namespace StringExtensions
