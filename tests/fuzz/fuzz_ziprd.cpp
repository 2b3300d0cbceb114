// A whole archive listed, then tested, through the reading module's entry.
#include "fuzz/fuzzsupport.h"

#include <string>

#include "engine/zipcontract.h"

extern "C" int ziprd(int version, int argc, char **argv, TovoZipCallback callback, void *user);

namespace {

int runReader(std::initializer_list<const char *> arguments)
{
    std::vector<std::string> copies(arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &a : copies)
        argv.push_back(a.data());
    return ziprd(TOVO_ZIP_CONTRACT_VERSION, int(argv.size()), argv.data(), tovo::fuzz::ReadingCallback, nullptr);
}

} // namespace

TOVO_FUZZ_TARGET(ziprd)
{
    const std::string path = tovo::fuzz::ScratchDir() + "/listed.zip";
    tovo::fuzz::WriteWholeFile(path, data, size);
    const int listed = runReader({"test", "-v", path.c_str()});
    const int tested = runReader({"test", "-t", path.c_str()});
    // What lists as no archive at all cannot test clean.
    if (listed >= 100 && tested == TOVO_ZIP_OK)
        tovo::fuzz::PropertyFailed("an archive that does not list tests clean");
    return 0;
}
