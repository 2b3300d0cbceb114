// Still pictures, animated GIFs, the full-screen view and opening the
// preview's copy with the desktop's program.
#include "browse/tentrymodel.h"
#include "platform/opendocument.h"
#include "preview/imagedecoding.h"
#include "preview/runrules.h"
#include "preview/tfullslide.h"
#include "preview/tgifview.h"
#include "preview/timageview.h"
#include "shell/labeltable.h"
#include "shell/tfilenameedit.h"
#include "support/mainwindowfixture.h"

#include <QImageWriter>
#include <QListView>
#include <QMovie>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <functional>

namespace tovo::test {
namespace {

// Red on the left half, blue on the right: a channel swapped or a picture
// mirrored shows at once.
QImage twoHalves(QImage::Format format = QImage::Format_RGB32)
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, x < 32 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return image.convertToFormat(format);
}

QImage monochrome()
{
    QImage image(40, 30, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, (x / 5 + y / 5) % 2);
    return image;
}

bool saveQt(const QImage &image, const QString &path, const char *format)
{
    QImageWriter writer(path, format);
    return writer.write(image);
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// ImageMagick writes the PCX samples Qt cannot.
bool convert(const QImage &image, const QString &pcx, const QString &scratch)
{
    return saveQt(image, scratch, "png") && run(QStringLiteral("convert"), {scratch, QStringLiteral("PCX:") + pcx});
}

bool makeWmf(const QString &path)
{
    return run(QStringLiteral("python3"), {QStringLiteral(TOVO_SOURCE_DIR "/tests/preview/makewmf.py"), path});
}

void putBe16(QByteArray &b, int at, int v)
{
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
}

void putLe(QByteArray &b, int at, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + i] = char(v >> (8 * i));
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    putBe16(b, 0, int(v >> 16));
    putBe16(b, 2, int(v & 0xFFFF));
    return b;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    const QByteArray body = QByteArray(type) + data;
    return be32(quint32(data.size())) + body + be32(crc32(body));
}

// A PNG declaring width x height whose data, all zero, would inflate to the
// whole picture (only its start is present).
QByteArray pngBomb(quint32 width, quint32 height, char colourType)
{
    QByteArray ihdr = be32(width) + be32(height) + QByteArray(5, '\0');
    ihdr[8] = 8;
    ihdr[9] = colourType;
    const QByteArray zeros = qCompress(QByteArray(1 << 20, '\0')).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", zeros) +
           pngChunk("IEND", {});
}

// A little-endian TIFF of 8-bit grey declaring width x height.
QByteArray tiffBomb(quint32 width, quint32 height)
{
    const quint16 tags[][2] = {{256, 4}, {257, 4}, {258, 3}, {259, 3}, {262, 3}, {273, 4}, {277, 3}, {278, 4}, {279, 4}};
    const quint32 values[] = {width, height, 8, 1, 1, 200, 1, height, 64};
    QByteArray b("II*\0", 4);
    b.append(QByteArray(4, '\0'));
    putLe(b, 4, 8, 4);
    QByteArray ifd(2 + 9 * 12 + 4, '\0');
    putLe(ifd, 0, 9, 2);
    for (int i = 0; i < 9; ++i) {
        putLe(ifd, 2 + i * 12, tags[i][0], 2);
        putLe(ifd, 4 + i * 12, tags[i][1], 2);
        putLe(ifd, 6 + i * 12, 1, 4);
        putLe(ifd, 10 + i * 12, values[i], 4);
    }
    b += ifd;
    b.resize(200 + 64, '\0');
    return b;
}

// A GIF whose screen and first frame declare width x height.
QByteArray gifBomb(quint16 width, quint16 height)
{
    QByteArray b("GIF89a");
    QByteArray screen(7, '\0');
    putLe(screen, 0, width, 2);
    putLe(screen, 2, height, 2);
    screen[4] = char(0x80); // a global table of two colours
    b += screen + QByteArray(6, '\xff');
    QByteArray frame(10, '\0');
    frame[0] = ',';
    putLe(frame, 5, width, 2);
    putLe(frame, 7, height, 2);
    b += frame + QByteArray("\x02\x02\x44\x01\x00;", 6);
    return b;
}

QByteArray fileBytes(const QString &path) { return readFile(path); }

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
    QString path(const QString &name) const { return dir.filePath(name); }
};

