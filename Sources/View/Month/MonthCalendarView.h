#pragma once

#include "Date.h"
#include "View.h"

// The grid of the mini month. For now it holds what every pane reads: the
// application's selected day (currentDay) and the month on show
// (monthDate). Selecting a day hands it to the data manager and reloads the
// panes that show it.
class MonthCalendarView : public View {
    Q_OBJECT

public:
    explicit MonthCalendarView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~MonthCalendarView() override;

    Date currentDay() const { return m_currentDay; }
    Date monthDate() const { return m_monthDate; }

    // Shows the month of the date; answers whether the month or the year
    // changed. The null date is stored too and answers false.
    bool setMonthDate(const Date& date);

    // setCurrentDay(date, true).
    bool setCurrentDay(const Date& date);
    // Makes the date the selected day and hands it to the data manager.
    // The null date changes nothing and answers true. Without a reload the
    // answer is true. With one, the month follows the day: when the month
    // changed the answer is true and the caller reloads what it shows; when
    // it did not, the day pane reloads (not while a planner fills the
    // window) and the answer is false.
    bool setCurrentDay(const Date& date, bool isReloadData);

    // Asks the main view to reload the mini month and the day pane.
    void reloadData();

private:
    Date m_currentDay;
    Date m_monthDate;
};
