#include "MonthNavigation.h"

#include "CoreData.h"
#include "MonthView.h"
#include "Setting.h"

MonthNavigation::MonthNavigation(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_monthList.push_back(new MonthView(QRectF(0, 0, frame.width(), frame.height()), this));
    m_weekStart = weekStartOfSettings();
}

MonthNavigation::~MonthNavigation() = default;

int MonthNavigation::weekStartOfSettings()
{
    const CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    return setting ? int(setting->weekStartDay()) : 0;
}

void MonthNavigation::reloadDataIfNeed()
{
    if (m_weekStart != weekStartOfSettings())
        forceReloadData();
    else
        reloadData();
}

void MonthNavigation::forceReloadData()
{
    m_weekStart = weekStartOfSettings();
    ++m_forcedReloadCount;
    reloadData();
}

void MonthNavigation::reloadData()
{
    ++m_reloadCount;
}
