#include "shell/fswidgets.h"

#include "shell/look.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIcon>
#include <QMimeDatabase>
#include <QSortFilterProxyModel>
#include <QStorageInfo>

namespace tovo {

namespace {

class NameOnlyProvider : public QAbstractFileIconProvider {
public:
    QIcon icon(const QFileInfo &info) const override
    {
        if (!info.isFile())
            return QAbstractFileIconProvider::icon(info.isDir() ? Folder : File);
        const QIcon themed = QIcon::fromTheme(mimeOf(info).iconName());
        return themed.isNull() ? QAbstractFileIconProvider::icon(File) : themed;
    }
    QString type(const QFileInfo &info) const override
    {
        if (!info.isFile())
            return QAbstractFileIconProvider::type(info);
        const QMimeType mime = mimeOf(info);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    // Called from Qt's file-information thread too: one database per call.
    static QMimeType mimeOf(const QFileInfo &info)
    {
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    }
};

} // namespace

QAbstractFileIconProvider *NameOnlyIconProvider()
{
    static auto *provider = new NameOnlyProvider;
    return provider;
}

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
    m_model->setIconProvider(NameOnlyIconProvider());
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QDir::rootPath());
    setModel(m_model);
    for (int c = 1; c < m_model->columnCount(); ++c)
        hideColumn(c);
    header()->hide();
    look::darkIndicators(this);
    setRootIndex(m_model->index(QDir::rootPath()));
    // The model fills and sorts folders in the background, moving the rows
    // above the current folder.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, &TDirectoryListBox::keepCurrentInView);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &TDirectoryListBox::keepCurrentInView);
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
        setCurrentIndex(index);
        m_following = true;
        keepCurrentInView();
    }
    if (clean != m_directory) {
        m_directory = clean;
        emit directoryChanged(clean);
    }
    return true;
}

void TDirectoryListBox::keepCurrentInView()
{
    if (m_following && currentIndex().isValid())
        scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
}

void TDirectoryListBox::mousePressEvent(QMouseEvent *event)
{
    m_following = false;
    QTreeView::mousePressEvent(event);
}

void TDirectoryListBox::wheelEvent(QWheelEvent *event)
{
    m_following = false;
    QTreeView::wheelEvent(event);
}

void TDirectoryListBox::keyPressEvent(QKeyEvent *event)
{
    m_following = false;
    QTreeView::keyPressEvent(event);
}

void TDirectoryListBox::showEvent(QShowEvent *event)
{
    QTreeView::showEvent(event);
    keepCurrentInView();
}

// The file-system model also shows, whatever its filter, the folders it was
// once asked about: the list's earlier folders and the folders of a file
// selected there. Under the list's folder only files pass.
class FilesOnlyModel : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setRoot(const QModelIndex &root)
    {
        m_root = root;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        if (parent != m_root)
            return true;
        const auto *files = static_cast<const QFileSystemModel *>(sourceModel());
        return !files->isDir(files->index(row, 0, parent));
    }

private:
    QPersistentModelIndex m_root;
};

TFileListBox::TFileListBox(QWidget *parent)
    : QListView(parent), m_model(new QFileSystemModel(this)), m_files(new FilesOnlyModel(this))
{
    m_model->setIconProvider(NameOnlyIconProvider());
    m_model->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    m_model->setNameFilterDisables(false);
    m_model->setReadOnly(true);
    m_files->setSourceModel(m_model);
    setModel(m_files);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMask(QStringLiteral("*.*"));
    connect(this, &QListView::activated, this, [this](const QModelIndex &index) {
        emit fileActivated(m_model->filePath(m_files->mapToSource(index)));
    });
}

QString TFileListBox::directory() const { return m_model->rootPath(); }

void TFileListBox::setDirectory(const QString &path)
{
    const QModelIndex root = m_model->setRootPath(path);
    m_files->setRoot(root);
    setRootIndex(m_files->mapFromSource(root));
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

void TFileListBox::selectFile(const QString &fileName)
{
    const QDir folder(directory());
    QString match;
    if (!fileName.isEmpty() && QFileInfo(folder.filePath(fileName)).isFile()) {
        match = fileName;
    } else if (!fileName.isEmpty()) {
        for (const QString &entry : folder.entryList(QDir::Files | QDir::Hidden)) {
            if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
                match = entry;
        }
    }
    const QModelIndex index =
        match.isEmpty() ? QModelIndex() : m_files->mapFromSource(m_model->index(folder.filePath(match)));
    if (!index.isValid()) {
        clearSelection();
        setCurrentIndex(QModelIndex());
        return;
    }
    setCurrentIndex(index);
    scrollTo(index);
}

QString TFileListBox::currentFile() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? m_model->filePath(m_files->mapToSource(index)) : QString();
}

} // namespace tovo