TEST_F(PictureTest, EveryStillImageFormatDecodesWithItsSizeAndColours)
{
    const QString scratch = path(QStringLiteral("scratch.png"));
    struct Case {
        const char *name;
        std::function<bool(const QString &)> make;
        QSize size;
        int colours; // -1: anything but 2
        // A pixel on the left half is red, one on the right half blue.
        bool halves;
    };
    const Case cases[] = {
        {"photo.JPG", [](const QString &p) { return saveQt(twoHalves(), p, "jpeg"); }, {64, 48}, -1, true},
        {"photo.jpeg", [](const QString &p) { return saveQt(twoHalves(), p, "jpeg"); }, {64, 48}, -1, true},
        {"photo.JPE", [](const QString &p) { return saveQt(twoHalves(), p, "jpeg"); }, {64, 48}, -1, true},
        {"scan.TIF", [](const QString &p) { return saveQt(twoHalves(), p, "tiff"); }, {64, 48}, -1, true},
        {"scan-mono.tif", [](const QString &p) { return saveQt(monochrome(), p, "tiff"); }, {40, 30}, 2, false},
        {"picture.PNG", [](const QString &p) { return saveQt(twoHalves(), p, "png"); }, {64, 48}, 1 << 24, true},
        {"alpha.png",
         [](const QString &p) { return saveQt(twoHalves(QImage::Format_ARGB32), p, "png"); },
         {64, 48},
         1 << 24,
         true},
        {"mono.png", [](const QString &p) { return saveQt(monochrome(), p, "png"); }, {40, 30}, 2, false},
        {"picture.BMP", [](const QString &p) { return saveQt(twoHalves(), p, "bmp"); }, {64, 48}, 1 << 24, true},
        {"mono.bmp", [](const QString &p) { return saveQt(monochrome(), p, "bmp"); }, {40, 30}, 2, false},
        {"icon.ICO", [](const QString &p) { return saveQt(twoHalves(), p, "ico"); }, {64, 48}, -1, true},
        {"picture.PCX", [&](const QString &p) { return convert(twoHalves(), p, scratch); }, {64, 48}, -1, true},
        {"mono.pcx", [&](const QString &p) { return convert(monochrome(), p, scratch); }, {40, 30}, 2, false},
        {"drawing.WMF", makeWmf, {160, 120}, 1 << 24, false},
        // The content decides, not the name.
        {"really-a-png.jpg", [](const QString &p) { return saveQt(twoHalves(), p, "png"); }, {64, 48}, 1 << 24, true},
    };
    for (const Case &c : cases) {
        const QString file = path(QString::fromLatin1(c.name));
        ASSERT_TRUE(c.make(file)) << c.name;
        const DecodedPicture picture = DecodePicture(file);
        ASSERT_FALSE(picture.image.isNull()) << c.name;
        EXPECT_EQ(picture.image.size(), c.size) << c.name;
        if (c.colours == -1) {
            EXPECT_NE(picture.colours, 2) << c.name;
        } else {
            EXPECT_EQ(picture.colours, c.colours) << c.name;
        }
        if (c.halves) {
            const QRgb left = picture.image.pixel(8, 24);
            const QRgb right = picture.image.pixel(56, 24);
            EXPECT_TRUE(qRed(left) > 200 && qBlue(left) < 60) << c.name << " left " << Qt::hex << left;
            EXPECT_TRUE(qBlue(right) > 200 && qRed(right) < 60) << c.name << " right " << Qt::hex << right;
        }
    }
    // The drawing: a blue frame around a red ellipse.
    const QImage drawing = DecodePicture(path(QStringLiteral("drawing.WMF"))).image;
    EXPECT_EQ(drawing.pixel(80, 60), qRgb(255, 0, 0));
    EXPECT_EQ(drawing.pixel(5, 5), qRgb(0, 0, 255));
}

