#include "SettingTestFixture.h"

#include "RecordGuard.h"

#include <future>

namespace {

struct IntegerColumnCase {
    const char* column;
    void (Setting::*set)(qint64);
    qint64 (Setting::*get)() const;
};

// Every integer column the record writes, under the column name it has in the
// table (several differ from their property's name).
const IntegerColumnCase integerColumns[] = {
    {"startWorkingWDay", &Setting::setStartWorkingWDay, &Setting::startWorkingWDay},
    {"endWorkingWDay", &Setting::setEndWorkingWDay, &Setting::endWorkingWDay},
    {"deskTimeNDStart", &Setting::setDeskTimeNDStart, &Setting::deskTimeNDStart},
    {"deskTimeNDEnd", &Setting::setDeskTimeNDEnd, &Setting::deskTimeNDEnd},
    {"durationDefTaskVal", &Setting::setDurationDefTaskVal, &Setting::durationDefTaskVal},
    {"durationDefEventVal", &Setting::setDurationDefEventVal, &Setting::durationDefEventVal},
    {"contextDefID", &Setting::setContextDefID, &Setting::contextDefID},
    {"calendarDefID", &Setting::setCalendarDefID, &Setting::calendarDefID},
    {"isWarningForDeleting", &Setting::setIsWarningForDeleting, &Setting::isWarningForDeleting},
    {"badgeType", &Setting::setBadgeType, &Setting::badgeType},
    {"weekStartDay", &Setting::setWeekStartDay, &Setting::weekStartDay},
    {"taskTypeDefault", &Setting::setTaskTypeDefault, &Setting::taskTypeDefault},
    {"defaultListId", &Setting::setDefaultListId, &Setting::defaultListId},
    {"showFaded", &Setting::setShowTask, &Setting::showTask},
    {"projectViewType", &Setting::setProjectViewType, &Setting::projectViewType},
    {"newTaskAtTop", &Setting::setNewTaskAtTop, &Setting::newTaskAtTop},
    {"filterIndex", &Setting::setFilterIndex, &Setting::filterIndex},
    {"isFirstTimeZVWSync", &Setting::setIsFirstTimeZVWSync, &Setting::isFirstTimeZVWSync},
    {"iCalSyncWindowStart", &Setting::setICalSyncWindowStart, &Setting::iCalSyncWindowStart},
    {"iCalSyncWindowEnd", &Setting::setICalSyncWindowEnd, &Setting::iCalSyncWindowEnd},
    {"showWarningTask2Event", &Setting::setShowWarningTask2Event, &Setting::showWarningTask2Event},
    {"showWarningEvent2Task", &Setting::setShowWarningEvent2Task, &Setting::showWarningEvent2Task},
    {"showWarningDeleteTag", &Setting::setShowWarningDeleteTag, &Setting::showWarningDeleteTag},
    {"showWarningSetDefault", &Setting::setShowWarningSetDefault, &Setting::showWarningSetDefault},
    {"lastUpdate", &Setting::setLastUpdate, &Setting::lastUpdate},
    {"showWarningChangeTaskOrder", &Setting::setShowWarningChangeTaskOrder, &Setting::showWarningChangeTaskOrder},
    {"lastUpdateWork", &Setting::setLastUpdateWork, &Setting::lastUpdateWork},
    {"dockStatus", &Setting::setDockStatus, &Setting::dockStatus},
    {"isPinned", &Setting::setIsPinned, &Setting::isPinned},
    {"hasRightPage", &Setting::setHasRightPage, &Setting::hasRightPage},
    {"isCategoryCollapsed", &Setting::setIsCategoryCollapsed, &Setting::isCategoryCollapsed},
    {"isListCollapsed", &Setting::setIsListCollapsed, &Setting::isListCollapsed},
    {"showWarningAddRepeatTask", &Setting::setShowWarningAddRepeatTask, &Setting::showWarningAddRepeatTask},
    {"doRestore", &Setting::setDoRestore, &Setting::doRestore},
    {"isNoteCollapsed", &Setting::setIsNoteCollapsed, &Setting::isNoteCollapsed},
    {"startUpWizard", &Setting::setStartUpWizard, &Setting::startUpWizard},
    {"showActiveTaskOnly", &Setting::setShowActiveTaskOnly, &Setting::showActiveTaskOnly},
    {"isWarningForCopyToLink", &Setting::setIsWarningForCopyToLink, &Setting::isWarningForCopyToLink},
    {"isWeekPlannerPinned", &Setting::setIsWeekPlannerPinned, &Setting::isWeekPlannerPinned},
    {"isMonthPlannerPinned", &Setting::setIsMonthPlannerPinned, &Setting::isMonthPlannerPinned},
    {"hideDoneToday", &Setting::setHideTodayDoneTask, &Setting::hideTodayDoneTask},
    {"snoozeVal", &Setting::setSnoozeDefVal, &Setting::snoozeDefVal},
    {"currentTZ", &Setting::setCurrentTZ, &Setting::currentTZ},
    {"mustDo", &Setting::setMustDo, &Setting::mustDo},
};

qint64 distinctValue(size_t index)
{
    return 1000 + qint64(index) * 7;
}

}  // namespace

