#include "StatusMenuView.h"

#include "GlobalQueue.h"
#include "NamedImages.h"
#include "Scheduler.h"
#include "StatusItem.h"
#include "TextTable.h"

#include <QMenu>

namespace {

constexpr double itemSide = 22;
constexpr double iconSide = 20;
// How long the highlight of a click stays on after the click.
constexpr double highlightSeconds = 0.1;

QImage iconAtTwentyPoints(const QImage& image)
{
    if (image.isNull()) return image;
    // The image carries its device pixel ratio: its logical size is what counts.
    const qreal ratio = image.devicePixelRatio();
    const QSize pixels(qRound(iconSide * ratio), qRound(iconSide * ratio));
    if (image.size() == pixels) return image;
    QImage scaled = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

}  // namespace

StatusMenuView::StatusMenuView(const QRectF&, QObject* parent)
    : QObject(parent), m_frame(0, 0, itemSide, itemSide),
      m_icon(iconAtTwentyPoints(NamedImages::imageNamed(QStringLiteral("zvm_icon"))))
{
    createMenu();
}

void StatusMenuView::readIconAhead()
{
    GlobalQueue::async([] { NamedImages::imageNamed(QStringLiteral("zvm_icon")); });
}

StatusMenuView::~StatusMenuView()
{
    m_highlightTimer.invalidate();
    if (m_statusItem) m_statusItem->setMenu(nullptr);
}

void StatusMenuView::createMenu()
{
    m_menu = Menu(QStringLiteral("Zoravel"));
    m_menu.addItem(TextTable::localizedString(QStringLiteral("quitZVMText")), [this] {
        if (m_closeApp) m_closeApp();
    });
    m_trayMenu.reset(m_menu.toQMenu(nullptr));
    m_trayMenu->setTitle(m_menu.title());
    // The item stays highlighted while its menu is open.
    connect(m_trayMenu.get(), &QMenu::aboutToShow, this, [this] { setMenuVisible(true); });
    connect(m_trayMenu.get(), &QMenu::aboutToHide, this, [this] { setMenuVisible(false); });
}

void StatusMenuView::setStatusItem(StatusItem* item)
{
    if (m_statusItem == item) return;
    if (m_statusItem) {
        m_statusItem->setMenu(nullptr);
        m_statusItem->setClickHandler({});
    }
    m_statusItem = item;
    if (!m_statusItem) return;
    m_statusItem->setImage(m_icon);
    m_statusItem->setHighlighted(m_isMenuVisible);
    m_statusItem->setMenu(m_trayMenu.get());
    m_statusItem->setClickHandler([this] {
        mouseDown();
        mouseUp();
    });
}

void StatusMenuView::setMenuVisible(bool visible)
{
    m_isMenuVisible = visible;
    setNeedsDisplay();
}

void StatusMenuView::setNeedsDisplay()
{
    if (m_statusItem) m_statusItem->setHighlighted(m_isMenuVisible);
}

void StatusMenuView::mouseDown()
{
    m_highlightTimer.invalidate();
    setMenuVisible(true);
    if (m_action) m_action();
}

void StatusMenuView::mouseUp()
{
    m_highlightTimer.invalidate();
    m_highlightTimer = Scheduler::current().scheduleTimer(highlightSeconds, false, [this] { setMenuVisible(false); });
}

QPointF StatusMenuView::position() const
{
    if (!m_statusItem) return QPointF(0, 0);
    const QRectF rect = m_statusItem->rectOnScreen();
    if (rect.isEmpty()) return m_statusItem->hangingPoint();
    return QPointF(rect.x() + rect.width() * 0.5, rect.y());
}