TEST_F(PictureTest, BrokenAndHugePicturesAreRefusedWithoutTakingTheirMemory)
{
    ASSERT_TRUE(saveQt(twoHalves(), path(QStringLiteral("good.jpg")), "jpeg"));
    const QByteArray jpeg = fileBytes(path(QStringLiteral("good.jpg")));
    ASSERT_TRUE(convert(monochrome(), path(QStringLiteral("good.pcx")), path(QStringLiteral("scratch.png"))));
    ASSERT_TRUE(makeWmf(path(QStringLiteral("good.wmf"))));
    struct Case {
        const char *name;
        QByteArray bytes;
    };
    QByteArray hugeJpeg = jpeg;
    const int sof = int(hugeJpeg.indexOf("\xff\xc0"));
    ASSERT_GT(sof, 0);
    putBe16(hugeJpeg, sof + 5, 65500);
    putBe16(hugeJpeg, sof + 7, 65500);
    QByteArray hugePcx = fileBytes(path(QStringLiteral("good.pcx")));
    putLe(hugePcx, 8, 65000, 2);
    putLe(hugePcx, 10, 65000, 2);
    QByteArray hugeWmf = fileBytes(path(QStringLiteral("good.wmf")));
    putLe(hugeWmf, 10, 32000, 2); // bounding box right and bottom
    putLe(hugeWmf, 12, 32000, 2);
    QByteArray hugeBmp(54, '\0');
    hugeBmp.replace(0, 2, "BM");
    putLe(hugeBmp, 10, 54, 4);
    putLe(hugeBmp, 14, 40, 4);
    putLe(hugeBmp, 18, 100000, 4);
    putLe(hugeBmp, 22, 100000, 4);
    putLe(hugeBmp, 26, 1, 2);
    putLe(hugeBmp, 28, 24, 2);
    const Case cases[] = {
        {"corrupt.jpg", jpeg.left(20) + QByteArray(2000, '\x5a')},
        {"empty.png", {}},
        {"text.png", "Ceci n'est pas une image.\n"},
        {"huge.png", pngBomb(100000, 100000, 2)},
        {"inflates-to-gigabytes.png", pngBomb(40000, 40000, 0)},
        {"huge.jpg", hugeJpeg},
        {"huge.tif", tiffBomb(100000, 100000)},
        {"huge.bmp", hugeBmp},
        {"huge.pcx", hugePcx},
        {"huge.wmf", hugeWmf},
        {"truncated.pcx", fileBytes(path(QStringLiteral("good.pcx"))).left(140)},
    };
    resetPeakMemory();
    for (const Case &c : cases) {
        const QString file = path(QString::fromLatin1(c.name));
        ASSERT_TRUE(writeFile(file, c.bytes)) << c.name;
        const DecodedPicture picture = DecodePicture(file);
        EXPECT_TRUE(picture.image.isNull()) << c.name;
        EXPECT_EQ(picture.colours, 0) << c.name;
    }
    EXPECT_LT(peakMemoryMb(), 200);
}

TEST_F(PictureTest, ImageViewerKeepsWhatTheQueryDecoded)
{
    const QString file = path(QStringLiteral("picture.bmp"));
    const QString broken = path(QStringLiteral("broken.png"));
    ASSERT_TRUE(saveQt(monochrome(), file, "bmp"));
    ASSERT_TRUE(writeFile(broken, "\x89PNG garbage"));
    TImageView view;
    const ImageInfo info = view.imageInfo(file);
    EXPECT_TRUE(info.ok);
    EXPECT_EQ(info.colours, 2);
    EXPECT_TRUE(view.setMediaName(file));
    EXPECT_EQ(view.picture().size(), QSize(40, 30));
    EXPECT_EQ(view.mediaName(), file);
    // A file changed since the query is decoded again, not shown stale.
    view.imageInfo(file);
    ASSERT_TRUE(saveQt(twoHalves(), file, "bmp"));
    EXPECT_TRUE(view.setMediaName(file));
    EXPECT_EQ(view.picture().size(), QSize(64, 48));

    EXPECT_FALSE(view.imageInfo(broken).ok);
    EXPECT_EQ(view.colours(), 0);
    EXPECT_FALSE(view.setMediaName(broken));
    EXPECT_TRUE(view.picture().isNull());
    EXPECT_TRUE(view.mediaName().isEmpty());
    EXPECT_TRUE(view.setMediaName(QString()));
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
        EXPECT_EQ(view.pictureRect(), c.expected) << c.name;
        // Painting draws the picture where it says, on the background.
        view.setBackgroundColour(Qt::white);
        const QImage shot = view.grab().toImage();
        const QPoint inside = c.expected.intersected(view.rect()).center();
        EXPECT_EQ(shot.pixel(inside), qRgb(255, 0, 0)) << c.name;
        if (c.expected.left() > 0) {
            EXPECT_EQ(shot.pixel(0, 150), qRgb(255, 255, 255)) << c.name;
        }
    }
    TImageView empty;
    empty.resize(400, 300);
    EXPECT_TRUE(empty.pictureRect().isEmpty());
}

