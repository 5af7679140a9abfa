#include "MemberSearch.h"

#include "RecordStore.h"
#include "UsersCursor.h"
#include "hzYpy.h"

namespace {

// Suspends the cursor's display updates for a scope, also when it is left
// by an error.
class ControlsDisabled {
public:
    explicit ControlsDisabled(UsersCursor &c) : cursor(c) { cursor.DisableControls(); }
    ~ControlsDisabled() { cursor.EnableControls(); }
    ControlsDisabled(const ControlsDisabled &) = delete;
    ControlsDisabled &operator=(const ControlsDisabled &) = delete;

private:
    UsersCursor &cursor;
};

} // namespace

int FindMemberRow(const UsersCursor &grid, const QString &text)
{
    if (!grid.Active() || grid.RecordCount() == 0)
        return -1;
    const RecordStore &store = grid.store();
    const TSearchMatcher matcher(text);
    // The first match in the list's order is the match with the lowest row.
    // The names are visited in ID order, the order the store keeps them in
    // memory, which over a long list is several times faster than visiting
    // them row by row; the file is not read.
    int best = -1;
    for (const int id : store.IdsById()) {
        const RecordStore::KeyEntry *key = store.Key(id);
        if (!key || !matcher.Matches(key->name))
            continue;
        const int row = grid.RowOfId(id);
        if (row >= 0 && (best < 0 || row < best))
            best = row;
    }
    return best;
}

bool SearchMembers(UsersCursor &grid, const QString &text)
{
    if (!grid.Active())
        return false;
    ControlsDisabled suspended(grid);
    // A pending edit is left before the position is remembered, so that a
    // new member just posted is where the cursor returns to.
    if (grid.Editing()) {
        if (grid.Modified())
            grid.Post();
        else
            grid.Cancel();
    }
    const UsersCursor::Bookmark mark = grid.GetBookmark();
    grid.First();
    const int row = FindMemberRow(grid, text);
    if (row >= 0) {
        grid.MoveToRow(row);
        return true;
    }
    grid.GotoBookmark(mark);
    return false;
}
