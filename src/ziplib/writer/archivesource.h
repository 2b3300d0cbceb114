// The archive as libzip sees it while it is rewritten: reads come from the
// original file (past any bytes in front that its offsets do not count), and
// the new archive is written to a temporary file in the same folder, which
// replaces the original only once it is complete and has passed its check.
// Bytes in front of the first entry (a self-extractor) are kept, and the new
// offsets count them, so such an archive stays usable.
#pragma once

#include <sys/types.h>
#include <zip.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ziplib/writer/tempfile.h"

namespace tovo::zip {

class Reporter;

struct ArchiveSourceSetup {
    std::string path;               // the archive; need not exist
    int readFd = -1;                // open on the original, or -1 for a new archive (not closed here)
    std::uint64_t fileSize = 0;     // of the original
    std::uint64_t readBase = 0;     // bytes in front that the original's offsets do not count
    std::uint64_t prefixLength = 0; // bytes in front of the first entry, kept in the new archive
    std::string comment;            // the archive comment, for an archive left without entries
    bool existing = false;
    mode_t mode = 0; // of the original, given to the new archive
    uid_t uid = 0;
    gid_t gid = 0;
};

class ArchiveSource {
public:
    // Checks the complete temporary archive (descriptor open for reading and
    // writing, its size) before it replaces the original; returns 0 or a code.
    using Verifier = std::function<int(int fd, std::uint64_t size)>;

    ArchiveSource(ArchiveSourceSetup setup, Reporter &reporter, Verifier verifier);
    ~ArchiveSource();
    ArchiveSource(const ArchiveSource &) = delete;
    ArchiveSource &operator=(const ArchiveSource &) = delete;

    // A libzip source over this object; the object must outlive it.
    zip_source_t *create(zip_error_t *error);

    // The code of the step that failed (200 temporary file, 160 write, 150
    // read, 300 rename, 350 or the verifier's code), or 0.
    int failure() const { return m_failure; }
    // Whether the original was replaced.
    bool committed() const { return m_committed; }

private:
    static zip_int64_t callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t handle(void *data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t fail(int code, int zipError, int systemError);

    zip_int64_t read(void *out, zip_uint64_t length);
    int beginWrite();
    bool write(const void *data, std::uint64_t length);
    bool flush();
    int commit();
    void rollback();
    int writeEmptyArchive();
    int openTemporary();
    bool copyPrefix();
    int replaceOriginal();
    void reportCopy(std::uint64_t bytes);

    ArchiveSourceSetup m_setup;
    Reporter &m_reporter;
    Verifier m_verifier;
    zip_error_t m_error;
    int m_failure = 0;
    bool m_committed = false;

    // Reading the original, through a read-ahead window.
    std::uint64_t m_readPos = 0;
    std::vector<unsigned char> m_window;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowLength = 0;
    std::uint64_t m_copied = 0; // bytes read while writing, for progress
    std::uint64_t m_nextProgress = 0;

    // Writing the temporary file.
    TempFile m_temp;
    std::uint64_t m_writePos = 0; // where the next byte goes
    std::uint64_t m_writeEnd = 0; // the end of what was written
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_bufferStart = 0; // file position of m_buffer[0]
};

// The result code of a libzip error.
int CodeOfZipError(int zipError);

} // namespace tovo::zip
