#include "EventFormFixture.h"
#include "Event.h"
#include "TimezoneSearchView.h"

#include "Calendar.h"
#include "CustomNSTextField.h"
#include "Clock.h"
#include "CoreData.h"
#include "LinkSection.h"
#include "TagTokenDetailView.h"
#include "TextTable.h"

#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

class EventDetailViewTest : public EventFormTest {
protected:
    bool listed(DetailRow* row) { return m_form->allRowView().contains(row); }
    TaskPtr timedEvent() { return storedEvent(localDate(2014, 1, 16, 9), localDate(2014, 1, 16, 10, 30)); }
    CalendarPtr categoryWithTags(const QString& name, const QString& tags, qint64 inVisible = 0)
    {
        CalendarPtr category = addCategory(0, inVisible, tags);
        category->setCalendarName(name);
        EXPECT_TRUE(category->dehydrate());
        return category;
    }
};

}  // namespace

TEST_F(EventDetailViewTest, TheZoneRowFollowsTheEndRowOnlyWithZoneSupportAndWithoutAllDay)
{
    editForm(timedEvent());
    EXPECT_FALSE(listed(m_form->tzRow())) << "zone support off";

    setting().setTzSupport(true);
    editForm(timedEvent());
    const QList<DetailRow*>& rows = m_form->allRowView();
    ASSERT_TRUE(listed(m_form->tzRow()));
    EXPECT_EQ(rows.indexOf(m_form->tzRow()), rows.indexOf(m_form->endRow()) + 1);
    m_form->allDayBtn()->performClick();
    EXPECT_FALSE(listed(m_form->tzRow())) << "all-day events have no zone";
    m_form->allDayBtn()->performClick();
    EXPECT_EQ(rows.indexOf(m_form->tzRow()), rows.indexOf(m_form->endRow()) + 1);
}

TEST_F(EventDetailViewTest, TheZoneRowIsAPickerWhoseChoiceMarksTheFormChanged)
{
    dataManager().loadTimeZones();
    setting().setTzSupport(true);
    editForm(timedEvent());
    auto* picker = qobject_cast<TimezoneSearchView*>(m_form->timezoneView());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->frame(), QRectF(20, 1, 260, 20));
    EXPECT_EQ(picker->searchField()->frame().left(), 70);
    EXPECT_EQ(picker->position(), 1) << "the list opens below the field";
    EXPECT_TRUE(picker->showInPopover());
    ASSERT_GT(picker->items().size(), 100);
    EXPECT_TRUE(m_form->revertBtn()->isHidden());

    // The user picks a zone other than the event's from the list.
    picker->search(QStringLiteral("Tokyo"));
    picker->listView()->reloadAndFit();
    ASSERT_FALSE(picker->filteredItems().isEmpty());
    picker->makeListViewBecomFirstResponder(0);
    Event choose;
    choose.type = EventType::KeyDown;
    choose.keyCode = KeyCode::Return;
    picker->listView()->keyDown(choose);
    ASSERT_TRUE(picker->currentTZ());
    EXPECT_TRUE(picker->currentTZ()->tzName.contains(QStringLiteral("Tokyo")));
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
}

TEST_F(EventDetailViewTest, AScheduledTaskHasNoAllDayRowEvenWhenLoadedTwice)
{
    const TaskPtr item = timedEvent();
    item->setIsSheduledTask(true);
    editForm(item);
    EXPECT_FALSE(listed(m_form->allDayRow()));
    EXPECT_EQ(m_form->title()->frame().x(), 25) << "beside the scheduled-task image";
    const qsizetype rowCount = m_form->allRowView().size();
    m_form->loadDataFromTask(item);
    EXPECT_FALSE(listed(m_form->allDayRow()));
    EXPECT_EQ(m_form->allRowView().size(), rowCount) << "exactly the all-day row stays out";
}

TEST_F(EventDetailViewTest, UntickingAllDayMovesToTheWorkingDay)
{
    const TaskPtr item = storedEvent(localDate(2014, 1, 20), localDate(2014, 1, 21));
    item->setIsADE(1);
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    ASSERT_EQ(m_form->allDayBtn()->state(), 1);
    ASSERT_TRUE(m_form->revertBtn()->isHidden());
    m_form->allDayBtn()->performClick();
    EXPECT_EQ(m_form->startTextField()->dateValue(), localDate(2014, 1, 20, 8));
    EXPECT_EQ(m_form->endTextField()->dateValue(), localDate(2014, 1, 20, 18));
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
}

