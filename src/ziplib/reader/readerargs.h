// The argument vector of the reading module, as the engine builds it:
//   list:    PASSWORD -v [-1N] [-2N] [-!] ARCHIVE [PATTERN...] [-x PATTERN...]
//   test:    PASSWORD [-!] -t ARCHIVE [PATTERN...] [-x PATTERN...]
//   extract: PASSWORD [-f|-u] [-1N] [-2N] [-j] [-!] [-n|-o] ARCHIVE [PATTERN...] [-x PATTERN...] [-d DIR]
#pragma once

#include <string>
#include <vector>

namespace tovo::zip
{

enum class ReaderCommand { List, Test, Extract };
enum class ExtractMode { All, Freshen, Update };
enum class OverwriteMode { Ask, Never, Always };

struct ReaderArgs {
    ReaderCommand command = ReaderCommand::Extract;
    ExtractMode mode = ExtractMode::All;
    OverwriteMode overwrite = OverwriteMode::Ask;
    bool junkPaths = false;
    std::string password;
    std::string archive;
    std::string destination; // empty: the current directory
    std::vector<std::string> patterns;
    std::vector<std::string> excludes;
};

// Fills args from the vector. Returns 0, or 250 for an unknown option, a
// missing archive name, "-d" without its folder, or options of different
// commands together. "-1N", "-2N" and "-!" are accepted and ignored.
int ParseReaderArgs(int argc, const char *const *argv, ReaderArgs &args);

} // namespace tovo::zip
