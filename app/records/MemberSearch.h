#pragma once
// The search box edtSearch: after every change of its text, the grid cursor
// tblGrid goes to the first member of the list whose name matches (pinyin
// initials position by position, or the name beginning with the text, letter
// case ignored; see TSearchMatcher). The walk covers exactly the list's rows
// in the list's order, so private members hidden by the filter are never
// found. Display updates are suspended for the walk; when nothing matches
// the cursor returns to where it was. The views are told once, at the end,
// where the cursor rests (afterScroll), so the details page shows the found
// member with its birth.

#include <QString>

class UsersCursor;

// edtSearchChange: true when a member matched. Going to the first row leaves
// a pending edit first (posted when changed, which runs the before-post check
// and may throw KeloError; dropped otherwise). Nothing happens while the
// cursor is closed.
bool SearchMembers(UsersCursor &grid, const QString &text);

// The row of the first match among the cursor's rows, -1 when none; the
// cursor does not move.
int FindMemberRow(const UsersCursor &grid, const QString &text);