TEST_F(EventDetailViewTest, MovingTheStartKeepsTheDurationAndTheEndLeavesTheStart)
{
    editForm(timedEvent());
    CustomNSDatePicker* start = m_form->startTextField();
    CustomNSDatePicker* end = m_form->endTextField();
    start->setDateValue(localDate(2014, 1, 16, 10));
    m_form->startTimeChanged();
    EXPECT_EQ(end->dateValue(), localDate(2014, 1, 16, 11, 30));
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
    end->setDateValue(localDate(2014, 1, 16, 12));
    m_form->endTimeChanged();
    EXPECT_EQ(start->dateValue(), localDate(2014, 1, 16, 10));
    end->setDateValue(localDate(2014, 1, 16, 9));
    EXPECT_GE(end->dateValue(), start->dateValue()) << "an end before the start cannot be entered";
}

TEST_F(EventDetailViewTest, ANewEventStartsAtTheNextQuarterHourOfTheSelectedDay)
{
    m_monthView->monthCalendarView()->setCurrentDay(localDate(2014, 1, 20), false);
    struct Case {
        int hour, minute;
        Date start;
    };
    const Case cases[] = {
        {10, 46, localDate(2014, 1, 20, 11)},
        {10, 45, localDate(2014, 1, 20, 10, 45)},
        {10, 7, localDate(2014, 1, 20, 10, 15)},
        {10, 0, localDate(2014, 1, 20, 10)},
    };
    for (const Case& c : cases) {
        Clock::setFixed(localDate(2014, 1, 15, c.hour, c.minute));
        addForm();
        EXPECT_EQ(m_form->startTextField()->dateValue(), c.start) << c.hour << ":" << c.minute;
        EXPECT_EQ(m_form->endTextField()->dateValue(), Utilities::dateByAddTimeInterval(3600, c.start))
            << "the default duration";
    }
}

TEST_F(EventDetailViewTest, WithoutASelectedDayANewEventIsToday)
{
    m_monthView.reset();
    addForm();
    EXPECT_EQ(m_form->startTextField()->dateValue(), localDate(2014, 1, 15, 10, 15));
}

TEST_F(EventDetailViewTest, ASharedItemIsReadOnlyUnderItsOwnCategory)
{
    const CalendarPtr shared = categoryWithTags(QStringLiteral("Team"), QStringLiteral("/crew"));
    shared->setExtraStatus(1);
    ASSERT_TRUE(shared->dehydrate());
    const TaskPtr item = timedEvent();
    item->setCalendarId(shared->primaryKey());
    item->setIsShared(true);
    editForm(item);
    PopUpButton* categories = m_form->calendarBtn();
    EXPECT_EQ(categories->indexOfSelectedItem(), 0);
    EXPECT_EQ(categories->titleOfSelectedItem(), QStringLiteral("Team"));
    // Its key, as the task form gives it: the tags the category gives show.
    EXPECT_EQ(categories->selectedItem()->tag, shared->primaryKey());
    EXPECT_EQ(m_form->tagDetailView()->objectValue(), QStringList{QStringLiteral("crew")});
    const QList<View*> controls{m_form->locationTextField(), m_form->startTextField(), m_form->endTextField(),
                                m_form->allDayBtn(),         categories,               m_form->urlTextField(),
                                m_form->tagDetailView(),     m_form->repeatRules().repeatBtn()};
    for (View* control : controls)
        EXPECT_FALSE(control->isEnabled()) << control->metaObject()->className();
    EXPECT_FALSE(m_form->title()->isEditable());
    EXPECT_TRUE(m_form->addLinkBtn()->isHidden());
    EXPECT_FALSE(AlertRows::typePopUp(m_form->alertRows().arrayOfAlertRow().first())->isEnabled());
}

TEST_F(EventDetailViewTest, TheSelectedTitleIsNotPaintedHighlightedWithoutTheKeyboard)
{
    const TaskPtr item = timedEvent();
    item->setTaskName(QStringLiteral("Dentist"));
    editForm(item);
    QTextEdit* editor = m_form->title()->editor();
    ASSERT_TRUE(editor->textCursor().hasSelection() && !editor->hasFocus()) << "opened selected";
    const QImage shot = editor->viewport()->grab().toImage();
    const QRgb highlight = editor->palette().color(QPalette::Active, QPalette::Highlight).rgb();
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            ASSERT_NE(shot.pixelColor(x, y).rgb(), highlight) << x << "," << y;
}

