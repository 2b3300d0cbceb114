// Self-extracting programs: made by the writing module from real archives,
// read back by independent tools, and run as a user on a terminal and as a
// script would run them.
#include "engine/sfxcreation.h"
#include "ziplib_writer/writertest.h"

#include <QMap>
#include <QProcessEnvironment>

#include <sys/stat.h>

using namespace tovo;
using namespace tovo::test;

namespace {

const QString Caption = QStringLiteral("Archive auto-extractible cr\u00e9\u00e9e avec Tovo v4.4");
const QByteArray Absent; // a null array: the file must not exist

// Files and folders below root: relative path (folders end with "/") to
// content.
QMap<QString, QByteArray> treeOf(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir())
            tree.insert(rel + QLatin1Char('/'), QByteArray(""));
        else
            tree.insert(rel, readFile(path));
    }
    return tree;
}

struct ProgramRun {
    int exit = -1;
    QString out; // the terminal's transcript, or standard output
    QString err;
    QString failure; // the run itself went wrong
};

// Runs program without a terminal and without a display, unless env sets one.
ProgramRun runPlain(const QString &program, const QStringList &args, const QString &cwd, const QStringList &env = {})
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "TOVO_SFX_IN_TERMINAL"})
        e.remove(QLatin1String(name));
    for (const QString &pair : env)
        e.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.setProcessEnvironment(e);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return {-1, {}, {}, QStringLiteral("did not end")};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError()), {}};
}

// What the terminal shows, then what the user types.
struct Step {
    const char *shown;
    const char *typed;
};

// Runs program on a pseudo-terminal, answering each step (see ptyrun.py).
ProgramRun runOnTerminal(const QString &program, const QStringList &args, const QString &cwd, const std::vector<Step> &steps)
{
    QJsonArray stepArray;
    for (const Step &s : steps)
        stepArray.append(QJsonArray{QString::fromUtf8(s.shown), QString::fromUtf8(s.typed)});
    const QJsonObject config{{QStringLiteral("program"), program},
                             {QStringLiteral("args"), QJsonArray::fromStringList(args)},
                             {QStringLiteral("cwd"), cwd},
                             {QStringLiteral("steps"), stepArray},
                             {QStringLiteral("unset"), QJsonArray{QStringLiteral("DISPLAY"),
                                                                  QStringLiteral("WAYLAND_DISPLAY"),
                                                                  QStringLiteral("TOVO_SFX_IN_TERMINAL")}}};
    QProcess p;
    p.start(QStringLiteral("python3"), {QStringLiteral(TOVO_SFX_TEST_DIR "/ptyrun.py")});
    p.write(QJsonDocument(config).toJson());
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        return {-1, {}, {}, QStringLiteral("ptyrun did not end")};
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    if (o.isEmpty())
        return {-1, {}, {}, QString::fromUtf8(p.readAllStandardError())};
    return {o.value(QStringLiteral("exit")).toInt(-1), o.value(QStringLiteral("transcript")).toString(), {},
            o.value(QStringLiteral("error")).toString()};
}

// Makes the program of archive with Tovo's settings, then setup's.
int convert(const QString &archive, const QString &password = QString(),
            const std::function<void(TZipEngine &)> &setup = {})
{
    TZipEngine engine;
    engine.SetModuleDirectory(QStringLiteral(TOVO_BIN_DIR));
    engine.ZipFileName = archive;
    engine.Password = password;
    ApplyTovoSfxSettings(engine, QStringLiteral(TOVO_BIN_DIR), !password.isEmpty(), Caption);
    if (setup)
        setup(engine);
    return engine.ConvertToSfx();
}

void expectFiles(const QString &dir, const QMap<QString, QByteArray> &files)
{
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (it.value().isNull()) {
            EXPECT_FALSE(QFileInfo::exists(dir + QLatin1Char('/') + it.key())) << it.key().toStdString();
        } else {
            EXPECT_EQ(readFile(dir + QLatin1Char('/') + it.key()), it.value()) << it.key().toStdString();
        }
    }
}

