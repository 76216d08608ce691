#include "NotificationCenter.h"
#include "Screenshot.h"
#include "ScrollView.h"

#include <QPainter>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Horizontal stripes of 20 points with their numbers, so a picture shows
// which part of the document is in view.
class StripedDocument : public View {
public:
    StripedDocument(const QRectF& frame, bool flipped) : View(frame) { setFlipped(flipped); }

    void drawRect(QPainter& painter, const QRectF&) override
    {
        const double stripe = 20;
        for (int i = 0; i * stripe < bounds().height(); ++i) {
            // Counted from the top of the document whichever way y runs.
            const double top = i * stripe;
            const QRectF band(0, isFlipped() ? top : bounds().height() - top - stripe, bounds().width(), stripe);
            painter.fillRect(band, i % 2 ? QColor(230, 236, 245) : QColor(255, 255, 255));
            UprightPainting upright(painter, band);
            painter.setPen(QColor(60, 60, 60));
            painter.drawText(upright.rect().adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             QStringLiteral("Row %1").arg(i + 1));
        }
    }
};

// A scroll view of 200 x 100 over a document 1000 points tall whose width
// follows the clip.
struct Scrolling {
    explicit Scrolling(bool flipped = true, double documentHeight = 1000)
        : scrollView(std::make_unique<ScrollView>(QRectF(0, 0, 200, 100)))
    {
        document = new StripedDocument(QRectF(0, 0, ScrollView::contentWidthForFrameWidth(200), documentHeight),
                                       flipped);
        document->setAutoresizingMask(ViewWidthSizable);
        scrollView->setDocumentView(document);
    }

    // A drag event at a point of the scroll view's window (the scroll view
    // itself here), y up from its bottom edge.
    static Event dragAt(double y)
    {
        Event event;
        event.type = EventType::LeftMouseDragged;
        event.locationInWindow = QPointF(50, y);
        return event;
    }

    std::unique_ptr<ScrollView> scrollView;
    View* document = nullptr;
};

TEST(ScrollViewTest, ScrollToPointShowsThePointAtTheTopClampedToTheDocument)
{
    struct Case {
        bool flipped;
        double pointY;
        double offset;
        double visibleY;
    };
    const Case cases[] = {
        {true, 300, 300, 300},
        {true, -50, 0, 0},
        {true, 5000, 900, 900},
        // A non-flipped document counts y from its bottom: y 700 is 300
        // below its top, and the visible rectangle runs from 600 to 700.
        {false, 700, 300, 600},
        {false, 1200, 0, 900},
        {false, 0, 900, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flipped " << c.flipped << ", y " << c.pointY);
        Scrolling s(c.flipped);
        s.scrollView->scrollToPoint(QPointF(0, c.pointY));
        EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), c.offset);
        EXPECT_EQ(s.scrollView->documentVisibleRect(), QRectF(0, c.visibleY, 185, 100));
        // The document is where the offset says: its top that far above the clip's.
        EXPECT_EQ(s.document->geometry().top(), -int(c.offset));
        EXPECT_EQ(s.scrollView->verticalScroller()->value(), int(c.offset));
    }
}

TEST(ScrollViewTest, ScrollRectToVisibleScrollsTheLeast)
{
    struct Case {
        const char* what;
        double startOffset;
        QRectF rect;   // flipped document coordinates
        bool moves;
        double offset;
    };
    const Case cases[] = {
        {"already visible", 200, QRectF(0, 220, 50, 40), false, 200},
        {"below", 200, QRectF(0, 350, 50, 40), true, 290},
        {"above", 200, QRectF(0, 120, 50, 40), true, 120},
        {"partly below", 200, QRectF(0, 280, 50, 40), true, 220},
        {"taller than the view shows its top", 200, QRectF(0, 400, 50, 300), true, 400},
        {"filling the view already", 200, QRectF(0, 150, 50, 300), false, 200},
        {"past the end is clamped", 0, QRectF(0, 990, 50, 40), true, 900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scrolling s;
        s.scrollView->scrollToPoint(QPointF(0, c.startOffset));
        EXPECT_EQ(s.scrollView->scrollRectToVisible(c.rect), c.moves);
        EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), c.offset);
    }
}

