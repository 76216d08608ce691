#include "Utilities.h"

#include "Clock.h"
#include "LogCapture.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<AlertObj> relativeAlert(qint64 offset, const QString& sound, qint64 type = 1)
{
    auto alert = std::make_shared<AlertObj>();
    alert->setAlertType(type);
    alert->setRelativeOffset(offset);
    alert->setSoundName(sound);
    return alert;
}

std::shared_ptr<AlertObj> absoluteAlert(qint64 type, const Date& date, const QString& sound)
{
    auto alert = std::make_shared<AlertObj>();
    alert->setAlertType(type);
    alert->setAbsoluteDate(date);
    alert->setSoundName(sound);
    return alert;
}

// The instant of a wall-clock reading in a zone.
Date dateAt(int year, int month, int day, int hour, int minute, const QTimeZone& zone)
{
    const QDateTime dateTime(QDate(year, month, day), QTime(hour, minute), zone);
    return Date::dateWithTimeIntervalSince1970(static_cast<double>(dateTime.toSecsSinceEpoch()));
}

Date parisDate(int year, int month, int day, int hour, int minute)
{
    return dateAt(year, month, day, hour, minute, QTimeZone("Europe/Paris"));
}

class UtilitiesCodecsTest : public ::testing::Test {
protected:
    void TearDown() override { Clock::reset(); }
};

struct WriteCase {
    QList<std::shared_ptr<AlertObj>> alerts;
    const char* text;
};

TEST_F(UtilitiesCodecsTest, RelativeAlertsWriteTypeOffsetAndSound)
{
    const WriteCase cases[] = {
        {{}, ""},
        {{relativeAlert(-900, QStringLiteral("Glass"))}, "/1|-900|Glass"},
        {{relativeAlert(-300, QStringLiteral(""))}, "/1|-300|"},
        {{relativeAlert(0, QString())}, "/1|0|"},
        {{relativeAlert(-900, QStringLiteral("Glass")), relativeAlert(-300, QString())}, "/1|-900|Glass/1|-300|"},
        {{relativeAlert(-60, QStringLiteral("Ping"), 7)}, "/7|-60|Ping"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Utilities::updateAlertList(c.alerts), QString::fromLatin1(c.text));
    }
}

// Absolute alerts store the wall-clock reading of their date in Paris, read
// as if it were UTC, whatever the daylight-saving state of today.
TEST_F(UtilitiesCodecsTest, AbsoluteAlertsStoreTheWallClockAndReadBackTheSameInstant)
{
    const Date winterNow = parisDate(2013, 1, 15, 12, 0);
    const Date summerNow = parisDate(2013, 7, 15, 12, 0);
    for (const Date& now : {winterNow, summerNow}) {
        Clock::setFixed(now);
        for (qint64 type : {0, 2}) {
            for (int month : {1, 7}) {
                SCOPED_TRACE(testing::Message() << "now " << now.timeIntervalSince1970() << " type " << type
                                                << " month " << month);
                const Date date = parisDate(2013, month, 20, 9, 0);
                const double stored = dateAt(2013, month, 20, 9, 0, QTimeZone::utc()).timeIntervalSince1970();
                const QString text = Utilities::updateAlertList({absoluteAlert(type, date, QStringLiteral("Bell"))});
                EXPECT_EQ(text, QStringLiteral("/%1|%2|Bell").arg(type).arg(qint64(stored)));

                const std::shared_ptr<AlertObj> read = Utilities::getAlertFromList(text.split('/'), 1);
                EXPECT_EQ(read->alertType(), type);
                EXPECT_EQ(read->absoluteDate(), date);
                EXPECT_EQ(read->relativeOffset(), 0);
                EXPECT_EQ(read->soundName(), QStringLiteral("Bell"));
            }
        }
    }
}

TEST_F(UtilitiesCodecsTest, RelativeAlertReadsBackWithEmptySound)
{
    const QString text = Utilities::updateAlertList({relativeAlert(-300, QString())});
    const std::shared_ptr<AlertObj> read = Utilities::getAlertFromList(text.split('/'), 1);
    EXPECT_EQ(read->alertType(), 1);
    EXPECT_EQ(read->relativeOffset(), -300);
    EXPECT_TRUE(read->absoluteDate().isNull());
    EXPECT_FALSE(read->soundName().isNull());
    EXPECT_EQ(read->soundName(), QStringLiteral(""));
}

