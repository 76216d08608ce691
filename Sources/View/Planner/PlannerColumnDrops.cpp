#include "PlannerColumnDrops.h"

#include "KeyedArchive.h"
#include "PlannerCellView.h"

#include <memory>

PlannerColumnDrops::PlannerColumnDrops(View* pane, ColumnAt columnAt) : m_pane(pane), m_columnAt(std::move(columnAt))
{
    DropTarget::registerForDraggedTypes(pane, this, {KeyedArchive::mimeType});
}

PlannerColumnDrops::~PlannerColumnDrops() = default;

PlannerCellView* PlannerColumnDrops::columnOf(const DraggingInfo& info, std::unique_ptr<DraggingInfo>& forColumn) const
{
    // Flipped panes: the pane's coordinates are Qt's.
    const QPointF point = info.draggingLocation();
    PlannerCellView* column = m_columnAt ? m_columnAt(point) : nullptr;
    if (!column || column->isHidden()) return nullptr;
    forColumn = std::make_unique<DraggingInfo>(column, &info.draggingPasteboard(), column->mapFrom(m_pane, point));
    return column;
}

unsigned PlannerColumnDrops::draggingEntered(const DraggingInfo& info)
{
    std::unique_ptr<DraggingInfo> forColumn;
    m_current = columnOf(info, forColumn);
    return m_current ? m_current->draggingEntered(*forColumn) : DragOperationNone;
}

unsigned PlannerColumnDrops::draggingUpdated(const DraggingInfo& info)
{
    std::unique_ptr<DraggingInfo> forColumn;
    PlannerCellView* column = columnOf(info, forColumn);
    if (!column) {
        m_current = nullptr;
        return DragOperationNone;
    }
    if (column != m_current) {
        m_current = column;
        return column->draggingEntered(*forColumn);
    }
    return column->draggingUpdated(*forColumn);
}

void PlannerColumnDrops::draggingExited()
{
    m_current = nullptr;
}

bool PlannerColumnDrops::performDragOperation(const DraggingInfo& info)
{
    std::unique_ptr<DraggingInfo> forColumn;
    PlannerCellView* column = columnOf(info, forColumn);
    m_current = nullptr;
    return column && column->performDragOperation(*forColumn);
}
