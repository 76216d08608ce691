#include "ItemImageRenderer.h"

#include "../Model/ModelTestFixture.h"
#include "Calendar.h"
#include "DraggingImageComponent.h"
#include "Task.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QColor centreOf(const QImage& image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// The pixel at (x, row) where the box has no text: its left margin.
QColor marginOf(const QImage& image)
{
    return image.pixelColor(2, image.height() / 2);
}

bool sameColor(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2 && std::abs(a.alpha() - b.alpha()) <= 2;
}

class Installed {
public:
    Installed() { ItemImageRenderer::install(); }
    ~Installed() { TaskImageRenderer::setCurrent(nullptr); }
};

}  // namespace

TEST(ItemImageRenderer, ColoursOutsideThePaletteAreClampedToIt)
{
    const ItemImageRenderer renderer;
    const struct {
        qint64 group, color, clampedGroup, clampedColor;
    } cases[] = {{9, -3, 3, 0}, {-1, 12, 0, 7}, {2, 5, 2, 5}};
    for (const auto& c : cases) {
        const QImage drawn = renderer.smallImage(c.group, c.color, 1.0, QSizeF(100, 20), 0, QString());
        const QImage expected = UIUtilities::getTaskImageRepresentative(
            Utilities::colorInGroup(c.clampedGroup, c.clampedColor), 1.0, QSizeF(100, 20), 0, QString());
        ASSERT_EQ(drawn.size(), QSize(100, 20));
        EXPECT_TRUE(sameColor(centreOf(drawn), centreOf(expected))) << c.group << " " << c.color;
        EXPECT_EQ(centreOf(drawn).alpha(), 255);
    }
}

TEST(ItemImageRenderer, ASizeWithNoAreaGivesAnEmptyImage)
{
    const ItemImageRenderer renderer;
    const Task task;
    EXPECT_TRUE(renderer.smallImage(0, 0, 0.9, QSizeF(0, 20), 0, QStringLiteral("x")).isNull());
    EXPECT_TRUE(renderer.dayBoxImage(task, QSizeF(186, -5), true, false).isNull());
    EXPECT_TRUE(renderer.plannerItemImage(task, QSizeF(0, 0), true, true, false).isNull());
}

class ItemImageRendererWithCategories : public ModelTest {};

TEST_F(ItemImageRendererWithCategories, AnItemIsDrawnInItsCategorysColourOrTheFirstWhenItHasNone)
{
    auto category = std::make_shared<Calendar>();
    category->setCalendarName(QStringLiteral("Garden"));
    category->setColorGroupId(2);
    category->setColorNameId(6);
    ASSERT_TRUE(dataManager().addCalendarToCalendarList(category, false, false));

    const ItemImageRenderer renderer;
    const QSizeF size(186, 46);
    const auto background = [&](qint64 group, qint64 color) {
        return UIUtilities::getTaskBackgroundImage(Utilities::colorInGroup(group, color), 0.4, size, 0, false);
    };
    Task inCategory;
    inCategory.setCalendarId(category->primaryKey());
    Task orphan;
    orphan.setCalendarId(category->primaryKey() + 1000);

    EXPECT_TRUE(sameColor(marginOf(renderer.dayBoxImage(inCategory, size, true, false)), marginOf(background(2, 6))));
    EXPECT_TRUE(sameColor(marginOf(renderer.dayBoxImage(orphan, size, true, false)), marginOf(background(0, 0))));
    // A highlighted box carries the red border.
    EXPECT_TRUE(sameColor(renderer.dayBoxImage(inCategory, size, true, true).pixelColor(0, 23),
                          UIUtilities::highlightBorderColor()));
}

TEST_F(ItemImageRendererWithCategories, InstalledItGivesARecordsSmallDragImageItsColour)
{
    auto category = std::make_shared<Calendar>();
    category->setColorGroupId(1);
    category->setColorNameId(3);
    ASSERT_TRUE(dataManager().addCalendarToCalendarList(category, false, false));
    Task task;
    task.setCalendarId(category->primaryKey());
    task.setTaskName(QStringLiteral("Water the roses"));

    const Installed installed;
    const QList<DraggingImageComponent> components = task.draggingSmallImage();
    ASSERT_EQ(components.size(), 1);
    const QImage& image = components.first().contents;
    ASSERT_EQ(image.size(), QSize(100, 20));
    const QImage expected =
        UIUtilities::getTaskImageRepresentative(Utilities::colorInGroup(1, 3), 0.9, QSizeF(100, 20), 0, QString());
    EXPECT_TRUE(sameColor(marginOf(image), marginOf(expected)));
    EXPECT_GT(marginOf(image).alpha(), 200);
}
