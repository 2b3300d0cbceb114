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
    QRect area = contentsRect().adjusted(4, 0, -4, 0);
    if (!(m_alignment & Qt::AlignLeft)) {
        painter.drawText(area, int(m_alignment | Qt::TextWordWrap), m_text);
        return;
    }
    // A header bar: one line, ending before the first control on its right
    // and cut with an ellipsis rather than hidden under that control.
    for (const QObject *child : children()) {
        const auto *widget = qobject_cast<const QWidget *>(child);
        if (widget && widget->isVisible())
            area.setRight(qMin(area.right(), widget->x() - 4));
    }
    if (area.width() <= 0)
        return;
    painter.drawText(area, int(m_alignment),
                     painter.fontMetrics().elidedText(m_text, Qt::ElideRight, qMax(0, area.width())));
}

} // namespace tovo
