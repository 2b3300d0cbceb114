#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace tovo::platform {

// Creates a new hidden file beside target, named "." + its name + ".tovo-"
// and a random tag, with the given permissions (the process's mask
// applies), and locks it (flock) until it is closed. Returns its
// descriptor, or -1 with errno set.
int CreateTemporaryBeside(const QByteArray &target, mode_t mode, QByteArray &name);

// Replaces the file at path with bytes: they are written to a new file
// beside it, flushed to the disk, and that file is renamed over path only
// then, so a failure at any step leaves the previous file as it was and no
// new file behind. The file keeps the permissions of the one it replaces.
// Returns 0, or the system's error number of the step that failed.
int ReplaceFileContents(const QString &path, const QByteArray &bytes);

} // namespace tovo::platform