TEST_F(EventDetailViewTest, AnItemOfAHiddenCategoryKeepsItsCategory)
{
    const CalendarPtr hidden = categoryWithTags(QStringLiteral("Archive"), QString(), 1);
    const TaskPtr item = timedEvent();
    item->setCalendarId(hidden->primaryKey());
    editForm(item);
    EXPECT_EQ(m_form->calendarBtn()->titleOfSelectedItem(), QStringLiteral("Archive"));
    EXPECT_EQ(selectedTag(m_form->calendarBtn()), hidden->primaryKey()) << "saving reads the key from the tag";
    EXPECT_TRUE(m_form->revertBtn()->isHidden());
}

TEST_F(EventDetailViewTest, TagsOfCategoryAndItemShowTogetherAndOnlyOwnTagsCount)
{
    const CalendarPtr category = categoryWithTags(QStringLiteral("Home"), QStringLiteral("/a/b"));
    struct Case {
        const char* removed;
        bool revert;
    };
    for (const Case& c : {Case{"c", true}, Case{"a", false}}) {
        const TaskPtr item = timedEvent();
        item->setCalendarId(category->primaryKey());
        item->setTagList(QStringLiteral("/c"));
        editForm(item);
        QStringList tokens = m_form->tagDetailView()->objectValue();
        EXPECT_EQ(tokens, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        tokens.removeAll(QString::fromLatin1(c.removed));
        m_form->tagDetailView()->setObjectValue(tokens);
        m_form->tagChanged();
        EXPECT_EQ(!m_form->revertBtn()->isHidden(), c.revert) << "removing " << c.removed;
    }
    EXPECT_EQ(EventDetailView::ownTagList({QStringLiteral("a"), QStringLiteral("d"), QStringLiteral("d")},
                                          QStringLiteral("/a/b")),
              QStringLiteral("/d"));
}

TEST_F(EventDetailViewTest, AOneLineTitleGetsATitleAreaTwentyThreeHigh)
{
    EXPECT_EQ(EventDetailView::titleAreaHeight(18), 23);
    EXPECT_EQ(EventDetailView::titleAreaHeight(40), 45);
    EXPECT_EQ(EventDetailView::titleAreaHeight(90), 72) << "longer titles scroll";
    editForm(timedEvent());
    EXPECT_EQ(m_form->title()->frame().height(), 23);
    EXPECT_EQ(m_form->allRowView().first()->frame().y(), 23 + 4);
}

TEST_F(EventDetailViewTest, TheAddFormStacksItsTenRowsAndAsksItsHostForItsHeight)
{
    RecordingAddHost host;
    addForm(&host);
    ASSERT_EQ(m_form->allRowView().size(), 10);
    ASSERT_FALSE(host.heights.isEmpty());
    EXPECT_EQ(host.heights.last(), 288);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m_form->allRowView().at(i)->frame().y(), 25 * i + 1) << i;
    EXPECT_EQ(m_form->tagRow()->frame().y(), 251);
    EXPECT_EQ(m_form->tagDetailView()->frame().y(), 251);
}

TEST_F(EventDetailViewTest, ADetachedOccurrenceShowsNoRuleAndAGeneratedOneShowsItsSeries)
{
    const TaskPtr root = storedEvent(localDate(2014, 1, 13, 9), localDate(2014, 1, 13, 10));
    root->setRepeatType(2);
    root->setRepeatOptions(QStringLiteral("1/2/0"));
    root->setIsRepeatForever(1);
    ASSERT_TRUE(root->dehydrate());

    const TaskPtr detached = storedEvent(localDate(2014, 1, 20, 11), localDate(2014, 1, 20, 12));
    detached->setParentId(root->primaryKey());
    ASSERT_TRUE(detached->dehydrate());
    editForm(detached);
    EXPECT_FALSE(listed(m_form->repeatRules().repeatRow()));
    EXPECT_FALSE(m_form->allDayBtn()->isEnabled());

    const TaskPtr generated = root->instanceCopy();
    generated->setPrimaryKey(-2);
    generated->setParentId(root->primaryKey());
    editForm(generated);
    EXPECT_TRUE(listed(m_form->repeatRules().repeatRow()));
    EXPECT_EQ(m_form->repeatRules().repeatTag(), RepeatRuleRows::weeklyTag);
    EXPECT_TRUE(m_form->allDayBtn()->isEnabled());
}

