// The writing module through the engine: which files an add stores and
// under which names, the freshen and update modes, delete, "move", a stopped
// run, failures that must not pass for success, progress, and the bytes in
// front of an archive.
#include "ziplib_writer/writertest.h"

#include <dlfcn.h>

#include <QDateTime>

#include <optional>
#include <utility>
#include <vector>

using namespace tovo;
using namespace tovo::test;

constexpr std::time_t T0 = 1600000000; // 13 September 2020, an even second

TEST(WriterAdd, SpecificationsSelectTheStoredNames)
{
    const auto recurse = [](TZipEngine &e) { e.Recurse = true; };
    const auto since = [](QDate day) {
        return [day](TZipEngine &e) { e.DateFilter = QDateTime(day, QTime(0, 0)); };
    };
    const QStringList docs{"docs/a.txt", "docs/b.log", "docs/sub/c.txt"};
    const QStringList old{"old/1975.txt", "old/2001.txt", "old/2020.txt", "old/day.txt"}; // dated files
    const struct {
        const char *name;
        Command command;
        int code;
        QStringList stored;
        QByteArray before = {}; // the archive's file before the command, if any
    } rows[] = {
        {"named files keep their relative paths", {xamAdd, {"docs/a.txt", "top.txt"}}, 0, {"docs/a.txt", "top.txt"}},
        {"a folder without recursion brings nothing", {xamAdd, {"docs", "top.txt"}}, 0, {"top.txt"}},
        {"recursion skips hidden files and folders", {xamAdd, {"docs"}, recurse}, 0, docs},
        {"hidden files and folders are taken with -S",
         {xamAdd, {"docs"}, [](TZipEngine &e) { e.Recurse = e.IncludeHiddenFiles = true; }},
         0, {"docs/.cache/x.txt", "docs/.hidden.txt", "docs/a.txt", "docs/b.log", "docs/sub/c.txt"}},
        {"hidden files and folders named explicitly are taken", {xamAdd, {"docs/.hidden.txt", "docs/.cache"}, recurse},
         0, {"docs/.cache/x.txt", "docs/.hidden.txt"}},
        {"directory entries with -D",
         {xamAdd, {"docs"}, [](TZipEngine &e) { e.Recurse = e.IncludeDirectoryEntries = true; }},
         0, {"docs/", "docs/a.txt", "docs/b.log", "docs/sub/", "docs/sub/c.txt"}},
        {"paths junked", {xamAdd, {"docs"}, [](TZipEngine &e) { e.Recurse = true; e.UsePaths = false; }}, 0,
         {"a.txt", "b.log", "c.txt"}},
        {"a wildcard in the file name, hidden files left out", {xamAdd, {"docs/*.txt"}}, 0, {"docs/a.txt"}},
        {"a wildcard matching folders, recursed", {xamAdd, {"d*"}, recurse}, 0, docs},
        {"includes", {xamAdd, {"docs", ">*.txt"}, recurse}, 0, {"docs/a.txt", "docs/sub/c.txt"}},
        {"excludes", {xamAdd, {"docs", "<*/sub/*", "<*.log"}, recurse}, 0, {"docs/a.txt"}},
        {"dot and parent components are resolved", {xamAdd, {"./docs/../top.txt", "docs/sub/../a.txt"}}, 0,
         {"docs/a.txt", "top.txt"}},
        {"a name leading out of the folder is stored without its parents", {xamAdd, {"../ws/top.txt"}}, 0,
         {"ws/top.txt"}},
        {"a name that matches nothing gives 50", {xamAdd, {"top.txt", "missing.txt"}}, 50, {"top.txt"}},
        {"the archive is never added to itself",
         {xamAdd, {"."}, [](TZipEngine &e) { e.Recurse = true; e.ZipFileName = QStringLiteral("out.zip"); }},
         0, docs + old + QStringList{"top.txt"},
         buildZip({{"top.txt", "t"}})},
        {"an empty file is a new archive", {xamAdd, {"top.txt"}}, 0, {"top.txt"}, QByteArray("")},
        {"an update makes a new archive", {xamUpdate, {"top.txt"}}, 0, {"top.txt"}},
        {"the default date filters nothing, not even a file older than any ZIP date",
         {xamAdd, {"old/*.txt"}, since(QDate(1980, 1, 1))}, 0, old},
        {"a date filter takes files from that day on, that day included",
         {xamAdd, {"old/*.txt"}, since(QDate(2010, 6, 15))},
         0, {"old/2020.txt", "old/day.txt"}},
        {"a date filter from the day after", {xamAdd, {"old/*.txt"}, since(QDate(2010, 6, 16))}, 0, {"old/2020.txt"}},
    };
    Workspace ws;
    ws.file(QStringLiteral("ws/docs/a.txt"), "a");
    ws.file(QStringLiteral("ws/docs/b.log"), "b");
    ws.file(QStringLiteral("ws/docs/.hidden.txt"), "h");
    ws.file(QStringLiteral("ws/docs/sub/c.txt"), "c");
    ws.file(QStringLiteral("ws/top.txt"), "t");
    ws.file(QStringLiteral("ws/docs/.cache/x.txt"), "x");
    const auto at = [](int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)).toSecsSinceEpoch(); };
    ws.file(QStringLiteral("ws/old/1975.txt"), "1975", at(1975, 5, 1));
    ws.file(QStringLiteral("ws/old/2001.txt"), "2001", at(2001, 1, 1));
    ws.file(QStringLiteral("ws/old/day.txt"), "day", at(2010, 6, 15) + 3600);
    ws.file(QStringLiteral("ws/old/2020.txt"), "2020", at(2020, 1, 1));
    const QString dir = ws.path(QStringLiteral("ws"));
    RecordingEngine r;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(ws.path(QStringLiteral("ws/out.zip")));
        if (!row.before.isNull())
            ws.file(QStringLiteral("ws/out.zip"), row.before);
        const int code = add(r, dir, dir + QStringLiteral("/out.zip"), row.command);
        EXPECT_EQ(code, row.code);
        const PeerView view = readWithPython(ws.path(QStringLiteral("ws/out.zip")));
        EXPECT_EQ(view.error, QString());
        EXPECT_EQ(sorted(view.names()), row.stored);
        EXPECT_EQ(sorted(r.added + r.updated), row.stored);
    }
}

