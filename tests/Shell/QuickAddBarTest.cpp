// The quick-add bar inside the main view over a test database: typing
// grows, searches and shrinks it; Return makes an item of the line; the
// add panel's forms, the shortcuts and the add button reach it. Keys are
// real key events into the field; time is fixed and timers are manual.
#include "AlertResponse.h"
#include "ScriptedAlertPresenter.h"
#include "GearSyncFixture.h"

#include "AddNewNoteView.h"
#include "AddView.h"
#include "Button.h"
#include "RepeatRuleRows.h"
#include "PopUpButton.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "CustomTextView.h"
#include "Calendar.h"
#include "Clock.h"
#include "Event.h"
#include "CreatingViewController.h"
#include "EventDetailView.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "LogCapture.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NoteContentView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "QuickAddView.h"
#include "Screenshot.h"
#include "SearchResultView.h"
#include "SearchView.h"
#include "SegmentedControl.h"
#include "Task.h"
#include "TagTokenDetailView.h"
#include "TaskDetailView.h"
#include "TextField.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace QuickAddBarTests {

namespace {

// Monday 7 December 2026, 10:20: new items start at 10:30.
Date now() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 20, 0); }
Date at(int year, int month, int day, int hour, int minute)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, 0);
}

class QuickAddBarTest : public GearSyncTest {
protected:
    void SetUp() override
    {
        GearSyncTest::SetUp();
        Clock::setFixed(now());
        setting().setDurationDefEventVal(45);
        setting().setCalendarDefID(1);
        setting().setDefaultEventAlert(QStringLiteral("0|-15|1|"));
        setting().setNavShowing(true);
        dataManager().doWithCalendarList(dataManager().getCalendarList(), 2);
        ASSERT_TRUE(setting().dehydrate());
        openMainView();
        // The list column shown, as the bar sits above it.
        view().showHideBtn()->setState(1);
        view().showHide();
        m_window->setContentSize(view().frame().size());
        QApplication::processEvents();
        // The test picks the selected day: Thursday 10 December.
        view().monthView()->monthCalendarView()->setCurrentDay(at(2026, 12, 10, 0, 0), false);
        NotificationCenter::defaultCenter().addObserver(&m_listener, kAddNotification, &bar(),
                                                        [this](const Notification&) { ++m_addPosts; });
    }

    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&m_listener);
        Clock::reset();
        GearSyncTest::TearDown();
    }

    MainView& view() { return *m_view; }
    QuickAddView& bar() { return *m_view->quickAddView(); }
    QLineEdit& field() { return *bar().searchAndAdd()->editor(); }

    void type(const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&field(), &press);
        }
    }
    void key(Qt::Key k)
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(&field(), &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(&field(), &release);
    }
    void chooseType(int tag)
    {
        bar().addView()->setHidden(false);
        ASSERT_TRUE(bar().addView()->menuSegmentedControl()->selectSegmentWithTag(tag));
        bar().addView()->menuControl(bar().addView()->menuSegmentedControl());
    }

    // The item stored last.
    TaskPtr lastAdded()
    {
        TaskPtr newest;
        for (const TaskPtr& item : dataManager().allTasksEventsAdes())
            if (item && (!newest || item->primaryKey() > newest->primaryKey())) newest = item;
        return newest;
    }

    TaskPtr storedItem(const QString& name, qint64 type)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(type);
        item->setCalendarId(1);
        item->setStartTime(at(2026, 12, 8, 9, 0));
        item->setEndTime(at(2026, 12, 8, 10, 0));
        dataManager().setModifyingTask(item);
        EXPECT_TRUE(dataManager().addNewTask());
        return item;
    }

    double expanded() const { return double(mainViewHeight) - 35; }

    QObject m_listener;
    int m_addPosts = 0;
};

}  // namespace

