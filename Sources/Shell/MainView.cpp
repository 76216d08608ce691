#include "MainView.h"
#include "StartupTrace.h"

#include "AboutUsPanel.h"
#include "AlertPresenter.h"
#include "AddNewNoteView.h"
#include "AddView.h"
#include "Button.h"
#include "Calendar.h"
#include "CalendarView.h"
#include "CategoryDetailListItemView.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailView.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "CategoryPopOverDetailView.h"
#include "CategoryShowHideViewController.h"
#include "NotificationViewController.h"
#include "TagViewController.h"
#include "Clock.h"
#include "CoreData.h"
#include "CustomNSImage.h"
#include "EditorPages.h"
#include "TaskDetailView.h"
#include "TaskListItemView.h"
#include "DayCalendarView.h"
#include "FocusPaneDetailView.h"
#include "FocusPaneView.h"
#include "Event.h"
#include "Font.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "ListModuleView.h"
#include "MAAttachedWindow.h"
#include "MainQueue.h"
#include "MainViewHeight.h"
#include "MessageBoxAlertPresenter.h"
#include "MonthCalendarView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "NamedImages.h"
#include "NoteListTableView.h"
#include "LinkConversationSection.h"
#include "NoteLinkPages.h"
#include "NoteListView.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "PlannerMonthView.h"
#include "PlannerWeekView.h"
#include "PopUpButton.h"
#include "Preferences.h"
#include "QueryStatement.h"
#include "QuickAddView.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Scheduler.h"
#include "Screen.h"
#include "SearchResultView.h"
#include "SearchView.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "ShellNotifications.h"
#include "SyncProgressView.h"
#include "SystemTimeZoneWatcher.h"
#include "Task.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TaskView.h"
#include "TextField.h"
#include "TextTable.h"
#include "TimezoneSearchView.h"
#include "Transaction.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "VerticalNSSegmentedCell.h"
#include "Window.h"
#include "ZVWSync.h"

#include <QDebug>
#include <QEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

constexpr double debounceSeconds = 0.5;
constexpr int autoBackupCountdownStart = 10;
constexpr double columnWidth = 310;
constexpr double columnInset = 17;
constexpr double paneWidth = 280;
constexpr double backgroundCap = 40;

QPointer<MainView>& currentMainView()
{
    static QPointer<MainView> view;
    return view;
}

CoreData* dataManager()
{
    return CoreData::shared();
}

SettingPtr settings()
{
    CoreData* manager = dataManager();
    return manager ? manager->currentSetting() : SettingPtr();
}

void saveSettings(const SettingPtr& setting)
{
    if (setting && !setting->dehydrate()) qWarning() << "The window's docking and pinning could not be saved";
}

QString classNameOf(const QObject* object)
{
    return object ? QString::fromLatin1(object->metaObject()->className()).section(QStringLiteral("::"), -1)
                  : QString();
}

ImageView* backgroundImage(const QRectF& frame, const QImage& image, View* parent)
{
    auto* view = new ImageView(frame, parent);
    view->setImageScaling(ImageScaling::AxesIndependently);
    view->setImage(image);
    return view;
}

// A background image stretched from its top cap to the height.
QImage stretched(const QImage& image, double height)
{
    return CustomNSImage::stretchableImageWithTopCapHeight(image, int(backgroundCap), height);
}

}  // namespace

double MainView::navigatorWidthForHeight(double height)
{
    const double n = height - 115;  // the bars above and below the stack
    return (n >= 780 ? n * 0.25 : n / 3) * 170 / 195;
}

