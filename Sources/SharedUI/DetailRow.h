#pragma once

#include "TextField.h"
#include "View.h"

#include <QPointer>


// One row of a detail editor: a grey, right-aligned caption on the left, a
// main control (view) and an optional second one (reserveView), such as the
// value field beside an alert's pop-up. The row only holds and shows what it
// is given: the owner writes the caption, makes the controls, frames them in
// the row's coordinates and shows, hides and stacks whole rows.
//
// Not flipped: y grows upward, so the caption at y 0 lies along the bottom.
class DetailRow : public View {
    Q_OBJECT

public:
    // The caption (0, 0, 80, 19) in 12-point text.
    explicit DetailRow(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    // The taller caption (0, 0, 75, 23) in 13-point text of the category
    // popover.
    static DetailRow* initWithLargeTextFieldInFrame(const QRectF& frame, QWidget* parent = nullptr);
    ~DetailRow() override;

    // Takes the control and adds it as a subview, its frame as the caller set
    // it. The control it replaces leaves the row and is deleted once control
    // returns to the event loop (so a control may replace itself from its own
    // action), unless it was given again or now belongs to another view.
    // Null leaves the row without that control.
    void setView(View* view);
    void setReserveView(View* view);

    // The caption's width; its origin and height stay. A negative or
    // non-finite width is taken as 0, logged.
    void setLabelWidth(double width);

    TextField* label() const { return m_label; }
    // Replaces the held caption object only: the subviews stay as they are,
    // so the owner adds the new caption where it wants it. One left without
    // a parent is deleted with the row.
    void setLabel(TextField* label);
    View* view() const { return m_view; }
    View* reserveView() const { return m_reserveView; }

    // The caption's look.
    static QColor captionColor();

private:
    enum class CaptionStyle { Standard, Large };
    DetailRow(const QRectF& frame, QWidget* parent, CaptionStyle style);
    void replaceControl(QPointer<View>& slot, const QPointer<View>& otherSlot, View* view);
    void release(View* control);

    QPointer<TextField> m_label;
    QPointer<View> m_view;
    QPointer<View> m_reserveView;
};
