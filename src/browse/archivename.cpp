#include "browse/archivename.h"

#include "shell/paths.h"

namespace tovo {

ArchiveNameCheck CheckArchiveName(const QString &text, bool allowExecutable, const QString &destination,
                                  const QString &separators)
{
    ArchiveNameCheck r;
    QString name = text.trimmed();
    const QString fileName = FileNamePart(name, separators);
    r.lowerFileName = fileName.toLower();
    if (name.isEmpty()) {
        r.label = 121;
        return r;
    }
    for (QChar c : name) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('*') || c == QLatin1Char('?') || c.unicode() < 32) {
            r.label = 122;
            r.name = name;
            return r;
        }
    }
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    r.extension = dot < 0 ? QString() : fileName.mid(dot).toUpper();
    r.directoryPart = DirectoryPart(name, separators);
    if (r.directoryPart.isEmpty() && !destination.isEmpty())
        name = AddBackslash(destination, separators.at(0)) + name;
    // Only a drive letter names a floppy drive; a relative folder called "a"
    // or "b" does not.
    r.multidisk = name.size() >= 2 && name.at(1) == QLatin1Char(':') &&
                  (name.at(0).toUpper() == QLatin1Char('A') || name.at(0).toUpper() == QLatin1Char('B'));
    r.name = name;
    if (r.extension == QLatin1String(".ZIP")) {
        r.accepted = true;
    } else if (r.extension == QLatin1String(".EXE")) {
        r.accepted = allowExecutable;
        if (!allowExecutable)
            r.label = 123;
    } else if (r.extension == QLatin1String(".")) {
        r.name += QStringLiteral("zip");
        r.accepted = true;
    } else if (r.extension.isEmpty()) {
        r.name += QStringLiteral(".zip");
        r.accepted = true;
    } else {
        r.label = 121;
        r.clearField = true;
    }
    return r;
}

} // namespace tovo