TEST(WriterAdd, ModesChooseWhatIsWritten)
{
    const struct {
        const char *name;
        Command command;
        int code;
        QStringList updated;
        QStringList added;
        QByteArray storedA; // a.txt in the archive afterwards
    } rows[] = {
        {"add replaces every named file", {xamAdd, {"a.txt", "b.txt", "n.txt"}}, 0, {"a.txt", "b.txt"}, {"n.txt"}, "new a"},
        {"freshen without names refreshes the newer stored files", {xamFreshen, {}}, 0, {"a.txt"}, {}, "new a"},
        {"freshen ignores files that are not stored", {xamFreshen, {"a.txt", "n.txt"}}, 0, {"a.txt"}, {}, "new a"},
        {"freshen of an older file does nothing", {xamFreshen, {"b.txt"}}, 0, {}, {}, "old a"},
        {"update adds new files and refreshes newer ones", {xamUpdate, {"a.txt", "b.txt", "n.txt"}}, 0, {"a.txt"}, {"n.txt"},
         "new a"},
        {"update with nothing newer", {xamUpdate, {"b.txt"}}, 0, {}, {}, "old a"},
        {"freshen with a name that is nowhere", {xamFreshen, {"gone.txt"}}, 280, {}, {}, "old a"},
    };
    RecordingEngine r;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        ws.file(QStringLiteral("a.txt"), "old a", T0);
        ws.file(QStringLiteral("b.txt"), "old b", T0);
        const QString archive = ws.path(QStringLiteral("x.zip"));
        ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, {"a.txt", "b.txt"}}), 0);
        ws.file(QStringLiteral("a.txt"), "new a", T0 + 100);
        ws.setMtime(QStringLiteral("b.txt"), T0);
        ws.file(QStringLiteral("n.txt"), "n", T0 + 100);
        const QByteArray before = ws.read(QStringLiteral("x.zip"));

        EXPECT_EQ(add(r, ws.path(), archive, row.command), row.code);
        EXPECT_EQ(r.updated, row.updated);
        EXPECT_EQ(r.added, row.added);
        const PeerView view = readWithPython(archive, QString(), QStringLiteral("a.txt"));
        EXPECT_EQ(view.bad, QString());
        EXPECT_EQ(view.content, row.storedA);
        if (row.updated.isEmpty() && row.added.isEmpty()) {
            EXPECT_EQ(ws.read(QStringLiteral("x.zip")), before) << "an unchanged archive is not rewritten";
        }
    }
}

