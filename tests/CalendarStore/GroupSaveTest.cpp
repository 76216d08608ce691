// Many events saved at once: their files are written by several threads and
// join the index together. What the store then answers must be what single
// saves give, and no write of a group may leave the store through a link.
#include "StoreFixture.h"

#include <QDirIterator>
#include <QFileInfo>

#include <functional>
#include <utility>

#include <vector>

namespace GroupSaveTests {

using GroupSaveTest = StoreFixture;

CalEventPtr newEvent(const CalCalendarPtr& calendar, const QString& uid, const QString& title, const Date& start)
{
    auto event = CalEvent::event();
    event->setUidOfNewEvent(uid);
    event->setCalendar(calendar);
    event->setTitle(title);
    event->setStartDate(start);
    event->setEndDate(start.dateByAddingTimeInterval(3600));
    event->setTimeZone(QStringLiteral("America/New_York"));
    return event;
}

// Every warning of the store meanwhile (a uid the index could not find by
// its sorted lists is one).
struct Warnings {
    Warnings()
    {
        current = this;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg && text.contains(QLatin1String("index of uids"))) current->seen << text;
        });
    }
    ~Warnings() { qInstallMessageHandler(previous); }
    QStringList seen;
    QtMessageHandler previous;
    static inline Warnings* current = nullptr;
};

// A group among files already there, with uids asked for that are free,
// taken by a file, asked twice, or the uid of an event the store has (an
// edit), and one without a calendar: each answer is the single save's, and
// the writer's index orders and finds the files as a new reader of the
// folder does.
TEST_F(GroupSaveTest, AGroupGivesWhatSingleSavesGive)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Work"));
    const Date start = paris(2014, 3, 10, 9);
    CalEventList existing;
    for (const char* uid : {"B-EXISTING", "M-EXISTING", "Y-EXISTING"}) {
        existing << newEvent(calendar, QString::fromLatin1(uid), QStringLiteral("Before"), start);
        ASSERT_TRUE(store->saveEvent(existing.last(), CalSpanAllEvents));
    }
    struct Case {
        const char* uid;
        bool withCalendar;
        CalError::Code code;
        const char* keptUid;  // the uid the event ends with; null: a new one
    };
    const std::vector<Case> cases{
        {"A-FREE", true, CalError::Code::None, "A-FREE"},
        {"M-EXISTING", true, CalError::Code::None, "M-EXISTING"},  // an edit of that event
        {"C-TWICE", true, CalError::Code::None, "C-TWICE"},
        {"C-TWICE", true, CalError::Code::None, nullptr},
        {"Z-FREE", true, CalError::Code::None, "Z-FREE"},
        {"N-NO-CALENDAR", false, CalError::Code::Refused, "N-NO-CALENDAR"},
        {"", true, CalError::Code::None, nullptr},
    };
    // A file named as a uid asked for, which the store cannot read: not ours.
    const QString eventsFolder = root() + QStringLiteral("/") + calendar->uid() + QStringLiteral(".calendar/Events");
    writeBytes(eventsFolder + QStringLiteral("/A-TAKEN.ics"), "not a calendar");
    CalEventList group;
    for (const Case& c : cases)
        group << newEvent(c.withCalendar ? calendar : nullptr, QString::fromLatin1(c.uid), QStringLiteral("Group"), start);
    group << newEvent(calendar, QStringLiteral("A-TAKEN"), QStringLiteral("Group"), start);
    // Enough new files that the writing helpers start.
    for (int i = 0; i < 60; ++i) group << newEvent(calendar, QString(), QStringLiteral("Group"), start);

    Warnings warnings;
    QList<CalError> errors;
    {
        CalCalendarStore::WriteBatch batch(store);
        errors = store->saveEvents(group, CalSpanAllEvents);
        ASSERT_TRUE(batch.commit());
    }
    ASSERT_EQ(errors.size(), group.size());
    QSet<QString> uids;
    for (qsizetype i = 0; i < group.size(); ++i) {
        SCOPED_TRACE(i);
        const Case c = i < qsizetype(cases.size()) ? cases[size_t(i)] : Case{"", true, CalError::Code::None, nullptr};
        EXPECT_EQ(errors[i].code, c.code) << errors[i].text.toStdString();
        if (c.keptUid) EXPECT_EQ(group[i]->uid(), QString::fromLatin1(c.keptUid));
        else EXPECT_FALSE(group[i]->uid().isEmpty() || group[i]->uid() == QLatin1String("C-TWICE"));
        if (!errors[i].ok()) continue;
        EXPECT_FALSE(uids.contains(group[i]->uid())) << "one file per event";
        uids.insert(group[i]->uid());
        const CalEventPtr read = store->eventWithUID(group[i]->uid(), Date());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->title(), QStringLiteral("Group"));
        EXPECT_EQ(store->eventFilePath(group[i]->uid()).section(QLatin1Char('/'), 0, -2), eventsFolder);
    }
    EXPECT_NE(group[qsizetype(cases.size())]->uid(), QStringLiteral("A-TAKEN"));
    EXPECT_EQ(readBytes(eventsFolder + QStringLiteral("/A-TAKEN.ics")), QByteArray("not a calendar"));

    // Events of one start come in the order of their files: the writer's
    // lists must be ordered as a new reader lists the folder.
    const auto order = [&](const std::shared_ptr<CalCalendarStore>& s) {
        QStringList seen;
        for (const CalEventPtr& e : s->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                 paris(2014, 3, 1), paris(2014, 3, 31), s->calendars())))
            seen << e->uid() + QLatin1Char(' ') + e->title();
        return seen.join(QLatin1Char('\n')).toStdString();
    };
    EXPECT_EQ(order(store), order(CalCalendarStore::create(root())));
    EXPECT_EQ(warnings.seen, QStringList());
}

