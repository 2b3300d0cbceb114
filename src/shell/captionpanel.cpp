#include "shell/captionpanel.h"

#include <QPainter>

namespace tovo {

TCaptionPanel::TCaptionPanel(QWidget *parent, Qt::Alignment alignment) : QFrame(parent), m_alignment(alignment) {}

void TCaptionPanel::setText(const QString &text)
{
    m_text = text;
    update();
}

void TCaptionPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(contentsRect().adjusted(4, 0, -4, 0), int(m_alignment | Qt::TextWordWrap), m_text);
}

} // namespace tovo
