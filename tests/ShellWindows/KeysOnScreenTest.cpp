// Escape and Return as every desktop gives them, and digits typed into a
// clicked time field, on a real X server: keys go to the focus window.
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

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

void press(int key, const QString& character)
{
    QWindow* focus = QGuiApplication::focusWindow();
    ASSERT_NE(focus, nullptr) << "no window of ours has the keyboard";
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, Qt::NoModifier, character);
        QGuiApplication::sendEvent(focus, &event);
    }
}

class KeysOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        ASSERT_FALSE(WindowManager::name().isEmpty()) << "run under scripts/with-display.sh";
        main = std::make_unique<Window>(QRectF(200, 200, 420, 320), TitledWindowMask | ClosableWindowMask);
        Application::setMainWindow(main.get());
        main->makeKeyAndOrderFront();
        ASSERT_TRUE(waitUntil([&] { return focusIn(main.get()); }));
    }
    void TearDown() override
    {
        Application::setMainWindow(nullptr);
        main.reset();
        RealWindowTest::TearDown();
    }
    std::unique_ptr<Window> main;
};

}  // namespace

TEST_F(KeysOnScreen, EscapePressesAnAlertsCancelButtonAndReturnItsDefault)
{
    struct Case {
        QStringList titles;
        int key;
        int answer;
    };
    const QString cancel = text("cancelText");
    const Case cases[] = {
        {{text("okText"), cancel}, Qt::Key_Escape, 1001},
        {{text("okText"), cancel}, Qt::Key_Return, 1000},
        {{text("onlyThisEventText"), cancel, text("allText")}, Qt::Key_Escape, 1001},
        {{text("continueText"), text("tryAgainText")}, Qt::Key_Escape, 1001},  // no cancel: the last
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.titles.join(QLatin1Char('/')).toStdString());
        AlertRequest request;
        for (const QString& title : c.titles) request.addButtonWithTitle(title);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !focusIn(box) || !poll.isActive()) return;
            poll.stop();
            press(c.key, c.key == Qt::Key_Escape ? QStringLiteral("\x1b") : QStringLiteral("\r"));
            // A key that pressed nothing fails the case rather than hangs it.
            QTimer::singleShot(2000, [] { MessageBoxAlertPresenter::stopModal(); });
        });
        poll.start(10);
        EXPECT_EQ(MessageBoxAlertPresenter().runModal(request).button, c.answer);
    }
}

TEST_F(KeysOnScreen, EscapeClosesPopoversSheetsAndPanelsAsTheirCancelDoes)
{
    enum class Kind { PopoverWithField, PopoverWithout, Sheet, Panel, MainWindow };
    for (Kind kind : {Kind::PopoverWithField, Kind::PopoverWithout, Kind::Sheet, Kind::Panel, Kind::MainWindow}) {
        SCOPED_TRACE(int(kind));
        Popover popover;
        std::optional<PopoverCloseReason> reason;
        QObject::connect(&popover, &Popover::didClose, [&](PopoverCloseReason why) { reason = why; });
        Window sheet(QRectF(0, 0, 300, 120), BorderlessWindowMask);
        Panel panel(QRectF(300, 300, 240, 160), TitledWindowMask | ClosableWindowMask | UtilityWindowMask);
        int sheetCode = 0;
        if (kind == Kind::PopoverWithField || kind == Kind::PopoverWithout) {
            auto* content = new View(QRectF(0, 0, 220, 80));
            if (kind == Kind::PopoverWithField) new TextField(QRectF(10, 10, 200, 22), content);
            popover.setContentView(content);
            popover.showRelativeToRect(QRectF(40, 40, 60, 30), main->contentView(), RectEdge::MaxX);
            ASSERT_TRUE(waitUntil([&] { return focusIn(kind == Kind::PopoverWithField ? popover.window() : main.get()); }));
        } else if (kind == Kind::Sheet) {
            auto* cancel = new Button(QRectF(20, 70, 90, 24), sheet.contentView());
            cancel->setTitle(text("cancelText"));
            cancel->setTarget(nullptr, [&](Button*) { main->endSheet(&sheet, 7); });
            main->beginSheet(&sheet, [&](int code) { sheetCode = code; });
            ASSERT_TRUE(waitUntil([&] { return focusIn(&sheet); }));
        } else if (kind == Kind::Panel) {
            new TextField(QRectF(20, 20, 200, 22), panel.contentView());
            panel.makeKeyAndOrderFront();
            ASSERT_TRUE(waitUntil([&] { return focusIn(&panel); }));
        }
        press(Qt::Key_Escape, QStringLiteral("\x1b"));
        if (kind == Kind::PopoverWithField || kind == Kind::PopoverWithout) {
            EXPECT_TRUE(waitUntil([&] { return !popover.isShown(); }));
            EXPECT_EQ(reason, PopoverCloseReason::PressOutside) << "as a press outside closes it";
        }
        if (kind == Kind::Sheet) {
            EXPECT_EQ(sheetCode, 7) << "its Cancel button pressed";
        }
        EXPECT_FALSE(panel.isVisible());
        EXPECT_TRUE(main->isVisible()) << "the main window stays";
        EXPECT_TRUE(waitUntil([&] { return focusIn(main.get()); }));
    }
}

TEST_F(KeysOnScreen, AClickInATimeFieldLetsTypedDigitsReplaceTheHourOrTheMinute)
{
    struct Case {
        double xShare;  // where across the field the click falls
        QString digits;
        QTime expected;
    };
    for (const Case& c : {Case{0.12, QStringLiteral("7"), QTime(7, 30)}, Case{0.12, QStringLiteral("14"), QTime(14, 30)},
                          Case{0.62, QStringLiteral("45"), QTime(9, 45)}}) {
        SCOPED_TRACE(c.digits.toStdString());
        DatePicker picker(QRectF(40, 120, 70, 22), main->contentView(), DatePickerElements::HourMinute);
        picker.setTimeOfDay(QTime(9, 30));
        picker.show();
        QLineEdit* line = picker.editor()->findChild<QLineEdit*>();
        // The focus a real press gives first (a sent press gives none).
        line->setFocus(Qt::MouseFocusReason);
        Clicks::click(main.get(), Clicks::inWindow(line, QPointF(line->width() * c.xShare, line->height() / 2.0)));
        ASSERT_TRUE(waitUntil([&] { return line->hasSelectedText(); }));
        for (const QChar digit : c.digits) press(Qt::Key_0 + digit.digitValue(), QString(digit));
        EXPECT_EQ(picker.timeOfDay(), c.expected);
    }
}

}  // namespace KeysOnScreenTests
