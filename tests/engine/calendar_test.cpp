// The calendar: solar terms, lunar data, the two conversions and TKvrBase.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <ctime>
#include <limits>
#include <vector>

#include "Calendar.h"
#include "CalendarData.h"
#include "CivilDate.h"
#include "star.h"

namespace star {
namespace {

// Stems 甲..癸 are codes 1..10, branches 子..亥 codes 11..22.
enum Stem { Jia = 1, Yi, Bing, Ding, Wu, Ji, Geng, Xin, Ren, Gui };
enum Branch { Zi = 11, Chou, Yin, Mao, Chen, Si, Wu_, Wei, Shen, You, Xu, Hai };

constexpr int kFirstDay = DayCount(1902, 1, 1);
constexpr int kLastDay = DayCount(2051, 12, 31);

double At(int y, int m, int d, int hh = 0, int mm = 0) {
    return DayCount(y, m, d) + (hh * 60 + mm) / 1440.0;
}

std::int64_t SecondsAt(int y, int m, int d, int hh, int mm, int ss) {
    return std::int64_t{DayCount(y, m, d)} * 86400 + hh * 3600 + mm * 60 + ss;
}

// ---- Solar terms -----------------------------------------------------------------

TEST(SolarTerms, StoredValuesOfKnownTerms) {
    // 1984 立春 falls at 23:18:44 and is kept to the nearest minute.
    EXPECT_EQ(SolarTermSeconds(1984, 2), SecondsAt(1984, 2, 4, 23, 19, 0));
    EXPECT_NEAR(SolarTerm(1984, 2), 30716.9715277778, 1e-9);
    // From 2030 on only the day is kept: 00:00 of 2040-02-04.
    EXPECT_EQ(SolarTermSeconds(2040, 2), SecondsAt(2040, 2, 4, 0, 0, 0));
    EXPECT_EQ(SolarTerm(2040, 2), 51170.0);
    // 2000..2029 to the second; ephemerides agree to a second or two there.
    struct Case {
        int t;
        std::int64_t published;
    } const cases2000[] = {
        {0, SecondsAt(2000, 1, 6, 9, 0, 42)},   // 小寒
        {2, SecondsAt(2000, 2, 4, 20, 40, 24)}, // 立春
    };
    for (const Case &c : cases2000) {
        EXPECT_LE(std::llabs(SolarTermSeconds(2000, c.t) - c.published), 2) << "term " << c.t;
    }
}

TEST(SolarTerms, PrecisionOfEachSpan) {
    for (int y = kFirstTermYear; y <= kLastTermYear; ++y)
        for (int t = 0; t < 24; ++t) {
            const std::int64_t s = SolarTermSeconds(y, t);
            if (y < 2000) {
                EXPECT_EQ(s % 60, 0) << y << " " << t;
            } else if (y >= 2030) {
                EXPECT_EQ(s % 86400, 0) << y << " " << t;
            }
        }
}

TEST(SolarTerms, TwentyFourTermsRiseThroughEveryYear) {
    for (int y = kFirstTermYear; y <= kLastTermYear; ++y) {
        // 小寒 falls on 5..7 January.
        const CivilDate first = CivilFromDayCount(static_cast<int>(SolarTermSeconds(y, 0) / 86400));
        EXPECT_EQ(first.year, y);
        EXPECT_EQ(first.month, 1);
        EXPECT_GE(first.day, 4);
        EXPECT_LE(first.day, 7);
        for (int t = 1; t < 24; ++t) {
            const std::int64_t gap = SolarTermSeconds(y, t) - SolarTermSeconds(y, t - 1);
            // The Sun takes 14 to 16 days for 15 degrees.
            EXPECT_GE(gap, 14 * 86400) << y << " " << t;
            EXPECT_LE(gap, 16 * 86400) << y << " " << t;
        }
        // Term t lies in Gregorian month t / 2 + 1.
        for (int t = 0; t < 24; ++t) {
            const CivilDate c = CivilFromDayCount(static_cast<int>(SolarTermSeconds(y, t) / 86400));
            EXPECT_EQ(c.month, t / 2 + 1) << y << " " << t;
        }
        if (y > kFirstTermYear) EXPECT_LT(SolarTermSeconds(y - 1, 23), SolarTermSeconds(y, 0));
    }
}

TEST(SolarTerms, OutsideTheTableGivesZero) {
    const int cases[][2] = {{1899, 0}, {2100, 0}, {1984, -1}, {1984, 24}, {INT_MIN, 0}, {INT_MAX, 23}, {2000, INT_MAX}};
    for (const auto &c : cases) {
        EXPECT_EQ(SolarTermSeconds(c[0], c[1]), 0);
        EXPECT_EQ(SolarTerm(c[0], c[1]), 0.0);
    }
}

// ---- Lunar data -----------------------------------------------------------------------

TEST(LunarData, PublishedYears) {
    struct Row {
        int year, offset, leap;
        std::vector<int> lengths;  // month by month, leap month in place
    } const rows[] = {
        {1901, 49, 0, {29, 30, 29, 29, 30, 29, 30, 29, 30, 30, 30, 29}},
        {1984, 32, 10, {30, 29, 30, 30, 29, 29, 30, 29, 29, 30, 29, 30, 30}},
        {2033, 30, 11, {29, 30, 29, 29, 30, 29, 30, 29, 30, 30, 30, 29, 30}},
        {2050, 22, 3, {29, 30, 29, 30, 29, 30, 29, 30, 30, 29, 30, 30, 29}},
    };
    for (const Row &r : rows) {
        const LunarYearData &e = kLunarYears[r.year - kFirstLunarYear];
        EXPECT_EQ(e.newYearOffset, r.offset) << r.year;
        EXPECT_EQ(e.leapMonth, r.leap) << r.year;
        for (size_t i = 0; i < 13; ++i) {
            const int expected = i < r.lengths.size() ? r.lengths[i] - 29 : 0;
            EXPECT_EQ(e.monthLong[i], expected) << r.year << " month " << i;
        }
    }
}

TEST(LunarData, MonthsAndYearsHaveLawfulLengthsAndJoin) {
    for (int y = kFirstLunarYear; y <= kLastLunarYear; ++y) {
        const LunarYearData &e = kLunarYears[y - kFirstLunarYear];
        ASSERT_GE(e.leapMonth, 0);
        ASSERT_LE(e.leapMonth, 11) << "no leap 12th month in this span";
        const int months = e.leapMonth ? 13 : 12;
        int days = 0;
        for (int i = 0; i < 13; ++i) {
            ASSERT_TRUE(e.monthLong[i] == 0 || e.monthLong[i] == 1) << y;
            if (i < months) days += 29 + e.monthLong[i];
        }
        if (months == 12) {
            EXPECT_EQ(e.monthLong[12], 0) << y;
            EXPECT_GE(days, 353) << y;
            EXPECT_LE(days, 355) << y;
        } else {
            EXPECT_GE(days, 383) << y;
            EXPECT_LE(days, 385) << y;
        }
        // New year's day falls between 21 January and 20 February.
        const int newYear = DayCount(y, 1, 1) + e.newYearOffset;
        EXPECT_GE(newYear, DayCount(y, 1, 21)) << y;
        EXPECT_LE(newYear, DayCount(y, 2, 20)) << y;
        if (y < kLastLunarYear) {
            const int next = DayCount(y + 1, 1, 1) + kLunarYears[y + 1 - kFirstLunarYear].newYearOffset;
            EXPECT_EQ(newYear + days, next) << y;
        }
    }
}

// The rules the data was built by, checked against the term table: 冬至 lies
// in the 11th month, and a leap month holds no middle term.
TEST(LunarData, WinterSolsticeInEleventhMonthAndLeapMonthsWithoutMiddleTerm) {
    for (int y = 1902; y <= 2051; ++y) {
        const CivilDate ws = CivilFromDayCount(static_cast<int>(SolarTermSeconds(y, 23) / 86400));
        LunarDate l{};
        ASSERT_TRUE(ToLunar(ws.year, ws.month, ws.day, &l));
        EXPECT_EQ(l.month, 11) << y;
    }
    std::vector<int> middleDays;
    for (int y = 1901; y <= 2052; ++y)
        for (int t = 1; t < 24; t += 2) middleDays.push_back(static_cast<int>(SolarTermSeconds(y, t) / 86400));
    for (int n = kFirstDay; n <= kLastDay; ++n) {
        const CivilDate c = CivilFromDayCount(n);
        LunarDate l{};
        ASSERT_TRUE(ToLunar(c.year, c.month, c.day, &l));
        if (l.month >= 0) continue;
        for (int m : middleDays) EXPECT_NE(m, n) << c.year << "-" << c.month << "-" << c.day;
    }
}

// The calendars of 1912..1928 reckoned the day of the new moon in Beijing
// mean time; three months began a day earlier than UTC+8 would give.
TEST(LunarData, MonthsOpenedByBeijingMeanTime) {
    struct Case {
        int y, m, d;
        LunarDate first;
    } const cases[] = {
        {1914, 11, 17, {1914, 10, 1}},
        {1916, 2, 3, {1916, 1, 1}},
        {1920, 11, 10, {1920, 10, 1}},
    };
    for (const Case &c : cases) {
        LunarDate l{};
        ASSERT_TRUE(ToLunar(c.y, c.m, c.d, &l));
        EXPECT_EQ(l.year, c.first.year) << c.y;
        EXPECT_EQ(l.month, c.first.month) << c.y;
        EXPECT_EQ(l.day, 1) << c.y;
    }
}

// ---- Conversions ------------------------------------------------------------------------

TEST(ToLunar, Examples) {
    struct Case {
        int y, m, d;
        LunarDate expected;
    } const cases[] = {
        {1984, 2, 1, {1983, 12, 30}}, {1984, 2, 2, {1984, 1, 1}},    {2000, 1, 1, {1999, 11, 25}},
        {2020, 5, 22, {2020, 4, 30}}, {2020, 5, 23, {2020, -4, 1}},  {2033, 12, 22, {2033, -11, 1}},
        {2034, 1, 5, {2033, -11, 15}}, {1902, 1, 1, {1901, 11, 22}}, {1902, 2, 8, {1902, 1, 1}},
        {2051, 12, 31, {2051, 11, 29}},
    };
    for (const Case &c : cases) {
        LunarDate l{};
        ASSERT_TRUE(ToLunar(c.y, c.m, c.d, &l)) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(l.year, c.expected.year) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(l.month, c.expected.month) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(l.day, c.expected.day) << c.y << "-" << c.m << "-" << c.d;

        LunarDate r{};
        Dll_SolarToLunar(At(c.y, c.m, c.d, 17, 45), &r);  // the time of day plays no part
        EXPECT_EQ(r.year, c.expected.year);
        EXPECT_EQ(r.month, c.expected.month);
        EXPECT_EQ(r.day, c.expected.day);
    }
}

TEST(ToLunar, FailsOutsideTheSpanAndForImpossibleDates) {
    const int cases[][3] = {{1901, 12, 31}, {2052, 1, 1}, {2000, 0, 1}, {2000, 13, 1}, {2000, 1, 0},
                            {2000, 1, 32},  {2001, 2, 29}, {1900, 2, 29}, {INT_MIN, 1, 1}, {INT_MAX, 1, 1}};
    for (const auto &c : cases) {
        LunarDate l{7, 7, 7};
        EXPECT_FALSE(ToLunar(c[0], c[1], c[2], &l)) << c[0] << "-" << c[1] << "-" << c[2];
        EXPECT_EQ(l.year, 7);
    }
    LunarDate l{};
    EXPECT_TRUE(ToLunar(2000, 2, 29, &l));
}

struct SolarCase {
    int year, month, day;
    bool found;
    CivilDate date;
};

TEST(ToSolar, Examples) {
    const SolarCase cases[] = {
        {1984, -10, 1, true, {1984, 11, 23}}, {2033, -11, 15, true, {2034, 1, 5}},
        {2020, 4, 30, true, {2020, 5, 22}},   {2020, -4, 30, false, {}},
        {2050, 12, 30, false, {}},            {2020, -4, 29, true, {2020, 6, 20}},
        {2020, -5, 1, false, {}},             {1902, 1, 1, true, {1902, 2, 8}},
        {2050, 12, 29, true, {2051, 2, 10}},  {1984, 10, 1, true, {1984, 10, 24}},
        {1984, 11, 1, true, {1984, 12, 22}},  {1901, 11, 22, true, {1902, 1, 1}},
        {1901, 11, 21, false, {}},            {2051, 11, 29, true, {2051, 12, 31}},
        {2051, 11, 30, false, {}},
    };
    for (const SolarCase &c : cases) {
        double out = -1;
        EXPECT_EQ(ToSolar(c.year, c.month, c.day, &out), c.found) << c.year << " " << c.month << " " << c.day;
        EXPECT_EQ(Dll_LunarToSolar(c.year, c.month, c.day, &out), c.found ? 1 : 0);
        if (c.found) EXPECT_EQ(out, DayCount(c.date.year, c.date.month, c.date.day)) << c.year << " " << c.month;
    }
}

TEST(ToSolar, BadInputAnswersZero) {
    const int cases[][3] = {
        {2020, 0, 1},       {2020, 13, 1},      {2020, -13, 1},    {2020, INT_MIN, 1}, {2020, INT_MAX, 1},
        {2020, 1, 0},       {2020, 1, 31},      {2020, 1, -1},     {2020, 1, INT_MIN}, {2020, 1, INT_MAX},
        {1900, 1, 1},       {2052, 1, 1},       {0, 1, 1},         {-5000, 3, 3},      {INT_MIN, 1, 1},
        {INT_MAX, 12, 30},  {INT_MIN, INT_MIN, INT_MIN},           {2020, -6, 1},      {1984, -9, 1},
    };
    for (const auto &c : cases) {
        double out = 0;
        EXPECT_EQ(Dll_LunarToSolar(c[0], c[1], c[2], &out), 0) << c[0] << " " << c[1] << " " << c[2];
    }
    EXPECT_EQ(Dll_LunarToSolar(2020, 4, 1, nullptr), 1);  // nothing written, no crash
}

// The lunar-to-Gregorian search as the calendar defines it, written out.
bool SearchToSolar(int year, int month, int day, int *out) {
    const int start = DayCount(year, month < 0 ? -month : month, 1) - 90;
    for (int i = 0; i < 365; ++i) {
        const CivilDate c = CivilFromDayCount(start + i);
        LunarDate l{};
        if (ToLunar(c.year, c.month, c.day, &l) && l.year == year && l.month == month && l.day == day) {
            *out = start + i;
            return true;
        }
    }
    *out = start + 365;
    return false;
}

TEST(ToSolar, AgreesWithTheSearchEverywhere) {
    for (int year = 1899; year <= 2053; ++year)
        for (int month = -12; month <= 12; ++month) {
            if (month == 0) continue;
            for (int day = 0; day <= 31; ++day) {
                int expected = 0;
                const bool found = SearchToSolar(year, month, day, &expected);
                double out = 0;
                ASSERT_EQ(ToSolar(year, month, day, &out), found) << year << " " << month << " " << day;
                EXPECT_EQ(out, expected) << year << " " << month << " " << day;
            }
        }
}

TEST(Conversions, EveryDayOfTheSpanRoundTrips) {
    for (int n = kFirstDay; n <= kLastDay; ++n) {
        const CivilDate c = CivilFromDayCount(n);
        LunarDate l{};
        ASSERT_TRUE(ToLunar(c.year, c.month, c.day, &l)) << n;
        ASSERT_GE(l.day, 1);
        ASSERT_LE(l.day, 30);
        double back = 0;
        ASSERT_TRUE(ToSolar(l.year, l.month, l.day, &back)) << c.year << "-" << c.month << "-" << c.day;
        ASSERT_EQ(back, n) << c.year << "-" << c.month << "-" << c.day;
        LunarDate r{};
        ASSERT_EQ(Dll_SolarToLunar(n + 0.5, &r), &r);
        ASSERT_EQ(r.year, l.year);
        ASSERT_EQ(r.month, l.month);
        ASSERT_EQ(r.day, l.day);
    }
}

TEST(SolarToLunar, OutsideTheSpanFillsZeros) {
    const double inf = std::numeric_limits<double>::infinity();
    const double cases[] = {std::nan(""), inf, -inf, 1e300, -1e300, 3e9, -3e9, 0, -1,
                            kFirstDay - 1e-9, kLastDay + 1.0, std::numeric_limits<double>::max()};
    for (double d : cases) {
        LunarDate r{5, 5, 5};
        EXPECT_EQ(Dll_SolarToLunar(d, &r), &r) << d;
        EXPECT_EQ(r.year, 0) << d;
        EXPECT_EQ(r.month, 0) << d;
        EXPECT_EQ(r.day, 0) << d;
    }
    LunarDate r{};
    Dll_SolarToLunar(kLastDay + 0.999, &r);
    EXPECT_EQ(r.year, 2051);
    EXPECT_EQ(Dll_SolarToLunar(36526, nullptr), nullptr);
}

// ---- TKvrBase -------------------------------------------------------------------------

TKvrBase Cast(double birth) {
    TKvrBase k;
    k.SetBirth(birth);
    k.ComputeCalendar();
    return k;
}

struct PillarCase {
    const char *what;
    double birth;
    int year[2], month[2], day[2], hour[2];
};

TEST(TKvrBase, PillarsByTheSolarTerms) {
    const PillarCase cases[] = {
        // 立春 1984 at 23:19: before it still 癸亥 and 乙丑; the day turns at 23:00.
        {"1984-02-04 23:18", At(1984, 2, 4, 23, 18), {Gui, Hai}, {Yi, Chou}, {Ji, Si}, {Jia, Zi}},
        {"1984-02-04 23:19", At(1984, 2, 4, 23, 19), {Jia, Zi}, {Bing, Yin}, {Ji, Si}, {Jia, Zi}},
        {"1984-02-04 22:59", At(1984, 2, 4, 22, 59), {Gui, Hai}, {Yi, Chou}, {Wu, Chen}, {Gui, Hai}},
        // 2000-01-01 is 戊午; 23:30 takes the next day, 己未, and its 子 hour, 甲子.
        {"2000-01-01 12:00", At(2000, 1, 1, 12, 0), {Ji, Mao}, {Bing, Zi}, {Wu, Wu_}, {Wu, Wu_}},
        {"2000-01-01 23:30", At(2000, 1, 1, 23, 30), {Ji, Mao}, {Bing, Zi}, {Ji, Wei}, {Jia, Zi}},
        {"2000-01-02 00:30", At(2000, 1, 2, 0, 30), {Ji, Mao}, {Bing, Zi}, {Ji, Wei}, {Jia, Zi}},
        {"2000-01-02 01:00", At(2000, 1, 2, 1, 0), {Ji, Mao}, {Bing, Zi}, {Ji, Wei}, {Yi, Chou}},
        // 2000 小寒 at 09:00:41 (to the second): 09:00 is still the 子 month.
        {"2000-01-06 09:00", At(2000, 1, 6, 9, 0), {Ji, Mao}, {Bing, Zi}, {Gui, Hai}, {Ding, Si}},
        {"2000-01-06 09:01", At(2000, 1, 6, 9, 1), {Ji, Mao}, {Ding, Chou}, {Gui, Hai}, {Ding, Si}},
        // From 2030 on a term holds from 00:00 of its day: 立春 2040-02-04.
        // 2040-02-04 is 壬戌 (day count 51170), its 子 hour 庚子.
        {"2040-02-03 23:59", At(2040, 2, 3, 23, 59), {Ji, Wei}, {Ding, Chou}, {Ren, Xu}, {Geng, Zi}},
        {"2040-02-04 00:00", At(2040, 2, 4, 0, 0), {Geng, Shen}, {Wu, Yin}, {Ren, Xu}, {Geng, Zi}},
        {"2040-02-04 18:00", At(2040, 2, 4, 18, 0), {Geng, Shen}, {Wu, Yin}, {Ren, Xu}, {Ji, You}},
    };
    for (const PillarCase &c : cases) {
        const TKvrBase k = Cast(c.birth);
        EXPECT_EQ(k.yearPillar[0], c.year[0]) << c.what;
        EXPECT_EQ(k.yearPillar[1], c.year[1]) << c.what;
        EXPECT_EQ(k.monthPillar[0], c.month[0]) << c.what;
        EXPECT_EQ(k.monthPillar[1], c.month[1]) << c.what;
        EXPECT_EQ(k.dayPillar[0], c.day[0]) << c.what;
        EXPECT_EQ(k.dayPillar[1], c.day[1]) << c.what;
        EXPECT_EQ(k.hourPillar[0], c.hour[0]) << c.what;
        EXPECT_EQ(k.hourPillar[1], c.hour[1]) << c.what;
    }
}

TEST(TKvrBase, TermsOfTheBirthMonth) {
    const TKvrBase k = Cast(At(1984, 2, 10, 8, 0));
    EXPECT_EQ(k.openingTerm, SolarTerm(1984, 2));
    EXPECT_EQ(k.middleTerm, SolarTerm(1984, 3));
    const TKvrBase d = Cast(At(2000, 12, 31, 8, 0));
    EXPECT_EQ(d.openingTerm, SolarTerm(2000, 22));
    EXPECT_EQ(d.middleTerm, SolarTerm(2000, 23));
}

struct LunarValuesCase {
    const char *what;
    double birth;
    LunarDate lunarDate;
    int lunarYear, yearCycle, stem, branch, placementMonth, lunarDay, hour;
};

TEST(TKvrBase, LunarValues) {
    const LunarValuesCase cases[] = {
        // A leap month that runs into January stays in the year it began; it
        // places as the month after it.
        {"2034-01-05 10:00", At(2034, 1, 5, 10, 0), {2033, -11, 15}, 2033, 50, 10, 2, 12, 15, 6},
        // 23:30 on the last day of 1983's 12th month: the date is still that
        // day, the lunar values are already those of the new year's day.
        {"1984-02-01 23:30", At(1984, 2, 1, 23, 30), {1983, 12, 30}, 1984, 1, 1, 1, 1, 1, 1},
        {"1984-02-01 22:59", At(1984, 2, 1, 22, 59), {1983, 12, 30}, 1983, 60, 10, 12, 12, 30, 12},
        {"2020-05-23 12:00", At(2020, 5, 23, 12, 0), {2020, -4, 1}, 2020, 37, 7, 1, 5, 1, 7},
        {"2020-05-22 12:00", At(2020, 5, 22, 12, 0), {2020, 4, 30}, 2020, 37, 7, 1, 4, 30, 7},
    };
    for (const LunarValuesCase &c : cases) {
        const TKvrBase k = Cast(c.birth);
        EXPECT_EQ(k.lunarDate.year, c.lunarDate.year) << c.what;
        EXPECT_EQ(k.lunarDate.month, c.lunarDate.month) << c.what;
        EXPECT_EQ(k.lunarDate.day, c.lunarDate.day) << c.what;
        EXPECT_EQ(k.lunarYear, c.lunarYear) << c.what;
        EXPECT_EQ(k.yearCycle, c.yearCycle) << c.what;
        EXPECT_EQ(k.yearStem, c.stem) << c.what;
        EXPECT_EQ(k.yearStemCode, c.stem) << c.what;
        EXPECT_EQ(k.yearBranch, c.branch) << c.what;
        EXPECT_EQ(k.yearBranchCode, c.branch + 10) << c.what;
        EXPECT_EQ(k.placementMonth, c.placementMonth) << c.what;
        EXPECT_EQ(k.lunarDay, c.lunarDay) << c.what;
        EXPECT_EQ(k.hour, c.hour) << c.what;
    }
    // 2033 is 癸丑 in the sixty-year cycle.
    const TKvrBase k = Cast(At(2034, 1, 5, 10, 0));
    EXPECT_EQ(k.yearStemCode, Gui);
    EXPECT_EQ(k.yearBranchCode, Chou);
}

TEST(TKvrBase, SetBirthStoresWithoutRecomputing) {
    TKvrBase k = Cast(At(1984, 2, 4, 23, 19));
    k.SetBirth(At(2000, 1, 1, 12, 0));
    EXPECT_EQ(k.GetBirth(), At(2000, 1, 1, 12, 0));
    EXPECT_EQ(k.yearPillar[0], Jia);
    k.ComputeCalendar();
    EXPECT_EQ(k.yearPillar[0], Ji);
}

TEST(TKvrBase, ConstructedAtTheCurrentTime) {
    const double now = std::time(nullptr) / 86400.0 + 25569;  // UTC as a day count
    const TKvrBase k;
    EXPECT_LT(std::fabs(k.GetBirth() - now), 1.0);  // within any time zone's offset
    EXPECT_GE(k.lunarDay, 1);
}

// Instants outside the span are reckoned as its nearest end: every field
// keeps its range, nothing is read outside the tables.
TEST(TKvrBase, BirthsOutsideTheSpanKeepFieldsInRange) {
    const double inf = std::numeric_limits<double>::infinity();
    const double births[] = {std::nan(""), inf, -inf, 1e300, -1e300, 0, -700000, 1e7, At(1901, 6, 1), At(2051, 12, 31, 23, 30),
                             At(2099, 12, 31, 23, 59)};
    for (double b : births) {
        const TKvrBase k = Cast(b);
        EXPECT_TRUE(k.GetBirth() == b || (std::isnan(b) && std::isnan(k.GetBirth())));
        for (const int *p : {k.yearPillar, k.monthPillar, k.dayPillar, k.hourPillar}) {
            EXPECT_GE(p[0], 1);
            EXPECT_LE(p[0], 10);
            EXPECT_GE(p[1], 11);
            EXPECT_LE(p[1], 22);
        }
        EXPECT_GE(k.lunarYear, 1901);
        EXPECT_LE(k.lunarYear, 2051);
        EXPECT_GE(k.placementMonth, 1);
        EXPECT_LE(k.placementMonth, 12);
        EXPECT_GE(k.lunarDay, 1);
        EXPECT_LE(k.lunarDay, 30);
        EXPECT_GE(k.hour, 1);
        EXPECT_LE(k.hour, 12);
        EXPECT_NE(k.lunarDate.month, 0);
    }
}

}  // namespace
}  // namespace star
