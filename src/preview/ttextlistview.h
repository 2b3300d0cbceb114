#pragma once

#include <QAbstractScrollArea>

namespace tovo {

class TTextFileModel;

// The line list of the preview pane (ListeTexte): one row per line of a
// text file, read lazily through TTextFileModel, so a file of hundreds of
// megabytes opens at once. The view keeps nothing per row either (item
// views keep a position or a size for every row, which for millions of short
// lines is itself a large amount of memory): rows are all one line high and
// only those on screen are asked for and drawn. A click or the arrow keys
// highlight a row; the wheel and the scroll bars move through the file.
class TTextListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TTextListView(QWidget *parent = nullptr);

    // Shows the lines of path; false when the file cannot be read.
    bool loadFromFile(const QString &path);
    void clear();
    int count() const;
    QString itemText(int row) const;
    TTextFileModel *textModel() const { return m_model; }
    // The highlighted row (-1: none) and the first row on screen.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    int topRow() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int rowHeight() const;
    int visibleRows() const;
    void updateScrollBars();

    TTextFileModel *m_model;
    int m_current = -1;
    // The row the content width was measured on, and that width.
    int m_measuredRow = -1;
    int m_contentWidth = 0;
};

} // namespace tovo
