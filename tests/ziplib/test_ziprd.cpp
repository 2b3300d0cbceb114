// The reading module (libziprd.so) through the engine and tovo-cli, on
// archives made by independent producers (Info-ZIP zip, 7z, Python's
// zipfile) and on hostile ones: names, sizes, dates, contents, permissions,
// passwords, overwrite answers, modes, safety and damage.
#include "engine/tzipengine.h"
#include "engine/zipcontract.h"
#include "support/testfiles.h"
#include "zipbuilder.h"

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovo;
using tovo::test::readFile;
using tovo::test::writeFile;

namespace
{

const QString Secret = QStringLiteral("secret");
// 2021-03-04 05:06:08, local time: even seconds, so DOS dates hold it exactly.
const QDateTime SourceTime(QDate(2021, 3, 4), QTime(5, 6, 8));

// Runs a tool to completion in cwd, in a UTF-8 locale; false (with its
// output shown) unless it exits with 0.
bool runTool(const QString &program, const QStringList &args, const QString &cwd)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(cwd);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(QLatin1Char(' ')).toStdString() << "\n"
                      << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

bool python(const QString &script, const QStringList &args, const QString &cwd)
{
    return runTool(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + args, cwd);
}

void setTime(const QString &path, const QDateTime &when)
{
    const struct timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

mode_t currentUmask()
{
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

// Relative paths of every file and link below dir, folders with a final "/".
QStringList treeOf(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        out << QDir(dir).relativeFilePath(info.filePath()) +
                   (info.isDir() && !info.isSymLink() ? QStringLiteral("/") : QString());
    }
    out.sort();
    return out;
}

// The source files every producer archives.
struct SourceFile {
    QString path;
    QByteArray content;
    mode_t mode;
};

QList<SourceFile> sourceFiles()
{
    QByteArray lines;
    for (int i = 0; i < 12000; ++i)
        lines += "ligne " + QByteArray::number(i * 7919 % 10007) + "\n";
    return {
        {QStringLiteral("a.txt"), "bonjour\n", 0640},
        {QStringLiteral("sub/b.txt"), lines, 0751},
        {QStringLiteral("sub/\u00e9t\u00e9 \u00fc.txt"), "accents\n", 0644},
        {QStringLiteral("vide.txt"), QByteArray(), 0600},
        {QStringLiteral("setuid.sh"), "#!/bin/sh\n", 04755},
    };
}

void makeSourceTree(const QString &root)
{
    for (const SourceFile &f : sourceFiles()) {
        const QString path = root + QLatin1Char('/') + f.path;
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(writeFile(path, f.content));
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), f.mode), 0);
        setTime(path, SourceTime);
    }
    setTime(root + QStringLiteral("/sub"), SourceTime);
}

// The engine on the real modules of the build, recording every event.
struct Reader {
    TZipEngine engine;
    QList<TZipFileStats> listed, tested, extracted, status;
    QList<std::pair<QString, int>> skipped;
    QStringList passwordQueries, replaceQueries;
    std::function<void(TZipPwdQuery &)> answerPassword;
    std::function<void(TZipReplace &)> answerReplace;

    Reader()
    {
        engine.SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
        engine.OnListing = [this](TZipEngine *, const TZipFileStats &s) { listed << s; };
        engine.OnTesting = [this](TZipEngine *, const TZipFileStats &s) { tested << s; };
        engine.OnExtracting = [this](TZipEngine *, const TZipFileStats &s) { extracted << s; };
        engine.OnStatus = [this](TZipEngine *, const TZipFileStats &s) { status << s; };
        engine.OnSkippingFile = [this](TZipEngine *, const TZipSkipping &s) {
            skipped << std::pair(s.FileName, int(s.Reason));
        };
        engine.OnPwdQuery = [this](TZipEngine *, TZipPwdQuery &q) {
            passwordQueries << q.FileName;
            if (answerPassword)
                answerPassword(q);
        };
        engine.OnReplace = [this](TZipEngine *, TZipReplace &r) {
            replaceQueries << r.FileName;
            if (answerReplace)
                answerReplace(r);
        };
    }

    void clear()
    {
        listed.clear();
        tested.clear();
        extracted.clear();
        status.clear();
        skipped.clear();
        passwordQueries.clear();
        replaceQueries.clear();
    }

    // The engine on archive and files, every event cleared.
    TZipEngine &on(const QString &archive, const QStringList &files)
    {
        clear();
        engine.ZipFileName = archive;
        engine.FilesToProcess = files;
        return engine;
    }
    int list(const QString &archive, const QStringList &files = {}) { return on(archive, files).List(); }
    int test(const QString &archive, const QStringList &files = {}) { return on(archive, files).Test(); }
    int extract(const QString &archive, const QString &dir, TZipExtractMode mode = xemExtract,
                const QStringList &files = {})
    {
        on(archive, files).ExtractDirectory = dir;
        return engine.Extract(mode);
    }

    QStringList names(const QList<TZipFileStats> &events) const
    {
        QStringList out;
        for (const TZipFileStats &s : events)
            out << s.FileName;
        return out;
    }
};

// A scratch folder with the source tree in src/.
class ReaderTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    const QString src = tmp.filePath(QStringLiteral("src"));

    void SetUp() override { makeSourceTree(src); }

    // The archive name in tmp of files, made by Info-ZIP zip in src.
    QString zipped(const QString &name, const QStringList &files, const QStringList &options = {})
    {
        const QString archive = tmp.filePath(name);
        EXPECT_TRUE(runTool(QStringLiteral("zip"), QStringList{QStringLiteral("-q")} + options + QStringList{archive} + files, src));
        return archive;
    }
};

// One archive of the source tree per producer.
struct Producer {
    const char *name;
    std::function<bool(const QString &src, const QString &zip)> make;
    QString password;
    bool unixModes; // the producer stores the permission bits
};

