// Times the preview of a picture entry in the real main window, offscreen:
// from the click to the picture (or the GIF's first frame) painted in the
// pane, with the process's peak memory above its level before the click.
//   bench_media PROGRAM_DIR ARCHIVE ENTRY
#include "benchwindow.h"

#include "browse/tentrymodel.h"
#include "preview/tgifview.h"
#include "preview/timageview.h"
#include "shell/messageservice.h"
#include "shell/tfilenameedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QMovie>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_media PROGRAM_DIR ARCHIVE ENTRY\n");
        return 2;
    }
    tovo::ScriptedMessageService boxes;
    tovo::TPrincipale *w = tovo::bench::StartMainWindow(argv[1], QSize(1024, 700));
    if (!tovo::bench::SelectEntry(w, argv[2], argv[3]))
        return 2;

    const long idle = tovo::bench::ResetPeak();
    QElapsedTimer timer;
    timer.start();
    w->ListeFicsZipClick();
    // Painting the pane draws the picture fitted to it.
    const bool gif = w->GIFImage->isVisible();
    const bool picture = w->PMultiMedia1->isVisible();
    if (gif)
        w->GIFImage->grab();
    else
        w->PMultiMedia1->grab();
    const qint64 shown = timer.elapsed();
    const long peak = tovo::bench::StatusKiB("VmHWM:");
    const QSize size = gif ? w->GIFImage->movie()->currentImage().size() : w->PMultiMedia1->picture().size();
    std::printf("shown=%s size=%dx%d click_to_shown_ms=%lld idle_kib=%ld peak_above_idle_kib=%ld boxes=%lld\n",
                gif ? "gif" : (picture ? "picture" : "none"), size.width(), size.height(),
                static_cast<long long>(shown), idle, peak - idle, static_cast<long long>(boxes.shown.size()));
    tovo::DestroyForms();
    return (gif || picture) && boxes.shown.isEmpty() ? 0 : 1;
}
