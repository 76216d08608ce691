#include "ProgressSpinner.h"

#include "Clock.h"
#include "ManualScheduler.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class ProgressSpinnerTest : public ::testing::Test {
protected:
    void SetUp() override { Scheduler::setCurrent(&scheduler); }
    void TearDown() override
    {
        Scheduler::setCurrent(nullptr);
        Clock::reset();
    }

    // How many pixels the spinner paints in a 40 x 40 picture.
    static int paintedPixels(ProgressSpinner& spinner)
    {
        QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            spinner.drawRect(painter, spinner.bounds());
        }
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0) ++count;
        return count;
    }

    ManualScheduler scheduler;
};

}  // namespace

TEST_F(ProgressSpinnerTest, TurnsOneSpokePerStepOnlyWhileAnimating)
{
    ProgressSpinner spinner(QRectF(0, 0, 20, 20));
    EXPECT_FALSE(spinner.isAnimating());
    scheduler.advance(1);
    EXPECT_EQ(spinner.phase(), 0) << "a stopped spinner does not turn";

    spinner.startAnimation();
    spinner.startAnimation();  // once is enough: still one timer
    EXPECT_EQ(scheduler.pendingTimerCount(), 1);
    scheduler.advance(ProgressSpinner::stepSeconds * 3 + 0.001);
    EXPECT_EQ(spinner.phase(), 3);
    scheduler.advance(ProgressSpinner::stepSeconds * ProgressSpinner::spokeCount);
    EXPECT_EQ(spinner.phase(), 3) << "a whole turn comes back to the same spoke";

    spinner.stopAnimation();
    EXPECT_FALSE(spinner.isAnimating());
    EXPECT_EQ(scheduler.pendingTimerCount(), 0);
    scheduler.advance(1);
    EXPECT_EQ(spinner.phase(), 3);
}

TEST_F(ProgressSpinnerTest, TheLeadingSpokeIsDarkestAndTheOnesBehindFade)
{
    for (int phase : {0, 5, 11}) {
        EXPECT_DOUBLE_EQ(ProgressSpinner::spokeOpacity(phase, phase), 1.0);
        double previous = 1.0;
        for (int behind = 1; behind < ProgressSpinner::spokeCount; ++behind) {
            const int index = (phase - behind + ProgressSpinner::spokeCount) % ProgressSpinner::spokeCount;
            const double opacity = ProgressSpinner::spokeOpacity(index, phase);
            EXPECT_LT(opacity, previous) << "phase " << phase << ", " << behind << " behind";
            EXPECT_GE(opacity, 0.25);
            previous = opacity;
        }
    }
}

TEST_F(ProgressSpinnerTest, DrawsOnlyWhileAnimatingUnlessToldToStayDrawn)
{
    ProgressSpinner spinner(QRectF(0, 0, 20, 20));
    EXPECT_EQ(paintedPixels(spinner), 0);
    spinner.startAnimation();
    const int running = paintedPixels(spinner);
    EXPECT_GT(running, 20);
    EXPECT_LT(running, 400) << "spokes, not a filled square";
    spinner.stopAnimation();
    EXPECT_EQ(paintedPixels(spinner), 0);
    spinner.setDisplaysWhenStopped(true);
    EXPECT_GT(paintedPixels(spinner), 20);
}

TEST_F(ProgressSpinnerTest, SizesWithNoRoomDrawNothingAndDoNotFail)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const QRectF& frame : {QRectF(0, 0, 0, 0), QRectF(0, 0, 2, 20), QRectF(0, 0, -5, -5), QRectF(0, 0, nan, 10)}) {
        ProgressSpinner spinner(frame);
        spinner.startAnimation();
        EXPECT_EQ(paintedPixels(spinner), 0);
    }
}
