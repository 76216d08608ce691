// The search panel: the groups a text finds and their order, occurrences of
// repeating events, refreshing rows in place, clicks and keys, and the row
// commands with the questions for repeating events.
#include "TaskListTestFixture.h"

#include "DetailViewController.h"
#include "Event.h"
#include "InfoListItemView.h"
#include "Link.h"
#include "NoteListItemView.h"
#include "ScrollView.h"
#include "Screenshot.h"
#include "SearchResultView.h"
#include "SearchView.h"
#include "TextField.h"
#include "TextTable.h"

#include <QGuiApplication>
#include <QStyleHints>

namespace SearchResultViewTests {

namespace {

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

QStringList texts(std::initializer_list<const char*> keys)
{
    QStringList shown;
    for (const char* key : keys) shown << text(key);
    return shown;
}

}  // namespace

// The panel (320 x 600) over the test database, on Monday 13 January 2014
// at 10:00 in Paris, with a 400 ms double-click interval.
class SearchResultTest : public TaskListTest {
protected:
    void SetUp() override
    {
        TaskListTest::SetUp();
        Clock::setFixed(localDate(2014, 1, 13, 10));
        m_interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(400);
        m_panel = std::make_unique<SearchView>(QRectF(0, 0, 320, 600));
    }
    void TearDown() override
    {
        m_panel.reset();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(m_interval);
        TaskListTest::TearDown();
    }

    SearchResultView& results() { return *m_panel->resultView(); }

    // What the list shows, row by row: "# header" or the item's name.
    QStringList shown()
    {
        QStringList rows;
        for (int row = 0; row < results().rowCount(); ++row) {
            TableRowView* view = results().itemAtRow(row);
            if (auto* header = qobject_cast<InfoListItemView*>(view))
                rows << QStringLiteral("# ") + header->leftTextField()->stringValue();
            else if (auto* item = qobject_cast<TaskListItemView*>(view))
                rows << item->task()->taskName();
            else if (auto* note = qobject_cast<NoteListItemView*>(view))
                rows << QStringLiteral("~ ") + note->note()->taskName();
        }
        return rows;
    }
    static QString header(const char* key) { return QStringLiteral("# ") + text(key); }

    int rowNamed(const QString& name)
    {
        const int row = int(shown().indexOf(name));
        EXPECT_GE(row, 0) << name.toStdString();
        return row;
    }
    TaskListItemView* rowView(const QString& name)
    {
        return qobject_cast<TaskListItemView*>(results().itemAtRow(rowNamed(name)));
    }

    Event pressOn(int row, double time, EventType type = EventType::LeftMouseDown)
    {
        Event event;
        event.type = type;
        event.clickCount = 1;
        event.timestamp = time;
        event.locationInWindow = results().convertPointToWindow(results().rectOfRow(row).center());
        return event;
    }
    void click(int row, double time)
    {
        const Event press = pressOn(row, time);
        results().mouseDown(press);
        Event release = press;
        release.type = EventType::LeftMouseUp;
        results().mouseUp(release);
    }
    Event key(char16_t character, quint16 code)
    {
        Event event;
        event.type = EventType::KeyDown;
        event.characters = QString(QChar(character));
        event.charactersIgnoringModifiers = event.characters;
        event.keyCode = code;
        return event;
    }
    Event deleteKey() { return key(KeyCharacter::Delete, KeyCode::Delete); }

    // A daily series of timed events from 9 to 10, from the given January
    // day, standing for its occurrence on another day.
    TaskPtr dailySeries(const QString& name, int fromDay, int occurrenceDay, const std::function<void(Task&)>& shape = {})
    {
        return event(name, localDate(2014, 1, fromDay, 9), localDate(2014, 1, fromDay, 10), [&](Task& t) {
            t.setRepeatStartDate(localDate(2014, 1, fromDay));
            t.setOccurrence(localDate(2014, 1, occurrenceDay, 9));
            t.setRepeatType(1);
            t.setIsRepeatForever(1);
            t.setParentId(-1);
            if (shape) shape(t);
        });
    }

    std::unique_ptr<SearchView> m_panel;
    int m_interval = 400;
};

TEST_F(SearchResultTest, FindsNamesOnlyGroupedByKindInTheirOrders)
{
    // Tall enough to show every row of the picture.
    m_panel->setFrame(QRectF(0, 0, 320, 620));
    task(QStringLiteral("Make an offer"), [](Task& t) { t.setTaskOrder(2); });
    const TaskPtr beans = task(QStringLiteral("Coffee beans"), [](Task& t) {
        t.setTaskOrder(1);
        t.setStatus(1);
    });
    task(QStringLiteral("Unrelated"), [](Task& t) { t.setNotes(QStringLiteral("an offer in the notes")); });
    event(QStringLiteral("Elsewhere"), localDate(2014, 1, 14, 13), localDate(2014, 1, 14, 14),
          [](Task& t) { t.setTaskLocation(QStringLiteral("Offenbach coffee house")); });
    event(QStringLiteral("Late coffee"), localDate(2014, 1, 14, 16), localDate(2014, 1, 14, 17));
    event(QStringLiteral("Early coffee"), localDate(2014, 1, 14, 8), localDate(2014, 1, 14, 9));
    event(QStringLiteral("Planned offer"), localDate(2014, 1, 14, 11), localDate(2014, 1, 14, 12),
          [](Task& t) { t.setIsSheduledTask(true); });
    event(QStringLiteral("Coffee day"), localDate(2014, 1, 16), localDate(2014, 1, 16, 23, 59, 59),
          [](Task& t) { t.setIsADE(1); });
    // Stored after the later one: the list sorts them.
    event(QStringLiteral("Coffee fair"), localDate(2014, 1, 15), localDate(2014, 1, 15, 23, 59, 59),
          [](Task& t) { t.setIsADE(1); });
    add(3, QStringLiteral("Old offer note"), [](Task& t) { t.setStartTime(localDate(2014, 1, 2, 9)); });
    const TaskPtr newNote = add(3, QStringLiteral("New offer note"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 12, 9));
        t.setNotes(QStringLiteral("New offer note\nAsk for a second quote"));
    });
    auto link = std::make_shared<Link>();
    link->setRootId(newNote->primaryKey());
    link->setTargetId(beans->primaryKey());
    ASSERT_TRUE(dataManager().insertLink(link));

    results().loadSearchResultWithSearchText(QStringLiteral("OFF"));
    EXPECT_EQ(shown(), (QStringList{header("allDayText"), "Coffee fair", "Coffee day", header("taskText"), "Coffee beans", "Make an offer",
                                    header("staskText"), "Planned offer", header("eventText"), "Early coffee",
                                    "Late coffee", header("noteText"), "~ New offer note", "~ Old offer note"}));
    EXPECT_EQ(results().rectOfRow(0).height(), 18);
    EXPECT_EQ(results().rectOfRow(1).height(), 55);
    EXPECT_FALSE(results().shouldSelectItem(results().itemAtRow(0)));

    results().selectRowIndexes({rowNamed("Make an offer")}, false);
    saveScreenshot(m_panel.get(), "search-results-five-groups");
}

