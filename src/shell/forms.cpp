#include "shell/forms.h"

#include "engine/tinterruption.h"
#include "operations/tchoixrep.h"
#include "operations/tconf.h"
#include "operations/teselfics.h"
#include "options/teoptions.h"
#include "preview/tfullslide.h"
#include "shell/taboutbox.h"
#include "shell/tfrmsplash.h"
#include "shell/tprincipale.h"

#include <QApplication>

namespace tovo {

Forms &AppForms()
{
    static Forms forms;
    return forms;
}

void CreateForms()
{
    Forms &f = AppForms();
    f.Principale = new TPrincipale;
    f.frmSplash = new TfrmSplash;
    f.Interruption = new TInterruption;
    f.FullSlide = new TFullSlide;
    f.ChoixRep = new TChoixRep;
    f.frmSplash->show();
    QApplication::processEvents();
    f.AboutBox = new TAboutBox;
    f.frmSplash->repaint();
    f.Conf = new TConf;
    f.EOptions = new TEOptions;
    f.frmSplash->repaint();
    f.Eselfics = new TEselfics;
    f.frmSplash->repaint();
}

void DestroyForms()
{
    Forms &f = AppForms();
    delete f.Eselfics;
    delete f.EOptions;
    delete f.Conf;
    delete f.AboutBox;
    delete f.ChoixRep;
    delete f.FullSlide;
    delete f.Interruption;
    delete f.frmSplash;
    delete f.Principale;
    f = Forms();
}

} // namespace tovo
