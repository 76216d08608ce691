#include "ProgressView.h"

#include "ImageView.h"
#include "ProgressIndicator.h"
#include "Screenshot.h"
#include "TextField.h"
#include "TextTable.h"

#include <gtest/gtest.h>

TEST(ProgressViewTest, ShowsTheIconTheLineAndAnIndeterminateBarWhereTheyBelong)
{
    ProgressView view(QRectF(0, 0, 410, 150));
    EXPECT_TRUE(view.isFlipped());
    EXPECT_EQ(view.iconView()->frame(), QRectF(20, 20, 64, 64));
    EXPECT_EQ(view.iconView()->image().size(), QSize(64, 64));
    EXPECT_EQ(view.label()->frame(), QRectF(100, 20, 310, 50));
    EXPECT_EQ(view.label()->alignment(), Qt::AlignHCenter);
    EXPECT_EQ(view.label()->stringValue(), TextTable::localizedString(QStringLiteral("progressRestoringText")));
    EXPECT_EQ(view.progessIndicator()->frame(), QRectF(100, 75, 290, 25));
    EXPECT_TRUE(view.progessIndicator()->isIndeterminate());
    EXPECT_FALSE(view.progessIndicator()->isAnimating()) << "the owner starts it";

    view.setTextProgessing(QStringLiteral("Signing out…"));
    EXPECT_EQ(view.label()->stringValue(), QStringLiteral("Signing out…"));
    saveScreenshot(&view, QStringLiteral("progress-view"));
}
