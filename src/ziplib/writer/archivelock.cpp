#include "ziplib/writer/archivelock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <thread>

#include "engine/zipcontract.h"
#include "ziplib/common/zipnames.h"

namespace tovo::zip {
namespace {

constexpr std::time_t StaleAfterSeconds = 2;

bool sameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

} // namespace

int ArchiveLock::acquire(const std::string &path, bool create, int waitMilliseconds)
{
    release();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (;;) {
        bool created = false;
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0 && errno == ENOENT && create) {
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_CREAT | O_EXCL, 0666);
            created = fd >= 0;
            if (fd < 0 && errno == EEXIST)
                continue; // made by another process meanwhile: lock that one
        }
        if (fd < 0)
            return TOVO_ZIP_OK;
        struct stat held;
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            return TOVO_ZIP_OK;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The lock holds only if the name still leads to the file
            // locked: the holder before may have replaced or removed it.
            struct stat named;
            if (::stat(path.c_str(), &named) == 0 && sameFile(named, held)) {
                m_fd = fd;
                m_created = created;
                m_path = path;
                return TOVO_ZIP_OK;
            }
            ::close(fd);
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR)
            return TOVO_ZIP_OK; // no locks on this file system
        if (std::chrono::steady_clock::now() >= deadline)
            return TOVO_ZIP_ERR_LOCKED;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void ArchiveLock::release()
{
    if (m_fd < 0)
        return;
    // An empty file made only to hold the lock goes, unless a command has
    // written the archive meanwhile.
    struct stat held;
    struct stat named;
    if (m_created && ::fstat(m_fd, &held) == 0 && held.st_size == 0 && ::stat(m_path.c_str(), &named) == 0 &&
        sameFile(named, held))
        ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
    m_created = false;
}

bool IsTemporaryName(const std::string &name, const std::string &base)
{
    const std::string prefix = "." + base + ".tovo-";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

int RemoveStaleTemporaries(const std::string &path)
{
    const std::string folder = PathDirectory(path);
    const std::string base = PathFileName(path);
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    DIR *dir = ::fdopendir(::dup(dirFd));
    if (!dir) {
        ::close(dirFd);
        return 0;
    }
    int removed = 0;
    const std::time_t now = std::time(nullptr);
    while (const dirent *e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!IsTemporaryName(name, base))
            continue;
        const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held;
        struct stat named;
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
            now - held.st_mtime >= StaleAfterSeconds &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(named, held) && ::unlinkat(dirFd, name.c_str(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    ::close(dirFd);
    return removed;
}

} // namespace tovo::zip
