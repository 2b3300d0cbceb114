// The self-extractor's command line: the options scripts use, after those
// the program carries in its settings (the stub argument).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tovo::sfx {

struct SfxOptions {
    enum class Overwrite { Default, Always, Never };

    std::optional<std::string> destination; // -d DIR
    Overwrite overwrite = Overwrite::Default; // -o / -n
    std::optional<std::string> password;    // -p PASSWORD
    bool list = false;                      // -l
    bool test = false;                      // -t
    bool acceptLicence = false;             // -a
    bool help = false;                      // -h
};

// The words of the stub argument, split at spaces.
std::vector<std::string> SplitWords(const std::string &text);

// Reads args (without the program name) into options. Returns an empty
// text, or what is wrong (in French).
std::string ParseSfxOptions(const std::vector<std::string> &args, SfxOptions &options);

// Whether the command line (not the stub argument) names any option: the
// caller is then a script, which never gets a terminal window opened for it.
bool HasScriptOptions(int argc, char **argv);

// The French usage text.
std::string SfxUsage(const std::string &program);

} // namespace tovo::sfx
