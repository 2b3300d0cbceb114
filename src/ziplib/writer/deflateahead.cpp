#include "ziplib/writer/deflateahead.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "ziplib/writer/filescan.h"

namespace tovo::zip {
namespace {

// A file is cut into pieces of this size: small enough for two threads to
// share one big file, big enough that the pieces' separate dictionaries cost
// next to nothing in size.
constexpr std::uint64_t PieceSize = 1024 * 1024;
// How far queuing runs ahead of the writing: bytes of the files, and tasks.
constexpr std::uint64_t AheadBytes = 8 * 1024 * 1024;
constexpr std::size_t AheadTasks = 256;
// A task that deflates this much is worth waking a worker for at once.
constexpr std::uint64_t BigTask = 64 * 1024;
// The largest stored block.
constexpr std::size_t StoredBlock = 65535;

// What a thread keeps from one task to the next.
struct DeflateTools : WorkerTools {
    explicit DeflateTools(int level) : compressor(libdeflate_alloc_compressor(level)) {}
    ~DeflateTools() override
    {
        libdeflate_free_compressor(compressor);
        if (inflating)
            inflateEnd(&stream);
    }
    libdeflate_compressor *compressor;
    std::vector<unsigned char> in, out, scratch;
    z_stream stream{};
    bool inflating = false;
};

DeflateTools &toolsOf(Workspace &space, int level)
{
    if (!space.tools)
        space.tools = std::make_unique<DeflateTools>(level);
    return static_cast<DeflateTools &>(*space.tools);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

void setFailure(DeflatedPiece &piece, DeflatedPiece::Status status, int error)
{
    piece.status = status;
    piece.error = error;
    piece.last = true;
}

void openFailure(DeflatedPiece &piece, int error)
{
    if (error == ENOENT || error == ELOOP)
        setFailure(piece, DeflatedPiece::Status::Gone, 0);
    else
        setFailure(piece, DeflatedPiece::Status::OpenFailed, error);
}

// Reads up to length bytes at offset (or from the current position when
// offset is negative); false on a read error, with errno set.
bool readFully(int fd, std::int64_t offset, unsigned char *to, std::uint64_t length, std::uint64_t &got)
{
    got = 0;
    while (got < length) {
        const std::size_t want = std::size_t(length - got);
        const ssize_t n = offset < 0 ? ::read(fd, to + got, want) : ::pread(fd, to + got, want, offset + off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += std::uint64_t(n);
    }
    return true;
}

// Deflates length bytes of tools.in into tools.out; the size made, 0 when
// the compressor could not be made.
std::size_t deflateInto(DeflateTools &tools, std::size_t length)
{
    if (!tools.compressor)
        return 0;
    const std::size_t bound = libdeflate_deflate_compress_bound(tools.compressor, length);
    // Room for the empty stored block that lets the stream go on.
    if (tools.out.size() < bound + 8)
        tools.out.resize(bound + 8);
    return libdeflate_deflate_compress(tools.compressor, tools.in.data(), length, tools.out.data(), bound);
}

// Turns the complete deflate stream in tools.out into one that goes on: the
// final block's flag is cleared and an empty stored block is appended, which
// also ends the stream on a byte boundary. The final block is found by
// walking the stream's blocks. False if the stream does not end where it
// should.
bool continueStream(DeflateTools &tools, std::size_t &length)
{
    z_stream &z = tools.stream;
    if (!tools.inflating) {
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return false;
        tools.inflating = true;
    } else if (inflateReset(&z) != Z_OK) {
        return false;
    }
    if (tools.scratch.empty())
        tools.scratch.resize(64 * 1024);
    z.next_in = tools.out.data();
    z.avail_in = uInt(length);
    std::uint64_t blockStart = 0; // in bits: where the block being decoded begins
    unsigned unused = 8;          // bits left over in the last byte, once at the end
    for (;;) {
        z.next_out = tools.scratch.data();
        z.avail_out = uInt(tools.scratch.size());
        const int rc = inflate(&z, Z_BLOCK);
        if (rc == Z_STREAM_END)
            break;
        if (rc != Z_OK)
            return false;
        // Between two blocks (the unused bits are then fewer than eight);
        // after the final one, inflate stops once more before it ends, and
        // then drops the unused bits.
        if (!(z.data_type & 128))
            continue;
        if (z.data_type & 64)
            unused = unsigned(z.data_type & 7);
        else
            blockStart = std::uint64_t(z.total_in) * 8 - unsigned(z.data_type & 7);
    }
    if (z.avail_in != 0 || unused > 7 || blockStart >= std::uint64_t(length) * 8)
        return false;
    unsigned char *data = tools.out.data();
    data[blockStart / 8] &= static_cast<unsigned char>(~(1u << (blockStart % 8)));
    if (unused > 0)
        data[length - 1] &= static_cast<unsigned char>(0xFFu >> unused);
    // A stored block's header is three zero bits, then zeros to the byte.
    if (unused < 3)
        data[length++] = 0;
    static const unsigned char emptyStored[] = {0x00, 0x00, 0xFF, 0xFF};
    std::copy(std::begin(emptyStored), std::end(emptyStored), data + length);
    length += sizeof emptyStored;
    return true;
}

// The bytes as stored blocks that do not end the stream: what a piece
// becomes should walking its compressed blocks fail.
void storedBlocks(const unsigned char *bytes, std::size_t length, std::vector<unsigned char> &out)
{
    out.clear();
    out.reserve(length + (length / StoredBlock + 1) * 5);
    std::size_t done = 0;
    do {
        const std::size_t n = std::min(StoredBlock, length - done);
        const unsigned char header[] = {0x00, static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
            static_cast<unsigned char>(~n), static_cast<unsigned char>(~n >> 8)};
        out.insert(out.end(), std::begin(header), std::end(header));
        out.insert(out.end(), bytes + done, bytes + done + n);
        done += n;
    } while (done < length);
}

void deflateWholeFile(const SourceFile &file, DeflateTools &tools, DeflatedPiece &piece)
{
    piece.last = true;
    const Descriptor fd(OpenScannedFile(file));
    if (fd.get() < 0)
        return openFailure(piece, errno);
    if (!IsScannedFile(fd.get(), file))
        return setFailure(piece, DeflatedPiece::Status::Gone, 0);
    const std::uint64_t size = std::uint64_t(file.st.st_size);
    if (tools.in.size() < size)
        tools.in.resize(std::size_t(size));
    std::uint64_t got = 0;
    if (!readFully(fd.get(), -1, tools.in.data(), size, got))
        return setFailure(piece, DeflatedPiece::Status::ReadFailed, errno);
    // Never more than the size found: a file that grows is stored as it was.
    piece.rawSize = got;
    piece.changed = got < size || !IsScannedFile(fd.get(), file);
    piece.crc = libdeflate_crc32(0, tools.in.data(), std::size_t(got));
    const std::size_t made = deflateInto(tools, std::size_t(got));
    if (!tools.compressor)
        return setFailure(piece, DeflatedPiece::Status::ReadFailed, ENOMEM);
    piece.stored = made == 0 || made >= got;
    if (piece.stored)
        piece.data.assign(tools.in.begin(), tools.in.begin() + std::ptrdiff_t(got));
    else
        piece.data.assign(tools.out.begin(), tools.out.begin() + std::ptrdiff_t(made));
}

} // namespace

int OpenScannedFile(const SourceFile &file)
{
    const int noFollow = file.via.link ? 0 : O_NOFOLLOW;
    return ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | noFollow);
}

bool IsScannedFile(int fd, const SourceFile &file)
{
    struct stat now;
    const FileStatus &then = file.st;
    return ::fstat(fd, &now) == 0 && now.st_dev == then.st_dev && now.st_ino == then.st_ino &&
        now.st_size == then.st_size && now.st_mtim.tv_sec == then.st_mtim.tv_sec &&
        now.st_mtim.tv_nsec == then.st_mtim.tv_nsec;
}

// A file of several pieces, opened by the first of its pieces' tasks to run
// (on the calling thread when there are no workers: at the file's turn).
struct DeflateAhead::OpenedFile {
    explicit OpenedFile(const SourceFile &f) : file(f) {}
    ~OpenedFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // False, with failure set, when the file cannot be read.
    bool open()
    {
        std::call_once(once, [this] {
            fd = OpenScannedFile(file);
            if (fd < 0)
                openFailure(failure, errno);
            else if (!IsScannedFile(fd, file))
                setFailure(failure, DeflatedPiece::Status::Gone, 0);
        });
        return failure.status == DeflatedPiece::Status::Ok;
    }
    const SourceFile &file;
    std::once_flag once;
    int fd = -1;
    DeflatedPiece failure;
};

DeflateAhead::DeflateAhead(std::vector<const SourceFile *> files, int level, unsigned workers)
    : m_files(std::move(files)), m_level(level), m_work(-1, 0, workers)
{
    m_position.reserve(m_files.size());
    for (std::size_t i = 0; i < m_files.size(); ++i)
        m_position.emplace_back(m_files[i], i);
    std::sort(m_position.begin(), m_position.end());
}

std::size_t DeflateAhead::positionOf(const SourceFile &file) const
{
    const auto found = std::lower_bound(m_position.begin(), m_position.end(), std::make_pair(&file, std::size_t(0)));
    return found != m_position.end() && found->first == &file ? found->second : NotHere;
}

DeflateAhead::~DeflateAhead()
{
    m_work.cancel();
}

void DeflateAhead::leaveOut(const SourceFile &file)
{
    const std::size_t index = positionOf(file);
    if (index == NotHere)
        return;
    m_leftOut.insert(index);
    // The archive is written again from its first entry.
    restartAt(0);
}

void DeflateAhead::restartAt(std::size_t file)
{
    m_work.cancel();
    m_queue.clear();
    m_queuedBytes = 0;
    m_nextFile = file;
    m_nextOffset = 0;
    m_nextOpened.reset();
}

void DeflateAhead::topUp()
{
    while (m_nextFile < m_files.size() &&
           (m_queue.empty() || (m_queuedBytes < AheadBytes && m_queue.size() < AheadTasks)))
        queueNext();
}

void DeflateAhead::queueNext()
{
    if (m_leftOut.count(m_nextFile) != 0) {
        ++m_nextFile;
        return;
    }
    const SourceFile &file = *m_files[m_nextFile];
    const std::uint64_t size = std::uint64_t(file.st.st_size);
    auto piece = std::make_shared<DeflatedPiece>();
    const int level = m_level;
    if (size <= PieceSize) {
        m_queue.push_back({m_nextFile, 0, size, piece, nullptr});
        m_work.submit(
            [&file, piece, level](Workspace &space) {
                deflateWholeFile(file, toolsOf(space, level), *piece);
                return TaskResult{};
            },
            size >= BigTask);
        m_queuedBytes += size;
        ++m_nextFile;
        return;
    }
    if (m_nextOffset == 0)
        m_nextOpened = std::make_shared<OpenedFile>(file);
    const std::uint64_t offset = m_nextOffset;
    const std::uint64_t length = std::min(PieceSize, size - offset);
    const bool last = offset + length == size;
    std::shared_ptr<OpenedFile> opened = m_nextOpened;
    m_queue.push_back({m_nextFile, offset, length, piece, opened});
    m_work.submit(
        [opened, offset, length, last, piece, level](Workspace &space) {
            if (!opened->open()) {
                *piece = opened->failure;
                return TaskResult{};
            }
            DeflateTools &tools = toolsOf(space, level);
            if (tools.in.size() < length)
                tools.in.resize(std::size_t(length));
            std::uint64_t got = 0;
            if (!readFully(opened->fd, std::int64_t(offset), tools.in.data(), length, got)) {
                setFailure(*piece, DeflatedPiece::Status::ReadFailed, errno);
                return TaskResult{};
            }
            // Cut short: the stream ends here.
            piece->last = last || got < length;
            piece->rawSize = got;
            piece->crc = libdeflate_crc32(0, tools.in.data(), std::size_t(got));
            std::size_t made = deflateInto(tools, std::size_t(got));
            if (!tools.compressor) {
                setFailure(*piece, DeflatedPiece::Status::ReadFailed, ENOMEM);
                return TaskResult{};
            }
            if (!piece->last && !continueStream(tools, made)) {
                storedBlocks(tools.in.data(), std::size_t(got), piece->data);
                return TaskResult{};
            }
            piece->data.assign(tools.out.begin(), tools.out.begin() + std::ptrdiff_t(made));
            return TaskResult{};
        },
        true);
    m_queuedBytes += length;
    m_nextOffset += length;
    if (last) {
        ++m_nextFile;
        m_nextOffset = 0;
        m_nextOpened.reset();
    }
}

DeflatedPiece DeflateAhead::next(const SourceFile &file, bool first)
{
    const std::size_t index = positionOf(file);
    const bool inStep = m_queue.empty() ? m_nextFile == index && (m_nextOffset == 0) == first
                                        : m_queue.front().file == index && (m_queue.front().offset == 0) == first;
    if (!inStep) {
        if (!first) {
            // Only a piece that follows the one handed out can come next.
            DeflatedPiece lost;
            setFailure(lost, DeflatedPiece::Status::ReadFailed, EIO);
            return lost;
        }
        restartAt(index);
    }
    topUp();
    m_work.takeOldest();
    Queued queued = std::move(m_queue.front());
    m_queue.pop_front();
    m_queuedBytes -= queued.bytes;
    DeflatedPiece piece = std::move(*queued.piece);
    if (queued.opened && piece.last && piece.status == DeflatedPiece::Status::Ok) {
        // Every piece of the file has been read by now: whether it changed
        // meanwhile shows on its descriptor.
        const std::uint64_t size = std::uint64_t(file.st.st_size);
        piece.changed = queued.offset + piece.rawSize < size || !IsScannedFile(queued.opened->fd, file);
        if (queued.offset + queued.bytes < size)
            restartAt(index + 1); // the pieces queued after the end read nothing
    }
    topUp();
    return piece;
}

} // namespace tovo::zip