TEST(ScrollViewTest, ScrollRectToVisibleInANonFlippedDocument)
{
    Scrolling s(false);
    // y 100..140 from the bottom is 860..900 from the top: the least scroll
    // puts its bottom at the visible area's bottom.
    EXPECT_TRUE(s.scrollView->scrollRectToVisible(QRectF(0, 100, 50, 40)));
    EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), 800);
    EXPECT_TRUE(s.scrollView->documentVisibleRect().contains(QRectF(0, 100, 50, 40)));
}

TEST(ScrollViewTest, ContentWidthIsTheFrameLessTheScroller)
{
    EXPECT_DOUBLE_EQ(ScrollView::contentWidthForFrameWidth(200), 200 - ScrollView::scrollerWidth);
    EXPECT_DOUBLE_EQ(ScrollView::contentWidthForFrameWidth(200, false), 200);
    EXPECT_DOUBLE_EQ(ScrollView::contentWidthForFrameWidth(10), 0);

    Scrolling tall;
    EXPECT_TRUE(tall.scrollView->isScrollerShown());
    EXPECT_EQ(tall.scrollView->contentSize(), QSizeF(185, 100));
    EXPECT_EQ(tall.scrollView->verticalScroller()->geometry(), QRect(185, 0, 15, 100));

    // A document that fits hides an autohiding scroller and takes its room.
    Scrolling shortDocument(true, 80);
    EXPECT_FALSE(shortDocument.scrollView->isScrollerShown());
    EXPECT_EQ(shortDocument.scrollView->contentSize(), QSizeF(200, 100));
    EXPECT_DOUBLE_EQ(shortDocument.document->frame().width(), 200);

    shortDocument.scrollView->setAutohidesScrollers(false);
    EXPECT_TRUE(shortDocument.scrollView->isScrollerShown());
    EXPECT_DOUBLE_EQ(shortDocument.document->frame().width(), 185);

    tall.scrollView->setHasVerticalScroller(false);
    EXPECT_FALSE(tall.scrollView->isScrollerShown());
    EXPECT_EQ(tall.scrollView->contentSize(), QSizeF(200, 100));
}

TEST(ScrollViewTest, ADocumentGrowingPastTheClipBringsTheScrollerAndNarrows)
{
    Scrolling s(true, 80);
    s.document->setFrameSize(QSizeF(s.document->frame().width(), 500));
    EXPECT_TRUE(s.scrollView->isScrollerShown());
    EXPECT_DOUBLE_EQ(s.document->frame().width(), 185);

    // Shrinking under the offset pulls the view back to the new end.
    s.scrollView->scrollToPoint(QPointF(0, 400));
    s.document->setFrameSize(QSizeF(185, 300));
    EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), 200);
    EXPECT_EQ(s.document->geometry().top(), -200);
}

TEST(ScrollViewTest, AShortDocumentStaysAtTheTopFlippedOrNot)
{
    for (bool flipped : {true, false}) {
        SCOPED_TRACE(flipped ? "flipped" : "not flipped");
        Scrolling s(flipped, 60);
        EXPECT_EQ(s.document->geometry().top(), 0);
        // Growing the scroll view keeps it there too.
        s.scrollView->setFrameSize(QSizeF(200, 300));
        EXPECT_EQ(s.document->geometry().top(), 0);
        EXPECT_DOUBLE_EQ(s.scrollView->documentVisibleRect().height(), 300);
    }
}

TEST(ScrollViewTest, AutoscrollMovesTowardTheEdgeADragNears)
{
    struct Case {
        const char* what;
        double startOffset;
        double y;   // in the window, y up from the bottom edge
        bool scrolls;
        double offset;
    };
    const Case cases[] = {
        {"near the bottom", 0, 5, true, ScrollView::autoscrollStep},
        {"below the bottom", 0, -30, true, ScrollView::autoscrollStep},
        {"in the middle", 300, 50, false, 300},
        {"near the top", 300, 95, true, 300 - ScrollView::autoscrollStep},
        {"above the top", 300, 140, true, 300 - ScrollView::autoscrollStep},
        {"near the top at the start", 0, 95, false, 0},
        {"near the bottom at the end", 900, 5, false, 900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scrolling s;
        s.scrollView->scrollToPoint(QPointF(0, c.startOffset));
        EXPECT_EQ(s.scrollView->autoscroll(Scrolling::dragAt(c.y)), c.scrolls);
        EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), c.offset);
    }
}

