#pragma once

#include "platform/filesystem.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <vector>

namespace tovo {

// A file checked for adding, as it was just before the add began.
struct AddedSource {
    QString item; // relative to the search directory, "/" separators
    QString path; // the search directory followed by item
    platform::FileIdentity before;
};

// What the add and the listing that followed it showed.
struct AddOutcome {
    bool archiveVerified = false;   // listed again after the add, and its test passed without any warning
    bool usePaths = false;          // stored with their sub-directories
    QString archiveFileName;        // the file-name part of the archive's name
    QHash<QString, qint64> listing; // stored name -> uncompressed size, from that listing
    QSet<QString> announced;        // stored names the module reported adding or replacing
};

enum class SourceFate {
    Delete, // safely in the archive: may be deleted
    Spare,  // has the archive's own file name: left alone without a word
    Keep,   // not shown to be safely in the archive: left, and reported
};

// The name an item is stored under.
QString StoredNameOfItem(const QString &item, bool usePaths);

// Decides, for each source in order, whether deleting it loses nothing. A
// source may go only when the archive was verified, the module reported
// storing it, the listing holds its stored name with its size, no other
// checked source claims the same stored name, and it is still the same
// regular file, unchanged since the add began, reached without a symbolic
// link below searchDirectory.
std::vector<SourceFate> JudgeSources(const std::vector<AddedSource> &sources, const AddOutcome &outcome,
                                     const QString &searchDirectory);

} // namespace tovo
