#include "Menu.h"
#include "View.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

TEST(Menu, RowIsEnabledOnlyWithSomethingToDo)
{
    struct Case {
        const char* name;
        bool hasAction;
        bool hasSubmenu;
        bool enabledFlag;
        bool separator;
        bool enabled;
    };
    const Case cases[] = {
        {"action", true, false, true, false, true},
        {"no action", false, false, true, false, false},
        {"action, switched off", true, false, false, false, false},
        {"submenu without action", false, true, true, false, true},
        {"separator", true, false, true, true, false},
    };
    for (const Case& c : cases) {
        MenuItem item;
        item.title = QString::fromLatin1(c.name);
        if (c.hasAction) item.action = [] {};
        if (c.hasSubmenu) item.submenu = std::make_shared<Menu>();
        item.enabled = c.enabledFlag;
        item.separator = c.separator;
        EXPECT_EQ(item.isEnabled(), c.enabled) << c.name;
        if (c.separator) continue;
        Menu menu;
        menu.addItem(item);
        std::unique_ptr<QMenu> qmenu(menu.toQMenu(nullptr));
        ASSERT_EQ(qmenu->actions().size(), 1);
        EXPECT_EQ(qmenu->actions()[0]->isEnabled(), c.enabled) << c.name;
    }
}

TEST(Menu, QMenuShowsRowsAsTheDataSays)
{
    Menu menu(QStringLiteral("Edit"));
    int copies = 0;
    menu.addItem(QStringLiteral("Copy"), [&copies] { ++copies; }, QStringLiteral("c"));
    menu.addSeparator();
    MenuItem checked;
    checked.title = QStringLiteral("Show Done");
    checked.action = [] {};
    checked.state = OnState;
    checked.tag = 7;
    menu.addItem(checked);
    MenuItem mixed = checked;
    mixed.title = QStringLiteral("Some");
    mixed.state = MixedState;
    menu.addItem(mixed);
    auto more = std::make_shared<Menu>();
    more->addItem(QStringLiteral("Inner"), [] {});
    MenuItem sub;
    sub.title = QStringLiteral("More");
    sub.submenu = more;
    menu.addItem(sub);

    std::unique_ptr<QMenu> qmenu(menu.toQMenu(nullptr));
    const QList<QAction*> actions = qmenu->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(qmenu->title(), QStringLiteral("Edit"));
    EXPECT_TRUE(actions[0]->text().startsWith(QStringLiteral("Copy\t")));
    EXPECT_TRUE(actions[0]->text().contains(QStringLiteral("Ctrl+C")));
    EXPECT_TRUE(actions[0]->shortcut().isEmpty()) << "the window's shortcut is the only one";
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_TRUE(actions[2]->isChecked());
    EXPECT_EQ(actions[2]->data().toInt(), 7);
    EXPECT_FALSE(actions[3]->isChecked());
    EXPECT_FALSE(actions[3]->icon().isNull()) << "mixed shows a dash";
    ASSERT_NE(actions[4]->menu(), nullptr);
    EXPECT_EQ(actions[4]->menu()->actions().size(), 1);

    actions[0]->trigger();
    EXPECT_EQ(copies, 1);
}

TEST(Menu, RowsFoundByTagAndKeyChangeInPlace)
{
    Menu menu;
    menu.addSeparator();  // tag 0, never found
    menu.addItem(QStringLiteral("A"), [] {});
    menu.itemAtIndex(1)->tag = 0;
    EXPECT_EQ(menu.indexOfItemWithTag(0), 1);
    EXPECT_EQ(menu.itemWithTag(5), nullptr);
    EXPECT_EQ(menu.itemAtIndex(9), nullptr);
    MenuItem first;
    first.title = QStringLiteral("First");
    menu.insertItem(first, -4);
    EXPECT_EQ(menu.itemAtIndex(0)->title, QStringLiteral("First"));
    menu.removeItemAtIndex(42);
    EXPECT_EQ(menu.numberOfItems(), 3);
    menu.itemAtIndex(2)->keyEquivalent = QStringLiteral("a");
    EXPECT_EQ(menu.itemForKeyEquivalent(QStringLiteral("a"), CommandKeyMask), menu.itemAtIndex(2));
    EXPECT_EQ(menu.itemForKeyEquivalent(QStringLiteral("a"), 0), nullptr);
}

TEST(Menu, ModalPopUpReturnsWhenClosedAndRunsTheChosenRow)
{
    View view(QRectF(0, 0, 200, 100));
    view.show();
    Menu menu;
    int runs = 0;
    menu.addItem(QStringLiteral("Open"), [&runs] { ++runs; });
    // Choose the row from inside the modal loop, as the user would.
    QTimer::singleShot(0, &view, [&view] {
        auto* open = view.findChild<QMenu*>();
        ASSERT_NE(open, nullptr);
        EXPECT_TRUE(open->isVisible());
        open->actions().first()->trigger();
        open->close();
    });
    menu.popUpUnderView(&view);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(view.findChild<QMenu*>(), nullptr) << "the menu of one showing is gone after it";
}

TEST(Menu, AsyncPopUpShowsWithoutWaitingAndGoesWhenClosed)
{
    View view(QRectF(0, 0, 200, 100));
    view.show();
    Menu menu;
    menu.addItem(QStringLiteral("Open"), [] {});
    QPointer<QMenu> open = menu.popUpAtPointAsync(&view, QPointF(10, 10));
    ASSERT_FALSE(open.isNull());
    EXPECT_TRUE(open->isVisible());
    open->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(open.isNull());
}
