#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tovo {

// The archives this program meets hold texts written on Windows
// (Windows-1252, or UTF-16 with its byte-order mark as Windows editors save
// "Unicode" texts) as well as UTF-8 texts: a file that starts with a UTF-16
// byte-order mark is read as UTF-16, one whose bytes are valid UTF-8 (with
// or without its byte-order mark) as UTF-8, any other as Windows-1252.
enum class TextEncoding { Utf8, Cp1252, Utf16Le, Utf16Be };

// Checks bytes as UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF). When more bytes follow (final false), a sequence cut by the end
// of bytes is not an error: consumed then stops before it, so the next check
// starts there.
struct Utf8Check {
    bool valid = true;
    qsizetype consumed = 0;
};
Utf8Check CheckUtf8(QByteArrayView bytes, bool final);

// The encoding of a whole file's bytes.
TextEncoding DetectEncoding(QByteArrayView bytes);

// The UTF-16 encoding whose byte-order mark starts bytes, if any.
std::optional<TextEncoding> Utf16ByMark(QByteArrayView bytes);

// Length of the byte-order mark of encoding at the start of bytes (0 when
// there is none; Windows-1252 has none).
qsizetype BomLength(QByteArrayView bytes, TextEncoding encoding);

// How control characters are shown. Text and Line turn NUL and the other
// C0 controls (and DEL) into U+FFFD, a mark every installed font can draw,
// so no byte cuts or hides the text; Text keeps tabs and turns CR LF, CR and
// LF into "\n"; Line (one row of a list) turns tabs into spaces up to the
// next multiple of eight. Markup only turns NUL into U+FFFD and keeps the
// rest for the parser.
enum class ControlDisplay { Text, Line, Markup };

// bytes decoded in encoding, with control characters shown as display says.
QString DecodeText(QByteArrayView bytes, TextEncoding encoding, ControlDisplay display);

// A whole file's text: its encoding detected, its byte-order mark dropped,
// then decoded.
QString DecodeTextFile(QByteArrayView bytes, ControlDisplay display);

} // namespace tovo
