#include "ziplib/writer/sourcemove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <unordered_set>

#include "engine/zipcontract.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/writer/filescan.h"

namespace tovo::zip {
namespace {

// Opens the folder holding the last component of path and sets leaf to that
// component. The first namedLength bytes (the folder a pattern named) are
// opened as written; each later folder only if it is no symbolic link.
// Returns the descriptor, or -1.
int openHolder(const std::string &path, std::size_t namedLength, std::string &leaf)
{
    const std::string named = path.substr(0, namedLength);
    int fd = ::open(named.empty() ? "." : named.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::size_t pos = namedLength;
    while (fd >= 0) {
        while (pos < path.size() && path[pos] == '/')
            ++pos;
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        std::size_t next = end;
        while (next < path.size() && path[next] == '/')
            ++next;
        leaf = path.substr(pos, end - pos);
        if (next >= path.size())
            return leaf.empty() ? (::close(fd), -1) : fd;
        const int inner = ::openat(fd, leaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        fd = inner;
        pos = next;
    }
    return -1;
}

bool sameFile(const struct stat &now, const FileStatus &then)
{
    return S_ISREG(now.st_mode) && now.st_dev == then.st_dev && now.st_ino == then.st_ino &&
           now.st_size == then.st_size && now.st_mtim.tv_sec == then.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == then.st_mtim.tv_nsec;
}

// Deletes file if it is still what the scan found. True when it is gone.
bool deleteFile(const SourceFile &file)
{
    if (file.via.link)
        return false;
    std::string leaf;
    const int fd = openHolder(file.path, file.via.namedLength, leaf);
    if (fd < 0)
        return false;
    struct stat now;
    bool gone = false;
    if (::fstatat(fd, leaf.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        gone = errno == ENOENT; // removed meanwhile: nothing of it is lost by the move
    else if (sameFile(now, file.st))
        gone = ::unlinkat(fd, leaf.c_str(), 0) == 0 || errno == ENOENT;
    ::close(fd);
    return gone;
}

std::string withoutFinalSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

int DeleteMovedSources(const std::vector<const SourceFile *> &stored, const ScanResult &scan,
                       const std::unordered_set<const SourceFile *> &changed, Reporter &reporter)
{
    int kept = 0;
    // The folders that held a deleted file (at any depth), or were stored.
    std::unordered_set<std::string> emptied;
    for (const SourceFile *file : stored) {
        if (file->directory) {
            emptied.insert(withoutFinalSlash(file->path));
            continue;
        }
        if (changed.count(file))
            continue;
        if (!deleteFile(*file)) {
            ++kept;
            if (reporter.skipping(file->storedName, TOVO_ZIP_SKIP_WRITE_FAILED))
                return kept;
            continue;
        }
        for (std::size_t slash = file->path.find('/', 1); slash != std::string::npos;
             slash = file->path.find('/', slash + 1))
            emptied.insert(withoutFinalSlash(file->path.substr(0, slash)));
    }
    // Deepest first; a folder that is not empty stays, silently.
    for (auto it = scan.walkedDirectories.rbegin(); it != scan.walkedDirectories.rend(); ++it) {
        if (it->via.link || !emptied.count(withoutFinalSlash(it->path)))
            continue;
        std::string leaf;
        const int fd = openHolder(it->path, it->via.namedLength, leaf);
        if (fd < 0)
            continue;
        ::unlinkat(fd, leaf.c_str(), AT_REMOVEDIR); // fails on a folder that is not empty
        ::close(fd);
    }
    return kept;
}

} // namespace tovo::zip
