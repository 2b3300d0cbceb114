#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tovo {

// The options dialog: the three switches other parts read from its check
// boxes, the recent-archives list to prune, and the desktop shortcut and ZIP
// association buttons. Answers OK or cancel; the main window applies it.
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
    void ListeMenuClick();
    // Deletes the selected line of ListeMenu, if any.
    void RetirerClick();
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
};

} // namespace tovo
