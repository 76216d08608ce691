#include "CustomNSTextField.h"
#include "CustomNSTextFieldCell.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "DatePicker.h"
#include "NotificationCenter.h"
#include "NumberOnly.h"
#include "UIUtilities.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>

namespace CustomNSTextFieldTests {

namespace {

// A key as the keyboard delivers it to the focused widget.
void pressKey(Qt::Key key, const QString& text = QString())
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void type(const QString& text)
{
    for (QChar c : text) pressKey(Qt::Key(c.toUpper().unicode()), QString(c));
}

// A click as the mouse delivers it: a left press first gives the focus to a
// widget that takes it by clicks (Qt does that for real presses only).
void click(QWidget* target, const QPointF& at, Qt::MouseButton button = Qt::LeftButton)
{
    if (button == Qt::LeftButton && (target->focusPolicy() & Qt::ClickFocus)) target->setFocus(Qt::MouseFocusReason);
    const QPointF global = target->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

// Counts the "NSTextField has changed" posts of one field.
struct PostCounter {
    QObject observer;
    int posts = 0;
    explicit PostCounter(TextField* field)
    {
        NotificationCenter::defaultCenter().addObserver(&observer, kTextFieldHasChangedNotification,
                                                        NotificationPayload::identityOf(field),
                                                        [this, field](const Notification& n) {
                                                            EXPECT_EQ(n.objectAs<TextField*>(), field);
                                                            ++posts;
                                                        });
    }
};

// A shown window with the field under test and another field to take the
// focus away.
template <class Field>
struct Form {
    std::unique_ptr<View> window = std::make_unique<View>(QRectF(0, 0, 300, 120));
    Field* field = new Field(QRectF(10, 70, 200, 24), window.get());
    TextField* other = new TextField(QRectF(10, 20, 200, 24), window.get());
    PostCounter counter{field};

    Form()
    {
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
        // The window's first field took the focus; start from the other one.
        focusOther();
    }
    void focusField() { field->editor()->setFocus(Qt::MouseFocusReason); }
    void focusOther() { other->editor()->setFocus(Qt::MouseFocusReason); }
};

bool showsEditingBox(const TextField& field)
{
    return field.isBordered() && field.drawsBackground() && field.backgroundColor() == QColor(Qt::white);
}

bool isAtRest(const TextField& field)
{
    return !field.isBordered() && !field.isBezeled() && !field.drawsBackground();
}

}  // namespace

TEST(CustomNSTextField, RestsClearAndShowsTheWhiteBoxOnlyWhileEdited)
{
    Form<CustomNSTextField> form;
    EXPECT_TRUE(isAtRest(*form.field));
    EXPECT_FALSE(form.field->isURL());
    EXPECT_TRUE(form.field->needDrawBg());
    EXPECT_EQ(form.field->textFont().pixelSize(), 12);
    EXPECT_EQ(form.field->textColor(), QColor(Qt::black));

    click(form.field->editor(), QPointF(5, 5));
    EXPECT_EQ(QApplication::focusWidget(), form.field->editor());
    EXPECT_TRUE(showsEditingBox(*form.field));

    type(QStringLiteral("lunch"));
    pressKey(Qt::Key_Return);
    EXPECT_TRUE(isAtRest(*form.field)) << "the end of the edit brings the rest look back";

    form.focusOther();
    form.focusField();
    EXPECT_TRUE(showsEditingBox(*form.field)) << "gaining the focus";
    form.focusOther();
    EXPECT_TRUE(isAtRest(*form.field)) << "losing it without an edit";
    EXPECT_EQ(form.counter.posts, 1);
}

TEST(CustomNSTextField, WithoutNeedDrawBgAClickLeavesItBorderlessAndClear)
{
    Form<CustomNSTextField> form;
    form.field->setNeedDrawBg(false);
    click(form.field->editor(), QPointF(5, 5));
    EXPECT_EQ(QApplication::focusWidget(), form.field->editor()) << "still editable";
    EXPECT_TRUE(isAtRest(*form.field));
    type(QStringLiteral("x"));
    EXPECT_TRUE(isAtRest(*form.field)) << "typing brings no box either";

    // Drawn: the window's own background shows through the whole field.
    const QImage shot = form.field->snapshot();
    for (const QPoint& p : {QPoint(0, 0), QPoint(199, 23), QPoint(150, 12)})
        EXPECT_EQ(shot.pixelColor(p).alpha(), 0) << p.x() << "," << p.y();

    // With the box: white inside, a black outline.
    form.field->setNeedDrawBg(true);
    type(QStringLiteral("y"));
    const QImage boxed = form.field->snapshot();
    EXPECT_EQ(boxed.pixelColor(0, 12), QColor(Qt::black));
    EXPECT_EQ(boxed.pixelColor(199, 12), QColor(Qt::black));
    EXPECT_EQ(boxed.pixelColor(195, 12), QColor(Qt::white));
}

TEST(CustomNSTextField, EachEndOfEditingPostsExactlyOnce)
{
    Form<CustomNSTextField> form;
    form.focusField();
    type(QStringLiteral("a"));
    EXPECT_EQ(form.counter.posts, 0) << "typing is not the end";
    pressKey(Qt::Key_Return);
    EXPECT_EQ(form.counter.posts, 1);
    type(QStringLiteral("b"));
    form.focusOther();
    EXPECT_EQ(form.counter.posts, 2) << "losing the focus after an edit ends it";
    form.focusField();
    pressKey(Qt::Key_Tab);
    EXPECT_EQ(form.counter.posts, 3) << "Tab ends editing, and the focus loss after it adds nothing";
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("ab"));
}

TEST(CustomNSTextField, UrlFieldRestylesTheWholeTextAsALinkAtEveryKeystroke)
{
    Form<CustomNSTextField> form;
    form.field->setIsURL(true);
    form.focusField();
    const QStringList steps{QStringLiteral("h"), QStringLiteral("ht"), QStringLiteral("htt"), QStringLiteral("http")};
    for (const QString& expected : steps) {
        type(expected.right(1));
        EXPECT_EQ(form.field->link(), expected) << "the link follows the text at once";
        EXPECT_TRUE(form.field->editor()->font().underline());
    }
    pressKey(Qt::Key_Backspace);
    EXPECT_EQ(form.field->link(), QStringLiteral("htt"));
    EXPECT_TRUE(showsEditingBox(*form.field));

    // A plain field never becomes a link.
    Form<CustomNSTextField> plain;
    plain.focusField();
    type(QStringLiteral("www"));
    EXPECT_TRUE(plain.field->link().isEmpty());
}

TEST(CustomNSTextField, LinkStyleOfAnEmptyOrMissingFieldLeavesNoLink)
{
    CustomNSTextField field(QRectF(0, 0, 100, 20));
    field.setLink(QStringLiteral("https://old.example"));
    field.setStringValue(QString());
    UIUtilities::getUrlFormInNSTextField(&field);
    EXPECT_TRUE(field.link().isEmpty());
    UIUtilities::getUrlFormInNSTextField(nullptr);  // logged, no crash
}

TEST(CustomNSTextField, NotEditableRefusesTheFocusAndShowsNoBox)
{
    Form<CustomNSTextField> form;
    form.field->setEditable(false);
    form.field->setSelectable(true);
    form.focusField();
    EXPECT_NE(QApplication::focusWidget(), form.field->editor());
    EXPECT_TRUE(isAtRest(*form.field));
    click(form.field, QPointF(1, 1));
    EXPECT_TRUE(isAtRest(*form.field));
}

TEST(CustomNSTextField, RightClickGoesToTheViewAround)
{
    struct Row : View {
        using View::View;
        int rightClicks = 0;
        void rightMouseDown(const Event&) override { ++rightClicks; }
    };
    auto row = std::make_unique<Row>(QRectF(0, 0, 300, 40));
    auto* field = new CustomNSTextField(QRectF(10, 8, 200, 24), row.get());
    field->setStringValue(QStringLiteral("note"));
    row->show();
    click(field->editor(), QPointF(10, 10), Qt::RightButton);
    click(field, QPointF(1, 1), Qt::RightButton);
    EXPECT_EQ(row->rightClicks, 2) << "from the editor and from the field's edge";
}

TEST(CustomNSTextField_NSNumberFormatter, EndOfEditingBringsTheTextWithinTheBounds)
{
    struct Case {
        const char* typed;
        const char* shown;
    } cases[] = {
        {"", "1"}, {"0", "1"}, {"7", "7"}, {"99", "99"}, {"07", "07"},
    };
    Form<CustomNSTextField_NSNumberFormatter> form;
    EXPECT_EQ(form.field->minValue(), 1);
    EXPECT_EQ(form.field->maxValue(), 99);
    EXPECT_EQ(form.field->maxLength(), 2);
    int expectedPosts = 0;
    for (const Case& c : cases) {
        form.field->setStringValue(QString());
        form.focusField();
        type(QString::fromUtf8(c.typed));
        pressKey(Qt::Key_Return);
        EXPECT_EQ(form.field->stringValue(), QString::fromUtf8(c.shown)) << "typed \"" << c.typed << "\"";
        EXPECT_EQ(form.counter.posts, ++expectedPosts) << "one post, in range or not, for \"" << c.typed << "\"";
    }
    // Too large a value can only come from the program; it ends as the maximum.
    form.field->setStringValue(QStringLiteral("150"));
    form.focusField();
    pressKey(Qt::Key_Return);
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("99"));
    EXPECT_EQ(form.counter.posts, ++expectedPosts);
}

