#include "PopUpButton.h"

#include "Drawing.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor faceFill(252, 252, 252);
const QColor faceEdge(168, 168, 172);
const QColor popUpTitleColor(38, 38, 38);
const QColor arrowColor(70, 70, 75);
constexpr double arrowRoom = 20.0;
constexpr double textInset = 8.0;

void drawChevron(QPainter& painter, const QPointF& tip, double halfWidth, double height)
{
    QPainterPath path;
    path.moveTo(tip.x() - halfWidth, tip.y() - height);
    path.lineTo(tip);
    path.lineTo(tip.x() + halfWidth, tip.y() - height);
    painter.drawPath(path);
}

}  // namespace

PopUpItem PopUpItem::separatorItem()
{
    PopUpItem item;
    item.separator = true;
    return item;
}

PopUpItem PopUpItem::headerItem(const QString& title)
{
    PopUpItem item;
    item.title = title;
    item.header = true;
    return item;
}

PopUpButton::PopUpButton(const QRectF& frame, QWidget* parent, bool pullsDown)
    : View(frame, parent), m_pullsDown(pullsDown)
{
    makeTabStop();
}

PopUpButton::~PopUpButton() = default;

void PopUpButton::setPullsDown(bool pullsDown)
{
    m_pullsDown = pullsDown;
    update();
}

void PopUpButton::setTextFont(const Font& font)
{
    m_font = font;
    update();
}

const PopUpItem* PopUpButton::itemAtIndex(int index) const
{
    return index >= 0 && index < numberOfItems() ? &m_items[size_t(index)] : nullptr;
}

void PopUpButton::addItem(const PopUpItem& item)
{
    m_items.push_back(item);
    update();
}

void PopUpButton::addItemWithTitle(const QString& title, int tag)
{
    PopUpItem item;
    item.title = title;
    item.tag = tag;
    addItem(item);
}

void PopUpButton::addSeparator()
{
    addItem(PopUpItem::separatorItem());
}

void PopUpButton::addHeader(const QString& title)
{
    addItem(PopUpItem::headerItem(title));
}

void PopUpButton::removeAllItems()
{
    m_items.clear();
    m_chosenIndex = -1;
    m_showsNoItem = false;
    update();
}

void PopUpButton::selectNoItem()
{
    m_chosenIndex = -1;
    m_showsNoItem = true;
    update();
}

bool PopUpButton::selectItemAtIndex(int index)
{
    const PopUpItem* item = itemAtIndex(index);
    if (!item || !item->isSelectable()) return false;
    m_chosenIndex = index;
    m_showsNoItem = false;
    update();
    return true;
}

bool PopUpButton::selectItemWithTag(int tag)
{
    for (int i = 0; i < numberOfItems(); ++i)
        if (m_items[size_t(i)].isSelectable() && m_items[size_t(i)].tag == tag) return selectItemAtIndex(i);
    return false;
}

int PopUpButton::firstEnabledIndex() const
{
    for (int i = 0; i < numberOfItems(); ++i)
        if (m_items[size_t(i)].isSelectable() && m_items[size_t(i)].enabled) return i;
    return -1;
}

int PopUpButton::indexOfSelectedItem() const
{
    if (m_chosenIndex >= 0 || m_pullsDown || m_showsNoItem) return m_chosenIndex;
    return firstEnabledIndex();
}

const PopUpItem* PopUpButton::selectedItem() const
{
    return itemAtIndex(indexOfSelectedItem());
}

QString PopUpButton::titleOfSelectedItem() const
{
    const PopUpItem* item = selectedItem();
    return item ? item->title : QString();
}

QString PopUpButton::faceTitle() const
{
    if (!m_pullsDown) return titleOfSelectedItem();
    return m_items.empty() ? QString() : m_items.front().title;
}

void PopUpButton::setTarget(QObject* receiver, std::function<void(PopUpButton*)> action)
{
    m_hasReceiver = receiver != nullptr;
    m_receiver = receiver;
    m_action = std::move(action);
}

bool PopUpButton::canChoose(int index) const
{
    const PopUpItem* item = itemAtIndex(index);
    if (!item || !item->isSelectable() || !item->enabled) return false;
    return !(m_pullsDown && index == 0);
}

bool PopUpButton::performClickOnItem(int index)
{
    if (!isEnabled() || !canChoose(index)) return false;
    m_chosenIndex = index;
    m_showsNoItem = false;
    update();
    if (!m_items[size_t(index)].sendsAction) return true;
    if (m_action && !(m_hasReceiver && !m_receiver)) {
        const std::function<void(PopUpButton*)> action = m_action;
        action(this);
    }
    return true;
}

void PopUpButton::setPullDownMenu(const Menu& menu)
{
    m_pullDownMenu = std::make_unique<Menu>(menu);
}

