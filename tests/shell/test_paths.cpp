// Path helpers, tree removal, the private working folder and the rejoining
// of an archive name split over several command-line parameters.
#include "platform/tempdirs.h"
#include "shell/paths.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tovo;
using tovo::test::writeFile;

namespace {

TEST(PathHelpers, QuotesSeparatorsAndParts)
{
    EXPECT_EQ(StripQuotes(QStringLiteral("\"/a b/c.zip\"")), QStringLiteral("/a b/c.zip"));
    EXPECT_EQ(StripQuotes(QStringLiteral("\"half")), QStringLiteral("\"half"));
    EXPECT_EQ(StripQuotes(QStringLiteral("\"")), QStringLiteral("\""));
    EXPECT_EQ(AddBackslash(QStringLiteral("/tmp")), QStringLiteral("/tmp/"));
    EXPECT_EQ(AddBackslash(QStringLiteral("/tmp/")), QStringLiteral("/tmp/"));
    EXPECT_EQ(AddBackslash(QString()), QString());
    EXPECT_EQ(AddBackslash(QStringLiteral("C:\\Zip"), QLatin1Char('\\')), QStringLiteral("C:\\Zip\\"));
    const QString windows = QStringLiteral("\\:");
    EXPECT_EQ(DirectoryPart(QStringLiteral("C:\\ZIPS\\X.ZIP"), windows), QStringLiteral("C:\\ZIPS\\"));
    EXPECT_EQ(DirectoryPart(QStringLiteral("A:X.ZIP"), windows), QStringLiteral("A:"));
    EXPECT_EQ(FileNamePart(QStringLiteral("C:\\ZIPS\\X.ZIP"), windows), QStringLiteral("X.ZIP"));
    EXPECT_EQ(DirectoryPart(QStringLiteral("x.zip")), QString());
    EXPECT_EQ(FileNamePart(QStringLiteral("/home/u/")), QString());
}

TEST(DeleteTree, RemovesReadOnlyAndHiddenContentNeverFollowsLinks)
{
    QTemporaryDir base;
    const auto path = [&base](const char *rel) { return base.filePath(QString::fromUtf8(rel)); };
    QDir(base.path()).mkpath(QStringLiteral("t/sub/deeper"));
    QDir(base.path()).mkpath(QStringLiteral("t/.git"));
    QDir(base.path()).mkpath(QStringLiteral("outside"));
    for (const char *file : {"t/.cache", "t/sub/ro.txt", "t/sub/deeper/.hidden", "t/.git/HEAD"})
        ASSERT_TRUE(writeFile(path(file), "x"));
    ::chmod(QFile::encodeName(path("t/sub/ro.txt")).constData(), 0444);
    // A folder without write permission: its files can only go once it is writable.
    ::chmod(QFile::encodeName(path("t/sub/deeper")).constData(), 0555);
    ASSERT_TRUE(writeFile(path("outside/keep.txt"), "precious"));
    ASSERT_TRUE(QFile::link(path("outside"), path("t/link-to-dir")));
    ASSERT_TRUE(QFile::link(path("outside/keep.txt"), path("t/link-to-file")));
    ASSERT_TRUE(QFile::link(path("nowhere"), path("t/dangling")));

    EXPECT_TRUE(DeleteTree(path("t")));
    EXPECT_FALSE(QFileInfo::exists(path("t")));
    EXPECT_EQ(test::readFile(path("outside/keep.txt")), QByteArray("precious"));
    // A link given as the tree, the root, a missing folder and no name are refused.
    ASSERT_TRUE(QFile::link(path("outside"), path("alias")));
    EXPECT_FALSE(DeleteTree(path("alias")));
    EXPECT_TRUE(QFileInfo::exists(path("outside/keep.txt")));
    EXPECT_FALSE(DeleteTree(QStringLiteral("/")));
    EXPECT_FALSE(DeleteTree(path("missing")));
    EXPECT_FALSE(DeleteTree(QString()));
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("/tmp")));
}

