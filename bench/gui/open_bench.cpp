// Times opening an archive in the real main window, offscreen: from the open
// request (Enter in the name field) to a filled entry list; also prints the
// peak memory of the process (resident set, KiB), list included.
//   bench_open PROGRAM_DIR ARCHIVE
#include "benchwindow.h"

#include "browse/tentrymodel.h"
#include "platform/timezone.h"
#include "shell/messageservice.h"
#include "shell/tfilenameedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    // As the program's main() does: otherwise every local-time conversion
    // re-reads the time zone file's status and the bench times that.
    tovo::platform::SettleLocalTimeZone();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_open PROGRAM_DIR ARCHIVE\n");
        return 2;
    }
    // Any box would block a measurement: answer them all and count them.
    tovo::ScriptedMessageService boxes;
    tovo::TPrincipale *w = tovo::bench::StartMainWindow(argv[1]);

    w->NomFic->setText(QString::fromLocal8Bit(argv[2]));
    QElapsedTimer timer;
    timer.start();
    emit w->NomFic->lineEdit()->returnPressed();
    QApplication::processEvents();
    const qint64 ms = timer.elapsed();
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("entries=%d open_ms=%lld boxes=%lld peak_kib=%ld\n", w->Entries->count(), static_cast<long long>(ms),
                static_cast<long long>(boxes.shown.size()), usage.ru_maxrss);
    tovo::DestroyForms();
    return boxes.shown.isEmpty() ? 0 : 1;
}
