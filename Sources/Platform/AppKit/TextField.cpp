#include "TextField.h"

#include "Color.h"
#include "Drawing.h"
#include "TextMeasure.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

const QColor defaultTextColor(30, 30, 30);
const QColor placeholderColor(150, 150, 150);
// Links are drawn in pure blue, the one colour every link of the organizer shares.
const QColor linkColor = Color::link();
const QColor fieldBackground(255, 255, 255);
const QColor borderColor(120, 120, 120);
const QColor bezelShadow(150, 150, 155);
const QColor bezelLight(205, 205, 210);

constexpr double disabledTextOpacity = 0.45;

// The room between a framed field's edge and its text.
constexpr double framedInset = 3.0;

std::optional<FieldCommand> commandOfKey(const QKeyEvent* key)
{
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    switch (key->key()) {
    case Qt::Key_Up: return FieldCommand::MoveUp;
    case Qt::Key_Down: return FieldCommand::MoveDown;
    case Qt::Key_Escape: return FieldCommand::Cancel;
    case Qt::Key_Return:
    case Qt::Key_Enter: return FieldCommand::InsertNewline;
    case Qt::Key_Tab: return FieldCommand::InsertTab;
    case Qt::Key_Backtab: return FieldCommand::InsertBacktab;
    default: return std::nullopt;
    }
}

}  // namespace

TextField::TextField(const QRectF& frame, QWidget* parent)
    : View(frame, parent), m_textColor(defaultTextColor), m_backgroundColor(fieldBackground)
{
    // The editor is made when the field is first shown as a field (or asked
    // for): labels, which a grid may hold by the hundred, never make one.
}

void TextField::ensureEditor()
{
    if (m_editor) return;
    m_editor = new QLineEdit(this);
    m_editor->setFrame(false);
    m_editor->setAutoFillBackground(false);
    m_editor->setText(m_text);
    m_editor->setPlaceholderText(m_placeholder);
    m_editor->installEventFilter(this);
    // The user's typing is an edit; setStringValue's setText is not.
    connect(m_editor, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_text = text;
        m_edited = true;
    });
    updateEditor();
}

QLineEdit* TextField::editor() const
{
    const_cast<TextField*>(this)->ensureEditor();
    return m_editor;
}

bool TextField::event(QEvent* event)
{
    // Polished before it is first shown or drawn: a field gets its editor
    // then, so the editor shows the text from the first picture on.
    if (event->type() == QEvent::Polish && usesEditor()) ensureEditor();
    return View::event(event);
}

TextField::~TextField() = default;

TextField* TextField::labelWithString(const QString& text, const QRectF& frame, QWidget* parent)
{
    auto* label = new TextField(frame, parent);
    label->setEditable(false);
    label->setSelectable(false);
    label->setBezeled(false);
    label->setBordered(false);
    label->setDrawsBackground(false);
    label->setStringValue(text);
    return label;
}

QString TextField::stringValue() const
{
    return m_text;
}

void TextField::setStringValue(const QString& text)
{
    m_text = text;
    m_edited = false;
    if (m_editor && m_editor->text() != text) m_editor->setText(text);
    refresh();
}

int TextField::intValue() const
{
    static const QRegularExpression leadingInteger(QStringLiteral("^\\s*([+-]?\\d+)"));
    const QRegularExpressionMatch match = leadingInteger.match(m_text);
    if (!match.hasMatch()) return 0;
    bool ok = false;
    const qlonglong value = match.captured(1).toLongLong(&ok);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return 0;
    return int(value);
}