TEST(ScrollViewTest, WheelNotchesScrollAndTheScrollerFollows)
{
    Scrolling s;
    Event wheel;
    wheel.type = EventType::ScrollWheel;
    wheel.deltaY = -2;   // toward the document's end
    s.scrollView->scrollWheel(wheel);
    EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), 2 * ScrollView::pointsPerWheelNotch);
    EXPECT_EQ(s.scrollView->verticalScroller()->value(), int(2 * ScrollView::pointsPerWheelNotch));

    wheel.deltaY = 10;
    s.scrollView->scrollWheel(wheel);
    EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), 0);

    // Moving the scroller's knob scrolls the document.
    s.scrollView->verticalScroller()->setValue(450);
    EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), 450);
    EXPECT_EQ(s.scrollView->documentVisibleRect().top(), 450);
}

TEST(ScrollViewTest, BoundsChangeIsPostedOnlyWhenTheVisibleRectMoves)
{
    Scrolling s;
    QObject observer;
    int posts = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, ScrollView::boundsDidChangeNotification,
                                                    NotificationPayload::identityOf(s.scrollView.get()),
                                                    [&](const Notification&) { ++posts; });
    s.scrollView->scrollToPoint(QPointF(0, 100));
    EXPECT_EQ(posts, 1);
    s.scrollView->scrollToPoint(QPointF(0, 100));
    s.scrollView->scrollRectToVisible(QRectF(0, 120, 10, 10));
    EXPECT_EQ(posts, 1);
    s.scrollView->setFrameSize(QSizeF(200, 150));
    EXPECT_EQ(posts, 2);
}

TEST(ScrollViewTest, ReplacingTheDocumentStartsAtTheTopAndStopsFollowingTheOldOne)
{
    Scrolling s;
    s.scrollView->scrollToPoint(QPointF(0, 500));
    auto* other = new StripedDocument(QRectF(0, 0, 185, 300), true);
    s.scrollView->setDocumentView(other);
    std::unique_ptr<View> old(s.document);
    EXPECT_EQ(old->superview(), nullptr);
    EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), 0);
    EXPECT_DOUBLE_EQ(s.scrollView->maximumScrollOffset(), 200);
    // The old document's changes no longer move this view.
    old->setFrameSize(QSizeF(185, 40));
    EXPECT_DOUBLE_EQ(s.scrollView->maximumScrollOffset(), 200);
}

TEST(ScrollViewTest, ADeletedDocumentLeavesNothingToScroll)
{
    Scrolling s;
    s.scrollView->scrollToPoint(QPointF(0, 500));
    delete s.document;
    EXPECT_EQ(s.scrollView->documentView(), nullptr);
    EXPECT_DOUBLE_EQ(s.scrollView->scrollOffset(), 0);
    EXPECT_FALSE(s.scrollView->isScrollerShown());
}

TEST(ScrollViewTest, ScreenshotHalfwayOverAStripedDocument)
{
    ScrollView scrollView(QRectF(0, 0, 240, 200));
    auto* document = new StripedDocument(QRectF(0, 0, ScrollView::contentWidthForFrameWidth(240), 600), true);
    document->setAutoresizingMask(ViewWidthSizable);
    scrollView.setDocumentView(document);
    scrollView.scrollToPoint(QPointF(0, scrollView.maximumScrollOffset() / 2));
    EXPECT_DOUBLE_EQ(scrollView.documentVisibleRect().top(), 200);
    EXPECT_FALSE(saveScreenshot(&scrollView, QStringLiteral("scroll-view")).isEmpty());
}

}  // namespace
