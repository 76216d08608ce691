#include "Menu.h"

#include "KeyEquivalent.h"
#include "View.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QShortcut>

#include <algorithm>

namespace {

const char* const menuIdentityProperty = "zoravelMenuIdentity";

// The dash a row in the mixed state shows where a check mark would be.
QIcon mixedStateIcon()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(QRectF(4, 7, 8, 2), QColor(40, 40, 40));
    return QIcon(QPixmap::fromImage(image));
}

QString shownTitle(const MenuItem& item)
{
    // Menus have no indentation of their own: an en space pair per level.
    QString title = QString(qMax(0, item.indentationLevel) * 2, QChar(0x2002)) + item.title;
    const QKeySequence key = KeyEquivalent::sequenceOf(item.keyEquivalent, item.keyEquivalentModifierMask);
    // QMenu shows what follows a tab in the shortcut column; the action gets
    // no shortcut of its own, so the window's shortcut stays the only one.
    if (!key.isEmpty()) title += QLatin1Char('\t') + key.toString(QKeySequence::NativeText);
    return title;
}

void addRow(QMenu* menu, const MenuItem& item)
{
    if (item.separator) {
        menu->addSeparator();
        return;
    }
    QAction* action = nullptr;
    if (item.submenu) {
        QMenu* submenu = item.submenu->toQMenu(menu);
        submenu->setTitle(shownTitle(item));
        action = menu->addMenu(submenu);
    } else {
        action = menu->addAction(shownTitle(item));
        if (item.action) QObject::connect(action, &QAction::triggered, menu, [run = item.action] { run(); });
    }
    action->setData(item.tag);
    action->setEnabled(item.isEnabled());
    if (!item.image.isNull()) action->setIcon(QIcon(QPixmap::fromImage(item.image)));
    if (item.state == OnState) {
        action->setCheckable(true);
        action->setChecked(true);
    } else if (item.state == MixedState && item.image.isNull()) {
        action->setIcon(mixedStateIcon());
    }
}

QPoint globalPointOf(View* view, const QPointF& pointInView)
{
    return view->mapToGlobal(view->toQt(pointInView).toPoint());
}

void collectKeyEquivalents(const Menu& menu, std::vector<std::pair<QString, unsigned>>& keys)
{
    for (const MenuItem& item : menu.items()) {
        if (item.submenu) collectKeyEquivalents(*item.submenu, keys);
        if (item.separator || item.keyEquivalent.isEmpty() || !(item.keyEquivalentModifierMask & CommandKeyMask))
            continue;
        const std::pair<QString, unsigned> key{item.keyEquivalent, item.keyEquivalentModifierMask};
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    }
}

}  // namespace

MenuItem MenuItem::separatorItem()
{
    MenuItem item;
    item.separator = true;
    return item;
}

bool MenuItem::isEnabled() const
{
    return enabled && !separator && (action || submenu);
}

Menu::Menu(const QString& title) : m_title(title), m_self(std::make_shared<const Menu*>(this)) {}

Menu::Menu(const Menu& other)
    : m_title(other.m_title), m_items(other.m_items), m_self(std::make_shared<const Menu*>(this))
{
}

Menu& Menu::operator=(const Menu& other)
{
    m_title = other.m_title;
    m_items = other.m_items;
    return *this;
}

Menu::~Menu() = default;

int Menu::addItem(const MenuItem& item)
{
    m_items.push_back(item);
    return int(m_items.size()) - 1;
}

int Menu::addItem(const QString& title, std::function<void()> action, const QString& keyEquivalent)
{
    MenuItem item;
    item.title = title;
    item.action = std::move(action);
    item.keyEquivalent = keyEquivalent;
    return addItem(item);
}

int Menu::addSeparator()
{
    return addItem(MenuItem::separatorItem());
}

void Menu::insertItem(const MenuItem& item, int index)
{
    index = std::clamp(index, 0, numberOfItems());
    m_items.insert(m_items.begin() + index, item);
}

void Menu::removeItemAtIndex(int index)
{
    if (index < 0 || index >= numberOfItems()) return;
    m_items.erase(m_items.begin() + index);
}

void Menu::removeAllItems()
{
    m_items.clear();
}

MenuItem* Menu::itemAtIndex(int index)
{
    return index >= 0 && index < numberOfItems() ? &m_items[size_t(index)] : nullptr;
}

const MenuItem* Menu::itemAtIndex(int index) const
{
    return index >= 0 && index < numberOfItems() ? &m_items[size_t(index)] : nullptr;
}

int Menu::indexOfItemWithTag(int tag) const
{
    for (int i = 0; i < numberOfItems(); ++i)
        if (!m_items[size_t(i)].separator && m_items[size_t(i)].tag == tag) return i;
    return -1;
}

MenuItem* Menu::itemWithTag(int tag)
{
    return itemAtIndex(indexOfItemWithTag(tag));
}

QMenu* Menu::toQMenu(QWidget* parent) const
{
    auto* menu = new QMenu(m_title, parent);
    for (const MenuItem& item : m_items) addRow(menu, item);
    return menu;
}

void Menu::popUpAtPoint(View* view, const QPointF& pointInView) const
{
    if (!view) return;
    QPointer<QMenu> menu = toQMenu(view);
    menu->exec(globalPointOf(view, pointInView));
    // A view destroyed while the menu was open took the menu with it.
    delete menu.data();
}

void Menu::popUpUnderView(View* button) const
{
    if (!button) return;
    const QPointF bottomLeft = button->isFlipped() ? QPointF(0, button->bounds().height()) : QPointF(0, 0);
    popUpAtPoint(button, bottomLeft);
}

QMenu* Menu::popUpAtPointAsync(View* view, const QPointF& pointInView) const
{
    if (!view) return nullptr;
    QMenu* menu = toQMenu(view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPointOf(view, pointInView));
    return menu;
}

const MenuItem* Menu::itemForKeyEquivalent(const QString& key, unsigned modifierMask) const
{
    for (const MenuItem& item : m_items) {
        if (!item.separator && item.keyEquivalent == key && item.keyEquivalentModifierMask == modifierMask)
            return &item;
        if (item.submenu)
            if (const MenuItem* found = item.submenu->itemForKeyEquivalent(key, modifierMask)) return found;
    }
    return nullptr;
}

void installKeyEquivalents(const Menu& menu, QWidget* window)
{
    if (!window) return;
    const QVariant identity = QVariant::fromValue(quintptr(menu.m_self.get()));
    for (QShortcut* old : window->findChildren<QShortcut*>(Qt::FindDirectChildrenOnly))
        if (old->property(menuIdentityProperty) == identity) delete old;

    std::vector<std::pair<QString, unsigned>> keys;
    collectKeyEquivalents(menu, keys);
    const std::weak_ptr<const Menu*> weakMenu = menu.m_self;
    for (const auto& entry : keys) {
        const QString key = entry.first;
        const unsigned mask = entry.second;
        const auto run = [weakMenu, key, mask] {
            const std::shared_ptr<const Menu*> self = weakMenu.lock();
            if (!self) return;
            const MenuItem* item = (*self)->itemForKeyEquivalent(key, mask);
            if (!item || !item->isEnabled() || !item->action) return;
            const std::function<void()> action = item->action;
            action();
        };
        for (QShortcut* shortcut : KeyEquivalent::makeShortcuts(window, key, mask, run))
            shortcut->setProperty(menuIdentityProperty, identity);
    }
}
