// Numbers in the side files that no start-up can use: treated as absent, with
// a log line, before the calendar sees them.
#include "SettingTestFixture.h"

#include "../Utilities/DateTestSupport.h"
#include "HostileNumbers.h"

#include <QFile>

namespace {

void writeSideFile(const QString& name, const QString& entries)
{
    QFile file(Setting::dataFilePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((QStringLiteral("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>") + entries
                + QStringLiteral("</dict></plist>"))
                   .toUtf8());
}

QString entry(const char* key, const QString& value)
{
    return QStringLiteral("<key>%1</key>%2").arg(QLatin1String(key), value);
}

QString real(const HostileNumber& number)
{
    return QStringLiteral("<real>%1</real>").arg(QLatin1String(number.text));
}

// Whole 64-bit numbers are read as integers; both forms must be caught.
QString hostileForm(const HostileNumber& number)
{
    const QString text = QLatin1String(number.text);
    const bool integral = !text.contains(QLatin1Char('e')) && !text.contains(QLatin1String("n"));
    return integral ? QStringLiteral("<integer>%1</integer>").arg(text) : real(number);
}

}  // namespace

using SettingSideFileValuesTest = SettingTest;

TEST_F(SettingSideFileValuesTest, WorkingHoursBeyondTheCalendarAreDroppedAndTheOthersKept)
{
    // Minutes past midnight: even the numbers of the years 0 and 10000 in
    // seconds are far more minutes than the calendar holds. A time past the
    // end of the day is no damage; it carries into the days after.
    for (const HostileNumber& number : hostileNumbers) {
        writeSideFile(QStringLiteral("DayManager.dat"),
                      entry("MondayStartTime", hostileForm(number))
                          + entry("MondayEndTime", QStringLiteral("<integer>1020</integer>"))
                          + entry("TuedayEndTime", QStringLiteral("<real>2000000</real>")));
        LogCapture log;
        SettingPtr setting = loadSetting();
        const QVariantMap hours = setting->dayManagers();
        EXPECT_FALSE(hours.contains(QStringLiteral("MondayStartTime"))) << number.name;
        EXPECT_EQ(hours.value(QStringLiteral("MondayEndTime")).toLongLong(), 1020) << number.name;
        EXPECT_EQ(hours.value(QStringLiteral("TuedayEndTime")).toLongLong(), 2000000) << number.name;
        EXPECT_TRUE(log.contains(QStringLiteral("MondayStartTime"))) << number.name;
        EXPECT_FALSE(log.contains(QStringLiteral("EndTime"))) << number.name;
    }
}

TEST_F(SettingSideFileValuesTest, LatestBackupOutsideTheCalendarAndFontSizesThatAreNoNumbersReadAsUnset)
{
    for (const HostileNumber& number : hostileNumbers) {
        writeSideFile(QStringLiteral("local.settings"),
                      entry("latestBackupOnServer", real(number)) + entry("currentFontSize", real(number))
                          + entry("navShowing", QStringLiteral("<false/>")));
        LogCapture log;
        SettingPtr setting = loadSetting();
        EXPECT_EQ(setting->latestBackupOnServer(), 0.0) << number.name;
        EXPECT_TRUE(log.contains(QStringLiteral("latestBackupOnServer"))) << number.name;
        EXPECT_TRUE(std::isfinite(setting->currentFontSize())) << number.name;
        EXPECT_FALSE(setting->navShowing()) << number.name;
    }
    writeSideFile(QStringLiteral("local.settings"),
                  entry("latestBackupOnServer", QStringLiteral("<real>1400000000.5</real>"))
                      + entry("currentFontSize", QStringLiteral("<real>1e300</real>")));
    SettingPtr setting = loadSetting();
    EXPECT_EQ(setting->latestBackupOnServer(), 1400000000.5);
    EXPECT_FLOAT_EQ(setting->currentFontSize(), 12.0f);
}

TEST_F(SettingSideFileValuesTest, SyncStampsThatAreNoWholeNumbersReadAsZero)
{
    const struct {
        QString value;
        qint64 stamp;
    } cases[] = {
        {QStringLiteral("<real>nan</real>"), 0},
        {QStringLiteral("<real>inf</real>"), 0},
        {QStringLiteral("<real>-1e300</real>"), 0},
        {QStringLiteral("<real>9.3e18</real>"), 0},
        {QStringLiteral("<real>1400000000.75</real>"), 1400000000},
        {QStringLiteral("<integer>9223372036854775807</integer>"), 9223372036854775807},
        {QStringLiteral("<integer>1400000000</integer>"), 1400000000},
    };
    for (const auto& c : cases) {
        writeSideFile(QStringLiteral("synctime.dat"),
                      entry("item", c.value) + entry("link", c.value)
                          + entry("cmt", QStringLiteral("<integer>7</integer>")));
        SettingPtr setting = loadSetting();
        EXPECT_EQ(setting->latestSyncItem(), c.stamp) << c.value.toStdString();
        EXPECT_EQ(setting->latestSyncLink(), c.stamp) << c.value.toStdString();
        EXPECT_EQ(setting->latestZVWSyncComment(), 7) << c.value.toStdString();
    }
}

TEST_F(SettingSideFileValuesTest, TheWorkingEndOfADayIsItsStoredMinutesWhereverItIsAsked)
{
    // The editor's due date, a drop on the focus pane and on a month cell
    // all take this one answer; Wednesday 15 January 2014.
    const Date wednesday = localDate(2014, 1, 15);
    const struct {
        QVariant stored;
        Date end;
    } cases[] = {
        {1050, localDate(2014, 1, 15, 17, 30)},       {1439, localDate(2014, 1, 15, 23, 59)},
        {1440, localDate(2014, 1, 16, 0, 0)},         {1500, localDate(2014, 1, 16, 1, 0)},
        {QVariant(), localDate(2014, 1, 15, 18, 0)}, {QStringLiteral("late"), localDate(2014, 1, 15, 18, 0)},
    };
    for (const auto& c : cases) {
        QVariantMap hours{{QStringLiteral("TuedayEndTime"), 600}};
        if (c.stored.isValid()) hours.insert(QStringLiteral("WednesdayEndTime"), c.stored);
        EXPECT_EQ(Setting::workingEndOnDay(wednesday, hours), c.end) << c.stored.toString().toStdString();
    }
}