TEST_F(SettingTest, EveryIntegerColumnIsWrittenToItsOwnColumnAndReadBack)
{
    SettingPtr setting = loadSetting();
    for (size_t i = 0; i < std::size(integerColumns); ++i) ((*setting).*integerColumns[i].set)(distinctValue(i));
    ASSERT_TRUE(setting->dehydrate());

    SettingPtr reloaded = loadSetting();
    for (size_t i = 0; i < std::size(integerColumns); ++i) {
        const IntegerColumnCase& c = integerColumns[i];
        EXPECT_EQ(queryInt(QStringLiteral("SELECT %1 FROM Settings WHERE primaryKey=1").arg(c.column)),
                  distinctValue(i))
            << c.column;
        EXPECT_EQ(((*reloaded).*c.get)(), distinctValue(i)) << c.column;
    }
}

TEST_F(SettingTest, TextsFlagsAndRealRoundTrip)
{
    SettingPtr setting = loadSetting();
    setting->setZvwDeletedProjects(QStringLiteral(",42,7"));
    setting->setZvwDeletedTasks(QStringLiteral(",5"));
    setting->setZvwDeletedTag(QStringLiteral(",9"));
    setting->setZvwToken(QStringLiteral("tök"));
    setting->setDatabaseVersion(QStringLiteral("2.3"));
    setting->setDefaultTaskAlert(QStringLiteral("/1|-900|Glass"));
    setting->setDefaultEventAlert(QStringLiteral("/1|-300|"));
    setting->setGmtSecondsValue(3600.5);
    setting->setIsIconShowing(false);
    setting->setTzSupport(true);
    ASSERT_TRUE(setting->dehydrate());

    SettingPtr reloaded = loadSetting();
    EXPECT_EQ(reloaded->zvwDeletedProjects(), QStringLiteral(",42,7"));
    EXPECT_EQ(reloaded->zvwDeletedTasks(), QStringLiteral(",5"));
    EXPECT_EQ(reloaded->zvwDeletedTag(), QStringLiteral(",9"));
    EXPECT_EQ(reloaded->zvwToken(), QStringLiteral("tök"));
    EXPECT_EQ(reloaded->databaseVersion(), QStringLiteral("2.3"));
    EXPECT_EQ(reloaded->defaultTaskAlert(), QStringLiteral("/1|-900|Glass"));
    EXPECT_EQ(reloaded->defaultEventAlert(), QStringLiteral("/1|-300|"));
    EXPECT_DOUBLE_EQ(reloaded->gmtSecondsValue(), 3600.5);
    EXPECT_FALSE(reloaded->isIconShowing());
    EXPECT_TRUE(reloaded->tzSupport());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT isIconShowing FROM Settings")), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT tzSupport FROM Settings")), 1);
}

