#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QStringList>

#include <memory>

class QFileSystemModel;

// The folder dialog's tree: one top-level node per root folder (the home folder
// and the mounted drives), each with the folders below it, one column.
//
// Each root has a file-system model of its own, so that a folder that lies below
// two roots (a folder of home is below "/" too) is a separate node under each,
// and every change of a source model is one change of this model. The models
// list folders only, without hidden ones, and do not watch the file system.
class FolderRootsModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit FolderRootsModel(const QStringList &rootPaths, QObject *parent = nullptr);

    // The home folder first, then the mounted drives a user keeps files on.
    static QStringList homeAndDrives();

    // The folder of a node: a top-level node's root path, or the path below it.
    QString filePath(const QModelIndex &index) const;
    // The node of a folder below the nearest root holding it (invalid when no
    // root holds it or the folder does not exist).
    QModelIndex indexOfPath(const QString &path) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    struct Root {
        QString path;
        QFileSystemModel *model = nullptr;
        QPersistentModelIndex index;  // the root folder in its model
    };
    enum class Pending { None, Insert, Remove, Reset };

    void connectRoot(int root);
    Pending &pendingOf(int root);
    bool isInTree(int root, const QModelIndex &source) const;
    bool removesRoot(int root, const QModelIndex &parent, int first, int last) const;
    QModelIndex toSource(const QModelIndex &index) const;
    QModelIndex fromSource(int root, const QModelIndex &source) const;
    int rootOf(const QAbstractItemModel *model) const;
    const QPersistentModelIndex *parentKey(const QModelIndex &sourceParent) const;
    void dropStaleKeys();
    void resolveRoot(int root);

    void beginLayoutChange();
    void endLayoutChange();

    QList<Root> m_roots;
    QList<Pending> m_pending;
    // A node below a root carries the key of its source parent as its internal
    // pointer; the key follows that folder through the source model's changes.
    mutable QHash<QPersistentModelIndex, std::shared_ptr<QPersistentModelIndex>> m_parentKeys;
    QModelIndexList m_layoutNodes;
    QList<QPersistentModelIndex> m_layoutSources;
};
