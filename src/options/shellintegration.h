#pragma once

#include <QString>

#include <stdexcept>

namespace tovo {

// The error RaiseSystemError raises; its text is what the error report shows.
class SystemError : public std::runtime_error {
public:
    explicit SystemError(const QString &text);
    QString text() const { return m_text; }

private:
    QString m_text;
};

// "Erreur système :", a line break, the code in decimal, " - " and the
// system's text for it.
QString SystemErrorMessage(int code);
// Nothing for 0; otherwise throws SystemError with SystemErrorMessage(code).
void RaiseSystemError(int code);

// The program's icon as a file, for launchers: ProgDir + "icones/tovo-256.png".
QString ProgramIconFile();

// Writes one launcher (a desktop entry) at linkFile: description as its
// name, target started in workingDirectory with arguments, the icon
// file. The folder is created when missing; the launcher is executable and
// marked trusted where the desktop knows that mark. Returns 0 or the error
// number of the step that failed.
int CreateShellLink(const QString &description, const QString &target, const QString &workingDirectory,
                    const QString &arguments, const QString &iconFile, const QString &linkFile);
// A launcher named after the application title ("Tovo v4.4.desktop") in the
// user's desktop folder, starting this program in its own folder.
int CreateDesktopShortcut();

// The desktop file name of the ZIP association.
inline const QString AssociationEntryName = QStringLiteral("tovo.desktop");
// Makes program the user's handler of ZIP files: the desktop entry
// tovo.desktop in $XDG_DATA_HOME/applications, then Tovo as the default and
// first added application of application/zip in $XDG_CONFIG_HOME/mimeapps.list,
// then the applications folder's cache refreshed. Stops at the first failing
// step and returns its error number; the earlier steps stay done.
int AssociateZipFiles(const QString &program, const QString &iconFile);

} // namespace tovo
