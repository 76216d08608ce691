#pragma once

#include "View.h"

// A list page that grows and shrinks from its lowest points: the task pane
// and the notes page. A press in the strip at the bottom starts the move, each
// drag sets the page's height between two bounds, and the strip shows the
// up-down cursor while the page offers it.
class BottomGripPage : public View {
public:
    static constexpr double gripHeight = 5;

    using View::View;

    // The strip at the bottom of the page.
    QRectF trackRect() const;
    bool isMoving() const { return m_isMoving; }

    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void cursorUpdate(const Event& event) override;
    void updateTrackingAreas() override;

    // Strips over the first and last rows the list shows, where a popover
    // for an item at the list's edge points. They only mark a place: every
    // click goes through them to the row.
    View* topItemTemp() const { return m_topItemTemp; }
    View* bottomItemTemp() const { return m_bottomItemTemp; }

protected:
    // Adds the strips; they have no size until placed.
    void addItemMarkers();
    // Lays the strips over the list's first and last rows.
    void placeItemMarkers(const QRectF& listFrame, double rowHeight);
    // Whether the strip takes presses and shows its cursor now.
    virtual bool offersGrip() const { return true; }
    // The tracking options of the strip.
    virtual unsigned gripTrackingOptions() const;
    // The page's border.
    void drawBorder(QPainter& painter) const;

private:
    View* m_topItemTemp = nullptr;
    View* m_bottomItemTemp = nullptr;
    int m_trackingArea = -1;
    bool m_isMoving = false;
    double m_minY = 31;
    double m_maxY = 600;
};
