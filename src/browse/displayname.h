#pragma once

#include <QString>

namespace tovo {

// The longest name shown whole; longer ones keep their start and their end.
inline constexpr qsizetype DisplayedNameMax = 512;

// An entry name as the window shows it: on one line, in its stored order,
// at a length a list can lay out. Control characters (U+0000-U+001F, U+007F,
// U+0080-U+009F) become "\n", "\r", "\t" or "\x" and two hexadecimal
// digits; the Unicode line and paragraph separators and the characters that
// steer the direction of text (marks, embeddings, overrides, isolates)
// become "\u" and four digits, so a name can neither break a line nor
// reorder what follows it. A name longer than DisplayedNameMax characters
// keeps its first and last characters around "…". The full name is kept
// elsewhere for every operation; this is only what is shown.
QString DisplayedEntryName(const QString &name);

// The whole name with the escapes above, and a backslash doubled when
// escapeBackslash is set (so that printed text reads back unambiguously).
QString EscapedEntryName(QStringView name, bool escapeBackslash);

} // namespace tovo
