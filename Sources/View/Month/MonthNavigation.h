#pragma once

#include "View.h"

#include <vector>

class MonthView;

// The stack of navigator months shown in planner mode. For now it holds its
// months (the first one showing the mini month's month) and counts the
// reloads asked of it; its drawing comes with the month views.
class MonthNavigation : public View {
    Q_OBJECT

public:
    explicit MonthNavigation(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~MonthNavigation() override;

    // The week start it was last laid out with, as the setting weekStartDay
    // counts it (1 Monday, any other value Sunday).
    int weekStart() const { return m_weekStart; }
    const std::vector<MonthView*>& monthList() const { return m_monthList; }

    // Reloads when what it shows is out of date (the week start changed).
    void reloadDataIfNeed();
    // Lays out again whatever it shows, taking the current week start.
    void forceReloadData();
    void reloadData();

    int reloadCount() const { return m_reloadCount; }
    int forcedReloadCount() const { return m_forcedReloadCount; }

private:
    static int weekStartOfSettings();

    std::vector<MonthView*> m_monthList;
    int m_weekStart = 0;
    int m_reloadCount = 0;
    int m_forcedReloadCount = 0;
};
