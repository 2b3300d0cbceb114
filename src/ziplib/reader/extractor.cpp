#include "ziplib/reader/extractor.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/zipcontract.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipnames.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/common/orderedwork.h"
#include "ziplib/reader/readerargs.h"
#include "ziplib/reader/readerrun.h"

namespace tovo::zip
{
namespace
{

constexpr std::size_t BufferSize = 256 * 1024;
constexpr int MaxRenameRounds = 8;
// Entries written ahead of their messages, at most.
constexpr std::size_t AheadLimit = 64;

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(Fd &&other) noexcept : m_fd(other.release()) {}
    Fd &operator=(Fd &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = other.release();
        }
        return *this;
    }
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

std::string parentOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string leafOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Why a path cannot be used: a symbolic link stands on it, or something else.
std::uint8_t reasonAt(int dirFd, const char *name)
{
    struct stat st;
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        return TOVO_ZIP_SKIP_SYMLINK;
    return TOVO_ZIP_SKIP_WRITE_FAILED;
}

// Opens folders below the destination one component at a time, never
// following a symbolic link, creating what is missing. Keeps the folders it
// opened last, since entries usually come folder by folder or cycle through
// a few folders.
class FolderWalker
{
public:
    explicit FolderWalker(int rootFd) : m_root(rootFd) {}

