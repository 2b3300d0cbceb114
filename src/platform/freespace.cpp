#include "platform/freespace.h"

#include <QStorageInfo>

namespace tovo::platform {
namespace {

FreeSpaceProbe &probe()
{
    static FreeSpaceProbe current;
    return current;
}

} // namespace

std::optional<qint64> FreeSpace(const QString &path)
{
    if (probe())
        return probe()(path);
    const QStorageInfo storage(path);
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    const qint64 available = storage.bytesAvailable();
    return available >= 0 ? std::optional<qint64>(available) : std::nullopt;
}

void SetFreeSpaceProbe(FreeSpaceProbe replacement) { probe() = std::move(replacement); }

} // namespace tovo::platform
