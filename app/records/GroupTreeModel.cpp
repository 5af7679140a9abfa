#include "GroupTreeModel.h"

#include "KeloError.h"
#include "RecordStore.h"
#include "UsersCursor.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <algorithm>

GroupTreeModel::GroupTreeModel(UsersCursor &tree, QObject *parent)
    : QAbstractItemModel(parent), m_tree(tree)
{
    connect(&m_tree, &UsersCursor::listReset, this, &GroupTreeModel::cursorReset);
}

GroupTreeModel::~GroupTreeModel() = default;

void GroupTreeModel::setTypeDecoration(int type, const QVariant &decoration)
{
    m_decorations.insert(type, decoration);
}

void GroupTreeModel::cursorReset()
{
    if (m_selfChange == 0)
        reload();
}

GroupTreeModel::Node *GroupTreeModel::makeNode(int id)
{
    m_nodes.push_back(std::make_unique<Node>());
    Node *n = m_nodes.back().get();
    n->id = id;
    m_byId.insert(id, n);
    return n;
}

void GroupTreeModel::reload()
{
    beginResetModel();
    m_top.children.clear();
    m_top.sorted = true;
    m_nodes.clear();
    m_byId.clear();

    if (m_tree.Active()) {
        const RecordStore &store = m_tree.store();
        const int count = m_tree.RecordCount();
        m_nodes.reserve(size_t(count));
        m_byId.reserve(count);
        Node *root = nullptr;
        for (int row = 0; row < count; ++row) {
            Node *n = makeNode(m_tree.IdAt(row));
            const RecordStore::KeyEntry *key = store.Key(n->id);
            if (!root && key && key->type == TypeRoot)
                root = n;
        }
        // Link each node under its parent; the root stands on top. A parent
        // that is missing or is a member leaves the record an orphan.
        std::vector<Node *> orphans;
        for (const auto &owned : m_nodes) {
            Node *n = owned.get();
            if (n == root)
                continue;
            const RecordStore::KeyEntry *key = store.Key(n->id);
            Node *p = key ? m_byId.value(key->parentId, nullptr) : nullptr;
            const RecordStore::KeyEntry *pkey = p ? store.Key(p->id) : nullptr;
            if (!p || !pkey || pkey->type == TypeMember || p == n)
                orphans.push_back(n);
            else
                n->parent = p;
        }
        for (const auto &owned : m_nodes)
            if (owned->parent)
                owned->parent->children.push_back(owned.get());

        Node *home = root ? root : &m_top;
        if (root) {
            root->parent = &m_top;
            m_top.children.push_back(root);
        }
        for (Node *n : orphans) {
            n->parent = home;
            home->children.push_back(n);
        }
        // Records that only reach each other through their ParentIDs (a loop
        // in a damaged file) are not below the root: show them there too.
        std::vector<char> seen(m_nodes.size(), 0);
        QHash<const Node *, size_t> slot;
        slot.reserve(int(m_nodes.size()));
        for (size_t i = 0; i < m_nodes.size(); ++i)
            slot.insert(m_nodes[i].get(), i);
        std::vector<Node *> stack(m_top.children.begin(), m_top.children.end());
        while (!stack.empty()) {
            Node *n = stack.back();
            stack.pop_back();
            seen[slot.value(n)] = 1;
            stack.insert(stack.end(), n->children.begin(), n->children.end());
        }
        for (size_t i = 0; i < m_nodes.size(); ++i) {
            if (seen[i])
                continue;
            Node *n = m_nodes[i].get();
            auto &siblings = n->parent->children;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), n), siblings.end());
            n->parent = home;
            home->children.push_back(n);
            // Its own subtree is reachable now.
            std::vector<Node *> sub{n};
            while (!sub.empty()) {
                Node *s = sub.back();
                sub.pop_back();
                seen[slot.value(s)] = 1;
                sub.insert(sub.end(), s->children.begin(), s->children.end());
            }
        }
        for (const auto &owned : m_nodes)
            owned->sorted = owned->children.size() < 2;
        m_top.sorted = m_top.children.size() < 2;
        if (m_top.sorted)
            for (size_t i = 0; i < m_top.children.size(); ++i)
                m_top.children[i]->row = int(i);
        for (const auto &owned : m_nodes)
            if (owned->sorted && !owned->children.empty())
                owned->children.front()->row = 0;
    }
    endResetModel();
}

