// Settings encoding and placement, the history rules and files, and the
// favourites file.
#include "operations/favourites.h"
#include "shell/history.h"
#include "shell/settingsstore.h"
#include "support/testfiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovo;

namespace {

TEST(Settings, ValuesReadBackAsWrittenAndNothingElseIsDecoded)
{
    EXPECT_EQ(ParseSettingInt(QStringLiteral("0x500")), 1280);
    EXPECT_EQ(ParseSettingInt(QStringLiteral("0X1f")), 31);
    EXPECT_EQ(ParseSettingInt(QStringLiteral("-1")), -1);
    EXPECT_FALSE(ParseSettingInt(QStringLiteral("douze")).has_value());
    EXPECT_FALSE(ParseSettingInt(QString()).has_value());
    EXPECT_FALSE(ParseSettingInt(QStringLiteral("0x")).has_value());

    const QString texts[] = {
        QStringLiteral("/home/u/Mes documents"),
        QStringLiteral("a, b; c = d"),
        QStringLiteral("  espaces autour  "),
        QStringLiteral("guillemets \" et \\ barre"),
        QStringLiteral("\u00e9t\u00e9 \u20ac \U0001F600"),
        QStringLiteral("tab\tfin\n\x01""a\x7f"),
        QStringLiteral("@Variant(\\0\\0)"),
        QStringLiteral("@@deux"),
        QString(),
    };
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("tovo.ini"));
    {
        SettingsStore store(ini);
        store.writeInt(QStringLiteral("Width"), 1280);
        store.writeBool(QStringLiteral("Bulles"), true);
        store.writeText(QStringLiteral("Top"), QStringLiteral("abc"));
        store.writeText(QStringLiteral("DesacTest"), QStringLiteral("2"));
        store.writeText(QStringLiteral("Height"), QStringLiteral("0x300"));
        for (int i = 0; i < int(std::size(texts)); ++i)
            store.writeText(QStringLiteral("T%1").arg(i), texts[i]);
        ASSERT_TRUE(store.sync());
    }
    // Stored as strings, in the "tovo" group.
    const QByteArray raw = test::readFile(ini);
    EXPECT_TRUE(raw.contains("[tovo]"));
    EXPECT_TRUE(raw.contains("Width=1280"));
    EXPECT_TRUE(raw.contains("Bulles=1"));

    const SettingsStore store(ini);
    EXPECT_EQ(store.readInt(QStringLiteral("Width"), 0), 1280);
    EXPECT_EQ(store.readInt(QStringLiteral("Height"), 0), 768);
    EXPECT_EQ(store.readInt(QStringLiteral("Top"), 1), 1); // not a number: default
    EXPECT_EQ(store.readInt(QStringLiteral("Absent"), 42), 42);
    EXPECT_TRUE(store.readBool(QStringLiteral("Bulles"), false));
    EXPECT_TRUE(store.readBool(QStringLiteral("DesacTest"), false)); // any non-zero value
    EXPECT_TRUE(store.readBool(QStringLiteral("DesacTaille"), true));
    EXPECT_EQ(store.readText(QStringLiteral("RepAjout"), QStringLiteral("/prog/")), QStringLiteral("/prog/"));
    for (int i = 0; i < int(std::size(texts)); ++i)
        EXPECT_EQ(store.readText(QStringLiteral("T%1").arg(i), QStringLiteral("?")), texts[i]) << i;

    // Data that QSettings would decode into another type (here a string
    // hundreds of megabytes long) stays the text it is, and other groups
    // survive a save.
    ASSERT_TRUE(test::writeFile(ini, "[autre]\ncle=valeur\n[tovo]\nRepCourant=@Variant(\\0\\0\\0\\n/tovo/\\0/)\n"
                                     "Taille=\"12\"\n"));
    SettingsStore hostile(ini);
    EXPECT_EQ(hostile.readText(QStringLiteral("RepCourant"), QString()), QStringLiteral("@Variant(\0\0\0\n/tovo/\0/)"));
    EXPECT_EQ(hostile.readInt(QStringLiteral("Taille"), 0), 12);
    hostile.writeInt(QStringLiteral("Taille"), 14);
    ASSERT_TRUE(hostile.sync());
    EXPECT_TRUE(test::readFile(ini).contains("cle=valeur"));
    EXPECT_EQ(SettingsStore(ini).readInt(QStringLiteral("Taille"), 0), 14);
}

