// What the writing module produces, read back by independent tools: Info-ZIP
// unzip, 7z, Python's zipfile and our own reading module; a ZIP64 archive of
// more than 65,535 entries; and repairs compared with Info-ZIP zip -FF.
#include "ziplib_writer/writertest.h"

#include <dlfcn.h>

#include <optional>

#include <QRegularExpression>

#include "support/peakmemory.h"

using namespace tovo;
using namespace tovo::test;

namespace {

// Tests an archive with unzip, 7z, Python and our reader; returns what
// failed, empty when all four found it clean.
QString peersFailing(const QString &archive, const QString &password = QString(), bool withPython = true)
{
    const QString dir = QFileInfo(archive).path();
    QStringList failed;
    QStringList unzipArgs{QStringLiteral("-tq")};
    if (!password.isEmpty())
        unzipArgs << QStringLiteral("-P") << password;
    const ToolRun unzip = runTool(QStringLiteral("unzip"), unzipArgs << archive, dir);
    if (unzip.exitCode != 0)
        failed << QStringLiteral("unzip: ") + QString::fromUtf8(unzip.out);
    QStringList sevenArgs{QStringLiteral("t"), QStringLiteral("-bd")};
    sevenArgs << QStringLiteral("-p") + password;
    const ToolRun seven = runTool(QStringLiteral("7z"), sevenArgs << archive, dir);
    if (seven.exitCode != 0)
        failed << QStringLiteral("7z: ") + QString::fromUtf8(seven.out);
    if (withPython) {
        const PeerView python = readWithPython(archive, password);
        if (!python.error.isEmpty() || !python.bad.isEmpty())
            failed << QStringLiteral("python: ") + python.error + python.bad;
    }
    QStringList ourArgs{QStringLiteral("test"), archive, QStringLiteral("-p"), password};
    const ToolRun ours = runCli(ourArgs, dir);
    if (ours.exitCode != 0)
        failed << QStringLiteral("tovo-cli: ") + QString::fromUtf8(ours.out);
    return failed.join(QLatin1Char('\n'));
}

constexpr int Stored = 0;
constexpr int Deflated = 8;
constexpr int Utf8Flag = 0x800;

} // namespace

TEST(WriterInterop, WhatWeWriteTestsCleanEverywhere)
{
    const struct {
        const char *name;
        QStringList files;
        std::function<void(TZipEngine &)> setup;
        QString password;
        QList<std::pair<QString, int>> methods; // entry, compression method
    } rows[] = {
        {"deflated", {"text.txt", "empty.txt"}, {}, {}, {{"text.txt", Deflated}, {"empty.txt", Stored}}},
        {"stored with -0", {"text.txt"}, [](TZipEngine &e) { e.Compression = 0; }, {}, {{"text.txt", Stored}}},
        {"maximum compression", {"text.txt"}, [](TZipEngine &e) { e.Compression = 9; }, {}, {{"text.txt", Deflated}}},
        {"stored extensions, case-insensitive", {"inner.zip", "text.txt"}, {}, {},
         {{"inner.zip", Stored}, {"text.txt", Deflated}}},
        {"incompressible data is stored", {"noise.bin"}, {}, {}, {{"noise.bin", Stored}}},
        {"encrypted", {"text.txt", "noise.bin"}, [](TZipEngine &e) { e.Password = QStringLiteral("s3cret"); },
         QStringLiteral("s3cret"), {{"text.txt", Deflated}, {"noise.bin", Stored}}},
        {"encrypted and stored", {"text.txt"},
         [](TZipEngine &e) { e.Password = QStringLiteral("s3cret"); e.Compression = 0; }, QStringLiteral("s3cret"),
         {{"text.txt", Stored}}},
        {"UTF-8 names and folder entries", {"été"}, [](TZipEngine &e) { e.Recurse = e.IncludeDirectoryEntries = true; },
         {}, {{"été/", Stored}, {"été/ça.txt", Stored}}},
    };
    Workspace ws;
    QByteArray text;
    for (int i = 0; i < 4000; ++i)
        text += "ligne " + QByteArray::number(i) + " du fichier\n";
    ws.file(QStringLiteral("text.txt"), text);
    ws.file(QStringLiteral("empty.txt"), QByteArray());
    ws.file(QStringLiteral("noise.bin"), noise(200000, 5));
    ws.file(QStringLiteral("inner.zip"), text);
    ws.file(QStringLiteral("été/ça.txt"), "ça va\n");
    RecordingEngine r;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString archive = ws.path(QStringLiteral("out.zip"));
        QFile::remove(archive);
        ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, row.files, row.setup}), 0);
        EXPECT_EQ(peersFailing(archive, row.password), QString());
        const PeerView view = readWithPython(archive, row.password);
        QStringList expectedNames;
        for (const auto &[name, method] : row.methods) {
            expectedNames << name;
            const QJsonObject e = view.entry(name);
            EXPECT_EQ(e.value(QStringLiteral("method")).toInt(-1), method) << name.toStdString();
            const int flags = e.value(QStringLiteral("flags")).toInt();
            EXPECT_EQ((flags & 1) != 0, !row.password.isEmpty()) << name.toStdString();
            EXPECT_EQ((flags & Utf8Flag) != 0, name.toUtf8() != name.toLatin1() || name.contains(QChar(0xE9)))
                << name.toStdString();
            // The Unix mode of the file or folder, type bits included.
            const int mode = e.value(QStringLiteral("mode")).toInt();
            EXPECT_EQ(mode & 0170000, name.endsWith(QLatin1Char('/')) ? 0040000 : 0100000) << name.toStdString();
        }
        EXPECT_EQ(sorted(view.names()), sorted(expectedNames));
    }
}