void expectShown(const QString &text, const QStringList &shown, const QStringList &notShown)
{
    for (const QString &s : shown)
        EXPECT_TRUE(text.contains(s)) << "missing: " << s.toStdString() << "\nin:\n" << text.toStdString();
    for (const QString &s : notShown)
        EXPECT_FALSE(text.contains(s)) << "unexpected: " << s.toStdString() << "\nin:\n" << text.toStdString();
}

// A source tree with nested folders, an empty file, a name stored in code
// page 850 and a traditionally encrypted entry, and its archive made by
// Info-ZIP zip (with Python's zipfile adding the CP850 name).
class SfxTest : public ::testing::Test {
protected:
    Workspace ws;
    QString source; // the archive

    void SetUp() override
    {
        ws.file(QStringLiteral("src/docs/notes/deep.txt"), "profond\n");
        ws.file(QStringLiteral("src/vide.txt"), "");
        ws.file(QStringLiteral("src/secret.txt"), "cach\xc3\xa9\n");
        ws.file(QStringLiteral("src/caf\u00e9.txt"), "caf\xc3\xa9\n");
        source = ws.path(QStringLiteral("source.zip"));
        const QString src = ws.path(QStringLiteral("src"));
        const auto succeeds = [&](const char *program, const QStringList &args) {
            return runTool(QString::fromLatin1(program), args, src).exitCode == 0;
        };
        ASSERT_TRUE(succeeds("zip", {"-qr", source, "docs", "vide.txt"}));
        // The wrong passwords the tests type must be refused by the password
        // check itself.
        bool refused = false;
        for (int attempt = 0; attempt < 20 && !refused; ++attempt) {
            ASSERT_TRUE(succeeds("zip", {"-q", "-P", "secret", source, "secret.txt"}));
            refused = checkRefuses(source, {"a", "b", "c", "faux"});
        }
        ASSERT_TRUE(refused);
        // zipfile stores a name it can encode in code page 437 that way,
        // without the UTF-8 flag ("é" is the same byte in 437 and 850).
        ASSERT_TRUE(succeeds("python3", {"-c",
                                         "import zipfile,sys\n"
                                         "with zipfile.ZipFile(sys.argv[1],'a') as z:\n"
                                         "    z.write(sys.argv[2], 'caf\\u00e9.txt')\n",
                                         source, QStringLiteral("caf\u00e9.txt")}));
    }

    QMap<QString, QByteArray> sourceTree() const { return treeOf(ws.path(QStringLiteral("src"))); }

    // A folder of its own with the program of the source archive.
    QString programIn(const QString &folder, const QString &password, const std::function<void(TZipEngine &)> &setup)
    {
        QDir().mkpath(ws.path(folder));
        const QString archive = ws.path(folder + QStringLiteral("/a.zip"));
        EXPECT_TRUE(QFile::copy(source, archive));
        EXPECT_EQ(convert(archive, password, setup), 0);
        return ws.path(folder + QStringLiteral("/a.EXE"));
    }
};

} // namespace

