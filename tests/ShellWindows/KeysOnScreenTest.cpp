// The keys every desktop gives, on a real X server under the window
// manager: Escape backs out of alerts, popovers, sheets and panels, Return
// presses an alert's default button, and a click in a time field lets the
// digits typed next replace the hour or the minute. Keys go to the window
// that holds the focus, as the server sends them.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../PlatformWindows/WindowManagerSupport.h"

#include "Application.h"
#include "Button.h"
#include "Clicks.h"
#include "DatePicker.h"
#include "MessageBoxAlertPresenter.h"
#include "Popover.h"
#include "TextField.h"
#include "TextTable.h"
#include "View.h"
#include "Window.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <memory>
#include <optional>

using namespace RealWindows;

namespace KeysOnScreenTests {
namespace {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

void pressInFocus(int key, const QString& character)
{
    QWindow* focus = QGuiApplication::focusWindow();
    ASSERT_NE(focus, nullptr) << "no window of ours has the keyboard";
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, character);
    QGuiApplication::sendEvent(focus, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, character);
    QGuiApplication::sendEvent(focus, &release);
}

void pressEscape()
{
    pressInFocus(Qt::Key_Escape, QStringLiteral("\x1b"));
}

void typeInFocus(const QString& digits)
{
    for (const QChar digit : digits) pressInFocus(Qt::Key_0 + digit.digitValue(), QString(digit));
}

bool focusIn(const QWidget* window)
{
    return window && window->windowHandle() && QGuiApplication::focusWindow() == window->windowHandle();
}

class KeysOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        ASSERT_FALSE(WindowManager::name().isEmpty()) << "run under scripts/with-display.sh";
        main = std::make_unique<Window>(QRectF(200, 200, 420, 320), TitledWindowMask | ClosableWindowMask);
        anchor = new View(QRectF(40, 40, 60, 30), main->contentView());
        Application::setMainWindow(main.get());
        main->makeKeyAndOrderFront();
        ASSERT_TRUE(waitUntil([&] { return main->isKeyWindow() && focusIn(main.get()); }));
    }
    void TearDown() override
    {
        Application::setMainWindow(nullptr);
        main.reset();
        RealWindowTest::TearDown();
    }

    std::unique_ptr<Window> main;
    View* anchor = nullptr;
};

}  // namespace

TEST_F(KeysOnScreen, EscapePressesAnAlertsCancelButtonAndReturnItsDefault)
{
    struct Case {
        const char* name;
        QStringList titles;
        bool escape;   // else Return
        int answer;
    };
    const QString ok = text("okText"), cancel = text("cancelText");
    const Case cases[] = {
        {"a delete question, Escape", {ok, cancel}, true, 1001},
        {"a delete question, Return", {ok, cancel}, false, 1000},
        {"the project's delete question, Escape", {text("deleteText"), cancel}, true, 1001},
        {"cancel in the middle, Escape", {text("onlyThisEventText"), cancel, text("allText")}, true, 1001},
        {"no cancel button, Escape takes the last", {text("continueText"), text("tryAgainText")}, true, 1001},
        {"one button, Escape", {ok}, true, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AlertRequest request;
        request.messageText = QStringLiteral("Delete the item?");
        for (const QString& title : c.titles) request.addButtonWithTitle(title);
        bool pressed = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (pressed || !box || !box->isVisible() || !focusIn(box)) return;
            pressed = true;
            if (c.escape) pressEscape();
            else pressInFocus(Qt::Key_Return, QStringLiteral("\r"));
            // A key that pressed nothing leaves the box open: end it so the
            // case fails rather than hangs.
            QTimer::singleShot(2000, [] { MessageBoxAlertPresenter::stopModal(); });
        });
        poll.start(10);
        MessageBoxAlertPresenter presenter;
        EXPECT_EQ(presenter.runModal(request).button, c.answer);
        EXPECT_TRUE(pressed) << "the alert never took the keyboard";
    }
}