MainView::MainView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double W = frame.width();
    const double H = frame.height();
    const double h = double(mainViewHeight);
    const double x0 = W - 620;
    const double x1 = x0 + columnInset;

    const QImage bg = NamedImages::imageNamed(QStringLiteral("bg"));
    m_leftPlannerBgImage = backgroundImage(QRectF(0, 0, columnWidth, h), stretched(bg, h), this);
    m_preferredLang = MonthView::preferredLang();
    m_monthPlannerView = new PlannerMonthView(QRectF(0, 0, std::max(0.0, W - 612), h));
    m_weekPlannerView = new PlannerWeekView(QRectF(0, 0, std::max(0.0, W - 612), h));
    m_leftBgImage = backgroundImage(QRectF(x0, 0, columnWidth, h), stretched(bg, h), this);
    m_bottomPlannerBar = backgroundImage(QRectF(60, 0, std::max(0.0, W - 620), h),
                                         stretched(NamedImages::imageNamed(QStringLiteral("bg_center")), h), this);
    m_rightTopBgImage = backgroundImage(QRectF(x0 + columnWidth, 0, columnWidth, 50),
                                        NamedImages::imageNamed(QStringLiteral("bg_right_top")), this);
    m_rightBgImage = backgroundImage(QRectF(x0 + columnWidth, 45, columnWidth, h - 45),
                                     stretched(NamedImages::imageNamed(QStringLiteral("bg_right")), h - 45), this);
    // The add panel builds its note and category tabs when the bar builds the panel.
    AddView::setFormMaker(AddView::NoteEditor, AddNewNoteView::formMaker());
    AddView::setFormMaker(AddView::ProjectEditor, CategoryPopOverDetailView::formMaker());
    m_quickAddView = new QuickAddView(QRectF(x1, 40, paneWidth, 28));
    m_monthView = new MonthView(QRectF(x1, 73, paneWidth, 243), this);
    const double navigatorHeight = H - 115;
    m_monthNav = new MonthNavigation(QRectF(x1, 40, navigatorWidthForHeight(H), std::max(0.0, navigatorHeight)), this);
    m_monthNav->setHidden(true);  // planner mode shows it
    m_dayCalendarView = new DayCalendarView(QRectF(x1, 321, paneWidth, std::max(0.0, h - 361)), this);
    m_dayCalendarView->setMonthView(m_monthView);

    // The planners reach down to the window's bottom edge: they lie under
    // the bottom bar's buttons, which take their clicks and tooltips.
    addSubview(m_monthPlannerView);
    addSubview(m_weekPlannerView);
    m_monthPlannerView->setHidden(true);
    m_weekPlannerView->setHidden(true);

    // The bottom bar.
    const auto barButton = [this, H](int titleSize, Qt::Alignment alignment, double x, double width,
                                     std::function<void(Button*)> action, const QImage& normal,
                                     const QImage& selected, const QString& tooltipKeyText) {
        Button* button = UIUtilities::createButton(QString(), titleSize, Qt::black, alignment, ButtonType::Toggle,
                                                   QRectF(x, H - 30, width, 20), this, std::move(action), normal,
                                                   selected, false);
        if (!tooltipKeyText.isEmpty()) button->setToolTip(tooltipKeyText);
        return button;
    };
    m_showHideBtn = barButton(10, Qt::AlignHCenter, x0 + 280, 20, [this](Button*) { showHide(); },
                              NamedImages::imageNamed(QStringLiteral("showpane")),
                              NamedImages::imageNamed(QStringLiteral("hidepane")),
                              TextTable::localizedString(QStringLiteral("taskListTooltip")));
    m_togglePinBtn = barButton(10, Qt::AlignHCenter, x0 + 260, 20, [this](Button*) { togglePin(); },
                               NamedImages::imageNamed(QStringLiteral("pin_off")),
                               NamedImages::imageNamed(QStringLiteral("pin_on")),
                               TextTable::localizedString(QStringLiteral("dockTooltip")));
    m_togglePinBtn->setKeyEquivalent(QStringLiteral("p"), CommandKeyMask);
    addSubview(m_showHideBtn);
    addSubview(m_togglePinBtn);
    setUpTimezoneView(x1, H);
    m_syncingBtn = barButton(10, Qt::AlignHCenter, x1 + 32, 20, [this](Button*) { syncZVW(); },
                             NamedImages::imageNamed(QStringLiteral("syncing")), QImage(),
                             TextTable::localizedString(QStringLiteral("syncZVWTooltipText")));
    m_categoryShowHideBtn = barButton(12, Qt::AlignHCenter, x1 + 54, 20, [this](Button*) { categoryShowHide(); },
                                      NamedImages::imageNamed(QStringLiteral("showhide_normal")), QImage(),
                                      TextTable::localizedString(QStringLiteral("showHideCategoryTooltip")));
    m_tagShowHideBtn = barButton(12, Qt::AlignHCenter, x1 + 76, 20, [this](Button*) { tagShowHide(); },
                                 NamedImages::imageNamed(QStringLiteral("tag_normal")), QImage(),
                                 TextTable::localizedString(QStringLiteral("tagListTooltip")));
    m_convNotifBtn = barButton(12, Qt::AlignLeft, x1 + 98, 40, [this](Button*) { openNotificationList(); },
                               NamedImages::imageNamed(QStringLiteral("conversation")), QImage(), QString());
    addSubview(m_categoryShowHideBtn);
    addSubview(m_tagShowHideBtn);
    addSubview(m_convNotifBtn);

    m_numberOfNewNotifLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(10, 0, 20, 10));
    m_numberOfNewNotifLabel->setDrawsBackground(true);
    m_numberOfNewNotifLabel->setBackgroundColor(Qt::red);
    m_numberOfNewNotifLabel->setTextColor(Qt::white);
    m_numberOfNewNotifLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 7.5));
    m_numberOfNewNotifLabel->setAlignment(Qt::AlignHCenter);
    m_numberOfNewNotifLabel->setHidden(true);
    m_convNotifBtn->addSubview(m_numberOfNewNotifLabel);

    if (const SettingPtr setting = settings())
        m_isPlannerExpand = setting->isMonthPlannerPinned() != 0 || setting->isWeekPlannerPinned() != 0;
    m_listModuleView = new ListModuleView(
        QRectF(m_isPlannerExpand ? x0 + 327 : 327, 40, paneWidth, std::round(H - 50)), this);
    m_listModuleView->taskListView()->setCalendarView(m_dayCalendarView->calendarView());


    m_bgShadow = backgroundImage(QRectF(7, 70, 300, 300), NamedImages::imageNamed(QStringLiteral("shadow_bg")), this);
    m_bgShadowBottom =
        backgroundImage(QRectF(7, 370, 300, 10), NamedImages::imageNamed(QStringLiteral("shadow_bottom_bg")), this);
    m_bgShadow->setHidden(true);
    m_bgShadowBottom->setHidden(true);

    addSubview(m_quickAddView);
    addSubview(m_syncingBtn);
    setUpGearAndSyncControls(H);

    m_viewNavSegmentedControl = new SegmentedControl(QRectF(0, 0, 84, 24), this);
    VerticalNSSegmentedCell::install(*m_viewNavSegmentedControl);
    m_viewNavSegmentedControl->setSegmentCount(3);
    // Only the marks' shapes count: they take the segments' label colours.
    m_viewNavSegmentedControl->setTemplateImages(true);
    m_viewNavSegmentedControl->setSelectedSegment(0);
    const QImage navImages[3] = {NamedImages::imageNamed(QStringLiteral("day")),
                                 NamedImages::imageNamed(QStringLiteral("week")),
                                 NamedImages::imageNamed(QStringLiteral("month"))};
    const QString navTips[3] = {TextTable::localizedString(QStringLiteral("dayViewTooltip")),
                                TextTable::localizedString(QStringLiteral("weekViewTooltip")),
                                TextTable::localizedString(QStringLiteral("monthViewTooltip"))};
    for (int i = 0; i < 3; ++i) {
        m_viewNavSegmentedControl->setImage(navImages[i], i);
        m_viewNavSegmentedControl->setWidth(28, i);
        m_viewNavSegmentedControl->setTag(i + 1, i);
        m_viewNavSegmentedControl->setToolTip(navTips[i], i);
    }
    m_viewNavSegmentedControl->setFrameSize(QSizeF(m_viewNavSegmentedControl->fittingWidth(), 24));
    m_viewNavSegmentedControl->setTarget(this, [this](SegmentedControl* control) {
        viewNavControl(control->selectedSegment());
    });

    m_appTitle = UIUtilities::getCommonTextFieldWithFrame(QRectF(0, 7, W, 25));
    m_appTitle->setTextFont(Font::fontWithName(QStringLiteral("Helvetica Bold"), 18));
    m_appTitle->setAlignment(Qt::AlignHCenter);
    m_appTitle->setTextColor(QColor(244, 244, 244));
    m_appTitle->setStringValue(QStringLiteral("Zoravel"));
    addSubview(m_appTitle);

    registerObservers();
    reloadData();

    m_numberOfNewNotif = 0;
    m_isDockedLeft = m_isDockedRight = m_isPinned = m_needGoToday = m_hasPopup = false;
    if (const SettingPtr setting = settings()) {
        m_isPlannerExpand = setting->isMonthPlannerPinned() != 0 || setting->isWeekPlannerPinned() != 0;
        if (setting->isPinned() != 0) m_isPinned = true;
    }
    m_countDownForAutoBackup = autoBackupCountdownStart;
    refreshUI();

    m_focusTmp = new TextField(QRectF(), this);
    m_monthView->goToday();
    armDayChangeTimer();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kRefreshCommentCount,
                                                                         static_cast<QObject*>(this));
}

MainView::~MainView()
{
    m_autoBackupTimer.invalidate();
    m_delayReloadDataTimer.invalidate();
    m_delayDataChangeTimer.invalidate();
    m_dayChangeTimer.invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
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
    // The editors do not know the task list's rows; a revert of an editor
    // opened from one reloads it through this.
    if (view) {
        EditorPages::setRowReloader([](QWidget* parentView) {
            auto* row = qobject_cast<TaskListItemView*>(parentView);
            if (!row || row->metaObject() != &TaskListItemView::staticMetaObject) return false;
            row->reload();
            return true;
        });
        // The popover controller's note and link pages.
        NotePages::setCurrent(&NoteLinkPages::shared());
        // The editors' links and conversation section.
        LinkConversationSection::install();
        // The popover controller opens tasks in the task editor.
        EditorPages::setTaskEditorMaker([](const TaskPtr& item, View* positioningView) {
            EditorContent content;
            TaskDetailView* form = makeTaskDetailView(item, positioningView);
            if (!form) return content;
            content.view = form;
            QPointer<TaskDetailView> guarded(form);
            content.revertInfo = [guarded] {
                if (guarded) guarded->revertInfo();
            };
            return content;
        });
    }
}

void MainView::registerObservers()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    // Only the view's own bar: its growing moves the left column.
    center.addObserver(this, kAddNotification, m_quickAddView,
                       [this](const Notification&) { rearrangeLeftViewAddNew(); });
    center.addObserver(this, kAllTasksEventsAdesChanged, nullptr, [this](const Notification&) { adeListChanged(); });
    center.addObserver(this, kCalendarListChanged, nullptr, [this](const Notification&) { calendarListChanged(); });
    center.addObserver(this, kTaskChanged, nullptr, [this](const Notification& n) { dataChanged(n); });
    center.addObserver(this, kTaskOrderChanged, nullptr, [this](const Notification&) { taskOrderChanged(); });
    center.addObserver(this, kRefreshHideStateOfMonthView, nullptr,
                       [this](const Notification&) { navigatorMonthViewStateChanged(); });
    center.addObserver(this, kRefreshCommentCount, nullptr,
                       [this](const Notification&) { refreshCommentCountNofitication(); });
    // The backups are answered by the window's backup commands; for now the
    // countdown starts again as it should and the rest is heard only. The
    // account refusal is checked against the web-sync object at delivery:
    // with no filter here, the view's own repost would come back to it.
    center.addObserver(this, kZVWAccountInvalidNotification, nullptr,
                       [this](const Notification& n) { accountInvalidNotification(n); });
    center.addObserver(this, kSystemTimeZoneDidChangeNotification, nullptr,
                       [this](const Notification&) { reloadADEandUI(); });
    center.addObserver(this, kInputModeNoteChanged, nullptr, [this](const Notification&) { refreshModeNote(); });
    center.addObserver(this, kNavShowHideChanged, nullptr, [this](const Notification&) { navShowHideChange(); });
    center.addObserver(this, kTurnOnOffTimezone, nullptr, [this](const Notification&) { turnOnTimeZone(); });
    center.addObserver(this, kSettingChangedBySync, nullptr,
                       [this](const Notification&) { settingTimezoneChangedWhenSync(); });
    center.addObserver(this, kAutoBackupStartNotification, nullptr,
                       [this](const Notification&) { resetTimerAutoBackup(); });
    center.addObserver(this, kAutoBackupEndNotification, nullptr, [this](const Notification&) { saveAutoBackupFile(); });
    center.addObserver(this, kServerErrorNotification, nullptr,
                       [this](const Notification& n) { serverHasError(n); });
    center.addObserver(this, kSystemTimeZoneDidChangeNotification, nullptr,
                       [this](const Notification&) { systemTimeZoneChanged(); });
}

