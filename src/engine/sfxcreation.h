// What making a self-extracting program needs on the engine's side: the
// stub's file name, the program's name, and the settings and French texts
// the program carries.
#pragma once

#include <QString>

namespace tovo {

class TZipEngine;

// The stub beside the program.
inline const QString SfxStubFileName = QStringLiteral("Zipsfx32.bin");

// The program made from archive: its name with the last three characters of
// the file-name part (all of it when shorter) replaced by "EXE", which turns
// "x.zip" into "x.EXE" and "x.ziip" into "x.zEXE". The writing module names
// the program it writes by the same rule.
QString SfxProgramName(const QString &archive);

// Whether archive is refused as a source: no name, or an extension holding
// "EXE" in any case.
bool IsSfxSourceRefused(const QString &archive);

// Writes the settings and French texts of Tovo's self-extracting programs on
// engine; the other self-extractor settings keep their values. caption is
// the programs' title (label 284, a space, the application title).
void ApplyTovoSfxSettings(TZipEngine &engine, const QString &stubDirectory, bool passwordProtected,
                          const QString &caption);

} // namespace tovo
