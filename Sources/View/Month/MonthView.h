#pragma once

#include "Date.h"
#include "View.h"

#include <QString>

#include <vector>

class Button;
class GuruViewController;
class MonthCalendarView;
class SegmentedControl;
class TextField;

// The panel around a month grid, in two kinds: the main mini month of the
// left page (the big day number, the month title, "CW" and the weekday
// header, previous/today/next and a tip button shown over the title) and a
// navigator month (a small title, two-letter weekdays and, in the first month
// of the stack, previous and next buttons).
class MonthView : public View {
    Q_OBJECT

public:
    // A main panel: it shows today's month with today selected.
    explicit MonthView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    // A navigator panel; it sets the navigator cell width to its width / 7.
    MonthView(const QRectF& frame, bool isNavMonth, bool isFirst, QWidget* parent = nullptr);
    ~MonthView() override;

    MonthCalendarView* monthCalendarView() const { return m_monthCalendarView; }
    bool isNavMonth() const { return m_isNavMonth; }
    bool isFirstMonth() const { return m_isFirstMonth; }

    // Selects today in the display zone and shows its month.
    void goToday();
    // Today at 00:00 in the application's display zone.
    static Date todayInDisplayZone();
    void gotoPreviousMonth();
    void gotoNextMonth();

    // Lays the grid out again and retitles (with the day when asked); a
    // hidden panel waits unless forced, and a running reload is not nested.
    void reloadDataWithDaylabel(bool withDayLabel);
    void reloadDataWithDaylabel(bool withDayLabel, bool forceIfHide);
    void showMonthTitleWithDay(bool withDay);

    // The user's preferred language as a code such as "en" or "ja", as the
    // system gives it.
    static QString preferredLang();
    // The language this panel formats for, read once when it was made.
    QString panelLang() const { return m_preferredLang; }
    void setPreferredLang(const QString& lang) { m_preferredLang = lang; }

    // Segment 0 previous, 1 today, 2 next: what the control's click runs.
    void nextPrevMonth(int segment);
    void swipeWithEvent(const Event& event) override;
    // The title area over which the tip button shows.
    QRectF guruRect() const;
    // The main panel's title: its room and its point size, 17 down to 12.
    static constexpr double titlePointSize = 17;
    static constexpr double minimumTitlePointSize = 12;
    // The label's insets and some slack: glyph advances grow a little when a
    // screen of scale 2 rounds them.
    static constexpr double titleInsets = 12;
    void fitTitleBeforeTipButton();
    void guru();

    const std::vector<TextField*>& arrayOfWeekDay() const { return m_arrayOfWeekDay; }
    TextField* monthLabel() const { return m_month; }
    TextField* dayLabel() const { return m_dayLabel; }
    SegmentedControl* control() const { return m_control; }
    Button* guruButton() const { return m_guruBtn; }
    Button* prevButton() const { return m_prevBtn; }
    Button* nextButton() const { return m_nextBtn; }

    void mouseEntered(const Event& event) override;
    void mouseExited(const Event& event) override;
    void updateTrackingAreas() override;

private:
    void build();
    void afterMonthStep();
    void ensureTrackingArea();

    MonthCalendarView* m_monthCalendarView = nullptr;
    std::vector<TextField*> m_arrayOfWeekDay;
    QString m_preferredLang;
    TextField* m_month = nullptr;
    TextField* m_dayLabel = nullptr;
    View* m_pointerView = nullptr;
    int m_guruTrackingArea = 0;
    Button* m_guruBtn = nullptr;
    GuruViewController* m_guruViewController = nullptr;
    SegmentedControl* m_control = nullptr;
    Button* m_prevBtn = nullptr;
    Button* m_nextBtn = nullptr;
    bool m_isNavMonth = false;
    bool m_isFirstMonth = false;
    bool m_isLoading = false;
    // A reload asked for while the panel was hidden (under the add form,
    // say) is made when it shows again.
    bool m_reloadWhenShown = false;
    bool m_reloadWhenShownWithDayLabel = false;

protected:
    void showEvent(QShowEvent* event) override;
};
