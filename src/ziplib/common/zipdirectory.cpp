#include "ziplib/common/zipdirectory.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/dostime.h"
#include "ziplib/common/zipformat.h"
#include "ziplib/common/zipnames.h"

namespace tovo::zip
{
namespace
{

constexpr std::size_t MaxCommentLength = 0xFFFF;

struct EndRecord {
    std::uint64_t position = 0; // of the classic end record
    std::uint32_t disk = 0;
    std::uint32_t centralDisk = 0;
    std::uint64_t entriesOnDisk = 0;
    std::uint64_t entries = 0;
    std::uint64_t centralSize = 0;
    std::uint64_t centralOffset = 0;
    std::string comment;
};

// Finds the classic end record in the tail of the file: the last signature
// whose comment ends exactly at the end of the file, else the last one whose
// comment fits in the file (some producers append bytes after the archive).
int findEndRecord(ArchiveFile &file, EndRecord &end)
{
    const std::uint64_t size = file.size();
    const std::size_t tailLength = std::size_t(std::min<std::uint64_t>(size, EndRecordSize + MaxCommentLength));
    const std::uint64_t tailStart = size - tailLength;
    std::string tail(tailLength, '\0');
    if (int rc = file.readAt(tailStart, tail.data(), tailLength))
        return rc;
    const auto *t = reinterpret_cast<const unsigned char *>(tail.data());
    std::size_t fallback = std::string::npos;
    std::size_t found = std::string::npos;
    for (std::size_t i = tailLength - EndRecordSize + 1; i-- > 0;) {
        if (get32(t + i) != EndSignature)
            continue;
        const std::size_t commentLength = get16(t + i + 20);
        if (i + EndRecordSize + commentLength == tailLength) {
            found = i;
            break;
        }
        if (fallback == std::string::npos && i + EndRecordSize + commentLength < tailLength)
            fallback = i;
    }
    if (found == std::string::npos)
        found = fallback;
    if (found == std::string::npos)
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    const unsigned char *p = t + found;
    end.position = tailStart + found;
    end.disk = get16(p + 4);
    end.centralDisk = get16(p + 6);
    end.entriesOnDisk = get16(p + 8);
    end.entries = get16(p + 10);
    end.centralSize = get32(p + 12);
    end.centralOffset = get32(p + 16);
    end.comment.assign(reinterpret_cast<const char *>(p + EndRecordSize), get16(p + 20));
    return TOVO_ZIP_OK;
}

bool hasSignature(ArchiveFile &file, std::uint64_t offset, std::uint32_t signature)
{
    unsigned char b[4];
    return file.readAt(offset, b, 4) == TOVO_ZIP_OK && get32(b) == signature;
}

// Reads the ZIP64 end record named by the locator in front of the classic
// end record, if there is one. Sets zip64 and replaces the counts, sizes and
// offsets of end; endOfArchive becomes the position of the ZIP64 record.
int readZip64End(ArchiveFile &file, EndRecord &end, bool &zip64, std::uint64_t &endOfArchive)
{
    zip64 = false;
    endOfArchive = end.position;
    if (end.position < Zip64LocatorSize)
        return TOVO_ZIP_OK;
    const std::uint64_t locatorPos = end.position - Zip64LocatorSize;
    unsigned char loc[Zip64LocatorSize];
    if (int rc = file.readAt(locatorPos, loc, sizeof loc))
        return rc;
    if (get32(loc) != Zip64LocatorSignature)
        return TOVO_ZIP_OK;
    if (get32(loc + 4) != 0 || get32(loc + 16) > 1)
        return TOVO_ZIP_ERR_UNSUPPORTED; // a set of several disks
    // Where the record says it is, or right in front of the locator when the
    // archive has data in front of it that its offsets do not count.
    std::uint64_t recordPos = get64(loc + 8);
    if (recordPos > locatorPos || locatorPos - recordPos < Zip64EndRecordSize ||
        !hasSignature(file, recordPos, Zip64EndSignature)) {
        if (locatorPos < Zip64EndRecordSize)
            return TOVO_ZIP_ERR_BAD_ARCHIVE;
        recordPos = locatorPos - Zip64EndRecordSize;
        if (!hasSignature(file, recordPos, Zip64EndSignature))
            return TOVO_ZIP_ERR_BAD_ARCHIVE;
    }
    unsigned char r[Zip64EndRecordSize];
    if (int rc = file.readAt(recordPos, r, sizeof r))
        return rc;
    end.disk = get32(r + 16);
    end.centralDisk = get32(r + 20);
    end.entriesOnDisk = get64(r + 24);
    end.entries = get64(r + 32);
    end.centralSize = get64(r + 40);
    end.centralOffset = get64(r + 48);
    zip64 = true;
    endOfArchive = recordPos;
    return TOVO_ZIP_OK;
}

// Asks the system to back a large fresh allocation at once (with huge pages
// where it can) instead of one page fault per page: with 100,000 entries the
// faults would cost more than parsing them.
void prefault(void *data, std::size_t length)
{
    constexpr std::size_t Worthwhile = 1024 * 1024;
    if (length < Worthwhile)
        return;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const std::uintptr_t begin = (std::uintptr_t(data) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (std::uintptr_t(data) + length) & ~(page - 1);
    if (end <= begin)
        return;
    madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
    madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE); // a failure only costs speed
}

// Applies the extra fields of a central header to entry (only the ZIP64
// values unless full). False when a ZIP64 value the header needs is missing.
bool applyExtraFields(ZipEntry &entry, std::string_view raw, std::string_view extra, bool needSize,
                      bool needCompressed, bool needOffset, bool needDisk, bool full)
{
    const auto *p = reinterpret_cast<const unsigned char *>(extra.data());
    const std::size_t n = extra.size();
    bool zip64Found = false;
    std::size_t i = 0;
    while (i + 4 <= n) {
        const std::uint16_t tag = get16(p + i);
        const std::size_t length = get16(p + i + 2);
        if (i + 4 + length > n)
            break; // a truncated last field is ignored, as other readers do
        const unsigned char *d = p + i + 4;
        if (!full && tag != ExtraZip64) {
            i += 4 + length;
            continue;
        }
        switch (tag) {
        case ExtraZip64: {
            std::size_t k = 0;
            auto take64 = [&](std::uint64_t &field) {
                if (k + 8 > length)
                    return false;
                field = get64(d + k);
                k += 8;
                return true;
            };
            zip64Found = true;
            if (needSize && !take64(entry.size))
                return false;
            if (needCompressed && !take64(entry.compressedSize))
                return false;
            if (needOffset && !take64(entry.localHeaderOffset))
                return false;
            if (needDisk) {
                if (k + 4 > length)
                    return false;
                entry.diskStart = get32(d + k);
            }
            break;
        }
        case ExtraTimestamp:
            if (length >= 5 && (d[0] & 1) != 0) {
                entry.hasUnixTime = true;
                entry.unixTime = std::time_t(std::int32_t(get32(d + 1)));
            }
            break;
        case ExtraUnicodePath:
            // Version 1, the CRC of the stored name, then the UTF-8 name.
            // Honoured only while it still describes the stored name.
            if (length >= 5 && d[0] == 1 &&
                get32(d + 1) ==
                    std::uint32_t(crc32(0, reinterpret_cast<const Bytef *>(raw.data()), uInt(raw.size())))) {
                const std::string_view utf8(reinterpret_cast<const char *>(d + 5), length - 5);
                if (!utf8.empty() && IsValidUtf8(utf8)) {
                    if (entry.rawName.empty())
                        entry.rawName.assign(raw);
                    entry.name = DecodeEntryName(utf8, true);
                }
            }
            break;
        case ExtraAes:
            if (length >= 7 && d[2] == 'A' && d[3] == 'E') {
                entry.aes = true;
                entry.aesVersion = get16(d);
                entry.aesStrength = d[4];
                entry.aesMethod = get16(d + 5);
            }
            break;
        default:
            break;
        }
        i += 4 + length;
    }
    return zip64Found || !(needSize || needCompressed || needOffset || needDisk);
}

// The central directory is read in pieces of this size, so that what a
// directory costs in memory follows what it holds rather than the size its
// end record declares (a sparse file can declare gigabytes of zeros). A
// piece always holds a whole record, the largest being 46 + 3 * 65535 bytes.
constexpr std::size_t CentralPiece = 256 * 1024;

// Room for more entries: doubling, never beyond the declared count, each new
// block backed at once.
void growEntries(std::vector<ZipEntry> &entries, std::uint64_t expected)
{
    const std::size_t wanted = std::max<std::size_t>(2 * entries.capacity(), 4096);
    const std::size_t capped = std::size_t(std::max<std::uint64_t>(std::min<std::uint64_t>(wanted, expected), 1));
    entries.reserve(std::max(capped, entries.size() + 1));
    prefault(entries.data() + entries.size(), (entries.capacity() - entries.size()) * sizeof(ZipEntry));
}

// The lengths of a central record's variable parts.
struct RecordLengths {
    std::size_t name = 0;
    std::size_t extra = 0;
    std::size_t comment = 0;
};

// Reads the central record at h into e: every field when full, else only
// what the directory's checks need (flags, sizes, offset, ZIP64 values). e's
// strings keep their room, so a reused entry costs no allocation per record.
int parseEntry(const unsigned char *h, const RecordLengths &lengths, bool full, std::uint64_t fileSize,
               std::uint64_t shift, ZipEntry &e)
{
    e.versionMadeBy = get16(h + 4);
    e.versionNeeded = get16(h + 6);
    e.flags = get16(h + 8);
    e.method = get16(h + 10);
    e.dosDateTime = std::uint32_t(get16(h + 14)) << 16 | get16(h + 12);
    e.crc = get32(h + 16);
    e.compressedSize = get32(h + 20);
    e.size = get32(h + 24);
    e.diskStart = get16(h + 34);
    e.internalAttributes = get16(h + 36);
    e.externalAttributes = get32(h + 38);
    e.localHeaderOffset = get32(h + 42);
    e.spanEnd = UINT64_MAX;
    e.unixTime = 0;
    e.hasUnixTime = false;
    e.aes = false;
    e.aesVersion = 0;
    e.aesStrength = 0;
    e.aesMethod = 0;
    const char *name = reinterpret_cast<const char *>(h + CentralHeaderSize);
    const std::string_view raw(name, lengths.name);
    e.rawName.clear();
    if (full) {
        const bool utf8 = (e.flags & FlagUtf8) != 0;
        DecodeEntryNameInto(e.name, raw, utf8);
        if (e.name != raw)
            e.rawName.assign(raw);
        if (lengths.comment > 0)
            DecodeEntryNameInto(e.comment, std::string_view(name + lengths.name + lengths.extra, lengths.comment),
                                utf8);
        else
            e.comment.clear();
    }
    if (!applyExtraFields(e, raw, std::string_view(name + lengths.name, lengths.extra), e.size == 0xFFFFFFFF,
                          e.compressedSize == 0xFFFFFFFF, e.localHeaderOffset == 0xFFFFFFFF, e.diskStart == 0xFFFF,
                          full))
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    if ((e.flags & FlagMaskedHeaders) != 0)
        return TOVO_ZIP_ERR_UNSUPPORTED;
    if (e.localHeaderOffset > fileSize - shift)
        return TOVO_ZIP_ERR_EOF;
    e.localHeaderOffset += shift;
    return TOVO_ZIP_OK;
}

// Hands the whole central records at the start of p (n bytes) to take, in
// order, counting them in count. Returns 0 with used set to the bytes of the
// records taken and ended set once no record follows (or the ZIP64 count is
// reached); a record that runs past n is left for the next piece unless
// last is set. take returns 0 or a code that ends the walk.
template <typename Take>
int walkPiece(const unsigned char *p, std::size_t n, bool last, std::uint64_t expected, bool zip64,
              std::uint64_t &count, std::size_t &used, bool &ended, Take &take)
{
    used = 0;
    ended = false;
    while (used + CentralHeaderSize <= n && get32(p + used) == CentralHeaderSignature) {
        if (zip64 && count == expected)
            break;
        const unsigned char *h = p + used;
        const RecordLengths lengths{get16(h + 28), get16(h + 30), get16(h + 32)};
        const std::size_t length = CentralHeaderSize + lengths.name + lengths.extra + lengths.comment;
        if (used + length > n) {
            if (last)
                return TOVO_ZIP_ERR_BAD_ARCHIVE;
            return TOVO_ZIP_OK;
        }
        if (int rc = take(h, lengths))
            return rc;
        ++count;
        used += length;
    }
    // Anything but a whole record ends the list: the end of the directory,
    // or bytes that are no record (the counts decide whether that is right).
    ended = used + CentralHeaderSize > n ? last : true;
    if (zip64 && count == expected)
        ended = true;
    return TOVO_ZIP_OK;
}

// The whole central records at the start of p (n bytes) and the bytes they
// take, hopping from header to header without parsing them; no count when
// they end inside p (the directory is then no larger than what was read).
std::pair<std::uint64_t, std::size_t> countRecords(const unsigned char *p, std::size_t n)
{
    std::uint64_t count = 0;
    std::size_t used = 0;
    while (used + CentralHeaderSize <= n) {
        if (get32(p + used) != CentralHeaderSignature)
            return {0, 0};
        const unsigned char *h = p + used;
        const std::size_t length = CentralHeaderSize + get16(h + 28) + get16(h + 30) + get16(h + 32);
        if (used + length > n)
            break;
        used += length;
        ++count;
    }
    return {count, used};
}

// Room for the records that length bytes of directory hold at the density of
// the count records found in its first used bytes, at most expected, backed
// at once.
void reserveByDensity(std::vector<ZipEntry> &entries, std::uint64_t count, std::uint64_t used, std::uint64_t length,
                      std::uint64_t expected)
{
    if (count == 0 || used == 0 || expected <= entries.capacity())
        return;
    const std::uint64_t estimate = count * (length / used) + count * (length % used) / used;
    const std::size_t room = std::size_t(std::min<std::uint64_t>(expected, estimate + estimate / 64));
    if (room > entries.capacity()) {
        entries.reserve(room);
        prefault(entries.data() + entries.size(), (entries.capacity() - entries.size()) * sizeof(ZipEntry));
    }
}

// Reads the central directory of length bytes at position piece by piece
// and hands each record to take, in order. expected is the count of the end
// record; without a ZIP64 record it may be the true count modulo 65536 (some
// producers wrap it instead of writing ZIP64). When table is given, it is
// sized for the whole directory from what the first pieces hold.
template <typename Take>
int walkRecords(ArchiveFile &file, std::uint64_t position, std::uint64_t length, std::uint64_t expected, bool zip64,
                Take take, std::vector<ZipEntry> *table)
{
    if (expected > length / CentralHeaderSize && (zip64 || expected > 0xFFFF))
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    if (table)
        table->reserve(std::size_t(std::min<std::uint64_t>({expected, length / CentralHeaderSize, 4096})));
    // Left uninitialised: each piece is filled by a read at once.
    const std::size_t pieceLength = std::size_t(std::min<std::uint64_t>(length, CentralPiece));
    std::unique_ptr<unsigned char[]> piece(new unsigned char[pieceLength ? pieceLength : 1]);
    std::uint64_t done = 0;
    std::uint64_t count = 0;
    for (;;) {
        const std::size_t n = std::size_t(std::min<std::uint64_t>(pieceLength, length - done));
        const bool last = done + n == length;
        if (int rc = file.readAt(position + done, piece.get(), n))
            return rc;
        // The first piece tells how many records the whole directory holds:
        // room for them all before parsing, rather than growing by doubling
        // (each step a fresh block, and fresh memory is what costs most here).
        if (table && done == 0 && !last) {
            const auto [records, bytes] = countRecords(piece.get(), n);
            reserveByDensity(*table, records, bytes, length, expected);
        }
        std::size_t used = 0;
        bool ended = false;
        if (int rc = walkPiece(piece.get(), n, last, expected, zip64, count, used, ended, take))
            return rc;
        if (ended || last)
            break;
        done += used; // a record cut by the end of the piece is read again with the next one
        // The records read so far tell how many the rest holds: room for
        // them all at once, rather than doubling (which holds the old and
        // the new block together, half as much again at the peak).
        if (table && done > 0)
            reserveByDensity(*table, count, done, length, expected);
    }
    if (zip64 ? count != expected : (count & 0xFFFF) != (expected & 0xFFFF) || count < expected)
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    return TOVO_ZIP_OK;
}

// Reads and parses the central directory into dir.entries.
int readEntries(ArchiveFile &file, std::uint64_t expected, ZipDirectory &dir)
{
    auto take = [&](const unsigned char *h, const RecordLengths &lengths) {
        if (dir.entries.size() == dir.entries.capacity())
            growEntries(dir.entries, expected);
        return parseEntry(h, lengths, true, dir.fileSize, dir.frontShift, dir.entries.emplace_back());
    };
    return walkRecords(file, dir.centralOffset, dir.centralSize, expected, dir.zip64, take, &dir.entries);
}

// Every entry's local header and data must lie in front of the central
// directory without overlapping another entry's: overlapping entries are the
// trick of the worst decompression bombs. The size counted here for each
// entry is the least it can take (a local header without name or extra
// field); each entry keeps where the next one starts, so that reading its
// data can check it again with its whole local header.
int checkLayout(ZipDirectory &dir)
{
    std::vector<std::pair<std::uint64_t, std::size_t>> starts; // offset, entry index
    starts.reserve(dir.entries.size());
    for (std::size_t i = 0; i < dir.entries.size(); ++i) {
        const ZipEntry &e = dir.entries[i];
        if (e.compressedSize > dir.fileSize || e.localHeaderOffset + LocalHeaderSize + e.compressedSize > dir.fileSize)
            return TOVO_ZIP_ERR_EOF;
        starts.emplace_back(e.localHeaderOffset, i);
    }
    std::sort(starts.begin(), starts.end());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        ZipEntry &e = dir.entries[starts[i].second];
        e.spanEnd = i + 1 < starts.size() ? starts[i + 1].first : dir.centralOffset;
        if (e.localHeaderOffset + LocalHeaderSize + e.compressedSize > e.spanEnd)
            return TOVO_ZIP_ERR_BAD_ARCHIVE;
    }
    return TOVO_ZIP_OK;
}

// Finds the end records and the central directory, filling everything of
// dir but its entries; expected is the entry count the end record gives.
int locateDirectory(ArchiveFile &file, ZipDirectory &dir, std::uint64_t &expected)
{
    dir = ZipDirectory();
    dir.fileSize = file.size();
    auto noEndRecord = [&]() {
        // Local data without an end record: the end of the archive is missing.
        return hasSignature(file, 0, LocalHeaderSignature) ? TOVO_ZIP_ERR_EOF : TOVO_ZIP_ERR_BAD_ARCHIVE;
    };
    if (dir.fileSize < EndRecordSize)
        return noEndRecord();
    EndRecord end;
    if (int rc = findEndRecord(file, end))
        return rc == TOVO_ZIP_ERR_BAD_ARCHIVE ? noEndRecord() : rc;
    std::uint64_t endOfArchive = end.position;
    if (int rc = readZip64End(file, end, dir.zip64, endOfArchive))
        return rc;
    if (end.disk != 0 || end.centralDisk != 0 || end.entriesOnDisk != end.entries)
        return TOVO_ZIP_ERR_UNSUPPORTED;
    dir.comment = std::move(end.comment);
    dir.endOffset = endOfArchive;
    if (end.centralSize > endOfArchive)
        return TOVO_ZIP_ERR_BAD_ARCHIVE;

    // The central directory is where the end record says, or, when data in
    // front of the archive shifts everything, right before the end record.
    const std::uint64_t behind = endOfArchive - end.centralSize;
    std::uint64_t centralPos = end.centralOffset;
    const bool declaredFits = centralPos <= behind;
    if (end.entries == 0) {
        centralPos = behind;
    } else if (!declaredFits || !hasSignature(file, centralPos, CentralHeaderSignature)) {
        if (behind < end.centralOffset || !hasSignature(file, behind, CentralHeaderSignature))
            return TOVO_ZIP_ERR_BAD_ARCHIVE;
        centralPos = behind;
    }
    dir.frontShift = centralPos > end.centralOffset ? centralPos - end.centralOffset : 0;
    dir.centralOffset = centralPos;
    dir.centralSize = end.centralSize;
    expected = end.entries;
    return TOVO_ZIP_OK;
}

int readDirectory(ArchiveFile &file, ZipDirectory &dir)
{
    std::uint64_t expected = 0;
    if (int rc = locateDirectory(file, dir, expected))
        return rc;
    if (int rc = readEntries(file, expected, dir))
        return rc;
    return checkLayout(dir);
}

// What the first walk of a directory learns of its entries' layout, record
// by record, to make checkLayout's checks without a table: while each
// entry starts no earlier than the one before, sorting by offset keeps the
// directory's order and each entry must end before the next one starts.
struct LayoutWalk {
    std::uint64_t fileSize = 0;
    std::uint64_t count = 0;
    bool pastEnd = false;  // an entry runs past the end of the file
    bool inOrder = true;   // every entry starts no earlier than the one before
    bool overlaps = false; // (while in order) an entry runs into the next one
    std::uint64_t lastOffset = 0;
    std::uint64_t lastEnd = 0;

