// Raw deflate decoding and the CRC-32 of ZIP entries. Two builds exist, as
// for the AES primitives: inflater_isal.cpp on ISA-L's inflate (the library
// modules: about three times zlib's speed, streaming, bounded memory) and
// inflater_zlib.cpp on zlib (the self-extractor, which links everything
// statically and for which Debian ships no static ISA-L).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tovo::zip
{

// The CRC-32 of ZIP entries, continued from crc (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const void *data, std::size_t length);

class Inflater
{
public:
    Inflater();
    ~Inflater();
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Starts a new raw deflate stream of at most compressedSize bytes (a
    // hint: tiny streams may be decoded another way). False when memory is
    // short.
    bool reset(std::uint64_t compressedSize = UINT64_MAX);

    enum class Status {
        Ok,      // some progress, or none possible without more input or room
        End,     // the stream is complete and everything was handed out
        Damaged, // not a valid deflate stream
        Memory,
    };
    // Decodes from in into out, moving both pointers on and their lengths
    // down. Never writes more than outLength bytes.
    Status inflate(const unsigned char *&in, std::size_t &inLength, unsigned char *&out, std::size_t &outLength);

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace tovo::zip
