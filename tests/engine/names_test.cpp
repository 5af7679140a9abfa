// The GBK name tables, converted back with iconv and compared with the names
// of the chart vocabulary; the numerals and the header lines.
#include <iconv.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BaZi.h"
#include "Names.h"

namespace {

using namespace star;

// GBK bytes (up to the NUL) to UTF-8; "<bad>" when iconv refuses them.
std::string Utf8(const char *gbk) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    std::string in(gbk), out(in.size() * 2 + 4, '\0');
    char *src = in.data(), *dst = out.data();
    size_t left = in.size(), room = out.size();
    const size_t done = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) return "<bad>";
    out.resize(out.size() - room);
    return out;
}

std::vector<std::string> Split(const std::string &words) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < words.size()) {
        const size_t end = words.find(' ', at);
        out.push_back(words.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return out;
}

template <int Count, int Size>
void ExpectTable(const char (&table)[Count][Size], const std::vector<std::string> &expected,
                 const char *what) {
    ASSERT_EQ(static_cast<size_t>(Count), expected.size()) << what;
    for (int i = 0; i < Count; ++i) {
        // Each entry is NUL-terminated and NUL-padded inside its width.
        const size_t length = strnlen(table[i], Size);
        ASSERT_LT(length, static_cast<size_t>(Size)) << what << " " << i;
        for (int k = static_cast<int>(length); k < Size; ++k) EXPECT_EQ(table[i][k], '\0');
        EXPECT_EQ(Utf8(table[i]), expected[i]) << what << " entry " << i;
    }
}

TEST(NameTables, ItemNamesInCodeOrder) {
    const std::string names =
        "　 甲 乙 丙 丁 戊 己 庚 辛 壬 癸 子 丑 寅 卯 辰 巳 午 未 申 酉 戌 亥 "
        "命宫 兄弟 夫妻 子女 财帛 疾厄 迁移 奴仆 官禄 田宅 福德 父母 身 "
        "紫微 天机 太阳 武曲 天同 廉贞 天府 太阴 贪狼 巨门 天相 天梁 七杀 破军 "
        "文昌 文曲 左辅 右弼 火星 铃星 地劫 地空 禄存 天马 擎羊 陀罗 天魁 天钺 "
        "禄 权 科 忌 "
        "台辅 封诰 天刑 天姚 解神 天巫 天月 阴煞 三台 八座 恩光 天贵 天官 天福 天哭 天虚 "
        "龙池 凤阁 红鸾 天喜 孤辰 寡宿 蜚廉 破碎 天才 天寿 截正 截傍 旬正 旬傍 天伤 天使 "
        "天厨 天空 天德 年解 月德 "
        "博士 力士 青龙 小耗 将军 奏书 飞廉 喜神 病符 大耗 伏兵 官府 "
        "将星 攀鞍 岁驿 息神 华盖 劫煞 灾煞 天煞 指背 咸池 月煞 亡神 "
        "岁建 晦气 丧门 贯索 官符 小耗 大耗 龙德 白虎 天德 吊客 病符 "
        "长生 沐浴 冠带 临官 帝旺 衰 病 死 墓 绝 胎 养 "
        "贵 蛇 朱 合 勾 青 空 虎 常 玄 阴 后 符 地 天 休 生 伤 杜 景 死 惊 开 "
        "蓬 芮 冲 辅 禽 心 柱 任 英 坎 坤 震 巽 中 乾 兑 艮 离";
    ExpectTable(kItemNames, Split(names), "item");
    // Landmarks of the numbering that chart records rely on.
    EXPECT_EQ(Utf8(ItemName(23)), "命宫");
    EXPECT_EQ(Utf8(ItemName(35)), "身");
    EXPECT_EQ(Utf8(ItemName(49)), "破军");
    EXPECT_EQ(Utf8(ItemName(67)), "忌");
    EXPECT_EQ(Utf8(ItemName(104)), "月德");
    EXPECT_EQ(Utf8(ItemName(152)), "养");
    EXPECT_EQ(Utf8(ItemName(193)), "离");
    // A name under two codes keeps both codes.
    EXPECT_EQ(Utf8(ItemName(102)), Utf8(ItemName(138)));
    EXPECT_EQ(Utf8(ItemName(148)), Utf8(ItemName(173)));
}

TEST(NameTables, SpiritStarNames) {
    std::vector<std::string> expected{""};
    for (const auto &n : Split("贵人 太极 天德 月德 三奇 福星 文昌 魁罡 国印 学堂 词馆 德秀 驿马 "
                               "华盖 将星 金舆 金神 天医 禄神 拱禄 天赦 红鸾 天喜 天罗 地网 羊刃 "
                               "亡神 劫煞 灾煞 勾煞 绞煞 孤辰 寡宿 元辰 空亡 十恶大败 桃花 孤鸾 "
                               "阴差阳错 四废 红艳"))
        expected.push_back(n);
    ExpectTable(kSpiritStarNames, expected, "spirit star");
    EXPECT_EQ(std::strlen(SpiritStarName(36)), 8u);  // 十恶大败 fills its 9-byte entry
}

TEST(NameTables, SmallTables) {
    ExpectTable(kBureauNames, {"", "", "水二局", "木三局", "金四局", "土五局", "火六局"}, "bureau");
    ExpectTable(kBrightnessNames, {"", "庙", "旺", "得", "利", "平", "闲", "陷"}, "brightness");
    ExpectTable(kTenGodShortNames, {"", "才", "财", "伤", "食", "劫", "比", "印", "枭", "官", "杀"},
                "ten god");
    ExpectTable(kLunarMonthNames,
                {"", "正", "二", "三", "四", "五", "六", "七", "八", "九", "十", "冬", "腊"},
                "lunar month");
    ExpectTable(kDigitNames, {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"}, "digit");
    std::vector<std::string> days{""};
    for (const auto &n : Split("初一 初二 初三 初四 初五 初六 初七 初八 初九 初十 十一 十二 十三 十四 "
                               "十五 十六 十七 十八 十九 二十 廿一 廿二 廿三 廿四 廿五 廿六 廿七 "
                               "廿八 廿九 三十"))
        days.push_back(n);
    ExpectTable(kLunarDayNames, days, "lunar day");
}

TEST(NameTables, NayinNamesAndIndex) {
    ExpectTable(kNayinNames,
                Split("海中金 炉中火 大林木 路旁土 剑锋金 山头火 涧下水 城头土 白腊金 杨柳木 "
                      "泉中水 屋上土 霹雳火 松柏木 常流水 沙中金 山下火 平地木 壁上土 金箔金 "
                      "佛灯火 天河水 大驿土 钗钏金 桑松木 大溪水 沙中土 天上火 石榴木 大海水"),
                "nayin");
    struct Case { int stem, branch; const char *nayin; };
    const Case cases[] = {
        {1, 11, "海中金"},   // 甲子, place 1
        {2, 12, "海中金"},   // 乙丑, place 2
        {3, 13, "炉中火"},   // 丙寅
        {1, 21, "山头火"},   // 甲戌, place 11
        {7, 15, "白腊金"},   // 庚辰, place 17
        {10, 22, "大海水"},  // 癸亥, place 60
        {5, 17, "天上火"},   // 戊午, place 55
    };
    for (const auto &c : cases) EXPECT_EQ(Utf8(NayinName(bazi::NayinIndex(c.stem, c.branch))), c.nayin);
}

TEST(NameTables, WordsAndLabels) {
    struct Case { const char *gbk, *utf8; };
    const Case cases[] = {
        {kFullWidthSpace, "　"}, {kWordBody, "身"}, {kWordDay, "日"}, {kWordLeap, "闰"},
        {kWordYear, "年"}, {kWordMonth, "月"}, {kWordAge, "岁"}, {kWordDays, "天"},
        {kWordTen, "十"}, {kWordMale, "男"}, {kWordFemale, "女"},
        {kLabelName, "姓名¨"}, {kLabelBureau, "命局¨"}, {kLabelLunar, "农历¨"},
        {kLabelSolar, "公历¨"}, {kLabelLuckStart, "起运¨"},
    };
    for (const auto &c : cases) EXPECT_EQ(Utf8(c.gbk), c.utf8);
    // The separator is the byte pair A1 A7.
    EXPECT_EQ(std::string(kLabelName + 4), "\xA1\xA7");
}

TEST(NameTables, LookupsOutsideATableAreEmpty) {
    for (int i : {-1, 194, 1 << 30, INT32_MIN}) EXPECT_STREQ(ItemName(i), "");
    EXPECT_STREQ(SpiritStarName(42), "");
    EXPECT_STREQ(BureauName(7), "");
    EXPECT_STREQ(BrightnessName(8), "");
    EXPECT_STREQ(TenGodShortName(-1), "");
    EXPECT_STREQ(LunarMonthName(13), "");
    EXPECT_STREQ(LunarDayName(31), "");
    EXPECT_STREQ(DigitName(10), "");
    EXPECT_STREQ(NayinName(30), "");
}

std::string Written(void (*put)(TextCell &, int64_t), int64_t n) {
    char cell[32];
    TextCell out(cell, sizeof cell);
    put(out, n);
    return Utf8(cell);
}

void Counting(TextCell &out, int64_t n) { PutCountingForm(out, static_cast<int>(n)); }

TEST(Numerals, DigitForm) {
    struct Case { int64_t n; const char *text; };
    const Case cases[] = {{0, "零"}, {7, "七"}, {25, "二五"}, {1990, "一九九零"}, {2005, "二零零五"},
                          {31, "三一"}};
    for (const auto &c : cases) EXPECT_EQ(Written(PutDigitForm, c.n), c.text) << c.n;
}

TEST(Numerals, CountingForm) {
    struct Case { int n; const char *text; };
    const Case cases[] = {{0, "零"}, {1, "一"}, {9, "九"}, {10, "十"}, {11, "十一"}, {19, "十九"},
                          {20, "二十"}, {21, "二十一"}, {30, "三十"}, {45, "四十五"}, {90, "九十"},
                          {99, "九十九"}};
    for (const auto &c : cases) EXPECT_EQ(Written(Counting, c.n), c.text) << c.n;
}

TEST(Numerals, LunarDateText) {
    struct Case { int month, day; const char *text; };
    const Case cases[] = {{-4, 1, "闰四月初一"}, {1, 15, "正月十五"}, {11, 23, "冬月廿三"},
                          {12, 30, "腊月三十"}, {-11, 20, "闰冬月二十"}, {10, 10, "十月初十"}};
    for (const auto &c : cases) {
        char cell[16];
        TextCell out(cell, sizeof cell);
        PutLunarDateText(out, c.month, c.day);
        EXPECT_EQ(Utf8(cell), c.text);
    }
}

TEST(TextCell, KeepsWholeCharactersInsideTheCell) {
    char cell[8];
    std::memset(cell, 'x', sizeof cell);
    TextCell out(cell, 6);  // room for 5 bytes of text
    out.Put("ab").Put("\xD7\xCF\xCE\xA2");  // ab紫微: 微 would end at byte 6
    EXPECT_STREQ(cell, "ab\xD7\xCF");
    EXPECT_EQ(out.Length(), 4);
    out.Put("c");  // nothing is written once a character was dropped
    EXPECT_STREQ(cell, "ab\xD7\xCF");
    EXPECT_EQ(cell[6], 'x');
    // A lead byte that lacks its trail byte is not copied.
    TextCell half(cell, 8);
    half.Put("a\xD7");
    EXPECT_STREQ(cell, "a");
}

std::string Line(void (*write)(char *)) {
    char line[kHeaderLineSize + 1];
    std::memset(line, 'x', sizeof line);
    write(line);
    EXPECT_EQ(line[kHeaderLineSize], 'x');
    return Utf8(line);
}

TEST(HeaderLines, WordingOfEachLine) {
    EXPECT_EQ(Line([](char *l) { WriteBureauLine(l, 4); }), "命局¨金四局");
    EXPECT_EQ(Line([](char *l) { WriteLunarLine(l, 1990, 1, 1); }), "农历¨一九九零年正月初一");
    EXPECT_EQ(Line([](char *l) { WriteLunarLine(l, 2033, -11, 15); }), "农历¨二零三三年闰冬月十五");
    EXPECT_EQ(Line([](char *l) { WriteSolarLine(l, 1990, 1, 27); }), "公历¨一九九零年一月二七日");
    EXPECT_EQ(Line([](char *l) { WriteLuckStartLine(l, 1234); }), "起运¨三岁五月四天");
}

TEST(HeaderLines, GregorianDayInCountingThenDigitForm) {
    struct Case { int month, day; const char *text; };
    const Case cases[] = {
        {10, 1, "公历¨二零零五年十月一日"},   {11, 10, "公历¨二零零五年十一月十日"},
        {12, 19, "公历¨二零零五年十二月十九日"}, {12, 20, "公历¨二零零五年十二月二十日"},
        {12, 21, "公历¨二零零五年十二月二一日"}, {3, 30, "公历¨二零零五年三月三零日"},
        {12, 31, "公历¨二零零五年十二月三一日"},
    };
    for (const auto &c : cases) {
        char line[kHeaderLineSize];
        WriteSolarLine(line, 2005, c.month, c.day);
        EXPECT_EQ(Utf8(line), c.text) << c.month << "-" << c.day;
    }
}

TEST(HeaderLines, LuckStartInYearsOfThreeHundredSixtyDays) {
    struct Case { int64_t k; const char *text; };
    const Case cases[] = {
        {0, "起运¨零岁零月零天"},     {29, "起运¨零岁零月二十九天"}, {30, "起运¨零岁一月零天"},
        {720, "起运¨二岁零月零天"},   {1234, "起运¨三岁五月四天"},   {3719, "起运¨十岁三月二十九天"},
        {359, "起运¨零岁十一月二十九天"},
    };
    for (const auto &c : cases) {
        char line[kHeaderLineSize];
        WriteLuckStartLine(line, c.k);
        EXPECT_EQ(Utf8(line), c.text) << c.k;
    }
}

}  // namespace
