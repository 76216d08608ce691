#pragma once

// The files a test wrote, read again by an independent iCalendar reader
// (check_ics.py, with python3-icalendar and python3-recurring-ical-events),
// whose occurrences must be the instants the organizer holds: the
// organizer's reading of its own files can then not hide an error that
// another program would see. Without python3 or its modules the check is
// skipped with one message; scripts/install-deps.sh installs them. Where a
// test asks for it, khal's reader lists the file's occurrences too (skipped
// with one message when khal is not installed).

#include "Date.h"
#include "GregorianCalendar.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <iostream>

class IndependentReader {
public:
    struct Occurrence {
        Date start;
        Date end;  // for an all-day occurrence, 00:00 of the day after its last day
        bool allDay = false;
    };

    // A property of the file's first event or task and its text ("" for
    // none; a date as the occurrences give it).
    using Field = std::pair<QString, QString>;

    enum class AlsoKhal { No, Yes };

    // What the reader (and khal, when asked) must find in the file between
    // from and to.
    void expect(const QString& path, const Date& from, const Date& to, const QList<Occurrence>& occurrences,
                const QList<Field>& fields = {}, AlsoKhal alsoKhal = AlsoKhal::No)
    {
        m_input += QStringLiteral("FILE %1 %2 %3\n")
                       .arg(from.wholeSecondsSince1970())
                       .arg(to.wholeSecondsSince1970())
                       .arg(QFileInfo(path).absoluteFilePath())
                       .toUtf8();
        for (const Occurrence& o : occurrences)
            m_input += (token(o.start, o.allDay) + QLatin1Char(' ') + token(o.end, o.allDay) + QLatin1Char('\n')).toUtf8();
        for (const auto& [name, text] : fields) m_input += QStringLiteral("FIELD %1 %2\n").arg(name, text).toUtf8();
        if (alsoKhal == AlsoKhal::Yes && khalAvailable()) m_input += "KHAL\n";
        ++m_files;
        // A zone's definition names its later changes in its own clock, as
        // stricter readers insist, not in UTC.
        static const QRegularExpression utcChange(QStringLiteral("BEGIN:VTIMEZONE((?!END:VTIMEZONE)[\\s\\S])*\\nRDATE[^\\n]*Z\\r?\\n"));
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) EXPECT_FALSE(QString::fromUtf8(file.readAll()).contains(utcChange)) << path.toStdString();
    }

    // The titles the reader must find on the occurrences of the file last
    // expected, in the order of their starts.
    void expectTitles(const QStringList& titles)
    {
        m_input += (QStringLiteral("TITLES ") + titles.join(QLatin1Char('|')) + QLatin1Char('\n')).toUtf8();
    }

    // Runs the reader over every file expected so far; a disagreement is a
    // test failure that shows both lists.
    void verify()
    {
        if (m_files == 0) return;
        const QByteArray input = std::exchange(m_input, QByteArray());
        m_files = 0;
        if (!available()) return;
        QProcess reader;
        reader.start(python(), {script()});
        ASSERT_TRUE(reader.waitForStarted(10000));
        reader.write(input);
        reader.closeWriteChannel();
        ASSERT_TRUE(reader.waitForFinished(60000));
        EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    }

    ~IndependentReader() { verify(); }

private:
    // The Debian modules belong to the system's python3, which may not be
    // the first on the PATH.
    static QString python()
    {
        const QString system = QStringLiteral("/usr/bin/python3");
        return QFileInfo(system).isExecutable() ? system : QStringLiteral("python3");
    }
    static QString script()
    {
        return QStringLiteral(ZORAVEL_STORE_FIXTURES "/../check_ics.py");
    }

    // Whether python3 and the reader's modules are there; asked once.
    static bool available()
    {
        static const bool answer = [] {
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
            // clang 14's ThreadSanitizer runtime stops the whole binary when
            // Qt starts a child (a clone sharing our memory): the reader's
            // checks are left to the other builds.
            std::cerr << "[  NOTE    ] the independent iCalendar reader is not run under ThreadSanitizer\n";
            return false;
#endif
#endif
            QProcess probe;
            probe.start(python(), {script()});
            if (!probe.waitForStarted(10000)) {
                std::cerr << "[  NOTE    ] python3 is missing: the checks of the independent iCalendar reader are "
                             "skipped (scripts/install-deps.sh installs it)\n";
                return false;
            }
            probe.closeWriteChannel();
            probe.waitForFinished(30000);
            if (probe.exitCode() == 3) {
                std::cerr << "[  NOTE    ] " << probe.readAllStandardError().trimmed().toStdString()
                          << ": the checks of the independent iCalendar reader are skipped (scripts/install-deps.sh "
                             "installs python3-icalendar and python3-recurring-ical-events)\n";
                return false;
            }
            return true;
        }();
        return answer;
    }

    static bool khalAvailable()
    {
        static const bool answer = [] {
            if (!QStandardPaths::findExecutable(QStringLiteral("khal")).isEmpty()) return true;
            std::cerr << "[  NOTE    ] khal is missing: its reading of the files is not checked (scripts/install-deps.sh "
                         "installs it)\n";
            return false;
        }();
        return answer;
    }

    static QString token(const Date& date, bool allDay)
    {
        if (!allDay) return QString::number(date.wholeSecondsSince1970());
        const DateFields day = GregorianCalendar::fields(date);
        return QStringLiteral("%1%2%3")
            .arg(day.year, 4, 10, QLatin1Char('0'))
            .arg(day.month, 2, 10, QLatin1Char('0'))
            .arg(day.day, 2, 10, QLatin1Char('0'));
    }

    QByteArray m_input;
    int m_files = 0;
};
