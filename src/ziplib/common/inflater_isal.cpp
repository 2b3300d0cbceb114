#include "ziplib/common/inflater.h"

#include <algorithm>
#include <climits>
#include <new>

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

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
struct Inflater::State {
    inflate_state isal;
};

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

bool Inflater::reset()
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
    return true;
}

Inflater::Status Inflater::inflate(const unsigned char *&in, std::size_t &inLength, unsigned char *&out,
                                   std::size_t &outLength)
{
    inflate_state &s = m_state->isal;
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
