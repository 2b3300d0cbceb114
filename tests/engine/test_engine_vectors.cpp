// The argument vector of every command, compared whole, element by element.
#include "engine/zipvectors.h"
#include "engine/qtprint.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tovo;

namespace {

const QString M = SfxRecordMarker;
const QString Ext = QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO");

struct Row {
    const char *name;
    std::function<void(ZipSettings &)> setup;
    std::function<QStringList(const ZipSettings &)> build;
    QStringList expected;
};

void checkRows(const std::vector<Row> &rows)
{
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ZipSettings s;
        s.ZipFileName = QStringLiteral("a.zip");
        if (row.setup)
            row.setup(s);
        EXPECT_EQ(row.build(s), row.expected);
    }
}

auto add(TZipAddMode mode)
{
    return [mode](const ZipSettings &s) { return AddVector(s, mode); };
}

auto extract(TZipExtractMode mode)
{
    return [mode](const ZipSettings &s) { return ExtractVector(s, mode); };
}

const QStringList plainIncludeExclude{QStringLiteral("A"), QStringLiteral(">B"), QStringLiteral("<C")};

// Every switch of the Add family on, multi-disk mode apart.
void everySwitch(ZipSettings &s)
{
    s.Password = QStringLiteral("pw");
    s.Compression = 9;
    s.MoveFiles = true;
    s.IncludeHiddenFiles = true;
    s.IncludeDirectoryEntries = true;
    s.IncludeVolumeLabel = true;
    s.Recurse = true;
    s.SelfExtracting = true;
    s.SfxBinary = QStringLiteral("/p/stub");
    s.SfxArgument = QStringLiteral("arg");
    s.UseTempFile = false;
    s.TempPath = QStringLiteral("/tmp/w");
    s.StoredExtensions = QStringLiteral(".GZ");
    s.ClearDisks = true;
    s.DateFilter = QDateTime(QDate(2023, 7, 5), QTime(10, 30));
    s.FilesToProcess = plainIncludeExclude;
}

} // namespace

TEST(ZipVectors, AddFamily)
{
    const QStringList tail{QStringLiteral("-t"), QStringLiteral("05072023"), QStringLiteral("a.zip"),
                           QStringLiteral("-W"), QStringLiteral("A"), QStringLiteral("-i"), QStringLiteral("B"),
                           QStringLiteral("-x"), QStringLiteral("C")};
    const QStringList sfxAndTemp{QStringLiteral("-Y"), QStringLiteral("/p/stub"), QStringLiteral("arg"), M,
                                 QStringLiteral("-g"), QStringLiteral("-b"), QStringLiteral("/tmp/w"),
                                 QStringLiteral("-n"), QStringLiteral(".GZ")};
    checkRows({
        {"new engine", nullptr, add(xamAdd),
         {"", "-6", "-n", Ext, "-t", "01011980", "a.zip", "-W"}},
        {"every switch, add", everySwitch, add(xamAdd),
         QStringList{"pw", "-e", "-9", "-m", "-S", "-D", "-$", "-r"} + sfxAndTemp + QStringList{"-&"} + tail},
        {"every switch, freshen: no -S, -D, -$", everySwitch, add(xamFreshen),
         QStringList{"pw", "-f", "-e", "-9", "-m", "-r"} + sfxAndTemp + QStringList{"-&"} + tail},
        {"every switch, update: -S and -D, no -$", everySwitch, add(xamUpdate),
         QStringList{"pw", "-u", "-e", "-9", "-m", "-S", "-D", "-r"} + sfxAndTemp + QStringList{"-&"} + tail},
        {"multi-disk add carries -! after the stored extensions",
         [](ZipSettings &s) { s.MultidiskMode = true; }, add(xamAdd),
         {"", "-6", "-n", Ext, "-!", "-t", "01011980", "a.zip", "-W"}},
        {"directory entries need paths: -j and no -D",
         [](ZipSettings &s) {
             s.UsePaths = false;
             s.IncludeDirectoryEntries = true;
             s.StoredExtensions.clear();
             s.Compression = 0;
         },
         add(xamAdd), {"", "-0", "-j", "-t", "01011980", "a.zip", "-W"}},
        {"out-of-range level is clamped", [](ZipSettings &s) { s.Compression = 12; }, add(xamAdd),
         {"", "-9", "-n", Ext, "-t", "01011980", "a.zip", "-W"}},
        {"only include and exclude lines: no file list",
         [](ZipSettings &s) { s.FilesToProcess = {">B", "<C"}; }, add(xamAdd),
         {"", "-6", "-n", Ext, "-t", "01011980", "a.zip", "-W"}},
        {"empty lines skipped, list order kept",
         [](ZipSettings &s) { s.FilesToProcess = {"", "A", "", ">B", "C", "<D", ">E"}; }, add(xamAdd),
         {"", "-6", "-n", Ext, "-t", "01011980", "a.zip", "-W", "A", "C", "-i", "B", "E", "-x", "D"}},
    });
}

