#include "ziplib/writer/sfxconvert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/sfxblock.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipformat.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/writer/tempfile.h"
#include "ziplib/writer/writerargs.h"

namespace tovo::zip {
namespace {

// The code that tells the user why writing the program failed: rights, a
// full disk, else fallback.
int CodeOfSystemError(int error, int fallback)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return TOVO_ZIP_ERR_ACCESS;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return TOVO_ZIP_ERR_WRITE;
    default:
        return fallback;
    }
}

constexpr std::uint32_t Max32 = 0xFFFFFFFFu;
constexpr std::size_t CopyChunk = 8 * 1024 * 1024;
constexpr mode_t ProgramMode = 0755;

// Moves the local-header offset of every central header in central by
// delta (the 32-bit field, or its ZIP64 extra field when the 32-bit one is
// saturated). False when a header is malformed or an offset leaves the
// 32-bit range that its header has no room beyond.
bool shiftOffsets(std::string &central, std::size_t count, std::int64_t delta)
{
    auto *p = reinterpret_cast<unsigned char *>(central.data());
    const std::size_t size = central.size();
    std::size_t pos = 0;
    auto patch32 = [](unsigned char *at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            at[i] = std::uint8_t(v >> (8 * i));
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (size - pos < CentralHeaderSize || get32(p + pos) != CentralHeaderSignature)
            return false;
        unsigned char *h = p + pos;
        const std::size_t nameLength = get16(h + 28);
        const std::size_t extraLength = get16(h + 30);
        const std::size_t commentLength = get16(h + 32);
        const std::size_t total = CentralHeaderSize + nameLength + extraLength + commentLength;
        if (size - pos < total)
            return false;
        const std::uint32_t offset32 = get32(h + 42);
        if (offset32 != Max32) {
            const std::int64_t moved = std::int64_t(offset32) + delta;
            if (moved < 0 || moved >= std::int64_t(Max32))
                return false;
            patch32(h + 42, std::uint32_t(moved));
        } else {
            // The ZIP64 field holds the sizes first, each only when its
            // 32-bit field is saturated, then the offset.
            unsigned char *extra = h + CentralHeaderSize + nameLength;
            std::size_t skip = (get32(h + 24) == Max32 ? 8 : 0) + (get32(h + 20) == Max32 ? 8 : 0);
            bool found = false;
            for (std::size_t e = 0; e + 4 <= extraLength;) {
                const std::uint16_t tag = get16(extra + e);
                const std::size_t length = get16(extra + e + 2);
                if (e + 4 + length > extraLength)
                    break;
                if (tag == ExtraZip64 && length >= skip + 8) {
                    unsigned char *at = extra + e + 4 + skip;
                    const std::int64_t moved = std::int64_t(get64(at)) + delta;
                    if (moved < 0)
                        return false;
                    patch32(at, std::uint32_t(std::uint64_t(moved)));
                    patch32(at + 4, std::uint32_t(std::uint64_t(moved) >> 32));
                    found = true;
                    break;
                }
                e += 4 + length;
            }
            if (!found)
                return false;
        }
        pos += total;
    }
    return true;
}

// The end records of an archive whose central directory of size bytes,
// with count entries, starts at offset; ZIP64 records when the archive had
// them or a value needs them.
std::string endRecords(std::uint64_t count, std::uint64_t offset, std::uint64_t size, bool zip64,
                       const std::string &comment)
{
    std::string out;
    zip64 = zip64 || count >= 0xFFFF || size >= Max32 || offset >= Max32;
    if (zip64) {
        const std::uint64_t recordPosition = offset + size;
        put32(out, Zip64EndSignature);
        put64(out, Zip64EndRecordSize - 12);
        put16(out, 45); // made by: version 4.5
        put16(out, 45); // needed
        put32(out, 0);  // this disk
        put32(out, 0);  // disk of the central directory
        put64(out, count);
        put64(out, count);
        put64(out, size);
        put64(out, offset);
        put32(out, Zip64LocatorSignature);
        put32(out, 0);
        put64(out, recordPosition);
        put32(out, 1); // disks in all
    }
    put32(out, EndSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, std::uint16_t(std::min<std::uint64_t>(count, 0xFFFF)));
    put16(out, std::uint16_t(std::min<std::uint64_t>(count, 0xFFFF)));
    put32(out, std::uint32_t(std::min<std::uint64_t>(size, Max32)));
    put32(out, std::uint32_t(std::min<std::uint64_t>(offset, Max32)));
    const std::size_t commentLength = std::min<std::size_t>(comment.size(), 0xFFFF);
    put16(out, std::uint16_t(commentLength));
    out.append(comment, 0, commentLength);
    return out;
}