TEST_F(PictureTest, GifPlayerPlaysAnimationsAndRefusesBrokenOnes)
{
    const QString animated = path(QStringLiteral("anim.gif"));
    ASSERT_TRUE(run(QStringLiteral("convert"), {QStringLiteral("-delay"), QStringLiteral("5"), QStringLiteral("-size"),
                                                 QStringLiteral("40x30"), QStringLiteral("xc:red"),
                                                 QStringLiteral("xc:blue"), QStringLiteral("xc:lime"), animated}));
    struct Case {
        const char *name;
        QByteArray bytes;
        bool plays;
    };
    const Case cases[] = {
        {"animated", fileBytes(animated), true},
        {"huge screen and frame", gifBomb(65535, 65535), false},
        {"not a GIF", "GIF89a", false},
        {"empty", {}, false},
    };
    resetPeakMemory();
    for (const Case &c : cases) {
        const QString file = path(QStringLiteral("case.gif"));
        ASSERT_TRUE(writeFile(file, c.bytes)) << c.name;
        TGifView view;
        view.resize(200, 100);
        EXPECT_EQ(view.loadFromFile(file), c.plays) << c.name;
        EXPECT_EQ(view.movie() != nullptr, c.plays) << c.name;
        if (!c.plays)
            continue;
        EXPECT_EQ(view.movie()->state(), QMovie::Running) << c.name;
        EXPECT_EQ(view.frameRect(), QRect(80, 35, 40, 30)) << c.name;
        view.setStretch(true);
        EXPECT_EQ(view.frameRect(), view.rect()) << c.name;
        // Frames follow one another.
        QSignalSpy frames(view.movie(), &QMovie::frameChanged);
        EXPECT_TRUE(frames.wait(2000)) << c.name;
        view.clearImage();
        EXPECT_EQ(view.movie(), nullptr);
    }
    EXPECT_LT(peakMemoryMb(), 200);
}

TEST(RunRules, WhatMayRunAProgramIsWarnedEveryTime)
{
    struct Case {
        const char *name;
        QByteArray head;
        bool warned;
    };
    const Case cases[] = {
        {"setup.exe", "MZ\x90", true},
        {"SETUP.EXE", "", true},
        {"command.com", "", true},
        {"raccourci.pif", "", true},
        {"report.docx", "PK\x03\x04", true},
        {"lettre.DOC", "", true},
        {"script.jse", "", true},
        {"app.js", "", true},
        {"lanceur.desktop", "[Desktop Entry]", true},
        {"install.sh", "", true},
        {"installer.run", "", true},
        {"Outil.AppImage", "", true},
        {"outil.jar", "PK\x03\x04", true},
        {"lot.bat", "", true},
        {"paquet.msi", "", true},
        {"programme", "\x7f" "ELF", true},
        {"notes.txt", "#!/bin/sh", true},
        {"image.png", "MZ", true},
        {"photo.jpg", "\xff\xd8\xff\xe0", false},
        {"readme", "Bonjour", false},
        {"archive.shar", "", false},
        {"texte.txt", "", false},
        {"sans-extension", "", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RunsAProgram(QString::fromLatin1(c.name), c.head), c.warned) << c.name;
}

class MediaTest : public MainWindowFixture {
protected:
    QStringList opened;
    bool openSucceeds = true;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        SetPictureDecoderProgram(QStringLiteral(TOVO_BIN_DIR "/tovo-decode"));
        platform::SetDocumentOpener([this](const QString &target) {
            opened << target;
            return openSucceeds;
        });
        start();
    }

    void TearDown() override
    {
        platform::SetDocumentOpener({});
        MainWindowFixture::TearDown();
    }

    // One entry in the list, focused, whose preview copy holds bytes.
    QString previewed(const QString &name, const QByteArray &bytes)
    {
        w->Entries->clear();
        w->Entries->appendPending(QStringLiteral("dossier/") + name, bytes.size());
        w->Entries->commitPending();
        w->ListeficsZip->setCurrentIndex(w->Entries->index(0));
        w->TempFile = TempDir() + name;
        EXPECT_TRUE(writeFile(w->TempFile, bytes));
        return w->TempFile;
    }

    // Shows the picture in the pane as a preview does.
    void showPicture(const QImage &image)
    {
        const QString file = TempDir() + QStringLiteral("vue.bmp");
        ASSERT_TRUE(saveQt(image, file, "bmp"));
        ASSERT_TRUE(w->PMultiMedia1->imageInfo(file).ok);
        ASSERT_TRUE(w->PMultiMedia1->setMediaName(file));
        w->PMultiMedia1->setStretchRatio(true);
        w->PMultiMedia1->resize(300, 200);
        w->PMultiMedia1->show();
    }
};

