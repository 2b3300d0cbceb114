#include "shell/textlines.h"

#include "platform/atomicfile.h"

#include <QFile>
#include <QRegularExpression>

namespace tovo {

bool ReadTextLines(const QString &path, QStringList &lines)
{
    lines.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return true;
}

bool WriteTextLines(const QString &path, const QStringList &lines, const QByteArray &lineEnd)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += lineEnd;
    }
    return platform::ReplaceFileContents(path, bytes) == 0;
}

} // namespace tovo
