#pragma once

#include <QString>

namespace tovo::platform {

// A file an installation lays in the program folder. Its presence says the
// folder belongs to the system, not to the user, even for an administrator
// who could write there.
inline const QString InstalledMarkerName = QStringLiteral("install\u00e9.txt");

// Where the program keeps the files it writes (label store, favourites,
// history): the program folder itself when the user may write in it and it
// is not an installed copy (the build tree); otherwise the user's data
// folder $XDG_DATA_HOME/tovo/ (default ~/.local/share/tovo/), created when
// missing. With a trailing "/".
QString ChooseDataDir(const QString &progDir);

} // namespace tovo::platform
