// The preferences' backup page: its rows, the click that restores, and the
// list following new automatic backups.
#include "BackupTestFixture.h"

#include "BackupFileTableView.h"
#include "BackupItemView.h"
#include "Clicks.h"
#include "Event.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "PrefBackupView.h"
#include "Preferences.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "ShellNotifications.h"
#include "TextField.h"
#include "TextTable.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>

namespace PrefBackupViewTests {

namespace {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

QString backupFolder()
{
    return Setting::dataFilePath(QStringLiteral("AutoBackupData"));
}

Event clickOnRow(const BackupFileTableView& table, int row, int clickCount = 1)
{
    Event event;
    event.type = EventType::LeftMouseDown;
    event.clickCount = clickCount;
    event.locationInWindow = table.convertPointToWindow(table.rectOfRow(row).center());
    return event;
}

class PrefBackupViewTest : public BackupTest {
protected:
    // An automatic backup of the database as it is now, under that name.
    void addBackup(const QString& name)
    {
        ASSERT_TRUE(QDir().mkpath(backupFolder()));
        ASSERT_TRUE(writeFile(backupFolder() + QLatin1Char('/') + name,
                              backupNow(QString::fromLatin1(Setting::autoBackupKeyText))));
    }
    static QStringList labels(const BackupFileTableView& table)
    {
        QStringList texts;
        for (const BackupItemView* row : table.data()) texts.append(row->label()->stringValue());
        return texts;
    }
};

}  // namespace

TEST_F(PrefBackupViewTest, ListsTheBackupsOldestFirstWithTheirDateAndTime)
{
    addBackup(QStringLiteral("2013-05-05 08:00:00.abkzvm"));
    addBackup(QStringLiteral("2013-05-04 10:20:30.abkzvm"));
    addBackup(QStringLiteral("x.abkzvm"));
    PrefBackupView page(QRectF(0, 0, 560, 230));
    const BackupFileTableView& table = *page.fileListView();
    EXPECT_EQ(table.frame(), QRectF(15, 64, 530, 150));
    EXPECT_EQ(table.rowHeight(), 30);
    ASSERT_EQ(table.numberOfRows(), 3);
    const QString on = text("backupOnText");
    EXPECT_EQ(labels(table), (QStringList{on + QStringLiteral(" 2013-05-04 10:20:30"),
                                          on + QStringLiteral(" 2013-05-05 08:00:00"), QStringLiteral("x.abkzvm")}));
    for (int row = 0; row < 3; ++row) EXPECT_EQ(table.data()[row]->frame(), QRectF(0, row * 30, 530, 30));
    EXPECT_EQ(page.infoLabel()->stringValue(), text("backupInfoText"));
}

TEST_F(PrefBackupViewTest, WithNoBackupsTheListIsEmptyAndClicksDoNothing)
{
    PrefBackupView page(QRectF(0, 0, 560, 230));
    BackupFileTableView& table = *page.fileListView();
    EXPECT_EQ(table.numberOfRows(), 0);
    ScriptedAlertPresenter alerts;  // any alert fails
    Event press;
    press.type = EventType::LeftMouseDown;
    press.clickCount = 1;
    press.locationInWindow = table.convertPointToWindow(QPointF(20, 10));
    table.mouseDown(press);
    EXPECT_EQ(table.selectedRow(), -1);
}

TEST_F(PrefBackupViewTest, AClickAsksOnceAndCancelKeepsTheSelectionAndTheDatabase)
{
    addBackup(QStringLiteral("2013-05-04 10:20:30.abkzvm"));
    execute("INSERT INTO BackupMarker VALUES(2);");
    PrefBackupView page(QRectF(0, 0, 560, 230));
    BackupFileTableView& table = *page.fileListView();
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::secondButton);
    table.mouseDown(clickOnRow(table, 0));
    ASSERT_EQ(alerts.requests().size(), 1);
    const AlertRequest question = alerts.requests().first();
    EXPECT_EQ(question.style, AlertStyle::Warning);
    EXPECT_EQ(question.messageText, text("restoreAutoBackupConfirmText"));
    EXPECT_EQ(question.buttonTitles, (QStringList{text("okText"), text("cancelText")}));
    EXPECT_EQ(table.selectedRow(), 0);
    EXPECT_EQ(markers(), (QList<int>{1, 2}));

    // A double click asks nothing.
    table.mouseDown(clickOnRow(table, 0, 2));
    table.mouseDown(clickOnRow(table, 0, 3));
    EXPECT_EQ(alerts.requests().size(), 1);
}

