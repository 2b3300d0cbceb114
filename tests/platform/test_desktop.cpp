// The freedesktop.org files: the user's default applications edited in
// place, desktop entries read back by independent tools, and the data folder
// of an installed program.
#include "engine/qtprint.h"
#include "platform/datadir.h"
#include "platform/desktopfiles.h"
#include "shell/paths.h"
#include "support/privatedesktop.h"
#include "support/testfiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace tovo;
using namespace tovo::platform;
using tovo::test::PrivateDesktop;
using tovo::test::readFile;
using tovo::test::writeFile;

namespace {

TEST(DesktopFiles, DefaultHandlerKeepsEverythingElse)
{
    struct Case {
        const char *name;
        QByteArray before;
        QByteArray after; // empty: refused
    };
    const Case cases[] = {
        {"empty file", "",
         "[Default Applications]\napplication/zip=tovo.desktop\n\n"
         "[Added Associations]\napplication/zip=tovo.desktop;\n"},
        {"other groups, keys, comments and spacing kept",
         "# mes choix\n[Default Applications]\ntext/plain = bloc.desktop\napplication/zip=autre.desktop\n\n"
         "[Added Associations]\nimage/png=vue.desktop;\napplication/zip = autre.desktop;tovo.desktop;ext.desktop\n\n"
         "[Groupe perso]\ncl\xc3\xa9=valeur\n",
         "# mes choix\n[Default Applications]\ntext/plain = bloc.desktop\napplication/zip=tovo.desktop\n\n"
         "[Added Associations]\nimage/png=vue.desktop;\napplication/zip=tovo.desktop;autre.desktop;ext.desktop;\n\n"
         "[Groupe perso]\ncl\xc3\xa9=valeur\n"},
        {"keys added at the end of their group, before its blank line",
         "[Added Associations]\nimage/png=vue.desktop;\n\n[Default Applications]\ntext/plain=bloc.desktop",
         "[Added Associations]\nimage/png=vue.desktop;\napplication/zip=tovo.desktop;\n\n"
         "[Default Applications]\ntext/plain=bloc.desktop\napplication/zip=tovo.desktop\n"},
        {"CR LF file stays CR LF", "[Default Applications]\r\ntext/plain=bloc.desktop\r\n",
         "[Default Applications]\r\ntext/plain=bloc.desktop\r\napplication/zip=tovo.desktop\r\n\r\n"
         "[Added Associations]\r\napplication/zip=tovo.desktop;\r\n"},
        {"an earlier removal of Tovo is undone, other removals kept",
         "[Removed Associations]\napplication/zip=tovo.desktop;autre.desktop;\ntext/plain=tovo.desktop;\n",
         "[Removed Associations]\napplication/zip=autre.desktop;\ntext/plain=tovo.desktop;\n\n"
         "[Default Applications]\napplication/zip=tovo.desktop\n\n"
         "[Added Associations]\napplication/zip=tovo.desktop;\n"},
        {"Tovo as the only removal drops the key",
         "[Removed Associations]\napplication/zip=tovo.desktop;\n[Default Applications]\n",
         "[Removed Associations]\n[Default Applications]\napplication/zip=tovo.desktop\n\n"
         "[Added Associations]\napplication/zip=tovo.desktop;\n"},
        {"not UTF-8", "[Default Applications]\ntext/plain=\xe9t\xe9.desktop\n", ""},
        {"NUL byte", QByteArray("[Default Applications]\n\0\n", 26), ""},
    };
    for (const Case &c : cases) {
        const std::optional<QByteArray> result =
            WithDefaultHandler(c.before, QStringLiteral("application/zip"), QStringLiteral("tovo.desktop"));
        if (c.after.isEmpty()) {
            EXPECT_FALSE(result.has_value()) << c.name;
            continue;
        }
        ASSERT_TRUE(result.has_value()) << c.name;
        EXPECT_EQ(*result, c.after) << c.name;
    }
}

TEST(DesktopFiles, MimeappsFileIsReplacedWholeOrNotAtAll)
{
    QTemporaryDir dir;
    struct Case {
        const char *name;
        QByteArray before;
        bool link;
        int expected;
    };
    const Case cases[] = {
        {"missing folder and file are created", QByteArray(), false, 0},
        {"a linked file is written through its link", "[Groupe]\nx=1\n", true, 0},
        {"a file that is not text is left alone", "\xff\xfe[", false, EILSEQ},
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString folder = dir.filePath(QStringLiteral("cas%1/config").arg(n++));
        const QString path = folder + QStringLiteral("/mimeapps.list");
        const QString target = dir.filePath(QStringLiteral("cible%1.list").arg(n));
        if (!c.before.isNull()) {
            ASSERT_TRUE(QDir().mkpath(folder));
            ASSERT_TRUE(writeFile(c.link ? target : path, c.before));
            ::chmod(QFile::encodeName(c.link ? target : path).constData(), 0600);
            if (c.link) {
                ASSERT_TRUE(QFile::link(target, path));
            }
        }
        EXPECT_EQ(MakeDefaultHandler(path, QStringLiteral("application/zip"), QStringLiteral("tovo.desktop")),
                  c.expected)
            << c.name;
        const QByteArray now = readFile(path);
        if (c.expected != 0) {
            EXPECT_EQ(now, c.before) << c.name;
            continue;
        }
        EXPECT_TRUE(now.contains("[Default Applications]\napplication/zip=tovo.desktop\n")) << c.name;
        EXPECT_TRUE(now.startsWith(c.before)) << c.name;
        if (c.link) {
            EXPECT_TRUE(QFileInfo(path).isSymLink()) << c.name;
            struct stat st;
            ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u) << c.name << ": the file keeps its mode";
        }
        // No temporary file is left beside it.
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1) << c.name;
    }
}

