#pragma once

#include <QByteArray>
#include <QString>

namespace tovo {

// Whether opening a file with the desktop's program for its type may run a
// program (or macros), so the user is warned each time:
// - its extension (from the last dot, upper-cased) contains "EXE", "COM",
//   "PIF", "DOC" or "JS" (so .DOCX and .JSE count);
// - its extension is one that desktops launch: .desktop, .sh, .run,
//   .AppImage, .jar, or a Windows batch or installer (.bat, .cmd, .msi),
//   which an installed Windows layer runs;
// - its content starts like a program: an ELF or Windows executable header,
//   or "#!".
// head: the file's first bytes (four are enough).
bool RunsAProgram(const QString &fileName, const QByteArray &head);

} // namespace tovo
