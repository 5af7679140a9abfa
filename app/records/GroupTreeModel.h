#pragma once
// The group tree over the cursor tblTree: a node per record that passes the
// cursor's filter, each under the node of its ParentID, the root "显示全部"
// on top; labels are Name, siblings sorted by label (Name by GBK, then Type,
// then ID, the order of the store). A record whose ParentID names no record
// that the tree can show (left behind by deleting a group while private
// members were hidden, or a damaged file) is shown under the root, so no
// record of the file becomes unreachable.
//
// The child lists are built in one pass over the cursor's rows; a node's
// children are sorted only when a view first asks for them, so a group of
// 100 000 members costs nothing until it is opened.
//
// The tree's own changes (new group, rename, move, copy, delete) are stored
// through tblTree at once and applied to the model row by row, so views keep
// their expanded nodes. A wholesale change of the cursor (filter, refresh)
// rebuilds the model.

#include <QAbstractItemModel>
#include <QHash>
#include <QVariant>
#include <memory>
#include <vector>

class UsersCursor;

class GroupTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    static constexpr char MimeType[] = "application/x-kelo-record-ids";
    enum Roles { IdRole = Qt::UserRole + 1, TypeRole, ParentIdRole };

    explicit GroupTreeModel(UsersCursor &tree, QObject *parent = nullptr);
    ~GroupTreeModel() override;

    // The image of each record kind (0 member, 1 group, 2 root), given by
    // the widget side (a QIcon in a QVariant).
    void setTypeDecoration(int type, const QVariant &decoration);

    // Rebuilds every node from the cursor.
    void reload();

    QModelIndex indexOfId(int id) const;   // invalid when the record has no node
    static int idOf(const QModelIndex &index);
    // The parent a record is shown under (its ParentID, or the root for an
    // orphan); 0 when it has no node.
    int shownParentId(int id) const;
    // True when id is ancestor or equal to the record below.
    bool isSelfOrAncestor(int id, int below) const;
    int rootId() const;

    // --- the tree's changes, stored through tblTree (KeloError on failure)
    int addGroup(int parentId, const QString &name);
    void rename(int id, const QString &name);
    void move(int id, int newParentId);
    int copy(int id, int newParentId);
    // Deletes the record and every record beneath it that has a node.
    void removeSubtree(int id);

    // --- QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    // Drops are decided by the window (the root rule); the model only reads
    // the dragged IDs back.
    static QList<int> idsFromMime(const QMimeData *data);

signals:
    // An in-place rename was refused by the store; the window shows it.
    void errorRaised(const QString &message);

private:
    struct Node {
        int id = 0;
        Node *parent = nullptr;
        std::vector<Node *> children;
        int row = 0;          // position among the parent's sorted children
        bool sorted = true;
    };
    Node *nodeOf(const QModelIndex &index) const;
    Node *nodeOfId(int id) const;
    QModelIndex indexOfNode(Node *node) const;
    void ensureSorted(Node *node) const;
    bool lessThan(const Node *a, const Node *b) const;
    int sortedPosition(Node *parent, const Node *child, const Node *skip) const;
    Node *makeNode(int id);
    Node *buildFromCursor(int id, Node *parent);
    void collect(Node *node, std::vector<int> &ids) const;
    void forget(Node *node);
    void cursorReset();

    UsersCursor &m_tree;
    Node m_top;                                   // invisible; holds the root
    std::vector<std::unique_ptr<Node>> m_nodes;
    QHash<int, Node *> m_byId;
    QHash<int, QVariant> m_decorations;
    int m_selfChange = 0;                         // our own change is under way
};