TEST_F(QuickAddBarTest, TypingGrowsAndSearchesAndEmptyingCollapses)
{
    storedItem(QStringLiteral("Lunch with Ann"), 0);
    storedItem(QStringLiteral("Call Bob"), 1);
    EXPECT_EQ(bar().frame().height(), 28);
    saveScreenshot(&view(), "quick-add-bar-collapsed");

    type(QStringLiteral("l"));
    EXPECT_TRUE(bar().isSearching());
    EXPECT_FALSE(bar().isAdding());
    EXPECT_EQ(bar().frame().height(), expanded());
    EXPECT_EQ(m_addPosts, 1);
    EXPECT_FALSE(bar().addView()->isHidden()) << "the type control shows over the results";
    EXPECT_TRUE(bar().addView()->tabView()->isHidden());
    EXPECT_TRUE(view().monthView()->isHidden()) << "the grown bar takes the mini month's place";
    // The shadow behind the grown bar, 40 short of it.
    EXPECT_EQ(view().bgShadow()->frame(), QRectF(bar().frame().x() - 10, 70, 300, expanded() - 40));
    EXPECT_EQ(view().bgShadowBottom()->frame().topLeft(), QPointF(bar().frame().x() - 10, 70 + expanded() - 40));
    SearchResultView* results = bar().searchView()->resultView();
    EXPECT_EQ(results->searchText(), QStringLiteral("l"));
    EXPECT_EQ(results->rootItems().size(), 2u) << "both names hold an l";

    type(QStringLiteral("un"));
    EXPECT_EQ(results->searchText(), QStringLiteral("lun"));
    EXPECT_EQ(results->rootItems().size(), 1u);
    EXPECT_EQ(m_addPosts, 1) << "growing is announced once";
    saveScreenshot(&view(), "quick-add-bar-searching");

    // The field gets the keyboard back 0.1 s after the bar grew.
    field().setCursorPosition(0);
    scheduler.advance(0.1);
    EXPECT_EQ(field().cursorPosition(), 3);

    for (int n = 0; n < 3; ++n) key(Qt::Key_Backspace);
    EXPECT_FALSE(bar().isSearching());
    EXPECT_EQ(bar().frame().height(), 28);
    EXPECT_EQ(m_addPosts, 2);
    EXPECT_TRUE(bar().addView()->isHidden());
    EXPECT_FALSE(view().monthView()->isHidden());
}

TEST_F(QuickAddBarTest, WhileAddingTypingDoesNotSearch)
{
    storedItem(QStringLiteral("Lunch"), 0);
    type(QStringLiteral("L"));
    SearchResultView* results = bar().searchView()->resultView();
    chooseType(AddView::EventEditor);
    EXPECT_TRUE(bar().isAdding());
    EXPECT_FALSE(bar().isSearching());
    EXPECT_TRUE(bar().searchView()->isHidden());
    type(QStringLiteral("u"));
    EXPECT_EQ(results->searchText(), QStringLiteral("L")) << "the results stay as they were";
}

TEST_F(QuickAddBarTest, ReturnMakesAnItemOfTheLineByTabAndPrefix)
{
    const Date selected = at(2026, 12, 10, 10, 30);
    const Date recordDefault = Task().startTime();
    const QString untitled = TextTable::localizedString(QStringLiteral("untitledText"));
    struct Case {
        int tab;  // -1: none chosen
        QString line;
        qint64 type;
        QString name;
        QString notes;
        Date start;
        int module;  // the list module shown afterwards; 0: unchanged
    };
    const Case cases[] = {
        {-1, "Lunch", 0, "Lunch", "", selected, 0},
        {-1, "  Lunch\t", 0, "Lunch", "", selected, 0},
        {AddView::TaskEditor, "Call", 1, "Call", "", recordDefault, 1},
        {AddView::TaskEditor, "#tCall", 1, "Call", "", selected, 1},
        {-1, "#tCall", 1, "Call", "", selected, 1},
        {-1, "#nMilk", 3, "Milk", "Milk", selected, 2},
        {-1, "#e Lunch", 0, "Lunch", "", selected, 0},
        {-1, "#t Pay rent", 1, "Pay rent", "", selected, 1},
        {-1, "#TCall", 0, "#TCall", "", selected, 0},
        {-1, "#xCall", 0, "#xCall", "", selected, 0},
        // Blank lines and prefixes alone are untitled; a note keeps no name.
        {-1, "", 0, untitled, "", selected, 0},
        {-1, "   ", 0, untitled, "", selected, 0},
        {-1, "#t", 1, untitled, "", selected, 1},
        {-1, "#e", 0, untitled, "", selected, 0},
        {-1, "#n", 3, "", "", selected, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        view().setFocusListModule(3);
        if (c.tab >= 0) chooseType(c.tab);
        bar().searchAndAdd()->setStringValue(c.line);
        m_addPosts = 0;
        key(Qt::Key_Return);

        const TaskPtr item = lastAdded();
        ASSERT_TRUE(item);
        EXPECT_EQ(item->taskType(), c.type);
        EXPECT_EQ(item->taskName(), c.name);
        EXPECT_EQ(item->notes(), c.notes);
        EXPECT_EQ(item->startTime(), c.start);
        EXPECT_EQ(item->calendarId(), 1);
        if (c.type == 0) {
            EXPECT_EQ(item->endTime(), Utilities::newDateFromDate(c.start, 45 * 60));
            EXPECT_EQ(item->alertValues(), QStringLiteral("0|-15|1|"));
        }
        EXPECT_EQ(view().currentListModule(), c.module == 0 ? 3 : c.module);
        EXPECT_GT(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey = %1").arg(item->primaryKey())),
                  0)
            << "stored";
        // The bar is collapsed and empty again.
        EXPECT_EQ(bar().frame().height(), 28);
        EXPECT_TRUE(bar().searchAndAdd()->stringValue().isEmpty());
        EXPECT_EQ(bar().addView()->menuSegmentedControl()->selectedSegment(), -1);
        EXPECT_FALSE(bar().isAdding());
        EXPECT_GE(m_addPosts, 1);
    }
}

TEST_F(QuickAddBarTest, WithoutADefaultAlertTheNewEventHasNone)
{
    setting().setDefaultEventAlert(QString());
    bar().searchAndAdd()->setStringValue(QStringLiteral("Lunch"));
    key(Qt::Key_Return);
    const TaskPtr item = lastAdded();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->taskName(), QStringLiteral("Lunch"));
    EXPECT_EQ(item->taskType(), 0);
    EXPECT_TRUE(item->alertValues().isEmpty());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey = %1 AND "
                                      "IFNULL(alertValues, '') = ''")
                           .arg(item->primaryKey())),
              1)
        << "stored without an alert";
}

