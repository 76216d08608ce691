#include "DraggingImageComponent.h"
#include "TaskImageRenderer.h"
#include "TaskTestFixture.h"

namespace {

// Records what the views are asked to draw; installed for its life.
class RecordingRenderer : public TaskImageRenderer {
public:
    RecordingRenderer() { setCurrent(this); }
    ~RecordingRenderer() override { setCurrent(nullptr); }

    struct Call {
        QString kind;
        const Task* task = nullptr;
        QSizeF size;
        bool weekly = false;
        bool squareBox = false;
        bool highlight = true;
        qint64 colorGroupId = -1;
        qint64 colorNameId = -1;
        double alpha = 0;
        double radius = -1;
        QString text;
    };
    mutable QList<Call> calls;

    QImage dayBoxImage(const Task& task, const QSizeF& size, bool squareBox, bool highlight) const override
    {
        calls.append({.kind = QStringLiteral("day"), .task = &task, .size = size, .squareBox = squareBox,
                      .highlight = highlight, .text = QString()});
        return blankImage(size);
    }
    QImage plannerItemImage(const Task& task, const QSizeF& size, bool weekly, bool squareBox,
                            bool highlight) const override
    {
        calls.append({.kind = QStringLiteral("planner"), .task = &task, .size = size, .weekly = weekly,
                      .squareBox = squareBox, .highlight = highlight, .text = QString()});
        return blankImage(size);
    }
    QImage smallImage(qint64 colorGroupId, qint64 colorNameId, double alpha, const QSizeF& size, double radius,
                      const QString& text) const override
    {
        calls.append({.kind = QStringLiteral("small"), .size = size, .highlight = false, .colorGroupId = colorGroupId,
                      .colorNameId = colorNameId, .alpha = alpha, .radius = radius, .text = text});
        return blankImage(size);
    }
};

using TaskDragImagesTest = TaskTest;

TEST_F(TaskDragImagesTest, DragHeightIs46PointsAnHourUpTo368)
{
    struct Case {
        double hours;
        double height;
    };
    for (const Case& c : {Case{10, 368}, Case{8.5, 368}, Case{8, 368}, Case{1.5, 69}, Case{0.5, 23}, Case{0, 0}})
        EXPECT_DOUBLE_EQ(Task::dragImageHeight(c.hours), c.height) << c.hours;
}

TEST_F(TaskDragImagesTest, LargeDragImageIsAsHighAsTheItemIsLong)
{
    struct Case {
        qint64 hasDuration;
        qint64 duration;
        qint64 type;
        double height;
    };
    const QList<Case> cases = {
        {1, 600, 1, 368}, {1, 90, 1, 69}, {1, 90, 0, 69},
        // Without a duration of its own, as long as a new item of the kind dragged.
        {0, 600, 0, 46}, {0, 600, 1, 23},
    };
    for (const Case& c : cases) {
        Task item;
        item.setHasDuration(c.hasDuration);
        item.setDuration(c.duration);
        const QList<DraggingImageComponent> components = item.draggingLargeImageWithSize(QSizeF(150, 500), c.type);
        ASSERT_EQ(components.size(), 1);
        EXPECT_EQ(components[0].key, QStringLiteral("TaskItem"));
        EXPECT_EQ(components[0].frame, QRectF(0, 0, 150, c.height)) << c.duration << " type " << c.type;
        EXPECT_EQ(components[0].contents.size(), QSize(150, int(c.height)));
    }
}

TEST_F(TaskDragImagesTest, RepresentativeIs186PointsWideAndHighAsTheDuration)
{
    struct Case {
        qint64 minutes;
        double height;
    };
    for (const Case& c : {Case{90, 69}, Case{600, 368}, Case{20, double(20.0f / 60.0f) * 46}}) {
        EXPECT_EQ(Task::draggingImageRepresentativeSize(c.minutes), QSizeF(186, c.height)) << c.minutes;
    }
    Task item;
    item.setDuration(90);
    EXPECT_EQ(item.draggingImageRepresentative().size(), QSize(186, 69));
}

TEST_F(TaskDragImagesTest, ViewsAreAskedForTheFormOfTheDraggedKind)
{
    const CalendarPtr category = addCategory();
    category->setColorGroupId(3);
    category->setColorNameId(5);
    Task item;
    item.setTaskName(QStringLiteral("Call Ann"));
    item.setCalendarId(category->primaryKey());
    item.setDuration(60);
    RecordingRenderer renderer;

    item.draggingLargeImageWithSize(QSizeF(150, 10), 0);
    item.draggingLargeImageWithSize(QSizeF(150, 10), 1);
    item.draggingLargeImageInPlannerWithSize(QSizeF(120, 18), 0);
    item.draggingLargeImageInPlannerWithSize(QSizeF(120, 18), 2);
    item.draggingImageRepresentative();
    const QList<DraggingImageComponent> small = item.draggingSmallImage();

    ASSERT_EQ(renderer.calls.size(), 6);
    const auto& c = renderer.calls;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(c[i].task, &item) << i;
        EXPECT_FALSE(c[i].highlight) << i;
    }
    EXPECT_EQ(c[0].kind, QStringLiteral("day"));
    EXPECT_TRUE(c[0].squareBox) << "events drag as the square event box";
    EXPECT_EQ(c[0].size, QSizeF(150, 46));
    EXPECT_FALSE(c[1].squareBox);
    EXPECT_EQ(c[2].kind, QStringLiteral("planner"));
    EXPECT_TRUE(c[2].weekly);
    EXPECT_TRUE(c[2].squareBox);
    EXPECT_EQ(c[2].size, QSizeF(120, 18));
    EXPECT_FALSE(c[3].weekly);
    EXPECT_FALSE(c[3].squareBox);
    EXPECT_EQ(c[4].kind, QStringLiteral("day"));
    EXPECT_FALSE(c[4].squareBox);
    EXPECT_EQ(c[4].size, QSizeF(186, 46));
    EXPECT_EQ(c[5].kind, QStringLiteral("small"));
    EXPECT_EQ(c[5].colorGroupId, 3);
    EXPECT_EQ(c[5].colorNameId, 5);
    EXPECT_DOUBLE_EQ(c[5].alpha, 0.9);
    EXPECT_EQ(c[5].size, QSizeF(100, 20));
    EXPECT_DOUBLE_EQ(c[5].radius, 0);
    EXPECT_EQ(c[5].text, QStringLiteral("Call Ann"));
    ASSERT_EQ(small.size(), 1);
    EXPECT_EQ(small[0].key, QStringLiteral("TaskItem"));
    EXPECT_EQ(small[0].frame, QRectF(0, 0, 100, 20));
}

}  // namespace
