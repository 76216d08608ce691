#pragma once

#include "EventZoneRow.h"
#include "ItemDetailView.h"
#include "OwnTagList.h"

#include <utility>

class Button;
class CustomNSDatePicker;
class DetailRow;

// The weekly rule's start and the stored tag list, as saving writes them.
namespace EventSaving {
// The start a weekly rule moves to when the start's weekday is not among
// the chosen ones (weekday numbers 1 Sunday .. 7 Saturday joined by "|"):
// the earliest of the chosen weekdays at the start's weekday ordinal of its
// month and its time of day, each taken as it is when later than the start,
// otherwise moved on by a week (interval 1) or interval - 1 weeks. The start
// itself when its weekday is chosen or none is.
Date adjustedWeeklyStart(const Date& start, const QString& weekdays, qint64 interval);
// Whether an occurrence of a series stands on the series' first day; a
// series row with no occurrence stored stands for its first one.
bool isFirstOccurrence(const Task& item);
// The key of the series an event belongs to (its own when it is the root).
qint64 seriesKey(const Task& item);
// Asks for the web push of items while automatic web sync is on.
void pushRequest();
}  // namespace EventSaving

// The form in which an event, an all-day event or a scheduled task is
// created (type 0, inside the add panel: Save and Cancel) or edited (type 1,
// inside the editor popover: its title, Done, Add link, and Revert as soon
// as a field differs from the record). Its own rows: all day, end, time
// zone, and the alert rows from the first; a scheduled task's title leaves
// room for its mark.
class EventDetailView : public ItemDetailView {
    Q_OBJECT

public:
    explicit EventDetailView(const QRectF& frame, QWidget* parent = nullptr);
    ~EventDetailView() override;

    void setType(int type);

    void resetData() override;
    void setDefaultInfoForAddNew();
    void loadDataFromTask(const TaskPtr& item) override;

    void setEnable(bool enabled);

    // Control actions.
    void toggleAllDay();
    // Change handlers ("NSTextField has changed" of their controls).
    void titleChanged();
    void startTimeChanged();
    void endTimeChanged();
    void changeItemTo(const TimezoneObj& zone);
    // Add link: saves without closing, asks the main window to reload and
    // opens the add-link page.
    void addNewLink() override;
    void popupAddLink();

    // Saving. The scope questions of a repeating series go through the
    // alert presenter.
    void saveChanges(bool close) override;
    void addEvent();
    void cancelAdd() override;
    void checkChangeInfo();
    // Writes the whole form into the record: scope 0 as a single event,
    // 1 all occurrences, 2 all future ones.
    void summaryInfo(int scope);
    // Writes only the repeat kind and end, category, alerts and tags.
    void getChanges();
    // The repeat options text the form stands for ("interval/weekdays/flag");
    // a weekly rule without a weekday takes the start's when asked.
    QString formRepeatOptions(bool startWeekdayWhenNone) const;
    // The zone number saving writes: the one picked, else the record's.
    qint64 chosenZoneId() const { return m_zoneId; }

    bool otherRulesChanged() const { return m_otherRulesChanged; }
    bool alldayRuleChanged() const { return m_alldayRuleChanged; }
    bool repeatRuleChanged() const { return m_repeatRuleChanged; }
    bool repeatOptionChanged() const { return m_repeatOptionChanged; }

    // The form's own controls and rows, for the saving code and the tests.
    DetailRow* allDayRow() const { return m_allDayRow; }
    Button* allDayBtn() const { return m_allDayBtn; }
    DetailRow* endRow() const { return m_endRow; }
    CustomNSDatePicker* endTextField() const { return m_endTextField; }
    DetailRow* tzRow() const { return m_tzRow; }
    View* timezoneView() const { return m_zone.view; }
    Button* addEventBtn() const { return m_saveBtn; }
    Date previousStartTime() const { return m_previousStartTime; }
    bool changedCal() const { return m_changedCal; }

    Date startDate() const override;
    Date repeatEndAsShown(const Task& item) const override;

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void fitTitle() override;

private:
    void placeZoneRow();
    void setMinimumDates(const Date& start);
    bool isStoredDetachedOccurrence() const;
    QString titleToStore() const;
    void writeCommonFields(const TaskPtr& item, bool forNewItem);
    CalendarPtr categoryToStore(bool fallBackToDefault) const;
    void afterSave(bool close, bool posted = true);
    void postClose(bool taskChanged);
    [[nodiscard]] bool calendarUpkeep();
    void tagFilterUpkeep();
    void askAndSave(bool close);
    void keepFormAfterRefusal();
    // A timed form whose start or end shows a time the machine's clock
    // skips is refused with an alert saying so: saved, it would be an hour
    // later than typed. True when refused.
    bool refuseTimeTheClockSkips();
    bool isFirstOccurrence() const;
    qint64 rootKey() const;
    bool untilForever() const;
    // The series' end the form stands for, given the record before the form is written.
    Date repeatEndToStore(const Task& item) const;
    std::pair<Date, Date> shownTimes(const TaskPtr& item) const;
    // The start and end the fields stand for: each as loaded while it still
    // shows so, its seconds kept.
    std::pair<Date, Date> formTimes() const;
    // A repeat end chosen on the shown clock, on the item's own.
    Date repeatEndToOwn(const Task& item, const Date& shownEnd) const;
    // Days from the form's start as shown to the same instant on the item's
    // own clock: without zone support an event held in UTC or in its
    // file's zone shows in the machine's clock, where its start may lie on
    // another day (a Tokyo Monday 09:00 is a Sunday in New York). The form
    // shows a weekly rule's weekdays on the shown start's days.
    qint64 ownDaysFromShown(const Date& shownStart) const;
    void showTimes(const TaskPtr& item);
    TaskPtr storedNow() const;
    void takeChangesMadeElsewhere();

    DetailRow* m_allDayRow = nullptr;
    Button* m_allDayBtn = nullptr;
    DetailRow* m_endRow = nullptr;
    CustomNSDatePicker* m_endTextField = nullptr;
    Date m_previousStartTime;
    std::pair<Date, Date> m_openedTimes;  // the start and end the form showed at load
    DetailRow* m_tzRow = nullptr;
    ZoneRowContent m_zone;
    bool m_changedCal = false;
    bool m_otherRulesChanged = false;
    bool m_alldayRuleChanged = false;
    bool m_repeatRuleChanged = false;
    bool m_repeatOptionChanged = false;
    qint64 m_zoneId = 0;
    QPointer<QObject> m_detailViewController;
};