TEST_F(MediaTest, ClickOnEitherViewerSwitchesBothSizes)
{
    showPicture(twoHalves());
    w->GIFImage->resize(300, 200);
    w->GIFImage->show();
    w->GIFImage->setStretch(false);
    QTest::mouseClick(w->PMultiMedia1, Qt::LeftButton);
    EXPECT_FALSE(w->PMultiMedia1->stretchRatio());
    EXPECT_TRUE(w->GIFImage->stretch());
    QTest::mouseClick(w->GIFImage, Qt::LeftButton);
    EXPECT_TRUE(w->PMultiMedia1->stretchRatio());
    EXPECT_FALSE(w->GIFImage->stretch());
    QTest::mouseClick(w->GIFImage, Qt::RightButton);
    EXPECT_FALSE(w->GIFImage->stretch());
    EXPECT_TRUE(boxes.dialogs.isEmpty());
}

TEST_F(MediaTest, DoubleClickShowsThePreviewedPictureFullScreen)
{
    struct Case {
        const char *name;
        QImage picture;
        // Progress reported while the copy is extracted, in bytes done.
        int progress;
        // The progress bar of a running archive operation.
        int gauge;
        bool opens;
        QColor background;
    };
    const Case cases[] = {
        {"couleurs.bmp", twoHalves(), 0, 0, true, Qt::black},
        {"noir-blanc.bmp", monochrome(), 0, 0, true, Qt::white},
        // The copy's progress moved the bar: once copied, it is no operation.
        {"grande.bmp", twoHalves(), 4000, 0, true, Qt::black},
        {"pendant.bmp", twoHalves(), 0, 40, false, {}},
    };
    QByteArray text = "when -v\n";
    for (const Case &c : cases) {
        const QString source = prog.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(saveQt(c.picture, source, "bmp"));
        const QByteArray size = QByteArray::number(QFileInfo(source).size());
        text += "80 name=" + QByteArray(c.name) + " size=" + size + "\n";
    }
    for (const Case &c : cases) {
        const QByteArray size = QByteArray::number(QFileInfo(prog.filePath(QString::fromLatin1(c.name))).size());
        text += "when " + QByteArray(c.name) + "\n60 name=" + c.name + " size=" + size + "\n";
        if (c.progress)
            text += "1030 name=" + QByteArray(c.name) + " size=" + size + " done=" + QByteArray::number(c.progress) + "\n";
        text += "file name=" + QByteArray(c.name) + " from=" + QFile::encodeName(prog.filePath(QString::fromLatin1(c.name))) +
                "\nreturn 0\n";
    }
    script(text);
    w->NomFic->setText(makeArchive(QStringLiteral("images.zip")));
    w->BtActuClick();
    ASSERT_EQ(w->Entries->count(), 4);
    TFullSlide *slide = AppForms().FullSlide;
    for (int row = 0; row < 4; ++row) {
        const Case &c = cases[row];
        boxes.dialogs.clear();
        w->ListeficsZip->setCurrentIndex(w->Entries->index(row));
        w->ListeFicsZipClick();
        ASSERT_TRUE(w->PMultiMedia1->isVisible()) << c.name;
        if (c.gauge)
            w->Gauge->setValue(c.gauge);
        slide->MultiImage1->setStretchRatio(false);
        QSize shownSize;
        QColor shownBackground;
        bool shownFitted = false;
        boxes.formAnswers.push_back([&](QDialog *) {
            shownSize = slide->MultiImage1->picture().size();
            shownBackground = slide->MultiImage1->backgroundColour();
            shownFitted = slide->MultiImage1->stretchRatio();
            return int(QDialog::Rejected);
        });
        // A double click starts with a click, which switches the pane to natural size.
        QTest::mouseClick(w->PMultiMedia1, Qt::LeftButton);
        QTest::mouseDClick(w->PMultiMedia1, Qt::LeftButton);
        if (!c.opens) {
            EXPECT_TRUE(boxes.dialogs.isEmpty()) << c.name;
            boxes.formAnswers.clear();
            w->Gauge->setValue(0);
            continue;
        }
        EXPECT_EQ(boxes.dialogs, QStringList{QStringLiteral("FullSlide")}) << c.name;
        EXPECT_EQ(shownSize, c.picture.size()) << c.name;
        EXPECT_EQ(shownBackground, c.background) << c.name;
        EXPECT_TRUE(shownFitted) << c.name;
        // Closing fits the pane's picture again.
        EXPECT_TRUE(w->PMultiMedia1->stretchRatio()) << c.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(MediaTest, OpeningACopyAsksAsItsTypeRequires)
{
    struct Step {
        int answer; // 0: no question expected
        int label;  // the question's first label
        bool opens;
    };
    struct Case {
        const char *name;
        QByteArray content;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"setup.exe", "MZ", {{IdYes, 151, true}, {IdYes, 151, true}, {IdNo, 151, false}}},
        {"photo.jpg", "\xff\xd8", {{IdNo, 153, false}, {IdYes, 153, true}, {0, 0, true}, {0, 0, true}}},
        {"report.docx", "PK", {{IdNo, 151, false}, {IdYes, 151, true}}},
        {"outil", "\x7f" "ELF", {{IdYes, 151, true}}},
        {"notes.txt", "#!/bin/sh\n", {{IdNo, 151, false}}},
    };
    for (const Case &c : cases) {
        w->DocExecConfirmed = false;
        const QString name = QString::fromLatin1(c.name);
        const QString copy = previewed(name, c.content);
        QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ExeOwner);
        int step = 0;
        for (const Step &s : c.steps) {
            boxes.shown.clear();
            opened.clear();
            if (s.answer)
                boxes.answers.push_back(s.answer);
            w->Exec1->trigger();
            const QString where = name + QStringLiteral(" step ") + QString::number(++step);
            if (s.answer) {
                ASSERT_EQ(boxes.shown.size(), 1) << where.toStdString();
                EXPECT_EQ(boxes.shown[0].text, GetLabel(s.label) + QStringLiteral("\r ") + name +
                                                   QLatin1Char('\r') + GetLabel(s.label + 1))
                    << where.toStdString();
                EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::YesNo) << where.toStdString();
                EXPECT_EQ(boxes.shown[0].icon, s.label == 151 ? MessageIcon::Warning : MessageIcon::Question)
                    << where.toStdString();
            } else {
                EXPECT_TRUE(boxes.shown.isEmpty()) << where.toStdString();
            }
            EXPECT_EQ(opened, s.opens ? QStringList{copy} : QStringList()) << where.toStdString();
        }
        // What was opened was opened as a document, not run.
        const bool anyOpened = std::any_of(c.steps.begin(), c.steps.end(), [](const Step &s) { return s.opens; });
        EXPECT_EQ(bool(QFile::permissions(copy) & QFileDevice::ExeOwner), !anyOpened) << c.name;
    }
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(MediaTest, OpeningNeedsACopyAndReportsALaunchFailure)
{
    const QString copy = previewed(QStringLiteral("image.png"), "data");
    w->DocExecConfirmed = true;

    w->ListeficsZip->setCurrentIndex(QModelIndex());
    w->Exec1->trigger();
    w->ListeficsZip->setCurrentIndex(w->Entries->index(0));
    QFile::remove(copy);
    w->Exec1->trigger();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(boxes.shown.isEmpty());

    previewed(QStringLiteral("image.png"), "data");
    openSucceeds = false;
    w->Exec1->trigger();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, GetLabel(155) + QStringLiteral(" : 31"));
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::Ok);
}

