#pragma once

#include "DatePicker.h"

// The date rows of the editors: 12-point text without border or background
// at rest; a white box with a soft shadow while clicked or focused, so the
// user sees which date is being changed. Each change the user makes posts
// "NSTextField has changed" once (the kit picker's own post).
class CustomNSDatePicker : public DatePicker {
    Q_OBJECT

public:
    explicit CustomNSDatePicker(const QRectF& frame = QRectF(), QWidget* parent = nullptr);

    // True while the white box and its shadow show.
    bool showsFocusLook() const { return m_focusLook; }

    // Where the box goes: the bounds less the room its shadow takes.
    static QRectF boxRect(const QRectF& bounds);

    // A click on the picker's edge puts the focus in its editor.
    void mouseDown(const Event& event) override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setFocusLook(bool focused);

    bool m_focusLook = false;
};