QList<Producer> producers()
{
    auto zip = [](QStringList options) {
        return [options](const QString &src, const QString &archive) {
            return runTool(QStringLiteral("zip"),
                           QStringList{QStringLiteral("-qr")} + options + QStringList{archive, QStringLiteral(".")},
                           src);
        };
    };
    auto sevenZip = [](QStringList options) {
        return [options](const QString &src, const QString &archive) {
            return runTool(QStringLiteral("7z"),
                           QStringList{QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-bd")} + options +
                               QStringList{archive, QStringLiteral(".")},
                           src);
        };
    };
    const QString pythonZip = QStringLiteral("import os, sys, zipfile\n"
                                             "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                             "    for root, dirs, files in os.walk('.'):\n"
                                             "        for f in sorted(files): z.write(os.path.join(root, f))\n"
                                             "    z.comment = b'Archive d\\x82t\\x82'\n"); // code page 850
    auto withStub = [zip](bool adjust) {
        return [zip, adjust](const QString &src, const QString &archive) {
            const QString inner = archive + QStringLiteral(".inner");
            if (!zip({})(src, inner))
                return false;
            QByteArray stub("MZ stub of a self-extracting program\n");
            stub = stub.repeated(300);
            if (!writeFile(archive, stub + readFile(inner)))
                return false;
            return !adjust || runTool(QStringLiteral("zip"), {QStringLiteral("-qA"), archive}, src);
        };
    };
    return {
        {"Info-ZIP zip", zip({}), QString(), true},
        {"Info-ZIP zip stored", zip({QStringLiteral("-0")}), QString(), true},
        {"Info-ZIP zip -P", zip({QStringLiteral("-P"), Secret}), Secret, true},
        {"7z deflate", sevenZip({QStringLiteral("-mm=Deflate")}), QString(), false},
        {"7z AES-256", sevenZip({QStringLiteral("-mem=AES256"), QStringLiteral("-p") + Secret}), Secret, false},
        {"7z AES-128", sevenZip({QStringLiteral("-mem=AES128"), QStringLiteral("-p") + Secret}), Secret, false},
        {"Python zipfile",
         [pythonZip](const QString &src, const QString &archive) { return python(pythonZip, {archive}, src); },
         QString(), true},
        {"stub in front, offsets not adjusted", withStub(false), QString(), true},
        {"stub in front, zip -A", withStub(true), QString(), true},
    };
}

} // namespace

TEST_F(ReaderTest, EveryProducerListsTestsAndExtracts)
{
    const mode_t mask = currentUmask();
    const QList<SourceFile> files = sourceFiles();
    QStringList expectedFiles;
    for (const SourceFile &f : files)
        expectedFiles << f.path;
    expectedFiles.sort();

    for (const Producer &producer : producers()) {
        SCOPED_TRACE(producer.name);
        const QString archive = tmp.filePath(
            QString::fromLatin1(producer.name).replace(QLatin1Char(' '), QLatin1Char('_')) + QStringLiteral(".zip"));
        ASSERT_TRUE(producer.make(src, archive));
        Reader r;
        r.engine.Password = producer.password;

        ASSERT_EQ(r.list(archive), 0);
        if (QByteArray(producer.name) == "Python zipfile") {
            EXPECT_EQ(ArchiveCommentBuffer(), QStringLiteral("Archive d\u00e9t\u00e9")) << "kept for a later command";
        }
        QStringList listedFiles;
        for (const TZipFileStats &s : r.listed) {
            if (s.FileName.endsWith(QLatin1Char('/'))) {
                EXPECT_TRUE(s.Attributes.testFlag(xfaDirectory)) << s.FileName.toStdString();
                continue;
            }
            listedFiles << s.FileName;
            const auto f =
                std::find_if(files.begin(), files.end(), [&](const SourceFile &sf) { return sf.path == s.FileName; });
            ASSERT_NE(f, files.end()) << s.FileName.toStdString();
            EXPECT_EQ(s.Size, f->content.size()) << s.FileName.toStdString();
            EXPECT_EQ(s.DateTime, SourceTime) << s.FileName.toStdString();
        }
        listedFiles.sort();
        EXPECT_EQ(listedFiles, expectedFiles);

        const QStringList listedNames = r.names(r.listed);
        EXPECT_EQ(r.test(archive), 0);
        EXPECT_EQ(r.names(r.tested), listedNames);
        EXPECT_TRUE(r.passwordQueries.isEmpty());

        const QString out = tmp.filePath(QStringLiteral("out-") + QFileInfo(archive).baseName());
        ASSERT_EQ(r.extract(archive, out + QStringLiteral("/deeper")), 0);
        EXPECT_TRUE(r.skipped.isEmpty());
        for (const SourceFile &f : files) {
            SCOPED_TRACE(f.path.toStdString());
            const QString path = out + QStringLiteral("/deeper/") + f.path;
            EXPECT_EQ(readFile(path), f.content);
            struct stat st;
            ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
            EXPECT_EQ(st.st_mtime, SourceTime.toSecsSinceEpoch());
            EXPECT_EQ(st.st_mode & (S_ISUID | S_ISGID | S_ISVTX), 0u) << "never set-user-id";
            if (producer.unixModes) {
                EXPECT_EQ(st.st_mode & 0777, f.mode & 0777 & ~mask);
            }
            EXPECT_EQ(st.st_mode & (S_IWGRP | S_IWOTH) & mask, 0u) << "never writable beyond the umask";
        }
        // Nothing but the entries: no temporary file left behind.
        QStringList extractedTree = treeOf(out + QStringLiteral("/deeper"));
        extractedTree.removeAll(QStringLiteral("sub/"));
        EXPECT_EQ(extractedTree, expectedFiles);
    }
}

