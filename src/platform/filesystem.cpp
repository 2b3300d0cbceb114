#include "platform/filesystem.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovo::platform {
namespace {

EntryKind kindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    return EntryKind::Other;
}

// Looks one entry up relative to its open directory.
void lookUp(int dirFd, const char *name, DirEntry &entry, bool withReadOnly)
{
    struct stat st;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.kind = EntryKind::Other;
        return;
    }
    if (S_ISLNK(st.st_mode)) {
        if (::fstatat(dirFd, name, &st, 0) != 0) {
            entry.kind = EntryKind::Other;
            return;
        }
        const EntryKind target = kindOfMode(st.st_mode);
        entry.kind = target == EntryKind::File        ? EntryKind::LinkToFile
                     : target == EntryKind::Directory ? EntryKind::LinkToDirectory
                                                      : EntryKind::Other;
    } else {
        entry.kind = kindOfMode(st.st_mode);
    }
    if (withReadOnly)
        entry.readOnly = (st.st_mode & S_IWUSR) == 0;
}

// Whether a name decoded to text encodes back to the same bytes (checked
// only for names with bytes beyond ASCII).
bool roundTrips(const char *name, const QString &decoded)
{
    for (const char *p = name; *p; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return QFile::encodeName(decoded) == QByteArrayView(name, qsizetype(std::strlen(name)));
    }
    return true;
}

} // namespace

bool ListDirectory(const QString &path, std::vector<DirEntry> &entries, DirectoryId &id, bool withReadOnly)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat self;
    DIR *dir = ::fstat(fd, &self) == 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        ::close(fd);
        return false;
    }
    id = {static_cast<std::uint64_t>(self.st_dev), static_cast<std::uint64_t>(self.st_ino)};
    const std::size_t first = entries.size();
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(dir);
        if (!e) {
            failed = errno != 0;
            break;
        }
        const char *name = e->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        DirEntry entry;
        entry.name = QFile::decodeName(name);
        if (!roundTrips(name, entry.name)) {
            // Not valid in the system's encoding: the name could not be
            // given back to open the file, so it is offered as nothing.
            entries.push_back(std::move(entry));
            continue;
        }
        switch (e->d_type) {
        case DT_REG:
            entry.kind = EntryKind::File;
            if (withReadOnly)
                lookUp(::dirfd(dir), name, entry, true);
            break;
        case DT_DIR: entry.kind = EntryKind::Directory; break;
        case DT_LNK:
        case DT_UNKNOWN: lookUp(::dirfd(dir), name, entry, withReadOnly); break;
        default: entry.kind = EntryKind::Other; break;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    if (failed)
        entries.resize(first);
    return !failed;
}

FileIdentity IdentityOf(const QString &path)
{
    FileIdentity identity;
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return identity;
    identity.exists = true;
    identity.regular = S_ISREG(st.st_mode);
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::int64_t>(st.st_size);
    identity.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return identity;
}

bool PassesThroughLink(const QString &base, const QString &relative)
{
    QString path = base;
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        path += parts[i];
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return true;
    }
    return false;
}

} // namespace tovo::platform
