#pragma once

#include <QString>

namespace tovo {

// The name a folder named after an archive takes: the file name cut just
// before the first occurrence of its own extension (from its last ".", dot
// included, searched case-sensitively), so "X.ZIPPER.ZIP" gives "X". A name
// without an extension, or one that would be cut to nothing (".zip"), is
// kept whole, so the folder never comes out unnamed.
QString ArchiveBaseName(const QString &fileName);

// The "=" button of the extraction dialog: the destination after one press,
// for the archive name (quotes already removed, not empty) and the current
// destination. A destination that is not the archive's folder becomes that
// folder; the archive's folder becomes its sub-folder named after the
// archive. The comparison ignores case, as the button always did; the names
// themselves are returned as written. The first of separators is the one
// appended; all of them end a directory part (a drive colon on Windows).
QString ToggleDestination(const QString &archive, const QString &destination,
                          const QString &separators = QStringLiteral("/"));

// The destination picked in the chooser, made the current directory as the
// extraction dialog always did: the candidate itself, else progDir; then with
// its trailing separator, else progDir once more. enteredOnSecondTry is false
// when even that last attempt failed (the caller reports it). The result
// carries a trailing separator.
struct EnteredDestination {
    QString directory;
    bool enteredOnSecondTry = true;
};
EnteredDestination EnterChosenDestination(const QString &candidate, const QString &progDir);

} // namespace tovo
