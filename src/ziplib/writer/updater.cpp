#include "ziplib/writer/updater.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unordered_map>
#include <utility>
#include <unordered_set>
#include <vector>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/orderedwork.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipformat.h"
#include "ziplib/common/zipnames.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/writer/archivesource.h"
#include "ziplib/writer/deflateahead.h"
#include "ziplib/writer/filescan.h"
#include "ziplib/writer/filesource.h"
#include "ziplib/writer/sourcemove.h"
#include "ziplib/writer/writerargs.h"

namespace tovo::zip {
namespace {

// The archive before the command: whether it exists, and its directory.
struct ArchiveState {
    bool exists = false;
    struct stat st {};
    ArchiveFile file;
    ZipDirectory dir;
};

// Reads the archive's directory. A missing archive (or an empty file, which
// is what a caller leaves when it checks that the archive can be created)
// gives 30 when one is needed and counts as a new archive otherwise.
int examineArchive(const std::string &path, bool mustExist, ArchiveState &state)
{
    if (::stat(path.c_str(), &state.st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return mustExist ? TOVO_ZIP_WARN_NO_ARCHIVE : TOVO_ZIP_OK;
        return TOVO_ZIP_ERR_OPEN_ARCHIVE;
    }
    if (!S_ISREG(state.st.st_mode))
        return TOVO_ZIP_ERR_OPEN_ARCHIVE;
    state.exists = true;
    const int opened = state.file.open(path);
    if (opened != 0)
        return opened == TOVO_ZIP_WARN_NO_ARCHIVE && !mustExist ? TOVO_ZIP_OK : opened;
    if (state.file.size() == 0)
        return mustExist ? TOVO_ZIP_WARN_NO_ARCHIVE : TOVO_ZIP_OK;
    return ReadZipDirectory(state.file, state.dir);
}

// Nothing to gain from compressing an empty file, or one already compressed.
bool storedAsIs(const WriterArgs &args, const SourceFile &file)
{
    return args.level == 0 || file.st.st_size == 0 || HasStoredExtension(args, file.storedName);
}

ArchiveSourceSetup setupOf(const std::string &path, ArchiveState &state)
{
    ArchiveSourceSetup setup;
    setup.path = path;
    setup.existing = state.exists;
    if (!state.exists)
        return setup;
    setup.readFd = state.file.fd();
    setup.fileSize = state.file.size();
    setup.mode = state.st.st_mode;
    setup.uid = state.st.st_uid;
    setup.gid = state.st.st_gid;
    if (setup.fileSize == 0)
        return setup;
    setup.readBase = state.dir.frontShift;
    std::uint64_t first = state.dir.centralOffset;
    for (const ZipEntry &e : state.dir.entries)
        first = std::min(first, e.localHeaderOffset);
    setup.prefixLength = first;
    setup.comment = state.dir.comment;
    return setup;
}

// Checks the new archive before it replaces the old one: its directory reads
// back with the expected number of entries, and, when the sources are to be
// deleted, every entry written by this run reads back whole with its CRC
// (through libzip's reading side, which has no size limit of its own, so a
// highly compressible file is checked like any other).
class NewArchiveCheck {
public:
    // expected and dataToCheck are read at each check: a run that leaves a
    // file out and writes again changes them.
    NewArchiveCheck(const std::size_t &expected, const std::unordered_set<std::string> *dataToCheck,
                    const std::string &password)
        : m_expected(expected), m_dataToCheck(dataToCheck), m_password(password)
    {
    }

    int operator()(int fd, std::uint64_t size) const
    {
        ArchiveFile file;
        file.attach(fd, size);
        // Every check of a reading, without a table of the entries when
        // their data follow the directory's order (as written here).
        ZipDirectory dir;
        std::uint64_t count = 0;
        bool checked = false;
        if (CheckZipDirectory(file, dir, count, checked) != 0 || count != m_expected)
            return TOVO_ZIP_ERR_VERIFY;
        if (!checked && ReadZipDirectory(file, dir) != 0)
            return TOVO_ZIP_ERR_VERIFY;
        if (!m_dataToCheck || m_dataToCheck->empty())
            return TOVO_ZIP_OK;
        return checkData(fd);
    }

private:
    int checkData(int fd) const
    {
        const int copy = ::dup(fd);
        if (copy < 0)
            return TOVO_ZIP_ERR_VERIFY;
        int error = 0;
        zip_t *za = zip_fdopen(copy, ZIP_RDONLY, &error);
        if (!za) {
            ::close(copy);
            return TOVO_ZIP_ERR_VERIFY;
        }
        int code = TOVO_ZIP_OK;
        std::vector<char> buffer(256 * 1024);
        const zip_int64_t count = zip_get_num_entries(za, 0);
        for (zip_int64_t i = 0; i < count && code == TOVO_ZIP_OK; ++i) {
            const char *name = zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_RAW);
            if (!name || !m_dataToCheck->count(name))
                continue;
            zip_file_t *entry =
                zip_fopen_index_encrypted(za, zip_uint64_t(i), 0, m_password.empty() ? nullptr : m_password.c_str());
            if (!entry) {
                code = TOVO_ZIP_ERR_VERIFY;
                break;
            }
            zip_int64_t got;
            while ((got = zip_fread(entry, buffer.data(), buffer.size())) > 0) {
            }
            const int closed = zip_fclose(entry);
            if (got < 0 || closed != 0)
                code = TOVO_ZIP_ERR_VERIFY;
        }
        zip_discard(za);
        return code;
    }

    const std::size_t &m_expected;
    const std::unordered_set<std::string> *m_dataToCheck;
    std::string m_password;
};

// An archive opened by libzip over an ArchiveSource; discarded unless closed.
class ZipSession {
public:
    ZipSession(const std::string &path, ArchiveState &state, Reporter &reporter, ArchiveSource::Verifier verifier)
        : m_source(setupOf(path, state), reporter, std::move(verifier)), m_reporter(reporter)
    {
    }
    ~ZipSession()
    {
        if (m_zip)
            zip_discard(m_zip);
    }