// Files are deflated ahead on worker threads, big ones in pieces joined into
// one stream: the archive is the one a single thread writes, and reads back
// everywhere.
TEST(WriterInterop, CompressionAheadWritesWhatOneThreadWrites)
{
    Workspace ws;
    QByteArray text;
    for (int i = 0; i < 260000; ++i)
        text += "ligne " + QByteArray::number(i * 7919 % 100003) + " du grand fichier\n";
    const int piece = 1 << 20;
    ws.file(QStringLiteral("grand.txt"), text);                          // eight pieces
    ws.file(QStringLiteral("bruit.bin"), noise(piece + piece / 2, 3));   // pieces that do not compress
    ws.file(QStringLiteral("piece.txt"), text.left(piece));              // one whole piece
    ws.file(QStringLiteral("piece-et-un.txt"), text.left(piece + 1));    // a last piece of one byte
    for (int i = 0; i < 150; ++i)
        ws.file(QStringLiteral("petits/p%1.txt").arg(i), text.mid(i * 97, i * 13));
    const QStringList files{QStringLiteral("grand.txt"), QStringLiteral("bruit.bin"), QStringLiteral("piece.txt"),
                            QStringLiteral("piece-et-un.txt"), QStringLiteral("petits")};
    const auto addTo = [&](const QString &name, const QString &password) {
        RecordingEngine r;
        EXPECT_EQ(add(r, ws.path(), ws.path(name), {xamAdd, files, [&](TZipEngine &e) {
                                                          e.Recurse = true;
                                                          e.Password = password;
                                                      }}),
                  0);
        return r.added;
    };
    const QStringList announced = addTo(QStringLiteral("threads.zip"), QString());
    {
        const OneThread oneThread;
        addTo(QStringLiteral("one.zip"), QString());
    }
    EXPECT_EQ(ws.read(QStringLiteral("threads.zip")), ws.read(QStringLiteral("one.zip")));
    EXPECT_EQ(peersFailing(ws.path(QStringLiteral("threads.zip"))), QString());
    const PeerView view = readWithPython(ws.path(QStringLiteral("threads.zip")), QString(), QStringLiteral("grand.txt"));
    EXPECT_EQ(view.content, text);
    EXPECT_EQ(view.names(), announced) << "announced in the archive's order";
    EXPECT_EQ(view.entry(QStringLiteral("bruit.bin")).value(QStringLiteral("method")).toInt(), Deflated)
        << "a file in pieces is deflated as it goes";

    addTo(QStringLiteral("secret.zip"), QStringLiteral("s3cret"));
    EXPECT_EQ(peersFailing(ws.path(QStringLiteral("secret.zip")), QStringLiteral("s3cret")), QString());
}

