// Dll_Pan end to end: the four output blocks decoded to UTF-8 and compared
// with charts worked out by hand from the casting rules, the star walk of a
// palace, the name line, and the safety of every call over the whole range.
#include <iconv.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BaZi.h"
#include "CivilDate.h"
#include "Render.h"
#include "star.h"

// ---- Counting allocator: every operator new of the process is counted while
// `g_counting` is set.
namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
}  // namespace

void *operator new(std::size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
    if (void *p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace {

std::string Utf8(const char *gbk, int width) {
    std::string in(gbk, strnlen(gbk, width)), out(in.size() * 2 + 4, '\0');
    iconv_t cd = iconv_open("UTF-8", "GBK");
    char *src = in.data(), *dst = out.data();
    size_t left = in.size(), room = out.size();
    const size_t done = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) return "<bad>";
    out.resize(out.size() - room);
    return out;
}

std::string Gbk(const std::string &utf8) {
    std::string in(utf8), out(in.size() + 4, '\0');
    iconv_t cd = iconv_open("GBK", "UTF-8");
    char *src = in.data(), *dst = out.data();
    size_t left = in.size(), room = out.size();
    iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    out.resize(out.size() - room);
    return out;
}

int32_t Code(const char *slot) {
    const auto *b = reinterpret_cast<const unsigned char *>(slot + STAR_SLOT_CODE_OFFSET);
    return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
}

// The four blocks of one call, with guard bytes before, between and after.
struct Blocks {
    static constexpr int kGuard = 32;
    static constexpr unsigned char kGuardByte = 0xA5;
    static constexpr int kPalaces = kGuard;
    static constexpr int kHeader = kPalaces + STAR_PALACE_BLOCK_SIZE + kGuard;
    static constexpr int kPillars = kHeader + STAR_HEADER_BLOCK_SIZE + kGuard;
    static constexpr int kLuck = kPillars + STAR_PILLAR_BLOCK_SIZE + kGuard;
    static constexpr int kSize = kLuck + STAR_LUCK_BLOCK_SIZE + kGuard;
    unsigned char bytes[kSize];

    Blocks() { Fill(0xCD); }
    // Guards get their pattern, the blocks `filler` (what a caller left there).
    void Fill(unsigned char filler) {
        std::memset(bytes, kGuardByte, sizeof bytes);
        std::memset(bytes + kPalaces, filler, STAR_PALACE_BLOCK_SIZE);
        std::memset(bytes + kHeader, filler, STAR_HEADER_BLOCK_SIZE);
        std::memset(bytes + kPillars, filler, STAR_PILLAR_BLOCK_SIZE);
        std::memset(bytes + kLuck, filler, STAR_LUCK_BLOCK_SIZE);
    }
    void SetName(const std::string &gbk) {
        std::memcpy(bytes + kHeader, gbk.data(), gbk.size());
        bytes[kHeader + gbk.size()] = 0;
    }
    void Pan(double birth, bool male, int32_t reserved = 1) {
        Dll_Pan(birth, male ? 1 : 0, reserved, bytes + kPalaces, bytes + kHeader, bytes + kPillars,
                bytes + kLuck);
    }
    bool GuardsIntact() const {
        const int starts[] = {0, kHeader - kGuard, kPillars - kGuard, kLuck - kGuard, kSize - kGuard};
        for (int s : starts)
            for (int i = 0; i < kGuard; ++i)
                if (bytes[s + i] != kGuardByte) return false;
        return true;
    }
    const char *At(int offset) const { return reinterpret_cast<const char *>(bytes + offset); }
    const char *SlotAt(int r, int s) const {
        return At(kPalaces + STAR_PALACE_RECORD_SIZE * r + STAR_SLOT_SIZE * s);
    }
    std::string Slot(int r, int s) const { return Utf8(SlotAt(r, s), STAR_SLOT_TEXT_SIZE); }
    int32_t SlotCode(int r, int s) const { return Code(SlotAt(r, s)); }
    std::string Line(int l) const { return Utf8(At(kHeader + STAR_HEADER_LINE_SIZE * l), STAR_HEADER_LINE_SIZE); }
    std::string Pillar(int i, int j) const {
        return Utf8(At(kPillars + STAR_PILLAR_ROW_SIZE * i + STAR_PILLAR_CELL_SIZE * j), STAR_PILLAR_CELL_SIZE);
    }
    std::string Luck(int c) const { return Utf8(At(kLuck + STAR_LUCK_CELL_SIZE * c), STAR_LUCK_CELL_SIZE); }
};

double Birth(int y, int m, int d, int hour, int minute) {
    return star::DayCount(y, m, d) + (hour * 60 + minute) / 1440.0;
}

// Records by branch: 子 0, 丑 1, 寅 2, 卯 3, 辰 4, 巳 5, 午 6, 未 7, 申 8, 酉 9, 戌 10, 亥 11.
enum Record { Zi, Chou, Yin, Mao, Chen, Si, Wu, Wei, Shen, You, Xu, Hai };

// A shown star: name, display class, brightness text, transformation text.
struct Shown {
    std::string name;
    int displayClass;
    std::string brightness, transformation;
};

// Slots 0.. of a palace as shown stars, up to the first star of class 0.
std::vector<Shown> ClassedStars(const Blocks &b, int r) {
    std::vector<Shown> out;
    for (int k = 0; k < STAR_STARS_SHOWN; ++k) {
        const int cls = b.SlotCode(r, k);
        if (cls == 0) break;
        out.push_back({b.Slot(r, k), cls, b.Slot(r, 10 + k), b.Slot(r, 20 + k)});
    }
    return out;
}

void ExpectStars(const Blocks &b, int r, const std::vector<Shown> &expected) {
    const auto got = ClassedStars(b, r);
    ASSERT_EQ(got.size(), expected.size()) << "record " << r;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].name, expected[i].name) << "record " << r << " slot " << i;
        EXPECT_EQ(got[i].displayClass, expected[i].displayClass) << got[i].name;
        EXPECT_EQ(got[i].brightness, expected[i].brightness) << got[i].name;
        EXPECT_EQ(got[i].transformation, expected[i].transformation) << got[i].name;
    }
}