// ---- reloads ---------------------------------------------------------------------

void MainView::preamble(const TaskPtr& item)
{
    CoreData* manager = dataManager();
    const SettingPtr setting = settings();
    if (m_needUpdateCoreData && manager) {
        m_needUpdateCoreData = false;
        if (setting && setting->showActiveTaskOnly() != 0)
            manager->removeInActiveTask();
        else if (!manager->addActiveTask())
            qWarning() << "The tasks of the working list could not all be read again";
    }
    // A change may have moved a listed task's start past today (a drop on a
    // later day moves the start with the deadline): in active-only mode the
    // panes must not go on showing it where a fresh load would not. Taking
    // it out posts the item-list change, whose reload follows.
    if (manager) manager->dropTasksStartingAfterToday();
    const bool miniMonthHidden =
        m_quickAddView->isSearching() || m_quickAddView->isAdding() || !(setting && setting->navShowing());
    // The bar shows search results in the mini month's place: they follow the
    // change (the one item's row when an item is given).
    if (miniMonthHidden) {
        if (item) {
            // A generated occurrence is known by its series' key.
            const qint64 key = item->primaryKey() > 0 ? item->primaryKey() : item->parentId();
            const QString text = QString::number(key);
            m_quickAddView->reloadData(QHash<QString, QVariant>{{text, text}});
        } else
            m_quickAddView->search();
    }
    if (manager && setting && setting->showActiveTaskOnly() != 0) manager->setFutureTaskList(manager->getAllFutureTasks());
}

void MainView::reloadMonthAndDay(bool forced)
{
    m_monthView->reloadDataWithDaylabel(true, forced);
    m_dayCalendarView->reloadData();
    ++m_reloadCounts.monthAndDay;
}

void MainView::reloadFocusPane()
{
    m_dayCalendarView->focusPaneView()->reloadData();
    ++m_reloadCounts.focusPane;
}

void MainView::reloadNavigatorIfNeed()
{
    m_monthNav->reloadDataIfNeed();
}

void MainView::reloadPane(RefreshRule::Pane pane)
{
    using RefreshRule::Pane;
    switch (pane) {
    case Pane::TaskList: m_listModuleView->taskListView()->reloadData(); break;
    case Pane::NoteList: m_listModuleView->noteListView()->reloadData(); break;
    case Pane::ProjectList: m_listModuleView->categoryListView()->reloadData(); break;
    case Pane::FocusPane: reloadFocusPane(); break;
    case Pane::MonthAndDay: reloadMonthAndDay(false); break;
    case Pane::MonthAndDayForced: reloadMonthAndDay(true); break;
    case Pane::Navigator: reloadNavigatorIfNeed(); break;
    case Pane::Planner: reloadPlannerView(false); break;
    }
}

void MainView::reloadDataWithInfo(const QVariantMap& info)
{
    // While an editor's popover is up its anchor is a row of these lists: a
    // whole reload would rebuild that row and close the popover under the
    // user (the add-link page asks this after each Add). The changed rows
    // are refreshed in place then; the whole reload follows the popover's
    // "Task changed".
    if (m_hasPopup && !info.isEmpty()) {
        const QHash<QString, QVariant> changed(info.begin(), info.end());
        m_listModuleView->taskListView()->taskListTableView()->reloadData(changed);
        m_listModuleView->noteListView()->noteListTableView()->reloadData(changed);
        return;
    }
    reloadData();
}

// What the panes loaded ahead were loaded from: the shared connection's
// row writes, the other connections' commits, the units rolled back, the
// changes the view heard and the minute (the time line, today's marks).
struct MainView::AheadReload {
    RecordStore::RowWriteMark mark;
    std::optional<qint64> dataVersion;
    quint64 rollbacks = 0;
    quint64 changesHeard = 0;
    qint64 minute = 0;

    static AheadReload now(quint64 changesHeard)
    {
        AheadReload stamp;
        RecordGuard guard;
        stamp.mark = RecordStore::rowWriteMark();
        if (RecordStore::sharedDatabase()) {
            if (QueryStatement version("PRAGMA data_version"); version.isValid())
                stamp.dataVersion = version.firstInt64();
        }
        stamp.rollbacks = Transaction::rollbackCount();
        stamp.changesHeard = changesHeard;
        stamp.minute = qint64(std::floor(Clock::now().timeIntervalSince1970() / 60));
        return stamp;
    }

    // Without a count of writes or a data version nothing is known unchanged.
    bool sameAs(const AheadReload& later) const
    {
        return mark.countedRows >= 0 && dataVersion && mark.generation == later.mark.generation
               && mark.hookedRows == later.mark.hookedRows && mark.countedRows == later.mark.countedRows
               && dataVersion == later.dataVersion && rollbacks == later.rollbacks
               && changesHeard == later.changesHeard && minute == later.minute;
    }
};

void MainView::reloadAhead()
{
    StartupTrace::mark("reload ahead");
    m_aheadReload.reset();
    // A new item list heard before (the launch's full sync) would reload
    // every pane again once the window is open: its reload runs now instead.
    if (m_delayDataChangeTimer.isValid()) {
        m_delayDataChangeTimer.invalidate();
        m_delayDataChangeTimer = ScheduledTimer();
        preamble();
        reloadAfterItemListChange();
    } else {
        reloadAllPanes();
    }
    // Read after the load: the load's own writes (a repaired order) are part
    // of what it shows.
    m_aheadReload = std::make_unique<AheadReload>(AheadReload::now(m_changesHeard));
    StartupTrace::mark("reloaded ahead");
}

bool MainView::takeReloadAhead()
{
    const std::unique_ptr<AheadReload> ahead = std::move(m_aheadReload);
    if (!ahead || m_needUpdateCoreData || m_needGoToday) return false;
    return ahead->sameAs(AheadReload::now(m_changesHeard));
}

void MainView::reloadData()
{
    if (!isWindowVisible()) return;
    if (takeReloadAhead()) {
        StartupTrace::mark("reload: taken from ahead");
        // The planner in front loads only in a shown window: not ahead.
        if (m_isPlannerExpand) reloadPlannerView(true);
        return;
    }
    reloadAllPanes();
}

void MainView::reloadAllPanes()
{
    preamble();
    StartupTrace::mark("reload: preamble");
    if (m_isPlannerExpand) {
        m_listModuleView->taskListView()->reloadData();
        m_listModuleView->categoryListView()->reloadData();
        reloadPlannerView(true);
        m_listModuleView->noteListView()->reloadData();
    } else {
        m_monthView->reloadDataWithDaylabel(true);
        StartupTrace::mark("reload: month");
        // The day pane below reloads the grid: the list's plan need not.
        m_listModuleView->taskListView()->reloadData(TaskListView::DayGrid::LeftToCaller);
        StartupTrace::mark("reload: task list");
        m_listModuleView->noteListView()->reloadData();
        StartupTrace::mark("reload: note list");
        m_dayCalendarView->reloadData();
        StartupTrace::mark("reload: day");
        m_listModuleView->categoryListView()->reloadData();
        StartupTrace::mark("reload: categories");
        ++m_reloadCounts.monthAndDay;
        goTodayIfNeed();
    }
    changeCategoryShowHideState();
    StartupTrace::mark("reload: done");
}

