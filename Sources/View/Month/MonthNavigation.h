#pragma once

#include "View.h"

#include <vector>

class MonthView;

// The month navigator shown beside a pinned planner: three panels (four from
// 780 points high) showing consecutive months, kept in step with the
// selected day of the data manager. At most one of its months frames the
// selected day.
class MonthNavigation : public View {
    Q_OBJECT

public:
    explicit MonthNavigation(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~MonthNavigation() override;

    // The number of panels and their size for a navigator height.
    static int panelCountForHeight(double height);
    static QSizeF panelSizeForHeight(double height);

    // The week start it was last laid out with, as the setting weekStartDay
    // counts it (1 Monday, any other value Sunday).
    int weekStart() const { return m_weekStart; }
    void setWeekStart(int weekStart) { m_weekStart = weekStart; }
    const std::vector<MonthView*>& monthList() const { return m_monthList; }

    // Follows the selected day: the months stay while they show it, else
    // the stack starts with its month; the panel that shows it frames it.
    void reloadData();
    // Only the frame follows the selected day: the month that shows it
    // frames it, the others none, and a planner's expanded row stays; a day
    // outside the stack moves it as reloadData does.
    void frameSelectedDay();
    // Rebuilds the stack from the selected day's month.
    void forceReloadData();
    // Restarts the delayed refresh (bars and shading) of every month.
    void reloadDataIfNeed();
    // Every month drops its frame; a pinned planner collapses its expanded
    // row or band.
    void clearNavigatorSelected();

private:
    std::vector<MonthView*> m_monthList;
    int m_weekStart = 0;
};
