// The AES primitives on libcrypto's block functions only, so that a static
// link pulls in AES and SHA-1 and nothing else. HMAC (RFC 2104) and PBKDF2
// (RFC 8018) are built here on SHA-1.
#define OPENSSL_SUPPRESS_DEPRECATED // the block functions are all we want from a static libcrypto

#include "ziplib/common/aesprimitives.h"

#include <algorithm>
#include <cstring>

#include <openssl/aes.h>
#include <openssl/sha.h>

namespace tovo::zip
{
namespace
{

constexpr std::size_t Sha1Block = 64;

} // namespace

struct HmacSha1::State {
    SHA_CTX inner;
    SHA_CTX outer;
};

HmacSha1::HmacSha1() = default;
HmacSha1::~HmacSha1() = default;

bool HmacSha1::init(const unsigned char *key, std::size_t keyLength)
{
    unsigned char block[Sha1Block] = {};
    if (keyLength > Sha1Block) {
        // SHA1() itself would go through EVP.
        SHA_CTX hash;
        if (SHA1_Init(&hash) != 1 || SHA1_Update(&hash, key, keyLength) != 1 || SHA1_Final(block, &hash) != 1)
            return false;
    } else {
        std::memcpy(block, key, keyLength);
    }
    unsigned char pad[Sha1Block];
    auto state = std::make_unique<State>();
    for (std::size_t i = 0; i < Sha1Block; ++i)
        pad[i] = block[i] ^ 0x36;
    if (SHA1_Init(&state->inner) != 1 || SHA1_Update(&state->inner, pad, Sha1Block) != 1)
        return false;
    for (std::size_t i = 0; i < Sha1Block; ++i)
        pad[i] = block[i] ^ 0x5c;
    if (SHA1_Init(&state->outer) != 1 || SHA1_Update(&state->outer, pad, Sha1Block) != 1)
        return false;
    m_state = std::move(state);
    return true;
}

bool HmacSha1::update(const unsigned char *data, std::size_t n)
{
    return m_state && SHA1_Update(&m_state->inner, data, n) == 1;
}

bool HmacSha1::final(unsigned char out[Sha1Length])
{
    unsigned char innerDigest[Sha1Length];
    return m_state && SHA1_Final(innerDigest, &m_state->inner) == 1 &&
           SHA1_Update(&m_state->outer, innerDigest, Sha1Length) == 1 && SHA1_Final(out, &m_state->outer) == 1;
}

bool DeriveKeyPbkdf2Sha1(const std::string &password, const unsigned char *salt, std::size_t saltLength,
                         unsigned iterations, unsigned char *out, std::size_t outLength)
{
    const auto *key = reinterpret_cast<const unsigned char *>(password.data());
    for (std::uint32_t blockIndex = 1; outLength > 0; ++blockIndex) {
        const unsigned char counter[4] = {std::uint8_t(blockIndex >> 24), std::uint8_t(blockIndex >> 16),
                                          std::uint8_t(blockIndex >> 8), std::uint8_t(blockIndex)};
        unsigned char u[Sha1Length];
        unsigned char t[Sha1Length];
        HmacSha1 mac;
        if (!mac.init(key, password.size()) || !mac.update(salt, saltLength) || !mac.update(counter, 4) ||
            !mac.final(u))
            return false;
        std::memcpy(t, u, Sha1Length);
        for (unsigned round = 1; round < iterations; ++round) {
            HmacSha1 next;
            if (!next.init(key, password.size()) || !next.update(u, Sha1Length) || !next.final(u))
                return false;
            for (std::size_t i = 0; i < Sha1Length; ++i)
                t[i] ^= u[i];
        }
        const std::size_t n = std::min(outLength, Sha1Length);
        std::memcpy(out, t, n);
        out += n;
        outLength -= n;
    }
    return true;
}

struct AesBlocks::State {
    AES_KEY key;
};

AesBlocks::AesBlocks() = default;
AesBlocks::~AesBlocks() = default;

bool AesBlocks::init(const unsigned char *key, std::size_t keyLength)
{
    if (keyLength != 16 && keyLength != 24 && keyLength != 32)
        return false;
    auto state = std::make_unique<State>();
    if (AES_set_encrypt_key(key, int(keyLength * 8), &state->key) != 0)
        return false;
    m_state = std::move(state);
    return true;
}

bool AesBlocks::encrypt(const unsigned char *in, unsigned char *out, std::size_t n)
{
    if (!m_state || n % AES_BLOCK_SIZE != 0)
        return false;
    for (std::size_t i = 0; i < n; i += AES_BLOCK_SIZE)
        AES_encrypt(in + i, out + i, &m_state->key);
    return true;
}

} // namespace tovo::zip
