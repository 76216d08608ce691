#include "NoteContentView.h"

#include "Button.h"
#include "CustomTextView.h"
#include "DetailViewController.h"
#include "EditorShared.h"
#include "NamedImages.h"
#include "NoteText.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "ScrollView.h"
#include "Task.h"
#include "TaskView.h"
#include "UIUtilities.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QSyntaxHighlighter>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextEdit>

#include <algorithm>

NoteContentHost::~NoteContentHost() = default;

namespace {

const QColor noteRedLine(Qt::red);

QImage fittedImage(const QImage& image, double size)
{
    if (image.isNull() || size <= 0) return image;
    const qreal ratio = image.devicePixelRatio();
    QImage scaled = image.scaled(QSize(qRound(size * ratio), qRound(size * ratio)), Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

}  // namespace

// The mark that begins a checklist line lies under its checkbox: it is
// drawn clear and widened so that the item's text starts right of the box,
// whatever width the face gives the mark. Display only: the text and its
// undo steps are untouched.
class NoteMarkHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override
    {
        if (text.isEmpty() || !NoteText::isMark(text.at(0))) return;
        const double size = NoteContentView::fontSize();
        const QFontMetricsF metrics(document()->defaultFont());
        const double shown = metrics.horizontalAdvance(text.at(0)) + metrics.horizontalAdvance(QLatin1Char(' '));
        QTextCharFormat mark;
        mark.setForeground(Qt::transparent);
        mark.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        mark.setFontLetterSpacing(std::max(0.0, size + 5 - shown));
        setFormat(0, 1, mark);
    }
};

NoteContentView::NoteContentView(const QRectF& frame, const QString& watermarkText, QWidget* parent)
    : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    const double height = frame.height();
    // The scroll view starts right of the red line, which stays in sight.
    m_scrollView = new ScrollView(QRectF(marginWidth + 1, 0, std::max(0.0, width - marginWidth - 1), height), this);
    m_scrollView->setHasVerticalScroller(true);
    m_scrollView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    m_noteContent = new CustomTextView(
        QRectF(0, 0, std::max(0.0, m_scrollView->frame().width() - 10), height), watermarkText);
    m_noteContent->setScrollsItself(false);
    m_noteContent->setTextInsets(5, 0, 5, 0);
    m_scrollView->setDocumentView(m_noteContent);
    keepFormatOfContent();
    m_markHighlighter = new NoteMarkHighlighter(m_noteContent->editor()->document());

    m_noteContent->setOnTextChanged([this](TextView*) { textOrSelectionChanged(); });
    m_noteContent->setOnSelectionChanged([this](CustomTextView*) { textOrSelectionChanged(); });
    m_noteContent->setOnKeyUp([this](TextView*, int key, Qt::KeyboardModifiers modifiers) { keyUp(key, modifiers); });
    m_noteContent->setOnEndEditing([this](CustomTextView*) {
        if (auto* host = dynamic_cast<NoteContentHost*>(m_parentView.data())) host->saveChangesManualReload();
    });
    m_noteContent->setOnPaste([this](TextView*) {
        const QString text = m_noteContent->string();
        const QString fixed = CustomTextView::marksOnOwnLines(text);
        if (fixed != text) setContentText(fixed);
        m_noteContent->markEdited();
        rebuildOverlay();
    });

    NotificationCenter::defaultCenter().addObserver(this, TaskView::currentFontSizeChangedNotification, nullptr,
                                                    [this](const Notification&) { currentSizeChange(); });
    NotificationCenter::defaultCenter().addObserver(this, ScrollView::boundsDidChangeNotification,
                                                    NotificationPayload::identityOf(m_scrollView),
                                                    [this](const Notification&) { rebuildOverlay(); });
    addModeButton();
    fitTextView();
}

