#pragma once

#include <QListView>

namespace tovo {

// The entry list: a list view that tells when the user, rather than the
// program, picks an entry, the way a click on a list does: a left click on
// an entry, or a key that moves the focus to another entry. Changes made by
// the program (emptying the list, a link selecting an entry) stay silent.
class TEntryListView : public QListView {
    Q_OBJECT
public:
    explicit TEntryListView(QWidget *parent = nullptr);

signals:
    void entryClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace tovo
