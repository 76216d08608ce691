#include "DatePicker.h"
#include "GregorianCalendar.h"
#include "NotificationCenter.h"
#include "Screenshot.h"
#include "SegmentedControl.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace DatePickerTests {

namespace {

void sendKey(QWidget* target, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

Date at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second);
}

// A shown picker with the focus in its editor, counting the posts it makes.
struct Form {
    std::unique_ptr<View> window = std::make_unique<View>(QRectF(0, 0, 300, 60));
    DatePicker* picker;
    QObject observer;
    int posts = 0;
    explicit Form(DatePickerElements elements = DatePickerElements::DateHourMinute)
        : picker(new DatePicker(QRectF(10, 10, 220, 26), window.get(), elements))
    {
        NotificationCenter::defaultCenter().addObserver(&observer, kTextFieldHasChangedNotification,
                                                        NotificationPayload::identityOf(picker),
                                                        [this](const Notification& n) {
                                                            EXPECT_EQ(n.objectAs<DatePicker*>(), picker);
                                                            ++posts;
                                                        });
        window->show();
        picker->editor()->setFocus(Qt::OtherFocusReason);
    }
};

}  // namespace

TEST(DatePicker, AValueSetByCodePostsNothingAndReadsBackToTheMinute)
{
    Form form;
    form.picker->setDateValue(at(2026, 3, 14, 9, 26, 53));
    EXPECT_EQ(form.picker->dateValue(), at(2026, 3, 14, 9, 26));
    form.picker->setMinDate(at(2026, 5, 1));  // moves the value up to the minimum
    form.picker->setUses24HourClock(false);
    form.picker->setElements(DatePickerElements::Date);
    EXPECT_EQ(form.posts, 0);
    // No date changes nothing.
    form.picker->setDateValue(Date());
    EXPECT_EQ(form.picker->dateValue(), at(2026, 5, 1));
}

// A click selects the part of the date it falls in, so the digits typed
// next replace it; also the first click, which brings the keyboard with it
// (and with that the editor's own choice of its first part).
TEST(DatePicker, AClickSelectsThePartItFallsIn)
{
    const struct {
        const char* name;
        const char* shown;  // what the part shows, found in the text
        QDateTimeEdit::Section section;
        bool bringsTheKeyboard;
    } clicks[] = {
        {"first click on the year", "2031", QDateTimeEdit::YearSection, true},
        {"first click on the minute", "47", QDateTimeEdit::MinuteSection, true},
        {"click on the year", "2031", QDateTimeEdit::YearSection, false},
        {"click on the hour", "18", QDateTimeEdit::HourSection, false},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.name);
        Form form;
        form.picker->setDateValue(at(2031, 5, 9, 18, 47));
        QApplication::setActiveWindow(form.window.get());
        for (int turn = 0; turn < 50 && !form.picker->editor()->hasFocus(); ++turn) QApplication::processEvents();
        ASSERT_TRUE(form.picker->editor()->hasFocus());
        QLineEdit* line = form.picker->editor()->findChild<QLineEdit*>();
        ASSERT_NE(line, nullptr);
        const int index = int(line->text().indexOf(QLatin1String(c.shown)));
        ASSERT_GE(index, 0) << line->text().toStdString();
        // A point whose caret lies inside the part.
        int x = 0;
        while (x < line->width() && line->cursorPositionAt(QPoint(x, line->height() / 2)) != index + 1) ++x;
        ASSERT_LT(x, line->width());
        if (c.bringsTheKeyboard) form.picker->editor()->clearFocus();
        const QPointF point(x, line->height() / 2.0);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, point, line->mapToGlobal(point), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(line, &event);
        }
        QApplication::processEvents();
        // The window manager's activation comes after the click itself.
        if (c.bringsTheKeyboard) form.picker->editor()->setFocus(Qt::ActiveWindowFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(form.picker->editor()->currentSection(), c.section);
        EXPECT_EQ(line->selectedText(), QLatin1String(c.shown));
    }
}

TEST(DatePicker, AUserEditPostsExactlyOnce)
{
    Form form;
    form.picker->setDateValue(at(2026, 3, 14, 9, 26));
    QDateTimeEdit* editor = form.picker->editor();
    editor->setCurrentSection(QDateTimeEdit::MinuteSection);
    sendKey(editor, Qt::Key_Up);
    EXPECT_EQ(form.posts, 1);
    EXPECT_EQ(form.picker->dateValue(), at(2026, 3, 14, 9, 27));

    // Typing a digit over the selected hour.
    editor->setCurrentSection(QDateTimeEdit::HourSection);
    editor->setSelectedSection(QDateTimeEdit::HourSection);
    sendKey(editor, Qt::Key_5, QStringLiteral("5"));
    EXPECT_EQ(form.posts, 2);
    EXPECT_EQ(form.picker->dateValue(), at(2026, 3, 14, 5, 27));

    // A key that changes nothing posts nothing.
    sendKey(editor, Qt::Key_Right);
    EXPECT_EQ(form.posts, 2);
}

