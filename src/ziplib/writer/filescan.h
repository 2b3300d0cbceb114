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

struct SourceFile {
    std::string path;       // as it is opened: relative to the current directory, or absolute
    std::string storedName; // "/" separators, relative, no "..", a folder ends with "/"
    bool directory = false;
    bool named = false; // named by a pattern itself, not found by recursion or a wildcard
    struct stat st {};
};

struct ScanResult {
    std::vector<SourceFile> files;
    std::vector<std::string> walkedDirectories; // folders recursed into, parents first
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
    bool addPath(const std::string &path, bool named, const struct stat *known = nullptr);
    void addDirectory(const std::string &path, const struct stat &st, bool named);
    void addFile(const std::string &path, const struct stat &st, bool named, bool readable);
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
