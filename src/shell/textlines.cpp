#include "shell/textlines.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString &line : lines) {
        file.write(line.toUtf8());
        file.write(lineEnd);
    }
    return file.commit();
}

} // namespace tovo
