// Small arithmetic shared by every calendar and chart rule.
#pragma once

namespace star {

// Remainder of x by m moved into 1..m: 0 and negative remainders gain m.
// Exact for every int: Wrap(0, 12) == 12, Wrap(-13, 12) == 11. m > 0.
constexpr int Wrap(int x, int m) {
    const int r = x % m;
    return r <= 0 ? r + m : r;
}

// The palace reached when counting n palaces from `start`, `start` itself
// counted as 1, forward (rising palace number) or backward.
constexpr int CountFrom(int start, int n, bool forward) {
    return forward ? Wrap(start + (n - 1), 12) : Wrap(start - (n - 1), 12);
}

}  // namespace star
