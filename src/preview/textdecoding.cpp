#include "preview/textdecoding.h"

#include "shell/cp1252.h"

#include <QStringDecoder>

#include <cstdint>
#include <cstring>

namespace tovo {
namespace {

// Bytes in a sequence led by b and the range its second byte must fall in;
// 0 for a byte that cannot lead one.
struct Lead {
    int length;
    unsigned char low;
    unsigned char high;
};

Lead leadOf(unsigned char b)
{
    if (b >= 0xC2 && b <= 0xDF)
        return {2, 0x80, 0xBF};
    if (b == 0xE0)
        return {3, 0xA0, 0xBF};
    if (b == 0xED)
        return {3, 0x80, 0x9F}; // no surrogates
    if (b >= 0xE1 && b <= 0xEF)
        return {3, 0x80, 0xBF};
    if (b == 0xF0)
        return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3)
        return {4, 0x80, 0xBF};
    if (b == 0xF4)
        return {4, 0x80, 0x8F}; // nothing above U+10FFFF
    return {0, 0, 0};
}

} // namespace

Utf8Check CheckUtf8(QByteArrayView bytes, bool final)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        // Runs of plain ASCII, eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, data + i, sizeof word);
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char b = data[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const Lead lead = leadOf(b);
        if (lead.length == 0)
            return {false, i};
        for (int k = 1; k < lead.length; ++k) {
            if (i + k >= n)
                return final ? Utf8Check{false, i} : Utf8Check{true, i};
            const unsigned char c = data[i + k];
            const bool fits = k == 1 ? (c >= lead.low && c <= lead.high) : (c >= 0x80 && c <= 0xBF);
            if (!fits)
                return {false, i};
        }
        i += lead.length;
    }
    return {true, n};
}

std::optional<TextEncoding> Utf16ByMark(QByteArrayView bytes)
{
    if (bytes.startsWith(QByteArrayView("\xFF\xFE", 2)))
        return TextEncoding::Utf16Le;
    if (bytes.startsWith(QByteArrayView("\xFE\xFF", 2)))
        return TextEncoding::Utf16Be;
    return std::nullopt;
}

qsizetype BomLength(QByteArrayView bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return bytes.startsWith(QByteArrayView("\xEF\xBB\xBF", 3)) ? 3 : 0;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
        return Utf16ByMark(bytes) == encoding ? 2 : 0;
    case TextEncoding::Cp1252:
        break;
    }
    return 0;
}

TextEncoding DetectEncoding(QByteArrayView bytes)
{
    if (const std::optional<TextEncoding> utf16 = Utf16ByMark(bytes))
        return *utf16;
    return CheckUtf8(bytes, true).valid ? TextEncoding::Utf8 : TextEncoding::Cp1252;
}

QString DecodeText(QByteArrayView bytes, TextEncoding encoding, ControlDisplay display)
{
    QString raw;
    switch (encoding) {
    case TextEncoding::Utf8:
        raw = QString::fromUtf8(bytes);
        break;
    case TextEncoding::Cp1252:
        raw = fromCp1252(bytes);
        break;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
        // Stateless: a mark at the start is the caller's to drop, and a byte
        // left alone at the end shows as U+FFFD.
        QStringDecoder decoder(encoding == TextEncoding::Utf16Le ? QStringConverter::Utf16LE
                                                                 : QStringConverter::Utf16BE,
                               QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
        raw = decoder(bytes);
        break;
    }
    }
    QString out;
    out.reserve(raw.size());
    qsizetype column = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char16_t c = raw.at(i).unicode();
        if (display == ControlDisplay::Markup) {
            out.append(c == 0 ? QChar(QChar::ReplacementCharacter) : QChar(c));
            continue;
        }
        if (display == ControlDisplay::Text && (c == u'\n' || c == u'\r')) {
            if (c == u'\r' && i + 1 < raw.size() && raw.at(i + 1) == u'\n')
                ++i;
            out.append(u'\n');
            column = 0;
            continue;
        }
        if (c == u'\t') {
            if (display == ControlDisplay::Text) {
                out.append(u'\t');
            } else {
                const qsizetype spaces = 8 - column % 8;
                out.append(QString(spaces, u' '));
                column += spaces;
                continue;
            }
        } else if (c < 0x20 || c == 0x7F) {
            out.append(QChar(QChar::ReplacementCharacter));
        } else {
            out.append(QChar(c));
        }
        ++column;
    }
    return out;
}

QString DecodeTextFile(QByteArrayView bytes, ControlDisplay display)
{
    const TextEncoding encoding = DetectEncoding(bytes);
    return DecodeText(bytes.sliced(BomLength(bytes, encoding)), encoding, display);
}

} // namespace tovo
