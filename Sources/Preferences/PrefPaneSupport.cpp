#include "PrefPaneSupport.h"

#include "AlertObj.h"
#include "Button.h"
#include "CoreData.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "../Model/Notifications.h"
#include "PopUpButton.h"
#include "Setting.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVWSync.h"

#include <QDebug>
#include <QFontMetricsF>

#include <array>

namespace PrefPanes {

namespace {

struct DayKeys {
    const char* start;
    const char* end;
    const char* name;
};

// "Tueday" and "Thusday" are the stored spellings: files already written
// hold them, and the planners read them.
constexpr std::array<DayKeys, 7> kDayKeys{{
    {"SundayStartTime", "SundayEndTime", "sundayText"},
    {"MondayStartTime", "MondayEndTime", "mondayText"},
    {"TuedayStartTime", "TuedayEndTime", "tuesdayText"},
    {"WednesdayStartTime", "WednesdayEndTime", "wednesdayText"},
    {"ThusdayStartTime", "ThusdayEndTime", "thursdayText"},
    {"FridayStartTime", "FridayEndTime", "fridayText"},
    {"SaturdayStartTime", "SaturdayEndTime", "saturdayText"},
}};

const DayKeys& keysOf(int weekDay)
{
    return kDayKeys[size_t(std::clamp(weekDay, 0, 6))];
}

}  // namespace

void postSettingsPush()
{
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    if (setting && setting->autoZVWSync())
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification,
                                                                             qint64(AutoSync::settings));
}

bool saveSettings(const std::function<void(Setting&)>& change, QObject* window)
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager || !dataManager->currentSetting()) return false;
    if (dataManager->saveSettingFromView(change, window)) return true;
    qWarning() << "A change of the preferences was not saved; the settings are as they were";
    return false;
}

QString labelText(const QString& text)
{
    return QStringLiteral("%1:").arg(text);
}

QString checkBoxTitle(const QString& text)
{
    return QStringLiteral("  %1").arg(text);
}

Button* createCheckBox(const QString& text, const QRectF& frame, QObject* target, std::function<void(Button*)> action)
{
    // As wide as its box and title: a wider button would centre them.
    const Font font = Font::systemFont(13);
    const double width = std::min(frame.width(), 24 + QFontMetricsF(font.widgetFont()).horizontalAdvance(
                                                          checkBoxTitle(text)) + 8);
    auto* box = new Button(QRectF(frame.topLeft(), QSizeF(width, frame.height())));
    box->setButtonType(ButtonType::Toggle);
    box->setBordered(false);
    box->setImage(NamedImages::imageNamed(QStringLiteral("checkbox_none")));
    box->setAlternateImage(NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    box->setImagePosition(ImagePosition::ImageLeft);
    AttributedTitle title{checkBoxTitle(text), Qt::black, font, Qt::AlignLeft | Qt::AlignVCenter};
    box->setAttributedTitle(title);
    box->setTarget(target, std::move(action));
    return box;
}

QString alertListForTag(qint64 tag)
{
    if (tag == 0) return QString();
    auto alert = std::make_shared<AlertObj>();
    alert->setAlertType(1);
    alert->setRelativeOffset(-tag);
    alert->setSoundName(QString());
    return Utilities::updateAlertList({alert});
}

PopUpButton* createDurationPopUp(const QRectF& frame, QObject* target, std::function<void(PopUpButton*)> action)
{
    return UIUtilities::createPopUpButtonWithFrame(frame, QStringLiteral("Duration"), 13, target, std::move(action),
                                                   {TextTable::localizedString(QStringLiteral("_15minutesText")),
                                                    TextTable::localizedString(QStringLiteral("_30minutesText")),
                                                    TextTable::localizedString(QStringLiteral("_1hourText")),
                                                    TextTable::localizedString(QStringLiteral("_90minutesText")),
                                                    TextTable::localizedString(QStringLiteral("_2hoursText")),
                                                    TextTable::localizedString(QStringLiteral("_3hoursText"))},
                                                   QList<qint64>{15, 30, 60, 90, 120, 180});
}

PopUpButton* createDefaultAlertPopUp(const QRectF& frame, const QString& menuTitle, QObject* target,
                                     std::function<void(PopUpButton*)> action)
{
    const auto before = [](int count, const QString& text) { return QStringLiteral("%1 %2").arg(count).arg(text); };
    const QString minutes = TextTable::localizedString(QStringLiteral("minutesBeforeText"));
    return UIUtilities::createPopUpButtonWithFrame(
        frame, menuTitle, 13, target, std::move(action),
        {TextTable::localizedString(QStringLiteral("noneText")), before(15, minutes), before(30, minutes),
         before(1, TextTable::localizedString(QStringLiteral("hourBeforeText"))),
         before(1, TextTable::localizedString(QStringLiteral("dayBeforeText")))},
        QList<qint64>{0, 900, 1800, 3600, 86400});
}

std::optional<qint64> alertTagOfList(const QString& alertList)
{
    if (alertList.isEmpty()) return 0;
    const QStringList pieces = alertList.split(QLatin1Char('/'));
    if (pieces.size() < 2) return std::nullopt;
    return -Utilities::getAlertFromList(pieces, 1)->relativeOffset();
}

void selectTagOrNothing(PopUpButton* popUp, qint64 tag)
{
    if (tag < INT_MIN || tag > INT_MAX || !popUp->selectItemWithTag(int(tag))) popUp->selectNoItem();
}

std::optional<int> workingMinutesOf(const QVariantMap& dayManagers, const QString& key)
{
    const QVariant value = dayManagers.value(key);
    bool isNumber = false;
    const qlonglong minutes = value.toLongLong(&isNumber);
    // A double like 510.5 converts too; only whole minutes are times.
    if (!isNumber || value.toDouble() != double(minutes)) return std::nullopt;
    if (minutes < 0 || minutes > 1439) return std::nullopt;
    return int(minutes);
}

QTime timeOfMinutes(int minutes)
{
    return QTime(minutes / 60, minutes % 60);
}

int minutesOfTime(QTime time)
{
    return time.isValid() ? time.hour() * 60 + time.minute() : 0;
}

QString workingStartKey(int weekDay)
{
    return QString::fromLatin1(keysOf(weekDay).start);
}

QString workingEndKey(int weekDay)
{
    return QString::fromLatin1(keysOf(weekDay).end);
}

QString dayNameKey(int weekDay)
{
    return QString::fromLatin1(keysOf(weekDay).name);
}

QString dayName(int weekDay)
{
    // The keys written out, as in the table above, so the text check finds them.
    switch (std::clamp(weekDay, 0, 6)) {
    case 0: return TextTable::localizedString(QStringLiteral("sundayText"));
    case 1: return TextTable::localizedString(QStringLiteral("mondayText"));
    case 2: return TextTable::localizedString(QStringLiteral("tuesdayText"));
    case 3: return TextTable::localizedString(QStringLiteral("wednesdayText"));
    case 4: return TextTable::localizedString(QStringLiteral("thursdayText"));
    case 5: return TextTable::localizedString(QStringLiteral("fridayText"));
    default: return TextTable::localizedString(QStringLiteral("saturdayText"));
    }
}

bool storePopUpChoice(const SettingPtr& setting, const PopUpButton* popUp,
                      const std::function<void(Setting&, qint64)>& store, bool push)
{
    const PopUpItem* item = popUp->selectedItem();
    if (!setting || !item) return true;
    const qint64 tag = item->tag;
    if (!saveSettings([&](Setting& kept) { store(kept, tag); }, popUp->window())) return false;
    if (push) postSettingsPush();
    return true;
}

}  // namespace PrefPanes
