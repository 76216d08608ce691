#include "TaskFormFixture.h"

#include "../Model/PostedNotifications.h"
#include "Calendar.h"
#include "CoreData.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "RecordingICalSync.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "TextTable.h"

#include <QDateTimeEdit>
#include <QMouseEvent>

#include <functional>

namespace {

using TaskDetailViewTest = TaskFormTest;

QVariantMap hoursEndingAt(qint64 weekdayEnd, qint64 tuesdayEnd)
{
    QVariantMap hours;
    for (const QString& key : Setting::dayManagerKeys())
        hours.insert(key, key.endsWith(QStringLiteral("EndTime")) ? weekdayEnd : 9 * 60);
    hours.insert(QStringLiteral("TuedayEndTime"), tuesdayEnd);
    return hours;
}

}  // namespace

TEST_F(TaskDetailViewTest, StoredDurationsShowAsPresetCustomOrNone)
{
    struct Case {
        qint64 minutes, hasDuration;
        int tag;
        qint64 hours, mins;
    };
    const Case cases[] = {
        {45, 1, TaskDetailView::customDurationTag, 0, 45},
        {150, 1, TaskDetailView::customDurationTag, 2, 30},
        {90, 1, 5, 0, 0},
        {15, 1, 2, 0, 0},
        {90, 0, TaskDetailView::noDurationTag, 0, 0},
    };
    for (const Case& c : cases) {
        const TaskPtr item = storedTask();
        item->setDuration(c.minutes);
        item->setHasDuration(c.hasDuration);
        editForm(item);
        EXPECT_EQ(selectedTag(m_form->durationBtn()), c.tag) << c.minutes << "/" << c.hasDuration;
        EXPECT_EQ(m_form->durationOther()->isHidden(), c.tag != TaskDetailView::customDurationTag) << c.minutes;
        if (c.tag == TaskDetailView::customDurationTag) {
            EXPECT_EQ(m_form->durationOther()->getHours(), c.hours);
            EXPECT_EQ(m_form->durationOther()->getMinutes(), c.mins);
        }
        EXPECT_TRUE(m_form->revertBtn()->isHidden()) << "loading changes nothing";
    }
}

TEST_F(TaskDetailViewTest, ANewTaskTakesTheDefaultDurationOrFifteenMinutes)
{
    const QList<QPair<qint64, QString>> cases{{30, QStringLiteral("_30minutesText")},
                                              {120, QStringLiteral("_2hoursText")},
                                              {100, QStringLiteral("_15minutesText")}};
    for (const auto& [minutes, key] : cases) {
        setting().setDurationDefTaskVal(minutes);
        addForm();
        EXPECT_EQ(m_form->durationBtn()->titleOfSelectedItem(), TextTable::localizedString(key)) << minutes;
    }
}

TEST_F(TaskDetailViewTest, TheDefaultDueDateIsTheWorkingEndOfTheStartsDayOrTheNext)
{
    const QVariantMap hours = hoursEndingAt(1020, 16 * 60);
    const Date monday = localDate(2014, 1, 13);
    struct Case {
        Date start, now, due;
    };
    const Case cases[] = {
        {localDate(2014, 1, 13, 10), localDate(2014, 1, 13, 10), localDate(2014, 1, 13, 17)},
        {localDate(2014, 1, 13, 18), localDate(2014, 1, 13, 18), localDate(2014, 1, 14, 16)},
        // A start in the past counts from today.
        {localDate(2014, 1, 10, 10), localDate(2014, 1, 13, 10), localDate(2014, 1, 13, 17)},
        // A start in the future keeps its own day.
        {localDate(2014, 1, 14, 8), localDate(2014, 1, 13, 10), localDate(2014, 1, 14, 16)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TaskDetailView::defaultDueDate(c.start, c.now, hours), c.due) << c.start.timeIntervalSince1970();
    EXPECT_EQ(Setting::workingEndOnDay(monday, QVariantMap()), localDate(2014, 1, 13, 18))
        << "missing working hours end the day at 18:00";
    EXPECT_EQ(TaskDetailView::defaultDueDate(localDate(2014, 1, 13, 10), localDate(2014, 1, 13, 10), hoursEndingAt(1440, 0)),
              localDate(2014, 1, 14)) << "a day worked to 24:00 is due at its midnight";
}

TEST_F(TaskDetailViewTest, TickingTheDueBoxOnANewTaskGivesTheWorkingEndAndASilentAlert)
{
    setting().setDayManagers(hoursEndingAt(1020, 16 * 60));
    Clock::setFixed(localDate(2014, 1, 13, 18));
    addForm();
    m_form->startTextField()->setDateValue(localDate(2014, 1, 13, 18));
    EXPECT_FALSE(itemEnabled(m_form->repeatRules().repeatFromBtn(), 2));
    m_form->hasDueBtn()->performClick();
    EXPECT_EQ(m_form->dueTextField()->dateValue(), localDate(2014, 1, 14, 16));
    EXPECT_FALSE(m_form->dueTextField()->isHidden());
    EXPECT_TRUE(itemEnabled(m_form->repeatRules().repeatFromBtn(), 2));

    ASSERT_EQ(m_form->alertRows().arrayOfAlertRow().size(), 2) << "one alert and the empty slot";
    const auto alerts = m_form->alertRows().alertList();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts.first()->relativeOffset(), -2 * 86400);
    EXPECT_TRUE(alerts.first()->soundName().isEmpty()) << "silent";

    m_form->hasDueBtn()->performClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_form->alertRows().arrayOfAlertRow().isEmpty());
    EXPECT_FALSE(itemEnabled(m_form->repeatRules().repeatFromBtn(), 2));
    EXPECT_TRUE(m_form->dueTextField()->isHidden());
}

