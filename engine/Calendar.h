// The calendar: solar terms, the Chinese lunar calendar and the calendar
// record TKvrBase from which both chart records derive.
#pragma once

#include <cstdint>

#include "CivilDate.h"
#include "star.h"

namespace star {

// Gregorian date to lunar date. Fails (returns false, *out untouched) outside
// 1902-01-01..2051-12-31 and for dates that do not exist.
bool ToLunar(int year, int month, int day, LunarDate *out);

// Lunar date (month negated for a leap month) to the Gregorian day count at
// 00:00. Gives exactly the answers of the 365-day search that starts 90 days
// before the Gregorian date (year, |month|, 1): found flag and date.
bool ToSolar(int year, int month, int day, double *out);

// Instant (Beijing time, day count) of solar term t (0 = 小寒 .. 23 = 冬至) of
// Gregorian year `year`, 1900..2099. Precision: minute for 1900-1999, second
// for 2000-2029, 00:00 of the day for 2030-2099. 0 outside the table.
double SolarTerm(int year, int t);

// The same instant in whole seconds since 1899-12-30 00:00; 0 outside the
// table. Compare births with terms in whole seconds (SecondsOf), never as
// raw doubles, so that a birth at the minute of a term is exactly at it.
std::int64_t SolarTermSeconds(int year, int t);

// An instant (day count) in whole seconds since 1899-12-30 00:00, rounded
// to the nearest second. NaN gives 0; instants beyond ±10^7 days are held
// there, so the conversion is always defined.
std::int64_t SecondsOf(double instant);

// Supported span of birth instants, in seconds: 1902-01-01 00:00 to
// 2051-12-31 22:59:59, so that the birth plus one hour stays in 2051.
inline constexpr std::int64_t kFirstBirthSecond = std::int64_t{DayCount(1902, 1, 1)} * 86400;
inline constexpr std::int64_t kLastBirthSecond = std::int64_t{DayCount(2051, 12, 31)} * 86400 + 82799;

// The calendar record: from one birth instant the four pillars (year and
// month by the solar terms), the lunar date and the lunar placement values.
class TKvrBase {
public:
    // Sets the birth to the current local date and time and computes once.
    TKvrBase();
    // Sets the birth to `instant` and computes once; reads no clock.
    explicit TKvrBase(double instant);

    void SetBirth(double instant) { birth = instant; }
    double GetBirth() const { return birth; }
    // Recomputes every field below from the birth instant, reckoned to the
    // nearest second. A birth outside the supported span (or NaN) is reckoned
    // as the nearest end of the span, so every ordinal and code stays in its
    // range; the stored birth is left as it is.
    void ComputeCalendar();

    // Fields in declaration order.
    int32_t yearStem = 0;        // stem ordinal 1..10 of the lunar year
    int32_t yearBranch = 0;      // branch ordinal 1..12 of the lunar year
    LunarDate lunarDate{};       // lunar date of the civil date of the birth
    double birth = 0;            // the birth instant
    int32_t yearCycle = 0;       // place 1..60 of the lunar year in the cycle
    int32_t placementMonth = 0;  // 1..12, a leap month counts as the next
    int32_t lunarDay = 0;        // 1..30
    int32_t hour = 0;            // branch ordinal 1..12 of the birth hour
    int32_t lunarYear = 0;       // Gregorian year in which the lunar year begins
    int32_t yearStemCode = 0;    // 1..10
    int32_t yearBranchCode = 0;  // 11..22
    double openingTerm = 0;      // 节 of the birth's Gregorian month
    double middleTerm = 0;       // 气 of the birth's Gregorian month
    int32_t yearPillar[2] = {};  // stem code, branch code (by 立春)
    int32_t monthPillar[2] = {};
    int32_t dayPillar[2] = {};
    int32_t hourPillar[2] = {};
};

}  // namespace star
