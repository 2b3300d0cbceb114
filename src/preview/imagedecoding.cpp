#include "preview/imagedecoding.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImageReader>
#include <QLoggingCategory>
#include <QProcess>

#include <cstring>

namespace tovo {
namespace {

Q_LOGGING_CATEGORY(lcImages, "tovo.preview.images", QtWarningMsg)

constexpr qint64 PictureByteLimit = qint64(PictureMemoryLimitMb) * 1024 * 1024;
// How long the external decoder may take before it is stopped.
constexpr int DecoderTimeoutMs = 20000;

QString &decoderOverride()
{
    static QString program;
    return program;
}

enum class ForeignKind { None, Pcx, Wmf };

struct ForeignFormat {
    ForeignKind kind = ForeignKind::None;
    // Colours as the header declares them.
    int colours = 0;
};

// PCX and WMF carry no format Qt knows; their first bytes tell them apart
// from everything Qt reads.
ForeignFormat foreignFormat(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(128);
    if (head.size() < 18)
        return {};
    const auto byte = [&head](int i) { return static_cast<unsigned char>(head[i]); };
    // Placeable metafile key, or the header of a plain metafile (type 1 or
    // 2, header size 9 words, version 0x0100 or 0x0300). A drawing has the
    // colours of a screen.
    if (byte(0) == 0xD7 && byte(1) == 0xCD && byte(2) == 0xC6 && byte(3) == 0x9A)
        return {ForeignKind::Wmf, 1 << 24};
    if ((byte(0) == 1 || byte(0) == 2) && byte(1) == 0 && byte(2) == 9 && byte(3) == 0 && byte(4) == 0 &&
        (byte(5) == 1 || byte(5) == 3))
        return {ForeignKind::Wmf, 1 << 24};
    // Manufacturer 10, a known version, run-length encoding, 1 to 8 bits per
    // pixel in each of 1 to 4 planes.
    if (head.size() >= 128 && byte(0) == 0x0A && byte(1) <= 5 && byte(1) != 1 && byte(2) == 1 &&
        (byte(3) == 1 || byte(3) == 2 || byte(3) == 4 || byte(3) == 8) && byte(65) >= 1 && byte(65) <= 4)
        return {ForeignKind::Pcx, 1 << qMin(24, byte(3) * byte(65))};
    return {};
}

int coloursOf(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        return image.colorCount();
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
        return 256;
    case QImage::Format_Grayscale16:
        return 65536;
    default:
        return 1 << 24;
    }
}

bool withinLimit(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width * height * 4 <= PictureByteLimit;
}

// Converts to the format painting uses, refusing pictures whose 32-bit form
// would pass the limit (a one-bit picture is 32 times smaller decoded).
QImage forPainting(QImage image)
{
    if (image.isNull() || !withinLimit(image.width(), image.height()))
        return {};
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image.convertTo(format);
    return image;
}

DecodedPicture decodeWithQt(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // Refused before decoding: the size is in the header.
    const QSize declared = reader.size();
    if (declared.isValid() && !withinLimit(declared.width(), declared.height())) {
        qCInfo(lcImages) << "picture too large:" << declared << path;
        return {};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        qCInfo(lcImages) << "cannot decode" << path << reader.errorString();
        return {};
    }
    const int colours = coloursOf(image);
    image = forPainting(std::move(image));
    if (image.isNull())
        return {};
    return {image, colours};
}

bool readExactly(QProcess &process, char *data, qint64 size, const QDeadlineTimer &deadline)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 n = process.read(data + done, size - done);
        if (n < 0)
            return false;
        done += n;
        if (done < size && !process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
    }
    return true;
}

DecodedPicture decodeExternally(const QString &path, ForeignFormat format)
{
    QProcess process;
    process.setProgram(PictureDecoderProgram());
    process.setArguments({format.kind == ForeignKind::Pcx ? QStringLiteral("PCX") : QStringLiteral("WMF"), path});
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    const QDeadlineTimer deadline(DecoderTimeoutMs);
    DecodedPicture result;
    if (process.waitForStarted(int(deadline.remainingTime()))) {
        char magic[4];
        quint32 header[2];
        if (readExactly(process, magic, 4, deadline) && std::memcmp(magic, "TVIM", 4) == 0 &&
            readExactly(process, reinterpret_cast<char *>(header), sizeof header, deadline) &&
            withinLimit(header[0], header[1])) {
            QImage image{int(header[0]), int(header[1]), QImage::Format_ARGB32};
            if (!image.isNull()) {
                bool complete = true;
                for (int y = 0; complete && y < image.height(); ++y)
                    complete = readExactly(process, reinterpret_cast<char *>(image.scanLine(y)),
                                           qint64(image.width()) * 4, deadline);
                if (complete) {
                    result.colours = format.colours;
                    result.image = forPainting(std::move(image));
                }
            }
        }
    }
    if (process.state() != QProcess::NotRunning) {
        // The whole picture was read: the decoder has only to exit. Anything
        // else (a time-out, a short picture) stops it.
        if (result.image.isNull() || !process.waitForFinished(int(qMax<qint64>(1, deadline.remainingTime()))))
            process.kill();
        process.waitForFinished(1000);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qCInfo(lcImages) << "external decoder failed on" << path << process.error() << process.exitCode();
        return {};
    }
    if (result.image.isNull())
        result.colours = 0;
    return result;
}

} // namespace

void ApplyPictureMemoryLimit()
{
    static const bool applied = [] {
        QImageReader::setAllocationLimit(PictureMemoryLimitMb);
        return true;
    }();
    Q_UNUSED(applied);
}

DecodedPicture DecodePicture(const QString &path)
{
    ApplyPictureMemoryLimit();
    if (path.isEmpty())
        return {};
    const ForeignFormat foreign = foreignFormat(path);
    return foreign.kind == ForeignKind::None ? decodeWithQt(path) : decodeExternally(path, foreign);
}

QString PictureDecoderProgram()
{
    if (!decoderOverride().isEmpty())
        return decoderOverride();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tovo-decode");
}

void SetPictureDecoderProgram(const QString &program) { decoderOverride() = program; }

} // namespace tovo
