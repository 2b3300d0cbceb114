#pragma once

#include <QLabel>

class QMovie;

namespace tovo {

// The animated GIF player of the preview pane (GIFImage): plays the
// animation centred, at its own size or, with Stretch, over the whole
// player.
class TGifView : public QLabel {
    Q_OBJECT
public:
    explicit TGifView(QWidget *parent = nullptr);

    // Plays the GIF of path; false when it cannot be read.
    bool loadFromFile(const QString &path);
    void clearImage();
    bool stretch() const { return hasScaledContents(); }
    void setStretch(bool on) { setScaledContents(on); }
    QMovie *movie() const { return m_movie; }

private:
    QMovie *m_movie = nullptr;
};

} // namespace tovo