    int open(std::size_t expectedEntries)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = m_source.create(&error);
        if (source)
            m_zip = zip_open_from_source(source, ZIP_CREATE, &error);
        const int code = CodeOfZipError(zip_error_code_zip(&error));
        zip_error_fini(&error);
        if (!m_zip) {
            if (source)
                zip_source_free(source);
            return code == TOVO_ZIP_OK ? TOVO_ZIP_ERR_FATAL : code;
        }
        // libzip numbers the entries in central-directory order, as our
        // reader does; a difference means the two read the archive apart.
        if (zip_get_num_entries(m_zip, 0) != zip_int64_t(expectedEntries))
            return TOVO_ZIP_ERR_BAD_ARCHIVE;
        zip_register_cancel_callback_with_state(m_zip, &ZipSession::cancelled, nullptr, &m_reporter);
        return TOVO_ZIP_OK;
    }

    zip_t *zip() const { return m_zip; }

    // The code of the last libzip failure on the archive.
    int lastError() const { return CodeOfZipError(zip_error_code_zip(zip_get_error(m_zip))); }

    // Writes the new archive; failureOfRun is the first failure of a file
    // source, if any.
    int close(int failureOfRun)
    {
        if (zip_close(m_zip) == 0) {
            m_zip = nullptr;
            return TOVO_ZIP_OK;
        }
        if (m_reporter.stopRequested())
            return TOVO_ZIP_ERR_ABORTED;
        if (m_source.failure() != 0)
            return m_source.failure();
        if (failureOfRun != 0)
            return failureOfRun;
        const int code = lastError();
        // A failed close is never a success, whatever libzip says.
        return code == TOVO_ZIP_OK ? TOVO_ZIP_ERR_FATAL : code;
    }

private:
    static int cancelled(zip_t *, void *reporter) { return static_cast<Reporter *>(reporter)->stopRequested() ? 1 : 0; }

