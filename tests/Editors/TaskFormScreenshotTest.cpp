#include "TaskFormFixture.h"

#include "Calendar.h"
#include "CustomNSPopUpButton.h"
#include "Screenshot.h"
#include "TextMeasure.h"

#include <gtest/gtest.h>

namespace {

class TaskFormScreenshotTest : public TaskFormTest {
protected:
    // Saves the form and checks what a user would see wrong: a row outside
    // the form, two rows over each other, or a button over a row.
    void shoot(const QString& name)
    {
        m_form->show();
        QApplication::processEvents();
        EXPECT_FALSE(saveScreenshot(m_form.get(), name).isEmpty());
        const QRectF bounds = m_form->bounds();
        QList<QRectF> shown;
        for (DetailRow* row : m_form->allRowView()) {
            EXPECT_TRUE(bounds.contains(row->frame())) << name.toStdString();
            for (const QRectF& other : shown)
                EXPECT_FALSE(row->frame().intersects(other)) << name.toStdString();
            shown.append(row->frame());
        }
        // A check box's picture fills its frame: a narrow frame squashes it.
        for (Button* box : {m_form->hasDueBtn(), m_form->completedBtn()}) {
            EXPECT_DOUBLE_EQ(box->frame().width(), box->frame().height()) << name.toStdString();
        }
        // The repeat-by pop-up shows its choice whole, within its row.
        const PopUpButton* by = m_form->repeatRules().repeatByBtn();
        if (by->isVisible()) {
            const QRectF cell = CustomNSPopUpButton::cellFrameForBounds(by->bounds());
            EXPECT_GE(PopUpButton::titleRectForBounds(cell).width(),
                      TextMeasure::sizeOfText(by->titleOfSelectedItem(), by->textFont()).width()) << name.toStdString();
            EXPECT_LE(by->frame().right(), m_form->repeatRules().repeatOnRow()->bounds().right()) << name.toStdString();
        }
        const QRectF tags = m_form->tagDetailView()->frame();
        EXPECT_TRUE(bounds.contains(tags)) << name.toStdString();
        for (Button* button : {m_form->doneBtn(), m_form->addTaskBtn()}) {
            if (!button->isHidden()) {
                EXPECT_GE(button->frame().top(), tags.bottom()) << name.toStdString();
            }
        }
    }
};

}  // namespace

TEST_F(TaskFormScreenshotTest, AddEditCompletedAndSharedForms)
{
    const CalendarPtr home = addCategory(0, 0, QStringLiteral("/home/errands"));
    home->setCalendarName(QStringLiteral("Home"));
    home->setColorGroupId(1);
    home->setColorNameId(2);
    ASSERT_TRUE(home->dehydrate());

    addForm();
    shoot(QStringLiteral("task-form-add"));
    choose(m_form->repeatRules().repeatBtn(), RepeatRuleRows::monthlyTag);
    shoot(QStringLiteral("task-form-add-monthly"));

    const TaskPtr weekly = storedTask(QStringLiteral("Send the weekly report"));
    weekly->setCalendarId(home->primaryKey());
    weekly->setTaskLocation(QStringLiteral("Office"));
    weekly->setDuration(100);
    weekly->setRepeatType(2);
    weekly->setRepeatOptions(QStringLiteral("1/2|6/0"));
    weekly->setTaskRepeatStyle(1);
    weekly->setTagList(QStringLiteral("/phone"));
    weekly->setAlertValues(QStringLiteral("/1|-3600|/1|-86400|"));
    weekly->setIsPinned(1);
    weekly->setNotes(QStringLiteral("Figures from the sales team."));
    ASSERT_TRUE(weekly->dehydrate());
    editForm(weekly);
    EXPECT_EQ(m_form->alertRows().alertList().size(), 2);
    EXPECT_FALSE(m_form->durationOther()->isHidden());
    shoot(QStringLiteral("task-form-weekly-due-alerts"));

    const TaskPtr done = storedTask(QStringLiteral("Pay the rent"), false);
    done->setStatus(1);
    done->setCompletedDate(localDate(2014, 1, 14, 18, 20));
    ASSERT_TRUE(done->dehydrate());
    editForm(done);
    EXPECT_FALSE(m_form->completedDate()->isHidden());
    shoot(QStringLiteral("task-form-completed"));

    const CalendarPtr team = addCategory(0, 0, QString());
    team->setCalendarName(QStringLiteral("Team"));
    ASSERT_TRUE(team->dehydrate());
    const TaskPtr shared = storedTask(QStringLiteral("Review the plan"));
    shared->setCalendarId(team->primaryKey());
    shared->setIsShared(true);
    editForm(shared);
    shoot(QStringLiteral("task-form-shared"));
}

TEST_F(TaskFormScreenshotTest, HourAndMinutePicker)
{
    HourAndMinute picker(QRectF(0, 0, 140, 19));
    picker.setHours(1);
    picker.setMins(30);
    picker.show();
    QApplication::processEvents();
    EXPECT_FALSE(saveScreenshot(&picker, QStringLiteral("task-form-hour-and-minute")).isEmpty());
    EXPECT_EQ(picker.getHours() * 60 + picker.getMinutes(), 90);
}
