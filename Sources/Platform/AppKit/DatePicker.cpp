#include "DatePicker.h"

#include "GregorianCalendar.h"
#include "NotificationCenter.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QDebug>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLocale>
#include <QRegularExpression>

#include <utility>

namespace {

// The editor works in wall-clock fields kept as UTC, so that it never
// applies daylight saving rules of its own: the calendar converts, in the
// system zone, as everywhere else in the project.
QDateTime wallClockOf(const Date& date, bool dropTime)
{
    const DateFields f = GregorianCalendar::fields(date);
    const QTime time = dropTime ? QTime(0, 0) : QTime(f.hour, f.minute);
    return QDateTime(QDate(f.year, f.month, f.day), time, QTimeZone::utc());
}

Date dateOf(const QDateTime& wallClock, bool dropTime)
{
    const QDate day = wallClock.date();
    const QTime time = dropTime ? QTime(0, 0) : wallClock.time();
    return GregorianCalendar::dateFromFields(day.year(), day.month(), day.day(), time.hour(), time.minute(), 0);
}

// The locale's short date, with the year written out: a two-digit year
// cannot say which century the user means.
QString dateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(shortYear, QStringLiteral("yyyy"));
    return format;
}

// The stock editor, telling its picker when a change is a step rather than
// typed text.
class SteppingEdit : public QDateTimeEdit {
public:
    SteppingEdit(QWidget* parent, bool& stepping) : QDateTimeEdit(parent), m_stepping(stepping) {}

    void stepBy(int steps) override
    {
        const bool outer = m_stepping;
        m_stepping = true;
        QDateTimeEdit::stepBy(steps);
        m_stepping = outer;
    }

private:
    bool& m_stepping;
};

}  // namespace

DatePicker::DatePicker(const QRectF& frame, QWidget* parent, DatePickerElements elements)
    : View(frame, parent), m_editor(new SteppingEdit(this, m_stepping)), m_elements(elements)
{
    m_editor->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_editor->setTimeSpec(Qt::UTC);
    m_editor->setCalendarPopup(false);
    m_editor->setFont(m_font.widgetFont());
    m_editor->setGeometry(rect());
    applyFormat();
    // dateTimeChanged alone: the date and time signals would post twice.
    connect(m_editor, &QDateTimeEdit::dateTimeChanged, this, [this] { userChanged(); });
    connect(m_editor, &QAbstractSpinBox::editingFinished, this, [this] {
        if (m_endedAction && m_endedReceiver) {
            const std::function<void(DatePicker*)> action = m_endedAction;
            action(this);
        }
    });
    // Made after the view: under a view already on screen it would stay hidden.
    m_editor->show();
    m_lineEdit = m_editor->findChild<QLineEdit*>();
    if (m_lineEdit) m_lineEdit->installEventFilter(this);
    m_editor->installEventFilter(this);
}

DatePicker::~DatePicker() = default;

void DatePicker::setElements(DatePickerElements elements)
{
    if (m_elements == elements) return;
    const Date value = dateValue();
    m_elements = elements;
    m_settingByCode = true;
    applyFormat();
    applyMinimum();
    m_editor->setDateTime(wallClockOf(value, m_elements == DatePickerElements::Date));
    m_settingByCode = false;
}

Date DatePicker::dateValue() const
{
    const bool dropTime = m_elements == DatePickerElements::Date;
    const Date read = dateOf(m_editor->dateTime(), dropTime);
    // A time in the repeated hour of an autumn change reads the same at two
    // instants: read back from the field it is the first, so an end at the
    // second one, saved unchanged, would move. While the field still shows
    // the date it was given, that date is the one meant.
    if (!dropTime && m_given && read != m_given && GregorianCalendar::fields(m_given).second == 0
        && m_given.timeIntervalSince1970() == double(m_given.wholeSecondsSince1970())
        && wallClockOf(m_given, false) == wallClockOf(read, false))
        return m_given;
    return read;
}

Date DatePicker::valueKeeping(const Date& loaded) const
{
    const Date read = dateValue();
    if (loaded.isNull() || m_elements == DatePickerElements::Date) return read;
    return wallClockOf(loaded, false) == wallClockOf(read, false) ? loaded : read;
}

bool DatePicker::showsTimeTheClockSkips() const
{
    if (m_elements == DatePickerElements::Date) return false;
    const QDateTime shown = m_editor->dateTime();
    return wallClockOf(dateValue(), false) != QDateTime(shown.date(), QTime(shown.time().hour(), shown.time().minute()), QTimeZone::utc());
}

void DatePicker::setDateValue(const Date& date)
{
    if (date.isNull() || !Date::isWithinCalendar(date.timeIntervalSince1970())) {
        qWarning() << "A date picker was given no date; it keeps the one it shows";
        return;
    }
    m_settingByCode = true;
    // Below the minimum the editor shows the minimum.
    if (m_minimumLifted) {
        m_minimumLifted = false;
        applyMinimum();
    }
    m_editor->setDateTime(wallClockOf(date, m_elements == DatePickerElements::Date));
    m_given = date;
    m_settingByCode = false;
}

