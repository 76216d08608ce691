#pragma once

#include "Date.h"
#include "Font.h"
#include "View.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <QTime>

class QDateTimeEdit;
class QKeyEvent;
class QLineEdit;

// Posted (object: the picker) once for each change of the value the user
// makes; the views listen for the name their text fields post.
inline const QString kTextFieldHasChangedNotification = QStringLiteral("NSTextField has changed");

// Which parts of the date the picker shows and edits.
enum class DatePickerElements {
    DateHourMinute,  // the day, the hours and the minutes
    Date,            // the day alone; its value is the local midnight of the day
    HourMinute,      // the hours and the minutes alone; the day given is kept
};

// A date in a text box with no stepper buttons (a QDateTimeEdit inside):
// the user types into a part or steps it with the arrow keys. Values are the
// project's Date, read as wall-clock time in the system zone.
class DatePicker : public View {
    Q_OBJECT

public:
    explicit DatePicker(const QRectF& frame = QRectF(), QWidget* parent = nullptr,
                        DatePickerElements elements = DatePickerElements::DateHourMinute);
    ~DatePicker() override;

    DatePickerElements elements() const { return m_elements; }
    // Going to Date drops the time of the value (no notification).
    void setElements(DatePickerElements elements);

    // The value shown, to the minute (or the local midnight of its day).
    Date dateValue() const;
    // The value shown, or `loaded` itself while the field still shows it:
    // the field shows and takes whole minutes, and a time loaded with
    // seconds (another program's) and left untouched keeps them.
    Date valueKeeping(const Date& loaded) const;
    // Never posts. A date before the minimum shows the minimum; the null
    // date or one beyond the calendar changes nothing (logged).
    void setDateValue(const Date& date);
    // Whether the day and time shown are no reading of the machine's clock
    // (typed into the hour its clocks skip in spring): dateValue() is then
    // an hour later than what the field shows.
    bool showsTimeTheClockSkips() const;

    // The earliest value the user can reach; the null date for none. Digits
    // typed into a part may pass below it on the way ("1" of "10"); a value
    // still below it at the next other key or the end of the edit is
    // refused, and the field shows what it showed before the digits.
    Date minDate() const { return m_minDate; }
    void setMinDate(const Date& date);

    // Times of day, for the hours-and-minutes picker: the wall clock as it
    // is shown, whatever the clocks do on the day the picker is used.
    QTime timeOfDay() const;
    void setTimeOfDay(QTime time);
    void setMinTimeOfDay(QTime time);

    bool uses24HourClock() const { return m_uses24HourClock; }
    void setUses24HourClock(bool uses24HourClock);

    // The kit font of the text (the stock editor gets its nearest whole size).
    const Font& textFont() const { return m_font; }
    void setTextFont(const Font& font);

    // The editor inside, for tests and focus handling.
    // Called after each change the user makes (never for a value set by
    // code), while the receiver lives.
    void setTarget(QObject* receiver, std::function<void(DatePicker*)> action);

    QDateTimeEdit* editor() const { return m_editor; }

    // While a change is reported: true when it came from typing into a part
    // (each keystroke reports the value the text makes so far, "2" before
    // "23"), false for a step (arrow keys, page keys, the wheel), which moves
    // one part by a whole unit.
    bool changeIsTyped() const { return m_changeIsTyped; }
    // Called when the user ends an edit of the picker (Enter, or the focus
    // leaving it), while the receiver lives.
    void setEditingEndedTarget(QObject* receiver, std::function<void(DatePicker*)> action);

    bool isFlipped() const override { return true; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyFormat();
    bool takeTypedAfternoonHour(const QKeyEvent& key);
    void selectSectionAt(const QPoint& at, bool click);
    void applyMinimum();
    void userChanged();

    bool m_stepping = false;  // set by the editor around each step
    QDateTimeEdit* m_editor = nullptr;
    QPointer<QLineEdit> m_lineEdit;  // the editor's own, where the clicks land
    QPoint m_pressedAt;
    QElapsedTimer m_lastClick;
    static constexpr int clickFocusWaitMilliseconds = 1000;
    DatePickerElements m_elements;
    Date m_minDate;
    Date m_given;  // the date last set by code: the instant while the field still reads it
    bool m_minimumLifted = false;  // while digits are typed (see eventFilter)
    int m_digitSection = -1;       // the part the last key, a digit, was typed into; -1 after other keys
    int m_typedHourDigit = -1;     // on the 12-hour clock, a first digit typed into the hours; -1 for none
    QDateTime m_valueBeforeDigits;
    bool m_uses24HourClock = true;
    bool m_settingByCode = false;
    bool m_changeIsTyped = false;
    QPointer<QObject> m_endedReceiver;
    std::function<void(DatePicker*)> m_endedAction;
    bool m_hasReceiver = false;
    QPointer<QObject> m_receiver;
    std::function<void(DatePicker*)> m_action;
    Font m_font;  // the system font
};
