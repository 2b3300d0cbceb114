// The argument vector of the writing module, element by element: the
// password, the options, the archive, then the file list with its includes
// and excludes.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "engine/zipcontract.h"

namespace tovo::zip {

enum class WriterCommand { Add, Freshen, Update, Delete, Fix, FixHarder, ConvertToSfx };

struct WriterArgs {
    WriterCommand command = WriterCommand::Add;
    std::string password;
    std::string archive;
    std::vector<std::string> files;    // file patterns or entry names, in order
    std::vector<std::string> includes; // "-i": patterns the stored names must match (one of)
    std::vector<std::string> excludes; // "-x": patterns no stored name may match

    bool encrypt = false;                      // "-e"
    int level = 6;                             // "-0" .. "-9"; 0 stores
    bool move = false;                         // "-m"
    bool hidden = false;                       // "-S"
    bool directoryEntries = false;             // "-D"
    bool recurse = false;                      // "-r"
    bool junkPaths = false;                    // "-j"
    bool wildcards = false;                    // "-W"
    bool selfExtractor = false;                // "-Y" with its three elements:
    std::string sfxStub;                       //   the stub program,
    std::string sfxArgument;                   //   its argument
    const TovoZipSfxSettings *sfxSettings = nullptr; // and the settings record
    std::vector<std::string> storedExtensions; // "-n", upper-cased, each with its dot
    std::optional<std::time_t> since;          // "-t": local midnight of the date
};

// Parses argv (argc elements; argv[0] is the password). Returns 0, or 250
// for an unknown option, an option without its value, a bad date, a second
// command, a missing archive name, or "-Y" without a valid settings record.
int ParseWriterArgs(int argc, const char *const *argv, WriterArgs &args);

// Whether name ends with one of the stored extensions (case-insensitive).
bool HasStoredExtension(const WriterArgs &args, const std::string &name);

// Whether a stored name passes the includes and excludes.
bool PassesIncludesExcludes(const WriterArgs &args, const std::string &storedName);

} // namespace tovo::zip
