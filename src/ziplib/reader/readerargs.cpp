#include "ziplib/reader/readerargs.h"

#include <cstring>
#include <string_view>

#include "engine/zipcontract.h"

namespace tovo::zip
{
namespace
{

bool isNumber(std::string_view s)
{
    if (!s.empty() && s.front() == '-')
        s.remove_prefix(1);
    if (s.empty())
        return false;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

int ParseReaderArgs(int argc, const char *const *argv, ReaderArgs &args)
{
    args = ReaderArgs();
    if (argc < 2 || !argv || !argv[0])
        return TOVO_ZIP_ERR_PARAMETERS;
    args.password = argv[0];
    bool list = false, test = false, modeGiven = false, overwriteGiven = false;
    int i = 1;
    // Options until the archive name.
    for (; i < argc; ++i) {
        if (!argv[i])
            return TOVO_ZIP_ERR_PARAMETERS;
        const std::string_view a = argv[i];
        if (a.empty())
            return TOVO_ZIP_ERR_PARAMETERS; // an empty archive name
        if (a.front() != '-')
            break;
        if (a == "-v") {
            list = true;
        } else if (a == "-t") {
            test = true;
        } else if (a == "-f" || a == "-u") {
            if (modeGiven)
                return TOVO_ZIP_ERR_PARAMETERS;
            modeGiven = true;
            args.mode = a == "-f" ? ExtractMode::Freshen : ExtractMode::Update;
        } else if (a == "-n" || a == "-o") {
            if (overwriteGiven)
                return TOVO_ZIP_ERR_PARAMETERS;
            overwriteGiven = true;
            args.overwrite = a == "-n" ? OverwriteMode::Never : OverwriteMode::Always;
        } else if (a == "-j") {
            args.junkPaths = true;
        } else if (a == "-!") {
            // Multi-disk mode: nothing to do on this platform.
        } else if ((a.substr(0, 2) == "-1" || a.substr(0, 2) == "-2") && isNumber(a.substr(2))) {
            // Two numbers the engine always passes; they carry no meaning here.
        } else {
            return TOVO_ZIP_ERR_PARAMETERS;
        }
    }
    if (i >= argc)
        return TOVO_ZIP_ERR_PARAMETERS;
    if (list && test)
        return TOVO_ZIP_ERR_PARAMETERS;
    args.command = list ? ReaderCommand::List : test ? ReaderCommand::Test : ReaderCommand::Extract;
    if (args.command != ReaderCommand::Extract && (modeGiven || overwriteGiven || args.junkPaths))
        return TOVO_ZIP_ERR_PARAMETERS;
    args.archive = argv[i++];

    // The destination is always the last two elements; anything between the
    // archive and it is the file list, then "-x" and the exclusions.
    int last = argc;
    if (args.command == ReaderCommand::Extract && argc - i >= 2 && argv[argc - 2] &&
        std::strcmp(argv[argc - 2], "-d") == 0) {
        if (!argv[argc - 1] || !*argv[argc - 1])
            return TOVO_ZIP_ERR_PARAMETERS;
        args.destination = argv[argc - 1];
        last = argc - 2;
    } else if (argc - i >= 1 && argv[argc - 1] && std::strcmp(argv[argc - 1], "-d") == 0) {
        return TOVO_ZIP_ERR_PARAMETERS; // "-d" without its folder
    }
    bool excluding = false;
    for (; i < last; ++i) {
        if (!argv[i])
            return TOVO_ZIP_ERR_PARAMETERS;
        const std::string_view a = argv[i];
        if (a.empty())
            continue;
        if (!excluding && a == "-x") {
            excluding = true;
            continue;
        }
        (excluding ? args.excludes : args.patterns).emplace_back(a);
    }
    return TOVO_ZIP_OK;
}

} // namespace tovo::zip
