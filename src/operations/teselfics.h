#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QToolButton;

namespace tovo {

// The files-to-add dialog: a search directory and masks, the found files to
// check, the compression level and whether sub-directories are stored and the
// files deleted afterwards. Answers OK or cancel; the main window adds.
class TEselfics : public QDialog {
    Q_OBJECT
public:
    explicit TEselfics(QWidget *parent = nullptr);

    static constexpr int DesignWidth = 510;
    static constexpr int DesignHeight = 376;

    // Replaces the entries of Filtre from "name|masks|name|masks..."; a
    // trailing name without masks is dropped.
    void setFilterList(const QString &filter);
    // The masks of Filtre's entry at index, empty outside the list.
    QString filterMasks(int index) const;

    // --- handlers ---
    // A filter entry was picked: the found list empties and Masque takes the
    // entry's masks.
    void FiltreChange();
    void LbAucuneClick();
    void lbMaximumClick();
    void BtAideClick();

    // --- controls (objectName = member name) ---
    QLabel *lbRepRech;
    QLineEdit *Repsrc;
    QToolButton *RepsrcBrowse;
    QPushButton *Button2;
    QCheckBox *Lister;
    QLabel *LbSelFics;
    QComboBox *Filtre;
    QLineEdit *Masque;
    QPushButton *Button1;
    QListWidget *Fics;
    QLabel *Label2;
    QLabel *lb_compte;
    QLabel *lbEtat;
    QCheckBox *Etat;
    QPushButton *TousFics;
    QPushButton *Selection;
    QLabel *lbComp;
    QLabel *LbAucune;
    QSlider *NCompress;
    QLabel *lbMaximum;
    QCheckBox *UtilSRep;
    QCheckBox *SupprimeFichiers;
    QPushButton *btOk;
    QPushButton *btAnnuler;
    QPushButton *BtAide;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The directory dialog of Repsrc; an accepted directory replaces the text.
    void browseRepsrc();
};

} // namespace tovo
