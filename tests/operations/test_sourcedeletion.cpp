// Which added files may be deleted after an add: only those the archive
// safely holds, unchanged since the add began.
#include "engine/qtprint.h"
#include "operations/sourcedeletion.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace tovo;

namespace {

TEST(SourceDeletion, OnlyFilesSafelyInTheArchiveGo)
{
    struct Case {
        const char *name;
        QString item;
        bool usePaths;
        // Changes the outcome or the disk after the add began.
        std::function<void(AddOutcome &, const QString &path)> after;
        SourceFate fate;
    };
    auto nothing = [](AddOutcome &, const QString &) {};
    const Case cases[] = {
        {"stored and unchanged", QStringLiteral("a.txt"), false, nothing, SourceFate::Delete},
        {"stored with its folder", QStringLiteral("sub/b.txt"), true, nothing, SourceFate::Delete},
        {"stored without its folder", QStringLiteral("sub/b.txt"), false, nothing, SourceFate::Delete},
        {"archive not verified", QStringLiteral("a.txt"), false,
         [](AddOutcome &o, const QString &) { o.archiveVerified = false; }, SourceFate::Keep},
        {"not in the listing", QStringLiteral("a.txt"), false,
         [](AddOutcome &o, const QString &) { o.listing.remove(QStringLiteral("a.txt")); }, SourceFate::Keep},
        {"listed with another size", QStringLiteral("a.txt"), false,
         [](AddOutcome &o, const QString &) { o.listing[QStringLiteral("a.txt")] = 99; }, SourceFate::Keep},
        {"an older entry the module did not write", QStringLiteral("a.txt"), false,
         [](AddOutcome &o, const QString &) { o.announced.clear(); }, SourceFate::Keep},
        {"changed during the add", QStringLiteral("a.txt"), false,
         [](AddOutcome &, const QString &path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::Append));
             f.write("plus");
         },
         SourceFate::Keep},
        {"replaced by another file of the same size", QStringLiteral("a.txt"), false,
         [](AddOutcome &, const QString &path) {
             // Made before the old one goes, so it cannot reuse its inode.
             ASSERT_TRUE(test::writeFile(path + QStringLiteral(".new"), "12345"));
             ASSERT_TRUE(QFile::remove(path));
             ASSERT_TRUE(QFile::rename(path + QStringLiteral(".new"), path));
         },
         SourceFate::Keep},
        {"a symbolic link", QStringLiteral("lien.txt"), false, nothing, SourceFate::Keep},
        {"reached through a linked folder", QStringLiteral("raccourci/b.txt"), true, nothing, SourceFate::Keep},
        {"the archive's own file name is spared", QStringLiteral("sub/copie.zip"), false,
         [](AddOutcome &o, const QString &) { o.archiveVerified = false; }, SourceFate::Spare},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString base = dir.path() + QLatin1Char('/');
        QDir(base).mkpath(QStringLiteral("sub"));
        for (const char *f : {"a.txt", "sub/b.txt", "sub/copie.zip"})
            ASSERT_TRUE(test::writeFile(base + QString::fromUtf8(f), "12345"));
        ASSERT_TRUE(QFile::link(QStringLiteral("a.txt"), base + QStringLiteral("lien.txt")));
        ASSERT_TRUE(QFile::link(QStringLiteral("sub"), base + QStringLiteral("raccourci")));

        const QString path = base + c.item;
        const std::vector<AddedSource> sources{{c.item, path, platform::IdentityOf(path)}};
        AddOutcome outcome;
        outcome.archiveVerified = true;
        outcome.usePaths = c.usePaths;
        outcome.archiveFileName = QStringLiteral("copie.zip");
        const QString stored = StoredNameOfItem(c.item, c.usePaths);
        outcome.listing.insert(stored, 5);
        outcome.announced.insert(stored);
        c.after(outcome, path);
        EXPECT_EQ(JudgeSources(sources, outcome, base), std::vector<SourceFate>{c.fate}) << c.name;
    }
}

TEST(SourceDeletion, TwoFilesStoredUnderOneNameAreBothKept)
{
    QTemporaryDir dir;
    const QString base = dir.path() + QLatin1Char('/');
    QDir(base).mkpath(QStringLiteral("x"));
    QDir(base).mkpath(QStringLiteral("y"));
    std::vector<AddedSource> sources;
    for (const QString &item : {QStringLiteral("x/a.txt"), QStringLiteral("y/a.txt"), QStringLiteral("b.txt")}) {
        ASSERT_TRUE(test::writeFile(base + item, "12345"));
        sources.push_back({item, base + item, platform::IdentityOf(base + item)});
    }
    AddOutcome outcome;
    outcome.archiveVerified = true;
    outcome.listing = {{QStringLiteral("a.txt"), 5}, {QStringLiteral("b.txt"), 5}};
    outcome.announced = {QStringLiteral("a.txt"), QStringLiteral("b.txt")};
    // Without folders both are "a.txt": which one the archive holds is unknown.
    EXPECT_EQ(JudgeSources(sources, outcome, base),
              (std::vector<SourceFate>{SourceFate::Keep, SourceFate::Keep, SourceFate::Delete}));
}

} // namespace
