// The self-extractor's settings as a produced program carries them: one
// block between the stub and the archive, which the stub finds at the end of
// its own ELF image. Written by the conversion, read by the stub.
//
// Layout, little-endian: the 8 bytes "TOVOSFX\0", the format version (uint32,
// 1), the payload length (uint32) and the CRC-32 of the payload (uint32),
// then the payload: choice, option1, option2, passwordProtected, option3,
// option4 and the five showMessage switches (one byte each), then the texts,
// each a uint32 length and its UTF-8 bytes, in this order: text1 to text5,
// messages 0-4, prompts 0-6, captions 0-5, buttons 0-12, lines1, lines2 and
// the stub argument.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/zipcontract.h"

namespace tovo::zip
{

class ArchiveFile;

struct SfxBlock {
    std::array<std::string, 5> texts; // SfxText1 .. SfxText5
    std::uint8_t choice = 0;
    bool option1 = true;
    bool option2 = true;
    bool passwordProtected = false;
    bool option3 = true;
    bool option4 = false;
    std::array<std::string, TOVO_ZIP_SFX_MESSAGE_COUNT> messages;
    std::array<std::string, TOVO_ZIP_SFX_PROMPT_COUNT> prompts;
    std::array<std::string, TOVO_ZIP_SFX_CAPTION_COUNT> captions;
    std::array<std::string, TOVO_ZIP_SFX_BUTTON_COUNT> buttons;
    std::array<bool, TOVO_ZIP_SFX_MESSAGE_COUNT> showMessage{};
    std::string lines1; // lines ended by CR LF, as the record carries them
    std::string lines2;
    std::string argument;
};

// The most a block may hold; a larger one is refused on both sides.
inline constexpr std::size_t SfxBlockMaxPayload = 16 * 1024 * 1024;

// The block of a settings record (NULL texts read as empty) and the stub
// argument of the vector.
SfxBlock SfxBlockFromRecord(const TovoZipSfxSettings &record, const char *argument);

std::string EncodeSfxBlock(const SfxBlock &block);

// Reads the block at offset of file. Returns 0, or 100 when there is no
// well-formed block there (wrong magic or version, bad lengths, CRC
// mismatch), 140, 150.
int ReadSfxBlock(ArchiveFile &file, std::uint64_t offset, SfxBlock &block);

// The length of the ELF image at the start of file: the furthest end of its
// headers, segments and sections. 0 when the file is no little-endian ELF
// file or its headers run past its end.
std::uint64_t ElfImageSize(ArchiveFile &file);

} // namespace tovo::zip
