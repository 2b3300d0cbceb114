#include "operations/tconf.h"

#include "operations/destination.h"
#include "operations/explorer.h"
#include "operations/tchoixrep.h"
#include "shell/forms.h"
#include "shell/labelmessages.h"
#include "shell/look.h"
#include "shell/messageservice.h"
#include "shell/paths.h"
#include "shell/tprincipale.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovo {
using look::named;
namespace {

QToolButton *speedButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon)
{
    auto *button = named(new QToolButton(parent), name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setFixedSize(26, 24);
    return button;
}

} // namespace

TConf::TConf(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Conf"));
    setWindowTitle(QStringLiteral("Confirmation d'extraction"));
    look::applyFormLook(this);
    setFixedSize(DesignWidth, DesignHeight);

    Label1 = named(new QLabel(QStringLiteral("Archive/fichier a décompresser :"), this), "Label1");
    Label1->setFont(look::arial(13, true));
    // What is extracted: an archive name or a list of entry names; a name too
    // long for the width is cut rather than widening the dialog.
    NomF = named(new QLabel(this), "NomF");
    NomF->setFont(look::arial(13, true));
    NomF->setWordWrap(true);
    NomF->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    NomF->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    NomF->setFixedHeight(2 * NomF->fontMetrics().lineSpacing() + 4);
    NomF->setTextFormat(Qt::PlainText);
    NomF->setIndent(4);
    look::paintPanel(NomF, look::Teal, Qt::white);

    lb_rep = named(new QLabel(QStringLiteral("Répertoire de destination :"), this), "lb_rep");
    lb_rep->setFont(look::arial(13, true));
    RepDest = named(new QLineEdit(this), "RepDest");
    lb_rep->setBuddy(RepDest);
    SelRepDest = speedButton(this, "SelRepDest", QStyle::SP_DirIcon);
    btEgale = named(new QPushButton(QStringLiteral("="), this), "btEgale");
    btEgale->setFixedSize(26, 24);
    btEgale->setAutoDefault(false);
    btEgale->setToolTip(QStringLiteral("Extraire dans le répertoire du ZIP ;\n"
                                       "cliquez à nouveau pour extraire\n"
                                       "dans un sous-répertoire\n"
                                       "portant le nom du ZIP"));
    OuvreRepertoireDestination = speedButton(this, "OuvreRepertoireDestination", QStyle::SP_DirOpenIcon);
    OuvreRepertoireDestination->setToolTip(
        QStringLiteral("Ouvrir le répertoire de destination dans le gestionnaire de fichiers"));

    OuvRep = named(new QCheckBox(QStringLiteral("Ouvrir le répertoire de destination après extraction."), this),
                   "OuvRep");
    OuvRep->setChecked(true);
    RemplForce = named(new QCheckBox(QStringLiteral("273"), this), "RemplForce");
    RemplForce->setFont(look::arial(13, true));

    LbConfirmer = named(new QLabel(QStringLiteral("Etes-vous sûr(e) de vouloir lancer l'extraction ?"), this),
                        "LbConfirmer");
    LbConfirmer->setFont(look::arial(16, true, true));
    LbConfirmer->setAlignment(Qt::AlignCenter);
    LbConfirmer->setWordWrap(true);
    look::paintPanel(LbConfirmer, look::Teal, Qt::white);

    BitBtn1 = named(new QPushButton(QStringLiteral("&Oui"), this), "BitBtn1");
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogYesButton));
    BitBtn1->setDefault(true);
    BitBtn1->setMinimumWidth(100);
    BitBtn2 = named(new QPushButton(QStringLiteral("&Non"), this), "BitBtn2");
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    BitBtn2->setAutoDefault(false);
    BitBtn2->setMinimumWidth(100);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(4);
    layout->addWidget(Label1);
    layout->addWidget(NomF);
    layout->addSpacing(6);
    layout->addWidget(lb_rep);
    auto *dest = new QHBoxLayout;
    dest->setSpacing(3);
    dest->addWidget(RepDest, 1);
    dest->addWidget(SelRepDest);
    dest->addWidget(btEgale);
    dest->addWidget(OuvreRepertoireDestination);
    layout->addLayout(dest);
    layout->addSpacing(6);
    layout->addWidget(OuvRep);
    layout->addWidget(RemplForce);
    layout->addWidget(LbConfirmer, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addSpacing(20);
    buttons->addWidget(BitBtn2);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(IdYes); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(IdNo); });
    connect(btEgale, &QPushButton::clicked, this, &TConf::btEgaleClick);
    connect(SelRepDest, &QToolButton::clicked, this, &TConf::SelRepDestClick);
    connect(OuvreRepertoireDestination, &QToolButton::clicked, this, &TConf::OuvreRepertoireDestinationClick);
}

void TConf::FormShow()
{
    const QWidget *main = AppForms().Principale;
    if (!main)
        return;
    const QPalette &colours = main->palette();
    for (QWidget *panel : {static_cast<QWidget *>(NomF), static_cast<QWidget *>(LbConfirmer)})
        look::paintPanel(panel, colours.color(QPalette::Window), colours.color(QPalette::WindowText));
}

void TConf::btEgaleClick()
{
    const QString archive = StripQuotes(ArchiveName);
    if (archive.isEmpty())
        return;
    RepDest->setText(ToggleDestination(archive, RepDest->text()));
}

void TConf::SelRepDestClick()
{
    TChoixRep *chooser = AppForms().ChoixRep;
    if (!chooser)
        return;
    chooser->ArchiveName = ArchiveName;
    chooser->OpenChooserAt(RepDest->text());
    if (Messages().execDialog(chooser) != QDialog::Accepted)
        return;
    const EnteredDestination entered = EnterChosenDestination(chooser->edit1->text(), ProgDir());
    if (!entered.enteredOnSecondTry)
        ShowLabelMessage(QStringLiteral("M"), 265, 2);
    RepDest->setText(entered.directory);
    ChoseDestination = true;
}

void TConf::OuvreRepertoireDestinationClick() { OpenFolderInExplorer(RepDest->text()); }

void TConf::reject() { done(IdNo); }

void TConf::showEvent(QShowEvent *event)
{
    FormShow();
    look::centerOnScreen(this);
    QDialog::showEvent(event);
}

} // namespace tovo
