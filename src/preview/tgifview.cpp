#include "preview/tgifview.h"

#include "preview/imagedecoding.h"

#include <QMouseEvent>
#include <QMovie>
#include <QPainter>

namespace tovo {

TGifView::TGifView(QWidget *parent) : QWidget(parent) { setAutoFillBackground(true); }

bool TGifView::loadFromFile(const QString &path)
{
    clearImage();
    // Frames beyond the limit (a small file declaring a huge screen) are
    // refused by the reader before memory is taken.
    ApplyPictureMemoryLimit();
    auto *movie = new QMovie(path, QByteArray(), this);
    movie->setCacheMode(QMovie::CacheNone);
    // Reading the first frame tells a broken file from a good one.
    if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
        delete movie;
        return false;
    }
    m_movie = movie;
    connect(m_movie, &QMovie::updated, this, [this] { update(); });
    m_movie->start();
    update();
    return true;
}

void TGifView::clearImage()
{
    if (m_movie) {
        m_movie->stop();
        delete m_movie;
        m_movie = nullptr;
    }
    update();
}

void TGifView::setStretch(bool on)
{
    m_stretch = on;
    update();
}

QRect TGifView::frameRect() const
{
    if (!m_movie)
        return {};
    if (m_stretch)
        return rect();
    QRect r(QPoint(0, 0), m_movie->currentImage().size());
    r.moveCenter(rect().center());
    return r;
}

void TGifView::paintEvent(QPaintEvent *)
{
    if (!m_movie)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_stretch);
    painter.drawImage(frameRect(), m_movie->currentImage());
}

void TGifView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

} // namespace tovo
