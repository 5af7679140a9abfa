#include "UsersCursor.h"

#include "RecordStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

namespace {

const UsersRecord &emptyRecord() {
    static const UsersRecord r;
    return r;
}

} // namespace

UsersCursor::UsersCursor(RecordStore &store, Order order, QObject *parent)
    : QObject(parent), m_store(store), m_order(order) {}

UsersCursor::~UsersCursor() = default;

void UsersCursor::requireActive() const {
    if (!Active())
        throw KeloError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void UsersCursor::requireBrowse() const {
    requireActive();
}

// ---------------------------------------------------------------------------
// Rows

bool UsersCursor::Passes(int id) const {
    if (!m_filtered || m_filter.isEmpty())
        return true;
    const RecordStore::KeyEntry *k = m_store.Key(id);
    if (!k)
        return false;
    if (m_filter.usesOnlyKeyFields())
        return m_filter.matches(UsersFilter::KeyFields{k->id, k->parentId, k->type, k->privacy});
    return m_filter.matches(m_store.ReadRecord(id));
}

void UsersCursor::rebuild(int keepId) {
    const int oldRow = m_row;
    if (!Editing())
        m_buffer = UsersRecord();
    m_ids.clear();
    m_builtGeneration = m_store.m_generation;
    const bool all = !m_filtered || m_filter.isEmpty();
    if (all || m_filter.usesOnlyKeyFields()) {
        if (m_order == Order::ById) {
            m_ids.reserve(m_store.m_keys.size());
            for (const auto &k : m_store.m_keys)
                if (all || m_filter.matches(UsersFilter::KeyFields{k.id, k.parentId, k.type, k.privacy}))
                    m_ids.push_back(k.id);
        } else {
            m_ids.reserve(m_store.m_byName.size());
            for (const auto &s : m_store.m_byName)
                if (all || m_filter.matches(UsersFilter::KeyFields{s.id, s.parentId, s.type, s.privacy}))
                    m_ids.push_back(s.id);
        }
    } else {
        // A filter on other fields: SQLite evaluates it, values bound.
        QVariantList params;
        const QString where = m_filter.toSql(params);
        const QString sql = QStringLiteral("SELECT ID FROM Users WHERE %1 ORDER BY %2")
                                .arg(where, m_order == Order::ById ? QStringLiteral("ID")
                                                                   : QStringLiteral("Name COLLATE GBK, Type, ID"));
        sqlite3_stmt *s = nullptr;
        sqlite3 *db = m_store.handle();
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), -1, &s, nullptr) != SQLITE_OK)
            throw KeloError(QString::fromUtf8(sqlite3_errmsg(db)));
        for (int i = 0; i < params.size(); ++i)
            sqlite3_bind_int64(s, i + 1, params[i].toLongLong());
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            m_ids.push_back(int(sqlite3_column_int64(s, 0)));
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE)
            throw KeloError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    int row = keepId ? RowOfId(keepId) : -1;
    if (row < 0)
        row = m_ids.empty() ? -1 : std::clamp(oldRow, 0, int(m_ids.size()) - 1);
    m_row = row;
    m_eof = m_bof = m_ids.empty();
    emitReset();
    if (!Editing())
        emitScroll();
}

int UsersCursor::RowOfId(int id) const {
    // The rows are in the cursor's order, so the row of a record is found by
    // a binary search on its key: no index to build after each change.
    const RecordStore::KeyEntry *k = m_store.Key(id);
    if (!k)
        return -1;
    std::vector<int>::const_iterator it;
    if (m_order == Order::ById) {
        it = std::lower_bound(m_ids.begin(), m_ids.end(), id);
    } else {
        it = std::lower_bound(m_ids.begin(), m_ids.end(), id, [this](int probe, int target) {
            const RecordStore::KeyEntry *a = m_store.Key(probe);
            const RecordStore::KeyEntry *b = m_store.Key(target);
            const int c = a->gbkName.compare(b->gbkName);
            if (c != 0)
                return c < 0;
            if (a->type != b->type)
                return a->type < b->type;
            return a->id < b->id;
        });
    }
    return it != m_ids.end() && *it == id ? int(it - m_ids.begin()) : -1;
}

int UsersCursor::IdAt(int row) const {
    return row >= 0 && row < int(m_ids.size()) ? m_ids[size_t(row)] : -1;
}

UsersRecord UsersCursor::RecordAt(int row) const {
    const int id = IdAt(row);
    if (id < 0)
        return {};
    return m_store.ReadRecord(id);
}

