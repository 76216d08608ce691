#pragma once

#include "Font.h"
#include "View.h"

#include <QColor>

#include <functional>

class QLineEdit;
class QKeyEvent;

// Keys a field hands to its delegate before acting on them itself.
enum class FieldCommand {
    MoveUp,         // Up arrow
    MoveDown,       // Down arrow
    Cancel,         // Escape
    InsertNewline,  // Return or Enter
    InsertTab,      // Tab
    InsertBacktab,  // Shift-Tab
};

class TextField;

class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    // True when the delegate has dealt with the command: the field then does
    // nothing more with the key.
    virtual bool doCommand(TextField* field, FieldCommand command) = 0;
};

// A line of text: an editable field (a QLineEdit inside, drawn over our own
// background and border) or a label that draws itself, on one line cut at
// the tail or wrapped onto as many lines as it needs. A selectable label
// keeps the field's read-only editor, so it shows one line.
class TextField : public View {
    Q_OBJECT

public:
    // An editable, bezeled field on a white background.
    explicit TextField(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TextField() override;
    // A label: not editable, not selectable, no border, no background.
    static TextField* labelWithString(const QString& text, const QRectF& frame = QRectF(),
                                      QWidget* parent = nullptr);

    QString stringValue() const;
    // Never counts as an edit: the end-of-editing call does not follow.
    void setStringValue(const QString& text);
    // The whole text read as a number; a leading number counts, anything
    // else (or a number out of range) reads as 0.
    int intValue() const;
    double doubleValue() const;
    void setIntValue(int value);
    void setDoubleValue(double value);

    QString placeholderString() const { return m_placeholder; }
    void setPlaceholderString(const QString& placeholder);

    // The kit font the text is measured and drawn in (the system font at
    // 13 px unless set); the editor gets its nearest whole pixel size.
    // Qt's own QWidget::font() plays no part.
    const Font& textFont() const { return m_font; }
    void setTextFont(const Font& font);

    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool draws);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    // A plain line around the field.
    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered);
    // A sunken frame around the field; wins over bordered.
    bool isBezeled() const { return m_bezeled; }
    void setBezeled(bool bezeled);
    // Horizontal alignment; a single line is centred vertically unless the
    // field is top-aligned.
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    // A label whose frame reaches below what it sits on (a title in a band)
    // keeps its line at the top of the frame, where the band shows it.
    bool isTopAligned() const { return m_topAligned; }
    void setTopAligned(bool topAligned);
    // Wrapping labels break at words onto more lines; a single line is cut
    // at its tail with an ellipsis.
    bool wraps() const { return m_wraps; }
    void setWraps(bool wraps);

    // A link: the address the text leads to. While one is set the whole text
    // is drawn and edited blue and underlined; the address stays as given
    // when the text changes (empty sets no link).
    QString link() const { return m_link; }
    void setLink(const QString& address);

    bool isEditable() const { return m_editable; }
    void setEditable(bool editable);
    // A password field: the editor shows a dot for each character and lets
    // nothing be copied or dragged out. Its text is never logged.
    bool isSecure() const { return m_secure; }
    void setSecure(bool secure);
    bool isSelectable() const { return m_selectable; }
    void setSelectable(bool selectable);

    // Called when editing ends: on Return, on Tab, and when the field loses
    // the keyboard focus after the user changed its text.
    void setOnEndEditing(std::function<void(TextField*)> onEndEditing);
    TextFieldDelegate* delegate() const { return m_delegate; }
    // Not owned.
    void setDelegate(TextFieldDelegate* delegate) { m_delegate = delegate; }

    // The editor while the field is editable or selectable, else hidden;
    // made on first use (a label never needs one).
    QLineEdit* editor() const;

    // Draws a label (a field neither editable nor selectable) in place of
    // the field's own drawing: background, border and text are all the
    // painter's, in the field's coordinates (y down). Controls that centre
    // or shade their text differently are labels with a painter. Null
    // restores the field's own drawing. Editable fields ignore it.
    using LabelPainter = std::function<void(QPainter& painter, const TextField& field)>;
    void setLabelPainter(LabelPainter painter);
    bool hasLabelPainter() const { return bool(m_labelPainter); }
    // A label in its one font and several colours: the runs follow each
    // other on one line, measured as one text and placed as the field's
    // alignment places its text. The string value is the runs' texts joined.
    // Drawn through the label painter, which it replaces.
    struct ColoredRun {
        QString text;
        QColor color;
    };
    void setColoredRuns(const QList<ColoredRun>& runs);
    // Where the text goes: the bounds less the room the border takes.
    QRectF textArea() const;

    // A label its superview draws as part of its own drawing
    // (drawInSuperview, at the end of the superview's drawRect): the label
    // is hidden from Qt's painting, so a grid of hundreds of views paints
    // one widget a view, and its changes of text or look repaint the
    // superview, as do its moves and changes of size.
    // For labels only: an editable or selectable field shows no text so.
    bool isDrawnBySuperview() const { return m_drawnBySuperview; }
    void setDrawnBySuperview(bool drawn);
    // Draws the label as Qt would paint it, at its whole-pixel place and
    // cut to it, with the superview's painter in the superview's
    // coordinates. Does nothing unless the label is drawn by its superview.
    void drawInSuperview(QPainter& painter);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

    // Where a single line of the given height sits: centred vertically in
    // the text area, or at its top.
    static QRectF singleLineRect(const QRectF& textArea, double lineHeight, bool atTop = false);
    // The line of this field's text as it is drawn.
    QRectF drawnLineRect() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void qtGeometryChanged(const QRect& oldGeometry) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool usesEditor() const { return m_editable || m_selectable; }
    void ensureEditor();
    void updateEditor();
    void placeEditor();
    enum class KeyOutcome { NotACommand, Consumed, EndedEditing };
    KeyOutcome handleCommandKey(QKeyEvent* key);
    static bool swallowsKeyPress(const QKeyEvent* key, KeyOutcome outcome);
    void endEditing();
    void underline(QPainter& painter, const QString& line, const QColor& color, const QRectF& lineRect) const;
    // Asks for the field's repaint: of the superview where it draws the field.
    void refresh();

    QLineEdit* m_editor = nullptr;
    QString m_text;  // kept as given: the editor may not hold line breaks
    QString m_placeholder;
    QString m_link;
    Font m_font;  // the system font
    QColor m_textColor;
    QColor m_backgroundColor;
    bool m_drawsBackground = true;
    bool m_bordered = false;
    bool m_bezeled = true;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_wraps = false;
    bool m_topAligned = false;
    bool m_editable = true;
    bool m_secure = false;
    bool m_selectable = true;
    bool m_edited = false;
    bool m_drawnBySuperview = false;
    // The key whose command was dealt with while Qt asked about shortcuts,
    // so that its key press, if it still comes, is not dealt with twice.
    struct HandledKey {
        int key = 0;
        quint64 timestamp = 0;
        bool swallow = false;
    } m_handledKey;
    std::function<void(TextField*)> m_onEndEditing;
    TextFieldDelegate* m_delegate = nullptr;
    LabelPainter m_labelPainter;
};
