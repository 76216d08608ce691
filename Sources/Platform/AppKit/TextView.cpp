#include "TextView.h"

#include <QAbstractTextDocumentLayout>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>
#include <utility>

// The stock editor with the hooks the kit's text view needs: plain-text
// pastes, a call after each key release and drawing after the text.
class KitTextEdit : public QTextEdit {
public:
    KitTextEdit(TextView* owner) : QTextEdit(owner), m_owner(owner) {}

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override { return source->hasText(); }

    void insertFromMimeData(const QMimeData* source) override
    {
        if (!source->hasText()) return;
        QString text = m_owner->m_pasteFilter ? m_owner->m_pasteFilter(m_owner, source->text()) : source->text();
        if (text.isNull()) return;
        // A view of one line takes each pasted or dropped line break as a space.
        if (m_owner->m_returnEndsEditing) {
            text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            for (const QChar lineBreak : {QChar(u'\r'), QChar(u'\n'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
                text.replace(lineBreak, QLatin1Char(' '));
        }
        textCursor().insertText(text, m_owner->m_charFormat);
        if (m_owner->m_onPaste) m_owner->m_onPaste(m_owner);
    }

    void keyReleaseEvent(QKeyEvent* event) override
    {
        QTextEdit::keyReleaseEvent(event);
        if (m_owner->m_onKeyUp) m_owner->m_onKeyUp(m_owner, event->key(), event->modifiers());
    }

    void paintEvent(QPaintEvent* event) override
    {
        const QPointF offset = m_owner->scrollOffset();
        const QRectF visible(offset, QSizeF(viewport()->size()));
        if (m_owner->m_background.alpha() > 0) {
            QPainter background(viewport());
            background.fillRect(viewport()->rect(), m_owner->m_background);
        }
        QTextEdit::paintEvent(event);
        if (!m_owner->m_drawAfter) return;
        QPainter painter(viewport());
        painter.translate(-offset);
        m_owner->m_drawAfter(painter, visible);
    }

private:
    TextView* m_owner;
};

TextView::TextView(const QRectF& frame, QWidget* parent)
    : View(frame, parent), m_font(Font::fontWithName(QStringLiteral("Lucida Grande"), 12))
{
    setFlipped(true);
    m_edit = new KitTextEdit(this);
    m_edit->setAcceptRichText(false);
    m_edit->setFrameShape(QFrame::NoFrame);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_edit->setPalette(palette);
    m_edit->viewport()->setAutoFillBackground(false);
    m_edit->document()->setDocumentMargin(1);
    m_edit->setGeometry(bounds().toAlignedRect());
    // Shown with the view, also when the view joins a window already shown.
    m_edit->show();
    m_edit->installEventFilter(this);
    m_edit->viewport()->installEventFilter(this);
    applyFormat();
    connect(m_edit, &QTextEdit::textChanged, this, [this] {
        if (m_settingText) return;
        m_edited = true;
        if (m_onTextChanged) m_onTextChanged(this);
    });
    connect(m_edit, &QTextEdit::cursorPositionChanged, this, [this] {
        if (!m_settingText && m_onSelectionChanged) m_onSelectionChanged(this);
    });
    connect(m_edit, &QTextEdit::selectionChanged, this, [this] {
        if (!m_settingText && m_onSelectionChanged) m_onSelectionChanged(this);
    });
    connect(m_edit->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeOverlays(); });
}

TextView::~TextView() = default;

QTextEdit* TextView::editor() const
{
    return m_edit;
}

QString TextView::string() const
{
    return m_edit->toPlainText();
}

void TextView::setString(const QString& text)
{
    // The new text takes the font and the pitch as it goes in: formatting
    // the whole text afterwards would cost as much again.
    m_settingText = true;
    QTextCursor cursor(m_edit->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockFormat(m_blockFormat);
    cursor.setCharFormat(m_charFormat);
    cursor.insertText(text, m_charFormat);
    cursor.endEditBlock();
    m_settingText = false;
    m_edited = false;
    setNeedsDisplay();
}

bool TextView::isEditable() const
{
    return !m_edit->isReadOnly();
}

void TextView::setEditable(bool editable)
{
    m_edit->setReadOnly(!editable);
}

void TextView::setTabChangesFocus(bool changes)
{
    m_edit->setTabChangesFocus(changes);
}

void TextView::setTextFont(const Font& font, double linePitch)
{
    m_font = font;
    m_linePitch = linePitch > 0 ? linePitch : 0;
    applyFormat();
}

void TextView::setTextInsets(double left, double top, double right, double bottom)
{
    QTextFrameFormat format = m_edit->document()->rootFrame()->frameFormat();
    format.setMargin(0);
    format.setLeftMargin(left);
    format.setTopMargin(top);
    format.setRightMargin(right);
    format.setBottomMargin(bottom);
    m_edit->document()->rootFrame()->setFrameFormat(format);
}

void TextView::applyFormat()
{
    // The whole text and what is typed next take the font and the pitch;
    // guarded so that the format change counts as no edit.
    const bool wasSetting = m_settingText;
    m_settingText = true;
    const QSignalBlocker blocker(m_edit);
    m_edit->document()->setDefaultFont(m_font.widgetFont());
    m_charFormat = QTextCharFormat();
    m_charFormat.setFont(m_font.widgetFont());
    // Qt's fixed line height puts the baseline four fifths down each line,
    // under where ruled paper wants the text; the distance between lines
    // keeps the text at the top of its line and gives the same pitch.
    m_blockFormat = QTextBlockFormat();
    if (m_linePitch > 0) {
        // The height Qt itself gives a line of this font, rounding included.
        QTextLayout sample(QStringLiteral("X"), m_font.widgetFont());
        sample.beginLayout();
        QTextLine line = sample.createLine();
        line.setLineWidth(1000);
        const double natural = line.height();
        sample.endLayout();
        m_blockFormat.setLineHeight(std::max(0.0, m_linePitch - natural), QTextBlockFormat::LineDistanceHeight);
    }
    QTextCursor cursor(m_edit->document());
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(m_charFormat);
    if (m_linePitch > 0) cursor.mergeBlockFormat(m_blockFormat);
    m_edit->setCurrentCharFormat(m_charFormat);
    m_settingText = wasSetting;
}

void TextView::setBackgroundColor(const QColor& color)
{
    m_background = color;
    m_edit->viewport()->update();
}

void TextView::setScrollsItself(bool scrolls)
{
    m_edit->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

double TextView::documentHeight() const
{
    return m_edit->document()->size().height();
}

int TextView::caretPosition() const
{
    return m_edit->textCursor().position();
}

void TextView::setCaretPosition(int position)
{
    setSelectedRange(position, 0);
}

std::pair<int, int> TextView::selectedRange() const
{
    const QTextCursor cursor = m_edit->textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
}

void TextView::setSelectedRange(int start, int length)
{
    const int size = m_edit->document()->characterCount() - 1;
    const int from = std::clamp(start, 0, size);
    const int to = std::clamp(from + std::max(length, 0), 0, size);
    QTextCursor cursor(m_edit->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    m_edit->setTextCursor(cursor);
}

void TextView::selectAll()
{
    m_edit->selectAll();
}

void TextView::scrollToCaret()
{
    m_edit->ensureCursorVisible();
}

QList<TextView::VisualLine> TextView::visualLines() const
{
    QList<VisualLine> lines;
    const QTextDocument* document = m_edit->document();
    const int size = document->characterCount() - 1;
    // Make sure every block is laid out at the present width.
    document->documentLayout()->documentSize();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // The empty line after a final line feed is the caret's place only.
        if (block.length() == 1 && block.position() > 0 && !block.next().isValid()) break;
        const QTextLayout* layout = block.layout();
        const QPointF origin = layout->position();
        const int count = layout->lineCount();
        for (int i = 0; i < count; ++i) {
            const QTextLine line = layout->lineAt(i);
            const int start = block.position() + line.textStart();
            const int end = i + 1 < count ? block.position() + layout->lineAt(i + 1).textStart()
                                          : block.position() + block.length();
            lines.append({start, std::min(end, size), line.rect().translated(origin)});
        }
    }
    return lines;
}

QRectF TextView::lineRectForCharacter(int position) const
{
    const QTextBlock block = m_edit->document()->findBlock(position);
    if (!block.isValid() || position > m_edit->document()->characterCount() - 1) return QRectF();
    const QTextLayout* layout = block.layout();
    const QTextLine line = layout->lineForTextPosition(position - block.position());
    return line.isValid() ? line.rect().translated(layout->position()) : QRectF();
}

void TextView::addOverlay(View* view, const QRectF& rectInText)
{
    const auto known = m_overlays.find(view);
    if (known != m_overlays.end()) {
        if (known->rect == rectInText) return;
        known->rect = rectInText;
        placeOverlay(*known);
        return;
    }
    view->setParent(m_edit->viewport());
    placeOverlay(*m_overlays.insert(view, {view, rectInText}));
    view->show();
}

void TextView::removeOverlay(View* view)
{
    if (!m_overlays.remove(view)) return;
    view->hide();
    view->setParent(nullptr);
}

QList<View*> TextView::overlays() const
{
    return m_overlays.keys();
}

QRectF TextView::overlayRect(View* view) const
{
    const auto known = m_overlays.constFind(view);
    return known != m_overlays.constEnd() ? known->rect : QRectF();
}

QPointF TextView::scrollOffset() const
{
    return QPointF(m_edit->horizontalScrollBar()->value(), m_edit->verticalScrollBar()->value());
}

void TextView::placeOverlay(const Overlay& overlay)
{
    // The viewport is no kit view: its children count y up from its bottom.
    const QRectF shown = overlay.rect.translated(-scrollOffset());
    const double height = m_edit->viewport()->height();
    overlay.view->setFrame(QRectF(shown.x(), height - shown.y() - shown.height(), shown.width(), shown.height()));
}

void TextView::placeOverlays()
{
    for (const Overlay& overlay : std::as_const(m_overlays)) placeOverlay(overlay);
}

bool TextView::hasKeyboardFocus() const
{
    return m_edit->hasFocus();
}

void TextView::focus()
{
    m_edit->setFocus(Qt::OtherFocusReason);
}

bool TextView::eventFilter(QObject* watched, QEvent* event)
{
    // Return starts a new line here (or ends the edit, as in a field): a
    // default button of the window waits for a key the text does not take.
    if (watched == m_edit && event->type() == QEvent::ShortcutOverride && !m_edit->isReadOnly()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto modifiers = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    if (watched == m_edit && event->type() == QEvent::KeyPress && m_returnEndsEditing && !m_edit->isReadOnly()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (std::exchange(m_edited, false) && m_onEndEditing) m_onEndEditing(this);
            return true;
        }
    }
    if (watched == m_edit->viewport() && event->type() == QEvent::Resize) placeOverlays();
    if (watched == m_edit && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        const bool in = event->type() == QEvent::FocusIn;
        m_edit->viewport()->update();
        if (m_onFocusChanged) m_onFocusChanged(this, in);
        if (!in && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && m_edited) {
            m_edited = false;
            if (m_onEndEditing) m_onEndEditing(this);
        }
    }
    return View::eventFilter(watched, event);
}

void TextView::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    m_edit->setGeometry(bounds().toAlignedRect());
}
