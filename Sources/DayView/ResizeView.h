#pragma once

#include "View.h"

#include <QPointer>

// What a pane that stacks its parts around a resize handle does with the
// handle's moves: lays the parts out again after the handle's y changed by
// delta (positive downwards in a flipped container).
class PaneResizing {
public:
    virtual ~PaneResizing();
    virtual void rearrangeViewWithDelta(double delta) = 0;
};

// The thin bar under a resizable pane. A press in its middle 50 points
// starts a drag; the bar then follows the pointer up and down between minY
// and maxY (its origin's y in the superview) and tells its parent view how
// far it moved. It only moves itself: a parent that is not a PaneResizing
// pane leaves everything else as it was.
class ResizeView : public View {
    Q_OBJECT

public:
    static constexpr double gripWidth = 50;

    explicit ResizeView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~ResizeView() override;

    View* parentView() const { return m_parentView; }
    void setParentView(View* parent) { m_parentView = parent; }
    double minY() const { return m_minY; }
    void setMinY(double y) { m_minY = y; }
    double maxY() const { return m_maxY; }
    void setMaxY(double y) { m_maxY = y; }
    bool isMoving() const { return m_isMoving; }

    // The grip in the middle of the bar.
    QRectF rectForResize() const;
    // Where a drag by dy (positive downwards) takes the bar from y: clamped
    // to minY from below, then to maxY from above. The owner keeps
    // minY <= maxY; the other way round always gives maxY.
    static double clampedY(double y, double dy, double minY, double maxY);

    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void cursorUpdate(const Event& event) override;
    void updateTrackingAreas() override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    QPointer<View> m_parentView;
    double m_minY = 0;
    double m_maxY = 0;
    bool m_isMoving = false;
    int m_trackingArea = 0;
};