TEST_F(QuickAddBarTest, ReturnOnTheCategoryTabMakesAUniquelyNamedCategory)
{
    auto work = std::make_shared<Calendar>();
    work->setCalendarName(QStringLiteral("work"));
    ASSERT_TRUE(dataManager().addCalendarToCalendarList(work, false));

    const QString untitled = TextTable::localizedString(QStringLiteral("untitledText"));
    const std::pair<QString, QString> cases[] = {{"Work", "Work_1"}, {"   ", untitled}, {"", untitled + "_1"}};
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(line.toStdString());
        view().setFocusListModule(1);
        chooseType(AddView::ProjectEditor);
        bar().searchAndAdd()->setStringValue(line);
        key(Qt::Key_Return);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE calendarName = '%1'").arg(expected)), 1);
        EXPECT_EQ(view().currentListModule(), 3);
        EXPECT_EQ(bar().frame().height(), 28);
    }
}

TEST_F(QuickAddBarTest, TheAddFormsHandTheirItemToTheBarAndCancelCollapsesIt)
{
    type(QStringLiteral("Dentist"));
    chooseType(AddView::EventEditor);
    AddView& panel = *bar().addView();
    EXPECT_EQ(panel.shownEditor(), AddView::EventEditor);
    EXPECT_FALSE(panel.tabView()->isHidden());
    // The form is its content height plus 12, the panel that plus 50.
    const double form = panel.eventDetailView()->frame().height();
    EXPECT_EQ(panel.tabView()->frame().height(), form);
    EXPECT_EQ(panel.frame().height(), form + 50);
    EXPECT_EQ(bar().frame().height(), form + 80);
    const Button* save = panel.eventDetailView()->addEventBtn();
    EXPECT_LE(save->frame().bottom(), form) << "the buttons stay inside the form";
    EXPECT_GT(save->frame().bottom(), form - 30) << "and at its bottom";
    saveScreenshot(&view(), "quick-add-bar-adding-event");

    panel.eventDetailView()->addEventBtn()->performClick();
    const TaskPtr event = lastAdded();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->taskType(), 0);
    EXPECT_EQ(event->taskName(), QStringLiteral("Dentist")) << "named by the field";
    EXPECT_EQ(bar().frame().height(), 28);

    type(QStringLiteral("Taxes"));
    chooseType(AddView::TaskEditor);
    EXPECT_EQ(panel.shownEditor(), AddView::TaskEditor);
    saveScreenshot(&view(), "quick-add-bar-adding-task");
    panel.taskDetailView()->cancelAdd();
    EXPECT_EQ(bar().frame().height(), 28);
    EXPECT_TRUE(bar().searchAndAdd()->stringValue().isEmpty());

    chooseType(AddView::TaskEditor);
    bar().searchAndAdd()->setStringValue(QStringLiteral("Taxes"));
    panel.taskDetailView()->addTask();
    const TaskPtr task = lastAdded();
    ASSERT_TRUE(task);
    EXPECT_EQ(task->taskType(), 1);
    EXPECT_EQ(task->taskName(), QStringLiteral("Taxes"));
    EXPECT_EQ(view().currentListModule(), 1);
}