TEST_F(ReaderTest, SymbolicLinksAreNeverFollowed)
{
    ASSERT_EQ(symlink("a.txt", QFile::encodeName(src + QStringLiteral("/lien")).constData()), 0);
    const QString archive = zipped(QStringLiteral("t.zip"), {QStringLiteral(".")}, {QStringLiteral("-ry")});

    // Planted links: a folder of the archive and a file of it point outside.
    const QString outside = tmp.filePath(QStringLiteral("outside"));
    const QString dest = tmp.filePath(QStringLiteral("dest"));
    QDir().mkpath(outside);
    QDir().mkpath(dest);
    ASSERT_TRUE(writeFile(outside + QStringLiteral("/victim.txt"), "intact"));
    ASSERT_EQ(
        symlink(QFile::encodeName(outside).constData(), QFile::encodeName(dest + QStringLiteral("/sub")).constData()),
        0);
    ASSERT_EQ(symlink(QFile::encodeName(outside + QStringLiteral("/victim.txt")).constData(),
                      QFile::encodeName(dest + QStringLiteral("/a.txt")).constData()),
              0);

    Reader r;
    r.engine.Overwrite = xowAlways;
    EXPECT_EQ(r.extract(archive, dest), TOVO_ZIP_WARN_SKIPPED);
    std::set<std::pair<QString, int>> skipped(r.skipped.begin(), r.skipped.end());
    EXPECT_TRUE(skipped.count({QStringLiteral("a.txt"), TOVO_ZIP_SKIP_SYMLINK}));
    EXPECT_TRUE(skipped.count({QStringLiteral("sub/b.txt"), TOVO_ZIP_SKIP_SYMLINK}));
    EXPECT_EQ(treeOf(outside), QStringList{QStringLiteral("victim.txt")});
    EXPECT_EQ(readFile(outside + QStringLiteral("/victim.txt")), "intact");
    EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/sub")).isSymLink());

    // A link stored in the archive becomes a plain file holding its target.
    const QFileInfo link(dest + QStringLiteral("/lien"));
    EXPECT_FALSE(link.isSymLink());
    EXPECT_TRUE(link.isFile());
    EXPECT_EQ(readFile(link.filePath()), "a.txt");
}

