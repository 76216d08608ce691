#include "EventFormFixture.h"

#include "Calendar.h"
#include "CustomTextView.h"
#include "Screenshot.h"
#include "TagTokenDetailView.h"

#include <gtest/gtest.h>

namespace {

class EventFormScreenshotTest : public EventFormTest {
protected:
    // Saves the form and checks what a user would see wrong: a control
    // outside the form, or two rows over each other.
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
        EXPECT_TRUE(bounds.contains(m_form->tagDetailView()->frame())) << name.toStdString();
    }
};

}  // namespace

TEST_F(EventFormScreenshotTest, EditAndAddForms)
{
    const CalendarPtr home = addCategory(0, 0, QStringLiteral("/family/house"));
    home->setCalendarName(QStringLiteral("Home"));
    home->setColorGroupId(1);
    home->setColorNameId(2);
    ASSERT_TRUE(home->dehydrate());

    setting().setTzSupport(true);
    dataManager().loadTimeZones();
    const TaskPtr timed = storedEvent(localDate(2014, 1, 16, 9), localDate(2014, 1, 16, 10, 30), QStringLiteral("Dentist"));
    timed->setTaskLocation(QStringLiteral("12 Rue de Rivoli"));
    timed->setTz(dataManager().getDefaultTimezone());
    timed->setAlertValues(QStringLiteral("/1|-900|"));
    editForm(timed);
    shoot(QStringLiteral("event-form-timed"));
    setting().setTzSupport(false);

    const TaskPtr weekly = storedEvent(localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10), QStringLiteral("Team meeting"));
    weekly->setCalendarId(home->primaryKey());
    weekly->setRepeatType(2);
    weekly->setRepeatOptions(QStringLiteral("1/2|4|6/0"));
    weekly->setIsRepeatForever(1);
    weekly->setTagList(QStringLiteral("/work"));
    weekly->setAlertValues(QStringLiteral("/1|-600|/1|-3600|Bell/1|-86400|/1|-172800|Chime/1|-300|"));
    weekly->setNotes(QStringLiteral("Bring the agenda."));
    editForm(weekly);
    EXPECT_EQ(m_form->alertRows().alertList().size(), 5);
    shoot(QStringLiteral("event-form-weekly-five-alerts"));

    const TaskPtr allDay = storedEvent(localDate(2014, 1, 20), localDate(2014, 1, 23), QStringLiteral("Ski trip with the whole family in the mountains"));
    allDay->setIsADE(1);
    editForm(allDay);
    shoot(QStringLiteral("event-form-all-day"));

    const TaskPtr scheduled = storedEvent(localDate(2014, 1, 16, 14), localDate(2014, 1, 16, 15), QStringLiteral("Write the report"));
    scheduled->setIsSheduledTask(true);
    editForm(scheduled);
    shoot(QStringLiteral("event-form-scheduled-task"));

    const CalendarPtr team = addCategory(0, 0, QString());
    team->setCalendarName(QStringLiteral("Team"));
    team->setExtraStatus(1);
    ASSERT_TRUE(team->dehydrate());
    const TaskPtr shared = storedEvent(localDate(2014, 1, 17, 11), localDate(2014, 1, 17, 12), QStringLiteral("Review"));
    shared->setCalendarId(team->primaryKey());
    shared->setIsShared(true);
    editForm(shared);
    shoot(QStringLiteral("event-form-shared"));

    setting().setDefaultEventAlert(QStringLiteral("/1|-1800|"));
    addForm();
    shoot(QStringLiteral("event-form-add"));
}
