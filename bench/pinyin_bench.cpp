// Pinyin initials: one character's look-up, and one keystroke of the search
// box over a list of 100 000 members.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "MemberNames.h"
#include "hzYpy.h"

namespace {

// Every code of the tables as two GBK bytes.
std::vector<std::string> allCodes()
{
    std::vector<std::string> codes;
    for (int lead = hzYpy::LeadFirst; lead <= hzYpy::LeadLast; ++lead)
        for (int trail = hzYpy::TrailFirst; trail <= hzYpy::TrailLast; ++trail)
            codes.push_back({char(lead), char(trail)});
    return codes;
}


void BM_GetInitials(benchmark::State &state)
{
    const std::vector<std::string> codes = allCodes();
    ThzFirstChar table;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.GetInitials(codes[i]));
        if (++i == codes.size())
            i = 0;
    }
}
BENCHMARK(BM_GetInitials);

// One keystroke: a matcher for the typed text, then every name of the list
// (the longest case: the search runs to the end without stopping).
void BM_SearchKeystroke(benchmark::State &state)
{
    const QStringList names = MemberNames(100000);
    const QString typed = QString::fromUtf8(state.range(0) == 0 ? "zs" : state.range(0) == 1 ? "zsw" : "to");
    int64_t matches = 0;
    for (auto _ : state) {
        const TSearchMatcher matcher(typed);
        matches = 0;
        for (const QString &name : names)
            matches += matcher.Matches(name);
        benchmark::DoNotOptimize(matches);
    }
    state.counters["names"] = double(names.size());
    state.counters["matches"] = double(matches);
}
BENCHMARK(BM_SearchKeystroke)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