QList<int> UsersCursor::ChildIds(int parentId) const {
    QList<int> out;
    if (!Active())
        return out;
    for (int id : m_store.ChildrenOf(parentId))
        if (Passes(id))
            out.append(id);
    return out;
}

int UsersCursor::RecordCount() const {
    return Active() ? int(m_ids.size()) : 0;
}

int UsersCursor::RecNo() const {
    return Active() ? m_row : -1;
}

const UsersRecord &UsersCursor::Current() const {
    if (Editing())
        return m_buffer;
    if (!Active() || m_row < 0)
        return emptyRecord();
    const int id = m_ids[size_t(m_row)];
    if (m_buffer.ID != id) {
        auto *self = const_cast<UsersCursor *>(this);
        try {
            self->m_buffer = m_store.ReadRecord(id);
        } catch (const KeloError &) {
            return emptyRecord();
        }
    }
    return m_buffer;
}

// ---------------------------------------------------------------------------
// Opening, signals

void UsersCursor::Open() {
    if (Active())
        return;
    m_store.requireOpen();
    auto &list = m_store.m_openCursors;
    if (std::find(list.begin(), list.end(), this) == list.end())
        list.push_back(this);
    m_state = State::Browse;
    m_buffer = UsersRecord();
    m_modified = false;
    m_row = -1;
    rebuild(0);
    if (!m_ids.empty())
        setCurrentRow(0);
    emit stateChanged();
}

void UsersCursor::Close() {
    if (!Active())
        return;
    auto &list = m_store.m_openCursors;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    m_state = State::Inactive;
    m_ids.clear();
    m_row = -1;
    m_buffer = UsersRecord();
    m_modified = false;
    m_lastScrolledId = 0;
    emitReset();
    emit stateChanged();
}

void UsersCursor::setState(State s) {
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged();
}

void UsersCursor::emitReset() {
    if (m_disabled > 0) {
        m_pendingReset = true;
        return;
    }
    emit listReset();
}

void UsersCursor::emitScroll() {
    const int id = IdAt(m_row);
    if (m_disabled > 0) {
        m_pendingScroll = true;
        return;
    }
    if (id != m_lastScrolledId) {
        m_lastScrolledId = id;
        emit afterScroll();
    }
}

void UsersCursor::DisableControls() {
    ++m_disabled;
}

void UsersCursor::EnableControls() {
    if (m_disabled == 0 || --m_disabled > 0)
        return;
    if (m_pendingReset) {
        m_pendingReset = false;
        emit listReset();
    }
    if (m_pendingScroll) {
        m_pendingScroll = false;
        // After a batch move the views show the record the cursor rests on,
        // even when it is the one it started from.
        m_lastScrolledId = IdAt(m_row);
        emit afterScroll();
    }
}

void UsersCursor::storeChanged(UsersCursor *) {
    if (Active())
        rebuild(Editing() ? (m_state == State::Edit ? m_buffer.ID : IdAt(m_row)) : IdAt(m_row));
}

// ---------------------------------------------------------------------------
// Moving

void UsersCursor::leavePendingEdit() {
    if (!Editing())
        return;
    if (m_modified)
        Post();
    else
        Cancel();
}

void UsersCursor::setCurrentRow(int row) {
    if (m_ids.empty()) {
        m_row = -1;
        m_eof = m_bof = true;
    } else {
        m_row = std::clamp(row, 0, int(m_ids.size()) - 1);
        m_eof = m_bof = false;
    }
    emitScroll();
}

void UsersCursor::First() {
    requireActive();
    leavePendingEdit();
    setCurrentRow(0);
    m_bof = true;
}

void UsersCursor::Last() {
    requireActive();
    leavePendingEdit();
    setCurrentRow(int(m_ids.size()) - 1);
    m_eof = true;
}

void UsersCursor::Next() {
    requireActive();
    leavePendingEdit();
    if (m_row + 1 >= int(m_ids.size())) {
        m_eof = true;
        return;
    }
    setCurrentRow(m_row + 1);
}

void UsersCursor::Prior() {
    requireActive();
    leavePendingEdit();
    if (m_row <= 0) {
        m_bof = true;
        return;
    }
    setCurrentRow(m_row - 1);
}

bool UsersCursor::Eof() const {
    return !Active() || m_ids.empty() || m_eof;
}

bool UsersCursor::Bof() const {
    return !Active() || m_ids.empty() || m_bof;
}

void UsersCursor::MoveToRow(int row) {
    requireActive();
    leavePendingEdit();
    setCurrentRow(row);
}