void MainView::reloadData(const TaskPtr& item)
{
    if (!isWindowVisible()) return;
    preamble(item);
    if (m_isPlannerExpand)
        m_monthNav->reloadData();
    else
        m_monthView->reloadDataWithDaylabel(true);
    m_listModuleView->taskListView()->taskListTableView()->reloadData(item);
    m_listModuleView->noteListView()->noteListTableView()->reloadData(item);
    QHash<QString, QVariant> changed;
    if (item) changed.insert(QString::number(item->primaryKey()), 1);
    m_dayCalendarView->reloadData(changed);
    m_listModuleView->categoryListView()->categoryListTableView()->reloadData(item);
}

void MainView::moveToTop(const TaskPtr& item)
{
    if (!isWindowVisible()) return;
    m_listModuleView->taskListView()->taskListTableView()->moveToTop(item);
    m_dayCalendarView->moveToTop(item);
    m_listModuleView->categoryListView()->categoryListTableView()->moveToTop(item);
}

void MainView::reloadLeftPageData()
{
    if (!isWindowVisible()) return;
    reloadMonthAndDay(false);
    if (m_isPlannerExpand) reloadPlannerView(true);
}

void MainView::collapseWeekPlannerBand()
{
    m_weekPlannerView->plannerPane()->setIsExpand(false);
}

void MainView::resetMonthPlannerExpandRow()
{
    m_monthPlannerView->resetExpandRowIndex();
}

void MainView::reloadNoteList()
{
    if (!isWindowVisible()) return;
    m_listModuleView->noteListView()->reloadData();
}

void MainView::reloadDataDayCalendar()
{
    if (!isWindowVisible()) return;
    m_dayCalendarView->reloadData();
}

void MainView::reloadCategoryView()
{
    if (!isWindowVisible()) return;
    m_listModuleView->categoryListView()->reloadData();
}

void MainView::reloadPlannerView(bool forceNavigator)
{
    if (!isWindowVisible() || !m_isPlannerExpand) return;
    if (forceNavigator) {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kClearSelectedNavigatorMonth,
                                                                             static_cast<QObject*>(this));
        if (!m_monthNav->monthList().empty())
            m_monthNav->monthList().front()->monthCalendarView()->setMonthDate(
                m_monthView->monthCalendarView()->monthDate());
    }
    ++m_reloadCounts.planner;
    if (!m_weekPlannerView->isHidden())
        m_weekPlannerView->reloadData();
    else if (!m_monthPlannerView->isHidden())
        m_monthPlannerView->reloadData();
}

void MainView::armDayChangeTimer()
{
    m_dayChangeTimer.invalidate();
    m_shownToday = MonthView::todayInDisplayZone();
    const CoreData* manager = dataManager();
    const SettingPtr setting = settings();
    const Date now = manager && setting
                         ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(), setting->currentTZ())
                         : Utilities::getCurrentDate(false, 0, 0);
    const DateFields f = GregorianCalendar::fields(m_shownToday);
    const Date nextMidnight = GregorianCalendar::dateFromFields(f.year, f.month, f.day + 1, 0, 0, 0);
    // A clock set back or a suspended machine makes a long wait miss the
    // day: it is checked at least every hour, and a timer that comes early
    // only waits again.
    double wait = nextMidnight.isNull() ? 3600.0 : nextMidnight.timeIntervalSinceDate(now);
    if (!(wait > 1.0)) wait = 1.0;
    wait = std::min(wait, 3600.0);
    const QPointer<MainView> self(this);
    m_dayChangeTimer = Scheduler::current().scheduleTimer(wait, false, [self] {
        if (self) self->dayChangeCheck();
    });
}

void MainView::dayChangeCheck()
{
    const Date formerToday = m_shownToday;
    const Date today = MonthView::todayInDisplayZone();
    armDayChangeTimer();
    if (!formerToday.isNull() && today != formerToday) passMidnight(formerToday);
}

void MainView::passMidnight(const Date& formerToday)
{
    const Date selected = m_monthView->monthCalendarView()->currentDay();
    const bool selectedWasToday = selected.isNull() || Utilities::compareDateNoTime(selected, formerToday) == 0;
    if (selectedWasToday) {
        // An open popover hangs from a row the move would rebuild: the move
        // waits for the reload that follows it.
        if (m_hasPopup) {
            m_needGoToday = true;
        } else {
            m_monthView->goToday();
            m_dayCalendarView->calendarView()->scrollToCurrentTime();
        }
    }
    // Every pane marks the new today now, not at its next refresh: the day
    // pane, the lists' today, the planners' cells and every month grid.
    reloadData();
    m_monthView->monthCalendarView()->refreshTodayMark();
    for (MonthView* month : m_monthNav->monthList()) month->monthCalendarView()->refreshTodayMark();
}

void MainView::goTodayIfNeed()
{
    if (!m_needGoToday || m_hasPopup) return;
    m_needGoToday = false;
    m_monthView->goToday();
    m_dayCalendarView->calendarView()->scrollToCurrentTime();
}

void MainView::setHasPopup(bool has)
{
    m_hasPopup = has;
    if (has || !m_needGoToday) return;
    // A midnight that passed under an open popover is caught up as soon as it
    // closes, saved or not: a cancelled editor starts no reload that would.
    // Later, so the popover's own teardown is over first.
    const QPointer<MainView> self(this);
    Scheduler::current().scheduleTimer(0, false, [self] {
        if (!self || !self->m_needGoToday || self->m_hasPopup) return;
        self->goTodayIfNeed();
        self->reloadData();
    });
}

void MainView::refreshTimeLine()
{
    const CoreData* manager = dataManager();
    const SettingPtr setting = settings();
    const Date day = m_monthView->monthCalendarView()->currentDay();
    const double hour = manager && setting ? Utilities::getCurrentHour(setting->tzSupport() != 0, manager->appRootTZ(),
                                                                       setting->currentTZ(), day)
                                           : Utilities::getCurrentHour(false, 0, 0, day);
    m_dayCalendarView->calendarView()->refreshTimeLine(hour);
    m_weekPlannerView->weeklyPane()->refreshTimeLine(hour);
}

void MainView::clearHighlightExcept(QObject* sender)
{
    // Exact classes: a view of a class derived from a list's own class
    // still clears that list.
    const QString name = classNameOf(sender);
    if (name != QLatin1String("TaskListTableView")) m_listModuleView->taskListView()->taskListTableView()->deselectAll();
    if (name != QLatin1String("NoteListTableView")) m_listModuleView->noteListView()->noteListTableView()->deselectAll();
    if (name != QLatin1String("FocusPaneDetailView")) m_dayCalendarView->focusPaneView()->focusPaneDetailView()->deselectAll();
    // The grid alone: reloading the whole day pane would also reload the
    // focus list and drop the selection a click there just made.
    if (name != QLatin1String("TaskView") && name != QLatin1String("CalendarView"))
        m_dayCalendarView->calendarView()->reloadData();
    if (name != QLatin1String("SearchResultView")) m_quickAddView->searchView()->resultView()->deselectAll();
    if (name != QLatin1String("CategoryListTableView") && name != QLatin1String("CategoryDetailListItemView"))
        if (CategoryDetailPanel* panel = m_listModuleView->categoryListView()->categoryListTableView()->categoryDetailPanel())
            panel->categoryDetailView()->detailView()->deselectAll();
    if (name != QLatin1String("PlannerPane") && name != QLatin1String("WeeklyPane")) m_weekPlannerView->reloadData();
    if (name != QLatin1String("PlannerMonthView")) m_monthPlannerView->reloadData();
}

void MainView::setCurrentDate(const Date& date, bool isReloadData)
{
    m_monthView->monthCalendarView()->setCurrentDay(date, isReloadData);
}

// ---- handlers ---------------------------------------------------------------------

