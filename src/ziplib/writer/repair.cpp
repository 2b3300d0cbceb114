#include "ziplib/writer/repair.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <zlib.h>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipformat.h"
#include "ziplib/common/zipnames.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/writer/tempfile.h"
#include "ziplib/writer/writerargs.h"

namespace tovo::zip {
namespace {

constexpr std::uint64_t NotFound = ~std::uint64_t(0);
constexpr std::size_t ScanWindow = 256 * 1024;
constexpr std::uint32_t Max32 = 0xFFFFFFFFu;

// An entry found from its local header.
struct Candidate {
    std::uint64_t offset = 0; // of the local header
    std::uint64_t end = 0;    // past the data and its descriptor
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::string rawName;
    std::size_t extraLength = 0;
    std::string extra; // the local extra field, read once the entry is kept
    std::string name;  // decoded, for messages
    bool aes = false;  // the AES field of the local extra field
    std::uint16_t aesVersion = 0;
    std::uint8_t aesStrength = 0;
    std::uint16_t aesMethod = 0;
    bool unverified = false; // kept without a check (no password, unsupported method)
    std::uint64_t newOffset = 0;

    std::uint64_t dataStart() const { return offset + LocalHeaderSize + rawName.size() + extraLength; }
};

enum class Outcome { Kept, NotAHeader, Truncated, Damaged };

// What a central directory record (found anywhere in the file) tells that
// a local header does not: the producer, the attributes, the comment.
struct CentralInfo {
    std::uint16_t versionMadeBy = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::string extra;
    std::string comment;
};

// The central records of a file are matched to the entries kept by CRC,
// compressed size and name length first (the name is compared after).
std::uint64_t centralKey(std::uint32_t crc, std::uint64_t compressedSize, std::size_t nameLength)
{
    return (std::uint64_t(crc) << 32 ^ compressedSize) * 0x9E3779B97F4A7C15u ^ nameLength;
}

// The extra fields of a list, without the ZIP64 field (rebuilt for the new
// offsets); from a local header, only the fields whose central form is known
// (the timestamp cut down to its modification time).
std::string carriedExtra(const std::string &extra, bool fromLocalHeader)
{
    std::string out;
    const auto *p = reinterpret_cast<const unsigned char *>(extra.data());
    std::size_t i = 0;
    while (i + 4 <= extra.size()) {
        const std::uint16_t tag = get16(p + i);
        const std::size_t n = get16(p + i + 2);
        if (i + 4 + n > extra.size())
            break;
        const unsigned char *data = p + i + 4;
        if (tag == ExtraZip64) {
        } else if (!fromLocalHeader) {
            // The name and the encryption come from the local header, as
            // checked: a stray central record must not contradict them.
            if (tag != ExtraUnicodePath && tag != ExtraAes)
                out.append(reinterpret_cast<const char *>(p + i), 4 + n);
        } else if (tag == ExtraTimestamp) {
            if (n >= 5 && (data[0] & 1)) {
                put16(out, tag);
                put16(out, 5);
                out.append(reinterpret_cast<const char *>(data), 5);
            }
        } else if (tag == ExtraUnicodePath || tag == ExtraAes || tag == 0x000a) {
            out.append(reinterpret_cast<const char *>(p + i), 4 + n);
        }
        i += 4 + n;
    }
    return out;
}

// The fields of a local extra field that the entry was checked with: its
// Unicode name and its encryption.
std::string checkedFields(const std::string &extra)
{
    std::string out;
    for (const std::uint16_t tag : {ExtraUnicodePath, ExtraAes}) {
        const unsigned char *data = nullptr;
        std::size_t length = 0;
        if (FindExtraField(extra, tag, data, length)) {
            put16(out, tag);
            put16(out, std::uint16_t(length));
            out.append(reinterpret_cast<const char *>(data), length);
        }
    }
    return out;
}

// Entries that cannot be checked here (no password, a method or an
// encryption this program does not read) are kept as they are, their bytes
// copied unaltered, and reported; everything else must check clean, as the
// test command would have it (a size that lies is damage, not a limit).
bool unverifiable(int code)
{
    return code == TOVO_ZIP_WARN_PASSWORD || code == TOVO_ZIP_ERR_METHOD || code == TOVO_ZIP_ERR_UNSUPPORTED;
}

class Repairer {
public:
    Repairer(ArchiveFile &file, const std::string &password, Reporter &reporter, std::string target,
             const struct stat &original)
        : m_file(file), m_password(password), m_reporter(reporter), m_target(std::move(target)), m_original(original),
          m_budget(4 * file.size() + 64 * 1024 * 1024)
    {
    }

