#pragma once
// A cursor over the table Users of an open RecordStore: tblTree (ordered by
// ID) and tblGrid (ordered by the index ByName: Name by GBK bytes, then
// Type, then ID). The cursor holds the IDs of the records that pass its
// filter, in its order, and reads whole records lazily, by row, through a
// small cache; so a list view over 100 000 members asks only for the rows it
// shows. The key fields of every record (ID, ParentID, Type, Privacy, Name)
// are kept by the store, so filter changes and the tree's child lists need
// no query.
//
// States: Inactive (closed), Browse, Edit and Insert ("editing" is Edit or
// Insert). While editing, Current() is the edit buffer. Post() runs the
// before-post hook, which may refuse with a KeloError; the record then stays
// in its editing state. Every post is one transaction.
//
// Every operation that cannot go on throws KeloError.

#include "UsersFilter.h"
#include "UsersRecord.h"

#include <QList>
#include <QObject>
#include <functional>
#include <vector>

class RecordStore;

class UsersCursor : public QObject {
    Q_OBJECT
public:
    enum class Order { ById, ByName };
    enum class State { Inactive, Browse, Edit, Insert };

    // A remembered position: the record's ID, and its row as a fallback when
    // the record is gone.
    struct Bookmark { int id = 0; int row = -1; };

    // Called with the edit buffer before it is stored; throw KeloError to
    // refuse the post. It may change the buffer (e.g. combine the birth).
    using BeforePostHook = std::function<void(UsersRecord &record)>;

    UsersCursor(RecordStore &store, Order order, QObject *parent = nullptr);
    ~UsersCursor() override;

    RecordStore &store() const { return m_store; }
    Order order() const { return m_order; }

    // --- opening and state
    void Open();                 // the store must be open
    void Close();                // drops a pending edit
    bool Active() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool Editing() const { return m_state == State::Edit || m_state == State::Insert; }
    bool Modified() const { return m_modified; }   // a field changed since Edit/Append

    // --- filter (a pending edit is posted when modified, dropped otherwise,
    //     and the cursor goes to its first record when the filter takes effect)
    void SetFilter(const UsersFilter &filter);
    const UsersFilter &Filter() const { return m_filter; }
    void SetFiltered(bool on);
    bool Filtered() const { return m_filtered; }
    bool Passes(int id) const;   // the record passes the active filter

    // --- moving (a move while editing first leaves the edit: the record is
    //     posted when it was modified and the edit dropped when it was not)
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;            // after Next() past the last row, or empty
    bool Bof() const;
    int RecordCount() const;     // rows that pass the filter
    int RecNo() const;           // current row, 0-based; -1 when empty
    void MoveToRow(int row);     // clamped to the rows
    bool Locate(UsersField field, const QVariant &value);  // first row in order
    Bookmark GetBookmark() const;
    bool GotoBookmark(const Bookmark &mark);  // false when it fell back to the row

    // --- the current record (the edit buffer while editing; a fresh empty
    //     record when there is no row)
    const UsersRecord &Current() const;
    int CurrentID() const { return Current().ID; }
    QVariant FieldValue(UsersField field) const { return Current().value(field); }
    void SetFieldValue(UsersField field, const QVariant &value);  // editing only
    UsersRecord &Buffer();        // editing only; marks the record modified

    // --- rows for views
    int IdAt(int row) const;                // -1 outside the rows
    UsersRecord RecordAt(int row) const;    // stored values, cached
    int RowOfId(int id) const;              // -1 when not among the rows

    // --- the tree, from the key fields: children of a record that pass the
    //     filter, ordered by Name (GBK) then Type then ID
    QList<int> ChildIds(int parentId) const;

    // --- changing
    void Append();               // Insert state with a fresh record
    void Edit();                 // Edit state on the current record
    void Post();                 // store the buffer (before-post hook first)
    // ID of the record stored by the last Post (also when the filter then
    // hides it, e.g. a private member while private members are hidden).
    int LastPostedID() const { return m_lastPostedId; }
    void Cancel();               // drop the buffer
    void Delete();               // delete the current record (only it)
    void Refresh();              // re-read the rows, keep the current record
    void SetBeforePost(BeforePostHook hook) { m_beforePost = std::move(hook); }

    // --- tree-side changes, each stored at once and moving the cursor to
    //     the record concerned (when it passes the filter)
    int AppendGroup(int parentId, const QString &name);   // new ID
    void Rename(int id, const QString &name);
    // A member never becomes a parent, and no record is moved or copied
    // into itself or beneath itself (KeloError).
    void Move(int id, int newParentId);
    int CopySubtree(int id, int newParentId);  // ID of the copy of `id`
    // Deletes id and every record beneath it that passes this cursor's
    // filter; returns how many records were deleted.
    int DeleteSubtree(int id);

    // --- display updates: suspended around batch moves; signals are held
    //     and given once when the last suspension ends
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disabled > 0; }

signals:
    void listReset();       // the rows changed wholesale: views reset
    void afterScroll();     // the current record moved to another record
    void stateChanged();    // Browse/Edit/Insert/Inactive changed
    void bufferChanged();   // a field of the edit buffer changed

private:
    friend class RecordStore;
    void rebuild(int keepId);
    void requireActive() const;
    void requireBrowse() const;
    void setCurrentRow(int row);
    void setState(State s);
    void emitReset();
    void emitScroll();
    void storeChanged(UsersCursor *origin);
    void postFilterChange();
    void leavePendingEdit();

    RecordStore &m_store;
    Order m_order;
    State m_state = State::Inactive;
    UsersFilter m_filter;
    bool m_filtered = false;
    std::vector<int> m_ids;          // IDs of the rows in order
    int m_row = -1;                  // current row
    bool m_eof = true;
    bool m_bof = true;
    UsersRecord m_buffer;            // edit buffer / current copy
    bool m_modified = false;
    int m_insertReturnRow = -1;
    int m_lastPostedId = 0;
    BeforePostHook m_beforePost;
    int m_disabled = 0;
    bool m_pendingReset = false;
    bool m_pendingScroll = false;
    int m_lastScrolledId = 0;
    quint64 m_builtGeneration = 0;   // store generation the rows were built at
};