TEST_F(SearchResultTest, TextIsMatchedLiterallyAndANameFoundNowhereListsNothing)
{
    task(QStringLiteral("Version 1.2"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 21, 9));
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 25, 18));
    });
    task(QStringLiteral("Version 102"));
    task(QStringLiteral("Stars * here"));
    event(QStringLiteral("Launch"), localDate(2014, 1, 14, 9), localDate(2014, 1, 14, 10));
    struct Case {
        const char* search;
        QStringList rows;
        QString day;  // the first row's day text, when it shows one
    };
    // The task's row may be the event's row made again: it shows its own due day.
    const Case cases[] = {{"launch", {header("eventText"), "Launch"}, "Jan 14, 2014"},
                          {"1.2", {header("taskText"), "Version 1.2"}, "Jan 25, 2014"},
                          {"*", {header("taskText"), "Stars * here"}, ""},
                          {"[", {}, ""},
                          {"nowhere", {}, ""}};
    for (const Case& c : cases) {
        results().loadSearchResultWithSearchText(QString::fromLatin1(c.search));
        EXPECT_EQ(shown(), c.rows) << c.search;
        TaskListItemView* row = c.rows.isEmpty() ? nullptr : rowView(c.rows.back());
        const QString day = row && !row->dayTextField()->isHidden() ? row->dayTextField()->stringValue() : QString();
        EXPECT_EQ(day, c.day) << c.search;
    }
    EXPECT_TRUE(results().rootItems().empty());
}

TEST_F(SearchResultTest, ARepeatingEventIsListedAsItsOccurrenceAndRefreshedAsTheSame)
{
    const TaskPtr series = dailySeries(QStringLiteral("Standup"), 6, 13);
    results().loadSearchResultWithSearchText(QStringLiteral("stand"));
    ASSERT_EQ(shown(), (QStringList{header("eventText"), "Standup"}));
    const TaskPtr shownItem = rowView(QStringLiteral("Standup"))->task();
    EXPECT_LT(shownItem->primaryKey(), -1) << "a generated occurrence";
    EXPECT_EQ(Utilities::compareDateNoTime(shownItem->startTime(), localDate(2014, 1, 13)), 0);

    series->setTaskName(QStringLiteral("Standup meeting"));
    ASSERT_TRUE(series->dehydrate());
    results().reloadData(QHash<QString, QVariant>{{QString::number(series->primaryKey()), 1}});
    const TaskPtr refreshed = rowView(QStringLiteral("Standup meeting"))->task();
    EXPECT_EQ(refreshed->primaryKey(), shownItem->primaryKey());
    EXPECT_EQ(Utilities::compareDateNoTime(refreshed->startTime(), localDate(2014, 1, 13)), 0)
        << "the same occurrence, not the series' first";
    EXPECT_EQ(shown().front(), header("eventText")) << "the groups stay";
}

