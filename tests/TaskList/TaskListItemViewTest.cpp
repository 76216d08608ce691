// The item row: the layout by kind as a pure function, the pending texts,
// the event texts, and the row's own actions over a real data manager.
#include "TaskListTestFixture.h"

#include "Button.h"
#include "Color.h"
#include "LinkListForTableItem.h"
#include "SegmentedControl.h"
#include "TaskListState.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Kind = ItemRowLayoutInput::Kind;

// The pane's filter as the rows read it.
class FilterState : public TaskListState {
public:
    explicit FilterState(qint64 filter) : m_filter(filter) { TaskListState::setCurrent(this); }
    ~FilterState() override { TaskListState::setCurrent(nullptr); }
    qint64 todayTaskFilterIndex() const override { return m_filter; }
    qint64 typeViewSelectedTag() const override { return 1; }
    qint64 filterIndex() const override { return m_filter; }

private:
    qint64 m_filter;
};

ItemRowLayoutInput taskInput(qint64 filter, bool info, bool links)
{
    ItemRowLayoutInput in;
    in.kind = Kind::Task;
    in.filter = filter;
    in.hasInfo = info;
    in.infoTextWidth = info ? 60 : 0;
    in.dueTextWidth = 40;
    in.hasLink = links;
    in.width = 300;
    in.height = 55;
    return in;
}

}  // namespace

TEST(ItemRowLayoutTest, TaskLinesFollowTheFilterTheInformationAndTheLinks)
{
    struct Case {
        const char* what;
        qint64 filter;
        bool info, links;
        double nameHeight;
        double infoY;   // -1: no information line
        double dueY;    // -1: no due or duration line
        double linksY;  // -1: no links
    };
    const Case cases[] = {
        {"name only", 0, false, false, 54, -1, -1, -1},
        {"links only", 0, false, true, 36, -1, -1, 36},
        {"information only", 0, true, false, 36, 36, -1, -1},
        {"information and links", 0, true, true, 18, 21, -1, 36},
        {"due filter, nothing else", 4, false, false, 36, -1, 36, -1},
        {"long filter, nothing else", 6, false, false, 36, -1, 36, -1},
        {"short filter with links", 7, false, true, 18, -1, 21, 36},
    };
    for (const Case& c : cases) {
        const ItemRowLayout out = TaskListItemView::layoutFor(taskInput(c.filter, c.info, c.links));
        SCOPED_TRACE(c.what);
        EXPECT_EQ(out.name, QRectF(45, 0, 255, c.nameHeight));
        EXPECT_EQ(out.moreInfoShown, c.infoY >= 0);
        if (c.infoY >= 0) {
            EXPECT_EQ(out.moreInfo, QRectF(45, c.infoY, 70, 15));
        }
        EXPECT_EQ(out.dueInfoShown, c.dueY >= 0);
        if (c.dueY >= 0) {
            EXPECT_EQ(out.dueInfo, QRectF(45, c.dueY, 50, 15));
        }
        EXPECT_EQ(out.linksShown, c.linksY >= 0);
        if (c.linksY >= 0) {
            EXPECT_EQ(out.links, QRectF(45, c.linksY, 255, 15));
        }
        EXPECT_TRUE(out.doneShown && out.starShown);
    }
}

TEST(ItemRowLayoutTest, TheDueTextStandsAfterTheInformationAndNotForATickedOverdueTask)
{
    ItemRowLayoutInput in = taskInput(4, true, false);
    ItemRowLayout out = TaskListItemView::layoutFor(in);
    EXPECT_EQ(out.dueInfo, QRectF(45 + 70, 36, 50, 15));
    in.overdueAndTicked = true;
    out = TaskListItemView::layoutFor(in);
    EXPECT_FALSE(out.dueInfoShown);
    // An information text wider than the room is cut to what the due text leaves.
    in = taskInput(4, true, false);
    in.infoTextWidth = 1000;
    out = TaskListItemView::layoutFor(in);
    EXPECT_EQ(out.moreInfo.width(), 300 - 50 - 45);
}