TEST(ReaderSafety, RefusedEntriesLeaveNoFile)
{
    QTemporaryDir tmp;
    // 200 MB of zeros, the declared size then patched down to 1000 bytes.
    ASSERT_TRUE(python(QStringLiteral("import struct, zipfile\n"
                                      "with zipfile.ZipFile('bomb.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                      "    with z.open('x', 'w') as f:\n"
                                      "        for i in range(200): f.write(bytes(1 << 20))\n"
                                      "d = bytearray(open('bomb.zip', 'rb').read())\n"
                                      "struct.pack_into('<I', d, d.find(b'PK\\x03\\x04') + 22, 1000)\n"
                                      "struct.pack_into('<I', d, d.rfind(b'PK\\x01\\x02') + 24, 1000)\n"
                                      "open('bomb.zip', 'wb').write(d)\n"),
                       {}, tmp.path()));
    using tovo::test::BuildEntry;
    QList<BuildEntry> hostile;
    for (const char *name : {"../evil", "/abs-tovo-test", "a/../../b", "C:x", "..\\back", "ok"})
        hostile.append(BuildEntry{name, "x"});
    BuildEntry flipped{"x", QByteArray("data ").repeated(100)};
    flipped.transform = [](QByteArray p) { return p.replace(250, 1, "!"); };
    BuildEntry flippedInFolder = flipped;
    flippedInFolder.name = "sub/y"; // no folder is left for it either
    // Local headers that disagree with the central directory: a reader that
    // goes by them would write another file, or decode other data.
    BuildEntry otherName{"x", "data"};
    otherName.localName = "../x";
    BuildEntry otherMethod{"x", "data"};
    otherMethod.localMethod = 8;
    const auto unsafe = [](const char *name) { return std::pair(QString::fromUtf8(name), TOVO_ZIP_SKIP_UNSAFE_NAME); };
    const struct {
        const char *name;
        QByteArray archive;
        int code;
        QList<std::pair<QString, int>> skipped;
        QStringList written;   // beside the existing file x
        bool testPasses = false; // the names are refused only as files
    } rows[] = {
        {"hostile names", tovo::test::buildZip(hostile), TOVO_ZIP_WARN_SKIPPED,
         {unsafe("../evil"), unsafe("/abs-tovo-test"), unsafe("a/../../b"), unsafe("C:x"), unsafe("../back")},
         {QStringLiteral("dest/ok")}, true},
        {"a bomb stops at its declared size", readFile(tmp.filePath(QStringLiteral("bomb.zip"))),
         TOVO_ZIP_ERR_TOO_LARGE, {}, {}},
        {"a damaged byte", tovo::test::buildZip({flipped, flippedInFolder}), TOVO_ZIP_ERR_CRC, {}, {}},
        {"a local header naming another file", tovo::test::buildZip({otherName}), TOVO_ZIP_WARN_SKIPPED,
         {unsafe("x")}, {}},
        {"a local header with another method", tovo::test::buildZip({otherMethod}), TOVO_ZIP_ERR_BAD_ARCHIVE, {}, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir work;
        const QString archive = work.filePath(QStringLiteral("a.zip"));
        const QString dest = work.filePath(QStringLiteral("dest"));
        ASSERT_TRUE(writeFile(archive, row.archive));
        QDir().mkpath(dest);
        ASSERT_TRUE(writeFile(dest + QStringLiteral("/x"), "kept"));
        Reader r;
        r.engine.Overwrite = xowAlways;
        EXPECT_EQ(r.test(archive), row.testPasses ? 0 : row.code);
        EXPECT_EQ(r.skipped, row.testPasses ? decltype(row.skipped)() : row.skipped);
        EXPECT_EQ(r.extract(archive, dest), row.code);
        EXPECT_EQ(r.skipped, row.skipped);
        QStringList tree{QStringLiteral("a.zip"), QStringLiteral("dest/"), QStringLiteral("dest/x")};
        tree += row.written;
        tree.sort();
        EXPECT_EQ(treeOf(work.path()), tree);
        EXPECT_EQ(readFile(dest + QStringLiteral("/x")), "kept") << "a refused entry never replaces a file";
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/abs-tovo-test")));
}

TEST(ReaderDamage, ArchiveLevelCodes)
{
    QTemporaryDir tmp;
    QDir().mkpath(tmp.filePath(QStringLiteral("folder.zip")));
    // A listing of every entry checks the directory without a table of its
    // entries; it refuses what a test refuses.
    tovo::test::BuildEntry runsOn{"a.txt", "alpha"};
    runsOn.compressedSize = 60;
    tovo::test::BuildEntry pastEnd{"a.txt", "alpha"};
    pastEnd.compressedSize = 100000;
    tovo::test::BuildEntry masked{"b.txt", "bravo"};
    masked.flags = 0x2000;
    const struct {
        const char *name;
        QByteArray data; // of the archive; none for a missing one or a folder
        int code;
    } rows[] = {
        {"missing", QByteArray(), TOVO_ZIP_WARN_NO_ARCHIVE},
        {"empty archive", tovo::test::buildZip({}), TOVO_ZIP_WARN_NO_ARCHIVE},
        {"a folder", QByteArray(), TOVO_ZIP_ERR_OPEN_ARCHIVE},
        {"text", "not an archive at all\n", TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"end cut off", tovo::test::buildZip({{"a.txt", "alpha"}}).chopped(30), TOVO_ZIP_ERR_EOF},
        {"data running into the next entry's", tovo::test::buildZip({runsOn, {"b.txt", "bravo"}}),
         TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"past the end, then an unreadable record", tovo::test::buildZip({pastEnd, masked}),
         TOVO_ZIP_ERR_UNSUPPORTED},
    };
    Reader r;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString archive =
            tmp.filePath(row.code == TOVO_ZIP_ERR_OPEN_ARCHIVE ? QStringLiteral("folder.zip") : QStringLiteral("a.zip"));
        QFile::remove(archive);
        ASSERT_TRUE(row.data.isNull() || writeFile(archive, row.data));
        EXPECT_EQ(r.list(archive), row.code);
        EXPECT_EQ(r.test(archive), row.code);
        EXPECT_EQ(r.extract(archive, tmp.filePath(QStringLiteral("never"))), row.code);
        EXPECT_TRUE(r.listed.isEmpty() && r.tested.isEmpty() && r.extracted.isEmpty());
    }
}

// The window lists right after a test, from what the test read: the listing
// is the one made without a test, field by field, of the archive as it is
// then (whatever happened to the file in between), in the directory's order.
TEST(ReaderDamage, ListingAfterTestIsTheListingOfTheFileAsItIsNow)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(python(QStringLiteral("import zipfile\n"
                                      "with zipfile.ZipFile('a.zip', 'w') as z:\n"
                                      "    z.comment = 'Archive \\u00e9t\\u00e9'.encode()\n"
                                      "    for i, name in enumerate(['d/', 'd/\\u00e9t\\u00e9.txt', 'ro.txt', 'x.bin']):\n"
                                      "        info = zipfile.ZipInfo(name, (2020 + i, 1 + i, 2, 3, 4, 6 * i))\n"
                                      "        info.comment = ('note %d' % i).encode() if i % 2 else b''\n"
                                      "        info.external_attr = (0o100444 if name == 'ro.txt' else 0o100644) << 16\n"
                                      "        z.writestr(info, name * 50, zipfile.ZIP_DEFLATED if i > 1 else zipfile.ZIP_STORED)\n"),
                       {}, tmp.path()));
    const QString archive = tmp.filePath(QStringLiteral("a.zip"));
    const QString other = tmp.filePath(QStringLiteral("b.zip"));
    const QByteArray first = readFile(archive);
    const QByteArray second = QByteArray(first).replace("ro.txt", "rw.txt"); // the same size
    tovo::test::BuildEntry dataSecond{"a.txt", "alpha"}, dataFirst{"b.txt", "bravo"};
    dataSecond.localOffset = 30 + 5 + 5; // after the first local header and data
    dataFirst.localOffset = 0;
    auto fields = [](const QList<TZipFileStats> &events) {
        QStringList out;
        for (const TZipFileStats &s : events)
            out << QStringLiteral("%1|%2|%3|%4|%5|%6")
                       .arg(s.FileName)
                       .arg(s.Size)
                       .arg(s.CompressedSize)
                       .arg(int(s.Attributes))
                       .arg(s.DateTime.toString(Qt::ISODate), s.Comment);
        return out;
    };
    const QStringList names{QStringLiteral("d/"), QStringLiteral("d/\u00e9t\u00e9.txt"), QStringLiteral("ro.txt"),
                            QStringLiteral("x.bin")};
    const QStringList renamed = QStringList(names).replaceInStrings(QStringLiteral("ro."), QStringLiteral("rw."));
    const struct {
        const char *name;
        std::function<void()> change;
        QString listed;
        QStringList names;
        bool commented = true;
    } rows[] = {
        {"unchanged", [] {}, archive, names},
        {"rewritten in place, same size and times",
         [&] {
             ASSERT_TRUE(writeFile(archive, second));
             setTime(archive, SourceTime);
         },
         archive, renamed},
        {"replaced by another file",
         [&] {
             ASSERT_TRUE(writeFile(other, second));
             ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(archive).constData()), 0);
         },
         archive, renamed},
        {"another archive listed", [&] { ASSERT_TRUE(writeFile(other, second)); }, other, renamed},
        {"data in another order than the directory",
         [&] { ASSERT_TRUE(writeFile(other, tovo::test::buildZip({dataSecond, dataFirst}))); }, other,
         {"a.txt", "b.txt"}, false},
    };
    Reader r;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        // The listing without a test, then the one after a test.
        QStringList alone;
        QString comment;
        for (bool tested : {false, true}) {
            ASSERT_TRUE(writeFile(archive, first));
            setTime(archive, SourceTime);
            ClearArchiveCommentBuffer();
            if (tested) {
                ASSERT_EQ(r.test(archive), 0);
            }
            row.change();
            ASSERT_EQ(r.list(row.listed), 0);
            EXPECT_EQ(r.names(r.listed), row.names);
            if (!tested) {
                alone = fields(r.listed);
                comment = ArchiveCommentBuffer();
            }
        }
        EXPECT_EQ(fields(r.listed), alone);
        EXPECT_EQ(ArchiveCommentBuffer(), comment);
        EXPECT_EQ(comment, row.commented ? QStringLiteral("Archive \u00e9t\u00e9") : QString());
    }
}

