// The reading module: lists, tests and extracts the entries of an archive
// (entry "ziprd" of libziprd.so).
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "engine/zipcontract.h"
#include "ziplib/common/archivefile.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipnames.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/reader/extractor.h"
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

void listEntries(const ZipDirectory &dir, const std::vector<std::size_t> &selected, Reporter &reporter,
                 Outcome &outcome)
{
    if (!dir.comment.empty()) {
        // The engine keeps the archive comment for a later command.
        std::string comment = DecodeEntryName(dir.comment, false);
        TovoZipCommentStoreData block{comment.c_str(), std::uint16_t(std::min<std::size_t>(comment.size(), 0xFFFF))};
        if (reporter.send(TOVO_ZIP_MSG_COMMENT_STORE, &block))
            return outcome.note(TOVO_ZIP_ERR_ABORTED);
    }
    for (const std::size_t i : selected) {
        if (reporter.entryStats(TOVO_ZIP_MSG_LISTING, dir.entries[i]))
            return outcome.note(TOVO_ZIP_ERR_ABORTED);
    }
}

void testEntries(ArchiveFile &file, const ZipDirectory &dir, const std::vector<std::size_t> &selected,
                 Reporter &reporter, PasswordKeeper &passwords, Outcome &outcome)
{
    std::vector<unsigned char> buffer(256 * 1024);
    for (const std::size_t i : selected) {
        const ZipEntry &e = dir.entries[i];
        if (reporter.entryStats(TOVO_ZIP_MSG_TESTING, e))
            return outcome.note(TOVO_ZIP_ERR_ABORTED);
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
        outcome.note(rc);
        if (rc == TOVO_ZIP_WARN_PASSWORD || rc == TOVO_ZIP_WARN_SKIPPED || rc == TOVO_ZIP_ERR_METHOD ||
            rc == TOVO_ZIP_ERR_UNSUPPORTED) {
            const std::uint8_t reason = rc == TOVO_ZIP_WARN_PASSWORD  ? TOVO_ZIP_SKIP_PASSWORD
                                        : rc == TOVO_ZIP_WARN_SKIPPED ? TOVO_ZIP_SKIP_UNSAFE_NAME
                                                                      : TOVO_ZIP_SKIP_UNSUPPORTED;
            if (reporter.skipping(e.name, reason))
                return outcome.note(TOVO_ZIP_ERR_ABORTED);
        }
        if (Outcome::isFatal(rc))
            return;
    }
}

int run(int argc, char **argv, TovoZipCallback callback, void *user)
{
    ReaderArgs args;
    if (int rc = ParseReaderArgs(argc, argv, args))
        return rc;
    Reporter reporter(callback, user);
    ArchiveFile file;
    if (int rc = file.open(args.archive))
        return rc;
    ZipDirectory dir;
    if (int rc = ReadZipDirectory(file, dir))
        return rc;
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