NoteContentView::~NoteContentView()
{
    // The text view goes after this view's members, and losing its focus on
    // the way ends its editing: nothing may call back into this view then.
    m_noteContent->setOnEndEditing({});
    m_noteContent->setOnSelectionChanged({});
    m_noteContent->setOnTextChanged({});
    m_noteContent->setOnKeyUp({});
    m_noteContent->setOnPaste({});
    NotificationCenter::defaultCenter().removeObserver(this);
    qDeleteAll(m_checkboxPool);
}

double NoteContentView::fontSize()
{
    const SettingPtr setting = currentSetting();
    const double size = setting ? setting->currentFontSize() : 0;
    return size > 0 ? size : Font::systemFontSize;
}

QRectF NoteContentView::checkboxFrame(double fragmentTop, double size)
{
    // The mark's glyph stands at the lines' inset; the box covers it,
    // growing from a 14-point text upward.
    return QRectF(5, fragmentTop - (size - 14), size + 3, size + 3);
}

// ---- text ------------------------------------------------------------------

void NoteContentView::setContent(const TaskPtr& note)
{
    m_note = note ? note->copy() : TaskPtr();
    setContentText(m_note ? m_note->notes() : QString());
    m_noteContent->setCaretPosition(static_cast<int>(m_noteContent->string().size()));
    m_noteContent->scrollToCaret();
}

void NoteContentView::setContentText(const QString& text)
{
    m_noteContent->setString(text);
    fitTextView();
    rebuildOverlay();
}

QString NoteContentView::getContentText() const
{
    return m_noteContent->string();
}

void NoteContentView::resetContent()
{
    m_noteContent->setString(QString());
    removeAllCheckboxes();
    fitTextView();
}

void NoteContentView::setFocus()
{
    m_noteContent->focusMe();
}

void NoteContentView::setEnable(bool enabled)
{
    m_enabled = enabled;
    m_modeBtn->setEnabled(enabled);
    m_noteContent->setEditable(enabled);
    rebuildOverlay();
}

void NoteContentView::keepFormatOfContent()
{
    m_noteContent->setTextFont(lucida(fontSize()), CustomTextView::notePitch);
}

void NoteContentView::updateContentTextAttributes()
{
    // The font and pitch over the whole text, as one step the user can undo.
    QTextCursor cursor(m_noteContent->editor()->document());
    cursor.beginEditBlock();
    keepFormatOfContent();
    cursor.endEditBlock();
}

void NoteContentView::currentSizeChange()
{
    keepFormatOfContent();
    m_markHighlighter->rehighlight();
    setContentText(m_noteContent->string());
    rebuildOverlay();
}

void NoteContentView::showRevertButton()
{
    if (auto* host = dynamic_cast<NoteContentHost*>(m_parentView.data())) host->visibleRevertButton();
}

void NoteContentView::popupEditDetail()
{
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->editNote(m_note, this, m_rootView);
}

// ---- mode ------------------------------------------------------------------

void NoteContentView::addModeButton()
{
    if (const SettingPtr setting = currentSetting()) setting->setNoteMode(1);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kInputModeNoteChanged,
                                                                         static_cast<View*>(this));
    m_modeBtn = UIUtilities::createButton(QString(), 12, Qt::black, Qt::AlignCenter, ButtonType::Toggle,
                                          QRectF(4, 0, 20, 20), this, [this](Button* b) { changeNoteMode(b); },
                                          NamedImages::imageNamed(QStringLiteral("mode_text")),
                                          NamedImages::imageNamed(QStringLiteral("mode_check")), false);
    addSubview(m_modeBtn);
}

void NoteContentView::setModeNoteState()
{
    const SettingPtr setting = currentSetting();
    m_modeBtn->setState(setting && setting->noteMode() != 1 ? 1 : 0);
}

