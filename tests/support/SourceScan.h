#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the sources look up by name (texts, images): every call of the given
// functions in the C++ files under a folder. A call is read only in its one
// documented form, the name a QStringLiteral written in the call as its first
// argument (blanks and line breaks allowed); any other call is reported,
// since its name cannot be seen.
struct LiteralScan {
    int filesRead = 0;
    QStringList names;            // each once, in the order first met
    QStringList unreadableCalls;  // "file:line" of calls whose name is not a literal
};

// Files named `skipBaseName` (the lookup's own, which declare and define the
// calls) are not read.
LiteralScan scanLiteralCalls(const QString& root, const QStringList& functions, const QString& skipBaseName);

// The Sources folder of the tree the tests were built from.
QString sourcesFolder();

// Writes a file for a scan's test, making its folders.
bool writeTextFile(const QString& path, const QByteArray& content);
