#include "operations/sourcedeletion.h"

#include "shell/paths.h"

namespace tovo {

QString StoredNameOfItem(const QString &item, bool usePaths)
{
    if (!usePaths)
        return FileNamePart(item);
    QStringList parts = item.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    return parts.join(QLatin1Char('/'));
}

std::vector<SourceFate> JudgeSources(const std::vector<AddedSource> &sources, const AddOutcome &outcome,
                                     const QString &searchDirectory)
{
    QHash<QString, int> claims;
    for (const AddedSource &source : sources)
        ++claims[StoredNameOfItem(source.item, outcome.usePaths)];

    std::vector<SourceFate> fates;
    fates.reserve(sources.size());
    for (const AddedSource &source : sources) {
        if (FileNamePart(source.item) == outcome.archiveFileName) {
            fates.push_back(SourceFate::Spare);
            continue;
        }
        const QString stored = StoredNameOfItem(source.item, outcome.usePaths);
        const auto listed = outcome.listing.constFind(stored);
        const bool safe = outcome.archiveVerified && source.before.regular && claims.value(stored) == 1 &&
                          outcome.announced.contains(stored) && listed != outcome.listing.constEnd() &&
                          *listed == source.before.size && platform::IdentityOf(source.path) == source.before &&
                          !platform::PassesThroughLink(searchDirectory, source.item);
        fates.push_back(safe ? SourceFate::Delete : SourceFate::Keep);
    }
    return fates;
}

} // namespace tovo