    void add(const ZipEntry &e)
    {
        const bool first = count++ == 0;
        if (e.compressedSize > fileSize || e.localHeaderOffset + LocalHeaderSize + e.compressedSize > fileSize) {
            pastEnd = true;
            return;
        }
        if (!first && e.localHeaderOffset < lastOffset)
            inOrder = false;
        else if (!first && lastEnd > e.localHeaderOffset)
            overlaps = true;
        lastOffset = e.localHeaderOffset;
        lastEnd = e.localHeaderOffset + LocalHeaderSize + e.compressedSize;
    }
};

} // namespace

bool ZipEntry::isDirectory() const
{
    if (!name.empty() && name.back() == '/')
        return true;
    const std::uint32_t mode = unixMode();
    if (mode != 0)
        return S_ISDIR(mode);
    return (externalAttributes & 0x10) != 0 && size == 0;
}

std::uint32_t ZipEntry::unixMode() const
{
    // Unix producers store the mode there; some DOS and Windows producers do
    // too, recognisable by a file type in it.
    const std::uint8_t h = host();
    const std::uint32_t mode = externalAttributes >> 16;
    if (h == HostUnix || h == HostMacOsX)
        return mode;
    if ((h == HostMsDos || h == HostNtfs || h == HostVfat) && (mode & S_IFMT) != 0)
        return mode;
    return 0;
}

