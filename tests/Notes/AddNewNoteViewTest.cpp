// The new-note form in the add panel of a real main view over a test
// database: the main window's new-note shortcut opens it, the user types,
// chooses and saves; the quick-add bar stores the note.
#include "../Shell/GearSyncFixture.h"

#include "AddNewNoteView.h"
#include "AddView.h"
#include "Button.h"
#include "Calendar.h"
#include "Clicks.h"
#include "Clock.h"
#include "CustomNSDatePicker.h"
#include "CustomTextView.h"
#include "DetailRow.h"
#include "EditorShared.h"
#include "GregorianCalendar.h"
#include "ListModuleView.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NoteContentView.h"
#include "NotificationCenter.h"
#include "PopUpButton.h"
#include "QuickAddView.h"
#include "RecordingICalSync.h"
#include "Screenshot.h"
#include "Task.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "ZVWSync.h"

#include <QTextEdit>

#include <gtest/gtest.h>

namespace AddNewNoteViewTests {

QString t(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

Date at(int year, int month, int day, int hour, int minute)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, 0);
}

// Monday 13 January 2014, 10:46.
class AddNewNoteViewTest : public GearSyncTest {
protected:
    void SetUp() override
    {
        GearSyncTest::SetUp();
        Clock::setFixed(at(2014, 1, 13, 10, 46));
        auto recording = std::make_unique<RecordingICalSync>();
        calendarStore = recording.get();
        dataManager().setICalSync(std::move(recording));
        home = category(QStringLiteral("Home"), QStringLiteral("/a/b"));
        setting().setCalendarDefID(home->primaryKey());
        openMainView();
        // The list column shown, as the bar sits above it.
        view().showHideBtn()->setState(1);
        view().showHide();
        m_window->setContentSize(view().frame().size());
        QApplication::processEvents();
        NotificationCenter::defaultCenter().addObserver(&listener, kAutoSyncNotification, nullptr,
                                                        [this](const Notification& n) {
                                                            autoSyncs.append(n.objectAs<qint64>());
                                                        });
    }

    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&listener);
        Clock::reset();
        GearSyncTest::TearDown();
    }

    CalendarPtr category(const QString& name, const QString& tags = QString(), qint64 projectType = 0,
                         qint64 hidden = 0, bool shared = false)
    {
        auto made = std::make_shared<Calendar>();
        made->setCalendarName(name);
        made->setProjectType(projectType);
        made->setInVisible(hidden);
        made->setExtraStatus(shared ? 1 : 0);
        made->setTagList(tags);
        EXPECT_TRUE(made->insertIntoDatabase(db()));
        EXPECT_TRUE(made->dehydrate());
        dataManager().doWithCalendarList(CalendarList{made}, 0);
        return made;
    }

    // The form as the main window's new-note shortcut opens it.
    AddNewNoteView& openForm()
    {
        view().hiddenAddNote();
        auto* form = dynamic_cast<AddNewNoteView*>(view().quickAddView()->addView()->noteForm());
        EXPECT_NE(form, nullptr) << "the note tab holds the form";
        return *form;
    }

    void type(AddNewNoteView& form, const QString& text)
    {
        QTextEdit* editor = form.contentView()->noteContent()->editor();
        form.focusToContent();
        editor->insertPlainText(text);
    }

    QStringList tokens(AddNewNoteView& form) { return form.tagDetailView()->objectValue(); }

    TaskList storedNotes()
    {
        TaskList notes;
        const qint64 count = queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE taskType=3"));
        if (count == 0) return notes;
        const qint64 key = queryInt(QStringLiteral("SELECT max(primaryKey) FROM Tasks WHERE taskType=3"));
        notes.append(Task::initWithPrimaryKey(key, db()));
        return notes;
    }

    MainView& view() { return *m_view; }

    RecordingICalSync* calendarStore = nullptr;
    CalendarPtr home;
    QObject listener;
    QList<qint64> autoSyncs;
};

