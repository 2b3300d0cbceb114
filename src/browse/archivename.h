#pragma once

#include <QString>

namespace tovo {

// The outcome of checking an archive name typed or chosen by the user.
struct ArchiveNameCheck {
    bool accepted = false;
    int label = 0;             // the label of the refusal message, 0 when none
    bool clearField = false;   // the name field is emptied (unsupported extension)
    QString name;              // the cleaned and completed name
    QString directoryPart;     // up to and including the last separator
    QString extension;         // from the last dot of the file-name part, upper-cased
    QString lowerFileName;     // the file-name part as typed, lower-cased
    bool multidisk = false;    // on a floppy drive ("A:" or "B:")
};

// Cleans and checks an archive name: spaces trimmed; empty or unsupported
// extension refused (label 121), "'" "*" "?" or control characters refused
// (122), ".exe" refused unless allowed (123); a name ending in "." gets
// "zip", a name without extension ".zip". A bare file name is placed in
// destination (the extraction folder). separators: the directory separators
// of the platform, the first one used to join ("/" here, "\\:" on Windows).
ArchiveNameCheck CheckArchiveName(const QString &text, bool allowExecutable, const QString &destination,
                                  const QString &separators = QStringLiteral("/"));

} // namespace tovo
