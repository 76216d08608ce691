#include "GregorianCalendar.h"
#include "TimeZoneRecords.h"
#include "TimezoneList.h"
#include "Utilities.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <gtest/gtest.h>

TEST(TimeZoneTable, CityNamesComeFromTheLastPieceWithBlanksForUnderscores)
{
    const struct {
        const char* zone;
        const char* city;
    } cases[] = {
        {"Floating", "Floating"},
        {"America/Port_of_Spain", "Port of Spain"},
        {"America/Argentina/Buenos_Aires", "Buenos Aires"},
        {"(GMT+01:00) Paris", "Paris"},
        {"GMT", "GMT"},
        {"Europe/Paris", "Paris"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utilities::getCityNameFromTimezoneString(QString::fromUtf8(c.zone)), QString::fromUtf8(c.city))
            << c.zone;
}

TEST(TimeZoneTable, EntriesTakeTheirCityFromTheIdentifierAndKeepTheirPlace)
{
    TimezoneList list;
    list.addObject(QStringLiteral("(GMT+01:00) Europe/Paris"), 53392, QStringLiteral("Europe/Paris"));
    list.insertObject(QStringLiteral("(GMT+?\?\?\?) Floating"), 0, QStringLiteral("Floating"), 0);
    ASSERT_EQ(list.zones().size(), 2);
    EXPECT_EQ(list.zones()[0].tzId, 0);
    EXPECT_EQ(list.zones()[0].cityName, QStringLiteral("Floating"));
    EXPECT_EQ(list.zones()[1].tzName, QStringLiteral("(GMT+01:00) Europe/Paris"));
    EXPECT_EQ(list.zones()[1].cityName, QStringLiteral("Paris"));
    EXPECT_EQ(list.zones()[1].tzRegionName, QStringLiteral("Europe/Paris"));
}

// The shipped records are data other installations and the web service rely
// on: 419 unique ids, and every identifier but the floating one a real zone.
TEST(TimeZoneTable, ShippedRecordsAreCompleteAndOnlyFloatingIsUnknown)
{
    const QJsonArray records = QJsonDocument::fromJson(TimeZoneRecords::json()).array();
    ASSERT_EQ(records.size(), 419);
    QSet<qint64> ids;
    QStringList unknown;
    for (const QJsonValue& value : records) {
        const QJsonObject record = value.toObject();
        ids.insert(record.value(QStringLiteral("id")).toInteger());
        const QString identifier = record.value(QStringLiteral("name")).toString().section(QLatin1Char(' '), 1);
        if (identifier == QLatin1String("Floating")) {
            EXPECT_EQ(record.value(QStringLiteral("id")).toInteger(), 0);
            EXPECT_EQ(record.value(QStringLiteral("name")).toString(), QStringLiteral("(GMT+?\?\?\?) Floating"));
            continue;
        }
        if (!GregorianCalendar::isZoneKnown(identifier)) unknown << identifier;
    }
    EXPECT_EQ(ids.size(), 419);
    EXPECT_TRUE(unknown.isEmpty()) << unknown.join(QLatin1Char(',')).toStdString();
}
