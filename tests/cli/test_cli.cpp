// tovo-cli: what each invocation makes the engine send to the module, the
// refused invocations, and the built program's exit codes and messages.
#include "cli/clirequest.h"
#include "cli/clisession.h"
#include "engine/tzipengine.h"
#include "engine/qtprint.h"
#include "shell/cp1252.h"
#include "shell/labelstore.h"
#include "support/testfiles.h"
#include "ziplib/common/zipnames.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovo;
using tovo::test::readFile;

namespace {

const QString Ext = QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO");

// The program directory of a test run: tovo-cli and the labels file, no module.
class CliProgram {
public:
    CliProgram()
    {
        const QString cli = dir.filePath(QStringLiteral("tovo-cli"));
        ok = QFile::copy(QStringLiteral(TOVO_BIN_DIR "/tovo-cli"), cli) &&
             QFile::setPermissions(cli, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
             QFile::copy(tovo::test::shippedLabelsFile(), dir.filePath(LabelsFileName));
    }

    struct Result {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Result run(const QStringList &arguments)
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(dir.filePath(QStringLiteral("tovo-cli")), arguments);
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir dir;
    bool ok = false;
};

// Label n of the shipped labels file, read on its own.
QString shippedLabel(int n)
{
    const QList<QByteArray> lines = readFile(tovo::test::shippedLabelsFile()).split('\n');
    return fromCp1252(lines.value(n - 1)).trimmed();
}

} // namespace

TEST(CliRequest, EachInvocationSendsItsVector)
{
    QTemporaryDir logDir;
    qputenv("TOVO_FAKE_LOG", QFile::encodeName(logDir.filePath(QStringLiteral("log"))));
    qputenv("TOVO_FAKE_SCRIPT", QFile::encodeName(logDir.filePath(QStringLiteral("none"))));
    TZipEngine engine;
    engine.SetModuleDirectory(QStringLiteral(TOVO_FAKE_MODULE_DIR));

    const struct {
        const char *name;
        QStringList arguments;
        const char *entry;
        QStringList expected;
    } rows[] = {
        {"list", {"list", "a.zip"}, "ziprd", {"", "-v", "-10", "-2-1", "a.zip"}},
        {"list with password", {"list", "a.zip", "-p", "pw"}, "ziprd", {"pw", "-v", "-10", "-2-1", "a.zip"}},
        {"test", {"test", "a.zip"}, "ziprd", {"", "-t", "a.zip"}},
        {"extract, options after the names", {"extract", "a.zip", "x", "-d", "out", "-o", "-j", "y"}, "ziprd",
         {"", "-10", "-2-1", "-j", "-o", "a.zip", "x", "y", "-d", "out"}},
        {"extract never overwriting", {"extract", "a.zip", "-n", "-d", "out"}, "ziprd",
         {"", "-10", "-2-1", "-n", "a.zip", "-d", "out"}},
        {"add with every option", {"add", "a.zip", "-r", "-j", "-3", "-p", "pw", "-m", "f1", "f2"}, "zipwr",
         {"pw", "-e", "-3", "-m", "-r", "-j", "-n", Ext, "-t", "01011980", "a.zip", "-W", "f1", "f2"}},
        {"add keeps paths by default", {"add", "a.zip", "d/f"}, "zipwr",
         {"", "-6", "-n", Ext, "-t", "01011980", "a.zip", "-W", "d/f"}},
        {"freshen without names", {"freshen", "a.zip"}, "zipwr",
         {"", "-f", "-6", "-n", Ext, "-t", "01011980", "a.zip", "-W"}},
        {"delete, -- before a name like an option", {"delete", "a.zip", "n1", "--", "-n2"}, "zipwr",
         {"", "-d", "a.zip", "n1", "-n2"}},
        {"fix", {"fix", "a.zip"}, "zipwr", {"", "-F", "a.zip"}},
        {"fix harder", {"fix", "a.zip", "--harder"}, "zipwr", {"", "-FF", "a.zip"}},
        {"sfx with the stub beside the program", {"sfx", "a.zip", "-p", "pw"}, "zipwr",
         {"pw", "-M", "-Y", "/prog/Zipsfx32.bin", "", "[sfx-record]", "a.zip"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(logDir.filePath(QStringLiteral("log")));
        const CliParseResult parsed = ParseCliArguments(row.arguments, QStringLiteral("/prog/"));
        ASSERT_TRUE(parsed.request) << parsed.error.toStdString();
        EXPECT_EQ(RunCliRequest(engine, *parsed.request), 0);
        const QStringList log = QString::fromUtf8(readFile(logDir.filePath(QStringLiteral("log"))))
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(log.isEmpty());
        EXPECT_TRUE(log.first().startsWith(QStringLiteral("call %1 ").arg(QLatin1String(row.entry))));
        QStringList sent;
        for (const QString &line : log) {
            if (line.startsWith(QLatin1String("arg ")))
                sent << line.mid(4);
        }
        EXPECT_EQ(sent, row.expected);
    }
}

TEST(CliRequest, RefusedInvocations)
{
    const struct {
        const char *name;
        QStringList arguments;
    } rows[] = {
        {"nothing", {}},
        {"unknown command", {"frobnicate", "a.zip"}},
        {"no archive", {"list"}},
        {"option instead of the archive", {"list", "-p", "x"}},
        {"names where none are taken", {"list", "a.zip", "b"}},
        {"option of another command", {"list", "a.zip", "-r"}},
        {"option without its value", {"list", "a.zip", "-p"}},
        {"extract without -d", {"extract", "a.zip", "x"}},
        {"extract with -o and -n", {"extract", "a.zip", "-d", "o", "-o", "-n"}},
        {"add without files", {"add", "a.zip", "-r"}},
        {"delete without names", {"delete", "a.zip"}},
        {"--harder outside fix", {"test", "a.zip", "--harder"}},
        {"two-letter option", {"add", "a.zip", "-10", "f"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const CliParseResult parsed = ParseCliArguments(row.arguments, QStringLiteral("/prog/"));
        EXPECT_FALSE(parsed.request);
        EXPECT_FALSE(parsed.error.isEmpty());
    }
}

TEST(CliRequest, ExitStatusAndListingLine)
{
    const QList<std::pair<int, int>> statuses{{0, 0}, {1, 1}, {99, 1}, {100, 2}, {240, 2}, {-1, 2}};
    for (const auto &[code, status] : statuses)
        EXPECT_EQ(ExitStatusOfCode(code), status) << code;
    EXPECT_EQ(ListingLine(5000000000, 12, QDateTime(QDate(2023, 7, 15), QTime(13, 43, 58)), QStringLiteral("d/é.txt")),
              QStringLiteral("5000000000\t12\t2023-07-15 13:43:58\td/é.txt\n"));

    // Every name printed stays on its line and sends the terminal nothing.
    const struct {
        const char *name;
        QString stored;
        QString printed;
    } names[] = {
        {"plain and accented", QStringLiteral("d/été €.txt"), QStringLiteral("d/été €.txt")},
        {"line break forging a listing line", QStringLiteral("a\n0\t0\t2020-01-01 00:00:00\tfaux"),
         QStringLiteral("a\\n0\\t0\\t2020-01-01 00:00:00\\tfaux")},
        {"carriage return", QStringLiteral("a\rb"), QStringLiteral("a\\rb")},
        {"terminal escape", QStringLiteral("\x1b]0;titre\x07x"), QStringLiteral("\\x1b]0;titre\\x07x")},
        {"NUL, DEL and C1", QString(QChar(0)) + QStringLiteral("\x7f\u0085\u009b"),
         QStringLiteral("\\x00\\x7f\\x85\\x9b")},
        {"Unicode line separators", QStringLiteral("a\u2028b\u2029"), QStringLiteral("a\\u2028b\\u2029")},
        {"a backslash itself", QStringLiteral("a\\n"), QStringLiteral("a\\\\n")},
        {"direction override", QStringLiteral("a\u202eb\u2066"), QStringLiteral("a\\u202eb\\u2066")},
        {"either side of DEL and C1", QStringLiteral("~\u00a0"), QStringLiteral("~\u00a0")},
    };
    for (const auto &row : names) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(EscapedName(row.stored), row.printed);
        // The self-extracting program prints names by the same rule.
        EXPECT_EQ(QString::fromStdString(zip::EscapedForTerminal(row.stored.toStdString())), row.printed);
        EXPECT_EQ(ListingLine(1, 1, QDateTime(QDate(2023, 7, 15), QTime(13, 43, 58)), row.stored).count(QLatin1Char('\n')),
                  1);
    }
}

// The built program, without a module beside it: every failure exits with 2
// and says why on standard error only.
TEST(CliProgramRun, FailuresExitWith2AndSayWhy)
{
    CliProgram program;
    ASSERT_TRUE(program.ok);
    const QString label96 = shippedLabel(96);
    ASSERT_FALSE(label96.isEmpty());
    const struct {
        QStringList arguments;
        QStringList said;
    } rows[] = {
        {{"list", "x.zip"}, {QStringLiteral("240"), label96}},
        {{"add", "x.zip", "f"}, {label96}},
        {{}, {QStringLiteral("Utilisation :")}}, // every refused invocation takes this way
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.arguments.join(QLatin1Char(' ')).toStdString());
        const CliProgram::Result r = program.run(row.arguments);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
        for (const QString &text : row.said)
            EXPECT_TRUE(r.err.contains(text)) << r.err.toStdString();
    }
}