TEST(WriterAdd, FreshenAllowsForTheTwoSecondStepOfDosTimes)
{
    // An archive from a producer that stores only the DOS date-time, which
    // drops the odd second: the file on disk is no newer for it.
    Workspace ws;
    ws.file(QStringLiteral("odd.txt"), "same", T0 + 1);
    const ToolRun made = runTool(QStringLiteral("python3"),
                                 {QStringLiteral("-c"), QStringLiteral("import zipfile\n"
                                                                       "with zipfile.ZipFile('p.zip', 'w') as z:\n"
                                                                       "    z.write('odd.txt')\n")},
                                 ws.path());
    ASSERT_EQ(made.exitCode, 0) << made.out.constData();
    RecordingEngine r;
    EXPECT_EQ(add(r, ws.path(), ws.path(QStringLiteral("p.zip")), {xamFreshen, {}}), 0);
    EXPECT_EQ(r.updated, QStringList());
    ws.setMtime(QStringLiteral("odd.txt"), T0 + 3);
    EXPECT_EQ(add(r, ws.path(), ws.path(QStringLiteral("p.zip")), {xamFreshen, {}}), 0);
    EXPECT_EQ(r.updated, QStringList{QStringLiteral("odd.txt")});
}

TEST(WriterDelete, NamesAndPatternsSelectEntries)
{
    const struct {
        const char *name;
        QStringList names;
        int code;
        QStringList deleted;
    } rows[] = {
        {"a wildcard crossing folders", {"docs/*"}, 0, {"docs/*.log", "docs/a.txt", "docs/b.log", "docs/sub/c.txt"}},
        {"an exact name", {"top.txt"}, 0, {"top.txt"}},
        {"a question mark", {"docs/?.txt"}, 0, {"docs/a.txt"}},
        {"with includes", {"docs/*", ">*.txt"}, 0, {"docs/a.txt", "docs/sub/c.txt"}},
        {"with excludes", {"*", "<docs/*"}, 0, {"top.txt"}},
        {"a name that matches nothing gives 50", {"top.txt", "nothing"}, 50, {"top.txt"}},
        {"nothing matched gives 280", {"nothing", "docs"}, 280, {}},
        {"a name holding a wildcard means that entry", {"docs/*.log"}, 0, {"docs/*.log"}},
    };
    RecordingEngine r;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        for (const char *f : {"docs/*.log", "docs/a.txt", "docs/b.log", "docs/sub/c.txt", "top.txt"})
            ws.file(QString::fromLatin1(f), f);
        const QString archive = ws.path(QStringLiteral("x.zip"));
        ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, {"docs", "top.txt"}, [](TZipEngine &e) { e.Recurse = true; }}),
                  0);
        const QStringList all = sorted(readWithPython(archive).names());
        const QByteArray before = ws.read(QStringLiteral("x.zip"));

        EXPECT_EQ(add(r, ws.path(), archive, {xamAdd, row.names}, true), row.code);
        EXPECT_EQ(r.deleted, row.deleted);
        QStringList left = all;
        for (const QString &d : row.deleted)
            left.removeAll(d);
        const PeerView view = readWithPython(archive);
        EXPECT_EQ(view.bad, QString());
        EXPECT_EQ(sorted(view.names()), left);
        if (row.deleted.isEmpty()) {
            EXPECT_EQ(ws.read(QStringLiteral("x.zip")), before);
        }
    }
}

