#include "View.h"

#include "NotificationCenter.h"
#include "Screenshot.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

class FlippedView : public View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
};

// Fills its whole bounds, and a 4-point band at y 0..4 of its own coordinates.
class BandView : public View {
public:
    using View::View;
    void drawRect(QPainter& painter, const QRectF&) override
    {
        painter.fillRect(bounds(), Qt::white);
        painter.fillRect(QRectF(0, 0, bounds().width(), 4), Qt::red);
    }
};

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

}  // namespace

TEST(View, ChildrenOfANonFlippedViewHangFromItsBottomEdge)
{
    View parent(QRectF(0, 0, 200, 100));
    auto* fixed = new View(QRectF(0, 0, 20, 10), &parent);
    auto* tall = new View(QRectF(30, 0, 20, 10), &parent);
    tall->setAutoresizingMask(ViewHeightSizable);
    EXPECT_EQ(fixed->geometry(), QRect(0, 90, 20, 10));

    parent.setFrameSize(QSizeF(200, 120));
    EXPECT_EQ(fixed->geometry(), QRect(0, 110, 20, 10));
    EXPECT_EQ(fixed->frame(), QRectF(0, 0, 20, 10));
    EXPECT_EQ(tall->frame(), QRectF(30, 0, 20, 30));
    EXPECT_EQ(tall->geometry(), QRect(30, 90, 20, 30));
}

TEST(View, ChildrenOfAFlippedViewKeepTheirQtPlace)
{
    FlippedView parent(QRectF(0, 0, 200, 100));
    auto* child = new View(QRectF(5, 7, 20, 10), &parent);
    EXPECT_EQ(child->geometry(), QRect(5, 7, 20, 10));
    parent.setFrameSize(QSizeF(200, 150));
    EXPECT_EQ(child->geometry(), QRect(5, 7, 20, 10));
}

