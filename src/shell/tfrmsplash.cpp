#include "shell/tfrmsplash.h"

#include "shell/labelstore.h"
#include "shell/look.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace tovo {

TfrmSplash::TfrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), Image1(new QLabel(this)),
      Label1(new QLabel(this)), Label2(new QLabel(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    look::applyFormLook(this);
    setFixedSize(DesignWidth, DesignHeight);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(look::programIcon().pixmap(80, 80));
    Image1->setFixedSize(80, 80);

    // The texts sit on a white plate: maroon on teal would hardly read.
    auto *plate = new QFrame(this);
    look::paintPanel(plate, Qt::white, Qt::black);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(ApplicationTitle);
    QFont title(QStringLiteral("Times New Roman"));
    title.setPixelSize(27);
    title.setItalic(true);
    Label1->setFont(title);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette maroon = Label1->palette();
    maroon.setColor(QPalette::WindowText, look::Maroon);
    Label1->setPalette(maroon);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setText(CreditLine);
    Label2->setFont(look::arial(12));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *texts = new QVBoxLayout(plate);
    texts->setContentsMargins(10, 6, 12, 6);
    texts->setSpacing(2);
    texts->addWidget(Label1);
    texts->addWidget(Label2);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(9, 9, 9, 9);
    layout->setSpacing(9);
    layout->addWidget(Image1);
    layout->addWidget(plate, 1);
}

void TfrmSplash::FormShow() { Label1->setText(ApplicationTitle); }

void TfrmSplash::showEvent(QShowEvent *event)
{
    FormShow();
    if (const QScreen *s = screen()) {
        QRect r = geometry();
        r.moveCenter(s->geometry().center());
        move(r.topLeft());
    }
    QWidget::showEvent(event);
}

} // namespace tovo