// A series made in the editor names no occurrence: it is listed as its
// first occurrence, or the next one when the first was deleted.
TEST_F(SearchResultTest, ASeriesMadeInTheEditorIsListedAsItsFirstOccurrenceLeft)
{
    const auto editorSeries = [this](const QString& name, const Date& start, const Date& end, qint64 repeatType,
                                     const std::function<void(Task&)>& shape = {}) {
        return event(name, start, end, [&](Task& t) {
            t.setRepeatStartDate(start);
            t.setOccurrence(Date::dateWithTimeIntervalSince1970(0));
            t.setRepeatType(repeatType);
            t.setIsRepeatForever(1);
            t.setParentId(-1);
            if (shape) shape(t);
        });
    };
    editorSeries(QStringLiteral("Design review"), localDate(2014, 1, 21, 14), localDate(2014, 1, 21, 15), 3);
    editorSeries(QStringLiteral("Anna's birthday"), localDate(2014, 3, 2), localDate(2014, 3, 2, 23, 59, 59), 4,
                 [](Task& t) { t.setIsADE(1); });
    editorSeries(QStringLiteral("Retro"), localDate(2014, 1, 13, 15), localDate(2014, 1, 13, 16), 2, [](Task& t) {
        t.addRepeatException(localDate(2014, 1, 13, 15), Task::RepeatException::Deleted);
    });
    editorSeries(QStringLiteral("Plan the retro"), localDate(2014, 1, 14, 9), localDate(2014, 1, 14, 10), 1,
                 [](Task& t) { t.setIsSheduledTask(true); });
    struct Case {
        const char* search;
        QStringList rows;
        Date day;  // of the listed occurrence
    };
    const Case cases[] = {
        {"design", {header("eventText"), "Design review"}, localDate(2014, 1, 21, 14)},
        {"anna", {header("allDayText"), "Anna's birthday"}, localDate(2014, 3, 2)},
        {"retro", {header("staskText"), "Plan the retro", header("eventText"), "Retro"}, localDate(2014, 1, 20, 15)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        results().loadSearchResultWithSearchText(QString::fromLatin1(c.search));
        ASSERT_EQ(shown(), c.rows);
        const TaskPtr listed = qobject_cast<TaskListItemView*>(results().itemAtRow(int(c.rows.size()) - 1))->task();
        EXPECT_LT(listed->primaryKey(), -1) << "a generated occurrence";
        EXPECT_EQ(listed->startTime(), c.day);
    }
    EXPECT_EQ(rowView(QStringLiteral("Plan the retro"))->task()->startTime(), localDate(2014, 1, 14, 9));
}

// After a start a root's occurrence may hold the start read in another zone
// (the evening before), a stale day before the series, or its first
// occurrence, changed on its own since; and the rows are read again. Each
// series is listed all the same, beside its changed occurrence.
TEST_F(SearchResultTest, ASeriesIsFoundAfterARestartWhateverItsRootsOccurrenceHolds)
{
    struct Kind {
        const char* name;
        qint64 repeatType;
        const char* options;
        Date start, second;
        bool allDay;
    };
    const Kind kinds[] = {{"Daily review", 1, "", localDate(2014, 1, 6, 17), localDate(2014, 1, 7, 17), false},
                          {"Gym", 2, "", localDate(2014, 1, 7, 19), localDate(2014, 1, 14, 19), false},
                          {"Payroll", 2, "2//0", localDate(2014, 1, 3, 9), localDate(2014, 1, 17, 9), false},
                          {"Book club", 3, "", localDate(2013, 11, 28, 20), localDate(2013, 12, 28, 20), false},
                          {"Anna", 4, "", localDate(2013, 3, 2), localDate(2014, 3, 2), true}};
    enum Form { EveningBefore, YearBefore, FirstChanged };
    for (const Form form : {EveningBefore, YearBefore, FirstChanged}) {
        for (const Kind& k : kinds) {
            SCOPED_TRACE(std::to_string(form) + ": " + k.name);
            const QString name = QString::fromLatin1(k.name);
            const Date occurrence =
                form == EveningBefore ? Utilities::resetTimeForDate(k.start.dateByAddingTimeInterval(-86400), 18, 0, 0)
                : form == YearBefore  ? k.start.dateByAddingTimeInterval(-366 * 86400)
                                      : k.start;
            const Date end = k.start.dateByAddingTimeInterval(k.allDay ? 86399 : 1800);
            const TaskPtr root = event(name, k.start, end, [&](Task& t) {
                t.setRepeatType(k.repeatType);
                t.setRepeatOptions(QString::fromLatin1(k.options));
                t.setRepeatStartDate(k.start);
                t.setIsRepeatForever(1);
                t.setIsADE(k.allDay);
                t.setOccurrence(occurrence);
                if (form == FirstChanged) t.addRepeatException(k.start, Task::RepeatException::Changed);
            });
            QStringList rows{header(k.allDay ? "allDayText" : "eventText"), name};
            TaskPtr changed;
            if (form == FirstChanged) {
                rows.insert(1, name + QStringLiteral(" client"));
                const Date moved = k.start.dateByAddingTimeInterval(k.allDay ? 0 : 7200);
                changed = event(rows[1], moved, moved.dateByAddingTimeInterval(k.allDay ? 86399 : 1800), [&](Task& t) {
                    t.setParentId(root->primaryKey());
                    t.setOccurrence(k.start);
                    t.setIsADE(k.allDay);
                });
            }
            dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
            dataManager().addTasksToListFromCalendarList({1});
            results().loadSearchResultWithSearchText(name.toLower());
            ASSERT_EQ(shown(), rows);
            EXPECT_EQ(rowView(name)->task()->startTime(), form == FirstChanged ? k.second : k.start);
            ASSERT_TRUE(root->deleteFromDatabase() && (!changed || changed->deleteFromDatabase()));
        }
    }
}

TEST_F(SearchResultTest, ClicksSelectAndADoubleClickOpensTheEditor)
{
    setting().setIsWarningForDeleting(0);
    const TaskPtr callTask = task(QStringLiteral("Call"));
    task(QStringLiteral("Callback"));
    results().loadSearchResultWithSearchText(QStringLiteral("call"));
    const int call = rowNamed("Call");

    click(call, 10);
    EXPECT_EQ(results().selectedRow(), call);
    m_scheduler.advance(1);
    EXPECT_EQ(results().lastMouseDown(), 0) << "the single click only selected";
    EXPECT_EQ(results().detailViewController(), nullptr);

    click(call, 20);
    click(call, 20.3);
    ASSERT_NE(results().detailViewController(), nullptr);
    EXPECT_EQ(results().lastMouseDown(), 0);

    // Arrows move nothing; a click on a header clears the row of the commands.
    results().keyDown(key(KeyCharacter::DownArrow, KeyCode::DownArrow));
    EXPECT_EQ(results().selectedRow(), call);
    click(0, 40);
    EXPECT_EQ(results().selectedItem(), nullptr);
    results().keyDown(deleteKey());
    EXPECT_TRUE(m_alerts.requests().isEmpty());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(callTask->primaryKey())), 1)
        << "the row selected before the header is not deleted";
    EXPECT_EQ(results().rowCount(), 3);
}

TEST_F(SearchResultTest, DeletingARepeatingEventAsksByKindAndDayAndSearchesAgain)
{
    watchTaskChanged();
    setting().setIsWarningForDeleting(1);
    dailySeries(QStringLiteral("First day"), 13, 13);
    dailySeries(QStringLiteral("Later day"), 6, 13);
    dailySeries(QStringLiteral("Holiday"), 6, 13, [](Task& t) {
        t.setIsADE(1);
        t.setStartTime(localDate(2014, 1, 6));
        t.setEndTime(localDate(2014, 1, 6, 23, 59, 59));
        t.setOccurrence(localDate(2014, 1, 13));
    });
    struct Case {
        const char* name;
        QStringList buttons;
        QString title;
        QString informative;
    };
    const Case cases[] = {
        {"First day", texts({"onlyThisEventText", "allText", "cancelText"}), text("deletingEventText"),
         text("deletingAllMessageText")},
        {"Later day", texts({"onlyThisEventText", "allFutureEventsText", "cancelText"}), text("deletingEventText"),
         text("deletingFutureMessageText")},
        {"Holiday", texts({"onlyThisEventText", "allFutureEventsText", "cancelText"}), text("deletingADEText"),
         text("deletingFutureMessageText") + QStringLiteral("\n") + text("warningRADEExceptionText")},
    };
    for (const Case& c : cases) {
        results().loadSearchResultWithSearchText(QString::fromLatin1(c.name));
        click(rowNamed(c.name), 100);
        m_scheduler.advance(1);
        m_alerts.scriptButton(AlertResponse::thirdButton);
        results().keyDown(deleteKey());
        ASSERT_FALSE(m_alerts.requests().isEmpty());
        const AlertRequest asked = m_alerts.requests().back();
        EXPECT_EQ(asked.buttonTitles, c.buttons) << c.name;
        EXPECT_EQ(asked.messageText, c.title) << c.name;
        EXPECT_EQ(asked.informativeText, c.informative) << c.name;
        EXPECT_FALSE(asked.showsSuppressionButton) << c.name;
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 0) << "cancelled";

    // The whole series goes; the search runs again and finds nothing.
    results().loadSearchResultWithSearchText(QStringLiteral("First day"));
    click(rowNamed("First day"), 200);
    m_alerts.scriptButton(AlertResponse::secondButton);
    results().keyDown(deleteKey());
    EXPECT_TRUE(results().rootItems().empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 1);
}

