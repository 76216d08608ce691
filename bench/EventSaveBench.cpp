// The editor popover's two costs a user waits for: Done on an edit of every
// occurrence of a daily series that has 200 changed occurrences stored, from
// the click to "Task changed"; and opening the editor popover beside a box
// (build, load, show).
#include "AlertPresenter.h"
#include "Clock.h"
#include "CoreData.h"
#include "CustomTextView.h"
#include "DetailViewController.h"
#include "EventDetailView.h"
#include "GregorianCalendar.h"
#include "NotificationCenter.h"
#include "Popover.h"
#include "Task.h"
#include "Utilities.h"
#include "View.h"
#include "Window.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Answers every scope question with its second button ("All").
class AllAnswers : public AlertPresenter {
public:
    AllAnswers() { AlertPresenter::setCurrent(this); }
    ~AllAnswers() override { AlertPresenter::setCurrent(nullptr); }
    AlertResponse runModal(const AlertRequest&) override
    {
        AlertResponse response;
        response.button = AlertResponse::secondButton;
        return response;
    }
};

class DailySeries : public BenchDatabase {
public:
    DailySeries()
    {
        Clock::setFixed(GregorianCalendar::dateFromFields(2026, 12, 7, 10, 7, 0));
        const Date start = GregorianCalendar::dateFromFields(2026, 1, 5, 9, 0, 0);
        root = std::make_shared<Task>();
        root->setTaskType(0);
        root->setTaskName(QStringLiteral("Stand-up"));
        root->setCalendarId(1);
        root->setStartTime(start);
        root->setEndTime(start.dateByAddingTimeInterval(1800));
        root->setDuration(30);
        root->setRepeatStartDate(start);
        root->setOccurrence(start);
        root->setRepeatType(1);
        root->setRepeatOptions(QStringLiteral("1//0"));
        root->setIsRepeatForever(1);
        if (!root->insertAndDehydrate()) std::exit(1);
        for (int day = 1; day <= 200; ++day) {
            const Date occurrence = Utilities::newDateFromDate(start, 86400.0 * day);
            auto row = std::make_shared<Task>();
            row->setTaskType(0);
            row->setTaskName(QStringLiteral("Stand-up, moved"));
            row->setCalendarId(1);
            row->setParentId(root->primaryKey());
            row->setOccurrence(occurrence);
            row->setStartTime(occurrence.dateByAddingTimeInterval(3600));
            row->setEndTime(occurrence.dateByAddingTimeInterval(5400));
            if (!row->insertAndDehydrate()) std::exit(1);
            root->addRepeatException(occurrence, Task::RepeatException::Changed);
        }
        if (!root->dehydrate()) std::exit(1);
        dataManager().doWithAllTasksEventsAdes(TaskList{root}, 0);
    }
    ~DailySeries() { Clock::reset(); }

    TaskPtr root;
};

void BM_DoneOnAllOccurrencesOfASeriesWith200ChangedOnes(benchmark::State& state)
{
    DailySeries data;
    AllAnswers answers;
    QObject observer;
    int told = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, kTaskChanged, nullptr,
                                                    [&](const Notification&) { ++told; });
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<EventDetailView>(QRectF(0, 0, 330, 100));
        form->setType(1);
        form->loadDataFromTask(Task::initWithPrimaryKey(data.root->primaryKey()));
        form->title()->setString(QStringLiteral("Stand-up %1").arg(++round));
        form->showRevert();
        const int before = told;
        state.ResumeTiming();
        form->doneEdit();
        state.PauseTiming();
        if (told != before + 1) state.SkipWithError("Done did not tell the change");
        form.reset();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    NotificationCenter::defaultCenter().removeObserver(&observer);
    state.SetLabel("click to \"Task changed\", scope All");
}
BENCHMARK(BM_DoneOnAllOccurrencesOfASeriesWith200ChangedOnes)->Unit(benchmark::kMillisecond);

void BM_OpenTheEditorPopoverBesideABox(benchmark::State& state)
{
    DailySeries data;
    Window::setAnimationDurationScale(0);
    Window window(QRectF(100, 100, 600, 600));
    auto* box = new View(QRectF(50, 300, 200, 40));
    window.contentView()->addSubview(box);
    window.orderFront();
    DetailViewController controller;
    for (auto _ : state) {
        controller.editTask(data.root, box);
        state.PauseTiming();
        if (!controller.popover() || !controller.popover()->isShown()) state.SkipWithError("the popover did not show");
        NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.SetLabel("build, load and show the event editor");
}
BENCHMARK(BM_OpenTheEditorPopoverBesideABox)->Unit(benchmark::kMillisecond);

}  // namespace