TEST(CustomNSTextField_NSNumberFormatter, ClampedTextTable)
{
    struct Case {
        const char* text;
        qint64 min, max;
        const char* expected;
    } cases[] = {
        {"", 1, 99, "1"},
        {"0", 1, 99, "1"},
        {"150", 1, 99, "99"},
        {"42", 1, 99, "42"},
        {"0", 0, 23, "0"},
        {"24", 0, 23, "23"},
        {"60", 0, 59, "59"},
        {"-5", 1, 99, "1"},
        {"99999999999999999999999", 1, 99, "99"},   // beyond 64 bits: the top
        {"-99999999999999999999999", 1, 99, "1"},
        {"abc", 1, 99, "1"},                        // no number reads as 0
        {"", -9223372036854775807LL - 1, 0, "-9223372036854775808"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CustomNSTextField_NSNumberFormatter::clampedText(QString::fromUtf8(c.text), c.min, c.max),
                  QString::fromUtf8(c.expected))
            << c.text << " in [" << c.min << ", " << c.max << "]";
}

TEST(CustomNSTextField_NSNumberFormatter, LettersAndAThirdDigitAreRefusedAsTyped)
{
    Form<CustomNSTextField_NSNumberFormatter> form;
    form.focusField();
    type(QStringLiteral("1a"));
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("1"));
    type(QStringLiteral("23"));
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("12")) << "a third digit is refused";
    pressKey(Qt::Key_Backspace);
    pressKey(Qt::Key_Backspace);
    EXPECT_EQ(form.field->stringValue(), QString()) << "the text can be emptied while typing";
    EXPECT_EQ(form.counter.posts, 0);

    // A longer maximum is kept, yet the formatter made with the field keeps 2.
    form.field->setMaxLength(0);
    EXPECT_EQ(form.field->maxLength(), 2);
    form.field->setMaxLength(4);
    EXPECT_EQ(form.field->maxLength(), 4);
    type(QStringLiteral("345"));
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("34"));
}

