#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tovo::platform {

// Bytes free for this user on the file system that holds path; nothing when
// the system cannot tell.
std::optional<qint64> FreeSpace(const QString &path);

// Replaces the query (tests give a small or unknown free space). An empty
// function restores the system's.
using FreeSpaceProbe = std::function<std::optional<qint64>(const QString &path)>;
void SetFreeSpaceProbe(FreeSpaceProbe probe);

} // namespace tovo::platform