TEST(WriterInterop, Zip64ArchiveOfManySmallEntries)
{
    Workspace ws;
    constexpr int Count = 65600;
    for (int d = 0; d < 40; ++d)
        QDir().mkpath(ws.path(QStringLiteral("many/d%1").arg(d)));
    for (int i = 0; i < Count; ++i) {
        const QByteArray path = QFile::encodeName(ws.path(QStringLiteral("many/d%1/f%2").arg(i % 40).arg(i)));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray body = QByteArray::number(i);
        ASSERT_EQ(::write(fd, body.constData(), size_t(body.size())), body.size());
        ::close(fd);
    }
    const QString archive = ws.path(QStringLiteral("many.zip"));
    RecordingEngine r;
    ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, {QStringLiteral("many")}, [](TZipEngine &e) { e.Recurse = true; }}), 0);
    const QByteArray bytes = ws.read(QStringLiteral("many.zip"));
    EXPECT_TRUE(bytes.right(200).contains(QByteArray("PK\x06\x06", 4))) << "a ZIP64 end record";
    // Python reads every entry (slowly, so once).
    EXPECT_EQ(peersFailing(archive, QString(), false), QString());
    const PeerView view = readWithPython(archive, QString(), QStringLiteral("many/d7/f65527"));
    EXPECT_EQ(view.entries.size(), Count);
    EXPECT_EQ(view.bad, QString());
    EXPECT_EQ(view.content, QByteArray("65527"));

    // One more file into it, and one entry out of it: still a ZIP64 archive
    // with every entry.
    ws.file(QStringLiteral("extra.txt"), "extra");
    ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, {QStringLiteral("extra.txt")}}), 0);
    ASSERT_EQ(add(r, ws.path(), archive, {xamAdd, {QStringLiteral("many/d0/f0")}}, true), 0);
    EXPECT_EQ(r.deleted, QStringList{QStringLiteral("many/d0/f0")});
    EXPECT_EQ(peersFailing(archive, QString(), false), QString());
    const ToolRun names = runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive}, ws.path());
    const QList<QByteArray> lines = names.out.trimmed().split('\n');
    EXPECT_EQ(lines.size(), Count);
    EXPECT_TRUE(lines.contains("extra.txt"));
    EXPECT_FALSE(lines.contains("many/d0/f0"));
}

namespace {

// An archive of several entries written by producer, damaged by damage.
struct RepairCase {
    const char *name;
    const char *producer; // Python building x.zip in the workspace
    std::function<void(QByteArray &)> damage;
    bool harder;
    int code;
    bool comparedWithZip; // the entries recovered are those zip -FF recovers intact
    std::optional<QStringList> skipped = {}; // the messages, when they are known
    QStringList names = {};                  // the entries afterwards, when they are known
};

const char *const TovoProducer = nullptr;
const char *const StreamingProducer =
    "import zipfile\n"
    "class Stream:\n"
    "    def __init__(self, f): self.f = f\n"
    "    def write(self, b): return self.f.write(b)\n"
    "    def flush(self): self.f.flush()\n"
    "with open('x.zip', 'wb') as f, zipfile.ZipFile(Stream(f), 'w', zipfile.ZIP_DEFLATED) as z:\n"
    "    for i in range(1, 6):\n"
    "        z.writestr('part%d.txt' % i, ('partie %d ' % i) * (4000 * i))\n"
    "    z.writestr(zipfile.ZipInfo('stored.txt'), 'stored ' * 3000)\n";

int centralOffset(const QByteArray &zip)
{
    const int end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    const auto *p = reinterpret_cast<const unsigned char *>(zip.constData() + end + 16);
    return int(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24);
}

void overwriteCentral(QByteArray &zip)
{
    const int at = centralOffset(zip);
    for (int i = at; i < zip.size(); ++i)
        zip[i] = "overwritten!"[(i - at) % 12];
}

// Bytes standing for a self-extracting program in front of an archive.
QByteArray selfExtractorStub() { return QByteArray("MZ stub ") + noise(4088, 11); }

// Flips a byte in the middle of the third entry's data.
void damageThird(QByteArray &zip)
{
    int at = -1;
    for (int n = 0; n < 3; ++n)
        at = zip.indexOf(QByteArray("PK\x03\x04", 4), at + 1);
    zip[at + 200] = char(zip[at + 200] ^ 0x55);
}

} // namespace