TEST_F(SearchResultTest, DeletingATaskAsksOnceAndTellsTheOtherLists)
{
    watchTaskChanged();
    setting().setIsWarningForDeleting(1);
    const TaskPtr gone = task(QStringLiteral("Gone soon"));
    task(QStringLiteral("Shared soon"), [](Task& t) { t.setIsShared(true); });
    results().loadSearchResultWithSearchText(QStringLiteral("soon"));

    click(rowNamed("Shared soon"), 10);
    results().keyDown(deleteKey());
    EXPECT_TRUE(m_alerts.requests().isEmpty()) << "a shared item is not deleted";

    m_scheduler.advance(1);
    click(rowNamed("Gone soon"), 20);
    m_alerts.scriptButton(AlertResponse::firstButton);
    results().keyDown(deleteKey());
    ASSERT_EQ(m_alerts.requests().size(), 1);
    EXPECT_EQ(m_alerts.requests().front().buttonTitles, texts({"okText", "cancelText"}));
    EXPECT_TRUE(m_alerts.requests().front().showsSuppressionButton);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(gone->primaryKey())), 0);
    EXPECT_EQ(shown(), (QStringList{header("taskText"), "Shared soon"})) << "searched again";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 1);
}

TEST_F(SearchResultTest, ANoteGetsTheNoteMenuAndAHeaderNone)
{
    add(3, QStringLiteral("Meeting notes"), [](Task& t) { t.setStartTime(localDate(2014, 1, 12, 9)); });
    results().loadSearchResultWithSearchText(QStringLiteral("meeting"));
    EXPECT_TRUE(results().menuForEvent(pressOn(0, 1, EventType::RightMouseDown)).items().empty());
    const Menu menu = results().menuForEvent(pressOn(rowNamed("~ Meeting notes"), 1, EventType::RightMouseDown));
    EXPECT_EQ(results().selectedRow(), rowNamed("~ Meeting notes")) << "the clicked row is selected first";
    QStringList titles;
    for (const MenuItem& item : menu.items()) titles << item.title;
    EXPECT_EQ(titles, texts({"addNoteText", "menuEdit", "menuDuplicate", "menuDelete", "menuCopyLink", "convertNote2TaskText"}));

    menu.items()[2].action();  // duplicate
    EXPECT_EQ(shown(), (QStringList{header("noteText"), "~ Meeting notes", "~ Meeting notes"})) << "searched again";
}

TEST_F(SearchResultTest, NotesAreNoteRowsOpenedInTheNoteEditorAndRefreshedInPlace)
{
    const TaskPtr note = add(3, QStringLiteral("Trip notes"), [](Task& t) { t.setStartTime(localDate(2014, 1, 12, 9)); });
    task(QStringLiteral("Trip booking"));
    results().loadSearchResultWithSearchText(QStringLiteral("trip"));
    ASSERT_EQ(shown(), (QStringList{header("taskText"), "Trip booking", header("noteText"), "~ Trip notes"}));
    const int row = rowNamed("~ Trip notes");
    auto* noteRow = qobject_cast<NoteListItemView*>(results().itemAtRow(row));
    ASSERT_NE(noteRow, nullptr);
    EXPECT_EQ(results().heightOfRow(row), SearchResultView::itemRowHeight);

    click(row, 10);
    click(row, 10.2);
    EXPECT_EQ(results().selectedItem(), noteRow);
    ASSERT_NE(results().detailViewController(), nullptr);
    const auto& asked = results().detailViewController()->lastRequest();
    EXPECT_EQ(asked.request, DetailViewController::Request::NoteEditor);
    EXPECT_EQ(asked.item->primaryKey(), note->primaryKey());
    EXPECT_EQ(asked.positioningView, noteRow);
    EXPECT_EQ(asked.parentView, noteRow);

    // A changed note is read again into the row's own copy; the groups stay.
    note->setTaskName(QStringLiteral("Trip notes, day two"));
    ASSERT_TRUE(note->dehydrate());
    results().reloadData(QHash<QString, QVariant>{{QString::number(note->primaryKey()), 1}});
    EXPECT_EQ(shown(), (QStringList{header("taskText"), "Trip booking", header("noteText"), "~ Trip notes, day two"}));
    EXPECT_EQ(results().itemAtRow(row), noteRow) << "refreshed in place";
    EXPECT_EQ(noteRow->noteTitle()->stringValue(), QStringLiteral("Trip notes, day two"));
}

