// Record signatures, field constants and little-endian access for the ZIP
// format. Readers take a pointer the caller has bounds-checked.
#pragma once

#include <cstdint>
#include <string>

namespace tovo::zip
{

inline constexpr std::uint32_t LocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t CentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t EndSignature = 0x06054b50;
inline constexpr std::uint32_t Zip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50;
inline constexpr std::uint32_t DataDescriptorSignature = 0x08074b50;

inline constexpr std::size_t LocalHeaderSize = 30;
inline constexpr std::size_t CentralHeaderSize = 46;
inline constexpr std::size_t EndRecordSize = 22;
inline constexpr std::size_t Zip64EndRecordSize = 56;
inline constexpr std::size_t Zip64LocatorSize = 20;

// General-purpose flag bits.
inline constexpr std::uint16_t FlagEncrypted = 0x0001;
inline constexpr std::uint16_t FlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t FlagStrongEncryption = 0x0040;
inline constexpr std::uint16_t FlagUtf8 = 0x0800;
inline constexpr std::uint16_t FlagMaskedHeaders = 0x2000;

// Compression methods.
inline constexpr std::uint16_t MethodStored = 0;
inline constexpr std::uint16_t MethodDeflated = 8;
inline constexpr std::uint16_t MethodAes = 99;

// Extra-field tags.
inline constexpr std::uint16_t ExtraZip64 = 0x0001;
inline constexpr std::uint16_t ExtraTimestamp = 0x5455;
inline constexpr std::uint16_t ExtraUnicodePath = 0x7075;
inline constexpr std::uint16_t ExtraAes = 0x9901;

// Host systems (high byte of "version made by").
inline constexpr std::uint8_t HostMsDos = 0;
inline constexpr std::uint8_t HostUnix = 3;
inline constexpr std::uint8_t HostNtfs = 10;
inline constexpr std::uint8_t HostVfat = 14;
inline constexpr std::uint8_t HostMacOsX = 19;

inline std::uint16_t get16(const unsigned char *p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::uint32_t get32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline std::uint64_t get64(const unsigned char *p)
{
    return get32(p) | (std::uint64_t(get32(p + 4)) << 32);
}

inline void put16(std::string &out, std::uint16_t v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}
inline void put32(std::string &out, std::uint32_t v)
{
    put16(out, std::uint16_t(v & 0xFFFF));
    put16(out, std::uint16_t(v >> 16));
}
inline void put64(std::string &out, std::uint64_t v)
{
    put32(out, std::uint32_t(v & 0xFFFFFFFFu));
    put32(out, std::uint32_t(v >> 32));
}

} // namespace tovo::zip
