#include "shell/look.h"

#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <climits>

namespace tovo::look {

QFont arial(int pixelSize, bool bold, bool italic)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icones/tovo-%1.png").arg(size), QSize(size, size));
    return icon;
}

void applyFormLook(QWidget *form)
{
    QPalette p = form->palette();
    p.setColor(QPalette::Window, Teal);
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Button, QColor(0xE0, 0xE0, 0xE0));
    p.setColor(QPalette::ButtonText, Qt::black);
    p.setColor(QPalette::ToolTipBase, Qt::white);
    p.setColor(QPalette::ToolTipText, Qt::black);
    // The colours above hold for every state; a disabled control must still
    // look disabled, so dim its texts.
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xA0, 0xCC, 0xCC));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Base, QColor(0xF0, 0xF0, 0xF0));
    form->setPalette(p);
    form->setAutoFillBackground(true);
    form->setFont(arial(13));
}

void paintPanel(QWidget *panel, const QColor &background, const QColor &text)
{
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, text);
    panel->setPalette(p);
    panel->setAutoFillBackground(true);
}

void darkIndicators(QWidget *control)
{
    // Only this role is set: the others still follow the form.
    QPalette p;
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::WindowText, Grey);
    control->setPalette(p);
}

QPushButton *plainButton(QWidget *parent, const char *name, const QString &text)
{
    auto *b = named(new QPushButton(text, parent), name);
    b->setAutoDefault(false);
    return b;
}

void centerOnScreen(QWidget *window)
{
    if (const QScreen *s = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(s->geometry().center());
        window->move(frame.topLeft());
    }
}

void setGauge(QProgressBar *bar, qint64 value, qint64 maximum)
{
    qint64 scale = 1;
    while (maximum / scale > INT_MAX)
        scale *= 1024;
    bar->setMaximum(static_cast<int>(maximum / scale));
    bar->setValue(static_cast<int>(qBound<qint64>(0, value, maximum) / scale));
}

} // namespace tovo::look
