#include "dialogs/folderrootsmodel.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QStorageInfo>

#include <utility>

namespace {

// A drive holds files a user keeps: a disk, partition or memory stick (its
// device is a block device), or a network share ("host:/path", "//host/share").
// Left out are the file systems with no storage behind them (proc, sysfs,
// devtmpfs, tmpfs, cgroup, devpts, portals and the like), squashfs images
// (installed packages, live media), and single files bound into place.
bool isUserDrive(const QStorageInfo &volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    if (volume.fileSystemType() == "squashfs")
        return false;
    const QString device = QString::fromLocal8Bit(volume.device());
    const bool blockDevice = device.startsWith(QLatin1String("/dev/"));
    const bool networkShare = device.startsWith(QLatin1String("//")) || device.contains(u':');
    return (blockDevice || networkShare) && QFileInfo(volume.rootPath()).isDir();
}

bool holds(const QString &folder, const QString &path)
{
    return path == folder
           || path.startsWith(folder.endsWith(u'/') ? folder : folder + QLatin1Char('/'));
}

}  // namespace

FolderRootsModel::FolderRootsModel(const QStringList &rootPaths, QObject *parent)
    : QAbstractItemModel(parent)
{
    for (const QString &path : rootPaths) {
        auto *model = new QFileSystemModel(this);
        model->setOption(QFileSystemModel::DontWatchForChanges);
        model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
        const QString rootPath = QDir::cleanPath(path);
        model->setRootPath(rootPath);
        m_roots.append({rootPath, model, {}});
        m_pending.append(Pending::None);
        resolveRoot(static_cast<int>(m_roots.size()) - 1);
        connectRoot(static_cast<int>(m_roots.size()) - 1);
    }
}

QStringList FolderRootsModel::homeAndDrives()
{
    // The root file system is a drive even where its device is not one (an
    // overlay in a container).
    QStringList drives{QStringLiteral("/")};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (isUserDrive(volume))
            drives << QDir::cleanPath(volume.rootPath());
    }
    drives.sort();
    QStringList paths{QDir::cleanPath(QDir::homePath())};
    for (const QString &drive : std::as_const(drives)) {
        if (!paths.contains(drive))
            paths << drive;
    }
    return paths;
}

QString FolderRootsModel::filePath(const QModelIndex &index) const
{
    if (!index.isValid())
        return {};
    if (!index.internalPointer())
        return m_roots[index.row()].path;
    const QModelIndex source = toSource(index);
    return source.isValid() ? m_roots[rootOf(source.model())].model->filePath(source) : QString();
}

QModelIndex FolderRootsModel::indexOfPath(const QString &path) const
{
    const QString wanted = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    int best = -1;
    for (int root = 0; root < m_roots.size(); ++root) {
        const QString &rootPath = m_roots[root].path;
        if (holds(rootPath, wanted) && (best < 0 || rootPath.size() > m_roots[best].path.size()))
            best = root;
    }
    if (best < 0)
        return {};
    // The file-system model adds the nodes down to an existing folder it has not read yet.
    const QModelIndex source = m_roots[best].model->index(wanted);
    return isInTree(best, source) ? fromSource(best, source) : QModelIndex();
}

QModelIndex FolderRootsModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column != 0)
        return {};
    if (!parent.isValid())
        return row < static_cast<int>(m_roots.size()) ? createIndex(row, 0, nullptr)
                                                      : QModelIndex();
    const QModelIndex sourceParent = toSource(parent);
    if (!sourceParent.isValid() || row >= sourceParent.model()->rowCount(sourceParent))
        return {};
    return createIndex(row, 0, parentKey(sourceParent));
}

QModelIndex FolderRootsModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || !child.internalPointer())
        return {};
    const QModelIndex sourceParent =
        *static_cast<const QPersistentModelIndex *>(child.internalPointer());
    if (!sourceParent.isValid())
        return {};
    return fromSource(rootOf(sourceParent.model()), sourceParent);
}

int FolderRootsModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return static_cast<int>(m_roots.size());
    const QModelIndex source = toSource(parent);
    return source.isValid() ? source.model()->rowCount(source) : 0;
}

int FolderRootsModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool FolderRootsModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return !m_roots.isEmpty();
    const QModelIndex source = toSource(parent);
    return source.isValid() && source.model()->hasChildren(source);
}

QVariant FolderRootsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    // A top-level node shows its whole path: a drive is known by where it is mounted.
    if (!index.internalPointer() && role == Qt::DisplayRole)
        return m_roots[index.row()].path;
    const QModelIndex source = toSource(index);
    return source.isValid() ? source.data(role) : QVariant();
}

Qt::ItemFlags FolderRootsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (!index.internalPointer())
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const QModelIndex source = toSource(index);
    return source.isValid() ? source.flags() : Qt::NoItemFlags;
}

bool FolderRootsModel::canFetchMore(const QModelIndex &parent) const
{
    const QModelIndex source = toSource(parent);
    return source.isValid() && source.model()->canFetchMore(source);
}

void FolderRootsModel::fetchMore(const QModelIndex &parent)
{
    const QModelIndex source = toSource(parent);
    if (source.isValid())
        m_roots[rootOf(source.model())].model->fetchMore(source);
}