bool UsersCursor::Locate(UsersField field, const QVariant &value) {
    requireActive();
    leavePendingEdit();
    int row = -1;
    if (field == UsersField::ID) {
        row = RowOfId(value.toInt());
    } else if (field == UsersField::ParentID || field == UsersField::Type || field == UsersField::Privacy) {
        const qint64 v = value.typeId() == QMetaType::Bool ? qint64(value.toBool()) : value.toLongLong();
        for (size_t i = 0; i < m_ids.size() && row < 0; ++i) {
            const auto *k = m_store.Key(m_ids[i]);
            const qint64 x = field == UsersField::ParentID ? k->parentId
                           : field == UsersField::Type     ? k->type
                                                           : qint64(k->privacy);
            if (x == v)
                row = int(i);
        }
    } else if (field == UsersField::Name) {
        const QString name = value.toString();
        for (size_t i = 0; i < m_ids.size() && row < 0; ++i)
            if (m_store.Key(m_ids[i])->name == name)
                row = int(i);
    } else {
        // Other fields: the matching IDs from SQLite, the first in our order.
        const QByteArray sql = QByteArray("SELECT ID FROM Users WHERE ") + FieldInfo(field).name + " = ?";
        sqlite3 *db = m_store.handle();
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr) != SQLITE_OK)
            throw KeloError(QString::fromUtf8(sqlite3_errmsg(db)));
        switch (value.typeId()) {
        case QMetaType::Bool: sqlite3_bind_int64(s, 1, value.toBool()); break;
        case QMetaType::Int: case QMetaType::LongLong: sqlite3_bind_int64(s, 1, value.toLongLong()); break;
        case QMetaType::Double: sqlite3_bind_double(s, 1, value.toDouble()); break;
        default: {
            const QByteArray t = value.toString().toUtf8();
            sqlite3_bind_text(s, 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        }
        std::vector<int> rows;
        while (sqlite3_step(s) == SQLITE_ROW) {
            const int r = RowOfId(int(sqlite3_column_int64(s, 0)));
            if (r >= 0)
                rows.push_back(r);
        }
        sqlite3_finalize(s);
        if (!rows.empty())
            row = *std::min_element(rows.begin(), rows.end());
    }
    if (row < 0)
        return false;
    setCurrentRow(row);
    return true;
}

UsersCursor::Bookmark UsersCursor::GetBookmark() const {
    return {IdAt(m_row), m_row};
}

bool UsersCursor::GotoBookmark(const Bookmark &mark) {
    requireActive();
    leavePendingEdit();
    const int row = RowOfId(mark.id);
    if (row >= 0) {
        setCurrentRow(row);
        return true;
    }
    setCurrentRow(mark.row);
    return false;
}

// ---------------------------------------------------------------------------
// Filter

void UsersCursor::SetFilter(const UsersFilter &filter) {
    if (Active())
        leavePendingEdit();
    m_filter = filter;
    if (Active() && m_filtered)
        postFilterChange();
}

void UsersCursor::SetFiltered(bool on) {
    if (Active())
        leavePendingEdit();
    const bool changed = m_filtered != on;
    m_filtered = on;
    if (Active() && (changed || on))
        postFilterChange();
}

void UsersCursor::postFilterChange() {
    rebuild(0);
    setCurrentRow(0);
}

// ---------------------------------------------------------------------------
// Changing

void UsersCursor::SetFieldValue(UsersField field, const QVariant &value) {
    if (!Editing())
        throw KeloError(QStringLiteral("Dataset not in edit or insert mode"));
    m_buffer.setValue(field, value);
    m_modified = true;
    emit bufferChanged();
}

UsersRecord &UsersCursor::Buffer() {
    if (!Editing())
        throw KeloError(QStringLiteral("Dataset not in edit or insert mode"));
    m_modified = true;
    return m_buffer;
}

void UsersCursor::Append() {
    requireActive();
    leavePendingEdit();
    m_insertReturnRow = m_row;
    m_buffer = FreshUsersRecord();
    m_modified = false;
    setState(State::Insert);
    emit bufferChanged();
}

void UsersCursor::Edit() {
    requireActive();
    if (Editing())
        return;
    if (m_row < 0)
        throw KeloError(QStringLiteral("Cannot modify an empty dataset"));
    m_buffer = m_store.ReadRecord(m_ids[size_t(m_row)]);
    m_modified = false;
    setState(State::Edit);
}

