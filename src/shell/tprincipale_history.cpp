// The recent-archives menu: the items of MenuHisto above its separator Hist.
#include "shell/tprincipale.h"

#include "shell/history.h"
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/paths.h"
#include "shell/tfilenameedit.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace tovo {

QAction *TPrincipale::makeHistoryItem(const QString &caption)
{
    auto *item = new QAction(MenuHisto);
    // A caption is a path: "&" must show as itself, not as an accelerator.
    item->setText(QString(caption).replace(QLatin1Char('&'), QLatin1String("&&")));
    item->setData(caption);
    return item;
}

QStringList TPrincipale::HistoryItems() const
{
    QStringList items;
    for (QAction *action : MenuHisto->actions()) {
        if (action == Hist)
            break;
        items << action->data().toString();
    }
    return items;
}

void TPrincipale::ReplaceHistory(const QStringList &list)
{
    for (QAction *action : MenuHisto->actions()) {
        if (action != Hist) {
            // Deferred: the action may be the one whose click is running.
            MenuHisto->removeAction(action);
            action->deleteLater();
        }
    }
    for (const QString &caption : list)
        MenuHisto->insertAction(Hist, makeHistoryItem(caption));
}

void TPrincipale::LoadHistory()
{
    QStringList items;
    ReadHistoryFile(DataFile(GetLabel(274)), items);
    ReplaceHistory(items);
}

bool TPrincipale::SaveHistory() { return WriteHistoryFile(DataDir() + GetLabel(274), HistoryItems()); }

void TPrincipale::AddToHistory(const QString &name)
{
    QStringList items = HistoryItems();
    AddToHistoryList(items, name);
    if (items != HistoryItems())
        ReplaceHistory(items);
}

void TPrincipale::HistClick(QAction *item)
{
    const QString name = item->data().toString();
    NomFic->setText(name);
    if (!QFileInfo(name).isFile()) {
        MenuHisto->removeAction(item);
        item->deleteLater();
        ShowLabelMessage(QStringLiteral("M") + QStringLiteral("Fichier introuvable : retiré de l'historique"), -1,
                         1);
        return;
    }
    BtActuClick();
}

} // namespace tovo
