// The preview's rules without widgets: the class table, the copy's path,
// text decoding, the line index of large files and the RTF converter.
#include "preview/previewrules.h"
#include "preview/rtfconverter.h"
#include "preview/textdecoding.h"
#include "preview/textlineindex.h"
#include "preview/ttextfilemodel.h"
#include "engine/qtprint.h"
#include "support/testfiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovo;
using tovo::test::writeFile;

namespace {

TEST(PreviewRules, ClassTableOrderAndTests)
{
    struct Case {
        const char *name;
        bool htmlRendered;
        PreviewClass expected;
    };
    const Case cases[] = {
        {"setup.exe", true, PreviewClass::NoPreview},
        {"docs/Musique.MP3", true, PreviewClass::NoPreview},
        {"script.js", true, PreviewClass::NoPreview},
        {"data.json", true, PreviewClass::Text}, // equality: .JSON is not .JS
        {"photo.JPG", true, PreviewClass::StillImage},
        {"photo.jpe", true, PreviewClass::StillImage},
        {"image.TIFF", true, PreviewClass::Text}, // only .TIF is an image
        {"anim.gif", true, PreviewClass::Gif},
        {"anim.GIF2", true, PreviewClass::Gif}, // containment
        {"lettre.rtf", true, PreviewClass::Rtf},
        {"page.HTML", true, PreviewClass::Html},
        {"page.htm", false, PreviewClass::Text},
        {"x.gifhtm", true, PreviewClass::Gif}, // the first class that matches
        {"LISEZMOI", true, PreviewClass::Text},
        {"dossier.v2/LISEZMOI", true, PreviewClass::Text}, // a dot in a folder is no extension
        {".profile", true, PreviewClass::Text},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ClassOfFile(QString::fromUtf8(c.name), c.htmlRendered), c.expected) << c.name;
}

TEST(PreviewRules, CopyStaysAFileOfTempDir)
{
    struct Case {
        const char *entry;
        const char *expected; // nullptr: refused
    };
    const Case cases[] = {
        {"lisezmoi.txt", "/t/tovo-1/lisezmoi.txt"},
        {"docs/a b.txt", "/t/tovo-1/a b.txt"},
        {"../../evil.txt", "/t/tovo-1/evil.txt"},
        {"..", nullptr},
        {"dossier/..", nullptr},
        {"dossier/.", nullptr},
        {"dossier/", nullptr},
    };
    for (const Case &c : cases) {
        const std::optional<QString> path = PreviewCopyPath(QStringLiteral("/t/tovo-1/"), QString::fromUtf8(c.entry));
        EXPECT_EQ(path.has_value(), c.expected != nullptr) << c.entry;
        if (path && c.expected) {
            EXPECT_EQ(*path, QString::fromUtf8(c.expected)) << c.entry;
        }
    }
    EXPECT_FALSE(PreviewCopyPath(QStringLiteral("/t/"), QStringLiteral("a") + QChar(0) + QStringLiteral("b")));
}

TEST(TextDecoding, EncodingAndControls)
{
    struct Case {
        const char *name;
        QByteArray bytes;
        ControlDisplay display;
        QString expected;
    };
    const Case cases[] = {
        {"Windows-1252", "\x8C\x9C \x80 \x92 \xE9t\xE9", ControlDisplay::Text,
         QStringLiteral("Œœ € ’ été")},
        {"UTF-8", "\xC5\x93 \xE2\x82\xAC \xF0\x9F\x98\x80", ControlDisplay::Text, QStringLiteral("œ € 😀")},
        {"UTF-8 with its mark", "\xEF\xBB\xBF\xC3\xA9", ControlDisplay::Text, QStringLiteral("é")},
        {"UTF-16 by its mark", QByteArray("\xFF\xFE\xE9\0t\0\r\0\n\0\x3D\xD8\x00\xDE", 14), ControlDisplay::Text,
         QStringLiteral("ét\n😀")},
        {"UTF-16 big-endian, odd last byte", QByteArray("\xFE\xFF\0\xE9\0", 5), ControlDisplay::Text,
         QStringLiteral("é\uFFFD")},
        {"overlong form is not UTF-8", "\xC0\xAF", ControlDisplay::Text, QStringLiteral("À¯")},
        {"surrogate is not UTF-8", "\xED\xA0\x80", ControlDisplay::Text, QStringLiteral("í\u00A0\u20AC")},
        {"beyond U+10FFFF is not UTF-8", "\xF4\x90\x80\x80", ControlDisplay::Text,
         QStringLiteral("ô\u0090\u20AC\u20AC")},
        {"cut sequence at the end is not UTF-8", "a\xC3", ControlDisplay::Text, QStringLiteral("aÃ")},
        {"NUL does not cut the text", QByteArray("avant\0apr\xC3\xA8s", 12), ControlDisplay::Text,
         QStringLiteral("avant\uFFFDaprès")},
        {"line ends", "a\r\nb\rc\nd\x1B\x7F", ControlDisplay::Text, QStringLiteral("a\nb\nc\nd\uFFFD\uFFFD")},
        {"tabs of a row", "a\tb\t\tc", ControlDisplay::Line, QStringLiteral("a       b               c")},
        {"markup keeps controls", QByteArray("<p>\x01\0</p>", 9), ControlDisplay::Markup,
         QStringLiteral("<p>\u0001\uFFFD</p>")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DecodeTextFile(c.bytes, c.display), c.expected) << c.name;
}

class LineIndexTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString file(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("lignes.txt"));
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }

