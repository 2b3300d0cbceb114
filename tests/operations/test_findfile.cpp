// The file search on trees made here: masks, sorting, recursion order,
// attributes, the search events, and what is never offered (FIFOs, links to
// directories, loops).
#include "engine/qtprint.h"
#include "operations/tfindfile.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace tovo;

namespace {

TEST(FindFile, MasksMatchAsOnDos)
{
    struct Case {
        const char *mask;
        const char *name;
        bool matches;
    };
    const Case cases[] = {
        {"*.txt", "a.txt", true},
        {"*.txt", "A.TXT", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt", "txt", false},
        {"*.*", "sans-extension", true},
        {"*", ".cache", true},
        {"*.htm?", "page.htm", true},
        {"*.htm?", "page.html", true},
        {"*.htm?", "page.htmls", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"???.doc", "ab.doc", true},
        {"???.doc", "abcd.doc", false},
        {"lisez?.txt", "lisez.txt", true},
        {"lisezmoi.*", "lisezmoi", true},
        {"lisezmoi.*", "LisezMoi.md", true},
        {"lisezmoi.*", "lisezmoiplus", false},
        {"rapport", "RAPPORT", true},
        {"r*t*.d?c", "rapport final.doc", true},
        {"r*t*.d?c", "rapport final.docx", false},
        {"*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FileMask(QString::fromUtf8(c.mask)).matches(QString::fromUtf8(c.name)), c.matches)
            << c.mask << " / " << c.name;
    }
    EXPECT_EQ(SplitMasks(QStringLiteral(" *.txt; *.doc ;;")), (QStringList{"*.txt", "*.doc"}));
}

class FindFileTree : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString root;

    // root: A.txt a.txt b.txt c.doc notes.md .cache.txt ro.txt (read-only)
    //       fifo.txt (a FIFO), lien.txt -> b.txt, raccourci -> sub, boucle -> .
    //       sub/d.txt  Sub2/f.txt  .cache/e.txt
    void SetUp() override
    {
        root = dir.path() + QStringLiteral("/racine");
        QDir top(dir.path());
        for (const char *d : {"racine/sub", "racine/Sub2", "racine/.cache"})
            ASSERT_TRUE(top.mkpath(QString::fromUtf8(d)));
        for (const char *f : {"A.txt", "a.txt", "b.txt", "c.doc", "notes.md", ".cache.txt", "ro.txt", "sub/d.txt",
                              "Sub2/f.txt", ".cache/e.txt"})
            ASSERT_TRUE(test::writeFile(root + QLatin1Char('/') + QString::fromUtf8(f), "x"));
        ASSERT_TRUE(QFile::setPermissions(root + QStringLiteral("/ro.txt"), QFile::ReadOwner | QFile::ReadGroup));
        ASSERT_EQ(::mkfifo(QFile::encodeName(root + QStringLiteral("/fifo.txt")).constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(QStringLiteral("b.txt"), root + QStringLiteral("/lien.txt")));
        ASSERT_TRUE(QFile::link(QStringLiteral("sub"), root + QStringLiteral("/raccourci")));
        ASSERT_TRUE(QFile::link(QStringLiteral("."), root + QStringLiteral("/boucle")));
    }

    // The search's results below root.
    QStringList run(TFindFile &f) const
    {
        f.Directory = root;
        f.Execute();
        QStringList below;
        for (const QString &path : f.Files) {
            EXPECT_TRUE(path.startsWith(root + QLatin1Char('/'))) << path.toStdString();
            below << path.mid(root.size() + 1);
        }
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
        QStringList expected; // in order when sorted, any order otherwise
    };
    const TAttrOptions defaults = TAttrOptions(ffReadOnly | ffHidden | ffSysFile);
    const QStringList rootTexts{".cache.txt", "A.txt", "a.txt", "b.txt", "lien.txt", "ro.txt"};
    const Case cases[] = {
        {"two masks with a space", "*.txt; *.doc", false, true, defaults, false,
         {".cache.txt", "A.txt", "a.txt", "b.txt", "c.doc", "lien.txt", "ro.txt"}},
        {"a file matched twice, sorted: once", "*.txt;*.*", false, true, defaults, false,
         {".cache.txt", "A.txt", "a.txt", "b.txt", "c.doc", "lien.txt", "notes.md", "ro.txt"}},
        {"a file matched twice, unsorted: twice", "*.txt;*.*", false, false, defaults, false,
         rootTexts + QStringList{".cache.txt", "A.txt", "a.txt", "b.txt", "c.doc", "lien.txt", "notes.md", "ro.txt"}},
        {"hidden files left out", "*.txt", false, true, ffReadOnly, false,
         {"A.txt", "a.txt", "b.txt", "lien.txt", "ro.txt"}},
        {"read-only left out only when strict", "*.txt", false, true, ffHidden, true,
         {".cache.txt", "A.txt", "a.txt", "b.txt", "lien.txt"}},
        {"read-only kept when admitted", "*.txt", false, true, defaults, true, rootTexts},
        {"folders, never a link to one", "*", false, true, defaults | ffDirectory, false,
         {".cache.txt", ".cache/", "A.txt", "a.txt", "b.txt", "c.doc", "lien.txt", "notes.md", "ro.txt", "sub/",
          "Sub2/"}},
        {"recursive, sorted: first pending folder first, dot-folders too", "*.txt", true, true, defaults, false,
         rootTexts + QStringList{".cache/e.txt", "sub/d.txt", "Sub2/f.txt"}},
        {"recursive, unsorted", "*.txt", true, false, defaults, false,
         rootTexts + QStringList{".cache/e.txt", "sub/d.txt", "Sub2/f.txt"}},
        {"nothing matches", "*.xyz", true, true, defaults, false, {}},
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
                EXPECT_FALSE(found[i - 1].contains(QLatin1Char('/')) && !found[i].contains(QLatin1Char('/')))
                    << c.name;
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
        QString directory; // empty: the tree's root
        int abortAt;       // the OnNewPath call that aborts (1 = the first), 0 never
        QStringList paths; // what OnNewPath saw, below root
        int files;
    };
    const Case cases[] = {
        {"abort at the first folder", {}, 1, {""}, 0},
        {"abort at the second folder", {}, 2, {"", ".cache/"}, 7},
        {"no abort: every real folder once", {}, 0, {"", ".cache/", "sub/", "Sub2/"}, 10},
        {"no directory: no folder, nothing found", QStringLiteral(""), 0, {}, 0},
        {"a folder that does not exist", QStringLiteral("/nulle/part"), 0, {}, 0},
    };
    for (const Case &c : cases) {
        TFindFile f;
        f.Recurse = true;
        f.Filter = QStringLiteral("*.txt;*.doc");
        QStringList events;
        QStringList seen;
        f.BeforeExecute = [&](TFindFile *) { events << QStringLiteral("before"); };
        f.AfterExecute = [&](TFindFile *sender) {
            events << QStringLiteral("after %1").arg(sender->Files.size());
        };
        f.OnNewPath = [&](TFindFile *, const QString &path, bool &abort) {
            seen << (path.startsWith(root) ? path.mid(root.size() + 1) : path);
            abort = seen.size() == c.abortAt;
        };
        f.Directory = c.directory.isNull() ? root : c.directory;
        f.Execute();
        EXPECT_EQ(events, (QStringList{"before", QStringLiteral("after %1").arg(c.files)})) << c.name;
        if (c.directory.isNull())
            EXPECT_EQ(seen, c.paths) << c.name;
        else
            EXPECT_EQ(seen.size(), c.directory.isEmpty() ? 0 : 1) << c.name;
        EXPECT_EQ(f.Files.size(), c.files) << c.name;
    }
}

} // namespace
