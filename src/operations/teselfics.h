#pragma once

#include "operations/tfindfile.h"

#include <QColor>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QSlider;
class QToolButton;

namespace tovo {

class TEntryModel;

// The files-to-add dialog: a search directory and masks, the found files to
// check, the compression level and whether sub-directories are stored and the
// files deleted afterwards. Answers OK or cancel; the main window adds.
//
// The found list is a model of one row per file, no widget per row; it fills
// while the search runs, a batch at a time, so a search through a tree of a
// hundred thousand files keeps the window painted. Escape stops a search.
class TEselfics : public QDialog {
    Q_OBJECT
public:
    explicit TEselfics(QWidget *parent = nullptr);
    ~TEselfics() override;

    static constexpr int DesignWidth = 510;
    static constexpr int DesignHeight = 376;

    // --- inputs, set by the opener before FormActivate ---
    QString ArchiveName; // the archive's name, for "="
    QString FontName;    // the family of the found list's font
    QColor FormColor;    // the dialog's background

    // Replaces the entries of Filtre from "name|masks|name|masks..."; a
    // trailing name without masks is dropped.
    void setFilterList(const QString &filter);
    // The masks of Filtre's entry at index, empty outside the list.
    QString filterMasks(int index) const;

    // The checked items of Fics, in list order.
    QStringList checkedItems() const;

    // --- handlers ---
    // Prepares the dialog at each opening and searches the search directory
    // alone with the masks of Masque.
    void FormActivate();
    void FindFile1BeforeExecute();
    void FindFile1AfterExecute();
    void FindFile1NewPath(const QString &path, bool &abort);
    // "Chercher..." and Enter in Masque: a new search.
    void Button1Click();
    // A filter entry was picked: the found list empties and Masque takes the
    // entry's masks.
    void FiltreChange();
    void RepsrcAfterDialog(const QString &chosen);
    void ListerClick();
    // "=": the search directory becomes the archive's directory.
    void Button2Click();
    void FicsClick();
    void FicsDblClick();
    void TousFicsClick();
    void SelectionClick();
    void LbAucuneClick();
    void lbMaximumClick();
    void BtAideClick();
    // Counts the checked files, shows the count and enables OK when any.
    void UpdateCount();

    TFindFile FindFile1;
    TEntryModel *FicsModel;

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
    QListView *Fics;
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
    // The item shown for a path found below the search directory base (which
    // ends with "/"): the path below it when searching sub-directories, else
    // the file name alone.
    static QString itemOf(const QString &path, const QString &base, bool withSubDirectories);
    // Empties the found list and shows the count of none.
    void clearFound();
    // Moves the files found since the last call into the list.
    void showFound();
    // The directory dialog of Repsrc.
    void browseRepsrc();

    // The search under way: its base and kind, how much of Files is shown,
    // whether Escape asked to stop it.
    QString m_base;
    bool m_withSubDirectories = false;
    qsizetype m_shown = 0;
    bool m_searching = false;
    bool m_stop = false;
    QPointer<QWidget> m_focus;
    QElapsedTimer m_sinceShown;
};

} // namespace tovo
