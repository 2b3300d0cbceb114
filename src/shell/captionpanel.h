#pragma once

#include <QFrame>

namespace tovo {

// A panel with a caption of its own, drawn behind its children: centred for
// the viewer pane (seen when no viewer covers it), left for header bars.
class TCaptionPanel : public QFrame {
    Q_OBJECT
public:
    explicit TCaptionPanel(QWidget *parent = nullptr, Qt::Alignment alignment = Qt::AlignCenter);
    QString text() const { return m_text; }
    void setText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    Qt::Alignment m_alignment;
};

} // namespace tovo
