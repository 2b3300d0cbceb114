#include "platform/tempdirs.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <limits>
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

std::optional<QString> EnsureWorkingDir(const QString &base)
{
    const std::optional<QString> user = EnsurePrivateDir(base, WorkingDirName());
    if (!user)
        return std::nullopt;
    return EnsurePrivateDir(*user, QString::number(::getpid()));
}

void RemoveStaleWorkingDirs(const QString &base)
{
    const std::optional<QString> user = EnsurePrivateDir(base, WorkingDirName());
    if (!user)
        return;
    const QDir folder(*user);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        if (!number || pid <= 0 || pid == ::getpid() || pid > std::numeric_limits<pid_t>::max())
            continue;
        // Signal 0 only asks whether the process exists.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        QDir(folder.filePath(name)).removeRecursively();
    }
}

} // namespace tovo::platform
