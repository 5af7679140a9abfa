// Generator of the engine's calendar tables (engine/CalendarData.cpp).
//
// Computes from the ERFA ephemerides:
//  - the 24 solar terms of every year 1900..2099: the instants at which the
//    Sun's apparent geocentric ecliptic longitude of date reaches a multiple
//    of 15 degrees, in Beijing time (UTC+8);
//  - the new moons (conjunction of Sun and Moon in apparent longitude) from
//    late 1900 to 2053, and from them and the middle terms the Chinese lunar
//    calendar of the lunar years 1901..2051.
//
// Usage: gen_calendar OUTPUT.cpp   (a report on the borderline cases goes to
// standard error).
#include <erfa.h>
#include <erfam.h>
#include <erfaextra.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "CivilDate.h"

namespace {

using star::CivilFromDayCount;
using star::DayCount;

constexpr double kDayCountJd = 2415018.5;  // JD of 1899-12-30 00:00
constexpr double kBeijingOffset = 8.0 / 24.0;
// Beijing local mean time (116°25' E) that the calendars of 1912..1928 used
// for the day of the new moon: UTC+7:45:40.
constexpr double kBeijingMeanTimeOffset = (7 * 3600 + 45 * 60 + 40) / 86400.0;
constexpr int kFirstTermYear = 1900;
constexpr int kLastTermYear = 2099;
constexpr int kFirstLunarYear = 1901;
constexpr int kLastLunarYear = 2051;

// ---- Delta T --------------------------------------------------------------

// Date of the last leap second known to ERFA, as a decimal year.
double LastLeapSecondYear() {
    eraLEAPSECOND *table = nullptr;
    const int n = eraGetLeapSeconds(&table);
    if (n <= 0 || table == nullptr) return 2017.0;
    return table[n - 1].iyear + (table[n - 1].month - 1) / 12.0;
}

// Espenak & Meeus (Five Millennium Canon of Solar Eclipses, 2006) polynomial
// expressions of Delta T = TT - UT1, seconds, for 1900..1972.
double EspenakMeeusDeltaT(double y) {
    if (y < 1920) {
        const double t = y - 1900;
        return -2.79 + 1.494119 * t - 0.0598939 * t * t + 0.0061966 * t * t * t -
               0.000197 * t * t * t * t;
    }
    if (y < 1941) {
        const double t = y - 1920;
        return 21.20 + 0.84493 * t - 0.076100 * t * t + 0.0020936 * t * t * t;
    }
    if (y < 1961) {
        const double t = y - 1950;
        return 29.07 + 0.407 * t - t * t / 233 + t * t * t / 2547;
    }
    const double t = y - 1975;  // the expression for 1961..1986
    return 45.45 + 1.067 * t - t * t / 260 - t * t * t / 718;
}

// TT - UTC in seconds at a UTC instant given as a day count.
//  - before 1972: the Espenak & Meeus polynomials (UTC was kept near UT);
//  - 1972 to the last leap second: ERFA's TAI - UTC + 32.184 s;
//  - after it: the last leap-second value rising with the quadratic term of
//    the Espenak & Meeus expression for 2005..2050 (0.005589 s/yr^2, the
//    tidal slowing of the Earth), from the flat trend of the years since the
//    last leap second: about 70 s in 2030, 107 s in 2099.
double TtMinusUtc(double utcDayCount) {
    static const double lastLeap = LastLeapSecondYear();
    const int n = static_cast<int>(std::floor(utcDayCount));
    const star::CivilDate c = CivilFromDayCount(n);
    const double year = c.year + (n - DayCount(c.year, 1, 1) + 0.5) / (star::IsLeapYear(c.year) ? 366 : 365);
    if (year < 1972) return EspenakMeeusDeltaT(year);
    const auto datAt = [](int y, int m, int d, double fd) {
        double dat = 0;
        const int status = eraDat(y, m, d, fd, &dat);
        if (status < 0) {  // 1 ("dubious year") only warns about the future
            std::fprintf(stderr, "eraDat failed for %d-%d-%d\n", y, m, d);
            std::exit(1);
        }
        return dat + 32.184;
    };
    if (year < lastLeap) return datAt(c.year, c.month, c.day, utcDayCount - n);
    const int ly = static_cast<int>(lastLeap);
    const int lm = static_cast<int>(std::lround((lastLeap - ly) * 12)) + 1;
    const double t = year - lastLeap;
    return datAt(ly, lm, 1, 0) + 0.005589 * t * t;
}

// TT Julian date (two parts) of a day count on a clock `offset` days ahead of UTC.
void TtOf(double localDayCount, double offset, double *jd1, double *jd2) {
    const double utc = localDayCount - offset;
    *jd1 = kDayCountJd;
    *jd2 = utc + TtMinusUtc(utc) / ERFA_DAYSEC;
}

// Day count on the clock `offset` days ahead of UTC of a TT Julian date.
double LocalOf(double jd1, double jd2, double offset) {
    double utc = (jd1 - kDayCountJd) + jd2;
    for (int i = 0; i < 3; ++i) utc = (jd1 - kDayCountJd) + jd2 - TtMinusUtc(utc) / ERFA_DAYSEC;
    return utc + offset;
}

// ---- Apparent longitudes ----------------------------------------------------

// Ecliptic longitude (radians, 0..2pi) on the true ecliptic and equinox of
// date of a GCRS direction.
double TrueEclipticLongitude(double jd1, double jd2, double gcrs[3]) {
    double rnpb[3][3];
    eraPnm06a(jd1, jd2, rnpb);
    double v[3];
    eraRxp(rnpb, gcrs, v);
    double dpsi, deps;
    eraNut06a(jd1, jd2, &dpsi, &deps);
    const double eps = eraObl06(jd1, jd2) + deps;
    const double x = v[0];
    const double y = std::cos(eps) * v[1] + std::sin(eps) * v[2];
    return eraAnp(std::atan2(y, x));
}

// Apparent geocentric longitude of the Sun: the Sun's barycentric place at
// the light-time-retarded instant seen from the Earth, plus annual aberration.
double SunLongitude(double jd1, double jd2) {
    double pvh[2][3], pvb[2][3];
    eraEpv00(jd1, jd2, pvh, pvb);
    const double tau = eraPm(pvh[0]) * ERFA_AULT / ERFA_DAYSEC;
    double pvh2[2][3], pvb2[2][3];
    eraEpv00(jd1, jd2 - tau, pvh2, pvb2);
    double sunBary[3], toSun[3];
    eraPmp(pvb2[0], pvh2[0], sunBary);
    eraPmp(sunBary, pvb[0], toSun);
    double s, pnat[3];
    eraPn(toSun, &s, pnat);
    double v[3];
    eraSxp(ERFA_AULT / ERFA_DAYSEC, pvb[1], v);
    const double bm1 = std::sqrt(1 - eraPdp(v, v));
    double ppr[3];
    eraAb(pnat, v, s, bm1, ppr);
    return TrueEclipticLongitude(jd1, jd2, ppr);
}

// Apparent geocentric longitude of the Moon: its geocentric place at the
// light-time-retarded instant (for a geocentric body the annual aberration
// and the Earth's motion over the light time cancel).
double MoonLongitude(double jd1, double jd2) {
    double pv[2][3];
    eraMoon98(jd1, jd2, pv);
    const double tau = eraPm(pv[0]) * ERFA_AULT / ERFA_DAYSEC;
    eraMoon98(jd1, jd2 - tau, pv);
    return TrueEclipticLongitude(jd1, jd2, pv[0]);
}

double Wrap180(double deg) {
    deg = std::fmod(deg, 360.0);
    if (deg > 180) deg -= 360;
    if (deg <= -180) deg += 360;
    return deg;
}

// TT instant near `guess` at which the Sun's apparent longitude is `target` degrees.
double SolveSunLongitude(double target, double guessJd2) {
    double jd2 = guessJd2;
    for (int i = 0; i < 30; ++i) {
        const double lon = SunLongitude(kDayCountJd, jd2) * ERFA_DR2D;
        const double step = Wrap180(target - lon) / 0.9856;
        jd2 += step;
        if (std::fabs(step) < 1e-9) return jd2;
    }
    std::fprintf(stderr, "solar longitude %g did not converge\n", target);
    std::exit(1);
}

// TT instant of the new moon nearest `guess`.
double SolveNewMoon(double guessJd2) {
    double jd2 = guessJd2;
    for (int i = 0; i < 30; ++i) {
        const double elong = (MoonLongitude(kDayCountJd, jd2) - SunLongitude(kDayCountJd, jd2)) * ERFA_DR2D;
        const double step = -Wrap180(elong) / 12.19;
        jd2 += step;
        if (std::fabs(step) < 1e-9) return jd2;
    }
    std::fprintf(stderr, "new moon did not converge\n");
    std::exit(1);
}

// ---- Solar terms --------------------------------------------------------------

struct Term {
    double beijing;   // exact instant, Beijing time, day count
    int64_t stored;   // stored instant, seconds since 1899-12-30 00:00 Beijing time
};


// Term t (0 = 小寒 .. 23 = 冬至) of year `year`; term t lies at longitude 285 + 15 t.
Term ComputeTerm(int year, int t) {
    const double target = std::fmod(285.0 + 15.0 * t, 360.0);
    const double guessLocal = DayCount(year, 1, 6) + 15.2184 * t;
    double jd1, jd2;
    TtOf(guessLocal, kBeijingOffset, &jd1, &jd2);
    jd2 = SolveSunLongitude(target, jd2);
    Term term;
    term.beijing = LocalOf(jd1, jd2, kBeijingOffset);
    if (year < 2000) {
        term.stored = std::llround(term.beijing * 1440.0) * 60;
    } else if (year < 2030) {
        term.stored = std::llround(term.beijing * 86400.0);
    } else {
        term.stored = static_cast<int64_t>(std::floor(term.beijing)) * 86400;
    }
    return term;
}

// ---- Lunar calendar ---------------------------------------------------------------

struct Month {
    double newMoonUtc;  // day count, UTC
    int start;          // civil day of the new moon (calendar rule of its time)
    int startBeijing;   // civil day of the new moon in UTC+8
    int number = 0;     // 1..12
    bool leap = false;
};

int CivilDayOfNewMoon(double utc, bool beijingTimeOnly) {
    const double bj = utc + kBeijingOffset;
    const int year = CivilFromDayCount(static_cast<int>(std::floor(bj))).year;
    const bool meanTime = !beijingTimeOnly && year >= 1912 && year <= 1928;
    return static_cast<int>(std::floor(utc + (meanTime ? kBeijingMeanTimeOffset : kBeijingOffset)));
}

struct LunarYear {
    int year;
    int offset;  // day of year of the day before new year's day
    int leap;
    int monthLong[13];
};

std::vector<Month> ComputeMonths(bool beijingTimeOnly) {
    // Mean new moon 2000-01-06 18:14 UTC and the mean synodic month.
    const double meanEpoch = DayCount(2000, 1, 6) + 18.23 / 24.0;
    const double synodic = 29.530588861;
    const double from = DayCount(1900, 10, 1), to = DayCount(2053, 6, 1);
    std::vector<Month> months;
    for (int k = static_cast<int>(std::floor((from - meanEpoch) / synodic));; ++k) {
        const double guessUtc = meanEpoch + k * synodic;
        if (guessUtc > to) break;
        double jd1, jd2;
        TtOf(guessUtc, 0.0, &jd1, &jd2);
        jd2 = SolveNewMoon(jd2);
        Month m;
        m.newMoonUtc = LocalOf(jd1, jd2, 0.0);
        m.start = CivilDayOfNewMoon(m.newMoonUtc, beijingTimeOnly);
        m.startBeijing = static_cast<int>(std::floor(m.newMoonUtc + kBeijingOffset));
        months.push_back(m);
    }
    return months;
}

// Index of the month holding civil day `day`.
size_t MonthHolding(const std::vector<Month> &months, int day) {
    for (size_t i = 0; i + 1 < months.size(); ++i)
        if (months[i].start <= day && day < months[i + 1].start) return i;
    std::fprintf(stderr, "no month holds day %d\n", day);
    std::exit(1);
}

// Numbers the months: the month holding 冬至 is the 11th; in a year from one
// 冬至 month to the next with 13 months the first month without a middle term
// is the leap month, named after the month before it.
void NumberMonths(std::vector<Month> &months, const std::vector<std::vector<Term>> &terms) {
    std::vector<int> middleDays;
    for (const auto &row : terms)
        for (int t = 1; t < 24; t += 2) middleDays.push_back(static_cast<int>(std::floor(row[t].beijing)));
    std::sort(middleDays.begin(), middleDays.end());
    const auto hasMiddleTerm = [&](size_t i) {
        auto it = std::lower_bound(middleDays.begin(), middleDays.end(), months[i].start);
        return it != middleDays.end() && *it < months[i + 1].start;
    };
    for (int y = kFirstTermYear; y < 2052; ++y) {
        const int ws0 = static_cast<int>(std::floor(terms[y - kFirstTermYear][23].beijing));
        const int ws1 = static_cast<int>(std::floor(terms[y + 1 - kFirstTermYear][23].beijing));
        const size_t a = MonthHolding(months, ws0), b = MonthHolding(months, ws1);
        if (b - a != 12 && b - a != 13) {
            std::fprintf(stderr, "%zu months between the winter solstices of %d and %d\n", b - a, y, y + 1);
            std::exit(1);
        }
        size_t leap = SIZE_MAX;
        if (b - a == 13)
            for (size_t i = a + 1; i < b; ++i)
                if (!hasMiddleTerm(i)) {
                    leap = i;
                    break;
                }
        int number = 10;
        for (size_t i = a; i < b; ++i) {
            if (i == leap) {
                months[i].number = number;
                months[i].leap = true;
            } else {
                number = number % 12 + 1;
                months[i].number = number;
                months[i].leap = false;
            }
        }
    }
}

std::vector<LunarYear> CollectYears(const std::vector<Month> &months) {
    std::vector<LunarYear> years;
    for (size_t i = 0; i + 1 < months.size(); ++i) {
        const Month &m = months[i];
        if (m.number == 0) continue;
        if (m.number == 1 && !m.leap) {
            const star::CivilDate c = CivilFromDayCount(m.start);
            LunarYear y{c.year, m.start - DayCount(c.year, 1, 1), 0, {}};
            years.push_back(y);
        }
        if (years.empty()) continue;
        LunarYear &y = years.back();
        int index = m.number - 1 + (y.leap != 0 && m.number > y.leap ? 1 : 0);
        if (m.leap) {
            y.leap = m.number;
            index = m.number;
        }
        const int length = months[i + 1].start - m.start;
        if (length != 29 && length != 30) {
            std::fprintf(stderr, "month of %d days\n", length);
            std::exit(1);
        }
        y.monthLong[index] = length - 29;
    }
    return years;
}

void PrintTime(FILE *f, double dayCount) {
    const int n = static_cast<int>(std::floor(dayCount));
    const star::CivilDate c = CivilFromDayCount(n);
    const double s = (dayCount - n) * 86400;
    std::fprintf(f, "%04d-%02d-%02d %02d:%02d:%04.1f", c.year, c.month, c.day, static_cast<int>(s / 3600),
                 static_cast<int>(std::fmod(s, 3600) / 60), std::fmod(s, 60));
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_calendar OUTPUT.cpp\n");
        return 2;
    }
    // Terms of one year past the table, for the last lunar year's 冬至.
    std::vector<std::vector<Term>> terms;
    for (int y = kFirstTermYear; y <= kLastTermYear; ++y) {
        std::vector<Term> row;
        for (int t = 0; t < 24; ++t) row.push_back(ComputeTerm(y, t));
        terms.push_back(row);
    }

