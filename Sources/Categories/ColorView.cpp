#include "ColorView.h"

#include "ColorViewController.h"
#include "Matrix.h"
#include "UIUtilities.h"
#include "Utilities.h"

namespace {

constexpr QSizeF swatchSize(30, 15);

}  // namespace

ColorView::ColorView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    m_matrix = new Matrix(QRectF(4, 4, 272, 76), groups, colorsPerGroup, swatchSize);
    m_matrix->setIntercellSpacing(QSizeF(4, 4));
    for (int group = 0; group < groups; ++group)
        for (int color = 0; color < colorsPerGroup; ++color)
            m_matrix->setImageOfCell(group * colorsPerGroup + color,
                                     UIUtilities::getCalendarColorImage(Utilities::colorInGroup(group, color),
                                                                        swatchSize));
    m_matrix->setAction(this, [this](Matrix* matrix) { chooseColor(matrix); });
    addSubview(m_matrix);
}

ColorView::~ColorView() = default;

void ColorView::chooseColor(Matrix* matrix)
{
    if (!matrix || matrix->selectedRow() < 0 || !m_controller) return;
    m_controller->chooseColor(qint64(matrix->selectedRow()) * colorsPerGroup + matrix->selectedColumn());
}
