// The three primitives that reading AES entries needs. Two builds exist:
// aesprimitives_evp.cpp on libcrypto's EVP interface (the library modules:
// hardware AES where the processor has it), and aesprimitives_small.cpp on
// libcrypto's block functions (the self-extractor, which links libcrypto
// statically: through EVP it would carry every algorithm, about 4 MB).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tovo::zip
{

inline constexpr std::size_t Sha1Length = 20;

// PBKDF2 with HMAC-SHA1. False on a library failure.
bool DeriveKeyPbkdf2Sha1(const std::string &password, const unsigned char *salt, std::size_t saltLength,
                         unsigned iterations, unsigned char *out, std::size_t outLength);

// AES in ECB mode without padding: encrypts whole 16-byte blocks.
class AesBlocks
{
public:
    AesBlocks();
    ~AesBlocks();
    AesBlocks(const AesBlocks &) = delete;
    AesBlocks &operator=(const AesBlocks &) = delete;

    // keyLength is 16, 24 or 32.
    bool init(const unsigned char *key, std::size_t keyLength);
    // n is a multiple of 16.
    bool encrypt(const unsigned char *in, unsigned char *out, std::size_t n);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// HMAC-SHA1, fed in pieces.
class HmacSha1
{
public:
    HmacSha1();
    ~HmacSha1();
    HmacSha1(const HmacSha1 &) = delete;
    HmacSha1 &operator=(const HmacSha1 &) = delete;

    bool init(const unsigned char *key, std::size_t keyLength);
    bool update(const unsigned char *data, std::size_t n);
    bool final(unsigned char out[Sha1Length]);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace tovo::zip
