// The central-directory parser and what reads each entry's fields: local
// headers, name checks, wildcard matching, attributes and times.
#include "fuzz/fuzzsupport.h"

#include <string>

#include "ziplib/common/archivefile.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipnames.h"

using namespace tovo::zip;

TOVO_FUZZ_TARGET(directory)
{
    const std::string path = tovo::fuzz::ScratchDir() + "/directory.zip";
    tovo::fuzz::WriteWholeFile(path, data, size);
    ArchiveFile file;
    if (file.open(path) != 0)
        return 0;
    ZipDirectory dir;
    if (ReadZipDirectory(file, dir) != 0)
        return 0;
    std::size_t looked = 0;
    for (const ZipEntry &e : dir.entries) {
        if (++looked > 2000)
            break;
        if (e.localHeaderOffset > dir.fileSize)
            tovo::fuzz::PropertyFailed("an accepted entry starts past the end of the file");
        LocalHeader header;
        ReadLocalHeader(file, e.localHeaderOffset, header);
        (void)e.isDirectory();
        (void)e.isSymlink();
        (void)e.dosAttributes();
        (void)e.modificationTime();
        if (!IsValidUtf8(e.name))
            tovo::fuzz::PropertyFailed("a decoded name is not valid UTF-8");
        if (const auto safe = SafeRelativePath(e.name)) {
            if (safe->empty() || safe->front() == '/' || safe->find('\0') != std::string::npos ||
                *safe == ".." || safe->rfind("../", 0) == 0 || safe->find("/../") != std::string::npos ||
                (safe->size() >= 3 && safe->compare(safe->size() - 3, 3, "/..") == 0))
                tovo::fuzz::PropertyFailed("SafeRelativePath let an unsafe path through");
        }
        if (!e.name.empty() && e.name.size() < 512 && !PatternSelects(e.name, e.name))
            tovo::fuzz::PropertyFailed("a name does not select itself");
    }
    return 0;
}
