#pragma once

#include <QByteArray>

#include <sqlite3.h>

// A statement used once in a while or built per call: prepared on the shared
// connection when made, finalized when the scope ends. A prepare failure is
// logged and leaves a null statement, whose steps fail.
class OneOffStatement {
public:
    explicit OneOffStatement(const QByteArray& sql);
    ~OneOffStatement();
    OneOffStatement(const OneOffStatement&) = delete;
    OneOffStatement& operator=(const OneOffStatement&) = delete;

    sqlite3_stmt* get() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};
