#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tovo {

// The entries of the open archive in listing order: the stored name shown
// in the list (with its check mark), the full name and the uncompressed
// size. One model row per entry and no widget per row, so archives of
// hundreds of thousands of entries list and scroll quickly. The checked
// count is kept up to date instead of recounted.
class TEntryModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TEntryModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void clear();
    // Entries reported while listing are collected, then shown at once.
    void appendPending(const QString &name, std::int64_t size);
    void commitPending();

    int count() const { return m_count; }
    QString fullName(int row) const;
    std::int64_t size(int row) const { return m_sizes[static_cast<std::size_t>(row)]; }
    bool isChecked(int row) const { return m_checked[static_cast<std::size_t>(row)] != 0; }
    void setChecked(const std::vector<int> &rows, bool checked);
    void setAllChecked(bool checked);
    int checkedCount() const { return m_checkedCount; }
    // Full names of the checked entries, in list order.
    QStringList checkedNames() const;

signals:
    // A check mark was changed by the user in the list.
    void checkToggled();

private:
    // The names one after the other in one buffer, each row's starting at
    // m_starts[row] and ending where the next one starts: one allocation for
    // all of them rather than one per name. Entries appended but not yet
    // committed follow the m_count rows shown.
    QString m_names;
    std::vector<qsizetype> m_starts;
    std::vector<std::int64_t> m_sizes;
    std::vector<char> m_checked;
    int m_count = 0;
    int m_checkedCount = 0;
};

} // namespace tovo
