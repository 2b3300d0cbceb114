#include "operations/destination.h"

#include "shell/paths.h"

#include <QDir>

namespace tovo {

QString ArchiveBaseName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return fileName;
    const qsizetype first = fileName.indexOf(fileName.mid(dot), 0, Qt::CaseSensitive);
    return first > 0 ? fileName.left(first) : fileName;
}

QString ToggleDestination(const QString &archive, const QString &destination, const QString &separators)
{
    const QString folder = DirectoryPart(archive, separators);
    if (folder.toUpper() != StripQuotes(destination).toUpper())
        return folder;
    const QChar separator = separators.at(0);
    return AddBackslash(folder, separator) + ArchiveBaseName(FileNamePart(archive, separators)) + separator;
}

EnteredDestination EnterChosenDestination(const QString &candidate, const QString &progDir)
{
    EnteredDestination result;
    QString directory = candidate;
    if (directory.isEmpty() || !QDir::setCurrent(directory))
        directory = progDir;
    directory = AddBackslash(directory);
    if (directory.isEmpty() || !QDir::setCurrent(directory)) {
        result.enteredOnSecondTry = false;
        QDir::setCurrent(progDir);
        directory = progDir;
    }
    result.directory = AddBackslash(directory);
    return result;
}

} // namespace tovo
