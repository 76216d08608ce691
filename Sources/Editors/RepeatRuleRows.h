#pragma once

#include "Date.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class CustomNSDatePicker;
class CustomNSTextField_NSNumberFormatter;
class DetailEditorHost;
class DetailRow;
class PopUpButton;
class SegmentedControl;
class Task;
class TextField;

// The rows under an editor's repeat pop-up: until when (events) or from
// which date the next occurrence counts (tasks), every how many days,
// weeks, months or years, and on which weekdays or by which day of the
// month. Written once for both editors; the editor passes itself as host
// and adds repeatRow to its rows, and the rows below it follow the pop-up.
class RepeatRuleRows : public QObject {
    Q_OBJECT

public:
    enum class Kind { Event, Task };
    // The repeat pop-up's tags: the stored repeatType plus one.
    enum RepeatTag { noneTag = 1, dailyTag = 2, weeklyTag = 3, monthlyTag = 4, yearlyTag = 5 };

    RepeatRuleRows(DetailEditorHost& host, Kind kind, double width, QObject* parent = nullptr);
    ~RepeatRuleRows() override;

    DetailRow* repeatRow() const { return m_repeatRow; }
    PopUpButton* repeatBtn() const { return m_repeatBtn; }
    DetailRow* repeatUntilRow() const { return m_repeatUntilRow; }
    PopUpButton* repeatUntilBtn() const { return m_repeatUntilBtn; }
    CustomNSDatePicker* untilDateTextField() const { return m_untilDateTextField; }
    DetailRow* repeatFromRow() const { return m_repeatFromRow; }
    PopUpButton* repeatFromBtn() const { return m_repeatFromBtn; }
    DetailRow* repeatEveryRow() const { return m_repeatEveryRow; }
    CustomNSTextField_NSNumberFormatter* repeatEveryTextField() const { return m_repeatEveryTextField; }
    TextField* repeatEveryTypeTextField() const { return m_repeatEveryTypeTextField; }
    DetailRow* repeatOnRow() const { return m_repeatOnRow; }
    SegmentedControl* repeatSegmentedDayControl() const { return m_repeatSegmentedDayControl; }
    PopUpButton* repeatByBtn() const { return m_repeatByBtn; }

    // The row after the repeat row: until (events) or repeat-from (tasks).
    DetailRow* untilOrFromRow() const;

    // Control actions (also run by the loaders and the reset code).
    void repeatOption();
    void repeatUntil();
    void repeatFrom();
    void repeatBy();
    void selectDay();
    void repeatEveryChanged();
    void untilDateChanged();

    // A stored changed occurrence edits no rule of its own.
    void removeRepeatRowFromView();
    // Shows the item's rule.
    void loadFromTask(const Task& item);
    // No repeat, count 1, no weekday.
    void reset();
    void setEnabled(bool enabled);

    // What saving writes.
    int repeatTag() const;
    QString repeatOptions() const;
    // Selected weekday numbers (1 Sunday .. 7 Saturday) in ascending order
    // joined by "|"; empty when none is selected.
    QString selectedWeekdays() const;

    // The stored form "%ld/%@/%ld" of a rule shown in the rows: interval,
    // weekday list, monthly flag; "1//0" without repeat.
    static QString repeatOptionsText(int repeatTag, qint64 interval, const QString& weekdays, int byTag);

    // The stored rule as the change checks read it: -1 for an interval or a
    // flag when the options are missing, no weekday list then either.
    struct StoredOptions {
        qint64 interval = -1;
        std::optional<QString> weekdays;
        qint64 flag = -1;
    };
    static StoredOptions storedOptions(const QString& repeatOptions);

    // A pop-up takes the width of its selected title plus extra.
    static constexpr double popUpExtra = 18;
    static constexpr double repeatFromExtra = 20;

private:
    DetailRow* makeRow(const QString& caption, double width);
    bool checksApply() const;
    void hideDetailRows();

    DetailEditorHost& m_host;
    Kind m_kind;
    DetailRow* m_repeatRow = nullptr;
    PopUpButton* m_repeatBtn = nullptr;
    DetailRow* m_repeatUntilRow = nullptr;
    PopUpButton* m_repeatUntilBtn = nullptr;
    CustomNSDatePicker* m_untilDateTextField = nullptr;
    DetailRow* m_repeatFromRow = nullptr;
    PopUpButton* m_repeatFromBtn = nullptr;
    DetailRow* m_repeatEveryRow = nullptr;
    CustomNSTextField_NSNumberFormatter* m_repeatEveryTextField = nullptr;
    TextField* m_repeatEveryTypeTextField = nullptr;
    DetailRow* m_repeatOnRow = nullptr;
    SegmentedControl* m_repeatSegmentedDayControl = nullptr;
    PopUpButton* m_repeatByBtn = nullptr;
};
