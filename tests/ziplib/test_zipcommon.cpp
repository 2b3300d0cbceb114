// The ZIP code the two modules share: name rules and decoding, wildcards,
// DOS dates, the central directory of well-formed and hostile archives, and
// the entry data checks (sizes, CRC, encryption, bombs). Also the reading
// module's argument parser against the vectors the engine builds.
#include "ziplib/common/archivefile.h"
#include "ziplib/common/dostime.h"
#include "ziplib/common/entrydata.h"
#include "ziplib/common/zipcrypto.h"
#include "ziplib/common/zipdirectory.h"
#include "ziplib/common/zipnames.h"
#include "ziplib/reader/readerargs.h"

#include "engine/zipcontract.h"
#include "engine/zipvectors.h"
#include "support/peakmemory.h"
#include "support/testfiles.h"
#include "zipbuilder.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovo;
using namespace tovo::zip;
using tovo::test::BuildEntry;
using tovo::test::BuildOptions;
using tovo::test::buildZip;
using tovo::test::le16;
using tovo::test::le32;

namespace
{

std::string bytes(const QByteArray &b)
{
    return std::string(b.constData(), std::size_t(b.size()));
}

// Writes data to a temporary archive and reads its central directory, into
// a table and walked without one (as a listing of every entry does).
struct Opened {
    QTemporaryDir dir;
    ArchiveFile file;
    ZipDirectory zip;
    int code = -1;
    int walkCode = -1;
    bool walkChecked = false; // the walk could make the layout check
    std::vector<ZipEntry> walked;

    explicit Opened(const QByteArray &data)
    {
        const QString path = dir.filePath(QStringLiteral("a.zip"));
        tovo::test::writeFile(path, data);
        code = file.open(path.toStdString());
        if (code != 0)
            return;
        code = ReadZipDirectory(file, zip);
        ZipDirectory header;
        std::uint64_t count = 0;
        walkCode = CheckZipDirectory(file, header, count, walkChecked);
        if (walkCode == 0 && walkChecked)
            walkCode = VisitZipEntries(file, header, count, [&](const ZipEntry &e) {
                walked.push_back(e);
                return true;
            });
    }

    // The walk refuses what the table refuses, with the same code, and
    // hands over the same entries; it leaves only what it cannot check.
    void expectWalkAgrees() const
    {
        if (!walkChecked && walkCode == 0)
            return;
        EXPECT_EQ(walkCode, code);
        if (code != 0)
            return;
        ASSERT_EQ(walked.size(), zip.entries.size());
        for (std::size_t i = 0; i < walked.size(); ++i) {
            const ZipEntry &w = walked[i];
            const ZipEntry &t = zip.entries[i];
            SCOPED_TRACE(t.name);
            EXPECT_EQ(std::tie(w.name, w.rawName, w.comment, w.versionMadeBy, w.flags, w.method, w.dosDateTime,
                               w.crc, w.compressedSize, w.size, w.externalAttributes, w.localHeaderOffset, w.spanEnd,
                               w.unixTime, w.hasUnixTime, w.aes, w.aesMethod),
                      std::tie(t.name, t.rawName, t.comment, t.versionMadeBy, t.flags, t.method, t.dosDateTime,
                               t.crc, t.compressedSize, t.size, t.externalAttributes, t.localHeaderOffset, t.spanEnd,
                               t.unixTime, t.hasUnixTime, t.aes, t.aesMethod));
        }
    }
};

} // namespace

