#include "ziplib/writer/archivesource.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "engine/zipcontract.h"
#include "ziplib/common/zipformat.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/writer/tempfile.h"
#include "ziplib/common/zipnames.h"

namespace tovo::zip {
namespace {

constexpr std::size_t ReadWindow = 256 * 1024;
constexpr std::size_t WriteBuffer = 1024 * 1024;

bool preadAll(int fd, unsigned char *out, std::size_t n, std::uint64_t offset, std::size_t &got)
{
    got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, out + got, n - got, off_t(offset + got));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (r == 0)
            break;
        got += std::size_t(r);
    }
    return true;
}

} // namespace

int CodeOfZipError(int zipError)
{
    switch (zipError) {
    case ZIP_ER_OK:
        return TOVO_ZIP_OK;
    case ZIP_ER_CANCELLED:
        return TOVO_ZIP_ERR_ABORTED;
    case ZIP_ER_MEMORY:
        return TOVO_ZIP_ERR_MEMORY;
    case ZIP_ER_WRITE:
    case ZIP_ER_CLOSE:
        return TOVO_ZIP_ERR_WRITE;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return TOVO_ZIP_ERR_READ;
    case ZIP_ER_TMPOPEN:
        return TOVO_ZIP_ERR_TEMP_FILE;
    case ZIP_ER_RENAME:
        return TOVO_ZIP_ERR_REPLACE_ARCHIVE;
    case ZIP_ER_OPEN:
        return TOVO_ZIP_ERR_OPEN_ARCHIVE;
    case ZIP_ER_COMPNOTSUPP:
        return TOVO_ZIP_ERR_METHOD;
    case ZIP_ER_ENCRNOTSUPP:
        return TOVO_ZIP_ERR_UNSUPPORTED;
    case ZIP_ER_CRC:
        return TOVO_ZIP_ERR_CRC;
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    case ZIP_ER_EOF:
        return TOVO_ZIP_ERR_EOF;
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return TOVO_ZIP_WARN_PASSWORD;
    default:
        return TOVO_ZIP_ERR_FATAL;
    }
}

ArchiveSource::ArchiveSource(ArchiveSourceSetup setup, Reporter &reporter, Verifier verifier)
    : m_setup(std::move(setup)), m_reporter(reporter), m_verifier(std::move(verifier))
{
    zip_error_init(&m_error);
    if (m_setup.existing)
        m_setup.path = ResolvedArchivePath(m_setup.path);
}

ArchiveSource::~ArchiveSource()
{
    rollback();
    zip_error_fini(&m_error);
}

zip_source_t *ArchiveSource::create(zip_error_t *error)
{
    return zip_source_function_create(&ArchiveSource::callback, this, error);
}

zip_int64_t ArchiveSource::callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    return static_cast<ArchiveSource *>(state)->handle(data, length, command);
}

zip_int64_t ArchiveSource::fail(int code, int zipError, int systemError)
{
    if (m_failure == 0)
        m_failure = code;
    zip_error_set(&m_error, zipError, systemError);
    return -1;
}

