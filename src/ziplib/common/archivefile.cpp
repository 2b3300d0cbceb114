#include "ziplib/common/archivefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/zipcontract.h"

namespace tovo::zip
{
namespace
{

constexpr std::size_t WindowSize = 256 * 1024;

} // namespace

ArchiveFile::~ArchiveFile()
{
    close();
}

int ArchiveFile::open(const std::string &path)
{
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? TOVO_ZIP_WARN_NO_ARCHIVE : TOVO_ZIP_ERR_OPEN_ARCHIVE;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return TOVO_ZIP_ERR_OPEN_ARCHIVE;
    }
    m_fd = fd;
    m_owned = true;
    m_size = std::uint64_t(st.st_size);
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return TOVO_ZIP_OK;
}

void ArchiveFile::attach(int fd, std::uint64_t size)
{
    close();
    m_fd = fd;
    m_owned = false;
    m_size = size;
}

void ArchiveFile::close()
{
    if (m_fd >= 0 && m_owned)
        ::close(m_fd);
    m_fd = -1;
    m_owned = false;
    m_size = 0;
    m_windowLength = 0;
}

int ArchiveFile::readAt(std::uint64_t offset, void *out, std::size_t n)
{
    if (offset > m_size || n > m_size - offset)
        return TOVO_ZIP_ERR_EOF;
    if (n == 0)
        return TOVO_ZIP_OK; // nothing to copy, and out may be null (an empty field)
    auto *dst = static_cast<unsigned char *>(out);
    // Small reads go through the window, so that the headers and data of
    // small entries read in order cost one system call per window.
    if (n <= WindowSize / 4) {
        const unsigned char *data = nullptr;
        std::size_t got = 0;
        if (int rc = view(offset, n, data, got))
            return rc;
        if (got < n)
            return TOVO_ZIP_ERR_EOF; // the file shrank under us
        std::memcpy(dst, data, n);
        return TOVO_ZIP_OK;
    }
    while (n > 0) {
        const ssize_t got = pread(m_fd, dst, n, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return TOVO_ZIP_ERR_READ;
        if (got == 0)
            return TOVO_ZIP_ERR_EOF; // the file shrank under us
        dst += got;
        offset += std::uint64_t(got);
        n -= std::size_t(got);
    }
    return TOVO_ZIP_OK;
}

int ArchiveFile::view(std::uint64_t offset, std::size_t n, const unsigned char *&data, std::size_t &got)
{
    got = 0;
    data = nullptr;
    if (offset >= m_size)
        return TOVO_ZIP_OK;
    const std::uint64_t available = m_size - offset;
    if (n > available)
        n = std::size_t(available);
    if (n > WindowSize)
        n = WindowSize;
    if (!(m_windowLength > 0 && offset >= m_windowStart && offset + n <= m_windowStart + m_windowLength)) {
        m_window.resize(WindowSize);
        const std::size_t length = std::size_t(std::min<std::uint64_t>(WindowSize, available));
        m_windowLength = 0;
        std::size_t filled = 0;
        while (filled < length) {
            const ssize_t r = pread(m_fd, m_window.data() + filled, length - filled, off_t(offset + filled));
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                return TOVO_ZIP_ERR_READ;
            if (r == 0)
                break;
            filled += std::size_t(r);
        }
        m_windowStart = offset;
        m_windowLength = filled;
        if (n > filled)
            n = filled;
    }
    data = m_window.data() + (offset - m_windowStart);
    got = n;
    return TOVO_ZIP_OK;
}

int ArchiveFile::viewAhead(std::uint64_t offset, std::size_t minimum, const unsigned char *&data, std::size_t &got)
{
    const std::uint64_t windowEnd = m_windowStart + m_windowLength;
    if (m_windowLength > 0 && offset >= m_windowStart && offset < windowEnd &&
        windowEnd - offset >= std::min<std::uint64_t>(minimum, m_size - offset)) {
        data = m_window.data() + (offset - m_windowStart);
        got = std::size_t(windowEnd - offset);
        return TOVO_ZIP_OK;
    }
    return view(offset, WindowSize, data, got);
}

} // namespace tovo::zip
