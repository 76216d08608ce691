#pragma once

#include <QString>

// What the data folder's files need beyond their paths: whether we may write
// them, moving a file out of the way without losing it, and keeping them
// private to their owner (the database, the account and the backups hold
// everything the user has, the service token included).
namespace DataFolder {

// Whether this process may write the file (or create files in the folder).
// A file or folder whose owner has no write permission counts as read-only
// even where the kernel would let a privileged process write it anyway: the
// user made it read-only, and root must not start writing into it.
bool isWritable(const QString& path);

// Renames the file to the first free name of "<stem><suffix>",
// "<stem>.2<suffix>", "<stem>.3<suffix>" ..., never over an existing file.
// The new path, or a null string when it could not be moved.
QString moveAside(const QString& path, const QString& stem, const QString& suffix);

// Takes the group's and other users' permissions away; the owner's stay as
// they are. False when the path exists and its mode could not be changed.
bool restrictToOwner(const QString& path);

// Creates the folder (parents included) readable by its owner only, or
// tightens it when it is already there. False, with the system's reason in
// error when given, when it is not a private folder after.
bool makeOwnerOnlyFolder(const QString& path, QString* error = nullptr);

}  // namespace DataFolder
