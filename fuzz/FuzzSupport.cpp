#include "FuzzSupport.h"

#include "GregorianCalendar.h"
#include "Utilities.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void dropMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) return;
    std::fprintf(stderr, "fatal: %s\n", qPrintable(message));
    std::abort();
}

}  // namespace

namespace Fuzz {

void setUp()
{
    static bool done = false;
    if (done) return;
    done = true;
    qputenv("TZ", "Europe/Paris");
    qputenv("LC_ALL", "C.UTF-8");
    // Side files go to a private folder, never the user's.
    // In memory when the machine has a memory file system: the side files
    // are written for every input.
    static QTemporaryDir home(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/zoravel-fuzz-XXXXXX")
                                                        : QDir::tempPath() + QStringLiteral("/zoravel-fuzz-XXXXXX"));
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    static int argc = 1;
    static char name[] = "zoravel-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("ZoravelFuzz"));
    qInstallMessageHandler(dropMessages);
}

QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

QString utf8Text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

QString latin1Text(const uint8_t* data, size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

QByteArray archiveBytes(const uint8_t* data, size_t size)
{
    if (size == 0 || (data[0] & 1) == 0) return bytes(data, size);
    const QByteArray payload = bytes(data + 1, size - 1);
    QByteArray archive(12, '\0');
    qToBigEndian<quint32>(0x5a564b41, archive.data());  // "ZVKA"
    qToBigEndian<quint16>(2, archive.data() + 4);
    qToBigEndian<quint16>(qChecksum(payload), archive.data() + 6);
    qToBigEndian<quint32>(quint32(payload.size()), archive.data() + 8);
    return archive + payload;
}

void require(bool condition, const char* promise)
{
    if (condition) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

void checkDateFromOutside(const Date& date)
{
    require(date.isNull() || Date::isWithinCalendar(date.timeIntervalSince1970()),
            "a date from outside is null or inside the calendar");
    exerciseCalendar(date);
}

void exerciseCalendar(const Date& date)
{
    const DateFields fields = GregorianCalendar::fields(date);
    GregorianCalendar::dateFromFields(fields.year, fields.month, fields.day, fields.hour, fields.minute,
                                      fields.second);
    GregorianCalendar::secondsIntoDay(date);
    GregorianCalendar::dateOnDayOf(date, 86400 * 3);
    Utilities::fromDBDate(Utilities::toDBDate(date));
    Utilities::today(date);
    Utilities::newDateFromDate(date, 86400.0 * 40);
    Utilities::dateByAddNumMonth(13, date);
    Utilities::dateWithNewYearOffset(date, 1);
    Utilities::roundTo15MinutesForDate(date, true);
    Utilities::daysBetweenTwoDates(date, Date::dateWithTimeIntervalSince1970(0));
    Utilities::getShortDateTimeStringFromDate(date);
    Utilities::getFormattedDateStringFromDate(date);
}

}  // namespace Fuzz
