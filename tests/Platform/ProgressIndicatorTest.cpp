#include "ProgressIndicator.h"

#include "ManualScheduler.h"
#include "Screenshot.h"

#include <QImage>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

TEST(ProgressIndicatorTest, AnIndeterminateBarMovesOnlyWhileAnimating)
{
    ManualScheduler scheduler;
    Scheduler::setCurrent(&scheduler);
    {
        ProgressIndicator bar(QRectF(0, 0, 290, 25));
        EXPECT_TRUE(bar.isIndeterminate());
        scheduler.advance(1);
        EXPECT_EQ(bar.animationFrame(), 0) << "no motion before the start";

        bar.startAnimation();
        bar.startAnimation();  // a second start adds no second timer
        EXPECT_EQ(scheduler.pendingTimerCount(), 1);
        scheduler.advance(1);
        EXPECT_NEAR(bar.animationFrame(), ProgressIndicator::framesPerSecond, 1);

        bar.stopAnimation();
        const int stopped = bar.animationFrame();
        scheduler.advance(1);
        EXPECT_EQ(bar.animationFrame(), stopped);
        EXPECT_EQ(scheduler.pendingTimerCount(), 0);

        // A determinate bar has nothing to animate.
        bar.setIndeterminate(false);
        bar.startAnimation();
        EXPECT_EQ(scheduler.pendingTimerCount(), 0);
        bar.setIndeterminate(true);
        EXPECT_EQ(scheduler.pendingTimerCount(), 1) << "a running animation resumes with the stripes";
    }
    EXPECT_EQ(scheduler.pendingTimerCount(), 0) << "a destroyed bar leaves no timer";
    Scheduler::setCurrent(nullptr);
}

TEST(ProgressIndicatorTest, ValuesStayInTheRangeAndBadRangesAreRefused)
{
    ProgressIndicator bar(QRectF(0, 0, 100, 20));
    bar.setIndeterminate(false);
    bar.setRange(10, 20);
    bar.setDoubleValue(25);
    EXPECT_EQ(bar.doubleValue(), 20);
    bar.setDoubleValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(bar.doubleValue(), 10);
    for (auto [low, high] : {std::pair{5.0, 5.0}, {9.0, 1.0}, {0.0, std::numeric_limits<double>::infinity()}}) {
        bar.setRange(low, high);
        EXPECT_EQ(bar.minValue(), 10);
        EXPECT_EQ(bar.maxValue(), 20);
    }
    EXPECT_DOUBLE_EQ(ProgressIndicator::filledWidth(200, 0, 100, 25), 50);
    EXPECT_DOUBLE_EQ(ProgressIndicator::filledWidth(200, 0, 100, 150), 200);
    EXPECT_DOUBLE_EQ(ProgressIndicator::filledWidth(200, 0, 0, 1), 0);
    EXPECT_DOUBLE_EQ(ProgressIndicator::filledWidth(-5, 0, 100, 50), 0);
}

TEST(ProgressIndicatorTest, PaintsItsTrackAndStripesAndAFillWhenDeterminate)
{
    ProgressIndicator bar(QRectF(0, 0, 290, 25));
    QImage busy = bar.snapshot();
    saveScreenshot(&bar, QStringLiteral("progress-indicator-indeterminate"));
    ASSERT_FALSE(busy.isNull());
    const int middle = busy.height() / 2;
    // Stripes: two colours alternate along the middle line.
    QSet<QRgb> colours;
    for (int x = 20; x < 120; ++x) colours.insert(busy.pixel(x, middle));
    EXPECT_GE(colours.size(), 2);

    bar.setIndeterminate(false);
    bar.setDoubleValue(50);
    const QImage half = bar.snapshot();
    const QColor left = half.pixelColor(half.width() / 4, middle);
    const QColor right = half.pixelColor(half.width() * 3 / 4, middle);
    EXPECT_GT(left.blue(), left.red() + 60) << "the filled half is blue";
    EXPECT_LT(std::abs(right.blue() - right.red()), 20) << "the rest is the grey track";
}
