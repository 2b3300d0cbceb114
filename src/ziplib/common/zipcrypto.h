// The two encryptions an entry can carry: the traditional ZIP stream cipher
// (read and written) and WinZip-style AES (AE-1/AE-2, read only), the latter
// on the primitives of aesprimitives.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tovo::zip
{

inline constexpr std::size_t TraditionalHeaderSize = 12;
inline constexpr std::size_t AesCodeSize = 10; // HMAC-SHA1 truncated to 10 bytes

// The traditional ZIP cipher, keyed by a password.
class TraditionalCipher
{
public:
    explicit TraditionalCipher(const std::string &password);
    void decrypt(unsigned char *data, std::size_t n);
    void encrypt(unsigned char *data, std::size_t n);

    // Decrypts the 12-byte header in place and says whether its last byte
    // equals checkByte (the high byte of the CRC, or of the DOS time when the
    // sizes follow the data).
    bool decryptHeader(unsigned char *header, std::uint8_t checkByte);

private:
    void update(std::uint8_t plain);
    std::uint8_t keyStream() const;
    std::uint32_t m_keys[3];
};

// Salt length of an AES strength (1, 2, 3 for 128, 192, 256 bits); 0 when unknown.
std::size_t AesSaltLength(std::uint8_t strength);

// AES-CTR decryption with a little-endian counter starting at 1 and
// HMAC-SHA1 over the encrypted data, keyed by PBKDF2-HMAC-SHA1 (1000
// iterations) from the password and salt.
class AesDecryptor
{
public:
    AesDecryptor();
    ~AesDecryptor();
    AesDecryptor(const AesDecryptor &) = delete;
    AesDecryptor &operator=(const AesDecryptor &) = delete;

    enum class Init { Ok, WrongPassword, Failure };
    // salt is AesSaltLength(strength) bytes, verifier 2 bytes.
    Init init(std::uint8_t strength, const std::string &password, const unsigned char *salt,
              const unsigned char *verifier);
    // Authenticates then decrypts n bytes in place. False on a library failure.
    bool decrypt(unsigned char *data, std::size_t n);
    // Whether the 10-byte code stored after the data matches.
    bool finish(const unsigned char *code);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace tovo::zip