TEST(WriterTempFile, PrivateUntilItReplacesTheArchive)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const struct {
        const char *name;
        mode_t before; // 0: no archive yet
        bool repair;
        mode_t after;
    } rows[] = {
        {"adding to a private archive", 0600, false, 0600},
        {"adding to a shared archive", 0644, false, 0644},
        {"a new archive", 0, false, 0666 & ~mask},
        {"repairing a group-readable archive", 0640, true, 0640},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        ws.file(QStringLiteral("a.txt"), "a");
        ws.file(QStringLiteral("b.txt"), noise(5000, 1));
        const QString archive = ws.path(QStringLiteral("x.zip"));
        const QByteArray path = QFile::encodeName(archive);
        RecordingEngine r;
        if (row.before) {
            ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, {"a.txt"}}), 0);
            if (row.repair) // no end record: the repair writes a new archive
                ws.file(QStringLiteral("x.zip"), ws.read(QStringLiteral("x.zip")).chopped(22));
            ASSERT_EQ(::chmod(path.constData(), row.before), 0);
        }
        QList<mode_t> seen; // the temporary archive's permissions while it is written
        const auto look = [&] {
            for (const QString &t : QDir(ws.path()).entryList({QStringLiteral(".x.zip.tovo-*")}, QDir::Files | QDir::Hidden)) {
                struct stat st;
                ASSERT_EQ(::stat(QFile::encodeName(ws.path(t)).constData(), &st), 0);
                seen << (st.st_mode & 07777);
            }
        };
        r.engine.OnAdding = [&](TZipEngine *, const TZipFileStats &) { look(); };
        r.engine.OnFixing = [&](TZipEngine *, const QString &) { look(); };
        if (row.repair) {
            r.engine.ZipFileName = archive;
            EXPECT_EQ(r.engine.Fix(false), 0);
        } else {
            EXPECT_EQ(add(r, ws.path(), archive, {xamAdd, {"b.txt"}}), 0);
        }
        ASSERT_FALSE(seen.isEmpty());
        for (const mode_t mode : seen)
            EXPECT_EQ(mode, 0600u);
        struct stat st;
        ASSERT_EQ(::stat(path.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, row.after);
    }
}

