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

// True when the password check of traditional encryption turns each of
// passwords away for every encrypted entry of archive. That one-byte check
// lets one wrong password in 256 through; a test that means a refused
// password makes its archive again until this holds.
inline bool checkRefuses(const QString &archive, const QStringList &passwords)
{
    static const char script[] = "import sys, zipfile\n"
                                 "z = zipfile.ZipFile(sys.argv[1])\n"
                                 "for pw in sys.argv[2:]:\n"
                                 "    for i in z.infolist():\n"
                                 "        if i.flag_bits & 1:\n"
                                 "            try:\n"
                                 "                z.read(i, pwd=pw.encode())\n"
                                 "            except RuntimeError:\n"
                                 "                continue\n"
                                 "            except Exception:\n"
                                 "                pass\n"
                                 "            sys.exit(1)\n";
    return toolOutput(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), QString::fromLatin1(script), archive} +
                                                     passwords)
        .has_value();
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