// The Exec line as written is what an independent launcher (GLib's, through
// gio) runs: the program found through spaces, quotes, "$" and "\" in its
// path, the archive passed as one argument.
TEST(DesktopFiles, ExecLineStartsTheProgramOnTheArchive)
{
    PrivateDesktop desktop;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("mes \"outils\" $HOME \\ (l'a) #1"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/en registre");
    const QString record = dir.filePath(QStringLiteral("arguments.txt"));
    ASSERT_TRUE(writeFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$TOVO_RECORD\"\n"));
    ASSERT_TRUE(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
    qputenv("TOVO_RECORD", QFile::encodeName(record));

    DesktopEntry entry;
    entry.name = QStringLiteral("Essai");
    entry.program = program;
    entry.arguments = QStringLiteral("%f");
    entry.mimeTypes = QStringLiteral("application/zip;");
    const QString entryFile = dir.filePath(QStringLiteral("essai.desktop"));
    ASSERT_TRUE(writeFile(entryFile, RenderDesktopEntry(entry)));
    EXPECT_EQ(PrivateDesktop::run(QStringLiteral("desktop-file-validate"), {entryFile}), qMakePair(0, QString()));

    const QString archive = dir.filePath(QStringLiteral("sauvegarde \"du\" 1er mai.zip"));
    ASSERT_TRUE(writeFile(archive, "PK\x05\x06"));
    EXPECT_EQ(PrivateDesktop::run(QStringLiteral("gio"), {QStringLiteral("launch"), entryFile, archive}).first, 0);
    QDeadlineTimer deadline(10000);
    while (!QFileInfo::exists(record) && !deadline.hasExpired())
        QThread::msleep(20);
    QThread::msleep(100); // the recorder writes its one line at once
    EXPECT_EQ(readFile(record), archive.toUtf8() + '\n');
    qunsetenv("TOVO_RECORD");

    // Characters GLib reads before expanding the field codes stay out of its
    // reach; the rules themselves for them:
    EXPECT_EQ(QuoteExecArgument(QStringLiteral("/opt/tovo/tovo")), QStringLiteral("/opt/tovo/tovo"));
    EXPECT_EQ(QuoteExecArgument(QStringLiteral("/opt/100%/tovo")), QStringLiteral("/opt/100%%/tovo"));
    EXPECT_EQ(QuoteExecArgument(QStringLiteral("/a b/`x`")), QStringLiteral("\"/a b/\\`x\\`\""));
}

TEST(DataFolder, InstalledProgramWritesInTheUserDataFolder)
{
    struct Case {
        const char *name;
        bool marker;
        bool userCopy; // the user already has a history of their own
    };
    const Case cases[] = {
        {"program folder of the user's own", false, false},
        {"installed program, first start", true, false},
        {"installed program, later start", true, true},
    };
    for (const Case &c : cases) {
        PrivateDesktop desktop;
        QTemporaryDir prog;
        ASSERT_TRUE(writeFile(prog.filePath(QStringLiteral("historique.txt")), "/livré.zip\n"));
        if (c.marker) {
            ASSERT_TRUE(writeFile(prog.filePath(InstalledMarkerName), "installé"));
        }
        const QString userData = desktop.dataHome() + QStringLiteral("/tovo/");
        if (c.userCopy) {
            ASSERT_TRUE(QDir().mkpath(userData));
            ASSERT_TRUE(writeFile(userData + QStringLiteral("historique.txt"), "/à moi.zip\n"));
        }
        SetProgDir(prog.path());
        SetDataDir(ChooseDataDir(ProgDir()));
        const QString history = DataFile(QStringLiteral("historique.txt"));
        if (!c.marker) {
            EXPECT_EQ(DataDir(), ProgDir()) << c.name;
            EXPECT_EQ(DefaultWorkFolder(), ProgDir()) << c.name;
            continue;
        }
        EXPECT_EQ(DataDir(), userData) << c.name;
        EXPECT_EQ(history, userData + QStringLiteral("historique.txt")) << c.name;
        EXPECT_EQ(readFile(history), c.userCopy ? QByteArray("/à moi.zip\n") : QByteArray("/livré.zip\n")) << c.name;
        EXPECT_TRUE(QFileInfo(history).isWritable()) << c.name;
        EXPECT_EQ(DefaultWorkFolder(), desktop.home() + QLatin1Char('/')) << c.name;
    }
    SetProgDir(QString());
}

} // namespace