TEST_F(QuickAddBarTest, ReturnInTheAddFormSavesAndEscapeBacksOut)
{
    // The form (-1: none, the bar searching; -2: searching, with the
    // keyboard in the results), the field, the key; whether "Dentist" is
    // stored and the bar folded back to its emptied line.
    struct Case {
        int form;
        bool notes;
        Qt::Key key;
        bool saved, folded;
    };
    const Case cases[] = {
        {AddView::EventEditor, false, Qt::Key_Return, true, true}, {AddView::TaskEditor, false, Qt::Key_Return, true, true},
        {AddView::EventEditor, true, Qt::Key_Return, false, false},  // a new line in the notes
        {AddView::EventEditor, false, Qt::Key_Escape, false, true}, {AddView::TaskEditor, false, Qt::Key_Escape, false, true},
        {-1, false, Qt::Key_Escape, false, true}, {-2, false, Qt::Key_Escape, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        bar().resetData();
        const qsizetype before = dataManager().allTasksEventsAdes().size();
        type(QStringLiteral("Dentist"));
        QWidget* target = &field();
        if (c.form >= 0) chooseType(c.form);
        if (c.form == AddView::EventEditor)
            target = c.notes ? static_cast<QWidget*>(bar().addView()->eventDetailView()->desc()->editor())
                             : bar().addView()->eventDetailView()->locationTextField()->editor();
        if (c.form == AddView::TaskEditor) target = bar().addView()->taskDetailView()->locationTextField()->editor();
        if (c.form == -2) target = bar().searchView()->resultView();
        target->setFocus();
        for (QEvent::Type kind : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(kind, c.key, Qt::NoModifier);  // offered to the window's shortcuts first
            QApplication::sendEvent(target, &event);
        }
        EXPECT_EQ(dataManager().allTasksEventsAdes().size() > before && lastAdded()->taskName() == QStringLiteral("Dentist"),
                  c.saved);
        EXPECT_EQ(bar().frame().height() == 28 && bar().searchAndAdd()->stringValue().isEmpty(), c.folded);
        if (c.folded) {
            EXPECT_EQ(target->window()->focusWidget(), bar().searchAndAdd()->editor()) << "the line has the keys";
        }
    }
}

// A tag still being typed when the form is saved is kept, whether Save is
// clicked or Return (which the form takes first) is typed in the tag field.
TEST_F(QuickAddBarTest, TheAddFormsKeepATagStillBeingTyped)
{
    const struct {
        int form;
        bool byReturn;
    } cases[] = {{AddView::EventEditor, false}, {AddView::EventEditor, true}, {AddView::TaskEditor, false},
                 {AddView::TaskEditor, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        bar().resetData();
        type(QStringLiteral("Dentist"));
        chooseType(c.form);
        const bool event = c.form == AddView::EventEditor;
        ItemDetailView* form = event ? static_cast<ItemDetailView*>(bar().addView()->eventDetailView())
                                     : bar().addView()->taskDetailView();
        Button* save = event ? bar().addView()->eventDetailView()->addEventBtn() : bar().addView()->taskDetailView()->addTaskBtn();
        QLineEdit* tags = form->tagDetailView()->editor();
        tags->setFocus();
        for (const QChar letter : QStringLiteral("health")) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(letter));
            QApplication::sendEvent(tags, &press);
        }
        if (c.byReturn) {
            for (QEvent::Type kind : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent event(kind, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(tags, &event);
            }
        } else {
            save->performClick();
        }
        const TaskPtr added = lastAdded();
        ASSERT_TRUE(added);
        EXPECT_EQ(added->taskName(), QStringLiteral("Dentist"));
        EXPECT_EQ(added->tagList(), QStringLiteral("/health"));
    }
}

TEST_F(QuickAddBarTest, ShortcutsOpenTheGrownPanelOnTheirTab)
{
    pressKey(Qt::Key_K);
    EXPECT_EQ(bar().addView()->shownEditor(), AddView::TaskEditor);
    EXPECT_EQ(bar().addView()->menuSegmentedControl()->selectedSegment(), 1);
    EXPECT_TRUE(bar().isQuickAdd());
    EXPECT_TRUE(bar().isAdding());
    EXPECT_EQ(bar().frame().height(), expanded());
    EXPECT_TRUE(view().monthView()->isHidden());
    EXPECT_TRUE(bar().searchAndAdd()->isEditable());

    bar().resetData();
    pressKey(Qt::Key_O);
    EXPECT_EQ(bar().addView()->shownEditor(), AddView::NoteEditor);
    EXPECT_FALSE(bar().isQuickAdd());
    EXPECT_FALSE(bar().searchAndAdd()->isEditable()) << "the note form takes the text";
    bar().resetData();
    EXPECT_TRUE(bar().searchAndAdd()->isEditable());
    EXPECT_FALSE(view().monthView()->isHidden());

    // Asked while the panel is hidden, quick add only clears the flag.
    bar().setIsQuickAdd(true);
    EXPECT_FALSE(bar().isQuickAdd());
    EXPECT_EQ(bar().frame().height(), 28);
}

TEST_F(QuickAddBarTest, TheAddButtonOpensThePopoverAndSwitchedOffClosesEveryPopover)
{
    int closes = 0;
    QObject closeListener;
    NotificationCenter::defaultCenter().addObserver(&closeListener, kPopoverShouldClose, nullptr,
                                                    [&closes](const Notification&) { ++closes; });
    Button* button = bar().addNewBtn();
    EXPECT_FALSE(button->alternateImage().isNull()) << "the button shows its own picture";
    EXPECT_EQ(bar().creatingViewController(), nullptr) << "made on first use";
    button->performClick();
    EXPECT_EQ(button->state(), 1);
    CreatingViewController* controller = bar().creatingViewController();
    EXPECT_NE(controller, nullptr);
    EXPECT_EQ(closes, 0);
    button->performClick();
    EXPECT_EQ(button->state(), 0);
    EXPECT_EQ(closes, 1);
    button->performClick();
    EXPECT_EQ(bar().creatingViewController(), controller) << "kept";
    NotificationCenter::defaultCenter().removeObserver(&closeListener);
}

TEST_F(QuickAddBarTest, PanelHeightsFollowTheFormsAndIgnoreNonsense)
{
    type(QStringLiteral("x"));
    chooseType(AddView::ProjectEditor);
    AddView& panel = *bar().addView();
    for (const double h : {69.0, 200.0, 0.0}) {
        panel.resizeWithHeight(h);
        EXPECT_EQ(panel.frame().height(), h + 62);
        EXPECT_EQ(panel.tabView()->frame().height(), h + 12);
        EXPECT_EQ(bar().frame().height(), h + 92);
        EXPECT_EQ(view().bgShadow()->frame(), QRectF(bar().frame().x() - 10, 70, 300, h + 62)) << "the panel's height";
    }
    const QRectF before = bar().frame();
    const QRectF shadow = view().bgShadow()->frame();
    for (const double bad : {-5.0, std::nan(""), HUGE_VAL}) {
        panel.resizeWithHeight(bad);
        EXPECT_EQ(bar().frame(), before);
        EXPECT_EQ(view().bgShadow()->frame(), shadow);
    }
    // Hidden, the panel does not move the bar.
    bar().resetData();
    bar().resizeWithHeight(300);
    EXPECT_EQ(bar().frame().height(), 28);
}

TEST_F(QuickAddBarTest, ChangedItemsAndRowCommandsRefreshTheOpenResults)
{
    const TaskPtr item = storedItem(QStringLiteral("Lunch"), 1);
    type(QStringLiteral("Lun"));
    SearchResultView* results = bar().searchView()->resultView();
    ASSERT_EQ(results->rootItems().size(), 1u);

    // The stored name changes behind the list; the refresh re-reads it.
    exec(QStringLiteral("UPDATE Tasks SET taskName = 'Lunch moved' WHERE primaryKey = %1").arg(item->primaryKey()));
    const QString key = QString::number(item->primaryKey());
    bar().reloadData({{key, key}});
    const auto& rows = results->childItems().first();
    ASSERT_EQ(rows.size(), 1u);
    auto* row = qobject_cast<TaskListItemView*>(rows.front());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->task()->taskName(), QStringLiteral("Lunch moved"));

    // A row command's new search goes through the bar: with the field
    // changed meanwhile it searches for the field's text.
    bar().searchAndAdd()->setStringValue(QStringLiteral("zzz"));
    Event press;
    press.type = EventType::LeftMouseDown;
    press.clickCount = 1;
    press.timestamp = 10;
    press.locationInWindow = results->convertPointToWindow(results->rectOfRow(1).center());
    results->mouseDown(press);
    ASSERT_NE(results->selectedItem(), nullptr);
    auto run = results->commandForAction(QStringLiteral("duplicateTask:"));
    ASSERT_TRUE(run);
    run();
    EXPECT_EQ(results->searchText(), QStringLiteral("zzz"));
}

