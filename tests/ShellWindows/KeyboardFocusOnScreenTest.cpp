// Who gets the keys a person types, under the window manager: a popover
// with a field, a sheet and the preferences take the keyboard when they
// open and give it back when they close.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../PlatformWindows/WindowManagerSupport.h"

#include "AlertRequest.h"
#include "MessageBoxAlertPresenter.h"
#include "Popover.h"
#include "Preferences.h"
#include "Screen.h"
#include "TextField.h"
#include "View.h"
#include "Window.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>

#include <cmath>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <memory>

using namespace RealWindows;

namespace {

// Keys as the server delivers them: to the window holding the focus.
void typeIntoFocus(const QString& text)
{
    for (const QChar character : text) {
        QWindow* focus = QGuiApplication::focusWindow();
        ASSERT_NE(focus, nullptr) << "no window of ours has the keyboard";
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QGuiApplication::sendEvent(focus, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QGuiApplication::sendEvent(focus, &release);
    }
}

// A list that takes every key, as the task list does.
class KeyEater : public View {
public:
    explicit KeyEater(const QRectF& frame, QWidget* parent = nullptr) : View(frame, parent)
    {
        setAcceptsFirstResponder(true);
    }
    void keyDown(const Event&) override { ++eaten; }
    int eaten = 0;
};

// A key as the server delivers it: to the window holding the focus.
void pressInFocus(Qt::Key key)
{
    QWindow* focus = QGuiApplication::focusWindow();
    ASSERT_NE(focus, nullptr) << "no window of ours has the keyboard";
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QGuiApplication::sendEvent(focus, &event);
    }
}

class KeyboardFocusOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        ASSERT_FALSE(WindowManager::name().isEmpty()) << "run under scripts/with-display.sh";
        main = std::make_unique<Window>(QRectF(200, 200, 420, 320), TitledWindowMask | ClosableWindowMask);
        main->setBackgroundBrush(QColor(12, 34, 83));
        anchor = new View(QRectF(40, 40, 60, 30), main->contentView());
        mainField = new TextField(QRectF(40, 120, 200, 22), main->contentView());
        main->makeKeyAndOrderFront();
        ASSERT_TRUE(waitUntil([&] { return main->isKeyWindow() && focusIn(main.get()); }));
        mainField->editor()->setFocus();
    }
    void TearDown() override
    {
        main.reset();
        RealWindowTest::TearDown();
    }

    std::unique_ptr<Window> main;
    View* anchor = nullptr;
    TextField* mainField = nullptr;
};

}  // namespace

TEST_F(KeyboardFocusOnScreen, APopoverWithAFieldTakesTheKeysAndGivesThemBack)
{
    struct Case {
        const char* name;
        bool withField;
    };
    for (const Case c : {Case{"with a field", true}, Case{"with only a label", false}}) {
        SCOPED_TRACE(c.name);
        Popover popover;
        auto* content = new View(QRectF(0, 0, 220, 80));
        TextField* field = nullptr;
        if (c.withField) field = new TextField(QRectF(10, 10, 200, 22), content);
        else TextField::labelWithString(QStringLiteral("Nothing to type"), QRectF(10, 10, 200, 22), content);
        popover.setContentView(content);
        popover.showRelativeToRect(QRectF(), anchor, RectEdge::MaxX);
        ASSERT_TRUE(popover.isShown());
        ASSERT_TRUE(waitUntil([&] { return popover.window()->isVisible(); }));

        if (c.withField) {
            EXPECT_TRUE(waitUntil([&] { return focusIn(popover.window()); }));
            EXPECT_TRUE(waitUntil([&] {
                return WindowManager::activeWindow() == popover.window()->windowHandle()->winId();
            }));
            typeIntoFocus(QStringLiteral("Lunch"));
            EXPECT_EQ(field->stringValue(), QStringLiteral("Lunch"));
            EXPECT_EQ(mainField->stringValue(), QString());
            EXPECT_TRUE(main->isKeyWindow()) << "the popover is part of its window";
        } else {
            QElapsedTimer settle;
            settle.start();
            waitUntil([&] { return settle.elapsed() > 200; });
            EXPECT_TRUE(focusIn(main.get())) << "nothing to type into: the keys stay";
        }

        popover.close();
        EXPECT_TRUE(waitUntil([&] { return focusIn(main.get()); })) << "given back on closing";
        typeIntoFocus(QStringLiteral("x"));
        EXPECT_EQ(mainField->stringValue(), QStringLiteral("x"));
        mainField->setStringValue(QString());
    }
}

