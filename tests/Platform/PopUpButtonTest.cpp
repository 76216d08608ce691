#include "PopUpButton.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

PopUpItem item(const QString& title, int tag, bool enabled = true, int indentation = 0)
{
    PopUpItem it;
    it.title = title;
    it.tag = tag;
    it.enabled = enabled;
    it.indentationLevel = indentation;
    return it;
}

// Header "Lists", a disabled row, a separator (tag 0 like the header), then
// the choices.
void fill(PopUpButton& popUp)
{
    popUp.addHeader(QStringLiteral("Lists"));
    popUp.addItem(item(QStringLiteral("Archived"), 9, false));
    popUp.addSeparator();
    popUp.addItem(item(QStringLiteral("Home"), 0, true, 1));
    popUp.addItem(item(QStringLiteral("Work"), 2, true, 1));
}

QList<QAction*> rowsOf(QMenu* menu)
{
    QList<QAction*> rows;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) rows.append(action);
    return rows;
}

}  // namespace

TEST(PopUpButton, ShowsTheFirstEnabledItemWhenNoneIsChosen)
{
    PopUpButton popUp(QRectF(0, 0, 160, 26));
    EXPECT_EQ(popUp.indexOfSelectedItem(), -1);
    EXPECT_EQ(popUp.selectedItem(), nullptr);
    EXPECT_EQ(popUp.titleOfSelectedItem(), QString());
    fill(popUp);
    EXPECT_EQ(popUp.indexOfSelectedItem(), 3);
    EXPECT_EQ(popUp.titleOfSelectedItem(), QStringLiteral("Home"));
    EXPECT_EQ(popUp.faceTitle(), QStringLiteral("Home"));
}

TEST(PopUpButton, SelectingSkipsHeadersAndSeparators)
{
    PopUpButton popUp(QRectF(0, 0, 160, 26));
    fill(popUp);
    EXPECT_TRUE(popUp.selectItemWithTag(2));
    EXPECT_EQ(popUp.titleOfSelectedItem(), QStringLiteral("Work"));
    EXPECT_TRUE(popUp.selectItemWithTag(0)) << "the header and the separator carry tag 0 too";
    EXPECT_EQ(popUp.indexOfSelectedItem(), 3);
    EXPECT_FALSE(popUp.selectItemWithTag(77));
    EXPECT_EQ(popUp.indexOfSelectedItem(), 3) << "an unknown tag leaves the selection";

    struct Case {
        int index;
        bool selects;
    };
    for (const Case c : {Case{0, false}, Case{2, false}, Case{-1, false}, Case{5, false}, Case{1, true}, Case{4, true}}) {
        popUp.selectItemAtIndex(3);
        EXPECT_EQ(popUp.selectItemAtIndex(c.index), c.selects) << c.index;
        EXPECT_EQ(popUp.indexOfSelectedItem(), c.selects ? c.index : 3) << c.index;
    }
}

TEST(PopUpButton, UserChoiceSelectsAndCallsTheActionProgramChoiceDoesNot)
{
    PopUpButton popUp(QRectF(0, 0, 160, 26));
    fill(popUp);
    std::vector<QString> chosen;
    popUp.setTarget(nullptr, [&chosen](PopUpButton* p) { chosen.push_back(p->titleOfSelectedItem()); });
    popUp.selectItemAtIndex(4);
    EXPECT_TRUE(chosen.empty());
    EXPECT_TRUE(popUp.performClickOnItem(3));
    EXPECT_FALSE(popUp.performClickOnItem(1)) << "disabled";
    EXPECT_FALSE(popUp.performClickOnItem(0)) << "header";
    EXPECT_FALSE(popUp.performClickOnItem(2)) << "separator";
    EXPECT_EQ(chosen, std::vector<QString>{QStringLiteral("Home")});
    EXPECT_EQ(popUp.indexOfSelectedItem(), 3);

    // The arrows choose as the open list would, skipping what cannot be
    // chosen and stopping at either end.
    const struct {
        Qt::Key key;
        int selected;
        size_t actions;
    } keys[] = {{Qt::Key_Down, 4, 2}, {Qt::Key_Down, 4, 2}, {Qt::Key_Up, 3, 3}, {Qt::Key_Up, 3, 3}};
    for (const auto& k : keys) {
        QKeyEvent press(QEvent::KeyPress, k.key, Qt::NoModifier);
        QApplication::sendEvent(&popUp, &press);
        EXPECT_EQ(popUp.indexOfSelectedItem(), k.selected);
        EXPECT_EQ(chosen.size(), k.actions);
    }

    // Space opens the list on the current choice, so Down moves on from it.
    QString activeOnOpen;
    QTimer::singleShot(0, [&activeOnOpen] {
        auto* list = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(list, nullptr);
        if (list->activeAction()) activeOnOpen = list->activeAction()->text().trimmed();
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Return}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(list, &press);
        }
    });
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&popUp, &space);
    EXPECT_EQ(activeOnOpen, QStringLiteral("Home"));
    EXPECT_EQ(popUp.indexOfSelectedItem(), 4);
    EXPECT_EQ(chosen.size(), 4u);
}

