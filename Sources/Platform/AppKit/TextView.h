#pragma once

#include "Font.h"
#include "View.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <functional>

class QTextEdit;
class KitTextEdit;

// Multi-line plain text: a QTextEdit inside (a QPlainTextEdit would ignore a
// line pitch), wrapped at the view's width and scrolled vertically
// when it is taller than the view. Pasted rich text arrives as plain text.
//
// Positions are UTF-16 units of the text. Views laid over the text
// (addOverlay) are placed in text coordinates (the top left of the whole
// laid-out text, y down) and scroll with it.
class TextView : public View {
    Q_OBJECT

public:
    // One line of the layout as the user sees it (a wrapped paragraph gives
    // several): the characters from `start` up to the start of the next line,
    // so a line feed belongs to the line it ends, and its rectangle in text
    // coordinates.
    struct VisualLine {
        int start = 0;
        int end = 0;
        QRectF rect;
    };

    explicit TextView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TextView() override;

    QString string() const;
    // Replaces the whole text in one step (one undo step); never counts as
    // an edit, so no end-of-editing call follows.
    void setString(const QString& text);
    // Counts the text's present state as the user's edit (for changes a
    // command of the owner made through setString).
    void markEdited() { m_edited = true; }

    bool isEditable() const;
    void setEditable(bool editable);
    // Tab moves on to the next control instead of typing a tab (off unless
    // set).
    void setTabChangesFocus(bool changes);
    // Return and Enter end the edit, as in a field, instead of starting a
    // new line (off unless set); a pasted or dropped line break is a space.
    void setReturnEndsEditing(bool ends) { m_returnEndsEditing = ends; }
    bool returnEndsEditing() const { return m_returnEndsEditing; }

    Font textFont() const { return m_font; }
    // The font of the whole text and of what is typed; a line height above 0
    // fixes every line to that pitch.
    void setTextFont(const Font& font, double linePitch = 0);
    double linePitch() const { return m_linePitch; }
    // Space kept between the text and the view's edges.
    void setTextInsets(double left, double top, double right, double bottom);

    // The colour behind the text; transparent shows the view's own drawing.
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return m_background; }
    // Without it the view never scrolls itself: its owner grows it instead
    // (see documentHeight).
    void setScrollsItself(bool scrolls);
    // The height of the laid-out text with its insets.
    double documentHeight() const;

    int caretPosition() const;
    // An empty selection at the position (clamped to the text).
    void setCaretPosition(int position);
    // The selection as start and length; length 0 for a caret.
    std::pair<int, int> selectedRange() const;
    void setSelectedRange(int start, int length);
    void selectAll();
    // Scrolls the caret into view.
    void scrollToCaret();

    QList<VisualLine> visualLines() const;
    // The rectangle of the visual line holding the character (text
    // coordinates); null past the text.
    QRectF lineRectForCharacter(int position) const;

    // Lays the view over the text at the rectangle (text coordinates); the
    // text view takes it as a child. removeOverlay takes it back out (the
    // caller keeps or deletes it).
    void addOverlay(View* view, const QRectF& rectInText);
    void removeOverlay(View* view);
    QList<View*> overlays() const;
    QRectF overlayRect(View* view) const;

    void setOnTextChanged(std::function<void(TextView*)> call) { m_onTextChanged = std::move(call); }
    void setOnSelectionChanged(std::function<void(TextView*)> call) { m_onSelectionChanged = std::move(call); }
    // The focus left the view after the user changed the text (a context
    // menu taking the focus does not count).
    void setOnEndEditing(std::function<void(TextView*)> call) { m_onEndEditing = std::move(call); }
    // After a paste went in as plain text.
    void setOnPaste(std::function<void(TextView*)> call) { m_onPaste = std::move(call); }
    // Before a paste or drop goes in: answers the text to insert, or a null
    // string to insert nothing.
    void setPasteFilter(std::function<QString(TextView*, const QString&)> filter) { m_pasteFilter = std::move(filter); }
    // After a key was handled, on its release.
    void setOnKeyUp(std::function<void(TextView*, int key, Qt::KeyboardModifiers)> call)
    {
        m_onKeyUp = std::move(call);
    }
    // Focus changes (in: true): the owner may redraw what depends on focus.
    void setOnFocusChanged(std::function<void(TextView*, bool)> call) { m_onFocusChanged = std::move(call); }
    // Drawing after the text, in text coordinates; `visible` is the part of
    // the text shown.
    void setDrawAfter(std::function<void(QPainter&, const QRectF& visible)> call) { m_drawAfter = std::move(call); }

    bool hasKeyboardFocus() const;
    // Takes the keyboard focus.
    void focus();
    QTextEdit* editor() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class KitTextEdit;
    void applyFormat();
    struct Overlay {
        View* view;
        QRectF rect;
    };
    void placeOverlay(const Overlay& overlay);
    void placeOverlays();
    QPointF scrollOffset() const;

    KitTextEdit* m_edit = nullptr;
    Font m_font;
    double m_linePitch = 0;
    QColor m_background = Qt::transparent;
    bool m_edited = false;
    bool m_settingText = false;
    bool m_returnEndsEditing = false;
    QHash<View*, Overlay> m_overlays;
    QTextCharFormat m_charFormat;
    QTextBlockFormat m_blockFormat;
    std::function<void(TextView*)> m_onTextChanged;
    std::function<void(TextView*)> m_onSelectionChanged;
    std::function<void(TextView*)> m_onEndEditing;
    std::function<void(TextView*)> m_onPaste;
    std::function<QString(TextView*, const QString&)> m_pasteFilter;
    std::function<void(TextView*, int, Qt::KeyboardModifiers)> m_onKeyUp;
    std::function<void(TextView*, bool)> m_onFocusChanged;
    std::function<void(QPainter&, const QRectF&)> m_drawAfter;
};