TEST(WriterSources, AFileThatChangesIsNeverStoredAsAnother)
{
    enum When { AtItsTurn, WhileRead };
    const QByteArray content = noise(3 << 20, 6); // large enough for progress messages
    const auto linkToSecret = [](const Workspace &ws) {
        QFile::remove(ws.path(QStringLiteral("f.bin")));
        QFile::link(QStringLiteral("secret.txt"), ws.path(QStringLiteral("f.bin")));
    };
    const struct {
        const char *name;
        When when;
        std::function<void(const Workspace &)> change;
        std::optional<QByteArray> stored; // f.bin in the archive afterwards (a part of it with prefix)
        bool update = false;              // f.bin was stored before ("old"), and is newer now
        bool prefix = false;
    } rows[] = {
        {"replaced by a link to another file", AtItsTurn, linkToSecret, std::nullopt},
        {"replaced by another file", AtItsTurn,
         [](const Workspace &ws) {
             ASSERT_EQ(::rename(QFile::encodeName(ws.path(QStringLiteral("secret.txt"))).constData(),
                                QFile::encodeName(ws.path(QStringLiteral("f.bin"))).constData()), 0);
         },
         std::nullopt},
        {"written to after the scan", AtItsTurn, [](const Workspace &ws) { ws.setMtime(QStringLiteral("f.bin"), T0 + 8); },
         std::nullopt},
        {"replaced while an update was to store it: the old version stays", AtItsTurn, linkToSecret, "old", true},
        {"grows while it is read: stored as found", WhileRead,
         [](const Workspace &ws) {
             QFile f(ws.path(QStringLiteral("f.bin")));
             ASSERT_TRUE(f.open(QIODevice::Append) && f.write("more") == 4);
         },
         content},
        {"shrinks while it is read", WhileRead,
         [](const Workspace &ws) { ASSERT_TRUE(QFile::resize(ws.path(QStringLiteral("f.bin")), 1000)); }, content,
         false, true},
    };
    // Files read ahead on other threads may be read before the change.
    const OneThread oneThread;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        ws.file(QStringLiteral("keep.txt"), "moved");
        ws.file(QStringLiteral("secret.txt"), "secret");
        const QString archive = ws.path(QStringLiteral("x.zip"));
        RecordingEngine r;
        if (row.update) {
            ws.file(QStringLiteral("f.bin"), "old", T0);
            ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, {"f.bin"}}), 0);
        }
        ws.file(QStringLiteral("f.bin"), content, T0 + 100);
        bool changed = false;
        const auto at = [&](When when, const QString &name) {
            if (row.when == when && name == QStringLiteral("f.bin") && !std::exchange(changed, true))
                row.change(ws);
        };
        r.engine.OnAdding = [&](TZipEngine *, const TZipFileStats &s) { at(AtItsTurn, s.FileName); };
        r.engine.OnUpdating = r.engine.OnAdding;
        r.engine.OnStatus = [&](TZipEngine *, const TZipFileStats &s) { at(WhileRead, s.FileName); };
        const int code = add(r, ws.path(), archive,
                             {row.update ? xamUpdate : xamAdd, {"keep.txt", "f.bin"},
                              [](TZipEngine &e) { e.MoveFiles = true; }});
        EXPECT_TRUE(changed);
        EXPECT_EQ(code, 10);
        EXPECT_EQ(r.skipped, QStringList{QStringLiteral("f.bin:3")});
        const PeerView view = readWithPython(archive, QString(), QStringLiteral("f.bin"));
        EXPECT_EQ(view.bad, QString());
        EXPECT_TRUE(view.names().contains(QStringLiteral("keep.txt")));
        EXPECT_EQ(view.names().contains(QStringLiteral("f.bin")), row.stored.has_value());
        if (row.prefix) {
            EXPECT_TRUE(row.stored->startsWith(view.content) && view.content.size() < row.stored->size());
        } else if (row.stored) {
            EXPECT_EQ(view.content, *row.stored);
        }
        EXPECT_FALSE(view.content.contains("secret")) << "never the file a link leads to";
        EXPECT_FALSE(ws.exists(QStringLiteral("keep.txt"))) << "moved";
        EXPECT_TRUE(ws.exists(QStringLiteral("f.bin"))) << "never deleted";
    }
}

TEST(WriterMove, OnlyWhatWasStoredIsDeleted)
{
    // What is left in src/ and out/ (where src/linked leads).
    const QStringList outside{"out/o.txt", "out/p.txt"};
    const QStringList all = QStringList{"src/a.txt",   "src/big.bin", "src/empty/",   "src/linked",
                                        "src/lnk.txt", "src/sub/",    "src/sub/b.txt"} +
                            outside;
    const struct {
        const char *name;
        QStringList args;
        std::function<void()> child;
        int exitCode;
        QStringList left;
    } rows[] = {
        // The files reached through links stay, with a warning.
        {"a tree: its files go, and the folders left empty by them", {"-r", "src"}, {}, 1,
         QStringList{"src/empty/", "src/linked", "src/lnk.txt"} + outside},
        {"named files: their folders stay", {"src/a.txt", "src/sub/b.txt"}, {}, 0,
         QStringList{"src/big.bin", "src/empty/", "src/linked", "src/lnk.txt", "src/sub/"} + outside},
        {"a named folder that is a link", {"-r", "src/linked"}, {}, 1, all},
        {"a write that fails deletes nothing", {"-r", "src"}, fileSizeLimit(100000), 2, all},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        ws.file(QStringLiteral("src/a.txt"), "a");
        ws.file(QStringLiteral("src/sub/b.txt"), "b");
        ws.file(QStringLiteral("src/big.bin"), noise(300000, 1));
        QDir().mkpath(ws.path(QStringLiteral("src/empty")));
        ws.file(QStringLiteral("out/o.txt"), "outside");
        ws.file(QStringLiteral("out/p.txt"), "outside too");
        QFile::link(QStringLiteral("../out"), ws.path(QStringLiteral("src/linked")));
        QFile::link(QStringLiteral("../out/p.txt"), ws.path(QStringLiteral("src/lnk.txt")));
        const ToolRun run =
            runCli(QStringList{QStringLiteral("add"), QStringLiteral("m.zip"), QStringLiteral("-m")} + row.args,
                   ws.path(), row.child);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.out.constData();
        EXPECT_EQ(ws.tree(QStringLiteral("src")) + ws.tree(QStringLiteral("out")), row.left);
        EXPECT_EQ(ws.read(QStringLiteral("out/o.txt")), "outside");
        if (row.exitCode < 2) {
            EXPECT_EQ(readWithPython(ws.path(QStringLiteral("m.zip"))).bad, QString());
        }
    }
}