TEST(PopUpButton, PullDownFaceIsItsFirstItemAndTheChoicesFollowIt)
{
    PopUpButton pullDown(QRectF(0, 0, 160, 26), nullptr, true);
    pullDown.addItemWithTitle(QStringLiteral("Actions"));
    pullDown.addItemWithTitle(QStringLiteral("Duplicate"), 1);
    pullDown.addItemWithTitle(QStringLiteral("Delete"), 2);
    int tag = -1;
    pullDown.setTarget(nullptr, [&tag](PopUpButton* p) { tag = p->selectedItem()->tag; });

    EXPECT_EQ(pullDown.indexOfSelectedItem(), -1);
    EXPECT_EQ(pullDown.faceTitle(), QStringLiteral("Actions"));
    EXPECT_FALSE(pullDown.performClickOnItem(0)) << "the title is no choice";
    EXPECT_TRUE(pullDown.performClickOnItem(2));
    EXPECT_EQ(tag, 2);
    EXPECT_EQ(pullDown.faceTitle(), QStringLiteral("Actions")) << "the face keeps its title";

    std::unique_ptr<QMenu> menu(pullDown.choicesMenu().toQMenu(nullptr));
    const QList<QAction*> rows = rowsOf(menu.get());
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->text(), QStringLiteral("Duplicate"));
    EXPECT_FALSE(rows[1]->isChecked()) << "a pull-down marks no choice";
    rows[0]->trigger();
    EXPECT_EQ(tag, 1);
}

TEST(PopUpButton, OpenListMarksTheSelectionAndDisablesWhatCannotBeChosen)
{
    PopUpButton popUp(QRectF(0, 0, 160, 26));
    fill(popUp);
    popUp.selectItemWithTag(2);
    int calls = 0;
    popUp.setTarget(nullptr, [&calls](PopUpButton*) { ++calls; });

    std::unique_ptr<QMenu> menu(popUp.choicesMenu().toQMenu(nullptr));
    EXPECT_EQ(menu->actions().size(), 5);
    EXPECT_TRUE(menu->actions()[2]->isSeparator());
    const QList<QAction*> rows = rowsOf(menu.get());
    ASSERT_EQ(rows.size(), 4);
    const bool enabled[] = {false, false, true, true};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(rows[i]->isEnabled(), enabled[i]) << i;
    EXPECT_TRUE(rows[3]->isChecked());
    EXPECT_FALSE(rows[2]->isChecked());
    EXPECT_TRUE(rows[2]->text().endsWith(QStringLiteral("Home")));
    EXPECT_GT(rows[2]->text().size(), QStringLiteral("Home").size()) << "indented";

    rows[2]->trigger();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(popUp.titleOfSelectedItem(), QStringLiteral("Home"));
}

TEST(PopUpButton, RowOfAPopUpDestroyedWhileItsListIsOpenDoesNothing)
{
    auto popUp = std::make_unique<PopUpButton>(QRectF(0, 0, 160, 26));
    fill(*popUp);
    int calls = 0;
    popUp->setTarget(nullptr, [&calls](PopUpButton*) { ++calls; });
    std::unique_ptr<QMenu> menu(popUp->choicesMenu().toQMenu(nullptr));
    popUp.reset();
    rowsOf(menu.get())[2]->trigger();  // must not touch the destroyed button
    EXPECT_EQ(calls, 0);
}

TEST(PopUpButton, PullDownWithAMenuOfItsOwnOpensThatMenuUnderTheFace)
{
    PopUpButton popUp(QRectF(0, 0, 38, 40), nullptr, true);
    popUp.addItemWithTitle(QStringLiteral("Face"));
    popUp.addItemWithTitle(QStringLiteral("Ignored while the menu is set"));
    popUp.setMenuTitle(QStringLiteral("Setting"));

    int runs = 0;
    Menu inner(QStringLiteral("More"));
    inner.addItem(QStringLiteral("Deep"), [&runs] { runs += 10; }, QStringLiteral("d"));
    Menu own;
    own.addItem(QStringLiteral("Top"), [&runs] { ++runs; }, QStringLiteral("t"));
    MenuItem more;
    more.title = QStringLiteral("More");
    more.submenu = std::make_shared<Menu>(inner);
    own.addItem(more);
    popUp.setPullDownMenu(own);

    ASSERT_NE(popUp.pullDownMenu(), nullptr);
    const Menu shown = popUp.choicesMenu();
    EXPECT_EQ(shown.title(), QStringLiteral("Setting")) << "an untitled menu takes the button's title";
    ASSERT_EQ(shown.numberOfItems(), 2);
    EXPECT_EQ(popUp.faceTitle(), QStringLiteral("Face"));

    std::unique_ptr<QMenu> menu(shown.toQMenu(nullptr));
    const QList<QAction*> rows = rowsOf(menu.get());
    ASSERT_EQ(rows.size(), 2);
    ASSERT_NE(rows[1]->menu(), nullptr) << "the submenu opens from its row";
    rows[1]->menu()->actions().first()->trigger();
    rows[0]->trigger();
    EXPECT_EQ(runs, 11);

    // The menu kept by the button answers key equivalents in submenus too.
    EXPECT_NE(popUp.pullDownMenu()->itemForKeyEquivalent(QStringLiteral("d"), CommandKeyMask), nullptr);

    // In the pop-up mode the items are the list, whatever menu is kept.
    popUp.setPullsDown(false);
    EXPECT_EQ(popUp.choicesMenu().numberOfItems(), 2);
    EXPECT_EQ(popUp.choicesMenu().itemAtIndex(0)->title, QStringLiteral("Face"));
}