// ---- Whole charts, worked out by hand ----------------------------------------

// 1990-01-27 10:00, male. Lunar 1990 (庚午) 1st month day 1, hour 巳: forward,
// life palace 酉 (乙酉, paired with 甲申: 9+7+8+6 = 30, water, 水二局), body 未.
// 紫微 in 丑 (day 1, bureau 2: x = 1, odd), 天府 mirrored in 卯. 庚: 太阳禄
// 武曲权 天同科 太阴忌. Four pillars 己巳 丁丑 壬辰 乙巳 (before 立春).
TEST(PanWholeChart, Male1990) {
    Blocks b;
    b.SetName(Gbk("张三"));
    b.Pan(Birth(1990, 1, 27, 10, 0), true);
    ASSERT_TRUE(b.GuardsIntact());

    EXPECT_EQ(b.Line(0), "姓名¨张三　男");
    EXPECT_EQ(b.Line(1), "命局¨水二局");
    EXPECT_EQ(b.Line(2), "农历¨一九九零年正月初一");
    EXPECT_EQ(b.Line(3), "公历¨一九九零年一月二七日");

    // Palace names backward from 酉, stems from 戊寅 (庚 year), decades forward from 2.
    struct Fact { int record; const char *name, *stemBranch; int age; };
    const Fact facts[] = {
        {You, "命宫", "乙酉", 2},   {Shen, "兄弟", "甲申", 112}, {Wei, "夫妻", "癸未", 102},
        {Wu, "子女", "壬午", 92},   {Si, "财帛", "辛巳", 82},    {Chen, "疾厄", "庚辰", 72},
        {Mao, "迁移", "己卯", 62},  {Yin, "奴仆", "戊寅", 52},   {Chou, "官禄", "己丑", 42},
        {Zi, "田宅", "戊子", 32},   {Hai, "福德", "丁亥", 22},   {Xu, "父母", "丙戌", 12},
    };
    for (const auto &f : facts) {
        EXPECT_EQ(b.Slot(f.record, STAR_SLOT_PALACE_NAME), f.name);
        EXPECT_EQ(b.SlotCode(f.record, STAR_SLOT_PALACE_NAME), f.age) << f.name;
        EXPECT_EQ(b.Slot(f.record, STAR_SLOT_STEM_BRANCH), f.stemBranch) << f.name;
    }

    // Main, lucky, malefic stars and 天马 lead each palace in casting order.
    ExpectStars(b, Zi, {{"天机", 1, "庙", ""}});
    ExpectStars(b, Chou, {{"紫微", 1, "庙", ""}, {"破军", 1, "旺", ""}, {"天魁", 2, "旺", ""}});
    ExpectStars(b, Yin, {});
    ExpectStars(b, Mao, {{"天府", 1, "平", ""}});
    ExpectStars(b, Chen, {{"太阴", 1, "闲", "忌"}, {"左辅", 2, "庙", ""}, {"地劫", 3, "陷", ""}});
    ExpectStars(b, Si, {{"廉贞", 1, "陷", ""}, {"贪狼", 1, "陷", ""}, {"文昌", 2, "庙", ""}});
    ExpectStars(b, Wu, {{"巨门", 1, "旺", ""}, {"火星", 3, "庙", ""}, {"地空", 3, "庙", ""}});
    ExpectStars(b, Wei, {{"天相", 1, "闲", ""}, {"天钺", 2, "旺", ""}, {"陀罗", 3, "庙", ""}});
    ExpectStars(b, Shen, {{"天同", 1, "旺", "科"}, {"天梁", 1, "陷", ""}, {"禄存", 2, "庙", ""},
                          {"铃星", 3, "旺", ""}, {"天马", 4, "旺", ""}});
    ExpectStars(b, You, {{"武曲", 1, "旺", "权"}, {"七杀", 1, "闲", ""}, {"文曲", 2, "庙", ""},
                         {"擎羊", 3, "陷", ""}});
    ExpectStars(b, Xu, {{"太阳", 1, "陷", "禄"}, {"右弼", 2, "庙", ""}});
    ExpectStars(b, Hai, {});

    // Body palace 未: 天相 天钺 陀罗 before the marker; 截傍 (step 34), 天空
    // (38) and 封诰 (39) after it, each shown one slot lower than its entry.
    EXPECT_EQ(b.Slot(Wei, 3), "截傍");
    EXPECT_EQ(b.Slot(Wei, 4), "天空");
    EXPECT_EQ(b.Slot(Wei, 5), "封诰");
    EXPECT_EQ(b.SlotCode(Wei, 13), STAR_CODE_BRIGHTNESS);
    EXPECT_EQ(b.Slot(Wei, 13), "");
    EXPECT_EQ(b.Slot(Wei, 9), "　");
    EXPECT_EQ(b.Slot(Wei, 19), "　");
    EXPECT_EQ(b.Slot(Wei, STAR_SLOT_BODY), "身");
    EXPECT_EQ(b.SlotCode(Wei, STAR_SLOT_BODY), STAR_CODE_BODY);
    for (int r = 0; r < 12; ++r)
        if (r != Wei) EXPECT_EQ(b.Slot(r, STAR_SLOT_BODY), "") << r;

    // Pillars against the day stem 壬.
    const char *rows[6][4] = {
        {"官", "才", "日", "伤"},
        {"己", "丁", "壬", "乙"},
        {"巳", "丑", "辰", "巳"},
        {"大林木", "涧下水", "常流水", "佛灯火"},
        {"财枭杀", "官劫印", "杀伤劫", "财枭杀"},
        {"丙庚戊", "己癸辛", "戊乙癸", "丙庚戊"},
    };
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(b.Pillar(i, j), rows[i][j]) << i << "," << j;

    // 己 year stem, male: backward from 丁丑. 小寒 1990 falls on 5 January, so
    // the 21-22 days since it give 2570 to 2690 days of life: 7 years.
    const char *luck[8] = {"丙子", "乙亥", "甲戌", "癸酉", "壬申", "辛未", "庚午", "己巳"};
    EXPECT_EQ(b.Luck(0), "7");
    for (int i = 0; i < 8; ++i) EXPECT_EQ(b.Luck(1 + i), luck[i]);
    EXPECT_EQ(b.Luck(9), "文曲");   // 命主 of a 酉 life palace
    EXPECT_EQ(b.Luck(10), "火星");  // 身主 of a 午 year
    EXPECT_EQ(b.Luck(11), "巳");    // 斗君: from 子 back to month 1, on to hour 巳
}

