#include "platform/datadir.h"

#include "platform/desktopfiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace tovo::platform {

QString ChooseDataDir(const QString &progDir)
{
    const QDir program(progDir);
    const bool writable = ::access(QFile::encodeName(program.absolutePath()).constData(), W_OK) == 0;
    if (writable && !program.exists(InstalledMarkerName))
        return progDir.endsWith(QLatin1Char('/')) ? progDir : progDir + QLatin1Char('/');
    const QString dir =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tovo/");
    // A folder that cannot be made shows later, as missing files.
    MakePath(dir);
    return dir;
}

} // namespace tovo::platform
