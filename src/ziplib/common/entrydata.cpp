#include "ziplib/common/entrydata.h"

#include <algorithm>
#include <new>
#include <optional>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/inflater.h"
#include "ziplib/common/zipcrypto.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipformat.h"
#include "ziplib/common/zipnames.h"

namespace tovo::zip
{
namespace
{

constexpr std::size_t InputChunk = 256 * 1024;

// Whether a local header names the entry: the same bytes, or bytes that
// decode to the same name (a producer may write "\\" in one and "/" in the
// other, or flag UTF-8 in one only).
bool sameName(const LocalHeader &local, const ZipEntry &entry)
{
    if (local.rawName == entry.storedName())
        return true;
    const std::string decoded = DecodeEntryName(local.rawName, (local.flags & FlagUtf8) != 0);
    return decoded == entry.name || decoded == DecodeEntryName(entry.storedName(), (entry.flags & FlagUtf8) != 0);
}

} // namespace

struct EntryDataReader::State {
    ArchiveFile *file = nullptr;
    std::uint16_t method = 0;
    std::uint64_t size = 0;
    std::uint32_t expectedCrc = 0;
    bool checkCrc = true;
    std::uint64_t position = 0;  // next compressed byte to fetch
    std::uint64_t remaining = 0; // compressed bytes not yet fetched
    std::uint64_t codePosition = 0;
    std::optional<TraditionalCipher> traditional;
    std::unique_ptr<AesDecryptor> aes;
    Inflater inflater;
    const unsigned char *pending = nullptr; // compressed bytes fetched, not yet decoded
    std::size_t pendingLength = 0;
    bool streamEnded = false;
    bool finished = false;
    int failed = 0; // a code once read failed; every later read returns it
    std::uint64_t produced = 0;
    std::uint32_t crc = 0;
    std::vector<unsigned char> input;

    // Fetches and decrypts up to n compressed bytes into input.
    int fetch(std::size_t n, std::size_t &got)
    {
        got = std::size_t(std::min<std::uint64_t>(n, remaining));
        if (got == 0)
            return TOVO_ZIP_OK;
        input.resize(std::max(input.size(), got));
        if (int rc = file->readAt(position, input.data(), got))
            return rc;
        position += got;
        remaining -= got;
        if (traditional)
            traditional->decrypt(input.data(), got);
        if (aes && !aes->decrypt(input.data(), got))
            return TOVO_ZIP_ERR_FATAL;
        return TOVO_ZIP_OK;
    }

    // Everything is read: the leftover compressed bytes still count for the
    // authentication code, then the sizes, the CRC and the code are checked.
    int finish()
    {
        if (aes) {
            std::size_t got = 0;
            while (remaining > 0) {
                if (int rc = fetch(InputChunk, got))
                    return rc;
            }
            unsigned char code[AesCodeSize];
            if (int rc = file->readAt(codePosition, code, sizeof code))
                return rc;
            if (!aes->finish(code))
                return TOVO_ZIP_ERR_CRC;
        }
        if (produced != size)
            return TOVO_ZIP_ERR_CRC;
        if (checkCrc && crc != expectedCrc)
            return TOVO_ZIP_ERR_CRC;
        finished = true;
        return TOVO_ZIP_OK;
    }

    int readStored(unsigned char *out, std::size_t capacity, std::size_t &got)
    {
        if (remaining > size - produced)
            return TOVO_ZIP_ERR_TOO_LARGE; // more data than declared: none of it is handed out
        if (remaining == 0)
            return finish();
        if (int rc = fetch(std::min(capacity, InputChunk), got))
            return rc;
        std::copy_n(input.data(), got, out);
        return TOVO_ZIP_OK;
    }