void NoteContentView::changeNoteMode(QObject*)
{
    const SettingPtr setting = currentSetting();
    if (!setting || !m_enabled) {
        setModeNoteState();
        return;
    }
    const int newMode = setting->noteMode() == 0 ? 1 : 0;
    setting->setNoteMode(newMode);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kInputModeNoteChanged,
                                                                         static_cast<View*>(this));
    setModeNoteState();

    QList<NoteText::Range> visual;
    for (const TextView::VisualLine& line : m_noteContent->visualLines()) visual.append({line.start, line.end});
    const auto [start, length] = m_noteContent->selectedRange();
    const NoteText::Edit edit = NoteText::switchMode(m_noteContent->string(), start, length, visual, newMode);
    if (edit.changed) {
        setContentText(edit.text);
        m_noteContent->markEdited();
    }
    m_noteContent->setCaretPosition(edit.caret);
    rebuildOverlay();
    if (edit.changed) showRevertButton();
}

// ---- keys and checkboxes ---------------------------------------------------------

void NoteContentView::keyUp(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ControlModifier) return;
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) return;
    const SettingPtr setting = currentSetting();
    if (setting && setting->noteMode() == 0 && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        const NoteText::Edit edit = NoteText::returnInChecklist(m_noteContent->string(), m_noteContent->caretPosition());
        if (!edit.changed) return;
        setContentText(edit.text);
        m_noteContent->markEdited();
        m_noteContent->setCaretPosition(edit.caret);
        rebuildOverlay();
    }
    showRevertButton();
}

void NoteContentView::doCheck(Button* button)
{
    if ((m_note && m_note->isShared()) || !m_enabled) {
        button->setState(button->state() ? 0 : 1);  // the toggle flipped itself; the text did not change
        return;
    }
    setFocus();
    const int start = NoteText::lineStart(m_noteContent->string(), button->tag());
    if (start >= 0) changeStateAtIndex(start);
    showRevertButton();
}

void NoteContentView::changeStateAtIndex(int index)
{
    const int caret = m_noteContent->caretPosition();
    setContentText(NoteText::changeStateAtIndex(m_noteContent->string(), index));
    m_noteContent->markEdited();
    m_noteContent->setCaretPosition(caret);
    rebuildOverlay();
}

void NoteContentView::textOrSelectionChanged()
{
    if (m_inSelectionRule) return;
    m_inSelectionRule = true;
    fitTextView();
    const auto [start, length] = m_noteContent->selectedRange();
    if (length == 0) {
        const int moved = NoteText::caretAfterMark(m_noteContent->string(), start);
        if (moved != start) m_noteContent->setCaretPosition(moved);
    }
    rebuildOverlay();
    m_inSelectionRule = false;
}

// ---- the overlay -------------------------------------------------------------------

void NoteContentView::rebuildOverlay()
{
    // A caret or selection move changes no checkbox: the overlay is built
    // again only when the text, its layout or the look of the boxes changed.
    const OverlayState state{m_noteContent->editor()->document()->revision(), m_noteContent->frame().width(),
                             fontSize(), m_note && m_note->isShared(), m_enabled, linesNearSight()};
    if (state == m_overlayState) return;
    m_overlayState = state;
    removeAllCheckboxes();
    const QString text = m_noteContent->string();
    separateLines(text);
    drawAllCheckboxes();
}

Button* NoteContentView::checkboxAt(qsizetype index)
{
    while (m_checkboxPool.size() <= index) {
        const double size = fontSize();
        Button* box = UIUtilities::createCheckboxWithFrame(
            QRectF(0, 0, size, size), this, [this](Button* b) { doCheck(b); },
            NamedImages::imageNamed(QStringLiteral("Note_CheckOff")),
            NamedImages::imageNamed(QStringLiteral("Note_CheckOn")));
        box->hide();
        m_checkboxPool.append(box);
    }
    return m_checkboxPool.at(index);
}

void NoteContentView::removeAllCheckboxes()
{
    // The boxes stay laid over the text until drawAllCheckboxes has placed
    // the ones still needed; only the rest are taken away there.
    m_lines.clear();
}

