#include "View.h"

#include "NotificationCenter.h"
#include "Screen.h"
#include "FiniteGeometry.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleHints>
#include <QtMath>

#include <algorithm>
#include <cmath>

const QString View::frameDidChangeNotification = QStringLiteral("ViewFrameDidChangeNotification");

namespace {

// Half-open, as a pointer on the shared edge of two views belongs to one.
bool containsPoint(const QRectF& rect, const QPointF& point)
{
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() &&
           point.y() < rect.bottom();
}

// Shares one axis's change of size among its flexible parts in proportion to
// their current lengths (equally when they are all 0).
void distribute(double delta, bool flexibleLow, bool flexibleSize, bool flexibleHigh, double low, double size,
                double high, double& newLow, double& newSize)
{
    newLow = low;
    newSize = size;
    const int flexibleCount = int(flexibleLow) + int(flexibleSize) + int(flexibleHigh);
    if (flexibleCount == 0 || delta == 0) return;
    const double lowPart = flexibleLow ? std::max(low, 0.0) : 0.0;
    const double sizePart = flexibleSize ? std::max(size, 0.0) : 0.0;
    const double highPart = flexibleHigh ? std::max(high, 0.0) : 0.0;
    const double total = lowPart + sizePart + highPart;
    const auto shareOf = [&](bool flexible, double part) {
        if (!flexible) return 0.0;
        return total > 0 ? delta * part / total : delta / flexibleCount;
    };
    newLow = low + shareOf(flexibleLow, lowPart);
    newSize = std::max(0.0, size + shareOf(flexibleSize, sizePart));
}

struct LastPress {
    double timestamp = -1e300;
    Qt::MouseButton button = Qt::NoButton;
    QPointF point;
    int count = 0;
    // Set from a press to the next release. Qt hands an unhandled press on
    // to each superview as a new event with the same time, button and
    // screen point: that is the same press, not another click.
    bool travelling = false;
};

LastPress& lastPress()
{
    static LastPress press;
    return press;
}

CursorShape& cursorShapeShown()
{
    static CursorShape shape = CursorShape::Arrow;
    return shape;
}

Qt::CursorShape qtCursorOf(CursorShape shape)
{
    switch (shape) {
    case CursorShape::ResizeUpDown: return Qt::SizeVerCursor;
    case CursorShape::ResizeLeftRight: return Qt::SizeHorCursor;
    case CursorShape::PointingHand: return Qt::PointingHandCursor;
    case CursorShape::Arrow: break;
    }
    return Qt::ArrowCursor;
}

// A press within this many points of the last one can continue its clicks.
constexpr double clickSlop = 4.0;

}  // namespace

View::View(QWidget* parent) : View(QRectF(), parent) {}

View::View(const QRectF& frame, QWidget* parent) : QWidget(nullptr), m_frame(sanitized(frame))
{
    if (auto* superview = qobject_cast<View*>(parent)) {
        superview->addSubview(this);
    } else if (parent) {
        setParent(parent);
        setGeometry(qtGeometryOf(m_frame));
        show();
    } else {
        setGeometry(qtGeometryOf(m_frame));
    }
}

View::~View() = default;

// --- geometry -------------------------------------------------------------

double View::superviewHeight() const
{
    const QWidget* parent = parentWidget();
    return parent ? parent->height() : 0.0;
}

bool View::superviewIsFlipped() const
{
    const QWidget* parent = parentWidget();
    if (!parent) return true;  // a top-level view is placed as Qt places it
    const auto* superview = qobject_cast<const View*>(parent);
    return superview && superview->isFlipped();
}

QRect View::qtGeometryOf(const QRectF& frame) const
{
    const double top = superviewIsFlipped() ? frame.y() : superviewHeight() - frame.y() - frame.height();
    const int left = int(std::lround(frame.x()));
    const int right = int(std::lround(frame.x() + frame.width()));
    const int qtTop = int(std::lround(top));
    const int bottom = int(std::lround(top + frame.height()));
    return QRect(left, qtTop, std::max(0, right - left), std::max(0, bottom - qtTop));
}