TEST_F(KeyboardFocusOnScreen, ASheetTakesTheKeysAndGivesThemBack)
{
    auto sheet = std::make_unique<Window>(QRectF(0, 0, 300, 120), BorderlessWindowMask);
    auto* field = new TextField(QRectF(20, 50, 260, 22), sheet->contentView());
    main->beginSheet(sheet.get());
    ASSERT_TRUE(waitUntil([&] { return focusIn(sheet.get()); }));
    field->editor()->setFocus();
    typeIntoFocus(QStringLiteral("Backup"));
    EXPECT_EQ(field->stringValue(), QStringLiteral("Backup"));
    EXPECT_TRUE(main->isKeyWindow()) << "a sheet is part of its window";

    main->endSheet(sheet.get());
    EXPECT_TRUE(waitUntil([&] { return focusIn(main.get()); }));
    typeIntoFocus(QStringLiteral("y"));
    EXPECT_EQ(mainField->stringValue(), QStringLiteral("y"));
}

TEST_F(KeyboardFocusOnScreen, ThePreferencesOpenCentredWithTheKeysAndTheTitleBarGivesThemBack)
{
    Preferences preferences;
    preferences.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(preferences));
    EXPECT_TRUE(waitUntil([&] { return focusIn(&preferences); }));
    EXPECT_TRUE(waitUntil([&] {
        return WindowManager::activeWindow() == preferences.windowHandle()->winId();
    }));
    // Centred across the screen, in its upper part: a third of the room
    // above the window, two thirds below.
    const QRectF screen = Screen::mainFrame();
    EXPECT_NEAR(preferences.frame().center().x(), screen.center().x(), 1);
    EXPECT_NEAR(preferences.frame().y(), std::round((screen.height() - 600) * 2 / 3), 1);
    EXPECT_TRUE(waitUntil([&] { return WindowManager::workArea().contains(preferences.frameGeometry()); }));

    WindowManager::askToClose(preferences.windowHandle());
    EXPECT_TRUE(waitUntil([&] { return !preferences.isVisible(); }));
    EXPECT_TRUE(waitUntil([&] { return focusIn(main.get()); }));
}

