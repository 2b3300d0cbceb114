#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>

#include <optional>

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

// Runs a tool in directory; its standard output, or nothing when it did not
// end with status 0.
inline std::optional<QByteArray> toolOutput(const QString &program, const QStringList &arguments,
                                           const QString &directory = {})
{
    QProcess p;
    p.setWorkingDirectory(directory);
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

// Every file below root, hidden ones too, by relative path, with its bytes.
inline QMap<QString, QByteArray> filesBelow(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), readFile(path));
    }
    return files;
}

} // namespace tovo::test