TEST_F(ReaderTest, PasswordsAskedThroughTheCallback)
{
    const QString traditional =
        zipped(QStringLiteral("zipcrypto.zip"), {QStringLiteral("a.txt"), QStringLiteral("sub/b.txt")},
               {QStringLiteral("-P"), Secret});
    const QString aes = tmp.filePath(QStringLiteral("aes.zip"));
    ASSERT_TRUE(
        runTool(QStringLiteral("7z"),
                {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-bd"), QStringLiteral("-mem=AES256"),
                 QStringLiteral("-p") + Secret, aes, QStringLiteral("a.txt"), QStringLiteral("sub/b.txt")},
                src));

    for (const QString &archive : {traditional, aes}) {
        SCOPED_TRACE(archive.toStdString());
        Reader r;
        // Wrong, then right: asked twice for the first entry, never again.
        QStringList answers{QStringLiteral("faux"), Secret};
        r.answerPassword = [&](TZipPwdQuery &q) { q.Password = answers.isEmpty() ? QString() : answers.takeFirst(); };
        EXPECT_EQ(r.test(archive), 0);
        EXPECT_EQ(r.passwordQueries, (QStringList{QStringLiteral("a.txt"), QStringLiteral("a.txt")}));

        const QString dest = tmp.filePath(QStringLiteral("dest-") + QFileInfo(archive).baseName());
        answers = {Secret};
        EXPECT_EQ(r.extract(archive, dest), 0);
        EXPECT_EQ(readFile(dest + QStringLiteral("/sub/b.txt")), sourceFiles()[1].content);

        // No answer: every encrypted entry skipped, asked only once.
        r.answerPassword = [](TZipPwdQuery &q) { q.Password.clear(); };
        const QString none = tmp.filePath(QStringLiteral("none-") + QFileInfo(archive).baseName());
        EXPECT_EQ(r.extract(archive, none), TOVO_ZIP_WARN_PASSWORD);
        EXPECT_EQ(r.passwordQueries.size(), 1);
        EXPECT_EQ(r.skipped, (QList<std::pair<QString, int>>{{QStringLiteral("a.txt"), TOVO_ZIP_SKIP_PASSWORD},
                                                             {QStringLiteral("sub/b.txt"), TOVO_ZIP_SKIP_PASSWORD}}));
        EXPECT_FALSE(QFileInfo::exists(none)) << "nothing written: no folder made for it is left";

        // A wrong password held by the engine is never asked for; it fails
        // the password check, or (rarely) the data's.
        r.engine.Password = QStringLiteral("faux");
        const int held = r.test(archive);
        EXPECT_TRUE(held == TOVO_ZIP_WARN_PASSWORD || held == TOVO_ZIP_ERR_CRC) << held;
        EXPECT_TRUE(r.passwordQueries.isEmpty());
    }
}

// One wrong password in 256 gets past traditional encryption's check byte;
// only the data's check then finds it out.
TEST_F(ReaderTest, WrongPasswordPastTheCheckByte)
{
    const QString archive = zipped(QStringLiteral("one.zip"), {QStringLiteral("a.txt")}, {QStringLiteral("-P"), Secret});

    // Answered twice, such a password fails the data twice: damaged, as far
    // as anyone can tell (one that fails the check is asked for three times).
    Reader r;
    QString lucky;
    QStringList answers;
    r.answerPassword = [&](TZipPwdQuery &q) { q.Password = answers.isEmpty() ? QString() : answers.takeFirst(); };
    for (int i = 0; i < 4096 && lucky.isEmpty(); ++i) {
        const QString candidate = QStringLiteral("faux%1").arg(i);
        answers = {candidate, candidate, candidate};
        if (r.test(archive) == TOVO_ZIP_ERR_CRC)
            lucky = candidate;
    }
    ASSERT_FALSE(lucky.isEmpty());
    EXPECT_EQ(r.passwordQueries.size(), 2);

    // Held by the engine, it is offered again: the same.
    r.engine.Password = lucky;
    EXPECT_EQ(r.test(archive), TOVO_ZIP_ERR_CRC);
    EXPECT_TRUE(r.passwordQueries.isEmpty());
    r.engine.Password.clear();

    const struct {
        const char *name;
        QStringList answers;
        int code;
    } rows[] = {
        {"asked again, the right one read", {lucky, Secret}, 0},
        {"no second answer", {lucky}, TOVO_ZIP_WARN_PASSWORD},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        answers = row.answers;
        EXPECT_EQ(r.test(archive), row.code);
        EXPECT_EQ(r.passwordQueries, (QStringList{QStringLiteral("a.txt"), QStringLiteral("a.txt")}));

        const QString dest = tmp.filePath(QString::fromLatin1(row.name));
        answers = row.answers;
        EXPECT_EQ(r.extract(archive, dest), row.code);
        EXPECT_EQ(QFileInfo::exists(dest + QStringLiteral("/a.txt")), row.code == 0);
        if (row.code == 0) {
            EXPECT_EQ(readFile(dest + QStringLiteral("/a.txt")), sourceFiles()[0].content);
        }
    }
}