TEST_F(SearchResultTest, OnlyTheRowsInViewAreMadeAndTheOthersAsTheyScrollIn)
{
    TaskPtr changed;
    for (int n = 0; n < 300; ++n) {
        const TaskPtr made = task(QStringLiteral("Errand %1").arg(n), [n](Task& t) { t.setTaskOrder(n); });
        if (n == 150) changed = made;
    }
    add(3, QStringLiteral("Errand note"), [](Task& t) { t.setStartTime(localDate(2014, 1, 12, 9)); });
    results().loadSearchResultWithSearchText(QStringLiteral("errand"));
    ASSERT_EQ(results().rowCount(), 303);

    const auto made = [&] {
        int count = 0;
        for (const auto& group : results().childItems())
            for (TableRowView* row : group) count += row ? 1 : 0;
        return count;
    };
    const int inView = int(std::ceil(results().enclosingScrollView()->documentVisibleRect().height() / 55.0)) + 1;
    EXPECT_LE(made(), inView) << "rows out of view are not made";
    EXPECT_GT(made(), 0);

    // A row out of view is refreshed when it is made; a selected one shows
    // its selection once it comes into view.
    changed->setTaskName(QStringLiteral("Errand, renamed"));
    ASSERT_TRUE(changed->dehydrate());
    results().reloadData(QHash<QString, QVariant>{{QString::number(changed->primaryKey()), 1}});
    const int last = 302;  // the note, under its own header
    results().selectRowIndexes({last}, false);
    results().scrollRowToVisible(last);
    TableRowView* lastRow = results().itemAtRow(last);
    ASSERT_NE(lastRow, nullptr);
    EXPECT_EQ(lastRow->superview(), &results());
    EXPECT_FALSE(lastRow->isHidden());
    EXPECT_TRUE(lastRow->isSelected());
    EXPECT_EQ(lastRow->frame(), results().rectOfRow(last));
    EXPECT_LE(made(), 2 * inView);
    EXPECT_EQ(results().rowForItem(lastRow), last);
    EXPECT_EQ(results().parentForItem(lastRow), results().rootItems().back());

    const QStringList rows = shown();  // makes every row
    EXPECT_TRUE(rows.contains(QStringLiteral("Errand, renamed")));
    EXPECT_EQ(rows.back(), QStringLiteral("~ Errand note"));
}

TEST(SearchResultMatchTest, NamesAreMatchedAsAContainsIgnoringCase)
{
    const QStringList names = {QStringLiteral("Coffee"),   QStringLiteral("offer"),   QStringLiteral("ÉCOLE"),
                               QStringLiteral("école"),    QStringLiteral("Σίσυφος"), QStringLiteral("ΣΊΣΥΦΟΣ"),
                               QStringLiteral("a.b [c]*"), QStringLiteral("Straße"),  QStringLiteral("STRASSE"),
                               QStringLiteral("İstanbul"), QString(),                 QStringLiteral("𝒜 math"),
                               QStringLiteral("5 \u212A"), QStringLiteral("kilo"),   QStringLiteral("Mi\u017Fs"),
                               QStringLiteral("of"),       QStringLiteral("xOfF"),    QStringLiteral("off\u00E9")};
    TaskList items;
    for (const QString& name : names) {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        items.append(item);
    }
    items.append(nullptr);  // a hole in the list is passed over
    const QStringList texts = {QStringLiteral("OFF"), QStringLiteral("éco"), QStringLiteral("ÉCO"), QStringLiteral("σ"),
                               QStringLiteral("Σ"),   QStringLiteral("."),   QStringLiteral("[c]"), QStringLiteral("ß"),
                               QStringLiteral("ss"),  QStringLiteral("i"),   QStringLiteral("𝒜"),   QStringLiteral("x"),
                               QStringLiteral("k"),   QStringLiteral("\u212A"), QStringLiteral("S"), QStringLiteral("\u017F"),
                               QStringLiteral("offé"), QString()};
    for (const QString& text : texts) {
        QStringList expected;
        for (const QString& name : names)
            if (name.contains(text, Qt::CaseInsensitive)) expected << name;
        QStringList found;
        for (const TaskPtr& item : SearchResultView::namesHolding(items, text)) found << item->taskName();
        EXPECT_EQ(found, expected) << text.toStdString();
    }
}

namespace {

const MenuItem* menuEntry(const Menu& menu, const char* key)
{
    for (const MenuItem& item : menu.items())
        if (item.title == text(key)) return &item;
    return nullptr;
}

}  // namespace

class SearchResultCommandTest : public SearchResultTest {
protected:
    // The menu of a row, right-clicked.
    Menu menuOf(const QString& name)
    {
        return results().menuForEvent(pressOn(rowNamed(name), 1, EventType::RightMouseDown));
    }
    int storedNamed(const QString& name, const QString& where = QString())
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='%1'%2")
                            .arg(name, where.isEmpty() ? QString() : QStringLiteral(" AND ") + where));
    }
    bool stored(qint64 key)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(key)) == 1;
    }
    // The stored series' occurrences within the days, as the lists expand it.
    TaskList occurrencesOf(qint64 key, const Date& from, const Date& until)
    {
        TaskList found;
        if (const TaskPtr root = Task::initWithPrimaryKey(key))
            dataManager().fillRepeatEventInstances(TaskList{root}, found, from, until);
        return found;
    }
};

