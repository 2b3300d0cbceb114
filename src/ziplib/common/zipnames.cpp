#include "ziplib/common/zipnames.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tovo::zip
{
namespace
{

// Code page 850, bytes 0x80 to 0xFF.
constexpr std::array<std::uint16_t, 128> cp850{
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C,
    0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6,
    0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

void appendUtf8(std::string &out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// Length of the UTF-8 sequence starting at s[i] (1 for a stray byte).
std::size_t sequenceLength(std::string_view s, std::size_t i)
{
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return i + n <= s.size() ? n : 1;
}

bool isDrivePrefix(std::string_view component)
{
    return component.size() >= 2 && component[1] == ':' &&
           ((component[0] >= 'A' && component[0] <= 'Z') || (component[0] >= 'a' && component[0] <= 'z'));
}

} // namespace

void AppendCp850AsUtf8(std::string &out, std::string_view bytes)
{
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out.push_back(c);
        else
            appendUtf8(out, cp850[b - 0x80]);
    }
}

bool IsValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    // Names are mostly ASCII: eight bytes at a time while no high bit is set.
    while (i + 8 <= s.size()) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if ((word & 0x8080808080808080ULL) != 0)
            break;
        i += 8;
    }
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t n;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n > s.size())
            return false;
        for (std::size_t k = 1; k < n; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (d & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

void DecodeEntryNameInto(std::string &out, std::string_view raw, [[maybe_unused]] bool utf8Flag)
{
    // Valid UTF-8 is read as UTF-8 with or without the flag (a legacy name in
    // code page 850 is almost never valid UTF-8), and invalid UTF-8 under the
    // flag falls back to code page 850 rather than to replacement marks.
    out.clear();
    if (IsValidUtf8(raw)) {
        out.assign(raw);
    } else {
        out.reserve(raw.size() + 8);
        AppendCp850AsUtf8(out, raw);
    }
    for (std::size_t at = out.find('\\'); at != std::string::npos; at = out.find('\\', at + 1))
        out[at] = '/';
}

std::string DecodeEntryName(std::string_view raw, bool utf8Flag)
{
    std::string out;
    DecodeEntryNameInto(out, raw, utf8Flag);
    return out;
}

std::optional<std::string> SafeRelativePath(std::string_view name, const NameRules &rules)
{
    auto isSeparator = [&](char c) { return c == rules.separator || (rules.backslashIsSeparator && c == '\\'); };
    if (name.empty() || isSeparator(name.front()))
        return std::nullopt; // absolute, or nothing
    if (name.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string out;
    out.reserve(name.size());
    bool first = true;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end]))
            ++end;
        const std::string_view component = name.substr(start, end - start);
        if (first && isDrivePrefix(component))
            return std::nullopt;
        if (component == "..")
            return std::nullopt;
        if (!component.empty() && component != ".") {
            if (!out.empty())
                out.push_back('/');
            out.append(component);
            first = false;
        }
        start = end + 1;
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

bool WildcardMatch(std::string_view pattern, std::string_view name)
{
    // Iterative matching with one backtrack point for the last "*": linear
    // in practice, never exponential.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += sequenceLength(name, n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            starN += sequenceLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string EscapedForTerminal(std::string_view name)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t n = sequenceLength(name, i);
        const unsigned char c = static_cast<unsigned char>(name[i]);
        char32_t u = c;
        if (n == 2)
            u = char32_t(c & 0x1F) << 6 | (name[i + 1] & 0x3F);
        else if (n == 3)
            u = char32_t(c & 0x0F) << 12 | char32_t(name[i + 1] & 0x3F) << 6 | (name[i + 2] & 0x3F);
        if (u == '\\') {
            out += "\\\\";
        } else if (u == '\n') {
            out += "\\n";
        } else if (u == '\r') {
            out += "\\r";
        } else if (u == '\t') {
            out += "\\t";
        } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 0xF];
        } else if (u == 0x2028 || u == 0x2029 || u == 0x061C || u == 0x200E || u == 0x200F ||
                   (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069)) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(u >> shift) & 0xF];
        } else {
            out.append(name.substr(i, n));
        }
        i += n;
    }
    return out;
}

bool PatternSelects(std::string_view pattern, std::string_view name)
{
    if (pattern.empty())
        return false;
    if (WildcardMatch(pattern, name))
        return true;
    std::string_view folder = pattern;
    while (!folder.empty() && folder.back() == '/')
        folder.remove_suffix(1);
    if (folder.empty() || folder.find_first_of("*?") != std::string_view::npos)
        return false;
    return name.size() > folder.size() && name.substr(0, folder.size()) == folder && name[folder.size()] == '/';
}

std::string PathDirectory(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string PathFileName(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace tovo::zip