bool ZipEntry::isSymlink() const
{
    const std::uint32_t mode = unixMode();
    return mode != 0 && S_ISLNK(mode);
}

std::uint8_t ZipEntry::dosAttributes() const
{
    std::uint8_t attributes = std::uint8_t(externalAttributes & 0x3F);
    const std::uint32_t mode = unixMode();
    if (host() == HostUnix && mode != 0) {
        attributes &= ~std::uint8_t(0x01);
        if ((mode & S_IWUSR) == 0)
            attributes |= 0x01;
    }
    if (!name.empty() && name.back() == '/')
        attributes |= 0x10;
    return attributes;
}

std::time_t ZipEntry::modificationTime() const
{
    return hasUnixTime ? unixTime : DosDateTimeToTime(dosDateTime);
}

int ReadZipDirectory(ArchiveFile &file, ZipDirectory &dir)
{
    try {
        const int rc = readDirectory(file, dir);
        if (rc != TOVO_ZIP_OK)
            dir.entries.clear();
        return rc;
    } catch (const std::bad_alloc &) {
        dir = ZipDirectory();
        return TOVO_ZIP_ERR_MEMORY;
    } catch (const std::length_error &) {
        dir = ZipDirectory();
        return TOVO_ZIP_ERR_MEMORY;
    }
}

