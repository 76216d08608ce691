#pragma once

#include <QString>
#include <QStringList>

// The user-visible texts, by key, in English. The table is embedded in the
// program (Resources/Texts/English.json), so a key the code asks for either
// has its text or gets the empty text, never a crash.
class TextTable {
public:
    static QString localizedString(const QString& key);  // "" for an unknown key
    static bool hasText(const QString& key);              // known and not empty
    static QStringList allKeys();                          // sorted
};
