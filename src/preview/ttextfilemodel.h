#pragma once

#include "preview/textlineindex.h"

#include <QAbstractListModel>
#include <QCache>
#include <QTimer>

namespace tovo {

// The lines of a text file as list rows, read lazily: the file is indexed in
// slices (the first at once, the rest from the event loop, so the window
// stays live while a huge file is indexed and rows appear as they are
// found), and a row is read and decoded only when it is asked for. A row
// shows at most MaxShownBytes of its line, then " …".
//
// The encoding is the file's: UTF-8 while every byte indexed is valid UTF-8,
// else Windows-1252 (rows already shown are then decoded again).
class TTextFileModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr qsizetype MaxShownBytes = 4096;
    static constexpr qint64 SliceBytes = 8 * 1024 * 1024;

    explicit TTextFileModel(QObject *parent = nullptr);

    // Shows the lines of path; false (and no rows) when it cannot be read.
    bool load(const QString &path);
    void clear();
    // Indexes what is left of the file now.
    void finishIndexing();
    bool indexing() const { return m_timer.isActive(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // The text of row, as shown.
    QString itemText(int row) const;
    // The row of the longest line indexed so far (-1 without rows).
    int longestRow() const;
    TextEncoding encoding() const { return m_index.encoding(); }

signals:
    void indexingFinished();

private:
    void indexSlice();

    TextLineIndex m_index;
    QTimer m_timer;
    int m_rows = 0;
    TextEncoding m_shownEncoding = TextEncoding::Utf8;
    mutable QCache<int, QString> m_cache;
};

} // namespace tovo
