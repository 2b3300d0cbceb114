// Compression ahead of the writing: while libzip writes one entry, worker
// threads read and deflate the files that come next, in the order libzip asks
// for them and within a memory budget. A file of up to one piece is read and
// compressed whole; a bigger one is cut into pieces deflated on their own and
// joined into one stream (every piece but the last ends with an empty stored
// block instead of a final block). Whatever the number of threads, the bytes
// are the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ziplib/common/orderedwork.h"

namespace tovo::zip {

struct SourceFile;

// What one piece of a file became.
struct DeflatedPiece {
    enum class Status {
        Ok,
        Gone,       // the file is gone, or is another file than the one found
        OpenFailed, // error holds errno
        ReadFailed, // error holds errno
    };
    Status status = Status::Ok;
    int error = 0;
    std::uint64_t rawSize = 0; // bytes of the file it holds
    std::uint32_t crc = 0;     // of those bytes
    bool last = false;         // the file's data ends with this piece
    bool changed = false;      // on the last piece: the file was cut short or written
                               // to while read
    bool stored = false;       // a whole file whose bytes deflate would not shrink,
                               // kept as they are
    std::vector<unsigned char> data;
};

// Whether a descriptor opened on file is still the file the scan found, as it
// was then (device, inode, size, modification time).
bool IsScannedFile(int fd, const SourceFile &file);

// Opens a file found by the scan for reading, never through a link that took
// the place of a file (nor waiting, should it have become a pipe).
int OpenScannedFile(const SourceFile &file);

class DeflateAhead {
public:
    // files: those to deflate, in the order libzip writes them; level 1 to 9.
    DeflateAhead(std::vector<const SourceFile *> files, int level, unsigned workers);
    ~DeflateAhead();
    DeflateAhead(const DeflateAhead &) = delete;
    DeflateAhead &operator=(const DeflateAhead &) = delete;

    bool handles(const SourceFile &file) const { return positionOf(file) != NotHere; }
    // The next piece of file (its first when first is set), waiting for it if
    // need be. Asking out of the expected order drops what was made ahead.
    DeflatedPiece next(const SourceFile &file, bool first);
    // The file is not written: nothing is made for it any more.
    void leaveOut(const SourceFile &file);

private:
    struct OpenedFile;
    struct Queued {
        std::size_t file; // index in m_files
        std::uint64_t offset;
        std::uint64_t bytes; // of the file, counted against the budget
        std::shared_ptr<DeflatedPiece> piece;
        std::shared_ptr<OpenedFile> opened; // a file of several pieces
    };
    static constexpr std::size_t NotHere = std::size_t(-1);
    std::size_t positionOf(const SourceFile &file) const;
    void restartAt(std::size_t file);
    void topUp();
    void queueNext();

    std::vector<const SourceFile *> m_files;
    std::vector<std::pair<const SourceFile *, std::size_t>> m_position; // by address: the index in m_files
    std::unordered_set<std::size_t> m_leftOut;
    int m_level;
    OrderedWork m_work;
    std::deque<Queued> m_queue; // in step with m_work's tasks
    std::uint64_t m_queuedBytes = 0;
    std::size_t m_nextFile = 0; // where queuing goes on
    std::uint64_t m_nextOffset = 0;
    std::shared_ptr<OpenedFile> m_nextOpened;
};

} // namespace tovo::zip
