#include "ziplib/common/sfxblock.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "ziplib/common/archivefile.h"
#include "ziplib/common/zipformat.h"

namespace tovo::zip
{
namespace
{

constexpr char Magic[8] = {'T', 'O', 'V', 'O', 'S', 'F', 'X', '\0'};
constexpr std::uint32_t FormatVersion = 1;
constexpr std::size_t HeaderSize = 20;
constexpr std::size_t SwitchCount = 6 + TOVO_ZIP_SFX_MESSAGE_COUNT;

// Every text of a block, in stored order.
template <typename Block, typename Fn> void forEachText(Block &block, Fn fn)
{
    for (auto &t : block.texts)
        fn(t);
    for (auto &t : block.messages)
        fn(t);
    for (auto &t : block.prompts)
        fn(t);
    for (auto &t : block.captions)
        fn(t);
    for (auto &t : block.buttons)
        fn(t);
    fn(block.lines1);
    fn(block.lines2);
    fn(block.argument);
}

std::string textOf(const char *text)
{
    return text ? std::string(text) : std::string();
}

template <std::size_t N> void copyTable(std::array<std::string, N> &out, const char *const *table)
{
    for (std::size_t i = 0; i < N; ++i)
        out[i] = table ? textOf(table[i]) : std::string();
}

std::uint32_t crcOf(const std::string &bytes)
{
    uLong crc = crc32(0, nullptr, 0);
    // zlib takes lengths as uInt: feed large payloads in pieces.
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t n = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        crc = crc32(crc, reinterpret_cast<const Bytef *>(bytes.data() + done), uInt(n));
        done += n;
    }
    return std::uint32_t(crc);
}

} // namespace

SfxBlock SfxBlockFromRecord(const TovoZipSfxSettings &record, const char *argument)
{
    SfxBlock block;
    const char *texts[] = {record.text1, record.text2, record.text3, record.text4, record.text5};
    for (std::size_t i = 0; i < block.texts.size(); ++i)
        block.texts[i] = textOf(texts[i]);
    block.choice = record.choice;
    block.option1 = record.option1 != 0;
    block.option2 = record.option2 != 0;
    block.passwordProtected = record.passwordProtected != 0;
    block.option3 = record.option3 != 0;
    block.option4 = record.option4 != 0;
    copyTable(block.messages, record.messages);
    copyTable(block.prompts, record.prompts);
    copyTable(block.captions, record.captions);
    copyTable(block.buttons, record.buttons);
    for (std::size_t i = 0; i < block.showMessage.size(); ++i)
        block.showMessage[i] = record.showMessage && record.showMessage[i] != 0;
    block.lines1 = textOf(record.lines1);
    block.lines2 = textOf(record.lines2);
    block.argument = textOf(argument);
    return block;
}

std::string EncodeSfxBlock(const SfxBlock &block)
{
    std::string payload;
    payload.push_back(char(block.choice));
    for (const bool b : {block.option1, block.option2, block.passwordProtected, block.option3, block.option4})
        payload.push_back(b ? 1 : 0);
    for (const bool b : block.showMessage)
        payload.push_back(b ? 1 : 0);
    forEachText(block, [&](const std::string &t) {
        put32(payload, std::uint32_t(t.size()));
        payload += t;
    });
    std::string out(Magic, sizeof Magic);
    put32(out, FormatVersion);
    put32(out, std::uint32_t(payload.size()));
    put32(out, crcOf(payload));
    return out + payload;
}

int ReadSfxBlock(ArchiveFile &file, std::uint64_t offset, SfxBlock &block)
{
    unsigned char header[HeaderSize];
    if (int rc = file.readAt(offset, header, sizeof header))
        return rc == TOVO_ZIP_ERR_EOF ? TOVO_ZIP_ERR_BAD_ARCHIVE : rc;
    if (std::memcmp(header, Magic, sizeof Magic) != 0 || get32(header + 8) != FormatVersion)
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    const std::uint32_t length = get32(header + 12);
    if (length > SfxBlockMaxPayload || length < SwitchCount)
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    std::string payload(length, '\0');
    if (int rc = file.readAt(offset + HeaderSize, payload.data(), length))
        return rc;
    if (crcOf(payload) != get32(header + 16))
        return TOVO_ZIP_ERR_BAD_ARCHIVE;

    SfxBlock parsed;
    const auto *p = reinterpret_cast<const unsigned char *>(payload.data());
    parsed.choice = p[0];
    parsed.option1 = p[1] != 0;
    parsed.option2 = p[2] != 0;
    parsed.passwordProtected = p[3] != 0;
    parsed.option3 = p[4] != 0;
    parsed.option4 = p[5] != 0;
    for (std::size_t i = 0; i < parsed.showMessage.size(); ++i)
        parsed.showMessage[i] = p[6 + i] != 0;
    std::size_t pos = SwitchCount;
    bool ok = true;
    forEachText(parsed, [&](std::string &t) {
        if (!ok || length - pos < 4) {
            ok = false;
            return;
        }
        const std::uint32_t n = get32(p + pos);
        pos += 4;
        if (n > length - pos) {
            ok = false;
            return;
        }
        t.assign(payload, pos, n);
        pos += n;
    });
    if (!ok || pos != length)
        return TOVO_ZIP_ERR_BAD_ARCHIVE;
    block = std::move(parsed);
    return TOVO_ZIP_OK;
}