void View::setFrame(const QRectF& frame)
{
    const QRectF old = m_frame;
    m_frame = sanitized(frame);
    applyFrame(old.size(), old.topLeft() != m_frame.topLeft());
}

void View::setFrameOrigin(const QPointF& origin)
{
    setFrame(QRectF(origin, m_frame.size()));
}

void View::setFrameSize(const QSizeF& size)
{
    setFrame(QRectF(m_frame.topLeft(), size));
}

void View::applyFrame(const QSizeF& oldSize, bool moved)
{
    const QRect oldGeometry = geometry();
    m_placing = true;
    setGeometry(qtGeometryOf(m_frame));
    m_placing = false;
    if (geometry() != oldGeometry) qtGeometryChanged(oldGeometry);
    const bool resized = oldSize != m_frame.size();
    // A non-flipped view's children hang from its bottom edge: a change of
    // height moves them in Qt's coordinates even when their frames stay.
    if (resized) {
        resizeSubviewsWithOldSize(oldSize);
        updateTrackingAreas();
    }
    if ((resized || moved) && m_postsFrameChanges)
        NotificationCenter::defaultCenter().postNotificationName(frameDidChangeNotification, this);
}

void View::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    placeSubviews(oldSize);
}

void View::placeSubviews(const QSizeF& oldSize)
{
    for (View* subview : subviews()) {
        const unsigned mask = subview->autoresizingMask();
        if (m_autoresizesSubviews && mask != ViewNotSizable)
            subview->setFrame(autoresizedFrame(subview->frame(), mask, oldSize, m_frame.size()));
        else
            subview->applyFrame(subview->frame().size(), false);
    }
}

QRectF View::autoresizedFrame(const QRectF& frame, unsigned mask, const QSizeF& oldSize, const QSizeF& newSize)
{
    double x = 0, width = 0, y = 0, height = 0;
    distribute(newSize.width() - oldSize.width(), mask & ViewMinXMargin, mask & ViewWidthSizable,
               mask & ViewMaxXMargin, frame.x(), frame.width(), oldSize.width() - frame.x() - frame.width(), x,
               width);
    distribute(newSize.height() - oldSize.height(), mask & ViewMinYMargin, mask & ViewHeightSizable,
               mask & ViewMaxYMargin, frame.y(), frame.height(), oldSize.height() - frame.y() - frame.height(), y,
               height);
    return QRectF(x, y, width, height);
}

void View::setFlipped(bool flipped)
{
    if (m_flipped == flipped) return;
    m_flipped = flipped;
    for (View* subview : subviews()) subview->applyFrame(subview->frame().size(), false);
    update();
}

void View::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_placing || isWindow()) {
        // A fractional frame is shown at whole pixels: only another size is
        // a resize by the window.
        if (isWindow() && !m_placing && size() != qtGeometryOf(m_frame).size()) {
            // A top-level view resized by its window: the size is the window's.
            const QSizeF old = m_frame.size();
            m_frame.setSize(size());
            resizeSubviewsWithOldSize(old);
            updateTrackingAreas();
            if (m_postsFrameChanges)
                NotificationCenter::defaultCenter().postNotificationName(frameDidChangeNotification, this);
        }
        return;
    }
    if (geometry() == qtGeometryOf(m_frame)) return;
    // Someone else (a layout, a window) sized the widget: the frame follows.
    const QSizeF old = m_frame.size();
    const double top = superviewIsFlipped() ? y() : superviewHeight() - y() - height();
    m_frame = QRectF(x(), top, width(), height());
    resizeSubviewsWithOldSize(old);
    updateTrackingAreas();
    if (m_postsFrameChanges)
        NotificationCenter::defaultCenter().postNotificationName(frameDidChangeNotification, this);
}

void View::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (m_placing || isWindow() || geometry() == qtGeometryOf(m_frame)) return;
    const double top = superviewIsFlipped() ? y() : superviewHeight() - y() - height();
    m_frame.moveTo(x(), top);
}

