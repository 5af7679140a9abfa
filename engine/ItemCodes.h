// Item codes: the one small integer (0..193) by which the engine stores every
// name of a chart, the index of that name in the item-name table. Also the
// branch ordinals (palace numbers), the brightness codes and the display
// class of a star.
#pragma once

namespace star {

// Branch ordinals 1..12, 子 = 1. A palace of the natal chart is numbered by
// the branch ordinal of its fixed position.
namespace branch {
constexpr int Zi = 1;     // 子
constexpr int Chou = 2;   // 丑
constexpr int Yin = 3;    // 寅
constexpr int Mao = 4;    // 卯
constexpr int Chen = 5;   // 辰
constexpr int Si = 6;     // 巳
constexpr int Wu = 7;     // 午
constexpr int Wei = 8;    // 未
constexpr int Shen = 9;   // 申
constexpr int You = 10;   // 酉
constexpr int Xu = 11;    // 戌
constexpr int Hai = 12;   // 亥
}  // namespace branch

namespace code {

constexpr int None = 0;  // empty cell

// 1-10 heavenly stems; a stem's code equals its ordinal.
constexpr int StemJia = 1;    // 甲
constexpr int StemYi = 2;     // 乙
constexpr int StemBing = 3;   // 丙
constexpr int StemDing = 4;   // 丁
constexpr int StemWu = 5;     // 戊
constexpr int StemJi = 6;     // 己
constexpr int StemGeng = 7;   // 庚
constexpr int StemXin = 8;    // 辛
constexpr int StemRen = 9;    // 壬
constexpr int StemGui = 10;   // 癸

// 11-22 earthly branches; code = ordinal + 10.
constexpr int BranchZi = 11;    // 子
constexpr int BranchChou = 12;  // 丑
constexpr int BranchYin = 13;   // 寅
constexpr int BranchMao = 14;   // 卯
constexpr int BranchChen = 15;  // 辰
constexpr int BranchSi = 16;    // 巳
constexpr int BranchWu = 17;    // 午
constexpr int BranchWei = 18;   // 未
constexpr int BranchShen = 19;  // 申
constexpr int BranchYou = 20;   // 酉
constexpr int BranchXu = 21;    // 戌
constexpr int BranchHai = 22;   // 亥

// 23-34 the twelve palace names, in the order they are laid out backward
// from the life palace.
constexpr int PalaceMing = 23;       // 命宫
constexpr int PalaceXiongDi = 24;    // 兄弟
constexpr int PalaceFuQi = 25;       // 夫妻
constexpr int PalaceZiNu = 26;       // 子女
constexpr int PalaceCaiBo = 27;      // 财帛
constexpr int PalaceJiE = 28;        // 疾厄
constexpr int PalaceQianYi = 29;     // 迁移
constexpr int PalaceNuPu = 30;       // 奴仆
constexpr int PalaceGuanLu = 31;     // 官禄
constexpr int PalaceTianZhai = 32;   // 田宅
constexpr int PalaceFuDe = 33;       // 福德
constexpr int PalaceFuMu = 34;       // 父母

constexpr int Body = 35;  // 身, the body-palace marker

// 36-49 the fourteen main stars.
constexpr int ZiWei = 36;       // 紫微
constexpr int TianJi = 37;      // 天机
constexpr int TaiYang = 38;     // 太阳
constexpr int WuQu = 39;        // 武曲
constexpr int TianTong = 40;    // 天同
constexpr int LianZhen = 41;    // 廉贞
constexpr int TianFu = 42;      // 天府
constexpr int TaiYin = 43;      // 太阴
constexpr int TanLang = 44;     // 贪狼
constexpr int JuMen = 45;       // 巨门
constexpr int TianXiang = 46;   // 天相
constexpr int TianLiang = 47;   // 天梁
constexpr int QiSha = 48;       // 七杀
constexpr int PoJun = 49;       // 破军

// 50-63 the auxiliary stars.
constexpr int WenChang = 50;    // 文昌
constexpr int WenQu = 51;       // 文曲
constexpr int ZuoFu = 52;       // 左辅
constexpr int YouBi = 53;       // 右弼
constexpr int HuoXing = 54;     // 火星
constexpr int LingXing = 55;    // 铃星
constexpr int DiJie = 56;       // 地劫
constexpr int DiKong = 57;      // 地空
constexpr int LuCun = 58;       // 禄存
constexpr int TianMa = 59;      // 天马
constexpr int QingYang = 60;    // 擎羊
constexpr int TuoLuo = 61;      // 陀罗
constexpr int TianKui = 62;     // 天魁
constexpr int TianYue = 63;     // 天钺

// 64-67 the four transformations.
constexpr int HuaLu = 64;       // 禄
constexpr int HuaQuan = 65;     // 权
constexpr int HuaKe = 66;       // 科
constexpr int HuaJi = 67;       // 忌

// 68-104 the minor stars.
constexpr int TaiFu = 68;       // 台辅
constexpr int FengGao = 69;     // 封诰
constexpr int TianXing = 70;    // 天刑
constexpr int TianYao = 71;     // 天姚
constexpr int JieShen = 72;     // 解神
constexpr int TianWu = 73;      // 天巫
constexpr int TianYueMoon = 74; // 天月 (not 天钺)
constexpr int YinSha = 75;      // 阴煞
constexpr int SanTai = 76;      // 三台
constexpr int BaZuo = 77;       // 八座
constexpr int EnGuang = 78;     // 恩光
constexpr int TianGui = 79;     // 天贵
constexpr int TianGuan = 80;    // 天官
constexpr int TianFuBlessing = 81;  // 天福 (not 天府)
constexpr int TianKu = 82;      // 天哭
constexpr int TianXu = 83;      // 天虚
constexpr int LongChi = 84;     // 龙池
constexpr int FengGe = 85;      // 凤阁
constexpr int HongLuan = 86;    // 红鸾
constexpr int TianXi = 87;      // 天喜
constexpr int GuChen = 88;      // 孤辰
constexpr int GuaSu = 89;       // 寡宿
constexpr int FeiLian = 90;     // 蜚廉 (not the 博士-cycle 飞廉)
constexpr int PoSui = 91;       // 破碎
constexpr int TianCai = 92;     // 天才
constexpr int TianShou = 93;    // 天寿
constexpr int JieZheng = 94;    // 截正
constexpr int JiePang = 95;     // 截傍
constexpr int XunZheng = 96;    // 旬正
constexpr int XunPang = 97;     // 旬傍
constexpr int TianShang = 98;   // 天伤
constexpr int TianShi = 99;     // 天使
constexpr int TianChu = 100;    // 天厨
constexpr int TianKong = 101;   // 天空
constexpr int TianDe = 102;     // 天德 (the minor star, not the 岁前-cycle one)
constexpr int NianJie = 103;    // 年解
constexpr int YueDe = 104;      // 月德

// 105-116 the 博士 cycle.
constexpr int BoShi = 105;          // 博士
constexpr int LiShi = 106;          // 力士
constexpr int QingLong = 107;       // 青龙
constexpr int XiaoHao = 108;        // 小耗
constexpr int JiangJun = 109;       // 将军
constexpr int ZouShu = 110;         // 奏书
constexpr int BoShiFeiLian = 111;   // 飞廉
constexpr int XiShen = 112;         // 喜神
constexpr int BingFu = 113;         // 病符
constexpr int DaHao = 114;          // 大耗
constexpr int FuBing = 115;         // 伏兵
constexpr int GuanFu = 116;         // 官府

// 117-128 the 将前 cycle.
constexpr int JiangXing = 117;      // 将星
constexpr int PanAn = 118;          // 攀鞍
constexpr int SuiYi = 119;          // 岁驿
constexpr int JiangQianXiShen = 120;  // 息神 (not 喜神)
constexpr int HuaGai = 121;         // 华盖
constexpr int JieSha = 122;         // 劫煞
constexpr int ZaiSha = 123;         // 灾煞
constexpr int TianSha = 124;        // 天煞
constexpr int ZhiBei = 125;         // 指背
constexpr int XianChi = 126;        // 咸池
constexpr int YueSha = 127;         // 月煞
constexpr int WangShen = 128;       // 亡神

// 129-140 the 岁前 cycle; four of its names repeat names of other stars
// under different codes.
constexpr int SuiJian = 129;          // 岁建
constexpr int HuiQi = 130;            // 晦气
constexpr int SangMen = 131;          // 丧门
constexpr int GuanSuo = 132;          // 贯索
constexpr int SuiQianGuanFu = 133;    // 官符 (not 官府)
constexpr int SuiQianXiaoHao = 134;   // 小耗
constexpr int SuiQianDaHao = 135;     // 大耗
constexpr int LongDe = 136;           // 龙德
constexpr int BaiHu = 137;            // 白虎
constexpr int SuiQianTianDe = 138;    // 天德
constexpr int DiaoKe = 139;           // 吊客
constexpr int SuiQianBingFu = 140;    // 病符

// 141-152 the twelve 长生 stages.
constexpr int StageChangSheng = 141;  // 长生
constexpr int StageMuYu = 142;        // 沐浴
constexpr int StageGuanDai = 143;     // 冠带
constexpr int StageLinGuan = 144;     // 临官
constexpr int StageDiWang = 145;      // 帝旺
constexpr int StageShuai = 146;       // 衰
constexpr int StageBing = 147;        // 病
constexpr int StageSi = 148;          // 死
constexpr int StageMu = 149;          // 墓
constexpr int StageJue = 150;         // 绝
constexpr int StageTai = 151;         // 胎
constexpr int StageYang = 152;        // 养

// 153-193 names the chart records never store; they complete the name table.
constexpr int GeneralGui = 153;       // 贵
constexpr int GeneralShe = 154;       // 蛇
constexpr int GeneralZhu = 155;       // 朱
constexpr int GeneralHe = 156;        // 合
constexpr int GeneralGou = 157;       // 勾
constexpr int GeneralQing = 158;      // 青
constexpr int GeneralKong = 159;      // 空
constexpr int GeneralHu = 160;        // 虎
constexpr int GeneralChang = 161;     // 常
constexpr int GeneralXuan = 162;      // 玄
constexpr int GeneralYin = 163;       // 阴
constexpr int GeneralHou = 164;       // 后
constexpr int MarkFu = 165;           // 符
constexpr int MarkDi = 166;           // 地
constexpr int MarkTian = 167;         // 天
constexpr int DoorXiu = 168;          // 休
constexpr int DoorSheng = 169;        // 生
constexpr int DoorShang = 170;        // 伤
constexpr int DoorDu = 171;           // 杜
constexpr int DoorJing = 172;         // 景
constexpr int DoorSi = 173;           // 死 (not the 长生 stage 死)
constexpr int DoorJingAlarm = 174;    // 惊
constexpr int DoorKai = 175;          // 开
constexpr int NineStarPeng = 176;     // 蓬
constexpr int NineStarRui = 177;      // 芮
constexpr int NineStarChong = 178;    // 冲
constexpr int NineStarFu = 179;       // 辅
constexpr int NineStarQin = 180;      // 禽
constexpr int NineStarXin = 181;      // 心
constexpr int NineStarZhu = 182;      // 柱
constexpr int NineStarRen = 183;      // 任
constexpr int NineStarYing = 184;     // 英
constexpr int TrigramKan = 185;       // 坎
constexpr int TrigramKun = 186;       // 坤
constexpr int TrigramZhen = 187;      // 震
constexpr int TrigramXun = 188;       // 巽
constexpr int TrigramCentre = 189;    // 中
constexpr int TrigramQian = 190;      // 乾
constexpr int TrigramDui = 191;       // 兑
constexpr int TrigramGen = 192;       // 艮
constexpr int TrigramLi = 193;        // 离

constexpr int Count = 194;  // codes 0..193

// First codes of the ranges.
constexpr int FirstStem = StemJia;
constexpr int FirstBranch = BranchZi;
constexpr int FirstPalaceName = PalaceMing;
constexpr int FirstMainStar = ZiWei;
constexpr int LastMainStar = PoJun;
constexpr int FirstTransformation = HuaLu;
constexpr int LastTransformation = HuaJi;
constexpr int FirstBoShiCycle = BoShi;
constexpr int FirstJiangQianCycle = JiangXing;
constexpr int FirstSuiQianCycle = SuiJian;
constexpr int FirstStage = StageChangSheng;
// Stars 36..63 are the ones with a brightness.
constexpr int FirstBrightStar = ZiWei;
constexpr int LastBrightStar = TianYue;

constexpr int OfBranch(int ordinal) { return ordinal + 10; }   // 1..12 -> 11..22
constexpr int BranchOrdinal(int code) { return code - 10; }    // 11..22 -> 1..12
constexpr bool IsTransformation(int c) { return c >= HuaLu && c <= HuaJi; }

}  // namespace code

// Brightness codes of the attribute table (0 = none).
namespace brightness {
constexpr int None = 0;
constexpr int Miao = 1;   // 庙
constexpr int Wang = 2;   // 旺
constexpr int De = 3;     // 得
constexpr int Li = 4;     // 利
constexpr int Ping = 5;   // 平
constexpr int Xian2 = 6;  // 闲 (rising tone)
constexpr int Xian4 = 7;  // 陷 (falling tone)
}  // namespace brightness

// Display classes the entry point writes beside a star's name; the front end
// colours a star by it.
namespace display {
constexpr int Other = 0;
constexpr int Main = 1;
constexpr int Lucky = 2;
constexpr int Malefic = 3;
constexpr int Horse = 4;  // 天马
}  // namespace display

// Display class of an item code: 1 the fourteen main stars; 2 the lucky
// 文昌 文曲 左辅 右弼 天魁 天钺 禄存; 3 the malefic 擎羊 陀罗 火星 铃星 地劫
// 地空; 4 天马; 0 every other code (any int, in range or not).
constexpr int DisplayClass(int c) {
    if (c >= code::FirstMainStar && c <= code::LastMainStar) return display::Main;
    switch (c) {
    case code::WenChang: case code::WenQu: case code::ZuoFu: case code::YouBi:
    case code::TianKui: case code::TianYue: case code::LuCun:
        return display::Lucky;
    case code::QingYang: case code::TuoLuo: case code::HuoXing:
    case code::LingXing: case code::DiJie: case code::DiKong:
        return display::Malefic;
    case code::TianMa:
        return display::Horse;
    default:
        return display::Other;
    }
}

// The lucky and malefic stars as one list, the first seven lucky, the last
// six malefic.
inline constexpr int kLuckyAndMaleficStars[13] = {
    code::WenChang, code::WenQu, code::ZuoFu, code::YouBi, code::TianKui,
    code::TianYue, code::LuCun,
    code::QingYang, code::TuoLuo, code::HuoXing, code::LingXing, code::DiJie,
    code::DiKong,
};

}  // namespace star
