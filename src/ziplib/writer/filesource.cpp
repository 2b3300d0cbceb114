#include "ziplib/writer/filesource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <zlib.h>

#include "engine/zipcontract.h"
#include "ziplib/common/dostime.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/writer/filescan.h"

namespace tovo::zip {
namespace {

constexpr std::size_t ReadChunk = 256 * 1024;

} // namespace

std::uint8_t DosAttributesOf(const SourceFile &file)
{
    std::uint8_t attributes = 0;
    if (!(file.st.st_mode & S_IWUSR))
        attributes |= TOVO_ZIP_ATTR_READ_ONLY;
    std::string name = file.storedName;
    if (!name.empty() && name.back() == '/')
        name.pop_back();
    const std::size_t slash = name.rfind('/');
    if (name[slash == std::string::npos ? 0 : slash + 1] == '.')
        attributes |= TOVO_ZIP_ATTR_HIDDEN;
    if (file.directory)
        attributes |= TOVO_ZIP_ATTR_DIRECTORY;
    return attributes;
}

zip_source_t *FileSource::create(zip_t *archive, const SourceFile &file, bool replacing, AddRun &run)
{
    auto *state = new FileSource(file, replacing, run);
    zip_source_t *source = zip_source_function(archive, &FileSource::callback, state);
    if (!source)
        delete state;
    return source;
}

FileSource::FileSource(const SourceFile &file, bool replacing, AddRun &run)
    : m_file(file), m_replacing(replacing), m_run(run)
{
    zip_error_init(&m_error);
}

FileSource::~FileSource()
{
    close();
    zip_error_fini(&m_error);
}

zip_int64_t FileSource::callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *self = static_cast<FileSource *>(state);
    if (command == ZIP_SOURCE_FREE) {
        delete self;
        return 0;
    }
    return self->handle(data, length, command);
}

zip_int64_t FileSource::fail(int code, int zipError, int systemError)
{
    if (m_run.failure == 0 && code != 0) {
        m_run.failure = code;
        m_run.failedName = m_file.storedName;
    }
    zip_error_set(&m_error, zipError, systemError);
    return -1;
}

zip_int64_t FileSource::handle(void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return open() == 0 ? 0 : -1;
    case ZIP_SOURCE_READ:
        if (deflatedAhead())
            return readDeflated(static_cast<unsigned char *>(data), length);
        return read(static_cast<unsigned char *>(data), length);
    case ZIP_SOURCE_CLOSE:
        close();
        return 0;
    case ZIP_SOURCE_STAT:
        stat(static_cast<zip_stat_t *>(data));
        return sizeof(zip_stat_t);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m_error, data, length);
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

void FileSource::stat(zip_stat_t *st) const
{
    zip_stat_init(st);
    st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    st->size = m_file.directory ? 0 : std::uint64_t(m_file.st.st_size);
    st->mtime = m_file.st.st_mtime;
    if (!deflatedAhead())
        return;
    // Deflated data is written as it comes; once read, what it holds.
    st->valid |= ZIP_STAT_COMP_METHOD;
    st->comp_method = ZIP_CM_DEFLATE;
    if (m_readAttempt == m_run.attempt) {
        st->valid |= ZIP_STAT_CRC;
        st->size = m_done;
        st->crc = m_crc;
        if (m_stored)
            st->comp_method = ZIP_CM_STORE;
    }
}

int FileSource::open()
{
    if (!m_announced) {
        // Announced when libzip starts on the file, so the name shown is the
        // one being worked on.
        m_announced = true;
        const std::int64_t size = m_file.directory ? 0 : std::int64_t(m_file.st.st_size);
        m_run.reporter.fileStats(m_replacing ? TOVO_ZIP_MSG_UPDATING : TOVO_ZIP_MSG_ADDING, m_file.storedName, size, 0,
                                 0, DosAttributesOf(m_file), TimeToDosDateTime(m_file.st.st_mtime));
    }
    if (m_run.reporter.stopRequested()) {
        zip_error_set(&m_error, ZIP_ER_CANCELLED, 0);
        return -1;
    }
    m_done = 0;
    m_nextProgress = ProgressStep;
    m_bufferPos = m_bufferLength = 0;
    m_readChecked = false;
    m_readAttempt = -1;
    if (m_file.directory)
        return 0;
    if (deflatedAhead()) {
        m_takingPieces = true;
        return takePiece(true);
    }
    // Non-blocking: should the file have turned into a pipe since it was
    // found, reading fails instead of waiting for a writer. A file found as
    // a plain file is never read through a link that took its place.
    m_fd = OpenScannedFile(m_file);
    if (m_fd < 0 && errno != ENOENT && errno != ELOOP)
        return int(fail(TOVO_ZIP_ERR_OPEN_INPUT, ZIP_ER_OPEN, errno));
    if (m_fd < 0 || !IsScannedFile(m_fd, m_file)) {
        // Gone, or another file since the scan: the run leaves it out.
        if (!m_run.replaced)
            m_run.replaced = &m_file;
        zip_error_set(&m_error, ZIP_ER_OPEN, ENOENT);
        return -1;
    }
    return 0;
}

