#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <functional>
#include <optional>

class CachedStatement;
class CoreData;
class QueryStatement;
class Task;

// Bulk removal of item rows, the way the data manager's series and category
// deletes remove them: the rows go, the web ids of those the server knows
// join the settings' queue of server deletions, and their links are marked
// removed so that the web sync can tell the server. The working list is
// updated separately, once every record guard is left, because that update
// posts a notification on the main thread.
//
// Each of these writes several rows and runs inside the caller's unit
// (Transaction), which alone makes a failure leave nothing behind.
class DeletedRows {
public:
    using Binder = std::function<void(QueryStatement&)>;
    enum class WebIds { Queue, Keep };

    // Removes the rows of table Tasks that match `condition` (the text after
    // WHERE, with parameters that `bind` fills) and answers their keys. The
    // rows, the queued web ids and the marks on the links go together: when
    // the rows cannot be read completely or any write fails nothing is
    // deleted (and an enclosing unit cannot commit), so no removal is ever
    // hidden from the server; the answer is then nothing (logged). A DELETE
    // that cannot be prepared is a fault of the program.
    static std::optional<QList<qint64>> deleteItems(const QByteArray& condition, const Binder& bind, WebIds webIds);
    // The same through statements kept prepared in class-level slots:
    // "SELECT zvwID, primaryKey FROM Tasks WHERE <condition>" and
    // "DELETE FROM Tasks WHERE <condition>", for a delete run once per series.
    static std::optional<QList<qint64>> deleteItems(CachedStatement& select, CachedStatement& remove,
                                                    const Binder& bind, WebIds webIds);

    // Append ",<id>" for every id above 0 to the settings' queue of deleted
    // items (tags), and save the settings when one was added. False when
    // that save failed (logged).
    [[nodiscard]] static bool queueDeletedItems(const QList<qint64>& webIds);
    [[nodiscard]] static bool queueDeletedTags(const QList<qint64>& webIds);

    // Drops the working list's items of the rows deleteItems answered, found
    // by key in one pass, in one change; nothing is posted when none is
    // listed.
    static void dropFromWorkingList(CoreData& dataManager, const QList<qint64>& keys);
};
