// The destination rules of the extraction dialog: the folder named after an
// archive, the "=" toggle (with Windows-style names too), and entering a
// directory picked in the chooser.
#include "engine/qtprint.h"
#include "operations/destination.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovo;

namespace {

TEST(Destination, ArchiveBaseNameCutsAtTheFirstOccurrenceOfTheExtension)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("DATA.ZIP"), QStringLiteral("DATA")},
        // The extension text is found first at the second character.
        {QStringLiteral("X.ZIPPER.ZIP"), QStringLiteral("X")},
        {QStringLiteral("x.zip.zip"), QStringLiteral("x")},
        {QStringLiteral("sauvegarde.tar.zip"), QStringLiteral("sauvegarde.tar")},
        // The search is case-sensitive: ".Zip" is not ".ZIP".
        {QStringLiteral("Data.Zip.ZIP"), QStringLiteral("Data.Zip")},
        {QStringLiteral("nom."), QStringLiteral("nom")},
        {QStringLiteral("a.b.c."), QStringLiteral("a")},
        // Nothing left to cut to: the whole name, never an unnamed folder.
        {QStringLiteral("sans-extension"), QStringLiteral("sans-extension")},
        {QStringLiteral(".zip"), QStringLiteral(".zip")},
    };
    for (const auto &[name, expected] : cases)
        EXPECT_EQ(ArchiveBaseName(name), expected) << name.toStdString();
}

TEST(Destination, EqualsTogglesBetweenTheFolderAndTheSubfolder)
{
    struct Case {
        const char *name;
        QString archive;
        QString destination;
        QString separators;
        QString expected;
    };
    const QString win = QStringLiteral("\\:");
    const QString unix = QStringLiteral("/");
    const Case cases[] = {
        {"elsewhere: the archive's folder", QStringLiteral("C:\\A\\DATA.ZIP"), QStringLiteral("D:\\X\\"), win,
         QStringLiteral("C:\\A\\")},
        {"empty: the archive's folder", QStringLiteral("C:\\A\\DATA.ZIP"), QString(), win, QStringLiteral("C:\\A\\")},
        {"the folder: the sub-folder", QStringLiteral("C:\\A\\DATA.ZIP"), QStringLiteral("C:\\A\\"), win,
         QStringLiteral("C:\\A\\DATA\\")},
        {"the sub-folder: the folder again", QStringLiteral("C:\\A\\DATA.ZIP"), QStringLiteral("C:\\A\\DATA\\"), win,
         QStringLiteral("C:\\A\\")},
        {"typed in another case counts as equal", QStringLiteral("C:\\A\\DATA.ZIP"), QStringLiteral("c:\\a\\"), win,
         QStringLiteral("C:\\A\\DATA\\")},
        {"quoted destination", QStringLiteral("C:\\A\\DATA.ZIP"), QStringLiteral("\"C:\\A\\\""), win,
         QStringLiteral("C:\\A\\DATA\\")},
        {"drive colon ends the folder", QStringLiteral("C:DATA.ZIP"), QStringLiteral("C:"), win,
         QStringLiteral("C:\\DATA\\")},
        {"names keep their case", QStringLiteral("/srv/Mixte/Rapport.Zip"), QStringLiteral("/srv/mixte/"), unix,
         QStringLiteral("/srv/Mixte/Rapport/")},
        {"no trailing separator: not the folder", QStringLiteral("/srv/Mixte/Rapport.Zip"),
         QStringLiteral("/srv/Mixte"), unix, QStringLiteral("/srv/Mixte/")},
        {"X.ZIPPER.ZIP", QStringLiteral("/d/X.ZIPPER.ZIP"), QStringLiteral("/d/"), unix, QStringLiteral("/d/X/")},
        {"backslash is a name character here", QStringLiteral("/d/a\\b.zip"), QStringLiteral("/d/"), unix,
         QStringLiteral("/d/a\\b/")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ToggleDestination(c.archive, c.destination, c.separators), c.expected) << c.name;
}

TEST(Destination, ChosenDirectoryFallsBackToTheProgramDirectory)
{
    const QString before = QDir::currentPath();
    QTemporaryDir prog;
    QTemporaryDir chosen;
    const QString progDir = prog.path() + QLatin1Char('/');
    struct Case {
        const char *name;
        QString candidate;
        QString progDir;
        QString expected;
        bool entered;
    };
    const QString gone = chosen.filePath(QStringLiteral("disparu"));
    const Case cases[] = {
        {"reachable", chosen.path(), progDir, chosen.path() + QLatin1Char('/'), true},
        {"with its separator", chosen.path() + QLatin1Char('/'), progDir, chosen.path() + QLatin1Char('/'), true},
        {"missing: the program's directory", gone, progDir, progDir, true},
        {"empty: the program's directory", QString(), progDir, progDir, true},
        {"nothing reachable: reported", gone, gone + QLatin1Char('/'), gone + QLatin1Char('/'), false},
    };
    for (const Case &c : cases) {
        QDir::setCurrent(before);
        const EnteredDestination result = EnterChosenDestination(c.candidate, c.progDir);
        EXPECT_EQ(result.directory, c.expected) << c.name;
        EXPECT_EQ(result.enteredOnSecondTry, c.entered) << c.name;
        if (c.entered) {
            // Entered as the extraction dialog always did.
            EXPECT_EQ(QDir::current().canonicalPath(), QDir(c.expected).canonicalPath()) << c.name;
        }
    }
    QDir::setCurrent(before);
}

} // namespace
