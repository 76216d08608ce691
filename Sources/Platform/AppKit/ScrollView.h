#pragma once

#include "View.h"

class QScrollBar;

// A view that shows part of a taller document view through a clip view, with
// a vertical scroller at its right edge. Only vertical scrolling exists: the
// document's x stays 0; a document whose autoresizing mask makes its width
// flexible is kept as wide as the clip, any other keeps its own width.
//
// Scroll positions are counted from the document's top whichever way its y
// runs: a document shorter than the clip stays at the top, flipped or not.
class ScrollView : public View {
    Q_OBJECT

public:
    // Posted (object: the scroll view) when the document's visible rectangle
    // changes: a scroll, a new clip size, a new document.
    static const QString boundsDidChangeNotification;

    // The scroller's width, the one figure views use to compute their width.
    static constexpr double scrollerWidth = 15;
    // Points scrolled by one notch of a mouse wheel.
    static constexpr double pointsPerWheelNotch = 40;
    // A drag within this many points of the top or bottom edge of the visible
    // area (or beyond it) scrolls toward that edge by one step.
    static constexpr double autoscrollBand = 20;
    static constexpr double autoscrollStep = 12;

    explicit ScrollView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~ScrollView() override;

    // The view takes the document (the old one is removed, not deleted).
    void setDocumentView(View* document);
    View* documentView() const { return m_document; }
    // The clip view the document sits in.
    View* contentView() const { return m_clip; }

    bool hasVerticalScroller() const { return m_hasVerticalScroller; }
    void setHasVerticalScroller(bool has);
    // An autohiding scroller is hidden while the whole document fits.
    bool autohidesScrollers() const { return m_autohidesScrollers; }
    void setAutohidesScrollers(bool autohides);
    bool isScrollerShown() const;
    QScrollBar* verticalScroller() const { return m_scroller; }

    // The size of the clip: the frame less the scroller when it shows.
    QSizeF contentSize() const;
    // The content width a frame of this width gives with a scroller.
    static double contentWidthForFrameWidth(double frameWidth, bool withScroller = true);

    // The part of the document shown, in the document's coordinates. It is
    // the clip's whole area, so it can reach past a short document.
    QRectF documentVisibleRect() const;
    // How far the visible area's top lies below the document's top.
    double scrollOffset() const { return m_offset; }
    double maximumScrollOffset() const;

    // Shows the document point (its coordinates) at the top of the visible
    // area, as far as the document's ends allow; x is ignored.
    void scrollToPoint(const QPointF& documentPoint);
    // Scrolls the least that shows the rectangle (document coordinates); a
    // rectangle taller than the clip shows its top. Answers whether it moved.
    bool scrollRectToVisible(const QRectF& documentRect);
    // For a drag event near or past the top or bottom edge of the visible
    // area: scrolls one step toward that edge. Answers whether it scrolled.
    // Callers call it from mouseDragged and from a timer while the button is
    // held.
    bool autoscroll(const Event& event);

    // Places the clip, the scroller and the document again (after a change of
    // the document's size; done on its own for the document's frame posts).
    void tile();

    void scrollWheel(const Event& event) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void setOffset(double offset);
    double documentHeight() const;
    double topDistanceOf(double documentY) const;
    void placeDocument();
    void syncScroller();
    void postIfVisibleRectChanged();

    View* m_clip = nullptr;
    // Cleared from the document's destroyed signal, which comes from inside
    // its destructor (a QPointer would still answer there, as a half-gone View).
    View* m_document = nullptr;
    QScrollBar* m_scroller = nullptr;
    double m_offset = 0;
    bool m_hasVerticalScroller = true;
    bool m_autohidesScrollers = true;
    bool m_tiling = false;
    bool m_syncingScroller = false;
    QRectF m_lastVisibleRect;
};
