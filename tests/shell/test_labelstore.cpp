// The label store: record format, the creation, update and read passes, and
// every fault that must stop the program.
#include "shell/cp1252.h"
#include "shell/labelstore.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
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

TEST(LabelCodec, Cp1252TellsItselfFromLatin1)
{
    const QString text = QStringLiteral("c\u0153ur \u2019 \u20AC \u00e7a");
    const QByteArray bytes = toCp1252(text);
    EXPECT_EQ(bytes, QByteArray("c\x9c" "ur \x92 \x80 \xe7" "a"));
    EXPECT_EQ(fromCp1252(bytes), text);
    EXPECT_EQ(toCp1252(QStringLiteral("\u4e2d")), QByteArray("?"));
}

TEST(LabelCodec, TransformIsKeyedAndReversible)
{
    const QByteArray plain = QByteArray("Tovo v4.4").leftJustified(LabelTextSize, ' ');
    const QByteArray a = transformLabelText(plain, 1234);
    const QByteArray b = transformLabelText(plain, 4321);
    EXPECT_NE(a, plain);
    EXPECT_NE(a, b);
    EXPECT_EQ(untransformLabelText(a, 1234), plain);
    EXPECT_EQ(untransformLabelText(a, 1234 + 0x10000), plain); // only the low 16 bits count
    EXPECT_NE(untransformLabelText(a, 1235), plain);
}

TEST(LabelCodec, RecordLayout)
{
    LabelRecord r;
    r.text = "Fermer";
    r.key = 777;
    r.marker = UpdateMarker;
    r.sum = labelByteSum(r.text);
    const QByteArray bytes = encodeLabelRecord(r);
    ASSERT_EQ(bytes.size(), 196);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 180);
    EXPECT_EQ(static_cast<unsigned char>(bytes[184]), 777 & 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[185]), 777 >> 8);
    EXPECT_EQ(static_cast<unsigned char>(bytes[188]), 0x01);
    EXPECT_EQ(static_cast<unsigned char>(bytes[189]), 0x20);
    EXPECT_EQ(bytes[192] & 0xFF, r.sum & 0xFF);
    const LabelRecord back = decodeLabelRecord(bytes);
    EXPECT_EQ(back.text, r.text);
    EXPECT_EQ(back.sum, r.sum);
    EXPECT_EQ(back.key, 777);
}

TEST_F(LabelStoreTest, CreatesStoreAndReadsEveryKindOfLine)
{
    const QString longLine = QString(200, QLatin1Char('x'));
    writeLabels({ApplicationTitle, QStringLiteral("Deux\u00a7lignes"), QStringLiteral(";"), longLine,
                 QStringLiteral("fin   ")});
    const LabelLoadResult r = load();
    EXPECT_TRUE(r.fatalErrors.isEmpty()) << r.fatalErrors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(r.labels.size(), 5);
    EXPECT_EQ(r.labels[0], ApplicationTitle);
    EXPECT_EQ(r.labels[1], QStringLiteral("Deux\u00a7lignes"));
    EXPECT_EQ(r.labels[2], QString()); // placeholder in a new store
    EXPECT_EQ(r.labels[3], QString(180, QLatin1Char('x')));
    EXPECT_EQ(r.labels[4], QStringLiteral("fin"));
    EXPECT_EQ(QFileInfo(store()).size(), 5 * 196);
    // Text is not stored in clear.
    EXPECT_FALSE(readFile(store()).contains("Deux"));
}