std::pair<int, int> NoteContentView::linesNearSight() const
{
    const QTextDocument* document = m_noteContent->editor()->document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    const QRectF visible = m_scrollView->documentVisibleRect();
    const double screen = std::max(visible.height(), CustomTextView::notePitch);
    const auto lineAt = [&](double y) {
        const int position = layout->hitTest(QPointF(0, std::max(0.0, y)), Qt::FuzzyHit);
        return position < 0 ? (y <= 0 ? 0 : document->blockCount() - 1) : document->findBlock(position).blockNumber();
    };
    return {lineAt(visible.top() - screen), lineAt(visible.bottom() + screen)};
}

void NoteContentView::separateLines(const QString& text)
{
    const QStringList all = NoteText::separateLines(text);
    m_lines.reserve(all.size());
    const bool shared = m_note && m_note->isShared();
    const auto [first, last] = m_overlayState.near;
    qsizetype used = 0;
    for (const QString& line : all) {
        const qsizetype index = m_lines.size();
        if (line.isEmpty() || !NoteText::isMark(line.at(0)) || index < first || index > last) {
            m_lines.append(nullptr);
            continue;
        }
        Button* box = checkboxAt(used++);
        box->setTag(static_cast<int>(m_lines.size()));
        box->setState(line.at(0) == NoteText::doneMark && !shared ? 1 : 0);
        box->setEnabled(m_enabled);
        m_lines.append(box);
    }
}

void NoteContentView::drawAllCheckboxes()
{
    const double size = fontSize();
    if (m_imageSize != size + 3 || m_offImage.isNull()) {
        m_imageSize = size + 3;
        m_offImage = fittedImage(NamedImages::imageNamed(QStringLiteral("Note_CheckOff")), m_imageSize);
        m_onImage = fittedImage(NamedImages::imageNamed(QStringLiteral("Note_CheckOn")), m_imageSize);
    }
    const bool shared = m_note && m_note->isShared();
    const QString text = m_noteContent->string();
    int start = 0;
    qsizetype used = 0;
    for (qsizetype index = 0; index < m_lines.size(); ++index) {
        Button* box = m_lines.at(index);
        if (box) {
            const QRectF line = m_noteContent->lineRectForCharacter(start);
            const QRectF frame = checkboxFrame(line.top(), size);
            if (box->image().cacheKey() != m_offImage.cacheKey()) box->setImage(m_offImage);
            const QImage& selected = shared ? m_offImage : m_onImage;
            if (box->alternateImage().cacheKey() != selected.cacheKey()) box->setAlternateImage(selected);
            m_noteContent->addOverlay(box, frame);
            ++used;
        }
        const qsizetype feed = text.indexOf(QLatin1Char('\n'), start);
        start = feed < 0 ? static_cast<int>(text.size()) : static_cast<int>(feed) + 1;
    }
    for (qsizetype i = used; i < m_checkboxPool.size(); ++i) m_noteContent->removeOverlay(m_checkboxPool.at(i));
}

// ---- layout and drawing ------------------------------------------------------------

void NoteContentView::fitTextView()
{
    // The text view grows with its text and the scroll view shows it.
    const double visible = m_scrollView->contentSize().height();
    const double height = std::max(visible, std::ceil(m_noteContent->documentHeight()));
    const double width = std::max(0.0, m_scrollView->frame().width() - 10);
    if (m_noteContent->frame().size() != QSizeF(width, height)) {
        m_noteContent->setFrameSize(QSizeF(width, height));
        m_scrollView->tile();
    }
}

void NoteContentView::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    fitTextView();
}

void NoteContentView::showEvent(QShowEvent* event)
{
    View::showEvent(event);
    // The text view lays its lines out once it shows: checkboxes placed
    // before then all stand on the first line, so they are placed again.
    m_overlayState = OverlayState{};
    rebuildOverlay();
}

void NoteContentView::drawRect(QPainter& painter, const QRectF&)
{
    // Paper under the margin strip and beside the text view's right edge.
    const double height = bounds().height();
    painter.fillRect(bounds(), CustomTextView::noteColor);
    painter.fillRect(QRectF(marginWidth, 0, 1, height), noteRedLine);
}
