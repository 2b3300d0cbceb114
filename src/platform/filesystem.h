#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace tovo::platform {

// What a directory entry is, with symbolic links resolved one step.
enum class EntryKind {
    File,            // a regular file
    Directory,       // a real directory (not a link to one)
    LinkToFile,      // a symbolic link naming a regular file
    LinkToDirectory, // a symbolic link naming a directory
    Other,           // a FIFO, socket, device, or a link naming nothing usable
};

struct DirEntry {
    QString name;
    EntryKind kind = EntryKind::Other;
    bool readOnly = false; // no owner write bit (filled only when asked for)
};

// Identifies a directory across different paths (bind mounts, links).
struct DirectoryId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const DirectoryId &, const DirectoryId &) = default;
};

// Reads the entries of a directory, without "." and "..", in the order the
// system lists them. The kind of most entries comes from the listing itself;
// only links, entries of unknown type and, with withReadOnly, files are
// looked up one by one. False (and nothing added) when the directory cannot
// be opened or read.
bool ListDirectory(const QString &path, std::vector<DirEntry> &entries, DirectoryId &id, bool withReadOnly);

// The state of a file as seen without following a final symbolic link, to
// tell later whether it is still the same, unchanged file.
struct FileIdentity {
    bool exists = false;
    bool regular = false; // a regular file (a symbolic link is not)
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0; // modification time, nanoseconds since the epoch
    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};
FileIdentity IdentityOf(const QString &path);

// Whether a directory on the way from base to base + relative (the
// directories of relative, not its last part) is a symbolic link or missing.
bool PassesThroughLink(const QString &base, const QString &relative);

} // namespace tovo::platform
