#include "TaskViewTestFixture.h"

#include "DayBoxImageRenderer.h"
#include "Font.h"
#include "Screenshot.h"
#include "TextField.h"
#include "UIUtilities.h"

#include <QPainter>

#include <cmath>

namespace {

class TaskViewLookTest : public TaskViewTest {
protected:
    CalendarPtr categoryWithColor(qint64 group, qint64 color)
    {
        CalendarPtr category = addCategory();
        category->setColorGroupId(group);
        category->setColorNameId(color);
        EXPECT_TRUE(category->dehydrate());
        return category;
    }
};

TaskPtr copyOf(const TaskPtr& item)
{
    auto copy = std::make_shared<Task>();
    copy->copyContentOfTask(*item);
    return copy;
}

bool near(const QColor& a, const QColor& b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

QImage backgroundOf(const QColor&, qint64 group, qint64 color, double alpha, const QSizeF& size, double radius,
                    bool highlight)
{
    return UIUtilities::getTaskBackgroundImage(Utilities::colorInGroup(group, color), alpha, size, radius, highlight);
}

}  // namespace

TEST_F(TaskViewLookTest, TheTitleNamesTheItemAndItsPlace)
{
    struct Case {
        const char* name;
        QString taskName, location;
        bool scheduled;
        qint64 type;
        bool squareBox;
        QString title;
        QRectF label;  // in a box 200 x 60
    };
    const Case cases[] = {
        {"event with a place", QStringLiteral("Lunch"), QStringLiteral("Cafe"), false, 0, true,
         QStringLiteral("Lunch - Cafe"), {5, 0, 190, 56}},
        {"event without a place", QStringLiteral("Lunch"), QString(), false, 0, true, QStringLiteral("Lunch"),
         {5, 0, 190, 56}},
        {"scheduled task: room for its mark", QStringLiteral("Plan"), QString(), true, 0, true,
         QStringLiteral("Plan"), {17, 0, 178, 56}},
        {"piece: the title runs to the bottom", QStringLiteral("Write"), QStringLiteral("Desk"), false, 1, false,
         QStringLiteral("Write - Desk"), {5, 0, 190, 60}},
    };
    for (const Case& c : cases) {
        auto item = std::make_shared<Task>();
        item->setTaskType(c.type);
        item->setTaskName(c.taskName);
        item->setTaskLocation(c.location);
        item->setIsSheduledTask(c.scheduled);
        item->setCalendarId(1);
        TaskView* box = place(item, c.squareBox, QRectF(55, 100, 200, 60));
        EXPECT_EQ(box->taskNameLabel()->stringValue(), c.title) << c.name;
        EXPECT_EQ(box->taskNameLabel()->frame(), c.label) << c.name;
        box->setFrame(QRectF(55, 100, 100, 30));
        EXPECT_EQ(box->taskNameLabel()->frame().size(),
                  QSizeF(c.label.width() - 100, c.label.height() - 30))
            << c.name << ": the title follows the box";
        delete box;
    }
}

TEST_F(TaskViewLookTest, ColoursComeFromTheCategoryAndAMissingOneIsTheFirstColour)
{
    const CalendarPtr category = categoryWithColor(2, 5);
    auto item = std::make_shared<Task>();
    item->setTaskName(QStringLiteral("Coloured"));
    item->setCalendarId(category->primaryKey());
    TaskView* box = place(item, true, QRectF(55, 100, 200, 46));
    EXPECT_EQ(box->projectColor(), Utilities::getColorInGroupID(2, 5, 0));
    EXPECT_EQ(box->taskNameLabel()->textColor(), box->projectColor());
    box->setHighlight(true);
    EXPECT_EQ(box->taskNameLabel()->textColor(), QColor(Qt::white));

    auto orphan = std::make_shared<Task>();
    orphan->setTaskName(QStringLiteral("No category"));
    orphan->setCalendarId(987654);
    TaskView* lost = place(orphan, true, QRectF(55, 200, 200, 46));
    EXPECT_EQ(lost->projectColor(), Utilities::getColorInGroupID(0, 0, 0));
    const QImage drawn = lost->snapshot();
    const QImage expected = backgroundOf({}, 0, 0, 0.4, QSizeF(200, 46), 0, false);
    EXPECT_TRUE(near(drawn.pixelColor(3, 40), expected.pixelColor(3, 40)))
        << "the background is drawn in group 0, colour 0";
}

TEST_F(TaskViewLookTest, TheTitleFontFollowsTheListFontSize)
{
    auto item = std::make_shared<Task>();
    item->setTaskName(QStringLiteral("Sized"));
    TaskView* box = place(item, true, QRectF(55, 100, 200, 46));
    EXPECT_EQ(box->taskNameLabel()->textFont(), Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13));
    setting().setCurrentFontSize(15.5);
    NotificationCenter::defaultCenter().postNotificationName(TaskView::currentFontSizeChangedNotification);
    EXPECT_EQ(box->taskNameLabel()->textFont(), Font::fontWithName(QStringLiteral("Lucida Grande"), 15.5));
    setting().setCurrentFontSize(0);
    NotificationCenter::defaultCenter().postNotificationName(TaskView::currentFontSizeChangedNotification);
    EXPECT_EQ(box->taskNameLabel()->textFont().pixelSize(), 13) << "a size that is no size falls back";
}