TEST(ItemRowLayoutTest, EventsKeepTheirTimesAtTheRightAndTheColumnsByContext)
{
    ItemRowLayoutInput in;
    in.kind = Kind::TimedEvent;
    in.timeTextWidth = 90;
    in.hasInfo = true;
    in.infoTextWidth = 40;
    in.width = 300;
    in.height = 55;
    ItemRowLayout out = TaskListItemView::layoutFor(in);
    const double tw = 100;
    EXPECT_EQ(out.name, QRectF(30, 0, 300 - tw - 40, 36));
    EXPECT_EQ(out.moreInfo, QRectF(30, 36, 50, 15));
    EXPECT_EQ(out.time, QRectF(190, 10, tw, 18));
    EXPECT_EQ(out.day, QRectF(190, 28, tw, 18));
    EXPECT_FALSE(out.doneShown || out.starShown);

    in.kind = Kind::ScheduledTask;  // a scheduled task's line takes the whole column
    EXPECT_EQ(TaskListItemView::layoutFor(in).moreInfo.width(), 300 - tw - 40);

    in.kind = Kind::AllDayEvent;
    in.hasInfo = false;
    out = TaskListItemView::layoutFor(in);
    EXPECT_FALSE(out.timeShown);
    EXPECT_EQ(out.day, QRectF(190, 17, tw, 18));
    EXPECT_EQ(out.name.height(), 54);

    ItemRowLayoutInput search = taskInput(0, false, false);
    search.rowType = 5;
    search.hasDue = true;
    out = TaskListItemView::layoutFor(search);
    EXPECT_FALSE(out.doneShown);
    EXPECT_TRUE(out.dayShown);
    EXPECT_EQ(out.name.left(), 30);
    search.rowType = 3;
    search.isDone = true;
    EXPECT_EQ(TaskListItemView::layoutFor(search).name.left(), 50);

    in.kind = Kind::Other;
    EXPECT_FALSE(TaskListItemView::layoutFor(in).arranged);
}

TEST(PendingTextTest, CountsHoursUnderHalfADayAndDaysBeyond)
{
    const Date start = Date::dateWithTimeIntervalSince1970(1'000'000'000);
    const auto after = [&](double hours) { return Utilities::newDateFromDate(start, hours * 3600); };
    struct Case {
        double hours;
        bool inDays;
        qint64 count;
    };
    const Case cases[] = {
        {0.75, false, 1}, {3, false, 3}, {2 + 10.0 / 60, false, 3}, {11 + 59.0 / 60, false, 12},
        {12, true, 1},    {36, true, 2}, {51, true, 2},             {60, true, 3},
        {-5, false, 1},  // a delegation date in the future
    };
    for (const Case& c : cases) {
        const TaskListItemView::PendingCount count = TaskListItemView::pendingCountFrom(start, after(c.hours));
        EXPECT_EQ(count.inDays, c.inDays) << c.hours;
        EXPECT_EQ(count.count, c.count) << c.hours;
    }
    EXPECT_EQ(TaskListItemView::pendingCountFrom(Date(), start).count, 1);
}

TEST_F(TaskListTest, EventTimesStandOverTheirDateOrSpanTwoDays)
{
    const TaskPtr morning = event(QStringLiteral("Talk"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10, 30));
    auto [time, day] = TaskListItemView::timeAndDayTextsFor(*morning);
    EXPECT_EQ(time, QStringLiteral("%1 - %2").arg(Utilities::getTimeStringAMPMFromDate(localDate(2014, 1, 15, 9)),
                                                  Utilities::getTimeStringAMPMFromDate(localDate(2014, 1, 15, 10, 30))));
    EXPECT_EQ(day, Utilities::getShortDateStringWithMonthDay(localDate(2014, 1, 15)));

    // An instance shows its occurrence's date, and its end is start + duration.
    TaskPtr instance = morning->copy();
    instance->setPrimaryKey(-2);
    instance->setOccurrence(localDate(2014, 1, 22, 9));
    std::tie(time, day) = TaskListItemView::timeAndDayTextsFor(*instance);
    EXPECT_EQ(day, Utilities::getShortDateStringWithMonthDay(localDate(2014, 1, 22)));

    const TaskPtr night = event(QStringLiteral("Night"), localDate(2014, 1, 15, 22), localDate(2014, 1, 16, 1));
    std::tie(time, day) = TaskListItemView::timeAndDayTextsFor(*night);
    EXPECT_EQ(time, QStringLiteral("%1 %2").arg(Utilities::getTimeStringAMPMFromDate(localDate(2014, 1, 15, 22)),
                                                Utilities::getShortDateStringWithMonthDay(localDate(2014, 1, 15))));
    EXPECT_EQ(day, QStringLiteral("%1 %2").arg(Utilities::getTimeStringAMPMFromDate(localDate(2014, 1, 16, 1)),
                                               Utilities::getShortDateStringWithMonthDay(localDate(2014, 1, 16))));
    TaskPtr nightInstance = night->copy();
    nightInstance->setPrimaryKey(-3);
    nightInstance->setDuration(120);
    std::tie(time, day) = TaskListItemView::timeAndDayTextsFor(*nightInstance);
    EXPECT_TRUE(day.startsWith(Utilities::getTimeStringAMPMFromDate(localDate(2014, 1, 16, 0)))) << day.toStdString();
}

TEST_F(TaskListTest, TheRepeatWordOfARowCountsTheUnitsARuleSkips)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1//0", "Weekly"}, {"", "Weekly"}, {"2/4/0", "Every 2 weeks"}, {"3//0", "Every 3 weeks"}};
    for (const auto& [options, expected] : cases) {
        const QString rule = QString::fromLatin1(options);
        const TaskPtr item = event(QStringLiteral("Retro"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10),
                                   [&rule](Task& t) { t.setRepeatType(2); t.setRepeatOptions(rule); });
        EXPECT_EQ(TaskListItemView::informationTextFor(*item, QString(), localDate(2014, 1, 15, 8)),
                  QString::fromLatin1(expected)) << options;
    }
}

