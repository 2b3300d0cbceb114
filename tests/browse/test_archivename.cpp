// Archive name rules, size formatting and how entry names are shown.
#include "browse/archivename.h"
#include "browse/displayname.h"
#include "browse/formatsize.h"
#include "shell/labeltable.h"

#include <gtest/gtest.h>

using namespace tovo;

namespace {

TEST(DisplayedEntryName, OneLineInStoredOrderAtAShowableLength)
{
    // A long name of 60,000 bytes: two-byte characters, a four-byte one
    // (a surrogate pair) right where the start is cut.
    QString longName = QString(30000, QChar(0x00e9));
    longName.replace(DisplayedNameMax / 2 - 1, 2, QStringLiteral("\U0001F600"));
    const struct {
        const char *name;
        QString stored;
        QString shown;
    } cases[] = {
        {"plain name", QStringLiteral("dossier/\u00e9t\u00e9 1.txt"), QStringLiteral("dossier/\u00e9t\u00e9 1.txt")},
        {"line breaks and tab", QStringLiteral("a\nb\rc\td"), QStringLiteral("a\\nb\\rc\\td")},
        {"C0, DEL and C1", QStringLiteral("\x1b[31m\x7f\u0085\u009b"), QStringLiteral("\\x1b[31m\\x7f\\x85\\x9b")},
        {"right-to-left override", QStringLiteral("facture\u202Etxt.exe"), QStringLiteral("facture\\u202etxt.exe")},
        {"isolates and marks", QStringLiteral("\u2067a\u2069\u200F\u061C"),
         QStringLiteral("\\u2067a\\u2069\\u200f\\u061c")},
        {"line separator", QStringLiteral("a\u2028b"), QStringLiteral("a\\u2028b")},
        {"right-to-left letters stay", QStringLiteral("\u05D0\u05D1/x"), QStringLiteral("\u05D0\u05D1/x")},
        {"60,000 bytes keep both ends", longName,
         longName.left(DisplayedNameMax / 2 - 1) + QChar(0x2026) + longName.right(DisplayedNameMax / 2 - 1)},
    };
    for (const auto &c : cases) {
        const QString shown = DisplayedEntryName(c.stored);
        EXPECT_EQ(shown, c.shown) << c.name;
        EXPECT_LE(shown.size(), DisplayedNameMax + 1) << c.name;
    }
}

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