TEST_F(PrefBackupViewTest, ARealClickOnARowAsksOnceWhateverViewsThePressCrosses)
{
    addBackup(QStringLiteral("2013-05-04 10:20:30.abkzvm"));
    addBackup(QStringLiteral("2013-05-05 10:20:30.abkzvm"));
    PrefBackupView page(QRectF(0, 0, 560, 230));
    page.show();
    QApplication::processEvents();
    BackupFileTableView& table = *page.fileListView();
    ScriptedAlertPresenter alerts;
    struct Case {
        const char* what;
        int row;
        bool twice;
        qsizetype questions;  // asked in all, after this case
    };
    const Case cases[] = {
        {"one click on the first row", 0, false, 1},
        {"one click on the second row", 1, false, 2},
        {"a double click asks for its first click only", 0, true, 3},
    };
    for (const Case& c : cases) {
        // The press lands on the row's label, the deepest view there.
        const QPoint point = Clicks::inWindow(&table, table.rectOfRow(c.row).center());
        alerts.scriptButton(AlertResponse::secondButton);
        if (c.twice)
            Clicks::doubleClick(&page, point);
        else
            Clicks::click(&page, point);
        EXPECT_EQ(alerts.requests().size(), c.questions) << c.what;
        EXPECT_EQ(table.selectedRow(), c.row) << c.what;
    }
}

TEST_F(PrefBackupViewTest, OkRestoresTheFileOfTheClickedRowByItsName)
{
    addBackup(QStringLiteral("2013-05-04 10:20:30.abkzvm"));  // holds marker 1 only
    execute("INSERT INTO BackupMarker VALUES(2);");
    addBackup(QStringLiteral("2013-05-05 10:20:30.abkzvm"));  // holds 1 and 2
    execute("INSERT INTO BackupMarker VALUES(3);");
    PrefBackupView page(QRectF(0, 0, 560, 230));
    BackupFileTableView& table = *page.fileListView();
    ASSERT_EQ(table.numberOfRows(), 2);

    // An older backup appears after the list was loaded: the index of the
    // clicked row now names another file in the settings' list.
    addBackup(QStringLiteral("2013-05-01 00:00:00.abkzvm"));
    settings().getAllBackupFiles();

    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);
    table.mouseDown(clickOnRow(table, 1));
    EXPECT_EQ(markers(), (QList<int>{1, 2})) << "the backup of the clicked row";
    EXPECT_EQ(table.numberOfRows(), 3) << "the list was loaded again";
}

TEST_F(PrefBackupViewTest, ABackupDeletedSinceTheListWasLoadedShowsTheErrorAndTheListReloads)
{
    addBackup(QStringLiteral("2013-05-04 10:20:30.abkzvm"));
    addBackup(QStringLiteral("2013-05-05 10:20:30.abkzvm"));
    PrefBackupView page(QRectF(0, 0, 560, 230));
    BackupFileTableView& table = *page.fileListView();
    ASSERT_TRUE(QFile::remove(backupFolder() + QStringLiteral("/2013-05-04 10:20:30.abkzvm")));
    execute("INSERT INTO BackupMarker VALUES(2);");

    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);  // OK, restore
    alerts.scriptButton(AlertResponse::firstButton);  // the error
    table.mouseDown(clickOnRow(table, 0));
    ASSERT_EQ(alerts.requests().size(), 2);
    EXPECT_EQ(alerts.requests()[1].messageText, text("restoreErrorText"));
    EXPECT_EQ(alerts.requests()[1].informativeText, text("restoreGoneMessage")) << "gone, not damaged";
    EXPECT_EQ(markers(), (QList<int>{1, 2}));
    EXPECT_EQ(table.numberOfRows(), 1);
}

TEST_F(PrefBackupViewTest, ANewAutomaticBackupShowsInAnOpenPage)
{
    Preferences preferences;
    BackupFileTableView& table = *preferences.backupView()->fileListView();
    EXPECT_EQ(table.numberOfRows(), 0);
    NotificationCenter::defaultCenter().postNotificationName(kAutoBackupStartNotification, nullptr);
    scheduler.advance(11);
    EXPECT_EQ(table.numberOfRows(), 1);
    EXPECT_EQ(table.data().first()->label()->stringValue(),
              text("backupOnText") + QStringLiteral(" 2014-01-15 09:00:11"));
}

TEST_F(PrefBackupViewTest, TheSelectedRowIsPaleYellowAndThePageShowsItsRows)
{
    for (const char* name : {"2013-05-01 08:00:00.abkzvm", "2013-05-02 09:15:00.abkzvm", "2013-05-03 18:45:10.abkzvm"})
        addBackup(QString::fromLatin1(name));
    Preferences preferences;
    BackupFileTableView& table = *preferences.backupView()->fileListView();
    table.selectRowIndexes({1}, false);
    saveScreenshot(&preferences, QStringLiteral("preferences-backup-page"));

    const QImage rows = table.snapshot();
    const QColor selected = rows.pixelColor(rows.width() - 10, 45);
    EXPECT_EQ(selected, BackupItemView::selectionColor().toRgb());
    const QColor other = rows.pixelColor(rows.width() - 10, 15);
    EXPECT_NE(other, selected);
}

}  // namespace PrefBackupViewTests
