// Times a search in the file selection dialog, offscreen and shown: from
// "Chercher..." to a filled list, recursive and sorted, with two masks.
//   bench_search PROGRAM_DIR TREE MASKS
#include "browse/tentrymodel.h"
#include "operations/teselfics.h"
#include "shell/forms.h"
#include "shell/messageservice.h"
#include "shell/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_search PROGRAM_DIR TREE MASKS\n");
        return 2;
    }
    tovo::SetProgDir(QString::fromLocal8Bit(argv[1]));
    tovo::ScriptedMessageService boxes;
    tovo::CreateForms();
    tovo::TEselfics *d = tovo::AppForms().Eselfics;
    d->Repsrc->setText(QString::fromLocal8Bit(argv[2]));
    d->Masque->setText(QString::fromLocal8Bit(argv[3]));
    d->Lister->setChecked(true);
    d->ListerClick();
    d->show();
    QApplication::processEvents();

    // The search alone, without the dialog, for the split.
    QElapsedTimer timer;
    timer.start();
    tovo::TFindFile alone;
    alone.Directory = d->Repsrc->text();
    alone.Filter = d->Masque->text();
    alone.Recurse = true;
    alone.Execute();
    const qint64 searchOnly = timer.elapsed();

    timer.start();
    d->Button1Click();
    QApplication::processEvents();
    const qint64 ms = timer.elapsed();
    std::printf("files=%d search_ms=%lld search_alone_ms=%lld\n", d->FicsModel->count(), static_cast<long long>(ms),
                static_cast<long long>(searchOnly));
    d->hide();
    tovo::DestroyForms();
    return 0;
}
