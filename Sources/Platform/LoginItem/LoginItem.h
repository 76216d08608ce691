#pragma once

#include <QByteArray>
#include <QString>

// Starting Zoravel when the user logs in: an XDG autostart entry named after
// the starter identifier in the user's autostart folder. The preferences'
// start-at-login box reads and changes the state through the three
// operations, which tell the user themselves when the system refuses.
class LoginItem {
public:
    // The entry's base name.
    static inline const QString starterIdentifier = QStringLiteral("com.quorbin.ZoravelStartUp");
    // An entry is a few hundred bytes; a longer file is nothing we wrote.
    static constexpr qint64 maximumEntrySize = 64 * 1024;

    // The user's autostart folder ($XDG_CONFIG_HOME/autostart) and this program.
    LoginItem();
    LoginItem(const QString& autostartFolder, const QString& programPath);

    // Writes the entry, making the folder when missing; an alert on failure.
    void enableLoginItem();
    // Removes the entry; an alert when it is there and cannot be removed.
    void disableLoginItem();
    // YES when the entry exists, is a desktop entry and is not hidden.
    bool appIsPresentInLoginItems() const;

    QString entryPath() const;

    // What the session reads in an entry's bytes.
    enum class EntryState { NotAnEntry, Hidden, Active };
    static EntryState readEntry(const QByteArray& bytes);
    // The entry that starts the program at that absolute path.
    static QByteArray entryContent(const QString& programPath);
    // The Exec value that runs the program and nothing else: one quoted
    // argument, escaped for both the command line and the string value.
    static QString execValue(const QString& programPath);

private:
    QString m_autostartFolder;
    QString m_programPath;
};
