#include "shell/history.h"

#include "shell/textlines.h"

namespace tovo {

void AddToHistoryList(QStringList &history, const QString &name)
{
    // history.size() + 1 is the menu's item count with its separator.
    if (history.size() + 1 > HistoryMax)
        history.removeLast();
    if (!history.contains(name, Qt::CaseSensitive))
        history.prepend(name);
}

bool ReadHistoryFile(const QString &path, QStringList &history)
{
    return ReadTextLines(path, history);
}

bool WriteHistoryFile(const QString &path, const QStringList &history)
{
    return WriteTextLines(path, history, QByteArrayLiteral("\n"));
}

} // namespace tovo
