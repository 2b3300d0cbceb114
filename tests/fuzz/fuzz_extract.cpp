// Extraction of a whole archive into a throw-away folder: nothing may be
// written outside it, and no symbolic link may be made.
#include "fuzz/fuzzsupport.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/zipcontract.h"

extern "C" int ziprd(int version, int argc, char **argv, TovoZipCallback callback, void *user);

namespace {

void checkNoLinks(const std::string &path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISLNK(st.st_mode))
        tovo::fuzz::PropertyFailed("extraction made a symbolic link");
    if (st.st_mode & (S_ISUID | S_ISGID))
        tovo::fuzz::PropertyFailed("extraction made a set-id file");
    if (!S_ISDIR(st.st_mode))
        return;
    ::chmod(path.c_str(), 0700);
    if (DIR *dir = ::opendir(path.c_str())) {
        while (const dirent *e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                checkNoLinks(path + "/" + e->d_name);
        }
        ::closedir(dir);
    }
}

} // namespace

TOVO_FUZZ_TARGET(extract)
{
    const std::string root = tovo::fuzz::ScratchDir() + "/extract";
    tovo::fuzz::RemoveTree(root);
    const std::string out = root + "/in/out";
    ::mkdir(root.c_str(), 0700);
    ::mkdir((root + "/in").c_str(), 0700);
    ::mkdir(out.c_str(), 0700);
    const std::string archive = root + "/in/x.zip";
    tovo::fuzz::WriteWholeFile(archive, data, size);

    std::vector<std::string> args = {"test", "-o", archive, "-d", out};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    ziprd(TOVO_ZIP_CONTRACT_VERSION, int(argv.size()), argv.data(), tovo::fuzz::ReadingCallback, nullptr);

    // Only the archive and the destination may be in the folders above it.
    for (const std::string &folder : {root, root + "/in"}) {
        DIR *dir = ::opendir(folder.c_str());
        if (!dir)
            tovo::fuzz::PropertyFailed("the scratch folder vanished");
        while (const dirent *e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != ".." && name != "in" && name != "out" && name != "x.zip")
                tovo::fuzz::PropertyFailed("extraction wrote outside its destination");
        }
        ::closedir(dir);
    }
    if (tovo::fuzz::ReadWholeFile(archive) != std::string(reinterpret_cast<const char *>(data), size))
        tovo::fuzz::PropertyFailed("extraction changed the archive");
    checkNoLinks(out);
    tovo::fuzz::RemoveTree(root);
    return 0;
}
