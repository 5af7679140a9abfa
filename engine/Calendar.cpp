#include "Calendar.h"

#include <cmath>
#include <ctime>

#include "CalendarData.h"
#include "Common.h"

namespace star {

namespace {

constexpr int kFirstLunarDay = DayCount(1902, 1, 1);
constexpr int kLastLunarDay = DayCount(2051, 12, 31);
constexpr std::int64_t kDaySeconds = 86400;

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

constexpr int YearLength(int y) { return IsLeapYear(y) ? 366 : 365; }

const LunarYearData &LunarYear(int y) { return kLunarYears[y - kFirstLunarYear]; }

// Day count of the new year's day of lunar year y (in the data).
int NewYearDay(int y) { return DayCount(y, 1, 1) + LunarYear(y).newYearOffset; }

}  // namespace

bool ToLunar(int year, int month, int day, LunarDate *out) {
    if (year < 1902 || year > 2051 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    int d = DayCount(year, month, day) - DayCount(year, 1, 1) + 1;  // day of year
    int lunarYear = year;
    if (d <= LunarYear(year).newYearOffset) {
        lunarYear = year - 1;
        d += YearLength(year - 1);
    }
    const LunarYearData &entry = LunarYear(lunarYear);
    int s = entry.newYearOffset;
    int lunarMonth = 0;
    for (int i = 0; i < 13; ++i) {
        const int e = s + 29 + entry.monthLong[i];
        if (e >= d) {
            lunarMonth = i + 1;
            break;
        }
        s = e;
    }
    if (lunarMonth == 0) return false;  // beyond the year's months: data fault
    const int leap = entry.leapMonth;
    if (leap != 0 && leap < lunarMonth) {
        --lunarMonth;
        if (lunarMonth == leap) lunarMonth = -leap;
    }
    if (out) *out = LunarDate{lunarYear, lunarMonth, d - s};
    return true;
}

// The search runs ToLunar over S .. S + 364, S = (year, |month|, 1) less 90
// days. A lunar date names at most one day, so the search finds it exactly
// when that day exists in the data, lies in the span ToLunar converts, and
// falls inside the window; that day is computed here directly.
bool ToSolar(int year, int month, int day, double *out) {
    if (month == 0 || month < -12 || month > 12) return false;
    const int absMonth = month < 0 ? -month : month;
    // Years far outside the data can never match; keep DayCount in range.
    if (year < 1 || year > 9999) return false;
    const int windowStart = DayCount(year, absMonth, 1) - 90;
    if (out) *out = windowStart + 365;  // the search's answer when nothing matches
    if (year < kFirstLunarYear || year > kLastLunarYear || day < 1 || day > 30) return false;

    const LunarYearData &entry = LunarYear(year);
    const int leap = entry.leapMonth;
    int index;  // position of the month in the year's month order
    if (month < 0) {
        if (leap != absMonth) return false;
        index = leap;
    } else {
        index = month - 1 + (leap != 0 && month > leap);
    }
    if (day > 29 + entry.monthLong[index]) return false;
    int date = NewYearDay(year) + day - 1;
    for (int i = 0; i < index; ++i) date += 29 + entry.monthLong[i];

    if (date < kFirstLunarDay || date > kLastLunarDay) return false;
    if (date < windowStart || date > windowStart + 364) return false;
    if (out) *out = date;
    return true;
}

std::int64_t SolarTermSeconds(int year, int t) {
    if (year < kFirstTermYear || year > kLastTermYear || t < 0 || t > 23) return 0;
    return kSolarTermSeconds[24 * (year - kFirstTermYear) + t];
}

double SolarTerm(int year, int t) {
    return static_cast<double>(SolarTermSeconds(year, t)) / kDaySeconds;
}

std::int64_t SecondsOf(double instant) {
    constexpr double kLimit = 1e7;  // days
    if (std::isnan(instant)) return 0;
    if (instant > kLimit) instant = kLimit;
    if (instant < -kLimit) instant = -kLimit;
    return std::llround(instant * kDaySeconds);
}

TKvrBase::TKvrBase() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    birth = DayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
            (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
    ComputeCalendar();
}

TKvrBase::TKvrBase(double instant) : birth(instant) { ComputeCalendar(); }

void TKvrBase::ComputeCalendar() {
    std::int64_t b = SecondsOf(birth);
    if (std::isnan(birth) || b < kFirstBirthSecond) b = kFirstBirthSecond;
    if (b > kLastBirthSecond) b = kLastBirthSecond;
    const int birthDay = static_cast<int>(FloorDiv(b, kDaySeconds));
    const CivilDate civil = CivilFromDayCount(birthDay);

    // 1. The terms of the birth's Gregorian month.
    const std::int64_t opening = SolarTermSeconds(civil.year, 2 * (civil.month - 1));
    const std::int64_t middle = SolarTermSeconds(civil.year, 2 * (civil.month - 1) + 1);
    openingTerm = static_cast<double>(opening) / kDaySeconds;
    middleTerm = static_cast<double>(middle) / kDaySeconds;

    // 2. Solar month (1 = 寅 .. 12 = 丑) and solar year, which turns at 立春.
    int solarMonth = civil.month - (b < opening ? 1 : 0);
    int solarYear = civil.year;
    if (solarMonth <= 1) {
        solarMonth += 11;
        solarYear = civil.year - 1;
    } else {
        solarMonth -= 1;
    }

    // 3. Year pillar (1984 is 甲子).
    const int yearPlace = Wrap(solarYear - 3, 60);
    yearPillar[0] = Wrap(yearPlace, 10);
    yearPillar[1] = Wrap(yearPlace, 12) + 10;

    // 4. Month pillar (a 甲 year opens with 丙寅).
    monthPillar[0] = Wrap(solarMonth + 2 * yearPillar[0], 10);
    monthPillar[1] = Wrap(solarMonth + 2, 12) + 10;

    // 5. Day pillar: the day turns at 23:00, so reckon from the birth plus an hour
    // (day count 36526, 2000-01-01, is 戊午).
    const std::int64_t x = b + 3600;
    const int xDay = static_cast<int>(FloorDiv(x, kDaySeconds));
    const int dayPlace = (xDay + 9) % 60;  // xDay > 0 in the supported span
    dayPillar[0] = Wrap(dayPlace, 10);
    dayPillar[1] = Wrap(dayPlace, 12) + 10;

    // 6. Hour pillar: 子 from 23:00 to 00:59, 丑 from 01:00, ..., 亥 from 21:00.
    const int xHour = static_cast<int>((x - std::int64_t{xDay} * kDaySeconds) / 3600);
    const int h = xHour / 2 + 1;
    hourPillar[0] = Wrap(h + 2 * dayPillar[0] - 2, 10);
    hourPillar[1] = Wrap(h, 12) + 10;

    // 7. Lunar date of the civil date of the birth.
    lunarDate = LunarDate{0, 0, 0};
    const bool converted = ToLunar(civil.year, civil.month, civil.day, &lunarDate);

    // 8. Lunar values, which turn with the day at 23:00; before 23:00 the
    // hour after the birth falls on the same civil date.
    LunarDate l{0, 1, 1};
    if (xDay == birthDay) {
        if (converted) l = lunarDate;
    } else {
        const CivilDate xCivil = CivilFromDayCount(xDay);
        ToLunar(xCivil.year, xCivil.month, xCivil.day, &l);
    }
    lunarYear = l.year;
    yearCycle = Wrap(lunarYear - 3, 60);
    yearStem = Wrap(yearCycle, 10);
    yearStemCode = yearStem;
    yearBranch = Wrap(yearCycle, 12);
    yearBranchCode = yearBranch + 10;
    placementMonth = l.month < 0 ? -l.month + 1 : l.month;
    lunarDay = l.day;
    hour = h;
}

}  // namespace star