Menu PopUpButton::choicesMenu() const
{
    if (m_pullsDown && m_pullDownMenu) {
        Menu own(*m_pullDownMenu);
        if (own.title().isEmpty()) own.setTitle(m_menuTitle);
        return own;
    }
    Menu menu(m_menuTitle);
    const int selected = m_pullsDown ? -1 : indexOfSelectedItem();
    QPointer<PopUpButton> self(const_cast<PopUpButton*>(this));
    for (int i = m_pullsDown ? 1 : 0; i < numberOfItems(); ++i) {
        const PopUpItem& item = m_items[size_t(i)];
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        MenuItem row;
        row.title = item.title;
        row.tag = item.tag;
        row.image = item.image;
        row.indentationLevel = item.indentationLevel;
        row.state = i == selected ? OnState : OffState;
        row.keyEquivalentModifierMask = 0;
        // Headers and disabled items get no action: rows without one are
        // shown disabled.
        if (canChoose(i))
            row.action = [self, i] {
                if (self) self->performClickOnItem(i);
            };
        menu.addItem(row);
    }
    return menu;
}

void PopUpButton::openList()
{
    QPointer<QMenu> menu = choicesMenu().toQMenu(this);
    // The list opens on the current choice, so the arrows move on from it
    // as they do on the closed button.
    for (QAction* action : menu->actions())
        if (action->isChecked()) {
            menu->setActiveAction(action);
            break;
        }
    menu->exec(mapToGlobal(toQt(QPointF(0, bounds().height())).toPoint()));
    // A button destroyed while the list was open took the list with it.
    delete menu.data();
}

void PopUpButton::mouseDown(const Event&)
{
    // Opens the list under the face; the choice arrives through the rows'
    // actions before this returns.
    openList();
}

void PopUpButton::keyDown(const Event& event)
{
    if (event.modifierFlags & (CommandKeyMask | ControlKeyMask | AlternateKeyMask)) return View::keyDown(event);
    const char16_t key = event.firstCharacterIgnoringModifiers();
    if (key == u' ' || (m_pullsDown && (key == KeyCharacter::UpArrow || key == KeyCharacter::DownArrow))) {
        // Opened from the keyboard, the list is worked with its keys.
        if (isEnabled()) openList();
        return;
    }
    if (key == KeyCharacter::UpArrow || key == KeyCharacter::DownArrow) {
        // The neighbour the user could choose in the open list, skipping
        // separators, headers and disabled items; none past either end.
        const int step = key == KeyCharacter::UpArrow ? -1 : 1;
        for (int i = indexOfSelectedItem() + step; i >= 0 && i < numberOfItems(); i += step)
            if (performClickOnItem(i)) break;
        return;
    }
    View::keyDown(event);
}

void PopUpButton::setCellPainter(CellPainter painter)
{
    m_cellPainter = std::move(painter);
    update();
}

const PopUpItem* PopUpButton::shownItem() const
{
    return m_pullsDown ? itemAtIndex(0) : selectedItem();
}

QRectF PopUpButton::titleRectForBounds(const QRectF& cellFrame)
{
    return QRectF(cellFrame.left() + textInset, cellFrame.top(), cellFrame.width() - textInset - arrowRoom,
                  cellFrame.height());
}

void PopUpButton::drawRect(QPainter& painter, const QRectF&)
{
    drawCell(painter, bounds());
}

void PopUpButton::drawCell(QPainter& painter, const QRectF& cellFrame) const
{
    if (m_cellPainter) {
        // A copy: the painter may replace itself while it runs.
        const CellPainter cellPainter = m_cellPainter;
        painter.save();
        cellPainter(painter, *this, cellFrame);
        painter.restore();
        return;
    }
    painter.save();
    drawOwnCell(painter, cellFrame);
    painter.restore();
}

void PopUpButton::drawOwnCell(QPainter& painter, const QRectF& cellFrame) const
{
    const QRectF edge = cellFrame.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath face;
    face.addRoundedRect(edge, 5, 5);
    painter.fillPath(face, faceFill);
    painter.setPen(QPen(faceEdge, 1));
    painter.drawPath(face);
    if (!isEnabled()) painter.setOpacity(0.4);

    // The arrows: up and down for a pop-up, one down for a pull-down.
    const double middleX = cellFrame.right() - arrowRoom / 2;
    const double middleY = cellFrame.center().y();
    painter.setPen(QPen(arrowColor, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (m_pullsDown) {
        drawChevron(painter, QPointF(middleX, middleY + 2), 3.5, 4);
    } else {
        drawChevron(painter, QPointF(middleX, middleY - 6), 3.5, -3.5);
        drawChevron(painter, QPointF(middleX, middleY + 6), 3.5, 3.5);
    }

    QRectF text = titleRectForBounds(cellFrame);
    const PopUpItem* shown = shownItem();
    if (shown && !shown->image.isNull()) {
        const QSizeF size = shown->image.deviceIndependentSize().scaled(
            QSizeF(cellFrame.height() - 6, cellFrame.height() - 6), Qt::KeepAspectRatio);
        const QSizeF imageSize = size.width() > shown->image.deviceIndependentSize().width()
                                     ? shown->image.deviceIndependentSize()
                                     : size;
        painter.drawImage(QRectF(QPointF(text.left(), middleY - imageSize.height() / 2), imageSize), shown->image);
        text.setLeft(text.left() + imageSize.width() + 4);
    }
    QString title = faceTitle();
    title.replace(QLatin1Char('\n'), QLatin1Char(' '));
    Drawing::drawText(painter, title, m_font, popUpTitleColor, text, Qt::AlignLeft | Qt::AlignVCenter, Qt::ElideRight);
}
