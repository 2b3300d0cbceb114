#pragma once

#include "platform/openfolder.h"

#include <QString>

namespace tovo {

// Shows a directory in the file manager, for the extraction dialog, the main
// window's folder button and the chooser. A failure to launch has no second
// program to fall back on here and shows nothing.
inline void OpenFolderInExplorer(const QString &directory) { platform::OpenFolder(directory); }

} // namespace tovo
