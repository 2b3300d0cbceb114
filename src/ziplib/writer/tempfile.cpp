#include "ziplib/writer/tempfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "engine/zipcontract.h"
#include "ziplib/common/zipnames.h"

namespace tovo::zip {
namespace {

// The process's umask, read without changing it where the system says it
// (changing it for a moment would race with other threads creating files).
mode_t currentUmask()
{
    if (std::FILE *status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return mode_t(mask);
    }
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return mask;
}

// The permissions the new file takes over: those of the original, or those
// of a new file. When the original's group cannot be kept, that group's
// access is not handed to whatever group the file got instead.
void settle(int fd, const struct stat *original, mode_t newFileMode)
{
    if (!original) {
        ::fchmod(fd, newFileMode & ~currentUmask());
        return;
    }
    mode_t mode = original->st_mode & 07777;
    // The owner first: a change of owner may clear the set-id bits, which
    // the mode then restores. A failure leaves a complete archive with our
    // ownership, which is no reason to fail the command.
    if (::fchown(fd, original->st_uid, original->st_gid) != 0) {
        struct stat now;
        if (::fstat(fd, &now) != 0 || now.st_gid != original->st_gid)
            mode &= ~mode_t(S_IRWXG | S_ISGID);
    }
    ::fchmod(fd, mode);
}

} // namespace

std::string ResolvedArchivePath(const std::string &path)
{
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string out = real;
    std::free(real);
    return out;
}

int TempFile::create(const std::string &target, int &systemError)
{
    discard();
    const std::string prefix = PathDirectory(target) + "/." + PathFileName(target) + ".tovo-";
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned long tag = (unsigned long)::getpid() * 7919ul + (unsigned long)std::time(nullptr) +
                                  (unsigned long)(++counter) * 104729ul;
        const std::string candidate = prefix + std::to_string(tag % 1000000007ul);
        m_fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd >= 0) {
            // Locked until it is closed: a file whose lock can be taken was
            // left by a killed run (RemoveStaleTemporaries).
            ::flock(m_fd, LOCK_EX | LOCK_NB);
            m_path = candidate;
            return TOVO_ZIP_OK;
        }
        if (errno != EEXIST)
            break;
    }
    systemError = errno;
    return TOVO_ZIP_ERR_TEMP_FILE;
}

bool TempFile::writeAt(const void *data, std::size_t n, std::uint64_t offset)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pwrite(m_fd, bytes + done, n - done, off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (r == 0) {
            errno = ENOSPC;
            return false;
        }
        done += std::size_t(r);
    }
    return true;
}

int TempFile::replace(const std::string &target, const struct stat *original, int &systemError, mode_t newFileMode)
{
    settle(m_fd, original, newFileMode);
    // On the disk before it takes the archive's name: a rename that reached
    // the disk ahead of the data would leave an empty or torn archive after
    // a crash, and a flush that fails is a write that failed.
    const bool flushed = ::fsync(m_fd) == 0;
    const int flushError = errno;
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (!flushed || closed != 0) {
        systemError = flushed ? errno : flushError;
        discard();
        return TOVO_ZIP_ERR_WRITE;
    }
    if (::rename(m_path.c_str(), target.c_str()) != 0) {
        systemError = errno;
        discard();
        return TOVO_ZIP_ERR_REPLACE_ARCHIVE;
    }
    m_path.clear();
    return TOVO_ZIP_OK;
}

void TempFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
}

} // namespace tovo::zip