TEST(PrivateDir, CreatedForTheUserAlone)
{
    QTemporaryDir base;
    const auto dir = platform::EnsurePrivateDir(base.path(), QStringLiteral("tovo-test"));
    ASSERT_TRUE(dir.has_value());
    EXPECT_TRUE(dir->endsWith(QLatin1Char('/')));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(*dir).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Reused when present, and its mode tightened.
    ::chmod(QFile::encodeName(*dir).constData(), 0777);
    ASSERT_TRUE(platform::EnsurePrivateDir(base.path(), QStringLiteral("tovo-test")).has_value());
    ::stat(QFile::encodeName(*dir).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A link planted under the expected name, or a file, is refused.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), base.filePath(QStringLiteral("planted"))));
    EXPECT_FALSE(platform::EnsurePrivateDir(base.path(), QStringLiteral("planted")).has_value());
    ASSERT_TRUE(writeFile(base.filePath(QStringLiteral("afile")), "x"));
    EXPECT_FALSE(platform::EnsurePrivateDir(base.path(), QStringLiteral("afile")).has_value());
    EXPECT_TRUE(platform::WorkingDirName().contains(QStringLiteral("tovo")));
    EXPECT_NE(platform::WorkingDirName(), platform::OldWorkingDirName());
}

// Each window works in a directory of its own, so one closing never removes
// another's copies; those of windows that no longer run go at the next start.
TEST(PrivateDir, OneWorkingDirPerWindowStaleOnesRemoved)
{
    QTemporaryDir base;
    const auto mine = platform::EnsureWorkingDir(base.path());
    ASSERT_TRUE(mine.has_value());
    const QString user = base.filePath(platform::WorkingDirName()) + QLatin1Char('/');
    EXPECT_EQ(*mine, user + QString::number(::getpid()) + QLatin1Char('/'));

    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const QString gone = QString::number(child);
    const QStringList kept{QString::number(::getppid()), QStringLiteral("notes")};
    for (const QString &name : kept + QStringList{gone}) {
        ASSERT_TRUE(QDir().mkpath(user + name));
        ASSERT_TRUE(writeFile(user + name + QStringLiteral("/copie.txt"), "x"));
    }
    ASSERT_TRUE(writeFile(*mine + QStringLiteral("copie.txt"), "x"));

    platform::RemoveStaleWorkingDirs(base.path());
    EXPECT_FALSE(QFileInfo::exists(user + gone)) << gone.toStdString();
    for (const QString &name : kept)
        EXPECT_TRUE(QFileInfo::exists(user + name + QStringLiteral("/copie.txt"))) << name.toStdString();
    EXPECT_TRUE(QFileInfo::exists(*mine + QStringLiteral("copie.txt")));
}

TEST(CommandLine, RejoinsUpToFourPieces)
{
    const QSet<QString> files{QStringLiteral("/data/mes archives/vieux fichier.zip"),
                              QStringLiteral("/data/a b c d e.zip")};
    auto exists = [&files](const QString &name) { return files.contains(name); };

    EXPECT_FALSE(RejoinCommandLine({}, exists).has_value());

    auto r = RejoinCommandLine({QStringLiteral("\"/data/mes archives/vieux fichier.zip\"")}, exists);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->exists);
    EXPECT_EQ(r->name, QStringLiteral("/data/mes archives/vieux fichier.zip"));

    // Five pieces: the fifth is never joined, so the name is not found.
    r = RejoinCommandLine({QStringLiteral("/data/a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                           QStringLiteral("e.zip")},
                          exists);
    EXPECT_FALSE(r->exists);
    EXPECT_EQ(r->name, QStringLiteral("/data/a b c d"));

    // Extra parameters after a name that exists are left alone.
    r = RejoinCommandLine({QStringLiteral("/data/a b c d e.zip"), QStringLiteral("extra")}, exists);
    EXPECT_TRUE(r->exists);
    EXPECT_EQ(r->name, QStringLiteral("/data/a b c d e.zip"));
}

} // namespace
