// The reading module: lists, tests and extracts the entries of an archive
// (entry "ziprd" of libziprd.so).
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipnames.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/reader/extractor.h"
#include "ziplib/common/orderedwork.h"
#include "ziplib/reader/readerargs.h"
#include "ziplib/reader/readerrun.h"

namespace tovo::zip
{
namespace
{

// Entries checked or written ahead of their messages, at most.
constexpr std::size_t AheadLimit = 64;
// Entries with less compressed data are checked on the calling thread.
constexpr std::uint64_t HandOverSize = 1024;

// The indexes of the entries the file list selects, in archive order; a
// pattern that selects nothing notes 50.
std::vector<std::size_t> selectEntries(const ZipDirectory &dir, const ReaderArgs &args, Outcome &outcome)
{
    std::vector<std::size_t> selected;
    std::vector<bool> used(args.patterns.size(), false);
    const std::vector<bool> literal =
        LiteralPatterns(args.patterns, dir.entries, [](const ZipEntry &e) -> std::string_view { return e.name; });
    selected.reserve(dir.entries.size());
    for (std::size_t i = 0; i < dir.entries.size(); ++i) {
        const std::string &name = dir.entries[i].name;
        bool wanted = args.patterns.empty();
        for (std::size_t s = 0; s < args.patterns.size(); ++s) {
            if (literal[s] ? args.patterns[s] == name : PatternSelects(args.patterns[s], name)) {
                wanted = true;
                used[s] = true;
            }
        }
        if (!wanted)
            continue;
        bool excluded = false;
        for (const std::string &x : args.excludes)
            excluded = excluded || PatternSelects(x, name);
        if (!excluded)
            selected.push_back(i);
    }
    for (const bool u : used) {
        if (!u)
            outcome.note(TOVO_ZIP_WARN_NOT_FOUND);
    }
    return selected;
}

// The archive comment, which the engine keeps for a later command. False
// when the run must stop.
bool sendComment(const ZipDirectory &dir, Reporter &reporter, Outcome &outcome)
{
    if (dir.comment.empty())
        return true;
    std::string comment = DecodeEntryName(dir.comment, false);
    TovoZipCommentStoreData block{comment.c_str(), std::uint16_t(std::min<std::size_t>(comment.size(), 0xFFFF))};
    if (reporter.send(TOVO_ZIP_MSG_COMMENT_STORE, &block)) {
        outcome.note(TOVO_ZIP_ERR_ABORTED);
        return false;
    }
    return true;
}

void listEntries(const ZipDirectory &dir, const std::vector<std::size_t> &selected, Reporter &reporter,
                 Outcome &outcome)
{
    if (!sendComment(dir, reporter, outcome))
        return;
    for (const std::size_t i : selected) {
        if (reporter.entryStats(TOVO_ZIP_MSG_LISTING, dir.entries[i]))
            return outcome.note(TOVO_ZIP_ERR_ABORTED);
    }
}

// Lists every entry without a table of them, when the directory's checks
// can be made without one (see CheckZipDirectory). False when they cannot:
// rc is then not set.
bool listWithoutTable(ArchiveFile &file, Reporter &reporter, int &rc)
{
    ZipDirectory dir;
    std::uint64_t count = 0;
    bool checked = false;
    rc = CheckZipDirectory(file, dir, count, checked);
    if (rc != TOVO_ZIP_OK)
        return true;
    if (!checked)
        return false;
    if (count == 0) {
        rc = TOVO_ZIP_WARN_NO_ARCHIVE;
        return true;
    }
    Outcome outcome;
    if (sendComment(dir, reporter, outcome)) {
        rc = VisitZipEntries(file, dir, count, [&](const ZipEntry &e) {
            if (!reporter.entryStats(TOVO_ZIP_MSG_LISTING, e))
                return true;
            outcome.note(TOVO_ZIP_ERR_ABORTED);
            return false;
        });
    }
    if (rc == TOVO_ZIP_OK)
        rc = outcome.code();
    return true;
}

// What the test of e found (rc): noted, and a skipped entry announced.
// False when the run must stop.
bool testResult(const ZipEntry &e, int rc, Reporter &reporter, Outcome &outcome)
{
    outcome.note(rc);
    if (rc == TOVO_ZIP_WARN_PASSWORD || rc == TOVO_ZIP_WARN_SKIPPED || rc == TOVO_ZIP_ERR_METHOD ||
        rc == TOVO_ZIP_ERR_UNSUPPORTED) {
        const std::uint8_t reason = rc == TOVO_ZIP_WARN_PASSWORD  ? TOVO_ZIP_SKIP_PASSWORD
                                    : rc == TOVO_ZIP_WARN_SKIPPED ? TOVO_ZIP_SKIP_UNSAFE_NAME
                                                                  : TOVO_ZIP_SKIP_UNSUPPORTED;
        if (reporter.skipping(e.name, reason)) {
            outcome.note(TOVO_ZIP_ERR_ABORTED);
            return false;
        }
    }
    return !Outcome::isFatal(rc);
}

// Tests e on the calling thread, with password questions and progress.
bool testHere(ArchiveFile &file, const ZipEntry &e, std::vector<unsigned char> &buffer, Reporter &reporter,
              PasswordKeeper &passwords, Outcome &outcome)
{
    if (reporter.entryStats(TOVO_ZIP_MSG_TESTING, e)) {
        outcome.note(TOVO_ZIP_ERR_ABORTED);
        return false;
    }
    EntryDataReader reader;
    int rc = passwords.open(reader, file, e, reporter);
    std::uint64_t nextProgress = ProgressStep;
    while (rc == TOVO_ZIP_OK) {
        std::size_t got = 0;
        rc = reader.read(buffer.data(), buffer.size(), got);
        if (rc != TOVO_ZIP_OK || got == 0)
            break;
        if (ReportProgress(reporter, e, reader.produced(), nextProgress))
            rc = TOVO_ZIP_ERR_ABORTED;
    }
    return testResult(e, rc, reporter, outcome);
}

void testEntries(ArchiveFile &file, const ZipDirectory &dir, const std::vector<std::size_t> &selected,
                 Reporter &reporter, PasswordKeeper &passwords, Outcome &outcome)
{
    std::vector<unsigned char> buffer(256 * 1024);
    const unsigned workers = WorkerCount();
    if (workers == 0 || selected.size() < 2) {
        for (const std::size_t i : selected) {
            if (!testHere(file, dir.entries[i], buffer, reporter, passwords, outcome))
                return;
        }
        return;
    }
    // Entries that need no question and no progress message are checked on
    // the workers, ahead of the messages; each one's message and result
    // still come in archive order, once it is checked. A stop drops the
    // checks made ahead: testing changes nothing.
    // On the heap: its mutex never reuses the stack of an earlier run's
    // (which thread checkers cannot tell apart).
    const auto work = std::make_unique<OrderedWork>(file.fd(), file.size(), workers);
    // Each entry queued, and whether it went to the workers: a tiny entry
    // costs less to check than to hand over, and is checked here when its
    // turn comes.
    std::deque<std::pair<const ZipEntry *, bool>> queued;
    auto takeOldest = [&] {
        const auto [entry, handedOver] = queued.front();
        const ZipEntry &e = *entry;
        queued.pop_front();
        const int rc = handedOver ? work->takeOldest().rc : CheckEntryData(file, e, std::string());
        if (reporter.entryStats(TOVO_ZIP_MSG_TESTING, e)) {
            outcome.note(TOVO_ZIP_ERR_ABORTED);
            return false;
        }
        return testResult(e, rc, reporter, outcome);
    };
    for (const std::size_t i : selected) {
        const ZipEntry &e = dir.entries[i];
        if (e.encrypted() || e.size >= 2 * ProgressStep) {
            while (!queued.empty()) {
                if (!takeOldest())
                    return;
            }
            if (!testHere(file, e, buffer, reporter, passwords, outcome))
                return;
            continue;
        }
        while (queued.size() >= AheadLimit) {
            if (!takeOldest())
                return;
        }
        const bool handOver = e.compressedSize >= HandOverSize;
        queued.emplace_back(&e, handOver);
        if (handOver)
            work->submit([&e](Workspace &space) {
                TaskResult result;
                result.rc = CheckEntryData(space.file, e, std::string());
                return result;
            });
    }
    while (!queued.empty()) {
        if (!takeOldest())
            return;
    }
}

// The directory a test read, kept for the next call: opening an archive in
// the window tests it and lists it right after, and reading 100,000 records
// twice costs about as much as testing them. The next call takes it,
// whatever it does, and uses it only for the same file unchanged (same
// inode, size, modification and change times); otherwise it is dropped.
struct KeptDirectory {
    std::string path;
    struct stat identity {};
    std::unique_ptr<ZipDirectory> dir;
};

std::mutex keptMutex;
KeptDirectory kept;

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The kept directory of path when it still describes the open file, else
// null; nothing is kept any more either way.
std::unique_ptr<ZipDirectory> takeKeptDirectory(const std::string &path, const struct stat &identity)
{
    KeptDirectory taken;
    {
        const std::lock_guard<std::mutex> lock(keptMutex);
        std::swap(taken, kept);
    }
    if (taken.dir && taken.path == path && sameFile(taken.identity, identity))
        return std::move(taken.dir);
    return nullptr;
}

void keepDirectory(const std::string &path, const struct stat &identity, std::unique_ptr<ZipDirectory> dir)
{
    const std::lock_guard<std::mutex> lock(keptMutex);
    kept.path = path;
    kept.identity = identity;
    kept.dir = std::move(dir);
}

int run(int argc, char **argv, TovoZipCallback callback, void *user)
{
    ReaderArgs args;
    if (int rc = ParseReaderArgs(argc, argv, args)) {
        takeKeptDirectory(std::string(), {});
        return rc;
    }
    Reporter reporter(callback, user);
    ArchiveFile file;
    if (int rc = file.open(args.archive)) {
        takeKeptDirectory(std::string(), {});
        return rc;
    }
    struct stat identity {};
    const bool identified = fstat(file.fd(), &identity) == 0;
    std::unique_ptr<ZipDirectory> held = identified ? takeKeptDirectory(args.archive, identity) : nullptr;
    if (!identified)
        takeKeptDirectory(std::string(), {});
    // Listing every entry of an archive not just tested: no table needed.
    if (!held && args.command == ReaderCommand::List && args.patterns.empty() && args.excludes.empty()) {
        int rc = TOVO_ZIP_OK;
        if (listWithoutTable(file, reporter, rc))
            return rc;
    }
    if (!held) {
        held = std::make_unique<ZipDirectory>();
        if (int rc = ReadZipDirectory(file, *held))
            return rc;
    }
    const ZipDirectory &dir = *held;
    if (dir.entries.empty())
        return TOVO_ZIP_WARN_NO_ARCHIVE;

    Outcome outcome;
    const std::vector<std::size_t> selected = selectEntries(dir, args, outcome);
    PasswordKeeper passwords(args.password);
    switch (args.command) {
    case ReaderCommand::List:
        listEntries(dir, selected, reporter, outcome);
        break;
    case ReaderCommand::Test:
        testEntries(file, dir, selected, reporter, passwords, outcome);
        // A listing usually follows; a failed or stopped test is not.
        if (identified && outcome.code() < 100)
            keepDirectory(args.archive, identity, std::move(held));
        break;
    case ReaderCommand::Extract:
        ExtractEntries(file, dir, selected, args, reporter, passwords, outcome);
        break;
    }
    return outcome.code();
}

} // namespace
} // namespace tovo::zip

extern "C" __attribute__((visibility("default"))) int ziprd(int version, int argc, char **argv,
                                                            TovoZipCallback callback, void *user)
{
    if (version != TOVO_ZIP_CONTRACT_VERSION)
        return TOVO_ZIP_ERR_PARAMETERS;
    // Nothing may escape into the engine's C frames.
    try {
        return tovo::zip::run(argc, argv, callback, user);
    } catch (const std::bad_alloc &) {
        return TOVO_ZIP_ERR_MEMORY;
    } catch (...) {
        return TOVO_ZIP_ERR_FATAL;
    }
}
