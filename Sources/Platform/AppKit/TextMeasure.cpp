#include "TextMeasure.h"

#include <QCache>
#include <QFontMetricsF>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QChar lineBreak = u'\n';

// QTextLayout breaks lines only at a Unicode line separator.
QString withLineSeparators(const QString& text)
{
    QString copy = text;
    copy.replace(lineBreak, QChar::LineSeparator);
    return copy;
}

bool usable(qreal width)
{
    return std::isfinite(width) && width > 0;
}

// Wraps in the base font's pixels.
QStringList wrapAtBase(const QString& text, const Font& font, qreal baseWidth)
{
    QStringList lines;
    const QString laidText = withLineSeparators(text);
    QTextLayout layout(laidText, font.baseFont());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(baseWidth);
        QString piece = laidText.mid(line.textStart(), line.textLength());
        piece.remove(QChar::LineSeparator);
        while (!piece.isEmpty() && piece.back().isSpace()) piece.chop(1);
        lines.append(piece);
    }
    layout.endLayout();
    if (lines.isEmpty()) lines.append(QString());
    return lines;
}

}  // namespace

qreal TextMeasure::lineHeight(const Font& font)
{
    return QFontMetricsF(font.baseFont()).lineSpacing() * font.baseScale();
}

qreal TextMeasure::ascent(const Font& font)
{
    return QFontMetricsF(font.baseFont()).ascent() * font.baseScale();
}

QSizeF TextMeasure::sizeOfText(const QString& text, const Font& font)
{
    const QFontMetricsF metrics(font.baseFont());
    qreal widest = 0;
    qsizetype lineCount = 0;
    for (QStringView line : QStringView(text).split(lineBreak)) {
        widest = std::max(widest, metrics.horizontalAdvance(line.toString()));
        ++lineCount;
    }
    return {widest * font.baseScale(), lineCount * metrics.lineSpacing() * font.baseScale()};
}

qreal TextMeasure::heightOfText(const QString& text, const Font& font, qreal width)
{
    return wrappedLines(text, font, width).size() * lineHeight(font);
}

QStringList TextMeasure::wrappedLines(const QString& text, const Font& font, qreal width)
{
    if (!usable(width)) return text.split(lineBreak);
    return wrapAtBase(text, font, width / font.baseScale());
}

QString TextMeasure::elidedText(const QString& text, const Font& font, qreal width, Qt::TextElideMode mode)
{
    if (mode == Qt::ElideNone) return text;
    if (!std::isfinite(width)) return text;
    if (width <= 0) return {};
    return QFontMetricsF(font.baseFont()).elidedText(text, mode, width / font.baseScale());
}

namespace {

// Wrapping is the costly part of drawing a label, and views draw the same
// labels in the same boxes again and again (every box of the day grid on
// every repaint): the last answers are kept, per thread.
struct WrapKey {
    QString text;
    QString fontKey;
    double width;
    double height;
    bool operator==(const WrapKey&) const = default;
};

size_t qHash(const WrapKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.fontKey, key.width, key.height);
}

QCache<WrapKey, QStringList>& wrapCache()
{
    thread_local QCache<WrapKey, QStringList> cache(2000);
    return cache;
}

QString fontKeyOf(const Font& font)
{
    return font.baseFont().key() + QLatin1Char('/') + QString::number(font.pixelSize());
}

}  // namespace

QStringList TextMeasure::elidedWrappedLines(const QString& text, const Font& font, const QSizeF& size)
{
    const WrapKey key{text, fontKeyOf(font), size.width(), size.height()};
    if (const QStringList* known = wrapCache().object(key)) return *known;
    const QStringList lines = computeElidedWrappedLines(text, font, size);
    wrapCache().insert(key, new QStringList(lines));
    return lines;
}

QStringList TextMeasure::computeElidedWrappedLines(const QString& text, const Font& font, const QSizeF& size)
{
    QStringList lines = wrappedLines(text, font, size.width());
    const qreal height = size.height();
    // A hair's tolerance, so that a box made from lineHeight() by arithmetic
    // that rounded down still holds its last line.
    const qsizetype fitting =
        std::isfinite(height) ? std::max<qsizetype>(1, qsizetype(std::floor(height / lineHeight(font) + 1e-3)))
                              : lines.size();
    if (lines.size() <= fitting) return lines;

    // The last line shown holds the rest of the text, cut at its tail.
    QStringList rest = lines.mid(fitting - 1);
    lines.resize(fitting - 1);
    const QString tail = rest.join(QLatin1Char(' '));
    QString last = elidedText(tail, font, size.width(), Qt::ElideRight);
    if (!last.endsWith(QChar(0x2026))) {
        // The rest fits on one line, yet more text is hidden: mark it anyway.
        last = elidedText(tail + QChar(0x2026), font, size.width(), Qt::ElideRight);
        if (!last.endsWith(QChar(0x2026))) last.append(QChar(0x2026));
    }
    lines.append(last);
    return lines;
}