TEST(ZipNames, SafeRelativePath)
{
    const NameRules slash;
    NameRules backslashToo;
    backslashToo.backslashIsSeparator = true;
    NameRules windows;
    windows.separator = '\\';
    const struct {
        const char *name;
        std::string stored;
        NameRules rules;
        std::optional<std::string> expected;
    } rows[] = {
        {"plain", "a.txt", slash, "a.txt"},
        {"nested", "d/e/f.txt", slash, "d/e/f.txt"},
        {"dots and doubled separators dropped", "./a//./b/", slash, "a/b"},
        {"parent at the start", "../evil", slash, std::nullopt},
        {"parent in the middle", "a/../../b", slash, std::nullopt},
        {"parent that stays inside is refused too", "a/../b", slash, std::nullopt},
        {"parent at the end", "a/..", slash, std::nullopt},
        {"three dots are a name", "a/.../b", slash, "a/.../b"},
        {"absolute", "/abs", slash, std::nullopt},
        {"drive prefix", "C:x", slash, std::nullopt},
        {"drive prefix lower case with separator", "c:/x", slash, std::nullopt},
        {"bare drive", "C:", slash, std::nullopt},
        {"drive after a dot component", "./C:x", slash, std::nullopt},
        {"colon further in is a name", "x/C:y", slash, "x/C:y"},
        {"empty", "", slash, std::nullopt},
        {"only dots", "./.", slash, std::nullopt},
        {"NUL byte", std::string("a\0b", 3), slash, std::nullopt},
        {"backslash is a name character by default", "a\\b", slash, "a\\b"},
        {"backslash parent with backslash rules", "..\\evil", backslashToo, std::nullopt},
        {"backslash separator joined with slash", "a\\b", backslashToo, "a/b"},
        {"Windows rules: absolute", "\\abs", windows, std::nullopt},
        {"Windows rules: parent", "a\\..\\..\\b", windows, std::nullopt},
        {"Windows rules: drive", "D:\\x", windows, std::nullopt},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SafeRelativePath(row.stored, row.rules), row.expected);
    }
}

TEST(ZipNames, DecodeEntryName)
{
    const struct {
        const char *name;
        std::string raw;
        bool flag;
        std::string expected;
    } rows[] = {
        {"ASCII", "plain.txt", false, "plain.txt"},
        {"code page 850 (A grave, T, E acute)", "\xb7T\x90.txt", false, "\u00c0T\u00c9.txt"},
        {"letters where 850 differs from 437", "\xd4\xeb\xe2\xd2", false, "\u00c8\u00d9\u00d4\u00ca"},
        {"valid UTF-8 without the flag", "\xc3\xa9t\xc3\xa9.txt", false, "\u00e9t\u00e9.txt"},
        {"UTF-8 with the flag", "\xe2\x82\xac.txt", true, "\u20ac.txt"},
        {"invalid UTF-8 under the flag reads as 850", "\x82t\xe9", true, "\u00e9t\u00da"},
        {"overlong slash is not a separator",
         "a\xc0\xaf"
         "b",
         false, "a\u2514\u00bbb"},
        {"backslashes become separators", "dir\\sub\\f.txt", false, "dir/sub/f.txt"},
        {"surrogate encoded in UTF-8 is invalid", "\xed\xa0\x80", false, "\u00dd\u00e1\u00c7"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DecodeEntryName(row.raw, row.flag), row.expected);
    }
}

TEST(ZipNames, Cp850TableMatchesPython)
{
    QProcess python;
    python.start(
        QStringLiteral("python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import sys; sys.stdout.buffer.write(bytes(range(128,256)).decode('cp850').encode())")});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0);
    const QByteArray expected = python.readAllStandardOutput();
    std::string upper;
    for (int b = 128; b < 256; ++b)
        upper.push_back(char(b));
    std::string ours;
    AppendCp850AsUtf8(ours, upper);
    EXPECT_EQ(ours, bytes(expected));
}

