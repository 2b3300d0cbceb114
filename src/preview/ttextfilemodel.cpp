#include "preview/ttextfilemodel.h"

#include <algorithm>
#include <climits>

namespace tovo {

TTextFileModel::TTextFileModel(QObject *parent) : QAbstractListModel(parent), m_cache(4000)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &TTextFileModel::indexSlice);
}

bool TTextFileModel::load(const QString &path)
{
    clear();
    if (!m_index.open(path))
        return false;
    m_shownEncoding = m_index.encoding();
    m_timer.start();
    indexSlice();
    return true;
}

void TTextFileModel::clear()
{
    m_timer.stop();
    beginResetModel();
    m_index.close();
    m_rows = 0;
    m_cache.clear();
    endResetModel();
}

void TTextFileModel::finishIndexing()
{
    while (m_timer.isActive())
        indexSlice();
}

void TTextFileModel::indexSlice()
{
    const bool done = m_index.indexMore(SliceBytes);
    const int rows = int(std::min<qint64>(m_index.lineCount(), INT_MAX));
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
    if (m_index.encoding() != m_shownEncoding) {
        m_shownEncoding = m_index.encoding();
        m_cache.clear();
        if (m_rows > 0)
            emit dataChanged(index(0), index(m_rows - 1), {Qt::DisplayRole});
    }
    if (done) {
        m_timer.stop();
        emit indexingFinished();
    }
}

int TTextFileModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

QVariant TTextFileModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows)
        return {};
    return itemText(index.row());
}

QString TTextFileModel::itemText(int row) const
{
    if (row < 0 || row >= m_rows)
        return {};
    if (const QString *cached = m_cache.object(row))
        return *cached;
    bool truncated = false;
    QByteArray bytes = m_index.line(row, MaxShownBytes, &truncated);
    const TextEncoding encoding = m_index.encoding();
    // A capped line ends before a character it would cut in half.
    if (truncated && encoding == TextEncoding::Utf8)
        bytes.truncate(CheckUtf8(bytes, false).consumed);
    if (truncated && (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be) && bytes.size() >= 2) {
        const auto high = static_cast<unsigned char>(bytes[encoding == TextEncoding::Utf16Le ? bytes.size() - 1
                                                                                             : bytes.size() - 2]);
        if (high >= 0xD8 && high <= 0xDB)
            bytes.chop(2);
    }
    QByteArrayView shown(bytes);
    if (row == 0 && encoding == TextEncoding::Utf8)
        shown = shown.sliced(BomLength(shown, encoding));
    QString text = DecodeText(shown, encoding, ControlDisplay::Line);
    if (truncated)
        text += QStringLiteral(" \u2026");
    m_cache.insert(row, new QString(text));
    return text;
}

int TTextFileModel::longestRow() const
{
    return m_rows == 0 ? -1 : int(std::min<qint64>(m_index.longestLineNumber(), m_rows - 1));
}

} // namespace tovo
