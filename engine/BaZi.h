// The Four Pillars chart (八字): the four pillars with their hidden stems and
// ten gods against the day stem, the spirit stars (神煞) of each pillar, the
// start of the luck pillars (起运) and the eight luck pillars (大运).
#pragma once

#include <cstdint>

#include "Calendar.h"
#include "Common.h"

namespace star {

namespace bazi {

// Pillar positions, the column order of the chart.
enum PillarPosition : int { kYear = 0, kMonth = 1, kDay = 2, kHour = 3, kPillars = 4 };

// Ten-god codes of a stem against the day stem; 0 where there is no stem and
// for the day stem itself.
namespace tengod {
enum : int32_t {
    kNone = 0,
    kZhengCai = 1,    // 正财
    kPianCai = 2,     // 偏财
    kShangGuan = 3,   // 伤官
    kShiShen = 4,     // 食神
    kJieCai = 5,      // 劫财
    kBiJian = 6,      // 比肩
    kZhengYin = 7,    // 正印
    kPianYin = 8,     // 偏印
    kZhengGuan = 9,   // 正官
    kQiSha = 10,      // 七杀
};
}  // namespace tengod

// Spirit-star codes (神煞). 德秀, 拱禄 and 红艳 have names but no rule.
namespace spirit {
enum : int32_t {
    kNone = 0,
    kGuiRen = 1,          // 贵人
    kTaiJi = 2,           // 太极
    kTianDe = 3,          // 天德
    kYueDe = 4,           // 月德
    kSanQi = 5,           // 三奇
    kFuXing = 6,          // 福星
    kWenChang = 7,        // 文昌
    kKuiGang = 8,         // 魁罡
    kGuoYin = 9,          // 国印
    kXueTang = 10,        // 学堂
    kCiGuan = 11,         // 词馆
    kDeXiu = 12,          // 德秀
    kYiMa = 13,           // 驿马
    kHuaGai = 14,         // 华盖
    kJiangXing = 15,      // 将星
    kJinYu = 16,          // 金舆
    kJinShen = 17,        // 金神
    kTianYi = 18,         // 天医
    kLuShen = 19,         // 禄神
    kGongLu = 20,         // 拱禄
    kTianShe = 21,        // 天赦
    kHongLuan = 22,       // 红鸾
    kTianXi = 23,         // 天喜
    kTianLuo = 24,        // 天罗
    kDiWang = 25,         // 地网
    kYangRen = 26,        // 羊刃
    kWangShen = 27,       // 亡神
    kJieSha = 28,         // 劫煞
    kZaiSha = 29,         // 灾煞
    kGouSha = 30,         // 勾煞
    kJiaoSha = 31,        // 绞煞
    kGuChen = 32,         // 孤辰
    kGuaSu = 33,          // 寡宿
    kYuanChen = 34,       // 元辰
    kKongWang = 35,       // 空亡
    kShiEDaBai = 36,      // 十恶大败
    kTaoHua = 37,         // 桃花
    kGuLuan = 38,         // 孤鸾
    kYinChaYangCuo = 39,  // 阴差阳错
    kSiFei = 40,          // 四废
    kHongYan = 41,        // 红艳
    kCount = 42,          // codes 0..41
};
}  // namespace spirit

// A pillar as item codes: stem 1..10, branch 11..22.
struct Pillar {
    int32_t stem = 0;
    int32_t branch = 0;
};

// Place 1..60 of a stem-branch pair in the sixty-pair cycle (甲子 1, 乙丑 2,
// 癸亥 60); 0 when either code is out of range.
constexpr int SexagenaryIndex(int stemCode, int branchCode) {
    if (stemCode < 1 || stemCode > 10 || branchCode < 11 || branchCode > 22) return 0;
    const int s = stemCode, b = branchCode - 10;
    return Wrap((s - b) * 6 + b, 60);
}

// The pillar at place `index` of the cycle (any int, taken round the cycle).
constexpr Pillar PillarOfIndex(int index) {
    const int c = Wrap(index, 60);
    return {Wrap(c, 10), Wrap(c, 12) + 10};
}

// Nayin (纳音) of a pillar: 0 海中金 .. 29 大海水, that is (place - 1) div 2;
// -1 when either code is out of range.
constexpr int NayinIndex(int stemCode, int branchCode) {
    const int c = SexagenaryIndex(stemCode, branchCode);
    return c == 0 ? -1 : (c - 1) / 2;
}

// Element of a stem or branch code: 1 wood, 2 fire, 3 earth, 4 metal,
// 5 water; 0 for any other code.
int ElementOf(int code);

// Ten-god code (tengod::) of stem code `stem` against the day stem `dayStem`;
// 0 when either is not a stem code.
int TenGodOf(int dayStem, int stem);

// Source of solar-term instants: (Gregorian year, term 0 = 小寒 .. 23 = 冬至)
// to a day count. The calendar's SolarTerm in production.
using TermSource = double (*)(int year, int t);

// The minor terms (节) on either side of a birth instant. J is the 节 of the
// birth's Gregorian month; a birth later than J lies between J and the next
// month's 节, a birth at or before J between the previous month's 节 and J.
// Compared in whole seconds, the birth rounded to the nearest second as the
// calendar rounds it for the pillars (a birth a few seconds after a term is
// after it for both). Returns false, leaving both outputs 0, when a needed
// term lies outside 1900..2099.
bool MinorTermsAround(double birth, TermSource terms, double *previous, double *next);

// Luck start of a birth between two minor terms: distance to the next term
// (forward) or from the previous one (backward), times 120, in days of life.
// Exact: the birth and the terms are rounded to the nearest second, the
// birth as the calendar rounds it.
struct LuckStart {
    double offset = 0;    // days of life before the first luck pillar
    int32_t startAge = 0; // whole years of 360 days in the offset
};
LuckStart LuckStartBetween(double birth, double previousTerm, double nextTerm, bool forward);

}  // namespace bazi

// The Four Pillars chart of one birth instant and sex. Plain record: the
// calendar base, then the fields below in this order; no virtual operations.
// Calling order: construct, SetBirth, SetSex, Compute, then read.
class TKvrBaZi : public TKvrBase {
public:
    // Clears the chart, sets sex to 1 (male) and computes once.
    TKvrBaZi();
    // The chart of a birth whose calendar is already computed (the natal
    // chart's base, say): copies that calendar, sets the sex and computes the
    // chart from its pillars once, without reckoning the calendar again.
    TKvrBaZi(const TKvrBase &calendar, uint8_t male);