// 2000-01-01 12:00, female. Lunar 1999 (己卯) 11th month day 25, hour 午:
// yin stem and female, forward. Life and body palace both 午 (庚午, paired
// with 辛未: 8+9+7+8 = 32, earth, 土五局); 紫微 in 午 (25 = 5 x 5).
TEST(PanWholeChart, Female2000) {
    Blocks b;
    b.SetName("");
    b.Pan(Birth(2000, 1, 1, 12, 0), false);
    ASSERT_TRUE(b.GuardsIntact());

    EXPECT_EQ(b.Line(0), "姓名¨　女");
    EXPECT_EQ(b.Line(1), "命局¨土五局");
    EXPECT_EQ(b.Line(2), "农历¨一九九九年冬月廿五");
    EXPECT_EQ(b.Line(3), "公历¨二零零零年一月一日");
    // 小寒 2000 at 01-06 09:00:41: 4 d 21 h 0 min 41 s ahead, x 120 = 585.06 days.
    EXPECT_EQ(b.Line(4), "起运¨一岁七月十五天");

    // The whole 午 palace: 紫微 and 禄存, then 解神 (month 11), 阴煞 (month 11)
    // and 天喜 (opposite 红鸾 in 子) before the body marker; nothing after it.
    const struct { int slot; const char *text; int code; } wu[] = {
        {0, "紫微", 1}, {1, "禄存", 2}, {2, "解神", 0}, {3, "阴煞", 0}, {4, "天喜", 0},
        {5, "", 0},     {8, "", 0},     {9, "　", 0},
        {10, "庙", 5},  {11, "旺", 5},  {12, "", 5},    {13, "", 5},    {14, "", 5},
        {15, "", 0},    {19, "　", 0},  {20, "", 0},    {21, "", 0},
        {50, "博士", 0},  // 博士 cycle starts at 禄存
        {51, "息神", 0},  // 将前 cycle from 卯 for a 卯 year
        {52, "贯索", 0},  // 岁前 cycle from the year branch 卯
        {53, "胎", 0},    // 长生 from 申 for bureau 5, forward
        {54, "庚午", 0},  {55, "命宫", 5}, {56, "身", 13},
    };
    for (const auto &s : wu) {
        EXPECT_EQ(b.Slot(Wu, s.slot), s.text) << "slot " << s.slot;
        EXPECT_EQ(b.SlotCode(Wu, s.slot), s.code) << "slot " << s.slot;
    }

    ExpectStars(b, Yin, {{"武曲", 1, "闲", "禄"}, {"天相", 1, "庙", ""}, {"左辅", 2, "庙", ""},
                         {"天马", 4, "旺", ""}});
    ExpectStars(b, Chen, {{"七杀", 1, "旺", ""}, {"文昌", 2, "旺", ""}, {"铃星", 3, "旺", ""}});
    ExpectStars(b, Xu, {{"廉贞", 1, "旺", ""}, {"天府", 1, "庙", ""}, {"文曲", 2, "陷", "忌"}});
    ExpectStars(b, Zi, {{"贪狼", 1, "旺", "权"}, {"右弼", 2, "庙", ""}, {"天魁", 2, "旺", ""}});
    ExpectStars(b, Mao, {{"太阳", 1, "庙", ""}, {"天梁", 1, "庙", "科"}, {"火星", 3, "平", ""}});
    ExpectStars(b, Si, {{"天机", 1, "平", ""}, {"陀罗", 3, "陷", ""}, {"地劫", 3, "闲", ""},
                        {"地空", 3, "庙", ""}});

    // Pillars 己卯 丙子 戊午 戊午 against the day stem 戊; 卯 and 子 hold one
    // hidden stem each.
    const char *rows[6][4] = {
        {"劫", "枭", "日", "比"},
        {"己", "丙", "戊", "戊"},
        {"卯", "子", "午", "午"},
        {"城头土", "涧下水", "天上火", "天上火"},
        {"官", "才", "印劫", "印劫"},
        {"乙", "癸", "丁己", "丁己"},
    };
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(b.Pillar(i, j), rows[i][j]) << i << "," << j;
    const char *luck[8] = {"丁丑", "戊寅", "己卯", "庚辰", "辛巳", "壬午", "癸未", "甲申"};
    EXPECT_EQ(b.Luck(0), "1");
    for (int i = 0; i < 8; ++i) EXPECT_EQ(b.Luck(1 + i), luck[i]);
    EXPECT_EQ(b.Luck(9), "破军");   // 命主 of a 午 life palace
    EXPECT_EQ(b.Luck(10), "天同");  // 身主 of a 卯 year
    EXPECT_EQ(b.Luck(11), "申");
}