TEST_F(TaskDetailViewTest, TickingTheDueBoxOnATaskWithAlertsAddsOnlyTheSlot)
{
    const TaskPtr item = storedTask(QStringLiteral("Call"), false);
    item->setAlertValues(QStringLiteral("/1|-3600|"));
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    EXPECT_TRUE(m_form->alertRows().arrayOfAlertRow().isEmpty());
    m_form->hasDueBtn()->performClick();
    EXPECT_EQ(m_form->alertRows().arrayOfAlertRow().size(), 1);
    EXPECT_TRUE(m_form->alertRows().alertList().isEmpty());
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
}

TEST_F(TaskDetailViewTest, MovingTheDueDateMovesTheStartWithIt)
{
    editForm(storedTask());
    EXPECT_EQ(m_form->startToDueDuration(), -3 * 86400.0);
    m_form->dueTextField()->setDateValue(localDate(2014, 1, 17, 9));
    m_form->dueTimeChanged();
    EXPECT_EQ(m_form->startTextField()->dateValue(), localDate(2014, 1, 14, 9));
    EXPECT_FALSE(m_form->revertBtn()->isHidden());

    m_form->dueTextField()->setDateValue(localDate(2014, 1, 13, 9));
    m_form->dueTimeChanged();
    EXPECT_EQ(m_form->startTextField()->dateValue(), localDate(2014, 1, 10, 9))
        << "a due date moved before the start takes the start along";
}

// A task without a due date whose stored placeholder lies hours before its
// start: once Due is ticked, the start keeps the distance the form shows.
TEST_F(TaskDetailViewTest, TheStartFollowsEachStepAndTypedDayOfTheDueDate)
{
    const TaskPtr item = storedTask(QStringLiteral("Late"), false);
    item->setStartTime(localDate(2014, 1, 20, 23, 45));
    item->setDueEnd(localDate(2014, 1, 20, 0, 15));
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    m_form->hasDueBtn()->performClick();
    const Date ticked = m_form->dueTextField()->dateValue();
    EXPECT_GE(ticked, localDate(2014, 1, 20, 23, 45)) << "the default due date is not before the start";

    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    QDateTimeEdit* due = m_form->dueTextField()->editor();
    due->setFocus(Qt::OtherFocusReason);
    due->setSelectedSection(QDateTimeEdit::DaySection);
    const auto key = [due](Qt::Key k, const QString& text = QString()) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(due, &press);
    };
    const Date start = localDate(2014, 1, 20, 23, 45);
    const auto stepped = [&](int days) { return Utilities::newDateFromDate(ticked, days * 86400); };
    const auto onDay = [&](int day) {
        return localDate(2014, 1, day, int(Utilities::getHour(ticked)), int(Utilities::getMinute(ticked)));
    };
    const double gap = ticked.timeIntervalSinceDate(start);
    // A step moves the start by the same step; a typed day after the start
    // leaves it where it is, and the next step moves it from there.
    const struct {
        std::function<void()> act;
        Date due, start;
    } steps[] = {
        {[&] { key(Qt::Key_Up); }, stepped(1), Utilities::newDateFromDate(stepped(1), -gap)},
        {[&] { key(Qt::Key_Up); }, stepped(2), Utilities::newDateFromDate(stepped(2), -gap)},
        {[&] { due->setSelectedSection(QDateTimeEdit::DaySection); key(Qt::Key_2, "2"); key(Qt::Key_7, "7"); },
         onDay(27), Utilities::newDateFromDate(stepped(2), -gap)},
        {[&] { due->setSelectedSection(QDateTimeEdit::DaySection); key(Qt::Key_Down); }, onDay(26),
         Utilities::newDateFromDate(stepped(1), -gap)},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(m_form->dueTextField()->dateValue(), step.due);
        EXPECT_EQ(m_form->startTextField()->dateValue(), step.start);
    }
}

