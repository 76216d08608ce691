// The Tasks pane: the working hours of each weekday as stored, the pickers'
// order rule, the side file, and the task defaults.
#include "PreferencesTestFixture.h"

#include "SmallFileSystem.h"

#include "Button.h"
#include "DatePicker.h"
#include "PopUpButton.h"
#include "PrefPaneSupport.h"
#include "PrefTaskView.h"
#include "TextField.h"
#include "WorkingHourSettingItem.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace PrefTaskViewTests {

namespace {

const QString kPush = QStringLiteral("com.qrb.zvm.AutoSyncNotification");
const QString kList = QStringLiteral("Array of allTasksEventsAdes has changed");

// A time typed into the picker, as the user does.
void type(DatePicker* picker, QTime time)
{
    picker->editor()->setTime(time);
}

QString sideFile()
{
    return Setting::dataFilePath(QStringLiteral("DayManager.dat"));
}

}  // namespace

using PrefTaskViewTest = PreferencesTest;

TEST_F(PrefTaskViewTest, RowsRunSundayToSaturdayAndShowTheStoredTimesOrMidnight)
{
    QVariantMap hours;
    for (int day = 0; day < 7; ++day) {
        hours.insert(PrefPanes::workingStartKey(day), 480 + day);
        hours.insert(PrefPanes::workingEndKey(day), 1080 - day);
    }
    hours.remove(QStringLiteral("TuedayStartTime"));                 // missing
    hours.insert(QStringLiteral("ThusdayStartTime"), QStringLiteral("nine"));  // not a number
    hours.insert(QStringLiteral("SaturdayEndTime"), 1440);           // past the day
    settings().setDayManagers(hours);
    settings().setWeekStartDay(1);
    PrefTaskView pane(QRectF(0, 0, 510, 507));

    const QStringList names{text("sundayText"),   text("mondayText"), text("tuesdayText"), text("wednesdayText"),
                            text("thursdayText"), text("fridayText"), text("saturdayText")};
    const QList<QTime> starts{QTime(8, 0), QTime(8, 1), QTime(0, 0), QTime(8, 3), QTime(0, 0), QTime(8, 5), QTime(8, 6)};
    const QList<QTime> ends{QTime(18, 0), QTime(17, 59), QTime(17, 58), QTime(17, 57), QTime(17, 56), QTime(17, 55),
                           QTime(0, 0)};
    ASSERT_EQ(pane.sevenDaysWorkingHours().size(), 7u);
    for (int day = 0; day < 7; ++day) {
        SCOPED_TRACE(day);
        const WorkingHourSettingItem& row = *pane.sevenDaysWorkingHours()[size_t(day)];
        EXPECT_EQ(row.weekDay(), day);
        EXPECT_EQ(row.dayNameLabel()->stringValue(), names[day]);
        EXPECT_EQ(row.workingStartTime()->timeOfDay(), starts[day]);
        if (ends[day] >= starts[day]) {
            EXPECT_EQ(row.workingEndTime()->timeOfDay(), ends[day]);
        }
        EXPECT_LT(row.frame().y(), day < 6 ? pane.sevenDaysWorkingHours()[size_t(day) + 1]->frame().y() : 1e9);
    }
    // Broken entries are shown, not repaired.
    EXPECT_EQ(settings().dayManagers().value(QStringLiteral("ThusdayStartTime")), QStringLiteral("nine"));
    EXPECT_FALSE(settings().dayManagers().contains(QStringLiteral("TuedayStartTime")));
}