TEST(WriterStop, AStoppedRunLeavesTheArchiveAsItWas)
{
    const struct {
        const char *name;
        bool remove;
        int stopAtAdding; // 1-based; 0: not there
        bool stopAtStatus;
    } rows[] = {
        {"at the first file", false, 1, false},
        {"at the third file", false, 3, false},
        {"inside a large file", false, 0, true},
        {"while deleting", true, 0, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        ws.file(QStringLiteral("old.txt"), "old");
        for (int i = 1; i <= 4; ++i)
            ws.file(QStringLiteral("f%1.txt").arg(i), QByteArray(1000 * i, 'f'));
        ws.file(QStringLiteral("large.bin"), noise(3 << 20, 2));
        RecordingEngine r;
        const QString archive = ws.path(QStringLiteral("s.zip"));
        ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, {"old.txt", "f1.txt"}}), 0);
        const QByteArray before = ws.read(QStringLiteral("s.zip"));

        int adding = 0;
        r.engine.OnAdding = [&](TZipEngine *e, const TZipFileStats &) {
            if (++adding == row.stopAtAdding)
                e->Abort = true;
        };
        r.engine.OnUpdating = r.engine.OnAdding;
        r.engine.OnStatus = [&](TZipEngine *e, const TZipFileStats &) { e->Abort = e->Abort || row.stopAtStatus; };
        r.engine.OnDeleting = [&](TZipEngine *e, const QString &) { e->Abort = true; };
        const int code = row.remove ? add(r, ws.path(), archive, {xamAdd, {"*"}}, true)
                                    : add(r, ws.path(), archive, {xamAdd, {"large.bin", "f*.txt"}});
        EXPECT_EQ(code, 370);
        EXPECT_EQ(ws.read(QStringLiteral("s.zip")), before);
        QStringList expected{QStringLiteral("s.zip"), QStringLiteral("old.txt"), QStringLiteral("large.bin")};
        for (int i = 1; i <= 4; ++i)
            expected << QStringLiteral("f%1.txt").arg(i);
        EXPECT_EQ(ws.strayFiles(expected), QStringList()) << "no temporary file is left";
        EXPECT_EQ(ws.read(QStringLiteral("f4.txt")).size(), 4000);
    }
}

