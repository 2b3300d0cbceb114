#include "ziplib/common/inflater.h"

#include <algorithm>
#include <climits>

#include <zlib.h>

namespace tovo::zip
{

std::uint32_t Crc32(std::uint32_t crc, const void *data, std::size_t length)
{
    return std::uint32_t(crc32_z(crc, static_cast<const Bytef *>(data), length));
}

struct Inflater::State {
    z_stream zs{};
    bool started = false;
    bool ended = false;
    ~State()
    {
        if (started)
            inflateEnd(&zs);
    }
};

Inflater::Inflater() = default;
Inflater::~Inflater() = default;

bool Inflater::reset(std::uint64_t)
{
    if (!m_state)
        m_state = std::make_unique<State>();
    State &s = *m_state;
    s.ended = false;
    if (s.started)
        return inflateReset(&s.zs) == Z_OK;
    s.started = inflateInit2(&s.zs, -MAX_WBITS) == Z_OK;
    return s.started;
}

Inflater::Status Inflater::inflate(const unsigned char *&in, std::size_t &inLength, unsigned char *&out,
                                   std::size_t &outLength)
{
    State &s = *m_state;
    if (s.ended)
        return Status::End;
    const uInt inChunk = uInt(std::min<std::size_t>(inLength, UINT_MAX));
    const uInt outChunk = uInt(std::min<std::size_t>(outLength, UINT_MAX));
    s.zs.next_in = const_cast<Bytef *>(in);
    s.zs.avail_in = inChunk;
    s.zs.next_out = out;
    s.zs.avail_out = outChunk;
    const int z = ::inflate(&s.zs, Z_NO_FLUSH);
    const std::size_t used = inChunk - s.zs.avail_in;
    const std::size_t made = outChunk - s.zs.avail_out;
    in += used;
    inLength -= used;
    out += made;
    outLength -= made;
    switch (z) {
    case Z_STREAM_END:
        s.ended = true;
        return Status::End;
    case Z_OK:
    case Z_BUF_ERROR: // no progress possible now
        return Status::Ok;
    case Z_MEM_ERROR:
        return Status::Memory;
    default:
        return Status::Damaged;
    }
}

} // namespace tovo::zip