// Typing passes through values on the way ("2" before "23"): the start
// waits for the end of the edit, and moves only when the due date typed
// would fall before it, keeping the distance it had.
TEST_F(TaskDetailViewTest, ATypedDueDateMovesTheStartOnlyWhenItEndsBeforeIt)
{
    struct Typed {
        QDateTimeEdit::Section section;
        QString digits;
    };
    struct Case {
        const char* what;
        Date start, due;  // null due: a new task, Due ticked
        QList<Typed> typing;
        bool endBySaving;
        Date typedDue, endStart;
    };
    const Case cases[] = {
        {"a later minute on the start's day", localDate(2014, 1, 15, 23, 45), {},
         {{QDateTimeEdit::DaySection, "15"}, {QDateTimeEdit::HourSection, "23"}, {QDateTimeEdit::MinuteSection, "50"}},
         false, localDate(2014, 1, 15, 23, 50), localDate(2014, 1, 15, 23, 45)},
        {"a later day", localDate(2014, 1, 13, 9), localDate(2014, 1, 16, 9), {{QDateTimeEdit::DaySection, "20"}}, false,
         localDate(2014, 1, 20, 9), localDate(2014, 1, 13, 9)},
        {"the evening before the start", localDate(2014, 1, 16, 9), localDate(2014, 1, 16, 17),
         {{QDateTimeEdit::DaySection, "15"}, {QDateTimeEdit::HourSection, "21"}}, false, localDate(2014, 1, 15, 21),
         localDate(2014, 1, 15, 13)},
        {"before the start, saved while typing", localDate(2014, 1, 16, 9), localDate(2014, 1, 16, 17),
         {{QDateTimeEdit::DaySection, "14"}}, true, localDate(2014, 1, 14, 17), localDate(2014, 1, 14, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TaskPtr item = storedTask(QStringLiteral("Typed"), !c.due.isNull());
        item->setStartTime(c.start);
        if (!c.due.isNull()) item->setDueEnd(c.due);
        ASSERT_TRUE(item->dehydrate());
        editForm(item);
        if (c.due.isNull()) m_form->hasDueBtn()->performClick();
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        QDateTimeEdit* due = m_form->dueTextField()->editor();
        due->setFocus(Qt::OtherFocusReason);
        const auto press = [due](Qt::Key k, const QString& text = QString()) {
            QKeyEvent event(QEvent::KeyPress, k, Qt::NoModifier, text);
            QApplication::sendEvent(due, &event);
        };
        for (const Typed& part : c.typing) {
            due->setSelectedSection(part.section);
            for (QChar digit : part.digits) {
                press(Qt::Key(digit.unicode()), QString(digit));
                EXPECT_EQ(m_form->startTextField()->dateValue(), c.start) << "moved while typing " << digit.toLatin1();
            }
        }
        EXPECT_EQ(m_form->dueTextField()->dateValue(), c.typedDue);
        if (c.endBySaving) {
            m_form->doneEdit();
            EXPECT_EQ(reread(item)->startTime(), c.endStart);
        } else {
            press(Qt::Key_Return);
        }
        EXPECT_EQ(m_form->startTextField()->dateValue(), c.endStart);
        EXPECT_EQ(m_form->dueTextField()->dateValue(), c.typedDue);
    }
}

TEST_F(TaskDetailViewTest, TheDueDateShowsAsStoredEvenBeforeTheStart)
{
    struct Case {
        Date start;
        Date due;
    };
    const Case cases[] = {
        {localDate(2014, 1, 13, 9), localDate(2014, 1, 16, 9)},
        {localDate(2014, 1, 16, 23, 45), localDate(2014, 1, 16, 0, 15)},
    };
    for (const Case& c : cases) {
        const TaskPtr item = storedTask();
        item->setStartTime(c.start);
        item->setDueEnd(c.due);
        ASSERT_TRUE(item->dehydrate());
        editForm(item);
        EXPECT_EQ(m_form->startTextField()->dateValue(), c.start);
        EXPECT_EQ(m_form->dueTextField()->dateValue(), c.due);
        EXPECT_TRUE(m_form->revertBtn()->isHidden()) << "opening the editor changes nothing";
    }
}

TEST_F(TaskDetailViewTest, AWeeklyRuleLoadsWithItsDaysAndRepeatFromShowsRevert)
{
    const TaskPtr item = storedTask();
    item->setRepeatType(2);
    item->setRepeatOptions(QStringLiteral("2/2|4|6/0"));
    item->setTaskRepeatStyle(0);
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    RepeatRuleRows& rules = m_form->repeatRules();
    EXPECT_EQ(rules.repeatEveryTextField()->stringValue(), QStringLiteral("2"));
    EXPECT_EQ(rules.selectedWeekdays(), QStringLiteral("2|4|6"));
    EXPECT_TRUE(m_form->revertBtn()->isHidden());
    EXPECT_TRUE(itemEnabled(rules.repeatFromBtn(), 2));
    choose(rules.repeatFromBtn(), 2);
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
}

TEST_F(TaskDetailViewTest, TagsOfTheCategoryAndOfTheTaskShowTogether)
{
    const CalendarPtr category = addCategory(0, 0, QStringLiteral("/home/errands"));
    const TaskPtr item = storedTask();
    item->setCalendarId(category->primaryKey());
    item->setTagList(QStringLiteral("/phone"));
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    QStringList shown = m_form->tagDetailView()->objectValue();
    shown.sort();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("errands"), QStringLiteral("home"), QStringLiteral("phone")}));

    const auto endEdit = [&](const QStringList& tokens) {
        m_form->tagDetailView()->setObjectValue(tokens);
        NotificationCenter::defaultCenter().postNotificationName(
            kTextFieldHasChangedNotification,
            NotificationPayload::identityOf(static_cast<TokenField*>(m_form->tagDetailView())));
    };
    endEdit({QStringLiteral("errands"), QStringLiteral("phone")});
    EXPECT_TRUE(m_form->revertBtn()->isHidden()) << "the task's own tags are unchanged";
    endEdit({QStringLiteral("errands"), QStringLiteral("phone"), QStringLiteral("work")});
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
}

