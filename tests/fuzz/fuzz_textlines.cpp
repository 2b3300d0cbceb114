// The history and favourites files, and what is done with their lines.
#include "fuzz/fuzzsupport.h"

#include <QString>
#include <QStringList>

#include "operations/favourites.h"
#include "shell/history.h"

TOVO_FUZZ_TARGET(textlines)
{
    const std::string path = tovo::fuzz::ScratchDir() + "/lines.txt";
    tovo::fuzz::WriteWholeFile(path, data, size);
    const QString file = QString::fromStdString(path);

    QStringList history;
    tovo::ReadHistoryFile(file, history);
    for (const QString &line : history) {
        if (line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')))
            tovo::fuzz::PropertyFailed("a history line holds a line break");
    }
    tovo::AddToHistoryList(history, QStringLiteral("/tmp/x.zip"));

    QStringList favourites;
    tovo::LoadFavourites(file, favourites);
    tovo::SortFavourites(favourites);
    for (qsizetype i = 1; i < favourites.size(); ++i) {
        if (tovo::FavouriteLessThan(favourites[i], favourites[i - 1]))
            tovo::fuzz::PropertyFailed("the favourites are out of order after sorting");
    }
    return 0;
}
