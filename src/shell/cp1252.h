#pragma once

#include <QByteArray>
#include <QString>

namespace tovo {

// Windows-1252, the single-byte code page of the labels file and label store.
// Qt's built-in codecs only know Latin-1, which differs in 0x80..0x9F
// ("€", "œ", "’" ...), so the table is ours.
QString fromCp1252(QByteArrayView bytes);
// Characters without a Windows-1252 byte become '?'.
QByteArray toCp1252(QStringView text);

} // namespace tovo