TEST(Settings, PlacementOutsideTheScreenIsIgnored)
{
    const QRect design(1, 1, 737, 489);
    const QSize screen(1024, 768);
    SavedPlacement s{10, 20, 600, 900};
    EXPECT_EQ(ResolvePlacement(s, design, screen), QRect(20, 10, 900, 600));
    s = {10, 20, 800, 1280}; // saved on a larger screen
    EXPECT_EQ(ResolvePlacement(s, design, screen), QRect(20, 10, 737, 489));
    s = {-5, 1024, 768, 1024}; // each bound is exclusive
    EXPECT_EQ(ResolvePlacement(s, design, screen), design);
    s = {0, 0, 500, 700};
    EXPECT_EQ(ResolvePlacement(s, design, screen), QRect(0, 0, 700, 500));
}

QStringList numbered(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("/a/%1.zip").arg(i);
    return list;
}

TEST(History, ThirtyEntryRule)
{
    struct Case {
        const char *name;
        int before;
        QString added;
        int after;
        bool addedOnTop;
        bool oldestKept;
    };
    const Case cases[] = {
        {"29 then new", 29, QStringLiteral("/new.zip"), 30, true, true},
        {"30 then new", 30, QStringLiteral("/new.zip"), 30, true, false},
        {"30 then listed", 30, QStringLiteral("/a/3.zip"), 29, false, false},
        {"29 then listed", 29, QStringLiteral("/a/3.zip"), 29, false, true},
        {"case differs", 3, QStringLiteral("/A/1.ZIP"), 4, true, true},
    };
    for (const Case &c : cases) {
        QStringList h = numbered(c.before);
        const QString oldest = h.last();
        AddToHistoryList(h, c.added);
        EXPECT_EQ(h.size(), c.after) << c.name;
        EXPECT_EQ(h.first() == c.added, c.addedOnTop) << c.name;
        EXPECT_EQ(h.contains(oldest), c.oldestKept) << c.name;
        EXPECT_EQ(h.removeDuplicates(), 0) << c.name;
    }
}

TEST(History, FileKeepsOrderOverRestarts)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("historique.txt"));
    QStringList h;
    EXPECT_FALSE(ReadHistoryFile(path, h));
    ASSERT_TRUE(test::writeFile(path, "/z/dernier.zip\r\n/a/premier.zip\r\n/m/avec espace \xc3\xa9.zip\r\n"));
    for (int restart = 0; restart < 3; ++restart) {
        ASSERT_TRUE(ReadHistoryFile(path, h));
        EXPECT_EQ(h, (QStringList{QStringLiteral("/z/dernier.zip"), QStringLiteral("/a/premier.zip"),
                                  QStringLiteral("/m/avec espace \u00e9.zip")}));
        ASSERT_TRUE(WriteHistoryFile(path, h));
    }
    ASSERT_TRUE(test::writeFile(path, ""));
    ASSERT_TRUE(ReadHistoryFile(path, h));
    EXPECT_TRUE(h.isEmpty());
    // A write into a folder that does not exist fails and says so.
    EXPECT_FALSE(WriteHistoryFile(dir.filePath(QStringLiteral("absent/historique.txt")), h));
}

TEST(Favourites, SortedCrLfFile)
{
    QStringList fav{QStringLiteral("/srv/b"), QStringLiteral("/home/Docs"), QStringLiteral("/home/docs"),
                    QStringLiteral("/home/a")};
    SortFavourites(fav);
    EXPECT_EQ(fav, (QStringList{QStringLiteral("/home/a"), QStringLiteral("/home/Docs"), QStringLiteral("/home/docs"),
                                QStringLiteral("/srv/b")}));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("favoris.txt"));
    ASSERT_TRUE(SaveFavourites(path, fav));
    EXPECT_EQ(test::readFile(path), QByteArray("/home/a\r\n/home/Docs\r\n/home/docs\r\n/srv/b\r\n"));
    QStringList back;
    ASSERT_TRUE(LoadFavourites(path, back));
    EXPECT_EQ(back, fav);
}

} // namespace
