// The central directory of a ZIP archive: finding the end record (and the
// ZIP64 end record), allowing for data in front of the archive, and parsing
// every entry with bounds checks. One read of the central directory, no
// per-entry system call.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tovo::zip
{

class ArchiveFile;

struct ZipEntry {
    // The name bytes as stored when they differ from name; empty when they
    // are name's bytes (most entries: one copy less per entry). Read it
    // through storedName().
    std::string rawName;
    std::string name;    // UTF-8, "/" separators (DecodeEntryName, or the Unicode path field)
    std::string comment; // UTF-8, decoded like the name
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0; // as stored (99 for AES)
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint32_t diskStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint64_t localHeaderOffset = 0; // position in the file, the front shift applied
    // Where the next entry (or the central directory) starts: the entry's
    // local header and data must end there. No limit for an entry that was
    // not read from a central directory.
    std::uint64_t spanEnd = UINT64_MAX;
    std::time_t unixTime = 0;
    bool hasUnixTime = false; // the extended timestamp field gave unixTime

    // AES (method 99 with the 0x9901 field).
    bool aes = false;
    std::uint16_t aesVersion = 0; // 1 AE-1, 2 AE-2
    std::uint8_t aesStrength = 0; // 1 128, 2 192, 3 256 bits
    std::uint16_t aesMethod = 0;  // the method under the encryption

    const std::string &storedName() const { return rawName.empty() ? name : rawName; }
    std::uint8_t host() const { return std::uint8_t(versionMadeBy >> 8); }
    bool encrypted() const { return (flags & 0x0001) != 0; }
    // The method of the data once decrypted.
    std::uint16_t dataMethod() const { return aes ? aesMethod : method; }
    bool isDirectory() const;
    // The Unix mode of the high 16 bits of the external attributes when the
    // producer stores one there, else 0.
    std::uint32_t unixMode() const;
    bool isSymlink() const;
    // The DOS attribute byte: the low byte of the external attributes, with
    // read-only from the Unix mode when the creator is Unix, and the
    // directory bit for names ending in "/".
    std::uint8_t dosAttributes() const;
    // Modification time: the extended timestamp when present, else the DOS
    // date-time read as local time.
    std::time_t modificationTime() const;
};

struct ZipDirectory {
    std::vector<ZipEntry> entries; // central-directory order
    std::uint64_t fileSize = 0;
    std::uint64_t frontShift = 0;    // bytes found in front of the archive that its offsets do not count
    std::uint64_t centralOffset = 0; // position of the central directory in the file
    std::uint64_t centralSize = 0;
    std::uint64_t endOffset = 0; // position of the first end record (ZIP64 or classic)
    std::string comment;         // the archive comment, raw bytes
    bool zip64 = false;
};

// Reads the central directory of file into dir, in pieces of bounded size.
// Returns 0, or
//   100 not a ZIP archive / inconsistent central directory (bad offsets or
//       counts, overlapping entries, entries running into the directory),
//   140 truncated (local data but no end record, or an entry's data past the end),
//   150 read error, 120 out of memory,
//   500 split or spanned archive, central directory encryption.
int ReadZipDirectory(ArchiveFile &file, ZipDirectory &dir);

// A listing of every entry without a table of them (a million entries
// would take hundreds of megabytes): CheckZipDirectory walks the central
// directory once, making every check ReadZipDirectory makes and refusing
// with the same code, and fills dir but its entries; count is the number of
// entries. The layout check needs no table while every entry starts no
// earlier than the one before it; otherwise checked is false and only
// ReadZipDirectory can tell. VisitZipEntries then walks the directory again,
// handing each entry to visit in directory order, as ReadZipDirectory would
// have read it (spanEnd included), until visit returns false. The entry
// lives only during the call. It returns 0 or the code of a directory that
// changed since the check.
// located, when given, is called once dir is filled, before the walk, with
// the entry count of the end record (which a directory that checks out
// holds, give or take multiples of 65,536 without ZIP64): the caller may
// start reading entries ahead, whose results count only if the check
// passes.
int CheckZipDirectory(ArchiveFile &file, ZipDirectory &dir, std::uint64_t &count, bool &checked,
                      const std::function<void(std::uint64_t expected)> &located = {});
int VisitZipEntries(ArchiveFile &file, const ZipDirectory &dir, std::uint64_t count,
                    const std::function<bool(const ZipEntry &)> &visit);

// The local header of an entry, read from the file. Its extra field is
// skipped, never copied: nothing in it overrides the central directory.
struct LocalHeader {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::string rawName;
    std::uint64_t dataOffset = 0; // position of the entry's data in the file
};

// Reads the local header at offset. Returns 0, 100 (no local header there),
// 140 (it runs past the end of the file) or 150.
int ReadLocalHeader(ArchiveFile &file, std::uint64_t offset, LocalHeader &header);

// Finds the extra-field block with tag in extra; data/length describe its
// contents. False when absent or when the field list is malformed before it.
bool FindExtraField(std::string_view extra, std::uint16_t tag, const unsigned char *&data, std::size_t &length);

} // namespace tovo::zip
