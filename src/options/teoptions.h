#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tovo {

// The options dialog: the three switches other parts read from its check
// boxes, the recent-archives list to prune, and the desktop shortcut and ZIP
// association buttons. Answers OK or cancel; the main window applies the
// switches and the list (Options1Click). The two desktop buttons act at once
// and stay disabled for the rest of the run once they succeeded.
class TEOptions : public QDialog {
    Q_OBJECT
public:
    explicit TEOptions(QWidget *parent = nullptr);

    static constexpr int DesignWidth = 390;
    static constexpr int DesignHeight = 342;

    // Set once the user removed a history entry; stays set for the run, and
    // while set OK rebuilds the history menu from ListeMenu.
    bool HistoryChanged = false;

    // --- handlers ---
    // Each showing: the main window's background, ListeMenu = the history
    // menu's entries, AutoSuppr enabled when there is one.
    void FormShow();
    void ListeMenuClick();
    // Deletes the selected line of ListeMenu, if any.
    void RetirerClick();
    // After confirmation (label 287), deletes every line naming no existing
    // file, from the last line up.
    void AutoSupprClick();
    // After confirmation (label 254), the desktop launcher.
    void CreerRaccClick();
    // Tovo becomes the user's handler of ZIP files (label 255 afterwards).
    void AssoZipClick();
    void btAideClick();

    // --- controls (objectName = member name) ---
    QCheckBox *Bulles;
    QCheckBox *DesacTaille;
    QCheckBox *DesacTest;
    QPushButton *CreerRacc;
    QPushButton *AssoZip;
    QLabel *lbHistorique;
    QListWidget *ListeMenu;
    QPushButton *AutoSuppr;
    QPushButton *Retirer;
    QPushButton *btOk;
    QPushButton *btAnnuler;
    QPushButton *btAide;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The application's error report for a raised error: an error box.
    void reportError(const QString &text);
};

} // namespace tovo
