// The alert and repeat rows as the task editor will use them: a host of
// its own, alert rows only while a due date is set, the repeat-from row.
#include "../Model/TaskTestFixture.h"
#include "AlertRows.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "DetailEditorHost.h"
#include "DetailRow.h"
#include "PopUpButton.h"
#include "RepeatRuleRows.h"
#include "Utilities.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class TaskEditorHost : public View, public DetailEditorHost {
public:
    TaskEditorHost() : View(QRectF(0, 0, 330, 400))
    {
        setFlipped(true);
        m_url = new DetailRow(QRectF(0, 0, 330, 19), this);
        m_rows = {m_url};
    }
    View* formView() override { return this; }
    QList<DetailRow*>& allRowView() override { return m_rows; }
    DetailRow* urlRow() const override { return m_url; }
    int type() const override { return 1; }
    TaskPtr task() const override { return item; }
    bool isRevertShown() const override { return revertShown; }
    void showRevert() override { revertShown = true; }
    void updateView() override { ++layouts; }
    Date startDate() const override { return localDate(2014, 1, 15, 9); }

    TaskPtr item = std::make_shared<Task>();
    bool revertShown = false;
    int layouts = 0;

private:
    DetailRow* m_url;
    QList<DetailRow*> m_rows;
};

class TaskEditorRowsTest : public TaskTest {
protected:
    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TaskTest::TearDown();
    }
    static void choose(PopUpButton* popUp, int tag)
    {
        for (int i = 0; i < popUp->numberOfItems(); ++i)
            if (popUp->itemAtIndex(i)->tag == tag) popUp->performClickOnItem(i);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace

TEST_F(TaskEditorRowsTest, ClearingTheDueDateRemovesEveryAlertRow)
{
    TaskEditorHost host;
    AlertRows alerts(host);
    alerts.addAlertRow();
    ASSERT_EQ(alerts.arrayOfAlertRow().size(), 1);
    EXPECT_EQ(host.allRowView().indexOf(host.urlRow()), 1) << "the block sits before the URL row";
    for (int i = 0; i < 5; ++i) choose(AlertRows::typePopUp(alerts.arrayOfAlertRow().last()), AlertRows::alertTag);
    ASSERT_EQ(alerts.alertList().size(), 5);
    EXPECT_EQ(host.allRowView().size(), 11);

    alerts.removeAllAlertRows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alerts.arrayOfAlertRow().isEmpty());
    EXPECT_EQ(host.allRowView(), QList<DetailRow*>{host.urlRow()}) << "the fifth alert's time row went too";
    EXPECT_TRUE(alerts.alertList().isEmpty());
}

TEST_F(TaskEditorRowsTest, KeptAlertsGoWithTheBlock)
{
    TaskEditorHost host;
    AlertRows alerts(host);
    alerts.addAlertRow();
    auto snoozed = std::make_shared<AlertObj>();
    snoozed->setAlertType(2);
    alerts.loadAlerts({snoozed});
    EXPECT_EQ(alerts.alertList().size(), 1) << "kept while the block exists";
    alerts.removeAllAlertRows();
    EXPECT_TRUE(alerts.alertList().isEmpty()) << "a cleared due date removes them all";
}

TEST_F(TaskEditorRowsTest, RepeatFromFollowsTheKindAndShowsRevertWhenChanged)
{
    TaskEditorHost host;
    host.item->setRepeatType(1);
    host.item->setTaskRepeatStyle(0);
    host.item->setRepeatOptions(QString());
    RepeatRuleRows rules(host, RepeatRuleRows::Kind::Task, 330);
    host.allRowView().prepend(rules.repeatRow());
    rules.loadFromTask(*host.item);
    EXPECT_EQ(host.allRowView().indexOf(rules.repeatFromRow()), 1);
    EXPECT_EQ(rules.repeatUntilRow(), nullptr);
    EXPECT_FALSE(host.revertShown);

    rules.repeatEveryTextField()->setStringValue(QStringLiteral("4"));
    rules.repeatEveryChanged();
    EXPECT_FALSE(host.revertShown) << "no count check without stored options";

    choose(rules.repeatFromBtn(), 2);
    EXPECT_TRUE(host.revertShown) << "from the due date instead of completion";
}
