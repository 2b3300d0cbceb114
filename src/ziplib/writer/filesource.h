// The data of one file being added, as a libzip source: it announces the
// file when libzip starts on it (message 1010, or 1000 when it replaces an
// entry), reports progress in uncompressed bytes, and turns a request to stop
// into a failed read so that libzip abandons the new archive. A file the run
// compresses ahead is handed over already deflated (or stored, when deflate
// would not shrink it), with its CRC and size once it has been read.
#pragma once

#include <zip.h>

#include "ziplib/writer/deflateahead.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace tovo::zip {

class Reporter;
struct SourceFile;

// What the sources of one run share: the callback, the first failure, and
// the files that were not what the scan found.
struct AddRun {
    explicit AddRun(Reporter &r) : reporter(r) {}
    Reporter &reporter;
    int failure = 0;        // 290 a file could not be opened, 150 read error
    std::string failedName; // the stored name of that file
    // A file that was gone, or another file (a link, say), when its source
    // opened: libzip's write fails, and the run writes again without it.
    const SourceFile *replaced = nullptr;
    // Files that changed while they were read: stored as read, with a
    // warning, and never deleted by a move.
    std::unordered_set<const SourceFile *> changed;
    // One read buffer for every file: libzip reads one source at a time, and
    // a fresh buffer per file costs more than reading a small file.
    std::vector<unsigned char> buffer;
    // The files compressed ahead on worker threads; their sources hand
    // libzip the deflated data.
    DeflateAhead *ahead = nullptr;
    // Counts libzip's attempts at writing the archive: what a source knew of
    // its data in one attempt is not what it hands out in the next.
    int attempt = 0;
};

// The DOS attribute byte of a file on disk.
std::uint8_t DosAttributesOf(const SourceFile &file);

class FileSource {
public:
    // Makes a source for file, owned by libzip from then on (freed with it).
    static zip_source_t *create(zip_t *archive, const SourceFile &file, bool replacing, AddRun &run);

private:
    FileSource(const SourceFile &file, bool replacing, AddRun &run);
    ~FileSource();
    static zip_int64_t callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t handle(void *data, zip_uint64_t length, zip_source_cmd_t command);
    int open();
    zip_int64_t read(unsigned char *out, std::uint64_t length);
    bool checkUnchanged(bool cutShort);
    bool noteChanged();
    bool deflatedAhead() const { return m_run.ahead && m_run.ahead->handles(m_file); }
    int takePiece(bool first);
    zip_int64_t readDeflated(unsigned char *out, std::uint64_t length);
    void stat(zip_stat_t *st) const;
    void close();
    zip_int64_t fail(int code, int zipError, int systemError);
    bool progress();

    const SourceFile &m_file;
    bool m_replacing;
    AddRun &m_run;
    zip_error_t m_error;
    bool m_announced = false;
    int m_fd = -1;
    std::uint64_t m_done = 0;
    bool m_readChecked = false;
    std::uint64_t m_nextProgress = 0;
    bool m_progressSent = false;
    std::size_t m_bufferPos = 0;
    std::size_t m_bufferLength = 0;
    // Compressed ahead: the piece being handed out (while open), and what the
    // pieces so far hold.
    std::unique_ptr<DeflatedPiece> m_piece;
    bool m_stored = false;
    std::size_t m_piecePos = 0;
    bool m_takingPieces = false; // between open and close
    std::uint32_t m_crc = 0;
    int m_readAttempt = -1; // the attempt in which the last piece was taken
};

} // namespace tovo::zip
