#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tovo {

// UTF-8 text files of one item per line (history, favourites). Reading
// accepts CR, LF and CR LF; a final line end adds no empty item.
bool ReadTextLines(const QString &path, QStringList &lines);
// Written through a temporary file that replaces the old one only once it
// is complete and on the disk, so a failed write leaves the previous
// contents.
bool WriteTextLines(const QString &path, const QStringList &lines, const QByteArray &lineEnd);

} // namespace tovo
