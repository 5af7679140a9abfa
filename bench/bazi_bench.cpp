// Speed of the Four Pillars chart: a whole Compute (calendar, pillars, luck
// start, spirit stars) and the part after the calendar alone.
#include <benchmark/benchmark.h>

#include <vector>

#include "BaZi.h"
#include "CivilDate.h"

namespace {

// Births spread over the supported years at varied hours, so that the
// branches of the rules and the term look-ups change from call to call.
std::vector<double> Births() {
    std::vector<double> births;
    for (int i = 0; i < 4096; ++i) {
        const int day = star::DayCount(1902, 1, 1) + (i * 13331) % 54000;
        births.push_back(day + ((i * 97) % 1440) / 1440.0);
    }
    return births;
}

void BM_BaZiCompute(benchmark::State &state) {
    const std::vector<double> births = Births();
    star::TKvrBaZi chart;
    std::size_t i = 0;
    for (auto _ : state) {
        chart.SetBirth(births[i++ % births.size()]);
        chart.SetSex(static_cast<uint8_t>(i & 1));
        chart.Compute();
        benchmark::DoNotOptimize(chart.spiritStars[0][0]);
        benchmark::DoNotOptimize(chart.luckOffset);
    }
}
BENCHMARK(BM_BaZiCompute);

void BM_BaZiFromPillars(benchmark::State &state) {
    const std::vector<double> births = Births();
    std::vector<star::TKvrBaZi> charts(64);
    for (std::size_t k = 0; k < charts.size(); ++k) {
        charts[k].SetBirth(births[k]);
        charts[k].Compute();
    }
    std::size_t i = 0;
    for (auto _ : state) {
        star::TKvrBaZi &chart = charts[i++ % charts.size()];
        chart.ComputeFromPillars();
        benchmark::DoNotOptimize(chart.spiritStars[0][0]);
    }
}
BENCHMARK(BM_BaZiFromPillars);

void BM_BaZiConstructAndCompute(benchmark::State &state) {
    const std::vector<double> births = Births();
    std::size_t i = 0;
    for (auto _ : state) {
        star::TKvrBaZi chart;
        chart.SetBirth(births[i++ % births.size()]);
        chart.SetSex(1);
        chart.Compute();
        benchmark::DoNotOptimize(chart.startAge);
    }
}
BENCHMARK(BM_BaZiConstructAndCompute);

}  // namespace
