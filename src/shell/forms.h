#pragma once

class QWidget;

namespace tovo {
class TPrincipale;
class TfrmSplash;
class TInterruption;
class TFullSlide;
class TChoixRep;
class TAboutBox;
class TConf;
class TEOptions;
class TEselfics;

// The nine forms, created once at start in this order and alive until the
// program ends.
struct Forms {
    TPrincipale *Principale = nullptr;
    TfrmSplash *frmSplash = nullptr;
    TInterruption *Interruption = nullptr;
    TFullSlide *FullSlide = nullptr;
    TChoixRep *ChoixRep = nullptr;
    TAboutBox *AboutBox = nullptr;
    TConf *Conf = nullptr;
    TEOptions *EOptions = nullptr;
    TEselfics *Eselfics = nullptr;
};

Forms &AppForms();

// Creates the nine forms in order with the splash shown and repainted between
// them, then shows the main window (whose first showing loads everything).
void CreateForms();
// Deletes the forms, main window last.
void DestroyForms();

} // namespace tovo
