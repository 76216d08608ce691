#include "EventZoneRow.h"

#include "CoreData.h"
#include "TimezoneSearchView.h"

#include <QPointer>

#include <algorithm>

namespace {

// Hands the picker's choice to the form; a child of the picker, so it lives
// exactly as long as the picker does.
class ZoneChoiceRelay : public QObject, public TimezoneSearchViewDelegate {
public:
    ZoneChoiceRelay(std::function<void(const TimezoneObj&)> changeItemTo, QObject* parent)
        : QObject(parent)
        , m_changeItemTo(std::move(changeItemTo))
    {
    }
    void changeItemTo(const TimezoneObj& zone) override
    {
        if (m_changeItemTo) m_changeItemTo(zone);
    }

private:
    std::function<void(const TimezoneObj&)> m_changeItemTo;
};

constexpr double pickerWidth = 260;
constexpr double pickerIndent = 70;

}  // namespace

ZoneRowContent makeZoneRowContent(double rowWidth, std::function<void(const TimezoneObj&)> changeItemTo)
{
    // The list opens below the field, and the form itself sits in a popover.
    auto* picker = new TimezoneSearchView(QRectF(20, 1, std::min(pickerWidth, rowWidth - 20), 20), pickerIndent);
    picker->setPosition(1);
    picker->setShowInPopover(true);
    // Labelled when the picker is first searched: most forms never are.
    picker->setItemsSource([] {
        const CoreData* dataManager = CoreData::shared();
        return dataManager ? dataManager->tzList().zones() : QList<TimezoneObj>();
    });
    picker->setDelegate(new ZoneChoiceRelay(std::move(changeItemTo), picker));

    ZoneRowContent content;
    content.view = picker;
    QPointer<TimezoneSearchView> guarded(picker);
    content.setCurrentZone = [guarded](const TimezoneObj& zone) {
        if (guarded) guarded->setCurrentTZ(zone);
    };
    content.setEnabled = [guarded](bool enabled) {
        if (guarded) guarded->setEnalble(enabled);
    };
    return content;
}
