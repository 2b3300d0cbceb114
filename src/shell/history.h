#pragma once

#include <QString>
#include <QStringList>

namespace tovo {

inline constexpr int HistoryMax = 30;

// Adds an archive name to the history list (index 0 is the newest). The
// menu counts its closing separator, so the oldest entry goes when 30 are
// listed, before the duplicate test: naming a listed archive while the
// history is full leaves 29 entries. Names compare case-sensitively.
void AddToHistoryList(QStringList &history, const QString &name);

// One path per line, in menu order. A missing file gives nothing and false.
bool ReadHistoryFile(const QString &path, QStringList &history);
// Replaces the file only once it is completely written.
bool WriteHistoryFile(const QString &path, const QStringList &history);

} // namespace tovo