// The Events folder turned into a link to a folder outside between two
// groups of one batch, and a link in the place of an event's file: nothing
// is written through either, and the folder outside keeps its bytes.
TEST_F(GroupSaveTest, ALinkSwappedInDuringABatchIsRefused)
{
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    writeBytes(outside.path() + QStringLiteral("/LINKED.ics"), "outside");
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Work"));
    const QString eventsFolder = root() + QStringLiteral("/") + calendar->uid() + QStringLiteral(".calendar/Events");
    const Date start = paris(2014, 3, 10, 9);
    const auto group = [&](const QString& prefix, int count) {
        CalEventList events;
        for (int i = 0; i < count; ++i) events << newEvent(calendar, prefix + QString::number(i), QStringLiteral("Group"), start);
        return events;
    };
    ASSERT_TRUE(QFile::link(outside.path() + QStringLiteral("/LINKED.ics"), eventsFolder + QStringLiteral("/LINKED.ics")));

    CalCalendarStore::WriteBatch batch(store);
    CalEventList first = group(QStringLiteral("FIRST-"), 20);
    first << newEvent(calendar, QStringLiteral("LINKED"), QStringLiteral("Group"), start);
    for (const CalError& error : store->saveEvents(first, CalSpanAllEvents)) EXPECT_TRUE(error.ok()) << error.text.toStdString();
    EXPECT_NE(first.last()->uid(), QStringLiteral("LINKED")) << "a link in the file's place is not written through";

    const QString moved = outside.path() + QStringLiteral("/Moved");
    ASSERT_TRUE(QDir().rename(eventsFolder, moved));
    ASSERT_TRUE(QFile::link(outside.path(), eventsFolder));
    QStringList before;
    for (QDirIterator it(outside.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) before << it.next();
    for (const CalError& error : store->saveEvents(group(QStringLiteral("SECOND-"), 20), CalSpanAllEvents))
        EXPECT_EQ(error.code, CalError::Code::Refused) << error.text.toStdString();
    // The first group's files went with the folder: the flush says so.
    EXPECT_FALSE(batch.commit());
    QStringList after;
    for (QDirIterator it(outside.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) after << it.next();
    before.sort();
    after.sort();
    EXPECT_EQ(after, before);
    EXPECT_EQ(readBytes(outside.path() + QStringLiteral("/LINKED.ics")), QByteArray("outside"));
}

// Whatever holds a uid's name in the folder (a file the store never read, a
// folder, a link to nothing or to a file outside) stays as it was: the
// event gets a new uid, and the rest of the group keeps theirs.
TEST_F(GroupSaveTest, ANameTakenOnTheDiskGivesANewUid)
{
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    writeBytes(outside.path() + QStringLiteral("/target.ics"), "outside");
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Work"));
    const QString eventsFolder = root() + QStringLiteral("/") + calendar->uid() + QStringLiteral(".calendar/Events");
    const Date start = paris(2014, 3, 10, 9);
    const std::vector<std::pair<QString, std::function<bool(const QString&)>>> cases{
        {QStringLiteral("T-FILE"), [](const QString& path) { writeBytes(path, "BEGIN:VCALENDAR"); return true; }},
        {QStringLiteral("T-FOLDER"), [](const QString& path) { return QDir().mkdir(path); }},
        {QStringLiteral("T-DANGLING"), [&](const QString& path) { return QFile::link(outside.path() + QStringLiteral("/none"), path); }},
        {QStringLiteral("T-OUTSIDE"), [&](const QString& path) { return QFile::link(outside.path() + QStringLiteral("/target.ics"), path); }},
    };
    CalEventList group;
    for (const auto& [uid, make] : cases) {
        ASSERT_TRUE(make(eventsFolder + QLatin1Char('/') + uid + QStringLiteral(".ics"))) << uid.toStdString();
        group << newEvent(calendar, uid, QStringLiteral("Group"), start);
    }
    // Enough files that the writing helpers take them.
    for (int i = 0; i < 40; ++i) group << newEvent(calendar, QStringLiteral("KEPT-%1").arg(i), QStringLiteral("Group"), start);
    QList<CalError> errors;
    {
        CalCalendarStore::WriteBatch batch(store);
        errors = store->saveEvents(group, CalSpanAllEvents);
        ASSERT_TRUE(batch.commit());
    }
    for (qsizetype i = 0; i < group.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(errors[i].ok()) << errors[i].text.toStdString();
        const bool wasTaken = i < qsizetype(cases.size());
        if (wasTaken) {
            EXPECT_NE(group[i]->uid(), cases[size_t(i)].first);
        } else {
            EXPECT_EQ(group[i]->uid(), QStringLiteral("KEPT-%1").arg(i - qsizetype(cases.size())));
        }
        const CalEventPtr read = CalCalendarStore::create(root())->eventWithUID(group[i]->uid(), Date());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->title(), QStringLiteral("Group"));
    }
    EXPECT_EQ(readBytes(eventsFolder + QStringLiteral("/T-FILE.ics")), QByteArray("BEGIN:VCALENDAR"));
    EXPECT_TRUE(QFileInfo(eventsFolder + QStringLiteral("/T-FOLDER.ics")).isDir());
    EXPECT_TRUE(QFileInfo(eventsFolder + QStringLiteral("/T-DANGLING.ics")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(outside.path() + QStringLiteral("/none")));
    EXPECT_EQ(readBytes(outside.path() + QStringLiteral("/target.ics")), QByteArray("outside"));
}

}  // namespace GroupSaveTests
