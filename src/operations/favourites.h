#pragma once

#include <QString>
#include <QStringList>

namespace tovo {

// Order of the favourites list: alphabetical without regard to case, exact
// text breaking ties, so "Docs" and "docs" are two neighbouring entries.
bool FavouriteLessThan(const QString &a, const QString &b);
void SortFavourites(QStringList &favourites);

// One directory per line, CR LF. A missing file gives nothing and false.
bool LoadFavourites(const QString &path, QStringList &favourites);
// Replaces the file only once it is completely written.
bool SaveFavourites(const QString &path, const QStringList &favourites);

} // namespace tovo