TEST_F(TaskDetailViewTest, ChangingTheLocationAndBackLeavesRevertShown)
{
    editForm(storedTask());
    typeInto(m_form->locationTextField(), QStringLiteral("desk"));
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
    typeInto(m_form->locationTextField(), QString());
    EXPECT_EQ(m_form->locationTextField()->stringValue(), QString());
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
}

TEST_F(TaskDetailViewTest, TypingACustomDurationShowsRevert)
{
    editForm(storedTask());
    choose(m_form->durationBtn(), TaskDetailView::customDurationTag);
    EXPECT_FALSE(m_form->durationOther()->isHidden());
    EXPECT_FALSE(m_form->revertBtn()->isHidden()) << "a stored 30 minutes is no custom 0";
}

TEST_F(TaskDetailViewTest, ASharedTaskOpensReadOnly)
{
    const CalendarPtr category = addCategory();
    for (qint64 delegateStatus : {0, 1}) {
        const TaskPtr item = storedTask();
        item->setCalendarId(category->primaryKey());
        item->setIsShared(true);
        item->setDelegateStatus(delegateStatus);
        editForm(item);
        for (View* control : std::initializer_list<View*>{m_form->locationTextField(), m_form->durationBtn(),
                                                          m_form->startTextField(), m_form->hasDueBtn(),
                                                          m_form->calendarBtn(), m_form->urlTextField(),
                                                          m_form->starBtn(), m_form->repeatRules().repeatBtn()})
            EXPECT_FALSE(control->isEnabled()) << control->metaObject()->className();
        EXPECT_TRUE(m_form->addLinkBtn()->isHidden());
        EXPECT_EQ(m_form->completedBtn()->isEnabled(), delegateStatus == 1);
        EXPECT_EQ(m_form->calendarBtn()->indexOfSelectedItem(), 0);
        EXPECT_EQ(selectedTag(m_form->calendarBtn()), int(category->primaryKey()));
    }
}

