// What the window benches share: the main window started offscreen as the
// program starts it, for a given program folder, an entry selected in it,
// and the process's memory.
#pragma once

#include "browse/tentrymodel.h"
#include "shell/forms.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"
#include "shell/tprincipale.h"

#include <QApplication>
#include <QFile>
#include <QListView>

#include <cstdio>

namespace tovo::bench {

// A line of /proc/self/status in kibibytes ("VmRSS:", "VmHWM:"); -1 when
// it cannot be read.
inline long StatusKiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Creates the forms for the program folder programDir (the message service
// the bench installed answers their boxes) and shows the main window, of
// the given size when one is given.
inline TPrincipale *StartMainWindow(const char *programDir, QSize size = {})
{
    SetProgDir(QString::fromLocal8Bit(programDir));
    CreateForms();
    TPrincipale *w = AppForms().Principale;
    if (size.isValid())
        w->resize(size);
    w->show();
    QApplication::processEvents();
    return w;
}

// Opens archive in the window and selects the entry of that full name, as
// a click would; false (with a message) when the archive has no such entry.
inline bool SelectEntry(TPrincipale *w, const char *archive, const char *entry)
{
    w->NomFic->setText(QString::fromLocal8Bit(archive));
    w->BtActuClick();
    int row = -1;
    for (int i = 0; i < w->Entries->count(); ++i) {
        if (w->Entries->fullName(i) == QString::fromLocal8Bit(entry))
            row = i;
    }
    if (row < 0) {
        std::fprintf(stderr, "entry not found\n");
        return false;
    }
    w->ListeficsZip->setCurrentIndex(w->Entries->index(row));
    QApplication::processEvents();
    return true;
}

// Starts measuring the peak resident memory from now on (the kernel resets
// VmHWM); returns the resident memory now, in kibibytes.
inline long ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    return StatusKiB("VmRSS:");
}

} // namespace tovo::bench
