#include "CommandUnitFixture.h"

// A new tag goes into the table and the tag list with its name, or not at
// all: a row without its name would be pushed to the web as a blank tag.
namespace {

class TagUnitTest : public CommandUnitTest {
protected:
    QStringList storedTags()
    {
        QStringList names;
        sqlite3_stmt* statement = nullptr;
        const char* sql = "SELECT tagName || ':' || zvwKey FROM Tag ORDER BY primaryKey";
        sqlite3_prepare_v2(db(), sql, -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
        sqlite3_finalize(statement);
        return names;
    }
};

}  // namespace

TEST_F(TagUnitTest, NewTagGoesInWithItsNameOrNotAtAll)
{
    switchWebSync(true);
    PostedNotifications posts({kAutoSyncNotification});

    expectAllOrNothing(db(), [&] { return dataManager().insertTagIfNA(QStringLiteral("Work")); }, anyPost);
    expectAllOrNothing(db(), [&] { return dataManager().insertTagIfNA(QStringLiteral("Home"), 7'000'000'000); },
                       anyPost);

    EXPECT_EQ(storedTags(), (QStringList{QStringLiteral("Work:0"), QStringLiteral("Home:7000000000")}));
    ASSERT_EQ(dataManager().tagList().size(), 2);
    EXPECT_EQ(dataManager().tagList().last()->tagName(), QStringLiteral("Home"));
    EXPECT_EQ(posts.autoSyncRequests(), QList<qint64>{AutoSync::tags}) << "the web sync's own tag asks for no push";
    EXPECT_TRUE(dataManager().insertTagIfNA(QStringLiteral(" work "))) << "the name is taken: nothing to store";
}
