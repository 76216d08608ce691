#include "Button.h"
#include "KeyEquivalent.h"
#include "Menu.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <memory>

namespace KeyEquivalentTests {

namespace {

// A shown, active window: shortcuts answer only in the active window.
std::unique_ptr<View> activeWindow()
{
    auto window = std::make_unique<View>(QRectF(0, 0, 240, 120));
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    return window;
}

// A key as the keyboard delivers it: first offered to the shortcuts.
void pressKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
              const QString& text = QString())
{
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

}  // namespace

TEST(KeyEquivalent, CharactersAndMasksBecomeTheKeysTheyName)
{
    struct Case {
        QString key;
        unsigned mask;
        QKeySequence expected;
    };
    const Case cases[] = {
        {QStringLiteral("k"), CommandKeyMask, QKeySequence(Qt::CTRL | Qt::Key_K)},
        {QStringLiteral("K"), CommandKeyMask, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)},
        {QStringLiteral("n"), CommandKeyMask | AlternateKeyMask, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N)},
        {QStringLiteral("x"), ControlKeyMask, QKeySequence(Qt::META | Qt::Key_X)},
        {QStringLiteral("\r"), 0, QKeySequence(Qt::Key_Return)},
        {QStringLiteral("\x1b"), 0, QKeySequence(Qt::Key_Escape)},
        {QString(QChar(KeyCharacter::UpArrow)), CommandKeyMask, QKeySequence(Qt::CTRL | Qt::Key_Up)},
        {QStringLiteral(","), CommandKeyMask, QKeySequence(Qt::CTRL | Qt::Key_Comma)},
        {QString(), CommandKeyMask, QKeySequence()},
        {QString(QChar(1)), CommandKeyMask, QKeySequence()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyEquivalent::sequenceOf(c.key, c.mask), c.expected) << c.key.toStdString();
    EXPECT_EQ(KeyEquivalent::sequencesOf(QStringLiteral("\r"), 0).size(), 2) << "Return and the keypad's Enter";
}

TEST(KeyEquivalent, ButtonIsClickedByItsKeyOnlyWhileEnabled)
{
    auto window = activeWindow();
    ASSERT_EQ(QApplication::activeWindow(), window.get());
    auto* button = new Button(QRectF(10, 10, 100, 28), window.get());
    button->setTitle(QStringLiteral("OK"));
    int clicks = 0;
    button->setTarget(nullptr, [&clicks](Button*) { ++clicks; });
    button->setKeyEquivalent(QStringLiteral("\r"));

    pressKey(window.get(), Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    pressKey(window.get(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicks, 2);

    button->setEnabled(false);
    pressKey(window.get(), Qt::Key_Return);
    EXPECT_EQ(clicks, 2);

    button->setEnabled(true);
    button->setKeyEquivalent(QStringLiteral("d"), CommandKeyMask);
    pressKey(window.get(), Qt::Key_Return);
    EXPECT_EQ(clicks, 2) << "the earlier key is gone";
    pressKey(window.get(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(clicks, 3);
}

TEST(KeyEquivalent, ToggleClickedByKeyFlipsItsState)
{
    auto window = activeWindow();
    auto* button = new Button(QRectF(10, 10, 100, 28), window.get());
    button->setButtonType(ButtonType::Toggle);
    int stateSeen = -5;
    button->setTarget(nullptr, [&stateSeen](Button* b) { stateSeen = b->state(); });
    button->setKeyEquivalent(QStringLiteral("b"), CommandKeyMask);
    pressKey(window.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(stateSeen, OnState);
    EXPECT_EQ(button->state(), OnState);
}

TEST(KeyEquivalent, MenuRowRunsFromTheWindowWhileTheMenuIsClosed)
{
    auto window = activeWindow();
    Menu menu;
    int runs = 0;
    menu.addItem(QStringLiteral("Keep"), [&runs] { ++runs; }, QStringLiteral("k"));
    installKeyEquivalents(menu, window.get());

    pressKey(window.get(), Qt::Key_K, Qt::ControlModifier, QStringLiteral("\x0b"));
    EXPECT_EQ(runs, 1);
    pressKey(window.get(), Qt::Key_K, Qt::NoModifier, QStringLiteral("k"));
    EXPECT_EQ(runs, 1) << "a bare K is typing, not the key equivalent";

    // The row is read again at the key: disabled since, it does nothing.
    menu.itemAtIndex(0)->enabled = false;
    pressKey(window.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(runs, 1);
    menu.itemAtIndex(0)->enabled = true;
    menu.itemAtIndex(0)->action = nullptr;
    pressKey(window.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(runs, 1) << "a row without an action is disabled";
}

TEST(KeyEquivalent, MenuRowDisabledFromTheStartNeverRuns)
{
    auto window = activeWindow();
    Menu menu;
    int runs = 0;
    MenuItem row;
    row.title = QStringLiteral("Keep");
    row.action = [&runs] { ++runs; };
    row.keyEquivalent = QStringLiteral("k");
    row.enabled = false;
    menu.addItem(row);
    installKeyEquivalents(menu, window.get());
    pressKey(window.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(runs, 0);
}

TEST(KeyEquivalent, SubmenuRowsAnswerAndAGoneMenuDoesNothing)
{
    auto window = activeWindow();
    int runs = 0;
    {
        Menu menu;
        auto submenu = std::make_shared<Menu>(QStringLiteral("More"));
        submenu->addItem(QStringLiteral("Print"), [&runs] { ++runs; }, QStringLiteral("p"));
        MenuItem more;
        more.title = QStringLiteral("More");
        more.submenu = submenu;
        menu.addItem(more);
        installKeyEquivalents(menu, window.get());
        installKeyEquivalents(menu, window.get());  // again: still one shortcut
        pressKey(window.get(), Qt::Key_P, Qt::ControlModifier);
        EXPECT_EQ(runs, 1);
    }
    pressKey(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(runs, 1);
}

}  // namespace KeyEquivalentTests
