#pragma once

#include "ControlState.h"
#include "Event.h"

#include <QImage>
#include <QPointF>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class Menu;
class QMenu;
class QWidget;
class View;

// One row of a menu, as data.
struct MenuItem {
    QString title;
    std::function<void()> action;  // none: the row is disabled
    int tag = 0;
    QImage image;
    QString keyEquivalent;  // a character; see KeyEquivalent.h
    unsigned keyEquivalentModifierMask = CommandKeyMask;
    std::shared_ptr<Menu> submenu;
    bool separator = false;
    int state = OffState;  // a check mark when on, a dash when mixed
    bool enabled = true;
    int indentationLevel = 0;

    static MenuItem separatorItem();
    // A row can be chosen when it is enabled and has something to do: an
    // action, or a submenu to open. Separators never can.
    bool isEnabled() const;
};

// A menu built as data and shown through a QMenu made for each showing, so
// rows may change between showings. Rows run their action when chosen and,
// for key equivalents with the Command modifier, on the key while the menu
// is closed (installKeyEquivalents).
class Menu {
public:
    explicit Menu(const QString& title = QString());
    // A copy is another menu: shortcuts installed for the original stay with it.
    Menu(const Menu& other);
    Menu& operator=(const Menu& other);
    ~Menu();

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    const std::vector<MenuItem>& items() const { return m_items; }
    int numberOfItems() const { return int(m_items.size()); }
    // Answers the new row's index.
    int addItem(const MenuItem& item);
    int addItem(const QString& title, std::function<void()> action, const QString& keyEquivalent = QString());
    int addSeparator();
    void insertItem(const MenuItem& item, int index);
    void removeItemAtIndex(int index);
    void removeAllItems();
    // Null when out of range or not found; the pointer lasts until the rows change.
    MenuItem* itemAtIndex(int index);
    const MenuItem* itemAtIndex(int index) const;
    MenuItem* itemWithTag(int tag);
    int indexOfItemWithTag(int tag) const;

    // A new QMenu of the rows (submenus included), owned by the parent. Each
    // action runs a copy of its row's action as the row was at this moment.
    QMenu* toQMenu(QWidget* parent) const;

    // Shows the menu modally with its top left at the point (view
    // coordinates) and answers after it closed, the chosen action run.
    void popUpAtPoint(View* view, const QPointF& pointInView) const;
    // The same, under the view (a button): the menu's top left at the
    // view's bottom left on screen.
    void popUpUnderView(View* button) const;
    // Shows it without waiting; the QMenu deletes itself when it closes.
    QMenu* popUpAtPointAsync(View* view, const QPointF& pointInView) const;

    // The row the key equivalent answers to, looked for in the submenus
    // too: the first row with that key and modifiers; null when none.
    const MenuItem* itemForKeyEquivalent(const QString& key, unsigned modifierMask) const;

private:
    friend void installKeyEquivalents(const Menu& menu, QWidget* window);

    QString m_title;
    std::vector<MenuItem> m_items;
    // Shortcuts hold it weakly: once the menu is gone they do nothing.
    std::shared_ptr<const Menu*> m_self;
};

// Makes the Command key equivalents of the menu (submenus included)
// shortcuts of the window, live while the window is active and the menu
// closed. At the key the row is looked up again and runs only if it is
// enabled then. Installing again for the same menu replaces the earlier
// shortcuts; they go with the window, and do nothing once the menu is gone.
void installKeyEquivalents(const Menu& menu, QWidget* window);
