#include "preview/tfullslide.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace tovo {

TSlideImage::TSlideImage(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSlideImage::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void TSlideImage::setStretchRatio(bool on)
{
    m_stretchRatio = on;
    update();
}

void TSlideImage::setBackground(const QColor &colour)
{
    m_background = colour;
    update();
}

QRect TSlideImage::pictureRect() const
{
    if (m_picture.isNull())
        return {};
    // Device-independent size, so a picture is not drawn twice its size on a
    // high-density screen.
    QSize size = m_picture.deviceIndependentSize().toSize();
    if (m_stretchRatio)
        size.scale(this->size(), Qt::KeepAspectRatio);
    QRect r(QPoint(0, 0), size);
    r.moveCenter(rect().center());
    return r;
}

void TSlideImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    if (m_picture.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_stretchRatio);
    painter.drawPixmap(pictureRect(), m_picture);
}

void TSlideImage::mouseReleaseEvent(QMouseEvent *event)
{
    // Only the left button clicks; the right one opens the context menu.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void TSlideImage::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    emit keyPressed(event->key());
}

bool TSlideImage::focusNextPrevChild(bool) { return false; }

TFullSlide::TFullSlide(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      MultiImage1(new TSlideImage(this)), PopupMenu1(new QMenu(this))
{
    setObjectName(QStringLiteral("FullSlide"));
    setWindowTitle(QStringLiteral("Plein écran"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);

    MultiImage1->setObjectName(QStringLiteral("MultiImage1"));
    MultiImage1->setBackground(Qt::black);
    MultiImage1->setStretchRatio(true);
    MultiImage1->setToolTip(QStringLiteral("Clicquez droite pour les options"));
    MultiImage1->setContextMenuPolicy(Qt::CustomContextMenu);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(MultiImage1);

    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [this](const char *name, const QString &text) {
        QAction *action = PopupMenu1->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    Tailledorigine1 = item("Tailledorigine1", QStringLiteral("Taille d'origine"));
    Tailleajuste1 = item("Tailleajuste1", QStringLiteral("Taille ajustée"));
    PopupMenu1->addSeparator();
    FondNoir = item("FondNoir", QStringLiteral("Fond noir"));
    FondBlanc = item("FondBlanc", QStringLiteral("Fond blanc"));
    Autrecouleur1 = item("Autrecouleur1", QStringLiteral("Autre couleur..."));
    PopupMenu1->addSeparator();
    Fermer = item("Fermer", QStringLiteral("Fermer"));
    Tailledorigine1->setCheckable(true);
    Tailleajuste1->setCheckable(true);
    Tailleajuste1->setChecked(true);

    connect(MultiImage1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(MultiImage1->mapToGlobal(pos)); });
    connect(MultiImage1, &TSlideImage::clicked, this, &TFullSlide::ImageClick);
    connect(MultiImage1, &TSlideImage::keyPressed, this, &TFullSlide::MultiImage1KeyDown);
    connect(Tailledorigine1, &QAction::triggered, this, &TFullSlide::Tailledorigine1Click);
    connect(Tailleajuste1, &QAction::triggered, this, &TFullSlide::Tailleajuste1Click);
    connect(FondNoir, &QAction::triggered, this, &TFullSlide::FondNoirClick);
    connect(FondBlanc, &QAction::triggered, this, &TFullSlide::FondBlancClick);
    connect(Fermer, &QAction::triggered, this, &TFullSlide::ImageClick);
}

void TFullSlide::FormShow()
{
    Tailleajuste1->setChecked(true);
    Tailledorigine1->setChecked(false);
    if (const QScreen *s = screen())
        setGeometry(s->geometry());
    MultiImage1->setFocus();
}

void TFullSlide::ImageClick() { reject(); }

void TFullSlide::MultiImage1KeyDown() { ImageClick(); }

void TFullSlide::Tailledorigine1Click()
{
    MultiImage1->setStretchRatio(false);
    Tailleajuste1->setChecked(false);
    Tailledorigine1->setChecked(true);
}

void TFullSlide::Tailleajuste1Click()
{
    MultiImage1->setStretchRatio(true);
    Tailleajuste1->setChecked(true);
    Tailledorigine1->setChecked(false);
}

void TFullSlide::FondNoirClick() { MultiImage1->setBackground(Qt::black); }

void TFullSlide::FondBlancClick() { MultiImage1->setBackground(Qt::white); }

void TFullSlide::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFullSlide::mouseReleaseEvent(QMouseEvent *event)
{
    // The picture covers the window; this catches a click that reaches the
    // window itself.
    if (event->button() == Qt::LeftButton)
        ImageClick();
    else
        QDialog::mouseReleaseEvent(event);
}

} // namespace tovo
