// Turning the file patterns of an add into the files to store: names
// and wildcards relative to the current directory, recursion, hidden files,
// directory entries, the date filter and the includes and excludes.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ziplib/writer/writerargs.h"

namespace tovo::zip {

class Reporter;

// Where a file was found: the leading part of its path that the pattern
// named as the folder to look in (taken as the user wrote it, links
// included), and whether what follows went through a symbolic link.
struct FoundVia {
    std::size_t namedLength = 0;
    bool link = false; // the file itself or a folder on the way below the named part is a link
};

// What the run keeps of a file's status: the fields it reads, in less than
// half a struct stat (a run may hold hundreds of thousands of files).
struct FileStatus {
    FileStatus() = default;
    FileStatus(const struct stat &s)
        : st_dev(s.st_dev), st_ino(s.st_ino), st_mode(s.st_mode), st_uid(s.st_uid), st_gid(s.st_gid),
          st_size(s.st_size), st_mtim(s.st_mtim)
    {
    }
    dev_t st_dev = 0;
    ino_t st_ino = 0;
    mode_t st_mode = 0;
    uid_t st_uid = 0;
    gid_t st_gid = 0;
    off_t st_size = 0;
    struct timespec st_mtim {}; // st_mtime is its seconds
};

struct SourceFile {
    std::string path;       // as it is opened: relative to the current directory, or absolute
    std::string storedName; // "/" separators, relative, no "..", a folder ends with "/"
    bool directory = false;
    bool named = false; // named by a pattern itself, not found by recursion or a wildcard
    FoundVia via;       // a file reached through a link is read through it, never deleted
    FileStatus st;      // what the scan found (the link's target for a link)
};

struct WalkedFolder {
    std::string path;
    FoundVia via;
};

struct ScanResult {
    std::vector<SourceFile> files;
    std::vector<WalkedFolder> walkedDirectories; // folders recursed into, parents first
    int unmatchedSpecs = 0;                     // patterns that named nothing on disk
    int skipped = 0;                            // files reported with a skipping message
    bool namedUnreadable = false;               // a named file could not be opened
    bool stopped = false;                       // a callback asked to stop
};

// The stored name of a path: "." and empty components dropped, ".." taken
// back lexically (and dropped at the start), no leading "/"; the file name
// alone with junkPaths. Empty when nothing is left.
std::string StoredNameOf(const std::string &path, bool junkPaths);

class FileScanner {
public:
    // archive (may not exist yet) is never added to itself.
    FileScanner(const WriterArgs &args, Reporter &reporter, const std::string &archive);

    // Collects the files of every pattern of args, in order. Each
    // file that cannot be read is reported (reason 3), as is each file of a
    // kind that cannot be stored (reason 4).
    ScanResult scan();

    // The patterns are entry names rather than names the user gave:
    // a file that cannot be read is skipped like one found by recursion.
    void setImplicit() { m_implicit = true; }

private:
    bool addPattern(const std::string &pattern);
    bool addWildcard(const std::string &pattern);
    // Returns false when the path names nothing.
    bool addPath(const std::string &path, bool named, FoundVia via);
    void addDirectory(const std::string &path, const struct stat &st, bool named, FoundVia via);
    void addFile(const std::string &path, const struct stat &st, bool named, bool readable, FoundVia via);
    void skip(const std::string &name, std::uint8_t reason);
    bool push(SourceFile file);
    bool isArchive(const struct stat &st) const;

    const WriterArgs &m_args;
    Reporter &m_reporter;
    bool m_implicit = false;
    bool m_archiveExists = false;
    dev_t m_archiveDev = 0;
    ino_t m_archiveIno = 0;
    std::vector<std::pair<dev_t, ino_t>> m_chain;          // folders being walked, for symbolic-link loops
    std::unordered_map<std::string, std::size_t> m_byName; // stored name -> index in the result
    ScanResult m_result;
};

} // namespace tovo::zip
