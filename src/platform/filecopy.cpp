#include "platform/filecopy.h"

#include "platform/atomicfile.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tovo::platform {
namespace {

CopyFault &fault()
{
    static CopyFault hook;
    return hook;
}

// The file a target name stands for: a symbolic link is followed to where it
// points, so the link stays and its file is replaced; a dangling link is
// replaced itself.
QByteArray resolvedTarget(const QByteArray &target)
{
    struct stat st;
    if (::lstat(target.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return target;
    char *real = ::realpath(target.constData(), nullptr);
    if (!real)
        return target;
    QByteArray path(real);
    std::free(real);
    return path;
}

bool writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Moves the data copied so far towards the disk while the copy goes on, so
// the final flush is short and the window never waits long: starts writing
// the latest chunk and waits for the one written a few chunks before (more
// in flight is faster on a quick disk, fewer keeps each wait short on a slow
// one). Errors show at the final flush.
void writeBehind([[maybe_unused]] int fd, [[maybe_unused]] off_t start, [[maybe_unused]] off_t length)
{
#ifdef __linux__
    constexpr off_t InFlight = 4 * CopyChunkSize;
    ::sync_file_range(fd, start, length, SYNC_FILE_RANGE_WRITE);
    if (start >= InFlight)
        ::sync_file_range(fd, start - InFlight, CopyChunkSize,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
#endif
}

// A copy in progress: owns the descriptors and the temporary file until it
// is renamed into place.
class Copy {
public:
    ~Copy()
    {
        if (m_in >= 0)
            ::close(m_in);
        if (m_out >= 0)
            ::close(m_out);
        if (!m_temporary.isEmpty())
            ::unlink(m_temporary.constData());
    }

    CopyResult run(const QString &source, const QString &target, const CopyProgress &progress);

private:
    CopyResult transfer(std::int64_t total, const CopyProgress &progress);
    CopyResult finish(const struct stat &source, const struct stat *replaced, const QByteArray &target);

    int m_in = -1;
    int m_out = -1;
    QByteArray m_temporary;
};

CopyResult Copy::run(const QString &source, const QString &target, const CopyProgress &progress)
{
    struct stat src;
    m_in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (m_in < 0 || ::fstat(m_in, &src) != 0)
        return {CopyFailure::OpenSource, errno};
    if (!S_ISREG(src.st_mode))
        return {CopyFailure::OpenSource, EINVAL};

    const QByteArray path = resolvedTarget(QFile::encodeName(target));
    struct stat existing;
    const bool exists = ::stat(path.constData(), &existing) == 0;
    if (exists && existing.st_dev == src.st_dev && existing.st_ino == src.st_ino)
        return {CopyFailure::SameFile, 0};

    m_out = CreateTemporaryBeside(path, src.st_mode & 0777, m_temporary);
    if (m_out < 0) {
        m_temporary.clear();
        return {CopyFailure::CreateTemporary, errno};
    }
    if (const CopyResult moved = transfer(src.st_size, progress); !moved.ok())
        return moved;
    return finish(src, exists && S_ISREG(existing.st_mode) ? &existing : nullptr, path);
}

CopyResult Copy::transfer(std::int64_t total, const CopyProgress &progress)
{
    std::int64_t done = 0;
    bool inKernel = true; // copy_file_range, as cp does; plain reads and writes where refused
    std::vector<char> buffer;
    for (;;) {
        if (fault()) {
            if (const int error = fault()(done))
                return {CopyFailure::Write, error};
        }
        ssize_t n = -1;
#ifdef __linux__
        if (inKernel) {
            n = ::copy_file_range(m_in, nullptr, m_out, nullptr, CopyChunkSize, 0);
            if (n < 0 && done == 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EPERM)) {
                inKernel = false;
                continue;
            }
            if (n < 0 && errno != EINTR)
                return {CopyFailure::Write, errno};
        }
#else
        inKernel = false;
#endif
        if (!inKernel) {
            buffer.resize(CopyChunkSize);
            n = ::read(m_in, buffer.data(), buffer.size());
            if (n < 0 && errno != EINTR)
                return {CopyFailure::Read, errno};
            if (n > 0 && !writeAll(m_out, buffer.data(), n))
                return {CopyFailure::Write, errno};
        }
        if (n < 0)
            continue; // interrupted by a signal
        if (n == 0)
            return {};
        writeBehind(m_out, done, n);
        done += n;
        if (progress && !progress(done, total))
            return {CopyFailure::Stopped, 0};
    }
}

CopyResult Copy::finish(const struct stat &source, const struct stat *replaced, const QByteArray &target)
{
    if (replaced) {
        // The file keeps what the replaced one had: its permissions and, as
        // far as allowed, its owner.
        if (::fchmod(m_out, replaced->st_mode & 07777) != 0)
            return {CopyFailure::Write, errno};
        if ((replaced->st_uid != ::geteuid() || replaced->st_gid != ::getegid()) &&
            ::fchown(m_out, replaced->st_uid, replaced->st_gid) != 0)
            ::fchmod(m_out, replaced->st_mode & 0777); // set-id bits only go with their owner
    }
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (::futimens(m_out, times) != 0 || ::fsync(m_out) != 0)
        return {CopyFailure::Write, errno};
    const int out = m_out;
    m_out = -1;
    if (::close(out) != 0)
        return {CopyFailure::Write, errno};
    if (::rename(m_temporary.constData(), target.constData()) != 0)
        return {CopyFailure::Replace, errno};
    m_temporary.clear();
    // The new name itself reaches the disk with its folder.
    const int folder = ::open(target.left(target.lastIndexOf('/') + 1).append('.').constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

} // namespace

bool SameFile(const QString &a, const QString &b)
{
    struct stat sa;
    struct stat sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

CopyResult CopyFileReplacing(const QString &source, const QString &target, const CopyProgress &progress)
{
    Copy copy;
    return copy.run(source, target, progress);
}

void SetCopyFault(CopyFault fault) { tovo::platform::fault() = std::move(fault); }

} // namespace tovo::platform
