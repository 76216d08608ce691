#pragma once

#include "ModelTypes.h"

#include <QString>
#include <QTime>
#include <QRectF>
#include <QVariantMap>

#include <functional>

#include <optional>

class Button;
class PopUpButton;
class QObject;
class QWidget;

// What the preference panes share: every control writes its change of the
// settings record with the row in one unit, and asks for a web push of the
// settings. A refused change leaves the settings as they were and tells the
// person; the pane then shows the stored values again.
namespace PrefPanes {

// Posts the web push of the settings (32) when automatic web sync is on.
void postSettingsPush();
// Makes the change on the settings record and saves the row, one unit;
// refused, the record is as before, the person is told (the alert hangs from
// window when given) and false is answered.
bool saveSettings(const std::function<void(Setting&)>& change, QObject* window = nullptr);

// "%@:" of a looked-up text, for the labels left of the controls, and the
// check boxes' "  %@". The callers look their keys up themselves, so that
// every key stands written in a lookup.
QString labelText(const QString& text);
QString checkBoxTitle(const QString& text);

// A check box titled "  %@" with the text.
Button* createCheckBox(const QString& text, const QRectF& frame, QObject* target, std::function<void(Button*)> action);

// The default alert of new items as stored: none is the empty text, another
// choice one relative alert that many seconds before the start.
QString alertListForTag(qint64 tag);
// The item that shows a stored default alert: 0 for none (the empty text),
// else the seconds before the start; no item for a text that holds no alert.
std::optional<qint64> alertTagOfList(const QString& alertList);

// The pop-up of a default duration for new items: 15, 30, 60, 90, 120 and 180
// minutes, tagged with those minutes.
PopUpButton* createDurationPopUp(const QRectF& frame, QObject* target, std::function<void(PopUpButton*)> action);

// The pop-up of a default alert for new items: none, 15 and 30 minutes, an
// hour and a day before, tagged with those seconds (0 for none).
PopUpButton* createDefaultAlertPopUp(const QRectF& frame, const QString& menuTitle, QObject* target,
                                     std::function<void(PopUpButton*)> action);

// Selects the item with the tag, or shows no item when none has it: a
// stored value outside the menu is left as stored until the user chooses.
void selectTagOrNothing(PopUpButton* popUp, qint64 tag);

// A pop-up's choice: its item's tag is stored with `store` and saved as
// saveSettings does, then, when `push`, pushed to the web; nothing without a
// setting or a chosen item. False when the change was refused.
bool storePopUpChoice(const SettingPtr& setting, const PopUpButton* popUp,
                      const std::function<void(Setting&, qint64)>& store, bool push = true);

// Working hours: minutes after midnight, 0 to 1439. An entry that is
// missing, not a whole number or outside the day has no minutes.
std::optional<int> workingMinutesOf(const QVariantMap& dayManagers, const QString& key);
QTime timeOfMinutes(int minutes);
int minutesOfTime(QTime time);

// The keys of the working-hours side file, weekday 0 (Sunday) to 6, spelled
// as the file has always stored them.
QString workingStartKey(int weekDay);
QString workingEndKey(int weekDay);
QString dayNameKey(int weekDay);
// The weekday's name as shown.
QString dayName(int weekDay);

}  // namespace PrefPanes