// 1984-11-23 23:30, male: the civil date is leap 10th month day 1, but the
// hour after it is day 2 of the leap month, 子 hour, placed as month 11. 甲子
// year, forward; life and body palace 子 (丙子 with 丁丑: 30, 水二局); 紫微
// and 天府 share 寅 (day 2, bureau 2).
TEST(PanWholeChart, LeapMonthBirthAtHalfPastEleven) {
    Blocks b;
    b.SetName(Gbk("李四"));
    b.Pan(Birth(1984, 11, 23, 23, 30), true);
    ASSERT_TRUE(b.GuardsIntact());

    EXPECT_EQ(b.Line(0), "姓名¨李四　男");
    EXPECT_EQ(b.Line(1), "命局¨水二局");
    EXPECT_EQ(b.Line(2), "农历¨一九八四年闰十月初一");
    EXPECT_EQ(b.Line(3), "公历¨一九八四年十一月二三日");

    // 子: 破军 with 权, 右弼, the marker, then 天才 (from 命宫 forward by 子)
    // and 天寿 (from 身 forward by 子) one slot lower.
    const struct { int slot; const char *text; int code; } zi[] = {
        {0, "破军", 1}, {1, "右弼", 2}, {2, "天才", 0}, {3, "天寿", 0}, {4, "", 0}, {9, "　", 0},
        {10, "庙", 5},  {11, "庙", 5},  {12, "", 5},    {13, "", 5},    {14, "", 0}, {19, "　", 0},
        {20, "权", 10}, {21, "", 0},
        {50, "伏兵", 0}, {51, "将星", 0}, {52, "岁建", 0}, {53, "帝旺", 0},
        {54, "丙子", 0}, {55, "命宫", 2}, {56, "身", 13},
    };
    for (const auto &s : zi) {
        EXPECT_EQ(b.Slot(Zi, s.slot), s.text) << "slot " << s.slot;
        EXPECT_EQ(b.SlotCode(Zi, s.slot), s.code) << "slot " << s.slot;
    }
    ExpectStars(b, Yin, {{"紫微", 1, "庙", ""}, {"天府", 1, "庙", ""}, {"左辅", 2, "庙", ""},
                         {"禄存", 2, "庙", ""}, {"火星", 3, "庙", ""}, {"天马", 4, "旺", ""}});
    ExpectStars(b, Wu, {{"廉贞", 1, "平", "禄"}, {"天相", 1, "旺", ""}});
    ExpectStars(b, Xu, {{"武曲", 1, "庙", "科"}, {"文昌", 2, "陷", ""}, {"铃星", 3, "庙", ""}});
    ExpectStars(b, Hai, {{"太阳", 1, "陷", "忌"}, {"地劫", 3, "旺", ""}, {"地空", 3, "陷", ""}});
    EXPECT_EQ(b.Slot(Hai, STAR_SLOT_PALACE_NAME), "兄弟");
    EXPECT_EQ(b.SlotCode(Hai, STAR_SLOT_PALACE_NAME), 112);

    // Pillars 甲子 乙亥 壬戌 (the next day) 庚子 against 壬.
    const char *rows[3][4] = {{"食", "伤", "日", "枭"}, {"甲", "乙", "壬", "庚"}, {"子", "亥", "戌", "子"}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(b.Pillar(i, j), rows[i][j]) << i << "," << j;
    // Forward from 乙亥; 大雪 on 7 December is 13-14 days ahead: 4 years.
    const char *luck[8] = {"丙子", "丁丑", "戊寅", "己卯", "庚辰", "辛巳", "壬午", "癸未"};
    EXPECT_EQ(b.Luck(0), "4");
    for (int i = 0; i < 8; ++i) EXPECT_EQ(b.Luck(1 + i), luck[i]);
    EXPECT_EQ(b.Luck(9), "贪狼");
    EXPECT_EQ(b.Luck(10), "铃星");
    EXPECT_EQ(b.Luck(11), "寅");
}

// ---- Header lines ------------------------------------------------------------

TEST(PanHeader, DateLines) {
    struct Case { int y, m, d, hour, minute; int line; const char *text; };
    const Case cases[] = {
        {1990, 1, 27, 10, 0, 2, "农历¨一九九零年正月初一"},
        {1990, 1, 27, 10, 0, 3, "公历¨一九九零年一月二七日"},
        {2005, 12, 20, 8, 0, 3, "公历¨二零零五年十二月二十日"},
        {2005, 12, 21, 8, 0, 3, "公历¨二零零五年十二月二一日"},
        {2005, 3, 30, 8, 0, 3, "公历¨二零零五年三月三零日"},
        {2005, 12, 31, 8, 0, 3, "公历¨二零零五年十二月三一日"},
        {2033, 12, 22, 8, 0, 2, "农历¨二零三三年闰冬月初一"},
        {2034, 1, 5, 8, 0, 2, "农历¨二零三三年闰冬月十五"},
        // Year of the following hour, month and day of the civil date.
        {1984, 2, 1, 23, 30, 2, "农历¨一九八四年腊月三十"},
        {1984, 2, 1, 23, 30, 3, "公历¨一九八四年二月一日"},
        {2020, 5, 23, 6, 0, 2, "农历¨二零二零年闰四月初一"},
    };
    for (const auto &c : cases) {
        Blocks b;
        b.SetName("");
        b.Pan(Birth(c.y, c.m, c.d, c.hour, c.minute), true);
        EXPECT_EQ(b.Line(c.line), c.text) << c.y << "-" << c.m << "-" << c.d;
    }
}

TEST(PanHeader, LuckStartLineFromTheWholeDaysOfTheOffset) {
    struct Case { double offset; const char *text; };
    const Case cases[] = {
        {1234.0, "起运¨三岁五月四天"}, {1234.99, "起运¨三岁五月四天"}, {720.0, "起运¨二岁零月零天"},
        {29.5, "起运¨零岁零月二十九天"}, {0.0, "起运¨零岁零月零天"},
    };
    for (const auto &c : cases) {
        star::TKvrBaZi chart;
        chart.luckOffset = c.offset;
        char header[STAR_HEADER_BLOCK_SIZE] = {};
        star::RenderLuckStartLine(chart, header);
        EXPECT_EQ(Utf8(header + 4 * STAR_HEADER_LINE_SIZE, STAR_HEADER_LINE_SIZE), c.text) << c.offset;
    }
}

std::string Repeat(const std::string &s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(PanHeader, LongNamesAreCutAtAWholeCharacterInsideLineZero) {
    const std::string ten = "一二三四五六七八九十";  // 20 bytes of GBK
    struct Case { std::string gbk; const char *line; };
    const Case cases[] = {
        {Gbk(ten), "姓名¨一二三四五六七八九十　男"},               // 20 bytes: fits exactly
        {"a" + Gbk(ten), "姓名¨a一二三四五六七八九　男"},          // 21: the cut falls inside 十
        {Gbk(ten + "甲"), "姓名¨一二三四五六七八九十　男"},         // 22
        {Gbk(ten + "甲乙丙丁戊己"), "姓名¨一二三四五六七八九十　男"},  // 32, as the name field holds
        {Repeat("ab", 11), "姓名¨abababababababababab　男"},        // 22 ASCII bytes: cut to 20
        {"a" + Gbk("一二三四五六七八九十甲乙丙丁戊"), "姓名¨a一二三四五六七八九　男"},  // 31, no NUL
    };
    for (const auto &c : cases) {
        Blocks b;
        // The caller may write up to 32 bytes from line 0 on (and its NUL).
        std::memcpy(b.bytes + Blocks::kHeader, c.gbk.data(), c.gbk.size());
        if (c.gbk.size() < 31) b.bytes[Blocks::kHeader + c.gbk.size()] = 0;
        b.Pan(Birth(1990, 1, 27, 10, 0), true);
        EXPECT_EQ(b.Line(0), c.line) << c.gbk.size() << " bytes";
        EXPECT_LE(std::strlen(b.At(Blocks::kHeader)), 30u);
        EXPECT_EQ(b.Line(1), "命局¨水二局");
        EXPECT_TRUE(b.GuardsIntact());
    }
}

// ---- The star walk of one palace ---------------------------------------------

struct WalkCase {
    const char *what;
    std::vector<int32_t> stars;  // row slots 2.. (item codes)
    std::vector<int32_t> bright; // attribute cells beside them
    std::vector<std::pair<int, std::string>> texts;  // palace slot, expected text
    std::vector<std::pair<int, int32_t>> codes;      // palace slot, expected code
};

TEST(PanStarWalk, BodyMarkerLinesAndShift) {
    const WalkCase cases[] = {
        {"a star after the marker is shown one slot lower",
         {36, 64, 50, 35, 70}, {1, 0, 2, 0, 0},
         {{0, "紫微"}, {10, "庙"}, {20, "禄"}, {1, "文昌"}, {11, "旺"}, {2, "天刑"}, {12, ""},
          {3, ""}, {9, "　"}, {19, "　"}, {56, "身"}},
         {{0, 1}, {10, 5}, {20, 10}, {1, 2}, {11, 5}, {21, 0}, {2, 0}, {12, 5}, {3, 0}, {13, 0},
          {9, 0}, {56, 13}}},
        {"nine stars before the marker: no mark",
         {68, 69, 70, 71, 72, 73, 74, 75, 76, 35, 77}, {},
         {{0, "台辅"}, {8, "三台"}, {9, ""}, {19, ""}, {56, ""}},
         {{8, 0}, {18, 5}, {9, 0}, {19, 0}, {56, 0}}},
        {"eight lines before the marker: the mark is taken, nothing after it",
         {36, 64, 37, 65, 68, 69, 70, 71, 35, 72}, {1, 0, 2, 0, 0, 0, 0, 0, 0, 0},
         {{0, "紫微"}, {20, "禄"}, {1, "天机"}, {21, "权"}, {5, "天姚"}, {6, ""}, {9, "　"},
          {56, "身"}},
         {{6, 0}, {16, 0}, {56, 13}}},
        {"nine lines of stars and transformations before the marker: no mark",
         {36, 64, 37, 65, 38, 66, 39, 67, 40, 35}, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0},
         {{3, "武曲"}, {23, "忌"}, {4, "天同"}, {14, "庙"}, {5, ""}, {9, ""}, {56, ""}},
         {{3, 1}, {23, 10}, {4, 1}, {5, 0}, {56, 0}}},
        {"ten stars: the tenth is never shown",
         {68, 69, 70, 71, 72, 73, 74, 75, 76, 77}, {},
         {{8, "三台"}, {9, ""}, {19, ""}},
         {{8, 0}, {18, 5}, {9, 0}, {19, 0}}},
        {"a short row leaves the other slots empty",
         {42, 58}, {2, 1},
         {{0, "天府"}, {10, "旺"}, {1, "禄存"}, {11, "庙"}, {2, ""}, {12, ""}},
         {{0, 1}, {1, 2}, {2, 0}, {12, 0}}},
    };
    for (const auto &c : cases) {
        int32_t row[27] = {}, attributes[27] = {};
        row[0] = 23;
        row[1] = 1;
        for (size_t i = 0; i < c.stars.size(); ++i) row[2 + i] = c.stars[i];
        for (size_t i = 0; i < c.bright.size(); ++i) attributes[2 + i] = c.bright[i];
        char record[STAR_PALACE_RECORD_SIZE] = {};
        star::RenderPalaceStars(row, attributes, record);
        for (const auto &[slot, text] : c.texts)
            EXPECT_EQ(Utf8(record + STAR_SLOT_SIZE * slot, STAR_SLOT_TEXT_SIZE), text) << c.what << ", slot " << slot;
        for (const auto &[slot, code] : c.codes)
            EXPECT_EQ(Code(record + STAR_SLOT_SIZE * slot), code) << c.what << ", slot " << slot;
    }
}

// ---- Every call ---------------------------------------------------------------

TEST(Pan, ReservedArgumentHasNoEffect) {
    for (double birth : {Birth(1990, 1, 27, 10, 0), Birth(2034, 1, 5, 23, 30)}) {
        Blocks first;
        first.SetName(Gbk("王五"));
        first.Pan(birth, false, 1);
        for (int32_t reserved : {0, -1, 2, std::numeric_limits<int32_t>::max(),
                                 std::numeric_limits<int32_t>::min()}) {
            Blocks other;
            other.SetName(Gbk("王五"));
            other.Pan(birth, false, reserved);
            EXPECT_EQ(std::memcmp(first.bytes, other.bytes, sizeof first.bytes), 0) << reserved;
        }
    }
}

TEST(Pan, SameBlocksWhateverTheyHeldBefore) {
    Blocks a, b;
    a.Fill(0x00);
    b.Fill(0xFF);
    a.SetName("x");
    b.SetName("x");
    a.Pan(Birth(1999, 9, 9, 9, 9), true);
    b.Pan(Birth(1999, 9, 9, 9, 9), true);
    // Only the bytes up to each NUL count; compare the decoded texts and codes.
    for (int r = 0; r < 12; ++r)
        for (int s = 0; s < STAR_SLOTS_PER_PALACE; ++s) {
            EXPECT_EQ(a.Slot(r, s), b.Slot(r, s));
            EXPECT_EQ(a.SlotCode(r, s), b.SlotCode(r, s));
        }
    for (int l = 0; l < 8; ++l) EXPECT_EQ(a.Line(l), b.Line(l));
}

TEST(Pan, AllocatesNothing) {
    Blocks b;
    b.Pan(Birth(2000, 1, 1, 0, 0), true);  // warm-up
    g_allocations = 0;
    g_counting = true;
    b.Pan(Birth(1990, 1, 27, 10, 0), true);
    b.Pan(Birth(2034, 1, 5, 23, 30), false);
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
}

// Outside the supported span the output means nothing, but every write stays
// inside the blocks and every text inside its cell.
TEST(Pan, BadInstantsStayInsideTheBlocks) {
    const double inf = std::numeric_limits<double>::infinity();
    const double births[] = {std::nan(""), inf, -inf, 1e300, -1e300, 0.0, -1.0,
                             Birth(1900, 1, 1, 0, 0), Birth(2099, 12, 31, 23, 59), 3.0e9,
                             std::numeric_limits<double>::denorm_min()};
    for (double birth : births) {
        Blocks b;
        b.SetName("name");
        b.Pan(birth, true);
        EXPECT_TRUE(b.GuardsIntact()) << birth;
        for (int l = 0; l < STAR_HEADER_LINES; ++l)
            EXPECT_LT(strnlen(b.At(Blocks::kHeader + 31 * l), 31), 31u) << birth;
    }
}

// One call's invariants: guards intact, the never-written slots and lines
// empty, exactly one 命宫, fourteen main stars, a decimal start age.
::testing::AssertionResult CheckCall(const Blocks &b) {
    if (!b.GuardsIntact()) return ::testing::AssertionFailure() << "guard bytes changed";
    int lifePalaces = 0, mainStars = 0;
    for (int r = 0; r < 12; ++r) {
        for (int s = 0; s < STAR_SLOTS_PER_PALACE; ++s) {
            const char *slot = b.SlotAt(r, s);
            if (strnlen(slot, STAR_SLOT_TEXT_SIZE) == STAR_SLOT_TEXT_SIZE)
                return ::testing::AssertionFailure() << "slot " << s << " without NUL";
            const bool neverWritten = (s >= 30 && s < 50) || s >= 57;
            if (neverWritten && (slot[0] != 0 || Code(slot) != 0))
                return ::testing::AssertionFailure() << "slot " << s << " of record " << r << " written";
            if (s < STAR_STARS_SHOWN && Code(slot) == STAR_CODE_MAIN) ++mainStars;
        }
        // 命宫 is GBK C3FC B9AC.
        if (std::strcmp(b.SlotAt(r, STAR_SLOT_PALACE_NAME), "\xC3\xFC\xB9\xAC") == 0) ++lifePalaces;
    }
    for (int l = 5; l < 8; ++l)
        if (b.At(Blocks::kHeader + 31 * l)[0] != 0) return ::testing::AssertionFailure() << "line " << l;
    if (lifePalaces != 1) return ::testing::AssertionFailure() << lifePalaces << " life palaces";
    if (mainStars != 14) return ::testing::AssertionFailure() << mainStars << " main stars";
    const char *age = b.At(Blocks::kLuck);
    const size_t digits = strnlen(age, STAR_LUCK_CELL_SIZE);
    if (digits == 0 || digits >= STAR_LUCK_CELL_SIZE) return ::testing::AssertionFailure() << "start age";
    for (size_t i = 0; i < digits; ++i)
        if (age[i] < '0' || age[i] > '9') return ::testing::AssertionFailure() << "start age not decimal";
    return ::testing::AssertionSuccess();
}

// Every day of 1902-2050 at 00:30, 11:00 and 23:30, with a 30-byte name:
// about half a minute under the sanitizers. STAR_PAN_DAY_STEP=N samples every
// Nth day instead.
TEST(Pan, EveryDayOfTheSupportedYears) {
    const char *stepText = std::getenv("STAR_PAN_DAY_STEP");
    const int step = stepText && std::atoi(stepText) > 0 ? std::atoi(stepText) : 1;
    const std::string name = Gbk("一二三四五六七八九十甲乙丙丁戊");
    const int first = star::DayCount(1902, 1, 1), last = star::DayCount(2050, 12, 31);
    const int minutes[] = {30, 11 * 60, 23 * 60 + 30};
    Blocks b;
    int failures = 0;
    for (int day = first; day <= last && failures < 5; day += step) {
        for (int m : minutes) {
            b.Fill(static_cast<unsigned char>(day));
            b.SetName(name);
            b.Pan(day + m / 1440.0, (day + m) % 2 == 0);
            const auto result = CheckCall(b);
            if (!result) {
                ++failures;
                ADD_FAILURE() << "day " << day << " minute " << m << ": " << result.message();
            }
        }
    }
}

}  // namespace
