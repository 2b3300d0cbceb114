// The main window's side of the options dialog.
#include "shell/tprincipale.h"

#include "options/teoptions.h"
#include "shell/forms.h"
#include "shell/hints.h"
#include "shell/messageservice.h"

#include <QCheckBox>
#include <QListWidget>

namespace tovo {

void TPrincipale::Options1Click()
{
    TEOptions *options = AppForms().EOptions;
    if (!options)
        return;
    const bool bulles = options->Bulles->isChecked();
    const bool desacTaille = options->DesacTaille->isChecked();
    const bool desacTest = options->DesacTest->isChecked();
    if (Messages().execDialog(options) != QDialog::Accepted) {
        // Removals stay in the dialog's list; the menu keeps its entries.
        options->Bulles->setChecked(bulles);
        options->DesacTaille->setChecked(desacTaille);
        options->DesacTest->setChecked(desacTest);
        return;
    }
    if (options->HistoryChanged) {
        QStringList entries;
        for (int i = 0; i < options->ListeMenu->count(); ++i)
            entries << options->ListeMenu->item(i)->text();
        ReplaceHistory(entries);
    }
    SetHintsShown(options->Bulles->isChecked());
}

} // namespace tovo