double TextField::doubleValue() const
{
    static const QRegularExpression leadingNumber(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch match = leadingNumber.match(m_text);
    if (!match.hasMatch()) return 0;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

void TextField::setIntValue(int value)
{
    setStringValue(QString::number(value));
}

void TextField::setDoubleValue(double value)
{
    setStringValue(std::isfinite(value) ? QString::number(value, 'g', 15) : QString());
}

void TextField::setPlaceholderString(const QString& placeholder)
{
    m_placeholder = placeholder;
    if (m_editor) m_editor->setPlaceholderText(placeholder);
    refresh();
}

void TextField::setTextFont(const Font& font)
{
    m_font = font;
    updateEditor();
}

void TextField::setLink(const QString& address)
{
    m_link = address;
    updateEditor();
}

void TextField::setTextColor(const QColor& color)
{
    m_textColor = color.isValid() ? color : defaultTextColor;
    updateEditor();
    refresh();
}

void TextField::setDrawsBackground(bool draws)
{
    m_drawsBackground = draws;
    refresh();
}

void TextField::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color.isValid() ? color : fieldBackground;
    refresh();
}

void TextField::setBordered(bool bordered)
{
    m_bordered = bordered;
    placeEditor();
    refresh();
}

void TextField::setBezeled(bool bezeled)
{
    m_bezeled = bezeled;
    placeEditor();
    refresh();
}

void TextField::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    updateEditor();
    refresh();
}

void TextField::setTopAligned(bool topAligned)
{
    m_topAligned = topAligned;
    updateEditor();
    refresh();
}

void TextField::setWraps(bool wraps)
{
    m_wraps = wraps;
    refresh();
}

void TextField::setEditable(bool editable)
{
    m_editable = editable;
    if (editable) m_selectable = true;
    updateEditor();
}

void TextField::setSelectable(bool selectable)
{
    m_selectable = selectable || m_editable;
    updateEditor();
}

void TextField::setOnEndEditing(std::function<void(TextField*)> onEndEditing)
{
    m_onEndEditing = std::move(onEndEditing);
}

void TextField::setSecure(bool secure)
{
    if (m_secure == secure) return;
    m_secure = secure;
    updateEditor();
}

void TextField::updateEditor()
{
    if (!m_editor) {
        // A field that turned editable while on screen gets its editor now.
        if (!usesEditor() || !isVisible()) {
            refresh();
            return;
        }
        ensureEditor();
        return;
    }
    m_editor->setReadOnly(!m_editable);
    m_editor->setEchoMode(m_secure ? QLineEdit::Password : QLineEdit::Normal);
    m_editor->setAlignment(m_alignment | (m_topAligned ? Qt::AlignTop : Qt::AlignVCenter));
    QPalette palette = m_editor->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    const QColor textColor = m_link.isEmpty() ? m_textColor : linkColor;
    palette.setColor(QPalette::Text, textColor);
    QColor faded = textColor;
    faded.setAlphaF(faded.alphaF() * disabledTextOpacity);
    palette.setColor(QPalette::Disabled, QPalette::Text, faded);
    palette.setColor(QPalette::PlaceholderText, placeholderColor);
    m_editor->setPalette(palette);
    QFont editorFont = m_font.widgetFont();
    editorFont.setUnderline(!m_link.isEmpty());
    m_editor->setFont(editorFont);
    m_editor->setFocusPolicy(usesEditor() ? Qt::StrongFocus : Qt::NoFocus);
    m_editor->setVisible(usesEditor());
    placeEditor();
    refresh();
}

QRectF TextField::textArea() const
{
    const double inset = (m_bezeled || m_bordered) ? framedInset : 1.0;
    return bounds().adjusted(inset, inset, -inset, -inset);
}

void TextField::placeEditor()
{
    if (!m_editor) return;
    m_editor->setGeometry(textArea().toAlignedRect());
}

void TextField::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    placeEditor();
}

void TextField::changeEvent(QEvent* event)
{
    View::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) refresh();
}

void TextField::refresh()
{
    QWidget* superview = parentWidget();
    if (m_drawnBySuperview && superview) superview->update(geometry());
    else update();
}

void TextField::qtGeometryChanged(const QRect& oldGeometry)
{
    // A shown field repaints itself on its move or resize event.
    QWidget* superview = parentWidget();
    if (!m_drawnBySuperview || !superview || !superview->isVisible()) return;
    superview->update(oldGeometry);
    superview->update(geometry());
}