TEST_F(QuickAddBarTest, ALineThatCannotBeStoredStaysInTheBar)
{
    LogCapture log;
    // A disk that refuses every new row.
    exec(QStringLiteral("CREATE TRIGGER refuseTask BEFORE INSERT ON Tasks BEGIN SELECT RAISE(ABORT, 'full'); END"));
    exec(QStringLiteral("CREATE TRIGGER refuseCategory BEFORE INSERT ON Calendars BEGIN SELECT RAISE(ABORT, 'full'); END"));
    // Return in the bar, or a form's Save with a tag not stored yet: the
    // tag goes in with the item or not at all.
    const auto saveWithTag = [this](int tab) {
        AddView& panel = *bar().addView();
        if (tab == AddView::TaskEditor) {
            panel.taskDetailView()->tagDetailView()->setObjectValue({QStringLiteral("Errand")});
            panel.taskDetailView()->addTask();
        } else if (auto* note = dynamic_cast<AddNewNoteView*>(panel.noteForm()); tab == AddView::NoteEditor) {
            ASSERT_NE(note, nullptr);
            note->contentView()->noteContent()->editor()->insertPlainText(QStringLiteral("Milk"));
            note->tagDetailView()->setObjectValue({QStringLiteral("Shopping")});
            note->addNote();
        } else {
            panel.eventDetailView()->tagDetailView()->setObjectValue({QStringLiteral("Trip")});
            panel.eventDetailView()->addEvent();
        }
    };
    const struct {
        int tab;
        bool form;
    } cases[] = {{-1, false}, {AddView::TaskEditor, false}, {AddView::ProjectEditor, false},
                 {AddView::TaskEditor, true}, {AddView::EventEditor, true}, {AddView::NoteEditor, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tab);
        SCOPED_TRACE(c.form);
        if (c.tab >= 0) chooseType(c.tab);
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        bar().searchAndAdd()->setStringValue(QStringLiteral("Pay rent"));
        const qint64 tags = queryInt(QStringLiteral("SELECT COUNT(*) FROM Tag"));
        if (c.form)
            saveWithTag(c.tab);
        else
            key(Qt::Key_Return);
        EXPECT_EQ(bar().searchAndAdd()->stringValue(), QStringLiteral("Pay rent")) << "not lost";
        EXPECT_TRUE(log.contains(QStringLiteral("could not be stored")));
        EXPECT_EQ(alerts.requests().size(), 1) << "and the person is told";
        EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tag")), tags) << "no tag without its item";
        bar().resetData();
    }
}

