// Which added files may be deleted after an add: only those the archive
// safely holds, unchanged since the add began.
#include "engine/qtprint.h"
#include "operations/sourcedeletion.h"
#include "support/testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

TEST(SourceDeletion, OnlyFilesSafelyInTheArchiveGo)
{
    struct Case {
        const char *name;
        QStringList items; // the first is judged; the others are checked too
        bool usePaths;
        // Changes the outcome or the disk after the add began.
        std::function<void(AddOutcome &, const QString &path)> after;
        SourceFate fate;
    };
    auto nothing = [](AddOutcome &, const QString &) {};
    const Case cases[] = {
        {"stored and unchanged", {"a.txt"}, false, nothing, SourceFate::Delete},
        {"stored with its folder", {"sub/b.txt"}, true, nothing, SourceFate::Delete},
        {"archive not verified", {"a.txt"}, false, [](AddOutcome &o, auto) { o.archiveVerified = false; },
         SourceFate::Keep},
        {"not in the listing", {"a.txt"}, false, [](AddOutcome &o, auto) { o.listing.clear(); }, SourceFate::Keep},
        {"listed with another size", {"a.txt"}, false,
         [](AddOutcome &o, auto) { o.listing[u"a.txt"_s] = 9; }, SourceFate::Keep},
        {"an older entry the module did not write", {"a.txt"}, false,
         [](AddOutcome &o, auto) { o.announced.clear(); }, SourceFate::Keep},
        {"changed during the add", {"a.txt"}, false,
         [](AddOutcome &, const QString &path) { ASSERT_TRUE(test::writeFile(path, "123456")); }, SourceFate::Keep},
        {"replaced by another file of the same size", {"a.txt"}, false,
         [](AddOutcome &, const QString &path) {
             // Made before the old one goes, so it cannot reuse its inode.
             ASSERT_TRUE(test::writeFile(path + u".new"_s, "12345"));
             ASSERT_TRUE(QFile::remove(path));
             ASSERT_TRUE(QFile::rename(path + u".new"_s, path));
         },
         SourceFate::Keep},
        {"a symbolic link", {"lien.txt"}, false, nothing, SourceFate::Keep},
        {"reached through a linked folder", {"raccourci/b.txt"}, true, nothing, SourceFate::Keep},
        {"stored under the name of another checked file", {"sub/b.txt", "b.txt"}, false, nothing, SourceFate::Keep},
        {"the archive's own file name is spared", {"sub/copie.zip"}, false,
         [](AddOutcome &o, auto) { o.archiveVerified = false; }, SourceFate::Spare},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString base = dir.path() + u'/';
        QDir(base).mkpath(u"sub"_s);
        for (const char *f : {"a.txt", "b.txt", "sub/b.txt", "sub/copie.zip"})
            ASSERT_TRUE(test::writeFile(base + QString::fromUtf8(f), "12345"));
        ASSERT_TRUE(QFile::link(u"a.txt"_s, base + u"lien.txt"_s));
        ASSERT_TRUE(QFile::link(u"sub"_s, base + u"raccourci"_s));

        std::vector<AddedSource> sources;
        AddOutcome outcome;
        outcome.archiveVerified = true;
        outcome.usePaths = c.usePaths;
        outcome.archiveFileName = u"copie.zip"_s;
        for (const QString &item : c.items) {
            sources.push_back({item, base + item, platform::IdentityOf(base + item)});
            outcome.listing.insert(StoredNameOfItem(item, c.usePaths), 5);
            outcome.announced.insert(StoredNameOfItem(item, c.usePaths));
        }
        c.after(outcome, sources[0].path);
        EXPECT_EQ(JudgeSources(sources, outcome, base).front(), c.fate) << c.name;
    }
}

} // namespace
