#include "TextMeasure.h"

#include <QCache>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHash>
#include <QTextLayout>

#include <algorithm>
#include <atomic>
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

// Kept fonts and shaped glyphs hold on to the application's font engines:
// they are dropped as the application ends, before it takes its fonts down,
// rather than when the thread's storage goes after it.
std::atomic<bool> forgetsAtApplicationEnd{false};

void forgetAtApplicationEnd()
{
    if (forgetsAtApplicationEnd.exchange(true)) return;
    qAddPostRoutine([] {
        forgetsAtApplicationEnd = false;
        TextMeasure::forgetKeptAnswers();
    });
}

// Keys hold the whole QFont and compare it whole; their hash takes only the
// size and style, as Qt's own hash of a font reads every family name and
// setting, and the views use one family.
size_t faceHash(const QFont& face, size_t seed)
{
    return qHashMulti(seed, face.pixelSize(), face.weight(), face.italic());
}

struct FaceKey {
    QFont face;
    bool operator==(const FaceKey&) const = default;
};

size_t qHash(const FaceKey& key, size_t seed = 0)
{
    return faceHash(key.face, seed);
}

// The same few fonts are measured thousands of times a paint, and
// QFontMetricsF looks the face up again each time it is made.
struct FontLineFacts {
    qreal lineSpacing;
    qreal ascent;
    qreal leading;
};

QHash<FaceKey, FontLineFacts>& lineFactsCache()
{
    thread_local QHash<FaceKey, FontLineFacts> known;
    return known;
}

const FontLineFacts& lineFactsOf(const QFont& base)
{
    QHash<FaceKey, FontLineFacts>& known = lineFactsCache();
    auto found = known.constFind(FaceKey{base});
    if (found == known.cend()) {
        if (known.size() >= 256) known.clear();
        const QFontMetricsF metrics(base);
        forgetAtApplicationEnd();
        found = known.insert(FaceKey{base}, {metrics.lineSpacing(), metrics.ascent(), metrics.leading()});
    }
    return *found;
}

// Widths and elisions of single lines, in the base font's pixels: labels
// measure the same texts in the same fonts at every paint. The key holds
// everything the answer depends on, so a changed text, font or width is a
// new question, never a stale answer.
struct LineMeasureKey {
    QString text;
    QFont font;
    double width;  // of the elision; -1 for a plain width
    int mode;
    bool operator==(const LineMeasureKey&) const = default;
};

size_t qHash(const LineMeasureKey& key, size_t seed = 0)
{
    return qHashMulti(faceHash(key.font, seed), key.text, key.width, key.mode);
}

QCache<LineMeasureKey, qreal>& lineWidthCache()
{
    thread_local QCache<LineMeasureKey, qreal> cache(4000);
    return cache;
}

QCache<LineMeasureKey, QString>& elisionCache()
{
    thread_local QCache<LineMeasureKey, QString> cache(2000);
    return cache;
}

qreal baseWidthOfLine(const QString& line, const QFont& base)
{
    LineMeasureKey key{line, base, -1, 0};
    if (const qreal* known = lineWidthCache().object(key)) return *known;
    const qreal width = QFontMetricsF(base).horizontalAdvance(key.text);
    forgetAtApplicationEnd();
    lineWidthCache().insert(std::move(key), new qreal(width));
    return width;
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
    return lineFactsOf(font.baseFont()).lineSpacing * font.baseScale();
}

qreal TextMeasure::ascent(const Font& font)
{
    return lineFactsOf(font.baseFont()).ascent * font.baseScale();
}

QSizeF TextMeasure::sizeOfText(const QString& text, const Font& font)
{
    qreal widest = 0;
    qsizetype lineCount = 0;
    if (!text.contains(lineBreak)) {
        widest = baseWidthOfLine(text, font.baseFont());
        lineCount = 1;
    } else {
        for (QStringView line : QStringView(text).split(lineBreak)) {
            widest = std::max(widest, baseWidthOfLine(line.toString(), font.baseFont()));
            ++lineCount;
        }
    }
    return {widest * font.baseScale(), lineCount * lineFactsOf(font.baseFont()).lineSpacing * font.baseScale()};
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
    const double baseWidth = width / font.baseScale();
    LineMeasureKey key{text, font.baseFont(), baseWidth, int(mode)};
    if (const QString* known = elisionCache().object(key)) return *known;
    const QString elided = QFontMetricsF(font.baseFont()).elidedText(text, mode, baseWidth);
    forgetAtApplicationEnd();
    elisionCache().insert(std::move(key), new QString(elided));
    return elided;
}

namespace {

// Wrapping is the costly part of drawing a label, and views draw the same
// labels in the same boxes again and again (every box of the day grid on
// every repaint): the last answers are kept, per thread.
struct WrapKey {
    QString text;
    QFont font;
    double pixelSize;
    double width;
    double height;
    bool operator==(const WrapKey&) const = default;
};

size_t qHash(const WrapKey& key, size_t seed = 0)
{
    return qHashMulti(faceHash(key.font, seed), key.text, key.pixelSize, key.width, key.height);
}

QCache<WrapKey, QStringList>& wrapCache()
{
    thread_local QCache<WrapKey, QStringList> cache(2000);
    return cache;
}

}  // namespace

QStringList TextMeasure::elidedWrappedLines(const QString& text, const Font& font, const QSizeF& size)
{
    const WrapKey key{text, font.baseFont(), font.pixelSize(), size.width(), size.height()};
    if (const QStringList* known = wrapCache().object(key)) return *known;
    const QStringList lines = computeElidedWrappedLines(text, font, size);
    forgetAtApplicationEnd();
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

namespace {

struct ShapedLineKey {
    QString text;
    QFont face;
    bool operator==(const ShapedLineKey&) const = default;
};

size_t qHash(const ShapedLineKey& key, size_t seed = 0)
{
    return qHashMulti(faceHash(key.face, seed), key.text);
}

QCache<ShapedLineKey, TextMeasure::ShapedLine>& shapedLineCache()
{
    thread_local QCache<ShapedLineKey, TextMeasure::ShapedLine> cache(2000);
    return cache;
}

bool shapesAsOneLine(const QString& line)
{
    return std::none_of(line.cbegin(), line.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
}

}  // namespace

const TextMeasure::ShapedLine* TextMeasure::shapedLine(const QString& line, const QFont& face)
{
    if (!shapesAsOneLine(line)) return nullptr;
    ShapedLineKey key{line, face};
    if (const ShapedLine* known = shapedLineCache().object(key)) return known;
    // A static text is placed by the top of its line: the ascent above the
    // baseline, and the leading when the face has one.
    const FontLineFacts& facts = lineFactsOf(face);
    auto* shaped = new ShapedLine{QStaticText(line), facts.ascent + std::max<qreal>(0, facts.leading),
                                  QFontMetricsF(face).tightBoundingRect(line)};
    shaped->glyphs.setTextFormat(Qt::PlainText);
    shaped->glyphs.setPerformanceHint(QStaticText::AggressiveCaching);
    forgetAtApplicationEnd();
    shapedLineCache().insert(std::move(key), shaped);
    return shaped;
}

void TextMeasure::forgetKeptAnswers()
{
    lineFactsCache().clear();
    lineWidthCache().clear();
    elisionCache().clear();
    wrapCache().clear();
    shapedLineCache().clear();
}