TEST_F(KeysOnScreen, EscapeClosesPopoversSheetsAndPanelsAsTheirCancelDoes)
{
    enum class Kind { PopoverWithField, PopoverWithoutField, SheetWithCancel, ClosablePanel, MainWindow };
    struct Case {
        const char* name;
        Kind kind;
    };
    const Case cases[] = {
        {"a popover holding the keyboard", Kind::PopoverWithField},
        {"a popover that never took it (the anchor's window has it)", Kind::PopoverWithoutField},
        {"a sheet, by its cancel button", Kind::SheetWithCancel},
        {"a closable panel (the preferences, About)", Kind::ClosablePanel},
        {"the main window stays", Kind::MainWindow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        switch (c.kind) {
        case Kind::PopoverWithField:
        case Kind::PopoverWithoutField: {
            Popover popover;
            popover.setBehavior(PopoverBehavior::Transient);
            auto* content = new View(QRectF(0, 0, 220, 80));
            if (c.kind == Kind::PopoverWithField) new TextField(QRectF(10, 10, 200, 22), content);
            popover.setContentView(content);
            std::optional<PopoverCloseReason> reason;
            QObject::connect(&popover, &Popover::didClose, [&](PopoverCloseReason why) { reason = why; });
            popover.showRelativeToRect(QRectF(), anchor, RectEdge::MaxX);
            ASSERT_TRUE(waitUntil([&] { return popover.window()->isVisible(); }));
            const QWidget* keyed = c.kind == Kind::PopoverWithField ? popover.window() : main.get();
            ASSERT_TRUE(waitUntil([&] { return focusIn(keyed); }));
            pressEscape();
            EXPECT_TRUE(waitUntil([&] { return !popover.isShown(); }));
            EXPECT_EQ(reason, PopoverCloseReason::PressOutside) << "as a press outside closes it";
            EXPECT_TRUE(main->isVisible());
            break;
        }
        case Kind::SheetWithCancel: {
            auto sheet = std::make_unique<Window>(QRectF(0, 0, 300, 120), BorderlessWindowMask);
            new TextField(QRectF(20, 20, 260, 22), sheet->contentView());
            auto* cancel = new Button(QRectF(20, 70, 90, 24), sheet->contentView());
            cancel->setTitle(text("cancelText"));
            cancel->setTarget(nullptr, [&](Button*) { main->endSheet(sheet.get(), 7); });
            int code = 0;
            main->beginSheet(sheet.get(), [&](int returned) { code = returned; });
            ASSERT_TRUE(waitUntil([&] { return focusIn(sheet.get()); }));
            pressEscape();
            EXPECT_EQ(code, 7);
            EXPECT_FALSE(sheet->isVisible());
            break;
        }
        case Kind::ClosablePanel: {
            Panel panel(QRectF(300, 300, 240, 160), TitledWindowMask | ClosableWindowMask | UtilityWindowMask);
            new TextField(QRectF(20, 20, 200, 22), panel.contentView());
            panel.makeKeyAndOrderFront();
            ASSERT_TRUE(waitUntil([&] { return focusIn(&panel); }));
            pressEscape();
            EXPECT_FALSE(panel.isVisible());
            break;
        }
        case Kind::MainWindow:
            ASSERT_TRUE(waitUntil([&] { return focusIn(main.get()); }));
            pressEscape();
            EXPECT_TRUE(main->isVisible());
            break;
        }
        EXPECT_TRUE(waitUntil([&] { return focusIn(main.get()); }));
    }
}

TEST_F(KeysOnScreen, AClickInATimeFieldLetsTypedDigitsReplaceTheHourOrTheMinute)
{
    struct Case {
        const char* name;
        double xShare;   // where across the field the click falls
        QString digits;
        QTime expected;
    };
    const Case cases[] = {
        {"the hour", 0.12, QStringLiteral("7"), QTime(7, 30)},
        {"the hour, two digits", 0.12, QStringLiteral("14"), QTime(14, 30)},
        {"the minute", 0.62, QStringLiteral("45"), QTime(9, 45)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* picker = new DatePicker(QRectF(40, 120, 70, 22), main->contentView(), DatePickerElements::HourMinute);
        picker->setUses24HourClock(true);
        picker->setTimeOfDay(QTime(9, 30));
        picker->show();
        QLineEdit* line = picker->editor()->findChild<QLineEdit*>();
        ASSERT_NE(line, nullptr);
        const int x = int(line->width() * c.xShare);
        // The focus a real press gives first (a sent press gives none).
        line->setFocus(Qt::MouseFocusReason);
        Clicks::click(main.get(), Clicks::inWindow(line, QPointF(x, line->height() / 2.0)));
        ASSERT_TRUE(waitUntil([&] { return picker->editor()->hasFocus() && line->hasSelectedText(); }));
        typeInFocus(c.digits);
        EXPECT_EQ(picker->timeOfDay(), c.expected);
        delete picker;
    }
}

}  // namespace KeysOnScreenTests
