#pragma once

#include "preview/imagedecoding.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QWidget>

namespace tovo {

// What the image viewer learns of a picture file: whether it decodes, and
// its number of colours (see DecodedPicture).
struct ImageInfo {
    bool ok = false;
    int colours = 0;
};

// A still-image viewer: the picture centred on a background colour, at its
// own size or, with StretchRatio, fitted to the viewer keeping its
// proportions. The preview pane's PMultiMedia1 loads files by name
// (MediaName); the full-screen view's MultiImage1 is given a copy of that
// picture. Left click, double click and keys are reported as signals.
class TImageView : public QWidget {
    Q_OBJECT
public:
    explicit TImageView(QWidget *parent = nullptr);

    // Loads the picture of path; an empty path unloads. False when the file
    // cannot be decoded (or is beyond the size limit): the viewer is then
    // empty.
    bool setMediaName(const QString &path);
    QString mediaName() const { return m_mediaName; }
    // Decodes path and tells what it holds. The decoded picture is kept for
    // a following setMediaName of the same, unchanged file, so a file is
    // decoded once per preview.
    ImageInfo imageInfo(const QString &path);
    // The colour count of the last imageInfo query (0 if it failed).
    int colours() const { return m_colours; }

    QImage picture() const { return m_picture; }
    // A copy of another viewer's picture (shared until either changes).
    void setPicture(const QImage &picture);
    void clearPicture();

    QColor backgroundColour() const { return m_background; }
    void setBackgroundColour(const QColor &colour);
    bool stretchRatio() const { return m_stretchRatio; }
    void setStretchRatio(bool on);
    // Where the picture is drawn in the viewer (empty without a picture).
    QRect pictureRect() const;

signals:
    void clicked();
    void doubleClicked();
    void keyPressed(int key);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Tab and Backtab are keys like the others for a viewer that has the
    // focus (the full-screen view closes on any key).
    bool focusNextPrevChild(bool next) override;

private:
    struct Decoded {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        DecodedPicture picture;
    };

    void dropScaled();

    QString m_mediaName;
    QImage m_picture;
    // The picture scaled to the viewer, made on first paint after a change.
    QImage m_scaled;
    Decoded m_decoded;
    int m_colours = 0;
    QColor m_background;
    bool m_stretchRatio = false;
};

} // namespace tovo