// The next piece of a file compressed ahead: 0, or -1 with the error set.
int FileSource::takePiece(bool first)
{
    m_piece = std::make_unique<DeflatedPiece>(m_run.ahead->next(m_file, first));
    m_piecePos = 0;
    switch (m_piece->status) {
    case DeflatedPiece::Status::Ok:
        break;
    case DeflatedPiece::Status::Gone:
        // Gone, or another file since the scan: the run leaves it out.
        if (!m_run.replaced)
            m_run.replaced = &m_file;
        zip_error_set(&m_error, ZIP_ER_OPEN, ENOENT);
        return -1;
    case DeflatedPiece::Status::OpenFailed:
        return int(fail(TOVO_ZIP_ERR_OPEN_INPUT, ZIP_ER_OPEN, m_piece->error));
    case DeflatedPiece::Status::ReadFailed:
        return int(fail(TOVO_ZIP_ERR_READ, ZIP_ER_READ, m_piece->error));
    }
    m_crc = first ? m_piece->crc : std::uint32_t(crc32_combine(m_crc, m_piece->crc, z_off_t(m_piece->rawSize)));
    m_done += m_piece->rawSize;
    m_stored = m_piece->stored;
    if (m_piece->last)
        m_readAttempt = m_run.attempt;
    if ((m_piece->last && m_piece->changed && !noteChanged()) || !progress()) {
        zip_error_set(&m_error, ZIP_ER_CANCELLED, 0);
        return -1;
    }
    return 0;
}

zip_int64_t FileSource::readDeflated(unsigned char *out, std::uint64_t length)
{
    std::uint64_t done = 0;
    while (done < length) {
        if (m_piecePos == m_piece->data.size()) {
            if (m_piece->last)
                break;
            if (takePiece(false) != 0)
                return -1;
            continue;
        }
        const std::size_t n = std::size_t(std::min<std::uint64_t>(m_piece->data.size() - m_piecePos, length - done));
        std::memcpy(out + done, m_piece->data.data() + m_piecePos, n);
        m_piecePos += n;
        done += n;
    }
    if (m_run.reporter.stopRequested()) {
        zip_error_set(&m_error, ZIP_ER_CANCELLED, 0);
        return -1;
    }
    return zip_int64_t(done);
}

// Once the data is read: a file that grew, shrank or was written to meanwhile
// may be stored torn. It is reported once, and kept on disk. False when a
// callback asked to stop.
bool FileSource::checkUnchanged(bool cutShort)
{
    m_readChecked = true;
    if (!cutShort && IsScannedFile(m_fd, m_file))
        return true;
    return noteChanged();
}

bool FileSource::noteChanged()
{
    if (!m_run.changed.insert(&m_file).second)
        return true;
    return !m_run.reporter.skipping(m_file.storedName, TOVO_ZIP_SKIP_WRITE_FAILED);
}

zip_int64_t FileSource::read(unsigned char *out, std::uint64_t length)
{
    if (m_file.directory)
        return 0;
    // Never more than the size the entry was announced with: a file that
    // grows meanwhile is stored as it was when found.
    const std::uint64_t size = std::uint64_t(m_file.st.st_size);
    length = std::min<std::uint64_t>(length, size - std::min(m_done, size));
    std::size_t done = 0;
    bool ended = false;
    while (done < length) {
        if (m_bufferPos == m_bufferLength) {
            std::vector<unsigned char> &buffer = m_run.buffer;
            if (buffer.empty())
                buffer.resize(ReadChunk);
            ssize_t got;
            do {
                got = ::read(m_fd, buffer.data(), buffer.size());
            } while (got < 0 && errno == EINTR);
            if (got < 0)
                return fail(TOVO_ZIP_ERR_READ, ZIP_ER_READ, errno);
            if (got == 0) {
                ended = true;
                break;
            }
            m_bufferPos = 0;
            m_bufferLength = std::size_t(got);
        }
        const std::size_t n = std::min<std::size_t>(m_bufferLength - m_bufferPos, std::size_t(length - done));
        std::memcpy(out + done, m_run.buffer.data() + m_bufferPos, n);
        m_bufferPos += n;
        done += n;
    }
    m_done += done;
    if (!m_readChecked && (ended || m_done == size) && !checkUnchanged(m_done < size)) {
        zip_error_set(&m_error, ZIP_ER_CANCELLED, 0);
        return -1;
    }
    if (!progress()) {
        zip_error_set(&m_error, ZIP_ER_CANCELLED, 0);
        return -1;
    }
    return zip_int64_t(done);
}

bool FileSource::progress()
{
    const std::uint64_t size = std::uint64_t(m_file.st.st_size);
    if (size >= 2 * ProgressStep && m_done >= m_nextProgress && m_done < size) {
        m_nextProgress = m_done + ProgressStep;
        m_progressSent = true;
        m_run.reporter.fileStats(TOVO_ZIP_MSG_STATUS, m_file.storedName, std::int64_t(size), 0, std::int64_t(m_done),
                                 DosAttributesOf(m_file), TimeToDosDateTime(m_file.st.st_mtime));
    }
    return !m_run.reporter.stopRequested();
}

void FileSource::close()
{
    if (m_fd < 0 && !m_takingPieces)
        return;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_takingPieces = false;
    m_piece.reset();
    const std::uint64_t size = std::uint64_t(m_file.st.st_size);
    if (m_progressSent && m_done == size) {
        // Progress always ends at the whole file.
        m_progressSent = false;
        m_run.reporter.fileStats(TOVO_ZIP_MSG_STATUS, m_file.storedName, std::int64_t(size), 0, std::int64_t(size),
                                 DosAttributesOf(m_file), TimeToDosDateTime(m_file.st.st_mtime));
    }
}

} // namespace tovo::zip
