#include "PlannerBaseView.h"

#include "PlannerBaseItem.h"

#include "ScrollView.h"
#include "Task.h"

#include <QtGlobal>

PlannerBaseView::PlannerBaseView(const QRectF& frame, QWidget* parent) : CustomNSView(frame, parent) {}

PlannerBaseView::~PlannerBaseView() = default;

void PlannerBaseView::reloadData()
{
    qFatal("Subclasses need to overwrite this method");
}

PlannerBaseItem* PlannerBaseView::selectedItem() const
{
    return m_selectedItem;
}

void PlannerBaseView::setSelectedItem(PlannerBaseItem* itemView)
{
    m_selectedItem = itemView;
}

std::vector<PlannerBaseItem*> PlannerBaseView::itemViews() const
{
    std::vector<PlannerBaseItem*> views;
    views.reserve(m_taskList.size());
    for (const QPointer<View>& entry : m_taskList)
        if (auto* itemView = qobject_cast<PlannerBaseItem*>(entry.data())) views.push_back(itemView);
    return views;
}

void PlannerBaseView::selectItem(PlannerBaseItem* itemView)
{
    if (!itemView || !itemView->task()) return;
    m_selectingKey = itemView->task()->primaryKey();
    m_selectedItem = itemView;
    for (PlannerBaseItem* view : itemViews()) {
        view->setHighlight(view->task() && view->task()->primaryKey() == m_selectingKey);
        view->setNeedsDisplay();
    }
}

void PlannerBaseView::draggingItem(PlannerBaseItem*)
{
    for (PlannerBaseItem* view : itemViews())
        if (view->task() && view->task()->primaryKey() == m_selectingKey) view->setHidden(true);
}

namespace {

// An occurrence of a repeating event is looked for by its series.
qint64 seriesKeyOf(const Task& item)
{
    return item.primaryKey() < 0 ? item.parentId() : item.primaryKey();
}

}  // namespace

void PlannerBaseView::findAndEditEvent(const TaskPtr& event)
{
    if (!event || event->taskType() != 0) return;
    const qint64 wanted = seriesKeyOf(*event);
    for (PlannerBaseItem* view : itemViews()) {
        const TaskPtr shown = view->task();
        if (view->isHidden() || !shown) continue;
        if (shown->repeatType() != event->repeatType() || seriesKeyOf(*shown) != wanted) continue;
        view->setTask(event);
        selectItem(view);
        view->popupEditDetail();
        return;
    }
}

void PlannerBaseView::addToTaskList(View* view)
{
    if (!view) return;
    addSubview(view);
    m_taskList.emplace_back(view);
}

void PlannerBaseView::clearTaskList()
{
    for (const QPointer<View>& entry : m_taskList) {
        if (!entry) continue;
        entry->setHidden(true);
        entry->deleteLater();
    }
    m_taskList.clear();
    m_selectedItem = nullptr;
}

ScrollView* PlannerBaseView::enclosingScrollView() const
{
    for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget())
        if (auto* scrollView = qobject_cast<ScrollView*>(widget)) return scrollView;
    return nullptr;
}

bool PlannerBaseView::showPopupEditDetail(const TaskPtr& item)
{
    m_lastItemAsked = item;
    return false;
}