    // Every line as the index reads it, the file indexed in slices of slice bytes.
    static QList<QByteArray> lines(TextLineIndex &index, qint64 slice)
    {
        while (!index.indexMore(slice)) {
        }
        QList<QByteArray> result;
        for (qint64 n = 0; n < index.lineCount(); ++n)
            result << index.line(n, 400 * 1024);
        return result;
    }
};

TEST_F(LineIndexTest, LineEndsInEveryForm)
{
    struct Case {
        const char *name;
        QByteArray bytes;
        QList<QByteArray> expected;
    };
    const Case cases[] = {
        {"empty file", "", {}},
        {"one line end", "\n", {""}},
        {"LF, last line open", "un\ndeux", {"un", "deux"}},
        {"CR LF, final end adds no line", "un\r\ndeux\r\n", {"un", "deux"}},
        {"lone CR", "un\rdeux\r\rtrois", {"un", "deux", "", "trois"}},
        {"LF CR is two ends", "un\n\rdeux", {"un", "", "deux"}},
        {"mixed", "a\r\n\r\nb\nc\r", {"a", "", "b", "c"}},
        {"NUL inside a line", QByteArray("a\0b\nc", 5), {QByteArray("a\0b", 3), "c"}},
    };
    // The same texts in UTF-16 of either byte order, after its mark.
    const auto utf16 = [](const QByteArray &bytes, bool bigEndian) {
        QByteArray out;
        for (char b : bytes)
            out += bigEndian ? QByteArray(1, '\0') + b : QByteArray(1, b) + '\0';
        return out;
    };
    for (const Case &c : cases) {
        for (int form = 0; form < 3; ++form) {
            QByteArray bytes = c.bytes;
            QList<QByteArray> expected = c.expected;
            if (form > 0) {
                bytes = (form == 1 ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) + utf16(bytes, form == 2);
                for (QByteArray &line : expected)
                    line = utf16(line, form == 2);
            }
            // Slices of one byte put every CR LF and every block end to the test.
            for (qint64 slice : {qint64(1), qint64(1) << 30}) {
                TextLineIndex index;
                ASSERT_TRUE(index.open(file(bytes))) << c.name;
                EXPECT_EQ(lines(index, slice), expected) << c.name << " form " << form << " slice " << slice;
            }
        }
    }
}