TEST(WriterRepair, SuccessOnlyForWhatTestsClean)
{
    const BuildEntry good{"a.txt", QByteArray("alpha ").repeated(100), 8};
    BuildEntry liar{"big", QByteArray("abc").repeated(1000), 8};
    liar.size = 0xFFFFFFF0u; // 4 GB declared for a few bytes
    const BuildEntry bzip2{"b.bz2", "BZh91AY&SY pretend", 12};
    BuildEntry locked{"locked", noise(200, 12)};
    locked.flags = 1; // encrypted, and no password given
    const QByteArray lying = buildZip({good, liar});
    // Local headers packed one after the other, each with sizes to follow in
    // a data descriptor that never comes: each one a candidate.
    BuildEntry streamed{"a", ""};
    streamed.flags = 0x0008;
    const QByteArray headers = buildZip({streamed}).left(31).repeated(2500000 / 31);
    // Headers that each declare the rest of the file as their stored data:
    // only the last one, empty, is sound.
    QByteArray claims;
    for (std::uint32_t rest = 31 * 64000;; rest -= 31) {
        BuildEntry e{"a", ""};
        e.size = e.compressedSize = rest;
        claims += buildZip({e}).left(31);
        if (rest == 0)
            break;
    }
    const auto withoutDirectory = [](const QByteArray &zip) { return zip.left(centralOffset(zip)); };
    const auto replaced = [](const QByteArray &archive) { return [archive](QByteArray &z) { z = archive; }; };
    const RepairCase rows[] = {
        {"cut inside the last entry", TovoProducer, [](QByteArray &z) { z.chop(z.size() - centralOffset(z) + 5000); },
         false, 10, true},
        {"central directory overwritten", TovoProducer, overwriteCentral, false, 0, true},
        {"central directory cut off", TovoProducer, [](QByteArray &z) { z.truncate(centralOffset(z)); }, false, 0,
         true},
        {"data descriptors, central directory overwritten", StreamingProducer, overwriteCentral, false, 0, true},
        // zip -FF leaves an archive that no reader opens here: nothing to compare.
        {"data descriptors, cut inside the last entry", StreamingProducer,
         [](QByteArray &z) { z.chop(z.size() - centralOffset(z) + 700); }, true, 10, false},
        {"an entry damaged in the middle, light repair", TovoProducer, damageThird, false, 490, false},
        {"an entry damaged in the middle, harder repair", TovoProducer, damageThird, true, 10, true},
        {"a self-extractor cut inside its last entry", TovoProducer,
         [](QByteArray &z) {
             z.chop(z.size() - centralOffset(z) + 5000);
             z.prepend(selfExtractorStub());
         },
         true, 10, true},
        {"sound archive", TovoProducer, [](QByteArray &) {}, false, 0, false},
        {"no archive at all", TovoProducer, [](QByteArray &z) { z = noise(50000, 9); }, true, 490, false},
        // A size that lies is damage, not something to copy into the new directory.
        {"a size that lies, light repair", TovoProducer, replaced(lying), false, 490, false, QStringList()},
        {"a size that lies, directory gone", TovoProducer, replaced(withoutDirectory(lying)), false, 490, false,
         QStringList()},
        {"a size that lies, harder repair", TovoProducer, replaced(lying), true, 10, false, QStringList{"big:4"},
         {"a.txt"}},
        // What cannot be checked is kept, with a warning.
        {"an unsupported method, directory gone", TovoProducer, replaced(withoutDirectory(buildZip({good, bzip2}))),
         false, 10, false, QStringList{"b.bz2:6"}, {"a.txt", "b.bz2"}},
        {"no password, directory gone", TovoProducer, replaced(withoutDirectory(buildZip({good, locked}))), false, 10,
         false, QStringList{"locked:6"}, {"a.txt", "locked"}},
        {"a sound archive it cannot check", TovoProducer, replaced(buildZip({good, bzip2})), false, 10, false,
         QStringList{"b.bz2:6"}},
        // Linear time and bounded work whatever the headers claim.
        {"2.5 MB of headers whose descriptor never comes", TovoProducer, replaced(headers), true, 490, false},
        {"2 MB of headers that each claim the rest", TovoProducer, replaced(claims), true, 10, false, std::nullopt,
         {"a"}},
    };
    for (const RepairCase &row : rows) {
        SCOPED_TRACE(row.name);
        Workspace ws;
        if (row.producer) {
            const ToolRun made =
                runTool(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(row.producer)}, ws.path());
            ASSERT_EQ(made.exitCode, 0) << made.out.constData();
        } else {
            for (int i = 1; i <= 5; ++i)
                ws.file(QStringLiteral("part%1.txt").arg(i), QByteArray("partie ").repeated(4000 * i) + noise(3000, i));
            RecordingEngine made;
            ASSERT_EQ(add(made, ws.path(), ws.path(QStringLiteral("x.zip")), {xamAdd, {QStringLiteral("part*.txt")}}), 0);
        }
        QByteArray zip = ws.read(QStringLiteral("x.zip"));
        const QStringList all = sorted(readWithPython(ws.path(QStringLiteral("x.zip"))).names());
        row.damage(zip);
        ws.file(QStringLiteral("x.zip"), zip);
        ws.file(QStringLiteral("peer.zip"), zip);

        RecordingEngine r;
        r.engine.ZipFileName = ws.path(QStringLiteral("x.zip"));
        EXPECT_EQ(r.engine.Fix(row.harder), row.code);
        if (row.skipped) {
            EXPECT_EQ(r.skipped, *row.skipped);
        }
        const QByteArray after = ws.read(QStringLiteral("x.zip"));
        if (row.code >= 100 || r.fixed.isEmpty()) {
            EXPECT_EQ(after, zip) << "left untouched";
            continue;
        }
        if (zip.startsWith("MZ")) {
            EXPECT_TRUE(after.startsWith(selfExtractorStub())) << "the program in front is kept";
        }
        EXPECT_EQ(r.skipped.isEmpty(), row.code == 0) << r.skipped.join(QLatin1Char(' ')).toStdString();
        const PeerView view = readWithPython(ws.path(QStringLiteral("x.zip")));
        EXPECT_EQ(view.error, QString());
        EXPECT_EQ(sorted(r.fixed), sorted(view.names()));
        if (!row.names.isEmpty()) {
            EXPECT_EQ(sorted(view.names()), row.names);
        }
        // Every entry reads back, but those it could not check.
        QStringList checked = view.names();
        for (const QString &skipped : r.skipped)
            checked.removeAll(skipped.section(QLatin1Char(':'), 0, 0));
        for (const QString &name : checked)
            EXPECT_TRUE(view.intact.contains(name)) << name.toStdString();
        if (checked.size() < view.names().size())
            continue;
        const ToolRun unzip =
            runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), QStringLiteral("x.zip")}, ws.path());
        EXPECT_EQ(unzip.exitCode, 0) << unzip.out.constData();
        if (!row.comparedWithZip)
            continue;
        // zip -FF asks whether the archive is on one disk, and for further
        // parts when it thinks there are some: yes, and no more parts.
        QProcess zipFix;
        zipFix.setWorkingDirectory(ws.path());
        zipFix.start(QStringLiteral("zip"), {QStringLiteral("-FF"), QStringLiteral("peer.zip"), QStringLiteral("--out"),
                                             QStringLiteral("peerfixed.zip")});
        zipFix.write("y\ne\ne\n");
        zipFix.closeWriteChannel();
        ASSERT_TRUE(zipFix.waitForFinished(60000));
        const PeerView peer = readWithPython(ws.path(QStringLiteral("peerfixed.zip")));
        EXPECT_EQ(sorted(view.names()), sorted(peer.intact));
        EXPECT_LE(view.names().size(), all.size());
    }
}