int CheckZipDirectory(ArchiveFile &file, ZipDirectory &dir, std::uint64_t &count, bool &checked,
                      const std::function<void(std::uint64_t expected)> &located)
{
    count = 0;
    checked = false;
    try {
        std::uint64_t expected = 0;
        if (int rc = locateDirectory(file, dir, expected))
            return rc;
        if (located)
            located(expected);
        LayoutWalk layout;
        layout.fileSize = dir.fileSize;
        ZipEntry e;
        auto take = [&](const unsigned char *h, const RecordLengths &lengths) {
            const int rc = parseEntry(h, lengths, false, dir.fileSize, dir.frontShift, e);
            if (rc == TOVO_ZIP_OK)
                layout.add(e);
            return rc;
        };
        if (int rc = walkRecords(file, dir.centralOffset, dir.centralSize, expected, dir.zip64, take, nullptr))
            return rc;
        count = layout.count;
        if (layout.pastEnd)
            return TOVO_ZIP_ERR_EOF;
        if (!layout.inOrder)
            return TOVO_ZIP_OK;
        checked = true;
        if (layout.overlaps || (layout.count > 0 && layout.lastEnd > dir.centralOffset))
            return TOVO_ZIP_ERR_BAD_ARCHIVE;
        return TOVO_ZIP_OK;
    } catch (const std::bad_alloc &) {
        return TOVO_ZIP_ERR_MEMORY;
    } catch (const std::length_error &) {
        return TOVO_ZIP_ERR_MEMORY;
    }
}

