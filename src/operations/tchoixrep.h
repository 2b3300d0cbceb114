#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tovo {

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;

// The directory chooser: drive box, directory tree and file list, the chosen
// directory in edit1 (the answer when the dialog closes with OK) and the
// favourite directories. Shown modally by the extraction confirmation and by
// the main window's browser panel, each positioning it first with
// OpenChooserAt.
class TChoixRep : public QDialog {
    Q_OBJECT
public:
    explicit TChoixRep(QWidget *parent = nullptr);

    static constexpr int DesignWidth = 336;
    static constexpr int DesignHeight = 360;

    // Input set by the caller before showing: the archive name as the main
    // window's NomFic holds it ("=" works from it).
    QString ArchiveName;

    // Moves the drive box and the tree to start; a start that cannot be
    // reached falls back to the program's directory, without a message.
    void OpenChooserAt(const QString &start);

    // --- handlers ---
    // Before each showing: no favourite selected, edit1 = the tree's directory.
    void FormShow();
    // The tree's directory changed: edit1 and its browse start follow it.
    void listeChange(const QString &directory);
    void ListeDblClick();
    // After edit1's browse dialog; accepted: the drive box and the tree move
    // to name and no favourite stays selected.
    void edit1AfterDialog(const QString &name, bool accepted);
    // Top edge at 30 pixels, height the screen's minus 60.
    void BtEtendreClick();
    void btAideClick();
    // A favourite was picked: the tree moves to it; one that cannot be
    // entered any more is reported (label 265) and dropped from the list.
    void favorisChange();
    // "+": offers to add the tree's directory to the favourites, at its
    // sorted place; an exact-case duplicate is refused (label 263).
    void Button2Click();
    // "X": offers to remove the selected favourite.
    void Button3Click();
    // "=": edit1 becomes the archive's folder; the tree stays where it is.
    void Button1Click();
    // Shows the tree's directory in the file manager.
    void btEplorerClick();

    // --- controls (objectName = member name) ---
    QPushButton *btOk;
    QPushButton *btAnnuler;
    TDriveComboBox *Lecteur;
    QLabel *lbDest;
    QPushButton *BtEtendre;
    TDirectoryListBox *Liste;
    TFileListBox *FileListBox1;
    QToolButton *btEplorer;
    // Read-only: it changes only through the code or its browse button.
    QLineEdit *edit1;
    QToolButton *edit1Browse;
    QComboBox *favoris;
    QLabel *lbFav;
    QPushButton *Button2;
    QPushButton *Button3;
    QPushButton *btAide;
    QPushButton *Button1;
    QPushButton *Button4;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The directory dialog of edit1: a missing directory may be named, and
    // is created once the user agrees.
    void browseEdit1();

    // Where edit1's browse dialog starts when edit1 is empty.
    QString m_edit1InitialDir;
};

} // namespace tovo