namespace {

// Two labels as a user reads them: by their GBK bytes (so Chinese comes in
// pinyin order for the common characters), except that an ASCII letter
// counts the same in either case, so "a组" and "B组" sort a before B. The
// keys are walked character by character: a single byte below 0x80 is
// ASCII, 0xFF starts a four-byte character GBK cannot write, any other byte
// starts a two-byte GBK character whose second byte may look like a letter
// and keeps its case. A label that is the start of another sorts first.
int CompareLabels(const QByteArray &a, const QByteArray &b)
{
    const auto *pa = reinterpret_cast<const unsigned char *>(a.constData());
    const auto *pb = reinterpret_cast<const unsigned char *>(b.constData());
    const qsizetype na = a.size(), nb = b.size();
    qsizetype i = 0;
    while (i < na && i < nb) {
        const unsigned char x = pa[i], y = pb[i];
        if (x < 0x80 && y < 0x80) {
            const int fx = x >= 'A' && x <= 'Z' ? x + ('a' - 'A') : x;
            const int fy = y >= 'A' && y <= 'Z' ? y + ('a' - 'A') : y;
            if (fx != fy)
                return fx < fy ? -1 : 1;
            ++i;
            continue;
        }
        if (x != y)
            return x < y ? -1 : 1;
        // The same lead byte: the rest of the character compares as bytes.
        const qsizetype end = i + (x == 0xFF ? 4 : 2);
        for (++i; i < end; ++i) {
            if (i >= na || i >= nb)
                return na == nb ? 0 : (na < nb ? -1 : 1);
            if (pa[i] != pb[i])
                return pa[i] < pb[i] ? -1 : 1;
        }
    }
    if (na != nb)
        return na < nb ? -1 : 1;
    return 0;
}

} // namespace

bool GroupTreeModel::lessThan(const Node *a, const Node *b) const
{
    const RecordStore &store = m_tree.store();
    const RecordStore::KeyEntry *ka = store.Key(a->id);
    const RecordStore::KeyEntry *kb = store.Key(b->id);
    if (!ka || !kb)
        return (ka != nullptr) > (kb != nullptr) || (!ka && !kb && a->id < b->id);
    const int c = CompareLabels(ka->gbkName, kb->gbkName);
    if (c != 0)
        return c < 0;
    if (ka->type != kb->type)
        return ka->type < kb->type;
    return a->id < b->id;
}

void GroupTreeModel::ensureSorted(Node *node) const
{
    if (node->sorted)
        return;
    std::sort(node->children.begin(), node->children.end(),
              [this](const Node *a, const Node *b) { return lessThan(a, b); });
    for (size_t i = 0; i < node->children.size(); ++i)
        node->children[i]->row = int(i);
    node->sorted = true;
}

int GroupTreeModel::sortedPosition(Node *parent, const Node *child, const Node *skip) const
{
    ensureSorted(parent);
    int pos = 0;
    auto it = std::lower_bound(parent->children.begin(), parent->children.end(), child,
                               [this](const Node *a, const Node *b) { return lessThan(a, b); });
    pos = int(it - parent->children.begin());
    // The slot of a node that is about to leave does not count.
    if (skip && skip->parent == parent && skip->row < pos)
        --pos;
    return pos;
}

GroupTreeModel::Node *GroupTreeModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid())
        return const_cast<Node *>(&m_top);
    return static_cast<Node *>(index.internalPointer());
}

GroupTreeModel::Node *GroupTreeModel::nodeOfId(int id) const { return m_byId.value(id, nullptr); }

QModelIndex GroupTreeModel::indexOfNode(Node *node) const
{
    if (!node || node == &m_top)
        return {};
    ensureSorted(node->parent);
    return createIndex(node->row, 0, node);
}

QModelIndex GroupTreeModel::indexOfId(int id) const
{
    Node *n = nodeOfId(id);
    if (!n)
        return {};
    // Sort every list on the way down so the rows are known.
    std::vector<Node *> path;
    for (Node *p = n->parent; p; p = p->parent)
        path.push_back(p);
    for (auto it = path.rbegin(); it != path.rend(); ++it)
        ensureSorted(*it);
    return createIndex(n->row, 0, n);
}

int GroupTreeModel::idOf(const QModelIndex &index)
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer())->id : 0;
}

