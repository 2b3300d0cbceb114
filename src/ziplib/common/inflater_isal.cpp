#include "ziplib/common/inflater.h"

#include <algorithm>
#include <climits>
#include <new>

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

namespace tovo::zip
{

std::uint32_t Crc32(std::uint32_t crc, const void *data, std::size_t length)
{
    const auto *p = static_cast<const unsigned char *>(data);
    // The library takes 64-bit lengths; pieces keep it simple for any size_t.
    while (length > 0) {
        const std::size_t n = std::min<std::size_t>(length, std::size_t(1) << 30);
        crc = crc32_gzip_refl(crc, p, n);
        p += n;
        length -= n;
    }
    return crc;
}

// The decoder's state is large (about 87 KB) and needs no clearing between
// streams: isal_inflate_init resets what matters.
// ISA-L copies its fixed-code tables into the state for every block coded
// with them, which costs more than decoding a tiny stream (about twice
// zlib's time for an entry of a few dozen bytes): a small stream that starts
// with such a block goes to zlib, whose fixed tables are static.
struct Inflater::State {
    inflate_state isal;
    z_stream zlib{};
    bool zlibReady = false;
    bool useZlib = false;
    bool zlibEnded = false;
    bool started = false;
    std::uint64_t compressedSize = UINT64_MAX;
    ~State()
    {
        if (zlibReady)
            inflateEnd(&zlib);
    }
};

namespace
{
// Compressed streams up to this size that open with a fixed-code block are
// decoded by zlib.
constexpr std::uint64_t SmallStream = 1024;
} // namespace

namespace
{
// One state kept per thread for the next stream: checking many small
// entries then costs no allocation each.
thread_local std::unique_ptr<Inflater::State> spare;
} // namespace

Inflater::Inflater() = default;

Inflater::~Inflater()
{
    if (m_state && !spare)
        spare = std::move(m_state);
}

bool Inflater::reset(std::uint64_t compressedSize)
{
    if (!m_state)
        m_state = std::move(spare);
    if (!m_state) {
        m_state.reset(new (std::nothrow) State);
        if (!m_state)
            return false;
    }
    isal_inflate_init(&m_state->isal);
    m_state->isal.crc_flag = ISAL_DEFLATE;
    m_state->compressedSize = compressedSize;
    m_state->started = false;
    m_state->useZlib = false;
    m_state->zlibEnded = false;
    return true;
}

namespace
{

Inflater::Status inflateZlib(z_stream &zs, bool &ended, const unsigned char *&in, std::size_t &inLength,
                             unsigned char *&out, std::size_t &outLength)
{
    if (ended)
        return Inflater::Status::End;
    const uInt inChunk = uInt(std::min<std::size_t>(inLength, UINT_MAX));
    const uInt outChunk = uInt(std::min<std::size_t>(outLength, UINT_MAX));
    zs.next_in = const_cast<Bytef *>(in);
    zs.avail_in = inChunk;
    zs.next_out = out;
    zs.avail_out = outChunk;
    const int z = ::inflate(&zs, Z_NO_FLUSH);
    const std::size_t used = inChunk - zs.avail_in;
    const std::size_t made = outChunk - zs.avail_out;
    in += used;
    inLength -= used;
    out += made;
    outLength -= made;
    switch (z) {
    case Z_STREAM_END:
        ended = true;
        return Inflater::Status::End;
    case Z_OK:
    case Z_BUF_ERROR: // no progress possible now
        return Inflater::Status::Ok;
    case Z_MEM_ERROR:
        return Inflater::Status::Memory;
    default:
        return Inflater::Status::Damaged;
    }
}

} // namespace

Inflater::Status Inflater::inflate(const unsigned char *&in, std::size_t &inLength, unsigned char *&out,
                                   std::size_t &outLength)
{
    State &state = *m_state;
    if (!state.started && inLength > 0) {
        state.started = true;
        // Bits 1-2 of the first byte: the type of the first block, 01 fixed codes.
        if (state.compressedSize <= SmallStream && ((in[0] >> 1) & 3) == 1) {
            const bool ready = state.zlibReady ? inflateReset(&state.zlib) == Z_OK
                                               : (state.zlibReady = inflateInit2(&state.zlib, -MAX_WBITS) == Z_OK);
            if (!ready)
                return Status::Memory;
            state.useZlib = true;
        }
    }
    if (state.useZlib)
        return inflateZlib(state.zlib, state.zlibEnded, in, inLength, out, outLength);
    inflate_state &s = state.isal;
    if (s.block_state == ISAL_BLOCK_FINISH)
        return Status::End;
    const std::uint32_t inChunk = std::uint32_t(std::min<std::size_t>(inLength, UINT32_MAX));
    const std::uint32_t outChunk = std::uint32_t(std::min<std::size_t>(outLength, UINT32_MAX));
    s.next_in = const_cast<std::uint8_t *>(in); // read only, whatever the field's type says
    s.avail_in = inChunk;
    s.next_out = out;
    s.avail_out = outChunk;
    const int rc = isal_inflate(&s);
    const std::size_t used = inChunk - s.avail_in;
    const std::size_t made = outChunk - s.avail_out;
    in += used;
    inLength -= used;
    out += made;
    outLength -= made;
    if (rc != ISAL_DECOMP_OK)
        return Status::Damaged;
    return s.block_state == ISAL_BLOCK_FINISH ? Status::End : Status::Ok;
}

} // namespace tovo::zip