void MainView::afterAlerts(std::function<void()> job)
{
    // Qt's timers fire inside an alert's loop: a reload then would rebuild
    // panes under an open question. It waits for the alert to close.
    if (!MessageBoxAlertPresenter::isRunning()) {
        job();
        return;
    }
    auto* waiter = new QObject(this);
    NotificationCenter::defaultCenter().addObserver(waiter, kAlertDidEndNotification, nullptr,
                                                    [this, waiter, job = std::move(job)](const Notification&) {
                                                        waiter->deleteLater();
                                                        NotificationCenter::defaultCenter().removeObserver(waiter);
                                                        afterAlerts(job);
                                                    });
}

void MainView::dataChanged(const Notification& notification)
{
    heardChange();
    m_delayReloadDataTimer.invalidate();
    const QStringList sender = RefreshRule::classChainOfSender(notification);
    QPointer<MainView> self(this);
    m_delayReloadDataTimer = Scheduler::current().scheduleTimer(debounceSeconds, true, [self, sender] {
        if (self) self->refreshDelay(sender);
    });
}

void MainView::refreshDelay(const QStringList& senderClassChain)
{
    m_delayReloadDataTimer.invalidate();
    m_delayReloadDataTimer = ScheduledTimer();
    if (!isWindowVisible()) return;  // opening the window reloads everything
    afterAlerts([this, senderClassChain] {
        preamble();
        CoreData* manager = dataManager();
        const TaskPtr adding = manager ? manager->modifyingTask() : nullptr;
        const qint64 addingType = adding ? adding->taskType() : -1;
        const std::vector<RefreshRule::Pane> panes =
            RefreshRule::panesToReload(senderClassChain, m_isPlannerExpand, addingType);
        // The list's plan and load, the grid and the focus list walk the
        // same working list: what one gathers the others take.
        const CoreData::SharedPasses shared(manager);
        // The day pane reloads its grid: the list's plan need not draw it first.
        const bool dayPaneReloads = std::any_of(panes.begin(), panes.end(), [](RefreshRule::Pane pane) {
            return pane == RefreshRule::Pane::MonthAndDay || pane == RefreshRule::Pane::MonthAndDayForced;
        });
        for (RefreshRule::Pane pane : panes) {
            if (pane == RefreshRule::Pane::TaskList && dayPaneReloads)
                m_listModuleView->taskListView()->reloadData(TaskListView::DayGrid::LeftToCaller);
            else
                reloadPane(pane);
        }
    });
}

void MainView::adeListChanged()
{
    heardChange();
    m_delayDataChangeTimer.invalidate();
    QPointer<MainView> self(this);
    m_delayDataChangeTimer = Scheduler::current().scheduleTimer(debounceSeconds, true, [self] {
        if (self) self->refreshADEListDelay();
    });
}

void MainView::refreshADEListDelay()
{
    m_delayDataChangeTimer.invalidate();
    m_delayDataChangeTimer = ScheduledTimer();
    afterAlerts([this] {
        preamble();
        reloadAfterItemListChange();
    });
}

// What follows a new item list or a new system zone: the lists, the
// navigator (laid out again when the week start changed), the month and day
// or the planner, then the editor a pane asked to open once the list was new.
void MainView::reloadAfterItemListChange()
{
    {
        // The list's plan and load, the grid and the focus list walk the
        // same working list: what one gathers the others take.
        const CoreData::SharedPasses shared(dataManager());
        // In normal mode the day pane reloads its grid below: the list's
        // plan need not draw it first.
        m_listModuleView->taskListView()->reloadData(m_isPlannerExpand ? TaskListView::DayGrid::Reload
                                                                       : TaskListView::DayGrid::LeftToCaller);
        const SettingPtr setting = settings();
        const bool weekStartDiffers = setting && m_monthNav->weekStart() != int(setting->weekStartDay());
        if (m_isPlannerExpand) {
            if (weekStartDiffers)
                m_monthNav->forceReloadData();
            else
                m_monthNav->reloadDataIfNeed();
            reloadPlannerView(false);
        } else {
            if (weekStartDiffers) m_monthNav->forceReloadData();
            reloadMonthAndDay(false);
        }
        m_listModuleView->noteListView()->reloadData();
        m_listModuleView->categoryListView()->reloadData();
    }
    changeCategoryShowHideState();
    refreshUI();
    if (m_loadingView && m_loadingItem) {
        if (auto* grid = qobject_cast<CalendarView*>(m_loadingView.data()))
            grid->findAndEditEvent(m_loadingItem);
        else if (auto* pane = qobject_cast<PlannerBaseView*>(m_loadingView.data()))
            pane->findAndEditEvent(m_loadingItem);
    }
    m_loadingView = nullptr;
    m_loadingItem.reset();
}

void MainView::calendarListChanged()
{
    heardChange();
    m_listModuleView->categoryListView()->reloadData();
    changeCategoryShowHideState();
}

void MainView::taskOrderChanged()
{
    heardChange();
    if (!isWindowVisible()) return;
    preamble();
    m_listModuleView->taskListView()->reloadData();
    if (m_isPlannerExpand)
        reloadPlannerView(false);
    else
        m_dayCalendarView->reloadData();
    m_listModuleView->categoryListView()->reloadData();
}

void MainView::navigatorMonthViewStateChanged()
{
    const SettingPtr setting = settings();
    if (!(setting && setting->navShowing())) m_monthView->setHidden(true);
}

void MainView::refreshCommentCountNofitication()
{
    const CoreData* manager = dataManager();
    m_numberOfNewNotif = manager ? manager->countAllUnreadConversations() : 0;
    notificationButtonState();
}

void MainView::rearrangeLeftViewAddNew()
{
    const SettingPtr setting = settings();
    const bool navShowing = setting && setting->navShowing();
    if (m_quickAddView->isSearching() || m_quickAddView->isAdding()) {
        m_monthView->setHidden(true);
        m_dayCalendarView->setHidden(true);
        if (m_isPlannerExpand) {
            m_bgShadow->setHidden(false);
            m_bgShadowBottom->setHidden(false);
        }
    } else {
        m_bgShadow->setHidden(true);
        m_bgShadowBottom->setHidden(true);
        if (!m_isPlannerExpand) {
            m_monthView->setHidden(!navShowing);
            m_dayCalendarView->setHidden(false);
            double x = frame().width() - columnWidth + columnInset;
            if (m_showHideBtn->state() == 1) x -= columnWidth;
            const QRectF bar = m_quickAddView->frame();
            m_monthView->setFrameOrigin(QPointF(x, bar.y() + bar.height() + 5));
            const double h = double(mainViewHeight);
            if (navShowing) {
                m_monthView->setFrame(QRectF(x, 73, paneWidth, 243));
                m_dayCalendarView->setFrame(QRectF(x, 321, paneWidth, std::max(0.0, h - 361)));
            } else {
                m_dayCalendarView->setFrame(QRectF(x, 73, paneWidth, std::max(0.0, h - 113)));
            }
        }
    }
}

void MainView::reloadADEandUI()
{
    heardChange();
    if (CoreData* manager = dataManager())
        if (!manager->reloadADE()) qWarning() << "The all-day events could not be read again after a zone change";
    reloadData();
}

void MainView::systemTimeZoneChanged()
{
    heardChange();
    if (CoreData* manager = dataManager()) {
        manager->setAppRootTZ(manager->getDefaultTimezone());
        // Without zone support the store's events of the former display zone
        // are held in the machine's clock, which is no longer theirs (a Paris
        // 14:00 showed at 14:00 in New York, and a drag wrote that instant):
        // they are read again as the next start reads them.
        if (manager->followSystemZoneWithoutZoneSupport()) manager->followZoneSupportChange();
    }
    reloadAfterItemListChange();
}

void MainView::refreshModeNote()
{
    m_quickAddView->addView()->changeModeNote();
}

// ---- opening items --------------------------------------------------------------

void MainView::showHiddenAlert()
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.messageText = TextTable::localizedString(QStringLiteral("hiddenLinkMsg"));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    AlertPresenter::current().runModal(request);
}