int VisitZipEntries(ArchiveFile &file, const ZipDirectory &dir, std::uint64_t count,
                    const std::function<bool(const ZipEntry &)> &visit)
{
    try {
        // Each entry goes once the next one is parsed: its data must end
        // where the next entry starts (the check made the order sure).
        ZipEntry current;
        ZipEntry next;
        bool holding = false;
        bool stopped = false;
        // A stop ends the walk as a refusal would, with a code of its own
        // that is never a walk's.
        constexpr int Stopped = -1;
        auto take = [&](const unsigned char *h, const RecordLengths &lengths) {
            if (int rc = parseEntry(h, lengths, true, dir.fileSize, dir.frontShift, next))
                return rc;
            if (holding) {
                current.spanEnd = next.localHeaderOffset;
                if (!visit(current)) {
                    stopped = true;
                    return Stopped;
                }
            }
            std::swap(current, next);
            holding = true;
            return int(TOVO_ZIP_OK);
        };
        const int rc = walkRecords(file, dir.centralOffset, dir.centralSize, count, dir.zip64, take, nullptr);
        if (stopped)
            return TOVO_ZIP_OK;
        if (rc == TOVO_ZIP_OK && holding) {
            current.spanEnd = dir.centralOffset;
            visit(current);
        }
        return rc;
    } catch (const std::bad_alloc &) {
        return TOVO_ZIP_ERR_MEMORY;
    } catch (const std::length_error &) {
        return TOVO_ZIP_ERR_MEMORY;
    }
}

