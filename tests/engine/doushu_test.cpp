// The natal chart TKvrDouShu: palaces, bureau, main stars, every other star,
// the transformations, the cycles, brightness and the masters.
//
// Most tests set the lunar values of the calendar record directly and run
// CastFromCalendar; the expected palaces are worked out by hand from the
// school's rules (counting from the named palaces, the tables by stem, month
// and branch). The births tests run the whole Cast from real instants.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CivilDate.h"
#include "Common.h"
#include "DouShu.h"
#include "ItemCodes.h"

namespace star {
namespace {

using namespace branch;
using namespace code;

constexpr int Jia = 1, Yi = 2, Bing = 3, Ding = 4, WuStem = 5, Ji = 6, Geng = 7, Xin = 8,
              Ren = 9, Gui = 10;

struct LunarBirth {
    int stem;    // lunar year stem 1..10
    int branch;  // lunar year branch 1..12
    int month;   // placement month 1..12
    int day;     // lunar day 1..30
    int hour;    // hour branch 1..12
    bool male;
};

void SetLunar(TKvrDouShu &chart, const LunarBirth &b) {
    chart.yearStem = b.stem;
    chart.yearBranch = b.branch;
    chart.yearStemCode = b.stem;
    chart.yearBranchCode = b.branch + 10;
    chart.yearCycle = 0;
    for (int c = 1; c <= 60; ++c)
        if (Wrap(c, 10) == b.stem && Wrap(c, 12) == b.branch) chart.yearCycle = c;
    chart.placementMonth = b.month;
    chart.lunarDay = b.day;
    chart.hour = b.hour;
    chart.SetSex(b.male ? 1 : 0);
}

std::unique_ptr<TKvrDouShu> CastLunar(const LunarBirth &b) {
    auto chart = std::make_unique<TKvrDouShu>();
    SetLunar(*chart, b);
    chart->CastFromCalendar();
    return chart;
}

int PalaceOf(const TKvrDouShu &chart, int item) { return chart.FindItem(item).palace; }

// Entries of slots 2..22 of a palace, in row order.
std::vector<int> StarsOf(const TKvrDouShu &chart, int palace) {
    std::vector<int> out;
    for (int s = TKvrDouShu::kFirstStarSlot; s <= TKvrDouShu::kLastStarSlot; ++s)
        if (chart.palaces[palace][s] != None) out.push_back(chart.palaces[palace][s]);
    return out;
}

std::vector<int> Prefix(std::vector<int> v, size_t n) {
    if (v.size() > n) v.resize(n);
    return v;
}

// ---- Structural checks shared by the sweeps ----------------------------------

// Element of the nayin of each pair of the sixty-year cycle (甲子乙丑 海中金,
// 丙寅丁卯 炉中火, ...), as its bureau: 水 2, 木 3, 金 4, 土 5, 火 6.
constexpr char kNayinElements[] = "金火木土金火水土金木水土火木水金火木土金火水土金木水土火木水";

int NayinBureau(int stem, int branchOrdinal) {
    int place = 0;
    for (int c = 1; c <= 60; ++c)
        if (Wrap(c, 10) == stem && Wrap(c, 12) == branchOrdinal) place = c;
    if (place == 0) return 0;
    const std::string element(kNayinElements + 3 * ((place - 1) / 2), 3);  // one UTF-8 character
    if (element == "水") return 2;
    if (element == "木") return 3;
    if (element == "金") return 4;
    if (element == "土") return 5;
    if (element == "火") return 6;
    return 0;
}

// Empty when the chart is sound, else what is wrong.
std::string StructureFault(const TKvrDouShu &c) {
    constexpr int kSlots = TKvrDouShu::kSlots;
    for (int s = 0; s < kSlots; ++s)
        if (c.palaces[0][s] != 0 || c.attributes[0][s] != 0) return "row 0 used";

    int count[code::Count] = {};
    for (int p = 1; p <= 12; ++p)
        for (int s = 0; s < kSlots; ++s) {
            const int v = c.palaces[p][s];
            if (v < 0 || v >= code::Count) return "code out of range";
            ++count[v];
        }

    // One name and one stem per palace, the stem of the palace's own yin or yang.
    bool nameSeen[12] = {};
    for (int p = 1; p <= 12; ++p) {
        const int name = c.palaces[p][TKvrDouShu::kNameSlot];
        const int stem = c.palaces[p][TKvrDouShu::kStemSlot];
        if (name < PalaceMing || name > PalaceFuMu || nameSeen[name - PalaceMing]) return "palace names";
        nameSeen[name - PalaceMing] = true;
        if (stem < 1 || stem > 10 || (stem & 1) != (p & 1)) return "palace stem";
    }
    for (int n = PalaceMing; n <= PalaceFuMu; ++n)
        if (count[n] != 1) return "palace name twice";
    if (c.palaces[c.lifePalace][TKvrDouShu::kNameSlot] != PalaceMing) return "命宫 not in the life palace";

    // Every star, the body marker and each transformation exactly once.
    for (int v = ZiWei; v <= YueDe; ++v)
        if (count[v] != 1) return "star " + std::to_string(v) + " stands " + std::to_string(count[v]) + " times";
    if (count[Body] != 1) return "body marker";

    // Nothing but stars in slots 2..22, and nothing dropped: slot 22 stays free.
    int entries = 0;
    for (int p = 1; p <= 12; ++p) {
        if (c.palaces[p][TKvrDouShu::kLastStarSlot] != None) return "row reaches slot 22";
        bool bodySeen = false;
        for (int s = TKvrDouShu::kFirstStarSlot; s <= TKvrDouShu::kLastStarSlot; ++s) {
            const int v = c.palaces[p][s];
            if (v == None) continue;
            ++entries;
            if (v < Body || v > YueDe) return "non-star in a star slot";
            if (v == Body) bodySeen = true;
            if (IsTransformation(v)) {
                const int before = c.palaces[p][s - 1];
                if (before < ZiWei || before > YouBi) return "transformation not behind a star";
                if (bodySeen) return "transformation after the body marker";
            }
        }
    }
    if (entries != 14 + 14 + 4 + 37 + 1) return "entry count " + std::to_string(entries);

    // The four cycles fill all twelve palaces once each.
    const int firsts[4] = {FirstBoShiCycle, FirstJiangQianCycle, FirstSuiQianCycle, FirstStage};
    for (int k = 0; k < 4; ++k) {
        bool seen[12] = {};
        for (int p = 1; p <= 12; ++p) {
            const int v = c.palaces[p][TKvrDouShu::kBoShiSlot + k] - firsts[k];
            if (v < 0 || v >= 12 || seen[v]) return "cycle " + std::to_string(k);
            seen[v] = true;
        }
    }

    // 天府 mirrors 紫微 across the 寅-申 axis; 擎羊 and 陀罗 flank 禄存.
    const int ziWei = PalaceOf(c, ZiWei);
    if (PalaceOf(c, TianFu) != Wrap(6 - ziWei, 12)) return "天府 not mirrored";
    const int luCun = PalaceOf(c, LuCun);
    if (PalaceOf(c, QingYang) != Wrap(luCun + 1, 12) || PalaceOf(c, TuoLuo) != Wrap(luCun - 1, 12))
        return "擎羊/陀罗 not beside 禄存";

    // Brightness exactly on stars 36..63, and never the 'cannot stand here'
    // blank of the table, since each star sits only where the rules allow.
    for (int p = 1; p <= 12; ++p)
        for (int s = 0; s < kSlots; ++s) {
            const int v = c.palaces[p][s];
            const bool bright = s >= 2 && v >= FirstBrightStar && v <= LastBrightStar;
            const int a = c.attributes[p][s];
            if (bright ? (a < 1 || a > 7) : a != 0) return "brightness at palace " + std::to_string(p);
        }

    if (c.bureau != NayinBureau(c.palaces[c.lifePalace][TKvrDouShu::kStemSlot], c.lifePalace))
        return "bureau differs from the nayin of the life palace";
    if (c.DecadeStartAge(c.lifePalace) != c.bureau) return "life decade";
    bool ageSeen[12] = {};
    for (int p = 1; p <= 12; ++p) {
        const int k = (c.DecadeStartAge(p) - c.bureau) / 10;
        if ((c.DecadeStartAge(p) - c.bureau) % 10 != 0 || k < 0 || k > 11 || ageSeen[k]) return "decades";
        ageSeen[k] = true;
    }
    if (c.douJun < BranchZi || c.douJun > BranchHai) return "Dou Jun";
    if (DisplayClass(c.lifeMaster) == display::Other || DisplayClass(c.bodyMaster) == display::Other)
        return "masters";
    return "";
}

// ---- Palaces, stems, bureau --------------------------------------------------

struct LifeBodyCase {
    int month, hour, life, body;
};

TEST(DouShuPalaces, LifeAndBodyPalaceFromMonthAndHour) {
    const LifeBodyCase cases[] = {
        {1, Zi, Yin, Yin},     // both in 寅
        {1, Chou, Chou, Mao},
        {3, Chen, Zi, Shen},
        {6, Wu, Chou, Chou},   // 午 hour: life and body together again
        {12, Hai, Yin, Zi},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE("month " + std::to_string(t.month) + " hour " + std::to_string(t.hour));
        const auto c = CastLunar({Jia, Zi, t.month, 1, t.hour, true});
        EXPECT_EQ(c->lifePalace, t.life);
        EXPECT_EQ(c->palaces[t.life][0], PalaceMing);
        EXPECT_EQ(PalaceOf(*c, Body), t.body);
    }
}

TEST(DouShuPalaces, NamesRunBackwardFromTheLifePalace) {
    const auto c = CastLunar({Jia, Zi, 1, 1, Zi, true});  // life palace 寅
    const int expected[13] = {0,       PalaceFuQi,    PalaceXiongDi, PalaceMing,
                              PalaceFuMu, PalaceFuDe, PalaceTianZhai, PalaceGuanLu,
                              PalaceNuPu, PalaceQianYi, PalaceJiE,   PalaceCaiBo, PalaceZiNu};
    for (int p = 1; p <= 12; ++p) EXPECT_EQ(c->palaces[p][0], expected[p]) << "palace " << p;
}

struct StemCase {
    int yearStem, yin, zi, chou, hai;  // stems of the 寅, 子, 丑, 亥 palaces
};

TEST(DouShuPalaces, StemsFollowTheFiveTigerRule) {
    const StemCase cases[] = {
        {Jia, Bing, Bing, Ding, Yi},      {Ji, Bing, Bing, Ding, Yi},
        {Yi, WuStem, WuStem, Ji, Ding},   {Geng, WuStem, WuStem, Ji, Ding},
        {Bing, Geng, Geng, Xin, Ji},      {Xin, Geng, Geng, Xin, Ji},
        {Ding, Ren, Ren, Gui, Xin},       {Ren, Ren, Ren, Gui, Xin},
        {WuStem, Jia, Jia, Yi, Gui},      {Gui, Jia, Jia, Yi, Gui},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE("year stem " + std::to_string(t.yearStem));
        const auto c = CastLunar({t.yearStem, t.yearStem, 1, 1, Zi, true});
        EXPECT_EQ(c->palaces[Yin][1], t.yin);
        EXPECT_EQ(c->palaces[Zi][1], t.zi);
        EXPECT_EQ(c->palaces[Chou][1], t.chou);
        EXPECT_EQ(c->palaces[Hai][1], t.hai);
        for (int p = Mao; p <= Hai; ++p) EXPECT_EQ(c->palaces[p][1], Wrap(t.yin + p - Yin, 10));
    }
}

TEST(DouShuBureau, JiaZiYiChouIsMetalFour) {
    // A 戊 year puts 甲 on the 子 palace; month 11, hour 子 makes 子 the life
    // palace: 甲子 with 乙丑, 9 + 9 + 8 + 8 = 34, metal, 金四局.
    const auto c = CastLunar({WuStem, Zi, 11, 1, Zi, true});
    ASSERT_EQ(c->lifePalace, Zi);
    ASSERT_EQ(c->palaces[Zi][1], Jia);
    EXPECT_EQ(c->bureau, 4);
}

TEST(DouShuBureau, FollowsTheNayinOfTheLifePalaceForEveryPillar) {
    for (int stem = 1; stem <= 10; ++stem) {
        for (int life = 1; life <= 12; ++life) {
            const int month = Wrap(life - 2, 12);  // with hour 子 the life palace is month + 2
            const auto c = CastLunar({stem, Wrap(stem, 12), month, 1, Zi, true});
            ASSERT_EQ(c->lifePalace, life);
            // 寅 takes the five-tiger stem, each palace after it the next stem.
            const int stepsFromYin = Wrap(life - Yin + 1, 12) - 1;
            const int palaceStem = Wrap(Wrap(2 * stem + 1, 10) + stepsFromYin, 10);
            EXPECT_EQ(c->bureau, NayinBureau(palaceStem, life)) << "stem " << stem << " life " << life;
        }
    }
}

// ---- 紫微 and 天府 -----------------------------------------------------------

// Charts of a 甲子 year at hour 子 whose month puts the life palace on a pillar
// of the wanted element: 寅 丙寅 火, 辰 戊辰 木, 午 庚午 土, 申 壬申 金, 子 丙子 水.
LunarBirth WithBureau(int bureau, int day, int stem = Jia, bool male = true) {
    const int month = bureau == 6 ? 1 : bureau == 3 ? 3 : bureau == 5 ? 5 : bureau == 4 ? 7 : 11;
    return {stem, Zi, month, day, Zi, male};
}

struct ZiWeiCase {
    int bureau, day, palace;
};

TEST(DouShuMainStars, ZiWeiByDayAndBureau) {
    const ZiWeiCase cases[] = {
        {6, 1, You}, {6, 2, Wu}, {6, 3, Hai}, {6, 4, Chen}, {6, 5, Chou}, {6, 6, Yin},
        {2, 1, Chou}, {2, 2, Yin}, {2, 3, Yin}, {2, 4, Mao}, {2, 14, Shen}, {2, 30, Chen},
        {3, 1, Chen}, {3, 2, Chou}, {3, 3, Yin},
        {4, 1, Hai}, {4, 2, Chen}, {4, 4, Yin},
        {5, 1, Wu}, {5, 5, Yin},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE("bureau " + std::to_string(t.bureau) + " day " + std::to_string(t.day));
        const auto c = CastLunar(WithBureau(t.bureau, t.day));
        ASSERT_EQ(c->bureau, t.bureau);
        EXPECT_EQ(PalaceOf(*c, ZiWei), t.palace);
    }
}

TEST(DouShuMainStars, ZiWeiInYinLaysOutBothGroups) {
    const auto c = CastLunar(WithBureau(6, 6));
    const struct { int star, palace; } expected[] = {
        {ZiWei, Yin}, {TianJi, Chou}, {TaiYang, Hai}, {WuQu, Xu}, {TianTong, You}, {LianZhen, Wu},
        {TianFu, Yin}, {TaiYin, Mao}, {TanLang, Chen}, {JuMen, Si}, {TianXiang, Wu},
        {TianLiang, Wei}, {QiSha, Shen}, {PoJun, Zi},
    };
    for (const auto &e : expected) EXPECT_EQ(PalaceOf(*c, e.star), e.palace) << "star " << e.star;
}

TEST(DouShuMainStars, ZiWeiAndTianFuShareYinOrShen) {
    for (const auto &b : {WithBureau(6, 6), WithBureau(2, 14)}) {
        const auto c = CastLunar(b);
        const int p = PalaceOf(*c, ZiWei);
        ASSERT_TRUE(p == Yin || p == Shen);
        EXPECT_EQ(PalaceOf(*c, TianFu), p);
        const auto stars = StarsOf(*c, p);
        ASSERT_GE(stars.size(), 2u);
        EXPECT_EQ(stars[0], ZiWei);
        EXPECT_EQ(stars[1], TianFu);
    }
}

TEST(DouShuMainStars, TianFuMirrorsZiWei) {
    const struct { int bureau, day, ziWei, tianFu; } cases[] = {
        {6, 5, Chou, Mao}, {2, 4, Mao, Chou}, {6, 3, Hai, Si}, {6, 2, Wu, Xu}, {6, 1, You, Wei},
        {6, 4, Chen, Zi},
    };
    for (const auto &t : cases) {
        const auto c = CastLunar(WithBureau(t.bureau, t.day));
        ASSERT_EQ(PalaceOf(*c, ZiWei), t.ziWei);
        EXPECT_EQ(PalaceOf(*c, TianFu), t.tianFu);
    }
}

// ---- Direction and decades -----------------------------------------------------

TEST(DouShuDecades, DirectionBySexAndYearStem) {
    const struct { int stem; bool male; bool forward; } cases[] = {
        {Jia, true, true}, {Yi, false, true}, {Jia, false, false}, {Yi, true, false},
        {Ren, true, true}, {Gui, false, true},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE("stem " + std::to_string(t.stem) + (t.male ? " male" : " female"));
        const auto c = CastLunar(WithBureau(6, 1, t.stem, t.male));
        EXPECT_EQ(c->direction, t.forward ? 1 : 0);
        const int life = c->lifePalace;
        const int ahead = Wrap(life + (t.forward ? 1 : -1), 12);
        const int behind = Wrap(life - (t.forward ? 1 : -1), 12);
        EXPECT_EQ(c->DecadeStartAge(life), c->bureau);
        EXPECT_EQ(c->DecadeStartAge(ahead), c->bureau + 10);
        EXPECT_EQ(c->DecadeStartAge(behind), c->bureau + 110);
    }
}

TEST(DouShuDecades, SetSexRecomputesTheDirection) {
    TKvrDouShu c;
    SetLunar(c, {Jia, Zi, 1, 1, Zi, true});
    EXPECT_EQ(c.direction, 1);
    c.SetSex(0);
    EXPECT_EQ(c.sex, 0);
    EXPECT_EQ(c.direction, 0);
    c.SetSex(2);  // any nonzero byte is a man
    EXPECT_EQ(c.direction, 1);
}

// ---- Dou Jun and masters ---------------------------------------------------------

TEST(DouShuChart, DouJunCountsBackToTheMonthThenOnToTheHour) {
    const struct { int month, hour, branch; } cases[] = {
        {1, Zi, Zi}, {3, Yin, Zi}, {2, Mao, Yin}, {12, Zi, Chou}, {7, Hai, Si},
    };
    for (const auto &t : cases) {
        const auto c = CastLunar({Jia, Zi, t.month, 1, t.hour, true});
        EXPECT_EQ(c->douJun, t.branch + 10) << "month " << t.month << " hour " << t.hour;
    }
}

TEST(DouShuChart, LifeMasterByLifePalaceBodyMasterByYearBranch) {
    const struct { LunarBirth b; int life, lifeMaster, bodyMaster; } cases[] = {
        {{Jia, Zi, 1, 1, Zi, true}, Yin, LuCun, LingXing},
        {{Yi, Chou, 11, 1, Zi, true}, Zi, TanLang, TianXiang},
        {{Bing, Wu, 4, 1, Zi, true}, Si, WuQu, HuoXing},
        {{Xin, Hai, 8, 1, Zi, true}, You, WenQu, TianJi},
    };
    for (const auto &t : cases) {
        const auto c = CastLunar(t.b);
        ASSERT_EQ(c->lifePalace, t.life);
        EXPECT_EQ(c->lifeMaster, t.lifeMaster);
        EXPECT_EQ(c->bodyMaster, t.bodyMaster);
    }
}

// ---- Transformations -----------------------------------------------------------

// 甲子 year, month 1, day 6, hour 子: 紫微 in 寅, life palace 寅 (火六局).
TEST(DouShuTransformations, JiaYearStarsCarryTheirMarksInCrowdedPalaces) {
    const auto c = CastLunar(WithBureau(6, 6));
    // 戌 already holds 文昌, 右弼 and 铃星 behind 武曲 when 科 comes.
    EXPECT_EQ(Prefix(StarsOf(*c, Xu), 5), (std::vector<int>{WuQu, HuaKe, WenChang, YouBi, LingXing}));
    EXPECT_EQ(Prefix(StarsOf(*c, Hai), 4), (std::vector<int>{TaiYang, HuaJi, DiJie, DiKong}));
    EXPECT_EQ(Prefix(StarsOf(*c, Wu), 3), (std::vector<int>{LianZhen, HuaLu, TianXiang}));
    EXPECT_EQ(Prefix(StarsOf(*c, Zi), 2), (std::vector<int>{PoJun, HuaQuan}));
}

TEST(DouShuTransformations, KeStandsBehindZiWeiBeforeTianFuInAYiYear) {
    // 乙丑 year, month 1, hour 子: life 寅 on 戊寅, 土五局; day 5 puts 紫微 in
    // 寅, where 陀罗 joins it.
    const auto yin = CastLunar({Yi, Chou, 1, 5, Zi, true});
    ASSERT_EQ(yin->bureau, 5);
    EXPECT_EQ(Prefix(StarsOf(*yin, Yin), 4), (std::vector<int>{ZiWei, HuaKe, TianFu, TuoLuo}));
    EXPECT_EQ(Prefix(StarsOf(*yin, Mao), 4), (std::vector<int>{TaiYin, HuaJi, LuCun, HuoXing}));
    // Month 3: life 辰 on 庚辰, 金四局; day 28 puts 紫微 in 申 with 右弼 and 天钺.
    const auto shen = CastLunar({Yi, Chou, 3, 28, Zi, true});
    ASSERT_EQ(shen->bureau, 4);
    EXPECT_EQ(Prefix(StarsOf(*shen, Shen), 5),
              (std::vector<int>{ZiWei, HuaKe, TianFu, YouBi, TianYue}));
}

// ---- Auxiliary and minor stars ---------------------------------------------------

TEST(DouShuStars, HourStars) {
    const struct { int hour, wenChang, wenQu, diJie, diKong; } cases[] = {
        {Zi, Xu, Chen, Hai, Hai},
        {Chou, You, Si, Zi, Xu},
        {Wu, Chen, Xu, Si, Si},
        {Hai, Hai, Mao, Xu, Zi},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE("hour " + std::to_string(t.hour));
        const auto c = CastLunar({Jia, Zi, 1, 1, t.hour, true});
        EXPECT_EQ(PalaceOf(*c, WenChang), t.wenChang);
        EXPECT_EQ(PalaceOf(*c, WenQu), t.wenQu);
        EXPECT_EQ(PalaceOf(*c, DiJie), t.diJie);
        EXPECT_EQ(PalaceOf(*c, DiKong), t.diKong);
    }
}

TEST(DouShuStars, MonthStars) {
    const struct { int month, tianMa, tianWu, zuoFu, youBi; } cases[] = {
        {1, Shen, Si, Chen, Xu},
        {11, Yin, Yin, Yin, Zi},
        {12, Hai, Hai, Mao, Hai},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE("month " + std::to_string(t.month));
        const auto c = CastLunar({Jia, Zi, t.month, 1, Zi, true});
        EXPECT_EQ(PalaceOf(*c, TianMa), t.tianMa);
        EXPECT_EQ(PalaceOf(*c, TianWu), t.tianWu);
        EXPECT_EQ(PalaceOf(*c, ZuoFu), t.zuoFu);
        EXPECT_EQ(PalaceOf(*c, YouBi), t.youBi);
    }
}

TEST(DouShuStars, HuoXingAndLingXingByYearBranchGroupAndHour) {
    const struct { int branch, hour, huo, ling; } cases[] = {
        {Chou, Yin, Si, Zi},   // 巳酉丑: from 卯 and 戌
        {Zi, Zi, Yin, Xu},     // 申子辰: from 寅 and 戌
        {Wu, Zi, Chou, Mao},   // 寅午戌: from 丑 and 卯
        {Mao, Chou, Xu, Hai},  // 亥卯未: from 酉 and 戌
    };
    for (const auto &t : cases) {
        for (bool male : {true, false}) {
            const auto c = CastLunar({Wrap(t.branch, 10), t.branch, 1, 1, t.hour, male});
            EXPECT_EQ(PalaceOf(*c, HuoXing), t.huo) << "branch " << t.branch;
            EXPECT_EQ(PalaceOf(*c, LingXing), t.ling) << "branch " << t.branch;
        }
    }
}

TEST(DouShuStars, EveryMinorStarOfAJiaZiChart) {
    // 甲子 year, month 1, day 6, hour 子, man: life and body in 寅, 文昌 戌,
    // 文曲 辰, 左辅 辰, 右弼 戌.
    const auto c = CastLunar(WithBureau(6, 6));
    const struct { int star, palace; } expected[] = {
        {TianKui, Chou}, {TianYue, Wei}, {LuCun, Yin}, {QingYang, Mao}, {TuoLuo, Chou},
        {HuoXing, Yin}, {LingXing, Xu},
        {TianMa, Shen}, {TianXing, You}, {TianYao, Chou}, {JieShen, Shen}, {TianWu, Si},
        {TianYueMoon, Xu}, {YinSha, Yin}, {SanTai, You}, {BaZuo, Si}, {EnGuang, Yin},
        {TianGui, Shen}, {TianGuan, Wei}, {TianFuBlessing, You}, {TianKu, Wu}, {TianXu, Wu},
        {LongChi, Chen}, {FengGe, Xu}, {HongLuan, Mao}, {TianXi, You}, {GuChen, Yin},
        {GuaSu, Xu}, {FeiLian, Shen}, {PoSui, Si}, {TianCai, Yin}, {TianShou, Yin},
        {JieZheng, Shen}, {JiePang, You}, {XunZheng, Xu}, {XunPang, Hai},
        {TianShang, Wei}, {TianShi, You}, {TianChu, Si}, {TianKong, Chou}, {TaiFu, Wu},
        {FengGao, Yin}, {TianDe, You}, {NianJie, Xu}, {YueDe, Si},
    };
    for (const auto &e : expected) EXPECT_EQ(PalaceOf(*c, e.star), e.palace) << "star " << e.star;
}

TEST(DouShuStars, RowOrderFollowsTheCastSteps) {
    // The 寅 palace of the 甲子 chart collects stars from steps 8, 12, 14, 22,
    // 24, 29, 32, 33 and 39, and shows them in that order.
    const auto c = CastLunar(WithBureau(6, 6));
    EXPECT_EQ(StarsOf(*c, Yin), (std::vector<int>{ZiWei, TianFu, LuCun, HuoXing, YinSha, EnGuang,
                                                   GuChen, Body, TianCai, TianShou, FengGao}));
}

TEST(DouShuStars, YearBranchStarsOfAYinYear) {
    const auto c = CastLunar({Bing, Yin, 1, 1, Zi, true});
    EXPECT_EQ(PalaceOf(*c, GuChen), Si);
    EXPECT_EQ(PalaceOf(*c, GuaSu), Chou);
    EXPECT_EQ(PalaceOf(*c, PoSui), You);
    EXPECT_EQ(PalaceOf(*c, FeiLian), Xu);
}

TEST(DouShuStars, VoidBranchesOfTheDecade) {
    const struct { int stem, branch, xunZheng, xunPang; } cases[] = {
        {Jia, Zi, Xu, Hai},     // 甲子 decade, yang stem
        {Yi, Chou, Hai, Xu},    // same decade, yin stem
        {Jia, Xu, Shen, You},   // 甲戌 decade
        {Gui, Hai, Chou, Zi},   // 甲寅 decade, 子丑 void
    };
    for (const auto &t : cases) {
        const auto c = CastLunar({t.stem, t.branch, 1, 1, Zi, true});
        EXPECT_EQ(PalaceOf(*c, XunZheng), t.xunZheng) << t.stem << "/" << t.branch;
        EXPECT_EQ(PalaceOf(*c, XunPang), t.xunPang) << t.stem << "/" << t.branch;
    }
}

// ---- Cycles ------------------------------------------------------------------------

TEST(DouShuCycles, BackwardChartTurnsBoShiAndStagesOnly) {
    const auto fwd = CastLunar(WithBureau(6, 6, Jia, true));
    const auto bwd = CastLunar(WithBureau(6, 6, Jia, false));
    ASSERT_EQ(fwd->direction, 1);
    ASSERT_EQ(bwd->direction, 0);
    // 禄存 in 寅 (甲 year); 长生 of 火六局 in 寅.
    EXPECT_EQ(fwd->palaces[Yin][23], BoShi);
    EXPECT_EQ(fwd->palaces[Mao][23], LiShi);
    EXPECT_EQ(bwd->palaces[Yin][23], BoShi);
    EXPECT_EQ(bwd->palaces[Chou][23], LiShi);
    EXPECT_EQ(bwd->palaces[Mao][23], GuanFu);
    EXPECT_EQ(fwd->palaces[Yin][26], StageChangSheng);
    EXPECT_EQ(fwd->palaces[Mao][26], StageMuYu);
    EXPECT_EQ(bwd->palaces[Yin][26], StageChangSheng);
    EXPECT_EQ(bwd->palaces[Chou][26], StageMuYu);
    EXPECT_EQ(bwd->palaces[Mao][26], StageYang);
    for (const auto *c : {fwd.get(), bwd.get()}) {
        // A 子 year: 将星 in 子 and 岁建 in 子, both forward.
        EXPECT_EQ(c->palaces[Zi][24], JiangXing);
        EXPECT_EQ(c->palaces[Chou][24], PanAn);
        EXPECT_EQ(c->palaces[Hai][24], WangShen);
        EXPECT_EQ(c->palaces[Zi][25], SuiJian);
        EXPECT_EQ(c->palaces[Chou][25], HuiQi);
        EXPECT_EQ(c->palaces[Hai][25], SuiQianBingFu);
    }
    // Life palace 寅: 疾厄 in 酉, 奴仆 in 未.
    EXPECT_EQ(PalaceOf(*fwd, TianShang), Wei);
    EXPECT_EQ(PalaceOf(*fwd, TianShi), You);
    EXPECT_EQ(PalaceOf(*bwd, TianShang), You);
    EXPECT_EQ(PalaceOf(*bwd, TianShi), Wei);
}

TEST(DouShuCycles, StagesStartByBureauAndJiangQianByYearGroup) {
    const struct { int bureau, start; } stages[] = {{2, Shen}, {3, Hai}, {4, Si}, {5, Shen}, {6, Yin}};
    for (const auto &t : stages) {
        const auto c = CastLunar(WithBureau(t.bureau, 1));
        ASSERT_EQ(c->bureau, t.bureau);
        EXPECT_EQ(c->palaces[t.start][26], StageChangSheng) << "bureau " << t.bureau;
    }
    const struct { int branch, start; } jiang[] = {{Hai, Mao}, {Shen, Zi}, {You, You}, {Wu, Wu}};
    for (const auto &t : jiang) {
        const auto c = CastLunar({Wrap(t.branch, 10), t.branch, 1, 1, Zi, true});
        EXPECT_EQ(c->palaces[t.start][24], JiangXing) << "branch " << t.branch;
    }
}

// ---- Brightness ----------------------------------------------------------------------

TEST(DouShuBrightness, CellsBesideTheirStars) {
    const auto c = CastLunar(WithBureau(6, 6));
    const struct { int star, value; } expected[] = {
        {ZiWei, brightness::Miao},   // 寅 庙
        {TianFu, brightness::Miao},  // 寅 庙
        {TianJi, brightness::Xian4}, // 丑 陷
        {TaiYang, brightness::Xian4},// 亥 陷
        {WuQu, brightness::Miao},    // 戌 庙
        {LianZhen, brightness::Ping},// 午 平
        {TianXiang, brightness::Wang},  // 午 旺
        {LuCun, brightness::Miao},   // 寅 庙
        {TianMa, brightness::Wang},  // 申 旺
        {TianYue, brightness::Wang}, // 未 旺
        {DiKong, brightness::Xian4}, // 亥 陷
    };
    for (const auto &e : expected) {
        const ItemPlace at = c->FindItem(e.star);
        EXPECT_EQ(c->attributes[at.palace][at.slot], e.value) << "star " << e.star;
    }
    // Transformations, minor stars, cycles, names and stems have none.
    for (int item : {HuaKe, HuaJi, YinSha, Body, BoShi, StageChangSheng, PalaceMing}) {
        const ItemPlace at = c->FindItem(item);
        EXPECT_EQ(c->attributes[at.palace][at.slot], 0) << "item " << item;
    }
}

// ---- Row operations -------------------------------------------------------------------

TEST(DouShuRow, PutStarFillsTheFirstFreeSlotAndDropsWhenFull) {
    TKvrDouShu c;
    c.PutStar(ZiWei, Yin, 0);
    c.PutStar(TianJi, Yin);
    EXPECT_EQ(c.palaces[Yin][1], TianJi);
    c.PutStar(None, Yin);  // placing nothing changes nothing
    EXPECT_EQ(c.palaces[Yin][2], None);
    for (int s = 2; s < TKvrDouShu::kSlots; ++s) c.PutStar(100 + s, Yin);
    EXPECT_EQ(c.palaces[Yin][26], 126);
    c.PutStar(TaiYang, Yin);  // full row: dropped
    EXPECT_EQ(c.FindItem(TaiYang).palace, 0);
    EXPECT_EQ(c.palaces[Mao][0], None);
}

TEST(DouShuRow, OutOfTableArgumentsTouchNothing) {
    TKvrDouShu c;
    int before[TKvrDouShu::kRows][TKvrDouShu::kSlots];
    std::memcpy(before, c.palaces, sizeof before);
    const uint8_t sexBefore = c.sex;
    for (int palace : {INT_MIN, -1, 0, 13, 100, INT_MAX}) {
        c.PutStar(ZiWei, palace);
        c.PutStar(ZiWei, palace, 2);
    }
    for (int slot : {INT_MIN, -1, 27, INT_MAX}) c.PutStar(ZiWei, Yin, slot);
    EXPECT_EQ(std::memcmp(before, c.palaces, sizeof before), 0);
    EXPECT_EQ(c.sex, sexBefore);
    EXPECT_EQ(c.FindItem(ZiWei).palace, 0);
    for (int palace : {INT_MIN, -25, 0, 13, INT_MAX}) {
        const int age = c.DecadeStartAge(palace);
        EXPECT_EQ((age - c.bureau) % 10, 0);
        EXPECT_GE(age - c.bureau, 0);
        EXPECT_LE(age - c.bureau, 110);
    }
}

TEST(DouShuRow, FindItemScansPalacesThenSlotsInOrder) {
    TKvrDouShu c;
    c.PutStar(WenQu, Mao, 5);
    c.PutStar(WenQu, Chou, 20);
    c.PutStar(WenQu, Chou, 3);
    const ItemPlace at = c.FindItem(WenQu);
    EXPECT_EQ(at.palace, Chou);
    EXPECT_EQ(at.slot, 3);
}

// ---- Sweeps ----------------------------------------------------------------------------

TEST(DouShuSweep, EveryLunarCombinationIsSound) {
    TKvrDouShu c;
    int failures = 0;
    for (int cycle = 1; cycle <= 60; ++cycle)
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= 30; ++day)
                for (int hour = 1; hour <= 12; ++hour)
                    for (int male = 0; male <= 1; ++male) {
                        SetLunar(c, {Wrap(cycle, 10), Wrap(cycle, 12), month, day, hour, male == 1});
                        c.CastFromCalendar();
                        const std::string fault = StructureFault(c);
                        if (!fault.empty()) {
                            ADD_FAILURE() << fault << " (cycle " << cycle << " month " << month
                                          << " day " << day << " hour " << hour << " male " << male << ")";
                            if (++failures > 10) return;
                        }
                    }
}

TEST(DouShuSweep, OutOfRangeCalendarValuesStillGiveASoundChart) {
    const int wild[] = {INT_MIN, -13, -1, 0, 13, 31, 61, INT_MAX};
    TKvrDouShu c;
    for (int v : wild) {
        c.yearStem = v;
        c.yearBranch = v;
        c.placementMonth = v;
        c.lunarDay = v;
        c.hour = v;
        c.SetSex(static_cast<uint8_t>(v));
        c.CastFromCalendar();
        EXPECT_EQ(StructureFault(c), "") << "value " << v;
    }
    // A 13th month is placed as the 1st.
    const auto thirteenth = CastLunar({Jia, Zi, 13, 6, Zi, true});
    const auto first = CastLunar({Jia, Zi, 1, 6, Zi, true});
    EXPECT_EQ(std::memcmp(thirteenth->palaces, first->palaces, sizeof first->palaces), 0);
}

double Instant(int y, int m, int d, int hh, int mm) {
    return DayCount(y, m, d) + (hh * 60 + mm) / 1440.0;
}

TEST(DouShuSweep, RealBirthsFrom1902To2050AreSound) {
    TKvrDouShu c;
    const int first = DayCount(1902, 1, 1), last = DayCount(2050, 12, 31);
    constexpr int kBirths = 6000;
    unsigned minute = 12345;
    int failures = 0;
    for (int i = 0; i < kBirths; ++i) {
        minute = minute * 1103515245u + 12345u;
        const int day = first + static_cast<int>(static_cast<long long>(last - first) * i / (kBirths - 1));
        c.SetBirth(day + (minute >> 8) % 1440 / 1440.0);
        c.SetSex(static_cast<uint8_t>(i & 1));
        c.Cast();
        const std::string fault = StructureFault(c);
        if (!fault.empty()) {
            ADD_FAILURE() << fault << " (birth " << c.birth << ")";
            if (++failures > 10) return;
        }
        // Casting from the same instant again gives the same chart.
        if (i % 500 == 0) {
            TKvrDouShu again;
            again.SetBirth(c.birth);
            again.SetSex(c.sex);
            again.Cast();
            EXPECT_EQ(std::memcmp(again.palaces, c.palaces, sizeof c.palaces), 0);
            EXPECT_EQ(std::memcmp(again.attributes, c.attributes, sizeof c.attributes), 0);
        }
    }
}

// ---- Births through the calendar -------------------------------------------------------

bool SameChart(const TKvrDouShu &a, const TKvrDouShu &b) {
    return std::memcmp(a.palaces, b.palaces, sizeof a.palaces) == 0 &&
           std::memcmp(a.attributes, b.attributes, sizeof a.attributes) == 0 &&
           a.lifePalace == b.lifePalace && a.direction == b.direction && a.bureau == b.bureau &&
           a.lifeMaster == b.lifeMaster && a.bodyMaster == b.bodyMaster && a.douJun == b.douJun;
}

std::unique_ptr<TKvrDouShu> CastBirth(double instant, bool male) {
    auto c = std::make_unique<TKvrDouShu>();
    c->SetBirth(instant);
    c->SetSex(male ? 1 : 0);
    c->Cast();
    return c;
}

TEST(DouShuBirths, At2330TheChartBelongsToTheNextDaysZiHour) {
    // 1984-02-01 23:30 is lunar 1983-12-30 by its civil date, but the chart
    // follows 1984-02-02, lunar 甲子 year, 1st month, day 1, hour 子.
    const auto late = CastBirth(Instant(1984, 2, 1, 23, 30), true);
    EXPECT_EQ(late->hour, Zi);
    EXPECT_EQ(late->placementMonth, 1);
    EXPECT_EQ(late->lunarDay, 1);
    EXPECT_EQ(late->lifePalace, Yin);
    EXPECT_EQ(late->bureau, 6);                 // 丙寅, 火六局
    EXPECT_EQ(PalaceOf(*late, ZiWei), You);     // day 1 of 火六局
    EXPECT_EQ(late->direction, 1);              // a man of a 甲 year
    EXPECT_TRUE(SameChart(*late, *CastLunar({Jia, Zi, 1, 1, Zi, true})));
    EXPECT_TRUE(SameChart(*late, *CastBirth(Instant(1984, 2, 2, 0, 30), true)));
    // Half an hour earlier is the 亥 hour of the last day of the 癸亥 year.
    const auto before = CastBirth(Instant(1984, 2, 1, 22, 30), true);
    EXPECT_EQ(before->hour, Hai);
    EXPECT_EQ(before->yearStem, Gui);
    EXPECT_FALSE(SameChart(*late, *before));
}

TEST(DouShuBirths, ALeapMonthIsPlacedAsTheFollowingMonth) {
    // 2020-06-01 is leap 4th month day 10, 2020-06-30 the 5th month day 10.
    const auto leap = CastBirth(Instant(2020, 6, 1, 12, 0), false);
    const auto fifth = CastBirth(Instant(2020, 6, 30, 12, 0), false);
    ASSERT_EQ(leap->lunarDate.month, -4);
    EXPECT_EQ(leap->placementMonth, 5);
    EXPECT_EQ(leap->lunarDay, 10);
    EXPECT_TRUE(SameChart(*leap, *fifth));
    EXPECT_EQ(PalaceOf(*leap, TianMa), Shen);  // month 5
    // 2034-01-05, leap 11th month of 2033: placed as month 12 of a 癸丑 year.
    const auto late = CastBirth(Instant(2034, 1, 5, 8, 0), true);
    EXPECT_EQ(late->placementMonth, 12);
    EXPECT_EQ(late->yearStem, Gui);
    EXPECT_EQ(late->yearBranch, Chou);
    EXPECT_EQ(PalaceOf(*late, TianMa), Hai);
    EXPECT_EQ(PalaceOf(*late, ZuoFu), Mao);
    EXPECT_TRUE(SameChart(*late, *CastLunar({Gui, Chou, 12, 15, Chen, true})));
}

TEST(DouShuBirths, RepeatedCastStartsFromClearedTables) {
    TKvrDouShu c;
    c.SetBirth(Instant(1984, 2, 1, 23, 30));
    c.SetSex(1);
    c.Cast();
    c.SetBirth(Instant(1999, 9, 9, 9, 9));
    c.SetSex(0);
    c.Cast();
    EXPECT_TRUE(SameChart(c, *CastBirth(Instant(1999, 9, 9, 9, 9), false)));
}

// Name of the first public field in which the two charts differ, empty when
// every field (calendar and chart) agrees.
std::string FirstDifference(const TKvrDouShu &a, const TKvrDouShu &b) {
    if (a.yearStem != b.yearStem) return "yearStem";
    if (a.yearBranch != b.yearBranch) return "yearBranch";
    if (a.lunarDate.year != b.lunarDate.year || a.lunarDate.month != b.lunarDate.month ||
        a.lunarDate.day != b.lunarDate.day)
        return "lunarDate";
    if (a.birth != b.birth) return "birth";
    if (a.yearCycle != b.yearCycle) return "yearCycle";
    if (a.placementMonth != b.placementMonth) return "placementMonth";
    if (a.lunarDay != b.lunarDay) return "lunarDay";
    if (a.hour != b.hour) return "hour";
    if (a.lunarYear != b.lunarYear) return "lunarYear";
    if (a.yearStemCode != b.yearStemCode) return "yearStemCode";
    if (a.yearBranchCode != b.yearBranchCode) return "yearBranchCode";
    if (a.openingTerm != b.openingTerm) return "openingTerm";
    if (a.middleTerm != b.middleTerm) return "middleTerm";
    if (std::memcmp(a.yearPillar, b.yearPillar, sizeof a.yearPillar) != 0) return "yearPillar";
    if (std::memcmp(a.monthPillar, b.monthPillar, sizeof a.monthPillar) != 0) return "monthPillar";
    if (std::memcmp(a.dayPillar, b.dayPillar, sizeof a.dayPillar) != 0) return "dayPillar";
    if (std::memcmp(a.hourPillar, b.hourPillar, sizeof a.hourPillar) != 0) return "hourPillar";
    if (a.lifePalace != b.lifePalace) return "lifePalace";
    if (a.direction != b.direction) return "direction";
    if (a.sex != b.sex) return "sex";
    if (a.bureau != b.bureau) return "bureau";
    if (std::memcmp(a.palaces, b.palaces, sizeof a.palaces) != 0) return "palaces";
    if (std::memcmp(a.attributes, b.attributes, sizeof a.attributes) != 0) return "attributes";
    if (a.lifeMaster != b.lifeMaster) return "lifeMaster";
    if (a.bodyMaster != b.bodyMaster) return "bodyMaster";
    if (a.douJun != b.douJun) return "douJun";
    return "";
}

// The constructor from a birth and a sex, followed by the chart steps, gives
// the record of the default constructor followed by SetBirth, SetSex and Cast.
TEST(DouShuBirths, ConstructedFromABirthAsSetAndCast) {
    struct Case {
        const char *what;
        double birth;
        uint8_t male;
    };
    const Case cases[] = {
        {"23:30, the next day's 子 hour", Instant(1984, 2, 1, 23, 30), 1},
        {"a leap 4th month", Instant(2020, 6, 1, 12, 0), 0},
        {"seconds after 立春", Instant(2000, 2, 4, 20, 40) + 25 / 86400.0, 0},
        {"after 立春, before the lunar new year", Instant(1994, 2, 6, 12, 0), 1},
        {"first day of the span", Instant(1902, 1, 1, 0, 0), 0},
        {"last minute of the span", Instant(2050, 12, 31, 23, 59), 1},
        {"any nonzero sex is male", Instant(1975, 8, 17, 5, 45), 7},
    };
    for (const Case &c : cases) {
        TKvrDouShu stepwise;
        stepwise.SetBirth(c.birth);
        stepwise.SetSex(c.male);
        stepwise.Cast();

        TKvrDouShu fromCalendar(c.birth, c.male);
        fromCalendar.CastFromCalendar();
        EXPECT_EQ(FirstDifference(fromCalendar, stepwise), "") << c.what << ", CastFromCalendar";

        TKvrDouShu cast(c.birth, c.male);
        cast.Cast();
        EXPECT_EQ(FirstDifference(cast, stepwise), "") << c.what << ", Cast";
    }
}

// ---- Display classes ---------------------------------------------------------------------

TEST(DouShuDisplay, ClassOfEveryItemCode) {
    for (int item = -1; item <= code::Count; ++item) {
        int expected = display::Other;
        if (item >= ZiWei && item <= PoJun) expected = display::Main;
        for (int k = 0; k < 13; ++k)
            if (kLuckyAndMaleficStars[k] == item) expected = k < 7 ? display::Lucky : display::Malefic;
        if (item == TianMa) expected = display::Horse;
        EXPECT_EQ(DisplayClass(item), expected) << "item " << item;
    }
    EXPECT_EQ(DisplayClass(WenChang), display::Lucky);
    EXPECT_EQ(DisplayClass(LuCun), display::Lucky);
    EXPECT_EQ(DisplayClass(QingYang), display::Malefic);
    EXPECT_EQ(DisplayClass(DiKong), display::Malefic);
    EXPECT_EQ(DisplayClass(HuaLu), display::Other);
    EXPECT_EQ(DisplayClass(TaiFu), display::Other);
}

}  // namespace
}  // namespace star
