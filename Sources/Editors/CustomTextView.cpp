#include "CustomTextView.h"

#include "Drawing.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>

namespace {
const QColor watermarkColor(160, 160, 160);
}

CustomTextView::CustomTextView(const QRectF& frame, const QString& watermarkText, QWidget* parent)
    : View(frame, parent), m_watermark(watermarkText), m_font(Font::fontWithName(QStringLiteral("Lucida Grande"), 12))
{
    setFlipped(true);
    m_editor = new QPlainTextEdit(this);
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_editor->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->document()->setDocumentMargin(1);
    m_editor->setFont(m_font.widgetFont());
    m_editor->setGeometry(bounds().toAlignedRect());
    m_editor->installEventFilter(this);
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingText) m_edited = true;
        applyLineHeight();
        setNeedsDisplay();
    });
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_onSelectionChanged) m_onSelectionChanged(this);
    });
}

CustomTextView::~CustomTextView() = default;

QString CustomTextView::string() const
{
    return m_editor->toPlainText();
}

void CustomTextView::setString(const QString& text)
{
    m_settingText = true;
    m_editor->setPlainText(text);
    m_settingText = false;
    m_edited = false;
    applyLineHeight();
    setNeedsDisplay();
}

bool CustomTextView::isEditable() const
{
    return !m_editor->isReadOnly();
}

void CustomTextView::setEditable(bool editable)
{
    m_editor->setReadOnly(!editable);
}

void CustomTextView::setTextFont(const Font& font, double lineHeight)
{
    m_font = font;
    m_lineHeight = lineHeight > 0 ? lineHeight : 0;
    m_editor->setFont(font.widgetFont());
    applyLineHeight();
}

void CustomTextView::applyLineHeight()
{
    if (m_lineHeight <= 0) return;
    // Every block, typed ones included, keeps the fixed height; guarded so
    // the format change itself does not count as an edit.
    const bool wasSetting = m_settingText;
    m_settingText = true;
    const QSignalBlocker blocker(m_editor);
    QTextCursor cursor(m_editor->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(m_lineHeight, QTextBlockFormat::FixedHeight);
    cursor.mergeBlockFormat(format);
    m_settingText = wasSetting;
}

void CustomTextView::selectAll()
{
    m_editor->selectAll();
}

bool CustomTextView::showsWatermark() const
{
    return !m_watermark.isEmpty() && m_editor->toPlainText().isEmpty() && !m_editor->hasFocus();
}

bool CustomTextView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor) {
        if (event->type() == QEvent::FocusIn) setNeedsDisplay();
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            setNeedsDisplay();
            if (m_edited) {
                m_edited = false;
                if (m_onEndEditing) m_onEndEditing(this);
            }
        }
    }
    return View::eventFilter(watched, event);
}

void CustomTextView::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    m_editor->setGeometry(bounds().toAlignedRect());
}

void CustomTextView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    Q_UNUSED(dirtyRect);
    if (!showsWatermark()) return;
    Drawing::drawText(painter, m_watermark, m_font, watermarkColor, bounds().adjusted(5, 1, -2, 0),
                      Qt::AlignLeft | Qt::AlignTop, Qt::ElideRight);
}