// With the keyboard alone: from the line typed into, Tab goes to the kind
// switch and on through the task form in reading order to its Save.
TEST_F(QuickAddBarTest, TabGoesFromTheLineThroughTheKindSwitchAndTheWholeForm)
{
    bar().resetData();
    type(QStringLiteral("Dentist"));
    chooseType(AddView::TaskEditor);
    QWidget* top = field().window();
    top->show();
    QApplication::setActiveWindow(top);
    field().setFocus(Qt::OtherFocusReason);
    TaskDetailView* form = bar().addView()->taskDetailView();
    const QList<QWidget*> expected{&field(), bar().addView()->menuSegmentedControl(),
                                   form->locationTextField()->editor(), form->durationBtn(),
                                   form->startTextField()->editor(), form->hasDueBtn(),
                                   form->repeatRules().repeatBtn(), form->calendarBtn(),
                                   form->urlTextField()->editor(), form->desc()->editor(),
                                   form->tagDetailView()->editor(), form->cancelBtn(), form->saveBtn()};
    QList<QWidget*> visited{&field()};
    for (int presses = 0; presses < 40 && visited.size() < expected.size() && QApplication::focusWidget(); ++presses) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        // A date field takes one Tab for each of its parts.
        if (QApplication::focusWidget() != visited.last()) visited.append(QApplication::focusWidget());
    }
    EXPECT_EQ(visited, expected);
}

}  // namespace QuickAddBarTests