TEST_F(TaskDetailViewTest, AHiddenCategoryStaysTheTasks)
{
    const CalendarPtr hidden = addCategory(0, 1);
    const TaskPtr item = storedTask();
    item->setCalendarId(hidden->primaryKey());
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    EXPECT_EQ(selectedTag(m_form->calendarBtn()), int(hidden->primaryKey()));
    typeInto(m_form->locationTextField(), QStringLiteral("x"));
    m_form->doneEdit();
    EXPECT_EQ(reread(item)->calendarId(), hidden->primaryKey());
}

TEST_F(TaskDetailViewTest, TheEditLayoutStacksTheCompletedRowFirst)
{
    editForm(storedTask());
    EXPECT_EQ(m_form->allRowView().first(), m_form->completedRow());
    EXPECT_FALSE(m_form->starBtn()->isHidden());
    EXPECT_TRUE(m_form->addTaskBtn()->isHidden());
    const qsizetype n = m_form->allRowView().size();
    const double title = m_form->title()->frame().height();
    EXPECT_DOUBLE_EQ(m_form->frame().height(),
                     25.0 * double(n) + 34 + title + m_form->tagDetailView()->frame().height());
    EXPECT_DOUBLE_EQ(m_form->tagRow()->frame().y(), title + 4 + 25.0 * double(n));
    EXPECT_DOUBLE_EQ(m_form->doneBtn()->frame().bottom(), m_form->frame().height() + 1);
}

// ---- saving --------------------------------------------------------------------------

TEST_F(TaskDetailViewTest, DoneWithNothingChangedWritesNothingAndStillCloses)
{
    const TaskPtr item = storedTask();
    editForm(item);
    m_form->locationTextField()->setStringValue(QStringLiteral("not noticed"));
    PostedNotifications posts({kPopoverShouldClose, kTaskChanged});
    m_form->doneEdit();
    EXPECT_EQ(posts.names(), (QStringList{kPopoverShouldClose, kTaskChanged}));
    EXPECT_EQ(reread(item)->taskLocation(), QString());
}

TEST_F(TaskDetailViewTest, SavingWritesTheFormWithItsFallbacks)
{
    const TaskPtr item = storedTask();
    editForm(item);
    m_form->title()->setString(QString());
    m_form->hasDueBtn()->performClick();  // no due date any more
    choose(m_form->durationBtn(), TaskDetailView::noDurationTag);
    choose(m_form->repeatRules().repeatBtn(), RepeatRuleRows::weeklyTag);
    for (int segment = 0; segment < 7; ++segment)
        m_form->repeatRules().repeatSegmentedDayControl()->setSelected(false, segment);
    const Date start = m_form->startTextField()->dateValue();
    m_form->doneEdit();

    const TaskPtr stored = reread(item);
    EXPECT_EQ(stored->taskName(), TextTable::localizedString(QStringLiteral("untitledText")));
    EXPECT_EQ(stored->hasDue(), 0);
    EXPECT_EQ(stored->dueEnd(), stored->startTime());
    EXPECT_EQ(stored->hasDuration(), 0);
    EXPECT_EQ(stored->duration(), taskMinutes);
    EXPECT_EQ(stored->repeatType(), 2);
    EXPECT_EQ(stored->repeatOptions(), QStringLiteral("1/%1/0").arg(Utilities::getWeekday(start)));
    EXPECT_EQ(stored->startTime(), start) << "the start never moves";
}

