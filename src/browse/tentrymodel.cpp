#include "browse/tentrymodel.h"

#include "browse/displayname.h"

namespace tovo {

TEntryModel::TEntryModel(QObject *parent) : QAbstractListModel(parent) {}

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
    m_names.clear();
    m_sizes.clear();
    m_checked.clear();
    m_pendingNames.clear();
    m_pendingSizes.clear();
    m_checkedCount = 0;
    endResetModel();
}

void TEntryModel::appendPending(const QString &name, std::int64_t size)
{
    m_pendingNames.push_back(name);
    m_pendingSizes.push_back(size);
}

void TEntryModel::commitPending()
{
    if (m_pendingNames.empty())
        return;
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(m_pendingNames.size()) - 1);
    m_names.insert(m_names.end(), std::make_move_iterator(m_pendingNames.begin()),
                   std::make_move_iterator(m_pendingNames.end()));
    m_sizes.insert(m_sizes.end(), m_pendingSizes.begin(), m_pendingSizes.end());
    m_checked.resize(m_names.size(), 0);
    m_pendingNames.clear();
    m_pendingSizes.clear();
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
