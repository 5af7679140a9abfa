// The natal chart record: the row table, the cast sequence, and the rules of
// the palaces, the bureau, the fourteen main stars, the body marker, the
// brightness pass and the life and body masters. The other stars are in
// DouShuStars.cpp.
#include "DouShu.h"

#include <cstring>

#include "Common.h"

namespace star {

using namespace branch;

namespace {

constexpr bool kForward = true;
constexpr bool kBackward = false;

// Forward for a man born in a yang-stem year (odd ordinal) or a woman born in
// a yin-stem year.
constexpr uint8_t DirectionOf(uint8_t male, int yearStem) {
    const bool yang = (yearStem & 1) != 0;
    return (male != 0) == yang ? 1 : 0;
}

// From 寅 count forward to the month, then backward to the hour.
constexpr int LifePalaceOf(int month, int hour) {
    return CountFrom(CountFrom(Yin, month, kForward), hour, kBackward);
}

// From 寅 count forward to the month, then forward to the hour.
constexpr int BodyPalaceOf(int month, int hour) {
    return CountFrom(CountFrom(Yin, month, kForward), hour, kForward);
}

// From 子 count back to the month, then forward to the hour.
constexpr int DouJunOf(int month, int hour) {
    return code::OfBranch(Wrap(Wrap(1 - month, 12) + hour, 12));
}

// Five-tiger rule: the stem of the 寅 palace (甲己 丙, 乙庚 戊, 丙辛 庚,
// 丁壬 壬, 戊癸 甲).
constexpr int YinPalaceStem(int yearStem) { return Wrap(3 + 2 * yearStem - 2, 10); }

// Nayin numbers of the bureau rule.
//                                    甲 乙 丙 丁 戊 己 庚 辛 壬 癸
constexpr int kStemNayinNumber[10] = {9, 8, 7, 6, 5, 9, 8, 7, 6, 5};
//                                      子 丑 寅 卯 辰 巳 午 未 申 酉 戌 亥
constexpr int kBranchNayinNumber[12] = {9, 8, 7, 6, 5, 4, 9, 8, 7, 6, 5, 4};
// Bureau by Wrap(sum, 5): 1 fire 火六局, 2 earth 土五局, 3 wood 木三局,
// 4 metal 金四局, 5 water 水二局.
constexpr int kBureauByNayin[5] = {6, 5, 3, 4, 2};

// The bureau of a pillar: summed with the next pillar when its stem is yang,
// with the previous one when yin.
constexpr int BureauOf(int stem, int branch) {
    const int step = (stem & 1) ? 1 : -1;
    const int otherStem = Wrap(stem + step, 10);
    const int otherBranch = Wrap(branch + step, 12);
    const int sum = kStemNayinNumber[stem - 1] + kBranchNayinNumber[branch - 1] +
                    kStemNayinNumber[otherStem - 1] + kBranchNayinNumber[otherBranch - 1];
    return kBureauByNayin[Wrap(sum, 5) - 1];
}

// 紫微 by the lunar day and the bureau: the day is divided by the bureau; a
// remainder is made up by borrowing days, an odd number of them moves the
// star backward, an even number forward.
constexpr int ZiWeiPalace(int day, int bureau) {
    const int q = day / bureau;
    const int r = day % bureau;
    if (r == 0) return Wrap(3 + q - 1, 12);
    const int borrowed = bureau - r;
    return (borrowed & 1) ? Wrap(3 + q - borrowed, 12) : Wrap(3 + q + borrowed, 12);
}

// 天府 mirrors 紫微 across the 寅-申 axis.
constexpr int TianFuPalace(int ziWeiPalace) { return Wrap(6 - ziWeiPalace, 12); }

// A star of a main-star group and the palace it takes, counted from the
// group's leader (the leader itself counted 1).
struct GroupStar {
    int code;
    int n;
};
// Counted backward from 紫微.
constexpr GroupStar kZiWeiGroup[6] = {
    {code::ZiWei, 1}, {code::TianJi, 2},   {code::TaiYang, 4},
    {code::WuQu, 5},  {code::TianTong, 6}, {code::LianZhen, 9},
};
// Counted forward from 天府.
constexpr GroupStar kTianFuGroup[8] = {
    {code::TianFu, 1},    {code::TaiYin, 2},    {code::TanLang, 3}, {code::JuMen, 4},
    {code::TianXiang, 5}, {code::TianLiang, 6}, {code::QiSha, 7},   {code::PoJun, 11},
};

// Brightness of stars 36..63 by palace.
using namespace brightness;
constexpr int M = Miao, W = Wang, P = Ping, X = Xian2, F = Xian4, o = None;
// M 庙  W 旺  P 平  X 闲  F 陷  o none
constexpr int kBrightness[code::LastBrightStar - code::FirstBrightStar + 1][12] = {
    //  子 丑 寅 卯 辰 巳 午 未 申 酉 戌 亥
    {P, M, M, W, F, W, M, M, W, P, X, W},  // 紫微
    {M, F, W, W, M, P, M, F, P, W, M, P},  // 天机
    {F, F, W, M, W, W, M, P, X, X, F, F},  // 太阳
    {W, M, X, F, M, P, W, M, P, W, M, P},  // 武曲
    {W, F, X, M, P, M, F, F, W, P, P, M},  // 天同
    {P, W, M, X, W, F, P, M, M, P, W, F},  // 廉贞
    {M, M, M, P, M, P, W, M, P, F, M, W},  // 天府
    {M, M, X, F, X, F, F, P, P, W, W, M},  // 太阴
    {W, M, P, W, M, F, W, M, P, P, M, F},  // 贪狼
    {W, W, M, M, P, P, W, F, M, M, W, W},  // 巨门
    {M, M, M, F, W, P, W, X, M, F, X, P},  // 天相
    {M, W, M, M, W, F, M, W, F, W, W, F},  // 天梁
    {W, M, M, F, W, P, W, W, M, X, M, P},  // 七杀
    {M, W, F, W, W, X, M, M, F, F, W, P},  // 破军
    {W, M, F, P, W, M, F, P, W, M, F, W},  // 文昌
    {M, M, P, W, M, M, F, W, P, M, F, W},  // 文曲
    {W, M, M, F, M, P, W, M, P, F, M, X},  // 左辅
    {M, M, W, F, M, P, W, M, X, F, M, P},  // 右弼
    {P, W, M, P, X, W, M, X, F, F, M, P},  // 火星
    {F, F, M, M, W, W, M, W, W, F, M, M},  // 铃星
    {F, F, P, P, F, X, M, P, M, P, P, W},  // 地劫
    {P, F, F, P, F, M, M, P, M, M, F, F},  // 地空
    {W, o, M, W, o, M, W, o, M, W, o, M},  // 禄存
    {o, o, W, o, o, P, o, o, W, o, o, P},  // 天马
    {F, M, o, F, M, o, P, M, o, F, M, o},  // 擎羊
    {o, M, F, o, M, F, o, M, F, o, M, F},  // 陀罗
    {W, W, o, M, o, o, M, o, o, o, o, W},  // 天魁
    {o, o, W, o, o, W, o, W, M, M, o, o},  // 天钺
};

// 命主 by the life palace's branch, 身主 by the year branch.
constexpr int kLifeMaster[12] = {
    //  子            丑           寅           卯
    code::TanLang, code::JuMen, code::LuCun, code::WenQu,
    //  辰             巳          午           未
    code::LianZhen, code::WuQu, code::PoJun, code::WuQu,
    //  申             酉           戌           亥
    code::LianZhen, code::WenQu, code::LuCun, code::JuMen,
};
constexpr int kBodyMaster[12] = {
    //  子             丑               寅                卯
    code::LingXing, code::TianXiang, code::TianLiang, code::TianTong,
    //  辰             巳            午              未
    code::WenChang, code::TianJi, code::HuoXing, code::TianXiang,
    //  申              酉              戌              亥
    code::TianLiang, code::TianTong, code::WenChang, code::TianJi,
};

constexpr bool IsPalace(int palace) { return palace >= 1 && palace <= 12; }

}  // namespace

TKvrDouShu::TKvrDouShu() { direction = DirectionOf(sex, yearStem); }

TKvrDouShu::TKvrDouShu(double birth, uint8_t male) : TKvrBase(birth) { SetSex(male); }

void TKvrDouShu::SetSex(uint8_t male) {
    sex = male;
    direction = DirectionOf(sex, yearStem);
}

void TKvrDouShu::Cast() {
    ComputeCalendar();
    CastFromCalendar();
}

void TKvrDouShu::CastFromCalendar() {
    in_.stem = Wrap(yearStem, 10);
    in_.branch = Wrap(yearBranch, 12);
    in_.month = Wrap(placementMonth, 12);  // a 13th month would count as the 1st
    in_.day = Wrap(lunarDay, 30);
    in_.hour = Wrap(hour, 12);

    // The attribute table follows the palace table: one clear for both.
    static_assert(sizeof palaces == sizeof attributes);
    std::memset(static_cast<void *>(palaces), 0,
                reinterpret_cast<char *>(attributes + kRows) - reinterpret_cast<char *>(palaces));
    std::memset(placedIn_, 0, sizeof placedIn_);

    // The order fixes the slot order of every palace row.
    direction = DirectionOf(sex, in_.stem);
    douJun = DouJunOf(in_.month, in_.hour);
    PlaceLifePalaceAndNames();
    PlacePalaceStems();
    for (int32_t &t : taken_) t = kFirstStarSlot;  // every row: name, stem
    ComputeBureau();
    PlaceZiWeiAndTianFu();
    PlaceWenChangWenQu();
    PlaceZuoFuYouBi();
    PlaceTianKuiTianYue();
    PlaceLuCun();
    PlaceQingYangTuoLuo();
    PlaceHuoXingLingXing();
    PlaceDiJieDiKong();
    InsertTransformations();
    PlaceTianMa();
    PlaceTianXingTianYao();
    PlaceJieShen();
    PlaceTianWu();
    PlaceTianYueMoon();
    PlaceYinSha();
    PlaceSanTaiBaZuo();
    PlaceEnGuangTianGui();
    PlaceTianGuanTianFu();
    PlaceTianKuTianXu();
    PlaceLongChiFengGe();
    PlaceHongLuanTianXi();
    PlaceGuChenGuaSu();
    PlaceFeiLian();
    PlacePoSui();
    PlaceBodyMarker();
    PlaceTianCaiTianShou();
    PlaceJieZhengJiePang();
    PlaceXunZhengXunPang();
    PlaceTianShangTianShi();
    PlaceTianChu();
    PlaceTianKong();
    PlaceTaiFuFengGao();
    PlaceTianDeNianJie();
    PlaceYueDe();
    PlaceBoShiCycle();
    PlaceJiangQianCycle();
    PlaceSuiQianCycle();
    PlaceStages();
    MarkBrightness();
    SetMasters();
}

void TKvrDouShu::PutStar(int code, int palace) {
    if (code == code::None || !IsPalace(palace)) return;
    for (int &cell : palaces[palace]) {
        if (cell == code::None) {
            cell = code;
            return;
        }
    }
}

void TKvrDouShu::PutStar(int code, int palace, int slot) {
    if (!IsPalace(palace) || slot < 0 || slot >= kSlots) return;
    palaces[palace][slot] = code;
}

ItemPlace TKvrDouShu::FindItem(int code) const {
    for (int p = 1; p <= 12; ++p)
        for (int s = 0; s < kSlots; ++s)
            if (palaces[p][s] == code) return {p, s};
    return {};
}

int TKvrDouShu::DecadeStartAge(int palace) const {
    const int moves = direction ? palace % 12 - lifePalace % 12 : lifePalace % 12 - palace % 12;
    return bureau + 10 * ((moves % 12 + 12) % 12);
}

// 命宫 in the life palace, then each next name one palace backward.
void TKvrDouShu::PlaceLifePalaceAndNames() {
    lifePalace = LifePalaceOf(in_.month, in_.hour);
    const int8_t *order = kCountingOrder.in[kBackward][lifePalace];
    static_assert(code::PalaceFuMu - code::PalaceMing == 11);
    for (int i = 0; i < 12; ++i) palaces[order[i]][kNameSlot] = code::PalaceMing + i;
}

// 寅, 卯, ... 亥, 子, 丑 take the 寅 stem and each next stem in turn.
void TKvrDouShu::PlacePalaceStems() {
    int stem = YinPalaceStem(in_.stem);
    int p = Yin;
    for (int i = 0; i < 12; ++i) {
        palaces[p][kStemSlot] = stem;
        p = p == 12 ? 1 : p + 1;
        stem = stem == 10 ? 1 : stem + 1;
    }
}

void TKvrDouShu::ComputeBureau() {
    bureau = BureauOf(palaces[lifePalace][kStemSlot], lifePalace);
}

void TKvrDouShu::PlaceZiWeiAndTianFu() {
    const int ziWei = ZiWeiPalace(in_.day, bureau);
    const int8_t *fromZiWei = kCountingOrder.in[kBackward][ziWei];
    for (const GroupStar &star : kZiWeiGroup) Place(star.code, fromZiWei[star.n - 1]);
    const int8_t *fromTianFu = kCountingOrder.in[kForward][TianFuPalace(ziWei)];
    for (const GroupStar &star : kTianFuGroup) Place(star.code, fromTianFu[star.n - 1]);
}

// Placed after the transformations, so 身 never stands before a transformed
// star of its palace.
void TKvrDouShu::PlaceBodyMarker() { Place(code::Body, BodyPalaceOf(in_.month, in_.hour)); }

// Every cell of slots 2..26 holding a star 36..63 gets that star's
// brightness in its palace. Each such star stands once on the chart and its
// cell is known, so the pass visits the stars rather than all the cells.
void TKvrDouShu::MarkBrightness() {
    for (int c = code::FirstBrightStar; c <= code::LastBrightStar; ++c) {
        const ItemPlace at = Locate(c);
        if (at.palace != 0 && at.slot >= kFirstStarSlot)
            attributes[at.palace][at.slot] = kBrightness[c - code::FirstBrightStar][at.palace - 1];
    }
}

void TKvrDouShu::SetMasters() {
    lifeMaster = kLifeMaster[lifePalace - 1];
    bodyMaster = kBodyMaster[in_.branch - 1];
}

}  // namespace star
