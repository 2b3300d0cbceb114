#include "preview/ttextlistview.h"

#include "preview/ttextfilemodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

namespace tovo {

TTextListView::TTextListView(QWidget *parent) : QTableView(parent), m_model(new TTextFileModel(this))
{
    setModel(m_model);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(m_model, &TTextFileModel::rowsInserted, this, &TTextListView::fitColumn);
    connect(m_model, &TTextFileModel::indexingFinished, this, &TTextListView::fitColumn);
    fitRows();
}

bool TTextListView::loadFromFile(const QString &path)
{
    const bool loaded = m_model->load(path);
    scrollToTop();
    horizontalScrollBar()->setValue(0);
    fitColumn();
    return loaded;
}

void TTextListView::clear()
{
    m_model->clear();
    fitColumn();
}

int TTextListView::count() const { return m_model->rowCount(); }

QString TTextListView::itemText(int row) const { return m_model->itemText(row); }

void TTextListView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitRows();
        fitColumn();
    }
}

void TTextListView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitColumn();
}

void TTextListView::fitRows() { verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2); }

void TTextListView::fitColumn()
{
    // Wide enough for the longest line seen so far (wide letters included),
    // and never narrower than the view.
    const qint64 longest = m_model->longestShownLine() + 2;
    const int wanted = int(std::min<qint64>(longest * fontMetrics().averageCharWidth() * 5 / 4 + 8, 1 << 20));
    setColumnWidth(0, std::max(wanted, viewport()->width()));
}

} // namespace tovo
