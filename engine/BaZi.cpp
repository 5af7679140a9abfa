#include "BaZi.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "CivilDate.h"
#include "Common.h"

namespace star {

namespace {

using namespace bazi;

// Stem and branch item codes under their own characters, so that every table
// below reads exactly like the rule it encodes.
constexpr int32_t 甲 = 1, 乙 = 2, 丙 = 3, 丁 = 4, 戊 = 5, 己 = 6, 庚 = 7, 辛 = 8, 壬 = 9, 癸 = 10;
constexpr int32_t 子 = 11, 丑 = 12, 寅 = 13, 卯 = 14, 辰 = 15, 巳 = 16, 午 = 17, 未 = 18, 申 = 19,
                  酉 = 20, 戌 = 21, 亥 = 22;

constexpr bool IsStem(int code) { return code >= 甲 && code <= 癸; }
constexpr bool IsBranch(int code) { return code >= 子 && code <= 亥; }

// Hidden stems of each branch: first, second, third (0 none).
constexpr int32_t kHiddenStems[12][3] = {
    {0, 癸, 0},     // 子
    {己, 癸, 辛},   // 丑
    {甲, 丙, 戊},   // 寅
    {0, 乙, 0},     // 卯
    {戊, 乙, 癸},   // 辰
    {丙, 庚, 戊},   // 巳
    {丁, 己, 0},    // 午
    {己, 丁, 乙},   // 未
    {庚, 壬, 戊},   // 申
    {0, 辛, 0},     // 酉
    {戊, 辛, 丁},   // 戌
    {壬, 甲, 0},    // 亥
};

// Element of each branch: 1 wood, 2 fire, 3 earth, 4 metal, 5 water.
constexpr int kBranchElement[12] = {
    5, 3, 1, 1, 3, 2,  // 子 丑 寅 卯 辰 巳
    2, 3, 4, 4, 3, 5,  // 午 未 申 酉 戌 亥
};

// Ten god of stem x against the day stem d (both stem codes), by the cycle
// of elements wood, fire, earth, metal, water: r = e(d) - e(x) mod 5.
constexpr int32_t TenGodByElements(int d, int x) {
    const int r = (((d + 1) / 2 - (x + 1) / 2) % 5 + 5) % 5;
    const bool same = d % 2 == x % 2;  // both yang or both yin
    switch (r) {
        case 0: return same ? tengod::kBiJian : tengod::kJieCai;       // same element
        case 1: return same ? tengod::kPianYin : tengod::kZhengYin;    // x generates the day
        case 2: return same ? tengod::kQiSha : tengod::kZhengGuan;     // x controls the day
        case 3: return same ? tengod::kPianCai : tengod::kZhengCai;    // the day controls x
        default: return same ? tengod::kShiShen : tengod::kShangGuan;  // the day generates x
    }
}

struct TenGodTable {
    int32_t byDay[10][10];
    constexpr const int32_t *operator[](int day) const { return byDay[day]; }
};
constexpr TenGodTable MakeTenGods() {
    TenGodTable table{};
    for (int d = 甲; d <= 癸; ++d)
        for (int x = 甲; x <= 癸; ++x) table.byDay[d - 1][x - 1] = TenGodByElements(d, x);
    return table;
}
// [day stem - 1][stem - 1].
constexpr TenGodTable kTenGods = MakeTenGods();

// ---- Spirit-star tables -------------------------------------------------
//
// A table lists, for each anchor, the codes its rule points at (0 none):
// stem anchors 甲..癸 (ten entries), year, day and hour branch anchors 子..亥,
// the month branch anchor counted from 寅 (寅..丑).
struct Targets {
    int32_t byAnchor[12][4];
};

// 贵人, by stem.
constexpr Targets kGuiRen = {{
    {未, 丑}, {申, 子}, {酉, 亥}, {亥, 酉}, {丑, 未},  // 甲 乙 丙 丁 戊
    {子, 申}, {未, 丑}, {寅, 午}, {卯, 巳}, {巳, 卯},  // 己 庚 辛 壬 癸
}};
// 太极, by stem.
constexpr Targets kTaiJi = {{
    {子, 午}, {子, 午},                  // 甲 乙
    {卯, 酉}, {卯, 酉},                  // 丙 丁
    {辰, 戌, 丑, 未}, {辰, 戌, 丑, 未},  // 戊 己
    {寅, 亥}, {寅, 亥},                  // 庚 辛
    {申, 巳}, {申, 巳},                  // 壬 癸
}};
// 福星, by stem.
constexpr Targets kFuXing = {{
    {寅, 子}, {卯, 丑}, {寅, 子}, {亥}, {申},  // 甲 乙 丙 丁 戊
    {未}, {午}, {巳}, {辰}, {卯, 丑},          // 己 庚 辛 壬 癸
}};
// 文昌, by stem.
constexpr Targets kWenChang = {{{巳}, {午}, {申}, {酉}, {申}, {酉}, {亥}, {子}, {寅}, {卯}}};
// 国印, by stem.
constexpr Targets kGuoYin = {{{戌}, {亥}, {丑}, {寅}, {丑}, {寅}, {辰}, {巳}, {未}, {申}}};
// 驿马, by branch 子..亥.
constexpr Targets kYiMa = {{{寅}, {亥}, {申}, {巳}, {寅}, {亥}, {申}, {巳}, {寅}, {亥}, {申}, {巳}}};
// 华盖, by branch.
constexpr Targets kHuaGai = {{{辰}, {丑}, {戌}, {未}, {辰}, {丑}, {戌}, {未}, {辰}, {丑}, {戌}, {未}}};
// 将星, by branch.
constexpr Targets kJiangXing = {{{子}, {酉}, {午}, {卯}, {子}, {酉}, {午}, {卯}, {子}, {酉}, {午}, {卯}}};
// 金舆, by day stem.
constexpr Targets kJinYu = {{{辰}, {巳}, {未}, {申}, {未}, {申}, {戌}, {亥}, {丑}, {寅}}};
// 禄神, by day stem.
constexpr Targets kLuShen = {{{寅}, {卯}, {巳}, {午}, {巳}, {午}, {申}, {酉}, {亥}, {子}}};
// 天德, by month 寅..丑.
constexpr Targets kTianDe = {{{丁}, {申}, {壬}, {辛}, {亥}, {甲}, {癸}, {寅}, {丙}, {乙}, {巳}, {庚}}};
// 月德, by month 寅..丑.
constexpr Targets kYueDe = {{{丙}, {甲}, {壬}, {庚}, {丙}, {甲}, {壬}, {庚}, {丙}, {甲}, {壬}, {庚}}};
// 天医, by month 寅..丑.
constexpr Targets kTianYi = {{{丑}, {寅}, {卯}, {辰}, {巳}, {午}, {未}, {申}, {酉}, {戌}, {亥}, {子}}};
// 红鸾, by year branch.
constexpr Targets kHongLuan = {{{卯}, {寅}, {丑}, {子}, {亥}, {戌}, {酉}, {申}, {未}, {午}, {巳}, {辰}}};
// 天喜, by year branch.
constexpr Targets kTianXi = {{{酉}, {申}, {未}, {午}, {巳}, {辰}, {卯}, {寅}, {丑}, {子}, {亥}, {戌}}};
// 地网, by branch: 辰 to 巳 and 巳 to 辰 only.
constexpr Targets kDiWang = {{{0}, {0}, {0}, {0}, {巳}, {辰}, {0}, {0}, {0}, {0}, {0}, {0}}};
// 天罗, by branch: 戌 to 亥 and 亥 to 戌 only.
constexpr Targets kTianLuo = {{{0}, {0}, {0}, {0}, {0}, {0}, {0}, {0}, {0}, {0}, {亥}, {戌}}};
// 亡神, by branch.
constexpr Targets kWangShen = {{{亥}, {申}, {巳}, {寅}, {亥}, {申}, {巳}, {寅}, {亥}, {申}, {巳}, {寅}}};
// 劫煞, by branch.
constexpr Targets kJieSha = {{{巳}, {寅}, {亥}, {申}, {巳}, {寅}, {亥}, {申}, {巳}, {寅}, {亥}, {申}}};
// 桃花, by branch.
constexpr Targets kTaoHua = {{{酉}, {午}, {卯}, {子}, {酉}, {午}, {卯}, {子}, {酉}, {午}, {卯}, {子}}};
// 羊刃, by day stem.
constexpr Targets kYangRen = {{{卯}, {寅}, {午}, {巳}, {午}, {巳}, {酉}, {申}, {子}, {亥}}};
// 灾煞, by year branch.
constexpr Targets kZaiSha = {{{午}, {卯}, {子}, {酉}, {午}, {卯}, {子}, {酉}, {午}, {卯}, {子}, {酉}}};
// The branch three forward (勾煞 of a forward chart, 绞煞 of a backward one).
constexpr Targets kThreeForward = {{{卯}, {辰}, {巳}, {午}, {未}, {申}, {酉}, {戌}, {亥}, {子}, {丑}, {寅}}};
// The branch three backward (绞煞 of a forward chart, 勾煞 of a backward one).
constexpr Targets kThreeBackward = {{{酉}, {戌}, {亥}, {子}, {丑}, {寅}, {卯}, {辰}, {巳}, {午}, {未}, {申}}};
// 孤辰, by year branch.
constexpr Targets kGuChen = {{{寅}, {寅}, {巳}, {巳}, {巳}, {申}, {申}, {申}, {亥}, {亥}, {亥}, {寅}}};
// 寡宿, by year branch.
constexpr Targets kGuaSu = {{{戌}, {戌}, {丑}, {丑}, {丑}, {辰}, {辰}, {辰}, {未}, {未}, {未}, {戌}}};
// 元辰 of a forward chart: one past the opposite branch.
constexpr Targets kYuanChenForward = {{{未}, {申}, {酉}, {戌}, {亥}, {子}, {丑}, {寅}, {卯}, {辰}, {巳}, {午}}};
// 元辰 of a backward chart: one before the opposite branch.
constexpr Targets kYuanChenBackward = {{{巳}, {午}, {未}, {申}, {酉}, {戌}, {亥}, {子}, {丑}, {寅}, {卯}, {辰}}};

// 学堂 and 词馆 pillars of each stem 甲..癸 (stem, branch).
constexpr int32_t kXueTang[10][2] = {
    {己, 亥}, {壬, 午}, {丙, 寅}, {丁, 酉}, {戊, 寅},  // 甲 乙 丙 丁 戊
    {己, 酉}, {辛, 巳}, {甲, 子}, {甲, 申}, {乙, 卯},  // 己 庚 辛 壬 癸
};
constexpr int32_t kCiGuan[10][2] = {
    {庚, 寅}, {辛, 卯}, {乙, 巳}, {戊, 午}, {丁, 巳},  // 甲 乙 丙 丁 戊
    {庚, 午}, {壬, 申}, {癸, 酉}, {癸, 亥}, {壬, 戌},  // 己 庚 辛 壬 癸
};

// 三奇: year-month-day or month-day-hour stems in one of these orders.
constexpr int32_t kSanQi[3][3] = {{甲, 戊, 庚}, {乙, 丙, 丁}, {壬, 癸, 辛}};
// 魁罡 day pillars.
constexpr int32_t kKuiGang[4][2] = {{壬, 辰}, {戊, 戌}, {庚, 辰}, {庚, 戌}};
// 天赦 day pillar of each season: spring, summer, autumn, winter.
constexpr int32_t kTianShe[4][2] = {{戊, 寅}, {甲, 午}, {戊, 申}, {甲, 子}};
// 金神 pillars, tested in this order.
constexpr int32_t kJinShen[3][2] = {{乙, 丑}, {己, 巳}, {癸, 酉}};
// 十恶大败 day pillars.
constexpr int32_t kShiEDaBai[10][2] = {
    {甲, 辰}, {乙, 巳}, {壬, 申}, {丙, 申}, {丁, 亥},
    {庚, 辰}, {戊, 戌}, {癸, 亥}, {辛, 巳}, {己, 丑},
};
// 孤鸾 pillars (day and hour pillar both among them).
constexpr int32_t kGuLuan[8][2] = {
    {乙, 巳}, {丁, 巳}, {辛, 亥}, {戊, 申}, {壬, 寅}, {戊, 午}, {壬, 子}, {丙, 午},
};
// 阴差阳错 day pillars.
constexpr int32_t kYinChaYangCuo[12][2] = {
    {丙, 子}, {丁, 丑}, {戊, 寅}, {辛, 卯}, {壬, 辰}, {癸, 巳},
    {丙, 午}, {丁, 未}, {戊, 申}, {辛, 酉}, {壬, 戌}, {癸, 亥},
};
// 四废: the element that is dead in each season (spring metal, summer water,
// autumn wood, winter fire).
constexpr int kSiFeiElement[4] = {4, 5, 1, 2};

// ---- Matching -------------------------------------------------------------

struct Anchor {
    int pillar;   // PillarPosition
    bool branch;  // the pillar's branch, else its stem
};
constexpr Anchor kYearStem{kYear, false}, kDayStem{kDay, false};
constexpr Anchor kYearBranch{kYear, true}, kMonthBranch{kMonth, true}, kDayBranch{kDay, true};

// Position of an anchor in its table row, or -1 when its code is not a stem
// or branch: stem ordinal - 1, branch ordinal - 1, the month counted from 寅.
int AnchorIndex(const TKvrBaZi &chart, Anchor anchor) {
    if (!anchor.branch) {
        const int stem = chart.stems[anchor.pillar];
        return IsStem(stem) ? stem - 1 : -1;
    }
    const int branch = chart.branches[anchor.pillar];
    if (!IsBranch(branch)) return -1;
    const int ordinal = branch - 10;
    return anchor.pillar == kMonth ? Wrap(ordinal - 2, 12) - 1 : ordinal - 1;
}

// A set of stem and branch codes as bits 1..22; other codes are in no set.
constexpr uint32_t CodeBit(int code) { return code >= 甲 && code <= 亥 ? uint32_t{1} << code : 0; }

// A target table as one code set per anchor, made at compile time; the
// last set, empty, answers an anchor whose code is not a stem or branch.
constexpr int kNoAnchor = 12;
struct TargetBits {
    uint32_t byAnchor[kNoAnchor + 1];
};
constexpr TargetBits BitsOf(const Targets &table) {
    TargetBits bits{};
    for (int i = 0; i < 12; ++i)
        for (const int32_t target : table.byAnchor[i]) bits.byAnchor[i] |= CodeBit(target);
    return bits;
}
template <const Targets &table>
constexpr TargetBits kBits = BitsOf(table);

// What the tabled rules look at, worked out once per chart: the codes of each
// pillar as a set, and each anchor's position in the table rows.
struct Scene {
    uint32_t pillarCodes[kPillars];
    int yearStem, dayStem, yearBranch, monthBranch, dayBranch;
    int place[kPillars];  // SexagenaryIndex of each pillar, 0 when not a pillar

