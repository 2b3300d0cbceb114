#pragma once

#include <QColor>
#include <QDialog>

class QAction;
class QMenu;

namespace tovo {

class TImageView;

// The full-screen view of the previewed still image, shown modally: natural
// or fitted size and the background colour from a right-click menu; a left
// click, any key or "Fermer" closes it.
class TFullSlide : public QDialog {
    Q_OBJECT
public:
    explicit TFullSlide(QWidget *parent = nullptr);

    // --- handlers ---
    // On each showing: fitted size checked, window over the whole screen.
    void FormShow();
    // Closes the window; the modal showing ends as cancelled.
    void ImageClick();
    void MultiImage1KeyDown();
    void Tailledorigine1Click();
    void Tailleajuste1Click();
    void FondNoirClick();
    void FondBlancClick();
    // The colour chooser, opened on the colour chosen last; a cancel keeps
    // the background.
    void Autrecouleur1Click();

    // --- controls (objectName = member name) ---
    TImageView *MultiImage1;
    QMenu *PopupMenu1;
    QAction *Tailledorigine1;
    QAction *Tailleajuste1;
    QAction *FondNoir;
    QAction *FondBlanc;
    QAction *Autrecouleur1;
    QAction *Fermer;

protected:
    void showEvent(QShowEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // The colour dialog's own colour, kept from one showing to the next.
    QColor m_dialogColour = Qt::black;
};

} // namespace tovo
