#include "PlannerBaseView.h"

#include "PlannerBaseItem.h"

#include "ScrollView.h"
#include "Task.h"

#include <QMenu>
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

bool PlannerBaseView::selectShownItem(const Task& item, const QMetaObject& kind, bool openEditor)
{
    const qint64 wanted = seriesKeyOf(item);
    for (const QPointer<View>& entry : m_taskList) {
        auto* view = static_cast<PlannerBaseItem*>(kind.cast(entry.data()));
        if (!view || view->isHidden() || !view->task()) continue;
        if (view->task()->repeatType() != item.repeatType() || seriesKeyOf(*view->task()) != wanted) continue;
        selectItem(view);
        if (openEditor) view->popupEditDetail();
        return true;
    }
    return false;
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

void PlannerBaseView::letGo(View* view)
{
    view->setHidden(true);
    auto* itemView = qobject_cast<PlannerBaseItem*>(view);
    if (QMenu* menu = itemView ? itemView->openMenu() : nullptr) {
        QObject::connect(menu, &QObject::destroyed, view, &QObject::deleteLater);
        return;
    }
    view->deleteLater();
}

void PlannerBaseView::beginReuse()
{
    endReuse();
    for (const QPointer<View>& entry : m_taskList) {
        if (!entry) continue;
        auto* itemView = qobject_cast<PlannerBaseItem*>(entry.data());
        if (itemView && itemView->hasOpenEditor()) {
            m_kept.emplace_back(itemView);
        } else if (itemView && !itemView->isBusy()) {
            itemView->setHidden(true);
            itemView->prepareForReuse();
            m_reusable.emplace_back(itemView);
        } else {
            letGo(entry);
        }
    }
    m_taskList.clear();
    m_selectedItem = nullptr;
}

PlannerBaseItem* PlannerBaseView::takeReusable(const QMetaObject& kind)
{
    while (m_nextReusable < m_reusable.size()) {
        PlannerBaseItem* view = m_reusable[m_nextReusable].data();
        if (!view || view->metaObject() != &kind) {
            ++m_nextReusable;
            continue;
        }
        m_reusable[m_nextReusable++] = nullptr;
        return view;
    }
    return nullptr;
}

namespace {

bool sameRecord(const Task& a, const Task& b)
{
    // Occurrences get new keys with every gathering.
    if (a.primaryKey() >= 0 || b.primaryKey() >= 0) return a.primaryKey() == b.primaryKey();
    return a.parentId() == b.parentId() && a.occurrence() == b.occurrence() && a.dueEnd() == b.dueEnd();
}

}  // namespace

PlannerBaseItem* PlannerBaseView::keptItemViewFor(const TaskPtr& item)
{
    if (!item) return nullptr;
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        PlannerBaseItem* view = it->data();
        if (!view || !view->task() || !sameRecord(*view->task(), *item)) continue;
        m_kept.erase(it);
        return view;
    }
    return nullptr;
}

void PlannerBaseView::endReuse()
{
    for (const QPointer<PlannerBaseItem>& view : m_reusable)
        if (view) letGo(view);
    for (const QPointer<PlannerBaseItem>& view : m_kept)
        if (view) letGo(view);
    m_reusable.clear();
    m_kept.clear();
    m_nextReusable = 0;
}

ScrollView* PlannerBaseView::enclosingScrollView() const
{
    for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget())
        if (auto* scrollView = qobject_cast<ScrollView*>(widget)) return scrollView;
    return nullptr;
}
