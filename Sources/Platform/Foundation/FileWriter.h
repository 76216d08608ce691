#pragma once

#include <QByteArray>
#include <QString>

// Writes whole files atomically: the bytes go to a temporary file beside the
// target, which replaces the target only once everything is on disk, so a
// failed write leaves no partial file and the earlier one whole. The real
// writer is the one in use unless a test installs another (to fail a write
// as a full disk or a read-only folder would, which root ignores).
class FileWriter {
public:
    virtual ~FileWriter();

    // False when the file could not be written; the target is then as it
    // was (absent when it was absent). The file is readable and writable by
    // its owner only, from the moment it exists.
    virtual bool writeAtomically(const QString& path, const QByteArray& content) = 0;

    static FileWriter& current();
    // Installs a writer (not owned); null restores the real one.
    static void setCurrent(FileWriter* writer);
};
