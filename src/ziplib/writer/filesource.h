// The data of one file being added, as a libzip source: it announces the
// file when libzip starts on it (message 1010, or 1000 when it replaces an
// entry), reports progress in uncompressed bytes, and turns a request to stop
// into a failed read so that libzip abandons the new archive.
#pragma once

#include <zip.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tovo::zip {

class Reporter;
struct SourceFile;

// What the sources of one run share: the callback, and the first failure.
struct AddRun {
    explicit AddRun(Reporter &r) : reporter(r) {}
    Reporter &reporter;
    int failure = 0;        // 290 a file could not be opened, 150 read error
    std::string failedName; // the stored name of that file
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
    zip_int64_t read(unsigned char *out, std::uint64_t length);
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
    std::uint64_t m_nextProgress = 0;
    bool m_progressSent = false;
    std::size_t m_bufferPos = 0;
    std::size_t m_bufferLength = 0;
};

} // namespace tovo::zip
