// Builds small ZIP archives byte by byte, for the cases no producer writes
// on purpose: wrong counts, overlapping entries, lying sizes, split sets.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QList>

#include <zlib.h>

namespace tovo::test
{

struct BuildEntry {
    BuildEntry(QByteArray n, QByteArray c, std::uint16_t m = 0) : name(std::move(n)), content(std::move(c)), method(m)
    {
    }

    QByteArray name;
    QByteArray content;       // uncompressed
    std::uint16_t method = 0; // 0 stored, 8 deflated (raw deflate of content), anything else as is
    std::uint16_t flags = 0;
    std::uint16_t madeBy = 0x031E; // Unix, 3.0
    std::uint32_t externalAttributes = 0100644u << 16;
    std::uint32_t dosDateTime = 0x5A8F6A00; // 2025-04-15 13:16:00
    QByteArray extra;                       // central and local
    // Replaces the compressed bytes (after compression), e.g. to encrypt them.
    std::function<QByteArray(const QByteArray &)> transform;
    std::optional<std::uint32_t> size, compressedSize, crc; // declared values, when they lie
    std::optional<std::uint32_t> localOffset;               // declared offset, when it lies
    // The local header, when it disagrees with the central directory.
    std::optional<QByteArray> localName;
    std::optional<std::uint16_t> localMethod, localExtraLength;
};

struct BuildOptions {
    QByteArray prefix;                       // bytes in front, not counted by the offsets
    std::optional<std::uint16_t> entryCount; // declared count, when it lies
    std::uint16_t diskNumber = 0;
    QByteArray comment;
};

inline void le16(QByteArray &b, std::uint32_t v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
inline void le32(QByteArray &b, std::uint32_t v)
{
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

inline QByteArray rawDeflate(const QByteArray &data)
{
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&zs, uLong(data.size()))), '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(int(zs.total_out));
    deflateEnd(&zs);
    return out;
}

inline std::uint32_t crcOf(const QByteArray &data)
{
    return std::uint32_t(crc32(0, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
}

// Incompressible bytes, the same for a given seed.
inline QByteArray noise(int size, unsigned seed)
{
    QByteArray out(size, Qt::Uninitialized);
    unsigned x = seed * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = char(x);
    }
    return out;
}

inline QByteArray buildZip(const QList<BuildEntry> &entries, const BuildOptions &options = {})
{
    QByteArray body;
    QByteArray central;
    for (const BuildEntry &e : entries) {
        QByteArray payload = e.method == 8 ? rawDeflate(e.content) : e.content;
        if (e.transform)
            payload = e.transform(payload);
        const std::uint32_t offset = e.localOffset.value_or(std::uint32_t(body.size()));
        const std::uint32_t crc = e.crc.value_or(crcOf(e.content));
        const std::uint32_t size = e.size.value_or(std::uint32_t(e.content.size()));
        const std::uint32_t csize = e.compressedSize.value_or(std::uint32_t(payload.size()));
        QByteArray local;
        le32(local, 0x04034b50);
        le16(local, 20);
        le16(local, e.flags);
        le16(local, e.localMethod.value_or(e.method));
        le32(local, e.dosDateTime);
        le32(local, crc);
        le32(local, csize);
        le32(local, size);
        const QByteArray localName = e.localName.value_or(e.name);
        le16(local, std::uint32_t(localName.size()));
        le16(local, e.localExtraLength.value_or(std::uint16_t(e.extra.size())));
        body += local + localName + e.extra + payload;

        le32(central, 0x02014b50);
        le16(central, e.madeBy);
        le16(central, 20);
        le16(central, e.flags);
        le16(central, e.method);
        le32(central, e.dosDateTime);
        le32(central, crc);
        le32(central, csize);
        le32(central, size);
        le16(central, std::uint32_t(e.name.size()));
        le16(central, std::uint32_t(e.extra.size()));
        le16(central, 0);
        le16(central, 0);
        le16(central, 0);
        le32(central, e.externalAttributes);
        le32(central, offset);
        central += e.name + e.extra;
    }
    QByteArray end;
    const std::uint16_t count = options.entryCount.value_or(std::uint16_t(entries.size()));
    le32(end, 0x06054b50);
    le16(end, options.diskNumber);
    le16(end, options.diskNumber);
    le16(end, count);
    le16(end, count);
    le32(end, std::uint32_t(central.size()));
    le32(end, std::uint32_t(body.size()));
    le16(end, std::uint32_t(options.comment.size()));
    return options.prefix + body + central + end + options.comment;
}

} // namespace tovo::test