TEST_F(SettingTest, NullTextsLoadEmptyAndNullVersionLoadsOnePointZero)
{
    exec(QStringLiteral("UPDATE Settings SET dbVersion=NULL, zvwToken=NULL, zvwDeletedTag=NULL, "
                        "zvwDeletedTasks=NULL, zvwDeletedProjects=NULL, defaultTaskAlert=NULL, "
                        "defaultEventAlert=NULL"));
    SettingPtr setting = loadSetting();
    EXPECT_EQ(setting->databaseVersion(), QStringLiteral("1.0"));
    for (const QString& text : {setting->zvwToken(), setting->zvwDeletedTag(), setting->zvwDeletedTasks(),
                                setting->zvwDeletedProjects(), setting->defaultTaskAlert(),
                                setting->defaultEventAlert()}) {
        EXPECT_FALSE(text.isNull());
        EXPECT_TRUE(text.isEmpty());
    }
    EXPECT_FALSE(setting->dirty());
}

TEST_F(SettingTest, AKeyWithoutRowLeavesNilValuesAndIsClean)
{
    SettingPtr setting = Setting::initWithPrimaryKey(99, nullptr);
    EXPECT_EQ(setting->primaryKey(), 99);
    EXPECT_TRUE(setting->databaseVersion().isNull());
    EXPECT_TRUE(setting->zvwToken().isNull());
    EXPECT_TRUE(setting->zvwSyncTime().isNull());
    EXPECT_EQ(setting->snoozeDefVal(), 0);
    EXPECT_FALSE(setting->dirty());
    // The side files are read all the same.
    EXPECT_FLOAT_EQ(setting->currentFontSize(), 12.0f);
}

TEST_F(SettingTest, SyncTimeLoadsWholeSecondsWhileOtherDatesKeepTheirFraction)
{
    SettingPtr setting = loadSetting();
    setting->setZvwSyncTime(Date::dateWithTimeIntervalSince1970(1400000000.75));
    setting->setICalLastSyncTime(Date::dateWithTimeIntervalSince1970(1400000100.25));
    setting->setZvwTokenTime(Date::dateWithTimeIntervalSince1970(1400000200.5));
    ASSERT_TRUE(setting->dehydrate());

    // Plain UTC seconds, not the wall-clock form of item dates.
    EXPECT_EQ(queryInt(QStringLiteral("SELECT CAST(iCalLastSyncTime * 4 AS INTEGER) FROM Settings")),
              1400000100LL * 4 + 1);
    SettingPtr reloaded = loadSetting();
    EXPECT_EQ(reloaded->zvwSyncTime().timeIntervalSince1970(), 1400000000.0);
    EXPECT_EQ(reloaded->iCalLastSyncTime().timeIntervalSince1970(), 1400000100.25);
    EXPECT_EQ(reloaded->zvwTokenTime().timeIntervalSince1970(), 1400000200.5);
}

TEST_F(SettingTest, DatesOfTheRowOutsideTheCalendarLoadAsNil)
{
    Clock::setFixed(Date::dateWithTimeIntervalSince1970(1500000000));
    exec(QStringLiteral("UPDATE Settings SET zvwSyncTime=9223372036854775807, iCalLastSyncTime=1e300, "
                        "zvwTokenTime=-9e999"));
    LogCapture log;
    SettingPtr setting = loadSetting();
    EXPECT_TRUE(setting->zvwSyncTime().isNull());
    // These two have no nil: a nil time reads as now, as when it is set.
    EXPECT_EQ(setting->iCalLastSyncTime(), Clock::now());
    EXPECT_EQ(setting->zvwTokenTime(), Clock::now());
    EXPECT_TRUE(log.contains(QStringLiteral("the settings row")));
}

