#include "DetailViewController.h"

#include "../Model/ModelTestFixture.h"
#include "Task.h"
#include "View.h"

#include <gtest/gtest.h>

namespace {

class DetailViewControllerTest : public ModelTest {};

TaskPtr itemOfType(qint64 type)
{
    auto item = std::make_shared<Task>();
    item->setTaskType(type);
    return item;
}

}  // namespace

TEST_F(DetailViewControllerTest, EachRequestIsKeptWithItsItemAndViews)
{
    DetailViewController controller;
    EXPECT_EQ(controller.lastRequest().request, DetailViewController::Request::None);
    View anchor(QRectF(0, 0, 50, 20));
    View parent(QRectF(0, 0, 200, 200));
    struct Case {
        const char* name;
        std::function<void(const TaskPtr&)> ask;
        qint64 type;
        DetailViewController::Request request;
        View* parentView;
    };
    const Case cases[] = {
        {"a task", [&](const TaskPtr& item) { controller.editTask(item, &anchor); }, 1,
         DetailViewController::Request::TaskEditor, nullptr},
        {"an event", [&](const TaskPtr& item) { controller.editTask(item, &anchor); }, 0,
         DetailViewController::Request::EventEditor, nullptr},
        {"a checklist item opens the event editor", [&](const TaskPtr& item) { controller.editTask(item, &anchor); },
         2, DetailViewController::Request::EventEditor, nullptr},
        {"links", [&](const TaskPtr& item) { controller.detailLink(item, &anchor); }, 1,
         DetailViewController::Request::Links, nullptr},
        {"a note", [&](const TaskPtr& item) { controller.editNote(item, &anchor, &parent); }, 3,
         DetailViewController::Request::NoteEditor, &parent},
    };
    int count = 0;
    for (const Case& c : cases) {
        const TaskPtr item = itemOfType(c.type);
        c.ask(item);
        EXPECT_EQ(controller.requestCount(), ++count) << c.name;
        EXPECT_EQ(controller.lastRequest().request, c.request) << c.name;
        EXPECT_EQ(controller.lastRequest().item, item) << c.name;
        EXPECT_EQ(controller.lastRequest().positioningView, &anchor) << c.name;
        EXPECT_EQ(controller.lastRequest().parentView, c.parentView) << c.name;
    }
}

TEST_F(DetailViewControllerTest, ARequestWithoutAnItemIsNotKept)
{
    DetailViewController controller;
    View anchor(QRectF(0, 0, 50, 20));
    controller.editTask(itemOfType(0), &anchor);
    controller.editTask(nullptr, &anchor);
    controller.detailLink(nullptr, &anchor);
    controller.editNote(nullptr, &anchor, nullptr);
    EXPECT_EQ(controller.requestCount(), 1);
    EXPECT_EQ(controller.lastRequest().request, DetailViewController::Request::EventEditor);

    // A view gone since is not named.
    auto* gone = new View(QRectF(0, 0, 10, 10));
    controller.detailLink(itemOfType(1), gone);
    delete gone;
    EXPECT_EQ(controller.lastRequest().positioningView, nullptr);
}