TEST_F(ReaderTest, OverwriteAnswers)
{
    const QString archive = zipped(QStringLiteral("t.zip"), {QStringLiteral("a.txt")});

    const struct {
        const char *name;
        TZipOverwrite overwrite;
        int action;
        QString newName;
        int code;
        QByteArray existing; // a.txt afterwards
        QStringList tree = {QStringLiteral("a.txt")};
    } rows[] = {
        {"never", xowNever, -1, QString(), 0, "old"},
        {"always", xowAlways, -1, QString(), 0, "bonjour\n"},
        {"asked, no", xowAsk, 0, QString(), 0, "old"},
        {"asked, yes", xowAsk, 1, QString(), 0, "bonjour\n"},
        {"asked, another name", xowAsk, 1, QStringLiteral("autre/a2.txt"), 0, "old",
         {QStringLiteral("a.txt"), QStringLiteral("autre/"), QStringLiteral("autre/a2.txt")}},
        {"asked, a name outside", xowAsk, 1, QStringLiteral("../evade.txt"), TOVO_ZIP_WARN_SKIPPED, "old"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir parent;
        const QString dest = parent.filePath(QStringLiteral("dest"));
        QDir().mkpath(dest);
        ASSERT_TRUE(writeFile(dest + QStringLiteral("/a.txt"), "old"));
        Reader r;
        r.engine.Overwrite = row.overwrite;
        r.answerReplace = [&](TZipReplace &rep) {
            rep.Action = std::uint8_t(row.action);
            rep.NewName = row.newName;
        };
        EXPECT_EQ(r.extract(archive, dest), row.code);
        EXPECT_EQ(r.replaceQueries.size(), row.overwrite == xowAsk ? 1 : 0);
        EXPECT_EQ(readFile(dest + QStringLiteral("/a.txt")), row.existing);
        EXPECT_EQ(treeOf(dest), row.tree);
        EXPECT_EQ(treeOf(parent.path()).size(), row.tree.size() + 1) << "nothing beside the destination";
        if (!row.newName.isEmpty() && row.code == 0) {
            EXPECT_EQ(readFile(dest + QLatin1Char('/') + row.newName), "bonjour\n");
        }
    }
}

TEST_F(ReaderTest, FreshenUpdateJunkAndFileLists)
{
    const QString archive = zipped(QStringLiteral("t.zip"), {QStringLiteral(".")}, {QStringLiteral("-r")});

    const QDateTime older = SourceTime.addDays(-30);
    const QDateTime newer = SourceTime.addDays(30);
    struct Row {
        const char *name;
        TZipExtractMode mode;
        QDateTime existingTime; // of an existing a.txt "old"
        bool aReplaced;
        bool bCreated;
    };
    const Row rows[] = {
        {"freshen replaces an older file", xemFreshen, older, true, false},
        {"freshen keeps a newer file", xemFreshen, newer, false, false},
        {"freshen keeps a file of the same time", xemFreshen, SourceTime, false, false},
        {"update replaces an older file and adds", xemUpdate, older, true, true},
        {"update keeps a newer file and adds", xemUpdate, newer, false, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dest;
        ASSERT_TRUE(writeFile(dest.filePath(QStringLiteral("a.txt")), "old"));
        setTime(dest.filePath(QStringLiteral("a.txt")), row.existingTime);
        Reader r;
        r.engine.Overwrite = xowAlways;
        EXPECT_EQ(r.extract(archive, dest.path(), row.mode), 0);
        EXPECT_EQ(readFile(dest.filePath(QStringLiteral("a.txt"))), row.aReplaced ? "bonjour\n" : "old");
        EXPECT_EQ(QFileInfo::exists(dest.filePath(QStringLiteral("sub/b.txt"))), row.bCreated);
    }

    // Junked paths, a wildcard list, an exclusion and a name matching nothing.
    QTemporaryDir dest;
    Reader r;
    r.engine.UsePaths = false;
    EXPECT_EQ(r.extract(archive, dest.path(), xemExtract,
                        {QStringLiteral("sub/*"), QStringLiteral("a.txt"), QStringLiteral("rien*"),
                         QStringLiteral("<*\u00fc.txt")}),
              TOVO_ZIP_WARN_NOT_FOUND);
    EXPECT_EQ(treeOf(dest.path()), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));

    r.engine.UsePaths = true;
    EXPECT_EQ(r.list(archive, {QStringLiteral("*.sh"), QStringLiteral("sub")}), 0);
    QStringList listed = r.names(r.listed);
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("setuid.sh"), QStringLiteral("sub/"), QStringLiteral("sub/b.txt"),
                                   QStringLiteral("sub/\u00e9t\u00e9 \u00fc.txt")}));

    // An entry whose name holds a wildcard is selected by its exact name alone.
    ASSERT_TRUE(python(QStringLiteral("import zipfile\n"
                                      "with zipfile.ZipFile('star.zip', 'w') as z:\n"
                                      "    for n in ('*', 'a?', 'ab', 'b.txt'): z.writestr(n, n)\n"),
                       {}, tmp.path()));
    const QString star = tmp.filePath(QStringLiteral("star.zip"));
    EXPECT_EQ(r.list(star, {QStringLiteral("*")}), 0);
    EXPECT_EQ(r.names(r.listed), QStringList{QStringLiteral("*")});
    r.listed.clear();
    EXPECT_EQ(r.list(star, {QStringLiteral("a?"), QStringLiteral("b*")}), 0);
    EXPECT_EQ(r.names(r.listed), (QStringList{QStringLiteral("a?"), QStringLiteral("b.txt")}));
}

