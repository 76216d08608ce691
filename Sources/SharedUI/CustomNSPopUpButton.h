#pragma once

#include "PopUpButton.h"

// A pop-up button whose face starts 8 points left of the control, so that
// its rounded left end lies outside and the face runs flush with the
// control's left edge, as the rows of the editors want.
class CustomNSPopUpButton : public PopUpButton {
    Q_OBJECT

public:
    explicit CustomNSPopUpButton(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CustomNSPopUpButton() override;

    // Where the face is drawn for the given bounds: 8 points further left
    // and 8 points wider.
    static QRectF cellFrameForBounds(const QRectF& bounds);

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
};
