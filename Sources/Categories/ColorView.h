#pragma once

#include "View.h"

#include <QPointer>

class ColorViewController;
class Matrix;

// The colour picker: the 32 palette colours as swatches, one row per colour
// group and one column per colour of the group. A click on a swatch hands
// its palette position (row × 8 + column) to the controller.
class ColorView : public View {
    Q_OBJECT

public:
    static constexpr int groups = 4;
    static constexpr int colorsPerGroup = 8;

    explicit ColorView(const QRectF& frame = QRectF(0, 0, 276, 80), QWidget* parent = nullptr);
    ~ColorView() override;

    ColorViewController* controller() const { return m_controller; }
    void setController(ColorViewController* controller) { m_controller = controller; }
    Matrix* matrix() const { return m_matrix; }

    // The matrix's action: the controller gets the selected cell's position.
    void chooseColor(Matrix* matrix);

    bool isFlipped() const override { return true; }

private:
    QPointer<ColorViewController> m_controller;
    Matrix* m_matrix = nullptr;
};