// Another program's change reaches the row while the form is open (as the
// store's import or the web sync writes it); Done writes what the person
// changed and keeps the rest as stored now.
TEST_F(TaskDetailViewTest, WhatChangedElsewhereWhileTheFormWasOpenIsKept)
{
    struct Case {
        const char* what;
        std::function<void(Task&)> elsewhere;
        std::function<void(TaskDetailView&)> here;
        QString title;
        Date due;
        qint64 pinned = 0;
        bool told = false;
    };
    const Date due16 = localDate(2014, 1, 16, 9), due20 = localDate(2014, 1, 20, 9);
    const auto retitleRow = [](Task& row) { row.setTaskName(QStringLiteral("Sync")); };
    const auto retitle = [](TaskDetailView& form) { form.title()->setString(QStringLiteral("Review")); };
    const Case cases[] = {
        {"due date moved elsewhere, retitled here", [&](Task& row) { row.setDueEnd(due20); }, retitle, "Review", due20},
        {"retitled elsewhere, starred here", retitleRow, [](TaskDetailView& form) { form.starBtn()->performClick(); },
         "Sync", due16, 1},
        {"retitled on both sides: the person's title, and told", retitleRow, retitle, "Review", due16, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedAlertPresenter alerts;
        const TaskPtr item = storedTask();
        editForm(item);
        const TaskPtr row = reread(item);
        c.elsewhere(*row);
        ASSERT_TRUE(row->dehydrate());
        c.here(*m_form);
        m_form->showRevert();
        if (c.told) alerts.scriptButton(AlertResponse::firstButton);
        m_form->doneEdit();
        const TaskPtr stored = reread(item);
        EXPECT_EQ(stored->taskName(), c.title);
        EXPECT_EQ(stored->dueEnd(), c.due);
        EXPECT_EQ(stored->isPinned(), c.pinned);
        EXPECT_EQ(alerts.requests().size(), c.told ? 1 : 0);
    }
}

TEST_F(TaskDetailViewTest, ACustomDurationOfNothingStoresTheDefault)
{
    const TaskPtr item = storedTask();
    item->setDuration(50);
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    typeInto(m_form->durationOther()->durationHourTextField(), QStringLiteral("0"));
    typeInto(m_form->durationOther()->durationMinuteTextField(), QString());
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
    m_form->doneEdit();
    EXPECT_EQ(reread(item)->duration(), taskMinutes);
    EXPECT_EQ(reread(item)->hasDuration(), 1);

    editForm(item);
    choose(m_form->durationBtn(), TaskDetailView::customDurationTag);
    typeInto(m_form->durationOther()->durationHourTextField(), QStringLiteral("30"));
    typeInto(m_form->durationOther()->durationMinuteTextField(), QStringLiteral("75"));
    m_form->doneEdit();
    EXPECT_EQ(reread(item)->duration(), 23 * 60 + 59) << "typed values beyond the range are capped";
}

TEST_F(TaskDetailViewTest, ATaskMadeRepeatingWarnsOnceAfterThePopoverClosed)
{
    setting().setShowWarningAddRepeatTask(1);
    ScriptedAlertPresenter presenter;
    bool closedBeforeWarning = false;
    PostedNotifications posts({kPopoverShouldClose});
    presenter.setWhileRunning([&] { closedBeforeWarning = posts.names().size() == 1; });
    presenter.scriptButton(AlertResponse::firstButton, true);

    const TaskPtr item = storedTask();
    editForm(item);
    choose(m_form->repeatRules().repeatBtn(), RepeatRuleRows::dailyTag);
    m_form->doneEdit();
    ASSERT_EQ(presenter.requests().size(), 1);
    EXPECT_EQ(presenter.requests().first().messageText,
              TextTable::localizedString(QStringLiteral("editRepeatTaskWarningText")));
    EXPECT_TRUE(presenter.requests().first().showsSuppressionButton);
    EXPECT_TRUE(closedBeforeWarning);
    EXPECT_EQ(setting().showWarningAddRepeatTask(), 0);

    // Suppressed: another task made repeating asks nothing.
    const TaskPtr other = storedTask(QStringLiteral("Other"));
    editForm(other);
    choose(m_form->repeatRules().repeatBtn(), RepeatRuleRows::dailyTag);
    m_form->doneEdit();
    EXPECT_EQ(presenter.requests().size(), 1);
}

TEST_F(TaskDetailViewTest, ATaskThatAlreadyRepeatedIsNotWarnedAbout)
{
    setting().setShowWarningAddRepeatTask(1);
    ScriptedAlertPresenter presenter;
    const TaskPtr item = storedTask();
    item->setRepeatType(1);
    item->setRepeatOptions(QStringLiteral("1//0"));
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    choose(m_form->repeatRules().repeatBtn(), RepeatRuleRows::weeklyTag);
    m_form->doneEdit();
    EXPECT_TRUE(presenter.requests().isEmpty());
    EXPECT_EQ(reread(item)->repeatType(), 2);
}

TEST_F(TaskDetailViewTest, ARepeatingTaskDoneAndSavedLeavesItsNextOccurrenceOpen)
{
    const TaskPtr item = storedTask(QStringLiteral("Water plants"));
    item->setRepeatType(1);
    item->setRepeatOptions(QStringLiteral("1//0"));
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    m_form->completedBtn()->performClick();
    EXPECT_FALSE(m_form->completedDate()->isHidden());
    m_form->doneEdit();

    const TaskPtr stored = reread(item);
    EXPECT_EQ(stored->status(), 1);
    EXPECT_EQ(stored->repeatType(), 0) << "the done one is a one-off";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE taskName='Water plants' AND status=0 "
                                      "AND repeatType=1")),
              1);
}