TEST_F(TaskListTest, ARowLaysOutARepeatingEventAndAMultiDayAllDayEvent)
{
    FilterState filter(0);
    const TaskPtr weekly = event(QStringLiteral("Weekly"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10, 30),
                                 [](Task& t) { t.setRepeatType(2); t.setParentId(-1); });
    auto row = rowFor(weekly);
    const double tw = double(float(TextMeasure::sizeOfText(row->timeTextField()->stringValue(),
                                                           row->dayTextField()->textFont()).width() + 10));
    EXPECT_EQ(row->taskName()->frame(), QRectF(30, 0, 300 - tw - 40, 36));
    EXPECT_FALSE(row->moreInfoField()->isHidden());
    EXPECT_EQ(row->moreInfoField()->frame().top(), 36);
    EXPECT_TRUE(row->doneBtn()->isHidden());

    const TaskPtr conference = event(QStringLiteral("Conference"), localDate(2014, 1, 15), localDate(2014, 1, 17, 23, 59),
                                     [](Task& t) { t.setIsADE(1); });
    auto adeRow = rowFor(conference);
    EXPECT_EQ(adeRow->timeTextField()->frame().top(), 10);
    EXPECT_EQ(adeRow->dayTextField()->frame().top(), 28);
    EXPECT_EQ(adeRow->timeTextField()->stringValue(), Utilities::getShortDateStringWithMonthDay(localDate(2014, 1, 15)));
    EXPECT_EQ(adeRow->dayTextField()->stringValue(), Utilities::getShortDateStringWithMonthDay(localDate(2014, 1, 17)));
}

TEST_F(TaskListTest, TheDueFilterShowsOverdueRedUntilTheNextBackgroundAndNothingOnceTicked)
{
    FilterState filter(4);
    const TaskPtr late = task(QStringLiteral("Late"), [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 13, 12));
    });
    auto row = rowFor(late);
    EXPECT_EQ(row->typeOfDue(), 2);
    EXPECT_FALSE(row->dueInfoField()->isHidden());
    EXPECT_EQ(row->dueInfoField()->stringValue(), TextTable::localizedString(QStringLiteral("overDueText")));
    EXPECT_EQ(row->dueInfoField()->textColor(), Color::calibratedRGB(1, 0, 0));
    QImage image(300, 55, QImage::Format_ARGB32);
    QPainter painter(&image);
    row->drawBackgroundInRect(painter, row->bounds());
    EXPECT_EQ(row->dueInfoField()->textColor(), Color::gray());

    row->doneBtn()->setState(1);
    row->arrangeSubViews();
    EXPECT_TRUE(row->dueInfoField()->isHidden());
}

TEST_F(TaskListTest, ADoneItemIsStruckThroughAfterReload)
{
    const TaskPtr item = task(QStringLiteral("Finish"));
    auto row = rowFor(item);
    EXPECT_FALSE(row->isNameStruckThrough());
    item->setStatus(1);
    row->reload();
    EXPECT_TRUE(row->isNameStruckThrough());
    EXPECT_EQ(row->doneStatus(), 1);
}

