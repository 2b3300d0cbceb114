#pragma once

#include <QImage>
#include <QString>

namespace tovo {

// The largest picture the viewers decode, as 32-bit pixels: 256 MiB, a
// 64-megapixel photo. Anything declaring more is refused before memory is
// taken for it, however small its file.
constexpr int PictureMemoryLimitMb = 256;

// A decoded still picture, ready to paint (32 bits per pixel). Null when the
// file could not be decoded or declares a picture beyond the limit.
struct DecodedPicture {
    QImage image;
    // Colours of the picture as stored: the size of its palette (2 for a
    // one-bit picture), 256 or 65536 for shades of grey, 2^24 for direct
    // colours. 0 when the picture could not be decoded.
    int colours = 0;
};

// Decodes a still picture: Qt's image readers for the formats they know
// (TIFF through the image formats plugins), the external decoder for PCX and
// WMF, recognised by their content. Sets Qt's image allocation limit on first
// use.
DecodedPicture DecodePicture(const QString &path);

// Sets the image allocation limit of Qt's readers (also the GIF player's).
void ApplyPictureMemoryLimit();

// The program that decodes PCX and WMF pictures ("tovo-decode" beside the
// running program unless set); tests point it at the build's.
QString PictureDecoderProgram();
void SetPictureDecoderProgram(const QString &program);

} // namespace tovo