TEST(ReaderExtract, ProgressAndStop)
{
    QTemporaryDir tmp;
    QList<tovo::test::BuildEntry> entries{{"big.bin", tovo::test::noise(3 << 20, 7), 8}};
    for (int i = 0; i < 5; ++i)
        entries.append({"small" + QByteArray::number(i) + ".txt", QByteArray(i, 'x'), 8});
    const QString archive = tmp.filePath(QStringLiteral("big.zip"));
    ASSERT_TRUE(writeFile(archive, tovo::test::buildZip(entries)));
    Reader r;
    ASSERT_EQ(r.test(archive), 0);
    ASSERT_GE(r.status.size(), 4);
    qint64 previous = 0;
    for (const TZipFileStats &s : r.status) {
        EXPECT_EQ(s.FileName, QStringLiteral("big.bin"));
        EXPECT_EQ(s.Size, 3 << 20);
        EXPECT_GE(s.BytesDone - previous, 256 * 1024) << "at most every few hundred kilobytes";
        EXPECT_LE(s.BytesDone, s.Size);
        previous = s.BytesDone;
    }

    // Stopped inside the big entry, then between small ones: nothing half written.
    for (int stopAt : {1, 4}) {
        SCOPED_TRACE(stopAt);
        QTemporaryDir dest;
        int messages = 0;
        r.engine.OnStatus = [&](TZipEngine *e, const TZipFileStats &) {
            if (++messages == stopAt)
                e->Abort = true;
        };
        r.engine.OnExtracting = [&](TZipEngine *e, const TZipFileStats &) {
            if (++messages == stopAt)
                e->Abort = true;
        };
        EXPECT_EQ(r.extract(archive, dest.path()), TOVO_ZIP_ERR_ABORTED);
        for (const QString &name : treeOf(dest.path()))
            EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << "a temporary file was left: " << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dest.filePath(QStringLiteral("big.bin"))));
    }
}

// Small entries are tested and written on worker threads: the events, the
// code and the files must be those of the sequential way, whatever the
// callback stops, the data fails or the names select.
TEST(ReaderParallel, SameEventsAndFilesAsSequential)
{
    // Text, and for one entry in two a noisy tail, so that some entries are
    // too small to hand over and others are not.
    auto content = [](qsizetype i) {
        return QByteArray("ligne ").repeated(i + 1) + QByteArray::number(i) +
               tovo::test::noise(int(i % 2 * 1500), unsigned(i));
    };
    QList<tovo::test::BuildEntry> entries;
    for (int i = 0; i < 300; ++i) {
        if (i % 60 == 0)
            entries.append({QByteArray("d") + QByteArray::number(i / 60) + "/", QByteArray()});
        const QByteArray name = QByteArray("d") + QByteArray::number(i / 60) + "/f" + QByteArray::number(i) + ".txt";
        entries.append({name, content(i), 8});
    }
    // d2/f150.txt, the 154th entry, is damaged.
    entries[153].transform = [](QByteArray p) { return p.replace(p.size() / 2, 1, "!"); };
    entries.append({"d0/f10.txt", "the same name again, later", 8});
    entries.append({"big.bin", QByteArray("0123456789abcdef").repeated(80000), 8}); // with progress messages
    entries.append({"tail.txt", "after the big one", 8});
    QTemporaryDir tmp;
    const QString archive = tmp.filePath(QStringLiteral("a.zip"));
    ASSERT_TRUE(writeFile(archive, tovo::test::buildZip(entries)));

    struct Run {
        int testCode = 0, extractCode = 0, someCode = 0;
        QStringList tested, someTested, extracted, tree;
        QMap<QString, QByteArray> contents;
    };
    // stopAt: the test and the extraction message that answer "stop" (0: none).
    auto run = [&](bool sequential, qsizetype stopAt) {
        if (sequential)
            qputenv("TOVO_ZIP_THREADS", "1");
        else
            qunsetenv("TOVO_ZIP_THREADS");
        Run out;
        Reader r;
        r.engine.Overwrite = xowAlways;
        qsizetype tests = 0;
        r.engine.OnTesting = [&](TZipEngine *e, const TZipFileStats &s) {
            r.tested << s;
            if (++tests == stopAt)
                e->Abort = true;
        };
        out.testCode = r.test(archive);
        out.tested = r.names(r.tested);
        tests = 0;
        out.someCode = r.test(archive, {QStringLiteral("d2/*"), QStringLiteral("big.bin")});
        out.someTested = r.names(r.tested);
        qsizetype messages = 0;
        r.engine.OnExtracting = [&](TZipEngine *e, const TZipFileStats &s) {
            r.extracted << s;
            if (++messages == stopAt)
                e->Abort = true;
        };
        const QString dest = tmp.filePath(QStringLiteral("out%1%2").arg(sequential).arg(stopAt));
        out.extractCode = r.extract(archive, dest);
        out.extracted = r.names(r.extracted);
        out.tree = treeOf(dest);
        for (const QString &name : out.tree) {
            if (!name.endsWith(QLatin1Char('/')))
                out.contents[name] = readFile(dest + QLatin1Char('/') + name);
        }
        qunsetenv("TOVO_ZIP_THREADS");
        return out;
    };

    QStringList inOrder;
    for (const auto &e : entries)
        inOrder << QString::fromUtf8(e.name);
    const struct {
        const char *name;
        qsizetype stopAt;
        int code;
        qsizetype extracted; // messages
    } rows[] = {
        {"whole run, a damaged entry in the middle", 0, TOVO_ZIP_ERR_CRC, inOrder.size()},
        {"stop at the first file", 2, TOVO_ZIP_ERR_ABORTED, 2},
        {"stop among small files, well ahead of the writes", 100, TOVO_ZIP_ERR_ABORTED, 100},
        {"stop at the damaged entry", 154, TOVO_ZIP_ERR_ABORTED, 154},
        {"stop at the repeated name, after the damaged entry", inOrder.size() - 2, TOVO_ZIP_ERR_CRC,
         inOrder.size() - 2},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const Run sequential = run(true, row.stopAt);
        const Run parallel = run(false, row.stopAt);
        EXPECT_EQ(parallel.testCode, row.stopAt == 0 ? TOVO_ZIP_ERR_CRC : sequential.testCode);
        EXPECT_EQ(parallel.tested, inOrder.mid(0, row.stopAt ? row.stopAt : inOrder.size())) << "archive order";
        EXPECT_EQ(parallel.someCode, sequential.someCode);
        EXPECT_EQ(parallel.someTested, sequential.someTested);
        EXPECT_EQ(parallel.extractCode, row.code);
        EXPECT_EQ(sequential.extractCode, row.code);
        EXPECT_EQ(parallel.extracted, inOrder.mid(0, row.extracted)) << "archive order";
        EXPECT_EQ(parallel.tree, sequential.tree);
        EXPECT_TRUE(parallel.contents == sequential.contents) << "the same bytes as the sequential way";
        for (auto it = parallel.contents.begin(); it != parallel.contents.end(); ++it) {
            EXPECT_FALSE(it.key().contains(QLatin1String(".tovo-"))) << it.key().toStdString();
            // Nothing is cut short.
            const qsizetype number = it.key().section(QLatin1Char('f'), -1).section(QLatin1Char('.'), 0, 0).toInt();
            if (it.key() == QStringLiteral("d0/f10.txt") && row.stopAt == 0) {
                EXPECT_EQ(it.value(), "the same name again, later");
            } else if (it.key().endsWith(QLatin1String(".txt")) && it.key() != QStringLiteral("tail.txt")) {
                EXPECT_EQ(it.value(), content(number));
            }
        }
        EXPECT_FALSE(parallel.contents.contains(QStringLiteral("d2/f150.txt"))) << "the damaged entry";
        EXPECT_EQ(parallel.contents.contains(QStringLiteral("tail.txt")), row.stopAt == 0);
    }
}