// The name of a narrow row keeps its first letters: a name too long for its
// column starts where a one-letter name does, and only its end gives way.
TEST_F(TaskListTest, ANameTooLongForANarrowRowKeepsItsBeginning)
{
    const auto inkColumns = [](TextField* field) {
        QImage image(field->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        field->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        std::vector<bool> columns(size_t(image.width()), false);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0) columns[size_t(x)] = true;
        return columns;
    };
    const Date start = localDate(2014, 1, 15, 9), end = localDate(2014, 1, 15, 10);
    auto longRow = rowFor(event(QStringLiteral("Lunch with Ann and the whole team"), start, end), 280);
    auto shortRow = rowFor(event(QStringLiteral("L"), start, end), 280);
    TextField* longName = longRow->taskName();
    TextField* shortName = shortRow->taskName();
    ASSERT_EQ(longName->frame(), shortName->frame());
    ASSERT_GT(TextMeasure::sizeOfText(longName->stringValue(), longName->textFont()).width(), longName->textArea().width());

    const std::vector<bool> longInk = inkColumns(longName);
    const std::vector<bool> shortInk = inkColumns(shortName);
    const int letterEnd = int(std::ceil(shortName->textArea().left() +
                                        TextMeasure::sizeOfText(QStringLiteral("L"), shortName->textFont()).width()));
    ASSERT_LT(letterEnd, int(shortInk.size()));
    ASSERT_TRUE(std::find(shortInk.begin(), shortInk.begin() + letterEnd, true) != shortInk.begin() + letterEnd);
    for (int x = 0; x < letterEnd; ++x) EXPECT_EQ(longInk[size_t(x)], shortInk[size_t(x)]) << "column " << x;
}

TEST_F(TaskListTest, AcceptRejectShowsForAPendingSharedTaskOfTheUserAndCallsTheWebSync)
{
    const auto shared = [](const QString& assignee, qint64 status) {
        return [assignee, status](Task& t) {
            t.setIsShared(true);
            t.setAssigneeEmail(assignee);
            t.setDelegateStatus(status);
        };
    };
    EXPECT_TRUE(rowFor(task(QStringLiteral("Other"), shared(QStringLiteral("you@example.com"), 0)))->acceptRejectBtn()->isHidden());
    EXPECT_TRUE(rowFor(task(QStringLiteral("Accepted"), shared(QStringLiteral("me@example.com"), 1)))->acceptRejectBtn()->isHidden());
    const TaskPtr mine = task(QStringLiteral("Mine"), shared(QStringLiteral("ME@Example.com"), 0));
    auto row = rowFor(mine);
    ASSERT_FALSE(row->acceptRejectBtn()->isHidden());
    EXPECT_FALSE(row->doneBtn()->isEnabled());
    EXPECT_FALSE(row->starBtn()->isEnabled());

    // The sync object reads the address when it is made.
    const auto remakeSync = [this](bool addressSet) {
        if (addressSet) qputenv("ZORAVEL_SERVICE_URL", "https://sync.example.com");
        auto sync = std::make_unique<RecordingZVWSync>();
        m_sync = sync.get();
        dataManager().setZVWSync(std::move(sync));
        qunsetenv("ZORAVEL_SERVICE_URL");
    };
    const struct {
        bool reachable, addressSet;
        const char* message;
    } unreachable[] = {
        {false, true, "noInternetText"},
        // Without an address of its own the service is out of reach whatever the network.
        {true, false, "noServiceAddressText"},
    };
    for (const auto& c : unreachable) {
        SCOPED_TRACE(c.message);
        internetReachable = c.reachable;
        remakeSync(c.addressSet);
        const qsizetype asked = m_alerts.requests().size();
        m_alerts.scriptButton(AlertResponse::firstButton);
        row->selectDelegateStatus(1);
        ASSERT_EQ(m_alerts.requests().size(), asked + 1);
        EXPECT_EQ(m_alerts.requests().back().messageText, TextTable::localizedString(QLatin1String(c.message)));
        EXPECT_EQ(mine->delegateStatus(), 0);
        EXPECT_TRUE(row->acceptRejectBtn()->isEnabled());
        EXPECT_TRUE(m_sync->statusChanges().isEmpty());
    }

    internetReachable = true;
    remakeSync(true);
    const qsizetype before = m_sync->statusChanges().size();
    row->acceptRejectBtn()->setSelectedSegment(1);
    row->selectDelegateStatus(2);
    EXPECT_EQ(mine->delegateStatus(), 2);
    EXPECT_FALSE(row->acceptRejectBtn()->isEnabled());
    EXPECT_EQ(row->acceptRejectBtn()->selectedSegment(), -1);
    const auto changes = m_sync->statusChanges();
    ASSERT_EQ(changes.size(), before + 1);
    EXPECT_EQ(changes.back().primaryKey, mine->primaryKey());
    EXPECT_EQ(changes.back().delegateStatus, 2);

    // A shared item is neither deleted nor starred from its row.
    row->applyDelete();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(mine->primaryKey())), 1);
    row->starBtn()->setState(1);
    row->selectStar();
    EXPECT_EQ(mine->isPinned(), 0);
}

