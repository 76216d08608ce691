#include "RecordingMainView.h"

#include "Calendar.h"
#include "Task.h"

#include <QObject>

RecordingMainView::RecordingMainView()
{
    MainViewAccess::setCurrent(this);
}

RecordingMainView::~RecordingMainView()
{
    if (MainViewAccess::current() == this) MainViewAccess::setCurrent(nullptr);
}

void RecordingMainView::showSyncingIndicator()
{
    record(QStringLiteral("show"));
}

void RecordingMainView::hideSyncingIndicator()
{
    record(QStringLiteral("hide"));
}

void RecordingMainView::reloadData()
{
    record(QStringLiteral("reload"));
}

void RecordingMainView::reloadLeftPageData()
{
    record(QStringLiteral("reloadLeftPage"));
}

void RecordingMainView::reloadDataDayCalendar()
{
    record(QStringLiteral("reloadDay"));
}

void RecordingMainView::refreshTimeLine()
{
    record(QStringLiteral("timeLine"));
}

void RecordingMainView::clearHighlightExcept(QObject* sender)
{
    {
        std::lock_guard lock(m_mutex);
        m_lastSender = sender;
    }
    record(QStringLiteral("clearHighlight %1")
               .arg(sender ? QString::fromLatin1(sender->metaObject()->className()) : QStringLiteral("none")));
}

void RecordingMainView::setLoadingItem(const TaskPtr& item)
{
    record(QStringLiteral("loadingItem %1").arg(item ? item->primaryKey() : 0));
}

void RecordingMainView::setLoadingView(QObject* view)
{
    record(QStringLiteral("loadingView %1")
               .arg(view ? QString::fromLatin1(view->metaObject()->className()) : QStringLiteral("none")));
}

QObject* RecordingMainView::lastHighlightSender() const
{
    std::lock_guard lock(m_mutex);
    return m_lastSender;
}

QStringList RecordingMainView::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void RecordingMainView::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

void RecordingMainView::record(const QString& call)
{
    std::lock_guard lock(m_mutex);
    m_calls.append(call);
}

bool RecordingMainView::revealStep(const QString& pane, const TaskPtr& item)
{
    record(QStringLiteral("reveal %1 %2").arg(pane).arg(item ? item->primaryKey() : 0));
    return revealingPanes.contains(pane);
}

void RecordingMainView::showDayInMiniMonth(double day)
{
    record(QStringLiteral("miniMonth %1").arg(qint64(day)));
}

void RecordingMainView::scrollNoteListToNote(const TaskPtr& note)
{
    record(QStringLiteral("scrollNote %1").arg(note ? note->primaryKey() : 0));
}

void RecordingMainView::showItemDetail(const TaskPtr& item, int tab)
{
    record(QStringLiteral("showItemDetail %1 %2").arg(item ? item->primaryKey() : 0).arg(tab));
}

void RecordingMainView::moveToTop(const TaskPtr& item)
{
    record(QStringLiteral("moveToTop %1").arg(item ? item->primaryKey() : 0));
}

void RecordingMainView::showCalendarDetail(const CalendarPtr& category, int tab)
{
    record(QStringLiteral("showCalendarDetail %1 %2").arg(category ? category->primaryKey() : 0).arg(tab));
}

void RecordingMainView::reloadCategoryView()
{
    record(QStringLiteral("reloadCategory"));
}

void RecordingMainView::reloadDataWithInfo(const QVariantMap& info)
{
    for (auto it = info.begin(); it != info.end(); ++it)
        record(QStringLiteral("reload %1=%2").arg(it.key(), it.value().toString()));
}

void RecordingMainView::setCanRefreshData(bool canRefresh)
{
    this->canRefresh = canRefresh;
    record(canRefresh ? QStringLiteral("setCanRefreshData:YES") : QStringLiteral("setCanRefreshData:NO"));
}

void RecordingMainView::setFocusListModule(int module)
{
    listModule = module;
    record(QStringLiteral("setFocusListModule:%1").arg(module));
}

void RecordingMainView::showTaskModuleAndReloadData()
{
    listModule = 1;
    record(QStringLiteral("showTaskModule"));
}

void RecordingMainView::showNoteModuleAndReloadData()
{
    listModule = 2;
    record(QStringLiteral("showNoteModule"));
}

void RecordingMainView::showProjectModuleAndReloadData()
{
    listModule = 3;
    record(QStringLiteral("showProjectModule"));
}

void RecordingMainView::reloadNoteList()
{
    record(QStringLiteral("reloadNotes"));
}

void RecordingMainView::resetMonthPlannerExpandRow()
{
    record(QStringLiteral("collapseMonthRow"));
}

void RecordingMainView::collapseWeekPlannerBand()
{
    record(QStringLiteral("collapseWeekBand"));
}

void RecordingMainView::reloadPlannerView(bool forceNavigator)
{
    record(QStringLiteral("reloadPlanner %1").arg(forceNavigator ? 1 : 0));
}
