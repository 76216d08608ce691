#include "LogCapture.h"
#include "ModelTestFixture.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "Transaction.h"

namespace {

using QueryStatementTest = ModelTest;

TEST_F(QueryStatementTest, StatementThatCannotBePreparedGivesEmptyAnswersAndIsLogged)
{
    LogCapture log;
    RecordGuard guard;
    QueryStatement query("SELECT primaryKey FROM Nowhere WHERE primaryKey=?");
    query.bind(1, 5).bindAll({1, 2});
    EXPECT_FALSE(query.isValid());
    EXPECT_TRUE(query.failed());
    EXPECT_TRUE(query.int64Column().isEmpty());
    EXPECT_EQ(query.firstInt64(), std::nullopt);
    EXPECT_FALSE(query.execute(RecordStore::deleteErrorText));
    EXPECT_EQ(log.messages(),
              QStringList{QStringLiteral("Error: failed to prepare statement with message 'no such table: Nowhere'.")});
}

// A unit must not commit without a step it counted on, prepared or not.
TEST_F(QueryStatementTest, AStatementThatCannotBePreparedSpoilsTheOpenUnit)
{
    LogCapture log;
    struct Case {
        const char* name;
        QueryStatement::PrepareFailure onFailure;
    };
    for (const Case& c : {Case{"empty result", QueryStatement::PrepareFailure::EmptyResult},
                          Case{"fatal", QueryStatement::PrepareFailure::Fatal}}) {
        SCOPED_TRACE(c.name);
        Transaction unit;
        ASSERT_TRUE(unit.isOpen());
        EXPECT_TRUE(QueryStatement("INSERT INTO Tag (tagName) VALUES ('kept?')").execute(RecordStore::insertErrorText));
        QueryStatement("DELETE FROM Nowhere", c.onFailure);
        EXPECT_FALSE(unit.commit());
    }
    RecordGuard guard;
    EXPECT_EQ(QueryStatement("SELECT count(*) FROM Tag WHERE tagName = 'kept?'").firstInt64(), 0);
}

// Half a list would pass for a complete answer: a failure after some rows
// gives none.
TEST_F(QueryStatementTest, StepThatFailsAfterSomeRowsGivesNoRows)
{
    LogCapture log;
    RecordGuard guard;
    QueryStatement query("SELECT abs(value) FROM (SELECT 4 AS value UNION ALL SELECT -9223372036854775808)");
    ASSERT_TRUE(query.isValid());
    EXPECT_TRUE(query.int64Column().isEmpty());
    EXPECT_TRUE(query.failed());
    const QString failure =
        QStringLiteral("Error: failed to select from the database with message 'integer overflow'.");
    EXPECT_EQ(log.messages(), QStringList{failure});
}

TEST_F(QueryStatementTest, RowsAndBoundValuesReadBackWhole)
{
    exec(QStringLiteral("INSERT INTO Tasks (primaryKey, zvwID) VALUES (3, 9000000001), (4, 9000000001), (5, 7)"));
    RecordGuard guard;
    QueryStatement query("SELECT primaryKey FROM Tasks WHERE zvwID=? ORDER BY primaryKey");
    query.bind(1, qint64(9'000'000'001));
    EXPECT_EQ(query.int64Column(), (QList<qint64>{3, 4}));

    QueryStatement byText("SELECT count(*) FROM Calendars WHERE calendarName=?");
    byText.bind(1, QStringLiteral("Zoravel"));
    EXPECT_EQ(byText.firstInt64(), 1);

    QueryStatement none("SELECT primaryKey FROM Tasks WHERE zvwID=-1");
    EXPECT_EQ(none.firstInt64(), std::nullopt);
    EXPECT_FALSE(none.failed()) << "no row is not a failure";
}

}  // namespace