void UsersCursor::Post() {
    requireActive();
    if (!Editing())
        return;
    UsersRecord r = m_buffer;
    if (m_beforePost) {
        m_beforePost(r);   // may throw: the record stays in its editing state
        m_buffer = r;
    }
    if (m_state == State::Insert) {
        r.ID = 0;
        m_store.insertRecord(r, this);
    } else {
        m_store.updateRecord(r, this);
    }
    m_buffer = r;
    m_lastPostedId = r.ID;
    m_modified = false;
    m_state = State::Browse;
    rebuild(r.ID);
    emit stateChanged();
}

void UsersCursor::Cancel() {
    if (!Editing())
        return;
    const bool wasInsert = m_state == State::Insert;
    m_modified = false;
    m_state = State::Browse;
    m_buffer = UsersRecord();
    if (wasInsert && !m_ids.empty())
        m_row = std::clamp(m_insertReturnRow, 0, int(m_ids.size()) - 1);
    emit stateChanged();
    // Views show the stored record again.
    m_lastScrolledId = 0;
    emitScroll();
}

void UsersCursor::Delete() {
    requireActive();
    if (m_state == State::Insert) {
        Cancel();
        return;
    }
    if (m_row < 0)
        throw KeloError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    const int id = m_ids[size_t(m_row)];
    m_state = State::Browse;
    m_modified = false;
    m_store.deleteRecords({id}, this);
    rebuild(0);
    emit stateChanged();
}

void UsersCursor::Refresh() {
    requireActive();
    leavePendingEdit();
    // Every change of this process reaches the open cursors at once, so a
    // cursor built since the last change only has its views re-read.
    if (m_builtGeneration == m_store.m_generation) {
        emitReset();
        return;
    }
    m_buffer = UsersRecord();
    rebuild(IdAt(m_row));
}

// ---------------------------------------------------------------------------
// Tree-side changes

int UsersCursor::AppendGroup(int parentId, const QString &name) {
    requireActive();
    leavePendingEdit();
    if (const auto *p = m_store.Key(parentId); p && p->type == TypeMember)
        throw KeloError(QStringLiteral("A member cannot hold records"));
    UsersRecord r = FreshUsersRecord();
    r.ParentID = parentId;
    r.Type = TypeGroup;
    r.Name = name;
    const int id = m_store.insertRecord(r, this);
    rebuild(id);
    return id;
}

void UsersCursor::Rename(int id, const QString &name) {
    requireActive();
    leavePendingEdit();
    UsersRecord r = m_store.ReadRecord(id);
    r.Name = name;
    m_store.updateRecord(r, this);
    rebuild(IdAt(m_row));
}

namespace {

// True when `candidate` is `id` or lies beneath it.
bool inSubtree(const RecordStore &store, int id, int candidate) {
    for (int guard = 0; candidate > 0 && guard < 1000000; ++guard) {
        if (candidate == id)
            return true;
        const auto *k = store.Key(candidate);
        if (!k)
            return false;
        candidate = k->parentId;
    }
    return false;
}

void checkTarget(const RecordStore &store, int id, int newParentId) {
    if (!store.Key(id))
        throw KeloError(QStringLiteral("Record not found"));
    const auto *p = store.Key(newParentId);
    if (!p)
        throw KeloError(QStringLiteral("Record not found"));
    if (p->type == TypeMember)
        throw KeloError(QStringLiteral("A member cannot hold records"));
    if (inSubtree(store, id, newParentId))
        throw KeloError(QStringLiteral("A node cannot be moved beneath itself"));
}

} // namespace

void UsersCursor::Move(int id, int newParentId) {
    requireActive();
    leavePendingEdit();
    checkTarget(m_store, id, newParentId);
    UsersRecord r = m_store.ReadRecord(id);
    r.ParentID = newParentId;
    m_store.updateRecord(r, this);
    rebuild(id);
}

int UsersCursor::CopySubtree(int id, int newParentId) {
    requireActive();
    leavePendingEdit();
    checkTarget(m_store, id, newParentId);
    const int copy = m_store.copySubtree(id, newParentId, this);
    rebuild(copy);
    return copy;
}

int UsersCursor::DeleteSubtree(int id) {
    requireActive();
    leavePendingEdit();
    if (!m_store.Key(id))
        return 0;
    std::vector<int> ids{id};
    for (size_t i = 0; i < ids.size(); ++i)
        for (int child : m_store.ChildrenOf(ids[i]))
            if (Passes(child))
                ids.push_back(child);
    const int parent = m_store.Key(id)->parentId;
    const int row = m_row;
    m_store.deleteRecords(ids, this);
    rebuild(parent);
    if (RowOfId(parent) < 0 && !m_ids.empty())
        setCurrentRow(row);
    return int(ids.size());
}