TEST(ZipVectors, ConvertDeleteFix)
{
    auto convert = [](const ZipSettings &s) { return ConvertToSfxVector(s); };
    auto del = [](const ZipSettings &s) { return DeleteVector(s); };
    checkRows({
        {"convert, new engine", nullptr, convert, {"", "-M", "-Y", "", "", M, "a.zip"}},
        {"convert ignores the file list but keeps -g and -b", everySwitch, convert,
         {"pw", "-M", "-Y", "/p/stub", "arg", M, "-g", "-b", "/tmp/w", "a.zip"}},
        {"delete, new engine", nullptr, del, {"", "-d", "a.zip"}},
        {"delete with temp path, includes and excludes", everySwitch, del,
         {"pw", "-d", "-b", "/tmp/w", "a.zip", "A", "-i", "B", "-x", "C"}},
        {"fix", everySwitch, [](const ZipSettings &s) { return FixVector(s, false); }, {"pw", "-F", "a.zip"}},
        {"fix harder", nullptr, [](const ZipSettings &s) { return FixVector(s, true); }, {"", "-FF", "a.zip"}},
    });
}

TEST(ZipVectors, ReadingSide)
{
    auto list = [](const ZipSettings &s) { return ListVector(s); };
    auto test = [](const ZipSettings &s) { return TestVector(s); };
    auto everything = [](ZipSettings &s) {
        s.Password = QStringLiteral("pw");
        s.UsePaths = false;
        s.MultidiskMode = true;
        s.Overwrite = xowNever;
        s.FilesToProcess = plainIncludeExclude;
        s.ExtractDirectory = QStringLiteral("/out");
        s.UnzipParam1 = 3;
        s.UnzipParam2 = 7;
    };
    checkRows({
        {"extract, new engine", nullptr, extract(xemExtract), {"", "-10", "-2-1", "a.zip"}},
        {"extract freshen", nullptr, extract(xemFreshen), {"", "-f", "-10", "-2-1", "a.zip"}},
        {"extract update", nullptr, extract(xemUpdate), {"", "-u", "-10", "-2-1", "a.zip"}},
        {"extract: > stays a plain name, directory after the list", everything, extract(xemExtract),
         {"pw", "-13", "-27", "-j", "-!", "-n", "a.zip", "A", ">B", "-x", "C", "-d", "/out"}},
        {"extract overwriting",
         [](ZipSettings &s) { s.Overwrite = xowAlways; }, extract(xemExtract),
         {"", "-10", "-2-1", "-o", "a.zip"}},
        {"extract with only an exclude line",
         [](ZipSettings &s) { s.FilesToProcess = {"<C"}; }, extract(xemExtract),
         {"", "-10", "-2-1", "a.zip"}},
        {"list, new engine", nullptr, list, {"", "-v", "-10", "-2-1", "a.zip"}},
        {"list with everything", everything, list,
         {"pw", "-v", "-13", "-27", "-!", "a.zip", "A", ">B", "-x", "C"}},
        {"test, new engine", nullptr, test, {"", "-t", "a.zip"}},
        {"test with everything: -! before -t", everything, test,
         {"pw", "-!", "-t", "a.zip", "A", ">B", "-x", "C"}},
    });
}
