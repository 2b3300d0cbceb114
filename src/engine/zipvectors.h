#pragma once

#include <QString>
#include <QStringList>

#include "engine/zipsettings.h"

namespace tovo {

// Stands for the self-extractor settings record in a built vector; the engine
// puts the record's address in its place when it calls the module. A NUL
// cannot occur in a text element, so no setting can be mistaken for it.
inline const QString SfxRecordMarker = QStringLiteral("\0sfx-record");

// The argument vector of each command, element by element. Pure: nothing is
// loaded or called, and the refusal of multi-disk work is the engine's.
QStringList AddVector(const ZipSettings &s, TZipAddMode mode);
QStringList ConvertToSfxVector(const ZipSettings &s);
QStringList DeleteVector(const ZipSettings &s);
QStringList FixVector(const ZipSettings &s, bool harder);
QStringList ExtractVector(const ZipSettings &s, TZipExtractMode mode);
QStringList ListVector(const ZipSettings &s);
QStringList TestVector(const ZipSettings &s);

// Appends the file list of files: plain lines unchanged, then "-i" and the
// ">" lines (only withIncludes), then "-x" and the "<" lines, each without its
// first character. Nothing at all when no plain line was appended.
void AppendFileList(QStringList &args, const QStringList &files, bool withIncludes);

} // namespace tovo