void TextField::setDrawnBySuperview(bool drawn)
{
    if (m_drawnBySuperview == drawn) return;
    // Repainted where it showed before the change, and where it shows after.
    refresh();
    m_drawnBySuperview = drawn;
    setHidden(drawn);
    refresh();
}

void TextField::drawInSuperview(QPainter& painter)
{
    const auto* superview = qobject_cast<const View*>(parentWidget());
    const QRect place = geometry();
    if (!m_drawnBySuperview || !superview || place.isEmpty()) return;
    painter.save();
    // Back to the superview's Qt coordinates, then to the label's own, as
    // Qt paints a child: at its whole-pixel place, cut to it, from the
    // painter's first state.
    if (!superview->isFlipped()) {
        painter.scale(1, -1);
        painter.translate(0, -superview->height());
    }
    painter.translate(place.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), place.size()), Qt::IntersectClip);
    painter.setOpacity(1);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen());
    painter.setBrush(Qt::NoBrush);
    drawRect(painter, bounds());
    painter.restore();
}

QRectF TextField::singleLineRect(const QRectF& textArea, double lineHeight, bool atTop)
{
    const double height = std::min(lineHeight, textArea.height());
    const double top = atTop ? textArea.top() : textArea.center().y() - height / 2;
    return QRectF(textArea.left(), top, textArea.width(), height);
}

QRectF TextField::drawnLineRect() const
{
    return singleLineRect(textArea(), TextMeasure::lineHeight(m_font), m_topAligned);
}

void TextField::setLabelPainter(LabelPainter painter)
{
    m_labelPainter = std::move(painter);
    refresh();
}

void TextField::setColoredRuns(const QList<ColoredRun>& runs)
{
    QString joined;
    for (const ColoredRun& run : runs) joined += run.text;
    setStringValue(joined);
    setLabelPainter([runs](QPainter& painter, const TextField& field) {
        const Font& font = field.textFont();
        QList<double> widths;
        double total = 0;
        for (const ColoredRun& run : runs) {
            widths.append(TextMeasure::sizeOfText(run.text, font).width());
            total += widths.last();
        }
        const QRectF area = field.textArea();
        double x = area.left();
        if (field.alignment() & Qt::AlignHCenter) x += (area.width() - total) / 2;
        else if (field.alignment() & Qt::AlignRight) x += area.width() - total;
        const QRectF line = field.drawnLineRect();
        for (qsizetype k = 0; k < runs.size(); ++k) {
            // One point of slack: a run cut at its own measured width could
            // lose its last glyph's overhang.
            Drawing::drawText(painter, runs[k].text, font, runs[k].color,
                              QRectF(x, line.top(), widths[k] + 1, line.height()), Qt::AlignLeft | Qt::AlignVCenter);
            x += widths[k];
        }
    });
}

void TextField::drawRect(QPainter& painter, const QRectF&)
{
    if (m_labelPainter && !usesEditor()) {
        m_labelPainter(painter, *this);
        return;
    }
    const QRectF edge = bounds().adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_drawsBackground) painter.fillRect(bounds(), m_backgroundColor);
    if (m_bezeled) {
        // Sunken: darker along the top, lighter at the sides and bottom.
        painter.setPen(QPen(bezelLight, 1));
        painter.drawRect(edge);
        painter.setPen(QPen(bezelShadow, 1));
        painter.drawLine(edge.topLeft(), edge.topRight());
    } else if (m_bordered) {
        painter.setPen(QPen(borderColor, 1));
        painter.drawRect(edge);
    }
    if (usesEditor()) return;  // the editor shows the text

    const bool placeholder = m_text.isEmpty();
    const QString& text = placeholder ? m_placeholder : m_text;
    if (text.isEmpty()) return;
    const bool linked = !placeholder && !m_link.isEmpty();
    QColor color = placeholder ? placeholderColor : linked ? linkColor : m_textColor;
    if (!isEnabled()) color.setAlphaF(color.alphaF() * disabledTextOpacity);
    const QRectF area = textArea();
    if (m_wraps) {
        // Lines that do not fit are left out, the last one shown ending in
        // "…"; a frame too low for even one line still shows no more than
        // its own area.
        Drawing::drawWrappedTextCut(painter, text, m_font, color, area, m_alignment);
        return;
    }
    // One line: line breaks become spaces, and what does not fit ends in an
    // ellipsis.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QRectF lineRect = drawnLineRect();
    Drawing::drawText(painter, line, m_font, color, lineRect, m_alignment | Qt::AlignVCenter, Qt::ElideRight);
    if (linked) underline(painter, line, color, lineRect);
}