void DatePicker::setMinDate(const Date& date)
{
    if (date.isValid() && !Date::isWithinCalendar(date.timeIntervalSince1970())) {
        qWarning() << "A date picker was given a minimum beyond the calendar; it keeps none";
        m_minDate = Date();
    } else {
        m_minDate = date;
    }
    m_settingByCode = true;
    applyMinimum();
    m_settingByCode = false;
}

void DatePicker::applyMinimum()
{
    if (m_minDate.isNull() || m_minimumLifted)
        m_editor->clearMinimumDateTime();
    else
        m_editor->setMinimumDateTime(wallClockOf(m_minDate, m_elements == DatePickerElements::Date));
}

// Times of day live on one fixed day of the editor, so that no clock change
// shifts or skips them.
static const QDate kTimeOfDayDay(2000, 1, 1);

// A time-only editor keeps its range to the one day its value had when the
// format was set; a minimum on another day would drag its maximum along.
static void keepOnTimeOfDayDay(QDateTimeEdit* editor)
{
    if (editor->minimumDate() == kTimeOfDayDay && editor->maximumDate() == kTimeOfDayDay) return;
    editor->setDateTimeRange(QDateTime(kTimeOfDayDay, QTime(0, 0), QTimeZone::utc()),
                             QDateTime(kTimeOfDayDay, QTime(23, 59, 59), QTimeZone::utc()));
}

QTime DatePicker::timeOfDay() const
{
    return m_editor->dateTime().time();
}

void DatePicker::setTimeOfDay(QTime time)
{
    if (!time.isValid()) time = QTime(0, 0);
    m_settingByCode = true;
    keepOnTimeOfDayDay(m_editor);
    m_editor->setDateTime(QDateTime(kTimeOfDayDay, QTime(time.hour(), time.minute()), QTimeZone::utc()));
    m_settingByCode = false;
}

void DatePicker::setMinTimeOfDay(QTime time)
{
    if (!time.isValid()) time = QTime(0, 0);
    m_minDate = Date();
    m_settingByCode = true;
    keepOnTimeOfDayDay(m_editor);
    m_editor->setMinimumDateTime(QDateTime(kTimeOfDayDay, QTime(time.hour(), time.minute()), QTimeZone::utc()));
    m_settingByCode = false;
}

void DatePicker::setUses24HourClock(bool uses24HourClock)
{
    if (m_uses24HourClock == uses24HourClock) return;
    m_uses24HourClock = uses24HourClock;
    m_settingByCode = true;
    applyFormat();
    m_settingByCode = false;
}

void DatePicker::applyFormat()
{
    const QString time = m_uses24HourClock ? QStringLiteral("HH:mm") : QStringLiteral("h:mm AP");
    if (m_elements == DatePickerElements::HourMinute) {
        // The day stays in the value (the minimum compares whole instants),
        // but is neither shown nor typed.
        m_editor->setDisplayFormat(time);
        return;
    }
    QString format = dateFormat();
    if (m_elements == DatePickerElements::DateHourMinute) format += QLatin1Char(' ') + time;
    m_editor->setDisplayFormat(format);
}

void DatePicker::setTextFont(const Font& font)
{
    m_font = font;
    m_editor->setFont(font.widgetFont());
}

void DatePicker::setTarget(QObject* receiver, std::function<void(DatePicker*)> action)
{
    m_hasReceiver = receiver != nullptr;
    m_receiver = receiver;
    m_action = std::move(action);
}

void DatePicker::setEditingEndedTarget(QObject* receiver, std::function<void(DatePicker*)> action)
{
    m_endedReceiver = receiver;
    m_endedAction = std::move(action);
}

void DatePicker::userChanged()
{
    if (m_settingByCode) return;
    m_changeIsTyped = !m_stepping;
    NotificationCenter::defaultCenter().postNotificationName(kTextFieldHasChangedNotification, this);
    if (m_action && !(m_hasReceiver && !m_receiver)) {
        const std::function<void(DatePicker*)> action = m_action;
        action(this);
    }
    m_changeIsTyped = false;
}

