#pragma once

#include "CustomNSView.h"
#include "Date.h"
#include "ModelTypes.h"

#include <QPointer>
#include <QSizeF>

#include <vector>

class PlannerBaseItem;
class ScrollView;

// What the three planner panes (the month planner, the week band and the
// hour grid) share: one day column's width, one week row's height, the days
// shown, the views laid out for them, the selected item and the size of the
// item being dragged. Selecting lights every view of the selected record;
// dragging hides them until the pane is laid out again.
//
// taskList holds the item views and, in the month planner, its "more"
// buttons: those are never touched by selecting, hiding or finding.
class PlannerBaseView : public CustomNSView {
    Q_OBJECT

public:
    explicit PlannerBaseView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerBaseView() override;

    // Panes refreshed by a reload lay out their views again here; the week
    // band and the hour grid are filled by the week planner and never come
    // here. The base ends the process: it is never meant to run.
    virtual void reloadData();

    void selectItem(PlannerBaseItem* itemView);
    void draggingItem(PlannerBaseItem* itemView);
    // Opens the editor of the event (of its series, for an occurrence) from
    // the first visible view of it; tasks and notes are not looked for.
    void findAndEditEvent(const TaskPtr& event);

    qint64 selectingKey() const { return m_selectingKey; }
    double itemWidth() const { return m_itemWidth; }
    void setItemWidth(double width) { m_itemWidth = width; }
    double itemCellHeight() const { return m_itemCellHeight; }
    void setItemCellHeight(double height) { m_itemCellHeight = height; }
    Date startDate() const { return m_startDate; }
    void setStartDate(const Date& date) { m_startDate = date; }
    Date endDate() const { return m_endDate; }
    void setEndDate(const Date& date) { m_endDate = date; }
    PlannerBaseItem* selectedItem() const;
    void setSelectedItem(PlannerBaseItem* itemView);
    QSizeF draggingSize() const { return m_draggingSize; }
    void setDraggingSize(const QSizeF& size) { m_draggingSize = size; }

    const std::vector<QPointer<View>>& taskList() const { return m_taskList; }
    // Adds a laid-out view (an item view or a button) as a subview.
    void addToTaskList(View* view);
    // Takes every laid-out view away. They leave with deleteLater: one of
    // them may be running its own handler (a question, a drag) right now.
    void clearTaskList();

    // A reload that gives the laid-out item views new items instead of
    // making new ones: beginReuse takes every view away as clearTaskList
    // does, except that idle item views wait (hidden, prepared for reuse)
    // to be asked for with reusableItemView, and a view showing its item's
    // editor stays in place for keptItemViewFor. endReuse lets go of what
    // the new layout did not take. Busy views are never reused; one with
    // its menu open leaves when the menu closes, so that a command chosen
    // there still runs for the item it was offered for.
    void beginReuse();
    template <class ItemView>
    ItemView* reusableItemView()
    {
        return static_cast<ItemView*>(takeReusable(ItemView::staticMetaObject));
    }
    // The view kept with an open editor for this item (the same record; an
    // occurrence by its series and date), taken from the kept ones.
    PlannerBaseItem* keptItemViewFor(const TaskPtr& item);
    void endReuse();

    // The scroll view the pane scrolls in, if any: item views autoscroll it.
    ScrollView* enclosingScrollView() const;

protected:
    // Selects the first visible item view of this kind that shows the item
    // (an occurrence by its series), opening its editor when asked; false
    // when the pane shows none.
    bool selectShownItem(const Task& item, const QMetaObject& kind, bool openEditor);

private:
    // The item views of taskList, "more" buttons and gone views left out.
    std::vector<PlannerBaseItem*> itemViews() const;
    PlannerBaseItem* takeReusable(const QMetaObject& kind);
    // Hides a view and deletes it later (after its open menu, if any).
    static void letGo(View* view);

    qint64 m_selectingKey = 0;
    double m_itemWidth = 0;
    double m_itemCellHeight = 0;
    std::vector<QPointer<View>> m_taskList;
    std::vector<QPointer<PlannerBaseItem>> m_reusable;
    size_t m_nextReusable = 0;
    std::vector<QPointer<PlannerBaseItem>> m_kept;
    Date m_startDate;
    Date m_endDate;
    QPointer<PlannerBaseItem> m_selectedItem;
    QSizeF m_draggingSize;
};
