#pragma once

#include <QTableView>

namespace tovo {

class TTextFileModel;

// The line list of the preview pane (ListeTexte): one row per line of a
// text file, read lazily through TTextFileModel, so a file of hundreds of
// megabytes opens at once and costs memory only for what is on screen.
// A one-column table without headers or grid rather than a list view: its
// rows of one fixed height cost nothing each, where a list view keeps a
// position per row.
class TTextListView : public QTableView {
    Q_OBJECT
public:
    explicit TTextListView(QWidget *parent = nullptr);

    // Shows the lines of path; false when the file cannot be read.
    bool loadFromFile(const QString &path);
    void clear();
    int count() const;
    QString itemText(int row) const;
    TTextFileModel *textModel() const { return m_model; }

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Row height from the font, column width from the longest line.
    void fitRows();
    void fitColumn();

    TTextFileModel *m_model;
};

} // namespace tovo