    explicit Scene(const TKvrBaZi &chart)
        : yearStem(Position(chart, kYearStem)),
          dayStem(Position(chart, kDayStem)),
          yearBranch(Position(chart, kYearBranch)),
          monthBranch(Position(chart, kMonthBranch)),
          dayBranch(Position(chart, kDayBranch)) {
        for (int p = 0; p < kPillars; ++p) {
            pillarCodes[p] = CodeBit(chart.stems[p]) | CodeBit(chart.branches[p]);
            place[p] = PlaceOf(chart.stems[p], chart.branches[p]);
        }
    }
    // 0 also for a stem and branch of opposite yin and yang, which no pillar
    // of the cycle has.
    static int PlaceOf(int stem, int branch) {
        const int c = SexagenaryIndex(stem, branch);
        return c != 0 && (stem - branch) % 2 == 0 ? c : 0;
    }
    static int Position(const TKvrBaZi &chart, Anchor anchor) {
        const int index = AnchorIndex(chart, anchor);
        return index < 0 ? kNoAnchor : index;
    }
    int IndexOf(Anchor anchor) const {
        if (!anchor.branch) return anchor.pillar == kYear ? yearStem : dayStem;
        return anchor.pillar == kYear ? yearBranch : anchor.pillar == kMonth ? monthBranch : dayBranch;
    }
};

bool PillarIs(const TKvrBaZi &chart, int pillar, const int32_t (&stemBranch)[2]) {
    return chart.stems[pillar] == stemBranch[0] && chart.branches[pillar] == stemBranch[1];
}

// A list of pillars as a set of places in the cycle, bit c for place c.
struct PillarSet {
    uint64_t places;
};
template <int N>
constexpr PillarSet SetOf(const int32_t (&list)[N][2]) {
    PillarSet set{};
    for (const auto &entry : list) set.places |= uint64_t{1} << SexagenaryIndex(entry[0], entry[1]);
    return set;
}
template <const auto &list>
constexpr PillarSet kSetOf = SetOf(list);

// Whether the pillar is one of the list (place 0, no pillar, is in no list).
template <const auto &list>
bool PillarAmong(const Scene &scene, int pillar) {
    return ((kSetOf<list>.places >> scene.place[pillar]) & 1) != 0;
}

// Season of the month branch: 0 spring (寅卯辰), 1 summer, 2 autumn, 3 winter
// (亥子丑); -1 without a month branch.
int Season(const TKvrBaZi &chart) {
    const int branch = chart.branches[kMonth];
    if (!IsBranch(branch)) return -1;
    return (Wrap(branch - 10 - 2, 12) - 1) / 3;
}

// The spirit-star lists of the four pillars while the rules fill them, from
// empty: with each list its length and the set of codes in it, so that adding
// needs no walk down the list.
struct SpiritLists {
    TKvrBaZi &chart;
    uint64_t present[kPillars] = {};  // bit c: code c is in the pillar's list
    int length[kPillars] = {};

