#pragma once

#include "VRLPopoverWindowFrame.h"
#include "Window.h"

#include <QPointer>

// The popover's borderless, transparent window. Its real content view is the
// frame view that draws the bubble; the hosted view lies inside it at the
// content rectangle. The hosted view stays its maker's: the window sets it
// free when it is replaced or when the window goes.
//
// The size settings keep the window's geometry consistent: a change of the
// position keeps the attachment point where it was on screen, and a change of
// a length keeps the edge on the arrow's side where it was.
class VRLPopoverWindow : public Window {
    Q_OBJECT

public:
    explicit VRLPopoverWindow(const QRectF& contentRect = QRectF(0, 0, 100, 100));
    ~VRLPopoverWindow() override;

    VRLPopoverWindowFrame* popoverWindowFrame() const { return m_frameView; }
    // The hosted view (not the frame view Window::contentView answers).
    View* popoverContentView() const { return m_popoverContentView; }
    // Sizes the window round the view and places it inside the bubble. The
    // previous view is taken out and set free.
    void setPopoverContentView(View* view);
    // Sizes the window round content of that size; the origin stays.
    void setPopoverContentSize(const QSizeF& size);
    // Sets the frame (our screen coordinates) and places the hosted view at
    // its content rectangle.
    void setPopoverFrame(const QRectF& frame, bool display = true);

    QRectF frameRectForContentRect(const QRectF& content) const { return m_frameView->frameRectForContentRect(content); }
    QRectF contentRectForFrameRect(const QRectF& frame) const { return m_frameView->contentRectForFrameRect(frame); }

    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return false; }

    // Settings that change the frame. Lengths that are not numbers are
    // refused and negative ones count as 0 (logged).
    int popoverPosition() const { return m_frameView->popoverPosition(); }
    void setPopoverPosition(int position);
    double distance() const { return m_frameView->distance(); }
    void setDistance(double distance);
    double arrowHeight() const { return m_frameView->arrowHeight(); }
    void setArrowHeight(double height);
    double borderWidth() const { return m_frameView->borderWidth(); }
    void setBorderWidth(double width);
    double viewMargin() const { return m_frameView->viewMargin(); }
    void setViewMargin(double margin);

    // Settings that only redraw.
    QColor borderColor() const { return m_frameView->borderColor(); }
    void setBorderColor(const QColor& color);
    double cornerRadius() const { return m_frameView->cornerRadius(); }
    void setCornerRadius(double radius);
    bool drawsArrow() const { return m_frameView->drawsArrow(); }
    void setDrawsArrow(bool draws);
    double arrowWidth() const { return m_frameView->arrowWidth(); }
    void setArrowWidth(double width);
    bool drawRoundCornerBesideArrow() const { return m_frameView->drawRoundCornerBesideArrow(); }
    void setDrawRoundCornerBesideArrow(bool draws);
    QColor popoverBackgroundColor() const { return m_frameView->backgroundColor(); }
    void setPopoverBackgroundColor(const QColor& color);
    bool isMovable() const { return m_frameView->isMovable(); }
    void setMovable(bool movable) { m_frameView->setMovable(movable); }
    bool isResizable() const { return m_frameView->isResizable(); }
    void setResizable(bool resizable) { m_frameView->setResizable(resizable); }

private:
    enum class Band { Arrow, AllRound };
    // Stores a length through the setter and moves the frame so that the
    // edge on the arrow's side stays put.
    void changeLength(double oldValue, double newValue, Band band, void (VRLPopoverWindowFrame::*store)(double));
    void placeContentView();

    VRLPopoverWindowFrame* m_frameView = nullptr;
    QPointer<View> m_popoverContentView;
};