TEST_F(SfxTest, ProgramsReadAsTheirArchivesEverywhere)
{
    const QString src = ws.path(QStringLiteral("src"));
    const struct {
        const char *name;
        std::function<QString()> make; // the archive to convert
        QString password;
        bool aes; // unzip and zipfile only list it
    } rows[] = {
        {"Info-ZIP archive with an encrypted entry and a CP850 name", [&] { return source; }, "secret", false},
        {"ZIP64 end records and an archive comment",
         [&] {
             const QString a = ws.path(QStringLiteral("zip64.zip"));
             runTool(QStringLiteral("zip"), {QStringLiteral("-qr"), QStringLiteral("-fz"), a, QStringLiteral(".")}, src);
             QProcess p;
             p.setWorkingDirectory(src);
             p.start(QStringLiteral("zip"), {QStringLiteral("-qz"), a});
             p.write("un commentaire\n");
             p.closeWriteChannel();
             p.waitForFinished();
             return a;
         }, "", false},
        {"AES-256 entries made by 7z",
         [&] {
             const QString a = ws.path(QStringLiteral("aes.zip"));
             runTool(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mem=AES256"),
                                            QStringLiteral("-psecret"), a, QStringLiteral(".")},
                     src);
             return a;
         },
         "secret", true},
        {"a program made into a program again: the old stub is left out",
         [&] {
             const QString a = ws.path(QStringLiteral("again.zip"));
             EXPECT_EQ(convert(source), 0);
             QFile::rename(ws.path(QStringLiteral("source.EXE")), a);
             return a;
         },
         "secret", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString archive = row.make();
        const QByteArray before = readFile(archive);
        ASSERT_FALSE(before.isEmpty());
        ASSERT_EQ(convert(archive, row.password), 0);
        const QString program = archive.left(archive.size() - 3) + QStringLiteral("EXE");
        EXPECT_EQ(readFile(archive), before) << "the archive is never changed";
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(program).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0755u);
        // The stub (and the settings) stand in front of the archive once.
        EXPECT_LT(QFileInfo(program).size(), QFileInfo(QStringLiteral(TOVO_BIN_DIR "/Zipsfx32.bin")).size() +
                                                 before.size() + 4096);

        const QString pw = row.password;
        const ToolRun unzip = runTool(
            QStringLiteral("unzip"),
            {row.aes ? QStringLiteral("-lq") : QStringLiteral("-tq"), QStringLiteral("-P"), pw, program}, ws.path());
        EXPECT_EQ(unzip.exitCode, 0) << unzip.out.toStdString();
        const ToolRun seven = runTool(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-p") + pw, program},
                                      ws.path());
        EXPECT_EQ(seven.exitCode, 0) << seven.out.toStdString();
        const PeerView python = readWithPython(program, pw);
        EXPECT_TRUE(python.error.isEmpty()) << python.error.toStdString();
        if (!row.aes) {
            EXPECT_TRUE(python.bad.isEmpty()) << python.bad.toStdString();
        }
        const ToolRun bsdtar = runTool(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), program}, ws.path());
        EXPECT_EQ(bsdtar.exitCode, 0) << bsdtar.out.toStdString();
        EXPECT_TRUE(bsdtar.out.contains("docs/notes/deep.txt")) << bsdtar.out.toStdString();
        RecordingEngine ours;
        ours.engine.ZipFileName = program;
        ours.engine.Password = pw;
        EXPECT_EQ(ours.engine.Test(), 0);

        // And the program extracts the same tree.
        const QString out = program + QStringLiteral(".out");
        const ProgramRun run = runPlain(program, {QStringLiteral("-d"), out, QStringLiteral("-o"), QStringLiteral("-p"), pw},
                                 ws.path());
        EXPECT_EQ(run.exit, 0) << run.err.toStdString();
        EXPECT_EQ(treeOf(out), sourceTree());
    }

    // Nothing but the C library and the loader.
    const ToolRun ldd = runTool(QStringLiteral("ldd"), {QStringLiteral(TOVO_BIN_DIR "/Zipsfx32.bin")}, ws.path());
    ASSERT_EQ(ldd.exitCode, 0);
    const QStringList libraries = QString::fromUtf8(ldd.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(libraries.size(), 3) << ldd.out.toStdString();
    for (const QString &line : libraries)
        EXPECT_TRUE(line.contains("linux-vdso") || line.contains("libc.so.6") || line.contains("ld-linux"))
            << line.toStdString();
}

