#include "ziplib/common/zipcrypto.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <zlib.h>

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
    EVP_CIPHER_CTX *cipher = nullptr;
    EVP_MAC *macType = nullptr;
    EVP_MAC_CTX *mac = nullptr;
    unsigned char counter[16] = {};
    std::vector<unsigned char> counters;
    std::vector<unsigned char> stream;
    std::size_t streamUsed = 0; // bytes of stream already consumed

    ~State()
    {
        EVP_CIPHER_CTX_free(cipher);
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(macType);
    }

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
        int outLength = 0;
        if (EVP_EncryptUpdate(cipher, stream.data(), &outLength, counters.data(), int(counters.size())) != 1 ||
            std::size_t(outLength) != stream.size())
            return false;
        streamUsed = 0;
        return true;
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
    if (PKCS5_PBKDF2_HMAC_SHA1(password.data(), int(password.size()), salt, int(saltLength), 1000,
                               int(2 * keyLength + 2), derived) != 1)
        return Init::Failure;
    if (std::memcmp(derived + 2 * keyLength, verifier, 2) != 0)
        return Init::WrongPassword;

    auto state = std::make_unique<State>();
    const EVP_CIPHER *type = strength == 1 ? EVP_aes_128_ecb() : strength == 2 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
    state->cipher = EVP_CIPHER_CTX_new();
    state->macType = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    state->mac = state->macType ? EVP_MAC_CTX_new(state->macType) : nullptr;
    if (!state->cipher || !state->mac)
        return Init::Failure;
    if (EVP_EncryptInit_ex(state->cipher, type, nullptr, derived, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(state->cipher, 0) != 1)
        return Init::Failure;
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    if (EVP_MAC_init(state->mac, derived + keyLength, keyLength, params) != 1)
        return Init::Failure;
    state->streamUsed = state->stream.size();
    m_state = std::move(state);
    return Init::Ok;
}

bool AesDecryptor::decrypt(unsigned char *data, std::size_t n)
{
    if (!m_state || EVP_MAC_update(m_state->mac, data, n) != 1)
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
    if (!m_state)
        return false;
    unsigned char full[EVP_MAX_MD_SIZE];
    std::size_t length = 0;
    if (EVP_MAC_final(m_state->mac, full, &length, sizeof full) != 1 || length < AesCodeSize)
        return false;
    return std::memcmp(full, code, AesCodeSize) == 0;
}

} // namespace tovo::zip
