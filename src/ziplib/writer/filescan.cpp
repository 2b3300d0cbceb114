#include "ziplib/writer/filescan.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "engine/zipcontract.h"
#include "ziplib/common/zipnames.h"
#include "ziplib/common/zipreport.h"

namespace tovo::zip {
namespace {

bool hasWildcard(const std::string &s) { return s.find_first_of("*?") != std::string::npos; }

std::string joinPath(const std::string &dir, const std::string &name)
{
    if (dir.empty() || dir == ".")
        return dir.empty() ? name : "./" + name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// The names in a folder, without "." and "..", sorted so that archives come
// out the same whatever order the file system lists them in. The folder stays
// open in dirFd (to be closed by the caller) so its files are looked up
// relative to it rather than by their whole path.
bool listDirectory(const std::string &path, std::vector<std::string> &names, int &dirFd)
{
    dirFd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    const int listFd = ::dup(dirFd);
    DIR *dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        ::close(dirFd);
        dirFd = -1;
        return false;
    }
    while (const dirent *e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

// Whether the file can be read, without opening it (a scan of many files
// would otherwise open each twice).
bool canRead(int dirFd, const std::string &name) { return ::faccessat(dirFd, name.c_str(), R_OK, AT_EACCESS) == 0; }

// The length of the folder part of a pattern ("a/b/" of "a/b/c" or "a/b/c/").
std::size_t folderPartLength(const std::string &pattern)
{
    std::size_t end = pattern.size();
    while (end > 1 && pattern[end - 1] == '/')
        --end;
    const std::size_t slash = pattern.rfind('/', end - 1);
    return slash == std::string::npos ? 0 : slash + 1;
}

} // namespace

std::string StoredNameOf(const std::string &path, bool junkPaths)
{
    std::vector<std::string> parts;
    std::string current;
    for (const char c : path + '/') {
        if (c != '/') {
            current.push_back(c);
            continue;
        }
        if (current == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!current.empty() && current != ".") {
            parts.push_back(current);
        }
        current.clear();
    }
    if (parts.empty())
        return std::string();
    if (junkPaths)
        return parts.back();
    std::string name;
    for (const std::string &p : parts) {
        if (!name.empty())
            name.push_back('/');
        name += p;
    }
    return name;
}

FileScanner::FileScanner(const WriterArgs &args, Reporter &reporter, const std::string &archive)
    : m_args(args), m_reporter(reporter)
{
    struct stat st;
    if (::stat(archive.c_str(), &st) == 0) {
        m_archiveExists = true;
        m_archiveDev = st.st_dev;
        m_archiveIno = st.st_ino;
    }
}

ScanResult FileScanner::scan()
{
    for (const std::string &pattern : m_args.files) {
        if (m_result.stopped)
            break;
        if (!addPattern(pattern))
            ++m_result.unmatchedSpecs;
    }
    m_result.files.shrink_to_fit();
    return std::move(m_result);
}

bool FileScanner::addPattern(const std::string &pattern)
{
    const std::size_t slash = pattern.rfind('/');
    const std::string fileName = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (m_args.wildcards && hasWildcard(fileName)) {
        // A file of that very name (with "*" or "?" in it) is taken as named.
        struct stat st;
        if (::lstat(pattern.c_str(), &st) == 0)
            return addPath(pattern, !m_implicit, {folderPartLength(pattern), false});
        return addWildcard(pattern);
    }
    return addPath(pattern, !m_implicit, {folderPartLength(pattern), false});
}

bool FileScanner::addWildcard(const std::string &wanted)
{
    const std::size_t slash = wanted.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : wanted.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? wanted : wanted.substr(slash + 1);
    // "*.*" means every file, as it always has on DOS.
    if (pattern == "*.*")
        pattern = "*";
    std::vector<std::string> names;
    int dirFd = -1;
    if (!listDirectory(dir.empty() ? "." : dir, names, dirFd))
        return false;
    ::close(dirFd);
    bool matched = false;
    for (const std::string &name : names) {
        if (m_result.stopped)
            break;
        if (name[0] == '.' && !m_args.hidden && pattern[0] != '.')
            continue;
        if (!WildcardMatch(pattern, name))
            continue;
        const std::string path = dir + name;
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && !m_args.recurse && !m_args.directoryEntries) {
            // Without recursion a folder matched by a wildcard brings nothing.
            continue;
        }
        matched = addPath(path, false, {dir.size(), false}) || matched;
    }
    return matched;
}

bool FileScanner::addPath(const std::string &path, bool named, FoundVia via)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        // A link is followed for reading, and remembered.
        via.link = true;
        if (::stat(path.c_str(), &st) != 0) {
            // A symbolic link to nothing: there is a name, but nothing to read.
            skip(StoredNameOf(path, m_args.junkPaths), TOVO_ZIP_SKIP_WRITE_FAILED);
            if (named)
                m_result.namedUnreadable = true;
            return true;
        }
    }
    if (isArchive(st))
        return true;
    if (S_ISDIR(st.st_mode))
        addDirectory(path, st, named, via);
    else if (S_ISREG(st.st_mode))
        addFile(path, st, named, canRead(AT_FDCWD, path), via);
    else
        skip(StoredNameOf(path, m_args.junkPaths), TOVO_ZIP_SKIP_UNSUPPORTED);
    return true;
}

