#include "options/shellintegration.h"

#include "platform/desktopfiles.h"
#include "shell/labelstore.h"
#include "shell/paths.h"

#include <QCoreApplication>

namespace tovo {

SystemError::SystemError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}

QString SystemErrorMessage(int code)
{
    return QStringLiteral("Erreur syst\u00e8me :\r\n%1 - %2").arg(code).arg(platform::SystemErrorText(code));
}

void RaiseSystemError(int code)
{
    if (code != 0)
        throw SystemError(SystemErrorMessage(code));
}

namespace {

// What the launchers say of the program (their Comment).
const QString ProgramComment = QStringLiteral("Gestionnaire d'archives ZIP");

} // namespace

QString ProgramIconFile() { return ProgDir() + QStringLiteral("icones/tovo-256.png"); }

int CreateShellLink(const QString &description, const QString &target, const QString &workingDirectory,
                    const QString &arguments, const QString &iconFile, const QString &linkFile)
{
    platform::DesktopEntry entry;
    entry.name = description;
    entry.comment = ProgramComment;
    entry.program = target;
    entry.arguments = arguments;
    entry.workingDirectory = workingDirectory;
    entry.icon = iconFile;
    if (const int code = platform::MakePath(DirectoryPart(linkFile)))
        return code;
    if (const int code = platform::ReplaceFile(linkFile, platform::RenderDesktopEntry(entry), 0755))
        return code;
    if (const int code = platform::MakeExecutable(linkFile))
        return code;
    platform::MarkLauncherTrusted(linkFile);
    return 0;
}

int CreateDesktopShortcut()
{
    const QString link = AddBackslash(platform::UserDesktopDir()) + ApplicationTitle + QStringLiteral(".desktop");
    return CreateShellLink(ApplicationTitle, QCoreApplication::applicationFilePath(), ProgDir(), QString(),
                           ProgramIconFile(), link);
}

int AssociateZipFiles(const QString &program, const QString &iconFile)
{
    platform::DesktopEntry entry;
    entry.name = QStringLiteral("Tovo");
    entry.comment = ProgramComment;
    entry.program = program;
    entry.arguments = QStringLiteral("%f");
    entry.icon = iconFile;
    entry.categories = QStringLiteral("Utility;Archiving;Compression;");
    entry.mimeTypes = QStringLiteral("application/zip;");
    const QString applications = platform::UserApplicationsDir();
    if (const int code = platform::MakePath(applications))
        return code;
    const QString path = AddBackslash(applications) + AssociationEntryName;
    if (const int code = platform::ReplaceFile(path, platform::RenderDesktopEntry(entry)))
        return code;
    if (const int code =
            platform::MakeDefaultHandler(platform::UserMimeAppsList(), QStringLiteral("application/zip"),
                                         AssociationEntryName))
        return code;
    platform::RefreshDesktopDatabase(applications);
    return 0;
}

} // namespace tovo
