// Times copying an archive with the main window's copy button, offscreen:
// from the click to the end of the copy (the folder dialog and the questions
// are answered at once).
//   bench_copy PROGRAM_DIR ARCHIVE TARGET_FOLDER
#include "benchwindow.h"

#include "shell/labeltable.h"
#include "shell/messageservice.h"
#include "shell/tfilenameedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QToolButton>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_copy PROGRAM_DIR ARCHIVE TARGET_FOLDER\n");
        return 2;
    }
    tovo::ScriptedMessageService boxes;
    tovo::TPrincipale *w = tovo::bench::StartMainWindow(argv[1]);

    w->NomFic->setText(QString::fromLocal8Bit(argv[2]));
    boxes.directoryAnswers = {QString::fromLocal8Bit(argv[3])};
    boxes.answers = {tovo::IdYes, tovo::IdOk};
    QElapsedTimer timer;
    timer.start();
    w->CopyZip->click();
    const qint64 ms = timer.elapsed();
    // Done means the question, then the copy's success message.
    const bool done = boxes.shown.size() == 2 && boxes.shown[1].text == tovo::GetLabel(150);
    std::printf("copy_ms=%lld done=%d\n", static_cast<long long>(ms), done ? 1 : 0);
    tovo::DestroyForms();
    return done ? 0 : 1;
}