TEST_F(UtilitiesCodecsTest, IndexOutsideTheListGivesAFreshAlert)
{
    const QStringList pieces = QStringLiteral("/1|-900|Glass/1|-300|").split('/');
    ASSERT_EQ(pieces.size(), 3);
    for (qsizetype index : {qsizetype(3), qsizetype(10), qsizetype(-1)}) {
        SCOPED_TRACE(index);
        const std::shared_ptr<AlertObj> alert = Utilities::getAlertFromList(pieces, index);
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->alertType(), 0);
        EXPECT_EQ(alert->relativeOffset(), 0);
        EXPECT_TRUE(alert->absoluteDate().isNull());
        EXPECT_TRUE(alert->soundName().isEmpty());
    }
}

struct ReadCase {
    const char* piece;
    qint64 type;
    qint64 offset;
    const char* sound;
};

TEST_F(UtilitiesCodecsTest, MalformedPiecesReadWithoutFailing)
{
    const ReadCase cases[] = {
        {"1", 1, 0, ""},
        {"1|-900", 1, -900, ""},
        {"1|abc|Glass", 1, 0, "Glass"},
        {"1|12abc|Glass", 1, 12, "Glass"},
        {" 1| -60 |Ping", 1, -60, "Ping"},
        {"1|+45|", 1, 45, ""},
        {"x|-60|", 0, 0, ""},
        {"7|-60|Ping", 7, -60, "Ping"},
        {"1|99999999999|", 1, 2147483647, ""},
        {"1|-99999999999|", 1, -2147483648LL, ""},
        {"1|-900|Glass|extra", 1, -900, "Glass"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.piece);
        const QStringList pieces{QString(), QString::fromLatin1(c.piece)};
        const std::shared_ptr<AlertObj> alert = Utilities::getAlertFromList(pieces, 1);
        EXPECT_EQ(alert->alertType(), c.type);
        EXPECT_EQ(alert->relativeOffset(), c.offset);
        EXPECT_EQ(alert->soundName(), QString::fromLatin1(c.sound));
    }
}

TEST_F(UtilitiesCodecsTest, AbsoluteAlertWithUnreadableDateStillReads)
{
    Clock::setFixed(parisDate(2013, 1, 15, 12, 0));
    const std::shared_ptr<AlertObj> alert = Utilities::getAlertFromList({QString(), QStringLiteral("2|abc|")}, 1);
    EXPECT_EQ(alert->alertType(), 2);
    EXPECT_EQ(alert->relativeOffset(), 0);
    // Stored number 0 is midnight of 1 January 1970 on the Paris clock.
    EXPECT_EQ(alert->absoluteDate(), parisDate(1970, 1, 1, 0, 0));
}

// The stored number of an absolute alert is the text's leading decimal
// number: point and exponent optional, an "e" without digits not part of it.
TEST_F(UtilitiesCodecsTest, AbsoluteDatesReadTheLeadingNumber)
{
    Clock::setFixed(parisDate(2013, 1, 15, 12, 0));
    const std::pair<const char*, double> cases[] = {
        {"0|1388570400|", 1388570400.0}, {"0| +1388570400.75x|", 1388570400.75}, {"2|.5|", 0.5},
        {"2|5.|", 5.0},                  {"2|1e3|", 1000.0},                      {"2|-2.5E+2|", -250.0},
        {"2|7e|", 7.0},                  {"2|7e+|", 7.0},                         {"2|.|", 0.0},
        {"2|-|", 0.0},                   {"2|\t\n42|", 42.0},
    };
    for (const auto& [piece, stored] : cases) {
        SCOPED_TRACE(piece);
        const std::shared_ptr<AlertObj> alert =
            Utilities::getAlertFromList({QString(), QString::fromLatin1(piece)}, 1);
        EXPECT_EQ(alert->absoluteDate(), Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(stored)));
    }
}

