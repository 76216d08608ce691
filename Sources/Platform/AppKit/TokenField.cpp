#include "TokenField.h"

#include "Drawing.h"
#include "TextMeasure.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

const QColor tokenFill(222, 231, 248);
const QColor tokenBorder(150, 178, 226);
const QColor tokenText(20, 20, 20);
const QColor tokenPlaceholderColor(150, 150, 150);

// Room left and right of a token's text inside its box.
constexpr double tokenTextInset = 6;
// The editor never gets narrower than this after the last token.
constexpr double minimumEditorWidth = 30;

// Case folded and accents taken off: the decomposed form without its
// combining marks.
QString folded(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_SpacingCombining ||
            c.category() == QChar::Mark_Enclosing)
            continue;
        out.append(c);
    }
    return out.toCaseFolded();
}

bool isTokenizingKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

TokenField::TokenField(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_editor = new QLineEdit(this);
    m_editor->setFrame(false);
    m_editor->setAutoFillBackground(false);
    m_editor->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_editor->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_editor->setFont(m_font.widgetFont());
    m_editor->installEventFilter(this);
    connect(m_editor, &QLineEdit::textEdited, this, [this] { typedTextEdited(); });
    placeEditor();
}

TokenField::~TokenField() = default;

void TokenField::setObjectValue(const QStringList& tokens)
{
    m_tokens.clear();
    for (const QString& token : tokens) {
        const QString trimmed = token.trimmed();
        if (!trimmed.isEmpty()) m_tokens.append(trimmed);
    }
    m_editor->clear();
    m_completions.clear();
    m_completionIndex = -1;
    m_edited = false;
    placeEditor();
    setNeedsDisplay();
}

QString TokenField::typedText() const
{
    return m_editor->text();
}

void TokenField::setPlaceholderString(const QString& placeholder)
{
    m_placeholder = placeholder;
    setNeedsDisplay();
}

void TokenField::setTextFont(const Font& font)
{
    m_font = font;
    m_editor->setFont(font.widgetFont());
    placeEditor();
    setNeedsDisplay();
}

double TokenField::tokenWidth(const QString& token, const Font& font)
{
    return std::ceil(TextMeasure::sizeOfText(token, font).width()) + 2 * tokenTextInset;
}

int TokenField::linesForWidth(double contentWidth, double fieldWidth)
{
    if (!(fieldWidth > 0) || !(contentWidth > 0)) return 1;
    return std::max(1, int(std::ceil(contentWidth / fieldWidth)));
}

QList<QRectF> TokenField::tokenFrames(const QList<double>& widths, double fieldWidth)
{
    QList<QRectF> frames;
    frames.reserve(widths.size());
    double x = inset;
    double y = (lineHeight - tokenHeight) / 2;
    for (const double width : widths) {
        if (x > inset && x + width > fieldWidth) {
            x = inset;
            y += lineHeight;
        }
        frames.append(QRectF(x, y, width, tokenHeight));
        x += width + tokenGap;
    }
    return frames;
}

QList<QRectF> TokenField::currentTokenFrames() const
{
    QList<double> widths;
    widths.reserve(m_tokens.size());
    for (const QString& token : m_tokens) widths.append(tokenWidth(token, m_font));
    return tokenFrames(widths, bounds().width());
}

double TokenField::fittingWidth() const
{
    double width = inset;
    for (const QString& token : m_tokens) width += tokenWidth(token, m_font) + tokenGap;
    const QString typed = typedText();
    if (!typed.isEmpty()) width += std::ceil(TextMeasure::sizeOfText(typed, m_font).width()) + tokenGap;
    return width;
}

bool TokenField::hasPrefixIgnoringCaseAndDiacritics(const QString& name, const QString& prefix)
{
    return folded(name).startsWith(folded(prefix));
}

void TokenField::placeEditor()
{
    const QList<QRectF> frames = currentTokenFrames();
    double x = inset;
    double y = 0;
    if (!frames.isEmpty()) {
        x = frames.last().right() + tokenGap;
        y = frames.last().top() - (lineHeight - tokenHeight) / 2;
    }
    if (x > inset && bounds().width() - x < minimumEditorWidth) {
        x = inset;
        y += lineHeight;
    }
    const double width = std::max(minimumEditorWidth, bounds().width() - x);
    m_editor->setGeometry(QRectF(x, y, width, lineHeight).toAlignedRect());
}