    int light();
    int harder();

private:
    std::uint64_t findSignature(std::uint64_t from, std::uint32_t signature);
    std::uint64_t findPlausibleHeader(std::uint64_t from);
    Outcome parseHeader(std::uint64_t offset, Candidate &c);
    Outcome examine(std::uint64_t offset, Candidate &c, std::uint64_t limit = NotFound);
    Outcome findDescriptor(Candidate &c, std::uint64_t limit);
    Outcome inflateToEnd(std::uint64_t dataStart, std::uint64_t limit, std::uint64_t &consumed,
                         std::uint64_t &produced, std::uint32_t &crc);
    bool readDescriptor(std::uint64_t at, std::uint64_t expectedCompressed, Candidate &c);
    void indexDescriptors();
    void keep(Candidate &c);
    void collectCentralRecords();
    bool centralInfo(std::size_t kept, CentralInfo &info);
    void drop(const Candidate &c);
    int write();
    int checkResult(int fd, std::uint64_t size);
    int reportUnverified(int code);

    ArchiveFile &m_file;
    std::string m_password;
    Reporter &m_reporter;
    std::vector<Candidate> m_kept;
    std::vector<std::uint64_t> m_centralAt; // per kept entry, the central record found for it
    int m_dropped = 0;
    std::string m_target;
    struct stat m_original;
    TempFile m_temp;

    // The data start of every local header whose sizes follow in a data
    // descriptor found by its signature, with the first descriptor that
    // matches it: one pass over the file instead of a search per header.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_descriptors;
    bool m_descriptorsIndexed = false;

