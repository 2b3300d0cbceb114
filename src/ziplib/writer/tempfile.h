// The temporary file a new archive is written to: created beside the
// archive (so the final rename stays on one file system and is atomic), and
// removed unless it replaced the archive.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace tovo::zip {

class TempFile {
public:
    TempFile() = default;
    ~TempFile() { discard(); }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    // Creates an empty file beside target, readable and writable by the
    // user only, so that no one else reads the entries while it is written
    // (or after a kill leaves it behind). Returns 0 or 200, with the
    // system's error in systemError.
    int create(const std::string &target, int &systemError);

    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // Writes all n bytes at offset; false with errno set on failure.
    bool writeAt(const void *data, std::size_t n, std::uint64_t offset);

    // Gives the file the owner (where allowed) and permissions of original,
    // or those of a new file (newFileMode less the umask) when there is
    // none, flushes it to the disk, closes it and renames it over target.
    // Returns 0, 160 (the flush or the close reported a write error) or 300
    // (the rename failed); the temporary file is gone either way.
    int replace(const std::string &target, const struct stat *original, int &systemError,
                mode_t newFileMode = 0666);

    // Closes and removes the file, if it is still there.
    void discard();

private:
    int m_fd = -1;
    std::string m_path;
};

// The file an archive name leads to: a symbolic link is replaced through,
// never turned into a plain file. The name itself when it does not exist.
std::string ResolvedArchivePath(const std::string &path);

} // namespace tovo::zip
