// One Dll_Pan call: both charts cast and rendered into the four blocks.
#include <benchmark/benchmark.h>

#include <cstring>

#include "CivilDate.h"
#include "star.h"

namespace {

struct Blocks {
    char palaces[STAR_PALACE_BLOCK_SIZE];
    char header[STAR_HEADER_BLOCK_SIZE];
    char pillars[STAR_PILLAR_BLOCK_SIZE];
    char luck[STAR_LUCK_BLOCK_SIZE];
};

// A fixed birth, as the chart page draws it over and over.
void BM_PanOneBirth(benchmark::State &state) {
    Blocks b{};
    const double birth = star::DayCount(1990, 1, 27) + 10.0 / 24;
    for (auto _ : state) {
        std::memcpy(b.header, "\xD5\xC5\xC8\xFD", 5);  // 张三 and its NUL
        Dll_Pan(birth, 1, 1, b.palaces, b.header, b.pillars, b.luck);
        benchmark::DoNotOptimize(b.palaces[0]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PanOneBirth);

// Births spread over the supported years, so no call repeats the last.
void BM_PanSpreadBirths(benchmark::State &state) {
    Blocks b{};
    const int first = star::DayCount(1902, 1, 1), span = star::DayCount(2050, 12, 31) - first;
    int i = 0;
    for (auto _ : state) {
        i = (i + 7919) % span;
        std::memcpy(b.header, "\xD5\xC5\xC8\xFD", 5);
        Dll_Pan(first + i + (i % 1440) / 1440.0, static_cast<uint8_t>(i & 1), 1, b.palaces, b.header,
                b.pillars, b.luck);
        benchmark::DoNotOptimize(b.palaces[0]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PanSpreadBirths);

}  // namespace
