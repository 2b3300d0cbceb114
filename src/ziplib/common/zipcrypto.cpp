#include "ziplib/common/zipcrypto.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "ziplib/common/aesprimitives.h"

namespace tovo::zip
{
namespace
{

const z_crc_t *crcTable()
{
    return get_crc_table();
}

inline std::uint32_t crcByte(std::uint32_t crc, std::uint8_t b)
{
    return crcTable()[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

} // namespace

TraditionalCipher::TraditionalCipher(const std::string &password) : m_keys{305419896u, 591751049u, 878082192u}
{
    for (const char c : password)
        update(std::uint8_t(c));
}

void TraditionalCipher::update(std::uint8_t plain)
{
    m_keys[0] = crcByte(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
    m_keys[2] = crcByte(m_keys[2], std::uint8_t(m_keys[1] >> 24));
}

std::uint8_t TraditionalCipher::keyStream() const
{
    const std::uint32_t t = (m_keys[2] | 2) & 0xFFFF;
    return std::uint8_t((t * (t ^ 1)) >> 8);
}

void TraditionalCipher::decrypt(unsigned char *data, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t plain = data[i] ^ keyStream();
        update(plain);
        data[i] = plain;
    }
}

void TraditionalCipher::encrypt(unsigned char *data, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t k = keyStream();
        update(data[i]);
        data[i] ^= k;
    }
}

bool TraditionalCipher::decryptHeader(unsigned char *header, std::uint8_t checkByte)
{
    decrypt(header, TraditionalHeaderSize);
    return header[TraditionalHeaderSize - 1] == checkByte;
}

std::size_t AesSaltLength(std::uint8_t strength)
{
    switch (strength) {
    case 1:
        return 8;
    case 2:
        return 12;
    case 3:
        return 16;
    default:
        return 0;
    }
}

struct AesDecryptor::State {
    AesBlocks cipher;
    HmacSha1 mac;
    unsigned char counter[16] = {};
    std::vector<unsigned char> counters;
    std::vector<unsigned char> stream;
    std::size_t streamUsed = 0; // bytes of stream already consumed

    // Fills stream with the key stream of the next blocks.
    bool refill()
    {
        constexpr std::size_t blocks = 4096;
        counters.resize(blocks * 16);
        stream.resize(blocks * 16);
        for (std::size_t b = 0; b < blocks; ++b) {
            // Little-endian 128-bit counter, first block 1.
            for (int i = 0; i < 16 && ++counter[i] == 0; ++i) {
            }
            std::memcpy(counters.data() + b * 16, counter, 16);
        }
        streamUsed = 0;
        return cipher.encrypt(counters.data(), stream.data(), counters.size());
    }
};

AesDecryptor::AesDecryptor() = default;
AesDecryptor::~AesDecryptor() = default;

AesDecryptor::Init AesDecryptor::init(std::uint8_t strength, const std::string &password, const unsigned char *salt,
                                      const unsigned char *verifier)
{
    const std::size_t saltLength = AesSaltLength(strength);
    if (saltLength == 0)
        return Init::Failure;
    const std::size_t keyLength = saltLength * 2;
    unsigned char derived[2 * 32 + 2];
    if (!DeriveKeyPbkdf2Sha1(password, salt, saltLength, 1000, derived, 2 * keyLength + 2))
        return Init::Failure;
    if (std::memcmp(derived + 2 * keyLength, verifier, 2) != 0)
        return Init::WrongPassword;

    auto state = std::make_unique<State>();
    if (!state->cipher.init(derived, keyLength) || !state->mac.init(derived + keyLength, keyLength))
        return Init::Failure;
    state->streamUsed = state->stream.size();
    m_state = std::move(state);
    return Init::Ok;
}

bool AesDecryptor::decrypt(unsigned char *data, std::size_t n)
{
    if (!m_state || !m_state->mac.update(data, n))
        return false;
    for (std::size_t i = 0; i < n;) {
        if (m_state->streamUsed == m_state->stream.size() && !m_state->refill())
            return false;
        const std::size_t k = std::min(n - i, m_state->stream.size() - m_state->streamUsed);
        const unsigned char *s = m_state->stream.data() + m_state->streamUsed;
        for (std::size_t j = 0; j < k; ++j)
            data[i + j] ^= s[j];
        m_state->streamUsed += k;
        i += k;
    }
    return true;
}

bool AesDecryptor::finish(const unsigned char *code)
{
    unsigned char full[Sha1Length];
    if (!m_state || !m_state->mac.final(full))
        return false;
    return std::memcmp(full, code, AesCodeSize) == 0;
}

} // namespace tovo::zip
