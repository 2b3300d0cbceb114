#include "options/teoptions.h"

#include "options/shellintegration.h"
#include "shell/forms.h"
#include "shell/helpwindow.h"
#include "shell/labelmessages.h"
#include "shell/look.h"
#include "shell/messageservice.h"
#include "shell/tprincipale.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace tovo {
using look::named;
namespace {

// The switches' look: white bold caption, white square with a maroon mark.
QCheckBox *graphicCheckBox(QWidget *parent, const char *name, const QString &text)
{
    auto *box = named(new QCheckBox(text, parent), name);
    QPalette p = box->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, look::Maroon);
    box->setPalette(p);
    return box;
}

} // namespace

TEOptions::TEOptions(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EOptions"));
    setWindowTitle(QStringLiteral("Options de Tovo..."));
    look::applyFormLook(this);
    setFont(look::arial(13, true));
    setFixedSize(DesignWidth, DesignHeight);

    Bulles = graphicCheckBox(this, "Bulles", QStringLiteral("Afficher les bulles d'aide"));
    DesacTaille = graphicCheckBox(this, "DesacTaille", QStringLiteral("DesacTaille"));
    DesacTest = graphicCheckBox(this, "DesacTest", QStringLiteral("DesacTest"));
    // Defaults when no setting exists yet.
    DesacTaille->setChecked(true);

    CreerRacc = look::plainButton(this, "CreerRacc", QStringLiteral("Créer un raccourci sur le bureau Windows"));
    AssoZip = look::plainButton(this, "AssoZip", QStringLiteral("Toujours utiliser Tovo pour ouvrir les ZIP !"));

    auto *history = new QFrame(this);
    // A plain box is drawn in the text colour: a white frame.
    history->setFrameStyle(QFrame::Box | QFrame::Plain);
    lbHistorique = named(new QLabel(QStringLiteral("lbHistorique"), history), "lbHistorique");
    ListeMenu = named(new QListWidget(history), "ListeMenu");
    ListeMenu->setFont(look::arial(12));
    ListeMenu->setSelectionMode(QAbstractItemView::SingleSelection);
    // The group's title names the list for screen readers.
    lbHistorique->setBuddy(ListeMenu);
    AutoSuppr = look::plainButton(history, "AutoSuppr", QStringLiteral("Auto"));
    Retirer = look::plainButton(history, "Retirer", QStringLiteral("Retirer"));
    Retirer->setEnabled(false);

    btOk = named(new QPushButton(QStringLiteral("&OK"), this), "btOk");
    btOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    btOk->setDefault(true);
    btAnnuler = look::plainButton(this, "btAnnuler", QStringLiteral("Annuler"));
    btAnnuler->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    btAide = look::plainButton(this, "btAide", QStringLiteral("Aide"));
    btAide->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(4);
    layout->addWidget(Bulles);
    layout->addWidget(DesacTaille);
    layout->addWidget(DesacTest);
    layout->addSpacing(4);
    layout->addWidget(CreerRacc);
    layout->addWidget(AssoZip);
    layout->addSpacing(4);

    // The history group: a white frame with its title at the top.
    auto *group = new QVBoxLayout(history);
    group->setContentsMargins(6, 4, 6, 6);
    group->setSpacing(4);
    group->addWidget(lbHistorique, 0, Qt::AlignLeft);
    auto *entries = new QHBoxLayout;
    entries->addWidget(ListeMenu, 1);
    auto *side = new QVBoxLayout;
    side->addWidget(AutoSuppr);
    side->addWidget(Retirer);
    side->addStretch(1);
    entries->addLayout(side);
    group->addLayout(entries, 1);
    layout->addWidget(history, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btOk);
    buttons->addWidget(btAnnuler);
    buttons->addWidget(btAide);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    connect(ListeMenu, &QListWidget::itemClicked, this, &TEOptions::ListeMenuClick);
    connect(Retirer, &QPushButton::clicked, this, &TEOptions::RetirerClick);
    connect(AutoSuppr, &QPushButton::clicked, this, &TEOptions::AutoSupprClick);
    connect(CreerRacc, &QPushButton::clicked, this, &TEOptions::CreerRaccClick);
    connect(AssoZip, &QPushButton::clicked, this, &TEOptions::AssoZipClick);
    connect(btAide, &QPushButton::clicked, this, &TEOptions::btAideClick);
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

void TEOptions::FormShow()
{
    if (TPrincipale *main = AppForms().Principale) {
        const QColor background = main->palette().color(QPalette::Window);
        for (QWidget *w : {static_cast<QWidget *>(this), static_cast<QWidget *>(Bulles)}) {
            QPalette p = w->palette();
            p.setColor(QPalette::Window, background);
            w->setPalette(p);
        }
        ListeMenu->clear();
        ListeMenu->addItems(main->HistoryItems());
    }
    AutoSuppr->setEnabled(ListeMenu->count() >= 1);
}

void TEOptions::ListeMenuClick() { Retirer->setEnabled(true); }

void TEOptions::RetirerClick()
{
    const QList<QListWidgetItem *> selected = ListeMenu->selectedItems();
    if (selected.isEmpty())
        return;
    delete selected.first();
    // Nothing stays selected, so a second press removes nothing more.
    ListeMenu->clearSelection();
    ListeMenu->setCurrentRow(-1);
    HistoryChanged = true;
}

void TEOptions::AutoSupprClick()
{
    if (ShowLabelMessage(QStringLiteral("D"), 287, 1) != IdYes)
        return;
    for (int i = ListeMenu->count() - 1; i >= 0; --i) {
        if (!QFileInfo(ListeMenu->item(i)->text()).isFile()) {
            delete ListeMenu->takeItem(i);
            HistoryChanged = true;
        }
    }
}

void TEOptions::CreerRaccClick()
{
    if (ShowLabelMessage(QStringLiteral("D"), 254, 4) != IdYes)
        return;
    try {
        RaiseSystemError(CreateDesktopShortcut());
    } catch (const SystemError &error) {
        reportError(error.text());
        return;
    }
    CreerRacc->setEnabled(false);
}

void TEOptions::AssoZipClick()
{
    try {
        RaiseSystemError(AssociateZipFiles(QCoreApplication::applicationFilePath(), ProgramIconFile()));
    } catch (const SystemError &error) {
        reportError(error.text());
        return;
    }
    ShowLabelMessage(QStringLiteral("M"), 255, 4);
    AssoZip->setEnabled(false);
}

void TEOptions::btAideClick() { ShowHelp(6); }

void TEOptions::reportError(const QString &text)
{
    MessageBoxRequest request;
    request.text = text;
    request.icon = MessageIcon::Error;
    request.buttons = MessageButtons::Ok;
    Messages().showMessage(request);
}

void TEOptions::showEvent(QShowEvent *event)
{
    FormShow();
    look::centerOnScreen(this);
    QDialog::showEvent(event);
}

} // namespace tovo
