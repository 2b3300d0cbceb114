#include "browse/tentrymodel.h"

#include "browse/displayname.h"

namespace tovo {

TEntryModel::TEntryModel(QObject *parent) : QAbstractListModel(parent) {}

QString TEntryModel::fullName(int row) const
{
    const auto r = static_cast<std::size_t>(row);
    const qsizetype end = r + 1 < m_starts.size() ? m_starts[r + 1] : m_names.size();
    return m_names.mid(m_starts[r], end - m_starts[r]);
}

int TEntryModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : count(); }

QVariant TEntryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    // Shown escaped and cut to a length a row can lay out; operations use
    // the full name.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return DisplayedEntryName(fullName(index.row()));
    if (role == Qt::CheckStateRole)
        return isChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool TEntryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= count())
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (checked == isChecked(index.row()))
        return true;
    m_checked[static_cast<std::size_t>(index.row())] = checked;
    m_checkedCount += checked ? 1 : -1;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit checkToggled();
    return true;
}

Qt::ItemFlags TEntryModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

void TEntryModel::clear()
{
    beginResetModel();
    // Released, not only emptied: the next archive may be much smaller.
    m_names = QString();
    std::vector<qsizetype>().swap(m_starts);
    std::vector<std::int64_t>().swap(m_sizes);
    std::vector<char>().swap(m_checked);
    m_count = 0;
    m_checkedCount = 0;
    endResetModel();
}

void TEntryModel::appendPending(const QString &name, std::int64_t size)
{
    m_starts.push_back(m_names.size());
    m_names.append(name);
    m_sizes.push_back(size);
}

void TEntryModel::commitPending()
{
    const int total = static_cast<int>(m_starts.size());
    if (total == m_count)
        return;
    beginInsertRows(QModelIndex(), m_count, total - 1);
    m_checked.resize(m_starts.size(), 0);
    m_count = total;
    endInsertRows();
}

void TEntryModel::setChecked(const std::vector<int> &rows, bool checked)
{
    bool changed = false;
    for (int row : rows) {
        if (row < 0 || row >= count() || isChecked(row) == checked)
            continue;
        m_checked[static_cast<std::size_t>(row)] = checked;
        m_checkedCount += checked ? 1 : -1;
        changed = true;
    }
    if (changed && count() > 0)
        emit dataChanged(index(0), index(count() - 1), {Qt::CheckStateRole});
}

void TEntryModel::setAllChecked(bool checked)
{
    std::fill(m_checked.begin(), m_checked.end(), checked ? 1 : 0);
    m_checkedCount = checked ? count() : 0;
    if (count() > 0)
        emit dataChanged(index(0), index(count() - 1), {Qt::CheckStateRole});
}

QStringList TEntryModel::checkedNames() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i) {
        if (isChecked(i))
            names << fullName(i);
    }
    return names;
}

} // namespace tovo