// Under the whole visible line, placed as the text is aligned.
void TextField::underline(QPainter& painter, const QString& line, const QColor& color, const QRectF& lineRect) const
{
    const double width = std::min(TextMeasure::sizeOfText(line, m_font).width(), lineRect.width());
    double left = lineRect.left();
    if (m_alignment & Qt::AlignRight) left = lineRect.right() - width;
    else if (m_alignment & Qt::AlignHCenter) left = lineRect.center().x() - width / 2;
    // On a pixel row's middle, so the line is crisp rather than two faint rows.
    const double y = std::floor(lineRect.top() + std::min(TextMeasure::ascent(m_font) + 1.5, lineRect.height() - 0.5)) + 0.5;
    painter.setPen(QPen(color, 1));
    painter.drawLine(QPointF(left, y), QPointF(left + width, y));
}

void TextField::endEditing()
{
    m_edited = false;
    if (!m_onEndEditing) return;
    const std::function<void(TextField*)> call = m_onEndEditing;
    call(this);
}

TextField::KeyOutcome TextField::handleCommandKey(QKeyEvent* key)
{
    const std::optional<FieldCommand> command = commandOfKey(key);
    if (!command) return KeyOutcome::NotACommand;
    QPointer<TextField> alive(this);
    if (m_delegate && m_delegate->doCommand(this, *command)) return KeyOutcome::Consumed;
    if (!alive) return KeyOutcome::Consumed;
    switch (*command) {
    case FieldCommand::InsertNewline:
    case FieldCommand::InsertTab:
    case FieldCommand::InsertBacktab:
        endEditing();
        return KeyOutcome::EndedEditing;
    case FieldCommand::MoveUp:
    case FieldCommand::MoveDown:
    case FieldCommand::Cancel: break;
    }
    return KeyOutcome::NotACommand;
}

// Return ends editing and goes no further; Tab ends editing and Qt moves the
// focus on (the focus loss then finds nothing more to report).
bool TextField::swallowsKeyPress(const QKeyEvent* key, KeyOutcome outcome)
{
    if (outcome == KeyOutcome::Consumed) return true;
    return outcome == KeyOutcome::EndedEditing && commandOfKey(key) == FieldCommand::InsertNewline;
}

bool TextField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_editor || !m_editable) return View::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Asked before the window's shortcuts: the delegate and the end of
        // editing come before a default button's Return or a cancel
        // button's Escape, which still run unless the delegate took the key.
        auto* key = static_cast<QKeyEvent*>(event);
        m_handledKey = {};
        if (!commandOfKey(key)) return false;
        const HandledKey handled{key->key(), key->timestamp(), false};
        QPointer<TextField> alive(this);
        const KeyOutcome outcome = handleCommandKey(key);
        if (!alive) return true;
        m_handledKey = handled;
        m_handledKey.swallow = swallowsKeyPress(key, outcome);
        if (outcome != KeyOutcome::Consumed) return false;
        event->accept();
        return true;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // The key press that follows a shortcut question already answered.
        if (m_handledKey.key != 0 && m_handledKey.key == key->key() && m_handledKey.timestamp == key->timestamp()) {
            const bool swallow = m_handledKey.swallow;
            m_handledKey = {};
            return swallow;
        }
        const KeyOutcome outcome = handleCommandKey(key);
        return swallowsKeyPress(key, outcome);
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A context menu or a pop-up takes the focus for a moment only.
        if (reason != Qt::PopupFocusReason && m_edited) endEditing();
        return false;
    }
    default: return false;
    }
}