TEST(WriterRepair, MemoryFollowsTheFileNotItsClaims)
{
    // One sound entry, then 1.1 MB of central records that each claim three
    // fields of 64 KiB, every one overlapping the next 1,600 records.
    BuildEntry x{"x", "x"};
    QByteArray data = buildZip({x});
    data = data.left(centralOffset(data));
    for (int i = 0; data.size() < 1100000; ++i) {
        le32(data, 0x02014b50);
        data += QByteArray(30, char(0xFF));
        le32(data, std::uint32_t(i));
        le16(data, 0);
    }
    Workspace ws;
    ws.file(QStringLiteral("x.zip"), data);
    void *module = ::dlopen(TOVO_BIN_DIR "/libzipwr.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    const auto entry = reinterpret_cast<TovoZipEntry>(::dlsym(module, TOVO_ZIP_WRITER_ENTRY));
    ASSERT_NE(entry, nullptr);
    QByteArray path = QFile::encodeName(ws.path(QStringLiteral("x.zip")));
    const PeakRun run = RunMeasuringPeak([&] {
        char empty[] = "";
        char harder[] = "-FF";
        char *argv[] = {empty, harder, path.data(), nullptr};
        return entry(TOVO_ZIP_CONTRACT_VERSION, 3, argv, nullptr, nullptr);
    });
    ::dlclose(module);
    EXPECT_EQ(run.result, 0);
    EXPECT_GE(run.growthKiB, 0);
    EXPECT_LT(run.growthKiB, 100 * 1024);
}