TEST(ReaderScale, Zip64WithSeventyThousandEntries)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(
        python(QStringLiteral("import zipfile\n"
                              "with zipfile.ZipFile('many.zip', 'w') as z:\n"
                              "    for i in range(70000): z.writestr('d%02d/f%05d.txt' % (i % 100, i), str(i))\n"),
               {}, tmp.path()));
    const QString archive = tmp.filePath(QStringLiteral("many.zip"));
    Reader r;
    ASSERT_EQ(r.list(archive), 0);
    ASSERT_EQ(r.listed.size(), 70000);
    EXPECT_EQ(r.listed.first().FileName, QStringLiteral("d00/f00000.txt"));
    EXPECT_EQ(r.listed.last().FileName, QStringLiteral("d99/f69999.txt"));
    EXPECT_EQ(r.listed.last().Size, 5);
    EXPECT_EQ(r.test(archive), 0);
    EXPECT_EQ(r.tested.size(), 70000);
    ASSERT_EQ(r.extract(archive, tmp.filePath(QStringLiteral("out")), xemExtract, {QStringLiteral("d42/*")}), 0);
    EXPECT_EQ(r.extracted.size(), 700);
    EXPECT_EQ(readFile(tmp.filePath(QStringLiteral("out/d42/f69942.txt"))), "69942");
}

TEST_F(ReaderTest, MutatedArchivesNeverEscapeOrCrash)
{
    zipped(QStringLiteral("valid.zip"), {QStringLiteral(".")}, {QStringLiteral("-r")});
    const QString valid = zipped(QStringLiteral("valid.zip"), {QStringLiteral("a.txt")}, {QStringLiteral("-P"), Secret});
    const QByteArray original = readFile(valid);
    const std::set<int> known{0, 10, 30, 40, 50, 100, 140, 180, 190, 210, 500, 510};

    std::mt19937 random(20240607);
    const QString box = tmp.filePath(QStringLiteral("box"));
    const QString archive = box + QStringLiteral("/m.zip");
    const QString dest = box + QStringLiteral("/dest");
    Reader r;
    r.engine.Password = Secret;
    r.engine.Overwrite = xowAlways;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        QByteArray data = original;
        const int flips = 1 + int(random() % 4);
        for (int i = 0; i < flips; ++i) {
            // Half of the changes hit the central directory and end record.
            const int tail = std::min<int>(400, int(data.size()));
            const int at = random() % 2 ? int(data.size()) - 1 - int(random() % tail) : int(random() % data.size());
            data[at] = char(random() % 256);
        }
        if (round % 10 == 0)
            data.truncate(int(random() % data.size()));
        QDir(box).removeRecursively();
        QDir().mkpath(box);
        ASSERT_TRUE(writeFile(archive, data));
        for (int code : {r.list(archive), r.test(archive), r.extract(archive, dest)})
            EXPECT_TRUE(known.count(code)) << code;
        for (const QString &name : treeOf(box))
            ASSERT_TRUE(name == QStringLiteral("m.zip") || name.startsWith(QStringLiteral("dest/")))
                << name.toStdString();
    }
}

TEST_F(ReaderTest, CliListingAndExitStatus)
{
    const QString archive = zipped(QStringLiteral("t.zip"), {QStringLiteral("a.txt"), QStringLiteral("vide.txt")});
    auto cli = [&](const QStringList &args, QString *out = nullptr) {
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(QStringLiteral(TOVO_BIN_DIR "/tovo-cli"), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode();
    };
    QString out;
    EXPECT_EQ(cli({QStringLiteral("list"), archive}, &out), 0);
    EXPECT_EQ(out, QStringLiteral("8\t8\t2021-03-04 05:06:08\ta.txt\n0\t0\t2021-03-04 05:06:08\tvide.txt\n"));
    // A name cannot forge a line or talk to the terminal.
    const QString forged = tmp.filePath(QStringLiteral("forged.zip"));
    ASSERT_TRUE(writeFile(forged, tovo::test::buildZip({{"a\n9\t9\t2000-01-01 00:00:00\tb\x1b[2J", "x"}})));
    EXPECT_EQ(cli({QStringLiteral("list"), forged}, &out), 0);
    EXPECT_EQ(out, QStringLiteral("1\t1\t2025-04-15 13:16:00\ta\\n9\\t9\\t2000-01-01 00:00:00\\tb\\x1b[2J\n"));
    EXPECT_EQ(cli({QStringLiteral("extract"), archive, QStringLiteral("-d"), tmp.filePath(QStringLiteral("o")),
                   QStringLiteral("x*")}),
              1);
    EXPECT_EQ(cli({QStringLiteral("extract"), archive, QStringLiteral("-d"), tmp.filePath(QStringLiteral("o"))}), 0);
    EXPECT_EQ(readFile(tmp.filePath(QStringLiteral("o/a.txt"))), "bonjour\n");
    EXPECT_EQ(cli({QStringLiteral("list"), src + QStringLiteral("/a.txt")}), 2);
}
