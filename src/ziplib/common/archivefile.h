// Read access to an archive file by offset, through one read-ahead window so
// that walking many small entries in order costs few system calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovo::zip
{

class ArchiveFile
{
public:
    ArchiveFile() = default;
    ~ArchiveFile();
    ArchiveFile(const ArchiveFile &) = delete;
    ArchiveFile &operator=(const ArchiveFile &) = delete;

    // Opens path for reading. Returns 0, 30 when it does not exist, or 130
    // when it cannot be opened (permissions, a folder, an I/O error).
    int open(const std::string &path);
    // Takes an open descriptor (not closed by this object).
    void attach(int fd, std::uint64_t size);
    void close();

    int fd() const { return m_fd; }
    std::uint64_t size() const { return m_size; }

    // Reads exactly n bytes at offset into out. Returns 0, 140 when the
    // range runs past the end of the file, or 150 on a read error.
    int readAt(std::uint64_t offset, void *out, std::size_t n);

    // Up to n bytes at offset, through the read-ahead window; the pointer
    // stays valid until the next call. got < n only at the end of the file.
    // Returns 0 or 150.
    int view(std::uint64_t offset, std::size_t n, const unsigned char *&data, std::size_t &got);

    // Whatever the window holds from offset on, when that is at least
    // minimum bytes, else a window read at offset: scanning forward in small
    // steps then costs one read per window. got < minimum only at the end
    // of the file. Returns 0 or 150.
    int viewAhead(std::uint64_t offset, std::size_t minimum, const unsigned char *&data, std::size_t &got);

private:
    int m_fd = -1;
    bool m_owned = false;
    std::uint64_t m_size = 0;
    std::vector<unsigned char> m_window;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowLength = 0;
};

} // namespace tovo::zip