TEST_F(PrefTaskViewTest, ChangedTimesAreStoredInMinutesAndTheEndNeverGoesBeforeTheStart)
{
    struct Case {
        const char* what;
        int day;
        bool start;  // which picker is typed into
        QTime typed;
        QString key;
        int storedStart, storedEnd;  // minutes under the day's keys afterwards
        QTime shownEnd;
    };
    const std::vector<Case> cases{
        {"Friday ends 17:45", 5, false, QTime(17, 45), QStringLiteral("FridayEndTime"), 480, 1065, QTime(17, 45)},
        {"Monday starts 08:30", 1, true, QTime(8, 30), QStringLiteral("MondayStartTime"), 510, 1080, QTime(18, 0)},
        {"a start after the end stores only the start", 2, true, QTime(19, 0), QStringLiteral("TuedayStartTime"),
         1140, 1080, QTime(19, 0)},
        {"an end before the start is held at the start", 4, false, QTime(7, 0), QStringLiteral("ThusdayEndTime"), 480,
         480, QTime(8, 0)},
    };
    for (const bool autoSync : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (autoSync ? " with web sync" : ""));
            QVariantMap hours;
            for (int day = 0; day < 7; ++day) {
                hours.insert(PrefPanes::workingStartKey(day), 480);
                hours.insert(PrefPanes::workingEndKey(day), 1080);
            }
            settings().setDayManagers(hours);
            settings().setAutoZVWSync(autoSync ? 1 : 0);
            QFile::remove(sideFile());
            PrefTaskView pane(QRectF(0, 0, 510, 507));
            WorkingHourSettingItem& row = *pane.sevenDaysWorkingHours()[size_t(c.day)];
            posted.clear();
            type(c.start ? row.workingStartTime() : row.workingEndTime(), c.typed);

            const QVariantMap now = settings().dayManagers();
            EXPECT_EQ(now.value(PrefPanes::workingStartKey(c.day)).toInt(), c.storedStart);
            EXPECT_EQ(now.value(PrefPanes::workingEndKey(c.day)).toInt(), c.storedEnd);
            EXPECT_EQ(row.workingEndTime()->timeOfDay(), c.shownEnd);
            EXPECT_TRUE(QFile::exists(sideFile())) << "the whole side file is rewritten";
            Setting reread;
            reread.loadDayManagerDictionary();
            EXPECT_EQ(reread.dayManagers().value(c.key).toInt(), now.value(c.key).toInt());
            EXPECT_EQ(posted, autoSync ? (QStringList{kPush, kList}) : (QStringList{kList}));
        }
    }
}

TEST_F(PrefTaskViewTest, TimesAreTypedAsTheUserTypesThem)
{
    struct Case {
        const char* what;
        QList<std::pair<int, QString>> keys;
        int storedEnd;
        bool wholeFieldSelected = false;
    };
    const std::vector<Case> cases{
        {"an hour and its minutes", {{Qt::Key_1, "1"}, {Qt::Key_7, "7"}, {Qt::Key_4, "4"}, {Qt::Key_5, "5"}}, 1065},
        {"an hour up from 17:45", {{Qt::Key_Up, ""}}, 1125},
        {"a whole time over the whole field",
         {{Qt::Key_1, "1"}, {Qt::Key_9, "9"}, {Qt::Key_Colon, ":"}, {Qt::Key_0, "0"}, {Qt::Key_5, "5"}}, 1145, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PrefTaskView pane(QRectF(0, 0, 510, 507));
        QDateTimeEdit* editor = pane.sevenDaysWorkingHours()[5]->workingEndTime()->editor();
        editor->setCurrentSection(QDateTimeEdit::HourSection);
        editor->setSelectedSection(QDateTimeEdit::HourSection);
        if (c.wholeFieldSelected) editor->selectAll();
        for (const auto& [key, typed] : c.keys) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
            QApplication::sendEvent(editor, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, typed);
            QApplication::sendEvent(editor, &release);
        }
        EXPECT_EQ(settings().dayManagers().value(QStringLiteral("FridayEndTime")).toInt(), c.storedEnd);
    }
}