    std::vector<Month> months = ComputeMonths(false);
    NumberMonths(months, terms);
    const std::vector<LunarYear> years = CollectYears(months);

    // Report: the months whose first day the 1912..1928 mean-time rule moves,
    // and the new moons and terms close to midnight, where the ephemeris and
    // Delta T decide the day.
    std::fprintf(stderr, "Months moved by Beijing mean time (1912-1928):\n");
    for (const Month &m : months)
        if (m.start != m.startBeijing) {
            const star::CivilDate c = CivilFromDayCount(m.start);
            std::fprintf(stderr, "  %04d-%02d-%02d (new moon ", c.year, c.month, c.day);
            PrintTime(stderr, m.newMoonUtc + kBeijingOffset);
            std::fprintf(stderr, " UTC+8)\n");
        }
    std::fprintf(stderr, "New moons within 3 minutes of midnight UTC+8:\n");
    for (const Month &m : months) {
        const double bj = m.newMoonUtc + kBeijingOffset;
        const double frac = bj - std::floor(bj);
        if (frac < 3.0 / 1440 || frac > 1 - 3.0 / 1440) {
            std::fprintf(stderr, "  ");
            PrintTime(stderr, bj);
            std::fprintf(stderr, "\n");
        }
    }
    std::fprintf(stderr, "Terms 2030-2099 within 3 minutes of midnight:\n");
    for (int y = 2030; y <= kLastTermYear; ++y)
        for (int t = 0; t < 24; ++t) {
            const double bj = terms[y - kFirstTermYear][t].beijing;
            const double frac = bj - std::floor(bj);
            if (frac < 3.0 / 1440 || frac > 1 - 3.0 / 1440) {
                std::fprintf(stderr, "  term %2d ", t);
                PrintTime(stderr, bj);
                std::fprintf(stderr, "\n");
            }
        }

