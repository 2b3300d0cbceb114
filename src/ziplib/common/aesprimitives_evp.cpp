#include "ziplib/common/aesprimitives.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace tovo::zip
{

bool DeriveKeyPbkdf2Sha1(const std::string &password, const unsigned char *salt, std::size_t saltLength,
                         unsigned iterations, unsigned char *out, std::size_t outLength)
{
    return PKCS5_PBKDF2_HMAC_SHA1(password.data(), int(password.size()), salt, int(saltLength), int(iterations),
                                  int(outLength), out) == 1;
}

struct AesBlocks::State {
    EVP_CIPHER_CTX *cipher = nullptr;
    ~State() { EVP_CIPHER_CTX_free(cipher); }
};

AesBlocks::AesBlocks() = default;
AesBlocks::~AesBlocks() = default;

bool AesBlocks::init(const unsigned char *key, std::size_t keyLength)
{
    const EVP_CIPHER *type = keyLength == 16   ? EVP_aes_128_ecb()
                             : keyLength == 24 ? EVP_aes_192_ecb()
                             : keyLength == 32 ? EVP_aes_256_ecb()
                                               : nullptr;
    if (!type)
        return false;
    auto state = std::make_unique<State>();
    state->cipher = EVP_CIPHER_CTX_new();
    if (!state->cipher || EVP_EncryptInit_ex(state->cipher, type, nullptr, key, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(state->cipher, 0) != 1)
        return false;
    m_state = std::move(state);
    return true;
}

bool AesBlocks::encrypt(const unsigned char *in, unsigned char *out, std::size_t n)
{
    int outLength = 0;
    return m_state && EVP_EncryptUpdate(m_state->cipher, out, &outLength, in, int(n)) == 1 &&
           std::size_t(outLength) == n;
}

struct HmacSha1::State {
    EVP_MAC *type = nullptr;
    EVP_MAC_CTX *mac = nullptr;
    ~State()
    {
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(type);
    }
};

HmacSha1::HmacSha1() = default;
HmacSha1::~HmacSha1() = default;

bool HmacSha1::init(const unsigned char *key, std::size_t keyLength)
{
    auto state = std::make_unique<State>();
    state->type = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    state->mac = state->type ? EVP_MAC_CTX_new(state->type) : nullptr;
    if (!state->mac)
        return false;
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    if (EVP_MAC_init(state->mac, key, keyLength, params) != 1)
        return false;
    m_state = std::move(state);
    return true;
}

bool HmacSha1::update(const unsigned char *data, std::size_t n)
{
    return m_state && EVP_MAC_update(m_state->mac, data, n) == 1;
}

bool HmacSha1::final(unsigned char out[Sha1Length])
{
    std::size_t length = 0;
    return m_state && EVP_MAC_final(m_state->mac, out, &length, Sha1Length) == 1 && length == Sha1Length;
}

} // namespace tovo::zip
