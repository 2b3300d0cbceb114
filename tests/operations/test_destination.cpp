// The destination rules of the extraction dialog.
#include "engine/qtprint.h"
#include "operations/destination.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

TEST(Destination, EqualsTogglesBetweenTheFolderAndTheSubfolder)
{
    struct Case {
        const char *name;
        QString archive;
        QString destination;
        QString expected;
    };
    const QString win = u"\\:"_s;
    // The sub-folder is cut before the first occurrence of the extension.
    const Case unixCases[] = {
        {"names keep their case", u"/srv/Mixte/Rapport.Zip"_s, u"/srv/mixte/"_s, u"/srv/Mixte/Rapport/"_s},
        {"no trailing separator: not the folder", u"/srv/Mixte/Rapport.Zip"_s, u"/srv/Mixte"_s, u"/srv/Mixte/"_s},
        {"extension found early", u"/d/X.ZIPPER.ZIP"_s, u"/d/"_s, u"/d/X/"_s},
        {"extension twice", u"/d/x.zip.zip"_s, u"/d/"_s, u"/d/x/"_s},
        {"inner extension kept", u"/d/sauvegarde.tar.zip"_s, u"/d/"_s, u"/d/sauvegarde.tar/"_s},
        {"extension search is case-sensitive", u"/d/Data.Zip.ZIP"_s, u"/d/"_s, u"/d/Data.Zip/"_s},
        {"final dot", u"/d/a.b.c."_s, u"/d/"_s, u"/d/a/"_s},
        {"no extension: the whole name", u"/d/sans-extension"_s, u"/d/"_s, u"/d/sans-extension/"_s},
        {"nothing left: the whole name", u"/d/.zip"_s, u"/d/"_s, u"/d/.zip/"_s},
        {"backslash is a name character here", u"/d/a\\b.zip"_s, u"/d/"_s, u"/d/a\\b/"_s},
    };
    const Case winCases[] = {
        {"elsewhere: the archive's folder", u"C:\\A\\DATA.ZIP"_s, u"D:\\X\\"_s, u"C:\\A\\"_s},
        {"empty: the archive's folder", u"C:\\A\\DATA.ZIP"_s, QString(), u"C:\\A\\"_s},
        {"the folder: the sub-folder", u"C:\\A\\DATA.ZIP"_s, u"C:\\A\\"_s, u"C:\\A\\DATA\\"_s},
        {"the sub-folder: the folder again", u"C:\\A\\DATA.ZIP"_s, u"C:\\A\\DATA\\"_s, u"C:\\A\\"_s},
        {"typed in another case counts as equal", u"C:\\A\\DATA.ZIP"_s, u"c:\\a\\"_s, u"C:\\A\\DATA\\"_s},
        {"quoted destination", u"C:\\A\\DATA.ZIP"_s, u"\"C:\\A\\\""_s, u"C:\\A\\DATA\\"_s},
        {"drive colon ends the folder", u"C:DATA.ZIP"_s, u"C:"_s, u"C:\\DATA\\"_s},
    };
    for (const Case &c : unixCases)
        EXPECT_EQ(ToggleDestination(c.archive, c.destination, u"/"_s), c.expected) << c.name;
    for (const Case &c : winCases)
        EXPECT_EQ(ToggleDestination(c.archive, c.destination, win), c.expected) << c.name;
}

TEST(Destination, ChosenDirectoryFallsBackToTheProgramDirectory)
{
    const QString before = QDir::currentPath();
    QTemporaryDir prog;
    QTemporaryDir chosen;
    const QString progDir = prog.path() + u'/';
    const QString gone = chosen.filePath(u"disparu"_s);
    struct Case {
        const char *name;
        QString candidate;
        QString progDir;
        QString expected;
        bool entered;
    };
    const Case cases[] = {
        {"reachable", chosen.path(), progDir, chosen.path() + u'/', true},
        {"with its separator", chosen.path() + u'/', progDir, chosen.path() + u'/', true},
        {"missing: the program's directory", gone, progDir, progDir, true},
        {"empty: the program's directory", QString(), progDir, progDir, true},
        {"nothing reachable: reported", gone, gone + u'/', gone + u'/', false},
    };
    for (const Case &c : cases) {
        QDir::setCurrent(before);
        const EnteredDestination result = EnterChosenDestination(c.candidate, c.progDir);
        EXPECT_EQ(result.directory, c.expected) << c.name;
        EXPECT_EQ(result.enteredOnSecondTry, c.entered) << c.name;
        // Entered as the extraction dialog always did.
        if (c.entered) {
            EXPECT_EQ(QDir::current().canonicalPath(), QDir(c.expected).canonicalPath()) << c.name;
        }
    }
    QDir::setCurrent(before);
}

} // namespace