    // Bytes read to check candidates. Past the budget, a candidate may only
    // use the bytes up to the next local header signature, so that headers
    // packed inside each other's data cannot make the scan quadratic.
    std::uint64_t m_work = 0;
    std::uint64_t m_budget;
    std::vector<unsigned char> m_inflated; // output of inflateToEnd, thrown away
};

std::uint64_t Repairer::findSignature(std::uint64_t from, std::uint32_t signature)
{
    const unsigned char s2 = (signature >> 16) & 0xFF;
    const unsigned char s3 = (signature >> 24) & 0xFF;
    while (from + 4 <= m_file.size()) {
        const unsigned char *data = nullptr;
        std::size_t got = 0;
        if (m_file.viewAhead(from, 4, data, got) != 0 || got < 4)
            return NotFound;
        const unsigned char *p = data;
        const unsigned char *last = data + got - 3;
        while (p < last) {
            p = static_cast<const unsigned char *>(std::memchr(p, 'P', std::size_t(last - p)));
            if (!p)
                break;
            if (p[1] == 'K' && p[2] == s2 && p[3] == s3)
                return from + std::uint64_t(p - data);
            ++p;
        }
        from += got - 3;
    }
    return NotFound;
}

std::uint64_t Repairer::findPlausibleHeader(std::uint64_t from)
{
    for (;;) {
        const std::uint64_t at = findSignature(from, LocalHeaderSignature);
        if (at == NotFound)
            return NotFound;
        Candidate c;
        if (parseHeader(at, c) != Outcome::NotAHeader)
            return at;
        from = at + 1;
    }
}

Outcome Repairer::parseHeader(std::uint64_t offset, Candidate &c)
{
    const unsigned char *h = nullptr;
    std::size_t got = 0;
    if (m_file.view(offset, LocalHeaderSize, h, got) != 0 || got < 4 || get32(h) != LocalHeaderSignature)
        return Outcome::NotAHeader;
    if (got < LocalHeaderSize)
        return Outcome::Truncated;
    c.offset = offset;
    c.versionNeeded = get16(h + 4);
    c.flags = get16(h + 6);
    c.method = get16(h + 8);
    c.dosDateTime = std::uint32_t(get16(h + 12)) << 16 | get16(h + 10);
    c.crc = get32(h + 14);
    c.compressedSize = get32(h + 18);
    c.size = get32(h + 22);
    const std::size_t nameLength = get16(h + 26);
    c.extraLength = get16(h + 28);
    // What a real header looks like: a name, a known method, a version a
    // producer would write. Signatures inside data rarely pass all three.
    const bool knownMethod = c.method <= 20 || (c.method >= 93 && c.method <= 99);
    if (nameLength == 0 || !knownMethod || (c.versionNeeded & 0xFF) > 63)
        return Outcome::NotAHeader;
    // Name and extra field are looked at where they lie; only the name is
    // copied, once it shows no NUL (every plausible header holds one, in
    // its method, so a name never runs over the header that follows).
    const std::size_t total = LocalHeaderSize + nameLength + c.extraLength;
    if (m_file.view(offset, total, h, got) != 0 || got < total)
        return Outcome::Truncated;
    const unsigned char *name = h + LocalHeaderSize;
    if (std::memchr(name, 0, nameLength))
        return Outcome::NotAHeader;
    c.rawName.assign(reinterpret_cast<const char *>(name), nameLength);
    const std::string_view extra(reinterpret_cast<const char *>(name + nameLength), c.extraLength);
    const unsigned char *z = nullptr;
    std::size_t zLength = 0;
    if ((c.size == Max32 || c.compressedSize == Max32) && FindExtraField(extra, ExtraZip64, z, zLength)) {
        std::size_t at = 0;
        if (c.size == Max32 && at + 8 <= zLength) {
            c.size = get64(z + at);
            at += 8;
        }
        if (c.compressedSize == Max32 && at + 8 <= zLength)
            c.compressedSize = get64(z + at);
    }
    // The AES field as the directory reader takes it, vendor included: the
    // repaired archive is read back by that reader.
    if (c.method == MethodAes && FindExtraField(extra, ExtraAes, z, zLength) && zLength >= 7 && z[2] == 'A' &&
        z[3] == 'E') {
        c.aes = true;
        c.aesVersion = get16(z);
        c.aesStrength = z[4];
        c.aesMethod = get16(z + 5);
    }
    c.name = DecodeEntryName(c.rawName, (c.flags & FlagUtf8) != 0);
    return Outcome::Kept;
}

Outcome Repairer::inflateToEnd(std::uint64_t dataStart, std::uint64_t limit, std::uint64_t &consumed,
                               std::uint64_t &produced, std::uint32_t &crc)
{
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return Outcome::Damaged;
    std::vector<unsigned char> &out = m_inflated;
    out.resize(ScanWindow);
    std::uint64_t at = dataStart;
    consumed = produced = 0;
    crc = 0;
    Outcome outcome = Outcome::Truncated;
    for (;;) {
        if (at >= limit) {
            outcome = Outcome::Damaged;
            break;
        }
        const unsigned char *in = nullptr;
        std::size_t got = 0;
        if (m_file.viewAhead(at, 1, in, got) != 0 || got == 0)
            break; // the file ended before the stream did
        got = std::size_t(std::min<std::uint64_t>(got, limit - at));
        zs.next_in = const_cast<unsigned char *>(in);
        zs.avail_in = uInt(got);
        int z = Z_OK;
        while (zs.avail_in > 0 && z == Z_OK) {
            zs.next_out = out.data();
            zs.avail_out = uInt(out.size());
            z = inflate(&zs, Z_NO_FLUSH);
            const std::size_t made = out.size() - zs.avail_out;
            crc = std::uint32_t(crc32(crc, out.data(), uInt(made)));
            produced += made;
            if (z == Z_BUF_ERROR && made == 0)
                z = Z_OK;
        }
        at += got - zs.avail_in;
        if (z == Z_STREAM_END) {
            outcome = Outcome::Kept;
            break;
        }
        if (z != Z_OK) {
            outcome = Outcome::Damaged;
            break;
        }
    }
    consumed = at - dataStart;
    m_work += consumed;
    inflateEnd(&zs);
    return outcome;
}

bool Repairer::readDescriptor(std::uint64_t at, std::uint64_t expectedCompressed, Candidate &c)
{
    unsigned char d[24] = {};
    const unsigned char *p = nullptr;
    std::size_t got = 0;
    if (m_file.view(at, sizeof d, p, got) != 0 || got < 12)
        return false;
    std::memcpy(d, p, got);
    const bool signature = get32(d) == DataDescriptorSignature;
    const unsigned char *body = signature ? d + 4 : d;
    const std::size_t head = signature ? 4 : 0;
    // The 32-bit form, then the ZIP64 form.
    if (got >= head + 12 && get32(body + 4) == expectedCompressed) {
        c.crc = get32(body);
        c.compressedSize = expectedCompressed;
        c.size = get32(body + 8);
        c.end = at + head + 12;
        return true;
    }
    if (got >= head + 20 && get64(body + 4) == expectedCompressed) {
        c.crc = get32(body);
        c.compressedSize = expectedCompressed;
        c.size = get64(body + 12);
        c.end = at + head + 20;
        return true;
    }
    return false;
}

void Repairer::indexDescriptors()
{
    m_descriptorsIndexed = true;
    for (std::uint64_t at = findSignature(0, LocalHeaderSignature); at != NotFound;
         at = findSignature(at + 1, LocalHeaderSignature)) {
        const unsigned char *h = nullptr;
        std::size_t got = 0;
        if (m_file.view(at, LocalHeaderSize, h, got) != 0 || got < LocalHeaderSize)
            break;
        const std::uint16_t flags = get16(h + 6);
        const bool inflatable = get16(h + 8) == MethodDeflated && !(flags & FlagEncrypted);
        if ((flags & FlagDataDescriptor) && !inflatable)
            m_descriptors.emplace_back(at + LocalHeaderSize + get16(h + 26) + get16(h + 28), NotFound);
    }
    std::sort(m_descriptors.begin(), m_descriptors.end());
    m_descriptors.erase(std::unique(m_descriptors.begin(), m_descriptors.end()), m_descriptors.end());
    if (m_descriptors.empty())
        return;
    // A descriptor at "at" giving compressed size n belongs to the data that
    // starts n bytes before it; the first one found for a start wins, in the
    // 32-bit form before the ZIP64 form, as a search from the data would.
    auto claim = [&](std::uint64_t at, std::uint64_t compressed) {
        if (compressed > at)
            return;
        const auto it = std::lower_bound(m_descriptors.begin(), m_descriptors.end(),
                                         std::make_pair(at - compressed, std::uint64_t(0)));
        if (it != m_descriptors.end() && it->first == at - compressed && it->second == NotFound)
            it->second = at;
    };
    for (std::uint64_t at = findSignature(0, DataDescriptorSignature); at != NotFound;
         at = findSignature(at + 1, DataDescriptorSignature)) {
        const unsigned char *d = nullptr;
        std::size_t got = 0;
        if (m_file.view(at, 24, d, got) != 0)
            break;
        if (got >= 16)
            claim(at, get32(d + 8));
        if (got >= 24)
            claim(at, get64(d + 8));
    }
}

Outcome Repairer::findDescriptor(Candidate &c, std::uint64_t limit)
{
    const std::uint64_t dataStart = c.dataStart();
    if (c.method == MethodDeflated && !(c.flags & FlagEncrypted)) {
        // The deflate stream says where it ends; the descriptor follows.
        std::uint64_t consumed = 0;
        std::uint64_t produced = 0;
        std::uint32_t crc = 0;
        const Outcome o = inflateToEnd(dataStart, limit, consumed, produced, crc);
        if (o != Outcome::Kept)
            return o;
        if (!readDescriptor(dataStart + consumed, consumed, c))
            return dataStart + consumed + 12 > m_file.size() ? Outcome::Truncated : Outcome::Damaged;
        return c.crc == crc && c.size == produced ? Outcome::Kept : Outcome::Damaged;
    }
    // Otherwise the descriptor is found by its signature and the compressed
    // size it gives, which must be its own distance from the data.
    if (!m_descriptorsIndexed)
        indexDescriptors();
    const auto it = std::lower_bound(m_descriptors.begin(), m_descriptors.end(),
                                     std::make_pair(dataStart, std::uint64_t(0)));
    if (it == m_descriptors.end() || it->first != dataStart || it->second == NotFound)
        return Outcome::Truncated;
    return readDescriptor(it->second, it->second - dataStart, c) ? Outcome::Kept : Outcome::Damaged;
}

Outcome Repairer::examine(std::uint64_t offset, Candidate &c, std::uint64_t limit)
{
    const Outcome parsed = parseHeader(offset, c);
    if (parsed != Outcome::Kept)
        return parsed;
    const std::uint64_t dataStart = c.dataStart();
    if (dataStart > limit)
        return Outcome::Damaged;
    if (c.flags & FlagDataDescriptor) {
        const Outcome o = findDescriptor(c, limit);
        if (o != Outcome::Kept)
            return o;
    } else {
        if (dataStart > m_file.size() || c.compressedSize > m_file.size() - dataStart)
            return Outcome::Truncated;
        c.end = dataStart + c.compressedSize;
    }
    if (c.end > limit)
        return Outcome::Damaged;

    ZipEntry entry;
    entry.rawName = c.rawName;
    entry.name = c.name;
    entry.flags = c.flags;
    entry.method = c.method;
    entry.dosDateTime = c.dosDateTime;
    entry.crc = c.crc;
    entry.compressedSize = c.compressedSize;
    entry.size = c.size;
    entry.localHeaderOffset = offset;
    entry.aes = c.aes;
    entry.aesVersion = c.aesVersion;
    entry.aesStrength = c.aesStrength;
    entry.aesMethod = c.aesMethod;
    m_work += c.compressedSize;
    const int checked = CheckEntryData(m_file, entry, m_password);
    c.unverified = unverifiable(checked);
    if (checked == TOVO_ZIP_OK || c.unverified)
        return Outcome::Kept;
    return checked == TOVO_ZIP_ERR_EOF ? Outcome::Truncated : Outcome::Damaged;
}

void Repairer::keep(Candidate &c)
{
    // The local extra field is read only now: candidates that overlap are
    // never copied.
    c.extra.resize(c.extraLength);
    if (m_file.readAt(c.offset + LocalHeaderSize + c.rawName.size(), c.extra.data(), c.extraLength) != 0)
        c.extra.clear();
    m_kept.push_back(std::move(c));
}

void Repairer::collectCentralRecords()
{
    // Only the position of the first record that matches each kept entry is
    // remembered: records found anywhere, overlapping or not, cost nothing
    // more than the scan.
    m_centralAt.assign(m_kept.size(), NotFound);
    std::unordered_multimap<std::uint64_t, std::size_t> wanted;
    for (std::size_t i = 0; i < m_kept.size(); ++i)
        wanted.emplace(centralKey(m_kept[i].crc, m_kept[i].compressedSize, m_kept[i].rawName.size()), i);
    std::size_t missing = m_kept.size();
    for (std::uint64_t at = findSignature(0, CentralHeaderSignature); at != NotFound && missing > 0;
         at = findSignature(at + 1, CentralHeaderSignature)) {
        const unsigned char *h = nullptr;
        std::size_t got = 0;
        if (m_file.view(at, CentralHeaderSize, h, got) != 0 || got < CentralHeaderSize)
            break;
        const std::size_t nameLength = get16(h + 28);
        const std::size_t total = CentralHeaderSize + nameLength + get16(h + 30) + get16(h + 32);
        if (nameLength == 0 || m_file.view(at, total, h, got) != 0 || got < total)
            continue;
        const std::string_view extra(reinterpret_cast<const char *>(h + CentralHeaderSize + nameLength),
                                     get16(h + 30));
        std::uint64_t compressed = get32(h + 20);
        const unsigned char *z = nullptr;
        std::size_t zLength = 0;
        if (compressed == Max32 && FindExtraField(extra, ExtraZip64, z, zLength)) {
            // The ZIP64 field holds the sizes that overflowed, uncompressed first.
            const std::size_t field = get32(h + 24) == Max32 ? 8 : 0;
            if (field + 8 <= zLength)
                compressed = get64(z + field);
        }
        const auto [first, last] = wanted.equal_range(centralKey(get32(h + 16), compressed, nameLength));
        for (auto it = first; it != last; ++it) {
            const Candidate &c = m_kept[it->second];
            if (m_centralAt[it->second] == NotFound && c.crc == get32(h + 16) && c.compressedSize == compressed &&
                c.rawName.size() == nameLength && std::memcmp(c.rawName.data(), h + CentralHeaderSize, nameLength) == 0) {
                m_centralAt[it->second] = at;
                --missing;
            }
        }
    }
}

bool Repairer::centralInfo(std::size_t kept, CentralInfo &info)
{
    const std::uint64_t at = m_centralAt.empty() ? NotFound : m_centralAt[kept];
    unsigned char h[CentralHeaderSize];
    if (at == NotFound || m_file.readAt(at, h, sizeof h) != 0)
        return false;
    const std::size_t nameLength = get16(h + 28);
    info.versionMadeBy = get16(h + 4);
    info.internalAttributes = get16(h + 36);
    info.externalAttributes = get32(h + 38);
    info.extra.resize(get16(h + 30));
    info.comment.resize(get16(h + 32));
    const std::uint64_t extraAt = at + CentralHeaderSize + nameLength;
    return m_file.readAt(extraAt, info.extra.data(), info.extra.size()) == 0 &&
           m_file.readAt(extraAt + info.extra.size(), info.comment.data(), info.comment.size()) == 0;
}

void Repairer::drop(const Candidate &c)
{
    ++m_dropped;
    if (!c.name.empty())
        m_reporter.skipping(c.name, TOVO_ZIP_SKIP_UNSUPPORTED);
}

int Repairer::light()
{
    ZipDirectory dir;
    if (ReadZipDirectory(m_file, dir) == 0) {
        // Nothing to repair when every entry tests clean: the archive is
        // left as it is, the entries that could not be checked reported.
        std::vector<const ZipEntry *> unchecked;
        bool sound = true;
        for (const ZipEntry &entry : dir.entries) {
            const int code = CheckEntryData(m_file, entry, m_password);
            if (unverifiable(code))
                unchecked.push_back(&entry);
            sound = sound && (code == TOVO_ZIP_OK || unverifiable(code));
        }
        if (sound) {
            for (const ZipEntry *entry : unchecked) {
                if (m_reporter.skipping(entry->name, TOVO_ZIP_SKIP_UNVERIFIED))
                    return TOVO_ZIP_ERR_ABORTED;
            }
            return unchecked.empty() ? TOVO_ZIP_OK : TOVO_ZIP_WARN_SKIPPED;
        }
    }
    // Walk the local headers one after the other, from the first.
    std::uint64_t pos = findPlausibleHeader(0);
    if (pos == NotFound)
        return TOVO_ZIP_ERR_FIX;
    bool truncated = false;
    for (;;) {
        Candidate c;
        const Outcome o = examine(pos, c);
        if (o == Outcome::Truncated) {
            // The file ends inside this entry: it is the damaged end.
            drop(c);
            if (m_reporter.stopRequested())
                return TOVO_ZIP_ERR_ABORTED;
            truncated = true;
            break;
        }
        if (o != Outcome::Kept)
            return TOVO_ZIP_ERR_FIX; // damaged in the middle: the harder repair may find what follows
        pos = c.end;
        keep(c);
        unsigned char sig[4];
        if (m_file.readAt(pos, sig, 4) != 0 || get32(sig) != LocalHeaderSignature)
            break;
    }
    // More local headers further on mean the chain broke before the end.
    if (findPlausibleHeader(truncated ? pos + 1 : pos) != NotFound)
        return TOVO_ZIP_ERR_FIX;
    collectCentralRecords();
    return reportUnverified(write());
}

int Repairer::harder()
{
    std::uint64_t next = findSignature(0, LocalHeaderSignature);
    while (next != NotFound) {
        const std::uint64_t at = next;
        next = findSignature(at + 1, LocalHeaderSignature);
        const std::uint64_t limit = m_work <= m_budget ? NotFound : next == NotFound ? m_file.size() : next;
        Candidate c;
        const Outcome o = examine(at, c, limit);
        if (o == Outcome::Kept && c.end > at) {
            if (next != NotFound && next < c.end)
                next = findSignature(c.end, LocalHeaderSignature);
            keep(c);
            continue;
        }
        if (o == Outcome::Truncated || o == Outcome::Damaged)
            drop(c);
        if (m_reporter.stopRequested())
            return TOVO_ZIP_ERR_ABORTED;
    }
    collectCentralRecords();
    return reportUnverified(write());
}

int Repairer::reportUnverified(int code)
{
    if (code != TOVO_ZIP_OK && code != TOVO_ZIP_WARN_SKIPPED)
        return code;
    for (const Candidate &c : m_kept) {
        if (!c.unverified)
            continue;
        code = TOVO_ZIP_WARN_SKIPPED;
        if (m_reporter.skipping(c.name, TOVO_ZIP_SKIP_UNVERIFIED))
            break; // the repaired archive is in place: a stop changes nothing now
    }
    return code;
}

int Repairer::checkResult(int fd, std::uint64_t size)
{
    ArchiveFile file;
    file.attach(fd, size);
    ZipDirectory dir;
    if (ReadZipDirectory(file, dir) != 0 || dir.entries.size() != m_kept.size())
        return TOVO_ZIP_ERR_FIX;
    for (std::size_t i = 0; i < dir.entries.size(); ++i) {
        const int code = CheckEntryData(file, dir.entries[i], m_password);
        if (code != TOVO_ZIP_OK && !unverifiable(code))
            return TOVO_ZIP_ERR_FIX;
        // What checked clean before must check clean in the result, or be
        // reported like any entry that cannot be checked.
        if (code != TOVO_ZIP_OK)
            m_kept[i].unverified = true;
    }
    return TOVO_ZIP_OK;
}

// Appends to the temporary file through a buffer.
class Output {
public:
    explicit Output(TempFile &file) : m_file(file) {}
    bool append(const void *data, std::size_t n)
    {
        const auto *bytes = static_cast<const unsigned char *>(data);
        m_buffer.insert(m_buffer.end(), bytes, bytes + n);
        m_position += n;
        return m_buffer.size() < (1u << 20) || flush();
    }
    bool append(const std::string &s) { return append(s.data(), s.size()); }
    bool flush()
    {
        if (!m_buffer.empty() && !m_file.writeAt(m_buffer.data(), m_buffer.size(), m_position - m_buffer.size()))
            return false;
        m_buffer.clear();
        return true;
    }
    std::uint64_t position() const { return m_position; }

private:
    TempFile &m_file;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_position = 0;
};

// Copies [from, to) of file to out.
int copyRange(ArchiveFile &file, std::uint64_t from, std::uint64_t to, Output &out)
{
    while (from < to) {
        const unsigned char *data = nullptr;
        std::size_t got = 0;
        if (int rc = file.view(from, std::size_t(std::min<std::uint64_t>(to - from, ScanWindow)), data, got))
            return rc;
        if (got == 0)
            return TOVO_ZIP_ERR_EOF;
        if (!out.append(data, got))
            return TOVO_ZIP_ERR_WRITE;
        from += got;
    }
    return TOVO_ZIP_OK;
}

std::string centralRecord(const Candidate &c, const CentralInfo *info)
{
    const bool directory = !c.name.empty() && c.name.back() == '/';
    // Without a central record, the entry gets what a Unix producer writes
    // for a plain file or folder, so extraction gives usable permissions.
    const std::uint16_t madeBy = info ? info->versionMadeBy : std::uint16_t(HostUnix << 8 | 20);
    const std::uint32_t external = info        ? info->externalAttributes
                                   : directory ? (040755u << 16) | 0x10
                                               : (0100644u << 16);
    std::string extra = info ? carriedExtra(info->extra, false) + checkedFields(c.extra) : carriedExtra(c.extra, true);

    std::string zip64;
    if (c.size >= Max32)
        put64(zip64, c.size);
    if (c.compressedSize >= Max32)
        put64(zip64, c.compressedSize);
    if (c.newOffset >= Max32)
        put64(zip64, c.newOffset);
    if (!zip64.empty()) {
        std::string field;
        put16(field, ExtraZip64);
        put16(field, std::uint16_t(zip64.size()));
        extra = field + zip64 + extra;
    }
    if (extra.size() > 0xFFFF)
        extra.resize(0); // never happens with fields read from 16-bit lengths, but the record must stay valid
    const std::string comment = info ? info->comment.substr(0, 0xFFFF) : std::string();

    std::uint16_t versionNeeded = c.versionNeeded;
    if (!zip64.empty() && (versionNeeded & 0xFF) < 45)
        versionNeeded = std::uint16_t((versionNeeded & 0xFF00) | 45);

    std::string r;
    put32(r, CentralHeaderSignature);
    put16(r, madeBy);
    put16(r, versionNeeded);
    put16(r, c.flags);
    put16(r, c.method);
    put16(r, std::uint16_t(c.dosDateTime & 0xFFFF));
    put16(r, std::uint16_t(c.dosDateTime >> 16));
    put32(r, c.crc);
    put32(r, std::uint32_t(std::min<std::uint64_t>(c.compressedSize, Max32)));
    put32(r, std::uint32_t(std::min<std::uint64_t>(c.size, Max32)));
    put16(r, std::uint16_t(c.rawName.size()));
    put16(r, std::uint16_t(extra.size()));
    put16(r, std::uint16_t(comment.size()));
    put16(r, 0); // disk
    put16(r, info ? info->internalAttributes : 0);
    put32(r, external);
    put32(r, std::uint32_t(std::min<std::uint64_t>(c.newOffset, Max32)));
    r += c.rawName;
    r += extra;
    r += comment;
    return r;
}

std::string endRecords(std::uint64_t entries, std::uint64_t centralOffset, std::uint64_t centralSize)
{
    std::string r;
    const bool zip64 = entries >= 0xFFFF || centralOffset >= Max32 || centralSize >= Max32;
    if (zip64) {
        const std::uint64_t zip64End = centralOffset + centralSize;
        put32(r, Zip64EndSignature);
        put64(r, Zip64EndRecordSize - 12);
        put16(r, HostUnix << 8 | 45);
        put16(r, 45);
        put32(r, 0);
        put32(r, 0);
        put64(r, entries);
        put64(r, entries);
        put64(r, centralSize);
        put64(r, centralOffset);
        put32(r, Zip64LocatorSignature);
        put32(r, 0);
        put64(r, zip64End);
        put32(r, 1);
    }
    put32(r, EndSignature);
    put16(r, 0);
    put16(r, 0);
    put16(r, std::uint16_t(std::min<std::uint64_t>(entries, 0xFFFF)));
    put16(r, std::uint16_t(std::min<std::uint64_t>(entries, 0xFFFF)));
    put32(r, std::uint32_t(std::min<std::uint64_t>(centralSize, Max32)));
    put32(r, std::uint32_t(std::min<std::uint64_t>(centralOffset, Max32)));
    put16(r, 0);
    return r;
}

int Repairer::write()
{
    if (m_kept.empty())
        return TOVO_ZIP_ERR_FIX;
    int systemError = 0;
    if (int rc = m_temp.create(m_target, systemError))
        return rc;
    Output out(m_temp);
    // Whatever stands in front of the first entry (a self-extractor) is
    // kept, and the new offsets count it.
    if (int rc = copyRange(m_file, 0, m_kept.front().offset, out))
        return rc;
    for (Candidate &c : m_kept) {
        c.newOffset = out.position();
        if (int rc = copyRange(m_file, c.offset, c.end, out))
            return rc;
        if (m_reporter.nameOnly(TOVO_ZIP_MSG_FIXING, c.name))
            return TOVO_ZIP_ERR_ABORTED;
    }
    const std::uint64_t centralOffset = out.position();
    for (std::size_t i = 0; i < m_kept.size(); ++i) {
        CentralInfo info;
        if (!out.append(centralRecord(m_kept[i], centralInfo(i, info) ? &info : nullptr)))
            return TOVO_ZIP_ERR_WRITE;
    }
    const std::uint64_t centralSize = out.position() - centralOffset;
    if (!out.append(endRecords(m_kept.size(), centralOffset, centralSize)) || !out.flush())
        return TOVO_ZIP_ERR_WRITE;
    if (int rc = checkResult(m_temp.fd(), out.position()))
        return rc;
    if (int rc = m_temp.replace(m_target, &m_original, systemError))
        return rc;
    return m_dropped > 0 ? TOVO_ZIP_WARN_SKIPPED : TOVO_ZIP_OK;
}

} // namespace

int RunFix(const WriterArgs &args, Reporter &reporter, bool harder)
{
    struct stat st;
    if (::stat(args.archive.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? TOVO_ZIP_WARN_NO_ARCHIVE : TOVO_ZIP_ERR_OPEN_ARCHIVE;
    ArchiveFile file;
    if (int rc = file.open(args.archive))
        return rc;
    if (file.size() == 0)
        return TOVO_ZIP_ERR_FIX;
    Repairer repairer(file, args.password, reporter, ResolvedArchivePath(args.archive), st);
    return harder ? repairer.harder() : repairer.light();
}

} // namespace tovo::zip
