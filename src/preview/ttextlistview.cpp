#include "preview/ttextlistview.h"

#include "preview/ttextfilemodel.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace tovo {
namespace {

constexpr int Margin = 3;

} // namespace

TTextListView::TTextListView(QWidget *parent) : QAbstractScrollArea(parent), m_model(new TTextFileModel(this))
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_model, &TTextFileModel::rowsInserted, this, [this] {
        updateScrollBars();
        viewport()->update();
    });
    connect(m_model, &TTextFileModel::modelReset, this, [this] {
        m_current = -1;
        m_measuredRow = -1;
        updateScrollBars();
        viewport()->update();
    });
    connect(m_model, &TTextFileModel::dataChanged, viewport(), qOverload<>(&QWidget::update));
}

bool TTextListView::loadFromFile(const QString &path)
{
    const bool loaded = m_model->load(path);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    return loaded;
}

void TTextListView::clear() { m_model->clear(); }

int TTextListView::count() const { return m_model->rowCount(); }

QString TTextListView::itemText(int row) const { return m_model->itemText(row); }

void TTextListView::setCurrentRow(int row)
{
    if (count() == 0)
        return;
    m_current = std::clamp(row, 0, count() - 1);
    // Keep it on screen.
    QScrollBar *bar = verticalScrollBar();
    if (m_current < bar->value())
        bar->setValue(m_current);
    else if (m_current >= bar->value() + visibleRows())
        bar->setValue(m_current - visibleRows() + 1);
    viewport()->update();
}

int TTextListView::topRow() const { return verticalScrollBar()->value(); }

int TTextListView::rowHeight() const { return fontMetrics().height() + 2; }

int TTextListView::visibleRows() const { return std::max(1, viewport()->height() / rowHeight()); }

void TTextListView::updateScrollBars()
{
    const int rows = count();
    verticalScrollBar()->setRange(0, std::max(0, rows - visibleRows()));
    verticalScrollBar()->setPageStep(visibleRows());
    verticalScrollBar()->setSingleStep(1);
    // As wide as the longest line found so far.
    const int longest = m_model->longestRow();
    if (longest != m_measuredRow) {
        m_measuredRow = longest;
        m_contentWidth = longest < 0 ? 0 : fontMetrics().horizontalAdvance(m_model->itemText(longest)) + 2 * Margin;
    }
    const int width = m_contentWidth;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth() * 4);
}

void TTextListView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const int height = rowHeight();
    const int first = topRow();
    const int last = std::min(count() - 1, first + viewport()->height() / height + 1);
    const int x = Margin - horizontalScrollBar()->value();
    const int width = viewport()->width() + horizontalScrollBar()->value();
    for (int row = first; row <= last; ++row) {
        const QRect line(0, (row - first) * height, viewport()->width(), height);
        const bool current = row == m_current;
        if (current)
            painter.fillRect(line, palette().brush(hasFocus() ? QPalette::Active : QPalette::Inactive,
                                                    QPalette::Highlight));
        painter.setPen(palette().color(current ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QRect(x, line.top(), width, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         m_model->itemText(row));
    }
}

void TTextListView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TTextListView::mousePressEvent(QMouseEvent *event)
{
    const int row = topRow() + int(event->position().y()) / rowHeight();
    if (event->button() == Qt::LeftButton && row < count())
        setCurrentRow(row);
    QAbstractScrollArea::mousePressEvent(event);
}

void TTextListView::keyPressEvent(QKeyEvent *event)
{
    const int page = visibleRows();
    int row = m_current < 0 ? topRow() - 1 : m_current;
    switch (event->key()) {
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_PageDown: row += page; break;
    case Qt::Key_PageUp: row -= page; break;
    case Qt::Key_Home:
        if (!(event->modifiers() & Qt::ControlModifier)) {
            horizontalScrollBar()->setValue(0);
            return;
        }
        row = 0;
        break;
    case Qt::Key_End:
        if (!(event->modifiers() & Qt::ControlModifier)) {
            horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
            return;
        }
        row = count() - 1;
        break;
    case Qt::Key_Left: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); return;
    case Qt::Key_Right: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); return;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    setCurrentRow(row);
}

void TTextListView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_measuredRow = -1;
        updateScrollBars();
        viewport()->update();
    }
}

void TTextListView::scrollContentsBy(int, int) { viewport()->update(); }

} // namespace tovo
