// The comparison of a database's schema with ours, so that a restored or
// found database whose statements would fail is refused before it is used.
#include "DatabaseSchema.h"

#include "GlobalQueue.h"

#include "Paths.h"
#include "RecordStore.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <memory>
#include <mutex>

#include <sqlite3.h>

namespace {

// Column names (lower case) to declared types (upper case), per table.
using TableColumns = QHash<QString, QHash<QString, QString>>;

struct SchemaOfOurs {
    bool valid = false;
    TableColumns template_;  // the template as shipped
    TableColumns upgraded;   // the template after every upgrade
};

struct SchemaDatabaseCloser {
    void operator()(sqlite3* database) const { sqlite3_close(database); }
};
using SchemaDatabase = std::unique_ptr<sqlite3, SchemaDatabaseCloser>;

QString textColumn(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text) : QString();
}

// Objects of the schema by kind ("table", "view", "trigger"), names as
// stored; SQLite's own tables left out. False when it cannot be read.
bool readObjects(sqlite3* database, QHash<QString, QStringList>* objects)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, "SELECT type, name FROM sqlite_master WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                           -1, &statement, nullptr) != SQLITE_OK)
        return false;
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW)
        (*objects)[textColumn(statement, 0)].append(textColumn(statement, 1));
    sqlite3_finalize(statement);
    return result == SQLITE_DONE;
}

bool readColumns(sqlite3* database, const QString& table, QHash<QString, QString>* columns)
{
    QString quoted = table;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    const QByteArray sql = QStringLiteral("PRAGMA table_info(\"%1\")").arg(quoted).toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK) return false;
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW)
        columns->insert(textColumn(statement, 1).toLower(), textColumn(statement, 2).trimmed().toUpper());
    sqlite3_finalize(statement);
    return result == SQLITE_DONE;
}

bool readTables(sqlite3* database, TableColumns* tables)
{
    QHash<QString, QStringList> objects;
    if (!readObjects(database, &objects)) return false;
    for (const QString& table : objects.value(QStringLiteral("table"))) {
        QHash<QString, QString> columns;
        if (!readColumns(database, table, &columns)) return false;
        tables->insert(table.toLower(), columns);
    }
    return true;
}

// Read once: the template in memory, then again after the upgrades.
const SchemaOfOurs& schemaOfOurs()
{
    static SchemaOfOurs schema;
    static std::once_flag once;
    std::call_once(once, [] {
        const QByteArray path = (Paths::resourcesFolder() + QStringLiteral("/Database.sql")).toUtf8();
        sqlite3* opened = nullptr;
        const int openResult = sqlite3_open_v2(path.constData(), &opened, SQLITE_OPEN_READONLY, nullptr);
        SchemaDatabase shipped(opened);
        opened = nullptr;
        sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE, nullptr);
        SchemaDatabase copy(opened);
        if (openResult != SQLITE_OK || !copy || !readTables(shipped.get(), &schema.template_)) return;
        sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", shipped.get(), "main");
        const bool copied = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
        if (backup) sqlite3_backup_finish(backup);
        if (!copied) return;
        for (const QString& statement : DatabaseSchema::allUpgrades())
            sqlite3_exec(copy.get(), statement.toUtf8().constData(), nullptr, nullptr, nullptr);
        schema.valid = readTables(copy.get(), &schema.upgraded) && !schema.template_.isEmpty();
    });
    return schema;
}

bool refuse(QString* problem, const QString& text)
{
    if (problem) *problem = text;
    return false;
}

}  // namespace

void DatabaseSchema::readTemplateAhead()
{
    GlobalQueue::async([] { schemaOfOurs(); });
}

bool DatabaseSchema::matchesTemplate(sqlite3* database, bool upgraded, QString* problem)
{
    const SchemaOfOurs& ours = schemaOfOurs();
    if (!ours.valid) return refuse(problem, QStringLiteral("the template database cannot be read"));
    QHash<QString, QStringList> objects;
    if (!readObjects(database, &objects))
        return refuse(problem, QStringLiteral("its schema cannot be read: ") + QString::fromUtf8(sqlite3_errmsg(database)));
    // Views stand where tables should, and triggers act on every write.
    for (const char* kind : {"view", "trigger"}) {
        const QStringList found = objects.value(QLatin1String(kind));
        if (!found.isEmpty())
            return refuse(problem, QStringLiteral("it holds a %1 (%2)").arg(QLatin1String(kind), found.first()));
    }
    QSet<QString> present;
    for (const QString& table : objects.value(QStringLiteral("table"))) present.insert(table.toLower());
    for (auto table = ours.upgraded.cbegin(); table != ours.upgraded.cend(); ++table) {
        const bool required = upgraded || ours.template_.contains(table.key());
        if (!present.contains(table.key())) {
            if (required) return refuse(problem, QStringLiteral("the table %1 is missing").arg(table.key()));
            continue;
        }
        QHash<QString, QString> columns;
        if (!readColumns(database, table.key(), &columns))
            return refuse(problem, QStringLiteral("the table %1 cannot be read").arg(table.key()));
        const QHash<QString, QString>& expected = table.value();
        const QHash<QString, QString> shipped = ours.template_.value(table.key());
        for (auto column = columns.cbegin(); column != columns.cend(); ++column) {
            if (!expected.contains(column.key()))
                return refuse(problem, QStringLiteral("the column %1.%2 is not ours").arg(table.key(), column.key()));
            if (expected.value(column.key()) != column.value())
                return refuse(problem, QStringLiteral("the column %1.%2 is of type '%3', not '%4'")
                                           .arg(table.key(), column.key(), column.value(), expected.value(column.key())));
        }
        for (auto column = expected.cbegin(); column != expected.cend(); ++column) {
            if (columns.contains(column.key())) continue;
            if (upgraded || shipped.contains(column.key()))
                return refuse(problem, QStringLiteral("the column %1.%2 is missing").arg(table.key(), column.key()));
        }
    }
    return true;
}

bool DatabaseSchema::fileMatchesTemplate(const QString& path, QString* problem)
{
    sqlite3* opened = nullptr;
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &opened, SQLITE_OPEN_READONLY, nullptr);
    SchemaDatabase database(opened);
    if (result != SQLITE_OK)
        return refuse(problem, QStringLiteral("it does not open: ") +
                                   QString::fromUtf8(opened ? sqlite3_errmsg(opened) : "out of memory"));
    RecordStore::waitForLocks(database.get());
    return matchesTemplate(database.get(), false, problem);
}