TEST_F(SettingTest, NilSyncAndTokenTimesStoreNowButNilWebSyncTimeStaysNil)
{
    Clock::setFixed(Date::dateWithTimeIntervalSince1970(1500000000));
    Setting setting;
    setting.setICalLastSyncTime(Date());
    setting.setZvwTokenTime(Date());
    setting.setZvwSyncTime(Date());
    EXPECT_EQ(setting.iCalLastSyncTime(), Clock::now());
    EXPECT_EQ(setting.zvwTokenTime(), Clock::now());
    EXPECT_TRUE(setting.zvwSyncTime().isNull());
}

TEST_F(SettingTest, ReservedColumnsHoldZeroAfterEverySave)
{
    exec(QStringLiteral("UPDATE Settings SET deskTimeWEStart=5, deskTimeWEEnd=6, dayManagerStart=7, "
                        "dayManagerEnd=8, dayManagerForDate=9.5"));
    SettingPtr setting = loadSetting();
    setting->setIsPinned(1 - setting->isPinned());
    ASSERT_TRUE(setting->dehydrate());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT deskTimeWEStart + deskTimeWEEnd + dayManagerStart + dayManagerEnd "
                                      "FROM Settings")),
              0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT dayManagerForDate = 0.0 FROM Settings")), 1);
}

TEST_F(SettingTest, SyncSwitchesAndFirstSyncMarkDoNotMakeTheRowDirty)
{
    SettingPtr setting = loadSetting();
    setting->setAutoZVWSync(1);
    setting->setAutoICalSync(0);
    setting->setHasZVWFirstTimeSynced(1);
    EXPECT_FALSE(setting->dirty());
    ASSERT_TRUE(setting->dehydrate());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT autoZVWSync FROM Settings")), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT autoICalSync FROM Settings")), 1);

    // Written with the row at the next real change.
    setting->setIsPinned(1 - setting->isPinned());
    ASSERT_TRUE(setting->dehydrate());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT autoZVWSync FROM Settings")), 1);
}

TEST_F(SettingTest, UnchangedValuesDoNotDirtyButNilToEmptyTextDoes)
{
    SettingPtr setting = loadSetting();
    setting->setSnoozeDefVal(setting->snoozeDefVal());
    setting->setZvwToken(setting->zvwToken());
    EXPECT_FALSE(setting->dirty());

    Setting blank;
    blank.setZvwToken(QStringLiteral(""));
    EXPECT_TRUE(blank.dirty());
}

TEST_F(SettingTest, OnlyValuesTheWebServiceKeepsMarkHasChanges)
{
    struct Case {
        const char* name;
        std::function<void(Setting&)> change;
        qint64 hasChanges;
    };
    const Case cases[] = {
        {"weekStartDay", [](Setting& s) { s.setWeekStartDay(1); }, 1},
        {"showTask", [](Setting& s) { s.setShowTask(0); }, 1},
        {"currentTZ", [](Setting& s) { s.setCurrentTZ(12); }, 1},
        {"tzSupport", [](Setting& s) { s.setTzSupport(true); }, 1},
        {"mustDo", [](Setting& s) { s.setMustDo(3); }, 1},
        {"isPinned", [](Setting& s) { s.setIsPinned(1); }, 0},
        {"snoozeDefVal", [](Setting& s) { s.setSnoozeDefVal(60); }, 0},
        {"zvwToken", [](Setting& s) { s.setZvwToken(QStringLiteral("t")); }, 0},
    };
    exec(QStringLiteral("UPDATE Settings SET hasChanges=0, currentTZ=0, showActiveTaskOnly=0, "
                        "isWarningForCopyToLink=0, isIconShowing=0, tzSupport=0, hideDoneToday=0, mustDo=0, "
                        "showFaded=1, weekStartDay=0, isPinned=0"));
    for (const Case& c : cases) {
        SettingPtr setting = loadSetting();
        ASSERT_EQ(setting->hasChanges(), 0) << c.name;
        c.change(*setting);
        EXPECT_TRUE(setting->dirty()) << c.name;
        EXPECT_EQ(setting->hasChanges(), c.hasChanges) << c.name;
    }
}

