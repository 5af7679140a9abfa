// The rules of every star placed after the fourteen main stars: the
// auxiliary stars, the four transformations, the minor stars and the four
// twelve-star cycles. Each rule is a count from a fixed palace or a look-up
// in one of the tables by year stem, by month or by year branch.
#include "Common.h"
#include "DouShu.h"

namespace star {

using namespace branch;
using namespace code;

namespace {

constexpr bool kForward = true;
constexpr bool kBackward = false;

// Counts that stay within one turn of the chart, from a palace 1..12: the
// turn is taken off or added once instead of dividing by 12. Every count by
// the hour, the month or the year branch is one (each 1..12); their palaces
// go straight to Place, which drops anything off the chart.
constexpr int OneTurn(int x) { return x > 12 ? x - 12 : x < 1 ? x + 12 : x; }

// CountFrom for start and n both 1..12.
constexpr int CountWithin(int start, int n, bool forward) {
    return OneTurn(forward ? start + (n - 1) : start - (n - 1));
}

// The palace n moves forward (n > 0) or backward (n < 0) of `palace`, n
// within -12..12.
constexpr int Moved(int palace, int n) { return OneTurn(palace + n); }

static_assert([] {
    for (int start = 1; start <= 12; ++start)
        for (int n = 1; n <= 12; ++n)
            if (CountWithin(start, n, kForward) != CountFrom(start, n, kForward) ||
                CountWithin(start, n, kBackward) != CountFrom(start, n, kBackward) ||
                Moved(start, n) != Wrap(start + n, 12) || Moved(start, -n) != Wrap(start - n, 12))
                return false;
    return true;
}());

// ---- Tables by year stem -------------------------------------------------

enum StemRow { KuiRow, YueRow, LuCunRow, GuanRow, FuRow, JieZhengRow, JiePangRow, ChuRow };
constexpr int kByStem[8][10] = {
    // 甲    乙    丙    丁   戊    己    庚    辛    壬   癸
    {Chou, Zi,   Hai,  Hai, Chou, Zi,   Chou, Wu,   Mao, Mao},  // 天魁
    {Wei,  Shen, You,  You, Wei,  Shen, Wei,  Yin,  Si,  Si},   // 天钺
    {Yin,  Mao,  Si,   Wu,  Si,   Wu,   Shen, You,  Hai, Zi},   // 禄存
    {Wei,  Chen, Si,   Yin, Mao,  You,  Hai,  You,  Xu,  Wu},   // 天官
    {You,  Shen, Zi,   Hai, Mao,  Yin,  Wu,   Si,   Wu,  Si},   // 天福
    {Shen, Wei,  Chen, Mao, Zi,   You,  Wu,   Si,   Yin, Chou}, // 截正
    {You,  Wu,   Si,   Yin, Chou, Shen, Wei,  Chen, Mao, Zi},   // 截傍
    {Si,   Wu,   Zi,   Si,  Wu,   Shen, Yin,  Wu,   You, Hai},  // 天厨
};

// The star receiving 禄, 权, 科, 忌 in a year of each stem.
constexpr int kTransformed[10][4] = {
    //  禄         权          科          忌
    {LianZhen,  PoJun,     WuQu,      TaiYang},   // 甲
    {TianJi,    TianLiang, ZiWei,     TaiYin},    // 乙
    {TianTong,  TianJi,    WenChang,  LianZhen},  // 丙
    {TaiYin,    TianTong,  TianJi,    JuMen},     // 丁
    {TanLang,   TaiYin,    YouBi,     TianJi},    // 戊
    {WuQu,      TanLang,   TianLiang, WenQu},     // 己
    {TaiYang,   WuQu,      TianTong,  TaiYin},    // 庚
    {JuMen,     TaiYang,   WenQu,     WenChang},  // 辛
    {TianLiang, ZiWei,     ZuoFu,     WuQu},      // 壬
    {PoJun,     JuMen,     TaiYin,    TanLang},   // 癸
};

// ---- Tables by month -----------------------------------------------------

enum MonthRow { MaRow, JieShenRow, WuRow, YueMoonRow, YinShaRow };
constexpr int kByMonth[5][12] = {
    // 1     2     3     4     5     6     7     8     9     10    11    12
    {Shen, Si,   Yin,  Hai,  Shen, Si,   Yin,  Hai,  Shen, Si,   Yin,  Hai},   // 天马
    {Shen, Shen, Xu,   Xu,   Zi,   Zi,   Yin,  Yin,  Chen, Chen, Wu,   Wu},    // 解神
    {Si,   Shen, Yin,  Hai,  Si,   Shen, Yin,  Hai,  Si,   Shen, Yin,  Hai},   // 天巫
    {Xu,   Si,   Chen, Yin,  Wei,  Mao,  Hai,  Wei,  Yin,  Wu,   Xu,   Yin},   // 天月
    {Yin,  Zi,   Xu,   Shen, Wu,   Chen, Yin,  Zi,   Xu,   Shen, Wu,   Chen},  // 阴煞
};

// ---- Tables by year branch -----------------------------------------------

enum BranchRow { GuChenRow, GuaSuRow, FeiLianRow, PoSuiRow };
constexpr int kByYearBranch[4][12] = {
    // 子    丑    寅    卯   辰    巳    午   未    申    酉    戌    亥
    {Yin,  Yin,  Si,   Si,  Si,   Shen, Shen, Shen, Hai,  Hai,  Hai,  Yin},  // 孤辰
    {Xu,   Xu,   Chou, Chou, Chou, Chen, Chen, Chen, Wei, Wei,  Wei,  Xu},   // 寡宿
    {Shen, You,  Xu,   Si,  Wu,   Wei,  Yin,  Mao,  Chen, Hai,  Zi,   Chou}, // 蜚廉
    {Si,   Chou, You,  Si,  Chou, You,  Si,   Chou, You,  Si,   Chou, You},  // 破碎
};

// Starting palaces of 火星 and 铃星 by the year branch's group, b mod 4.
constexpr int kHuoLingStart[4][2] = {
    // 火星 铃星
    {You,  Xu},   // 0 亥卯未
    {Yin,  Xu},   // 1 申子辰
    {Mao,  Xu},   // 2 巳酉丑
    {Chou, Mao},  // 3 寅午戌
};

// Start of the 将前 cycle by b mod 4: 亥卯未 卯, 申子辰 子, 巳酉丑 酉,
// 寅午戌 午.
constexpr int kJiangQianStart[4] = {Mao, Zi, You, Wu};

// Start of the 长生 stages by bureau 2..6 (水 申, 木 亥, 金 巳, 土 申, 火 寅).
constexpr int kStageStart[5] = {Shen, Hai, Si, Shen, Yin};

// Twelve consecutive codes, one per palace from `start` (1..12) on, into one
// slot.
void PlaceCycle(int (&palaces)[TKvrDouShu::kRows][TKvrDouShu::kSlots], int firstCode, int start,
                bool forward, int slot) {
    const int8_t *order = kCountingOrder.in[forward][start];
    for (int i = 0; i < 12; ++i) palaces[order[i]][slot] = firstCode + i;
}

}  // namespace

// ---- Counted rules ---------------------------------------------------------

void TKvrDouShu::PlaceWenChangWenQu() {
    Place(WenChang, CountWithin(Xu, in_.hour, kBackward));
    Place(WenQu, CountWithin(Chen, in_.hour, kForward));
}

void TKvrDouShu::PlaceZuoFuYouBi() {
    Place(ZuoFu, CountWithin(Chen, in_.month, kForward));
    Place(YouBi, CountWithin(Xu, in_.month, kBackward));
}

void TKvrDouShu::PlaceTianKuiTianYue() {
    Place(TianKui, kByStem[KuiRow][in_.stem - 1]);
    Place(TianYue, kByStem[YueRow][in_.stem - 1]);
}

void TKvrDouShu::PlaceLuCun() { Place(LuCun, kByStem[LuCunRow][in_.stem - 1]); }

// 擎羊 one palace forward of 禄存, 陀罗 one palace backward.
void TKvrDouShu::PlaceQingYangTuoLuo() {
    const int luCun = PalaceOf(LuCun);
    if (luCun == 0) return;
    Place(QingYang, Moved(luCun, +1));
    Place(TuoLuo, Moved(luCun, -1));
}

// Both count forward by the hour from the start of the year branch's group,
// whatever the sex or direction.
void TKvrDouShu::PlaceHuoXingLingXing() {
    const int *start = kHuoLingStart[in_.branch % 4];
    Place(HuoXing, CountWithin(start[0], in_.hour, kForward));
    Place(LingXing, CountWithin(start[1], in_.hour, kForward));
}

void TKvrDouShu::PlaceDiJieDiKong() {
    Place(DiJie, CountWithin(Hai, in_.hour, kForward));
    Place(DiKong, CountWithin(Hai, in_.hour, kBackward));
}

// Each transformation goes directly behind its star; the stars behind it
// move one slot further back. The row's last star slot bounds the move: an
// entry pushed beyond it is dropped, as a full row drops a star.
void TKvrDouShu::InsertTransformations() {
    for (int k = 0; k < 4; ++k) {
        const ItemPlace star = Locate(kTransformed[in_.stem - 1][k]);
        if (star.palace == 0 || star.slot >= kLastStarSlot) continue;
        int *row = palaces[star.palace];
        int last = taken_[star.palace] - 1;  // the row's last entry
        if (last >= kLastStarSlot) {
            placedIn_[row[kLastStarSlot]] = 0;  // pushed out of the row
            last = kLastStarSlot - 1;
        }
        for (int s = last; s > star.slot; --s) {
            row[s + 1] = row[s];
            ++placedAt_[row[s + 1]];
        }
        row[star.slot + 1] = HuaLu + k;
        placedIn_[HuaLu + k] = static_cast<int8_t>(star.palace);
        placedAt_[HuaLu + k] = static_cast<int8_t>(star.slot + 1);
        if (taken_[star.palace] <= kLastStarSlot) ++taken_[star.palace];
    }
}

void TKvrDouShu::PlaceTianMa() { Place(TianMa, kByMonth[MaRow][in_.month - 1]); }

void TKvrDouShu::PlaceTianXingTianYao() {
    Place(TianXing, CountWithin(You, in_.month, kForward));
    Place(TianYao, CountWithin(Chou, in_.month, kForward));
}

void TKvrDouShu::PlaceJieShen() { Place(JieShen, kByMonth[JieShenRow][in_.month - 1]); }
void TKvrDouShu::PlaceTianWu() { Place(TianWu, kByMonth[WuRow][in_.month - 1]); }
void TKvrDouShu::PlaceTianYueMoon() { Place(TianYueMoon, kByMonth[YueMoonRow][in_.month - 1]); }
void TKvrDouShu::PlaceYinSha() { Place(YinSha, kByMonth[YinShaRow][in_.month - 1]); }

// 三台 counts forward by the day from 左辅, 八座 backward from 右弼.
void TKvrDouShu::PlaceSanTaiBaZuo() {
    if (const int zuoFu = PalaceOf(ZuoFu)) Place(SanTai, CountFrom(zuoFu, in_.day, kForward));
    if (const int youBi = PalaceOf(YouBi)) Place(BaZuo, CountFrom(youBi, in_.day, kBackward));
}

// One palace short of counting forward by the day from 文昌 (恩光) and from
// 文曲 (天贵).
void TKvrDouShu::PlaceEnGuangTianGui() {
    if (const int wenChang = PalaceOf(WenChang))
        Place(EnGuang, Moved(CountFrom(wenChang, in_.day, kForward), -1));
    if (const int wenQu = PalaceOf(WenQu))
        Place(TianGui, Moved(CountFrom(wenQu, in_.day, kForward), -1));
}

void TKvrDouShu::PlaceTianGuanTianFu() {
    Place(TianGuan, kByStem[GuanRow][in_.stem - 1]);
    Place(TianFuBlessing, kByStem[FuRow][in_.stem - 1]);
}

void TKvrDouShu::PlaceTianKuTianXu() {
    Place(TianKu, CountWithin(Wu, in_.branch, kBackward));
    Place(TianXu, CountWithin(Wu, in_.branch, kForward));
}

void TKvrDouShu::PlaceLongChiFengGe() {
    Place(LongChi, CountWithin(Chen, in_.branch, kForward));
    Place(FengGe, CountWithin(Xu, in_.branch, kBackward));
}

// 天喜 faces 红鸾 across the chart.
void TKvrDouShu::PlaceHongLuanTianXi() {
    const int hongLuan = CountWithin(Mao, in_.branch, kBackward);
    Place(HongLuan, hongLuan);
    Place(TianXi, Moved(hongLuan, 6));
}

void TKvrDouShu::PlaceGuChenGuaSu() {
    Place(GuChen, kByYearBranch[GuChenRow][in_.branch - 1]);
    Place(GuaSu, kByYearBranch[GuaSuRow][in_.branch - 1]);
}

void TKvrDouShu::PlaceFeiLian() { Place(FeiLian, kByYearBranch[FeiLianRow][in_.branch - 1]); }
void TKvrDouShu::PlacePoSui() { Place(PoSui, kByYearBranch[PoSuiRow][in_.branch - 1]); }

// 天才 counts forward by the year branch from 命宫, 天寿 from 身.
void TKvrDouShu::PlaceTianCaiTianShou() {
    Place(TianCai, CountWithin(lifePalace, in_.branch, kForward));
    if (const int body = PalaceOf(Body)) Place(TianShou, CountWithin(body, in_.branch, kForward));
}

// The two void branches of the year stem's pair; 截正 is the one whose yin or
// yang matches the stem.
void TKvrDouShu::PlaceJieZhengJiePang() {
    Place(JieZheng, kByStem[JieZhengRow][in_.stem - 1]);
    Place(JiePang, kByStem[JiePangRow][in_.stem - 1]);
}

// The two void branches of the year's decade of the sixty-year cycle: the
// yang one c and c + 1. 旬正 takes the one matching the stem's yin or yang.
void TKvrDouShu::PlaceXunZhengXunPang() {
    const int cycle = Wrap((in_.stem - in_.branch) * 6 + in_.branch, 60);  // 甲子 = 1
    const int decade = (cycle - 1) / 10;
    const int yangVoid = Wrap(11 - 2 * decade, 12);
    const int yinVoid = Wrap(yangVoid + 1, 12);
    const bool yangStem = (in_.stem & 1) != 0;
    Place(XunZheng, yangStem ? yangVoid : yinVoid);
    Place(XunPang, yangStem ? yinVoid : yangVoid);
}

// 天伤 in 奴仆 and 天使 in 疾厄 for a forward chart, the other way round for a
// backward one. Counted from the life palace: 疾厄 is the sixth name
// backward, 奴仆 the eighth.
void TKvrDouShu::PlaceTianShangTianShi() {
    const int jiE = CountWithin(lifePalace, PalaceJiE - PalaceMing + 1, kBackward);
    const int nuPu = CountWithin(lifePalace, PalaceNuPu - PalaceMing + 1, kBackward);
    Place(TianShang, direction ? nuPu : jiE);
    Place(TianShi, direction ? jiE : nuPu);
}

void TKvrDouShu::PlaceTianChu() { Place(TianChu, kByStem[ChuRow][in_.stem - 1]); }

void TKvrDouShu::PlaceTianKong() { Place(TianKong, Moved(in_.branch, +1)); }

// Two palaces either side of 文曲.
void TKvrDouShu::PlaceTaiFuFengGao() {
    const int wenQu = PalaceOf(WenQu);
    if (wenQu == 0) return;
    Place(TaiFu, Moved(wenQu, +2));
    Place(FengGao, Moved(wenQu, -2));
}

void TKvrDouShu::PlaceTianDeNianJie() {
    Place(TianDe, CountWithin(You, in_.branch, kForward));
    Place(NianJie, CountWithin(Xu, in_.branch, kBackward));
}

void TKvrDouShu::PlaceYueDe() { Place(YueDe, CountWithin(Si, in_.branch, kForward)); }

// ---- The four cycles ---------------------------------------------------------

// From 禄存, in the chart's direction.
void TKvrDouShu::PlaceBoShiCycle() {
    if (const int luCun = PalaceOf(LuCun))
        PlaceCycle(palaces, FirstBoShiCycle, luCun, direction != 0, kBoShiSlot);
}

void TKvrDouShu::PlaceJiangQianCycle() {
    PlaceCycle(palaces, FirstJiangQianCycle, kJiangQianStart[in_.branch % 4], kForward, kJiangQianSlot);
}

// From the palace of the year branch, always forward.
void TKvrDouShu::PlaceSuiQianCycle() {
    PlaceCycle(palaces, FirstSuiQianCycle, in_.branch, kForward, kSuiQianSlot);
}

// From the bureau's 长生 palace, in the chart's direction.
void TKvrDouShu::PlaceStages() {
    PlaceCycle(palaces, FirstStage, kStageStart[bureau - 2], direction != 0, kStageSlot);
}

}  // namespace star
