#pragma once

#include "Font.h"
#include "View.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

// A column of exclusive radio cells with titles, one above the other, each
// with a tag. A click on a cell selects it and runs the action; code
// selects without running it.
class RadioMatrix : public View {
    Q_OBJECT

public:
    struct Cell {
        QString title;
        int tag = 0;
    };

    RadioMatrix(const QRectF& frame, const std::vector<Cell>& cells, double cellHeight, QWidget* parent = nullptr);
    ~RadioMatrix() override;

    const std::vector<Cell>& cells() const { return m_cells; }
    // -1 while no cell is selected.
    int selectedIndex() const { return m_selected; }
    const Cell* selectedCell() const;
    // False, and no cell selected, for a tag no cell has.
    bool selectCellWithTag(int tag);
    QRectF cellRect(int index) const;

    void setTarget(QObject* receiver, std::function<void(RadioMatrix*)> action);
    // The user's click on cell i: selects it and runs the action.
    void performClickOnCell(int index);

    const Font& textFont() const { return m_font; }
    void setTextFont(const Font& font);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;

private:
    std::vector<Cell> m_cells;
    double m_cellHeight;
    int m_selected = -1;
    Font m_font;
    bool m_hasReceiver = false;
    QPointer<QObject> m_receiver;
    std::function<void(RadioMatrix*)> m_action;
};