View* View::viewWithTag(int tag)
{
    if (m_tag == tag) return this;
    for (View* subview : subviews())
        if (View* found = subview->viewWithTag(tag)) return found;
    return nullptr;
}

// --- the tree -------------------------------------------------------------

View* View::superview() const
{
    return qobject_cast<View*>(parentWidget());
}

QList<View*> View::subviews() const
{
    QList<View*> views;
    const QObjectList& kids = children();
    views.reserve(kids.size());
    for (QObject* child : kids)
        if (auto* view = qobject_cast<View*>(child); view && !view->isWindow()) views.append(view);
    return views;
}

void View::addSubview(View* view)
{
    addSubview(view, Place::Above, nullptr);
}

void View::addSubview(View* view, Place place, View* relativeTo)
{
    if (!view || view == this || isDescendantOf(view)) return;
    const bool explicitlyHidden =
        view->testAttribute(Qt::WA_WState_ExplicitShowHide) && view->testAttribute(Qt::WA_WState_Hidden);
    if (view->parentWidget() != this) view->setParent(this);
    if (relativeTo && relativeTo->parentWidget() == this && relativeTo != view) {
        if (place == Place::Below) {
            view->stackUnder(relativeTo);
        } else {
            // Qt can only stack under: go under the sibling, then swap.
            view->stackUnder(relativeTo);
            relativeTo->stackUnder(view);
        }
    } else if (place == Place::Below) {
        const QList<View*> siblings = subviews();
        if (!siblings.isEmpty() && siblings.first() != view) view->stackUnder(siblings.first());
    } else if (children().constLast() != view) {
        // A view just taken in is on top already; raising it again would
        // look for it among all its siblings, and a pane adds hundreds.
        view->raise();
    }
    view->applyFrame(view->frame().size(), false);
    if (!explicitlyHidden) view->show();
}

void View::removeFromSuperview()
{
    if (!parentWidget()) return;
    hide();
    setParent(nullptr);
    // Hidden by being taken out, not by the caller: shown again when added.
    setAttribute(Qt::WA_WState_ExplicitShowHide, false);
}

void View::sortSubviews(const std::function<bool(View*, View*)>& less)
{
    QList<View*> views = subviews();
    std::stable_sort(views.begin(), views.end(), less);
    for (View* view : views) view->raise();
}

bool View::isDescendantOf(const View* view) const
{
    for (const QWidget* widget = this; widget; widget = widget->parentWidget())
        if (widget == view) return true;
    return false;
}

// --- drawing --------------------------------------------------------------

void View::setNeedsDisplay(bool needed)
{
    if (needed) update();
}

void View::setNeedsDisplayInRect(const QRectF& rect)
{
    update(toQt(rect).toAlignedRect());
}

void View::drawRect(QPainter&, const QRectF&) {}

void View::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!isFlipped()) {
        painter.translate(0, height());
        painter.scale(1, -1);
    }
    drawRect(painter, fromQt(QRectF(event->rect())));
    if (m_drawsFocusRing && hasFocus()) {
        const QRectF ring = focusRingRect().adjusted(1, 1, -1, -1);
        if (ring.isEmpty()) return;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRoundedRect(ring, 3, 3);
    }
}