void MainView::showItemDetail(const TaskPtr& item, int tab)
{
    if (!item) return;
    CoreData* manager = dataManager();
    if (manager && !manager->isCalendarVisible(item->calendarId())) {
        showHiddenAlert();
        return;
    }
    m_currentItemContentTab = tab;
    const SettingPtr setting = settings();
    const bool weekPinned = setting && setting->isWeekPlannerPinned() != 0;
    const bool monthPinned = setting && setting->isMonthPlannerPinned() != 0;
    const bool listShown = setting && setting->hasRightPage() != 0;
    TaskListTableView* taskTable = m_listModuleView->taskListView()->taskListTableView();
    NoteListTableView* noteTable = m_listModuleView->noteListView()->noteListTableView();
    CategoryListTableView* projectTable = m_listModuleView->categoryListView()->categoryListTableView();
    FocusPaneDetailView* focusList = m_dayCalendarView->focusPaneView()->focusPaneDetailView();
    // A list that shows the item opens its editor, and every other pane
    // drops its selection; a planner's answer is not used.
    const auto openedIn = [this, &item](auto* list) {
        if (!list->showPopupEditDetail(item)) return false;
        clearHighlightExcept(list);
        return true;
    };
    const auto openInPlanner = [this, &item, weekPinned](bool weeklyGrid) {
        if (weekPinned) {
            if (weeklyGrid)
                m_weekPlannerView->weeklyPane()->showPopupEditDetail(item);
            else
                m_weekPlannerView->plannerPane()->showPopupEditDetail(item);
        } else {
            m_monthPlannerView->showPopupEditDetail(item);
        }
    };

    switch (item->taskType()) {
    case 3:  // a note
        if (listShown && openedIn(noteTable)) return;
        if (weekPinned || monthPinned) {
            openInPlanner(false);
            return;
        }
        if (!openedIn(projectTable)) showHiddenAlert();
        return;
    case 1:  // a task
        if (listShown && openedIn(taskTable)) return;
        if ((weekPinned || monthPinned) && item->hasDue() != 0) {
            openInPlanner(false);
            return;
        }
        if (!openedIn(focusList) && !openedIn(projectTable)) showHiddenAlert();
        return;
    case 0:
        if (weekPinned || monthPinned) {
            openInPlanner(item->isADE() == 0);
            return;
        }
        if (item->isADE() != 0) {
            // An occurrence of a repeating all-day event opens on its own
            // day, not on its series' first.
            const Date date = item->primaryKey() < 0 && !item->occurrence().isNull() ? item->occurrence()
                                                                                     : item->startTime();
            const Date day = Utilities::newDateOnDate(date, 0, 0);
            m_monthView->monthCalendarView()->setMonthDate(day);
            m_monthView->monthCalendarView()->setCurrentDay(day);
            if (!openedIn(focusList) && !openedIn(projectTable)) showHiddenAlert();
            return;
        }
        if (!openedIn(m_dayCalendarView->calendarView())) showHiddenAlert();
        return;
    default: return;
    }
}

void MainView::showCalendarDetail(const CalendarPtr& category, int)
{
    if (!category) return;
    CoreData* manager = dataManager();
    CategoryListTableView* projectTable = m_listModuleView->categoryListView()->categoryListTableView();
    if (manager && manager->isCalendarVisible(category->primaryKey()) &&
        projectTable->showPopupCalendarEditDetail(category)) {
        if (CategoryDetailPanel* panel = projectTable->categoryDetailPanel()) panel->categoryDetailView()->setFocusTab(1);
        return;
    }
    showHiddenAlert();
}

void MainView::setShadowLocationWithHeight(double height)
{
    if (!std::isfinite(height) || height < 0) return;
    const QRectF bar = m_quickAddView->frame();
    m_bgShadow->setFrame(QRectF(bar.x() - 10, 70, 300, height));
    m_bgShadow->setImage(NamedImages::imageNamed(QStringLiteral("shadow_bg"))
                             .scaled(QSize(300, std::max(1, int(height))), Qt::IgnoreAspectRatio));
    m_bgShadowBottom->setFrameOrigin(QPointF(bar.x() - 10, m_bgShadow->frame().bottom()));
}

void MainView::resetData()
{
    m_quickAddView->resetData();
}

// ---- window state and layout ----------------------------------------------------

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

void MainView::placeBottomBar(double H)
{
    const double B = H - 30;
    m_settingBtn->setFrame(QRectF(7, H - 40, 38, 40));
    m_timezoneView->setFrameOrigin(QPointF(7, H - 28));
    m_syncingBtn->setFrame(QRectF(49, B, 20, 20));
    m_syncingView->setFrame(QRectF(49, B, 120, 20));
    m_categoryShowHideBtn->setFrame(QRectF(79, B, 20, 20));
    m_tagShowHideBtn->setFrame(QRectF(109, B, 20, 20));
    notificationButtonState();
}

void MainView::layoutNormalMode(double H)
{
    const SettingPtr setting = settings();
    const bool navShowing = setting && setting->navShowing();
    m_viewNavSegmentedControl->setSelectedSegment(0);
    m_weekPlannerView->setHidden(true);
    m_monthPlannerView->setHidden(true);
    m_bottomPlannerBar->setHidden(true);
    m_monthView->setHidden(!navShowing);
    m_dayCalendarView->setHidden(false);
    m_leftBgImage->setFrame(QRectF(0, 0, columnWidth, H));

    const bool listShown = m_showHideBtn->state() == 1;
    // Every layout passes here; a save writes the row and two side files to
    // disk, so it is done only when the choice changed.
    if (setting && setting->hasRightPage() != (listShown ? 1 : 0)) {
        setting->setHasRightPage(listShown ? 1 : 0);
        if (!setting->dehydrate()) qWarning() << "Whether the list column shows could not be saved";
    }
    const double W = listShown ? 2 * columnWidth : columnWidth;
    m_listModuleView->setHidden(!listShown);
    m_rightTopBgImage->setHidden(!listShown);
    m_rightBgImage->setHidden(!listShown);
    if (listShown) {
        // A window not on screen yet (the launch) loads every pane as it opens.
        if (isWindowVisible()) m_listModuleView->reloadData();
        m_rightTopBgImage->setFrame(QRectF(columnWidth, 0, columnWidth, 50));
        m_rightBgImage->setFrame(QRectF(columnWidth, 45, columnWidth, H - 45));
        m_listModuleView->setFrameOrigin(QPointF(327, m_listModuleView->frame().y()));
    }
    m_quickAddView->setFrame(QRectF(columnInset, 40, paneWidth, 28));
    if (navShowing) {
        m_monthView->setFrame(QRectF(columnInset, 73, paneWidth, 243));
        m_dayCalendarView->setFrame(QRectF(columnInset, 321, paneWidth, std::max(0.0, H - 361)));
    } else {
        m_dayCalendarView->setFrame(QRectF(columnInset, 73, paneWidth, std::max(0.0, H - 113)));
    }
    const double B = H - 30;
    m_showHideBtn->setFrame(QRectF(280, B, 20, 20));
    m_togglePinBtn->setFrame(QRectF(260, B, 20, 20));
    placeBottomBar(H);
    setFrameSize(QSizeF(W, H));
    m_currentSize = W;
    m_viewNavSegmentedControl->setFrameOrigin(QPointF(columnInset, 41));
    m_appTitle->setFrameSize(QSizeF(listShown ? W - columnWidth : W, 25));
}

