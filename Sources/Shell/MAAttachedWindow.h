#pragma once

#include "AttachedWindowShape.h"
#include "Window.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <utility>

class View;

// A borderless, transparent window carrying one view and hanging beside a
// point: a point on the screen, or one in the window coordinates of a parent
// window. It shows a bubble round the view, with an arrow on one edge whose
// tip points at the point. The bubble is drawn once into the window's
// background picture, not made of views; AttachedWindowShape computes it.
//
// The hosted view becomes a subview of the window's content view at the view
// frame, but it stays its maker's: the window sets it free when destroyed.
class MAAttachedWindow : public Window {
    Q_OBJECT

public:
    // Null when there is no view. `window` (may be null) is the window in
    // whose coordinates `point` is given; null means screen coordinates.
    // Side 12 (automatic) is resolved here, once.
    static std::unique_ptr<MAAttachedWindow> initWithView(View* view, const QPointF& point, Window* window, int side,
                                                          double distance);
    ~MAAttachedWindow() override;

    View* view() const { return m_view; }
    Window* attachedToWindow() const { return m_window; }
    QPointF point() const { return m_point; }
    int side() const { return m_params.side; }
    double distance() const { return m_params.distance; }
    // Where the view lies in the window (window coordinates, y up).
    QRectF viewFrame() const { return m_viewFrame; }
    // Everything the shape is computed from, as it stands now.
    AttachedWindowParameters parameters() const;

    // Stores both and places the window again. The side is used as given.
    void setPoint(const QPointF& point, int side);
    // The part of the screen the window stays in (our screen coordinates;
    // empty: anywhere), kept through every later placing.
    QRectF screenArea() const { return m_params.screenArea; }
    void setScreenArea(const QRectF& area);

    QColor backgroundColor() const { return m_params.backgroundColor; }
    void setBackgroundColor(const QColor& color);
    QColor borderColor() const { return m_params.borderColor; }
    void setBorderColor(const QColor& color);
    double borderWidth() const { return m_params.borderWidth; }
    void setBorderWidth(double width);
    double viewMargin() const { return m_params.viewMargin; }
    void setViewMargin(double margin);
    double arrowBaseWidth() const { return m_params.arrowBaseWidth; }
    void setArrowBaseWidth(double width);
    double arrowHeight() const { return m_params.arrowHeight; }
    void setArrowHeight(double height);
    bool hasArrow() const { return m_params.hasArrow; }
    void setHasArrow(bool hasArrow);
    double cornerRadius() const { return m_params.cornerRadius; }
    void setCornerRadius(double radius);
    bool drawsRoundCornerBesideArrow() const { return m_params.drawsRoundCornerBesideArrow; }
    void setDrawsRoundCornerBesideArrow(bool draws);

    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return false; }

    // Places the window again from the view's current size and redraws the
    // bubble. A redisplay asked for while one runs (the resize it causes
    // comes back here) does nothing.
    void redisplay();
    bool isResizing() const { return m_resizing; }

    // The setters called between these draw the bubble once, at the end,
    // instead of once each. They nest.
    void beginChanges();
    void endChanges();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    MAAttachedWindow(View* view, const QPointF& point, Window* window, int side, double distance);

    QPointF pointOnScreen() const;
    void updateGeometry();
    void updateBackground();

    QPointer<View> m_view;
    QPointer<Window> m_window;
    QPointF m_point;
    AttachedWindowParameters m_params;
    QRectF m_viewFrame;
    QSizeF m_frameSize;
    bool m_resizing = false;
    bool m_made = false;
    int m_changeDepth = 0;
    bool m_backgroundStale = false;
    // What the bubble was last drawn from: drawn again only when it differs.
    std::optional<std::pair<AttachedWindowParameters, AttachedWindowGeometry>> m_drawnFrom;
};
