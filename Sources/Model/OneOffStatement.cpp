#include "OneOffStatement.h"

#include "RecordStore.h"

OneOffStatement::OneOffStatement(const QByteArray& sql)
{
    sqlite3* db = RecordStore::sharedDatabase();
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK) {
        RecordStore::fatal(RecordStore::prepareErrorText, db);
    }
}

OneOffStatement::~OneOffStatement()
{
    sqlite3_finalize(m_statement);
}
