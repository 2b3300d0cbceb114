// Runs one saving step of the real main window, offscreen, and prints the
// messages it showed, one per line. test_reliability starts it under the
// write-failure shim.
//   fault_probe close PROGRAM_DIR CONFIG_DIR
//       closes the window: favourites, history and settings are saved
//   fault_probe copy PROGRAM_DIR CONFIG_DIR ARCHIVE TARGET_DIR
//       copies ARCHIVE into TARGET_DIR, answering Yes to the question
#include "shell/forms.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"
#include "shell/tprincipale.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool copy = args.size() == 6 && args[1] == QLatin1String("copy");
    if (!copy && !(args.size() == 4 && args[1] == QLatin1String("close"))) {
        std::fprintf(stderr, "usage: fault_probe close|copy PROGRAM_DIR CONFIG_DIR [ARCHIVE TARGET_DIR]\n");
        return 2;
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, args[3]);
    tovo::SetProgDir(args[2]);
    tovo::ScriptedMessageService boxes;
    tovo::CreateForms();
    tovo::TPrincipale *w = tovo::AppForms().Principale;
    w->show();
    QApplication::processEvents();
    if (copy) {
        w->NomFic->setText(args[4]);
        boxes.directoryAnswers.push_back(args[5]);
        boxes.answers = {tovo::IdYes, tovo::IdOk};
        w->CopyZipClick();
    }
    w->close();
    for (const tovo::MessageBoxRequest &box : boxes.shown)
        std::printf("%s\n", QString(box.text).replace(QLatin1Char('\r'), QLatin1String(" | ")).toUtf8().constData());
    tovo::DestroyForms();
    return 0;
}
