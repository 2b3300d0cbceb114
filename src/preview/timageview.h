#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace tovo {

// What the image viewer learns of a picture file without showing it.
struct ImageInfo {
    bool ok = false;
    // Colours of the picture: the palette size of a paletted picture, 2 for
    // a one-bit one, 0 for a picture of direct colours.
    int colours = 0;
};

// The still-image viewer of the preview pane (PMultiMedia1): the picture
// named by MediaName, centred on a background colour, at its own size or,
// with StretchRatio, fitted to the viewer keeping its proportions.
// Decoding is Qt's image readers under Qt's allocation limit.
class TImageView : public QWidget {
    Q_OBJECT
public:
    explicit TImageView(QWidget *parent = nullptr);

    // Loads the picture of path (an empty path unloads); false when it
    // cannot be decoded, and the viewer is then empty.
    bool setMediaName(const QString &path);
    QString mediaName() const { return m_mediaName; }
    void clearPicture();
    QImage picture() const { return m_picture; }
    ImageInfo imageInfo(const QString &path) const;

    QColor backgroundColour() const { return m_background; }
    void setBackgroundColour(const QColor &colour);
    bool stretchRatio() const { return m_stretchRatio; }
    void setStretchRatio(bool on);
    // Where the picture is drawn (empty without one).
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_mediaName;
    QImage m_picture;
    QColor m_background;
    bool m_stretchRatio = false;
};

} // namespace tovo
