// The engine against the fake modules: the frame of every command, module
// loading, what reaches the module, every callback and what is written back.
#include "engine/resultcodes.h"
#include "engine/tzipengine.h"
#include "engine/zipvectors.h"
#include "engine/qtprint.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace tovo;
using tovo::test::readFile;
using tovo::test::writeFile;

namespace {

const QString FakeModules = QStringLiteral(TOVO_FAKE_MODULE_DIR);

// One call as the fake module logged it.
struct Call {
    QString head; // "call ENTRY VERSION ARGC"
    QStringList args;
    QStringList sfx;
    QStringList answers;
};

// The bytes as the fake logs them: below 0x20 and "\" as \xHH.
QString escaped(const QByteArray &bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '\\')
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return QString::fromUtf8(out);
}

// A module buffer of size bytes holding content, the rest untouched ('#').
QString buffer(const QByteArray &content, int size)
{
    return escaped(content + QByteArray(size - content.size(), '#'));
}

// One script line: message number and percent-encoded fields.
QString msg(int message, const QList<std::pair<QString, QString>> &fields = {})
{
    QString line = QString::number(message);
    for (const auto &[key, value] : fields)
        line += QLatin1Char(' ') + key + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(value));
    return line;
}

QString attributes(TZipFileAttributes a) { return QStringLiteral("0x%1").arg(a.toInt(), 2, 16, QLatin1Char('0')); }

QString describe(const TZipFileStats &s)
{
    return QStringLiteral("%1 size=%2 csize=%3 done=%4 attr=%5 dt=%6 x32=%7 b=%8,%9,%10 flag=%11 comment=%12")
        .arg(s.FileName)
        .arg(s.Size)
        .arg(s.CompressedSize)
        .arg(s.BytesDone)
        .arg(attributes(s.Attributes))
        .arg(s.DateTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
        .arg(s.Extra32)
        .arg(int(s.ExtraByte1))
        .arg(int(s.ExtraByte2))
        .arg(int(s.ExtraByte3))
        .arg(s.ExtraFlag ? 1 : 0)
        .arg(s.Comment);
}

class EngineTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TZipEngine engine;
    QStringList events;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("TOVO_FAKE_LOG", QFile::encodeName(dir.filePath(QStringLiteral("log"))));
        qputenv("TOVO_FAKE_SCRIPT", QFile::encodeName(dir.filePath(QStringLiteral("script"))));
        engine.SetModuleDirectory(FakeModules);
        engine.ZipFileName = QStringLiteral("a.zip");
    }

    void script(const QStringList &lines)
    {
        ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("script")), lines.join(QLatin1Char('\n')).toUtf8()));
        QFile::remove(dir.filePath(QStringLiteral("log")));
    }

    QList<Call> calls() const
    {
        QList<Call> result;
        const QString log = QString::fromUtf8(readFile(dir.filePath(QStringLiteral("log"))));
        for (const QString &line : log.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("call ")))
                result.append(Call{line, {}, {}, {}});
            else if (result.isEmpty())
                ADD_FAILURE() << "log line before any call: " << line.toStdString();
            else if (line.startsWith(QLatin1String("arg ")))
                result.last().args << line.mid(4);
            else if (line.startsWith(QLatin1String("sfx ")))
                result.last().sfx << line.mid(4);
            else
                result.last().answers << line;
        }
        return result;
    }

    QStringList answers() const
    {
        const QList<Call> c = calls();
        return c.size() == 1 ? c.first().answers : QStringList{QStringLiteral("expected one call")};
    }

    // Every event handler records what it received.
    void recordEvents()
    {
        auto stats = [this](const char *name) {
            return [this, name](TZipEngine *e, const TZipFileStats &s) {
                EXPECT_EQ(e, &engine);
                events << QString::fromLatin1(name) + QLatin1Char(' ') + describe(s);
            };
        };
        auto fileName = [this](const char *name) {
            return [this, name](TZipEngine *, const QString &f) {
                events << QString::fromLatin1(name) + QLatin1Char(' ') + f;
            };
        };
        engine.OnAdding = stats("OnAdding");
        engine.OnExtracting = stats("OnExtracting");
        engine.OnListing = stats("OnListing");
        engine.OnTesting = stats("OnTesting");
        engine.OnUpdating = stats("OnUpdating");
        engine.OnStatus = stats("OnStatus");
        engine.OnDeleting = fileName("OnDeleting");
        engine.OnFixing = fileName("OnFixing");
        engine.OnNewdisk = [this](TZipEngine *, int disk) { events << QStringLiteral("OnNewdisk %1").arg(disk); };
        engine.OnSkippingFile = [this](TZipEngine *, const TZipSkipping &s) {
            events << QStringLiteral("OnSkippingFile %1 %2").arg(s.FileName).arg(int(s.Reason));
        };
        engine.OnGlobalStatus = [this](TZipEngine *, const TZipGlobalStats &g) {
            events << QStringLiteral("OnGlobalStatus %1 %2 %3 %4 %5 %6")
                          .arg(g.Value1).arg(g.Value2).arg(int(g.Byte1)).arg(g.Value3).arg(g.Value4).arg(int(g.Byte2));
        };
    }
};

} // namespace

