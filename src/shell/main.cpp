#include "platform/timezone.h"
#include "shell/forms.h"
#include "shell/frenchui.h"
#include "shell/look.h"
#include "shell/tprincipale.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    tovo::platform::SettleLocalTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovo v4.4"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setWindowIcon(tovo::look::programIcon());
    // Desktops match the windows to the launcher tovo.desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("tovo"));

    tovo::UseFrenchInterface();

    tovo::CreateForms();
    tovo::TPrincipale *window = tovo::AppForms().Principale;
    window->CommandLine = QApplication::arguments().mid(1);
    window->show();
    const int status = QApplication::exec();
    tovo::DestroyForms();
    return status;
}