void FileScanner::addDirectory(const std::string &path, const struct stat &st, bool named, FoundVia via)
{
    const std::string stored = StoredNameOf(path, false);
    if (m_args.directoryEntries && !m_args.junkPaths && !stored.empty()) {
        SourceFile dir;
        dir.path = path;
        dir.storedName = stored + "/";
        dir.directory = true;
        dir.named = named;
        dir.via = via;
        dir.st = st;
        if (PassesIncludesExcludes(m_args, dir.storedName) && !push(std::move(dir)))
            return;
    }
    if (!m_args.recurse)
        return;
    const auto id = std::make_pair(st.st_dev, st.st_ino);
    if (std::find(m_chain.begin(), m_chain.end(), id) != m_chain.end()) {
        // A symbolic link back to a folder being walked: following it would never end.
        skip(stored + "/", TOVO_ZIP_SKIP_UNSUPPORTED);
        return;
    }
    std::vector<std::string> names;
    int dirFd = -1;
    if (!listDirectory(path, names, dirFd)) {
        skip(stored + "/", TOVO_ZIP_SKIP_WRITE_FAILED);
        return;
    }
    m_result.walkedDirectories.push_back({path, via});
    m_chain.push_back(id);
    for (const std::string &name : names) {
        if (m_result.stopped)
            break;
        if (name[0] == '.' && !m_args.hidden)
            continue;
        struct stat child;
        if (::fstatat(dirFd, name.c_str(), &child, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(child.st_mode)) {
            // The common case, looked up relative to the open folder.
            if (!isArchive(child))
                addFile(joinPath(path, name), child, false, canRead(dirFd, name), via);
            continue;
        }
        addPath(joinPath(path, name), false, via);
    }
    ::close(dirFd);
    m_chain.pop_back();
}

void FileScanner::addFile(const std::string &path, const struct stat &st, bool named, bool readable, FoundVia via)
{
    SourceFile file;
    file.path = path;
    file.storedName = StoredNameOf(path, m_args.junkPaths);
    file.named = named;
    file.via = via;
    file.st = st;
    if (file.storedName.empty())
        return;
    if (m_args.since && st.st_mtime < *m_args.since)
        return;
    if (!PassesIncludesExcludes(m_args, file.storedName))
        return;
    if (!readable) {
        skip(file.storedName, TOVO_ZIP_SKIP_WRITE_FAILED);
        if (named)
            m_result.namedUnreadable = true;
        return;
    }
    push(std::move(file));
}

bool FileScanner::push(SourceFile file)
{
    const auto found = m_byName.find(file.storedName);
    if (found != m_byName.end()) {
        const SourceFile &first = m_result.files[found->second];
        // The same file reached twice (named and found by recursion, say)
        // is stored once; two different files cannot share one name.
        if (first.st.st_dev != file.st.st_dev || first.st.st_ino != file.st.st_ino)
            skip(file.storedName, TOVO_ZIP_SKIP_UNSUPPORTED);
        return true;
    }
    m_byName.emplace(file.storedName, m_result.files.size());
    m_result.files.push_back(std::move(file));
    return true;
}

void FileScanner::skip(const std::string &name, std::uint8_t reason)
{
    ++m_result.skipped;
    if (m_reporter.skipping(name, reason))
        m_result.stopped = true;
}

bool FileScanner::isArchive(const struct stat &st) const
{
    return m_archiveExists && st.st_dev == m_archiveDev && st.st_ino == m_archiveIno;
}

} // namespace tovo::zip
