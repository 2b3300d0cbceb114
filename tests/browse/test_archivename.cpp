// Archive name rules, size formatting and how entry names are shown.
#include "browse/archivename.h"
#include "browse/displayname.h"
#include "browse/formatsize.h"
#include "shell/labeltable.h"

#include <gtest/gtest.h>

using namespace tovo;
using namespace Qt::StringLiterals;

namespace {

TEST(DisplayedEntryName, OneLineInStoredOrderAtAShowableLength)
{
    // A long name of 60,000 bytes: two-byte characters, a four-byte one
    // (a surrogate pair) right where the start is cut.
    QString longName = QString(30000, QChar(0x00e9));
    longName.replace(DisplayedNameMax / 2 - 1, 2, u"\U0001F600"_s);
    const struct {
        const char *name;
        QString stored;
        QString shown;
    } cases[] = {
        {"plain name", u"dossier/\u00e9t\u00e9 1.txt"_s, u"dossier/\u00e9t\u00e9 1.txt"_s},
        {"line breaks and tab", u"a\nb\rc\td"_s, u"a\\nb\\rc\\td"_s},
        {"C0, DEL and C1", u"\x1b[31m\x7f\u0085\u009b"_s, u"\\x1b[31m\\x7f\\x85\\x9b"_s},
        {"right-to-left override", u"facture\u202Etxt.exe"_s, u"facture\\u202etxt.exe"_s},
        {"isolates and marks", u"\u2067a\u2069\u200F\u061C"_s, u"\\u2067a\\u2069\\u200f\\u061c"_s},
        {"line separator", u"a\u2028b"_s, u"a\\u2028b"_s},
        {"right-to-left letters stay", u"\u05D0\u05D1/x"_s, u"\u05D0\u05D1/x"_s},
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
    const QString win = u"\\:"_s;
    const QString nix = u"/"_s;
    const Case cases[] = {
        {"spaces trimmed, .zip added", u"  C:\\DATA\\backup  "_s, true, win, true, 0, u"C:\\DATA\\backup.zip"_s, false},
        {"final dot", u"C:\\DATA\\backup."_s, true, win, true, 0, u"C:\\DATA\\backup.zip"_s, false},
        {"rar refused", u"C:\\DATA\\a.rar"_s, true, win, false, 121, QString(), true},
        {"zip any case", u"/srv/Sauvegarde.ZiP"_s, true, nix, true, 0, u"/srv/Sauvegarde.ZiP"_s, false},
        {"apostrophe", u"/srv/l'archive.zip"_s, true, nix, false, 122, QString(), false},
        {"asterisk", u"/srv/*.zip"_s, true, nix, false, 122, QString(), false},
        {"control character", u"/srv/a\tb.zip"_s, true, nix, false, 122, QString(), false},
        {"empty", u"   "_s, true, nix, false, 121, QString(), false},
        {"exe allowed on opening", u"/srv/auto.exe"_s, true, nix, true, 0, u"/srv/auto.exe"_s, false},
        {"exe refused for adding", u"/srv/auto.exe"_s, false, nix, false, 123, u"/srv/auto.exe"_s, false},
        {"bare name goes to the destination", u"backup.zip"_s, true, nix, true, 0,
         u"/home/u/extraits/backup.zip"_s, false},
        {"dot in a folder name is not an extension", u"/srv/v1.2/notes"_s, true, nix, true, 0,
         u"/srv/v1.2/notes.zip"_s, false},
    };
    for (const Case &c : cases) {
        const ArchiveNameCheck r = CheckArchiveName(c.typed, c.allowExe, u"/home/u/extraits"_s, c.separators);
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
    const QString win = u"\\:"_s;
    EXPECT_TRUE(CheckArchiveName(u"a:\\x.zip"_s, true, QString(), win).multidisk);
    EXPECT_TRUE(CheckArchiveName(u"B:\\x.zip"_s, true, QString(), win).multidisk);
    EXPECT_FALSE(CheckArchiveName(u"C:\\x.zip"_s, true, QString(), win).multidisk);
    // A relative folder that happens to be called "a" is no floppy drive.
    EXPECT_FALSE(CheckArchiveName(u"a/x.zip"_s, true, QString()).multidisk);
    EXPECT_FALSE(CheckArchiveName(u"/b/x.zip"_s, true, QString()).multidisk);
}

TEST(FormatSize, UnitsAndLocaleSeparators)
{
    SetLabelTable([] {
        QStringList labels;
        for (int i = 1; i <= 258; ++i)
            labels << QString();
        labels[255] = u" octets"_s;
        labels[256] = u" Ko"_s;
        labels[257] = u" Mo"_s;
        return labels;
    }());
    const QLocale fr(QLocale::French, QLocale::France);
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QString group = fr.groupSeparator();
    EXPECT_EQ(FormatSize(0, fr), u"0 octets"_s);
    EXPECT_EQ(FormatSize(1023, fr), u"1023 octets"_s);
    EXPECT_EQ(FormatSize(1024, fr), u"1,00 Ko"_s);
    EXPECT_EQ(FormatSize(1536, en), u"1.50 Ko"_s);
    EXPECT_EQ(FormatSize(1048576, fr), u"1"_s + group + u"024,00 Ko"_s);
    EXPECT_EQ(FormatSize(1048576, en), u"1,024.00 Ko"_s);
    EXPECT_EQ(FormatSize(1048577, fr), u"1,00 Mo"_s);
    EXPECT_EQ(FormatSize(1572864, fr), u"1,50 Mo"_s);
    // Megabytes never carry a thousands separator, even for big archives.
    EXPECT_EQ(FormatSize(5.0 * 1024 * 1048576, fr), u"5120,00 Mo"_s);
}

} // namespace
