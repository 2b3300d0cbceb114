#pragma once

#include <QString>

#include <optional>

namespace tovo::platform {

// Name of the per-user working directory and of the leftover one removed at
// start. The system's temporary directory is shared between users, so both
// carry the user's id.
QString WorkingDirName();
QString OldWorkingDirName();

// Enters or creates base/name as a directory private to the current user
// (mode 0700). Refuses a symbolic link, something that is not a directory, or
// a directory owned by someone else. Returns the path with a trailing "/".
std::optional<QString> EnsurePrivateDir(const QString &base, const QString &name);

// This window's working directory: base/WorkingDirName(), private to the
// user, holds one private directory per running window, named by its process
// id, so that a window closing never removes another one's preview copies.
// Returns the window's directory with a trailing "/".
std::optional<QString> EnsureWorkingDir(const QString &base);

// Removes the directories of windows that no longer run (killed or crashed)
// from the user's working directory under base.
void RemoveStaleWorkingDirs(const QString &base);

} // namespace tovo::platform