TEST(ZipNames, WildcardMatch)
{
    const std::string many(5000, 'a');
    const struct {
        const char *name;
        std::string pattern;
        std::string stored;
        bool match;
    } rows[] = {
        {"star", "*.txt", "a.txt", true},
        {"star crosses folders", "*.txt", "d/e/a.txt", true},
        {"star in the middle", "a*b*c", "axxbyyc", true},
        {"star cannot supply the end", "a*b*c", "axxbyy", false},
        {"question mark is one character", "?.txt", "ab.txt", false},
        {"question mark takes a whole UTF-8 character", "?.txt", "\u00e9.txt", true},
        {"question mark matches a separator", "a?c", "a/c", true},
        {"case matters", "D/*", "d/x", false},
        {"literal", "readme", "readme", true},
        {"literal is not a prefix match", "read", "readme", false},
        {"empty pattern, empty name", "", "", true},
        {"star matches nothing", "*", "", true},
        {"double star", "**a", "a", true},
        {"many stars against a long name do not explode", "*a*a*a*a*a*a*a*b", many, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(WildcardMatch(row.pattern, row.stored), row.match);
    }

    EXPECT_TRUE(PatternSelects("dir", "dir/x"));
    EXPECT_TRUE(PatternSelects("dir/", "dir/x/y"));
    EXPECT_TRUE(PatternSelects("dir", "dir"));
    EXPECT_FALSE(PatternSelects("di", "dir/x"));
    EXPECT_FALSE(PatternSelects("d*", "e/dir"));
    EXPECT_FALSE(PatternSelects("", "x"));
}

TEST(ZipDates, DosDateTime)
{
    const QByteArray oldTz = qgetenv("TZ");
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t t20250415 = 1744723000 - 1744723000 % 60; // 2025-04-15 13:16:00 UTC
    EXPECT_EQ(DosDateTimeToTime(0x5A8F6A00), t20250415);
    EXPECT_EQ(TimeToDosDateTime(t20250415), 0x5A8F6A00u);
    EXPECT_EQ(TimeToDosDateTime(t20250415 + 1), 0x5A8F6A01u) << "an odd second rounds up";
    EXPECT_EQ(TimeToDosDateTime(t20250415 + 59), 0x5A8F6A20u) << "rounding up crosses the minute";
    EXPECT_EQ(DosDateTimeToTime(0), std::time_t(315532800)) << "a zero date is 1 January 1980";
    EXPECT_EQ(TimeToDosDateTime(0), 0x00210000u) << "before 1980";
    EXPECT_EQ(DosDateTimeToTime(0x00210000), std::time_t(315532800));
    // Out-of-range fields are clamped, never rejected: month 15, day 0, hour 31.
    EXPECT_EQ(DosDateTimeToTime((45u << 9 | 15u << 5) << 16 | 31u << 11),
              DosDateTimeToTime((45u << 9 | 12u << 5 | 1u) << 16 | 23u << 11));
    if (oldTz.isNull())
        unsetenv("TZ");
    else
        setenv("TZ", oldTz.constData(), 1);
    tzset();
}

TEST(ReaderArgs, EngineVectors)
{
    ZipSettings s;
    s.ZipFileName = QStringLiteral("/tmp/a.zip");
    s.Password = QStringLiteral("pw");
    auto parse = [](const QStringList &vector, ReaderArgs &args) {
        std::vector<QByteArray> texts;
        for (const QString &t : vector)
            texts.push_back(t.toUtf8());
        std::vector<const char *> argv;
        for (const QByteArray &t : texts)
            argv.push_back(t.constData());
        argv.push_back(nullptr);
        return ParseReaderArgs(int(texts.size()), argv.data(), args);
    };

    ReaderArgs a;
    ASSERT_EQ(parse(ListVector(s), a), 0);
    EXPECT_EQ(a.command, ReaderCommand::List);
    EXPECT_EQ(a.archive, "/tmp/a.zip");
    EXPECT_EQ(a.password, "pw");

    s.MultidiskMode = true;
    s.FilesToProcess = {QStringLiteral("*.txt"), QStringLiteral("<*.log"), QStringLiteral(">b")};
    ASSERT_EQ(parse(TestVector(s), a), 0);
    EXPECT_EQ(a.command, ReaderCommand::Test);
    EXPECT_EQ(a.patterns, (std::vector<std::string>{"*.txt", ">b"}));
    EXPECT_EQ(a.excludes, (std::vector<std::string>{"*.log"}));

    s.MultidiskMode = false;
    s.UsePaths = false;
    s.Overwrite = xowNever;
    s.ExtractDirectory = QStringLiteral("/out put");
    s.FilesToProcess = {QStringLiteral("-d"), QStringLiteral("x")};
    ASSERT_EQ(parse(ExtractVector(s, xemFreshen), a), 0);
    EXPECT_EQ(a.command, ReaderCommand::Extract);
    EXPECT_EQ(a.mode, ExtractMode::Freshen);
    EXPECT_EQ(a.overwrite, OverwriteMode::Never);
    EXPECT_TRUE(a.junkPaths);
    EXPECT_EQ(a.destination, "/out put");
    EXPECT_EQ(a.patterns, (std::vector<std::string>{"-d", "x"})) << "a name like an option stays a name";

    s.UsePaths = true;
    s.Overwrite = xowAlways;
    s.ExtractDirectory.clear();
    s.FilesToProcess.clear();
    ASSERT_EQ(parse(ExtractVector(s, xemUpdate), a), 0);
    EXPECT_EQ(a.mode, ExtractMode::Update);
    EXPECT_EQ(a.overwrite, OverwriteMode::Always);
    EXPECT_FALSE(a.junkPaths);
    EXPECT_TRUE(a.destination.empty());
    EXPECT_TRUE(a.patterns.empty());

    const struct {
        const char *name;
        QStringList vector;
    } invalid[] = {
        {"password only", {QStringLiteral("pw")}},
        {"unknown option", {QString(), QStringLiteral("-v"), QStringLiteral("-q"), QStringLiteral("a.zip")}},
        {"list and test", {QString(), QStringLiteral("-v"), QStringLiteral("-t"), QStringLiteral("a.zip")}},
        {"extract option with test", {QString(), QStringLiteral("-t"), QStringLiteral("-j"), QStringLiteral("a.zip")}},
        {"-d without its folder", {QString(), QStringLiteral("a.zip"), QStringLiteral("-d")}},
        {"empty archive name", {QString(), QString()}},
        {"options only", {QString(), QStringLiteral("-10"), QStringLiteral("-2-1")}},
        {"-1 without a number", {QString(), QStringLiteral("-1x"), QStringLiteral("a.zip")}},
    };
    for (const auto &row : invalid) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parse(row.vector, a), TOVO_ZIP_ERR_PARAMETERS);
    }
}