TEST_F(EventDetailViewTest, LoadingHandsACopyToTheDataManagerAndShowsTheRecord)
{
    const TaskPtr item = timedEvent();
    item->setTaskLocation(QStringLiteral("Room 4"));
    item->setUrl(QStringLiteral("https://example.org"));
    editForm(item);
    EXPECT_EQ(m_form->task(), item);
    EXPECT_EQ(m_form->title()->string(), QStringLiteral("Meeting"));
    EXPECT_EQ(m_form->locationTextField()->stringValue(), QStringLiteral("Room 4"));
    EXPECT_EQ(m_form->startTextField()->dateValue(), localDate(2014, 1, 16, 9));
    EXPECT_EQ(m_form->endTextField()->dateValue(), localDate(2014, 1, 16, 10, 30));
    EXPECT_TRUE(m_form->revertBtn()->isHidden());
    ASSERT_TRUE(dataManager().modifyingTask());
    EXPECT_NE(dataManager().modifyingTask(), item) << "a copy, so that closing can undo";
    EXPECT_EQ(dataManager().modifyingTask()->taskName(), item->taskName());
    EXPECT_FALSE(m_form->doneBtn()->isHidden());
    EXPECT_TRUE(m_form->addEventBtn()->isHidden());
    EXPECT_FALSE(m_form->currentLinkSection()->isHidden());
}

TEST_F(EventDetailViewTest, AClickOnTheFormEndsTheEditInHandAndMarksTheChange)
{
    editForm(timedEvent());
    m_form->show();
    m_form->activateWindow();
    QApplication::setActiveWindow(m_form.get());
    TextField* location = m_form->locationTextField();
    location->editor()->setFocus(Qt::OtherFocusReason);
    for (QChar c : QStringLiteral("Hall")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key(c.toUpper().unicode()), Qt::NoModifier, QString(c));
        QApplication::sendEvent(location->editor(), &press);
    }
    EXPECT_TRUE(m_form->revertBtn()->isHidden()) << "typing is not yet a change";
    const QPointF blank(m_form->frame().width() - 10, m_form->locationRow()->frame().center().y());
    QMouseEvent click(QEvent::MouseButtonPress, blank, m_form->mapToGlobal(blank), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &click);
    EXPECT_NE(QApplication::focusWidget(), location->editor()) << "the click takes the focus away";
    EXPECT_FALSE(m_form->revertBtn()->isHidden()) << "the ended edit differs from the record";
    EXPECT_EQ(location->stringValue(), QStringLiteral("Hall"));
}

TEST_F(EventDetailViewTest, RevertShowsTheRecordAgainAndKeepsEditingIt)
{
    const TaskPtr item = timedEvent();
    item->setTaskLocation(QStringLiteral("Room 4"));
    ASSERT_TRUE(item->dehydrate());
    editForm(item);
    m_form->show();
    m_form->activateWindow();
    QApplication::setActiveWindow(m_form.get());
    TextField* location = m_form->locationTextField();
    location->editor()->setFocus(Qt::OtherFocusReason);
    location->editor()->selectAll();
    for (QChar c : QStringLiteral("Hall")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key(c.toUpper().unicode()), Qt::NoModifier, QString(c));
        QApplication::sendEvent(location->editor(), &press);
    }
    const QPointF blank(m_form->frame().width() - 10, m_form->locationRow()->frame().center().y());
    QMouseEvent click(QEvent::MouseButtonPress, blank, m_form->mapToGlobal(blank), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &click);
    ASSERT_FALSE(m_form->revertBtn()->isHidden());

    m_form->revertEdit();
    EXPECT_EQ(m_form->task(), item) << "the form still edits the same record";
    EXPECT_EQ(m_form->title()->string(), QStringLiteral("Meeting"));
    EXPECT_EQ(m_form->locationTextField()->stringValue(), QStringLiteral("Room 4"));
    EXPECT_EQ(m_form->startTextField()->dateValue(), localDate(2014, 1, 16, 9));
    EXPECT_TRUE(m_form->revertBtn()->isHidden());
}
