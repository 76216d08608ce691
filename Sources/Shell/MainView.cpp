#include "MainView.h"

#include "Button.h"
#include "CalendarView.h"
#include "CoreData.h"
#include "DayCalendarView.h"
#include "MainViewHeight.h"
#include "MonthView.h"
#include "TaskView.h"
#include "Utilities.h"
#include "Screen.h"
#include "Setting.h"

#include <QDebug>
#include <QEvent>
#include <QPointer>

#include <cmath>

namespace {

QPointer<MainView>& currentMainView()
{
    static QPointer<MainView> view;
    return view;
}

SettingPtr settings()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : SettingPtr();
}

void saveSettings(const SettingPtr& setting)
{
    if (setting && !setting->dehydrate()) qWarning() << "The window's docking and pinning could not be saved";
}

}  // namespace

MainView::MainView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    // The left column as the first layout leaves it in the narrow window.
    const double columnX = 17;
    const double height = std::max(frame.height(), double(mainViewHeight));
    m_monthView = new MonthView(QRectF(columnX, 73, 280, 243), this);
    m_monthView->setHidden(true);  // its month grid comes later
    m_dayCalendarView = new DayCalendarView(QRectF(columnX, 321, 280, std::max(0.0, height - 361)), this);
    m_dayCalendarView->setMonthView(m_monthView);
    m_monthView->goToday();
    m_showHideBtn = new Button(QRectF(0, 0, 22, 22), this);
    m_showHideBtn->setButtonType(ButtonType::PushOnPushOff);
    m_showHideBtn->setHidden(true);
    m_togglePinBtn = new Button(QRectF(0, 0, 22, 22), this);
    m_togglePinBtn->setButtonType(ButtonType::PushOnPushOff);
    m_togglePinBtn->setHidden(true);
    if (const SettingPtr setting = settings()) {
        m_isPinned = setting->isPinned() != 0;
        m_isPlannerExpand = setting->isMonthPlannerPinned() != 0 || setting->isWeekPlannerPinned() != 0;
    }
}

MainView::~MainView()
{
    if (currentMainView() == this) setCurrent(nullptr);
}

MainView* MainView::current()
{
    return currentMainView();
}

void MainView::setCurrent(MainView* view)
{
    currentMainView() = view;
    MainViewAccess::setCurrent(view);
}

void MainView::reloadData()
{
    if (!isWindowVisible()) return;
    m_dayCalendarView->reloadData();
}

void MainView::reloadLeftPageData()
{
    if (!isWindowVisible()) return;
    m_dayCalendarView->reloadData();
}

void MainView::reloadDataDayCalendar()
{
    if (!isWindowVisible()) return;
    m_dayCalendarView->reloadData();
}

void MainView::refreshTimeLine()
{
    const CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = settings();
    const double hour = dataManager && setting
                            ? Utilities::getCurrentHour(setting->tzSupport() != 0, dataManager->appRootTZ(),
                                                        setting->currentTZ(), Date())
                            : Utilities::getCurrentHour(false, 0, 0, Date());
    m_dayCalendarView->calendarView()->refreshTimeLine(hour);
}

void MainView::clearHighlightExcept(QObject* sender)
{
    if (qobject_cast<TaskView*>(sender) || sender == m_dayCalendarView->calendarView()) return;
    m_dayCalendarView->calendarView()->selectTask(nullptr);
}

bool MainView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ActivationChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        m_windowVisible.store(isVisible() && window()->isVisible());
        m_keyWindow.store(isVisible() && isActiveWindow());
        break;
    default: break;
    }
    return View::event(event);
}

void MainView::resetData() {}

void MainView::showHide()
{
    // The panes come later; the width they need already follows the list
    // column and the mode, so the window has its size from the start.
    const bool listShown = m_showHideBtn->state() == 1;
    if (const SettingPtr setting = settings()) {
        setting->setHasRightPage(listShown ? 1 : 0);
        if (!setting->dehydrate()) qWarning() << "Whether the list column shows could not be saved";
    }
    const double width = m_isPlannerExpand ? std::floor(Screen::mainVisibleFrame().width() - 20) : (listShown ? 620 : 310);
    setFrameSize(QSizeF(width, frame().height()));
}

void MainView::dockLeft()
{
    dock(true);
}

void MainView::dockRight()
{
    dock(false);
}

void MainView::dock(bool left)
{
    m_isDockedLeft = left;
    m_isDockedRight = !left;
    m_isPinned = true;
    m_togglePinBtn->setState(1);
    if (const SettingPtr setting = settings()) {
        setting->setDockStatus(left ? -1 : 1);
        setting->setIsPinned(1);
        saveSettings(setting);
    }
    if (!m_isPlannerExpand && m_openWindow) m_openWindow();
}

void MainView::togglePin()
{
    m_isPinned = !m_isPinned;
    if (const SettingPtr setting = settings()) {
        setting->setIsPinned(m_isPinned ? 1 : 0);
        saveSettings(setting);
    }
}
