// The file search on a tree made here, FIFOs and links included.
#include "engine/qtprint.h"
#include "operations/tfindfile.h"
#include "support/testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

TEST(FindFile, MasksMatchAsOnDos)
{
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"*.txt", "A.TXT", true},         {"*.txt", "a.txt.bak", false},     {"*.*", "sans-extension", true},
        {"*.htm?", "page.htm", true},     {"*.htm?", "page.html", true},     {"*.htm?", "page.htmls", false},
        {"a?c", "ac", false},             {"lisez?.txt", "lisez.txt", true}, {"lisezmoi.*", "LisezMoi", true},
        {"lisezmoi.*", "lisezmoix", false}, {"r*t*.d?c", "rapport final.doc", true},
        {"*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    };
    for (const auto &[mask, name, matches] : cases)
        EXPECT_EQ(FileMask(QString::fromUtf8(mask)).matches(QString::fromUtf8(name)), matches) << mask << " " << name;
    EXPECT_EQ(SplitMasks(u" *.txt; *.doc ;;"_s), (QStringList{"*.txt", "*.doc"}));
}

class FindFileTree : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString root = dir.path() + u"/racine"_s;

    // A.txt a.txt b.txt c.doc notes.md .cache.txt ro.txt (read-only), fifo.txt,
    // lien.txt -> b.txt, raccourci -> sub, boucle -> ., sub/d.txt, Sub2/f.txt,
    // .cache/e.txt
    void SetUp() override
    {
        for (const char *d : {"sub", "Sub2", ".cache"})
            ASSERT_TRUE(QDir().mkpath(root + u'/' + QString::fromUtf8(d)));
        for (const char *f : {"A.txt", "a.txt", "b.txt", "c.doc", "notes.md", ".cache.txt", "ro.txt", "sub/d.txt",
                              "Sub2/f.txt", ".cache/e.txt"})
            ASSERT_TRUE(test::writeFile(root + u'/' + QString::fromUtf8(f), "x"));
        ASSERT_TRUE(QFile::setPermissions(root + u"/ro.txt"_s, QFile::ReadOwner));
        ASSERT_EQ(::mkfifo(QFile::encodeName(root + u"/fifo.txt"_s).constData(), 0600), 0);
        for (const char *link : {"b.txt lien.txt", "sub raccourci", ". boucle"}) {
            const QStringList parts = QString::fromUtf8(link).split(u' ');
            ASSERT_TRUE(QFile::link(parts[0], root + u'/' + parts[1]));
        }
    }

    // The results of a search of the tree, below its root.
    QStringList run(TFindFile &f) const
    {
        f.Directory = root;
        f.Execute();
        QStringList below;
        for (const QString &path : f.Files)
            below << (path.startsWith(root + u'/') ? path.mid(root.size() + 1) : path);
        return below;
    }
};

TEST_F(FindFileTree, FindsWhatTheMasksAndAttributesAdmit)
{
    struct Case {
        const char *name;
        QString filter;
        bool recurse;
        bool sorted;
        TAttrOptions attributes;
        bool strictRO;
        QStringList expected; // in order when sorted, in any order otherwise
    };
    const TAttrOptions defaults = TAttrOptions(ffReadOnly | ffHidden | ffSysFile);
    const QStringList texts{".cache.txt", "A.txt", "a.txt", "b.txt", "lien.txt", "ro.txt"};
    const QStringList all{".cache.txt", "A.txt", "a.txt", "b.txt", "c.doc", "lien.txt", "notes.md", "ro.txt"};
    const Case cases[] = {
        {"two masks with a space", "*.txt; *.doc", false, true, defaults, false,
         {".cache.txt", "A.txt", "a.txt", "b.txt", "c.doc", "lien.txt", "ro.txt"}},
        {"matched twice, sorted: once", "*.txt;*.*", false, true, defaults, false, all},
        {"matched twice, unsorted: twice", "*.txt;*.*", false, false, defaults, false, texts + all},
        {"hidden files left out", "*.txt", false, true, ffReadOnly, false, texts.mid(1)},
        {"read-only left out when strict", "*.txt", false, true, ffHidden, true, texts.mid(0, 5)},
        {"folders, never a link to one", "*", false, true, defaults | ffDirectory, false,
         all.mid(0, 1) + QStringList{".cache/"} + all.mid(1) + QStringList{"sub/", "Sub2/"}},
        {"recursive, sorted: dot-folders too", "*.txt", true, true, defaults, false,
         texts + QStringList{".cache/e.txt", "sub/d.txt", "Sub2/f.txt"}},
        {"recursive, unsorted", "*.txt", true, false, defaults, false,
         texts + QStringList{".cache/e.txt", "sub/d.txt", "Sub2/f.txt"}},
    };
    for (const Case &c : cases) {
        TFindFile f;
        f.Filter = c.filter;
        f.Recurse = c.recurse;
        f.Sorted = c.sorted;
        f.Attributes = c.attributes;
        f.StrictRO = c.strictRO;
        QStringList found = run(f);
        QStringList expected = c.expected;
        if (!c.sorted) {
            // Breadth-first: the top folder's files come before any below it.
            for (qsizetype i = 1; i < found.size(); ++i)
                EXPECT_FALSE(found[i - 1].contains(u'/') && !found[i].contains(u'/'));
            found.sort();
            expected.sort();
        }
        EXPECT_EQ(found, expected) << c.name;
    }
}

TEST_F(FindFileTree, EventsFrameTheSearchAndNewPathCanAbort)
{
    struct Case {
        const char *name;
        int abortAt;         // the OnNewPath call that aborts (1 = the first), 0 never
        QString directory;   // null: the tree's root
        QStringList visited; // what OnNewPath saw, below root
        int files;
    };
    const Case cases[] = {
        {"abort at the first folder", 1, {}, {""}, 0},
        {"abort at the second folder", 2, {}, {"", ".cache/"}, 7},
        {"every real folder once", 0, {}, {"", ".cache/", "sub/", "Sub2/"}, 10},
        {"no directory: no folder", 0, u""_s, {}, 0},
    };
    for (const Case &c : cases) {
        TFindFile f;
        f.Recurse = true;
        f.Filter = u"*.txt;*.doc"_s;
        QStringList events;
        QStringList visited;
        f.BeforeExecute = [&](TFindFile *) { events << u"before"_s; };
        f.AfterExecute = [&](TFindFile *s) { events << u"after %1"_s.arg(s->Files.size()); };
        f.OnNewPath = [&](TFindFile *, const QString &path, bool &abort) {
            visited << path.mid(root.size() + 1);
            abort = visited.size() == c.abortAt;
        };
        if (!c.directory.isNull())
            root = c.directory;
        EXPECT_EQ(run(f).size(), c.files) << c.name;
        EXPECT_EQ(events, (QStringList{"before", u"after %1"_s.arg(c.files)})) << c.name;
        EXPECT_EQ(visited, c.visited) << c.name;
    }
}

} // namespace
