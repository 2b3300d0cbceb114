// Keeps two processes from rewriting one archive at the same time, and
// clears what killed ones left beside it.
#pragma once

#include <string>

namespace tovo::zip {

// An advisory lock (flock) on the archive file itself, held for the whole
// of a write command. Every Tovo process that rewrites the archive takes it
// first; readers need none, since the archive is only ever replaced whole by
// a rename.
class ArchiveLock {
public:
    ArchiveLock() = default;
    ~ArchiveLock() { release(); }
    ArchiveLock(const ArchiveLock &) = delete;
    ArchiveLock &operator=(const ArchiveLock &) = delete;

    // Locks the archive at path (a resolved path). When it does not exist
    // and create is set, an empty file is made to hold the lock (an empty
    // file counts as a new archive), and removed again by release() if it
    // is still empty. A lock held by another process is waited for up to
    // waitMilliseconds. Returns 0, or 320 when the lock stayed taken. A file
    // that cannot be opened is not locked and gives 0: the command itself
    // then reports why it cannot use it.
    int acquire(const std::string &path, bool create, int waitMilliseconds = DefaultWait);
    void release();

    static constexpr int DefaultWait = 3000;

private:
    int m_fd = -1;
    bool m_created = false;
    std::string m_path;
};

// The temporary files of the archive at path that no process is writing
// any more (killed runs): hidden files beside it named "." + its name +
// ".tovo-" + a tag, owned by this user, whose lock can be taken and which
// have not changed for a few seconds. Removes them and returns how many.
// Writers hold a lock on their temporary file from its creation to its
// rename, so a live one is never taken for stale.
int RemoveStaleTemporaries(const std::string &path);

// Whether name is the name of a temporary file of the archive named base.
bool IsTemporaryName(const std::string &name, const std::string &base);

} // namespace tovo::zip