zip_int64_t ArchiveSource::handle(void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    const std::uint64_t readable = m_setup.fileSize - std::min(m_setup.readBase, m_setup.fileSize);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        m_readPos = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return read(data, length);
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = static_cast<zip_stat_t *>(data);
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE;
        st->size = readable;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m_error, data, length);
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t pos = zip_source_seek_compute_offset(m_readPos, readable, data, length, &m_error);
        if (pos < 0)
            return -1;
        m_readPos = std::uint64_t(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return zip_int64_t(m_readPos);
    case ZIP_SOURCE_BEGIN_WRITE:
        return beginWrite() == 0 ? 0 : -1;
    case ZIP_SOURCE_WRITE:
        if (!write(data, length))
            return -1;
        return zip_int64_t(length);
    case ZIP_SOURCE_SEEK_WRITE: {
        // The buffer is flushed by the next write if it lands outside it.
        const zip_int64_t pos = zip_source_seek_compute_offset(m_writePos, m_writeEnd, data, length, &m_error);
        if (pos < 0)
            return -1;
        m_writePos = std::uint64_t(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return zip_int64_t(m_writePos);
    case ZIP_SOURCE_COMMIT_WRITE:
        return commit() == 0 ? 0 : -1;
    case ZIP_SOURCE_ROLLBACK_WRITE:
        rollback();
        return 0;
    case ZIP_SOURCE_REMOVE:
        // libzip removes an archive left without entries; an empty archive
        // is kept instead, as a file the user can still open.
        return writeEmptyArchive() == 0 ? 0 : -1;
    case ZIP_SOURCE_ACCEPT_EMPTY:
        return 1;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
            ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_WRITE,
            ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE,
            ZIP_SOURCE_REMOVE, ZIP_SOURCE_ACCEPT_EMPTY, -1);
    default:
        zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_int64_t ArchiveSource::read(void *out, zip_uint64_t length)
{
    const std::uint64_t readable = m_setup.fileSize - std::min(m_setup.readBase, m_setup.fileSize);
    if (m_setup.readFd < 0 || m_readPos >= readable)
        return 0;
    length = std::min<zip_uint64_t>(length, readable - m_readPos);
    length = std::min<zip_uint64_t>(length, INT32_MAX);
    auto *dest = static_cast<unsigned char *>(out);
    std::size_t done = 0;
    while (done < length) {
        const std::uint64_t pos = m_readPos + done;
        if (pos >= m_windowStart && pos < m_windowStart + m_windowLength) {
            const std::size_t from = std::size_t(pos - m_windowStart);
            const std::size_t n = std::min<std::size_t>(m_windowLength - from, length - done);
            std::memcpy(dest + done, m_window.data() + from, n);
            done += n;
            continue;
        }
        std::size_t got = 0;
        if (length - done >= ReadWindow) {
            // Large reads go straight to the caller's buffer.
            if (!preadAll(m_setup.readFd, dest + done, length - done, m_setup.readBase + pos, got))
                return fail(TOVO_ZIP_ERR_READ, ZIP_ER_READ, errno);
            done += got;
            if (got == 0)
                break;
            continue;
        }
        m_window.resize(ReadWindow);
        if (!preadAll(m_setup.readFd, m_window.data(), ReadWindow, m_setup.readBase + pos, got))
            return fail(TOVO_ZIP_ERR_READ, ZIP_ER_READ, errno);
        m_windowStart = pos;
        m_windowLength = got;
        if (got == 0)
            break;
    }
    m_readPos += done;
    if (m_temp.isOpen())
        reportCopy(done);
    if (m_reporter.stopRequested()) {
        zip_error_set(&m_error, ZIP_ER_CANCELLED, 0);
        return -1;
    }
    return zip_int64_t(done);
}

void ArchiveSource::reportCopy(std::uint64_t bytes)
{
    // Copying the entries already in a large archive takes time of its own:
    // progress against the archive's size keeps the window alive and lets
    // the user stop.
    m_copied += bytes;
    if (m_setup.fileSize < 2 * ProgressStep || m_copied < m_nextProgress)
        return;
    m_nextProgress = m_copied + ProgressStep;
    m_reporter.fileStats(TOVO_ZIP_MSG_STATUS, PathFileName(m_setup.path), std::int64_t(m_setup.fileSize), 0,
                         std::int64_t(std::min(m_copied, m_setup.fileSize)), 0, 0);
}

int ArchiveSource::openTemporary()
{
    int systemError = 0;
    if (m_temp.create(m_setup.path, systemError) != 0)
        return int(fail(TOVO_ZIP_ERR_TEMP_FILE, ZIP_ER_TMPOPEN, systemError));
    return 0;
}

bool ArchiveSource::copyPrefix()
{
    std::vector<unsigned char> chunk(std::min<std::uint64_t>(m_setup.prefixLength, WriteBuffer));
    std::uint64_t done = 0;
    while (done < m_setup.prefixLength) {
        const std::size_t n = std::size_t(std::min<std::uint64_t>(chunk.size(), m_setup.prefixLength - done));
        std::size_t got = 0;
        if (!preadAll(m_setup.readFd, chunk.data(), n, done, got) || got != n) {
            fail(TOVO_ZIP_ERR_READ, ZIP_ER_READ, errno);
            return false;
        }
        if (!write(chunk.data(), n))
            return false;
        done += n;
    }
    return true;
}

int ArchiveSource::beginWrite()
{
    if (openTemporary() != 0)
        return -1;
    m_writePos = m_writeEnd = m_bufferStart = 0;
    m_buffer.clear();
    m_buffer.reserve(WriteBuffer);
    if (m_setup.existing && m_setup.prefixLength > 0 && !copyPrefix())
        return -1;
    return 0;
}

bool ArchiveSource::write(const void *data, std::uint64_t length)
{
    if (!m_temp.isOpen()) {
        fail(TOVO_ZIP_ERR_FATAL, ZIP_ER_INTERNAL, 0);
        return false;
    }
    const auto *bytes = static_cast<const unsigned char *>(data);
    // The buffer covers [m_bufferStart, m_bufferStart + size); a write that
    // starts inside it or right after it goes into it, so that libzip's
    // rewrite of a local header after its data costs no system call.
    if (m_writePos < m_bufferStart || m_writePos > m_bufferStart + m_buffer.size()) {
        if (!flush())
            return false;
        m_bufferStart = m_writePos;
    }
    const std::size_t at = std::size_t(m_writePos - m_bufferStart);
    const std::size_t overlap = std::min<std::size_t>(m_buffer.size() - at, std::size_t(length));
    std::memcpy(m_buffer.data() + at, bytes, overlap);
    m_buffer.insert(m_buffer.end(), bytes + overlap, bytes + length);
    m_writePos += length;
    m_writeEnd = std::max(m_writeEnd, m_writePos);
    if (m_buffer.size() >= WriteBuffer && m_writePos == m_bufferStart + m_buffer.size()) {
        if (!flush())
            return false;
        m_bufferStart = m_writePos;
    }
    return true;
}

bool ArchiveSource::flush()
{
    if (m_buffer.empty())
        return true;
    if (!m_temp.writeAt(m_buffer.data(), m_buffer.size(), m_bufferStart)) {
        fail(TOVO_ZIP_ERR_WRITE, ZIP_ER_WRITE, errno);
        return false;
    }
    m_bufferStart += m_buffer.size();
    m_buffer.clear();
    return true;
}

int ArchiveSource::commit()
{
    if (!flush())
        return -1;
    if (m_verifier) {
        const int code = m_verifier(m_temp.fd(), m_writeEnd);
        if (code != 0) {
            fail(code, ZIP_ER_INCONS, 0);
            return -1;
        }
    }
    return replaceOriginal();
}

int ArchiveSource::replaceOriginal()
{
    struct stat original {};
    original.st_mode = m_setup.mode;
    original.st_uid = m_setup.uid;
    original.st_gid = m_setup.gid;
    int systemError = 0;
    const int code = m_temp.replace(m_setup.path, m_setup.existing ? &original : nullptr, systemError);
    m_buffer.clear();
    if (code != 0)
        return int(fail(code, code == TOVO_ZIP_ERR_WRITE ? ZIP_ER_WRITE : ZIP_ER_RENAME, systemError));
    m_committed = true;
    return 0;
}

void ArchiveSource::rollback()
{
    m_temp.discard();
    m_buffer.clear();
}

int ArchiveSource::writeEmptyArchive()
{
    if (beginWrite() != 0) {
        rollback();
        return -1;
    }
    // The directory offset counts from the end of any bytes kept in front:
    // without an entry there is no other offset to show where the archive
    // starts, and that is where readers then look for it (a program in
    // front stays a program with an empty archive behind it).
    std::string end;
    put32(end, EndSignature);
    put16(end, 0);
    put16(end, 0);
    put16(end, 0);
    put16(end, 0);
    put32(end, 0);
    put32(end, 0);
    const std::string comment = m_setup.comment.substr(0, 0xFFFF);
    put16(end, std::uint16_t(comment.size()));
    end += comment;
    if (!write(end.data(), end.size()) || commit() != 0) {
        rollback();
        return -1;
    }
    return 0;
}

} // namespace tovo::zip
