#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tovo {

// The extraction confirmation: shows what is extracted, lets the user set the
// destination directory and the two switches, and answers IdYes (BitBtn1) or
// IdNo (BitBtn2, also Escape).
class TConf : public QDialog {
    Q_OBJECT
public:
    explicit TConf(QWidget *parent = nullptr);

    static constexpr int DesignWidth = 435;
    static constexpr int DesignHeight = 300;

    // Input set by the caller before each showing: the archive name as the
    // main window's NomFic holds it ("=" works from it).
    QString ArchiveName;
    // Output: set once the user confirmed a directory through the chooser;
    // the caller clears it before showing and reads it afterwards.
    bool ChoseDestination = false;

    // --- handlers ---
    // Before each showing: NomF and LbConfirmer in the main window's colours.
    void FormShow();
    // "=": toggles RepDest between the archive's folder and its sub-folder
    // named after the archive; creates nothing.
    void btEgaleClick();
    // Opens the chooser at RepDest; an accepted directory becomes RepDest
    // (falling back to the program's directory when it cannot be entered).
    void SelRepDestClick();
    // Shows RepDest, as typed, in the file manager.
    void OuvreRepertoireDestinationClick();

    // --- controls (objectName = member name) ---
    QLabel *Label1;
    QLabel *NomF;
    QLabel *lb_rep;
    QLabel *LbConfirmer;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QCheckBox *OuvRep;
    QCheckBox *RemplForce;
    QLineEdit *RepDest;
    QPushButton *btEgale;
    QToolButton *OuvreRepertoireDestination;
    QToolButton *SelRepDest;

public slots:
    // Escape answers No, as BitBtn2 does.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace tovo