TEST(View, AutoresizingSharesTheChangeAmongTheFlexibleParts)
{
    struct Case {
        const char* name;
        unsigned mask;
        QRectF frame;
        QRectF expected;
    };
    // The superview goes from 100 × 100 to 140 × 60.
    const Case cases[] = {
        {"fixed", ViewNotSizable, QRectF(10, 10, 20, 20), QRectF(10, 10, 20, 20)},
        {"width", ViewWidthSizable, QRectF(10, 10, 20, 20), QRectF(10, 10, 60, 20)},
        {"left margin", ViewMinXMargin, QRectF(10, 10, 20, 20), QRectF(50, 10, 20, 20)},
        {"right margin only", ViewMaxXMargin, QRectF(10, 10, 20, 20), QRectF(10, 10, 20, 20)},
        // Margins of 10 and 70: the 40 points go 5 to the left, 35 to the right.
        {"both margins", ViewMinXMargin | ViewMaxXMargin, QRectF(10, 10, 20, 20), QRectF(15, 10, 20, 20)},
        {"height shrinks", ViewHeightSizable, QRectF(0, 10, 10, 80), QRectF(0, 10, 10, 40)},
        {"height never below 0", ViewHeightSizable, QRectF(0, 10, 10, 20), QRectF(0, 10, 10, 0)},
        {"bottom margin", ViewMinYMargin, QRectF(0, 50, 10, 20), QRectF(0, 10, 10, 20)},
        {"all three, nothing to share", ViewMinXMargin | ViewWidthSizable | ViewMaxXMargin, QRectF(0, 0, 100, 10),
         QRectF(0, 0, 140, 10)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(View::autoresizedFrame(c.frame, c.mask, QSizeF(100, 100), QSizeF(140, 60)), c.expected) << c.name;
    // Flexible parts that are all empty share the change equally.
    EXPECT_EQ(View::autoresizedFrame(QRectF(0, 0, 0, 0), ViewMinXMargin | ViewWidthSizable, QSizeF(0, 0),
                                     QSizeF(40, 0)),
              QRectF(20, 0, 20, 0));
}

TEST(View, AutoresizingCanBeTurnedOffAndNestsThroughSubviews)
{
    View root(QRectF(0, 0, 100, 100));
    auto* middle = new View(QRectF(0, 0, 100, 100), &root);
    middle->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    auto* leaf = new View(QRectF(0, 0, 50, 50), middle);
    leaf->setAutoresizingMask(ViewWidthSizable);
    root.setFrameSize(QSizeF(200, 100));
    EXPECT_EQ(middle->frame().width(), 200);
    EXPECT_EQ(leaf->frame().width(), 150);

    middle->setAutoresizesSubviews(false);
    root.setFrameSize(QSizeF(300, 100));
    EXPECT_EQ(middle->frame().width(), 300);
    EXPECT_EQ(leaf->frame().width(), 150);
}

TEST(View, ABadFrameBecomesAnEmptyOne)
{
    View view(QRectF(5, 5, -20, -1));
    EXPECT_EQ(view.frame(), QRectF(5, 5, 0, 0));
    view.setFrame(QRectF(qQNaN(), 3, qInf(), 10));
    EXPECT_EQ(view.frame(), QRectF(0, 3, 0, 10));
    EXPECT_EQ(view.size(), QSize(0, 10));
}

TEST(View, FractionalFramesAreKeptWhileQtGetsWholePixels)
{
    View parent(QRectF(0, 0, 100, 100));
    auto* child = new View(QRectF(10.25, 20.5, 30.5, 10), &parent);
    EXPECT_EQ(child->frame(), QRectF(10.25, 20.5, 30.5, 10));
    EXPECT_EQ(child->geometry().width(), 31);
    parent.setFrameSize(QSizeF(100, 110));
    EXPECT_EQ(child->frame(), QRectF(10.25, 20.5, 30.5, 10));

    // A view on its own keeps its fractional size when it is first shown.
    View alone(QRectF(0, 0, 40.5, 20.25));
    alone.show();
    EXPECT_EQ(alone.frame().size(), QSizeF(40.5, 20.25));
    alone.resize(60, 30);
    EXPECT_EQ(alone.frame().size(), QSizeF(60, 30));
}

TEST(View, AQtResizeOfTheWidgetBecomesTheFrame)
{
    View root(QRectF(0, 0, 100, 100));
    auto* child = new View(QRectF(0, 0, 100, 10), &root);
    child->setAutoresizingMask(ViewWidthSizable);
    root.show();
    root.resize(160, 100);
    EXPECT_EQ(root.frame().size(), QSizeF(160, 100));
    EXPECT_EQ(child->frame(), QRectF(0, 0, 160, 10));
}

TEST(View, DrawingIsInTheViewsCoordinates)
{
    View root(QRectF(0, 0, 40, 40));
    root.setFlipped(true);
    auto* up = new BandView(QRectF(0, 0, 20, 40), &root);
    auto* down = new BandView(QRectF(20, 0, 20, 40), &root);
    down->setFlipped(true);
    Q_UNUSED(up);
    const QImage image = root.snapshot();
    // y 0 is the bottom of the non-flipped view and the top of the flipped one.
    EXPECT_TRUE(isRed(image.pixel(10, 38)));
    EXPECT_FALSE(isRed(image.pixel(10, 1)));
    EXPECT_TRUE(isRed(image.pixel(30, 1)));
    EXPECT_FALSE(isRed(image.pixel(30, 38)));
}

TEST(View, UprightPaintingTurnsTextAndImagesTheRightWayUp)
{
    // In a non-flipped view, a band drawn at the top of an upright rectangle
    // lands at the top of that rectangle on screen.
    class UprightView : public View {
    public:
        using View::View;
        void drawRect(QPainter& painter, const QRectF&) override
        {
            painter.fillRect(bounds(), Qt::white);
            UprightPainting upright(painter, QRectF(0, 10, 20, 20));
            painter.fillRect(QRectF(upright.rect().x(), upright.rect().y(), 20, 3), Qt::red);
        }
    };
    UprightView view(QRectF(0, 0, 20, 40));
    const QImage image = view.snapshot();
    // The rectangle spans y 10..30 (up), Qt rows 10..30; its top is Qt row 10.
    EXPECT_TRUE(isRed(image.pixel(5, 11)));
    EXPECT_FALSE(isRed(image.pixel(5, 28)));
}

TEST(View, HitTestingFindsTheFrontmostVisibleDeepestView)
{
    View root(QRectF(0, 0, 100, 100));
    auto* back = new View(QRectF(0, 0, 60, 60), &root);
    auto* front = new View(QRectF(40, 40, 60, 60), &root);
    auto* inner = new View(QRectF(0, 0, 10, 10), front);  // front's bottom left: root (40..50, 40..50)
    auto* flipped = new FlippedView(QRectF(0, 70, 30, 30), &root);
    auto* inFlipped = new View(QRectF(0, 0, 10, 10), flipped);  // flipped's top left: root (0..10, 90..100)

    EXPECT_EQ(root.hitTest(QPointF(45, 45)), inner);
    EXPECT_EQ(root.hitTest(QPointF(55, 55)), front);
    EXPECT_EQ(root.hitTest(QPointF(10, 10)), back);
    EXPECT_EQ(root.hitTest(QPointF(95, 5)), &root);
    EXPECT_EQ(root.hitTest(QPointF(5, 95)), inFlipped);
    EXPECT_EQ(root.hitTest(QPointF(5, 75)), flipped);
    EXPECT_EQ(root.hitTest(QPointF(100, 50)), nullptr);  // the far edges lie outside

    front->setHidden(true);
    EXPECT_EQ(root.hitTest(QPointF(45, 45)), back);
}

TEST(View, SubviewsStackAsAskedAndSort)
{
    View root(QRectF(0, 0, 10, 10));
    auto* a = new View(&root);
    auto* b = new View(&root);
    auto* c = new View(&root);
    a->setTag(3);
    b->setTag(1);
    c->setTag(2);
    EXPECT_EQ(root.subviews(), (QList<View*>{a, b, c}));

    root.addSubview(c, View::Place::Below, nullptr);
    EXPECT_EQ(root.subviews(), (QList<View*>{c, a, b}));
    root.addSubview(c, View::Place::Above, a);
    EXPECT_EQ(root.subviews(), (QList<View*>{a, c, b}));
    root.addSubview(b, View::Place::Below, c);
    EXPECT_EQ(root.subviews(), (QList<View*>{a, b, c}));

    root.sortSubviews([](View* x, View* y) { return x->tag() < y->tag(); });
    EXPECT_EQ(root.subviews(), (QList<View*>{b, c, a}));
    EXPECT_EQ(root.viewWithTag(2), c);

    b->removeFromSuperview();
    EXPECT_EQ(root.subviews(), (QList<View*>{c, a}));
    EXPECT_EQ(b->superview(), nullptr);
    root.addSubview(b);
    EXPECT_FALSE(b->isHidden());
    // A view cannot become its own ancestor's subview.
    a->addSubview(&root);
    EXPECT_EQ(root.superview(), nullptr);
}

TEST(View, AnExplicitlyHiddenViewStaysHiddenWhenAdded)
{
    View root(QRectF(0, 0, 10, 10));
    root.show();
    auto* hidden = new View(QRectF(0, 0, 5, 5));
    hidden->setHidden(true);
    root.addSubview(hidden);
    EXPECT_TRUE(hidden->isHidden());
    auto* shown = new View(QRectF(0, 0, 5, 5), &root);
    EXPECT_TRUE(shown->isVisible());
}

TEST(View, FrameChangesArePostedOnlyWhenTheFrameChanges)
{
    View view(QRectF(0, 0, 10, 10));
    QObject observer;
    int posts = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, View::frameDidChangeNotification, nullptr,
                                                    [&](const Notification& n) {
                                                        if (n.objectAs<View*>() == &view) ++posts;
                                                    });
    view.setFrame(QRectF(0, 0, 10, 10));
    EXPECT_EQ(posts, 0);
    view.setFrameOrigin(QPointF(3, 4));
    view.setFrameSize(QSizeF(20, 10));
    EXPECT_EQ(posts, 2);
    view.setPostsFrameChangedNotifications(false);
    view.setFrameSize(QSizeF(30, 10));
    EXPECT_EQ(posts, 2);
}

TEST(View, CoordinatesConvertThroughTheWindow)
{
    View root(QRectF(0, 0, 200, 100));
    auto* child = new View(QRectF(20, 10, 50, 50), &root);
    auto* flipped = new FlippedView(QRectF(100, 0, 50, 50), &root);

    // Window coordinates: origin bottom left of the root.
    EXPECT_EQ(child->convertPointToWindow(QPointF(0, 0)), QPointF(20, 10));
    EXPECT_EQ(child->convertPointFromWindow(QPointF(25, 15)), QPointF(5, 5));
    // The flipped view's (0, 0) is its top left: window (100, 50).
    EXPECT_EQ(flipped->convertPointToWindow(QPointF(0, 0)), QPointF(100, 50));
    EXPECT_EQ(flipped->convertPoint(QPointF(5, 5), child), QPointF(-75, 35));
    EXPECT_EQ(child->convertRectToWindow(QRectF(0, 0, 10, 5)), QRectF(20, 10, 10, 5));
    EXPECT_EQ(flipped->convertRect(QRectF(0, 0, 10, 5), child), QRectF(-80, 35, 10, 5));
}

TEST(View, ASaveableSnapshotOfNestedViews)
{
    FlippedView root(QRectF(0, 0, 120, 60));
    auto* band = new BandView(QRectF(10, 10, 40, 40), &root);
    Q_UNUSED(band);
    const QImage image = root.snapshot(2.0);
    EXPECT_EQ(image.size(), QSize(240, 120));
    EXPECT_FALSE(saveScreenshot(&root, QStringLiteral("view-snapshot")).isEmpty());
}
