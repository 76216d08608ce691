#include "PlannerItemTestFixture.h"

#include "TextField.h"

#include <QPainter>

namespace PlannerItemTitleTests {

using PlannerItemTitleTest = PlannerItemTest;

QImage drawnView(PlannerBaseItem* view)
{
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    view->render(&painter);
    return image;
}

// A view draws its name itself until something asks for its label; from
// then on the label draws it. Both must show the same pixels, before and
// after the item is renamed.
TEST_F(PlannerItemTitleTest, TheNameLooksTheSameWithOrWithoutItsLabel)
{
    struct Case {
        const char* name;
        bool asBlock;
        qint64 type;
        bool allDay, scheduled, done, highlight;
        double blockEnd = 11;  // a short block cuts its name
    };
    const Case cases[] = {
        {"open task chip", false, 1, false, false, false, false},
        {"done task chip", false, 1, false, false, true, false},
        {"note chip, selected", false, 2, false, false, false, true},
        {"timed event chip", false, 0, false, false, false, false},
        {"all-day event chip, selected", false, 0, true, false, false, true},
        {"event block", true, 0, false, false, false, false},
        {"event block, selected", true, 0, false, false, false, true},
        {"scheduled task block", true, 0, false, true, false, false},
        {"quarter-hour block", true, 0, false, false, false, false, 9.25},
        {"half-hour scheduled task block, selected", true, 0, false, true, false, true, 9.5},
    };
    for (const Case& c : cases) {
        const QString firstName = QStringLiteral("Weekly review of the garden plans");
        const TaskPtr item = stored(c.type, firstName, at(15, 9), at(15, 11), c.allDay);
        item->setStatus(c.done ? 1 : 0);
        item->setIsSheduledTask(c.scheduled);
        PlannerBaseItem* drawnByView =
            c.asBlock ? static_cast<PlannerBaseItem*>(block(item, 9, c.blockEnd)) : chip(item);
        PlannerBaseItem* drawnByLabel =
            c.asBlock ? static_cast<PlannerBaseItem*>(block(item, 9, c.blockEnd)) : chip(item);
        drawnByView->setHighlight(c.highlight);
        drawnByLabel->setHighlight(c.highlight);
        ASSERT_NE(drawnByLabel->taskNameLabel(), nullptr) << c.name;
        EXPECT_EQ(drawnByLabel->taskNameLabel()->stringValue(), firstName) << c.name;
        const QImage first = drawnView(drawnByView);
        EXPECT_TRUE(first == drawnView(drawnByLabel)) << c.name;

        item->setTaskName(QStringLiteral("Ok"));
        drawnByView->setTask(item);
        drawnByLabel->setTask(item);
        const QImage renamed = drawnView(drawnByView);
        EXPECT_FALSE(renamed == first) << c.name << ": the new name shows";
        EXPECT_TRUE(renamed == drawnView(drawnByLabel)) << c.name;
    }
}

}  // namespace PlannerItemTitleTests
