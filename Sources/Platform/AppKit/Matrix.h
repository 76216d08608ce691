#pragma once

#include "View.h"

#include <QImage>
#include <QPointer>
#include <QSizeF>

#include <functional>
#include <vector>

// A grid of cells in radio mode: rows × columns cells of one size, a
// spacing between them, at most one cell selected. A click (a press and a
// release on the same cell) selects the cell and runs the action, which
// reads selectedRow() and selectedColumn(). Cells are images here, each
// drawn scaled into its cell; the selected one looks pressed (a white ring
// inside a black edge over its picture).
class Matrix : public View {
    Q_OBJECT

public:
    Matrix(const QRectF& frame, int rows, int columns, const QSizeF& cellSize, QWidget* parent = nullptr);
    ~Matrix() override;

    int numberOfRows() const { return m_rows; }
    int numberOfColumns() const { return m_columns; }
    QSizeF cellSize() const { return m_cellSize; }
    QSizeF intercellSpacing() const { return m_spacing; }
    // Negative or non-finite parts are taken as 0.
    void setIntercellSpacing(const QSizeF& spacing);

    // Cells count row by row: index = row × columns + column. Indexes outside
    // the grid are ignored (no image).
    void setImageOfCell(int index, const QImage& image);
    QImage imageOfCell(int index) const;

    // -1 for both while no cell is selected.
    int selectedRow() const { return m_selected < 0 ? -1 : m_selected / m_columns; }
    int selectedColumn() const { return m_selected < 0 ? -1 : m_selected % m_columns; }
    // Selects the cell without running the action; one outside the grid
    // clears the selection.
    void selectCellAtRow(int row, int column);

    // The cell's rectangle in the matrix's flipped coordinates; an empty
    // one outside the grid.
    QRectF cellFrameAtRow(int row, int column) const;
    // The cell under the point (the matrix's coordinates): false in the
    // spacing or outside.
    bool getRow(int* row, int* column, const QPointF& point) const;

    void setAction(QObject* target, std::function<void(Matrix*)> action);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    void mouseUp(const Event& event) override;

private:
    int m_rows;
    int m_columns;
    QSizeF m_cellSize;
    QSizeF m_spacing;
    std::vector<QImage> m_images;
    int m_selected = -1;
    int m_pressed = -1;
    QPointer<QObject> m_target;
    bool m_hasTarget = false;
    std::function<void(Matrix*)> m_action;
};
