#include "preview/tfullslide.h"

#include "preview/timageview.h"
#include "shell/messageservice.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace tovo {

TFullSlide::TFullSlide(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      MultiImage1(new TImageView(this)), PopupMenu1(new QMenu(this))
{
    setObjectName(QStringLiteral("FullSlide"));
    setWindowTitle(QStringLiteral("Plein écran"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);

    MultiImage1->setObjectName(QStringLiteral("MultiImage1"));
    MultiImage1->setBackgroundColour(Qt::black);
    MultiImage1->setStretchRatio(true);
    MultiImage1->setFocusPolicy(Qt::StrongFocus);
    MultiImage1->setToolTip(QStringLiteral("Clicquez droite pour les options"));
    MultiImage1->setAccessibleName(MultiImage1->toolTip());
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
    connect(MultiImage1, &TImageView::clicked, this, &TFullSlide::ImageClick);
    connect(MultiImage1, &TImageView::keyPressed, this, &TFullSlide::MultiImage1KeyDown);
    connect(Tailledorigine1, &QAction::triggered, this, &TFullSlide::Tailledorigine1Click);
    connect(Tailleajuste1, &QAction::triggered, this, &TFullSlide::Tailleajuste1Click);
    connect(FondNoir, &QAction::triggered, this, &TFullSlide::FondNoirClick);
    connect(FondBlanc, &QAction::triggered, this, &TFullSlide::FondBlancClick);
    connect(Autrecouleur1, &QAction::triggered, this, &TFullSlide::Autrecouleur1Click);
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

void TFullSlide::FondNoirClick() { MultiImage1->setBackgroundColour(Qt::black); }

void TFullSlide::FondBlancClick() { MultiImage1->setBackgroundColour(Qt::white); }

void TFullSlide::Autrecouleur1Click()
{
    const std::optional<QColor> colour = Messages().chooseColour(this, m_dialogColour);
    if (!colour)
        return;
    m_dialogColour = *colour;
    MultiImage1->setBackgroundColour(*colour);
}

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
