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
    if (!grid.Active())
        return -1;
    const RecordStore &store = grid.store();
    const TSearchMatcher matcher(text);
    const int rows = grid.RecordCount();
    // The names come from the key fields the store keeps in memory, so a
    // keystroke over a long list reads nothing from the file.
    for (int row = 0; row < rows; ++row) {
        const RecordStore::KeyEntry *key = store.Key(grid.IdAt(row));
        if (key && matcher.Matches(key->name))
            return row;
    }
    return -1;
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
