#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tovo::platform {

// The freedesktop.org side of the desktop integration: desktop entries, the
// user's default applications, the desktop folder. Functions that touch the
// file system return 0 or the system's error number (errno) of the step that
// failed; what was written before that step stays written.

// The system's own text for an error number.
QString SystemErrorText(int code);

// One application launcher ([Desktop Entry] group of a .desktop file).
struct DesktopEntry {
    QString name;
    QString comment;
    QString program;          // full path of the executable
    QString arguments;        // appended to Exec after a space as written ("%f"); empty for none
    QString workingDirectory; // Path=, omitted when empty
    QString icon;             // an icon file's full path or a theme icon name
    QString categories;       // "Utility;Archiving;", omitted when empty
    QString mimeTypes;        // "application/zip;", omitted when empty
};

// The program path as one Exec argument: "%" doubled, and the whole quoted
// (with ", `, $ and \ escaped) when it holds a character the Desktop Entry
// rules reserve. The string-value escapes of the file come on top of this.
QString QuoteExecArgument(const QString &argument);
// The text of the entry, UTF-8, every value escaped as a string value.
QByteArray RenderDesktopEntry(const DesktopEntry &entry);

// Makes dir and its missing parents.
int MakePath(const QString &dir);
// Writes bytes to a temporary file beside path, then renames it over path,
// so a reader never sees half a file and a failure leaves the old one. A
// symbolic link at path is followed: its target is replaced. A new file gets
// mode (less the umask); an existing one keeps its own.
int ReplaceFile(const QString &path, const QByteArray &bytes, unsigned mode = 0644);
// Adds the execute permission wherever path has the read one (a launcher
// that desktops run).
int MakeExecutable(const QString &path);

// The text of a mimeapps.list with desktopId made the default handler of
// mimeType under [Default Applications] and put first in its list under
// [Added Associations]. Every other line and group is kept as it was; a
// missing key or group is added. Nothing when the text is not a readable
// key file (not UTF-8, or holding a NUL byte).
std::optional<QByteArray> WithDefaultHandler(const QByteArray &mimeapps, const QString &mimeType,
                                             const QString &desktopId);
// Reads the file at path (a missing file is an empty one), applies
// WithDefaultHandler and writes it back with ReplaceFile. A file that is not
// a key file gives EILSEQ and is left untouched.
int MakeDefaultHandler(const QString &mimeappsPath, const QString &mimeType, const QString &desktopId);

// $XDG_DATA_HOME/applications (default ~/.local/share/applications).
QString UserApplicationsDir();
// $XDG_CONFIG_HOME/mimeapps.list (default ~/.config/mimeapps.list).
QString UserMimeAppsList();
// The user's desktop folder as xdg-user-dir DESKTOP names it.
QString UserDesktopDir();

// Refreshes the MIME cache of an applications folder with
// update-desktop-database when that tool is installed. Its absence or its
// failure is not an error: the cache only speeds up look-ups.
void RefreshDesktopDatabase(const QString &applicationsDir);
// Marks a launcher on the desktop as trusted (gio's metadata::trusted) so
// file managers start it without asking, when gio is installed. Desktops
// without that metadata ignore it; so does this function.
void MarkLauncherTrusted(const QString &path);

} // namespace tovo::platform