TEST_F(SfxTest, TalksOnTheTerminal)
{
    const QByteArray old = "ancien";
    const auto protect = [](TZipEngine &e) { e.SfxPasswordProtected = true; };
    const struct {
        const char *name;
        std::function<void(TZipEngine &)> settings; // on top of Tovo's
        QStringList args;
        QMap<QString, QByteArray> before; // in the working folder
        std::vector<Step> steps;
        int exit;
        QString wholeTreeIn; // a folder that must hold the source tree
        QMap<QString, QByteArray> after;
        QStringList shown;
        QStringList notShown;
    } rows[] = {
        {"Tovo's program: the French questions, then the tree", protect, {}, {},
         {{"Annuler) ", "sortie\n"}, {"Mot de passe:", "secret\n"}, {"Faut-il le cr\u00e9er?", "o\n"}}, 0, "sortie",
         {},
         {Caption, "Choisissez le r\u00e9pertoire d'extraction:", "n'existe pas. Faut-il le cr\u00e9er?",
          "[O]ui / [N]on ?", "R\u00e9pertoire d'extraction: ", "Extraction du fichier : docs/notes/deep.txt",
          "Extraction du fichier : caf\u00e9.txt", "Progression: 100 %", "Fichiers correctement extraits."},
         {"secret\n"}},
        {"-d, -o and -p: no question at all", protect,
         {"-d", "sortie", "-o", "-p", "secret"},
         {{"sortie/vide.txt", old}}, {}, 0, "sortie", {},
         {"Fichiers correctement extraits."},
         {"[O]ui", "Annuler)", "Mot de passe:"}},
        {"existing files: Non, then Tous", {},
         {"-d", "sortie", "-p", "secret"},
         {{"sortie/docs/notes/deep.txt", old}, {"sortie/vide.txt", old}, {"sortie/caf\u00e9.txt", old}},
         {{"Faut-il le remplacer?", "n\n"}, {"Faut-il le remplacer?", "u\n"}}, 0, {},
         {{"sortie/docs/notes/deep.txt", old}, {"sortie/vide.txt", ""}, {"sortie/caf\u00e9.txt", "caf\xc3\xa9\n"}},
         {"Le fichier 'docs/notes/deep.txt' Existe d\u00e9j\u00e0. Faut-il le remplacer?",
          "[O]ui / [N]on / To[u]s / [A]ucun ?"},
         {"Le fichier 'caf\u00e9.txt'"}},
        {"existing files: Aucun", {},
         {"-d", "sortie", "-p", "secret"},
         {{"sortie/docs/notes/deep.txt", old}, {"sortie/vide.txt", old}},
         {{"Faut-il le remplacer?", "a\n"}}, 0, {},
         {{"sortie/docs/notes/deep.txt", old}, {"sortie/vide.txt", old}, {"sortie/secret.txt", "cach\xc3\xa9\n"}}, {},
         {"Le fichier 'vide.txt'"}},
        {"Ctrl+C, then Oui: stopped with nothing written, message 4",
         [](TZipEngine &e) {
             e.SetSfxShowMessage(4, true);
             e.SetSfxMessages(4, QStringLiteral("Abandonn\u00e9."));
         }, {}, {},
         {{"Annuler) ", "\x03"}, {"abandonner?", "o\n"}}, 2, {},
         {{"vide.txt", Absent}},
         {"\u00cates-vous certain(e) de vouloir abandonner?", "Abandonn\u00e9."},
         {"Extraction du fichier"}},
        {"Ctrl+C, then Non: the question again; a password for the entry that needs it", {}, {}, {},
         {{"Annuler) ", "\x03"},
          {"abandonner?", "n\n"},
          {"Annuler) ", "sortie\n"},
          {"Faut-il le cr\u00e9er?", "o\n"},
          {"Mot de passe: [ secret.txt ]", "secret\n"}}, 0, "sortie", {},
         {"Fichiers correctement extraits."}, {}},
        {"an entry's password left empty: skipped, message 1 with its code",
         [](TZipEngine &e) { e.SetSfxMessages(1, QStringLiteral("Erreur %e.")); },
         {"-d", "sortie"}, {},
         {{"Mot de passe: [ secret.txt ]", "\n"}}, 1, {},
         {{"sortie/secret.txt", Absent}, {"sortie/vide.txt", ""}},
         {"Fichier ignor\u00e9 (mot de passe absent ou incorrect) : secret.txt", "Erreur 40."},
         {"Fichiers correctement extraits."}},
        {"protected: three wrong passwords, nothing written", protect, {}, {},
         {{"Annuler) ", "sortie\n"}, {"Mot de passe:", "a\n"}, {"Mot de passe:", "b\n"}, {"Mot de passe:", "c\n"}}, 2,
         {},
         {{"sortie", Absent}},
         {"Mot de passe incorrect.", "rien n\u2019a \u00e9t\u00e9 extrait"}, {}},
        {"licence (lines1) with its question (text5), refused",
         [](TZipEngine &e) {
             e.SfxLines1 = QStringList{QStringLiteral("Licence, ligne 1"), QStringLiteral("ligne 2")};
             e.SfxText5 = QStringLiteral("Acceptez-vous la licence ?");
         },
         {"-p", "secret"}, {},
         {{"[R]efuser ?", "r\n"}}, 1, {},
         {{"vide.txt", Absent}},
         {"Licence, ligne 1\nligne 2\n", "Acceptez-vous la licence ?\n[A]ccepter / [R]efuser ?"},
         {"Choisissez"}},
        {"welcome (message 3), description (text4), licence accepted, closing text (lines2)",
         [](TZipEngine &e) {
             e.SetSfxShowMessage(3, true);
             e.SetSfxMessages(3, QStringLiteral("Bienvenue !"));
             e.SfxText4 = QStringLiteral("Photos 2024");
             e.SfxLines1 = QStringList{QStringLiteral("Licence")};
             e.SfxLines2 = QStringList{QStringLiteral("Lisez LISEZMOI.")};
         },
         {"-d", "sortie", "-p", "secret"}, {},
         {{"[P]oursuivre / [S]ortir ?", "p\n"}, {"[R]efuser ?", "a\n"}}, 0, "sortie", {},
         {Caption + "\nPhotos 2024\nBienvenue !", "Fichiers correctement extraits.\nLisez LISEZMOI."}, {}},
        {"proposed destination (text1) asked and taken with Enter",
         [](TZipEngine &e) { e.SfxText1 = QStringLiteral("pr\u00e9vu"); },
         {"-p", "secret"}, {},
         {{"pr\u00e9vu] (Entr\u00e9e", "\n"}, {"Faut-il le cr\u00e9er?", "o\n"}}, 0, "pr\u00e9vu", {}, {}, {}},
        {"option1 and option2 off, option4 on: the proposed folder made without a question, no folders",
         [](TZipEngine &e) {
             e.SfxText1 = QStringLiteral("dossier/pr\u00e9vu");
             e.SfxOption1 = false;
             e.SfxOption2 = false;
             e.SfxOption4 = true;
         },
         {"-p", "secret"}, {}, {}, 0, {},
         {{"dossier/pr\u00e9vu/deep.txt", "profond\n"}, {"dossier/pr\u00e9vu/docs", Absent}},
         {"Fichiers correctement extraits."},
         {"[O]ui", "Choisissez"}},
        {"choice 1: existing files kept without a question",
         [](TZipEngine &e) { e.SfxChoice = 1; },
         {"-d", "sortie", "-p", "secret"},
         {{"sortie/vide.txt", old}}, {}, 0, {},
         {{"sortie/vide.txt", old}, {"sortie/docs/notes/deep.txt", "profond\n"}}, {},
         {"remplacer"}},
        {"choice 2: existing files replaced without a question; option3 off: no progress",
         [](TZipEngine &e) {
             e.SfxChoice = 2;
             e.SfxOption3 = false;
         },
         {"-d", "sortie", "-p", "secret"},
         {{"sortie/vide.txt", old}}, {}, 0, "sortie", {},
         {"Fichiers correctement extraits."},
         {"remplacer", "Extraction du fichier", "Progression", "R\u00e9pertoire d'extraction"}},
        {"command (text2) run in the destination after its question (text3) is answered Oui",
         [](TZipEngine &e) {
             e.SfxText2 = QStringLiteral("echo fait > trace.txt");
             e.SfxText3 = QStringLiteral("Lancer l'installation ?");
         },
         {"-d", "sortie", "-p", "secret"}, {},
         {{"Lancer l'installation ?", "o\n"}}, 0, {},
         {{"sortie/trace.txt", "fait\n"}}, {}, {}},
        {"command not run when the user says Non",
         [](TZipEngine &e) { e.SfxText2 = QStringLiteral("echo fait > trace.txt"); },
         {"-d", "sortie", "-p", "secret"}, {},
         {{"echo fait > trace.txt ?", "n\n"}}, 0, {},
         {{"sortie/trace.txt", Absent}}, {}, {}},
    };
    int index = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString folder = QStringLiteral("t%1").arg(index++);
        const QString program = programIn(folder, QString(), row.settings);
        const QString dir = ws.path(folder);
        for (auto it = row.before.begin(); it != row.before.end(); ++it)
            ws.file(folder + QLatin1Char('/') + it.key(), it.value());
        const ProgramRun run = runOnTerminal(program, row.args, dir, row.steps);
        ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString() << "\n" << run.out.toStdString();
        EXPECT_EQ(run.exit, row.exit) << run.out.toStdString();
        if (!row.wholeTreeIn.isEmpty()) {
            EXPECT_EQ(treeOf(dir + QLatin1Char('/') + row.wholeTreeIn), sourceTree());
        }
        expectFiles(dir, row.after);
        expectShown(run.out, row.shown, row.notShown);
    }
}