TEST_F(MediaTest, DoubleClickOnAnEntryTogglesItsCheckMarkOnly)
{
    previewed(QStringLiteral("setup.exe"), "MZ");
    w->Entries->appendPending(QStringLiteral("b.txt"), 1);
    w->Entries->commitPending();
    w->ListeficsZip->resize(300, 200);
    w->ListeficsZip->show();
    const QPoint onText = w->ListeficsZip->visualRect(w->Entries->index(0)).center() + QPoint(40, 0);
    // A double click starts with a click (QTest sends only its second half).
    QTest::mouseClick(w->ListeficsZip->viewport(), Qt::LeftButton, {}, onText);
    QTest::mouseDClick(w->ListeficsZip->viewport(), Qt::LeftButton, {}, onText);
    EXPECT_TRUE(w->Entries->isChecked(0));
    EXPECT_FALSE(w->Entries->isChecked(1));
    EXPECT_TRUE(w->ExtraireUn->isChecked());
    QTest::mouseDClick(w->ListeficsZip->viewport(), Qt::LeftButton, {}, onText);
    EXPECT_FALSE(w->Entries->isChecked(0));
    EXPECT_TRUE(w->ExtraireTout->isChecked());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(boxes.shown.isEmpty());
}

} // namespace
} // namespace tovo::test
