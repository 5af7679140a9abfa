// Pinyin initials: one character's look-up, and one keystroke of the search
// box over a list of 100 000 members.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

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

// 100 000 names of two or three characters, common surnames and given-name
// characters, with one in ten a Latin name.
QStringList memberNames(int count)
{
    const QString surnames = QString::fromUtf8("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤");
    const QString given = QString::fromUtf8("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂华建国文辉玲红志飞鹏宇斌波宁浩凯健俊帆帅旭晨亮成康星光天达安岩中茂进林有坚和彪博诚先敬震振壮会思群豪心邦承乐绍功松善厚庆重长行");
    const QStringList latin = {"Tom", "Anna", "Peter", "Mary", "John", "Lucy", "David", "Grace"};
    std::mt19937 random(20240601);
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (random() % 10 == 0) {
            names.append(latin[random() % latin.size()]);
            continue;
        }
        QString name = surnames[random() % surnames.size()];
        const int length = 1 + random() % 2;
        for (int k = 0; k < length; ++k)
            name += given[random() % given.size()];
        names.append(name);
    }
    return names;
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
    const QStringList names = memberNames(100000);
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