TEST_F(TaskListTest, TheStarSavesAsksForThePushAndPostsWithTheRow)
{
    watchTaskChanged();
    setting().setAutoZVWSync(1);
    QList<qint64> requests;
    QObject listener;
    NotificationCenter::defaultCenter().addObserver(&listener, kAutoSyncNotification, nullptr,
                                                    [&](const Notification& n) { requests << n.objectAs<qint64>(); });
    const TaskPtr item = task(QStringLiteral("Star me"));
    auto row = rowFor(item);
    row->starBtn()->setState(1);
    row->selectStar();
    EXPECT_EQ(item->isPinned(), 1);
    EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("isPinned")).toLongLong(), 1);
    EXPECT_TRUE(requests.contains(2));
    EXPECT_EQ(m_taskChangedCount, 1);
    EXPECT_EQ(m_lastChangedObject, NotificationPayload::identityOf(row.get()));
    NotificationCenter::defaultCenter().removeObserver(&listener);
}

TEST_F(TaskListTest, TheDoneBoxLeavesScheduledTasksAndLinkListItemsAlone)
{
    watchTaskChanged();
    const TaskPtr scheduled = event(QStringLiteral("Slot"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10),
                                    [](Task& t) { t.setIsSheduledTask(1); });
    auto row = rowFor(scheduled);
    row->doneBtn()->setState(1);
    row->selectDone();
    EXPECT_EQ(scheduled->status(), 0);

    const TaskPtr linked = task(QStringLiteral("Linked"));
    auto linkRow = std::make_unique<TaskListItemView>();
    linkRow->setIsPopoverReloadAfterDoAction(true);
    linkRow->setTask(linked);
    linkRow->setFrame(QRectF(0, 0, 300, 55));
    linkRow->doneBtn()->setState(1);
    linkRow->selectDone();
    linkRow->starBtn()->setState(1);
    linkRow->selectStar();
    EXPECT_EQ(linked->status(), 0);
    EXPECT_EQ(linked->isPinned(), 0);
    EXPECT_EQ(linkRow->doneStatus(), 1) << "the box keeps its state for the link list to read";
    EXPECT_EQ(m_taskChangedCount, 0);

    const TaskPtr plain = task(QStringLiteral("Plain"));
    auto plainRow = rowFor(plain);
    plainRow->doneBtn()->setState(1);
    plainRow->selectDone();
    EXPECT_EQ(plain->status(), 1);
    EXPECT_EQ(m_taskChangedCount, 1);
}

TEST_F(TaskListTest, ABlankRenameChangesNothingAndARealOneSavesAndPosts)
{
    watchTaskChanged();
    const TaskPtr item = task(QStringLiteral("Old"));
    auto row = rowFor(item);
    row->taskName()->setStringValue(QStringLiteral("   "));
    row->changeTaskName(QStringLiteral("   "));
    EXPECT_EQ(item->taskName(), QStringLiteral("Old"));
    EXPECT_EQ(row->taskName()->stringValue(), QStringLiteral("Old"));
    row->changeTaskName(QStringLiteral("Old"));
    EXPECT_EQ(m_taskChangedCount, 0);
    row->changeTaskName(QStringLiteral("New"));
    EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("taskName")).toString(), QStringLiteral("New"));
    EXPECT_EQ(m_taskChangedCount, 1);
}

