#include "preview/timageview.h"

#include <QImageReader>
#include <QPainter>

namespace tovo {

TImageView::TImageView(QWidget *parent) : QWidget(parent), m_background(palette().color(QPalette::Button)) {}

bool TImageView::setMediaName(const QString &path)
{
    m_mediaName = path;
    m_picture = QImage();
    if (!path.isEmpty()) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        m_picture = reader.read();
        if (m_picture.isNull())
            m_mediaName.clear();
    }
    update();
    return path.isEmpty() || !m_picture.isNull();
}

void TImageView::clearPicture()
{
    m_picture = QImage();
    update();
}

ImageInfo TImageView::imageInfo(const QString &path) const
{
    QImageReader reader(path);
    if (!reader.canRead())
        return {};
    switch (reader.imageFormat()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return {true, 2};
    case QImage::Format_Indexed8: {
        const QImage image = reader.read();
        return {!image.isNull(), image.colorCount()};
    }
    default:
        return {true, 0};
    }
}

void TImageView::setBackgroundColour(const QColor &colour)
{
    m_background = colour;
    update();
}

void TImageView::setStretchRatio(bool on)
{
    m_stretchRatio = on;
    update();
}

QRect TImageView::pictureRect() const
{
    if (m_picture.isNull())
        return {};
    QSize size = m_picture.deviceIndependentSize().toSize();
    if (m_stretchRatio)
        size.scale(this->size(), Qt::KeepAspectRatio);
    QRect r(QPoint(0, 0), size);
    r.moveCenter(rect().center());
    return r;
}

void TImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    if (m_picture.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_stretchRatio);
    painter.drawImage(pictureRect(), m_picture);
}

} // namespace tovo
