#include "EventFormFixture.h"

#include "TextTable.h"
#include "Utilities.h"

#include <gtest/gtest.h>

namespace {

class AlertRowsTest : public EventFormTest {
protected:
    AlertRows& alerts() { return m_form->alertRows(); }
    QString encoded() { return Utilities::updateAlertList(alerts().alertList()); }
    DetailRow* header(int i) { return alerts().arrayOfAlertRow().at(i); }
    DetailRow* timeRow(int i) { return alerts().timeRowOf(header(i)); }
    // Turns the empty slot into an alert as the user does.
    void addAlert() { choose(AlertRows::typePopUp(alerts().arrayOfAlertRow().last()), AlertRows::alertTag); }
    static QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }
};

}  // namespace

TEST_F(AlertRowsTest, ANewEditorShowsOnlyTheEmptySlot)
{
    addForm();
    ASSERT_EQ(alerts().arrayOfAlertRow().size(), 1);
    EXPECT_EQ(AlertRows::typePopUp(header(0))->titleOfSelectedItem(), text("noneText"));
    EXPECT_TRUE(AlertRows::soundPopUp(header(0))->isHidden());
    EXPECT_EQ(timeRow(0), nullptr);
    EXPECT_TRUE(alerts().alertList().isEmpty());
    EXPECT_EQ(encoded(), QString());
}

TEST_F(AlertRowsTest, ChoosingAnAlertAddsItsTimeRowAndANewSlot)
{
    addForm();
    addAlert();
    ASSERT_EQ(alerts().arrayOfAlertRow().size(), 2);
    ASSERT_NE(timeRow(0), nullptr);
    EXPECT_EQ(AlertRows::countField(timeRow(0))->stringValue(), QStringLiteral("15"));
    EXPECT_EQ(AlertRows::unitPopUp(timeRow(0))->titleOfSelectedItem(), text("minutesBeforeText"));
    EXPECT_FALSE(AlertRows::soundPopUp(header(0))->isHidden());
    const QList<DetailRow*>& rows = m_form->allRowView();
    EXPECT_EQ(rows.indexOf(timeRow(0)), rows.indexOf(header(0)) + 1);
    EXPECT_EQ(rows.indexOf(header(1)), rows.indexOf(header(0)) + 2);
    EXPECT_EQ(rows.indexOf(m_form->urlRow()), rows.indexOf(header(1)) + 1) << "the URL row follows the block";
    EXPECT_EQ(encoded(), QStringLiteral("/1|-900|"));
}

TEST_F(AlertRowsTest, ChangingTheUnitResetsTheCount)
{
    addForm();
    addAlert();
    struct Case {
        AlertRows::UnitTag unit;
        const char* count;
        const char* encoding;
    };
    const Case cases[] = {
        {AlertRows::hoursTag, "1", "/1|-3600|"},
        {AlertRows::daysTag, "1", "/1|-86400|"},
        {AlertRows::minutesTag, "15", "/1|-900|"},
    };
    for (const Case& c : cases) {
        choose(AlertRows::unitPopUp(timeRow(0)), c.unit);
        EXPECT_EQ(AlertRows::countField(timeRow(0))->stringValue(), QString::fromLatin1(c.count)) << c.encoding;
        EXPECT_EQ(encoded(), QString::fromLatin1(c.encoding));
    }
}

