#include "shell/fswidgets.h"

#include "shell/look.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStorageInfo>

namespace tovo {

TDriveComboBox::TDriveComboBox(QWidget *parent) : QComboBox(parent)
{
    refreshDrives();
    connect(this, &QComboBox::activated, this, [this] { emit driveChanged(drive()); });
}

void TDriveComboBox::refreshDrives()
{
    const QString current = drive();
    clear();
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    if (!roots.contains(QDir::rootPath()))
        roots.prepend(QDir::rootPath());
    roots.sort();
    addItems(roots);
    if (!current.isEmpty())
        setCurrentIndex(qMax(0, findText(current)));
}

bool TDriveComboBox::setDriveOf(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    const QString root = QStorageInfo(path).rootPath();
    int index = findText(root);
    if (index < 0) {
        addItem(root);
        index = count() - 1;
    }
    setCurrentIndex(index);
    return true;
}

QString TDriveComboBox::drive() const { return currentText(); }

TDirectoryListBox::TDirectoryListBox(QWidget *parent)
    : QTreeView(parent), m_model(new QFileSystemModel(this))
{
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QDir::rootPath());
    setModel(m_model);
    for (int c = 1; c < m_model->columnCount(); ++c)
        hideColumn(c);
    header()->hide();
    look::darkIndicators(this);
    setRootIndex(m_model->index(QDir::rootPath()));
    // The model fills folders in the background: keep the current one in view.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString &loaded) {
        if (currentIndex().isValid() && (loaded == m_directory || loaded == QFileInfo(m_directory).path()))
            scrollTo(currentIndex());
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &index) {
        const QString path = m_model->filePath(index);
        if (!path.isEmpty() && path != m_directory) {
            m_directory = path;
            emit directoryChanged(path);
        }
    });
}

QString TDirectoryListBox::directory() const { return m_directory; }

bool TDirectoryListBox::setDirectory(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const QModelIndex index = m_model->index(clean);
    if (index.isValid()) {
        expand(index);
        scrollTo(index);
        setCurrentIndex(index);
    }
    if (clean != m_directory) {
        m_directory = clean;
        emit directoryChanged(clean);
    }
    return true;
}

TFileListBox::TFileListBox(QWidget *parent) : QListView(parent), m_model(new QFileSystemModel(this))
{
    m_model->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    m_model->setNameFilterDisables(false);
    m_model->setReadOnly(true);
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMask(QStringLiteral("*.*"));
    connect(this, &QListView::activated, this,
            [this](const QModelIndex &index) { emit fileActivated(m_model->filePath(index)); });
}

QString TFileListBox::directory() const { return m_model->rootPath(); }

void TFileListBox::setDirectory(const QString &path)
{
    setRootIndex(m_model->setRootPath(path));
}

void TFileListBox::setMask(const QString &mask)
{
    m_mask = mask;
    QStringList filters = mask.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString &f : filters) {
        f = f.trimmed();
        // "*.*" means every file, also those without a dot.
        if (f == QLatin1String("*.*"))
            f = QStringLiteral("*");
    }
    m_model->setNameFilters(filters);
}

QString TFileListBox::mask() const { return m_mask; }

QString TFileListBox::currentFile() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

} // namespace tovo
