#include "Popover.h"

#include "Button.h"
#include "Color.h"
#include "NotificationCenter.h"
#include "Screen.h"
#include "View.h"
#include "Window.h"

#include <QApplication>
#include <QDebug>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

const QString Popover::shouldCloseNotification = QStringLiteral("NSPopOver should close");

namespace {

// The frame drawn round the content view.
constexpr double borderWidth = 1;

// Holds the content view inside the popover's border.
class PopoverFrameView : public View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF&) override
    {
        painter.fillRect(bounds(), Color::white());
        painter.setPen(QPen(Color::gray(), borderWidth));
        const double half = borderWidth / 2;
        painter.drawRect(bounds().adjusted(half, half, -half, -half));
    }
};

bool fitsAlong(const QRectF& rect, const QRectF& visible, RectEdge edge)
{
    if (edge == RectEdge::MinX || edge == RectEdge::MaxX)
        return rect.left() >= visible.left() && rect.right() <= visible.right();
    return rect.top() >= visible.top() && rect.bottom() <= visible.bottom();
}

RectEdge opposite(RectEdge edge)
{
    switch (edge) {
    case RectEdge::MinX: return RectEdge::MaxX;
    case RectEdge::MaxX: return RectEdge::MinX;
    case RectEdge::MinY: return RectEdge::MaxY;
    case RectEdge::MaxY: return RectEdge::MinY;
    }
    return edge;
}

// Our coordinates: y is up, so QRectF's top() is the rectangle's bottom edge.
QRectF besideEdge(const QSizeF& size, const QRectF& anchor, RectEdge edge)
{
    const double w = size.width(), h = size.height();
    const QPointF centre = anchor.center();
    switch (edge) {
    case RectEdge::MinX: return QRectF(anchor.left() - Popover::gap - w, centre.y() - h / 2, w, h);
    case RectEdge::MaxX: return QRectF(anchor.right() + Popover::gap, centre.y() - h / 2, w, h);
    case RectEdge::MinY: return QRectF(centre.x() - w / 2, anchor.top() - Popover::gap - h, w, h);
    case RectEdge::MaxY: return QRectF(centre.x() - w / 2, anchor.bottom() + Popover::gap, w, h);
    }
    return QRectF(anchor.topLeft(), size);
}

// The first view of the content, in the focus chain's order, that takes typed
// keys: a field to type into.
QWidget* firstKeyboardTaker(QWidget* content)
{
    for (QWidget* widget = content->nextInFocusChain(); widget && widget != content;
         widget = widget->nextInFocusChain()) {
        if (!content->isAncestorOf(widget)) continue;
        // Controls that only Tab reaches (buttons, pop-ups) type nothing.
        if ((widget->focusPolicy() & Qt::StrongFocus) == Qt::StrongFocus && widget->isVisibleTo(content) &&
            widget->isEnabled())
            return widget;
    }
    return nullptr;
}

// Slides a rectangle inside the bounds; one larger than them keeps its low
// edge on theirs.
double clampedStart(double start, double length, double low, double high)
{
    return std::max(low, std::min(start, high - length));
}

}  // namespace

class PopoverWindow : public Window {
public:
    PopoverWindow() : Window(QRectF(0, 0, 10, 10), BorderlessWindowMask | UtilityWindowMask)
    {
        auto* frameView = new PopoverFrameView(QRectF(0, 0, 10, 10));
        setContentView(frameView);
    }
};

Popover::Popover(QObject* parent) : QObject(parent)
{
    NotificationCenter::defaultCenter().addObserver(this, shouldCloseNotification, nullptr, [this](const Notification&) {
        if (isShown()) closeWithReason(PopoverCloseReason::ShouldClose);
    });
}

Popover::~Popover()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    qApp->removeEventFilter(this);
    if (m_window) {
        if (Window* parent = m_window->parentWindow()) parent->removeChildWindow(m_window);
        delete m_window;
    }
}

QWidget* Popover::window() const
{
    return m_window;
}