TEST_F(SearchResultCommandTest, DuplicatingAnOccurrenceAsksAndCopiesThatDayAlone)
{
    dailySeries(QStringLiteral("Standup"), 6, 13);
    // A scheduled series stands on its start's day.
    dailySeries(QStringLiteral("Review"), 13, 13, [](Task& t) {
        t.setStartTime(localDate(2014, 1, 14, 9));
        t.setEndTime(localDate(2014, 1, 14, 10));
        t.setIsSheduledTask(true);
    });
    struct Case {
        const char* name;
        QStringList buttons;
        QString title;
        QString informative;
        Date start;
        Date end;
    };
    const Case cases[] = {
        {"Standup", texts({"onlyThisEventText", "cancelText"}), text("duplicateEventText"), text("duplicateEventMessage"),
         localDate(2014, 1, 13, 9), localDate(2014, 1, 13, 10)},
        {"Review", texts({"onlyThisSTaskText", "cancelText"}), text("duplicateSTaskText"), text("duplicateSTaskMessage"),
         localDate(2014, 1, 14, 9), localDate(2014, 1, 14, 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        results().loadSearchResultWithSearchText(name);
        ASSERT_EQ(results().rowCount(), 2);
        const qsizetype asked = m_alerts.requests().size();

        m_alerts.scriptButton(AlertResponse::secondButton);
        menuEntry(menuOf(name), "menuDuplicate")->action();
        EXPECT_EQ(storedNamed(name), 1) << "cancelled: nothing made";

        m_alerts.scriptButton(AlertResponse::firstButton);
        menuEntry(menuOf(name), "menuDuplicate")->action();
        ASSERT_EQ(m_alerts.requests().size(), asked + 2);
        const AlertRequest question = m_alerts.requests().back();
        EXPECT_EQ(question.buttonTitles, c.buttons);
        EXPECT_EQ(question.messageText, c.title);
        EXPECT_EQ(question.informativeText, c.informative);
        EXPECT_FALSE(question.showsSuppressionButton);

        // One copy, of the day shown, that repeats no more and belongs to no series.
        ASSERT_EQ(storedNamed(name), 2);
        ASSERT_EQ(storedNamed(name, QStringLiteral("repeatType=0 AND parentId=-1")), 1);
        const qint64 key = queryInt(
            QStringLiteral("SELECT primaryKey FROM Tasks WHERE taskName='%1' AND repeatType=0").arg(name));
        const TaskPtr copy = Task::initWithPrimaryKey(key);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->startTime(), c.start);
        EXPECT_EQ(copy->endTime(), c.end);
        EXPECT_TRUE(copy->repeatExceptions().isEmpty());
        EXPECT_EQ(results().rowCount(), 3) << "searched again: the occurrence and its copy";
    }
}

TEST_F(SearchResultCommandTest, ADeletedOccurrenceIsNotListed)
{
    const auto deletedOn = [](const Date& occurrence) {
        return QStringLiteral("|%1(%2)").arg(Task::storedDateText(occurrence)).arg(qint64(Task::RepeatException::Deleted));
    };
    dailySeries(QStringLiteral("Standup gone"), 6, 13,
                [&](Task& t) { t.setRepeatExceptions(deletedOn(localDate(2014, 1, 13, 9))); });
    dailySeries(QStringLiteral("Standup holiday gone"), 6, 13, [&](Task& t) {
        t.setIsADE(1);
        t.setStartTime(localDate(2014, 1, 6));
        t.setEndTime(localDate(2014, 1, 6, 23, 59, 59));
        t.setOccurrence(localDate(2014, 1, 13));
        t.setRepeatExceptions(deletedOn(localDate(2014, 1, 13)));
    });
    const TaskPtr kept = dailySeries(QStringLiteral("Standup kept"), 13, 13);
    results().loadSearchResultWithSearchText(QStringLiteral("standup"));
    // A series whose named day was deleted is listed on its next one.
    ASSERT_EQ(shown(), (QStringList{header("allDayText"), "Standup holiday gone", header("eventText"), "Standup kept",
                                    "Standup gone"}));
    for (const char* name : {"Standup holiday gone", "Standup gone"})
        EXPECT_EQ(Utilities::compareDateNoTime(rowView(QString::fromLatin1(name))->task()->startTime(),
                                               localDate(2014, 1, 14)),
                  0)
            << name;

    // Deleting the listed occurrence alone: the series is listed on its
    // next day.
    click(rowNamed("Standup kept"), 10);
    m_alerts.scriptButton(AlertResponse::firstButton);
    results().keyDown(deleteKey());
    ASSERT_EQ(shown(), (QStringList{header("allDayText"), "Standup holiday gone", header("eventText"), "Standup gone",
                                    "Standup kept"}));
    EXPECT_EQ(Utilities::compareDateNoTime(rowView(QStringLiteral("Standup kept"))->task()->startTime(),
                                           localDate(2014, 1, 14)),
              0);
    EXPECT_TRUE(stored(kept->primaryKey())) << "the series stays";
    EXPECT_TRUE(occurrencesOf(kept->primaryKey(), localDate(2014, 1, 13), localDate(2014, 1, 13, 23)).isEmpty());
    EXPECT_EQ(occurrencesOf(kept->primaryKey(), localDate(2014, 1, 14), localDate(2014, 1, 14, 23)).size(), 1);
}

TEST_F(SearchResultCommandTest, ADetachedOccurrenceIsDeletedAsAnEventThatDoesNotRepeat)
{
    setting().setIsWarningForDeleting(1);
    const TaskPtr root = dailySeries(QStringLiteral("Standup"), 6, 14);
    const TaskPtr holidays = dailySeries(QStringLiteral("Holidays"), 6, 14, [](Task& t) {
        t.setIsADE(1);
        t.setStartTime(localDate(2014, 1, 6));
        t.setEndTime(localDate(2014, 1, 6, 23, 59, 59));
        t.setOccurrence(localDate(2014, 1, 14));
    });
    // Each series' occurrence of the 13th was moved: a row of its own that
    // names its series, in place of the series' own occurrence.
    const auto detach = [this](const TaskPtr& series, const QString& name, const Date& start, const Date& end,
                               const Date& occurrence) {
        series->addRepeatException(occurrence, Task::RepeatException::Changed);
        EXPECT_TRUE(series->dehydrate());
        return event(name, start, end, [&](Task& t) {
            t.setParentId(series->primaryKey());
            t.setOccurrence(occurrence);
            t.setIsADE(series->isADE());
        });
    };
    const TaskPtr moved = detach(root, QStringLiteral("Moved standup"), localDate(2014, 1, 13, 11),
                                 localDate(2014, 1, 13, 12), localDate(2014, 1, 13, 9));
    const TaskPtr movedDay = detach(holidays, QStringLiteral("Moved holiday"), localDate(2014, 1, 15),
                                    localDate(2014, 1, 15, 23, 59, 59), localDate(2014, 1, 13));
    struct Case {
        const char* name;
        TaskPtr item;
        TaskPtr series;
        QString title;
    };
    const Case cases[] = {{"Moved standup", moved, root, text("deleteItemText")},
                          {"Moved holiday", movedDay, holidays, text("deletingADEText")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        results().loadSearchResultWithSearchText(QString::fromLatin1(c.name));
        ASSERT_EQ(results().rowCount(), 2);
        click(1, 100);
        m_scheduler.advance(1);
        m_alerts.scriptButton(AlertResponse::firstButton);
        results().keyDown(deleteKey());
        ASSERT_FALSE(m_alerts.requests().isEmpty());
        const AlertRequest asked = m_alerts.requests().back();
        EXPECT_EQ(asked.buttonTitles, texts({"okText", "cancelText"}));
        EXPECT_EQ(asked.messageText, c.title);
        EXPECT_EQ(asked.informativeText, text("deleteItemMessage"));
        EXPECT_TRUE(asked.showsSuppressionButton);
        EXPECT_FALSE(stored(c.item->primaryKey()));
        EXPECT_TRUE(stored(c.series->primaryKey())) << "its series stays";
        EXPECT_TRUE(results().rootItems().empty()) << "searched again";
    }
    EXPECT_EQ(m_alerts.requests().size(), 2);
}

TEST_F(SearchResultCommandTest, RepeatingAllDayEventsAndScheduledTasksAreAskedByDay)
{
    const auto allDay = [](Task& t) {
        t.setIsADE(1);
        t.setStartTime(localDate(2014, 1, 13));
        t.setEndTime(localDate(2014, 1, 13, 23, 59, 59));
        t.setOccurrence(localDate(2014, 1, 13));
    };
    dailySeries(QStringLiteral("Holiday"), 13, 13, allDay);
    dailySeries(QStringLiteral("Planned first"), 13, 13, [](Task& t) { t.setIsSheduledTask(true); });
    // A scheduled series whose start moved on from its first day.
    const TaskPtr later = dailySeries(QStringLiteral("Planned later"), 6, 13, [](Task& t) {
        t.setStartTime(localDate(2014, 1, 13, 9));
        t.setEndTime(localDate(2014, 1, 13, 10));
        t.setIsSheduledTask(true);
    });
    struct Case {
        const char* name;
        QStringList buttons;
        QString title;
        QString informative;
    };
    const Case cases[] = {
        {"Holiday", texts({"onlyThisEventText", "allText", "cancelText"}), text("deletingADEText"),
         text("deletingAllMessageText") + QStringLiteral("\n") + text("warningRADEExceptionText")},
        {"Planned first", texts({"onlyThisSTaskText", "allText", "cancelText"}), text("deletingSTaskText"),
         text("deletingAllSTaskMessageText")},
        {"Planned later", texts({"onlyThisSTaskText", "allFutureSTasksText", "cancelText"}), text("deletingSTaskText"),
         text("deletingSTaskFutureMessageText")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        results().loadSearchResultWithSearchText(QString::fromLatin1(c.name));
        ASSERT_EQ(results().rowCount(), 2);
        click(1, 100);
        m_scheduler.advance(1);
        m_alerts.scriptButton(AlertResponse::thirdButton);
        results().keyDown(deleteKey());
        ASSERT_FALSE(m_alerts.requests().isEmpty());
        const AlertRequest asked = m_alerts.requests().back();
        EXPECT_EQ(asked.buttonTitles, c.buttons);
        EXPECT_EQ(asked.messageText, c.title);
        EXPECT_EQ(asked.informativeText, c.informative);
        EXPECT_FALSE(asked.showsSuppressionButton);
        EXPECT_EQ(results().rowCount(), 2) << "cancelled";
    }

    // All future on a later day: that day and the later ones go.
    results().loadSearchResultWithSearchText(QStringLiteral("Planned later"));
    click(1, 200);
    m_alerts.scriptButton(AlertResponse::secondButton);
    results().keyDown(deleteKey());
    EXPECT_TRUE(results().rootItems().empty());
    EXPECT_TRUE(occurrencesOf(later->primaryKey(), localDate(2014, 1, 13), localDate(2014, 1, 31)).isEmpty());
    EXPECT_FALSE(stored(later->primaryKey())) << "its rule starts on that day: nothing of it is left";
}

TEST_F(SearchResultCommandTest, ANoteBecomesATaskAndCopiedItemsAreLinkedByAPaste)
{
    setting().setIsWarningForCopyToLink(0);
    const TaskPtr note = add(3, QStringLiteral("Trip ideas"), [](Task& t) { t.setStartTime(localDate(2014, 1, 12, 9)); });
    const TaskPtr booking = task(QStringLiteral("Trip booking"));
    results().loadSearchResultWithSearchText(QStringLiteral("trip"));
    ASSERT_EQ(shown(), (QStringList{header("taskText"), "Trip booking", header("noteText"), "~ Trip ideas"}));

    menuEntry(menuOf(QStringLiteral("~ Trip ideas")), "convertNote2TaskText")->action();
    EXPECT_EQ(shown(), (QStringList{header("taskText"), "Trip booking", "Trip ideas", header("noteText"), "~ Trip ideas"}))
        << "searched again";
    const qint64 made = queryInt(QStringLiteral("SELECT primaryKey FROM Tasks WHERE taskName='Trip ideas' AND taskType=1"));
    ASSERT_GT(made, 0);
    EXPECT_TRUE(stored(note->primaryKey())) << "the note stays";
    EXPECT_NE(dataManager().getLink(note->primaryKey(), made), nullptr) << "linked with its note";

    // The note copied, then pasted on the booking.
    EXPECT_EQ(menuEntry(menuOf(QStringLiteral("Trip booking")), "menuPasteLink"), nullptr) << "nothing copied yet";
    menuEntry(menuOf(QStringLiteral("~ Trip ideas")), "menuCopyLink")->action();
    ASSERT_NE(dataManager().copiedItem(), nullptr);
    EXPECT_EQ(dataManager().copiedItem()->primaryKey(), note->primaryKey());
    EXPECT_EQ(menuEntry(menuOf(QStringLiteral("~ Trip ideas")), "menuPasteLink"), nullptr) << "the item itself";
    const Menu onBooking = menuOf(QStringLiteral("Trip booking"));
    const MenuItem* paste = menuEntry(onBooking, "menuPasteLink");
    ASSERT_NE(paste, nullptr);
    paste->action();
    EXPECT_NE(dataManager().getLink(note->primaryKey(), booking->primaryKey()), nullptr);
    EXPECT_NE(dataManager().copiedItem(), nullptr) << "a paste keeps the copy";
    EXPECT_EQ(menuEntry(menuOf(QStringLiteral("Trip booking")), "menuPasteLink"), nullptr) << "already linked";
}

TEST_F(SearchResultCommandTest, ASearchAskedDuringAQuestionWaitsForItsEnd)
{
    setting().setIsWarningForDeleting(1);
    task(QStringLiteral("Gone soon"));
    task(QStringLiteral("Lunch"));
    results().loadSearchResultWithSearchText(QStringLiteral("soon"));
    const QStringList before = shown();
    click(rowNamed("Gone soon"), 10);
    TableRowView* asking = results().selectedItem();

    QStringList during;
    TableRowView* selectedDuring = nullptr;
    m_alerts.setWhileRunning([&] {
        results().loadSearchResultWithSearchText(QStringLiteral("lunch"));
        during = shown();
        selectedDuring = results().selectedItem();
    });
    m_alerts.scriptButton(AlertResponse::secondButton);
    results().keyDown(deleteKey());
    m_alerts.setWhileRunning({});
    EXPECT_EQ(during, before) << "the row under the question stays";
    EXPECT_EQ(selectedDuring, asking);
    EXPECT_EQ(results().searchText(), QStringLiteral("soon")) << "the delete's own search first";

    QCoreApplication::processEvents();
    EXPECT_EQ(results().searchText(), QStringLiteral("lunch"));
    EXPECT_EQ(shown(), (QStringList{header("taskText"), "Lunch"}));
}

TEST_F(SearchResultCommandTest, EditAndAddANoteOpenTheirPagesAtEveryKindOfRow)
{
    const TaskPtr plan = task(QStringLiteral("Plan the trip"));
    const TaskPtr flight = event(QStringLiteral("Trip flight"), localDate(2014, 1, 14, 8), localDate(2014, 1, 14, 10));
    const TaskPtr note = add(3, QStringLiteral("Trip notes"), [](Task& t) { t.setStartTime(localDate(2014, 1, 12, 9)); });
    results().loadSearchResultWithSearchText(QStringLiteral("trip"));
    using Request = DetailViewController::Request;
    struct Case {
        const char* row;
        TaskPtr item;
        const char* entry;
        Request request;
    };
    const Case cases[] = {
        {"Plan the trip", plan, "menuEdit", Request::TaskEditor},
        {"Plan the trip", plan, "addNoteText", Request::Links},
        {"Trip flight", flight, "menuEdit", Request::EventEditor},
        {"Trip flight", flight, "addNoteText", Request::Links},
        {"~ Trip notes", note, "menuEdit", Request::NoteEditor},
        {"~ Trip notes", note, "addNoteText", Request::Links},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.row) + " " + c.entry);
        const Menu menu = menuOf(QString::fromUtf8(c.row));
        const MenuItem* command = menuEntry(menu, c.entry);
        ASSERT_NE(command, nullptr);
        command->action();
        ASSERT_NE(results().detailViewController(), nullptr);
        const auto& asked = results().detailViewController()->lastRequest();
        EXPECT_EQ(asked.request, c.request);
        ASSERT_NE(asked.item, nullptr);
        EXPECT_EQ(asked.item->primaryKey(), c.item->primaryKey());
        EXPECT_EQ(asked.positioningView, results().itemAtRow(rowNamed(QString::fromUtf8(c.row)))) << "at the row";
    }
}

TEST_F(SearchResultCommandTest, DoneAndTheDeferEntriesChangeTheTaskOfTheRow)
{
    watchTaskChanged();
    setting().setDayManagers({});  // no working hours
    const TaskPtr first = task(QStringLiteral("Errand one"), [](Task& t) { t.setTaskOrder(1); });
    const TaskPtr second = task(QStringLiteral("Errand two"), [](Task& t) { t.setTaskOrder(2); });
    results().loadSearchResultWithSearchText(QStringLiteral("errand"));
    const auto status = [this](const TaskPtr& item) {
        return storedColumn(item->primaryKey(), QStringLiteral("status")).toLongLong();
    };

    // Done, then open again: the row stays listed (done tasks are found too).
    const Menu open = menuOf(QStringLiteral("Errand two"));
    ASSERT_NE(menuEntry(open, "menuDone"), nullptr);
    menuEntry(open, "menuDone")->action();
    EXPECT_EQ(status(second), 1);
    EXPECT_EQ(status(first), 0) << "only the row's task";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 1);
    EXPECT_EQ(m_lastChangedObject, NotificationPayload::identityOf(&results()));
    const Menu done = menuOf(QStringLiteral("Errand two"));
    ASSERT_NE(menuEntry(done, "menuUnDone"), nullptr);
    menuEntry(done, "menuUnDone")->action();
    EXPECT_EQ(status(second), 0);

    // Today: to the top of the order, and the list is searched again (an
    // item stored since the last search shows up).
    const auto order = [this](const TaskPtr& item) {
        return storedColumn(item->primaryKey(), QStringLiteral("taskOrder")).toLongLong();
    };
    task(QStringLiteral("Errand three"), [](Task& t) { t.setTaskOrder(3); });
    const Menu again = menuOf(QStringLiteral("Errand two"));
    ASSERT_NE(menuEntry(again, "menuDoToday"), nullptr);
    menuEntry(again, "menuDoToday")->action();
    EXPECT_EQ(order(second), 1);
    EXPECT_EQ(order(first), 2);
    EXPECT_TRUE(shown().contains(QStringLiteral("Errand three"))) << "searched again";

    // Next week from Monday 13 January, next month: without working hours
    // the days start and end at midnight.
    struct Case {
        const char* entry;
        const char* added;
        Date start;
        Date due;
    };
    const Case cases[] = {
        {"menuDoNextWeek", "Errand four", localDate(2014, 1, 20), localDate(2014, 1, 24)},
        {"menuDoNextMonth", "Errand five", localDate(2014, 2, 1), localDate(2014, 2, 28)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        task(QString::fromLatin1(c.added));
        const Menu menu = menuOf(QStringLiteral("Errand one"));
        const MenuItem* move = menuEntry(menu, c.entry);
        ASSERT_NE(move, nullptr);
        move->action();
        const TaskPtr moved = Task::initWithPrimaryKey(first->primaryKey());
        ASSERT_NE(moved, nullptr);
        EXPECT_EQ(moved->startTime(), c.start);
        EXPECT_EQ(moved->hasDue(), 1);
        EXPECT_EQ(moved->dueEnd(), c.due);
        EXPECT_EQ(Task::initWithPrimaryKey(second->primaryKey())->hasDue(), 0) << "only the row's task moves";
        EXPECT_TRUE(shown().contains(QString::fromLatin1(c.added))) << "searched again";
    }
}

}  // namespace SearchResultViewTests
