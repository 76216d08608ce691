#pragma once

#include <QString>
#include <QStringList>

// The user-visible texts, by key, in English. The table is embedded in the
// program (Resources/Texts/English.json), so a key the code asks for either
// has its text or gets the empty text, never a crash.
//
// Always look a text up with its key written out in the call:
//
//     TextTable::localizedString(QStringLiteral("dueTodayText"))
//
// never with a key held in a variable or put together at run time. A test
// reads every source file for this call and checks that each key has a text,
// and it fails on any other form of the call, whose key it could not see. A
// list of words is a list of such calls.
class TextTable {
public:
    static QString localizedString(const QString& key);  // "" for an unknown key
    static bool hasText(const QString& key);              // known and not empty
    static QStringList allKeys();                          // sorted
};