TEST(DatePicker, TheMinimumHoldsForCodeAndForTheUser)
{
    Form form;
    const Date minimum = at(2026, 6, 10, 8, 0);
    form.picker->setMinDate(minimum);
    form.picker->setDateValue(at(2026, 6, 1, 12, 0));
    EXPECT_EQ(form.picker->dateValue(), minimum);

    QDateTimeEdit* editor = form.picker->editor();
    editor->setCurrentSection(QDateTimeEdit::DaySection);
    sendKey(editor, Qt::Key_Down);
    EXPECT_GE(form.picker->dateValue(), minimum);
    EXPECT_EQ(form.posts, 0) << "nothing changed, nothing posted";

    form.picker->setMinDate(Date());
    form.picker->setDateValue(at(2026, 1, 2, 3, 4));
    EXPECT_EQ(form.picker->dateValue(), at(2026, 1, 2, 3, 4)) << "no minimum any more";
}

// Typed digits may pass below the minimum on the way to a day above it;
// a value still below it when the typing ends is refused whole.
TEST(DatePicker, DigitsTypedAboveTheMinimumAreTakenAndOnesBelowItRefused)
{
    const struct {
        DatePickerElements elements;
        const char* digits;
        int endKey;
        int day;  // of December
    } cases[] = {
        {DatePickerElements::Date, "10", Qt::Key_Return, 10},
        {DatePickerElements::DateHourMinute, "11", Qt::Key_Tab, 11},
        {DatePickerElements::DateHourMinute, "05", Qt::Key_Return, 9},
        {DatePickerElements::Date, "3", Qt::Key_Right, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digits);
        Form form(c.elements);
        const bool dateOnly = c.elements == DatePickerElements::Date;
        form.picker->setDateValue(at(2026, 12, 9, 9, 0));
        form.picker->setMinDate(at(2026, 12, 8, dateOnly ? 0 : 9, 0));
        QDateTimeEdit* editor = form.picker->editor();
        editor->setCurrentSection(QDateTimeEdit::DaySection);
        editor->setSelectedSection(QDateTimeEdit::DaySection);
        for (const char* digit = c.digits; *digit; ++digit)
            sendKey(editor, Qt::Key_0 + (*digit - '0'), QString(QLatin1Char(*digit)));
        sendKey(editor, c.endKey);
        EXPECT_EQ(form.picker->dateValue(), at(2026, 12, c.day, dateOnly ? 0 : 9, 0))
            << editor->text().toStdString();
        sendKey(editor, Qt::Key_Down);  // a step keeps to the minimum
        EXPECT_GE(form.picker->dateValue(), form.picker->minDate());
    }
}

