// The repair of a copy, by "-F" and by "-FF". A repair that reports success
// leaves an archive that tests clean (what cannot be checked is a warning);
// a failed one leaves the file as it was; neither leaves a temporary file
// behind.
#include "fuzz/fuzzsupport.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "engine/zipcontract.h"

extern "C" int ziprd(int version, int argc, char **argv, TovoZipCallback callback, void *user);
extern "C" int zipwr(int version, int argc, char **argv, TovoZipCallback callback, void *user);

namespace {

int run(TovoZipEntry entry, std::vector<std::string> args)
{
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    return entry(TOVO_ZIP_CONTRACT_VERSION, int(argv.size()), argv.data(), tovo::fuzz::ReadingCallback, nullptr);
}

void checkFolderHoldsOnly(const std::string &folder, const std::string &only)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        tovo::fuzz::PropertyFailed("the scratch folder vanished");
    while (const dirent *e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && name != only)
            tovo::fuzz::PropertyFailed("the repair left a file beside the archive");
    }
    ::closedir(dir);
}

void repair(const std::string &folder, const std::string &archive, const std::string &input, bool harder)
{
    tovo::fuzz::WriteWholeFile(archive, reinterpret_cast<const std::uint8_t *>(input.data()), input.size());
    const int code = run(zipwr, {"test", harder ? "-FF" : "-F", archive});
    checkFolderHoldsOnly(folder, "r.zip");
    if (code >= 100) {
        if (tovo::fuzz::ReadWholeFile(archive) != input)
            tovo::fuzz::PropertyFailed("a failed repair changed the archive");
        return;
    }
    // Clean: no error and no warning, but an archive without entries, which
    // tests as such.
    if (code == TOVO_ZIP_OK) {
        const int tested = run(ziprd, {"test", "-t", archive});
        if (tested != TOVO_ZIP_OK && tested != TOVO_ZIP_WARN_NO_ARCHIVE)
            tovo::fuzz::PropertyFailed("a repair reported success on an archive that does not test clean");
    }
}

} // namespace

TOVO_FUZZ_TARGET(repair)
{
    const std::string folder = tovo::fuzz::ScratchDir() + "/repair";
    tovo::fuzz::RemoveTree(folder);
    ::mkdir(folder.c_str(), 0700);
    const std::string archive = folder + "/r.zip";
    const std::string input(reinterpret_cast<const char *>(data), size);
    repair(folder, archive, input, false);
    repair(folder, archive, input, true);
    tovo::fuzz::RemoveTree(folder);
    return 0;
}