TEST_F(TaskDetailViewTest, RevertUndoesADoneBoxTickedWithoutDone)
{
    const TaskPtr item = storedTask();
    const Date completedBefore = item->completedDate();
    editForm(item);
    m_form->completedBtn()->performClick();
    EXPECT_EQ(item->status(), 1) << "the box writes to the record at once";
    EXPECT_EQ(item->completedDate(), now());
    // Another command meanwhile makes a different item the one being changed.
    dataManager().setModifyingTask(storedTask());
    m_form->revertEdit();
    EXPECT_EQ(item->status(), 0);
    EXPECT_EQ(item->completedDate(), completedBefore);
    EXPECT_EQ(m_form->completedBtn()->state(), 0);
    EXPECT_TRUE(m_form->revertBtn()->isHidden());
}

TEST_F(TaskDetailViewTest, SavingSendsTheTaskToTheSystemCalendarByItsCategory)
{
    auto owned = std::make_unique<RecordingICalSync>();
    RecordingICalSync& sync = *owned;
    dataManager().setICalSync(std::move(owned));
    const CalendarPtr noTasks = addCategory();
    noTasks->setTaskOrEvent(2);
    ASSERT_TRUE(noTasks->dehydrate());

    struct Case {
        QString uid;
        qint64 taskOrEvent;
        QString operation;
        QString uidAfter;
    };
    const Case cases[] = {
        {QStringLiteral("uid-1"), 0, QStringLiteral("updateTask"), QStringLiteral("uid-1")},
        {QString(), 0, QStringLiteral("insertTask"), QString()},
        {QStringLiteral("uid-2"), 2, QStringLiteral("deleteTask"), QString()},
    };
    for (const Case& c : cases) {
        const TaskPtr item = storedTask();
        item->setICalUID(c.uid);
        item->setCalendarId(c.taskOrEvent == 2 ? noTasks->primaryKey() : 1);
        ASSERT_TRUE(item->dehydrate());
        sync.clearCalls();
        editForm(item);
        typeInto(m_form->locationTextField(), QStringLiteral("office"));
        m_form->doneEdit();
        ASSERT_EQ(sync.calls().size(), 1) << c.operation.toStdString();
        EXPECT_EQ(sync.calls().first().operation, c.operation);
        EXPECT_EQ(reread(item)->iCalUID(), c.uidAfter);
    }
}

TEST_F(TaskDetailViewTest, AddingHandsTheHostANewUnnamedTask)
{
    RecordingTaskHost host;
    addForm(host.panel);
    m_form->locationTextField()->setStringValue(QStringLiteral("home"));
    m_form->addTaskBtn()->performClick();
    ASSERT_EQ(host.added.size(), 1);
    const TaskPtr added = host.added.first();
    EXPECT_EQ(added->taskType(), 1);
    EXPECT_EQ(added->builtIn(), 0);
    EXPECT_EQ(added->isInitialTask(), 1);
    EXPECT_TRUE(added->taskName().isEmpty());
    EXPECT_EQ(added->isPinned(), 0);
    EXPECT_EQ(added->taskLocation(), QStringLiteral("home"));
    EXPECT_EQ(added->calendarId(), 1);
    m_form->cancelBtn()->performClick();
    EXPECT_EQ(host.resets, 1);

    // An edit form drops what it builds.
    editForm(storedTask());
    m_form->setParentView(host.panel);
    m_form->addTask();
    m_form->cancelAdd();
    EXPECT_EQ(host.added.size(), 1);
    EXPECT_EQ(host.resets, 1);
}