// What is typed into a time is what it holds: Tab after the hours goes on
// to the minutes, also when the hours typed in full took the editor there
// (on the 12-hour clock, after 4:45 PM).
TEST(DatePicker, TypedHoursAndMinutesAreTakenWithOrWithoutTab)
{
    const struct {
        DatePickerElements elements;
        const char* keys;  // '\t' is Tab
        int hour, minute;
        bool clock24 = true;
    } cases[] = {
        {DatePickerElements::HourMinute, "2\t00", 14, 0, false}, {DatePickerElements::HourMinute, "11\t05", 23, 5, false},
        {DatePickerElements::DateHourMinute, "11\t05", 23, 5, false},
        // An hour typed the 24-hour way on the 12-hour clock is that hour.
        {DatePickerElements::HourMinute, "14\t00", 14, 0, false}, {DatePickerElements::DateHourMinute, "2130", 21, 30, false},
        {DatePickerElements::HourMinute, "14\t00", 14, 0},   {DatePickerElements::HourMinute, "9\t05", 9, 5},
        {DatePickerElements::HourMinute, "0730", 7, 30},     {DatePickerElements::HourMinute, "19\t5", 19, 5},
        {DatePickerElements::DateHourMinute, "14\t00", 14, 0}, {DatePickerElements::DateHourMinute, "0730", 7, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        Form form(c.elements);
        form.picker->setUses24HourClock(c.clock24);
        form.picker->setDateValue(at(2026, 12, 9, 16, 45));
        QDateTimeEdit* editor = form.picker->editor();
        editor->setCurrentSection(QDateTimeEdit::HourSection);
        editor->setSelectedSection(QDateTimeEdit::HourSection);
        for (const char* key = c.keys; *key; ++key)
            *key == '\t' ? sendKey(editor, Qt::Key_Tab) : sendKey(editor, Qt::Key_0 + (*key - '0'), QString(QLatin1Char(*key)));
        sendKey(editor, Qt::Key_Return);
        EXPECT_EQ(form.picker->dateValue(), at(2026, 12, 9, c.hour, c.minute)) << editor->text().toStdString();
    }
}

TEST(DatePicker, DateOnlyDropsTheTime)
{
    Form form(DatePickerElements::Date);
    form.picker->setDateValue(at(2026, 10, 24, 14, 37));
    EXPECT_EQ(form.picker->dateValue(), at(2026, 10, 24));
    EXPECT_FALSE(form.picker->editor()->text().contains(QLatin1Char(':'))) << form.picker->editor()->text().toStdString();

    // The minimum counts by its day: its own day stays reachable.
    form.picker->setMinDate(at(2026, 11, 3, 18, 0));
    EXPECT_EQ(form.picker->dateValue(), at(2026, 11, 3));

    // Showing the time again keeps the midnight; dropping it again drops it.
    form.picker->setElements(DatePickerElements::DateHourMinute);
    EXPECT_TRUE(form.picker->editor()->text().contains(QLatin1Char(':')));
    form.picker->setDateValue(at(2026, 11, 5, 7, 45));
    form.picker->setElements(DatePickerElements::Date);
    EXPECT_EQ(form.picker->dateValue(), at(2026, 11, 5));
    EXPECT_EQ(form.posts, 0);
}

TEST(DatePicker, TheClockShowsTwelveOrTwentyFourHours)
{
    Form form;
    form.picker->setDateValue(at(2026, 3, 14, 15, 5));
    EXPECT_TRUE(form.picker->editor()->text().contains(QStringLiteral("15:05")));
    form.picker->setUses24HourClock(false);
    EXPECT_TRUE(form.picker->editor()->text().contains(QStringLiteral("3:05 PM")))
        << form.picker->editor()->text().toStdString();
    EXPECT_EQ(form.picker->dateValue(), at(2026, 3, 14, 15, 5));
    EXPECT_EQ(form.picker->editor()->buttonSymbols(), QAbstractSpinBox::NoButtons);
}

namespace {

class Backdrop : public View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF&) override { painter.fillRect(bounds(), QColor(236, 236, 238)); }
};

}  // namespace

TEST(DatePicker, ScreenshotOfSegmentedControlsAndPickers)
{
    Backdrop root(QRectF(0, 0, 340, 300));
    const auto threeSegments = [&](double y, int selected) {
        auto* control = new SegmentedControl(QRectF(20, y, 300, 24), &root);
        control->setSegmentCount(3);
        control->setLabel(QStringLiteral("Day"), 0);
        control->setLabel(QStringLiteral("Week"), 1);
        control->setLabel(QStringLiteral("A month that is far too long"), 2);
        control->setSelectedSegment(selected);
        return control;
    };
    for (int selected = -1; selected < 3; ++selected) threeSegments(14 + (selected + 1) * 34, selected);

    auto* any = new SegmentedControl(QRectF(20, 150, 300, 24), &root);
    any->setTrackingMode(SegmentSwitchTracking::SelectAny);
    any->setSegmentCount(4);
    const char* labels[] = {"Bold", "Italic", "Under", "Strike"};
    for (int i = 0; i < 4; ++i) any->setLabel(QString::fromLatin1(labels[i]), i);
    any->setWidth(60, 0);
    any->setSelected(true, 0);
    any->setSelected(true, 2);
    any->setEnabled(false, 3);

    auto* full = new DatePicker(QRectF(20, 196, 200, 26), &root);
    full->setDateValue(at(2026, 12, 7, 16, 30));
    auto* dateOnly = new DatePicker(QRectF(20, 236, 200, 26), &root, DatePickerElements::Date);
    dateOnly->setDateValue(at(2026, 12, 7));

    root.show();
    EXPECT_FALSE(saveScreenshot(&root, QStringLiteral("segmented-and-date-picker")).isEmpty());
}

}  // namespace DatePickerTests
