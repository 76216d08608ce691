#include "EventZoneRow.h"

#include "CoreData.h"
#include "CustomNSTextField.h"
#include "DatePicker.h"
#include "DetailEditorHost.h"
#include "NotificationCenter.h"
#include "TextTable.h"

#include <QPointer>

ZoneRowContent makeZoneRowContent(double rowWidth, std::function<void(const TimezoneObj&)> changeItemTo)
{
    auto* field = new CustomNSTextField(EditorRowGeometry::controlFrame(90, 0, rowWidth - 95, 19));
    field->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    ZoneRowContent content;
    content.view = field;
    QPointer<CustomNSTextField> guarded(field);
    content.setCurrentZone = [guarded](const TimezoneObj& zone) {
        if (guarded) guarded->setStringValue(zone.tzName);
    };
    content.setEnabled = [guarded](bool enabled) {
        if (guarded) guarded->setEnabled(enabled);
    };
    NotificationCenter::defaultCenter().addObserver(
        field, kTextFieldHasChangedNotification, NotificationPayload::identityOf(static_cast<TextField*>(field)),
        [guarded, changeItemTo](const Notification&) {
            CoreData* dataManager = CoreData::shared();
            if (!guarded || !dataManager || !changeItemTo) return;
            const QString name = guarded->stringValue().trimmed();
            for (const TimezoneObj& zone : dataManager->tzList().zones()) {
                if (zone.tzName == name || zone.cityName == name) {
                    changeItemTo(zone);
                    return;
                }
            }
        });
    return content;
}