    explicit SpiritLists(TKvrBaZi &target) : chart(target) {}
};
constexpr int kSpiritRows = 10;
static_assert(spirit::kCount <= 64);

// Adds `code` to the pillar's list unless it is there already; a full list
// drops it.
void AddSpiritStar(SpiritLists &lists, int pillar, int32_t code) {
    const uint64_t bit = uint64_t{1} << code;
    if ((lists.present[pillar] & bit) != 0 || lists.length[pillar] == kSpiritRows) return;
    lists.present[pillar] |= bit;
    lists.chart.spiritStars[lists.length[pillar]++][pillar] = code;
}

// Marks every pillar whose stem or branch is a target of one of the anchors
// (not the anchor's own pillar with excludeOwn), then gives each marked pillar
// the code once. Marks are kept as bits, pillar p at bit p.
// The anchors are template arguments, so that each rule's look-ups reduce
// to loads of known fields. Adding is done without a branch per pillar: which
// pillars a rule marks changes from chart to chart and cannot be foreseen.
template <Anchor... anchors>
void MarkByTable(SpiritLists &lists, const Scene &scene, const TargetBits &table, bool excludeOwn,
                 int32_t code) {
    unsigned marked = 0;
    for (const Anchor anchor : {anchors...}) {
        const uint32_t targets = table.byAnchor[scene.IndexOf(anchor)];
        const uint32_t *codes = scene.pillarCodes;
        unsigned hits = unsigned((codes[kYear] & targets) != 0) | unsigned((codes[kMonth] & targets) != 0) << 1 |
                        unsigned((codes[kDay] & targets) != 0) << 2 | unsigned((codes[kHour] & targets) != 0) << 3;
        if (excludeOwn) hits &= ~(1u << anchor.pillar);
        marked |= hits;
    }
    const uint64_t bit = uint64_t{1} << code;
    for (int p = 0; p < kPillars; ++p) {
        const int length = lists.length[p];
        const bool add = (marked >> p & 1) != 0 && (lists.present[p] & bit) == 0 && length < kSpiritRows;
        int32_t &cell = lists.chart.spiritStars[add ? length : 0][p];
        cell = add ? code : cell;
        lists.length[p] = length + add;
        lists.present[p] |= add ? bit : 0;
    }
}

// ---- Special rules --------------------------------------------------------

void MarkSanQi(const TKvrBaZi &chart, SpiritLists &lists) {
    for (const auto &run : kSanQi) {
        if (chart.stems[kYear] == run[0] && chart.stems[kMonth] == run[1] && chart.stems[kDay] == run[2])
            AddSpiritStar(lists, kYear, spirit::kSanQi);
        if (chart.stems[kMonth] == run[0] && chart.stems[kDay] == run[1] && chart.stems[kHour] == run[2])
            AddSpiritStar(lists, kMonth, spirit::kSanQi);
    }
}

void MarkTianShe(const TKvrBaZi &chart, SpiritLists &lists) {
    const int season = Season(chart);
    if (season >= 0 && PillarIs(chart, kDay, kTianShe[season])) AddSpiritStar(lists, kDay, spirit::kTianShe);
}

void MarkJinShen(const TKvrBaZi &chart, SpiritLists &lists) {
    for (const auto &pillar : kJinShen) {
        if (PillarIs(chart, kDay, pillar)) AddSpiritStar(lists, kDay, spirit::kJinShen);
        if (PillarIs(chart, kHour, pillar)) AddSpiritStar(lists, kHour, spirit::kJinShen);
    }
}

// For the year stem, then the day stem: each pillar that is its 学堂 or 词馆.
void MarkXueTangCiGuan(const TKvrBaZi &chart, SpiritLists &lists) {
    for (const int anchor : {kYear, kDay}) {
        const int stem = chart.stems[anchor];
        if (!IsStem(stem)) continue;
        for (int p = 0; p < kPillars; ++p) {
            if (PillarIs(chart, p, kXueTang[stem - 1])) AddSpiritStar(lists, p, spirit::kXueTang);
            if (PillarIs(chart, p, kCiGuan[stem - 1])) AddSpiritStar(lists, p, spirit::kCiGuan);
        }
    }
}

// The two void branches of the day pillar's decade of the cycle.
void MarkKongWang(const TKvrBaZi &chart, SpiritLists &lists) {
    const int index = SexagenaryIndex(chart.stems[kDay], chart.branches[kDay]);
    if (index == 0) return;
    const int decade = (index - 1) / 10;
    const int first = Wrap(11 - 2 * decade, 12);
    const int32_t voidBranches[2] = {first + 10, Wrap(first + 1, 12) + 10};
    for (int p = 0; p < kPillars; ++p)
        if (chart.branches[p] == voidBranches[0] || chart.branches[p] == voidBranches[1])
            AddSpiritStar(lists, p, spirit::kKongWang);
}

void MarkSiFei(const TKvrBaZi &chart, SpiritLists &lists) {
    const int season = Season(chart);
    if (season < 0) return;
    const int dead = kSiFeiElement[season];
    if (ElementOf(chart.stems[kDay]) == dead && ElementOf(chart.branches[kDay]) == dead)
        AddSpiritStar(lists, kDay, spirit::kSiFei);
}

// MarkByTable on one chart's lists and scene.
struct TableRules {
    SpiritLists &lists;
    const Scene &scene;
    template <Anchor... anchors>
    void Mark(const TargetBits &table, bool excludeOwn, int32_t code) const {
        MarkByTable<anchors...>(lists, scene, table, excludeOwn, code);
    }
};

// Every rule in its order; that order is the order of each pillar's list.
void MarkSpiritStars(TKvrBaZi &chart) {
    const bool forward = chart.direction != 0;
    const Scene scene(chart);
    SpiritLists lists(chart);
    const TableRules byTable{lists, scene};
    const auto onDay = [&](bool found, int32_t code) {
        if (found) AddSpiritStar(lists, kDay, code);
    };
    constexpr bool kOwnToo = false, kNotOwn = true;

    byTable.Mark<kYearStem, kDayStem>(kBits<kGuiRen>, kOwnToo, spirit::kGuiRen);            // 1
    byTable.Mark<kYearStem, kDayStem>(kBits<kTaiJi>, kOwnToo, spirit::kTaiJi);              // 2
    byTable.Mark<kYearStem, kDayStem>(kBits<kFuXing>, kOwnToo, spirit::kFuXing);            // 3
    byTable.Mark<kYearStem, kDayStem>(kBits<kWenChang>, kOwnToo, spirit::kWenChang);        // 4
    byTable.Mark<kYearStem, kDayStem>(kBits<kGuoYin>, kOwnToo, spirit::kGuoYin);            // 5
    byTable.Mark<kYearBranch, kDayBranch>(kBits<kYiMa>, kOwnToo, spirit::kYiMa);            // 6
    byTable.Mark<kYearBranch, kDayBranch>(kBits<kHuaGai>, kNotOwn, spirit::kHuaGai);        // 7
    byTable.Mark<kYearBranch, kDayBranch>(kBits<kJiangXing>, kNotOwn, spirit::kJiangXing);  // 8
    byTable.Mark<kDayStem>(kBits<kJinYu>, kOwnToo, spirit::kJinYu);                         // 9
    byTable.Mark<kDayStem>(kBits<kLuShen>, kOwnToo, spirit::kLuShen);                       // 10
    byTable.Mark<kMonthBranch>(kBits<kTianDe>, kOwnToo, spirit::kTianDe);                   // 11
    byTable.Mark<kMonthBranch>(kBits<kYueDe>, kOwnToo, spirit::kYueDe);                     // 12
    byTable.Mark<kMonthBranch>(kBits<kTianYi>, kOwnToo, spirit::kTianYi);                   // 13
    MarkSanQi(chart, lists);                                                                // 14
    onDay(PillarAmong<kKuiGang>(scene, kDay), spirit::kKuiGang);                            // 15
    MarkTianShe(chart, lists);                                                              // 16
    MarkJinShen(chart, lists);                                                              // 17
    MarkXueTangCiGuan(chart, lists);                                                        // 18
    byTable.Mark<kYearBranch>(kBits<kHongLuan>, kNotOwn, spirit::kHongLuan);                // 19
    byTable.Mark<kYearBranch>(kBits<kTianXi>, kNotOwn, spirit::kTianXi);                    // 20
    byTable.Mark<kYearBranch, kDayBranch>(kBits<kDiWang>, kNotOwn, spirit::kDiWang);        // 21
    byTable.Mark<kYearBranch, kDayBranch>(kBits<kTianLuo>, kNotOwn, spirit::kTianLuo);      // 22
    byTable.Mark<kYearBranch, kDayBranch>(kBits<kWangShen>, kNotOwn, spirit::kWangShen);    // 23
    byTable.Mark<kYearBranch, kDayBranch>(kBits<kJieSha>, kNotOwn, spirit::kJieSha);        // 24
    byTable.Mark<kYearBranch, kDayBranch>(kBits<kTaoHua>, kNotOwn, spirit::kTaoHua);        // 25
    byTable.Mark<kDayStem>(kBits<kYangRen>, kOwnToo, spirit::kYangRen);                     // 26
    byTable.Mark<kYearBranch>(kBits<kZaiSha>, kNotOwn, spirit::kZaiSha);                    // 27
    const int32_t gouSha = spirit::kGouSha, jiaoSha = spirit::kJiaoSha;                     // 28
    byTable.Mark<kYearBranch>(kBits<kThreeForward>, kNotOwn, forward ? gouSha : jiaoSha);
    byTable.Mark<kYearBranch>(kBits<kThreeBackward>, kNotOwn, forward ? jiaoSha : gouSha);
    byTable.Mark<kYearBranch>(kBits<kGuChen>, kNotOwn, spirit::kGuChen);                    // 29
    byTable.Mark<kYearBranch>(kBits<kGuaSu>, kNotOwn, spirit::kGuaSu);                      // 30
    byTable.Mark<kYearBranch>(forward ? kBits<kYuanChenForward> : kBits<kYuanChenBackward>, // 31
            kNotOwn, spirit::kYuanChen);
    MarkKongWang(chart, lists);                                                             // 32
    onDay(PillarAmong<kShiEDaBai>(scene, kDay), spirit::kShiEDaBai);                        // 33
    onDay(PillarAmong<kGuLuan>(scene, kDay) && PillarAmong<kGuLuan>(scene, kHour),          // 34
          spirit::kGuLuan);
    onDay(PillarAmong<kYinChaYangCuo>(scene, kDay), spirit::kYinChaYangCuo);                // 35
    MarkSiFei(chart, lists);                                                                // 36
}

// ---- Instants in whole units ------------------------------------------------

// Births and term instants are taken to the nearest second, the birth as the
// calendar takes it for the pillars; a day count far outside the calendar's
// years is refused before any conversion.
constexpr double kMaxDayCount = 1e7;

bool ToSeconds(double instant, int64_t *seconds) {
    if (!(std::fabs(instant) < kMaxDayCount)) return false;  // also NaN
    *seconds = std::llround(instant * 86400.0);
    return true;
}

constexpr int kFirstTableYear = 1900, kLastTableYear = 2099;  // years of the solar-term table

}  // namespace

namespace bazi {

int ElementOf(int code) {
    if (IsStem(code)) return (code + 1) / 2;
    if (IsBranch(code)) return kBranchElement[code - 子];
    return 0;
}

int TenGodOf(int dayStem, int stem) {
    if (!IsStem(dayStem) || !IsStem(stem)) return tengod::kNone;
    return kTenGods[dayStem - 1][stem - 1];
}

bool MinorTermsAround(double birth, TermSource terms, double *previous, double *next) {
    *previous = 0;
    *next = 0;
    int64_t birthSeconds = 0;
    if (terms == nullptr || !ToSeconds(birth, &birthSeconds)) return false;
    const int64_t dayNumber = birthSeconds >= 0 ? birthSeconds / 86400 : -((-birthSeconds + 86399) / 86400);
    const CivilDate date = CivilFromDayCount(static_cast<int>(dayNumber));
    const int y = date.year, m = date.month;
    if (y < kFirstTableYear || y > kLastTableYear) return false;

    const double opening = terms(y, 2 * (m - 1));
    int64_t openingSeconds = 0;
    if (!ToSeconds(opening, &openingSeconds)) return false;
    if (birthSeconds > openingSeconds) {
        const int nextYear = m == 12 ? y + 1 : y;
        if (nextYear > kLastTableYear) return false;
        *previous = opening;
        *next = terms(nextYear, m == 12 ? 0 : 2 * m);
    } else {
        const int previousYear = m == 1 ? y - 1 : y;
        if (previousYear < kFirstTableYear) return false;
        *previous = terms(previousYear, m == 1 ? 22 : 2 * (m - 2));
        *next = opening;
    }
    return true;
}

LuckStart LuckStartBetween(double birth, double previousTerm, double nextTerm, bool forward) {
    int64_t birthSeconds = 0, termSeconds = 0;
    if (!ToSeconds(birth, &birthSeconds) || !ToSeconds(forward ? nextTerm : previousTerm, &termSeconds))
        return {};
    int64_t distance = forward ? termSeconds - birthSeconds : birthSeconds - termSeconds;
    if (distance < 0) distance = 0;  // terms that do not enclose the birth
    // One day of distance is 120 days of life: offset = distance / 720 s.
    constexpr int64_t kSecondsPerLifeDay = 86400 / 120;
    LuckStart start;
    start.offset = static_cast<double>(distance) / kSecondsPerLifeDay;
    start.startAge = static_cast<int32_t>(distance / (kSecondsPerLifeDay * 360));
    return start;
}

}  // namespace bazi

// The base constructor has just computed the calendar of its birth.
TKvrBaZi::TKvrBaZi() { ComputeFromPillars(SolarTerm); }

TKvrBaZi::TKvrBaZi(const TKvrBase &calendar, uint8_t male) : TKvrBase(calendar), sex(male) {
    ComputeFromPillars(SolarTerm);
}

void TKvrBaZi::Compute() {
    ComputeCalendar();
    ComputeFromPillars(SolarTerm);
}

void TKvrBaZi::ComputeFromPillars(TermSource terms) {
    const int32_t *pillars[kPillars] = {yearPillar, monthPillar, dayPillar, hourPillar};
    for (int p = 0; p < kPillars; ++p) {
        stems[p] = pillars[p][0];
        branches[p] = pillars[p][1];
    }

    // Hidden stems and the ten gods against the day stem.
    const int dayStem = stems[kDay];
    for (int p = 0; p < kPillars; ++p) {
        const int branch = branches[p];
        for (int rank = 0; rank < 3; ++rank) {
            hiddenStems[rank][p] = IsBranch(branch) ? kHiddenStems[branch - 子][rank] : 0;
            tenGods[1 + rank][p] = TenGodOf(dayStem, hiddenStems[rank][p]);
        }
        tenGods[0][p] = p == kDay ? tengod::kNone : TenGodOf(dayStem, stems[p]);
    }

    // Forward for a male with a yang year stem or a female with a yin one; the
    // year here is the one that changes at 立春.
    const bool yangYear = IsStem(stems[kYear]) && stems[kYear] % 2 == 1;
    direction = (sex != 0) == yangYear ? 1 : 0;

    double previous = 0, next = 0;
    const LuckStart start = MinorTermsAround(birth, terms, &previous, &next)
                                ? LuckStartBetween(birth, previous, next, direction != 0)
                                : LuckStart{};
    luckOffset = start.offset;
    startAge = start.startAge;

    for (auto &row : spiritStars)
        for (auto &cell : row) cell = 0;
    MarkSpiritStars(*this);
}

Pillar TKvrBaZi::LuckPillar(int i) const {
    const int n = SexagenaryIndex(stems[kMonth], branches[kMonth]);
    if (n == 0) return {};
    const int step = i % 60;
    return PillarOfIndex(direction != 0 ? n + 1 + step : n - 1 - step);
}

}  // namespace star