TEST_F(TaskListTest, DeletingFromARowPostsTaskChangedWithTheRow)
{
    watchTaskChanged();
    setting().setIsWarningForDeleting(1);
    const TaskPtr kept = task(QStringLiteral("Kept"));
    auto keptRow = rowFor(kept);
    m_alerts.scriptButton(AlertResponse::secondButton, true);
    keptRow->applyDelete();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(kept->primaryKey())), 1);
    EXPECT_EQ(setting().isWarningForDeleting(), 0) << "the ticked box stops the question whatever the answer";
    EXPECT_EQ(m_taskChangedCount, 0);

    const TaskPtr gone = task(QStringLiteral("Gone"));
    auto row = rowFor(gone);
    row->applyDelete();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(gone->primaryKey())), 0);
    EXPECT_EQ(m_taskChangedCount, 1);
    EXPECT_EQ(m_lastChangedObject, NotificationPayload::identityOf(row.get()));
}

TEST_F(TaskListTest, AnItemOfAMissingCategoryDrawsInTheFirstColourAndStillWorks)
{
    watchTaskChanged();
    const TaskPtr orphan = task(QStringLiteral("Orphan"), [](Task& t) { t.setCalendarId(9999); });
    auto row = rowFor(orphan);
    EXPECT_EQ(row->projectColor(), Utilities::getColorInGroupID(0, 0, 0));
    row->doneBtn()->setState(1);
    row->selectDone();
    EXPECT_EQ(orphan->status(), 1);
    row->applyDelete();
    EXPECT_EQ(m_taskChangedCount, 2);
}

TEST(LinkStripTest, ButtonsStopAtTenOrWhereTheStripEnds)
{
    const std::vector<double> eleven(11, 20);
    EXPECT_EQ(LinkListForTableItem::buttonFramesFor(eleven, 10000).size(), 10u);
    const auto frames = LinkListForTableItem::buttonFramesFor({500, 0, 30}, 100);
    ASSERT_EQ(frames.size(), 2u) << "the second starts at 85, inside; the third would start at 100";
    EXPECT_EQ(frames[0], QRectF(0, 0, 80, 15));
    EXPECT_EQ(frames[1], QRectF(85, 0, 10, 15));

    // Every link shown and room left: titles cut at the cap take the room, in order.
    EXPECT_EQ(LinkListForTableItem::buttonFramesFor({150}, 250), std::vector<QRectF>{QRectF(0, 0, 160, 15)});
    EXPECT_EQ(LinkListForTableItem::buttonFramesFor({150, 20}, 140),
              (std::vector<QRectF>{QRectF(0, 0, 105, 15), QRectF(110, 0, 30, 15)}));
}

// The list binds its rows again to the next load's items: a row takes the new
// item's name, colour and due state whether its controls were built or not,
// as a row made for that item would.
TEST_F(TaskListTest, ARowBoundAgainShowsItsNewItemAsAFreshRowWould)
{
    FilterState filter(4);
    const CalendarPtr other = addCategory();
    other->setColorNameId((dataManager().calendarWithPrimaryKey(1)->colorNameId() + 3) % 8);
    const TaskPtr late = task(QStringLiteral("Late"), [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 13, 12));
    });
    const TaskPtr soon = task(QStringLiteral("Soon"), [&other](Task& t) {
        t.setCalendarId(other->primaryKey());
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 20, 12));
    });
    // The row's tint and icon, as a paint lays them under its controls.
    const auto tint = [](TaskListItemView& row) {
        QImage image(300, 55, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        row.drawSeparatorInRect(painter, row.bounds());
        return image;
    };
    for (const bool built : {false, true}) {
        SCOPED_TRACE(built ? "controls built" : "controls not built");
        auto row = rowFor(late);
        if (built) {
            ASSERT_TRUE(row->taskName());
        }
        for (const TaskPtr& item : {soon, late, soon}) {
            row->setTask(item);
            const auto fresh = rowFor(item);
            EXPECT_EQ(row->projectColor(), fresh->projectColor()) << item->taskName().toStdString();
            EXPECT_EQ(row->typeOfDue(), fresh->typeOfDue()) << item->taskName().toStdString();
            EXPECT_EQ(row->toolTip(), item->taskName());
            EXPECT_EQ(row->taskName()->stringValue(), item->taskName());
            QImage image(300, 55, QImage::Format_ARGB32);
            QPainter painter(&image);
            row->drawBackgroundInRect(painter, row->bounds());
            EXPECT_EQ(row->taskName()->textColor(), fresh->projectColor());
            EXPECT_EQ(tint(*row), tint(*fresh)) << item->taskName().toStdString();
        }
    }
    EXPECT_NE(rowFor(late)->projectColor(), rowFor(soon)->projectColor());
    EXPECT_NE(rowFor(late)->typeOfDue(), rowFor(soon)->typeOfDue());
}