// An alert list may come from the web service or a damaged row: a number
// that is no calendar date must not reach the calendar (it did, as NaN or
// 1e300, and overflowed the integer arithmetic).
TEST_F(UtilitiesCodecsTest, AbsoluteDatesOutsideTheCalendarReadAsNoDate)
{
    Clock::setFixed(parisDate(2013, 1, 15, 12, 0));
    for (const char* number : {"1e300", "-1e300", "1e999", "-1e999", "-62150000000", "253450000000",
                               "9223372036854775807", "-9223372036854775808"}) {
        for (const char* type : {"0", "2"}) {
            const QString piece = QStringLiteral("%1|%2|").arg(QLatin1String(type), QLatin1String(number));
            LogCapture log;
            const std::shared_ptr<AlertObj> alert = Utilities::getAlertFromList({QString(), piece}, 1);
            EXPECT_TRUE(alert->absoluteDate().isNull()) << piece.toStdString();
            EXPECT_TRUE(log.contains(QStringLiteral("an alert list"))) << piece.toStdString();
        }
    }
    // The calendar's own ends still read.
    const std::shared_ptr<AlertObj> first =
        Utilities::getAlertFromList({QString(), QStringLiteral("0|-62135596800|")}, 1);
    EXPECT_EQ(Utilities::getYear(first->absoluteDate()), 1);
}

struct TagCase {
    const char* tagList;
    QStringList names;
    bool contained;
};

TEST_F(UtilitiesCodecsTest, TagListMembershipIgnoresCaseAndMatchesParts)
{
    const TagCase cases[] = {
        {"/Work/Home", {QStringLiteral("HOME")}, true},
        {"/Work/Home", {}, false},
        {"/Work/Home", {QStringLiteral("Gym"), QStringLiteral("work")}, true},
        {"/Work/Home", {QStringLiteral("Gym")}, false},
        {"/homework", {QStringLiteral("work")}, true},
        {"/Work/Home", {QString(), QStringLiteral("")}, false},
        {"", {QStringLiteral("Work")}, false},
        {"/Éte", {QStringLiteral("éTE")}, true},
    };
    for (const TagCase& c : cases) {
        SCOPED_TRACE(c.tagList);
        EXPECT_EQ(Utilities::isTagList(QString::fromUtf8(c.tagList), c.names), c.contained);
    }
}

TEST_F(UtilitiesCodecsTest, Md5OfTheUtf8BytesUpToTheFirstNul)
{
    // RFC 1321 test suite.
    const std::pair<const char*, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    };
    for (const auto& [text, digest] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Utilities::md5(QString::fromLatin1(text)), QString::fromLatin1(digest));
    }

    EXPECT_EQ(Utilities::md5(QStringLiteral("abc") + QChar(0) + QStringLiteral("def")),
              Utilities::md5(QStringLiteral("abc")));
    EXPECT_EQ(Utilities::md5(QString(QChar(0)) + QStringLiteral("abc")),
              QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
    const QString accented = QStringLiteral("Réunion à Zürich");
    EXPECT_EQ(Utilities::md5(accented),
              QString::fromLatin1(QCryptographicHash::hash(accented.toUtf8(), QCryptographicHash::Md5).toHex()));
}

TEST_F(UtilitiesCodecsTest, EmailNeedsAnAlphabeticTopLevelDomainOfTwoOrMoreLetters)
{
    const std::pair<const char*, bool> cases[] = {
        {"someone@example.com", true},
        {"first.last+tag@mail.example.co.uk", true},
        {"a_b%c-d@host-name.org", true},
        {"curator@art.museum", true},
        {"me@startup.technology", true},
        {"me@site.io", true},
        {"a@b.c", false},
        {"a@b", false},
        {"@example.com", false},
        {"someone@.com", false},
        {"someone@example.c0m", false},
        {"some one@example.com", false},
        {"someone@@example.com", false},
        {"someone@example.com ", false},
        {" someone@example.com", false},
        {"someone@exämple.com", false},
        {"", false},
    };
    for (const auto& [text, valid] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Utilities::isEmailValid(QString::fromUtf8(text)), valid);
    }
    EXPECT_FALSE(Utilities::isEmailValid(QString()));
}

}  // namespace
