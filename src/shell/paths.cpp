#include "shell/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace tovo {
namespace {

QString &progDir()
{
    static QString dir;
    return dir;
}

QString &tempDir()
{
    static QString dir;
    return dir;
}

QString &dataDir()
{
    static QString dir;
    return dir;
}

qsizetype lastSeparator(const QString &path, const QString &separators)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (separators.contains(path[i]))
            return i;
    }
    return -1;
}

// Adds the owner's write (and search, for folders) permission, as clearing
// the read-only attribute does elsewhere. Works on the entry itself, never
// through a link.
void makeWritable(const QString &path, bool directory)
{
    struct stat st;
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &st) != 0 || S_ISLNK(st.st_mode))
        return;
    const mode_t wanted = st.st_mode | S_IWUSR | (directory ? S_IXUSR | S_IRUSR : 0);
    if (wanted != st.st_mode)
        ::chmod(native.constData(), wanted & 07777);
}

bool isRoot(const QString &path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return QDir(clean).isRoot() || clean.isEmpty();
}

} // namespace

QString ProgDir() { return progDir(); }
void SetProgDir(const QString &dir)
{
    progDir() = AddBackslash(dir);
    dataDir().clear();
}
QString TempDir() { return tempDir(); }
void SetTempDir(const QString &dir) { tempDir() = dir.isEmpty() ? dir : AddBackslash(dir); }
QString DataDir() { return dataDir().isEmpty() ? progDir() : dataDir(); }
void SetDataDir(const QString &dir) { dataDir() = AddBackslash(dir); }

QString DataFile(const QString &name)
{
    const QString path = DataDir() + name;
    if (DataDir() != ProgDir() && !name.isEmpty() && !QFileInfo::exists(path) &&
        QFile::copy(ProgDir() + name, path))
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    return path;
}

QString DefaultWorkFolder() { return DataDir() == ProgDir() ? ProgDir() : AddBackslash(QDir::homePath()); }

QString StripQuotes(const QString &s)
{
    if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
        return s.mid(1, s.size() - 2);
    return s;
}

QString AddBackslash(const QString &path, QChar separator)
{
    if (path.isEmpty() || path.endsWith(separator))
        return path;
    return path + separator;
}

QString DirectoryPart(const QString &path, const QString &separators)
{
    return path.left(lastSeparator(path, separators) + 1);
}

QString FileNamePart(const QString &path, const QString &separators)
{
    return path.mid(lastSeparator(path, separators) + 1);
}

bool DeleteTree(const QString &path)
{
    const QFileInfo top(path);
    if (path.isEmpty() || top.isSymLink() || !top.isDir())
        return false;
    if (isRoot(path))
        return false;
    makeWritable(path, true);
    QDir dir(path);
    bool ok = true;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString child = entry.absoluteFilePath();
        if (entry.isSymLink()) {
            ok = QFile::remove(child) && ok;
        } else if (entry.isDir()) {
            ok = DeleteTree(child) && ok;
        } else {
            makeWritable(child, false);
            ok = QFile::remove(child) && ok;
        }
    }
    if (!ok)
        return false;
    return QDir().rmdir(QFileInfo(path).absoluteFilePath());
}

std::optional<CommandLineArchive> RejoinCommandLine(const QStringList &parameters,
                                                    const std::function<bool(const QString &)> &fileExists)
{
    if (parameters.isEmpty() || parameters.first().isEmpty())
        return std::nullopt;
    CommandLineArchive result;
    result.name = StripQuotes(parameters.first());
    for (int i = 1; i < 4 && !fileExists(StripQuotes(result.name)); ++i) {
        if (i < parameters.size())
            result.name += QLatin1Char(' ') + parameters.at(i);
    }
    result.name = StripQuotes(result.name);
    result.exists = fileExists(result.name);
    return result;
}

} // namespace tovo
