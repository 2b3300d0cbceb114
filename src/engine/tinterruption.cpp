#include "engine/tinterruption.h"

#include "shell/look.h"

#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace tovo {

TInterruption::TInterruption(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), Label1(new QLabel(this)), BitBtn1(new QPushButton(this))
{
    setObjectName(QStringLiteral("Interruption"));
    setModal(false);
    setFixedSize(354, 87);
    // Red, white text: unlike the other forms, it must stand out while the
    // main window is disabled behind it.
    look::paintPanel(this, QColor(0xFF, 0x00, 0x00), Qt::white);
    setFont(look::arial(13));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("... Opération en cours ... Merci de patienter ..."));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(look::arial(13));
    auto *shadow = new QGraphicsDropShadowEffect(Label1);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(0);
    shadow->setColor(Qt::black);
    Label1->setGraphicsEffect(shadow);

    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setText(QStringLiteral("Interrompre !"));
    BitBtn1->setFont(look::arial(16, true));
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    BitBtn1->setMinimumWidth(170);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 8, 6, 10);
    layout->setSpacing(6);
    layout->addWidget(Label1);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
}

void TInterruption::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Not QDialog's reject(): the dialog stays up until the question is
        // answered by the button's handler.
        BitBtn1->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TInterruption::showEvent(QShowEvent *event)
{
    if (const QScreen *s = screen())
        move(s->geometry().center() - rect().center());
    QDialog::showEvent(event);
    // The only window that accepts input meanwhile takes the keyboard, so
    // Escape works at once.
    raise();
    activateWindow();
    BitBtn1->setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace tovo
