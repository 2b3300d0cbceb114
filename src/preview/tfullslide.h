#pragma once

#include <QColor>
#include <QDialog>
#include <QPixmap>

class QAction;
class QMenu;

namespace tovo {

// A still picture on a plain background: at its own size and centred, or,
// with StretchRatio on, scaled to the whole area keeping its proportions.
// A left click emits clicked(), any key keyPressed().
class TSlideImage : public QWidget {
    Q_OBJECT
public:
    explicit TSlideImage(QWidget *parent = nullptr);

    QPixmap picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);
    bool stretchRatio() const { return m_stretchRatio; }
    void setStretchRatio(bool on);
    QColor background() const { return m_background; }
    void setBackground(const QColor &colour);
    // Where the picture is drawn in the widget (empty without a picture).
    QRect pictureRect() const;

signals:
    void clicked();
    void keyPressed(int key);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Tab and Backtab are keys like the others here, not focus moves.
    bool focusNextPrevChild(bool next) override;

private:
    QPixmap m_picture;
    bool m_stretchRatio = true;
    QColor m_background = Qt::black;
};

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

    // --- controls (objectName = member name) ---
    TSlideImage *MultiImage1;
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
};

} // namespace tovo