void Popover::setContentView(View* view)
{
    if (view == m_contentView) return;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    if (m_contentView) {
        center.removeObserver(this, View::frameDidChangeNotification);
        // Later: the old view may be the one whose handler asked for this.
        m_contentView->hide();
        m_contentView->deleteLater();
    }
    m_contentView = view;
    if (!view) return;
    if (!m_window) {
        m_window = new PopoverWindow;
        // Escape backs out of a popover as a press outside it does.
        // After the key's own delivery: the window it went to is the one
        // closing, and the keyboard goes back to the anchor's window.
        m_window->setCancelAction([this] {
            QMetaObject::invokeMethod(
                this, [this] { if (m_shown) closeWithReason(PopoverCloseReason::PressOutside); }, Qt::QueuedConnection);
        });
    }
    m_window->contentView()->addSubview(view);
    view->setFrameOrigin(QPointF(borderWidth, borderWidth));
    view->show();
    center.addObserver(this, View::frameDidChangeNotification, NotificationPayload::identityOf(view),
                       [this](const Notification&) { contentFrameChanged(); });
    contentFrameChanged();
    // A page put in a shown popover (the add-link page after its button)
    // takes the keyboard as a popover that opens does.
    if (m_shown) takeKeyboardIfTyped();
}

QSizeF Popover::contentSize() const
{
    return m_contentView ? m_contentView->frame().size() : QSizeF();
}

bool Popover::isShown() const
{
    return m_shown;
}

RectEdge Popover::screenEdge(RectEdge viewEdge, bool flipped)
{
    if (!flipped || viewEdge == RectEdge::MinX || viewEdge == RectEdge::MaxX) return viewEdge;
    return opposite(viewEdge);
}

QRectF Popover::placement(const QSizeF& size, const QRectF& anchor, RectEdge edge, const QRectF& visibleFrame,
                          RectEdge* usedEdge)
{
    RectEdge chosen = edge;
    QRectF rect = besideEdge(size, anchor, edge);
    if (!fitsAlong(rect, visibleFrame, edge)) {
        const QRectF other = besideEdge(size, anchor, opposite(edge));
        if (fitsAlong(other, visibleFrame, opposite(edge))) {
            chosen = opposite(edge);
            rect = other;
        }
    }
    // Slid inside the visible frame: along the anchor's side always, and
    // across it only when neither edge had room (covering the anchor then
    // rather than leaving the screen).
    rect.moveLeft(clampedStart(rect.left(), rect.width(), visibleFrame.left(), visibleFrame.right()));
    rect.moveTop(clampedStart(rect.top(), rect.height(), visibleFrame.top(), visibleFrame.bottom()));
    if (usedEdge) *usedEdge = chosen;
    return rect;
}

void Popover::showRelativeToRect(const QRectF& rect, View* positioningView, RectEdge preferredEdge)
{
    if (!positioningView) {
        qWarning("A popover was asked to show beside no view; it stays closed.");
        return;
    }
    if (!m_contentView) {
        qWarning("A popover without a content view was asked to show; it stays closed.");
        return;
    }
    if (!positioningView->isVisible()) {
        qWarning("A popover was asked to show beside a view that is not on screen; it stays closed.");
        return;
    }
    if (m_positioningView != positioningView) {
        if (m_positioningView) disconnect(m_positioningView, nullptr, this, nullptr);
        connect(positioningView, &QObject::destroyed, this, [this] {
            if (m_shown) closeWithReason(PopoverCloseReason::AnchorGone);
        });
    }
    m_positioningView = positioningView;
    m_anchorRect = rect.isEmpty() ? positioningView->bounds() : rect;
    m_preferredEdge = preferredEdge;

    // Child of the anchor's window, so it stays above it and counts as part
    // of it for the keyboard focus.
    auto* anchorWindow = qobject_cast<Window*>(positioningView->window());
    if (anchorWindow && m_window->parentWindow() != anchorWindow) anchorWindow->addChildWindow(m_window);

    const bool wasShown = m_shown;
    if (!wasShown) Q_EMIT willShow();
    place();
    if (wasShown) return;
    m_shown = true;
    takeKeyboardIfTyped();
    qApp->installEventFilter(this);
    Q_EMIT didShow();
}

// A popover with a field to type into takes the keyboard, or the keys would
// go on to the window under it. Being the anchor window's child, it keeps
// that window key; closing gives the keyboard back.
void Popover::takeKeyboardIfTyped()
{
    if (QWidget* field = firstKeyboardTaker(m_contentView)) {
        m_window->makeKeyAndOrderFront();
        QWidget* focused = m_window->focusWidget();
        if (!focused || !m_contentView->isAncestorOf(focused) || !focused->isVisible())
            field->setFocus(Qt::PopupFocusReason);
    } else {
        m_window->orderFront();
    }
}