TEST_F(SfxTest, RunsWithoutATerminal)
{
    const QByteArray old = "ancien";
    const struct {
        const char *name;
        QString password; // given at the conversion: a protected program
        std::function<void(TZipEngine &)> settings;
        QStringList args;
        QStringList env;
        QMap<QString, QByteArray> before;
        int exit;
        QMap<QString, QByteArray> after;
        QStringList out; // on standard output
        QStringList err; // on standard error
    } rows[] = {
        {"no terminal, no display: the current folder, existing files kept, messages on standard error", {}, {}, {},
         {},
         {{"vide.txt", old}}, 1,
         {{"vide.txt", old}, {"docs/notes/deep.txt", "profond\n"}, {"secret.txt", Absent}},
         {"Extraction du fichier : docs/notes/deep.txt"},
         {"Erreur lors de l'extraction.", "secret.txt"}},
        {"protected program, wrong -p: status 2 and nothing written", "secret", {},
         {"-d", "sortie", "-p", "faux"}, {}, {}, 2,
         {{"sortie", Absent}}, {},
         {"Mot de passe absent ou incorrect : rien n\u2019a \u00e9t\u00e9 extrait."}},
        {"started from a file manager: opens itself in the terminal emulator", {}, {}, {},
         {"DISPLAY=:99"}, {}, 0,
         {{"emulator.txt", "-e a.EXE 1\n"}, {"vide.txt", Absent}}, {}, {}},
        {"a licence needs -a without a terminal", {},
         [](TZipEngine &e) { e.SfxLines1 = QStringList{QStringLiteral("Licence")}; },
         {"-d", "sortie", "-p", "secret"}, {}, {}, 1,
         {{"sortie", Absent}},
         {"Licence"},
         {"option -a"}},
        {"-a accepts the licence", {},
         [](TZipEngine &e) { e.SfxLines1 = QStringList{QStringLiteral("Licence")}; },
         {"-a", "-d", "sortie", "-p", "secret"}, {}, {}, 0,
         {{"sortie/vide.txt", ""}}, {},
         {"Fichiers correctement extraits."}},
        {"the stub argument comes before the command line", {},
         [](TZipEngine &e) { e.SfxArgument = QStringLiteral("-o -d sortie"); },
         {"-p", "secret"}, {},
         {{"sortie/vide.txt", old}}, 0,
         {{"sortie/vide.txt", ""}}, {}, {}},
        {"-l lists", {}, {}, {"-l"}, {}, {}, 0, {{"vide.txt", Absent}}, {"docs/notes/deep.txt", "caf\u00e9.txt"}, {}},
        {"-t tests", {}, {}, {"-t", "-p", "secret"}, {}, {}, 0, {{"vide.txt", Absent}}, {}, {"Test r\u00e9ussi"}},
        {"-t without a password warns", {}, {}, {"-t"}, {}, {}, 1, {}, {}, {"(code 40"}},
        {"an unknown option", {}, {}, {"-z"}, {}, {}, 2, {}, {}, {"option inconnue : -z", "Utilisation"}},
    };
    // The terminal emulator the desktop would start, recording how.
    ws.file(QStringLiteral("bin/x-terminal-emulator"), "#!/bin/sh\necho \"$1 $(basename \"$2\") $TOVO_SFX_IN_TERMINAL\" "
                                                       "> emulator.txt\n");
    QFile::setPermissions(ws.path(QStringLiteral("bin/x-terminal-emulator")), QFileDevice::ExeOwner | QFileDevice::ReadOwner);
    const QString path = QStringLiteral("PATH=") + ws.path(QStringLiteral("bin")) + QLatin1Char(':') + qEnvironmentVariable("PATH");
    int index = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString folder = QStringLiteral("p%1").arg(index++);
        const QString program = programIn(folder, row.password, row.settings);
        const QString dir = ws.path(folder);
        for (auto it = row.before.begin(); it != row.before.end(); ++it)
            ws.file(folder + QLatin1Char('/') + it.key(), it.value());
        const ProgramRun run = runPlain(program, row.args, dir, QStringList(row.env) << path);
        EXPECT_EQ(run.exit, row.exit) << run.err.toStdString();
        expectFiles(dir, row.after);
        expectShown(run.out, row.out, {});
        expectShown(run.err, row.err, {});
    }
}