void MainView::layoutPlannerMode(double H)
{
    const SettingPtr setting = settings();
    const bool navShowing = setting && setting->navShowing();
    const bool weekPinned = setting && setting->isWeekPlannerPinned() != 0;
    if (!m_isDockedLeft && !m_isDockedRight) {
        m_isDockedRight = true;
        m_dockedForPlanner = true;
        if (setting) {
            setting->setDockStatus(1);
            if (!setting->dehydrate()) qWarning() << "The planner window's docking could not be saved";
        }
    }
    const double W = std::floor(Screen::mainVisibleFrame().width() - 20);
    const bool listShown = m_showHideBtn->state() == 1;
    const QRectF bar(150, 0, std::max(0.0, W - (listShown ? 620 : 310)), H);
    m_bottomPlannerBar->setHidden(false);
    m_bottomPlannerBar->setFrame(bar);
    m_bottomPlannerBar->setImage(stretched(NamedImages::imageNamed(QStringLiteral("bg_center")), H));
    m_monthNav->setHidden(!navShowing);
    m_viewNavSegmentedControl->setSelectedSegment(weekPinned ? 1 : 2);
    m_weekPlannerView->setHidden(!weekPinned);
    m_monthPlannerView->setHidden(weekPinned);
    m_dayCalendarView->setHidden(true);
    m_monthView->setHidden(true);

    const double N = m_monthNav->frame().width();
    const double L = listShown ? columnWidth : 0;
    double P = W - L - N - (weekPinned ? 43 : 34);
    if (!navShowing) P += N + 10;
    View* planner = weekPinned ? static_cast<View*>(m_weekPlannerView) : m_monthPlannerView;
    planner->setFrame(QRectF(columnInset, 40, std::max(0.0, P), std::max(0.0, H - 40)));

    if (setting && setting->hasRightPage() != (listShown ? 1 : 0)) {
        setting->setHasRightPage(listShown ? 1 : 0);
        if (!setting->dehydrate()) qWarning() << "Whether the list column shows could not be saved";
    }
    double C = 0;
    m_listModuleView->setHidden(!listShown);
    m_rightTopBgImage->setHidden(!listShown);
    m_rightBgImage->setHidden(!listShown);
    if (!listShown) {
        m_leftBgImage->setFrame(QRectF(W - columnWidth, 0, columnWidth, H));
        C = W - 293;
    } else {
        if (isWindowVisible()) m_listModuleView->reloadData();
        m_leftBgImage->setFrame(QRectF(W - 620, 0, columnWidth, H));
        m_rightTopBgImage->setFrame(QRectF(W - columnWidth, 0, columnWidth, 50));
        m_rightBgImage->setFrame(QRectF(W - columnWidth, 45, columnWidth, H - 45));
        m_listModuleView->setFrameOrigin(QPointF(W - 293, m_listModuleView->frame().y()));
        C = W - 603;
    }
    if (navShowing) {
        const QRectF nav = m_monthNav->frame();
        m_monthNav->setFrameOrigin(QPointF(planner->frame().x() + P + (weekPinned ? 14 : 5), 70));
        Q_UNUSED(nav);
    }
    const double B = H - 30;
    m_quickAddView->setFrame(QRectF(C, 40, paneWidth, 28));
    m_showHideBtn->setFrame(QRectF(C + 263, B, 20, 20));
    m_togglePinBtn->setFrame(QRectF(C + 243, B, 20, 20));
    placeBottomBar(H);
    setFrameSize(QSizeF(W, H));
    m_currentSize = W;
    m_viewNavSegmentedControl->setFrameOrigin(QPointF(C, 41));
    m_appTitle->setFrameSize(QSizeF(listShown ? W - columnWidth : W, 25));
}

void MainView::toggleViewSize()
{
    // The view is always the main view height high.
    const double H = double(mainViewHeight) > 0 ? double(mainViewHeight) : frame().height();
    if (m_isPlannerExpand)
        layoutPlannerMode(H);
    else
        layoutNormalMode(H);
    // The window takes the new width round the view, keeping its point.
    if (auto* attached = qobject_cast<MAAttachedWindow*>(window())) attached->redisplay();
}

void MainView::showHide()
{
    // The choice is stored as the other view changes are: a refused one is
    // told, and the column stays as it was rather than changing on screen
    // only, to be lost at the next start.
    const bool listShown = m_showHideBtn->state() == 1;
    CoreData* manager = dataManager();
    const SettingPtr setting = settings();
    if (manager && setting && setting->hasRightPage() != (listShown ? 1 : 0)) {
        // The button shows the column as it is until the choice is stored.
        m_showHideBtn->setState(listShown ? 0 : 1);
        if (!manager->saveSettingFromView([&](Setting& kept) { kept.setHasRightPage(listShown ? 1 : 0); }, window())) {
            qWarning() << "Whether the list column shows could not be saved; it stays as it was";
            return;
        }
        m_showHideBtn->setState(listShown ? 1 : 0);
    }
    toggleViewSize();
    if (setting && setting->isMonthPlannerPinned() != 0)
        m_monthPlannerView->redrawItemsIfNeed();
    else if (setting && setting->isWeekPlannerPinned() != 0)
        m_weekPlannerView->redrawItemsIfNeed();
}

void MainView::showHideListByShorcut()
{
    m_showHideBtn->setState(m_showHideBtn->state() == 0 ? 1 : 0);
    showHide();
}

void MainView::navShowHide()
{
    if (const SettingPtr setting = settings()) {
        setting->setNavShowing(!setting->navShowing());
        if (!setting->saveLocalSettings()) qWarning() << "Whether the navigator shows could not be saved";
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kNavShowHideChanged,
                                                                         static_cast<QObject*>(this));
}

void MainView::navShowHideChange()
{
    toggleViewSize();
    if (!m_isPlannerExpand) {
        m_monthView->reloadDataWithDaylabel(true);
        return;
    }
    m_monthNav->reloadData();
    const SettingPtr setting = settings();
    if (setting && setting->isMonthPlannerPinned() != 0)
        m_monthPlannerView->redrawItemsIfNeed();
    else
        m_weekPlannerView->redrawItemsIfNeed();
}

void MainView::reopenWindowUnlessDocked()
{
    if (!m_isDockedLeft && !m_isDockedRight && m_openWindow) m_openWindow();
}

// The docking the planner sizes imposed is theirs only: back at the day
// size the window hangs under the tray item again, and the next start too.
void MainView::undockAfterPlanner()
{
    if (!m_dockedForPlanner) return;
    m_dockedForPlanner = false;
    m_isDockedRight = false;
    if (const SettingPtr setting = settings()) {
        setting->setDockStatus(0);
        if (!setting->dehydrate()) qWarning() << "The window's docking could not be saved";
    }
}

// The planner the person chose, kept in the settings row as one unit.
// Refused, the settings and the window stay as they were, the switch shows
// the view still open, and the person is told.
bool MainView::savePlannerChoice(qint64 weekPinned, qint64 monthPinned)
{
    CoreData* manager = dataManager();
    if (!manager || !settings()) return true;
    if (manager->saveSettingFromView([&](Setting& kept) {
            kept.setIsWeekPlannerPinned(weekPinned);
            kept.setIsMonthPlannerPinned(monthPinned);
        }, window()))
        return true;
    qWarning() << "The planner choice could not be saved; the view stays as it was";
    const SettingPtr setting = settings();
    m_viewNavSegmentedControl->setSelectedSegment(
        !m_isPlannerExpand ? 0 : setting && setting->isWeekPlannerPinned() != 0 ? 1 : 2);
    return false;
}

void MainView::dayShowHide()
{
    if (!savePlannerChoice(0, 0)) return;
    m_isPlannerExpand = false;
    undockAfterPlanner();
    reopenWindowUnlessDocked();
    toggleViewSize();
    m_monthView->reloadDataWithDaylabel(true);
    m_dayCalendarView->reloadData();
    m_dayCalendarView->calendarView()->scrollToCurrentTime();
}

void MainView::weekPlannerShowHide()
{
    if (!savePlannerChoice(1, 0)) return;
    m_isPlannerExpand = true;
    reopenWindowUnlessDocked();
    toggleViewSize();
    reloadPlannerView(true);
    m_weekPlannerView->scrollToCurrentTime();
}

void MainView::monthPlannerShowHide()
{
    if (!savePlannerChoice(0, 1)) return;
    m_isPlannerExpand = true;
    reopenWindowUnlessDocked();
    toggleViewSize();
    reloadPlannerView(true);
}