void Popover::setContentResizeDuration(double seconds)
{
    m_resizeDuration = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

void Popover::place()
{
    if (m_resizeAnimation) m_resizeAnimation->stop();
    if (!m_window || !m_positioningView || !m_contentView) return;
    const QRectF qtRect = m_positioningView->toQt(m_anchorRect);
    const QPoint topLeft = m_positioningView->mapToGlobal(qtRect.topLeft().toPoint());
    m_anchorScreenRect = Screen::fromQt(QRectF(QPointF(topLeft) + (qtRect.topLeft() - qtRect.topLeft().toPoint()),
                                               qtRect.size()));
    const QSizeF size = contentSize() + QSizeF(2 * borderWidth, 2 * borderWidth);
    const RectEdge edge = screenEdge(m_preferredEdge, m_positioningView->isFlipped());
    m_window->setFrame(placement(size, m_anchorScreenRect, edge, Screen::mainVisibleFrame(), &m_shownEdge));
}

void Popover::contentFrameChanged()
{
    if (!m_window || !m_contentView) return;
    const QSizeF size = contentSize() + QSizeF(2 * borderWidth, 2 * borderWidth);
    const double seconds = m_resizeDuration * Window::animationDurationScale();
    if (m_shown && seconds > 0 && m_positioningView) {
        // The window grows or shrinks toward the place the new size takes,
        // from where it stands now (a running resize included).
        const QRectF from = m_window->frame();
        place();
        const QRectF to = m_window->frame();
        if (from != to) {
            m_window->setFrame(from, false);
            auto* animation = new QVariantAnimation(this);
            animation->setDuration(std::max(1, int(std::lround(seconds * 1000))));
            animation->setStartValue(from);
            animation->setEndValue(to);
            QPointer<PopoverWindow> window = m_window;
            connect(animation, &QVariantAnimation::valueChanged, this, [window](const QVariant& value) {
                if (window) window->setFrame(value.toRectF(), true);
            });
            m_resizeAnimation = animation;
            animation->start(QAbstractAnimation::DeleteWhenStopped);
        }
    } else if (m_shown) {
        place();
    } else if (QSizeF(m_window->size()) != size) {
        m_window->setFrame(QRectF(m_window->frame().topLeft(), size), false);
    }
    // The frame view follows the window; the content keeps its place in it.
    m_contentView->setFrameOrigin(QPointF(borderWidth, borderWidth));
}

void Popover::close()
{
    if (m_shown) closeWithReason(PopoverCloseReason::Asked);
}

void Popover::closeWithReason(PopoverCloseReason reason)
{
    if (!m_shown) return;
    m_shown = false;
    if (m_resizeAnimation) m_resizeAnimation->stop();
    qApp->removeEventFilter(this);
    if (m_window) m_window->orderOut();
    Q_EMIT didClose(reason);
}

bool Popover::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_shown) return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::Hide && m_positioningView && watched == m_positioningView->window()) {
        closeWithReason(PopoverCloseReason::AnchorGone);
        return false;
    }
    if (m_behavior == PopoverBehavior::ApplicationDefined) return false;
    if (type == QEvent::ApplicationStateChange) {
        if (qApp->applicationState() != Qt::ApplicationActive) closeWithReason(PopoverCloseReason::Deactivated);
        return false;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    QWidget* pressedWindow = widget->window();
    // A press in this popover, or in a popover (or any window) opened from
    // it, which is a child window of it, is a press inside.
    for (QWidget* owner = pressedWindow; owner; owner = owner->parentWidget())
        if (owner == m_window) return false;
    const bool inAnchorWindow = m_positioningView && pressedWindow == m_positioningView->window();
    // Semi-transient: only the anchor's window counts, so alerts and pickers
    // in windows of their own can be used while it is open.
    if (m_behavior == PopoverBehavior::Semitransient && !inAnchorWindow) return false;
    // A press on the button that opened the popover closes it and ends
    // there: let through, its click would open the popover again at once.
    View* opener = m_positioningView;
    const bool onOpenerButton = qobject_cast<Button*>(opener) && (widget == opener || opener->isAncestorOf(widget));
    closeWithReason(PopoverCloseReason::PressOutside);
    return onOpenerButton;
}