    int readDeflated(unsigned char *out, std::size_t capacity, std::size_t &got)
    {
        while (got == 0) {
            if (streamEnded)
                return finish();
            if (pendingLength == 0 && remaining > 0) {
                std::size_t fetched = 0;
                if (int rc = fetch(InputChunk, fetched))
                    return rc;
                pending = input.data();
                pendingLength = fetched;
            }
            // One byte of room past the declared size shows a lie without
            // ever handing that byte out.
            const std::uint64_t left = size - produced;
            const std::uint64_t room = left < UINT64_MAX ? left + 1 : left;
            std::size_t space = std::size_t(std::min<std::uint64_t>({capacity, room, 1u << 30}));
            const std::size_t before = space;
            const std::size_t inputBefore = pendingLength;
            unsigned char *next = out;
            const Inflater::Status z = inflater.inflate(pending, pendingLength, next, space);
            const std::size_t made = before - space;
            if (produced + made > size)
                return TOVO_ZIP_ERR_TOO_LARGE;
            got = made;
            if (z == Inflater::Status::End) {
                streamEnded = true;
            } else if (z == Inflater::Status::Memory) {
                return TOVO_ZIP_ERR_MEMORY;
            } else if (z == Inflater::Status::Damaged) {
                return TOVO_ZIP_ERR_CRC;
            } else if (made == 0 && pendingLength == inputBefore && (pendingLength > 0 || remaining == 0)) {
                // No progress: the compressed data ended before the stream did.
                return TOVO_ZIP_ERR_CRC;
            }
        }
        return TOVO_ZIP_OK;
    }
};

EntryDataReader::EntryDataReader() = default;
EntryDataReader::~EntryDataReader() = default;

std::uint64_t EntryDataReader::produced() const
{
    return m_state ? m_state->produced : 0;
}

int EntryDataReader::open(ArchiveFile &file, const ZipEntry &entry, const std::string &password)
{
    m_state.reset();
    try {
        auto s = std::make_unique<State>();
        if ((entry.flags & FlagStrongEncryption) != 0)
            return TOVO_ZIP_ERR_UNSUPPORTED;
        if (entry.method == MethodAes &&
            (!entry.aes || (entry.aesVersion != 1 && entry.aesVersion != 2) || AesSaltLength(entry.aesStrength) == 0))
            return TOVO_ZIP_ERR_UNSUPPORTED;
        s->method = entry.dataMethod();
        if (s->method != MethodStored && s->method != MethodDeflated)
            return TOVO_ZIP_ERR_METHOD;
        if (entry.size > BombMinimumSize && entry.size / std::max<std::uint64_t>(entry.compressedSize, 1) > BombRatio)
            return TOVO_ZIP_ERR_TOO_LARGE;

        LocalHeader local;
        if (int rc = ReadLocalHeader(file, entry.localHeaderOffset, local))
            return rc;
        if (local.dataOffset > file.size() || entry.compressedSize > file.size() - local.dataOffset)
            return TOVO_ZIP_ERR_EOF;
        // The whole local header counts: a long local extra field must not
        // put this entry's data on top of the next one's.
        if (local.dataOffset + entry.compressedSize > entry.spanEnd)
            return TOVO_ZIP_ERR_BAD_ARCHIVE;
        // Readers that go by the local headers must see the same entry.
        if (local.method != entry.method)
            return TOVO_ZIP_ERR_BAD_ARCHIVE;
        if (!sameName(local, entry))
            return TOVO_ZIP_WARN_SKIPPED;
        s->file = &file;
        s->size = entry.size;
        s->expectedCrc = entry.crc;
        s->position = local.dataOffset;
        s->remaining = entry.compressedSize;

        if (entry.encrypted()) {
            if (password.empty())
                return TOVO_ZIP_WARN_PASSWORD;
            if (entry.method == MethodAes) {
                const std::size_t saltLength = AesSaltLength(entry.aesStrength);
                if (s->remaining < saltLength + 2 + AesCodeSize)
                    return TOVO_ZIP_ERR_CRC;
                unsigned char head[16 + 2];
                if (int rc = file.readAt(s->position, head, saltLength + 2))
                    return rc;
                s->aes = std::make_unique<AesDecryptor>();
                switch (s->aes->init(entry.aesStrength, password, head, head + saltLength)) {
                case AesDecryptor::Init::Ok:
                    break;
                case AesDecryptor::Init::WrongPassword:
                    return TOVO_ZIP_WARN_PASSWORD;
                case AesDecryptor::Init::Failure:
                    return TOVO_ZIP_ERR_FATAL;
                }
                s->position += saltLength + 2;
                s->remaining -= saltLength + 2 + AesCodeSize;
                s->codePosition = s->position + s->remaining;
                // AE-2 stores no CRC: the authentication code stands for it.
                s->checkCrc = entry.aesVersion == 1;
            } else {
                if (s->remaining < TraditionalHeaderSize)
                    return TOVO_ZIP_ERR_CRC;
                unsigned char header[TraditionalHeaderSize];
                if (int rc = file.readAt(s->position, header, sizeof header))
                    return rc;
                // With the sizes after the data, the check byte is the high
                // byte of the DOS time instead of the CRC's.
                const std::uint8_t check = (local.flags & FlagDataDescriptor) != 0
                                               ? std::uint8_t(local.dosDateTime >> 8)
                                               : std::uint8_t(entry.crc >> 24);
                s->traditional.emplace(password);
                if (!s->traditional->decryptHeader(header, check))
                    return TOVO_ZIP_WARN_PASSWORD;
                s->position += TraditionalHeaderSize;
                s->remaining -= TraditionalHeaderSize;
            }
        }
        if (s->method == MethodDeflated && !s->inflater.reset(s->remaining))
            return TOVO_ZIP_ERR_MEMORY;
        m_state = std::move(s);
        return TOVO_ZIP_OK;
    } catch (const std::bad_alloc &) {
        return TOVO_ZIP_ERR_MEMORY;
    }
}

int EntryDataReader::read(unsigned char *out, std::size_t capacity, std::size_t &got)
{
    got = 0;
    if (!m_state)
        return TOVO_ZIP_ERR_FATAL;
    State &s = *m_state;
    if (s.failed)
        return s.failed;
    if (s.finished || capacity == 0)
        return TOVO_ZIP_OK;
    int rc;
    try {
        rc = s.method == MethodStored ? s.readStored(out, capacity, got) : s.readDeflated(out, capacity, got);
    } catch (const std::bad_alloc &) {
        rc = TOVO_ZIP_ERR_MEMORY;
    }
    if (rc != TOVO_ZIP_OK) {
        got = 0;
        s.failed = rc;
        return rc;
    }
    s.crc = Crc32(s.crc, out, got);
    s.produced += got;
    return TOVO_ZIP_OK;
}

int CheckEntryData(ArchiveFile &file, const ZipEntry &entry, const std::string &password)
{
    EntryDataReader reader;
    if (int rc = reader.open(file, entry, password))
        return rc;
    // One buffer per thread, grown to the largest entry checked (at most
    // 256 KiB): checking many small entries costs no allocation each.
    thread_local std::vector<unsigned char> buffer;
    const std::size_t wanted = std::size_t(std::min<std::uint64_t>(256 * 1024, entry.size + 1));
    if (buffer.size() < wanted)
        buffer.resize(wanted);
    for (;;) {
        std::size_t got = 0;
        if (int rc = reader.read(buffer.data(), wanted, got))
            return rc;
        if (got == 0)
            return TOVO_ZIP_OK;
    }
}

} // namespace tovo::zip