std::uint64_t ElfImageSize(ArchiveFile &file)
{
    unsigned char h[64];
    if (file.size() < 52 || file.readAt(0, h, std::min<std::uint64_t>(sizeof h, file.size())) != TOVO_ZIP_OK)
        return 0;
    if (std::memcmp(h, "\x7f"
                       "ELF",
                    4) != 0 ||
        h[5] != 1 /* little-endian */)
        return 0;
    const bool wide = h[4] == 2;
    if (!wide && h[4] != 1)
        return 0;
    if (wide && file.size() < 64)
        return 0;
    const std::uint64_t phoff = wide ? get64(h + 32) : get32(h + 28);
    const std::uint64_t shoff = wide ? get64(h + 40) : get32(h + 32);
    const std::uint16_t headerSize = get16(h + (wide ? 52 : 40));
    const std::uint16_t phentsize = get16(h + (wide ? 54 : 42));
    const std::uint16_t phnum = get16(h + (wide ? 56 : 44));
    const std::uint16_t shentsize = get16(h + (wide ? 58 : 46));
    std::uint64_t shnum = get16(h + (wide ? 60 : 48));
    const std::size_t phMin = wide ? 56 : 32;
    const std::size_t shMin = wide ? 64 : 40;
    const std::uint64_t fileSize = file.size();
    std::uint64_t end = headerSize;

    // A range [offset, offset + length) inside the file moves end; one past
    // it makes the file no usable image.
    bool fits = true;
    auto cover = [&](std::uint64_t offset, std::uint64_t length) {
        if (offset > fileSize || length > fileSize - offset)
            fits = false;
        else
            end = std::max(end, offset + length);
    };
    std::vector<unsigned char> entry;
    if (phnum > 0) {
        if (phentsize < phMin)
            return 0;
        cover(phoff, std::uint64_t(phnum) * phentsize);
        entry.resize(phentsize);
        for (std::uint16_t i = 0; fits && i < phnum; ++i) {
            if (file.readAt(phoff + std::uint64_t(i) * phentsize, entry.data(), phentsize) != TOVO_ZIP_OK)
                return 0;
            const std::uint64_t offset = wide ? get64(entry.data() + 8) : get32(entry.data() + 4);
            const std::uint64_t length = wide ? get64(entry.data() + 32) : get32(entry.data() + 16);
            cover(offset, length);
        }
    }
    if (shoff != 0) {
        if (shentsize < shMin)
            return 0;
        entry.resize(shentsize);
        if (shnum == 0) {
            // More sections than the header can count: section 0 holds the number.
            if (file.readAt(shoff, entry.data(), shentsize) != TOVO_ZIP_OK)
                return 0;
            shnum = wide ? get64(entry.data() + 32) : get32(entry.data() + 20);
            if (shnum > (1u << 20))
                return 0;
        }
        cover(shoff, shnum * shentsize);
        for (std::uint64_t i = 0; fits && i < shnum; ++i) {
            if (file.readAt(shoff + i * shentsize, entry.data(), shentsize) != TOVO_ZIP_OK)
                return 0;
            constexpr std::uint32_t NoBits = 8;
            if (get32(entry.data() + 4) == NoBits)
                continue;
            const std::uint64_t offset = wide ? get64(entry.data() + 24) : get32(entry.data() + 16);
            const std::uint64_t length = wide ? get64(entry.data() + 32) : get32(entry.data() + 20);
            cover(offset, length);
        }
    }
    return fits ? end : 0;
}

} // namespace tovo::zip
