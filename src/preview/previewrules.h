#pragma once

#include <QString>

#include <optional>

namespace tovo {

// Which viewer shows an entry, decided by its extension alone.
enum class PreviewClass { NoPreview, StillImage, Gif, Rtf, Html, Text };

// A page smaller than this is scanned for a frameset first; a text larger
// than MemoLimit goes to the line list instead of the memo.
inline constexpr double FramesetScanLimit = 4000;
inline constexpr double MemoLimit = 32000;

// The text from the last dot of a file name, upper-cased; empty without a dot.
QString PreviewExtension(const QString &fileName);

// The class of a file name, the first that matches in this order: programs,
// sounds and videos (equal extension), still images (equal), GIF, RTF, HTML
// (the extension contains ".GIF", ".RTF", ".HTM"; HTML only while pages are
// rendered), and text for everything else.
PreviewClass ClassOfFile(const QString &fileName, bool htmlRendered);

// Whether a line of a page (any case) opens a frameset.
bool OpensFrameset(const QString &line);

// Where the preview copy of an entry goes: tempDir (ending with "/") followed
// by the entry's file-name part. Nothing when that part is empty, "." or
// "..", or holds a NUL: such a copy would not be a file inside tempDir.
std::optional<QString> PreviewCopyPath(const QString &tempDir, const QString &entryName);

// The file-name part of a link target: after its last "/" or "\", so a page
// written on either system names the same file.
QString LinkFileName(const QString &target);

// Whether a link target is handed to the desktop's default program: it
// begins with "http" or "ftp", exactly in lower case.
bool OpensInDefaultProgram(const QString &target);

} // namespace tovo
