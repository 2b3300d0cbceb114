// Times the preview of one entry in the real main window, offscreen: from
// the click to the first lines painted, with the peak memory of the process
// during it (above what it held just before the click), then the time until
// the whole file is indexed.
//   bench_preview PROGRAM_DIR ARCHIVE ENTRY
#include "benchwindow.h"

#include "browse/tentrymodel.h"
#include "preview/ttextfilemodel.h"
#include "preview/ttextlistview.h"
#include "preview/ttextmemo.h"
#include "shell/messageservice.h"
#include "shell/tfilenameedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_preview PROGRAM_DIR ARCHIVE ENTRY\n");
        return 2;
    }
    tovo::ScriptedMessageService boxes;
    tovo::TPrincipale *w = tovo::bench::StartMainWindow(argv[1]);
    if (!tovo::bench::SelectEntry(w, argv[2], argv[3]))
        return 2;

    const long idle = tovo::bench::ResetPeak();
    QElapsedTimer timer;
    timer.start();
    w->ListeFicsZipClick();
    // Painting the list decodes the rows on screen.
    QWidget *shown = w->ListeTexte->isVisible() ? static_cast<QWidget *>(w->ListeTexte) : w->Memo1;
    shown->grab();
    const qint64 firstLines = timer.elapsed();
    while (w->ListeTexte->textModel()->indexing())
        QApplication::processEvents();
    const qint64 indexed = timer.elapsed();
    const long peak = tovo::bench::StatusKiB("VmHWM:");
    std::printf("lines=%d first_lines_ms=%lld indexed_ms=%lld idle_kib=%ld peak_above_idle_kib=%ld boxes=%lld\n",
                w->ListeTexte->count(), static_cast<long long>(firstLines), static_cast<long long>(indexed), idle,
                peak - idle, static_cast<long long>(boxes.shown.size()));
    tovo::DestroyForms();
    return boxes.shown.isEmpty() ? 0 : 1;
}
