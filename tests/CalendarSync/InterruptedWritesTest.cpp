// What a write to the store left when the program was killed in the middle
// (the file it was filling beside its place) goes at the next start; the
// store's own files, anything that is not a regular file, and what a link
// in the store leads to stay.
#include "CalendarSyncFixture.h"

#include <sys/stat.h>

namespace InterruptedWritesTests {

class InterruptedWritesTest : public CalendarSyncTest {};

TEST_F(InterruptedWritesTest, OnlyTheRegularPartFilesOfInterruptedWritesAreRemoved)
{
    const QString events = calendarFolder() + QStringLiteral("/Events");
    ASSERT_TRUE(QDir().mkpath(events));
    // A folder outside the store, linked into it: not walked.
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    ASSERT_TRUE(QFile::link(outside.path(), calendarFolder() + QStringLiteral("/Linked")));
    const struct {
        QString path;
        bool fifo;
        bool remains;
    } files[] = {
        {events + QStringLiteral("/A1.ics.k3j9x.part"), false, false},
        {calendarFolder() + QStringLiteral("/Info.plist.zz1.part"), false, false},
        {events + QStringLiteral("/A2.ics"), false, true},
        {events + QStringLiteral("/pipe.ics.q1.part"), true, true},
        {outside.path() + QStringLiteral("/B1.ics.x7.part"), false, true},
    };
    for (const auto& file : files) {
        if (file.fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(file.path).constData(), 0600), 0);
            continue;
        }
        QFile written(file.path);
        ASSERT_TRUE(written.open(QIODevice::WriteOnly));
        written.write("BEGIN:VCALENDAR\n");
    }
    jobs->removeInterruptedWrites();
    for (const auto& file : files) EXPECT_EQ(QFileInfo::exists(file.path), file.remains) << file.path.toStdString();
}

}  // namespace InterruptedWritesTests
