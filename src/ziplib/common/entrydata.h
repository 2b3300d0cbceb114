// Streaming the data of one entry: local header, decryption (traditional or
// AES), stored or deflated data (zlib, raw deflate), and the CRC or
// authentication check at the end. Never holds a whole entry in memory, and
// never produces more than the declared size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tovo::zip
{

class ArchiveFile;
struct ZipEntry;

// An entry over this many bytes whose declared size is more than
// BombRatio times its compressed size is refused as a decompression bomb.
// Deflate cannot expand beyond about 1032:1, so no genuine entry (a file of
// zeros included) reaches the ratio: only a size that lies does.
inline constexpr std::uint64_t BombMinimumSize = 1024 * 1024;
inline constexpr std::uint64_t BombRatio = 1100;

class EntryDataReader
{
public:
    EntryDataReader();
    ~EntryDataReader();
    EntryDataReader(const EntryDataReader &) = delete;
    EntryDataReader &operator=(const EntryDataReader &) = delete;

    // Prepares reading entry from file with password (ignored for entries
    // that are not encrypted). Returns 0, or
    //   10  the local header names another file (an entry is refused
    //       rather than read under a name that readers disagree on),
    //   40  encrypted and the password is empty or does not open it,
    //   180 unsupported compression method,
    //   500 strong encryption or an unknown AES variant,
    //   510 the declared sizes make it a decompression bomb,
    //   100 the local header is missing, uses another method than the
    //       central directory says, or its data runs into the next entry,
    //   140, 150 the local header is truncated or unreadable.
    int open(ArchiveFile &file, const ZipEntry &entry, const std::string &password);

    // Up to capacity bytes of decompressed data into out; got is 0 once the
    // data is complete and checked. Returns 0, or
    //   190 damaged data (inflate error, CRC or authentication mismatch,
    //       less data than declared),
    //   510 more data than the declared size (nothing past it is produced),
    //   140, 150 the archive is truncated or unreadable, 110, 120.
    int read(unsigned char *out, std::size_t capacity, std::size_t &got);

    std::uint64_t produced() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Reads the whole entry and checks it, discarding the data. Returns 0 or a
// code of EntryDataReader::open or read.
int CheckEntryData(ArchiveFile &file, const ZipEntry &entry, const std::string &password);

} // namespace tovo::zip