TEST_F(PrefTaskViewTest, AnUnwritableSideFileIsReportedAndTheHoursStillApply)
{
    // The data folder full: the write cannot succeed. (The open database
    // keeps its file under the mount.)
    const QString folder = QFileInfo(sideFile()).absolutePath();
    SmallFileSystem disk(folder, 64 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << disk.skipReason();
    ASSERT_TRUE(disk.fill());
    PrefTaskView pane(QRectF(0, 0, 510, 507));
    posted.clear();
    alerts.scriptButton(AlertResponse::firstButton);
    type(pane.sevenDaysWorkingHours()[3]->workingEndTime(), QTime(16, 15));
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().first().messageText, text("workingHoursNotSavedText"));
    EXPECT_EQ(settings().dayManagers().value(QStringLiteral("WednesdayEndTime")).toInt(), 975);
    EXPECT_TRUE(posted.contains(kList));
}

TEST_F(PrefTaskViewTest, TaskDefaultsAreStoredAndPostedAndNoneShowsAgainAsNone)
{
    settings().setAutoZVWSync(1);
    settings().setDefaultTaskAlert(QStringLiteral("/1|-3600|"));
    PrefTaskView pane(QRectF(0, 0, 510, 507));
    EXPECT_EQ(pane.defaultAlertBtn()->selectedItem()->tag, 3600);

    struct Case {
        const char* what;
        std::function<void()> act;
        std::function<bool()> stored;
        QStringList posts;
    };
    const auto choose = [](PopUpButton* popUp, int tag) {
        for (int i = 0; i < popUp->numberOfItems(); ++i)
            if (popUp->itemAtIndex(i)->tag == tag) popUp->performClickOnItem(i);
    };
    const std::vector<Case> cases{
        {"duration", [&] { choose(pane.durationBtn(), 90); }, [&] { return settings().durationDefTaskVal() == 90; },
         {kPush}},
        {"15-minute alert", [&] { choose(pane.defaultAlertBtn(), 900); },
         [&] { return settings().defaultTaskAlert() == QStringLiteral("/1|-900|"); }, {kPush}},
        {"no alert", [&] { choose(pane.defaultAlertBtn(), 0); }, [&] { return settings().defaultTaskAlert().isEmpty(); },
         {kPush}},
        {"scheduled tasks shown", [&] { pane.showTaskBtn()->performClick(); },
         [&] { return settings().showTask() == (pane.showTaskBtn()->state() == OnState ? 1 : 0); }, {kList, kPush}},
        {"future tasks hidden", [&] { pane.activeTaskBtn()->performClick(); },
         [&] { return settings().showActiveTaskOnly() == 1 && view->needUpdateCoreData(); }, {kList, kPush}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        posted.clear();
        c.act();
        EXPECT_TRUE(c.stored());
        EXPECT_EQ(posted, c.posts);
    }
    pane.loadData();
    EXPECT_EQ(pane.defaultAlertBtn()->selectedItem()->tag, 0) << "none stored shows none";
}

TEST_F(PrefTaskViewTest, HiddenFutureTasksLeaveTheWorkingListAtTheNextRefreshAndComeBack)
{
    const TaskPtr today = item(QStringLiteral("Today's task"), 1);
    today->setStartTime(GregorianCalendar::dateFromFields(2014, 1, 15, 8, 0, 0));
    ASSERT_TRUE(today->dehydrate());
    const TaskPtr later = item(QStringLiteral("Next week's task"), 1);  // starts on the 16th
    manager->doWithAllTasksEventsAdes(TaskList{today, later}, 0);
    const auto listed = [&](const TaskPtr& task) {
        for (const TaskPtr& entry : manager->allTasksEventsAdes())
            if (entry->primaryKey() == task->primaryKey()) return true;
        return false;
    };
    PrefTaskView pane(QRectF(0, 0, 510, 507));
    for (const bool hide : {true, false}) {
        SCOPED_TRACE(hide ? "hidden" : "shown again");
        pane.activeTaskBtn()->performClick();
        EXPECT_EQ(settings().showActiveTaskOnly(), hide ? 1 : 0);
        EXPECT_EQ(listed(later), hide) << "nothing changes before the refresh";
        scheduler.advance(1);
        EXPECT_EQ(listed(later), !hide);
        EXPECT_TRUE(listed(today));
        EXPECT_FALSE(view->needUpdateCoreData());
    }
}

}  // namespace PrefTaskViewTests