    void SetSex(uint8_t male) { sex = male; }

    // Recomputes the calendar of the base from the birth instant, then the
    // whole chart from it (ComputeFromPillars with the solar-term table).
    void Compute();

    // Computes the chart from the base fields as they stand: the birth
    // instant and the four pillars (yearPillar..hourPillar); the minor terms
    // around the birth come from `terms`. Out-of-range codes yield empty cells.
    void ComputeFromPillars(bazi::TermSource terms = SolarTerm);

    // Luck pillar i (0..7; any i follows the cycle on): the pillars after the
    // month pillar when forward, before it when backward. Luck pillar i covers
    // the ten years from age startAge + 10 i. {0, 0} without a month pillar.
    bazi::Pillar LuckPillar(int i) const;

    // Fields in declaration order. Arrays are [row][pillar], pillar 0 year,
    // 1 month, 2 day, 3 hour (bazi::PillarPosition).
    uint8_t direction = 0;           // 1 forward, 0 backward (by the 立春 year stem)
    int32_t stems[4] = {};           // stem codes of the four pillars
    int32_t branches[4] = {};        // branch codes of the four pillars
    int32_t hiddenStems[3][4] = {};  // first, second, third hidden stem; 0 none
    int32_t tenGods[4][4] = {};      // row 0 the pillar stems, rows 1..3 the hidden stems
    int32_t spiritStars[10][4] = {}; // spirit-star codes in order found, 0 after the last
    double luckOffset = 0;           // days of life from birth to the first luck pillar
    int32_t startAge = 0;            // whole years before the first luck pillar
    uint8_t sex = 1;                 // nonzero male, 0 female
};

}  // namespace star