TEST_F(EngineTest, MultidiskRefusalsAndTheCommonFrame)
{
    struct Row {
        const char *name;
        std::function<int(TZipEngine &)> command;
        std::function<QStringList(const ZipSettings &)> vector; // null: refused
        const char *entry;
    };
    const std::vector<Row> rows{
        {"add", [](TZipEngine &e) { return e.Add(xamAdd); },
         [](const ZipSettings &s) { return AddVector(s, xamAdd); }, "zipwr"},
        {"freshen", [](TZipEngine &e) { return e.Add(xamFreshen); }, nullptr, nullptr},
        {"update", [](TZipEngine &e) { return e.Add(xamUpdate); }, nullptr, nullptr},
        {"convert", [](TZipEngine &e) { return e.ConvertToSfx(); }, nullptr, nullptr},
        {"delete", [](TZipEngine &e) { return e.Delete(); }, nullptr, nullptr},
        {"fix", [](TZipEngine &e) { return e.Fix(false); }, nullptr, nullptr},
        {"fix harder", [](TZipEngine &e) { return e.Fix(true); }, nullptr, nullptr},
        {"extract", [](TZipEngine &e) { return e.Extract(xemExtract); },
         [](const ZipSettings &s) { return ExtractVector(s, xemExtract); }, "ziprd"},
        {"extract freshen", [](TZipEngine &e) { return e.Extract(xemFreshen); }, nullptr, nullptr},
        {"extract update", [](TZipEngine &e) { return e.Extract(xemUpdate); }, nullptr, nullptr},
        {"list", [](TZipEngine &e) { return e.List(); }, [](const ZipSettings &s) { return ListVector(s); },
         "ziprd"},
        {"test", [](TZipEngine &e) { return e.Test(); }, [](const ZipSettings &s) { return TestVector(s); },
         "ziprd"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        script({QStringLiteral("return 7")});
        engine.MultidiskMode = true;
        engine.FilesToProcess = {QStringLiteral("A"), QStringLiteral(">B")};
        const QStringList expected = row.vector ? row.vector(engine) : QStringList();
        engine.Abort = true;
        EXPECT_EQ(row.command(engine), row.vector ? 7 : ResultMultidiskRefused);
        EXPECT_TRUE(engine.FilesToProcess.isEmpty());
        EXPECT_FALSE(engine.Abort);
        const QList<Call> c = calls();
        if (!row.vector) {
            EXPECT_TRUE(c.isEmpty()) << "the module was called";
            continue;
        }
        ASSERT_EQ(c.size(), 1);
        EXPECT_EQ(c[0].head, QStringLiteral("call %1 100 %2").arg(QLatin1String(row.entry)).arg(expected.size()));
        EXPECT_EQ(c[0].args, expected);
    }
}

TEST_F(EngineTest, MissingModuleGives240UntilItIsFound)
{
    QTemporaryDir empty;
    // A module file that lacks its entry counts as missing too.
    QTemporaryDir wrongEntry;
    ASSERT_TRUE(QFile::copy(FakeModules + QStringLiteral("/libziprd.so"),
                            wrongEntry.filePath(QStringLiteral("libzipwr.so"))));
    recordEvents();
    script({msg(1010, {{"name", "x"}})});

    for (const QString &where : {empty.path(), wrongEntry.path()}) {
        SCOPED_TRACE(where.toStdString());
        engine.SetModuleDirectory(where);
        for (int attempt = 0; attempt < 2; ++attempt) {
            engine.FilesToProcess = {QStringLiteral("f")};
            EXPECT_EQ(engine.Add(xamAdd), 240);
            EXPECT_TRUE(engine.LibraryMissing());
            EXPECT_TRUE(engine.FilesToProcess.isEmpty());
        }
    }
    EXPECT_EQ(engine.List(), 240);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_TRUE(calls().isEmpty());

    engine.SetModuleDirectory(FakeModules);
    EXPECT_EQ(engine.Add(xamAdd), 0);
    EXPECT_FALSE(engine.LibraryMissing());
    QList<Call> c = calls();
    ASSERT_EQ(c.size(), 1);
    EXPECT_TRUE(c[0].head.startsWith(QLatin1String("call zipwr 100 ")));
    EXPECT_EQ(events, QStringList({QStringLiteral("OnAdding x size=0 csize=0 done=0 attr=0x00 dt=1980-01-01 "
                                                  "00:00:00 x32=0 b=0,0,0 flag=0 comment=")}));
    script({});
    EXPECT_EQ(engine.List(), 0);
    c = calls();
    ASSERT_EQ(c.size(), 1);
    EXPECT_TRUE(c[0].head.startsWith(QLatin1String("call ziprd 100 ")));
}

TEST_F(EngineTest, ElementsAndSfxRecordReachTheModule)
{
    script({});
    engine.Password = QStringLiteral("mot de passe");
    engine.ZipFileName = QStringLiteral("/tmp/été ça.zip");
    engine.SelfExtracting = true;
    engine.SfxBinary = QStringLiteral("/opt/stub");
    engine.FilesToProcess = {QStringLiteral("dossier/œuvre.txt")};
    engine.SfxText1 = QStringLiteral("un");
    engine.SfxText5 = QStringLiteral("cinq");
    engine.SfxChoice = 2;
    engine.SfxPasswordProtected = false;
    engine.SfxOption4 = true;
    engine.SfxLines1 = {QStringLiteral("l1"), QStringLiteral("l2")};
    engine.SfxIcon = QByteArray("ICO\x01", 4);
    engine.SetSfxMessages(4, QStringLiteral("fin"));
    engine.SetSfxButtons(12, QStringLiteral("Refuser"));
    engine.SetSfxShowMessage(3, false);
    engine.SetSfxShowMessage(4, true);
    QStringList expected = AddVector(engine, xamAdd);
    expected.replace(expected.indexOf(SfxRecordMarker), QStringLiteral("[sfx-record]"));

    QStringList sfx{QStringLiteral("size=ok"),        QStringLiteral("text1=un"),
                    QStringLiteral("text2="),         QStringLiteral("text3="),
                    QStringLiteral("text4="),         QStringLiteral("text5=cinq"),
                    QStringLiteral("lines1=l1\\x0D\\x0Al2\\x0D\\x0A"), QStringLiteral("lines2="),
                    QStringLiteral("switches=2 1 1 0 1 1"), QStringLiteral("show=1 1 1 0 1")};
    auto table = [&](const char *name, int count, const std::function<QString(int)> &text) {
        for (int i = 0; i < count; ++i)
            sfx << QStringLiteral("%1%2=%3").arg(QLatin1String(name)).arg(i).arg(text(i));
    };
    table("messages", 5, [&](int i) { return engine.SfxMessages(i); });
    table("prompts", 7, [&](int i) { return engine.SfxPrompts(i); });
    table("captions", 6, [&](int i) { return engine.SfxCaptions(i); });
    table("buttons", 13, [&](int i) { return engine.SfxButtons(i); });
    sfx << QStringLiteral("icon=ICO\\x01");

    EXPECT_EQ(engine.Add(xamAdd), 0);
    const QList<Call> c = calls();
    ASSERT_EQ(c.size(), 1);
    EXPECT_EQ(c[0].args, expected);
    EXPECT_EQ(c[0].sfx, sfx);
    EXPECT_EQ(c[0].sfx.value(40), QStringLiteral("buttons12=Refuser"));
    EXPECT_EQ(c[0].sfx.value(14), QStringLiteral("messages4=fin"));

    // Outside a table an index reads empty and writes nothing.
    engine.SetSfxButtons(13, QStringLiteral("x"));
    engine.SetSfxPrompts(-1, QStringLiteral("x"));
    EXPECT_EQ(engine.SfxButtons(13), QString());
    EXPECT_EQ(engine.SfxPrompts(-1), QString());
    EXPECT_FALSE(engine.SfxShowMessage(5));
}

TEST_F(EngineTest, EachMessageBecomesItsEvent)
{
    const QString c300(300, QLatin1Char('c'));
    struct Row {
        const char *name;
        QStringList script;
        std::function<void(TZipEngine &)> handlers;
        QStringList events;
        QStringList answers;
    };
    const QString stats80 = msg(80, {{"name", "d/é.txt"}, {"size", "5000000000"}, {"csize", "4294967296"},
                                     {"done", "7"}, {"attr", "0xFF"}, {"dt", QString::number(0x56EF6D7D)},
                                     {"x32", "-5"}, {"b1", "1"}, {"b2", "2"}, {"b3", "255"}, {"flag", "9"},
                                     {"comment", "bonjour"}, {"clen", "3"}});
    const std::vector<Row> rows{
        {"file-stats block converted field by field", {stats80}, nullptr,
         {"OnListing d/é.txt size=5000000000 csize=4294967296 done=7 attr=0x3f dt=2023-07-15 13:43:58 x32=-5 "
          "b=1,2,255 flag=1 comment=bon"},
         {"answer 80 0"}},
        {"each file-stats message raises its own event",
         {msg(50, {{"name", "t"}}), msg(60, {{"name", "e"}}), msg(1000, {{"name", "u"}}),
          msg(1010, {{"name", "a"}}), msg(1030, {{"name", "s"}, {"size", "10"}, {"done", "4"}})},
         nullptr,
         {"OnTesting t size=0 csize=0 done=0 attr=0x00 dt=1980-01-01 00:00:00 x32=0 b=0,0,0 flag=0 comment=",
          "OnExtracting e size=0 csize=0 done=0 attr=0x00 dt=1980-01-01 00:00:00 x32=0 b=0,0,0 flag=0 comment=",
          "OnUpdating u size=0 csize=0 done=0 attr=0x00 dt=1980-01-01 00:00:00 x32=0 b=0,0,0 flag=0 comment=",
          "OnAdding a size=0 csize=0 done=0 attr=0x00 dt=1980-01-01 00:00:00 x32=0 b=0,0,0 flag=0 comment=",
          "OnStatus s size=10 csize=0 done=4 attr=0x00 dt=1980-01-01 00:00:00 x32=0 b=0,0,0 flag=0 comment="},
         {"answer 50 0", "answer 60 0", "answer 1000 0", "answer 1010 0", "answer 1030 0"}},
        {"names, disks, skips and global status",
         {msg(1020, {{"name", "del"}}), msg(1070, {{"name", "fix"}}), msg(110, {{"disk", "3"}}),
          msg(1060, {{"name", "skip"}, {"reason", "4"}}),
          msg(150, {{"v0", "1"}, {"v1", "2"}, {"v2", "3"}, {"v3", "4"}, {"b0", "5"}, {"b1", "6"}})},
         nullptr,
         {"OnDeleting del", "OnFixing fix", "OnNewdisk 3", "OnSkippingFile skip 4", "OnGlobalStatus 1 3 5 2 4 6"},
         {"answer 1020 0", "answer 1070 0", "answer 110 0", "answer 1060 0", "answer 150 0"}},
        {"value, library stats and unknown messages raise nothing",
         {msg(70, {{"value", "42"}}), msg(90, {{"name", "st"}, {"size", "8"}}), msg(999)}, nullptr, {},
         {"answer 70 0", "answer 90 0", "answer 999 0"}},
        {"replace answered", {msg(10, {{"name", "a.txt"}, {"action", "3"}})},
         [](TZipEngine &e) {
             e.OnReplace = [](TZipEngine *, TZipReplace &r) {
                 EXPECT_EQ(r.FileName, QStringLiteral("a.txt"));
                 EXPECT_EQ(r.Action, 3);
                 EXPECT_TRUE(r.NewName.isEmpty());
                 r.NewName = QStringLiteral("b.txt");
                 r.Action = 1;
             };
         },
         {}, {"answer 10 0 action=1 buf=" + buffer(QByteArray("b.txt", 6), 64)}},
        {"replace without a handler writes nothing", {msg(10, {{"name", "a.txt"}, {"action", "3"}})}, nullptr, {},
         {"answer 10 0 action=3 buf=" + buffer("", 64)}},
        {"replace name cut to the buffer between characters",
         {msg(10, {{"name", "a"}, {"bufsize", "4"}}), msg(10, {{"name", "a"}, {"bufsize", "1"}})},
         [](TZipEngine &e) { e.OnReplace = [](TZipEngine *, TZipReplace &r) { r.NewName = QStringLiteral("éé"); }; },
         {}, {"answer 10 0 action=0 buf=" + buffer(QByteArray("\xC3\xA9", 3), 4),
              "answer 10 0 action=0 buf=" + buffer(QByteArray(1, '\0'), 1)}},
        {"rename answered",
         {msg(160, {{"name", "a"}, {"bufsize", "8"}})},
         [](TZipEngine &e) {
             e.OnRename = [](TZipEngine *, TZipRename &r) { r.NewName = r.FileName + QStringLiteral("-2"); };
         },
         {}, {"answer 160 0 buf=" + buffer(QByteArray("a-2", 4), 8)}},
        {"rename without a handler", {msg(160, {{"name", "a"}, {"bufsize", "8"}})}, nullptr, {},
         {"answer 160 0 buf=" + buffer("", 8)}},
        {"file comment cut to 255 characters, no NUL",
         {msg(120, {{"name", "f"}, {"bufsize", "300"}}), msg(120, {{"name", "f"}, {"bufsize", "10"}})},
         [c300](TZipEngine &e) { e.OnFileComment = [c300](TZipEngine *, TZipFileComment &c) { c.Comment = c300; }; },
         {}, {"answer 120 0 len=255 buf=" + buffer(QByteArray(255, 'c'), 300),
              "answer 120 0 len=10 buf=" + buffer(QByteArray(10, 'c'), 10)}},
        {"file comment without a handler", {msg(120, {{"name", "f"}, {"bufsize", "8"}})}, nullptr, {},
         {"answer 120 0 len=48879 buf=" + buffer("", 8)}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        engine.OnReplace = nullptr;
        engine.OnRename = nullptr;
        engine.OnFileComment = nullptr;
        events.clear();
        recordEvents();
        if (row.handlers)
            row.handlers(engine);
        script(row.script);
        EXPECT_EQ(engine.List(), 0);
        EXPECT_EQ(events, row.events);
        EXPECT_EQ(answers(), row.answers);
    }
    EXPECT_EQ(engine.LibraryValue(), 42);
    EXPECT_EQ(engine.LibraryStats().FileName, QStringLiteral("st"));
    EXPECT_EQ(engine.LibraryStats().Size, 8);
}

TEST_F(EngineTest, PasswordQueries)
{
    const QString p81(81, QLatin1Char('p'));
    auto filled = [](const QByteArray &text, int action) {
        return QStringLiteral("answer 100 0 action=%1 buf=").arg(action) +
               buffer(text + QByteArray(1, '\0'), TOVO_ZIP_PASSWORD_BUFFER_SIZE);
    };
    const QString untouched0 = "answer 100 0 action=0 buf=" + buffer("", TOVO_ZIP_PASSWORD_BUFFER_SIZE);
    struct Row {
        const char *name;
        QString password;
        std::function<int(TZipEngine &)> command;
        QStringList script;
        QStringList answers;
    };
    auto test = [](TZipEngine &e) { return e.Test(); };
    auto add = [](TZipEngine &e) { return e.Add(xamAdd); };
    const QString q = msg(100, {{"name", "f"}, {"action", "9"}});
    const std::vector<Row> rows{
        {"reading side: a repeated query gets 0, another message re-arms", "pw", test,
         {q, q, msg(80), q},
         {filled("pw", 2), untouched0, "answer 80 0", filled("pw", 2)}},
        {"writing side answers 5", "pw", add, {q}, {filled("pw", 5)}},
        {"81 characters reach the module as 80", p81, test, {q}, {filled(QByteArray(80, 'p'), 2)}},
        {"a small buffer cuts the password", "secret", test,
         {msg(100, {{"name", "f"}, {"bufsize", "4"}})}, {"answer 100 0 action=2 buf=" + escaped(QByteArray("sec", 4))}},
        {"no password and no handler: nothing written", "", test, {q},
         {"answer 100 0 action=9 buf=" + buffer("", TOVO_ZIP_PASSWORD_BUFFER_SIZE)}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        engine.Password = row.password;
        script(row.script);
        EXPECT_EQ(row.command(engine), 0);
        EXPECT_EQ(answers(), row.answers);
    }

    // With no password the handler answers, cut to 80 characters as well.
    engine.Password.clear();
    engine.OnPwdQuery = [&](TZipEngine *, TZipPwdQuery &query) {
        events << query.FileName + QStringLiteral(" %1").arg(int(query.Action)) + QLatin1Char(' ') + query.Password;
        query.Password = p81;
        query.Action = 7;
    };
    script({q, q});
    EXPECT_EQ(engine.List(), 0);
    EXPECT_EQ(events, QStringList({"f 9 ", "f 9 "}));
    EXPECT_EQ(answers(), QStringList({filled(QByteArray(80, 'p'), 7), filled(QByteArray(80, 'p'), 7)}));
}

TEST_F(EngineTest, UnzipMarkFollowsTheLastCommandThatSetsIt)
{
    engine.Password = QStringLiteral("pw");
    const QString q = msg(100, {{"name", "f"}});
    auto actionOf = [&](const std::function<int()> &command) {
        script({q});
        command();
        return answers().value(0).section(QLatin1Char(' '), 3, 3);
    };
    // List, Delete and Fix keep the mark; a query that starts a command is answered.
    EXPECT_EQ(actionOf([&] { return engine.Test(); }), QStringLiteral("action=2"));
    EXPECT_EQ(actionOf([&] { return engine.List(); }), QStringLiteral("action=2"));
    EXPECT_EQ(actionOf([&] { return engine.Delete(); }), QStringLiteral("action=2"));
    EXPECT_EQ(actionOf([&] { return engine.Add(xamFreshen); }), QStringLiteral("action=5"));
    EXPECT_EQ(actionOf([&] { return engine.List(); }), QStringLiteral("action=5"));
    EXPECT_EQ(actionOf([&] { return engine.Fix(true); }), QStringLiteral("action=5"));
    EXPECT_EQ(actionOf([&] { return engine.Extract(xemExtract); }), QStringLiteral("action=2"));
    EXPECT_EQ(actionOf([&] { return engine.ConvertToSfx(); }), QStringLiteral("action=5"));
}

TEST_F(EngineTest, ArchiveCommentIsRelayedBetweenCommands)
{
    const QString c300(300, QLatin1Char('c'));
    script({msg(130, {{"text", c300}}), msg(130, {{"text", "abcdefgh"}, {"len", "5"}}), msg(130, {{"text", c300}})});
    EXPECT_EQ(engine.List(), 0);
    EXPECT_EQ(ArchiveCommentBuffer(), QString(255, QLatin1Char('c')));

    script({msg(140, {{"bufsize", "300"}}), msg(140, {{"bufsize", "100"}})});
    EXPECT_EQ(engine.Add(xamAdd), 0);
    EXPECT_EQ(answers(), QStringList({"answer 140 0 len=255 filled=1 buf=" + buffer(QByteArray(255, 'c'), 300),
                                      "answer 140 0 len=100 filled=1 buf=" + buffer(QByteArray(100, 'c'), 100)}));

    script({msg(130, {{"text", "abcdefgh"}, {"len", "5"}})});
    EXPECT_EQ(engine.Test(), 0);
    EXPECT_EQ(ArchiveCommentBuffer(), QStringLiteral("abcde"));

    // Any new engine empties the buffer the others share.
    TZipEngine second;
    EXPECT_EQ(ArchiveCommentBuffer(), QString());
    script({msg(140, {{"bufsize", "4"}})});
    EXPECT_EQ(engine.List(), 0);
    EXPECT_EQ(answers(), QStringList({"answer 140 0 len=0 filled=1 buf=" + buffer("", 4)}));
}

TEST_F(EngineTest, AbortMakesEveryAnswerOne)
{
    const QStringList three{msg(80, {{"name", "a"}}), msg(80, {{"name", "b"}}), msg(80, {{"name", "c"}})};
    const QStringList stopAfterB{"answer 80 0", "answer 80 1", "answer 80 1"};

    // Set before the command: cleared before the module is called.
    script(three);
    engine.Abort = true;
    engine.List();
    EXPECT_EQ(answers(), QStringList({"answer 80 0", "answer 80 0", "answer 80 0"}));

    // Set by a handler: that message and every later one answer 1.
    engine.OnListing = [](TZipEngine *e, const TZipFileStats &s) {
        if (s.FileName == QLatin1String("b"))
            e->Abort = true;
    };
    script(three);
    engine.List();
    EXPECT_EQ(answers(), stopAfterB);
    EXPECT_FALSE(engine.Abort);

    // Set by an event dispatched inside the callback (the interrupt dialog):
    // posted while "a" is handled, it runs before "b".
    engine.DispatchInterval = 0;
    engine.OnListing = [](TZipEngine *e, const TZipFileStats &s) {
        if (s.FileName == QLatin1String("a"))
            QMetaObject::invokeMethod(e, [e] { e->Abort = true; }, Qt::QueuedConnection);
    };
    script(three);
    engine.List();
    EXPECT_EQ(answers(), stopAfterB);
    EXPECT_FALSE(engine.Abort);

    // However seldom the loop runs, a click pending before the command is seen at once.
    engine.DispatchInterval = 60000;
    engine.OnListing = nullptr;
    QMetaObject::invokeMethod(&engine, [e = &engine] { e->Abort = true; }, Qt::QueuedConnection);
    script(three);
    engine.List();
    EXPECT_EQ(answers(), QStringList({"answer 80 1", "answer 80 1", "answer 80 1"}));
}

TEST_F(EngineTest, HandlerExceptionStopsTheModuleAndIsRethrown)
{
    int listed = 0;
    engine.OnListing = [&](TZipEngine *, const TZipFileStats &) {
        if (++listed == 1)
            throw std::runtime_error("handler failed");
    };
    script({msg(80), msg(80), QStringLiteral("return 370")});
    engine.FilesToProcess = {QStringLiteral("x")};
    EXPECT_THROW(engine.List(), std::runtime_error);
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(answers(), QStringList({"answer 80 1", "answer 80 1"}));
    EXPECT_TRUE(engine.FilesToProcess.isEmpty());
    EXPECT_FALSE(engine.Abort);

    // The next command runs normally.
    script({msg(80)});
    EXPECT_EQ(engine.List(), 0);
    EXPECT_EQ(answers(), QStringList({"answer 80 0"}));
}

TEST(EngineConversions, DosDateTime)
{
    auto dos = [](int y, int mo, int d, int h, int mi, int s2) {
        return std::uint32_t(((y - 1980) << 25) | (mo << 21) | (d << 16) | (h << 11) | (mi << 5) | s2);
    };
    const QDateTime fallback(QDate(1980, 1, 1), QTime(0, 0));
    const struct {
        const char *name;
        std::uint32_t value;
        QDateTime expected;
    } rows[] = {
        {"zero", 0, fallback},
        {"last representable", dos(2107, 12, 31, 23, 59, 29), QDateTime(QDate(2107, 12, 31), QTime(23, 59, 58))},
        {"leap day", dos(2000, 2, 29, 0, 0, 0), QDateTime(QDate(2000, 2, 29), QTime(0, 0))},
        {"no leap day in 2100", dos(2100, 2, 29, 0, 0, 0), fallback},
        {"31 April", dos(2023, 4, 31, 12, 0, 0), fallback},
        {"month 13", dos(2023, 13, 1, 12, 0, 0), fallback},
        {"month 0", dos(2023, 0, 1, 12, 0, 0), fallback},
        {"day 0", dos(2023, 1, 0, 12, 0, 0), fallback},
        {"hour 24", dos(2023, 1, 1, 24, 0, 0), fallback},
        {"minute 60", dos(2023, 1, 1, 1, 60, 0), fallback},
        {"second 60", dos(2023, 1, 1, 1, 0, 30), fallback},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DosDateTimeToDateTime(row.value), row.expected);
    }
}

TEST(ResultCodes, EveryMappedCodeHasItsOwnLabel)
{
    const QList<int> codes{10,  30,  40,  50,  100, 110, 120, 130, 140, 150, 160, 180, 190, 200, 210, 240, 250, 280,
                           290, 300, 310, 350, 370, 380, 400, 410, 420, 430, 440, 450, 460, 470, 490, 500, 510};
    QList<int> labels;
    for (int code : codes)
        labels << LabelOfResultCode(code);
    QList<int> expected;
    for (int label = 81; label <= 115; ++label)
        expected << label;
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(LabelOfResultCode(320), 116); // the archive is being written by another process
    for (int code : {0, 1, 20, 423, 520, -1})
        EXPECT_EQ(LabelOfResultCode(code), 272) << code;
}