TEST(ZipDirectory, WellFormedArchives)
{
    const BuildEntry a{"a.txt", "alpha"};
    const BuildEntry b{"d/b.txt", QByteArray(3000, 'b'), 8};
    BuildOptions stub;
    stub.prefix = QByteArray(1000, 'M');
    QList<BuildEntry> longNames;
    std::vector<std::string> longNamesRead;
    for (int i = 0; i < 24; ++i) {
        longNames.append(BuildEntry{QByteArray(50000 + i, char('a' + i)), "x"});
        longNamesRead.push_back(std::string(50000 + i, char('a' + i)));
    }
    BuildOptions falseEnd;
    falseEnd.comment = QByteArray("PK\x05\x06", 4) + QByteArray(30, 'z');
    const struct {
        const char *name;
        QByteArray data;
        std::vector<std::string> names;
        std::uint64_t frontShift = 0;
        std::string comment = {};
    } rows[] = {
        {"plain", buildZip({a, b}), {"a.txt", "d/b.txt"}},
        {"a stub in front that the offsets do not count", buildZip({a, b}, stub), {"a.txt", "d/b.txt"}, 1000},
        {"a directory of several pieces, records cut at their edges", buildZip(longNames), longNamesRead},
        {"a comment holding a false end signature", buildZip({a}, falseEnd), {"a.txt"}, 0, bytes(falseEnd.comment)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Opened o(row.data);
        ASSERT_EQ(o.code, 0);
        std::vector<std::string> names;
        for (const ZipEntry &e : o.zip.entries) {
            names.push_back(e.name);
            EXPECT_EQ(CheckEntryData(o.file, e, ""), 0) << e.name;
        }
        EXPECT_EQ(names, row.names);
        EXPECT_EQ(o.zip.frontShift, row.frontShift);
        EXPECT_EQ(o.zip.comment, row.comment);
        EXPECT_TRUE(o.walkChecked);
        o.expectWalkAgrees();
    }
    // The data in another order than the directory's: only the table can
    // check the layout.
    BuildEntry first{"a.txt", "alpha"};
    BuildEntry second{"b.txt", "bravo"};
    first.localOffset = 30 + 5 + 5; // after the first local header and data
    second.localOffset = 0;
    Opened o(buildZip({first, second}));
    ASSERT_EQ(o.code, 0);
    EXPECT_EQ(o.walkCode, 0);
    EXPECT_FALSE(o.walkChecked);
}

TEST(ZipDirectory, EntryFields)
{
    auto unicodePath = [](const QByteArray &raw, const QByteArray &utf8, std::uint32_t crcAdjust) {
        QByteArray f;
        le16(f, 0x7075);
        le16(f, std::uint32_t(5 + utf8.size()));
        f.append(char(1));
        le32(f, tovo::test::crcOf(raw) + crcAdjust);
        return f + utf8;
    };
    QByteArray zip64;
    le16(zip64, 0x0001);
    le16(zip64, 8);
    le32(zip64, 5);
    le32(zip64, 0);
    QByteArray timestamp;
    le16(timestamp, 0x5455);
    le16(timestamp, 5);
    timestamp.append(char(1));
    le32(timestamp, 1600000000);

    BuildEntry unicode{"\x80.txt", "u"};
    unicode.madeBy = 0x0014; // MS-DOS
    unicode.externalAttributes = 0x21;
    unicode.extra = unicodePath("\x80.txt", "\xc3\xbc.txt", 0);
    BuildEntry staleUnicode{"\x80.txt", "u"};
    staleUnicode.extra = unicodePath("\x80.txt", "\xc3\xbc.txt", 1);
    BuildEntry big{"big", "12345"};
    big.size = 0xFFFFFFFF;
    big.extra = zip64 + timestamp;
    BuildEntry readOnly{"ro", "r"};
    readOnly.externalAttributes = 0100444u << 16;
    BuildEntry folder{"dir/", ""};
    folder.externalAttributes = 040755u << 16;
    BuildEntry link{"ln", "target"};
    link.externalAttributes = 0120777u << 16;

    Opened o(buildZip({unicode, staleUnicode, big, readOnly, folder, link}));
    ASSERT_EQ(o.code, 0);
    const auto &e = o.zip.entries;
    EXPECT_EQ(e[0].name, "\u00fc.txt") << "the Unicode path field wins";
    EXPECT_EQ(e[0].dosAttributes(), 0x21);
    EXPECT_EQ(e[1].name, "\u00c7.txt") << "a stale Unicode path field is ignored";
    EXPECT_EQ(e[2].size, 5u);
    EXPECT_EQ(e[2].modificationTime(), std::time_t(1600000000));
    EXPECT_EQ(CheckEntryData(o.file, e[2], ""), 0);
    EXPECT_EQ(e[3].dosAttributes(), 0x01);
    EXPECT_TRUE(e[4].isDirectory());
    EXPECT_EQ(e[4].dosAttributes() & 0x10, 0x10);
    EXPECT_TRUE(e[5].isSymlink());
    EXPECT_FALSE(e[5].isDirectory());
    o.expectWalkAgrees();
}

TEST(ZipDirectory, DamagedAndHostileArchives)
{
    const BuildEntry a{"a.txt", "alpha"};
    const BuildEntry b{"b.txt", "bravo"};
    BuildEntry overlapping{"c.txt", "charlie"};
    overlapping.localOffset = 0;
    BuildEntry pastEnd{"c.txt", "charlie"};
    pastEnd.compressedSize = 100000;
    BuildEntry zip64Missing{"m", "x"};
    zip64Missing.compressedSize = 0xFFFFFFFF;
    BuildEntry runsOn{"a.txt", "alpha"};
    runsOn.compressedSize = 60;
    BuildEntry runsIntoDirectory{"b.txt", "bravo"};
    runsIntoDirectory.compressedSize = 60;
    BuildEntry sameStart{"b.txt", "bravo"};
    sameStart.localOffset = 0;
    BuildEntry farPastEnd{"a.txt", "alpha"};
    farPastEnd.compressedSize = 100000;
    BuildEntry masked{"b.txt", "bravo"};
    masked.flags = 0x2000;
    BuildOptions countLies;
    countLies.entryCount = 3;
    BuildOptions split;
    split.diskNumber = 1;
    const QByteArray good = buildZip({a, b});

    const struct {
        const char *name;
        QByteArray data;
        int code;
    } rows[] = {
        {"empty file", QByteArray(), TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"text", QByteArray("just some text, not an archive\n"), TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"end record cut off", good.left(good.size() - 10), TOVO_ZIP_ERR_EOF},
        {"only the first entry left", good.left(40), TOVO_ZIP_ERR_EOF},
        {"two entries on the same data", buildZip({a, b, overlapping}), TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"data running into the next entry's", buildZip({runsOn, b}), TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"data running into the directory", buildZip({a, runsIntoDirectory}), TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"two entries starting together", buildZip({a, sameStart}), TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"past the end, then an unreadable record", buildZip({farPastEnd, masked}), TOVO_ZIP_ERR_UNSUPPORTED},
        {"compressed size past the end", buildZip({a, pastEnd}), TOVO_ZIP_ERR_EOF},
        {"count says three", buildZip({a, b}, countLies), TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"ZIP64 value missing", buildZip({zip64Missing}), TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"second disk of a set", buildZip({a}, split), TOVO_ZIP_ERR_UNSUPPORTED},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Opened o(row.data);
        EXPECT_EQ(o.code, row.code);
        EXPECT_TRUE(o.zip.entries.empty());
        o.expectWalkAgrees();
    }
}

TEST(ZipDirectory, DeclaredSizesCostNoMemoryBeforeTheyAreRead)
{
    // Sparse files of 3 GiB whose end record declares a directory of nearly
    // that size (with ZIP64, of 60 million entries): one record, then zeros.
    QTemporaryDir dir;
    QProcess python;
    python.setWorkingDirectory(dir.path());
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import struct\n"
                                 "S = 3 << 30\n"
                                 "rec = struct.pack('<I24xH16x', 0x02014b50, 1) + b'x'\n"
                                 "end = lambda n, size: struct.pack('<IIHHIIH', 0x06054b50, 0, n, n, size, 0, 0)\n"
                                 "z64 = struct.pack('<IQ12xQQQQ', 0x06064b50, 44, 60000000, 60000000, S - 200, 0)\n"
                                 "loc = struct.pack('<IIQI', 0x07064b50, 0, S - 98, 1)\n"
                                 "for name, tail in (('classic', end(1, S - 22)),\n"
                                 "                   ('zip64', z64 + loc + end(0xFFFF, 0xFFFFFFFF))):\n"
                                 "    with open(name, 'wb') as f:\n"
                                 "        f.write(rec); f.seek(S - len(tail)); f.write(tail)\n")});
    ASSERT_TRUE(python.waitForFinished(30000) && python.exitCode() == 0) << python.readAllStandardError().constData();
    for (const char *name : {"classic", "zip64"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
        const tovo::test::PeakRun run = tovo::test::RunMeasuringPeak([&] {
            ArchiveFile file;
            ZipDirectory zip;
            return file.open(path) == 0 ? ReadZipDirectory(file, zip) : -1;
        });
        EXPECT_EQ(run.result, TOVO_ZIP_ERR_BAD_ARCHIVE);
        EXPECT_GE(run.growthKiB, 0);
        EXPECT_LT(run.growthKiB, 100 * 1024) << "a declared size is not an allocation";
    }
}

