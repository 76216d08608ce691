#pragma once

#include "Font.h"
#include "Menu.h"
#include "View.h"

#include <QImage>
#include <QPointer>

#include <functional>
#include <memory>

// One choice of a pop-up button. Separators and headers (a title naming the
// group below it) are never chosen.
struct PopUpItem {
    QString title;
    int tag = 0;
    QImage image;
    int indentationLevel = 0;
    bool enabled = true;
    bool separator = false;
    bool header = false;
    // Choosing an item that sends no action still selects it.
    bool sendsAction = true;

    static PopUpItem separatorItem();
    static PopUpItem headerItem(const QString& title);
    // Can be the selected item (a disabled one only by the program).
    bool isSelectable() const { return !separator && !header; }
};

// A button showing one of its items, which opens the list of them when
// pressed. In the pull-down mode the face always shows the first item, as
// the title of the list, and the choices are the items after it.
class PopUpButton : public View {
    Q_OBJECT

public:
    explicit PopUpButton(const QRectF& frame = QRectF(), QWidget* parent = nullptr, bool pullsDown = false);
    ~PopUpButton() override;

    bool pullsDown() const { return m_pullsDown; }
    void setPullsDown(bool pullsDown);

    const std::vector<PopUpItem>& items() const { return m_items; }
    int numberOfItems() const { return int(m_items.size()); }
    const PopUpItem* itemAtIndex(int index) const;
    void addItem(const PopUpItem& item);
    void addItemWithTitle(const QString& title, int tag = 0);
    void addSeparator();
    void addHeader(const QString& title);
    void removeAllItems();

    // Selects without calling the action; false (and no change) for an
    // index out of range, a separator or a header.
    bool selectItemAtIndex(int index);
    // The first item with the tag that can be selected.
    bool selectItemWithTag(int tag);
    // Shows no item until one is selected or chosen: for a stored value
    // that none of the items stands for.
    void selectNoItem();
    // The item the face shows in the pop-up mode: the one chosen, else the
    // first enabled item; -1 when there is none. In the pull-down mode, the
    // item chosen last, -1 before any.
    int indexOfSelectedItem() const;
    const PopUpItem* selectedItem() const;
    QString titleOfSelectedItem() const;
    // What the face shows: the first item in the pull-down mode.
    QString faceTitle() const;

    // Called after the user chose an item (never for selectItem...).
    // Runs while the receiver lives; a null receiver ties it to nothing.
    void setTarget(QObject* receiver, std::function<void(PopUpButton*)> action);

    // The user's choice of the item, as from the open list: selects it and
    // calls the action. False for an item that cannot be chosen (disabled,
    // a separator or a header, the pull-down's title).
    bool performClickOnItem(int index);

    // The kit font the face's title is measured and drawn in (the system
    // font at 13 px unless set). Qt's own QWidget::font() plays no part.
    const Font& textFont() const { return m_font; }
    void setTextFont(const Font& font);

    // The title of the list the button opens.
    QString menuTitle() const { return m_menuTitle; }
    void setMenuTitle(const QString& title) { m_menuTitle = title; }
    // The list the button opens, as menu data (check mark on the selection).
    Menu choicesMenu() const;

    // A pull-down may carry a menu of its own, whose rows have their own
    // actions, key equivalents and submenus: its press then opens that menu
    // in place of the items after the first, which the face still shows.
    // The button keeps the menu for its life (so shortcuts installed for it
    // with installKeyEquivalents stay live); setting another replaces it.
    void setPullDownMenu(const Menu& menu);
    // Null when none was set.
    const Menu* pullDownMenu() const { return m_pullDownMenu.get(); }

    // Draws the face in place of the button's own look: the painter is in
    // the button's coordinates (y down), cellFrame where the face goes.
    // Null restores the button's own look.
    using CellPainter = std::function<void(QPainter& painter, const PopUpButton& button, const QRectF& cellFrame)>;
    void setCellPainter(CellPainter painter);
    // The face in cellFrame: the cell painter's, else the button's own look.
    void drawCell(QPainter& painter, const QRectF& cellFrame) const;
    // The button's own look in cellFrame: bezel, arrows, image and title.
    void drawOwnCell(QPainter& painter, const QRectF& cellFrame) const;
    // Where the button's own look puts the title in cellFrame.
    static QRectF titleRectForBounds(const QRectF& cellFrame);
    // The face shows this item: the first in the pull-down mode.
    const PopUpItem* shownItem() const;

    bool isFlipped() const override { return true; }
    // Draws the face over the bounds.
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    // Space opens the list; the up and down arrows choose the item above or
    // below the one shown (a pull-down opens its list for them).
    void keyDown(const Event& event) override;

private:
    // Opens the list under the face, a row marked as chosen highlighted.
    void openList();
    bool canChoose(int index) const;
    int firstEnabledIndex() const;

    bool m_pullsDown = false;
    QString m_menuTitle;
    CellPainter m_cellPainter;
    std::vector<PopUpItem> m_items;
    Font m_font;  // the system font
    int m_chosenIndex = -1;
    bool m_showsNoItem = false;
    bool m_hasReceiver = false;
    QPointer<QObject> m_receiver;
    std::function<void(PopUpButton*)> m_action;
    std::unique_ptr<Menu> m_pullDownMenu;
};