void MainView::viewNavControl(int segment)
{
    m_quickAddView->resetData();
    const SettingPtr setting = settings();
    const bool weekPinned = setting && setting->isWeekPlannerPinned() != 0;
    const bool monthPinned = setting && setting->isMonthPlannerPinned() != 0;
    switch (segment) {
    case 2:
        if (!monthPinned) monthPlannerShowHide();
        break;
    case 1:
        if (!weekPinned) weekPlannerShowHide();
        break;
    case 0:
        if (weekPinned || monthPinned) dayShowHide();
        break;
    default: break;
    }
}

void MainView::nodock()
{
    if (m_isPlannerExpand) return;  // the planner window stays docked
    m_isDockedLeft = m_isDockedRight = m_isPinned = false;
    m_togglePinBtn->setState(0);
    if (const SettingPtr setting = settings()) {
        setting->setDockStatus(0);
        setting->setIsPinned(0);
        saveSettings(setting);
    }
    if (m_openWindow) m_openWindow();
}

namespace {

// The font size of the local settings, brought into the steps' range: a
// value outside it (or none) would otherwise never come back by steps.
double fontSizeInRange(const SettingPtr& setting)
{
    const double size = setting ? double(setting->currentFontSize()) : MainView::smallestFontSize;
    if (!std::isfinite(size)) return MainView::smallestFontSize;
    return std::clamp(size, MainView::smallestFontSize, MainView::largestFontSize);
}

}  // namespace

void MainView::increaseCurrentFont()
{
    const SettingPtr setting = settings();
    if (!setting) return;
    const double size = fontSizeInRange(setting);
    const double next = size >= largestFontSize ? size : size + 0.5;
    if (next == double(setting->currentFontSize())) return;
    setting->setCurrentFontSize(float(next));
    if (!setting->saveLocalSettings()) qWarning() << "The list font size could not be saved";
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(TaskView::currentFontSizeChangedNotification,
                                                                         static_cast<QObject*>(this));
}

void MainView::decreaseCurrentFont()
{
    const SettingPtr setting = settings();
    if (!setting) return;
    const double size = fontSizeInRange(setting);
    const double next = size <= smallestFontSize ? size : size - 0.5;
    if (next == double(setting->currentFontSize())) return;
    setting->setCurrentFontSize(float(next));
    if (!setting->saveLocalSettings()) qWarning() << "The list font size could not be saved";
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(TaskView::currentFontSizeChangedNotification,
                                                                         static_cast<QObject*>(this));
}

void MainView::categoryShowHide()
{
    if (m_categoryShowHideBtn->state() != 1) {
        NotificationCenter::defaultCenter().postNotificationName(kPopoverShouldClose, static_cast<QObject*>(this));
        return;
    }
    if (!m_categoryShowHideViewController) m_categoryShowHideViewController = new CategoryShowHideViewController(this);
    m_categoryShowHideViewController->categoryShowHideViewPopOverAtPositionView(m_categoryShowHideBtn);
}

void MainView::tagShowHide()
{
    if (m_tagShowHideBtn->state() != 1) {
        NotificationCenter::defaultCenter().postNotificationName(kPopoverShouldClose, static_cast<QObject*>(this));
        return;
    }
    if (!m_tagViewController) m_tagViewController = new TagViewController(this);
    m_tagViewController->tagViewPopOverAtPositionView(m_tagShowHideBtn);
}

void MainView::openNotificationList()
{
    if (m_convNotifBtn->state() != 1 || m_numberOfNewNotif < 1) {
        NotificationCenter::defaultCenter().postNotificationName(kPopoverShouldClose, static_cast<QObject*>(this));
        return;
    }
    if (!m_notifViewController) m_notifViewController = new NotificationViewController(this);
    m_notifViewController->showNotificationViewPopOverAtPositionView(m_convNotifBtn);
}

int MainView::tagShowHideBtnState() const
{
    return m_tagShowHideBtn->state();
}

void MainView::setTagShowHideBtnState(int state)
{
    m_tagShowHideBtn->setState(state);
}

int MainView::categoryShowHideBtnState() const
{
    return m_categoryShowHideBtn->state();
}

void MainView::setCategoryShowHideBtnState(int state)
{
    m_categoryShowHideBtn->setState(state);
}

int MainView::convNotifBtnState() const
{
    return m_convNotifBtn->state();
}

void MainView::setConvNotifBtnState(int state)
{
    m_convNotifBtn->setState(state);
}

void MainView::setTagShowHideBtnImage(const QString& name)
{
    // Only the two images of the tag button; any other name shows the plain one.
    const bool selected = name == QLatin1String("tag_selected");
    m_tagButtonImage = selected ? name : QStringLiteral("tag_normal");
    m_tagShowHideBtn->setImage(selected ? NamedImages::imageNamed(QStringLiteral("tag_selected"))
                                        : NamedImages::imageNamed(QStringLiteral("tag_normal")));
}

void MainView::changeCategoryShowHideState()
{
    const CoreData* manager = dataManager();
    const bool someHidden = manager && manager->numberOfActiveProject() < manager->calendarList().size();
    m_categoryShowHideBtn->setImage(someHidden ? NamedImages::imageNamed(QStringLiteral("showhide_selected"))
                                               : NamedImages::imageNamed(QStringLiteral("showhide_normal")));
}

void MainView::notificationButtonState()
{
    const bool shown = m_numberOfNewNotif >= 1;
    m_numberOfNewNotifLabel->setHidden(!shown);
    m_convNotifBtn->setHidden(!shown);
    if (!shown) return;
    m_numberOfNewNotifLabel->setStringValue(QString::number(m_numberOfNewNotif));
    const double H = double(mainViewHeight) > 0 ? double(mainViewHeight) : frame().height();
    m_convNotifBtn->setFrame(QRectF(139, H - 30, 20, 20));
    // The badge stands beside the button, in the view itself.
    if (m_numberOfNewNotifLabel->superview() != this) addSubview(m_numberOfNewNotifLabel);
    m_numberOfNewNotifLabel->setFrame(QRectF(139 + 13, H - 30, m_numberOfNewNotif < 100 ? 19 : 24, 9));
}

void MainView::recalculateTaskTimeZone()
{
    CoreData* manager = dataManager();
    if (!manager) return;
    // The events only, in the order a stable sort by kind gives them: the
    // whole working list sorted first cost about 10 ms at every start.
    TaskList items;
    for (const TaskPtr& item : manager->allTasksEventsAdes())
        if (item->taskType() <= 0) items.append(item);
    std::stable_sort(items.begin(), items.end(),
                     [](const TaskPtr& a, const TaskPtr& b) { return a->taskType() < b->taskType(); });
    for (const TaskPtr& item : items)
        if (item->isADE() == 0 && item->repeatType() == 0) manager->recalculateTimeWithTimezoneSupport(item);
}

void MainView::showTaskModuleAndReloadData()
{
    m_listModuleView->setFocusModule(1);
    m_listModuleView->taskListView()->reloadData();
}

void MainView::showNoteModuleAndReloadData()
{
    m_listModuleView->setFocusModule(2);
    m_listModuleView->noteListView()->reloadData();
}

void MainView::showProjectModuleAndReloadData()
{
    m_listModuleView->setFocusModule(3);
    reloadCategoryView();
}

View* MainView::hitTest(const QPointF& pointInSuperview)
{
    for (View* control : {static_cast<View*>(m_syncingBtn), static_cast<View*>(m_categoryShowHideBtn),
                          static_cast<View*>(m_tagShowHideBtn), static_cast<View*>(m_showHideBtn),
                          static_cast<View*>(m_togglePinBtn), static_cast<View*>(m_viewNavSegmentedControl)})
        control->setEnabled(true);
    return View::hitTest(pointInSuperview);
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
    // Docked by the user: the docking stays when the planner sizes are left.
    m_dockedForPlanner = false;
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

int MainView::currentListModule() const
{
    return m_listModuleView->currentModuleShowing();
}

void MainView::setFocusListModule(int module)
{
    m_listModuleView->setFocusModule(module);
}
