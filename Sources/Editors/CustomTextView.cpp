#include "CustomTextView.h"

#include "AlertPresenter.h"
#include "Drawing.h"
#include "TextTable.h"

#include <QLocale>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {
const QColor watermarkColor(160, 160, 160);
const QColor ruleColor(Qt::lightGray);
const QChar openMark(0x274E);
const QChar doneMark(0x2705);
}  // namespace

const QColor CustomTextView::noteColor(250, 248, 226);

CustomTextView::CustomTextView(const QRectF& frame, const QString& watermarkText, QWidget* parent)
    : TextView(frame, parent), m_watermark(watermarkText)
{
    setShowNoteLine(true);
    setDrawAfter([this](QPainter& painter, const QRectF& visible) { drawAfterText(painter, visible); });
    setOnFocusChanged([this](TextView*, bool) { setNeedsDisplay(); });
    // The paste goes in with its marks on lines of their own, so the text
    // is laid out once. A mark right after it is still put on its own line
    // by rewriting the whole text (the caret is not brought back).
    // (A view of one line, a title, has no checklist: its marks stay where they are.)
    setPasteFilter([](TextView* view, const QString& pasted) {
        const int start = view->selectedRange().first;
        return textToPaste(pasted, start > 0 ? view->string().at(start - 1) : QChar(), !view->returnEndsEditing());
    });
    setOnPaste([this](TextView*) {
        if (returnEndsEditing()) return;
        const QString text = string();
        const QString fixed = marksOnOwnLines(text);
        if (fixed == text) return;
        setString(fixed);
        markEdited();
    });
}

CustomTextView::~CustomTextView() = default;

QString CustomTextView::marksOnOwnLines(const QString& text)
{
    // One pass into a new string: inserting in place moves the rest of a
    // pasted megabyte once per mark.
    QString fixed;
    fixed.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (i > 0 && (c == openMark || c == doneMark) && text.at(i - 1) != QLatin1Char('\n'))
            fixed.append(QLatin1Char('\n'));
        fixed.append(c);
    }
    return fixed;
}

namespace {

// The longest run of the text with no place to break a line in it.
qsizetype longestUnbreakableRun(const QString& text)
{
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype longest = 0;
    qsizetype last = 0;
    for (qsizetype at = breaks.toNextBoundary(); at >= 0; at = breaks.toNextBoundary()) {
        longest = std::max(longest, at - last);
        last = at;
    }
    return longest;
}

}  // namespace

QString CustomTextView::textToPaste(const QString& pasted, QChar before, bool marksOnLines)
{
    if (pasted.size() > pasteLimit || longestUnbreakableRun(pasted) > pasteWordLimit) {
        AlertRequest request;
        request.style = AlertStyle::Warning;
        request.messageText = TextTable::localizedString(QStringLiteral("pasteTooLongText"));
        request.informativeText = TextTable::localizedString(QStringLiteral("pasteTooLongMessage"))
                                      .arg(QLocale().toString(pasteLimit), QLocale().toString(pasteWordLimit));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        AlertPresenter::current().runModal(request);
        return QString();
    }
    if (!marksOnLines) return pasted;
    if (before.isNull()) return marksOnOwnLines(pasted);
    return marksOnOwnLines(QString(before) + pasted).mid(1);
}

bool CustomTextView::showsWatermark() const
{
    return !m_watermark.isEmpty() && string().isEmpty() && !hasKeyboardFocus();
}

QPointF CustomTextView::watermarkOrigin() const
{
    // Without the lines the watermark stands level with the first line's
    // text; higher up its capitals would be cut off at the top edge.
    return m_showNoteLine ? QPointF(5, 5) : QPointF(5, 1);
}

Font CustomTextView::watermarkFont()
{
    return Font::fontWithName(QStringLiteral("Helvetica Neue Italic"), 11);
}

void CustomTextView::setShowNoteLine(bool show)
{
    m_showNoteLine = show;
    setBackgroundColor(show ? noteColor : QColor(Qt::white));
    setNeedsDisplay();
}

QList<double> CustomTextView::noteLineYs(double height)
{
    // Each base is the last plus the pitch, cut to a whole point; the line
    // lies half a point below it so that it fills one pixel row.
    QList<double> ys;
    for (double base = 20; base < height; base = std::floor(base + notePitch)) ys.append(base + 0.5);
    return ys;
}

void CustomTextView::focusMe()
{
    focus();
}

void CustomTextView::setOnEndEditing(std::function<void(CustomTextView*)> onEnd)
{
    TextView::setOnEndEditing([this, onEnd = std::move(onEnd)](TextView*) {
        setNeedsDisplay();
        if (onEnd) onEnd(this);
    });
}

void CustomTextView::setOnSelectionChanged(std::function<void(CustomTextView*)> onChange)
{
    TextView::setOnSelectionChanged([this, onChange = std::move(onChange)](TextView*) {
        if (onChange) onChange(this);
    });
}

void CustomTextView::drawAfterText(QPainter& painter, const QRectF& visible)
{
    if (showsWatermark()) {
        const Font font = watermarkFont();
        const QPointF origin = watermarkOrigin();
        Drawing::drawText(painter, m_watermark, font, watermarkColor,
                          QRectF(origin, QSizeF(std::max(0.0, bounds().width() - origin.x() - 2), 40)),
                          Qt::AlignLeft | Qt::AlignTop, Qt::ElideRight);
    }
    if (!m_showNoteLine) return;
    painter.save();
    painter.setPen(QPen(ruleColor, 1));
    const double height = std::max(bounds().height(), documentHeight());
    const double right = bounds().width();
    for (const double y : noteLineYs(height)) {
        if (y < visible.top() - 1 || y > visible.bottom() + 1) continue;
        painter.drawLine(QPointF(0, y), QPointF(right, y));
    }
    painter.restore();
}
