#pragma once

#include <QString>

#include <functional>

namespace tovo::platform {

// Shows a directory in the desktop's file manager. Returns false when no
// program could be launched for it; the caller has no second program to
// fall back on.
bool OpenFolder(const QString &directory);

// Replaces what OpenFolder launches (tests record the directory instead of
// starting a file manager). An empty function restores the desktop's.
using FolderOpener = std::function<bool(const QString &directory)>;
void SetFolderOpener(FolderOpener opener);

} // namespace tovo::platform