TEST(WriterFailures, AFailedCommandIsNeverASuccess)
{
    const struct {
        const char *name;
        QStringList args;
        std::function<void(const Workspace &)> prepare;
        std::function<void()> child;
        int code;
    } rows[] = {
        {"the archive is a folder", {"add", "dir.zip", "a.txt"},
         [](const Workspace &ws) { QDir().mkpath(ws.path(QStringLiteral("dir.zip"))); }, {}, 130},
        {"the archive's folder does not exist", {"add", "nowhere/x.zip", "a.txt"}, {}, {}, 200},
        {"the disk fills while a new archive is written", {"add", "new.zip", "big.bin"}, {}, fileSizeLimit(65536), 160},
        {"not a ZIP archive", {"add", "text.zip", "a.txt"},
         [](const Workspace &ws) { ws.file(QStringLiteral("text.zip"), QByteArray(5000, 't')); }, {}, 100},
        {"a file that is no plain file, named", {"add", "x.zip", "fifo"},
         [](const Workspace &ws) { ASSERT_EQ(::mkfifo(QFile::encodeName(ws.path("fifo")).constData(), 0600), 0); }, {},
         10},
        {"nothing to add creates no archive", {"add", "new.zip", "missing.txt", "nope/*.txt"}, {}, {}, 280},
        {"deleting from an archive without entries", {"delete", "empty.zip", "*"},
         [](const Workspace &ws) { ws.file(QStringLiteral("empty.zip"), QByteArray("PK\x05\x06") + QByteArray(18, 0)); },
         {}, 30},
        {"deleting from no archive", {"delete", "new.zip", "*"}, {}, {}, 30},
        {"freshening no archive", {"freshen", "new.zip", "a.txt"}, {}, {}, 30},
        {"freshening an empty file", {"freshen", "empty.zip"},
         [](const Workspace &ws) { ws.file(QStringLiteral("empty.zip"), QByteArray()); }, {}, 30},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        ws.file(QStringLiteral("a.txt"), "a");
        ws.file(QStringLiteral("big.bin"), noise(1 << 20, 3));
        ASSERT_EQ(runCli({QStringLiteral("add"), QStringLiteral("x.zip"), QStringLiteral("a.txt")}, ws.path()).exitCode,
                  0);
        if (row.prepare)
            row.prepare(ws);
        const QByteArray before = ws.read(QStringLiteral("x.zip"));
        const ToolRun run = runCli(row.args, ws.path(), row.child);
        EXPECT_EQ(run.exitCode, row.code < 100 ? 1 : 2) << run.out.constData();
        const QByteArray said = (row.code < 100 ? "avertissement " : "erreur ") + QByteArray::number(row.code);
        EXPECT_TRUE(run.out.contains(said)) << run.out.constData();
        if (row.code >= 100) {
            EXPECT_EQ(ws.read(QStringLiteral("x.zip")), before);
        }
        EXPECT_FALSE(ws.exists(QStringLiteral("new.zip")));
        for (const QString &f : ws.strayFiles({}))
            EXPECT_FALSE(f.contains(QStringLiteral(".tovo-"))) << f.toStdString();
    }
}

TEST(WriterProgress, StatusCountsUncompressedBytes)
{
    Workspace ws;
    const int size = 3 << 20;
    ws.file(QStringLiteral("text.bin"), QByteArray(size, 'z'));
    ws.file(QStringLiteral("small.txt"), "small");
    RecordingEngine r;
    ASSERT_EQ(add(r, ws.path(), ws.path(QStringLiteral("p.zip")), {xamAdd, {"small.txt", "text.bin"}}), 0);
    ASSERT_GE(r.status.size(), 3);
    ASSERT_LE(r.status.size(), 8) << "progress at most every few hundred kilobytes";
    qint64 last = 0;
    for (const TZipFileStats &s : r.status) {
        EXPECT_EQ(s.FileName, QStringLiteral("text.bin"));
        EXPECT_EQ(s.Size, size);
        EXPECT_GT(s.BytesDone, last);
        last = s.BytesDone;
    }
    EXPECT_EQ(last, size) << "progress ends at the whole file, though it compresses to almost nothing";
}

