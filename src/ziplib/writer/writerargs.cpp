#include "ziplib/writer/writerargs.h"

#include <cstring>

#include "engine/zipcontract.h"
#include "ziplib/common/zipnames.h"

namespace tovo::zip {
namespace {

std::string upper(std::string s)
{
    for (char &c : s) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return s;
}

std::vector<std::string> splitExtensions(const std::string &list)
{
    std::vector<std::string> out;
    std::string current;
    for (const char c : list + ';') {
        if (c == ';' || c == ',' || c == ':') {
            while (!current.empty() && current.back() == ' ')
                current.pop_back();
            const std::size_t start = current.find_first_not_of(' ');
            if (start != std::string::npos)
                out.push_back(upper(current.substr(start)));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    return out;
}

// "ddmmyyyy" as the local midnight starting that day; nullopt for a date
// that is no real date. Dates up to 1 January 1980 filter nothing: no ZIP
// date can be older, and a file stamped before it must still be added.
bool parseDate(const char *text, std::optional<std::time_t> &since)
{
    if (std::strlen(text) != 8)
        return false;
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        digits[i] = text[i] - '0';
    }
    const int day = digits[0] * 10 + digits[1];
    const int month = digits[2] * 10 + digits[3];
    const int year = digits[4] * 1000 + digits[5] * 100 + digits[6] * 10 + digits[7];
    static const int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > monthDays[month - 1])
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap)
        return false;
    if (year < 1980 || (year == 1980 && month == 1 && day == 1)) {
        since.reset();
        return true;
    }
    std::tm tm{};
    tm.tm_mday = day;
    tm.tm_mon = month - 1;
    tm.tm_year = year - 1900;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == std::time_t(-1))
        return false;
    since = t;
    return true;
}

bool isCommand(const std::string &option, WriterCommand &command)
{
    if (option == "-f")
        command = WriterCommand::Freshen;
    else if (option == "-u")
        command = WriterCommand::Update;
    else if (option == "-d")
        command = WriterCommand::Delete;
    else if (option == "-F")
        command = WriterCommand::Fix;
    else if (option == "-FF")
        command = WriterCommand::FixHarder;
    else if (option == "-M")
        command = WriterCommand::ConvertToSfx;
    else
        return false;
    return true;
}

} // namespace

int ParseWriterArgs(int argc, const char *const *argv, WriterArgs &args)
{
    if (argc < 1 || !argv || !argv[0])
        return TOVO_ZIP_ERR_PARAMETERS;
    args.password = argv[0];
    bool commandGiven = false;
    bool archiveGiven = false;
    enum { Files, Includes, Excludes } list = Files;

    for (int i = 1; i < argc; ++i) {
        if (!argv[i])
            return TOVO_ZIP_ERR_PARAMETERS;
        const std::string arg = argv[i];
        if (archiveGiven) {
            // After the archive only the list markers are options; a file
            // whose name looks like an option is still a file.
            if (arg == "-W" && list == Files && args.files.empty())
                args.wildcards = true;
            else if (arg == "-i")
                list = Includes;
            else if (arg == "-x")
                list = Excludes;
            else if (!arg.empty())
                (list == Files ? args.files : list == Includes ? args.includes : args.excludes).push_back(arg);
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            if (arg.empty())
                return TOVO_ZIP_ERR_PARAMETERS;
            args.archive = arg;
            archiveGiven = true;
            continue;
        }
        WriterCommand command;
        if (isCommand(arg, command)) {
            if (commandGiven && command != args.command)
                return TOVO_ZIP_ERR_PARAMETERS;
            args.command = command;
            commandGiven = true;
        } else if (arg.size() == 2 && arg[1] >= '0' && arg[1] <= '9') {
            args.level = arg[1] - '0';
        } else if (arg == "-e") {
            args.encrypt = true;
        } else if (arg == "-m") {
            args.move = true;
        } else if (arg == "-S") {
            args.hidden = true;
        } else if (arg == "-D") {
            args.directoryEntries = true;
        } else if (arg == "-r") {
            args.recurse = true;
        } else if (arg == "-j") {
            args.junkPaths = true;
        } else if (arg == "-W") {
            args.wildcards = true;
        } else if (arg == "-$" || arg == "-g" || arg == "-!" || arg == "-&") {
            // No volume labels, multi-disk sets or in-place writing here: the
            // new archive is always built beside the old one.
        } else if (arg == "-b" || arg == "-n" || arg == "-t") {
            if (i + 1 >= argc || !argv[i + 1])
                return TOVO_ZIP_ERR_PARAMETERS;
            const char *value = argv[++i];
            if (arg == "-n")
                args.storedExtensions = splitExtensions(value);
            else if (arg == "-t" && !parseDate(value, args.since))
                return TOVO_ZIP_ERR_PARAMETERS;
            // "-b": the temporary archive stays beside the archive, so the
            // final rename never crosses file systems.
        } else if (arg == "-Y") {
            // The stub, its argument and the settings record.
            if (i + 3 >= argc || !argv[i + 1] || !argv[i + 2] || !argv[i + 3])
                return TOVO_ZIP_ERR_PARAMETERS;
            const auto *record = reinterpret_cast<const TovoZipSfxSettings *>(argv[i + 3]);
            if (std::strcmp(argv[i + 3], TOVO_ZIP_SFX_MAGIC) != 0 || record->size != sizeof(TovoZipSfxSettings))
                return TOVO_ZIP_ERR_PARAMETERS;
            args.selfExtractor = true;
            args.sfxStub = argv[i + 1];
            args.sfxArgument = argv[i + 2];
            args.sfxSettings = record;
            i += 3;
        } else {
            return TOVO_ZIP_ERR_PARAMETERS;
        }
    }
    if (args.command == WriterCommand::ConvertToSfx && !args.selfExtractor)
        return TOVO_ZIP_ERR_PARAMETERS;
    return archiveGiven ? TOVO_ZIP_OK : TOVO_ZIP_ERR_PARAMETERS;
}

bool HasStoredExtension(const WriterArgs &args, const std::string &name)
{
    if (args.storedExtensions.empty())
        return false;
    const std::string upperName = upper(name);
    for (const std::string &ext : args.storedExtensions) {
        if (upperName.size() >= ext.size() && upperName.compare(upperName.size() - ext.size(), ext.size(), ext) == 0)
            return true;
    }
    return false;
}

bool PassesIncludesExcludes(const WriterArgs &args, const std::string &storedName)
{
    if (!args.includes.empty()) {
        bool included = false;
        for (const std::string &pattern : args.includes)
            included = included || WildcardMatch(pattern, storedName);
        if (!included)
            return false;
    }
    for (const std::string &pattern : args.excludes) {
        if (WildcardMatch(pattern, storedName))
            return false;
    }
    return true;
}

} // namespace tovo::zip