    ArchiveSource m_source;
    Reporter &m_reporter;
    zip_t *m_zip = nullptr;
};

std::unordered_map<std::string, std::size_t> indexByName(const ZipDirectory &dir)
{
    std::unordered_map<std::string, std::size_t> byName;
    byName.reserve(dir.entries.size() * 2);
    for (std::size_t i = 0; i < dir.entries.size(); ++i)
        byName.emplace(dir.entries[i].name, i);
    return byName;
}

// Whether a file on disk is newer than an entry. Without an exact stored
// time the DOS date-time has two-second steps, so a difference below that
// is no change.
bool isNewer(const SourceFile &file, const ZipEntry &entry)
{
    const std::time_t stored = entry.modificationTime();
    return entry.hasUnixTime ? file.st.st_mtime > stored : file.st.st_mtime > stored + 1;
}

// The extended timestamp field: the exact modification time, in UTC, which
// the DOS date-time cannot hold.
void setTimestampField(zip_t *za, zip_uint64_t index, std::time_t mtime)
{
    zip_file_extra_field_delete_by_id(za, index, ExtraTimestamp, ZIP_EXTRA_FIELD_ALL, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
    if (mtime < 0 || mtime > 0x7FFFFFFF)
        return;
    const std::uint32_t t = std::uint32_t(mtime);
    const zip_uint8_t data[5] = {1, zip_uint8_t(t), zip_uint8_t(t >> 8), zip_uint8_t(t >> 16), zip_uint8_t(t >> 24)};
    zip_file_extra_field_set(za, index, ExtraTimestamp, ZIP_EXTRA_FIELD_NEW, data, sizeof data,
                             ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
}

struct Planned {
    const SourceFile *file;
    bool replacing;
    std::size_t index;     // of the entry replaced
    zip_int64_t added = 0; // libzip's index of the new entry
    bool left = false;     // left out: the file was not what the scan found
};

int warningOf(int skipped, int unmatched)
{
    if (skipped > 0)
        return TOVO_ZIP_WARN_SKIPPED;
    return unmatched > 0 ? TOVO_ZIP_WARN_NOT_FOUND : TOVO_ZIP_OK;
}

// The files of a freshen or update without names: every file entry of the
// archive whose name leads to a file under the current directory.
std::vector<std::string> entryPaths(const ZipDirectory &dir)
{
    std::vector<std::string> paths;
    for (const ZipEntry &e : dir.entries) {
        if (e.isDirectory())
            continue;
        if (const auto path = SafeRelativePath(e.name))
            paths.push_back(*path);
    }
    return paths;
}

// Leaves out of the new archive the file a source found replaced or gone
// (reported with reason 3), so that the next write goes without it.
// Returns 0, 370, or libzip's failure.
int leaveOut(ZipSession &session, std::vector<Planned> &plan, const SourceFile *file, std::size_t &expected,
             std::unordered_set<std::string> &written, Reporter &reporter)
{
    const auto p = std::find_if(plan.begin(), plan.end(), [&](const Planned &q) { return q.file == file; });
    if (p == plan.end() || p->left)
        return TOVO_ZIP_ERR_FATAL;
    p->left = true;
    written.erase(file->storedName);
    // A replaced entry keeps its old data; a new one goes.
    if (p->replacing ? zip_unchange(session.zip(), p->index) != 0
                     : zip_delete(session.zip(), zip_uint64_t(p->added)) != 0)
        return session.lastError();
    if (!p->replacing)
        --expected;
    return reporter.skipping(file->storedName, TOVO_ZIP_SKIP_WRITE_FAILED) ? TOVO_ZIP_ERR_ABORTED : TOVO_ZIP_OK;
}

} // namespace

int RunAdd(const WriterArgs &args, Reporter &reporter)
{
    std::string password = args.encrypt ? args.password : std::string();
    if (args.encrypt && password.empty() && !reporter.askPassword(args.archive, password))
        return reporter.stopRequested() ? TOVO_ZIP_ERR_ABORTED : TOVO_ZIP_ERR_PARAMETERS;

    const bool freshen = args.command == WriterCommand::Freshen;
    const bool update = args.command == WriterCommand::Update;
    ArchiveState state;
    if (const int code = examineArchive(args.archive, freshen, state); code != 0)
        return code;
    if (freshen && state.dir.entries.empty())
        return TOVO_ZIP_WARN_NO_ARCHIVE;

    // The candidates: the named files, or, for freshen and update without
    // names, the files of the entries already stored.
    ScanResult scan;
    if (!args.files.empty()) {
        FileScanner scanner(args, reporter, args.archive);
        scan = scanner.scan();
    } else if (freshen || update) {
        WriterArgs implicit = args;
        implicit.files = entryPaths(state.dir);
        implicit.wildcards = false;
        implicit.recurse = false;
        implicit.directoryEntries = false;
        FileScanner scanner(implicit, reporter, args.archive);
        scanner.setImplicit();
        scan = scanner.scan();
        scan.unmatchedSpecs = 0; // a stored file missing on disk is simply not refreshed
    } else {
        return TOVO_ZIP_ERR_NOTHING_TO_DO;
    }
    if (scan.stopped)
        return TOVO_ZIP_ERR_ABORTED;
    if (scan.namedUnreadable)
        return TOVO_ZIP_ERR_OPEN_INPUT;
    if (scan.files.empty()) {
        if (scan.skipped > 0)
            return TOVO_ZIP_WARN_SKIPPED;
        // Refreshing every entry when none of them is on disk changes nothing
        // and is no mistake; names that match nothing are.
        return args.files.empty() ? TOVO_ZIP_OK : TOVO_ZIP_ERR_NOTHING_TO_DO;
    }

    const auto byName = indexByName(state.dir);
    std::vector<Planned> plan;
    plan.reserve(scan.files.size());
    std::size_t added = 0;
    for (const SourceFile &file : scan.files) {
        const auto found = byName.find(file.storedName);
        const bool exists = found != byName.end();
        if (file.directory) {
            if (!exists && !freshen) {
                plan.push_back({&file, false, 0});
                ++added;
            }
            continue;
        }
        bool take = false;
        if (args.command == WriterCommand::Add)
            take = true;
        else if (freshen)
            take = exists && isNewer(file, state.dir.entries[found->second]);
        else
            take = !exists || isNewer(file, state.dir.entries[found->second]);
        if (!take)
            continue;
        plan.push_back({&file, exists, exists ? found->second : 0});
        if (!exists)
            ++added;
    }
    const int warning = warningOf(scan.skipped, scan.unmatchedSpecs);
    if (plan.empty())
        return warning; // everything is up to date: the archive is left as it is

    // What a move must find whole in the new archive before deleting.
    std::unordered_set<std::string> written;
    for (const Planned &p : plan) {
        if (args.move && !p.file->directory)
            written.insert(p.file->storedName);
    }
    std::size_t expected = state.dir.entries.size() + added;
    ZipSession session(args.archive, state, reporter,
                       NewArchiveCheck(expected, args.move ? &written : nullptr, password));
    if (const int code = session.open(state.dir.entries.size()); code != 0)
        return code;
    zip_t *za = session.zip();

    AddRun run(reporter);
    for (Planned &p : plan) {
        const SourceFile &file = *p.file;
        zip_source_t *source = FileSource::create(za, file, p.replacing, run);
        if (!source)
            return session.lastError();
        zip_int64_t index = zip_int64_t(p.index);
        if (p.replacing) {
            if (zip_file_replace(za, p.index, source, 0) != 0)
                index = -1;
        } else {
            const zip_flags_t encoding = IsValidUtf8(file.storedName) ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_RAW;
            index = zip_file_add(za, file.storedName.c_str(), source, encoding);
            p.added = index;
        }
        if (index < 0) {
            zip_source_free(source);
            return session.lastError();
        }
        const zip_uint64_t i = zip_uint64_t(index);
        const std::uint32_t mode = std::uint32_t(file.st.st_mode) & 0xFFFF;
        if (zip_file_set_external_attributes(za, i, 0, ZIP_OPSYS_UNIX, (mode << 16) | DosAttributesOf(file)) != 0 ||
            zip_file_set_mtime(za, i, file.st.st_mtime, 0) != 0)
            return session.lastError();
        setTimestampField(za, i, file.st.st_mtime);
        if (file.directory)
            continue;
        const bool store = storedAsIs(args, file);
        if (zip_set_file_compression(za, i, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     store ? 0 : zip_uint32_t(args.level)) != 0)
            return session.lastError();
        if (zip_file_set_encryption(za, i, password.empty() ? ZIP_EM_NONE : ZIP_EM_TRAD_PKWARE,
                                    password.empty() ? nullptr : password.c_str()) != 0)
            return session.lastError();
    }

    // The files to deflate are compressed ahead on worker threads, in the
    // order libzip writes the entries.
    std::vector<std::pair<zip_uint64_t, const SourceFile *>> deflated;
    deflated.reserve(plan.size());
    for (const Planned &p : plan) {
        if (!p.file->directory && !storedAsIs(args, *p.file))
            deflated.emplace_back(p.replacing ? zip_uint64_t(p.index) : zip_uint64_t(p.added), p.file);
    }
    std::sort(deflated.begin(), deflated.end());
    std::vector<const SourceFile *> order;
    order.reserve(deflated.size());
    for (const auto &d : deflated)
        order.push_back(d.second);
    // No threads when there is nothing to deflate (stored files, folders).
    const unsigned workers = order.empty() ? 0 : WorkerCount();
    DeflateAhead ahead(std::move(order), args.level, workers);
    run.ahead = &ahead;

    // A file found replaced or gone when its turn came fails libzip's write;
    // the archive is written again without it, until nothing is left.
    int skipped = scan.skipped;
    std::size_t remaining = plan.size();
    for (;;) {
        ++run.attempt;
        const int code = session.close(run.failure);
        if (code == 0)
            break;
        const SourceFile *replaced = std::exchange(run.replaced, nullptr);
        if (!replaced || reporter.stopRequested())
            return code;
        ahead.leaveOut(*replaced);
        // libzip keeps how each entry came out of the failed write (stored,
        // say); the data comes deflated again.
        for (const Planned &p : plan) {
            if (p.left || p.file->directory || storedAsIs(args, *p.file))
                continue;
            const zip_uint64_t i = p.replacing ? zip_uint64_t(p.index) : zip_uint64_t(p.added);
            if (zip_set_file_compression(za, i, ZIP_CM_DEFLATE, zip_uint32_t(args.level)) != 0)
                return session.lastError();
        }
        if (const int left = leaveOut(session, plan, replaced, expected, written, reporter); left != 0)
            return left;
        ++skipped;
        if (--remaining == 0)
            return warningOf(skipped, scan.unmatchedSpecs); // nothing left to write
    }

    skipped += int(run.changed.size());
    if (args.move) {
        std::vector<const SourceFile *> stored;
        for (const Planned &p : plan) {
            if (!p.left)
                stored.push_back(p.file);
        }
        skipped += DeleteMovedSources(stored, scan, run.changed, reporter);
    }
    return warningOf(skipped, scan.unmatchedSpecs);
}

int RunDelete(const WriterArgs &args, Reporter &reporter)
{
    ArchiveState state;
    if (const int code = examineArchive(args.archive, true, state); code != 0)
        return code;
    if (state.dir.entries.empty())
        return TOVO_ZIP_WARN_NO_ARCHIVE;
    if (args.files.empty())
        return TOVO_ZIP_ERR_NOTHING_TO_DO;

    std::vector<bool> specMatched(args.files.size(), false);
    std::vector<std::size_t> doomed;
    const std::vector<bool> literal =
        LiteralPatterns(args.files, state.dir.entries, [](const ZipEntry &e) -> std::string_view { return e.name; });
    for (std::size_t i = 0; i < state.dir.entries.size(); ++i) {
        const ZipEntry &entry = state.dir.entries[i];
        bool selected = false;
        for (std::size_t s = 0; s < args.files.size(); ++s) {
            if (args.files[s] == entry.storedName() ||
                (literal[s] ? args.files[s] == entry.name : WildcardMatch(args.files[s], entry.name))) {
                specMatched[s] = true;
                selected = true;
            }
        }
        if (selected && PassesIncludesExcludes(args, entry.name))
            doomed.push_back(i);
    }
    if (doomed.empty())
        return TOVO_ZIP_ERR_NOTHING_TO_DO;
    const int unmatched = int(std::count(specMatched.begin(), specMatched.end(), false));

    const std::size_t left = state.dir.entries.size() - doomed.size();
    ZipSession session(args.archive, state, reporter, NewArchiveCheck(left, nullptr, std::string()));
    if (const int code = session.open(state.dir.entries.size()); code != 0)
        return code;
    for (const std::size_t i : doomed) {
        if (zip_delete(session.zip(), i) != 0)
            return session.lastError();
        if (reporter.nameOnly(TOVO_ZIP_MSG_DELETING, state.dir.entries[i].name))
            return TOVO_ZIP_ERR_ABORTED;
    }
    if (const int code = session.close(0); code != 0)
        return code;
    return warningOf(0, unmatched);
}

} // namespace tovo::zip
