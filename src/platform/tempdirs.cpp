#include "platform/tempdirs.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tovo::platform {

QString WorkingDirName() { return QStringLiteral("tovo-%1").arg(::getuid()); }

QString OldWorkingDirName() { return QStringLiteral("itovo32-%1").arg(::getuid()); }

std::optional<QString> EnsurePrivateDir(const QString &base, const QString &name)
{
    const QString path = QDir(base).absoluteFilePath(name);
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    struct stat st;
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return std::nullopt;
    if ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return std::nullopt;
    return path + QLatin1Char('/');
}

} // namespace tovo::platform
