#include "shell/taboutbox.h"

#include "shell/labelstore.h"
#include "shell/look.h"
#include "shell/tfrmsplash.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tovo {

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      Vtovo(new QLabel(this)), lb_gest(new QLabel(this)), Memo1(new QPlainTextEdit(this)), Hop(new QPushButton(this))
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos..."));
    look::applyFormLook(this);
    setFixedSize(DesignWidth, DesignHeight);

    Vtovo->setObjectName(QStringLiteral("Vtovo"));
    Vtovo->setText(ApplicationTitle);
    Vtovo->setFont(look::arial(24, true, true));
    Vtovo->setAlignment(Qt::AlignCenter);

    lb_gest->setObjectName(QStringLiteral("lb_gest"));
    lb_gest->setText(QStringLiteral("Gestionnaire d'archives ZIP "));
    lb_gest->setFont(look::arial(13, true));
    lb_gest->setAlignment(Qt::AlignCenter);

    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setAccessibleName(QStringLiteral("Crédits"));
    Memo1->setFont(look::arial(12));
    Memo1->setPlainText(QStringLiteral("Tovo repose sur des bibliothèques libres,\n"
                                       "dont Qt pour l'interface et zlib pour la compression.\n"
                                       "Merci à leurs auteurs."));

    Hop->setObjectName(QStringLiteral("Hop"));
    Hop->setText(QStringLiteral("Hop!"));
    Hop->setDefault(true);
    Hop->setMinimumWidth(90);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    // The program's icon beside the title.
    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Icone"));
    icon->setPixmap(look::programIcon().pixmap(48, 48));
    auto *title = new QHBoxLayout;
    title->addStretch(1);
    title->addWidget(icon);
    title->addSpacing(8);
    title->addWidget(Vtovo);
    title->addStretch(1);
    layout->addLayout(title);
    layout->addWidget(lb_gest);
    layout->addWidget(Memo1, 1);
    layout->addWidget(Hop, 0, Qt::AlignHCenter);

    connect(Hop, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::FormShow()
{
    Vtovo->setText(ApplicationTitle);
    if (Memo1->document()->firstBlock().text() != CreditLine) {
        QTextCursor top(Memo1->document());
        top.movePosition(QTextCursor::Start);
        top.insertText(CreditLine + QLatin1Char('\n'));
    }
}

void TAboutBox::showEvent(QShowEvent *event)
{
    FormShow();
    look::centerOnScreen(this);
    QDialog::showEvent(event);
}

} // namespace tovo