TEST_F(AlertRowsTest, FiveAlertsFillTheBlockAndRemovalsKeepTheOrder)
{
    addForm();
    for (int i = 0; i < 5; ++i) {
        addAlert();
        choose(AlertRows::unitPopUp(timeRow(i)), AlertRows::hoursTag);
        typeInto(AlertRows::countField(timeRow(i)), QString::number(i + 1));
    }
    ASSERT_EQ(alerts().arrayOfAlertRow().size(), 5) << "no slot after the fifth alert";
    EXPECT_EQ(encoded(), QStringLiteral("/1|-3600|/1|-7200|/1|-10800|/1|-14400|/1|-18000|"));

    choose(AlertRows::typePopUp(header(4)), AlertRows::noAlertTag);
    EXPECT_EQ(alerts().arrayOfAlertRow().size(), 5) << "the fifth becomes the slot again";
    EXPECT_EQ(timeRow(4), nullptr) << "without its time row";
    EXPECT_EQ(encoded(), QStringLiteral("/1|-3600|/1|-7200|/1|-10800|/1|-14400|"));

    choose(AlertRows::typePopUp(header(1)), AlertRows::noAlertTag);
    EXPECT_EQ(alerts().arrayOfAlertRow().size(), 4);
    EXPECT_EQ(encoded(), QStringLiteral("/1|-3600|/1|-10800|/1|-14400|")) << "the others move up in order";
    const QList<DetailRow*>& rows = m_form->allRowView();
    const qsizetype first = rows.indexOf(header(0));
    EXPECT_EQ(rows.indexOf(m_form->urlRow()) - first, 4 + 3) << "four headers and three time rows, nothing left over";
}

TEST_F(AlertRowsTest, AFullBlockThatLosesAMiddleAlertGetsItsSlotBack)
{
    addForm();
    for (int i = 0; i < 5; ++i) addAlert();
    choose(AlertRows::typePopUp(header(2)), AlertRows::noAlertTag);
    ASSERT_EQ(alerts().arrayOfAlertRow().size(), 5);
    EXPECT_EQ(selectedTag(AlertRows::typePopUp(header(4))), AlertRows::noAlertTag)
        << "the last row is an empty slot, so a fifth alert can be added again";
    EXPECT_EQ(alerts().alertList().size(), 4);
}

TEST_F(AlertRowsTest, SoundsAndOffsetsEncodeAsSaved)
{
    addForm();
    const QStringList sounds = AlertRows::soundNames();
    ASSERT_FALSE(sounds.isEmpty()) << "the project's sound files";
    EXPECT_TRUE(std::is_sorted(sounds.begin(), sounds.end()));
    addAlert();
    choose(AlertRows::unitPopUp(timeRow(0)), AlertRows::hoursTag);
    addAlert();
    choose(AlertRows::unitPopUp(timeRow(1)), AlertRows::daysTag);
    typeInto(AlertRows::countField(timeRow(1)), QStringLiteral("2"));
    PopUpButton* sound = AlertRows::soundPopUp(header(1));
    choose(sound, sound->numberOfItems());
    EXPECT_EQ(encoded(), QStringLiteral("/1|-3600|/1|-172800|") + sounds.last());
}

TEST_F(AlertRowsTest, CountsOutsideOneToNinetyNineAreCorrectedWhenEditingEnds)
{
    addForm();
    addAlert();
    for (const auto& [typed, kept] : {std::pair{"0", "1"}, std::pair{"", "1"}, std::pair{"7", "7"}}) {
        typeInto(AlertRows::countField(timeRow(0)), QString::fromLatin1(typed));
        EXPECT_EQ(AlertRows::countField(timeRow(0))->stringValue(), QString::fromLatin1(kept)) << typed;
    }
}

TEST_F(AlertRowsTest, StoredOffsetsLoadInTheirLargestWholeUnit)
{
    struct Case {
        qint64 offset;
        const char* count;
        const char* unitKey;
    };
    const Case cases[] = {
        {-3600, "1", "hoursBeforeText"}, {-259200, "3", "daysBeforeText"}, {-90000, "25", "hoursBeforeText"},
        {-150, "2", "minutesBeforeText"}, {-5400, "90", "minutesBeforeText"}, {0, "0", "daysBeforeText"},
    };
    for (const Case& c : cases) {
        const TaskPtr item = storedEvent(localDate(2014, 1, 16, 9), localDate(2014, 1, 16, 10));
        item->setAlertValues(QStringLiteral("/1|%1|").arg(c.offset));
        editForm(item);
        ASSERT_GE(alerts().arrayOfAlertRow().size(), 2) << c.offset;
        EXPECT_EQ(AlertRows::countField(timeRow(0))->stringValue(), QString::fromLatin1(c.count)) << c.offset;
        EXPECT_EQ(AlertRows::unitPopUp(timeRow(0))->titleOfSelectedItem(), text(c.unitKey)) << c.offset;
        EXPECT_TRUE(m_form->revertBtn()->isHidden()) << "a load shows the record as it is";
    }
}

