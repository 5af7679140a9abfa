// Gregorian civil dates and the engine's day count (days since 1899-12-30).
//
// days_from_civil / civil_from_days in the style of the well-known civil-date
// algorithms: exact for every proleptic Gregorian date whose day count fits an
// int; the engine needs 1899..2100.
#pragma once

namespace star {

struct CivilDate {
    int year;
    int month;  // 1..12
    int day;    // 1..31
};

// Day number of 1899-12-30 counted from 1970-01-01.
inline constexpr int kEpochShift = -25569;

// Days since 1899-12-30 of the Gregorian date y-m-d.
constexpr int DayCount(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;                                    // [0, 399]
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // [0, 365]
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
    return era * 146097 + doe - 719468 - kEpochShift;
}

// Gregorian date of a day count (days since 1899-12-30).
constexpr CivilDate CivilFromDayCount(int n) {
    const int z = n + kEpochShift + 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;                                      // [0, 146096]
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);               // [0, 365]
    const int mp = (5 * doy + 2) / 153;                                    // [0, 11]
    const int d = doy - (153 * mp + 2) / 5 + 1;                            // [1, 31]
    const int m = mp < 10 ? mp + 3 : mp - 9;                               // [1, 12]
    return {yoe + era * 400 + (m <= 2), m, d};
}

constexpr bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr int DaysInMonth(int y, int m) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

static_assert(DayCount(1899, 12, 30) == 0);
static_assert(DayCount(2000, 1, 1) == 36526);
static_assert(CivilFromDayCount(36526).year == 2000 && CivilFromDayCount(36526).day == 1);

}  // namespace star
