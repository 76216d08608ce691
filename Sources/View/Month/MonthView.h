#pragma once

#include "View.h"

class MonthCalendarView;

// The mini month in the main window's left column. For now it is the
// holder of its grid's selected day; the month grid itself comes later.
class MonthView : public View {
    Q_OBJECT

public:
    explicit MonthView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~MonthView() override;

    MonthCalendarView* monthCalendarView() const { return m_monthCalendarView; }

    // Selects today (at 00:00 in the system zone) and shows its month.
    void goToday();

    // Draws the month again (and the day label when asked); a hidden mini
    // month waits unless forced. Its grid comes with the month views: for
    // now the reloads are counted.
    void reloadDataWithDaylabel(bool withDayLabel);
    void reloadDataWithDaylabel(bool withDayLabel, bool forceIfHide);
    int reloadCount() const { return m_reloadCount; }

    // The user's preferred language as a code such as "en" or "ja".
    static QString preferredLang();

private:
    MonthCalendarView* m_monthCalendarView = nullptr;
    int m_reloadCount = 0;
};