class Conversion {
public:
    Conversion(Reporter &reporter, const std::string &name) : m_reporter(reporter), m_name(name) {}

    // Copies length bytes of from, starting at offset, to the end of the
    // temporary file, reporting progress against total. Returns 0, 370, or
    // the code of the failure (a full disk: 91).
    int copy(ArchiveFile &from, std::uint64_t offset, std::uint64_t length)
    {
        std::vector<unsigned char> buffer;
        while (length > 0) {
            const std::size_t n = std::size_t(std::min<std::uint64_t>(length, CopyChunk));
            // In-kernel copy first (shared extents where the file system
            // can), plain reads and writes when it cannot.
            loff_t in = loff_t(offset), out = loff_t(m_written);
            ssize_t done = m_kernelCopy ? ::copy_file_range(from.fd(), &in, m_temp.fd(), &out, n, 0) : -1;
            if (done <= 0) {
                // A real write failure (a full disk) fails the plain write too.
                m_kernelCopy = false;
                buffer.resize(n);
                if (from.readAt(offset, buffer.data(), n) != TOVO_ZIP_OK)
                    return TOVO_ZIP_ERR_READ;
                if (!m_temp.writeAt(buffer.data(), n, m_written))
                    return CodeOfSystemError(errno, TOVO_ZIP_ERR_WRITE);
                done = ssize_t(n);
            }
            offset += std::uint64_t(done);
            length -= std::uint64_t(done);
            m_written += std::uint64_t(done);
            if (m_reporter.fileStats(TOVO_ZIP_MSG_STATUS, m_name, std::int64_t(m_total), std::int64_t(m_total),
                                     std::int64_t(m_written), 0, 0))
                return TOVO_ZIP_ERR_ABORTED;
        }
        return TOVO_ZIP_OK;
    }

    int append(const std::string &bytes)
    {
        if (!m_temp.writeAt(bytes.data(), bytes.size(), m_written))
            return CodeOfSystemError(errno, TOVO_ZIP_ERR_WRITE);
        m_written += bytes.size();
        return TOVO_ZIP_OK;
    }

    TempFile &temp() { return m_temp; }
    std::uint64_t written() const { return m_written; }
    void setTotal(std::uint64_t total) { m_total = total; }

private:
    Reporter &m_reporter;
    std::string m_name;
    TempFile m_temp;
    std::uint64_t m_written = 0;
    std::uint64_t m_total = 0;
    bool m_kernelCopy = true;
};

// Whether the program reads back as the archive: the same entries, each
// local header where its central header says.
bool readsBack(int fd, std::uint64_t size, const ZipDirectory &original)
{
    ArchiveFile file;
    file.attach(fd, size);
    ZipDirectory dir;
    if (ReadZipDirectory(file, dir) != TOVO_ZIP_OK || dir.frontShift != 0 ||
        dir.entries.size() != original.entries.size())
        return false;
    for (std::size_t i = 0; i < dir.entries.size(); ++i) {
        LocalHeader header;
        if (dir.entries[i].storedName() != original.entries[i].storedName() ||
            ReadLocalHeader(file, dir.entries[i].localHeaderOffset, header) != TOVO_ZIP_OK ||
            header.rawName != dir.entries[i].storedName())
            return false;
    }
    return true;
}

} // namespace