QImage View::snapshot(qreal scale)
{
    QImage image(size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// --- coordinates ----------------------------------------------------------

QPointF View::toQt(const QPointF& point) const
{
    return isFlipped() ? point : QPointF(point.x(), height() - point.y());
}

QPointF View::fromQt(const QPointF& point) const
{
    return toQt(point);  // turning y is its own inverse
}

QRectF View::toQt(const QRectF& rect) const
{
    if (isFlipped()) return rect;
    return QRectF(rect.x(), height() - rect.y() - rect.height(), rect.width(), rect.height());
}

QRectF View::fromQt(const QRectF& rect) const
{
    return toQt(rect);
}

QPointF View::convertPointFromWindow(const QPointF& point) const
{
    const QWidget* top = window();
    const QPointF inTop(point.x(), top->height() - point.y());
    return fromQt(QPointF(mapFrom(top, inTop)) + (inTop - inTop.toPoint()));
}

QPointF View::convertPointToWindow(const QPointF& point) const
{
    const QWidget* top = window();
    const QPointF qt = toQt(point);
    const QPointF inTop = QPointF(mapTo(top, qt.toPoint())) + (qt - qt.toPoint());
    return QPointF(inTop.x(), top->height() - inTop.y());
}

QRectF View::convertRectToWindow(const QRectF& rect) const
{
    const QPointF a = convertPointToWindow(rect.topLeft());
    const QPointF b = convertPointToWindow(rect.bottomRight());
    return QRectF(a, b).normalized();
}

QRectF View::convertRectFromWindow(const QRectF& rect) const
{
    const QPointF a = convertPointFromWindow(rect.topLeft());
    const QPointF b = convertPointFromWindow(rect.bottomRight());
    return QRectF(a, b).normalized();
}

QPointF View::convertPoint(const QPointF& point, const View* fromView) const
{
    return convertPointFromWindow(fromView ? fromView->convertPointToWindow(point) : point);
}

QPointF View::convertPointToView(const QPointF& point, const View* toView) const
{
    const QPointF inWindow = convertPointToWindow(point);
    return toView ? toView->convertPointFromWindow(inWindow) : inWindow;
}

QRectF View::convertRect(const QRectF& rect, const View* fromView) const
{
    const QRectF inWindow = fromView ? fromView->convertRectToWindow(rect) : rect;
    return convertRectFromWindow(inWindow);
}

View* View::hitTest(const QPointF& pointInSuperview)
{
    // Hidden by the caller, not merely not shown yet (a root never shown).
    const bool hidden = testAttribute(Qt::WA_WState_Hidden) && testAttribute(Qt::WA_WState_ExplicitShowHide);
    if (hidden || !containsPoint(m_frame, pointInSuperview)) return nullptr;
    // A view the mouse passes through, with all it holds, as Qt delivers.
    if (testAttribute(Qt::WA_TransparentForMouseEvents)) return nullptr;
    // Into this view's coordinates: relative to the frame's origin, turned
    // when this view and its superview disagree on which way y runs.
    QPointF local = pointInSuperview - m_frame.topLeft();
    if (parentWidget() && isFlipped() != superviewIsFlipped()) local.setY(m_frame.height() - local.y());
    const QList<View*> views = subviews();
    for (auto it = views.crbegin(); it != views.crend(); ++it)
        if (View* hit = (*it)->hitTest(local)) return hit;
    return this;
}

// --- events ---------------------------------------------------------------

void View::mouseDown(const Event&) { passOn(); }
void View::mouseUp(const Event&) { passOn(); }
void View::mouseDragged(const Event&) { passOn(); }
void View::rightMouseDown(const Event& event)
{
    if (!showContextMenu(event)) passOn();
}
void View::rightMouseUp(const Event&) { passOn(); }
void View::rightMouseDragged(const Event&) { passOn(); }
void View::otherMouseDown(const Event&) { passOn(); }
void View::otherMouseUp(const Event&) { passOn(); }
void View::mouseMoved(const Event&) { passOn(); }
void View::scrollWheel(const Event&) { passOn(); }
void View::keyDown(const Event&) { passOn(); }
void View::keyUp(const Event&) { passOn(); }
void View::mouseEntered(const Event&) {}
void View::mouseExited(const Event&) {}
void View::cursorUpdate(const Event&) {}
void View::updateTrackingAreas() {}
bool View::showContextMenu(const Event&)
{
    return false;
}

int View::clickCountOfPress(double timestamp, Qt::MouseButton button, const QPointF& screenPoint)
{
    LastPress& last = lastPress();
    const double interval = QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
    const QPointF moved = screenPoint - last.point;
    const bool continues = button == last.button && timestamp >= last.timestamp &&
                           timestamp - last.timestamp <= interval && std::abs(moved.x()) <= clickSlop &&
                           std::abs(moved.y()) <= clickSlop;
    last.count = continues ? last.count + 1 : 1;
    last.timestamp = timestamp;
    last.button = button;
    last.point = screenPoint;
    return last.count;
}

void View::resetClickCount()
{
    lastPress() = LastPress();
}

Event View::eventFrom(QInputEvent* qtEvent, EventType type) const
{
    Event event;
    event.type = type;
    event.timestamp = qtEvent->timestamp() / 1000.0;
    event.window = window();
    QPointF local;
    bool located = false;
    if (auto* mouse = dynamic_cast<QSinglePointEvent*>(qtEvent)) {
        local = mouse->position();
        located = true;
    }
    if (located) {
        const QWidget* top = window();
        const QPointF inTop = QPointF(mapTo(top, local.toPoint())) + (local - local.toPoint());
        event.locationInWindow = QPointF(inTop.x(), top->height() - inTop.y());
        event.locationOnScreen = Screen::fromQt(QPointF(mapToGlobal(local.toPoint())) + (local - local.toPoint()));
    }
    if (auto* key = dynamic_cast<QKeyEvent*>(qtEvent)) {
        event.modifierFlags = EventTranslation::modifierFlagsOfKey(key->modifiers());
        event.keyCode = EventTranslation::keyCodeOf(key->key(), key->modifiers());
        event.charactersIgnoringModifiers =
            EventTranslation::charactersIgnoringModifiersOf(key->key(), key->text(), key->modifiers());
        event.characters = key->text().isEmpty() ? event.charactersIgnoringModifiers : key->text();
        if (event.characters == QStringLiteral("\b")) event.characters = QString(QChar(KeyCharacter::Delete));
        event.isARepeat = key->isAutoRepeat();
    } else {
        event.modifierFlags = EventTranslation::modifierFlagsOfMouse(qtEvent->modifiers());
    }
    if (auto* wheel = dynamic_cast<QWheelEvent*>(qtEvent)) {
        event.deltaX = wheel->angleDelta().x() / 120.0;
        event.deltaY = wheel->angleDelta().y() / 120.0;
        if (wheel->angleDelta().isNull() && !wheel->pixelDelta().isNull()) {
            event.deltaX = wheel->pixelDelta().x() / 10.0;
            event.deltaY = wheel->pixelDelta().y() / 10.0;
        }
        event.scrollingDeltaX = wheel->pixelDelta().x();
        event.scrollingDeltaY = wheel->pixelDelta().y();
        switch (wheel->phase()) {
        case Qt::ScrollBegin: event.phase = ScrollPhase::Began; break;
        case Qt::ScrollUpdate: event.phase = ScrollPhase::Changed; break;
        case Qt::ScrollMomentum: event.phase = ScrollPhase::Momentum; break;
        case Qt::ScrollEnd: event.phase = ScrollPhase::Ended; break;
        case Qt::NoScrollPhase: break;
        }
    }
    return event;
}

void View::dispatchMouse(QMouseEvent* qtEvent, bool press)
{
    m_passedOn = false;
    const bool control = qtEvent->modifiers().testFlag(Qt::ControlModifier);
    Qt::MouseButton button = qtEvent->button();
    if (press) {
        // A Control-press of the left button is a right click, to its release.
        m_controlClick = button == Qt::LeftButton && control;
        m_pressedButton = button;
    }
    if (m_controlClick && button == Qt::LeftButton) button = Qt::RightButton;

    EventType type;
    if (button == Qt::LeftButton)
        type = press ? EventType::LeftMouseDown : EventType::LeftMouseUp;
    else if (button == Qt::RightButton)
        type = press ? EventType::RightMouseDown : EventType::RightMouseUp;
    else
        type = press ? EventType::OtherMouseDown : EventType::OtherMouseUp;

    Event event = eventFrom(qtEvent, type);
    if (press) {
        LastPress& last = lastPress();
        const bool samePress = last.travelling && last.timestamp == event.timestamp && last.button == button
                               && last.point == event.locationOnScreen;
        event.clickCount = samePress ? last.count : clickCountOfPress(event.timestamp, button, event.locationOnScreen);
        lastPress().travelling = true;
        m_lastDragScreenPoint = event.locationOnScreen;
    } else {
        lastPress().travelling = false;
        event.clickCount = lastPress().count;
        if (button == m_pressedButton || m_controlClick) m_controlClick = false;
    }

    // A handler may destroy its own view (a close button's action): then
    // nothing of the view is read again, and the event counts as handled.
    const QPointer<View> alive(this);
    switch (type) {
    case EventType::LeftMouseDown: mouseDown(event); break;
    case EventType::LeftMouseUp: mouseUp(event); break;
    case EventType::RightMouseDown: rightMouseDown(event); break;
    case EventType::RightMouseUp: rightMouseUp(event); break;
    case EventType::OtherMouseDown: otherMouseDown(event); break;
    default: otherMouseUp(event); break;
    }
    if (!alive) return qtEvent->accept();
    if (m_passedOn) qtEvent->ignore();
    else qtEvent->accept();
}

void View::mousePressEvent(QMouseEvent* event)
{
    dispatchMouse(event, true);
}

void View::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt turns the second press into a double-click event; ours count clicks
    // themselves, so it is a press like any other.
    dispatchMouse(event, true);
}

void View::mouseReleaseEvent(QMouseEvent* event)
{
    dispatchMouse(event, false);
}

void View::mouseMoveEvent(QMouseEvent* qtEvent)
{
    m_passedOn = false;
    const QPointer<View> alive(this);
    const QPointF local = fromQt(qtEvent->position());
    if (!m_trackingRects.empty()) updateTracking(local, qtEvent);
    if (!alive) return qtEvent->accept();

    const Qt::MouseButtons buttons = qtEvent->buttons();
    if (buttons == Qt::NoButton) {
        Event event = eventFrom(qtEvent, EventType::MouseMoved);
        mouseMoved(event);
        // Moves always travel on, so that every view under the pointer keeps
        // its tracking rectangles current.
        qtEvent->ignore();
        return;
    }
    EventType type = EventType::OtherMouseDragged;
    if (buttons.testFlag(Qt::LeftButton)) type = m_controlClick ? EventType::RightMouseDragged : EventType::LeftMouseDragged;
    else if (buttons.testFlag(Qt::RightButton)) type = EventType::RightMouseDragged;
    Event event = eventFrom(qtEvent, type);
    event.deltaX = event.locationOnScreen.x() - m_lastDragScreenPoint.x();
    event.deltaY = event.locationOnScreen.y() - m_lastDragScreenPoint.y();
    m_lastDragScreenPoint = event.locationOnScreen;
    if (type == EventType::LeftMouseDragged) mouseDragged(event);
    else if (type == EventType::RightMouseDragged) rightMouseDragged(event);
    else passOn();
    if (!alive) return qtEvent->accept();
    if (m_passedOn) qtEvent->ignore();
    else qtEvent->accept();
}

void View::wheelEvent(QWheelEvent* qtEvent)
{
    m_passedOn = false;
    const QPointer<View> alive(this);
    scrollWheel(eventFrom(qtEvent, EventType::ScrollWheel));
    if (!alive) return qtEvent->accept();
    if (m_passedOn) qtEvent->ignore();
    else qtEvent->accept();
}

void View::swipeWithEvent(const Event&) { passOn(); }

bool View::event(QEvent* qtEvent)
{
    // Only platforms with a native swipe send one; X11 usually does not.
    if (qtEvent->type() != QEvent::NativeGesture) return QWidget::event(qtEvent);
    auto* gesture = static_cast<QNativeGestureEvent*>(qtEvent);
    if (gesture->gestureType() != Qt::SwipeNativeGesture) return QWidget::event(qtEvent);
    m_passedOn = false;
    const QPointer<View> alive(this);
    Event event = eventFrom(gesture, EventType::Swipe);
    const QPointF delta = gesture->delta();
    // Qt gives the swipe as an angle in value() where no delta is carried.
    const double angle = gesture->value();
    event.deltaX = delta.x() != 0 ? (delta.x() < 0 ? -1 : 1)
                   : std::abs(std::cos(qDegreesToRadians(angle))) > 0.5 ? (std::cos(qDegreesToRadians(angle)) < 0 ? -1 : 1)
                                                                        : 0;
    swipeWithEvent(event);
    if (!alive) return true;
    if (m_passedOn) {
        qtEvent->ignore();
        return false;
    }
    qtEvent->accept();
    return true;
}

void View::keyPressEvent(QKeyEvent* qtEvent)
{
    m_passedOn = false;
    const QPointer<View> alive(this);
    keyDown(eventFrom(qtEvent, EventType::KeyDown));
    if (!alive) return qtEvent->accept();
    if (m_passedOn) qtEvent->ignore();
    else qtEvent->accept();
}

void View::keyReleaseEvent(QKeyEvent* qtEvent)
{
    m_passedOn = false;
    const QPointer<View> alive(this);
    keyUp(eventFrom(qtEvent, EventType::KeyUp));
    if (!alive) return qtEvent->accept();
    if (m_passedOn) qtEvent->ignore();
    else qtEvent->accept();
}

// --- tracking -------------------------------------------------------------

int View::addTrackingRect(const QRectF& rect, int trackingNumber, unsigned options)
{
    const int identifier = m_nextTrackingIdentifier++;
    m_trackingRects.push_back({identifier, rect, trackingNumber, options, false});
    setMouseTracking(true);
    return identifier;
}

void View::removeTrackingRect(int identifier)
{
    std::erase_if(m_trackingRects, [identifier](const TrackingRect& r) { return r.identifier == identifier; });
    if (m_trackingRects.empty()) setMouseTracking(false);
}

void View::removeAllTrackingRects()
{
    m_trackingRects.clear();
    setMouseTracking(false);
}

bool View::isMouseInsideTrackingRect(int identifier) const
{
    for (const TrackingRect& r : m_trackingRects)
        if (r.identifier == identifier) return r.inside;
    return false;
}

void View::updateTracking(const QPointF& pointInView, QMouseEvent* qtEvent)
{
    // Handlers may add or remove rectangles: work on a copy of the
    // identifiers and look each one up again.
    std::vector<int> identifiers;
    identifiers.reserve(m_trackingRects.size());
    for (const TrackingRect& r : m_trackingRects) identifiers.push_back(r.identifier);
    QPointer<View> alive(this);
    for (int identifier : identifiers) {
        auto it = std::find_if(m_trackingRects.begin(), m_trackingRects.end(),
                               [identifier](const TrackingRect& r) { return r.identifier == identifier; });
        if (it == m_trackingRects.end()) continue;
        const bool inside = containsPoint(it->rect, pointInView);
        const bool was = it->inside;
        it->inside = inside;
        const int number = it->trackingNumber;
        const unsigned options = it->options;
        if (inside != was && (options & TrackMouseEnteredAndExited)) {
            Event event = eventFrom(qtEvent, inside ? EventType::MouseEntered : EventType::MouseExited);
            event.trackingNumber = number;
            inside ? mouseEntered(event) : mouseExited(event);
            if (!alive) return;
        }
        if (inside && (options & TrackCursorUpdate)) {
            Event event = eventFrom(qtEvent, EventType::CursorUpdate);
            event.trackingNumber = number;
            cursorUpdate(event);
            if (!alive) return;
        }
    }
}

void View::exitAllTrackingRects(const Event& base)
{
    QPointer<View> alive(this);
    for (size_t i = 0; i < m_trackingRects.size(); ++i) {
        TrackingRect& r = m_trackingRects[i];
        if (!r.inside) continue;
        r.inside = false;
        if (!(r.options & TrackMouseEnteredAndExited)) continue;
        Event event = base;
        event.type = EventType::MouseExited;
        event.trackingNumber = r.trackingNumber;
        mouseExited(event);
        if (!alive) return;
    }
}

void View::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    Event exit;
    exit.type = EventType::MouseExited;
    exit.window = window();
    exitAllTrackingRects(exit);
}

