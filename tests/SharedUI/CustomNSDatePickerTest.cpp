#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "CustomNSTextFieldCell.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "GregorianCalendar.h"
#include "NotificationCenter.h"
#include "Screenshot.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace CustomNSDatePickerTests {

namespace {

void sendKey(QWidget* target, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// A shown window with the picker and a field to take the focus away.
struct Form {
    std::unique_ptr<View> window = std::make_unique<View>(QRectF(0, 0, 300, 90));
    TextField* other = new TextField(QRectF(10, 50, 200, 24), window.get());
    CustomNSDatePicker* picker = new CustomNSDatePicker(QRectF(10, 10, 160, 22), window.get());
    QObject observer;
    int posts = 0;
    Form()
    {
        NotificationCenter::defaultCenter().addObserver(&observer, kTextFieldHasChangedNotification,
                                                        NotificationPayload::identityOf(picker),
                                                        [this](const Notification&) { ++posts; });
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
        other->editor()->setFocus(Qt::OtherFocusReason);
    }
};

// Whether the pixel is the white of the box.
bool isWhite(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y) == QColor(Qt::white);
}

}  // namespace

TEST(CustomNSDatePicker, RestsClearAndShowsTheWhiteBoxWithItsShadowWhileFocusedOrClicked)
{
    Form form;
    EXPECT_EQ(form.picker->textFont().pixelSize(), 12);
    EXPECT_FALSE(form.picker->editor()->hasFrame()) << "no border";
    EXPECT_FALSE(form.picker->showsFocusLook());
    QImage shot = form.picker->snapshot();
    EXPECT_EQ(shot.pixelColor(1, 11).alpha(), 0) << "no shadow at rest";
    EXPECT_EQ(shot.pixelColor(150, 11).alpha(), 0) << "no background at rest";

    form.picker->editor()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(form.picker->showsFocusLook());
    shot = form.picker->snapshot();
    const QRectF box = CustomNSDatePicker::boxRect(form.picker->bounds());
    EXPECT_TRUE(isWhite(shot, int(box.right()) - 2, int(box.center().y())));
    const QColor shadow = shot.pixelColor(0, int(box.center().y()));
    EXPECT_GT(shadow.alpha(), 0) << "the shadow shows beside the box";
    EXPECT_LT(shadow.red(), 60);

    form.other->editor()->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(form.picker->showsFocusLook()) << "losing the focus brings the rest look back";

    // A press on the editor shows the box at once, before any focus change.
    const QPoint at(20, 8);
    QMouseEvent press(QEvent::MouseButtonPress, at, form.picker->editor()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.picker->editor(), &press);
    EXPECT_TRUE(form.picker->showsFocusLook());
}

TEST(CustomNSDatePicker, EachUserChangePostsOnceAndValuesByCodeNone)
{
    Form form;
    form.picker->setDateValue(GregorianCalendar::dateFromFields(2026, 3, 14, 9, 26, 0));
    EXPECT_EQ(form.posts, 0);
    QDateTimeEdit* editor = form.picker->editor();
    editor->setFocus(Qt::TabFocusReason);
    editor->setCurrentSection(QDateTimeEdit::MinuteSection);
    sendKey(editor, Qt::Key_Up);
    EXPECT_EQ(form.posts, 1);
    sendKey(editor, Qt::Key_Up);
    EXPECT_EQ(form.posts, 2);
    EXPECT_EQ(form.picker->dateValue(), GregorianCalendar::dateFromFields(2026, 3, 14, 9, 28, 0));
    form.other->editor()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(form.posts, 2) << "leaving the picker adds nothing";
}

