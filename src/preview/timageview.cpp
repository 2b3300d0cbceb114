#include "preview/timageview.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tovo {
namespace {

// Identity of a file's content as far as a second look can tell.
std::pair<qint64, QDateTime> fileStamp(const QString &path)
{
    const QFileInfo info(path);
    return {info.exists() ? info.size() : -1, info.lastModified()};
}

} // namespace

TImageView::TImageView(QWidget *parent) : QWidget(parent), m_background(palette().color(QPalette::Button))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool TImageView::setMediaName(const QString &path)
{
    m_mediaName = path;
    DecodedPicture decoded;
    if (!path.isEmpty()) {
        const auto [size, modified] = fileStamp(path);
        if (m_decoded.path == path && m_decoded.size == size && m_decoded.modified == modified)
            decoded = m_decoded.picture;
        else
            decoded = DecodePicture(path);
    }
    m_decoded = {};
    if (decoded.image.isNull())
        m_mediaName.clear();
    setPicture(decoded.image);
    return path.isEmpty() || !decoded.image.isNull();
}

ImageInfo TImageView::imageInfo(const QString &path)
{
    const auto [size, modified] = fileStamp(path);
    m_decoded = {path, size, modified, DecodePicture(path)};
    m_colours = m_decoded.picture.colours;
    return {!m_decoded.picture.image.isNull(), m_colours};
}

void TImageView::setPicture(const QImage &picture)
{
    m_picture = picture;
    dropScaled();
}

void TImageView::clearPicture()
{
    m_decoded = {};
    setPicture(QImage());
}

void TImageView::setBackgroundColour(const QColor &colour)
{
    m_background = colour;
    update();
}

void TImageView::setStretchRatio(bool on)
{
    m_stretchRatio = on;
    dropScaled();
}

void TImageView::dropScaled()
{
    m_scaled = QImage();
    update();
}

QRect TImageView::pictureRect() const
{
    if (m_picture.isNull())
        return {};
    // Device-independent size, so a picture is not drawn twice its size on a
    // high-density screen.
    QSize size = m_picture.deviceIndependentSize().toSize();
    if (m_stretchRatio)
        size.scale(this->size(), Qt::KeepAspectRatio);
    QRect r(QPoint(0, 0), size.expandedTo(QSize(1, 1)));
    r.moveCenter(rect().center());
    return r;
}

void TImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect target = pictureRect();
    // The background around the picture only: a photo covers most of it.
    QRegion around(rect());
    if (!m_picture.hasAlphaChannel())
        around -= target;
    for (const QRect &r : around)
        painter.fillRect(r, m_background);
    if (m_picture.isNull())
        return;
    if (!m_stretchRatio || target.size() == m_picture.size()) {
        painter.drawImage(target.topLeft(), m_picture);
        return;
    }
    // Scaling a large photo takes long: once per size, not once per paint.
    const QSize device = target.size() * devicePixelRatio();
    if (m_scaled.size() != device) {
        m_scaled = m_picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(devicePixelRatio());
    }
    painter.drawImage(target.topLeft(), m_scaled);
}

void TImageView::mouseReleaseEvent(QMouseEvent *event)
{
    // Only the left button clicks; the right one opens a context menu.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void TImageView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}

void TImageView::keyPressEvent(QKeyEvent *event)
{
    if (focusPolicy() == Qt::NoFocus) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    emit keyPressed(event->key());
}

bool TImageView::focusNextPrevChild(bool next)
{
    return focusPolicy() == Qt::NoFocus ? QWidget::focusNextPrevChild(next) : false;
}

} // namespace tovo
