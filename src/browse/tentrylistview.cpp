#include "browse/tentrylistview.h"

#include <QKeyEvent>

namespace tovo {

TEntryListView::TEntryListView(QWidget *parent) : QListView(parent)
{
    connect(this, &QListView::clicked, this, &TEntryListView::entryClicked);
}

void TEntryListView::keyPressEvent(QKeyEvent *event)
{
    const QPersistentModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex() != before)
        emit entryClicked();
}

} // namespace tovo
