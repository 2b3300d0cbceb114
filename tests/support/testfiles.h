#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tovo::test {

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The labels file shipped with the program.
inline QString shippedLabelsFile() { return QStringLiteral(TOVO_SOURCE_DIR "/data/fran\u00e7ais.tv"); }

} // namespace tovo::test