TEST_F(SfxTest, HostileNamesAndDamageAreRefused)
{
    // Names that would leave the destination, beside a plain one.
    const QString hostile = ws.path(QStringLiteral("h/hostile.zip"));
    QDir().mkpath(ws.path(QStringLiteral("h/sortie")));
    const QString make = QStringLiteral("import zipfile,sys\n"
                                        "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                                        "    z.writestr('../evil.txt', 'x')\n"
                                        "    z.writestr('/tmp/tovo-sfx-absolute.txt', 'x')\n"
                                        "    z.writestr('ok.txt', 'ok')\n");
    ASSERT_EQ(runTool(QStringLiteral("python3"), {QStringLiteral("-c"), make, hostile}, ws.path()).exitCode, 0);
    ASSERT_EQ(convert(hostile), 0);
    ProgramRun run = runPlain(ws.path(QStringLiteral("h/hostile.EXE")), {QStringLiteral("-d"), QStringLiteral("sortie")},
                       ws.path(QStringLiteral("h")));
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(treeOf(ws.path(QStringLiteral("h"))).keys(),
              QStringList({"hostile.EXE", "hostile.zip", "sortie/", "sortie/ok.txt"}));
    EXPECT_TRUE(run.err.contains(QStringLiteral("Fichier ignor\u00e9 (nom dangereux) : ../evil.txt")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/tovo-sfx-absolute.txt")));

    // A program whose settings were damaged refuses to run.
    const QString program = programIn(QStringLiteral("d"), QString(), {});
    QFile f(program);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 block = QFileInfo(QStringLiteral(TOVO_BIN_DIR "/Zipsfx32.bin")).size();
    f.seek(block + 40);
    char byte = 0;
    f.getChar(&byte);
    f.seek(block + 40);
    f.putChar(char(byte ^ 0x5A));
    f.close();
    run = runPlain(program, {QStringLiteral("-d"), QStringLiteral("sortie")}, ws.path(QStringLiteral("d")));
    EXPECT_EQ(run.exit, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("endommag\u00e9"))) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(ws.path(QStringLiteral("d/sortie"))));
}