TEST_F(LineIndexTest, ManyLinesAndLongOnesAreFoundAgain)
{
    // Short lines, then one line of 300 KiB (more than a checkpoint's reach),
    // then lines around it; every line read back equals the one written.
    QList<QByteArray> written;
    for (int i = 0; i < 3000; ++i)
        written << QByteArray::number(i) + QByteArray(i % 7, 'x');
    written << QByteArray(300 * 1024, 'L');
    for (int i = 0; i < 700; ++i)
        written << QByteArray(i % 300, 'y') + QByteArray::number(i);
    QByteArray bytes = written.join("\r\n");
    TextLineIndex index;
    ASSERT_TRUE(index.open(file(bytes)));
    EXPECT_EQ(lines(index, 100000), written);
    EXPECT_EQ(index.longestLine(), 300 * 1024);
    EXPECT_EQ(index.longestLineNumber(), 3000);
    // Read in reverse, so no block of starts is reused by chance.
    for (qint64 n = index.lineCount() - 1; n >= 0; n -= 97)
        EXPECT_EQ(index.line(n, 400 * 1024), written[n]) << n;
}

TEST_F(LineIndexTest, EncodingIsDecidedByTheWholeFile)
{
    // Blocks of 8 bytes cut many of the two-byte "é": still UTF-8, until a
    // Windows-1252 byte comes at the very end.
    const QByteArray utf8 = QByteArray("caf\xC3\xA9\n").repeated(100);
    for (const auto &[tail, expected] : {std::pair{QByteArray(), TextEncoding::Utf8},
                                         std::pair{QByteArray("fin \xE9t\xE9\n"), TextEncoding::Cp1252}}) {
        TextLineIndex index;
        ASSERT_TRUE(index.open(file(utf8 + tail)));
        while (!index.indexMore(8)) {
        }
        EXPECT_EQ(index.encoding(), expected) << tail.size();
    }
}

TEST_F(LineIndexTest, ModelShowsACappedLineWithoutHalfACharacter)
{
    // A binary-like file: no line end at all, one very long line of "é".
    const QByteArray bytes = QByteArray("\xC3\xA9").repeated(50000);
    TTextFileModel model;
    ASSERT_TRUE(model.load(file(bytes)));
    model.finishIndexing();
    ASSERT_EQ(model.rowCount(), 1);
    const QString row = model.itemText(0);
    EXPECT_EQ(row, QString(TTextFileModel::MaxShownBytes / 2, QChar(0xE9)) + QStringLiteral(" \u2026"));
    // The same in UTF-16, with characters of two units each (U+1F600), the
    // cap falling inside one of them.
    ASSERT_TRUE(model.load(file(QByteArray("\xFF\xFE" "A\0", 4) + QByteArray("\x3D\xD8\x00\xDE", 4).repeated(5000))));
    model.finishIndexing();
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.itemText(0),
              QStringLiteral("A") + QStringLiteral("😀").repeated(TTextFileModel::MaxShownBytes / 4 - 1) +
                  QStringLiteral(" \u2026"));
    EXPECT_FALSE(model.load(dir.filePath(QStringLiteral("absent.txt"))));
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(RtfConverter, LimitsAndFailures)
{
    QTemporaryDir dir;
    const QString rtf = dir.filePath(QStringLiteral("-lettre.rtf"));
    ASSERT_TRUE(writeFile(rtf, "{\\rtf1\\ansi\\ansicpg1252 \\'c9t\\'e9, \\'9cuvre, 10 \\'80.\\par}"));
    const QString sleeper = dir.filePath(QStringLiteral("lent.sh"));
    ASSERT_TRUE(writeFile(sleeper, "#!/bin/sh\nsleep 30\n"));
    QFile::setPermissions(sleeper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    struct Case {
        const char *name;
        RtfConversionLimits limits;
        bool converts;
    };
    const Case cases[] = {
        {"unrtf", {}, true},
        {"missing program", {20000, 1 << 20, QStringLiteral("tovo-pas-de-convertisseur")}, false},
        {"time limit", {300, 1 << 20, sleeper}, false},
        {"output limit", {20000, 4096, QStringLiteral("yes")}, false},
        {"failure", {20000, 1 << 20, QStringLiteral("false")}, false},
        {"not a page", {20000, 1 << 20, QStringLiteral("echo")}, false},
    };
    for (const Case &c : cases) {
        const std::optional<QString> html = ConvertRtfToHtml(rtf, c.limits);
        EXPECT_EQ(html.has_value(), c.converts) << c.name;
        if (html) {
            EXPECT_TRUE(html->contains(QLatin1String("&oelig;uvre")) && html->contains(QLatin1String("&euro;")))
                << html->toStdString();
        }
    }
}

} // namespace
