// Speed of casting the natal chart: the whole Cast (calendar included) and
// the chart alone from given lunar values.
#include <benchmark/benchmark.h>

#include "CivilDate.h"
#include "Common.h"
#include "DouShu.h"

namespace {

constexpr int kFirstDay = star::DayCount(1902, 1, 1);
constexpr int kLastDay = star::DayCount(2050, 12, 31);

// Walks through the span with changing hours so that no chart repeats.
void BM_Cast(benchmark::State &state) {
    star::TKvrDouShu chart;
    double birth = kFirstDay + 0.3;
    uint8_t male = 1;
    for (auto _ : state) {
        chart.SetBirth(birth);
        chart.SetSex(male);
        chart.Cast();
        benchmark::DoNotOptimize(chart.palaces);
        benchmark::ClobberMemory();
        birth += 3.37 + 1.0 / 12;
        if (birth > kLastDay) birth = kFirstDay + 0.3;
        male ^= 1;
    }
}
BENCHMARK(BM_Cast);

void BM_CastFromCalendar(benchmark::State &state) {
    star::TKvrDouShu chart;
    int n = 0;
    for (auto _ : state) {
        chart.yearStem = star::Wrap(n, 10);
        chart.yearBranch = star::Wrap(n, 12);
        chart.placementMonth = star::Wrap(n * 7, 12);
        chart.lunarDay = star::Wrap(n * 11, 30);
        chart.hour = star::Wrap(n * 5, 12);
        chart.CastFromCalendar();
        benchmark::DoNotOptimize(chart.palaces);
        benchmark::ClobberMemory();
        ++n;
    }
}
BENCHMARK(BM_CastFromCalendar);

}  // namespace