// Every change of a source model inside a root's tree is the same change here;
// changes above the root folder (the nodes the model keeps for its path) are not
// part of the tree.
void FolderRootsModel::connectRoot(int root)
{
    QFileSystemModel *model = m_roots[root].model;
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this, root](const QModelIndex &parent, int first, int last) {
                if (!isInTree(root, parent))
                    return;
                pendingOf(root) = Pending::Insert;
                beginInsertRows(fromSource(root, parent), first, last);
            });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this, root] {
        if (std::exchange(pendingOf(root), Pending::None) == Pending::Insert)
            endInsertRows();
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this, root](const QModelIndex &parent, int first, int last) {
                if (removesRoot(root, parent, first, last)) {
                    pendingOf(root) = Pending::Reset;
                    beginResetModel();
                } else if (isInTree(root, parent)) {
                    pendingOf(root) = Pending::Remove;
                    beginRemoveRows(fromSource(root, parent), first, last);
                }
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this, root] {
        const Pending done = std::exchange(pendingOf(root), Pending::None);
        if (done == Pending::Remove) {
            endRemoveRows();
            dropStaleKeys();
        } else if (done == Pending::Reset) {
            m_parentKeys.clear();
            endResetModel();
        }
    });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this, root] {
        m_parentKeys.clear();
        resolveRoot(root);
        endResetModel();
    });
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this,
            [this] { beginLayoutChange(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { endLayoutChange(); });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this, root](const QModelIndex &topLeft, const QModelIndex &bottomRight,
                         const QList<int> &roles) {
                if (topLeft.column() == 0 && isInTree(root, topLeft))
                    emit dataChanged(fromSource(root, topLeft),
                                     fromSource(root, bottomRight.siblingAtColumn(0)), roles);
            });
}

FolderRootsModel::Pending &FolderRootsModel::pendingOf(int root)
{
    return m_pending[root];
}

void FolderRootsModel::resolveRoot(int root)
{
    Root &entry = m_roots[root];
    entry.index = QPersistentModelIndex(entry.model->index(entry.path));
}

bool FolderRootsModel::isInTree(int root, const QModelIndex &source) const
{
    const QPersistentModelIndex &top = m_roots[root].index;
    if (!top.isValid() || source.model() != top.model())
        return false;
    for (QModelIndex node = source.siblingAtColumn(0); node.isValid(); node = node.parent()) {
        if (top == node)
            return true;
    }
    return false;
}

bool FolderRootsModel::removesRoot(int root, const QModelIndex &parent, int first, int last) const
{
    for (QModelIndex node = m_roots[root].index; node.isValid(); node = node.parent()) {
        if (node.parent() == parent && node.row() >= first && node.row() <= last)
            return true;
    }
    return false;
}

QModelIndex FolderRootsModel::toSource(const QModelIndex &index) const
{
    if (!index.isValid())
        return {};
    if (!index.internalPointer())
        return m_roots[index.row()].index;
    const auto *key = static_cast<const QPersistentModelIndex *>(index.internalPointer());
    return key->isValid() ? key->model()->index(index.row(), 0, *key) : QModelIndex();
}

// source is the root folder or lies below it.
QModelIndex FolderRootsModel::fromSource(int root, const QModelIndex &source) const
{
    if (m_roots[root].index == source)
        return createIndex(root, 0, nullptr);
    return createIndex(source.row(), 0, parentKey(source.parent()));
}

int FolderRootsModel::rootOf(const QAbstractItemModel *model) const
{
    for (int root = 0; root < m_roots.size(); ++root) {
        if (m_roots[root].model == model)
            return root;
    }
    return -1;
}

const QPersistentModelIndex *FolderRootsModel::parentKey(const QModelIndex &sourceParent) const
{
    const QPersistentModelIndex folder(sourceParent);
    auto key = m_parentKeys.find(folder);
    if (key == m_parentKeys.end())
        key = m_parentKeys.insert(folder, std::make_shared<QPersistentModelIndex>(folder));
    return key->get();
}

// Keys of folders the source models have removed; no node refers to them any more.
void FolderRootsModel::dropStaleKeys()
{
    m_parentKeys.removeIf([](const auto &entry) { return !entry.key().isValid(); });
}

// A source model re-sorts a folder: the nodes keep their folders, at new rows.
void FolderRootsModel::beginLayoutChange()
{
    emit layoutAboutToBeChanged();
    m_layoutNodes = persistentIndexList();
    m_layoutSources.clear();
    for (const QModelIndex &node : std::as_const(m_layoutNodes))
        m_layoutSources << QPersistentModelIndex(node.internalPointer() ? toSource(node)
                                                                        : QModelIndex());
}

void FolderRootsModel::endLayoutChange()
{
    QModelIndexList moved;
    for (qsizetype i = 0; i < m_layoutNodes.size(); ++i) {
        const QModelIndex &node = m_layoutNodes[i];
        const QPersistentModelIndex &source = m_layoutSources[i];
        if (!node.internalPointer())
            moved << node;
        else
            moved << (source.isValid() ? fromSource(rootOf(source.model()), source)
                                       : QModelIndex());
    }
    changePersistentIndexList(m_layoutNodes, moved);
    m_layoutNodes.clear();
    m_layoutSources.clear();
    emit layoutChanged();
}
