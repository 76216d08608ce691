// The settings' side files: the bytes are written to one of them (the first
// byte says which) and read back as a start-up reads them; then their
// numbers are put to the uses the application puts them to.
#include "FuzzSupport.h"
#include "Setting.h"
#include "Utilities.h"

#include <QFile>

#include <cmath>

namespace {

void writeSideFile(const QString& name, const QByteArray& content)
{
    QFile file(Setting::dataFilePath(name));
    Fuzz::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the side file can be written");
    Fuzz::require(file.write(content) == content.size(), "the side file is written whole");
}

// As the rescheduling and the default end of an item read the working hours.
void useWorkingHours(const QVariantMap& hours)
{
    const Date day = Date::dateWithTimeIntervalSince1970(1388566800);
    for (const QString& key : Setting::dayManagerKeys()) {
        const qint64 minutes = hours.value(key).toLongLong();
        Fuzz::exerciseCalendar(Utilities::newDateOnDate(day, minutes / 60, minutes % 60));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const QByteArray content = Fuzz::bytes(data + 1, size - 1);
    Setting setting;
    switch (data[0] % 3) {
    case 0:
        writeSideFile(QStringLiteral("DayManager.dat"), content);
        setting.loadDayManagerDictionary();
        useWorkingHours(setting.dayManagers());
        break;
    case 1:
        writeSideFile(QStringLiteral("local.settings"), content);
        setting.loadLocalSettings();
        Fuzz::checkDateFromOutside(Date::dateWithTimeIntervalSince1970(setting.latestBackupOnServer()));
        Fuzz::require(std::isfinite(setting.currentFontSize()), "the font size is a number");
        break;
    default:
        writeSideFile(QStringLiteral("synctime.dat"), content);
        setting.loadSyncTime();
        break;
    }
    return 0;
}
