#include "platform/opendocument.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tovo::platform {
namespace {

DocumentOpener &opener()
{
    static DocumentOpener current;
    return current;
}

} // namespace

bool OpenDocument(const QString &target)
{
    if (opener())
        return opener()(target);
    if (target.isEmpty())
        return false;
    // An address with a scheme goes as it is; anything else is a local file.
    const QUrl url(target, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1)
        return QDesktopServices::openUrl(url);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

void SetDocumentOpener(DocumentOpener replacement) { opener() = std::move(replacement); }

} // namespace tovo::platform