int GroupTreeModel::shownParentId(int id) const
{
    Node *n = nodeOfId(id);
    return n && n->parent && n->parent != &m_top ? n->parent->id : 0;
}

bool GroupTreeModel::isSelfOrAncestor(int id, int below) const
{
    for (Node *n = nodeOfId(below); n && n != &m_top; n = n->parent)
        if (n->id == id)
            return true;
    return false;
}

int GroupTreeModel::rootId() const
{
    return m_top.children.empty() ? 0 : m_top.children.front()->id;
}

QModelIndex GroupTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    Node *p = nodeOf(parent);
    if (row >= int(p->children.size()))
        return {};
    ensureSorted(p);
    return createIndex(row, 0, p->children[size_t(row)]);
}

QModelIndex GroupTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    return indexOfNode(nodeOf(child)->parent);
}

int GroupTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(nodeOf(parent)->children.size());
}

int GroupTreeModel::columnCount(const QModelIndex &) const { return 1; }

bool GroupTreeModel::hasChildren(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return false;
    return !nodeOf(parent)->children.empty();
}

QVariant GroupTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int id = nodeOf(index)->id;
    const RecordStore::KeyEntry *key = m_tree.store().Key(id);
    if (!key)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return key->name;
    case Qt::DecorationRole:
        return m_decorations.value(key->type);
    case IdRole:
        return id;
    case TypeRole:
        return key->type;
    case ParentIdRole:
        return key->parentId;
    default:
        return {};
    }
}

bool GroupTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    try {
        rename(nodeOf(index)->id, value.toString());
        return true;
    } catch (const KeloError &e) {
        emit errorRaised(e.message());
    } catch (const std::exception &e) {
        emit errorRaised(QString::fromUtf8(e.what()));
    }
    return false;
}

Qt::ItemFlags GroupTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled
           | Qt::ItemIsDropEnabled;
}

Qt::DropActions GroupTreeModel::supportedDropActions() const { return Qt::MoveAction | Qt::CopyAction; }
Qt::DropActions GroupTreeModel::supportedDragActions() const { return Qt::MoveAction | Qt::CopyAction; }

QStringList GroupTreeModel::mimeTypes() const { return {QString::fromLatin1(MimeType)}; }

QMimeData *GroupTreeModel::mimeData(const QModelIndexList &indexes) const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const QModelIndex &i : indexes)
        if (i.isValid())
            out << qint32(nodeOf(i)->id);
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(MimeType), bytes);
    return mime;
}

QList<int> GroupTreeModel::idsFromMime(const QMimeData *data)
{
    QList<int> ids;
    if (!data)
        return ids;
    QDataStream in(data->data(QString::fromLatin1(MimeType)));
    while (!in.atEnd()) {
        qint32 id = 0;
        in >> id;
        if (in.status() != QDataStream::Ok)
            break;
        ids.append(id);
    }
    return ids;
}

// --- the tree's changes

namespace {
struct SelfChange {
    explicit SelfChange(int &n) : m_n(n) { ++m_n; }
    ~SelfChange() { --m_n; }
    int &m_n;
};
} // namespace

int GroupTreeModel::addGroup(int parentId, const QString &name)
{
    int id = 0;
    {
        SelfChange self(m_selfChange);
        id = m_tree.AppendGroup(parentId, name);
    }
    if (nodeOfId(id))
        return id;
    Node *parent = nodeOfId(parentId);
    if (!parent)
        parent = m_top.children.empty() ? &m_top : m_top.children.front();
    Node *n = makeNode(id);
    n->parent = parent;
    const int pos = sortedPosition(parent, n, nullptr);
    beginInsertRows(indexOfNode(parent), pos, pos);
    parent->children.insert(parent->children.begin() + pos, n);
    for (size_t i = size_t(pos); i < parent->children.size(); ++i)
        parent->children[i]->row = int(i);
    endInsertRows();
    return id;
}

