// Speed of the calendar conversions and of ComputeCalendar.
#include <benchmark/benchmark.h>

#include "Calendar.h"
#include "CivilDate.h"
#include "star.h"

namespace {

constexpr int kFirstDay = star::DayCount(1902, 1, 1);
constexpr int kLastDay = star::DayCount(2051, 12, 31);

// Walks through the whole span so that no single year's entry stays hot.
void BM_SolarToLunar(benchmark::State &state) {
    int n = kFirstDay;
    LunarDate record{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(Dll_SolarToLunar(n + 0.5, &record));
        benchmark::ClobberMemory();
        n = n == kLastDay ? kFirstDay : n + 7;
        if (n > kLastDay) n -= kLastDay - kFirstDay;
    }
}
BENCHMARK(BM_SolarToLunar);

void BM_LunarToSolar(benchmark::State &state) {
    int year = 1902, month = 1, day = 1;
    double out = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Dll_LunarToSolar(year, month, day, &out));
        benchmark::DoNotOptimize(out);
        day = day % 30 + 1;
        month = month % 12 + 1;
        if (++year > 2050) year = 1902;
    }
}
BENCHMARK(BM_LunarToSolar);

void BM_ComputeCalendar(benchmark::State &state) {
    star::TKvrBase k;
    double birth = kFirstDay + 0.3;
    for (auto _ : state) {
        k.SetBirth(birth);
        k.ComputeCalendar();
        benchmark::DoNotOptimize(k);
        birth += 3.37;
        if (birth > kLastDay) birth = kFirstDay + 0.3;
    }
}
BENCHMARK(BM_ComputeCalendar);

}  // namespace