// --- focus and cursors ----------------------------------------------------

void View::setAcceptsFirstResponder(bool accepts)
{
    setFocusPolicy(accepts ? Qt::StrongFocus : Qt::NoFocus);
}

bool View::acceptsFirstResponder() const
{
    return focusPolicy() != Qt::NoFocus;
}

bool View::becomeFirstResponder()
{
    if (!acceptsFirstResponder()) return false;
    setFocus(Qt::OtherFocusReason);
    return true;
}

void View::makeTabStop()
{
    setFocusPolicy(Qt::TabFocus);
    m_drawsFocusRing = true;
}

void View::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (!m_drawsFocusRing) return;
    if (event->reason() != Qt::ActiveWindowFocusReason || m_tabbedTo) {
        m_tabbedTo = true;
        return;
    }
    // A window that becomes active with nothing focused gives the keyboard
    // to the first view Tab reaches; a Tab stop passes it on to the first
    // field to type into, as before there were Tab stops, or lets it go.
    QWidget* top = window();
    for (QWidget* widget = top->nextInFocusChain(); widget && widget != top; widget = widget->nextInFocusChain()) {
        if ((widget->focusPolicy() & Qt::StrongFocus) == Qt::StrongFocus && !widget->focusProxy() &&
            widget->isVisibleTo(top) && widget->isEnabled() && top->isAncestorOf(widget)) {
            widget->setFocus(Qt::ActiveWindowFocusReason);
            return;
        }
    }
    clearFocus();
}