bool TokenField::splitTypedTextAtTokenizingCharacters()
{
    const QString text = m_editor->text();
    qsizetype last = -1;
    for (const QChar c : m_tokenizingCharacters) last = std::max(last, text.lastIndexOf(c));
    if (last < 0) return false;
    // Every piece before the last separator is a token; what follows it
    // stays typed, the caret at its end.
    QString piece;
    for (qsizetype i = 0; i < last; ++i) {
        if (m_tokenizingCharacters.contains(text.at(i))) {
            if (!piece.trimmed().isEmpty()) m_tokens.append(piece.trimmed());
            piece.clear();
        } else {
            piece.append(text.at(i));
        }
    }
    if (!piece.trimmed().isEmpty()) m_tokens.append(piece.trimmed());
    m_editor->setText(text.mid(last + 1).trimmed());
    placeEditor();
    setNeedsDisplay();
    return true;
}

void TokenField::typedTextEdited()
{
    splitTypedTextAtTokenizingCharacters();
    m_typedBeforeCompletion = m_editor->text();
    m_completionIndex = -1;
    m_completions = (m_completionProvider && !m_typedBeforeCompletion.isEmpty())
                        ? m_completionProvider(m_typedBeforeCompletion)
                        : QStringList();
    userChanged();
}

void TokenField::chooseCompletion(int step)
{
    if (m_completions.isEmpty()) return;
    const int count = int(m_completions.size());
    m_completionIndex = m_completionIndex < 0 ? (step > 0 ? 0 : count - 1) : (m_completionIndex + step + count) % count;
    m_editor->setText(m_completions.at(m_completionIndex));
    m_edited = true;
}

bool TokenField::tokenizeTypedText()
{
    const QString typed = m_editor->text().trimmed();
    m_editor->clear();
    m_completions.clear();
    m_completionIndex = -1;
    if (typed.isEmpty()) return false;
    m_tokens.append(typed);
    placeEditor();
    setNeedsDisplay();
    userChanged();
    return true;
}

void TokenField::userChanged()
{
    m_edited = true;
    if (m_onTextChanged) m_onTextChanged(this);
}

void TokenField::endEditing()
{
    if (!m_edited) return;
    m_edited = false;
    if (m_onEndEditing) m_onEndEditing(this);
}

bool TokenField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_editor) return View::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isTokenizingKey(key)) {
            QPointer<TokenField> alive(this);
            const bool made = tokenizeTypedText();
            if (alive && !made) endEditing();
            return true;
        }
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            tokenizeTypedText();
            return false;  // the focus moves on; its loss ends the edit
        }
        if (key->key() == Qt::Key_Backspace && m_editor->text().isEmpty() && !m_tokens.isEmpty()) {
            m_tokens.removeLast();
            placeEditor();
            setNeedsDisplay();
            userChanged();
            return true;
        }
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) {
            chooseCompletion(key->key() == Qt::Key_Down ? 1 : -1);
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) return false;
        QPointer<TokenField> alive(this);
        tokenizeTypedText();
        if (alive) endEditing();
    }
    return false;
}

void TokenField::mouseDown(const Event& event)
{
    Q_UNUSED(event);
    if (m_editor->isEnabled()) m_editor->setFocus(Qt::MouseFocusReason);
}

void TokenField::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    placeEditor();
}

void TokenField::changeEvent(QEvent* event)
{
    View::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) setNeedsDisplay();
}

void TokenField::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    Q_UNUSED(dirtyRect);
    painter.save();
    if (!isEnabled()) painter.setOpacity(0.5);
    if (m_tokens.isEmpty() && typedText().isEmpty()) {
        Drawing::drawText(painter, m_placeholder, m_font, tokenPlaceholderColor,
                          QRectF(inset + 1, 0, bounds().width() - inset, lineHeight),
                          Qt::AlignLeft | Qt::AlignVCenter, Qt::ElideRight);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const QList<QRectF> frames = currentTokenFrames();
    for (int i = 0; i < frames.size(); ++i) {
        const QRectF box = frames.at(i).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(box, box.height() / 2, box.height() / 2);
        painter.fillPath(path, tokenFill);
        painter.setPen(QPen(tokenBorder, 1));
        painter.drawPath(path);
        Drawing::drawText(painter, m_tokens.at(i), m_font, tokenText, frames.at(i).adjusted(tokenTextInset, 0, -tokenTextInset + 1, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, Qt::ElideRight);
    }
    painter.restore();
}