TEST(EntryData, SizesCrcMethodsAndBombs)
{
    const QByteArray text = QByteArray("The quick brown fox. ").repeated(500);
    const QByteArray zeros(4 * 1024 * 1024, '\0');
    ASSERT_GT(zeros.size() / tovo::test::rawDeflate(zeros).size(), 1000) << "zeros must compress beyond 1000:1";

    BuildEntry storedShort{"s", text};
    storedShort.size = std::uint32_t(text.size() - 1);
    BuildEntry deflatedShort{"d", text, 8};
    deflatedShort.size = 100;
    BuildEntry deflatedLong{"d", text, 8};
    deflatedLong.size = std::uint32_t(text.size() + 1);
    BuildEntry badCrc{"c", text, 8};
    badCrc.crc = 0x12345678;
    BuildEntry cut{"t", text, 8};
    cut.transform = [](const QByteArray &p) { return p.left(p.size() / 2); };
    // A few dozen bytes: a single block of fixed codes, decoded another way.
    const QByteArray tiny = QByteArray("contenu 12\n").repeated(4);
    ASSERT_EQ((tovo::test::rawDeflate(tiny)[0] >> 1) & 3, 1) << "tiny data must open with a fixed-code block";
    BuildEntry tinyBadCrc{"c", tiny, 8};
    tinyBadCrc.crc = 0x12345678;
    BuildEntry tinyCut{"t", tiny, 8};
    tinyCut.transform = [](const QByteArray &p) { return p.left(p.size() - 3); };
    BuildEntry tinyShort{"d", tiny, 8};
    tinyShort.size = std::uint32_t(tiny.size() - 1);
    BuildEntry tinyGarbage{"g", tiny, 8};
    tinyGarbage.transform = [](QByteArray p) { return p.left(1) + QByteArray(p.size() - 1, '\xff'); };
    BuildEntry bzip2{"b", text, 12};
    BuildEntry aesWithoutField{"a", text, 99};
    aesWithoutField.flags = 1;
    BuildEntry strong{"g", text, 8};
    strong.flags = 0x41;
    BuildEntry zeroFile{"z", zeros, 8};
    // A declared size no deflate stream could reach from its compressed size.
    const QByteArray pattern = QByteArray("abc").repeated(700000);
    BuildEntry liar{"l", pattern, 8};
    liar.size = std::uint32_t(tovo::test::rawDeflate(pattern).size() * 2000);
    // Local headers that disagree with the central directory (another method:
    // see the reader tests' refused entries).
    BuildEntry otherName{"s", text};
    otherName.localName = "t";
    BuildEntry longLocalExtra{"s", text};
    longLocalExtra.localExtraLength = 40; // its data then runs 40 bytes into the directory
    BuildEntry otherSeparators{"d/s", text};
    otherSeparators.localName = "d\\s";
    const auto encrypt = [crc = tovo::test::crcOf(text)](const QByteArray &payload) {
        // Twelve header bytes, the last one the CRC's high byte.
        QByteArray data = QByteArray("0123456789A") + char(crc >> 24) + payload;
        TraditionalCipher("motdepasse").encrypt(reinterpret_cast<unsigned char *>(data.data()), std::size_t(data.size()));
        return data;
    };
    BuildEntry encryptedStored{"s", text};
    BuildEntry encryptedDeflated{"d", text, 8};
    for (BuildEntry *e : {&encryptedStored, &encryptedDeflated}) {
        e->flags = 1;
        e->transform = encrypt;
    }

    const struct {
        const char *name;
        BuildEntry entry;
        int code;
        std::string password = {};
    } rows[] = {
        {"stored", BuildEntry{"s", text}, 0},
        {"deflated", BuildEntry{"d", text, 8}, 0},
        {"empty deflated", BuildEntry{"e", QByteArray(), 8}, 0},
        {"stored data longer than declared", storedShort, TOVO_ZIP_ERR_TOO_LARGE},
        {"deflated data longer than declared", deflatedShort, TOVO_ZIP_ERR_TOO_LARGE},
        {"deflated data shorter than declared", deflatedLong, TOVO_ZIP_ERR_CRC},
        {"wrong CRC", badCrc, TOVO_ZIP_ERR_CRC},
        {"tiny deflated", BuildEntry{"d", tiny, 8}, 0},
        {"tiny deflated, wrong CRC", tinyBadCrc, TOVO_ZIP_ERR_CRC},
        {"tiny deflate stream cut short", tinyCut, TOVO_ZIP_ERR_CRC},
        {"tiny deflated data longer than declared", tinyShort, TOVO_ZIP_ERR_TOO_LARGE},
        {"tiny deflate stream of garbage", tinyGarbage, TOVO_ZIP_ERR_CRC},
        {"deflate stream cut short", cut, TOVO_ZIP_ERR_CRC},
        {"unsupported method", bzip2, TOVO_ZIP_ERR_METHOD},
        {"AES method without its field", aesWithoutField, TOVO_ZIP_ERR_UNSUPPORTED},
        {"strong encryption", strong, TOVO_ZIP_ERR_UNSUPPORTED},
        {"a file of zeros at deflate's own limit", zeroFile, 0},
        {"declared size beyond any deflate ratio", liar, TOVO_ZIP_ERR_TOO_LARGE},
        {"whole local header counted: data on the next record", longLocalExtra, TOVO_ZIP_ERR_BAD_ARCHIVE},
        {"local header with another name is refused", otherName, TOVO_ZIP_WARN_SKIPPED},
        {"local header with backslash separators", otherSeparators, 0},
        {"encrypted, stored", encryptedStored, 0, "motdepasse"},
        {"encrypted, deflated", encryptedDeflated, 0, "motdepasse"},
        {"encrypted, wrong password", encryptedDeflated, TOVO_ZIP_WARN_PASSWORD, "motdepass"},
        {"encrypted, no password", encryptedStored, TOVO_ZIP_WARN_PASSWORD},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Opened o(buildZip({row.entry}));
        ASSERT_EQ(o.code, 0);
        EXPECT_EQ(CheckEntryData(o.file, o.zip.entries[0], row.password), row.code);
    }
}