TEST_F(TaskViewLookTest, SelectionShapeAndEdgeLinesShowInTheDrawing)
{
    auto item = std::make_shared<Task>();
    item->setTaskName(QString());  // no title over the pixels read
    item->setCalendarId(1);
    const QSizeF size(200, 46);
    struct Case {
        const char* name;
        bool squareBox, highlight;
        double alpha, radius;
    };
    const Case cases[] = {
        {"event", true, false, 0.4, 0},
        {"event selected", true, true, 0.8, 0},
        {"piece", false, false, 0.4, 8},
        {"piece selected", false, true, 0.8, 8},
    };
    const CalendarPtr category = dataManager().calendarWithPrimaryKey(1);
    ASSERT_TRUE(category);
    const qint64 group = category->colorGroupId(), color = category->colorNameId();
    for (const Case& c : cases) {
        TaskView* box = place(item, c.squareBox, QRectF(QPointF(55, 100), size));
        box->setHighlight(c.highlight);
        const QImage drawn = box->snapshot();
        const QImage expected = backgroundOf({}, group, color, c.alpha, size, c.radius, c.highlight);
        const QImage other = backgroundOf({}, group, color, c.highlight ? 0.4 : 0.8, size, c.radius, c.highlight);
        EXPECT_TRUE(near(drawn.pixelColor(100, 23), expected.pixelColor(100, 23))) << c.name;
        EXPECT_FALSE(near(drawn.pixelColor(100, 23), other.pixelColor(100, 23))) << c.name << ": alpha tells";
        EXPECT_EQ(drawn.pixelColor(0, 0).alpha() == 0, c.radius > 0) << c.name << ": corners";

        // An edge drag draws a 3-point black line along that edge, inset
        // on the rounded pieces.
        Pointer mouse(box);
        mouse.press({100, 2});
        const QImage line = box->snapshot();
        const double inset = c.squareBox ? 0 : 8;
        EXPECT_TRUE(near(line.pixelColor(100, 0), Qt::black, 10)) << c.name;
        EXPECT_TRUE(near(line.pixelColor(int(inset) + 1, 0), Qt::black, 10)) << c.name;
        if (inset > 0) {
            EXPECT_FALSE(near(line.pixelColor(int(inset) - 3, 0), Qt::black, 10)) << c.name;
        }
        EXPECT_FALSE(near(line.pixelColor(100, 5), Qt::black, 10)) << c.name << ": 3 points, half off the box";
        mouse.release();
        EXPECT_FALSE(near(box->snapshot().pixelColor(100, 0), Qt::black, 10)) << c.name << ": gone on release";
        delete box;
    }
}

TEST_F(TaskViewLookTest, SharedEventsShowThePatternUnderTheirColour)
{
    auto item = std::make_shared<Task>();
    item->setCalendarId(1);
    TaskView* plain = place(item, true, QRectF(55, 100, 200, 46));
    const QImage plainImage = plain->snapshot();
    auto shared = copyOf(item);
    shared->setIsShared(true);
    TaskView* sharedBox = place(shared, true, QRectF(55, 200, 200, 46));
    EXPECT_NE(sharedBox->snapshot(), plainImage);
    shared->setDelegateStatus(1);  // accepted: drawn like one's own
    sharedBox->setTask(shared);
    EXPECT_EQ(sharedBox->snapshot(), plainImage);
}

TEST_F(TaskViewLookTest, TheDraggedItemsLargeImageIsARealBox)
{
    const TaskPtr item = storedEvent(QStringLiteral("Drawn"), at(9), at(10), QStringLiteral("Room 4"));
    TaskView* box = place(item, true, QRectF(55, 100, 186, 46));
    box->setHighlight(true);
    const QImage fromBox = box->imageRepresentative();

    DayBoxImageRenderer renderer;
    EXPECT_EQ(renderer.dayBoxImage(*item, QSizeF(186, 46), true, true), fromBox);
    EXPECT_TRUE(renderer.dayBoxImage(*item, QSizeF(0, 46), true, true).isNull());

    DayBoxImageRenderer::install();
    EXPECT_EQ(TaskImageRenderer::current().dayBoxImage(*item, QSizeF(186, 46), true, true), fromBox);
    TaskImageRenderer::setCurrent(nullptr);
}

TEST_F(TaskViewLookTest, DayBoxesScreenshot)
{
    setting().setCurrentFontSize(11);
    const CalendarPtr green = categoryWithColor(1, 2);
    auto& grid = *m_grid;
    grid.setFrame(QRectF(0, 0, 520, 330));

    const TaskPtr event = storedEvent(QStringLiteral("Design review"), at(9), at(10), QStringLiteral("Room 4"));
    TaskView* eventBox = place(event, true, QRectF(55, yOf(9), 210, 46));
    Q_UNUSED(eventBox);

    const TaskPtr selected = storedEvent(QStringLiteral("Lunch with Ada"), at(10, 30), at(11, 30));
    TaskView* selectedBox = place(selected, true, QRectF(55, yOf(10.5), 210, 46));
    selectedBox->setHighlight(true);

    auto scheduled = copyOf(selected);
    scheduled->setTaskName(QStringLiteral("Scheduled: write report"));
    scheduled->setIsSheduledTask(true);
    scheduled->setCalendarId(green->primaryKey());
    place(scheduled, true, QRectF(55, yOf(12), 210, 46));

    const TaskPtr piece = storedTask(QStringLiteral("Plan the week"), 60);
    place(piece, false, QRectF(290, yOf(9), 180, 46));

    auto shared = copyOf(event);
    shared->setTaskName(QStringLiteral("Shared: team sync"));
    shared->setIsShared(true);
    place(shared, true, QRectF(55, yOf(13.5), 210, 46));

    const TaskPtr stretched = storedTask(QStringLiteral("Piece being stretched"), 30);
    TaskView* stretchedBox = place(stretched, false, QRectF(290, yOf(11), 180, 23));
    Pointer mouse(stretchedBox);
    mouse.press({90, 21});
    mouse.dragBy(46);

    const QString path = saveScreenshot(&grid, QStringLiteral("day-boxes"));
    EXPECT_FALSE(path.isEmpty());
    mouse.release();
}