bool DatePicker::eventFilter(QObject* watched, QEvent* event)
{
    // A click leaves a bare caret, where a typed digit makes no valid time
    // and is refused: the click selects the hour, minute or other part it
    // fell in, so digits typed next replace it. After the editor has placed
    // the caret; a drag that selected text keeps its selection.
    const QEvent::Type type = event->type();
    if (watched == m_lineEdit && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (type == QEvent::MouseButtonPress) {
            m_pressedAt = at;
        } else {
            const bool click = (at - m_pressedAt).manhattanLength() < QApplication::startDragDistance();
            if (click) m_lastClick.start();
            QMetaObject::invokeMethod(this, [this, at, click] { selectSectionAt(at, click); }, Qt::QueuedConnection);
        }
    }
    // A digit typed over a selection of several parts (the whole field
    // selected) would replace the separators too, which the editor refuses:
    // the digit goes into the first selected part, and the parts typed next
    // follow as when typing into one part.
    if (watched == m_editor && type == QEvent::KeyPress && m_lineEdit && m_lineEdit->hasSelectedText()) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.size() == 1 && typed.at(0).isDigit() &&
            m_lineEdit->selectedText().size() > m_editor->sectionText(m_editor->currentSection()).size()) {
            m_lineEdit->setCursorPosition(m_lineEdit->selectionStart());
            m_editor->setSelectedSection(m_editor->currentSection());
        }
    }
    if (watched == m_editor && type == QEvent::KeyPress && takeTypedAfternoonHour(*static_cast<QKeyEvent*>(event)))
        return true;
    // A part typed in full moves the editor on to the next part by itself;
    // a Tab typed straight after it means that same step ("11", Tab, "05"),
    // and would otherwise skip the part the digits that follow are meant for.
    if (watched == m_editor && type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int section = int(m_editor->currentSection());
        const bool movedOnByItself = m_digitSection >= 0 && section != m_digitSection;
        m_digitSection = -1;
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier && movedOnByItself) return true;
        if (key->text().size() == 1 && key->text().at(0).isDigit()) m_digitSection = section;
    }
    // The editor refuses a digit that makes a value below the minimum, even
    // one the next digit would lift above it ("1" of "10" after a minimum
    // on the 8th): while digits are typed the minimum waits, and it holds
    // again at the next other key, the wheel, or the end of the edit. A
    // value typed below it is refused then: the field goes back to what it
    // showed before the digits (a change of the user's, so it is reported).
    if (watched == m_editor && !m_minDate.isNull()) {
        bool digit = false;
        if (type == QEvent::KeyPress) {
            const QString typed = static_cast<QKeyEvent*>(event)->text();
            digit = typed.size() == 1 && typed.at(0).isDigit();
        }
        if (digit && !m_minimumLifted) {
            m_minimumLifted = true;
            m_valueBeforeDigits = m_editor->dateTime();
            m_editor->clearMinimumDateTime();
        } else if (!digit && m_minimumLifted &&
                   (type == QEvent::KeyPress || type == QEvent::FocusOut || type == QEvent::Wheel ||
                    type == QEvent::Hide)) {
            m_minimumLifted = false;
            if (m_editor->dateTime() < wallClockOf(m_minDate, m_elements == DatePickerElements::Date))
                m_editor->setDateTime(m_valueBeforeDigits);
            applyMinimum();
        }
    }
    // The keyboard that a click brought may come after the click itself (the
    // window manager activates the window later), and the editor then picks
    // its first part: the part clicked counts.
    if (watched == m_editor && type == QEvent::FocusIn && m_lastClick.isValid() &&
        m_lastClick.elapsed() < clickFocusWaitMilliseconds) {
        const QPoint at = m_pressedAt;
        QMetaObject::invokeMethod(this, [this, at] { selectSectionAt(at, true); }, Qt::QueuedConnection);
    }
    return View::eventFilter(watched, event);
}

// On the 12-hour clock the editor refuses the second digit of an hour typed
// the 24-hour way ("14" stayed "1", the 4 dropped without a word): such an
// hour is taken as typed, after noon, and the editor goes on to the minutes
// as after any hour typed in full.
bool DatePicker::takeTypedAfternoonHour(const QKeyEvent& key)
{
    const int first = std::exchange(m_typedHourDigit, -1);
    const bool digit = key.text().size() == 1 && key.text().at(0).isDigit();
    if (m_uses24HourClock || !digit || m_editor->currentSection() != QDateTimeEdit::HourSection) return false;
    const int typed = key.text().at(0).digitValue();
    const int hour = first * 10 + typed;
    if (first < 0 || hour < 13 || hour > 23) {
        if (first < 0) m_typedHourDigit = typed;
        return false;
    }
    m_editor->setTime(QTime(hour, m_editor->time().minute()));
    m_editor->setCurrentSection(QDateTimeEdit::MinuteSection);
    m_editor->setSelectedSection(QDateTimeEdit::MinuteSection);
    // As when the editor moved on by itself: a Tab next means that step.
    m_digitSection = int(QDateTimeEdit::HourSection);
    return true;
}

void DatePicker::selectSectionAt(const QPoint& at, bool click)
{
    if (!m_lineEdit || !m_editor->hasFocus() || m_editor->isReadOnly()) return;
    if (!click && m_lineEdit->hasSelectedText()) return;
    // The first click brings the keyboard too, and the editor then selects
    // its first part: the part clicked counts, not that one.
    if (click) m_lineEdit->setCursorPosition(m_lineEdit->cursorPositionAt(at));
    const QDateTimeEdit::Section section = m_editor->currentSection();
    if (section != QDateTimeEdit::NoSection) m_editor->setSelectedSection(section);
}

void DatePicker::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    m_editor->setGeometry(rect());
}
