#include "MAAttachedWindow.h"

#include "Screen.h"
#include "View.h"

#include <QDebug>

#include <cmath>

namespace {

// A length that is not a number would spread through every edge of the
// bubble: such a setting is refused and the old value kept.
bool usable(double value, const char* what)
{
    if (std::isfinite(value)) return true;
    qWarning() << "The arrow window ignores a" << what << "that is not a number";
    return false;
}

// The window's own fractions of a point: a scale that is not a positive
// number counts as 1.
double screenScale()
{
    const double scale = Screen::mainScale();
    return std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

bool sameLook(const AttachedWindowParameters& a, const AttachedWindowParameters& b)
{
    return a.viewSize == b.viewSize && a.point == b.point && a.side == b.side && a.distance == b.distance
           && a.scale == b.scale && a.backgroundColor == b.backgroundColor && a.borderColor == b.borderColor
           && a.borderWidth == b.borderWidth && a.viewMargin == b.viewMargin && a.arrowBaseWidth == b.arrowBaseWidth
           && a.arrowHeight == b.arrowHeight && a.cornerRadius == b.cornerRadius && a.hasArrow == b.hasArrow
           && a.drawsRoundCornerBesideArrow == b.drawsRoundCornerBesideArrow && a.screenArea == b.screenArea;
}

// Holds a shown window's painting while a series of changes is made. A
// hidden window paints nothing, and holding it would only walk its whole
// tree of views twice (the main window's list holds thousands of rows).
class HeldUpdates {
public:
    explicit HeldUpdates(Window* window) : m_window(window->isVisible() ? window : nullptr)
    {
        if (m_window) m_window->setUpdatesSuspended(true);
    }
    ~HeldUpdates()
    {
        if (m_window) m_window->setUpdatesSuspended(false);
    }
    HeldUpdates(const HeldUpdates&) = delete;
    HeldUpdates& operator=(const HeldUpdates&) = delete;

private:
    Window* m_window;
};

}  // namespace

std::unique_ptr<MAAttachedWindow> MAAttachedWindow::initWithView(View* view, const QPointF& point, Window* window,
                                                                 int side, double distance)
{
    if (!view) return nullptr;
    return std::unique_ptr<MAAttachedWindow>(new MAAttachedWindow(view, point, window, side, distance));
}

MAAttachedWindow::MAAttachedWindow(View* view, const QPointF& point, Window* window, int side, double distance)
    : Window(QRectF(QPointF(0, 0), view->frame().size()), BorderlessWindowMask), m_view(view), m_window(window),
      m_point(point)
{
    setOpaque(false);
    setAlphaValue(1.0);
    m_params.distance = std::isfinite(distance) ? distance : 0.0;
    m_viewFrame = QRectF(QPointF(m_params.viewMargin, m_params.viewMargin), view->frame().size());

    if (side == AttachedAutomatic) {
        AttachedWindowParameters p = parameters();
        const QRectF screenArea = Screen::mainVisibleFrame();
        const QRectF parentArea = m_window ? m_window->frame() : screenArea;
        side = AttachedWindowShape::automaticSide(p, screenArea, parentArea);
    } else if (!AttachedWindowShape::isKnownSide(side)) {
        qWarning() << "The arrow window has no side" << side << "and hangs below its point";
        side = AttachedBelow;
    }
    m_params.side = side;

    contentView()->addSubview(view);
    view->show();
    updateGeometry();
    updateBackground();
    m_made = true;
}

MAAttachedWindow::~MAAttachedWindow()
{
    // The view is its maker's (the main view outlives its window): set it
    // free instead of deleting it with the content view.
    if (m_view && m_view->parentWidget() == contentView()) m_view->setParent(nullptr);
}

AttachedWindowParameters MAAttachedWindow::parameters() const
{
    AttachedWindowParameters p = m_params;
    p.viewSize = m_view ? m_view->frame().size() : m_viewFrame.size();
    p.point = pointOnScreen();
    p.scale = screenScale();
    return p;
}

QPointF MAAttachedWindow::pointOnScreen() const
{
    if (!m_window) return m_point;
    const QRectF parentFrame = m_window->frame();
    return QPointF(parentFrame.x() + m_point.x(), parentFrame.y() + m_point.y());
}

void MAAttachedWindow::setPoint(const QPointF& point, int side)
{
    if (!std::isfinite(point.x()) || !std::isfinite(point.y())) {
        qWarning() << "The arrow window ignores a point that is not a number";
        return;
    }
    if (!AttachedWindowShape::isKnownSide(side)) {
        qWarning() << "The arrow window has no side" << side << "and hangs below its point";
        side = AttachedBelow;
    }
    m_point = point;
    m_params.side = side;
    const HeldUpdates held(this);
    updateGeometry();
    updateBackground();
}

void MAAttachedWindow::setScreenArea(const QRectF& area)
{
    if (area == m_params.screenArea) return;
    if (!std::isfinite(area.x()) || !std::isfinite(area.y()) || !std::isfinite(area.width()) ||
        !std::isfinite(area.height())) {
        qWarning() << "The arrow window ignores a screen area that is not a number";
        return;
    }
    m_params.screenArea = area;
    redisplay();
}

void MAAttachedWindow::setBackgroundColor(const QColor& color)
{
    if (color == m_params.backgroundColor) return;
    m_params.backgroundColor = color;
    updateBackground();
}

void MAAttachedWindow::setBorderColor(const QColor& color)
{
    if (color == m_params.borderColor) return;
    m_params.borderColor = color;
    updateBackground();
}

void MAAttachedWindow::setBorderWidth(double width)
{
    if (width == m_params.borderWidth || !usable(width, "border width")) return;
    m_params.borderWidth = AttachedWindowShape::clampedBorderWidth(width, m_params.viewMargin);
    updateBackground();
}

void MAAttachedWindow::setViewMargin(double margin)
{
    if (margin == m_params.viewMargin || !usable(margin, "view margin")) return;
    m_params.viewMargin = AttachedWindowShape::clampedViewMargin(margin);
    // The outline lies inside the margin, whichever was set last.
    m_params.borderWidth = AttachedWindowShape::clampedBorderWidth(m_params.borderWidth, m_params.viewMargin);
    setCornerRadius(m_params.cornerRadius);
}

void MAAttachedWindow::setCornerRadius(double radius)
{
    if (!usable(radius, "corner radius")) return;
    m_params.cornerRadius = AttachedWindowShape::clampedCornerRadius(radius, m_viewFrame.size(), m_params.viewMargin,
                                                                     m_params.arrowBaseWidth);
    setArrowBaseWidth(m_params.arrowBaseWidth);
}

void MAAttachedWindow::setArrowBaseWidth(double width)
{
    if (!usable(width, "arrow width")) return;
    m_params.arrowBaseWidth = AttachedWindowShape::clampedArrowBaseWidth(
        width, m_viewFrame.size(), m_params.viewMargin, m_params.cornerRadius, m_params.drawsRoundCornerBesideArrow);
    redisplay();
}

void MAAttachedWindow::setArrowHeight(double height)
{
    if (height == m_params.arrowHeight || !usable(height, "arrow height")) return;
    m_params.arrowHeight = height;
    redisplay();
}

void MAAttachedWindow::setHasArrow(bool hasArrow)
{
    if (hasArrow == m_params.hasArrow) return;
    m_params.hasArrow = hasArrow;
    updateBackground();
}

void MAAttachedWindow::setDrawsRoundCornerBesideArrow(bool draws)
{
    if (draws == m_params.drawsRoundCornerBesideArrow) return;
    m_params.drawsRoundCornerBesideArrow = draws;
    redisplay();
}

void MAAttachedWindow::redisplay()
{
    if (m_resizing) return;
    m_resizing = true;
    {
        const HeldUpdates held(this);
        updateGeometry();
        updateBackground();
    }
    m_resizing = false;
}

void MAAttachedWindow::resizeEvent(QResizeEvent* event)
{
    Window::resizeEvent(event);
    // Whoever resized the window, it goes back to what its point, side and
    // view make of it.
    if (m_made) redisplay();
}

void MAAttachedWindow::updateGeometry()
{
    const AttachedWindowGeometry g = AttachedWindowShape::geometry(parameters());
    m_viewFrame = g.viewFrame;
    m_frameSize = g.frame.size();
    setFrame(g.frame, false);
    if (m_view) m_view->setFrame(m_viewFrame);
}

void MAAttachedWindow::beginChanges()
{
    ++m_changeDepth;
}

void MAAttachedWindow::endChanges()
{
    if (m_changeDepth == 0 || --m_changeDepth > 0 || !m_backgroundStale) return;
    updateBackground();
}

void MAAttachedWindow::updateBackground()
{
    if (m_changeDepth > 0) {
        m_backgroundStale = true;
        return;
    }
    m_backgroundStale = false;
    // The picture fits the frame the window was last given.
    const AttachedWindowGeometry g{QRectF(frame().topLeft(), m_frameSize), m_viewFrame};
    const AttachedWindowParameters p = parameters();
    if (m_drawnFrom && sameLook(m_drawnFrom->first, p) && m_drawnFrom->second.frame == g.frame
        && m_drawnFrom->second.viewFrame == g.viewFrame)
        return;
    m_drawnFrom.emplace(p, g);
    const HeldUpdates held(this);
    setBackgroundImage(AttachedWindowShape::backgroundImage(p, g));
}
