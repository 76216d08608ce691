#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The backup files of the whole database, manual and automatic alike: the
// text "ZVMDatabase:" followed by the URL-safe, padded Base64 of every byte
// of the database, taken as ASCII and encrypted with AES-256 (CBC, PKCS7
// padding, zero vector) under the MD5 text of a fixed text of the program.
// The file holds the ciphertext alone.
namespace BackupFile {

// The fixed text of the backups the user saves where he likes; the
// automatic ones have their own (Setting::autoBackupKeyText).
inline constexpr const char manualBackupKeyText[] = "ZoravelUserBackup!";
inline constexpr const char textPrefix[] = "ZVMDatabase:";
inline constexpr const char manualBackupExtension[] = "bkzvm";

// The AES key of a fixed text: its MD5 digest as 32 lower-case hex digits.
QString keyForText(const QString& fixedText);

// The file's bytes for the database's bytes; nothing for an empty database
// or when the encryption fails.
std::optional<QByteArray> encode(const QByteArray& database, const QString& fixedText);

// The database bytes a file holds; nothing (with the reason in *problem,
// for the log) when it does not decrypt under the text's key, does not begin
// with the prefix, or its remainder is no Base64 of at least one byte. Says
// nothing about whether the bytes are a sound database: checkDatabaseFile.
std::optional<QByteArray> decode(const QByteArray& file, const QString& fixedText, QString* problem = nullptr);

// Whether the bytes begin with SQLite's 16-byte file header.
bool hasSQLiteHeader(const QByteArray& bytes);

// Whether the file at the path is a sound SQLite database: it has the
// header, opens read-only and passes SQLite's integrity check. Nothing is
// written to it. The reason goes to *problem otherwise.
bool checkDatabaseFile(const QString& path, QString* problem = nullptr);

// A consistent copy of the open shared database, made with SQLite's online
// backup into a private temporary file under the record guard, never read
// from the live file. Nothing without an open database or when the copy
// fails (logged).
std::optional<QByteArray> databaseSnapshot();

}  // namespace BackupFile
