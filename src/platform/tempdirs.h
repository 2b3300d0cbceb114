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

} // namespace tovo::platform
