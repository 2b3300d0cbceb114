// Still pictures and animated GIFs: decoding, refusals, the viewers, and
// which files may run a program. The window's side is in test_preview.
#include "preview/imagedecoding.h"
#include "preview/runrules.h"
#include "preview/tgifview.h"
#include "preview/timageview.h"
#include "support/testfiles.h"

#include <zlib.h>

#include <QImageWriter>
#include <QMovie>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tovo::test {
namespace {

// Red on the left half, blue on the right: swapped channels or a mirrored
// picture show at once.
QImage twoHalves(QImage::Format format = QImage::Format_RGB32)
{
    QImage image(64, 48, format);
    image.fill(qRgb(0, 0, 255));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    return image;
}

QImage monochrome()
{
    QImage image(40, 30, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, (x / 5 + y / 5) % 2);
    return image;
}

bool run(const QString &program, const QStringList &arguments)
{
    return toolOutput(program, arguments).has_value();
}

// Qt writes every format but PCX (ImageMagick's) and WMF (a script's).
bool write(const QImage &image, const QString &path, const char *format)
{
    if (qstrcmp(format, "pcx") == 0)
        return write(image, path + QStringLiteral(".png"), "png") &&
               run(QStringLiteral("convert"), {path + QStringLiteral(".png"), QStringLiteral("PCX:") + path});
    if (qstrcmp(format, "wmf") == 0)
        return run(QStringLiteral("python3"), {QStringLiteral(TOVO_SOURCE_DIR "/tests/preview/makewmf.py"), path});
    return QImageWriter(path, format).write(image);
}

// Writes value in bytes at offset, least significant byte first unless big.
void put(QByteArray &b, qsizetype at, quint32 value, int bytes, bool big = false)
{
    for (int i = 0; i < bytes; ++i)
        b[at + (big ? bytes - 1 - i : i)] = char(value >> (8 * i));
}

// A PNG of width x height black pixels; its data inflates to the whole
// picture, or stops after the first row.
QByteArray pngDeclaring(quint32 width, quint32 height, bool complete)
{
    const auto chunk = [](const QByteArray &body) {
        QByteArray out(4, '\0');
        put(out, 0, quint32(body.size() - 4), 4, true);
        QByteArray crc(4, '\0');
        put(crc, 0, quint32(crc32(0, reinterpret_cast<const Bytef *>(body.data()), uInt(body.size()))), 4, true);
        return out + body + crc;
    };
    QByteArray ihdr("IHDR" + QByteArray(13, '\0'));
    put(ihdr, 4, width, 4, true);
    put(ihdr, 8, height, 4, true);
    ihdr[12] = 8; // 8-bit RGB
    ihdr[13] = 2;
    QByteArray idat = "IDAT", row(1 + 3 * width, '\0'), out(1 << 16, '\0');
    z_stream z{};
    deflateInit(&z, 1);
    const quint32 rows = complete ? height : 1;
    for (quint32 y = 0; y < rows; ++y) {
        z.next_in = reinterpret_cast<Bytef *>(row.data());
        z.avail_in = uInt(row.size());
        do {
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            deflate(&z, y + 1 == rows ? Z_FINISH : Z_NO_FLUSH);
            idat.append(out.constData(), out.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk(ihdr) + chunk(idat) + chunk("IEND");
}

// A GIF whose screen and first frame declare width x height.
QByteArray gifDeclaring(quint16 width, quint16 height)
{
    QByteArray b = "GIF89a" + QByteArray(7, '\0') + QByteArray(6, '\xff') + ',' + QByteArray(9, '\0');
    put(b, 6, width, 2);
    put(b, 8, height, 2);
    b[10] = char(0x80); // a global table of two colours
    put(b, 24, width, 2);
    put(b, 26, height, 2);
    return b + QByteArray("\x02\x02\x44\x01\x00;", 6);
}

// The highest resident memory of this process since the last reset, in MiB.
void resetPeakMemory() { writeFile(QStringLiteral("/proc/self/clear_refs"), "5"); }
int peakMemoryMb()
{
    for (const QByteArray &line : readFile(QStringLiteral("/proc/self/status")).split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toInt() / 1024;
    return -1;
}

class PictureTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    void SetUp() override { SetPictureDecoderProgram(QStringLiteral(TOVO_BIN_DIR "/tovo-decode")); }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(PictureTest, EveryStillImageFormatDecodesWithItsSizeAndColours)
{
    struct Case {
        const char *name;
        const char *format;
        QImage image;
        int colours; // -1: anything but 2
    };
    const QImage halves = twoHalves();
    const Case cases[] = {
        {"photo.JPG", "jpeg", halves, -1},
        {"scan.TIF", "tiff", halves, -1},
        {"scan-mono.tif", "tiff", monochrome(), 2},
        {"picture.PNG", "png", halves, 1 << 24},
        {"alpha.png", "png", twoHalves(QImage::Format_ARGB32), 1 << 24},
        {"mono.png", "png", monochrome(), 2},
        {"picture.BMP", "bmp", halves, 1 << 24},
        {"mono.bmp", "bmp", monochrome(), 2},
        {"icon.ICO", "ico", halves, -1},
        {"picture.PCX", "pcx", halves, -1},
        {"mono.pcx", "pcx", monochrome(), 2},
        // A blue frame around a red ellipse, 160 x 120.
        {"drawing.WMF", "wmf", {}, 1 << 24},
        // The content decides, not the name.
        {"really-a-png.jpg", "png", halves, 1 << 24},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(write(c.image, path(c.name), c.format)) << c.name;
        const DecodedPicture picture = DecodePicture(path(c.name));
        const QImage &p = picture.image;
        ASSERT_FALSE(p.isNull()) << c.name;
        EXPECT_EQ(p.size(), c.image.isNull() ? QSize(160, 120) : c.image.size()) << c.name;
        EXPECT_TRUE(c.colours == -1 ? picture.colours != 2 : picture.colours == c.colours) << c.name;
        if (c.image.isNull()) {
            EXPECT_EQ(p.pixel(80, 60), qRgb(255, 0, 0));
            EXPECT_EQ(p.pixel(5, 5), qRgb(0, 0, 255));
        } else if (c.image.width() == 64) {
            const QRgb left = p.pixel(8, 24), right = p.pixel(56, 24);
            EXPECT_TRUE(qRed(left) > 200 && qBlue(left) < 60 && qBlue(right) > 200 && qRed(right) < 60) << c.name;
        }
    }
}

TEST_F(PictureTest, BrokenAndHugePicturesAreRefusedWithoutTakingTheirMemory)
{
    ASSERT_TRUE(write(twoHalves(), path("good.jpg"), "jpeg"));
    ASSERT_TRUE(write(monochrome(), path("good.pcx"), "pcx"));
    ASSERT_TRUE(write({}, path("good.wmf"), "wmf"));
    const QByteArray jpeg = readFile(path("good.jpg"));
    QByteArray hugeJpeg = jpeg;
    const qsizetype frame = hugeJpeg.indexOf("\xff\xc0");
    ASSERT_GT(frame, 0);
    put(hugeJpeg, frame + 5, 65500, 2, true);
    put(hugeJpeg, frame + 7, 65500, 2, true);
    QByteArray hugePcx = readFile(path("good.pcx"));
    put(hugePcx, 8, 65000, 2); // right and bottom edges
    put(hugePcx, 10, 65000, 2);
    QByteArray hugeWmf = readFile(path("good.wmf"));
    put(hugeWmf, 10, 32000, 2); // bounding box, at 72 units per inch
    put(hugeWmf, 12, 32000, 2);
    const std::pair<const char *, QByteArray> cases[] = {
        {"corrupt.jpg", jpeg.left(20) + QByteArray(2000, '\x5a')},
        {"text.png", "Ceci n'est pas une image.\n"},
        {"huge.png", pngDeclaring(100000, 100000, false)},
        // 288 MiB once decoded, all of it in the file.
        {"inflates.png", pngDeclaring(9000, 8000, true)},
        {"huge.jpg", hugeJpeg},
        {"huge.pcx", hugePcx},
        {"huge.wmf", hugeWmf},
        {"truncated.pcx", readFile(path("good.pcx")).left(140)},
    };
    resetPeakMemory();
    for (const auto &[name, bytes] : cases) {
        ASSERT_TRUE(writeFile(path(name), bytes)) << name;
        const DecodedPicture picture = DecodePicture(path(name));
        EXPECT_TRUE(picture.image.isNull() && picture.colours == 0) << name;
    }
    EXPECT_LT(peakMemoryMb(), 200);
}

TEST_F(PictureTest, ImageViewerShowsWhatTheQueryDecodedUnlessTheFileChanged)
{
    ASSERT_TRUE(write(monochrome(), path("picture.bmp"), "bmp"));
    TImageView view;
    EXPECT_EQ(view.imageInfo(path("picture.bmp")).colours, 2);
    ASSERT_TRUE(write(twoHalves(), path("picture.bmp"), "bmp"));
    EXPECT_TRUE(view.setMediaName(path("picture.bmp")));
    EXPECT_EQ(view.picture().size(), QSize(64, 48));
    EXPECT_EQ(view.colours(), 2); // the last query's

    ASSERT_TRUE(writeFile(path("broken.png"), "\x89PNG garbage"));
    EXPECT_FALSE(view.imageInfo(path("broken.png")).ok);
    EXPECT_FALSE(view.setMediaName(path("broken.png")));
    EXPECT_TRUE(view.picture().isNull() && view.mediaName().isEmpty());
}

TEST_F(PictureTest, ImageViewerCentresAndFitsKeepingProportions)
{
    struct Case {
        const char *name;
        QSize picture;
        bool stretch;
        QRect expected;
    };
    const Case cases[] = {
        {"wide, fitted", {200, 50}, true, {0, 100, 400, 100}},
        {"tall, fitted", {50, 100}, true, {125, 0, 150, 300}},
        {"small, fitted grows", {40, 30}, true, {0, 0, 400, 300}},
        {"wide, natural", {200, 50}, false, {100, 125, 200, 50}},
        {"larger than the area, natural", {600, 500}, false, {-100, -100, 600, 500}},
    };
    for (const Case &c : cases) {
        TImageView view;
        view.resize(400, 300);
        QImage picture(c.picture, QImage::Format_RGB32);
        picture.fill(Qt::red);
        view.setPicture(picture);
        view.setStretchRatio(c.stretch);
        view.setBackgroundColour(Qt::white);
        EXPECT_EQ(view.pictureRect(), c.expected) << c.name;
        const QImage shot = view.grab().toImage();
        EXPECT_EQ(shot.pixel(c.expected.intersected(view.rect()).center()), qRgb(255, 0, 0)) << c.name;
        EXPECT_EQ(shot.pixel(0, 150), c.expected.left() > 0 ? qRgb(255, 255, 255) : qRgb(255, 0, 0)) << c.name;
    }
}

TEST_F(PictureTest, GifPlayerPlaysFramesAndRefusesHugeOnes)
{
    ASSERT_TRUE(run(QStringLiteral("convert"), {QStringLiteral("-delay"), QStringLiteral("5"), QStringLiteral("-size"),
                                                 QStringLiteral("40x30"), QStringLiteral("xc:red"),
                                                 QStringLiteral("xc:blue"), path("anim.gif")}));
    ASSERT_TRUE(writeFile(path("huge.gif"), gifDeclaring(65535, 65535)));
    TGifView view;
    view.resize(200, 100);
    resetPeakMemory();
    EXPECT_FALSE(view.loadFromFile(path("huge.gif")));
    EXPECT_LT(peakMemoryMb(), 200);
    ASSERT_TRUE(view.loadFromFile(path("anim.gif")));
    EXPECT_EQ(view.frameRect(), QRect(80, 35, 40, 30));
    view.setStretch(true);
    EXPECT_EQ(view.frameRect(), view.rect());
    QSignalSpy frames(view.movie(), &QMovie::frameChanged);
    EXPECT_TRUE(frames.wait(2000));
}

TEST(RunRules, WhatMayRunAProgramIsWarnedEveryTime)
{
    const std::tuple<const char *, QByteArray, bool> cases[] = {
        {"setup.exe", "MZ\x90", true},         {"SETUP.EXE", "", true},
        {"command.com", "", true},             {"raccourci.pif", "", true},
        {"report.docx", "PK\x03\x04", true},   {"lettre.DOC", "", true},
        {"script.jse", "", true},              {"app.js", "", true},
        {"lanceur.desktop", "[Desktop", true}, {"install.sh", "", true},
        {"installer.run", "", true},           {"Outil.AppImage", "", true},
        {"outil.jar", "PK\x03\x04", true},     {"lot.bat", "", true},
        {"paquet.msi", "", true},              {"programme", "\x7f" "ELF", true},
        {"notes.txt", "#!/bin/sh", true},      {"image.png", "MZ", true},
        {"photo.jpg", "\xff\xd8\xff", false},  {"readme", "Bonjour", false},
        {"archive.shar", "", false},           {"sans-extension", "", false},
    };
    for (const auto &[name, head, warned] : cases)
        EXPECT_EQ(RunsAProgram(QString::fromLatin1(name), head), warned) << name;
}

} // namespace
} // namespace tovo::test
