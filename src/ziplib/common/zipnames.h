// Entry names: decoding stored bytes into UTF-8, the one safety check every
// name passes before it becomes a file, and wildcard matching.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tovo::zip
{

// The 128 upper characters of code page 850 (the French OEM code page)
// appended to out as UTF-8, bytes below 0x80 unchanged.
void AppendCp850AsUtf8(std::string &out, std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// The UTF-8 name of stored bytes: UTF-8 when the UTF-8 flag is set or the
// bytes are valid UTF-8, else code page 850. Backslashes become "/" (DOS and
// Windows producers store them as separators). Invalid UTF-8 under the flag
// is read as code page 850 too, so the result is always valid UTF-8.
std::string DecodeEntryName(std::string_view raw, bool utf8Flag);
// The same into out, reusing its room.
void DecodeEntryNameInto(std::string &out, std::string_view raw, bool utf8Flag);

// The separators a stored name is read with.
struct NameRules {
    char separator = '/';
    bool backslashIsSeparator = false; // already turned into "/" by DecodeEntryName
};

// The relative path a stored name (UTF-8) may be written to, with its
// components joined by "/": empty and "." components dropped, a trailing
// separator dropped. Refused (nullopt) when the name is absolute, starts with
// a drive prefix ("C:"), has a ".." component, holds a NUL byte, or leaves
// nothing. This is the one check every name that becomes a file passes.
std::optional<std::string> SafeRelativePath(std::string_view name, const NameRules &rules = {});

// Whether name matches pattern: "*" any run of characters (crossing "/"),
// "?" exactly one character (a UTF-8 sequence counts as one); everything
// else literally, case-sensitive.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Whether a file pattern selects an entry name: a wildcard match, or
// the name lies below the pattern taken as a folder ("dir" or "dir/"
// selects "dir/x").
bool PatternSelects(std::string_view pattern, std::string_view name);

// A UTF-8 name made safe to print on a terminal, one entry per line:
// "\\" for a backslash, "\n" "\r" "\t", "\xHH" for other C0 controls,
// DEL and C1 controls, "\uXXXX" for line separators and the characters
// that steer text direction (which could reorder the rest of the line).
std::string EscapedForTerminal(std::string_view name);

// The parts of a file-system path around its last "/": the folder ("." when
// there is none, "/" for the root) and the file name.
std::string PathDirectory(const std::string &path);
std::string PathFileName(const std::string &path);

// For each pattern, whether it is taken literally: it holds "*" or "?" and
// is the exact name of an entry. Such characters are legal in names here, and
// the program passes the exact names of the entries it means; read as
// wildcards they would select other entries too (deleting an entry named "*"
// would delete them all). nameOf(entry) gives an entry's decoded name.
template <class Entries, class NameOf>
std::vector<bool> LiteralPatterns(const std::vector<std::string> &patterns, const Entries &entries, NameOf nameOf)
{
    std::vector<bool> literal(patterns.size(), false);
    std::unordered_set<std::string_view> wild;
    for (const std::string &p : patterns) {
        if (p.find_first_of("*?") != std::string::npos)
            wild.insert(p);
    }
    if (wild.empty())
        return literal;
    std::unordered_set<std::string_view> named;
    for (const auto &entry : entries) {
        const std::string_view name = nameOf(entry);
        if (wild.count(name))
            named.insert(name);
    }
    for (std::size_t i = 0; i < patterns.size(); ++i)
        literal[i] = named.count(patterns[i]) != 0;
    return literal;
}

} // namespace tovo::zip