TEST_F(SfxTest, ConversionNamesAndFailures)
{
    const QString stub = QStringLiteral(TOVO_BIN_DIR "/Zipsfx32.bin");
    const struct {
        const char *name;
        QString archive;                  // in a folder of its own, a copy of the source unless prepare says
        std::function<void(const QString &dir)> prepare;
        QString stubPath;
        std::function<void()> childSetup; // set: through tovo-cli sfx, in a limited child
        int code;
        QStringList files; // the folder's files afterwards
    } rows[] = {
        {"x.zip gives x.EXE", "x.zip", {}, stub, {}, 0, {"x.EXE", "x.zip"}},
        {"mixed case", "x.Zip", {}, stub, {}, 0, {"x.EXE", "x.Zip"}},
        {"a four-letter extension keeps its first letter", "x.ziip", {}, stub, {}, 0, {"x.zEXE", "x.ziip"}},
        {"an older program is replaced", "x.zip",
         [](const QString &dir) { writeFile(dir + QStringLiteral("/x.EXE"), "ancien"); }, stub, {}, 0,
         {"x.EXE", "x.zip"}},
        {"stub missing", "x.zip", {}, QStringLiteral("/nowhere/Zipsfx32.bin"), {}, 460, {"x.zip"}},
        {"a stub that is no program", "x.zip", {}, QStringLiteral(TOVO_SOURCE_DIR "/README.md"), {}, 460, {"x.zip"}},
        {"archive missing", "y.zip", [](const QString &) {}, stub, {}, 470, {"x.zip"}},
        {"not a ZIP archive", "x.zip",
         [](const QString &dir) { writeFile(dir + QStringLiteral("/x.zip"), "pas une archive"); }, stub, {}, 470,
         {"x.zip"}},
        {"the program's name is the archive's", "x.EXE", {}, stub, {}, 470, {"x.EXE"}},
        {"a folder holds the program's name", "x.zip",
         [](const QString &dir) { QDir().mkpath(dir + QStringLiteral("/x.EXE")); }, stub, {}, 470,
         {"x.zip"}},
        {"a full disk, through tovo-cli", "x.zip", {}, {}, fileSizeLimit(100000), 160, {"x.zip"}},
    };
    int index = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString dir = ws.path(QStringLiteral("c%1").arg(index++));
        QDir().mkpath(dir);
        const QString given = row.prepare ? QStringLiteral("x.zip") : row.archive;
        QFile::copy(source, dir + QLatin1Char('/') + given);
        if (row.prepare)
            row.prepare(dir);
        const QString archive = dir + QLatin1Char('/') + row.archive;
        const QByteArray before = readFile(archive);
        int code = -1;
        if (row.childSetup) {
            const ToolRun cli = runCli({QStringLiteral("sfx"), archive}, dir, row.childSetup);
            EXPECT_EQ(cli.exitCode, 2);
            code = cli.out.contains(QByteArray::number(row.code)) ? row.code : -1;
        } else {
            code = convert(archive, QString(), [&](TZipEngine &e) { e.SfxBinary = row.stubPath; });
        }
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(readFile(archive), before);
        QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        EXPECT_EQ(files, row.files);
        const QString program = dir + QLatin1Char('/') + row.files.filter(QStringLiteral("EXE")).value(0);
        if (row.code == 0) {
            EXPECT_EQ(runPlain(program, {QStringLiteral("-t"), QStringLiteral("-p"), QStringLiteral("secret")}, dir).exit,
                      0);
        }
    }

    // An add with "-Y" makes the program of the archive it wrote.
    RecordingEngine r;
    const auto selfExtracting = [&](TZipEngine &e) { e.SelfExtracting = true, e.SfxBinary = stub; };
    EXPECT_EQ(add(r, ws.path(), ws.path(QStringLiteral("ajout.zip")), {xamAdd, {QStringLiteral("src/vide.txt")}, selfExtracting}), 0);
    const ProgramRun listed = runPlain(ws.path(QStringLiteral("ajout.EXE")), {QStringLiteral("-l")}, ws.path());
    EXPECT_TRUE(listed.out.contains(QStringLiteral("src/vide.txt"))) << listed.out.toStdString();
}
