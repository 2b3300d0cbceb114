// The label store: codec and record format, the creation, update and read
// passes, and every fault that must stop the program.
#include "shell/cp1252.h"
#include "shell/labelstore.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace tovo;
using tovo::test::readFile;
using tovo::test::writeFile;

namespace {

class LabelStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString labels() const { return dir.filePath(LabelsFileName); }
    QString store() const { return dir.filePath(LabelStoreFileName); }

    void writeLabels(const QStringList &lines)
    {
        QByteArray bytes;
        for (const QString &l : lines)
            bytes += toCp1252(l) + "\r\n";
        ASSERT_TRUE(writeFile(labels(), bytes));
    }
    LabelLoadResult load() const { return LoadLabelFiles(dir.path()); }
};

TEST(LabelCodec, Cp1252TransformAndRecordLayout)
{
    const QString text = QStringLiteral("c\u0153ur \u2019 \u20AC \u00e7a");
    EXPECT_EQ(toCp1252(text), QByteArray("c\x9c" "ur \x92 \x80 \xe7" "a"));
    EXPECT_EQ(fromCp1252(toCp1252(text)), text);
    EXPECT_EQ(toCp1252(QStringLiteral("\u4e2d")), QByteArray("?"));

    // Keyed by the key's low 16 bits only, and reversible.
    const QByteArray plain = QByteArray("Tovo v4.4").leftJustified(LabelTextSize, ' ');
    const QByteArray a = transformLabelText(plain, 1234);
    EXPECT_NE(a, transformLabelText(plain, 4321));
    EXPECT_EQ(untransformLabelText(a, 1234 + 0x10000), plain);
    EXPECT_NE(untransformLabelText(a, 1235), plain);

    // Stores written by earlier runs must keep reading: the layout is fixed.
    const LabelRecord r{"Fermer", 777, UpdateMarker, labelByteSum("Fermer")};
    const QByteArray bytes = encodeLabelRecord(r);
    ASSERT_EQ(bytes.size(), 196);
    const auto at = [&bytes](int i) { return int(static_cast<unsigned char>(bytes[i])); };
    EXPECT_EQ((QList<int>{at(0), at(184), at(185), at(188), at(189), at(192)}),
              (QList<int>{180, 777 & 0xFF, 777 >> 8, 0x01, 0x20, r.sum & 0xFF}));
    const LabelRecord back = decodeLabelRecord(bytes);
    EXPECT_EQ(back.text, r.text);
    EXPECT_EQ(back.sum, r.sum);
    EXPECT_EQ(back.key, 777);
}

TEST_F(LabelStoreTest, CreatesStoreAndReadsEveryKindOfLine)
{
    writeLabels({ApplicationTitle, QStringLiteral("Deux\u00a7lignes"), QStringLiteral(";"), QString(200, QLatin1Char('x')),
                 QStringLiteral("fin   ")});
    const LabelLoadResult r = load();
    EXPECT_TRUE(r.fatalErrors.isEmpty()) << r.fatalErrors.join(QLatin1Char('\n')).toStdString();
    // A ";" is a placeholder (empty in a new store); long lines are cut to 180.
    EXPECT_EQ(r.labels, (QStringList{ApplicationTitle, QStringLiteral("Deux\u00a7lignes"), QString(),
                                     QString(180, QLatin1Char('x')), QStringLiteral("fin")}));
    EXPECT_EQ(QFileInfo(store()).size(), 5 * 196);
    EXPECT_FALSE(readFile(store()).contains("Deux")); // not stored in clear
}

TEST_F(LabelStoreTest, UpdateRewritesChangedLinesAndRebuildsAnEmptyStore)
{
    writeLabels({ApplicationTitle, QStringLiteral("ancien"), QStringLiteral("gard\u00e9")});
    ASSERT_TRUE(load().fatalErrors.isEmpty());
    // Line 3 becomes a placeholder: the stored label stays. Line 4 is appended.
    writeLabels({ApplicationTitle, QStringLiteral("nouveau \u20ac"), QStringLiteral(";"), QStringLiteral("ajout\u00e9")});
    const QStringList updated{ApplicationTitle, QStringLiteral("nouveau \u20ac"), QStringLiteral("gard\u00e9"),
                              QStringLiteral("ajout\u00e9")};
    LabelLoadResult r = load();
    EXPECT_TRUE(r.fatalErrors.isEmpty());
    EXPECT_EQ(r.labels, updated);
    const QByteArray bytes = readFile(store());
    ASSERT_EQ(bytes.size(), 4 * 196);
    EXPECT_EQ(static_cast<unsigned char>(bytes[196 + 189]), 0x20); // update marker on rewritten records

    // The sound store alone is enough; an emptied one is made again.
    QFile::remove(labels());
    EXPECT_EQ(load().labels, updated);
    writeLabels({ApplicationTitle, QStringLiteral("a")});
    ASSERT_TRUE(QFile(store()).resize(0));
    r = load();
    EXPECT_TRUE(r.fatalErrors.isEmpty());
    EXPECT_EQ(r.labels.value(1), QStringLiteral("a"));
    EXPECT_EQ(QFileInfo(store()).size(), 2 * 196);
}

