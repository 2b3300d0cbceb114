// The reading module: lists, tests and extracts the entries of an archive
// (entry "ziprd" of libziprd.so).
#include <algorithm>
#include <functional>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipnames.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/reader/aheadchecks.h"
#include "ziplib/reader/extractor.h"
#include "ziplib/common/orderedwork.h"
#include "ziplib/reader/readerargs.h"
#include "ziplib/reader/readerrun.h"

namespace tovo::zip
{
namespace
{

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
    int rc;
    do {
        EntryDataReader reader;
        rc = passwords.open(reader, file, e, reporter);
        std::uint64_t nextProgress = ProgressStep;
        while (rc == TOVO_ZIP_OK) {
            std::size_t got = 0;
            rc = reader.read(buffer.data(), buffer.size(), got);
            if (rc != TOVO_ZIP_OK || got == 0)
                break;
            if (ReportProgress(reporter, e, reader.produced(), nextProgress))
                rc = TOVO_ZIP_ERR_ABORTED;
        }
    } while (passwords.readAgain(e, rc));
    return testResult(e, rc, reporter, outcome);
}

// Workers that check the entries of walk ahead of the calling thread, or
// null when the run goes without (see WorkerCount); one core is left to
// the calling thread.
std::unique_ptr<AheadChecks> startAheadChecks(ArchiveFile &file, const EntryWalk &walk)
{
    const unsigned workers = WorkerCount();
    if (workers == 0)
        return nullptr;
    return std::make_unique<AheadChecks>(file.fd(), file.size(), walk, std::max(workers - 1, 1u));
}

// Tests the entries of walk, count of them; ahead, when given, was started
// on the same walk.
void testEntries(ArchiveFile &file, const EntryWalk &walk, std::uint64_t count, Reporter &reporter,
                 PasswordKeeper &passwords, Outcome &outcome, std::unique_ptr<AheadChecks> ahead = nullptr)
{
    std::vector<unsigned char> buffer(256 * 1024);
    if (!ahead && count >= 2)
        ahead = startAheadChecks(file, walk);
    if (!ahead || count < 2) {
        ahead.reset();
        walk(file, [&](const ZipEntry &e) { return testHere(file, e, buffer, reporter, passwords, outcome); });
        return;
    }
    // Each entry's message and result still come in archive order, once it
    // is checked; a stop drops the checks made ahead: testing changes
    // nothing.
    std::uint64_t index = 0;
    walk(file, [&](const ZipEntry &e) {
        const std::uint64_t i = index++;
        bool going;
        if (AheadChecks::leftToCaller(e)) {
            going = testHere(file, e, buffer, reporter, passwords, outcome);
        } else {
            const std::optional<int> checked = ahead->take(i, e.compressedSize + e.size);
            const int rc = checked ? *checked : CheckEntryData(file, e, std::string());
            if (reporter.entryStats(TOVO_ZIP_MSG_TESTING, e)) {
                outcome.note(TOVO_ZIP_ERR_ABORTED);
                going = false;
            } else {
                going = testResult(e, rc, reporter, outcome);
            }
        }
        ahead->done(i);
        return going;
    });
}

// The directory a test read, kept for the next call: opening an archive in
// the window tests it and lists it right after, and reading 100,000 records
// twice costs about as much as testing them. A test of every entry keeps no
// table, only that the directory checked out (and its place and count). The
// next call takes it, whatever it does, and uses it only for the same file
// unchanged (same inode, size, modification and change times); otherwise
// it is dropped.
// What a listing sends for each entry, gathered by a test of every entry
// for the listing that follows it: that listing then reads no directory.
struct ListingCache {
    // Directories larger than this are read again rather than kept.
    static constexpr std::uint64_t MaxDirectory = 256 * 1024 * 1024;

    struct Item {
        std::uint64_t size = 0;
        std::uint64_t compressedSize = 0;
        std::uint32_t dosDateTime = 0;
        std::uint32_t nameAt = 0; // in text, ending in NUL
        std::uint32_t commentAt = 0;
        std::uint32_t commentLength = 0;
        std::uint8_t attributes = 0;
    };
    std::string text; // names and comments
    std::vector<Item> items;

