// The hour-and-minute picker driven by typed keys and focus changes, as the
// task editor's duration row uses it.
#include "HourAndMinute.h"

#include "CustomNSTextField_NSNumberFormatter.h"
#include "DatePicker.h"
#include "NotificationCenter.h"
#include "Screenshot.h"
#include "TextField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace HourAndMinuteTests {

namespace {

void pressKey(Qt::Key key, const QString& text = QString())
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// A shown row holding the picker and a field that takes the focus away, with
// the picker's own change posts and its fields' counted apart.
struct Row {
    std::unique_ptr<View> window = std::make_unique<View>(QRectF(0, 0, 260, 60));
    HourAndMinute* picker = new HourAndMinute(QRectF(10, 30, 140, 19), window.get());
    TextField* other = new TextField(QRectF(160, 30, 80, 19), window.get());
    QObject observer;
    int pickerPosts = 0;
    int fieldPosts = 0;

    Row()
    {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        center.addObserver(&observer, kTextFieldHasChangedNotification, NotificationPayload::identityOf<View>(picker),
                           [this](const Notification& n) {
                               EXPECT_EQ(n.objectAs<View*>(), picker);
                               ++pickerPosts;
                           });
        center.addObserver(&observer, kTextFieldHasChangedNotification, nullptr, [this](const Notification& n) {
            if (n.objectAs<TextField*>()) ++fieldPosts;
        });
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
        other->editor()->setFocus(Qt::MouseFocusReason);
    }
    ~Row() { NotificationCenter::defaultCenter().removeObserver(&observer); }

    // Typing into a field from scratch, then moving the focus away.
    void typeInto(CustomNSTextField_NSNumberFormatter* field, const QString& text)
    {
        field->editor()->setFocus(Qt::MouseFocusReason);
        field->editor()->selectAll();
        pressKey(Qt::Key_Backspace);
        for (QChar c : text) pressKey(Qt::Key(c.unicode()), QString(c));
        other->editor()->setFocus(Qt::MouseFocusReason);
    }
};

}  // namespace

TEST(HourAndMinute, TypedValuesAreBroughtIntoRangeAndReportedOnceByThePicker)
{
    Row row;
    EXPECT_EQ(row.picker->getHours(), 0);
    EXPECT_EQ(row.picker->getMinutes(), 0);

    struct Case {
        bool hours;
        const char* typed;
        const char* shown;
        qint64 value;
    } cases[] = {
        {true, "30", "23", 23}, {true, "7", "7", 7}, {false, "75", "59", 59}, {false, "", "0", 0}, {false, "45", "45", 45},
    };
    int posts = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CustomNSTextField_NSNumberFormatter* field =
            c.hours ? row.picker->durationHourTextField() : row.picker->durationMinuteTextField();
        row.typeInto(field, QString::fromLatin1(c.typed));
        EXPECT_EQ(field->stringValue(), QString::fromLatin1(c.shown));
        EXPECT_EQ(c.hours ? row.picker->getHours() : row.picker->getMinutes(), c.value);
        EXPECT_EQ(row.pickerPosts, ++posts) << "one post from the picker for either field";
    }
    EXPECT_EQ(row.picker->getHours(), 7);
}

TEST(HourAndMinute, ProgramWritesAreNeitherClampedNorReported)
{
    Row row;
    row.picker->setHours(30);
    EXPECT_EQ(row.picker->durationHourTextField()->stringValue(), QStringLiteral("30"));
    EXPECT_EQ(row.picker->getHours(), 30);

    // A holder loads m minutes as m / 60 hours and the rest as minutes.
    for (const auto& [minutes, hours, rest] : {std::tuple{125, 2, 5}, {1440, 24, 0}, {90, 1, 30}}) {
        row.picker->setHours(minutes / 60);
        row.picker->setMins(minutes - 60 * (minutes / 60));
        EXPECT_EQ(row.picker->getHours(), hours);
        EXPECT_EQ(row.picker->getMinutes(), rest);
    }
    EXPECT_EQ(row.pickerPosts, 0);
    EXPECT_EQ(row.fieldPosts, 0);

    row.picker->durationMinuteTextField()->setStringValue(QStringLiteral("x5"));
    EXPECT_EQ(row.picker->getMinutes(), 0);
}

TEST(HourAndMinute, ADisabledPickerIgnoresTypingAndKeepsItsLabels)
{
    Row row;
    row.picker->setHours(2);
    row.picker->setMins(15);
    row.picker->setEnable(false);
    for (CustomNSTextField_NSNumberFormatter* field :
         {row.picker->durationHourTextField(), row.picker->durationMinuteTextField()}) {
        field->editor()->setFocus(Qt::MouseFocusReason);
        if (QApplication::focusWidget() == field->editor()) pressKey(Qt::Key_9, QStringLiteral("9"));
        row.other->editor()->setFocus(Qt::MouseFocusReason);
    }
    EXPECT_EQ(row.picker->getHours(), 2);
    EXPECT_EQ(row.picker->getMinutes(), 15);
    EXPECT_EQ(row.pickerPosts, 0);
    EXPECT_TRUE(row.picker->hoursLabel()->isEnabled());
    EXPECT_FALSE(row.picker->hoursLabel()->stringValue().isEmpty());

    row.picker->setEnable(true);
    row.typeInto(row.picker->durationHourTextField(), QStringLiteral("3"));
    EXPECT_EQ(row.picker->getHours(), 3);
    EXPECT_EQ(row.pickerPosts, 1);

    // Frames as the task editor's duration row lays them out.
    EXPECT_EQ(row.picker->durationHourTextField()->frame(), QRectF(0, 0, 25, 19));
    EXPECT_EQ(row.picker->hoursLabel()->frame(), QRectF(26, 0, 37, 19));
    EXPECT_EQ(row.picker->durationMinuteTextField()->frame(), QRectF(63, 0, 25, 19));
    EXPECT_EQ(row.picker->minutesLabel()->frame(), QRectF(90, 0, 42, 19));
    row.picker->setMins(45);
    EXPECT_FALSE(saveScreenshot(row.window.get(), QStringLiteral("hour-and-minute")).isEmpty());
}

}  // namespace HourAndMinuteTests
