#include "MainViewHeight.h"

#include <QtNumeric>

#include <gtest/gtest.h>

TEST(MainViewHeight, IsTheVisibleHeightLessTwentyAndNeverBelowSixHundred)
{
    const struct {
        double visible;
        quint64 expected;
    } cases[] = {
        {900.7, 880}, {620, 600}, {621, 601}, {400, 600}, {0, 600}, {-5, 600}, {qQNaN(), 600}, {qInf(), 600},
    };
    for (const auto& c : cases) EXPECT_EQ(mainViewHeightForVisibleHeight(c.visible), c.expected) << c.visible;
}