TEST_F(AddNewNoteViewTest, TheCreatedDateStartsOnTheSelectedDayAtTheNextQuarterHour)
{
    struct Case {
        const char* what;
        Date selected;
        Date now;
        Date expected;
    };
    const Case cases[] = {
        // The month view cannot lose a selected day: the cases without one come first.
        {"no day selected", Date(), at(2014, 1, 13, 10, 46), at(2014, 1, 13, 11, 0)},
        {"no day selected, 23:49", Date(), at(2014, 1, 13, 23, 49), at(2014, 1, 14, 0, 0)},
        {"Wednesday selected", at(2014, 1, 15, 0, 0), at(2014, 1, 13, 10, 46), at(2014, 1, 15, 11, 0)},
        // The quarter hour after 23:45 is the next day's midnight.
        {"Wednesday selected, 23:49", at(2014, 1, 15, 0, 0), at(2014, 1, 13, 23, 49), at(2014, 1, 16, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clock::setFixed(c.now);
        if (!c.selected.isNull()) view().monthView()->monthCalendarView()->setCurrentDay(c.selected, false);
        AddNewNoteView& form = openForm();
        EXPECT_EQ(form.createTextField()->dateValue(), c.expected);
    }
}

TEST_F(AddNewNoteViewTest, LayoutAndTheCategoriesOffered)
{
    category(QStringLiteral("Shared"), {}, 0, 0, true);
    category(QStringLiteral("Hidden"), {}, 0, 1);
    category(QStringLiteral("Checklist"), {}, 1);
    const CalendarPtr work = category(QStringLiteral("Work"));
    AddNewNoteView& form = openForm();
    QList<double> ys;
    for (DetailRow* row : form.allRowView()) ys.append(row->frame().y());
    EXPECT_EQ(ys, QList<double>({321, 346, 371}));
    EXPECT_EQ(form.tagDetailView()->frame().y(), 371);

    PopUpButton* popUp = form.calendarBtn();
    ASSERT_NE(popUp, nullptr);
    QStringList titles;
    for (const PopUpItem& item : popUp->items())
        if (item.isSelectable()) titles.append(item.title);
    for (const char* left : {"Shared", "Hidden", "Checklist"}) EXPECT_FALSE(titles.contains(QString::fromLatin1(left)));
    EXPECT_TRUE(titles.contains(QStringLiteral("Work")));
    EXPECT_EQ(popUp->titleOfSelectedItem(), QStringLiteral("Home"));
    EXPECT_DOUBLE_EQ(popUp->frame().width(), TextMeasure::sizeOfText(QStringLiteral("Home"), lucida(12)).width() + 50);

    // The tag field starts from the category's tags.
    EXPECT_EQ(tokens(form), QStringList({"a", "b"}));
    ASSERT_TRUE(popUp->selectItemWithTag(static_cast<int>(work->primaryKey())));
    form.selectCalendar(popUp);
    EXPECT_TRUE(tokens(form).isEmpty());
    EXPECT_EQ(form.tagDetailView()->placeholderString(), TextTable::localizedString(QStringLiteral("noneText")));

    ASSERT_TRUE(popUp->selectItemWithTag(static_cast<int>(home->primaryKey())));
    form.selectCalendar(popUp);
    type(form, t("Shopping\n❎ Milk\n✅ Bread"));
    saveScreenshot(view().quickAddView(), QStringLiteral("new-note-form"));
}

TEST_F(AddNewNoteViewTest, SaveStoresTheNoteWithItsOwnTagsAndShowsTheNotes)
{
    struct Case {
        const char* what;
        bool autoSync;
        QList<qint64> posts;
    };
    const Case cases[] = {{"automatic web sync off", false, {}}, {"automatic web sync on", true, {2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setting().setAutoZVWSync(c.autoSync ? 1 : 0);
        autoSyncs.clear();
        calendarStore->clearCalls();
        AddNewNoteView& form = openForm();
        type(form, t("\n\n❎ Milk"));
        form.tagDetailView()->setObjectValue({"b", "d", "d"});
        ASSERT_TRUE(form.addNoteBtn()->isVisible());
        Clicks::click(form.window(), Clicks::inWindow(form.addNoteBtn(), QPointF(10, 10)));

        const TaskList notes = storedNotes();
        ASSERT_EQ(notes.size(), 1);
        const TaskPtr note = notes.first();
        EXPECT_EQ(note->taskType(), 3);
        EXPECT_EQ(note->builtIn(), 0);
        EXPECT_EQ(note->isInitialTask(), 1);
        EXPECT_EQ(note->taskName(), t(" Milk"));
        EXPECT_EQ(note->notes(), t("\n\n❎ Milk"));
        EXPECT_EQ(note->startTime(), at(2014, 1, 13, 11, 0));
        EXPECT_EQ(note->calendarId(), home->primaryKey());
        EXPECT_EQ(note->tagList(), QStringLiteral("/d"));
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tag WHERE tagName='d'")), 1) << "entered once";
        EXPECT_TRUE(calendarStore->calls().isEmpty()) << "a note never goes to the calendar store";
        EXPECT_EQ(autoSyncs.count(2), c.posts.count(2)) << "items ask for a web push only while it is on";
        EXPECT_EQ(view().listModuleView()->currentModuleShowing(), 2) << "the notes module shows";
        EXPECT_TRUE(view().quickAddView()->addView()->isHidden() || view().quickAddView()->addView()->shownEditor() < 0);
        exec(QStringLiteral("DELETE FROM Tasks WHERE taskType=3"));
    }
}

TEST_F(AddNewNoteViewTest, BlankNotesAndCancelStoreNothing)
{
    for (const char* text : {"", "\n \n  "}) {
        SCOPED_TRACE(text);
        AddNewNoteView& form = openForm();
        type(form, t(text));
        form.addNote();
        EXPECT_TRUE(storedNotes().isEmpty());
        EXPECT_EQ(form.contentView()->getContentText(), t(text)) << "the form stays open as typed";
        EXPECT_EQ(view().quickAddView()->addView()->shownEditor(), AddView::NoteEditor);
    }
    AddNewNoteView& form = openForm();
    type(form, t("dropped"));
    Clicks::click(form.window(), Clicks::inWindow(form.cancelBtn(), QPointF(10, 10)));
    EXPECT_TRUE(storedNotes().isEmpty());
    EXPECT_TRUE(openForm().contentView()->getContentText().isEmpty());
}

TEST_F(AddNewNoteViewTest, TheCategoryIsChosenByKeyAndADeletedOneFallsBack)
{
    // A second category of the default one's name, offered first.
    const CalendarPtr twin = category(QStringLiteral("Home"));
    dataManager().doWithCalendarList(CalendarList{twin, home}, 2);
    AddNewNoteView& form = openForm();
    EXPECT_EQ(selectedTag(form.calendarBtn()), home->primaryKey()) << "the default by its key, not its name";

    const CalendarPtr gone = category(QStringLiteral("Gone"));
    const CalendarPtr spare = category(QStringLiteral("Spare"));
    struct Case {
        const char* what;
        CalendarPtr chosen;
        bool defaultDeleted;
        qint64 expected;
    };
    const Case cases[] = {
        {"chosen category deleted: the default", gone, false, home->primaryKey()},
        {"default deleted too: the first offered that is left", twin, true, spare->primaryKey()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AddNewNoteView& reopened = openForm();
        ASSERT_TRUE(reopened.calendarBtn()->selectItemWithTag(static_cast<int>(c.chosen->primaryKey())));
        reopened.selectCalendar(reopened.calendarBtn());
        CalendarList kept;
        for (const CalendarPtr& each : dataManager().calendarList())
            if (each != c.chosen && !(c.defaultDeleted && each == home)) kept.append(each);
        dataManager().doWithCalendarList(kept, 2);
        exec(QStringLiteral("DELETE FROM Calendars WHERE primaryKey=%1").arg(c.chosen->primaryKey()));
        if (c.defaultDeleted) exec(QStringLiteral("DELETE FROM Calendars WHERE primaryKey=%1").arg(home->primaryKey()));
        type(reopened, t("note"));
        reopened.addNote();
        const TaskList notes = storedNotes();
        ASSERT_EQ(notes.size(), 1);
        const qint64 expected = c.expected;
        EXPECT_EQ(notes.first()->calendarId(), expected);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE primaryKey=%1").arg(expected)), 1);
        exec(QStringLiteral("DELETE FROM Tasks WHERE taskType=3"));
    }
}

TEST_F(AddNewNoteViewTest, ModeSwitchElsewhereFlipsTheFormsButtonOnly)
{
    AddNewNoteView& form = openForm();
    type(form, t("kept"));
    EXPECT_EQ(form.contentView()->modeBtn()->state(), 0);
    NoteContentView other(QRectF(0, 0, 200, 100));
    other.changeNoteMode();
    EXPECT_EQ(setting().noteMode(), 0);
    EXPECT_EQ(form.contentView()->modeBtn()->state(), 1);
    EXPECT_EQ(form.contentView()->getContentText(), t("kept"));
}

}  // namespace AddNewNoteViewTests
