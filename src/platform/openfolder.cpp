#include "platform/openfolder.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tovo::platform {
namespace {

FolderOpener &opener()
{
    static FolderOpener current;
    return current;
}

} // namespace

bool OpenFolder(const QString &directory)
{
    if (opener())
        return opener()(directory);
    if (directory.isEmpty())
        return false;
    // A local-file URL needs an absolute path; the desktop picks the program.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(directory).absoluteFilePath()));
}

void SetFolderOpener(FolderOpener replacement) { opener() = std::move(replacement); }

} // namespace tovo::platform