// Where the keyboard lands as windows, popovers and alerts open and close:
// one that opens takes it, one that closes gives it back to the field that
// had it, and Escape closes whatever is on top, a list that takes every key
// under the focus or not.
TEST_F(KeyboardFocusOnScreen, TheKeyboardGoesToWhatOpensAndBackToTheFieldOnClosing)
{
    enum class Step {
        AlertOverMainField,
        AlertOverPopoverField,
        EscapeOverKeyEatingList,
        EscapeInKeyEatingPopover,
        NewPageInShownPopover,
        CompletionList
    };
    const struct {
        const char* name;
        Step step;
    } cases[] = {
        {"an alert takes the keyboard and gives it back to the window's field", Step::AlertOverMainField},
        {"an alert gives the keyboard back to the popover's field it came from", Step::AlertOverPopoverField},
        {"Escape closes a popover while a list that takes every key has the keyboard", Step::EscapeOverKeyEatingList},
        {"Escape closes a popover whose own list has the keyboard", Step::EscapeInKeyEatingPopover},
        {"a page put in a shown popover takes the keyboard for its field", Step::NewPageInShownPopover},
        {"a field's completion list keeps its window key", Step::CompletionList},
    };
    MessageBoxAlertPresenter alerts;
    auto* list = new KeyEater(QRectF(260, 40, 120, 60), main->contentView());
    list->show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        main->makeKeyAndOrderFront();
        mainField->editor()->setFocus();
        ASSERT_TRUE(waitUntil([&] { return focusIn(main.get()); }));
        Popover popover;
        auto* content = new View(QRectF(0, 0, 220, 80));
        TextField* popoverField = nullptr;
        KeyEater* popoverList = nullptr;
        if (c.step == Step::AlertOverPopoverField) popoverField = new TextField(QRectF(10, 10, 200, 22), content);
        if (c.step == Step::EscapeInKeyEatingPopover) popoverList = new KeyEater(QRectF(10, 10, 200, 60), content);
        if (c.step == Step::EscapeOverKeyEatingList || c.step == Step::NewPageInShownPopover)
            TextField::labelWithString(QStringLiteral("A tip"), QRectF(10, 10, 200, 22), content);
        const bool withPopover = c.step != Step::AlertOverMainField && c.step != Step::CompletionList;
        if (withPopover) {
            popover.setContentView(content);
            popover.showRelativeToRect(QRectF(), anchor, RectEdge::MaxX);
            ASSERT_TRUE(waitUntil([&] { return popover.window()->isVisible(); }));
        } else {
            delete content;
        }
        switch (c.step) {
        case Step::AlertOverMainField:
        case Step::AlertOverPopoverField: {
            QWidget* field = popoverField ? static_cast<QWidget*>(popoverField->editor()) : mainField->editor();
            if (popoverField) {
                ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == field; }));
            }
            bool alertHadTheKeys = false;
            // The alert's Escape, as a person presses it once it shows.
            QTimer look;
            look.setInterval(50);
            QObject::connect(&look, &QTimer::timeout, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box || !box->isVisible() || !focusIn(box)) return;
                alertHadTheKeys = true;
                pressInFocus(Qt::Key_Escape);
            });
            look.start();
            AlertRequest request;
            request.messageText = QStringLiteral("Too long to paste");
            request.addButtonWithTitle(QStringLiteral("OK"));
            alerts.runModal(request);
            look.stop();
            EXPECT_TRUE(alertHadTheKeys);
            EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == field; })) << "back in the field";
            if (popoverField) {
                EXPECT_TRUE(popover.isShown());
            }
            break;
        }
        case Step::EscapeOverKeyEatingList:
            list->setFocus();
            ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == list; }));
            pressInFocus(Qt::Key_Escape);
            EXPECT_TRUE(waitUntil([&] { return !popover.isShown(); }));
            EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == list; }));
            break;
        case Step::EscapeInKeyEatingPopover:
            ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == popoverList; }));
            pressInFocus(Qt::Key_Escape);
            EXPECT_TRUE(waitUntil([&] { return !popover.isShown(); }));
            EXPECT_TRUE(waitUntil([&] { return focusIn(main.get()); }));
            break;
        case Step::CompletionList: {
            // As a file panel's name field offers the folder's files.
            QCompleter completer(QStringList{QStringLiteral("backup-1"), QStringLiteral("backup-2")});
            mainField->editor()->setCompleter(&completer);
            typeIntoFocus(QStringLiteral("b"));
            ASSERT_TRUE(waitUntil([&] { return completer.popup()->isVisible(); }));
            QElapsedTimer settle;
            settle.start();
            waitUntil([&] { return settle.elapsed() > 300; });
            EXPECT_TRUE(main->isKeyWindow()) << "the list is part of its window";
            completer.popup()->hide();
            mainField->editor()->setCompleter(nullptr);
            EXPECT_TRUE(waitUntil([&] { return focusIn(main.get()) && main->isKeyWindow(); }));
            break;
        }
        case Step::NewPageInShownPopover: {
            auto* page = new View(QRectF(0, 0, 220, 80));
            auto* search = new TextField(QRectF(10, 10, 200, 22), page);
            popover.setContentView(page);
            EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == search->editor(); }));
            typeIntoFocus(QStringLiteral("link"));
            EXPECT_EQ(search->stringValue(), QStringLiteral("link"));
            break;
        }
        }
        popover.close();
        mainField->setStringValue(QString());
    }
}