// Loading goes through the setters, so a stored value of a property the web
// service keeps, read after hasChanges, sets hasChanges again.
TEST_F(SettingTest, HasChangesAfterLoadFollowsTheValuesReadAfterIt)
{
    struct Case {
        const char* update;
        qint64 hasChanges;
    };
    const Case cases[] = {
        {"hasChanges=0, currentTZ=-1", 1},
        {"hasChanges=0", 0},
        {"hasChanges=1", 1},
        {"hasChanges=0, tzSupport=1", 1},
        {"hasChanges=0, showActiveTaskOnly=1", 1},
        {"hasChanges=0, hideDoneToday=1", 1},
        {"hasChanges=0, mustDo=3", 0},
        {"hasChanges=0, weekStartDay=1", 0},  // read before hasChanges
    };
    for (const Case& c : cases) {
        exec(QStringLiteral("UPDATE Settings SET currentTZ=0, showActiveTaskOnly=0, isWarningForCopyToLink=0, "
                            "isIconShowing=0, tzSupport=0, hideDoneToday=0, mustDo=0"));
        exec(QStringLiteral("UPDATE Settings SET %1").arg(QLatin1String(c.update)));
        SettingPtr setting = loadSetting();
        EXPECT_EQ(setting->hasChanges(), c.hasChanges) << c.update;
        EXPECT_FALSE(setting->dirty()) << c.update;
    }
}

TEST_F(SettingTest, StatementsArePreparedAgainAfterFinalize)
{
    SettingPtr setting = loadSetting();
    Setting::finalizeStatements();
    setting->setSnoozeDefVal(120);
    ASSERT_TRUE(setting->dehydrate());
    Setting::finalizeStatements();
    EXPECT_EQ(loadSetting()->snoozeDefVal(), 120);
}

// A write that SQLite refuses at run time (here a read-only connection, as a
// full disk or a busy file would) is logged and reported, not fatal: the lock
// is released and the record keeps its change for the next try.
TEST_F(SettingTest, FailedWriteIsLoggedReleasesTheLockAndKeepsTheRecordDirty)
{
    SettingPtr setting = loadSetting();
    setting->setSnoozeDefVal(77);
    exec(QStringLiteral("PRAGMA query_only=1"));
    {
        LogCapture log;
        EXPECT_FALSE(setting->dehydrate());
        ASSERT_FALSE(log.messages().isEmpty());
        EXPECT_TRUE(log.messages().first().startsWith(QStringLiteral("Error: failed to dehydrate with message '")))
            << log.messages().first().toStdString();
    }
    EXPECT_TRUE(setting->dirty());
    EXPECT_FALSE(databaseBusy.load());
    auto other = std::async(std::launch::async, [] {
        RecordGuard guard;
        return true;
    });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(5)), std::future_status::ready);

    exec(QStringLiteral("PRAGMA query_only=0"));
    ASSERT_TRUE(setting->dehydrate());
    EXPECT_FALSE(setting->dirty());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT snoozeVal FROM Settings")), 77);
}

// A record made inside a unit may lose its last other holder to an undo that
// runs first (the data manager's shared objects going back): its own undo
// must still find it alive, and put its values back.
TEST_F(SettingTest, ARestorePointKeepsItsRecordAliveUntilItHasRun)
{
    auto setting = std::make_shared<Setting>();
    setting->setZvwDeletedTasks(QStringLiteral(",1"));
    const std::function<void()> restore = setting->restorePoint();
    setting->setZvwDeletedTasks(QStringLiteral(",1,2"));
    const std::weak_ptr<Setting> watched = setting;
    const Setting* record = setting.get();
    setting.reset();

    ASSERT_FALSE(watched.expired()) << "the restore point holds the record";
    restore();
    EXPECT_EQ(record->zvwDeletedTasks(), QStringLiteral(",1"));
}