    FILE *out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out,
                 "// Generated by tools/gen_calendar from the ERFA ephemerides; do not edit.\n"
                 "// To regenerate (needs liberfa-dev):\n"
                 "//   cmake -S . -B build-tools -G Ninja -DKELO_BUILD_TOOLS=ON\n"
                 "//   cmake --build build-tools --target calendar_data\n"
                 "// (the target runs build-tools/tools/gen_calendar/gen_calendar OUTPUT.cpp).\n"
                 "#include \"CalendarData.h\"\n\n"
                 "namespace star {\n\n"
                 "// Solar terms 1900..2099, 24 a year from 小寒, Beijing time (UTC+8), in\n"
                 "// seconds since 1899-12-30 00:00: to the minute for 1900..1999, to the second\n"
                 "// for 2000..2029, 00:00 of the day for 2030..2099.\n"
                 "constexpr std::int64_t kSolarTermSeconds[kSolarTermYears * 24] = {\n");
    for (int y = kFirstTermYear; y <= kLastTermYear; ++y) {
        const auto &row = terms[y - kFirstTermYear];
        std::fprintf(out, "    // %d\n   ", y);
        for (int t = 0; t < 24; ++t) {
            std::fprintf(out, " %lld,", static_cast<long long>(row[t].stored));
            if (t % 6 == 5 && t != 23) std::fprintf(out, "\n   ");
        }
        std::fprintf(out, "\n");
    }
    std::fprintf(out,
                 "};\n\n"
                 "// Lunar years 1901..2051 by the Gregorian year in which they begin: the\n"
                 "// day of year of the day before new year's day, the leap month (0 for none;\n"
                 "// L: a leap month follows month L) and one flag per month in order, leap\n"
                 "// month included (the month has 29 + flag days).\n"
                 "constexpr LunarYearData kLunarYears[kLunarYearCount] = {\n");
    for (const LunarYear &y : years) {
        if (y.year < kFirstLunarYear || y.year > kLastLunarYear) continue;
        std::fprintf(out, "    {%3d, %2d, {", y.offset, y.leap);
        for (int i = 0; i < 13; ++i) std::fprintf(out, "%d%s", y.monthLong[i], i < 12 ? ", " : "");
        std::fprintf(out, "}},  // %d\n", y.year);
    }
    std::fprintf(out, "};\n\n}  // namespace star\n");
    std::fclose(out);
    return 0;
}
