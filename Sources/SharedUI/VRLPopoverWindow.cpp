#include "VRLPopoverWindow.h"

#include <QDebug>

#include <cmath>

namespace {

// A length that is not a number would spread through every edge of the
// bubble: it is refused. A negative one would turn the bubble inside out.
bool usableLength(double& value, const char* what)
{
    if (!std::isfinite(value)) {
        qWarning() << "The popover ignores a" << what << "that is not a number";
        return false;
    }
    if (value < 0) {
        qWarning() << "The popover takes a negative" << what << "as 0";
        value = 0;
    }
    return true;
}

}  // namespace

VRLPopoverWindow::VRLPopoverWindow(const QRectF& contentRect) : Window(contentRect, BorderlessWindowMask)
{
    setOpaque(false);
    setAlphaValue(1.0);
    m_frameView = new VRLPopoverWindowFrame(QRectF());
    setContentView(m_frameView);
}

VRLPopoverWindow::~VRLPopoverWindow()
{
    // The hosted view is its maker's: set it free before the frame view
    // deletes its subviews.
    if (m_popoverContentView) m_popoverContentView->removeFromSuperview();
}

void VRLPopoverWindow::setPopoverContentView(View* view)
{
    if (view == m_popoverContentView) return;
    if (m_popoverContentView) m_popoverContentView->removeFromSuperview();
    m_popoverContentView = view;
    if (!view) return;
    const QRectF frame = frameRectForContentRect(QRectF(QPointF(0, 0), view->frame().size()));
    setFrame(QRectF(this->frame().topLeft(), frame.size()), false);
    view->setAutoresizingMask(ViewNotSizable);
    m_frameView->addSubview(view);
    placeContentView();
}

void VRLPopoverWindow::setPopoverContentSize(const QSizeF& size)
{
    const QRectF frame = frameRectForContentRect(QRectF(QPointF(0, 0), size));
    setPopoverFrame(QRectF(this->frame().topLeft(), frame.size()), false);
}

void VRLPopoverWindow::setPopoverFrame(const QRectF& frame, bool display)
{
    setFrame(frame, display);
    placeContentView();
}

void VRLPopoverWindow::placeContentView()
{
    if (m_popoverContentView)
        m_popoverContentView->setFrame(contentRectForFrameRect(QRectF(QPointF(0, 0), frame().size())));
}

void VRLPopoverWindow::setPopoverPosition(int position)
{
    if (position == popoverPosition()) return;
    if (!VRLPopoverWindowFrame::isKnownPosition(position))
        qWarning() << "The popover has no position" << position << "and attaches at (0, 0)";

    const QRectF oldFrame = frame();
    const QPointF oldAttachment = m_frameView->attachmentPointForRect(QRectF(QPointF(0, 0), oldFrame.size()));
    const double d = arrowHeight() + distance();
    QSizeF size = oldFrame.size();
    if (VRLPopoverWindowFrame::isHorizontalArrow(popoverPosition())) size.rwidth() -= d;
    else size.rheight() -= d;
    m_frameView->setPopoverPosition(position);
    if (VRLPopoverWindowFrame::isHorizontalArrow(position)) size.rwidth() += d;
    else size.rheight() += d;
    const QPointF newAttachment = m_frameView->attachmentPointForRect(QRectF(QPointF(0, 0), size));

    // A shown popover stays mapped while it takes its new frame: hiding and
    // showing it again lets a window manager hand it the keyboard (or take
    // the keyboard from it) and restack it, and the new frame is drawn once
    // as updates resume.
    const bool wasVisible = isVisible();
    if (wasVisible) setUpdatesSuspended(true);
    const QPointF origin = oldFrame.topLeft() + (oldAttachment - newAttachment);
    m_frameView->setNeedsDisplay();
    setPopoverFrame(QRectF(origin, size), true);
    if (wasVisible) setUpdatesSuspended(false);
}

void VRLPopoverWindow::changeLength(double oldValue, double newValue, Band band,
                                    void (VRLPopoverWindowFrame::*store)(double))
{
    const double delta = newValue - oldValue;
    if (delta == 0) return;
    QRectF frame = this->frame();
    const VRLPopoverWindowFrame::Edge edge = VRLPopoverWindowFrame::arrowEdge(popoverPosition());
    if (band == Band::Arrow) {
        // The band beside the arrow grows; the arrow's edge stays.
        switch (edge) {
        case VRLPopoverWindowFrame::Edge::Right: frame.adjust(-delta, 0, 0, 0); break;
        case VRLPopoverWindowFrame::Edge::Top: frame.adjust(0, -delta, 0, 0); break;
        case VRLPopoverWindowFrame::Edge::Left: frame.setWidth(frame.width() + delta); break;
        case VRLPopoverWindowFrame::Edge::Bottom: frame.setHeight(frame.height() + delta); break;
        }
    } else {
        // Every side grows, then the frame shifts back toward the arrow.
        frame.adjust(-delta, -delta, delta, delta);
        switch (edge) {
        case VRLPopoverWindowFrame::Edge::Right: frame.translate(-delta, 0); break;
        case VRLPopoverWindowFrame::Edge::Top: frame.translate(0, -delta); break;
        case VRLPopoverWindowFrame::Edge::Left: frame.translate(delta, 0); break;
        case VRLPopoverWindowFrame::Edge::Bottom: frame.translate(0, delta); break;
        }
    }
    (m_frameView->*store)(newValue);
    m_frameView->setNeedsDisplay();
    setPopoverFrame(frame, true);
}

void VRLPopoverWindow::setDistance(double value)
{
    if (!usableLength(value, "distance")) return;
    changeLength(distance(), value, Band::Arrow, &VRLPopoverWindowFrame::setDistance);
}

void VRLPopoverWindow::setArrowHeight(double value)
{
    if (!usableLength(value, "arrow height")) return;
    changeLength(arrowHeight(), value, Band::Arrow, &VRLPopoverWindowFrame::setArrowHeight);
}

void VRLPopoverWindow::setBorderWidth(double value)
{
    if (!usableLength(value, "border width")) return;
    changeLength(borderWidth(), value, Band::AllRound, &VRLPopoverWindowFrame::setBorderWidth);
}

void VRLPopoverWindow::setViewMargin(double value)
{
    if (!usableLength(value, "view margin")) return;
    changeLength(viewMargin(), value, Band::AllRound, &VRLPopoverWindowFrame::setViewMargin);
}

void VRLPopoverWindow::setBorderColor(const QColor& color)
{
    m_frameView->setBorderColor(color);
    m_frameView->setNeedsDisplay();
}

void VRLPopoverWindow::setCornerRadius(double radius)
{
    if (!usableLength(radius, "corner radius")) return;
    m_frameView->setCornerRadius(radius);
    m_frameView->setNeedsDisplay();
}

void VRLPopoverWindow::setDrawsArrow(bool draws)
{
    m_frameView->setDrawsArrow(draws);
    m_frameView->setNeedsDisplay();
}

void VRLPopoverWindow::setArrowWidth(double width)
{
    if (!usableLength(width, "arrow width")) return;
    m_frameView->setArrowWidth(width);
    m_frameView->setNeedsDisplay();
}

void VRLPopoverWindow::setDrawRoundCornerBesideArrow(bool draws)
{
    m_frameView->setDrawRoundCornerBesideArrow(draws);
    m_frameView->setNeedsDisplay();
}

void VRLPopoverWindow::setPopoverBackgroundColor(const QColor& color)
{
    m_frameView->setBackgroundColor(color);
    m_frameView->setNeedsDisplay();
}