TEST_F(TaskDetailViewTest, WithActiveTasksOnlyTheWorkingListFollowsTheStart)
{
    setting().setShowActiveTaskOnly(1);
    const auto listed = [&](const TaskPtr& item) {
        for (const TaskPtr& entry : dataManager().allTasksEventsAdes())
            if (entry->primaryKey() == item->primaryKey()) return true;
        return false;
    };
    const TaskPtr moved = storedTask(QStringLiteral("Later"));
    dataManager().doWithAllTasksEventsAdes(TaskList{moved}, 0);
    ASSERT_TRUE(listed(moved));
    editForm(moved);
    m_form->startTextField()->setDateValue(localDate(2014, 1, 16, 9));
    m_form->startTimeChanged();
    m_form->doneEdit();
    EXPECT_FALSE(listed(moved)) << "a start after today leaves the list";

    const TaskPtr active = storedTask(QStringLiteral("Now"));
    dataManager().doWithAllTasksEventsAdes(TaskList{active}, ListAction::Remove);
    ASSERT_FALSE(listed(active));
    editForm(active);
    typeInto(m_form->locationTextField(), QStringLiteral("desk"));
    m_form->doneEdit();
    EXPECT_TRUE(listed(active)) << "an active task joins the list";
}

// With the keyboard alone: Tab visits every control of the add form, in
// reading order, and Space ticks the due box, whose date Tab visits next.
TEST_F(TaskDetailViewTest, TabVisitsEveryControlOfTheAddFormInReadingOrder)
{
    for (const bool tickDue : {false, true}) {
        SCOPED_TRACE(tickDue ? "due ticked with Space" : "no due date");
        addForm();
        TaskDetailView& form = *m_form;
        form.show();
        QApplication::setActiveWindow(&form);
        QWidget* first = form.locationTextField()->editor();
        first->setFocus(Qt::OtherFocusReason);
        QList<QWidget*> visited{first};
        for (int presses = 0; presses < 80; ++presses) {
            QWidget* focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            if (tickDue && focused == form.hasDueBtn() && form.hasDueBtn()->state() == OffState) {
                QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
                QApplication::sendEvent(focused, &space);
            }
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QApplication::sendEvent(focused, &tab);
            QWidget* next = QApplication::focusWidget();
            if (next == first) break;
            // A date field takes one Tab for each of its parts.
            if (next != visited.last()) visited.append(next);
        }
        EXPECT_EQ(form.hasDueBtn()->state(), tickDue ? OnState : OffState);

        QList<QWidget*> order{first, form.durationBtn(), form.startTextField()->editor(), form.hasDueBtn()};
        if (tickDue) order.append(form.dueTextField()->editor());
        order << form.repeatRules().repeatBtn() << form.calendarBtn() << form.urlTextField()->editor()
              << form.desc()->editor() << form.tagDetailView()->editor() << form.cancelBtn() << form.saveBtn();
        qsizetype at = 0;
        for (QWidget* stop : order) {
            const qsizetype found = visited.indexOf(stop, at);
            EXPECT_GE(found, at) << "stop " << order.indexOf(stop) << " missing or out of order";
            if (found >= at) at = found + 1;
        }
        // Nothing shown that takes the keyboard is left out, and nothing
        // is visited twice in one round.
        for (QWidget* control : form.findChildren<QWidget*>()) {
            if ((control->focusPolicy() & Qt::TabFocus) && !control->focusProxy() && control->isVisibleTo(&form) &&
                control->isEnabled())
                EXPECT_EQ(visited.count(control), 1) << control->metaObject()->className() << " at "
                                                      << control->mapTo(&form, QPoint()).y();
        }
        // The alert rows a due date brings sit between the category and
        // the address, and Tab visits them there.
        const qsizetype alertStops =
            visited.indexOf(form.urlTextField()->editor()) - visited.indexOf(form.calendarBtn()) - 1;
        EXPECT_EQ(alertStops > 0, tickDue);
        if (tickDue) {
            form.repeatRules().repeatBtn()->setFocus(Qt::TabFocusReason);
            saveScreenshot(&form, QStringLiteral("task-add-form-keyboard"));
        }
    }
}
