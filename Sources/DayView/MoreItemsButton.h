#pragma once

#include "Menu.h"
#include "ModelTypes.h"
#include "View.h"

#include <QPointer>

class DetailViewController;

// The marker an hour grid puts where a group of items starting together has
// more than fit side by side at a readable width: "+N" over the place the
// others would take. A click lists them in a menu (time and title), and the
// one chosen opens in the editor, as a click on its box would.
class MoreItemsButton : public View {
    Q_OBJECT

public:
    explicit MoreItemsButton(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~MoreItemsButton() override;

    const TaskList& items() const { return m_items; }
    void setItems(const TaskList& items);
    // "+N", N the items listed.
    QString title() const;
    // One row per item, in the grid's order.
    Menu menu();

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;

private:
    void edit(const TaskPtr& item);

    TaskList m_items;
    QPointer<DetailViewController> m_detailViewController;
};
