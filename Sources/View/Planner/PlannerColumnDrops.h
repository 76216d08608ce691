#pragma once

#include "DropTarget.h"

#include <QPointer>

#include <functional>

class PlannerCellView;
class View;

// The drops on a week pane, handed to the day column under the pointer.
// The pane's hour rows, working-hours layer and item views lie over its
// day columns, and a drop goes to the view under the pointer or one of its
// ancestors, never to a sibling beneath: the pane takes it and passes it on
// as if the column had been hit.
class PlannerColumnDrops : public DraggingDestination {
public:
    using ColumnAt = std::function<PlannerCellView*(const QPointF& point)>;

    PlannerColumnDrops(View* pane, ColumnAt columnAt);
    ~PlannerColumnDrops() override;

    unsigned draggingEntered(const DraggingInfo& info) override;
    unsigned draggingUpdated(const DraggingInfo& info) override;
    void draggingExited() override;
    bool performDragOperation(const DraggingInfo& info) override;

private:
    // The column under the pointer and what the drag looks like to it.
    PlannerCellView* columnOf(const DraggingInfo& info, std::unique_ptr<DraggingInfo>& forColumn) const;

    View* m_pane;
    ColumnAt m_columnAt;
    QPointer<PlannerCellView> m_current;
};
