#include "preview/runrules.h"

#include <QStringList>

namespace tovo {

bool RunsAProgram(const QString &fileName, const QByteArray &head)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : fileName.mid(dot).toUpper();
    for (const char *warned : {"EXE", "COM", "PIF", "DOC", "JS"}) {
        if (extension.contains(QLatin1String(warned)))
            return true;
    }
    static const QStringList launched = {
        QStringLiteral(".DESKTOP"), QStringLiteral(".SH"),  QStringLiteral(".RUN"), QStringLiteral(".APPIMAGE"),
        QStringLiteral(".JAR"),     QStringLiteral(".BAT"), QStringLiteral(".CMD"), QStringLiteral(".MSI"),
    };
    if (launched.contains(extension))
        return true;
    return head.startsWith("\x7F" "ELF") || head.startsWith("#!") || head.startsWith("MZ");
}

} // namespace tovo