std::string SfxProgramPath(const std::string &archive)
{
    const std::size_t slash = archive.rfind('/');
    const std::size_t leafStart = slash == std::string::npos ? 0 : slash + 1;
    if (leafStart >= archive.size())
        return std::string();
    // Back three characters, a UTF-8 sequence counting as one.
    std::size_t cut = archive.size();
    for (int chars = 0; chars < 3 && cut > leafStart; ++chars) {
        do
            --cut;
        while (cut > leafStart && (std::uint8_t(archive[cut]) & 0xC0) == 0x80);
    }
    return archive.substr(0, cut) + "EXE";
}

int RunConvertToSfx(const WriterArgs &args, Reporter &reporter)
{
    if (!args.selfExtractor || !args.sfxSettings)
        return TOVO_ZIP_ERR_PARAMETERS;

    // A stub is an ELF image and nothing more: the block goes right where
    // the image ends, which is where the stub looks for it.
    ArchiveFile stub;
    if (args.sfxStub.empty() || stub.open(args.sfxStub) != TOVO_ZIP_OK)
        return TOVO_ZIP_ERR_SFX_STUB;
    const std::uint64_t stubSize = ElfImageSize(stub);
    if (stubSize == 0 || stubSize != stub.size())
        return TOVO_ZIP_ERR_SFX_STUB;

    ArchiveFile archive;
    ZipDirectory dir;
    if (archive.open(args.archive) != TOVO_ZIP_OK || ReadZipDirectory(archive, dir) != TOVO_ZIP_OK)
        return TOVO_ZIP_ERR_SFX;
    const std::string target = SfxProgramPath(args.archive);
    struct stat archiveStat, targetStat;
    if (target.empty() || ::fstat(archive.fd(), &archiveStat) != 0)
        return TOVO_ZIP_ERR_SFX;
    if (::stat(target.c_str(), &targetStat) == 0 && targetStat.st_dev == archiveStat.st_dev &&
        targetStat.st_ino == archiveStat.st_ino)
        return TOVO_ZIP_ERR_SFX; // the program's name is the archive's own

    // Whatever stood in front of the archive (an older stub) is left out.
    std::uint64_t start = dir.centralOffset;
    for (const ZipEntry &e : dir.entries)
        start = std::min(start, e.localHeaderOffset);
    const std::string block = EncodeSfxBlock(SfxBlockFromRecord(*args.sfxSettings, args.sfxArgument.c_str()));
    const std::uint64_t front = stubSize + block.size();
    const std::int64_t delta = std::int64_t(dir.frontShift) + std::int64_t(front) - std::int64_t(start);

    std::string central(std::size_t(dir.centralSize), '\0');
    if (archive.readAt(dir.centralOffset, central.data(), central.size()) != TOVO_ZIP_OK ||
        !shiftOffsets(central, dir.entries.size(), delta))
        return TOVO_ZIP_ERR_SFX;
    const std::uint64_t newCentralOffset = front + (dir.centralOffset - start);
    const std::string end =
        endRecords(dir.entries.size(), newCentralOffset, central.size(), dir.zip64, dir.comment);

    Conversion conversion(reporter, args.archive);
    int systemError = 0;
    if (conversion.temp().create(target, systemError) != TOVO_ZIP_OK)
        return CodeOfSystemError(systemError, TOVO_ZIP_ERR_CREATE);
    conversion.setTotal(stubSize + block.size() + (dir.centralOffset - start) + central.size() + end.size());
    int rc = conversion.copy(stub, 0, stubSize);
    if (rc == TOVO_ZIP_OK)
        rc = conversion.append(block);
    if (rc == TOVO_ZIP_OK)
        rc = conversion.copy(archive, start, dir.centralOffset - start);
    if (rc == TOVO_ZIP_OK)
        rc = conversion.append(central);
    if (rc == TOVO_ZIP_OK)
        rc = conversion.append(end);
    if (rc != TOVO_ZIP_OK)
        return rc; // the temporary file goes with conversion
    if (!readsBack(conversion.temp().fd(), conversion.written(), dir))
        return TOVO_ZIP_ERR_SFX;
    if (conversion.temp().replace(target, nullptr, systemError, ProgramMode) != TOVO_ZIP_OK)
        return CodeOfSystemError(systemError, TOVO_ZIP_ERR_SFX);
    return TOVO_ZIP_OK;
}

} // namespace tovo::zip
