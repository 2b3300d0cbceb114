// Archive name rules and size formatting.
#include "browse/archivename.h"
#include "browse/formatsize.h"
#include "shell/labeltable.h"

#include <gtest/gtest.h>

using namespace tovo;

namespace {

TEST(ArchiveName, CleansCompletesOrRefuses)
{
    struct Case {
        const char *name;
        QString typed;
        bool allowExe;
        QString separators;
        bool accepted;
        int label;
        QString result;
        bool cleared;
    };
    const QString win = QStringLiteral("\\:");
    const QString nix = QStringLiteral("/");
    const Case cases[] = {
        {"spaces trimmed, .zip added", QStringLiteral("  C:\\DATA\\backup  "), true, win, true, 0,
         QStringLiteral("C:\\DATA\\backup.zip"), false},
        {"final dot", QStringLiteral("C:\\DATA\\backup."), true, win, true, 0, QStringLiteral("C:\\DATA\\backup.zip"),
         false},
        {"rar refused", QStringLiteral("C:\\DATA\\a.rar"), true, win, false, 121, QString(), true},
        {"zip any case", QStringLiteral("/srv/Sauvegarde.ZiP"), true, nix, true, 0, QStringLiteral("/srv/Sauvegarde.ZiP"),
         false},
        {"apostrophe", QStringLiteral("/srv/l'archive.zip"), true, nix, false, 122, QString(), false},
        {"asterisk", QStringLiteral("/srv/*.zip"), true, nix, false, 122, QString(), false},
        {"control character", QStringLiteral("/srv/a\tb.zip"), true, nix, false, 122, QString(), false},
        {"empty", QStringLiteral("   "), true, nix, false, 121, QString(), false},
        {"exe allowed on opening", QStringLiteral("/srv/auto.exe"), true, nix, true, 0, QStringLiteral("/srv/auto.exe"),
         false},
        {"exe refused for adding", QStringLiteral("/srv/auto.exe"), false, nix, false, 123, QStringLiteral("/srv/auto.exe"),
         false},
        {"bare name goes to the destination", QStringLiteral("backup.zip"), true, nix, true, 0,
         QStringLiteral("/home/u/extraits/backup.zip"), false},
        {"dot in a folder name is not an extension", QStringLiteral("/srv/v1.2/notes"), true, nix, true, 0,
         QStringLiteral("/srv/v1.2/notes.zip"), false},
    };
    for (const Case &c : cases) {
        const ArchiveNameCheck r = CheckArchiveName(c.typed, c.allowExe, QStringLiteral("/home/u/extraits"), c.separators);
        EXPECT_EQ(r.accepted, c.accepted) << c.name;
        EXPECT_EQ(r.label, c.label) << c.name;
        EXPECT_EQ(r.clearField, c.cleared) << c.name;
        if (c.accepted || c.label == 123) {
            EXPECT_EQ(r.name, c.result) << c.name;
        }
    }
}

TEST(ArchiveName, OnlyFloppyDrivesAreMultidisk)
{
    const QString win = QStringLiteral("\\:");
    EXPECT_TRUE(CheckArchiveName(QStringLiteral("a:\\x.zip"), true, QString(), win).multidisk);
    EXPECT_TRUE(CheckArchiveName(QStringLiteral("B:\\x.zip"), true, QString(), win).multidisk);
    EXPECT_FALSE(CheckArchiveName(QStringLiteral("C:\\x.zip"), true, QString(), win).multidisk);
    // A relative folder that happens to be called "a" is no floppy drive.
    EXPECT_FALSE(CheckArchiveName(QStringLiteral("a/x.zip"), true, QString()).multidisk);
    EXPECT_FALSE(CheckArchiveName(QStringLiteral("/b/x.zip"), true, QString()).multidisk);
}

TEST(FormatSize, UnitsAndLocaleSeparators)
{
    SetLabelTable([] {
        QStringList labels;
        for (int i = 1; i <= 258; ++i)
            labels << QString();
        labels[255] = QStringLiteral(" octets");
        labels[256] = QStringLiteral(" Ko");
        labels[257] = QStringLiteral(" Mo");
        return labels;
    }());
    const QLocale fr(QLocale::French, QLocale::France);
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QString group = fr.groupSeparator();
    EXPECT_EQ(FormatSize(0, fr), QStringLiteral("0 octets"));
    EXPECT_EQ(FormatSize(1023, fr), QStringLiteral("1023 octets"));
    EXPECT_EQ(FormatSize(1024, fr), QStringLiteral("1,00 Ko"));
    EXPECT_EQ(FormatSize(1536, en), QStringLiteral("1.50 Ko"));
    EXPECT_EQ(FormatSize(1048576, fr), QStringLiteral("1") + group + QStringLiteral("024,00 Ko"));
    EXPECT_EQ(FormatSize(1048576, en), QStringLiteral("1,024.00 Ko"));
    EXPECT_EQ(FormatSize(1048577, fr), QStringLiteral("1,00 Mo"));
    EXPECT_EQ(FormatSize(1572864, fr), QStringLiteral("1,50 Mo"));
    // Megabytes never carry a thousands separator, even for big archives.
    EXPECT_EQ(FormatSize(5.0 * 1024 * 1048576, fr), QStringLiteral("5120,00 Mo"));
}

} // namespace