TEST(WriterFrontData, AProgramInFrontSurvivesEveryRewrite)
{
    // An executable, as a self-extractor's program is.
    const QByteArray program = readFile(QStringLiteral("/bin/true"));
    ASSERT_TRUE(program.startsWith("\x7f" "ELF"));
    const struct {
        const char *name;
        QByteArray front;
        QStringList command;
        QStringList names;
    } rows[] = {
        {"adding keeps it, and the offsets count it", program, {"add", "x.zip", "b.txt"}, {"a.txt", "b.txt"}},
        {"deleting every entry keeps it before an empty archive", program, {"delete", "x.zip", "*"}, {}},
        {"deleting every entry of a plain archive", QByteArray(), {"delete", "x.zip", "*"}, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        ws.file(QStringLiteral("a.txt"), "first");
        ws.file(QStringLiteral("b.txt"), "second");
        ASSERT_EQ(runTool(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("plain.zip"), QStringLiteral("a.txt")},
                          ws.path())
                      .exitCode,
                  0);
        ws.file(QStringLiteral("x.zip"), row.front + ws.read(QStringLiteral("plain.zip")));
        EXPECT_EQ(runCli(row.command, ws.path()).exitCode, 0);
        EXPECT_TRUE(ws.read(QStringLiteral("x.zip")).startsWith(row.front + (row.names.isEmpty() ? "PK\x05\x06" : "PK")));
        // Strict readers find the archive: unzip says an empty one is empty
        // (its warning status 1), 7z and zipfile open it.
        const ToolRun unzip = runTool(QStringLiteral("unzip"), {QStringLiteral("-l"), QStringLiteral("x.zip")}, ws.path());
        EXPECT_EQ(unzip.exitCode, row.names.isEmpty() ? 1 : 0) << unzip.out.constData();
        EXPECT_FALSE(unzip.out.contains("error")) << unzip.out.constData();
        const ToolRun seven = runTool(QStringLiteral("7z"), {QStringLiteral("l"), QStringLiteral("x.zip")}, ws.path());
        EXPECT_EQ(seven.exitCode, 0) << seven.out.constData();
        const PeerView view = readWithPython(ws.path(QStringLiteral("x.zip")));
        EXPECT_EQ(view.error, QString());
        EXPECT_EQ(sorted(view.names()), row.names);
        EXPECT_EQ(runCli({QStringLiteral("list"), QStringLiteral("x.zip")}, ws.path()).exitCode,
                  row.names.isEmpty() ? 1 : 0);
    }
}

TEST(WriterVector, InvalidVectorsAreRefused)
{
    void *module = ::dlopen(TOVO_BIN_DIR "/libzipwr.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    const auto entry = reinterpret_cast<TovoZipEntry>(::dlsym(module, TOVO_ZIP_WRITER_ENTRY));
    ASSERT_NE(entry, nullptr);
    Workspace ws;
    const QByteArray archive = QFile::encodeName(ws.path(QStringLiteral("v.zip")));
    const struct {
        const char *name;
        int version;
        std::vector<const char *> args;
        int code;
    } rows[] = {
        {"another contract version", 99, {"", "-6", archive.constData(), "-W", "f"}, 250},
        {"an unknown option", 100, {"", "-q", archive.constData(), "-W", "f"}, 250},
        {"no archive", 100, {"", "-6", "-r"}, 250},
        {"an option without its value", 100, {"", "-t"}, 250},
        {"a date that does not exist", 100, {"", "-t", "29022021", archive.constData(), "-W", "f"}, 250},
        {"two commands", 100, {"", "-d", "-F", archive.constData()}, 250},
        {"a self-extractor without its settings record", 100, {"", "-M", "-Y", "stub", "", archive.constData()}, 250},
        {"a self-extractor without its stub", 100, {"", "-M", archive.constData()}, 250},
        {"a repair of nothing", 100, {"", "-F", archive.constData()}, 30},
        {"multi-disk options are accepted", 100,
         {"", "-6", "-!", "-&", "-g", "-b", "/nowhere", "-$", archive.constData(), "-W", "nothing"}, 280},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<char *> argv;
        for (const char *a : row.args)
            argv.push_back(const_cast<char *>(a));
        argv.push_back(nullptr);
        EXPECT_EQ(entry(row.version, int(row.args.size()), argv.data(), nullptr, nullptr), row.code);
        EXPECT_FALSE(ws.exists(QStringLiteral("v.zip")));
    }
    ::dlclose(module);
}