TEST_F(LabelStoreTest, UpdatePassRewritesChangedLinesAndKeepsPlaceholders)
{
    writeLabels({ApplicationTitle, QStringLiteral("ancien"), QStringLiteral("gard\u00e9")});
    ASSERT_TRUE(load().fatalErrors.isEmpty());
    // Line 3 becomes a placeholder: the stored label stays. Line 4 is appended.
    writeLabels({ApplicationTitle, QStringLiteral("nouveau \u20ac"), QStringLiteral(";"), QStringLiteral("ajout\u00e9")});
    const LabelLoadResult r = load();
    EXPECT_TRUE(r.fatalErrors.isEmpty());
    EXPECT_EQ(r.labels, (QStringList{ApplicationTitle, QStringLiteral("nouveau \u20ac"), QStringLiteral("gard\u00e9"),
                                     QStringLiteral("ajout\u00e9")}));
    const QByteArray bytes = readFile(store());
    ASSERT_EQ(bytes.size(), 4 * 196);
    EXPECT_EQ(static_cast<unsigned char>(bytes[196 + 189]), 0x20); // update marker on rewritten records
}

TEST_F(LabelStoreTest, FaultsThatStopTheProgram)
{
    // Neither file.
    EXPECT_EQ(load().fatalErrors.size(), 1);

    // Another version's title names both titles.
    writeLabels({QStringLiteral("Tovo v4.3"), QStringLiteral("a")});
    LabelLoadResult r = load();
    ASSERT_FALSE(r.fatalErrors.isEmpty());
    EXPECT_TRUE(r.fatalErrors.first().contains(QStringLiteral("Tovo v4.4 / Tovo v4.3")));
    QFile::remove(store());

    // An empty line names its index counted from 0.
    writeLabels({ApplicationTitle, QStringLiteral("a"), QString(), QStringLiteral("b")});
    r = load();
    ASSERT_EQ(r.fatalErrors.size(), 1);
    EXPECT_TRUE(r.fatalErrors.first().endsWith(QStringLiteral(" (2 vide)")));
}

TEST_F(LabelStoreTest, TruncatedStoreStopsAndEmptyStoreIsRebuilt)
{
    writeLabels({ApplicationTitle, QStringLiteral("a")});
    ASSERT_TRUE(load().fatalErrors.isEmpty());
    QFile f(store());
    ASSERT_TRUE(f.resize(2 * 196 - 3));
    LabelLoadResult r = load();
    ASSERT_EQ(r.fatalErrors.size(), 1);
    EXPECT_TRUE(r.fatalErrors.first().endsWith(QStringLiteral(" [err exi]")));

    ASSERT_TRUE(f.resize(0));
    r = load();
    EXPECT_TRUE(r.fatalErrors.isEmpty());
    EXPECT_EQ(r.labels.value(1), QStringLiteral("a"));
    EXPECT_EQ(QFileInfo(store()).size(), 2 * 196);
}

TEST_F(LabelStoreTest, DamagedRecordShowsBothSums)
{
    writeLabels({ApplicationTitle, QStringLiteral("Fermer")});
    ASSERT_TRUE(load().fatalErrors.isEmpty());
    QFile::remove(labels()); // otherwise the update pass would repair the store
    for (int offset : {196 + 3, 196 + 192}) { // a text byte, then the sum itself
        QByteArray bytes = readFile(store());
        const QByteArray original = bytes;
        bytes[offset] = static_cast<char>(bytes[offset] ^ 0x01);
        ASSERT_TRUE(writeFile(store(), bytes));
        const LabelLoadResult r = load();
        ASSERT_EQ(r.fatalErrors.size(), 1) << offset;
        const QString e = r.fatalErrors.first();
        EXPECT_TRUE(e.contains(QStringLiteral("\r1 / calc:"))) << e.toStdString();
        EXPECT_TRUE(e.contains(QStringLiteral(" /fic:"))) << e.toStdString();
        const QString calc = e.section(QStringLiteral(" / calc:"), 1).section(QLatin1Char(' '), 0, 0);
        const QString fic = e.section(QStringLiteral(" /fic:"), 1).section(QLatin1Char('\r'), 0, 0);
        EXPECT_NE(calc, fic);
        ASSERT_TRUE(writeFile(store(), original));
    }
    // The sound store alone is enough.
    const LabelLoadResult r = load();
    EXPECT_TRUE(r.fatalErrors.isEmpty());
    EXPECT_EQ(r.labels.value(1), QStringLiteral("Fermer"));
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