TEST_F(LabelStoreTest, FaultsThatStopTheProgram)
{
    const QStringList good{ApplicationTitle, QStringLiteral("Fermer")};
    const auto sound = [this, good] {
        writeLabels(good);
        ASSERT_TRUE(load().fatalErrors.isEmpty());
    };
    // Record 1 of a sound store changed, the labels file gone (it would repair the store).
    const auto damaged = [this, sound](int offset) {
        return [this, sound, offset] {
            sound();
            QFile::remove(labels());
            QByteArray bytes = readFile(store());
            bytes[offset] = static_cast<char>(bytes[offset] ^ 0x01);
            ASSERT_TRUE(writeFile(store(), bytes));
        };
    };
    const struct {
        const char *name;
        std::function<void()> make;
        QString says; // in the one error
    } cases[] = {
        {"neither file", [] {}, LabelsFileName},
        {"another version's title names both",
         [this] { writeLabels({QStringLiteral("Tovo v4.3"), QStringLiteral("a")}); },
         QStringLiteral("Tovo v4.4 / Tovo v4.3")},
        {"an empty line names its index from 0",
         [this] { writeLabels({ApplicationTitle, QStringLiteral("a"), QString(), QStringLiteral("b")}); },
         QStringLiteral(" (2 vide)")},
        {"truncated store", [this, sound] { sound(); ASSERT_TRUE(QFile(store()).resize(2 * 196 - 3)); },
         QStringLiteral(" [err exi]")},
        {"a text byte damaged", damaged(196 + 3), QStringLiteral("\r1 / calc:")},
        {"the sum itself damaged", damaged(196 + 192), QStringLiteral("\r1 / calc:")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(labels());
        QFile::remove(store());
        c.make();
        const QStringList errors = load().fatalErrors;
        ASSERT_EQ(errors.size(), 1) << errors.join(QLatin1Char('\n')).toStdString();
        const QString &e = errors.first();
        EXPECT_TRUE(e.contains(c.says)) << e.toStdString();
        if (c.says.contains(QLatin1String("calc"))) {
            // Both sums shown, and they differ.
            const QString calc = e.section(QStringLiteral(" / calc:"), 1).section(QLatin1Char(' '), 0, 0);
            const QString fic = e.section(QStringLiteral(" /fic:"), 1).section(QLatin1Char('\r'), 0, 0);
            EXPECT_FALSE(fic.isEmpty()) << e.toStdString();
            EXPECT_NE(calc, fic);
        }
    }
}

TEST_F(LabelStoreTest, ShippedLabelsFileIsComplete)
{
    ASSERT_TRUE(QFile::copy(test::shippedLabelsFile(), labels()));
    const LabelLoadResult r = load();
    EXPECT_TRUE(r.fatalErrors.isEmpty()) << r.fatalErrors.join(QLatin1Char('\n')).toStdString();
    ASSERT_GE(r.labels.size(), 287);
    EXPECT_EQ(r.labels[266], QStringLiteral("favoris.txt"));
    EXPECT_EQ(r.labels[273], QStringLiteral("historique.txt"));
    // The labels the program itself uses all carry a text.
    for (int n : {4, 11, 18, 19, 34, 127, 132, 133, 220, 233, 245, 246, 256, 257, 258, 262, 272, 276})
        EXPECT_FALSE(r.labels[n - 1].trimmed().isEmpty()) << "label " << n;
    // The raw file is Windows-1252: no UTF-8 sequences for accented letters.
    EXPECT_FALSE(readFile(labels()).contains("\xc3\xa9"));
}

// Several programs starting at once each rewrite the store; none may read a
// half-written one.
TEST_F(LabelStoreTest, ConcurrentStartsNeverSeeADamagedStore)
{
    ASSERT_TRUE(QFile::copy(test::shippedLabelsFile(), labels()));
    std::atomic<int> faults = 0;
    std::vector<std::thread> starts;
    for (int t = 0; t < 4; ++t)
        starts.emplace_back([&] {
            for (int i = 0; i < 40; ++i)
                if (!load().fatalErrors.isEmpty())
                    ++faults;
        });
    for (std::thread &t : starts)
        t.join();
    EXPECT_EQ(faults, 0);
}

} // namespace
