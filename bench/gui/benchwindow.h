// What the window benches share: the main window started offscreen as the
// program starts it, for a given program folder, and the process's memory.
#pragma once

#include "shell/forms.h"
#include "shell/paths.h"
#include "shell/tprincipale.h"

#include <QApplication>
#include <QFile>

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

} // namespace tovo::bench
