// The freedesktop.org files, read back by independent tools.
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
using namespace Qt::StringLiterals;
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
        const std::optional<QByteArray> result = WithDefaultHandler(c.before, u"application/zip"_s, u"tovo.desktop"_s);
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
    const QString zip = u"application/zip"_s;
    const QString id = u"tovo.desktop"_s;
    EXPECT_EQ(MakeDefaultHandler(dir.filePath(u"neuf/config/mimeapps.list"_s), zip, id), 0);
    EXPECT_TRUE(readFile(dir.filePath(u"neuf/config/mimeapps.list"_s)).contains(id.toUtf8()));

    // A mimeapps.list kept elsewhere and linked: the link stays, the file
    // keeps its mode, no temporary file is left beside it.
    const QString target = dir.filePath(u"reglages/mimeapps.list"_s);
    const QString link = dir.filePath(u"config/mimeapps.list"_s);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"reglages"_s)));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"config"_s)));
    ASSERT_TRUE(writeFile(target, "[Groupe]\nx=1\n") && QFile::link(target, link));
    ::chmod(QFile::encodeName(target).constData(), 0600);
    EXPECT_EQ(MakeDefaultHandler(link, zip, id), 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(readFile(target).startsWith("[Groupe]\nx=1\n\n[Default Applications]\napplication/zip=tovo.desktop\n"));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(dir.filePath(u"reglages"_s)).entryList(QDir::Files | QDir::Hidden).size(), 1);

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
    const QString folder = dir.filePath(u"mes \"outils\" $HOME \\ (l'a) #1"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + u"/en registre"_s;
    const QString record = dir.filePath(u"arguments.txt"_s);
    ASSERT_TRUE(writeFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$TOVO_RECORD\"\n"));
    ASSERT_TRUE(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
    qputenv("TOVO_RECORD", QFile::encodeName(record));

    DesktopEntry entry;
    entry.name = u"Essai"_s;
    entry.program = program;
    entry.arguments = u"%f"_s;
    entry.mimeTypes = u"application/zip;"_s;
    const QString entryFile = dir.filePath(u"essai.desktop"_s);
    ASSERT_TRUE(writeFile(entryFile, RenderDesktopEntry(entry)));
    EXPECT_EQ(PrivateDesktop::run(u"desktop-file-validate"_s, {entryFile}), qMakePair(0, QString()));

    const QString archive = dir.filePath(u"sauvegarde \"du\" 1er mai.zip"_s);
    ASSERT_TRUE(writeFile(archive, "PK\x05\x06"));
    EXPECT_EQ(PrivateDesktop::run(u"gio"_s, {u"launch"_s, entryFile, archive}).first, 0);
    // gio returns once the program started: wait for its whole line.
    QDeadlineTimer deadline(10000);
    while (!readFile(record).endsWith('\n') && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(readFile(record), archive.toUtf8() + '\n');
    qunsetenv("TOVO_RECORD");

    // Characters GLib reads before expanding the field codes stay out of its
    // reach; the rules themselves for them:
    EXPECT_EQ(QuoteExecArgument(u"/opt/tovo/tovo"_s), u"/opt/tovo/tovo"_s);
    EXPECT_EQ(QuoteExecArgument(u"/opt/100%/tovo"_s), u"/opt/100%%/tovo"_s);
    EXPECT_EQ(QuoteExecArgument(u"/a b/`x`"_s), u"\"/a b/\\`x\\`\""_s);
}

} // namespace
