// The data of one file being added, as a libzip source: it announces the
// file when libzip starts on it (message 1010, or 1000 when it replaces an
// entry), reports progress in uncompressed bytes, and turns a request to stop
// into a failed read so that libzip abandons the new archive.
#pragma once

#include <zip.h>

#include <cstdint>
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
    bool isScannedFile() const;
    zip_int64_t read(unsigned char *out, std::uint64_t length);
    bool checkUnchanged(bool cutShort);
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
};

} // namespace tovo::zip