TEST_F(AlertRowsTest, AlertsTheRowsCannotShowAreKeptForSaving)
{
    const TaskPtr item = storedEvent(localDate(2014, 1, 16, 9), localDate(2014, 1, 16, 10));
    const QString stored = QStringLiteral("/1|-60|/2|1389866400|Bell/1|-120|/1|-180|/1|-240|/1|-300|/1|-360|");
    item->setAlertValues(stored);
    editForm(item);
    EXPECT_EQ(alerts().arrayOfAlertRow().size(), 5) << "four shown alerts and the slot";
    EXPECT_EQ(encoded(), QStringLiteral("/1|-60|/1|-120|/1|-180|/1|-240|/2|1389866400|Bell/1|-300|/1|-360|"));
    EXPECT_EQ(alerts().alertList().size(), item->createAlertList().size()) << "nothing is lost";
}

TEST_F(AlertRowsTest, ASoundWithoutAFileIsShownAndWrittenBack)
{
    const TaskPtr item = storedEvent(localDate(2014, 1, 16, 9), localDate(2014, 1, 16, 10));
    item->setAlertValues(QStringLiteral("/1|-600|Glass"));
    editForm(item);
    EXPECT_EQ(AlertRows::soundPopUp(header(0))->titleOfSelectedItem(), QStringLiteral("Glass"));
    EXPECT_EQ(encoded(), QStringLiteral("/1|-600|Glass"));
    EXPECT_TRUE(m_form->revertBtn()->isHidden());
}

TEST_F(AlertRowsTest, AChangedAlertShowsRevertAndChangingItBackKeepsItShown)
{
    const TaskPtr item = storedEvent(localDate(2014, 1, 16, 9), localDate(2014, 1, 16, 10));
    item->setAlertValues(QStringLiteral("/1|-3600|"));
    editForm(item);
    ASSERT_TRUE(m_form->revertBtn()->isHidden());
    choose(AlertRows::unitPopUp(timeRow(0)), AlertRows::daysTag);
    EXPECT_FALSE(m_form->revertBtn()->isHidden());
    choose(AlertRows::unitPopUp(timeRow(0)), AlertRows::hoursTag);
    EXPECT_EQ(encoded(), item->alertValues());
    EXPECT_FALSE(m_form->revertBtn()->isHidden()) << "the rows never hide Revert";
}

TEST_F(AlertRowsTest, TheAddFormNeverShowsRevert)
{
    addForm();
    addAlert();
    EXPECT_TRUE(m_form->revertBtn()->isHidden());
}

TEST_F(AlertRowsTest, TheDefaultAlertOfNewEventsFillsTheFirstRow)
{
    setting().setDefaultEventAlert(QStringLiteral("/1|-1800|"));
    addForm();
    ASSERT_EQ(alerts().arrayOfAlertRow().size(), 2) << "the alert and an empty slot below it";
    EXPECT_EQ(selectedTag(AlertRows::typePopUp(header(0))), AlertRows::alertTag);
    EXPECT_EQ(selectedTag(AlertRows::soundPopUp(header(0))), AlertRows::noAlertTag) << "silent";
    EXPECT_EQ(AlertRows::countField(timeRow(0))->stringValue(), QStringLiteral("30"));
    EXPECT_EQ(AlertRows::unitPopUp(timeRow(0))->titleOfSelectedItem(), text("minutesBeforeText"));
}

TEST_F(AlertRowsTest, OffsetsReadBackAsWholeUnits)
{
    using T = AlertRows::AlertTime;
    EXPECT_EQ(AlertRows::alertTimeForOffset(-5400), (T{90, AlertRows::minutesTag}));
    EXPECT_EQ(AlertRows::alertTimeForOffset(-7200), (T{2, AlertRows::hoursTag}));
    EXPECT_EQ(AlertRows::alertTimeForOffset(-172800), (T{2, AlertRows::daysTag}));
    EXPECT_EQ(AlertRows::alertTimeForOffset(-90), (T{1, AlertRows::minutesTag})) << "minutes truncate";
}
