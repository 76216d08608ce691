#pragma once

#include "TextView.h"

#include <QString>

#include <functional>

// Multi-line editable text of the editors (titles, descriptions, notes): the
// kit's text view with a grey watermark while it is empty and not being
// typed into, and optionally ruled lines on tinted note paper. Its owner
// hears of the end of an edit (the focus leaves after the user changed the
// text) and of every move of the caret or selection. A paste puts every
// checklist mark at the start of a line of its own; a paste longer than
// pasteLimit, or with a word longer than pasteWordLimit, is refused with a
// message, the text left as it was.
class CustomTextView : public TextView {
    Q_OBJECT

public:
    // The paper behind note text, and the pitch of its lines (a 20-point
    // line and 8 points of spacing), which the ruled lines follow.
    static const QColor noteColor;
    static constexpr double notePitch = 28;
    // The most characters one paste or drop may bring: the editor lays out
    // and shows that many within half a second on two cores.
    static constexpr qsizetype pasteLimit = 150000;
    // The longest run without a place to break the line that one paste may
    // bring: the layout of such a run grows with its square.
    static constexpr qsizetype pasteWordLimit = 20000;

    CustomTextView(const QRectF& frame, const QString& watermarkText, QWidget* parent = nullptr);
    ~CustomTextView() override;

    // Every checklist mark of the text that does not begin a line gets a line
    // feed before it.
    static QString marksOnOwnLines(const QString& text);
    // What a paste inserts after the character before (null at the start):
    // the text with its marks on lines of their own, or a null string, with
    // the message shown, when it is longer than pasteLimit or holds a run
    // longer than pasteWordLimit (the text as it is without marksOnLines).
    static QString textToPaste(const QString& pasted, QChar before, bool marksOnLines = true);

    QString watermarkText() const { return m_watermark; }
    // Whether the watermark shows now.
    bool showsWatermark() const;
    // Where the watermark's top left lies: lower on ruled paper.
    QPointF watermarkOrigin() const;
    static Font watermarkFont();

    bool isShowNoteLine() const { return m_showNoteLine; }
    // Ruled lines and note paper, or a plain white ground.
    void setShowNoteLine(bool show);
    // The y of each ruled line in a view of the height.
    static QList<double> noteLineYs(double height);

    double lineHeight() const { return linePitch(); }

    // Makes the view the window's keyboard focus.
    void focusMe();

    void setOnEndEditing(std::function<void(CustomTextView*)> onEnd);
    void setOnSelectionChanged(std::function<void(CustomTextView*)> onChange);

private:
    void drawAfterText(QPainter& painter, const QRectF& visible);

    QString m_watermark;
    bool m_showNoteLine = false;
};