TEST(CustomNSTextField_NSNumberFormatter, NumberOnlyAcceptsWholeNumbersUpToItsLength)
{
    NumberOnly formatter;
    EXPECT_EQ(formatter.maximumLength(), 2147483647);
    formatter.setMaximumLength(3);
    struct Case {
        const char* partial;
        bool valid;
    } cases[] = {
        {"", true}, {"1", true}, {"123", true}, {"1234", false}, {"-12", true}, {"-", false},
        {"1a", false}, {"1.5", false}, {" 1", false}, {"١٢", false},  // digits of another script
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatter.isPartialStringValid(QString::fromUtf8(c.partial)), c.valid) << c.partial;
}

TEST(CustomNSTextField_NSNumberFormatter, AClickPutsTheInsertionPointAtTheEnd)
{
    Form<CustomNSTextField_NSNumberFormatter> form;
    form.field->setStringValue(QStringLiteral("42"));
    click(form.field->editor(), QPointF(1, 5));
    EXPECT_EQ(QApplication::focusWidget(), form.field->editor());
    EXPECT_EQ(form.field->editor()->cursorPosition(), 2);
    EXPECT_FALSE(form.field->editor()->hasSelectedText());
    type(QStringLiteral("0"));
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("42")) << "the digit goes after the end and is refused";
    pressKey(Qt::Key_Backspace);
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("4"));
}

}  // namespace CustomNSTextFieldTests
