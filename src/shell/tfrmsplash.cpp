#include "shell/tfrmsplash.h"

#include "shell/labelstore.h"
#include "shell/look.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

namespace tovo {
namespace {

// Tovo's emblem, drawn rather than shipped: a closed box with a zip running
// down its middle.
QPixmap drawEmblem(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal m = size * 0.1;
    const QRectF box(m, m, size - 2 * m, size - 2 * m);
    p.setPen(QPen(Qt::white, size * 0.04));
    p.setBrush(QColor(0xFF, 0xD8, 0x4A));
    p.drawRoundedRect(box, size * 0.08, size * 0.08);
    // The zip: alternating teeth down the centre line, then the pull tab.
    const qreal cx = box.center().x();
    const qreal tooth = size * 0.06;
    p.setPen(Qt::NoPen);
    p.setBrush(look::Maroon);
    int i = 0;
    for (qreal y = box.top() + tooth; y < box.bottom() - 3 * tooth; y += tooth, ++i)
        p.drawRect(QRectF(i % 2 ? cx : cx - tooth, y, tooth, tooth * 0.8));
    p.drawRoundedRect(QRectF(cx - tooth, box.bottom() - 3 * tooth, 2 * tooth, 2.4 * tooth), 2, 2);
    return pixmap;
}

} // namespace

TfrmSplash::TfrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), Image1(new QLabel(this)),
      Label1(new QLabel(this)), Label2(new QLabel(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    look::applyFormLook(this);
    setFixedSize(DesignWidth, DesignHeight);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(drawEmblem(80));
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