int ReadLocalHeader(ArchiveFile &file, std::uint64_t offset, LocalHeader &header)
{
    const unsigned char *p = nullptr;
    std::size_t got = 0;
    if (int rc = file.view(offset, LocalHeaderSize, p, got))
        return rc;
    if (got < LocalHeaderSize)
        return got >= 4 && get32(p) != LocalHeaderSignature ? TOVO_ZIP_ERR_BAD_ARCHIVE : TOVO_ZIP_ERR_EOF;
    if (get32(p) != LocalHeaderSignature)
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    header.flags = get16(p + 6);
    header.method = get16(p + 8);
    header.dosDateTime = std::uint32_t(get16(p + 12)) << 16 | get16(p + 10);
    header.crc = get32(p + 14);
    header.compressedSize = get32(p + 18);
    header.size = get32(p + 22);
    const std::size_t nameLength = get16(p + 26);
    const std::size_t extraLength = get16(p + 28);
    const std::size_t total = LocalHeaderSize + nameLength + extraLength;
    if (int rc = file.view(offset, total, p, got))
        return rc;
    if (got < total)
        return TOVO_ZIP_ERR_EOF;
    header.rawName.assign(reinterpret_cast<const char *>(p + LocalHeaderSize), nameLength);
    header.dataOffset = offset + total;
    return TOVO_ZIP_OK;
}

bool FindExtraField(std::string_view extra, std::uint16_t tag, const unsigned char *&data, std::size_t &length)
{
    const auto *p = reinterpret_cast<const unsigned char *>(extra.data());
    std::size_t i = 0;
    while (i + 4 <= extra.size()) {
        const std::size_t n = get16(p + i + 2);
        if (i + 4 + n > extra.size())
            return false;
        if (get16(p + i) == tag) {
            data = p + i + 4;
            length = n;
            return true;
        }
        i += 4 + n;
    }
    return false;
}

} // namespace tovo::zip