    // The descriptor of relative folder path ("" is the destination), or -1
    // with reason set. Valid until the next call.
    int open(const std::string &path, std::uint8_t &reason)
    {
        if (path.empty())
            return m_root;
        if (const auto it = m_open.find(path); it != m_open.end())
            return it->second.get();
        // Start from the deepest folder on the way that is open already.
        int start = m_root;
        std::size_t pos = 0;
        for (std::size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
             slash = path.rfind('/', slash - 1)) {
            if (const auto it = m_open.find(path.substr(0, slash)); it != m_open.end()) {
                start = it->second.get();
                pos = slash + 1;
                break;
            }
        }
        Fd current;
        while (pos <= path.size()) {
            std::size_t end = path.find('/', pos);
            if (end == std::string::npos)
                end = path.size();
            const std::string component = path.substr(pos, end - pos);
            int next = openat(start, component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0 && errno == ENOENT) {
                if (mkdirat(start, component.c_str(), 0777) == 0)
                    m_created.push_back(path.substr(0, end));
                else if (errno != EEXIST) {
                    reason = reasonAt(start, component.c_str());
                    return -1;
                }
                next = openat(start, component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (next < 0) {
                reason = reasonAt(start, component.c_str());
                return -1;
            }
            current.reset(next);
            start = next;
            pos = end + 1;
        }
        if (m_open.size() >= MaxOpenFolders) {
            // Workers may still write into these folders: their descriptors
            // stay open until every task queued so far was taken back.
            for (auto &[name, fd] : m_open) {
                if (m_submitted > m_collected)
                    m_retired.emplace_back(m_submitted, std::move(fd));
            }
            m_open.clear();
        }
        return m_open.emplace(path, std::move(current)).first->second.get();
    }

    // Counts the tasks handed to workers and taken back, which holds the
    // descriptors they use open.
    void noteSubmitted() { ++m_submitted; }
    void noteCollected()
    {
        ++m_collected;
        std::erase_if(m_retired, [this](const auto &r) { return r.first <= m_collected; });
    }

    // The folders this walker created, parents before their children.
    const std::vector<std::string> &created() const { return m_created; }

private:
    static constexpr std::size_t MaxOpenFolders = 128;
    int m_root;
    std::unordered_map<std::string, Fd> m_open;
    std::vector<std::string> m_created;
    std::uint64_t m_submitted = 0;
    std::uint64_t m_collected = 0;
    std::vector<std::pair<std::uint64_t, Fd>> m_retired; // closed once that many tasks were taken back
};

// Creates the destination and its parents, as the user named it; created
// lists the folders made here, parents first.
int createDestination(const std::string &path, Fd &fd, std::vector<std::string> &created)
{
    std::string partial;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        partial = path.substr(0, end);
        if (!partial.empty()) {
            if (mkdir(partial.c_str(), 0777) == 0)
                created.push_back(partial);
            else if (errno != EEXIST)
                return errno == EACCES || errno == EPERM || errno == EROFS ? TOVO_ZIP_ERR_ACCESS
                                                                           : TOVO_ZIP_ERR_CREATE;
        }
        pos = end + 1;
    }
    fd.reset(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == EACCES ? TOVO_ZIP_ERR_ACCESS : TOVO_ZIP_ERR_CREATE;
    return TOVO_ZIP_OK;
}

// The permission bits a file of entry is created with; the umask still
// applies. Never set-user-id, set-group-id or sticky.
mode_t fileMode(const ZipEntry &entry)
{
    const std::uint32_t mode = entry.unixMode();
    if (mode != 0 && S_ISREG(mode) && (mode & 0777) != 0)
        return mode_t(mode & 0777);
    // A symbolic link becomes a plain file; DOS read-only stays read-only.
    if (mode == 0 && (entry.externalAttributes & 0x01) != 0)
        return 0444;
    return 0666;
}

bool writeAll(int fd, const unsigned char *data, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        data += w;
        n -= std::size_t(w);
    }
    return true;
}

// Creates a new file for e under a temporary name in dirFd; false when that
// fails.
bool createTemporary(int dirFd, const ZipEntry &e, std::string &temp, Fd &out)
{
    static std::atomic<unsigned> counter{0};
    static const std::string prefix = ".tovo-" + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = prefix + std::to_string(counter++) + ".tmp";
        out.reset(openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, fileMode(e)));
        if (out.get() >= 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Copies the data of reader (open on e) into out, sets its time and closes
// it. Returns 0 or the code of the failure; progress goes through progress
// (which returns true to stop) when given.
template <typename Progress>
int copyData(EntryDataReader &reader, const ZipEntry &e, Fd &out, std::vector<unsigned char> &buffer, Progress progress)
{
    for (;;) {
        std::size_t got = 0;
        if (int rc = reader.read(buffer.data(), buffer.size(), got))
            return rc;
        if (got == 0)
            break;
        if (!writeAll(out.get(), buffer.data(), got))
            return TOVO_ZIP_ERR_WRITE;
        if (progress(reader.produced()))
            return TOVO_ZIP_ERR_ABORTED;
    }
    const struct timespec times[2] = {{e.modificationTime(), 0}, {e.modificationTime(), 0}};
    futimens(out.get(), times);
    if (::close(out.release()) != 0)
        return TOVO_ZIP_ERR_WRITE;
    return TOVO_ZIP_OK;
}

// A worker's part of a small entry written ahead: its file created in dirFd
// under its own name when none stands there (an entry is queued only when
// no other entry queued has its name), its data written and checked, or the
// file removed again. What stands in the way (a file, a link, a refusal)
// and an entry that cannot be opened go the sequential way when the calling
// thread takes the result back, so that questions and refusals come as
// they always do.
TaskResult writeAhead(Workspace &space, const ZipEntry &e, int dirFd, const std::string &leaf)
{
    TaskResult result;
    EntryDataReader reader;
    if (reader.open(space.file, e, std::string()) != TOVO_ZIP_OK)
        return result;
    result.opened = true;
    Fd out(openat(dirFd, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, fileMode(e)));
    if (out.get() < 0)
        return result;
    result.created = true;
    if (space.buffer.empty())
        space.buffer.resize(BufferSize);
    result.rc = copyData(reader, e, out, space.buffer, [](std::uint64_t) { return false; });
    if (result.rc) {
        out.reset();
        unlinkat(dirFd, leaf.c_str(), 0);
    }
    return result;
}

struct FolderTime {
    std::string path;
    std::time_t time;
};

class Extraction
{
public:
    // work, when given, writes small entries ahead on its workers.
    Extraction(ArchiveFile &file, const ReaderArgs &args, Reporter &reporter, PasswordKeeper &passwords,
               Outcome &outcome, int rootFd, OrderedWork *work)
        : m_file(file), m_args(args), m_reporter(reporter), m_passwords(passwords), m_outcome(outcome),
          m_folders(rootFd), m_buffer(BufferSize), m_work(work)
    {
    }

    // False when the run must stop.
    bool entry(const ZipEntry &e);
    // Takes back every entry written ahead, in order, with its messages.
    // False when the run must stop.
    bool finishAhead();
    // After a stop: the entries written ahead whose messages did not go
    // leave nothing behind.
    void dropAhead();
    // Folders created only for entries that were then not written (skipped,
    // kept, refused or failed) are removed again when they stayed empty, so
    // a run that wrote nothing leaves no empty tree behind.
    void removeUnusedFolders();
    void restoreFolderTimes();
    // Whether some file entry was not written.
    bool missedSome() const { return !m_missedFolders.empty(); }

private:
    // Notes code (10 unless said) and reports the entry as skipped.
    bool skip(const ZipEntry &e, std::uint8_t reason, int code = TOVO_ZIP_WARN_SKIPPED)
    {
        m_outcome.note(code);
        return m_reporter.skipping(e.name, reason) ? fail(TOVO_ZIP_ERR_ABORTED) : true;
    }
    bool fail(int code)
    {
        m_outcome.note(code);
        return !Outcome::isFatal(code);
    }
    bool folder(const ZipEntry &e, const std::string &path);
    bool file(const ZipEntry &e, std::string path);
    // What the data of e gave (rc): skipped with the reason for 10 (or
    // with its own reason), noted otherwise.
    bool result(const ZipEntry &e, int rc, std::uint8_t skipReason);
    // Queues e (a small file that needs no question) for a worker; false
    // when it must go the sequential way.
    bool writeAheadQueued(const ZipEntry &e, const std::string &path);
    // Takes back the oldest entry written ahead.
    bool takeOldest();
    bool placeAhead(const ZipEntry &e, int dirFd, const std::string &path, const TaskResult &done);
    // Whether the file at leaf in dirFd (which exists) may be replaced by e,
    // by the -f/-u modes and the overwrite answer; newName is set when the
    // answer names another file.
    enum class Decision { Write, Keep, Rename, Stop };
    Decision existing(const ZipEntry &e, const struct stat &st, std::string &newName);
    int writeData(const ZipEntry &e, int dirFd, const std::string &leaf, std::uint8_t &reason);

    ArchiveFile &m_file;
    const ReaderArgs &m_args;
    Reporter &m_reporter;
    PasswordKeeper &m_passwords;
    Outcome &m_outcome;
    FolderWalker m_folders;
    std::vector<unsigned char> m_buffer;
    std::vector<FolderTime> m_folderTimes;
    std::size_t m_written = 0;
    std::unordered_set<std::string> m_missedFolders; // the folders of entries not written
    struct Ahead {
        const ZipEntry *entry;
        int dirFd;
        std::string path;
    };
    OrderedWork *m_work;
    std::deque<Ahead> m_ahead;                    // queued on m_work, oldest first
    std::unordered_set<std::string> m_aheadPaths; // their paths
};

bool Extraction::entry(const ZipEntry &e)
{
    const std::optional<std::string> safe = SafeRelativePath(e.name);
    if (!safe)
        return finishAhead() && skip(e, TOVO_ZIP_SKIP_UNSAFE_NAME);
    if (e.isDirectory()) {
        if (m_args.junkPaths)
            return true;
        if (m_args.mode == ExtractMode::Freshen)
            return true; // freshening only replaces files
        return finishAhead() && folder(e, *safe);
    }
    const std::string path = m_args.junkPaths ? leafOf(*safe) : *safe;
    if (m_work && m_args.mode != ExtractMode::Freshen && !e.encrypted() && e.size < 2 * ProgressStep) {
        while (m_ahead.size() >= AheadLimit) {
            if (!takeOldest())
                return false;
        }
        if (writeAheadQueued(e, path))
            return true;
    }
    if (!finishAhead())
        return false;
    const std::size_t written = m_written;
    const bool goOn = file(e, path);
    if (m_written == written)
        m_missedFolders.insert(parentOf(path));
    return goOn;
}

bool Extraction::folder(const ZipEntry &e, const std::string &path)
{
    if (m_reporter.entryStats(TOVO_ZIP_MSG_EXTRACTING, e))
        return fail(TOVO_ZIP_ERR_ABORTED);
    std::uint8_t reason = 0;
    if (m_folders.open(path, reason) < 0)
        return skip(e, reason);
    m_folderTimes.push_back({path, e.modificationTime()});
    return true;
}

Extraction::Decision Extraction::existing(const ZipEntry &e, const struct stat &st, std::string &newName)
{
    if (m_args.mode != ExtractMode::All) {
        // DOS times have two-second steps: the file counts as older only
        // when it is older by more than that rounding.
        const std::time_t entryTime = e.modificationTime();
        const std::time_t slack = e.hasUnixTime ? 0 : 1;
        if (entryTime <= st.st_mtime + slack)
            return Decision::Keep;
    }
    if (m_args.overwrite == OverwriteMode::Always)
        return Decision::Write;
    if (m_args.overwrite == OverwriteMode::Never)
        return Decision::Keep;
    std::uint8_t action = 0; // without an answer the file is kept
    m_reporter.askReplace(e.name, action, newName);
    if (m_reporter.stopRequested())
        return Decision::Stop;
    if (!newName.empty())
        return Decision::Rename;
    return action == 1 ? Decision::Write : Decision::Keep;
}

bool Extraction::file(const ZipEntry &e, std::string path)
{
    for (int round = 0;; ++round) {
        std::uint8_t reason = 0;
        const int dirFd = m_folders.open(parentOf(path), reason);
        if (dirFd < 0)
            return skip(e, reason);
        const std::string leaf = leafOf(path);
        struct stat st;
        if (fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(st.st_mode))
                return skip(e, TOVO_ZIP_SKIP_SYMLINK);
            if (S_ISDIR(st.st_mode))
                return skip(e, TOVO_ZIP_SKIP_WRITE_FAILED);
            std::string newName;
            switch (existing(e, st, newName)) {
            case Decision::Write:
                break;
            case Decision::Keep:
                return true;
            case Decision::Stop:
                return fail(TOVO_ZIP_ERR_ABORTED);
            case Decision::Rename: {
                // The new name is a name inside the destination, checked
                // like a stored one.
                const std::optional<std::string> safe = SafeRelativePath(newName);
                if (!safe)
                    return skip(e, TOVO_ZIP_SKIP_UNSAFE_NAME);
                if (round + 1 >= MaxRenameRounds)
                    return true;
                path = *safe;
                continue;
            }
            }
        } else if (errno != ENOENT) {
            return skip(e, TOVO_ZIP_SKIP_WRITE_FAILED);
        } else if (m_args.mode == ExtractMode::Freshen) {
            return true; // freshening only replaces files that exist
        }
        std::uint8_t skipReason = TOVO_ZIP_SKIP_WRITE_FAILED;
        const int rc = writeData(e, dirFd, leaf, skipReason);
        return result(e, rc, skipReason);
    }
}

bool Extraction::result(const ZipEntry &e, int rc, std::uint8_t skipReason)
{
    if (rc == TOVO_ZIP_WARN_SKIPPED)
        return skip(e, skipReason);
    if (rc == TOVO_ZIP_WARN_PASSWORD)
        return skip(e, TOVO_ZIP_SKIP_PASSWORD, rc);
    if (rc == TOVO_ZIP_ERR_METHOD || rc == TOVO_ZIP_ERR_UNSUPPORTED)
        return skip(e, TOVO_ZIP_SKIP_UNSUPPORTED, rc);
    return fail(rc);
}

bool Extraction::writeAheadQueued(const ZipEntry &e, const std::string &path)
{
    std::uint8_t reason = 0;
    const int dirFd = m_folders.open(parentOf(path), reason);
    if (dirFd < 0)
        return false;
    if (!m_aheadPaths.insert(path).second)
        return false; // an entry of the same name is on its way: this one waits for
                      // it
    m_ahead.push_back({&e, dirFd, path});
    m_folders.noteSubmitted();
    m_work->submit([&e, dirFd, leaf = leafOf(path)](Workspace &space) { return writeAhead(space, e, dirFd, leaf); });
    return true;
}

bool Extraction::takeOldest()
{
    const Ahead ahead = std::move(m_ahead.front());
    m_ahead.pop_front();
    TaskResult done = m_work->takeOldest();
    const std::size_t written = m_written;
    m_aheadPaths.erase(ahead.path);
    const bool goOn = placeAhead(*ahead.entry, ahead.dirFd, ahead.path, done);
    if (m_written == written)
        m_missedFolders.insert(parentOf(ahead.path));
    m_folders.noteCollected();
    return goOn;
}

// The calling thread's part of an entry written ahead: its message and
// result, in the order the sequential way gives them.
bool Extraction::placeAhead(const ZipEntry &e, int dirFd, const std::string &path, const TaskResult &done)
{
    if (!done.opened || !done.created)
        return file(e, path);
    if (m_reporter.entryStats(TOVO_ZIP_MSG_EXTRACTING, e)) {
        unlinkat(dirFd, leafOf(path).c_str(), 0);
        return fail(TOVO_ZIP_ERR_ABORTED);
    }
    if (done.rc)
        return result(e, done.rc, TOVO_ZIP_SKIP_WRITE_FAILED);
    ++m_written;
    return true;
}

bool Extraction::finishAhead()
{
    while (!m_ahead.empty()) {
        if (!takeOldest())
            return false;
    }
    return true;
}

void Extraction::dropAhead()
{
    if (!m_work)
        return;
    const std::vector<TaskResult> started = m_work->cancel();
    for (std::size_t i = 0; i < m_ahead.size(); ++i) {
        if (i < started.size() && started[i].created && started[i].rc == TOVO_ZIP_OK)
            unlinkat(m_ahead[i].dirFd, leafOf(m_ahead[i].path).c_str(), 0);
        m_missedFolders.insert(parentOf(m_ahead[i].path));
        m_folders.noteCollected();
    }
    m_ahead.clear();
    m_aheadPaths.clear();
}

// Writes the data of e under a temporary name in dirFd and renames it to
// leaf once complete and checked. Returns 0, 10 with reason set when the
// entry is refused or its file could not be put in place, or the code of the
// failure (the temporary file removed).
int Extraction::writeData(const ZipEntry &e, int dirFd, const std::string &leaf, std::uint8_t &reason)
{
    EntryDataReader reader;
    if (int rc = m_passwords.open(reader, m_file, e, m_reporter)) {
        if (rc == TOVO_ZIP_WARN_SKIPPED)
            reason = TOVO_ZIP_SKIP_UNSAFE_NAME; // its local header names another file
        return rc;
    }
    if (m_reporter.entryStats(TOVO_ZIP_MSG_EXTRACTING, e))
        return TOVO_ZIP_ERR_ABORTED;

    std::string temp;
    for (;;) {
        Fd out;
        if (!createTemporary(dirFd, e, temp, out))
            return TOVO_ZIP_WARN_SKIPPED;
        std::uint64_t nextProgress = ProgressStep;
        const int rc = copyData(reader, e, out, m_buffer, [&](std::uint64_t done) {
            return ReportProgress(m_reporter, e, done, nextProgress);
        });
        if (rc == TOVO_ZIP_OK) {
            m_passwords.readAgain(e, rc);
            break;
        }
        out.reset();
        unlinkat(dirFd, temp.c_str(), 0);
        if (!m_passwords.readAgain(e, rc))
            return rc;
        // The password was wrong after all: asked again, the entry starts over.
        if (int again = m_passwords.open(reader, m_file, e, m_reporter))
            return again;
    }
    if (renameat(dirFd, temp.c_str(), dirFd, leaf.c_str()) != 0) {
        // A full or failing disk stops the run like a failed write; another
        // refusal concerns this file only.
        const bool disk = errno == ENOSPC || errno == EDQUOT || errno == EIO || errno == EROFS;
        unlinkat(dirFd, temp.c_str(), 0);
        return disk ? TOVO_ZIP_ERR_WRITE : TOVO_ZIP_WARN_SKIPPED;
    }
    ++m_written;
    return TOVO_ZIP_OK;
}

void Extraction::removeUnusedFolders()
{
    if (m_missedFolders.empty())
        return;
    // The folders of the missed entries and every folder above them.
    std::unordered_set<std::string> concerned;
    for (std::string path : m_missedFolders) {
        while (!path.empty() && concerned.insert(path).second)
            path = parentOf(path);
    }
    std::vector<std::string> created = m_folders.created();
    std::stable_sort(created.begin(), created.end(),
                     [](const std::string &a, const std::string &b) { return a.size() > b.size(); });
    std::unordered_set<std::string> removed;
    for (const std::string &path : created) {
        if (!concerned.count(path))
            continue;
        std::uint8_t reason = 0;
        const int parentFd = m_folders.open(parentOf(path), reason);
        // Fails, as it should, on a folder that holds anything.
        if (parentFd >= 0 && unlinkat(parentFd, leafOf(path).c_str(), AT_REMOVEDIR) == 0)
            removed.insert(path);
    }
    std::erase_if(m_folderTimes, [&removed](const FolderTime &f) { return removed.count(f.path) > 0; });
}

void Extraction::restoreFolderTimes()
{
    // Last, since writing into a folder changes its time.
    for (const FolderTime &f : m_folderTimes) {
        std::uint8_t reason = 0;
        const int fd = m_folders.open(f.path, reason);
        if (fd < 0)
            continue;
        const struct timespec times[2] = {{f.time, 0}, {f.time, 0}};
        futimens(fd, times);
    }
}

} // namespace

bool ExtractEntries(ArchiveFile &file, const ZipDirectory &dir, const std::vector<std::size_t> &selected,
                    const ReaderArgs &args, Reporter &reporter, PasswordKeeper &passwords, Outcome &outcome)
{
    Fd root;
    std::vector<std::string> createdDestination;
    if (int rc = createDestination(args.destination.empty() ? std::string(".") : args.destination, root,
                                   createdDestination)) {
        outcome.note(rc);
        return false;
    }
    const unsigned workers = selected.size() > 1 ? WorkerCount() : 0;
    // On the heap: its mutex never reuses the stack of an earlier run's
    // (which thread checkers cannot tell apart).
    std::unique_ptr<OrderedWork> work;
    if (workers > 0)
        work = std::make_unique<OrderedWork>(file.fd(), file.size(), workers);
    Extraction extraction(file, args, reporter, passwords, outcome, root.get(), work.get());
    bool goOn = true;
    for (const std::size_t index : selected) {
        if (!extraction.entry(dir.entries[index])) {
            goOn = false;
            break;
        }
    }
    goOn = goOn && extraction.finishAhead();
    extraction.dropAhead();
    extraction.removeUnusedFolders();
    extraction.restoreFolderTimes();
    // A destination made for this run alone goes too when nothing went in.
    if (extraction.missedSome()) {
        root.reset();
        for (auto it = createdDestination.rbegin(); it != createdDestination.rend(); ++it) {
            if (rmdir(it->c_str()) != 0)
                break;
        }
    }
    return goOn;
}

} // namespace tovo::zip
