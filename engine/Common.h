// Small arithmetic shared by every calendar and chart rule.
#pragma once

#include <cstdint>

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

// The twelve palaces in counting order from each start, made at compile time
// from CountFrom: in[forward][start][n - 1] == CountFrom(start, n, forward)
// for start 1..12 (start 0 unused). A rule that lays out a run of stars one
// palace apart reads the run's palaces here instead of counting each one.
struct CountingOrder {
    int8_t in[2][13][12] = {};
};

constexpr CountingOrder MakeCountingOrder() {
    CountingOrder order;
    for (int forward = 0; forward < 2; ++forward)
        for (int start = 1; start <= 12; ++start)
            for (int n = 1; n <= 12; ++n)
                order.in[forward][start][n - 1] = static_cast<int8_t>(CountFrom(start, n, forward != 0));
    return order;
}

inline constexpr CountingOrder kCountingOrder = MakeCountingOrder();

}  // namespace star
