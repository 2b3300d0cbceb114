// The freedesktop.org files: the user's default applications edited in
// place, and a desktop entry read back by independent tools.
#include "engine/qtprint.h"
#include "platform/desktopfiles.h"
#include "support/privatedesktop.h"
#include "support/testfiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
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

TEST(DesktopFiles, MimeappsIsWrittenThroughItsLinkOrLeftAlone)
{
    QTemporaryDir dir;
    const QString zip = QStringLiteral("application/zip");
    const QString id = QStringLiteral("tovo.desktop");
    EXPECT_EQ(MakeDefaultHandler(dir.filePath(QStringLiteral("neuf/config/mimeapps.list")), zip, id), 0);
    EXPECT_TRUE(readFile(dir.filePath(QStringLiteral("neuf/config/mimeapps.list"))).contains(id.toUtf8()));

    // A mimeapps.list kept elsewhere and linked: the link stays, the file
    // keeps its mode, no temporary file is left beside it.
    const QString target = dir.filePath(QStringLiteral("reglages/mimeapps.list"));
    const QString link = dir.filePath(QStringLiteral("config/mimeapps.list"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("reglages"))));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("config"))));
    ASSERT_TRUE(writeFile(target, "[Groupe]\nx=1\n") && QFile::link(target, link));
    ::chmod(QFile::encodeName(target).constData(), 0600);
    EXPECT_EQ(MakeDefaultHandler(link, zip, id), 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(readFile(target).startsWith("[Groupe]\nx=1\n\n[Default Applications]\napplication/zip=tovo.desktop\n"));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("reglages"))).entryList(QDir::Files | QDir::Hidden).size(), 1);

    ASSERT_TRUE(writeFile(target, "\xff\xfe["));
    EXPECT_EQ(MakeDefaultHandler(link, zip, id), EILSEQ);
    EXPECT_EQ(readFile(target), QByteArray("\xff\xfe["));
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
    // gio returns once the program started: wait for its whole line.
    QDeadlineTimer deadline(10000);
    while (!readFile(record).endsWith('\n') && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(readFile(record), archive.toUtf8() + '\n');
    qunsetenv("TOVO_RECORD");

    // Characters GLib reads before expanding the field codes stay out of its
    // reach; the rules themselves for them:
    EXPECT_EQ(QuoteExecArgument(QStringLiteral("/opt/tovo/tovo")), QStringLiteral("/opt/tovo/tovo"));
    EXPECT_EQ(QuoteExecArgument(QStringLiteral("/opt/100%/tovo")), QStringLiteral("/opt/100%%/tovo"));
    EXPECT_EQ(QuoteExecArgument(QStringLiteral("/a b/`x`")), QStringLiteral("\"/a b/\\`x\\`\""));
}

} // namespace