void GroupTreeModel::rename(int id, const QString &name)
{
    {
        SelfChange self(m_selfChange);
        m_tree.Rename(id, name);
    }
    Node *n = nodeOfId(id);
    if (!n)
        return;
    Node *parent = n->parent;
    ensureSorted(parent);
    // The new label may place the node elsewhere among its siblings.
    auto &sib = parent->children;
    const int from = n->row;
    sib.erase(sib.begin() + from);
    for (size_t i = size_t(from); i < sib.size(); ++i)
        sib[i]->row = int(i);
    auto it = std::lower_bound(sib.begin(), sib.end(), n,
                               [this](const Node *a, const Node *b) { return lessThan(a, b); });
    const int to = int(it - sib.begin());
    sib.insert(it, n);
    for (size_t i = 0; i < sib.size(); ++i)
        sib[i]->row = int(i);
    if (to != from) {
        // Announce the move on the old order, then keep the new one.
        sib.erase(sib.begin() + to);
        sib.insert(sib.begin() + from, n);
        for (size_t i = 0; i < sib.size(); ++i)
            sib[i]->row = int(i);
        const QModelIndex p = indexOfNode(parent);
        beginMoveRows(p, from, from, p, to > from ? to + 1 : to);
        sib.erase(sib.begin() + from);
        sib.insert(sib.begin() + to, n);
        for (size_t i = 0; i < sib.size(); ++i)
            sib[i]->row = int(i);
        endMoveRows();
    }
    const QModelIndex i = indexOfNode(n);
    emit dataChanged(i, i);
}

void GroupTreeModel::move(int id, int newParentId)
{
    {
        SelfChange self(m_selfChange);
        m_tree.Move(id, newParentId);
    }
    Node *n = nodeOfId(id);
    Node *to = nodeOfId(newParentId);
    if (!n || !to || n->parent == to)
        return;
    Node *from = n->parent;
    ensureSorted(from);
    ensureSorted(to);
    const int fromRow = n->row;
    auto it = std::lower_bound(to->children.begin(), to->children.end(), n,
                               [this](const Node *a, const Node *b) { return lessThan(a, b); });
    const int toRow = int(it - to->children.begin());
    beginMoveRows(indexOfNode(from), fromRow, fromRow, indexOfNode(to), toRow);
    from->children.erase(from->children.begin() + fromRow);
    for (size_t i = size_t(fromRow); i < from->children.size(); ++i)
        from->children[i]->row = int(i);
    to->children.insert(to->children.begin() + toRow, n);
    for (size_t i = size_t(toRow); i < to->children.size(); ++i)
        to->children[i]->row = int(i);
    n->parent = to;
    endMoveRows();
}

GroupTreeModel::Node *GroupTreeModel::buildFromCursor(int id, Node *parent)
{
    Node *n = makeNode(id);
    n->parent = parent;
    const QList<int> kids = m_tree.ChildIds(id);
    for (int kid : kids) {
        Node *c = buildFromCursor(kid, n);
        c->row = int(n->children.size());
        n->children.push_back(c);
    }
    n->sorted = true;  // ChildIds comes in label order
    return n;
}

int GroupTreeModel::copy(int id, int newParentId)
{
    int copyId = 0;
    {
        SelfChange self(m_selfChange);
        copyId = m_tree.CopySubtree(id, newParentId);
    }
    Node *parent = nodeOfId(newParentId);
    if (!parent || nodeOfId(copyId))
        return copyId;
    // Build the copied subtree off-model, then insert its top in one step.
    Node *n = buildFromCursor(copyId, parent);
    const int pos = sortedPosition(parent, n, nullptr);
    beginInsertRows(indexOfNode(parent), pos, pos);
    parent->children.insert(parent->children.begin() + pos, n);
    for (size_t i = size_t(pos); i < parent->children.size(); ++i)
        parent->children[i]->row = int(i);
    endInsertRows();
    return copyId;
}

void GroupTreeModel::collect(Node *node, std::vector<int> &ids) const
{
    ids.push_back(node->id);
    for (Node *c : node->children)
        collect(c, ids);
}

void GroupTreeModel::forget(Node *node)
{
    for (Node *c : node->children)
        forget(c);
    m_byId.remove(node->id);
    node->children.clear();
    node->parent = nullptr;
}

void GroupTreeModel::removeSubtree(int id)
{
    Node *n = nodeOfId(id);
    if (!n)
        return;
    {
        SelfChange self(m_selfChange);
        m_tree.DeleteSubtree(id);
    }
    Node *parent = n->parent;
    ensureSorted(parent);
    const int row = n->row;
    beginRemoveRows(indexOfNode(parent), row, row);
    parent->children.erase(parent->children.begin() + row);
    for (size_t i = size_t(row); i < parent->children.size(); ++i)
        parent->children[i]->row = int(i);
    forget(n);
    endRemoveRows();
    // The node objects stay owned until the next reload; they are unreachable.
}
