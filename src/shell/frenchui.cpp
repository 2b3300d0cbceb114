#include "shell/frenchui.h"

#include <memory>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tovo {

bool UseFrenchInterface()
{
    const QLocale french(QLocale::French, QLocale::France);
    QLocale::setDefault(french);
    static QTranslator *installed = nullptr;
    if (!installed) {
        auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
        if (translator->load(french, QStringLiteral("qtbase"), QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            installed = translator.release();
            QCoreApplication::installTranslator(installed);
        }
    }
    return installed != nullptr;
}

} // namespace tovo
