#pragma once

#include <QWidget>

class QMovie;

namespace tovo {

// The animated GIF player of the preview pane (GIFImage): plays the
// animation centred at its own size or, with Stretch, over the whole
// player. Frames are decoded one at a time as they are shown, so a long
// animation costs the memory of one frame. A left click is reported.
class TGifView : public QWidget {
    Q_OBJECT
public:
    explicit TGifView(QWidget *parent = nullptr);

    // Plays the GIF of path; false when its first frame cannot be decoded
    // (the player is then empty).
    bool loadFromFile(const QString &path);
    void clearImage();
    bool stretch() const { return m_stretch; }
    void setStretch(bool on);
    QMovie *movie() const { return m_movie; }
    // Where the current frame is drawn (empty without an animation).
    QRect frameRect() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QMovie *m_movie = nullptr;
    bool m_stretch = false;
};

} // namespace tovo
