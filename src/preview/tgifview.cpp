#include "preview/tgifview.h"

#include <QMovie>

namespace tovo {

TGifView::TGifView(QWidget *parent) : QLabel(parent) { setAlignment(Qt::AlignCenter); }

bool TGifView::loadFromFile(const QString &path)
{
    clearImage();
    auto *movie = new QMovie(path, QByteArray(), this);
    // Reading the first frame tells a broken file from a good one.
    if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
        delete movie;
        return false;
    }
    m_movie = movie;
    setMovie(m_movie);
    m_movie->start();
    return true;
}

void TGifView::clearImage()
{
    QLabel::clear();
    if (m_movie) {
        m_movie->stop();
        delete m_movie;
        m_movie = nullptr;
    }
}

} // namespace tovo