// The editors' times read on the program's clock, as every other time shown.
TEST(CustomNSDatePicker, ShowsTheProgramsTwelveOrTwentyFourHourClock)
{
    const bool previous = Utilities::use24HourClock();
    for (const auto& [uses24, shown] : {std::pair{true, "15:05"}, std::pair{false, "3:05 PM"}}) {
        Utilities::setUse24HourClock(uses24);
        CustomNSDatePicker picker;
        picker.setDateValue(GregorianCalendar::dateFromFields(2026, 3, 14, 15, 5, 0));
        EXPECT_TRUE(picker.editor()->text().endsWith(QLatin1String(shown))) << picker.editor()->text().toStdString();
    }
    Utilities::setUse24HourClock(previous);
}

TEST(CustomNSDatePicker, BoxRectLeavesRoomForTheShadowAndNeverTurnsInsideOut)
{
    EXPECT_EQ(CustomNSDatePicker::boxRect(QRectF(0, 0, 160, 22)), QRectF(2, 2, 156, 18));
    const QRectF tiny = CustomNSDatePicker::boxRect(QRectF(0, 0, 3, 1));
    EXPECT_GE(tiny.width(), 0);
    EXPECT_GE(tiny.height(), 0);
}

// The editing controls at rest and while edited, side by side, for people to
// look at.
TEST(CustomFields, Screenshot)
{
    View sheet(QRectF(0, 0, 460, 250));
    sheet.setAutoFillBackground(true);
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, QColor(236, 236, 236));
    sheet.setPalette(palette);
    const auto caption = [&sheet](const QString& text, double y) {
        TextField::labelWithString(text, QRectF(10, y, 130, 22), &sheet)->setAlignment(Qt::AlignRight);
    };
    // Rows from the top down, in the sheet's y-up coordinates.
    const auto rowY = [](int row) { return 250 - 36.0 * (row + 1); };

    caption(QStringLiteral("Title, at rest"), rowY(0));
    auto* resting = new CustomNSTextField(QRectF(150, rowY(0), 290, 22), &sheet);
    resting->setStringValue(QStringLiteral("Dentist appointment"));
    caption(QStringLiteral("Title, editing"), rowY(1));
    auto* editing = new CustomNSTextField(QRectF(150, rowY(1), 290, 22), &sheet);
    editing->setStringValue(QStringLiteral("Buy flowers for Anna"));
    caption(QStringLiteral("URL"), rowY(2));
    auto* url = new CustomNSTextField(QRectF(150, rowY(2), 290, 22), &sheet);
    url->setIsURL(true);
    url->setStringValue(QStringLiteral("https://example.org/agenda"));
    UIUtilities::getUrlFormInNSTextField(url);
    caption(QStringLiteral("Date, at rest"), rowY(3));
    auto* dateAtRest = new CustomNSDatePicker(QRectF(150, rowY(3), 170, 22), &sheet);
    dateAtRest->setDateValue(GregorianCalendar::dateFromFields(2026, 12, 7, 9, 30, 0));
    caption(QStringLiteral("Date, focused"), rowY(4));
    auto* dateFocused = new CustomNSDatePicker(QRectF(150, rowY(4), 170, 22), &sheet);
    dateFocused->setDateValue(GregorianCalendar::dateFromFields(2026, 12, 24, 18, 0, 0));
    caption(QStringLiteral("Alert, minutes"), rowY(5));
    auto* minutes = new CustomNSTextField_NSNumberFormatter(QRectF(150, rowY(5), 30, 22), &sheet);
    minutes->setStringValue(QStringLiteral("15"));

    sheet.show();
    sheet.activateWindow();
    QApplication::setActiveWindow(&sheet);
    QApplication::processEvents();
    editing->editor()->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    // Focused second: the picker shows its box; the field keeps the look its
    // edit gave it, as a field does while its row's editor is open.
    dateFocused->editor()->setFocus(Qt::TabFocusReason);
    CustomNSTextFieldCell::applyEditingLook(*editing, true);
    ASSERT_TRUE(dateFocused->showsFocusLook());
    ASSERT_FALSE(dateAtRest->showsFocusLook());
    EXPECT_FALSE(saveScreenshot(&sheet, QStringLiteral("custom-fields")).isEmpty());
}

}  // namespace CustomNSDatePickerTests