    void add(const ZipEntry &e)
    {
        Item item;
        item.size = e.size;
        item.compressedSize = e.compressedSize;
        item.dosDateTime = e.dosDateTime;
        item.attributes = e.dosAttributes();
        item.nameAt = std::uint32_t(text.size());
        text.append(e.name.c_str(), e.name.size() + 1);
        item.commentAt = std::uint32_t(text.size());
        item.commentLength = std::uint32_t(e.comment.size());
        text += e.comment;
        items.push_back(item);
    }
};

void listFromCache(const ListingCache &listing, Reporter &reporter, Outcome &outcome)
{
    const std::string_view text = listing.text;
    for (const ListingCache::Item &item : listing.items) {
        if (reporter.fileStats(TOVO_ZIP_MSG_LISTING, text.data() + item.nameAt, std::int64_t(item.size),
                               std::int64_t(item.compressedSize), 0, item.attributes, item.dosDateTime,
                               text.substr(item.commentAt, item.commentLength)))
            return outcome.note(TOVO_ZIP_ERR_ABORTED);
    }
}

struct KeptDirectory {
    std::string path;
    struct stat identity {};
    std::unique_ptr<ZipDirectory> dir;
    bool checkedOnly = false; // dir holds no entries: count of them, walked in order
    std::uint64_t count = 0;
    std::unique_ptr<ListingCache> listing; // with checkedOnly, when the test gathered it
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
// one without a directory; nothing is kept any more either way.
KeptDirectory takeKeptDirectory(const std::string &path, const struct stat &identity)
{
    KeptDirectory taken;
    {
        const std::lock_guard<std::mutex> lock(keptMutex);
        std::swap(taken, kept);
    }
    if (taken.dir && taken.path == path && sameFile(taken.identity, identity))
        return taken;
    return KeptDirectory();
}

void keepDirectory(KeptDirectory directory)
{
    const std::lock_guard<std::mutex> lock(keptMutex);
    kept = std::move(directory);
}

// Lists or tests every entry straight from the directory, without a table
// of them, when the directory's checks can be made without one (see
// CheckZipDirectory). False when they cannot: nothing was sent and rc is
// not set. held is a directory a test checked, or null.
bool everyEntryWithoutTable(ArchiveFile &file, const ReaderArgs &args, const struct stat *identity,
                            KeptDirectory held, Reporter &reporter, int &rc)
{
    std::unique_ptr<ZipDirectory> dir = std::move(held.dir);
    std::uint64_t count = held.count;
    // The count the walks go by: the end record's until the check has
    // counted the records.
    std::uint64_t walkCount = held.count;
    int walkCode = TOVO_ZIP_OK;
    // What the calling thread's walk of a test gathers for the listing.
    std::unique_ptr<ListingCache> listing;
    // Each thread walks with its own view of the archive; the code of the
    // calling thread's walk is the one that counts.
    const EntryWalk walk = [&](ArchiveFile &through, const std::function<bool(const ZipEntry &)> &visit) {
        if (&through != &file) {
            VisitZipEntries(through, *dir, walkCount, visit);
        } else if (listing) {
            walkCode = VisitZipEntries(through, *dir, walkCount, [&](const ZipEntry &e) {
                listing->add(e);
                return visit(e);
            });
        } else {
            walkCode = VisitZipEntries(through, *dir, walkCount, visit);
        }
    };
    std::unique_ptr<AheadChecks> ahead;
    if (!dir) {
        dir = std::make_unique<ZipDirectory>();
        bool checked = false;
        // A test starts checking entries while the directory is checked:
        // nothing is reported before the check passes, and the checks made
        // ahead are dropped when it does not.
        const bool testing = args.command == ReaderCommand::Test;
        rc = CheckZipDirectory(file, *dir, count, checked, [&](std::uint64_t expected) {
            walkCount = expected;
            if (testing && expected >= 2)
                ahead = startAheadChecks(file, walk);
        });
        if (rc != TOVO_ZIP_OK)
            return true;
        if (!checked)
            return false;
    }
    if (count == 0) {
        rc = TOVO_ZIP_WARN_NO_ARCHIVE;
        return true;
    }
    Outcome outcome;
    if (args.command == ReaderCommand::List && held.listing) {
        if (sendComment(*dir, reporter, outcome))
            listFromCache(*held.listing, reporter, outcome);
    } else if (args.command == ReaderCommand::List) {
        if (sendComment(*dir, reporter, outcome))
            walk(file, [&](const ZipEntry &e) {
                if (!reporter.entryStats(TOVO_ZIP_MSG_LISTING, e))
                    return true;
                outcome.note(TOVO_ZIP_ERR_ABORTED);
                return false;
            });
    } else {
        if (identity && dir->centralSize <= ListingCache::MaxDirectory) {
            listing = std::make_unique<ListingCache>();
            listing->items.reserve(std::size_t(count));
            listing->text.reserve(std::size_t(dir->centralSize));
        }
        PasswordKeeper passwords(args.password);
        testEntries(file, walk, count, reporter, passwords, outcome, std::move(ahead));
    }
    outcome.note(walkCode);
    rc = outcome.code();
    // A listing usually follows a test; a failed or stopped test is not.
    if (args.command == ReaderCommand::Test && identity && rc < 100) {
        if (listing && listing->items.size() != count)
            listing.reset();
        keepDirectory(KeptDirectory{args.archive, *identity, std::move(dir), true, count, std::move(listing)});
    }
    return true;
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
    KeptDirectory held = identified ? takeKeptDirectory(args.archive, identity) : takeKeptDirectory(std::string(), {});
    const bool everyEntry = args.patterns.empty() && args.excludes.empty() && args.command != ReaderCommand::Extract;
    if (held.checkedOnly && !everyEntry)
        held = KeptDirectory(); // a table is needed
    if (everyEntry && (!held.dir || held.checkedOnly)) {
        int rc = TOVO_ZIP_OK;
        if (everyEntryWithoutTable(file, args, identified ? &identity : nullptr, std::move(held), reporter, rc))
            return rc;
    }
    std::unique_ptr<ZipDirectory> table = std::move(held.dir); // a table a test kept, if any
    if (!table) {
        table = std::make_unique<ZipDirectory>();
        if (int rc = ReadZipDirectory(file, *table))
            return rc;
    }
    const ZipDirectory &dir = *table;
    if (dir.entries.empty())
        return TOVO_ZIP_WARN_NO_ARCHIVE;

    Outcome outcome;
    const std::vector<std::size_t> selected = selectEntries(dir, args, outcome);
    PasswordKeeper passwords(args.password);
    const EntryWalk walk = [&](ArchiveFile &, const std::function<bool(const ZipEntry &)> &visit) {
        for (const std::size_t i : selected) {
            if (!visit(dir.entries[i]))
                return;
        }
    };
    switch (args.command) {
    case ReaderCommand::List:
        listEntries(dir, selected, reporter, outcome);
        break;
    case ReaderCommand::Test:
        testEntries(file, walk, selected.size(), reporter, passwords, outcome);
        // A listing usually follows; a failed or stopped test is not.
        if (identified && outcome.code() < 100)
            keepDirectory(KeptDirectory{args.archive, identity, std::move(table), false, 0, nullptr});
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
