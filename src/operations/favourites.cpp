#include "operations/favourites.h"

#include "shell/textlines.h"

#include <algorithm>

namespace tovo {

bool FavouriteLessThan(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

void SortFavourites(QStringList &favourites)
{
    std::stable_sort(favourites.begin(), favourites.end(), FavouriteLessThan);
}

bool LoadFavourites(const QString &path, QStringList &favourites)
{
    return ReadTextLines(path, favourites);
}

bool SaveFavourites(const QString &path, const QStringList &favourites)
{
    return WriteTextLines(path, favourites, QByteArrayLiteral("\r\n"));
}

} // namespace tovo