void View::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // The window going inactive keeps the stop for its return.
    if (event->reason() != Qt::ActiveWindowFocusReason) m_tabbedTo = false;
}

void View::orderFocusChainByPosition(QWidget* root)
{
    if (!root) return;
    struct Stop {
        QWidget* widget;
        QRect place;  // in the root's coordinates
    };
    std::vector<Stop> stops;
    // Depth first from the root; a widget that takes the keyboard stands
    // for everything inside it.
    std::vector<QWidget*> pending{root};
    while (!pending.empty()) {
        QWidget* widget = pending.back();
        pending.pop_back();
        const QObjectList& children = widget->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            auto* child = qobject_cast<QWidget*>(*it);
            if (!child || child->isWindow()) continue;
            if ((child->focusPolicy() & Qt::TabFocus) && !child->focusProxy())
                stops.push_back({child, QRect(child->mapTo(root, QPoint(0, 0)), child->size())});
            else
                pending.push_back(child);
        }
    }
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        return a.place.top() != b.place.top() ? a.place.top() < b.place.top() : a.place.left() < b.place.left();
    });
    // Lines: a stop whose middle lies within the first stop of the line is
    // on it (a field set a point or two higher than the box beside it).
    std::vector<Stop> ordered;
    ordered.reserve(stops.size());
    for (size_t first = 0; first < stops.size();) {
        const QRect& lead = stops[first].place;
        size_t end = first + 1;
        while (end < stops.size() && stops[end].place.center().y() <= lead.bottom()) ++end;
        std::stable_sort(stops.begin() + std::ptrdiff_t(first), stops.begin() + std::ptrdiff_t(end),
                         [](const Stop& a, const Stop& b) { return a.place.left() < b.place.left(); });
        ordered.insert(ordered.end(), stops.begin() + std::ptrdiff_t(first), stops.begin() + std::ptrdiff_t(end));
        first = end;
    }
    for (size_t i = 1; i < ordered.size(); ++i) QWidget::setTabOrder(ordered[i - 1].widget, ordered[i].widget);
}

void View::setCursorShape(CursorShape shape)
{
    cursorShapeShown() = shape;
    setCursor(qtCursorOf(shape));
}

CursorShape View::currentCursorShape()
{
    return cursorShapeShown();
}

// --- upright painting -----------------------------------------------------

UprightPainting::UprightPainting(QPainter& painter, const QRectF& rect) : m_painter(painter), m_rect(rect)
{
    m_painter.save();
    if (m_painter.worldTransform().m22() < 0) {
        m_painter.translate(0, rect.y() + rect.height());
        m_painter.scale(1, -1);
        m_rect = QRectF(rect.x(), 0, rect.width(), rect.height());
    }
}

UprightPainting::~UprightPainting()
{
    m_painter.restore();
}
