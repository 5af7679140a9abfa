// The Four Pillars chart: ten gods, hidden stems, direction, luck start and
// luck pillars, and the spirit-star rules. Expected values are worked out by
// hand from the rules of the chart, not taken from the engine.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "BaZi.h"
#include "Calendar.h"
#include "CivilDate.h"
#include "DouShu.h"

namespace {

using namespace star;
using namespace star::bazi;

// Stem and branch codes from their characters (UTF-8, three bytes each).
int CodeOf(std::string_view ch) {
    constexpr std::string_view kStems = "甲乙丙丁戊己庚辛壬癸";
    constexpr std::string_view kBranches = "子丑寅卯辰巳午未申酉戌亥";
    if (const auto at = kStems.find(ch); at != std::string_view::npos) return static_cast<int>(at / 3) + 1;
    if (const auto at = kBranches.find(ch); at != std::string_view::npos) return static_cast<int>(at / 3) + 11;
    ADD_FAILURE() << "not a stem or branch: " << ch;
    return 0;
}

Pillar P(std::string_view pair) { return {CodeOf(pair.substr(0, 3)), CodeOf(pair.substr(3, 3))}; }

std::string NameOf(Pillar p) {
    constexpr std::string_view kStems = "甲乙丙丁戊己庚辛壬癸";
    constexpr std::string_view kBranches = "子丑寅卯辰巳午未申酉戌亥";
    if (p.stem < 1 || p.stem > 10 || p.branch < 11 || p.branch > 22) return "?";
    return std::string(kStems.substr(3 * (p.stem - 1), 3)) + std::string(kBranches.substr(3 * (p.branch - 11), 3));
}

double Instant(int y, int mo, int d, int h, int mi) { return DayCount(y, mo, d) + (h * 60 + mi) / 1440.0; }

// A chart computed from the given pillars (year, month, day, hour) as the
// calendar would have left them.
TKvrBaZi FromPillars(const std::array<const char *, 4> &pillars, uint8_t sex) {
    TKvrBaZi chart;
    int32_t *fields[4] = {chart.yearPillar, chart.monthPillar, chart.dayPillar, chart.hourPillar};
    for (int p = 0; p < 4; ++p) {
        const Pillar pillar = P(pillars[p]);
        fields[p][0] = pillar.stem;
        fields[p][1] = pillar.branch;
    }
    chart.SetBirth(Instant(2000, 6, 15, 12, 0));
    chart.SetSex(sex);
    chart.ComputeFromPillars();
    return chart;
}

TKvrBaZi Cast(double birth, uint8_t sex) {
    TKvrBaZi chart;
    chart.SetBirth(birth);
    chart.SetSex(sex);
    chart.Compute();
    return chart;
}

std::vector<int> StarsOf(const TKvrBaZi &chart, int pillar) {
    std::vector<int> list;
    for (const auto &row : chart.spiritStars)
        if (row[pillar] != 0) list.push_back(row[pillar]);
    return list;
}

bool Has(const TKvrBaZi &chart, int pillar, int code) {
    for (const int c : StarsOf(chart, pillar))
        if (c == code) return true;
    return false;
}

int64_t SecondsOfMinute(double instant) { return std::llround(instant * 1440.0) * 60; }

// ---- Ten gods and hidden stems ---------------------------------------------

TEST(BaZiTenGod, EveryStemAgainstTwoDayStems) {
    struct Case {
        const char *day;
        std::array<int, 10> gods;  // against 甲..癸
    };
    using namespace tengod;
    const Case cases[] = {
        // 甲 wood yang: 甲 比, 乙 劫, 丙 食, 丁 伤, 戊 偏财, 己 正财, 庚 杀, 辛 官, 壬 枭, 癸 印.
        {"甲", {kBiJian, kJieCai, kShiShen, kShangGuan, kPianCai, kZhengCai, kQiSha, kZhengGuan, kPianYin, kZhengYin}},
        // 辛 metal yin: wood is its wealth, fire its officer, earth its seal, water its output.
        {"辛", {kZhengCai, kPianCai, kZhengGuan, kQiSha, kZhengYin, kPianYin, kJieCai, kBiJian, kShangGuan, kShiShen}},
    };
    for (const Case &c : cases)
        for (int stem = 1; stem <= 10; ++stem)
            EXPECT_EQ(TenGodOf(CodeOf(c.day), stem), c.gods[stem - 1]) << c.day << " against stem " << stem;
}

TEST(BaZiTenGod, NoStemNoGod) {
    for (const int other : {0, -1, 11, 22, 1000}) {
        EXPECT_EQ(TenGodOf(other, 1), 0) << other;
        EXPECT_EQ(TenGodOf(1, other), 0) << other;
    }
}

// 2000-01-01 12:00: 己卯 丙子 戊午 戊午 (before 小寒, so still the 子 month of
// the 卯 year; the day is 戊午; the 午 hour of a 戊 day is 戊午).
TEST(BaZiChart, HiddenStemsAndTenGodsOfAKnownBirth) {
    const TKvrBaZi chart = Cast(Instant(2000, 1, 1, 12, 0), 1);
    const std::array<const char *, 4> pillars = {"己卯", "丙子", "戊午", "戊午"};
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(NameOf({chart.stems[p], chart.branches[p]}), pillars[p]) << "pillar " << p;
    }
    const int 丁 = CodeOf("丁"), 乙 = CodeOf("乙"), 癸 = CodeOf("癸"), 己 = CodeOf("己");
    // 卯: 乙 alone; 子: 癸 alone; 午: 丁 then 己. The single stems sit in the second row.
    const int32_t hidden[3][4] = {{0, 0, 丁, 丁}, {乙, 癸, 己, 己}, {0, 0, 0, 0}};
    using namespace tengod;
    // Against 戊 (earth yang): 己 劫财, 丙 偏印, the day itself 0, 戊 比肩; 乙
    // controls earth, opposite polarity: 正官; earth controls 癸: 正财; 丁 正印.
    const int32_t gods[4][4] = {
        {kJieCai, kPianYin, kNone, kBiJian},
        {kNone, kNone, kZhengYin, kZhengYin},
        {kZhengGuan, kZhengCai, kJieCai, kJieCai},
        {kNone, kNone, kNone, kNone},
    };
    for (int p = 0; p < 4; ++p) {
        for (int r = 0; r < 3; ++r) EXPECT_EQ(chart.hiddenStems[r][p], hidden[r][p]) << r << "," << p;
        for (int r = 0; r < 4; ++r) EXPECT_EQ(chart.tenGods[r][p], gods[r][p]) << r << "," << p;
    }
    // 己 is a yin year stem: a man runs backward.
    EXPECT_EQ(chart.direction, 0);
}

// Every rule walked by hand for 己卯 丙子 戊午 戊午, a man, backward chart.
TEST(BaZiChart, SpiritStarListsOfAKnownBirthInRuleOrder) {
    using namespace spirit;
    const std::vector<int> expected[4] = {
        // Year 己卯: 桃花 from the day branch 午.
        {kTaoHua},
        // Month 丙子: 贵人 (己 to 子), 红鸾 (卯 year to 子), 桃花 (卯 to 子),
        // 勾煞 (three back from 卯 in a backward chart), 空亡 (戊午 lies in the 甲寅 decade: 子 丑).
        {kGuiRen, kHongLuan, kTaoHua, kGouSha, kKongWang},
        // Day 戊午: 天喜 (卯 to 午), 羊刃 (戊 to 午), 绞煞 (three on from 卯), 孤鸾 (戊午 day and hour).
        {kTianXi, kYangRen, kJiaoSha, kGuLuan},
        // Hour 戊午: 将星 (day branch 午 to 午, not its own pillar), then as the day but 孤鸾.
        {kJiangXing, kTianXi, kYangRen, kJiaoSha},
    };
    const TKvrBaZi cast = Cast(Instant(2000, 1, 1, 12, 0), 1);
    const TKvrBaZi given = FromPillars({"己卯", "丙子", "戊午", "戊午"}, 1);
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(StarsOf(cast, p), expected[p]) << "cast, pillar " << p;
        EXPECT_EQ(StarsOf(given, p), expected[p]) << "from pillars, pillar " << p;
    }
}

// ---- Direction -------------------------------------------------------------

// 1994-02-06 lies after 立春 (4 February) but before the lunar new year
// (10 February): the pillars run in the 甲戌 year, the lunar year is still 癸酉.
TEST(BaZiDirection, FollowsTheLiChunYearNotTheLunarYear) {
    for (const uint8_t sex : {uint8_t{1}, uint8_t{0}}) {
        const TKvrBaZi chart = Cast(Instant(1994, 2, 6, 12, 0), sex);
        EXPECT_EQ(NameOf({chart.yearPillar[0], chart.yearPillar[1]}), "甲戌");
        EXPECT_EQ(chart.yearStem, 10);  // 癸, the lunar year
        // The natal chart: male with a yang lunar year stem (or female with a yin one) runs forward.
        const bool natalForward = (sex != 0) == (chart.yearStem % 2 == 1);
        const bool forward = chart.direction == 1;
        EXPECT_EQ(forward, sex != 0) << "sex " << int(sex);
        EXPECT_NE(forward, natalForward) << "sex " << int(sex);
    }
}

// Name of the first public field in which the two charts differ, empty when
// every field (calendar and chart) and every luck pillar agree.
std::string FirstDifference(const TKvrBaZi &a, const TKvrBaZi &b) {
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
    if (a.direction != b.direction) return "direction";
    if (std::memcmp(a.stems, b.stems, sizeof a.stems) != 0) return "stems";
    if (std::memcmp(a.branches, b.branches, sizeof a.branches) != 0) return "branches";
    if (std::memcmp(a.hiddenStems, b.hiddenStems, sizeof a.hiddenStems) != 0) return "hiddenStems";
    if (std::memcmp(a.tenGods, b.tenGods, sizeof a.tenGods) != 0) return "tenGods";
    if (std::memcmp(a.spiritStars, b.spiritStars, sizeof a.spiritStars) != 0) return "spiritStars";
    if (a.luckOffset != b.luckOffset) return "luckOffset";
    if (a.startAge != b.startAge) return "startAge";
    if (a.sex != b.sex) return "sex";
    for (int i = 0; i < 8; ++i)
        if (a.LuckPillar(i).stem != b.LuckPillar(i).stem || a.LuckPillar(i).branch != b.LuckPillar(i).branch)
            return "luck pillar " + std::to_string(i);
    return "";
}

// The constructor from a computed calendar and a sex gives the record of the
// default constructor followed by SetBirth, SetSex and Compute, whether the
// calendar comes from a plain base or from the natal chart of the birth.
TEST(BaZiChart, ConstructedFromACalendarAsSetAndCompute) {
    struct Case {
        const char *what;
        double birth;
        uint8_t male;
    };
    const Case cases[] = {
        {"1984 立春 minute, the year turning", Instant(1984, 2, 4, 23, 19), 1},
        {"23:30, the next day's 子 hour", Instant(1984, 2, 1, 23, 30), 0},
        {"seconds after 立春", Instant(2000, 2, 4, 20, 40) + 25 / 86400.0, 1},
        {"after 立春, before the lunar new year", Instant(1994, 2, 6, 12, 0), 0},
        {"3 January, backward to December", Instant(2001, 1, 3, 6, 0), 0},
        {"first day of the span", Instant(1902, 1, 1, 0, 0), 1},
        {"last minute of the span", Instant(2050, 12, 31, 23, 59), 0},
    };
    for (const Case &c : cases) {
        const TKvrBaZi stepwise = Cast(c.birth, c.male);
        const TKvrBaZi fromBase(TKvrBase(c.birth), c.male);
        EXPECT_EQ(FirstDifference(fromBase, stepwise), "") << c.what << ", from the calendar";
        const TKvrDouShu natal(c.birth, c.male);
        const TKvrBaZi fromNatal(natal, c.male);
        EXPECT_EQ(FirstDifference(fromNatal, stepwise), "") << c.what << ", from the natal chart";
    }
}

// ---- Luck start --------------------------------------------------------------

TEST(BaZiLuckStart, DistanceTimesOneHundredTwenty) {
    const double birth = Instant(2000, 3, 1, 10, 0);
    struct Case {
        const char *what;
        double previous, next;
        bool forward;
        double offset;
        int age;
    };
    const Case cases[] = {
        {"3 days forward is one year", birth - 20, birth + 3, true, 360, 1},
        {"6 days forward is 720 days, two years", birth - 20, birth + 6, true, 720, 2},
        {"backward counts from the previous term", birth - 6, birth + 20, false, 720, 2},
        {"two hours are ten days", birth - 20, birth + 2.0 / 24, true, 10, 0},
        {"one minute is a twelfth of a day", birth - 20, birth + 1.0 / 1440, true, 1.0 / 12, 0},
        {"just short of three years", birth - 20, birth + 9 - 1.0 / 1440, true, 1080 - 1.0 / 12, 2},
        {"1234 days: 3 years 5 months 4 days", birth - 20, birth + 1234.0 / 120, true, 1234, 3},
        {"birth at the term", birth - 20, birth, true, 0, 0},
        {"terms that do not enclose the birth give 0", birth + 1, birth + 20, false, 0, 0},
    };
    for (const Case &c : cases) {
        const LuckStart start = LuckStartBetween(birth, c.previous, c.next, c.forward);
        EXPECT_NEAR(start.offset, c.offset, 1e-9) << c.what;
        EXPECT_EQ(start.startAge, c.age) << c.what;
    }
}

// A term to the second: 2000 立春 is 20:40:24; a birth at 20:40 is 24 s short
// of it, 24 / 720 of a day of life.
TEST(BaZiLuckStart, TermsToTheSecond) {
    const double term = Instant(2000, 2, 4, 20, 40) + 24 / 86400.0;
    const LuckStart start = LuckStartBetween(Instant(2000, 2, 4, 20, 40), term - 30, term, true);
    EXPECT_DOUBLE_EQ(start.offset, 24.0 / 720);
}

// A birth with seconds is taken to the second, as the pillars take it. The
// stored 2000 立春 is 2000-02-04 20:40:23 and 惊蛰 2000-03-05 14:42:39; a birth
// at 20:40:25 has the 庚辰 year and the 戊寅 month. A man (庚 is yang) runs
// forward to 惊蛰: 29 days 18:02:14 = 2 570 534 s, 2 570 534 / 720 days of life,
// 9 whole years of 360 days. A woman runs backward to 立春: 2 s, 2 / 720 days.
TEST(BaZiLuckStart, ABirthSecondsAfterLiChunStartsFromLiChun) {
    constexpr int64_t kDay = 86400;
    ASSERT_EQ(SolarTermSeconds(2000, 2), DayCount(2000, 2, 4) * kDay + 20 * 3600 + 40 * 60 + 23);
    ASSERT_EQ(SolarTermSeconds(2000, 4), DayCount(2000, 3, 5) * kDay + 14 * 3600 + 42 * 60 + 39);
    const double birth = Instant(2000, 2, 4, 20, 40) + 25.0 / kDay;

    double previous = 0, next = 0;
    ASSERT_TRUE(MinorTermsAround(birth, SolarTerm, &previous, &next));
    EXPECT_EQ(previous, SolarTerm(2000, 2));
    EXPECT_EQ(next, SolarTerm(2000, 4));

    struct Case {
        uint8_t male;
        uint8_t direction;
        double offset;
        int age;
    };
    for (const Case &c : {Case{1, 1, 2570534.0 / 720, 9}, Case{0, 0, 2.0 / 720, 0}}) {
        const TKvrBaZi chart = Cast(birth, c.male);
        EXPECT_EQ(NameOf({chart.yearPillar[0], chart.yearPillar[1]}), "庚辰");
        EXPECT_EQ(NameOf({chart.monthPillar[0], chart.monthPillar[1]}), "戊寅");
        EXPECT_EQ(chart.direction, c.direction) << "male " << int(c.male);
        EXPECT_DOUBLE_EQ(chart.luckOffset, c.offset) << "male " << int(c.male);
        EXPECT_EQ(chart.startAge, c.age) << "male " << int(c.male);
    }
}

// At and around 1984 立春 (1984-02-04 23:19), where the year turns from 癸亥 to 甲子.
TEST(BaZiLuckStart, AtAndAroundAMinorTerm) {
    const double liChun = SolarTerm(1984, 2);
    ASSERT_EQ(SecondsOfMinute(liChun), SecondsOfMinute(Instant(1984, 2, 4, 23, 19)));
    struct Case {
        const char *what;
        int minute;
        uint8_t sex;
        const char *year;
        int direction;
        double offset;  // days; < 0: from 小寒 1984 (previous) to the birth
    };
    const Case cases[] = {
        {"a minute before, 癸亥 woman runs forward to 立春", 18, 0, "癸亥", 1, 1.0 / 12},
        {"at the term, 甲子 man: the term counts as still ahead", 19, 1, "甲子", 1, 0},
        {"at the term, 甲子 woman runs back to 小寒", 19, 0, "甲子", 0, -1},
        {"a minute after, 甲子 woman runs back to 立春", 20, 0, "甲子", 0, 1.0 / 12},
    };
    for (const Case &c : cases) {
        const double birth = Instant(1984, 2, 4, 23, c.minute);
        const TKvrBaZi chart = Cast(birth, c.sex);
        EXPECT_EQ(NameOf({chart.yearPillar[0], chart.yearPillar[1]}), c.year) << c.what;
        EXPECT_EQ(chart.direction, c.direction) << c.what;
        double expected = c.offset;
        if (expected < 0) expected = (SecondsOfMinute(birth) - SolarTermSeconds(1984, 0)) / 720.0;
        EXPECT_NEAR(chart.luckOffset, expected, 1e-9) << c.what;
        EXPECT_EQ(chart.startAge, static_cast<int>(expected / 360)) << c.what;
    }
    double previous = 0, next = 0;
    ASSERT_TRUE(MinorTermsAround(Instant(1984, 2, 4, 23, 19), SolarTerm, &previous, &next));
    EXPECT_EQ(previous, SolarTerm(1984, 0));  // 小寒
    EXPECT_EQ(next, liChun);
    ASSERT_TRUE(MinorTermsAround(Instant(1984, 2, 4, 23, 20), SolarTerm, &previous, &next));
    EXPECT_EQ(previous, liChun);
    EXPECT_EQ(next, SolarTerm(1984, 4));  // 惊蛰
}

// 2040 立春 is kept to the day, 2040-02-04 00:00. A 己未-year woman (forward)
// born six days before it: 720 days, two years, printed 2 years 0 months 0 days.
TEST(BaZiLuckStart, SixDaysBeforeTheNextTermIsTwoYears) {
    ASSERT_EQ(SolarTerm(2040, 2), 51170.0);
    const TKvrBaZi chart = Cast(Instant(2040, 1, 29, 0, 0), 0);
    EXPECT_EQ(NameOf({chart.yearPillar[0], chart.yearPillar[1]}), "己未");
    EXPECT_EQ(chart.direction, 1);
    EXPECT_EQ(chart.luckOffset, 720.0);
    EXPECT_EQ(chart.startAge, 2);
    const int k = static_cast<int>(chart.luckOffset);
    EXPECT_EQ(k / 360, 2);
    EXPECT_EQ(k % 360 / 30, 0);
    EXPECT_EQ(k % 30, 0);
}

// 1922 芒种 falls at 1922-06-06 20:30. Three and six days before it the
// distance is a whole number of days; reckoned as raw day-count doubles it
// comes out a hair short (359.9999...), which would print one day less and
// take a year off the start age. 1922 is a 壬戌 year: a man runs forward.
TEST(BaZiLuckStart, WholeDaysOffsetIsNotTruncatedLow) {
    ASSERT_EQ(SecondsOfMinute(SolarTerm(1922, 10)), SecondsOfMinute(Instant(1922, 6, 6, 20, 30)));
    struct Case {
        int month, day;
        double offset;
        int age;
    };
    const Case cases[] = {{6, 3, 360, 1}, {5, 31, 720, 2}};
    for (const Case &c : cases) {
        const double birth = Instant(1922, c.month, c.day, 20, 30);
        const TKvrBaZi chart = Cast(birth, 1);
        ASSERT_EQ(chart.direction, 1);
        EXPECT_EQ(chart.luckOffset, c.offset) << c.month << "-" << c.day;
        EXPECT_EQ(static_cast<int>(chart.luckOffset), static_cast<int>(c.offset)) << c.month << "-" << c.day;
        EXPECT_EQ(chart.startAge, c.age) << c.month << "-" << c.day;
    }
}

// Three days before any minor term kept to the minute is exactly one year,
// for every such term of the supported years.
TEST(BaZiLuckStart, ThreeDaysBeforeEveryMinuteTermIsOneYear) {
    int checked = 0;
    for (int y = 1902; y <= 2050; ++y) {
        for (int t = 0; t < 24; t += 2) {
            const int64_t termSeconds = SolarTermSeconds(y, t);
            if (termSeconds % 60 != 0) continue;  // 2000..2029 keep seconds
            const int64_t birthMinute = termSeconds / 60 - 3 * 1440;
            const double birth = static_cast<double>(birthMinute / 1440) + (birthMinute % 1440) / 1440.0;
            TKvrBaZi chart = Cast(birth, 1);
            if (chart.direction == 0) chart = Cast(birth, 0);  // yin year: a woman runs forward
            ASSERT_EQ(chart.direction, 1);
            EXPECT_EQ(chart.luckOffset, 360.0) << y << " term " << t;
            EXPECT_EQ(chart.startAge, 1) << y << " term " << t;
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
}

// 3 January lies before 小寒: the previous minor term is 大雪 of December.
// 1990-01-03 is in the 己巳 year of the pillars; a man runs backward.
TEST(BaZiLuckStart, ThirdOfJanuaryBackwardToDecember) {
    const double birth = Instant(1990, 1, 3, 12, 0);
    const TKvrBaZi chart = Cast(birth, 1);
    EXPECT_EQ(NameOf({chart.yearPillar[0], chart.yearPillar[1]}), "己巳");
    ASSERT_EQ(chart.direction, 0);
    const int64_t daXue = SolarTermSeconds(1989, 22);
    EXPECT_EQ(chart.luckOffset, (SecondsOfMinute(birth) - daXue) / 720.0);
    double previous = 0, next = 0;
    ASSERT_TRUE(MinorTermsAround(birth, SolarTerm, &previous, &next));
    EXPECT_EQ(previous, SolarTerm(1989, 22));
    EXPECT_EQ(next, SolarTerm(1990, 0));
    // And at the other end of the year: after 大雪 the next term is 小寒 of the next year.
    ASSERT_TRUE(MinorTermsAround(Instant(1989, 12, 30, 8, 0), SolarTerm, &previous, &next));
    EXPECT_EQ(previous, SolarTerm(1989, 22));
    EXPECT_EQ(next, SolarTerm(1990, 0));
}

TEST(BaZiLuckStart, TermsOutsideTheTableAreNotRead) {
    double previous = -1, next = -1;
    const double births[] = {Instant(1900, 1, 3, 0, 0), Instant(2099, 12, 30, 0, 0), Instant(1850, 5, 1, 0, 0),
                             Instant(2200, 5, 1, 0, 0), std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), -1e300};
    for (const double birth : births) {
        EXPECT_FALSE(MinorTermsAround(birth, SolarTerm, &previous, &next)) << birth;
        EXPECT_EQ(previous, 0);
        EXPECT_EQ(next, 0);
    }
    const TKvrBaZi chart = Cast(std::numeric_limits<double>::quiet_NaN(), 1);
    EXPECT_EQ(chart.luckOffset, 0);
    EXPECT_EQ(chart.startAge, 0);
}

// ---- Luck pillars ------------------------------------------------------------

TEST(BaZiLuckPillars, RunOnFromTheMonthPillar) {
    struct Case {
        const char *month;
        uint8_t sex;  // with a 甲 year: male forward, female backward
        std::array<const char *, 8> luck;
    };
    const Case cases[] = {
        {"丙寅", 1, {"丁卯", "戊辰", "己巳", "庚午", "辛未", "壬申", "癸酉", "甲戌"}},
        {"丙寅", 0, {"乙丑", "甲子", "癸亥", "壬戌", "辛酉", "庚申", "己未", "戊午"}},
        {"壬申", 1, {"癸酉", "甲戌", "乙亥", "丙子", "丁丑", "戊寅", "己卯", "庚辰"}},
    };
    for (const Case &c : cases) {
        const TKvrBaZi chart = FromPillars({"甲子", c.month, "甲子", "甲子"}, c.sex);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(NameOf(chart.LuckPillar(i)), c.luck[i]) << c.month << " sex " << int(c.sex) << " #" << i;
    }
    // Round the cycle: 癸亥 is followed by 甲子.
    const TKvrBaZi last = FromPillars({"甲子", "癸亥", "甲子", "甲子"}, 1);
    EXPECT_EQ(NameOf(last.LuckPillar(0)), "甲子");
}

TEST(BaZiLuckPillars, CycleIndexAndNayin) {
    EXPECT_EQ(SexagenaryIndex(P("甲子").stem, P("甲子").branch), 1);
    EXPECT_EQ(SexagenaryIndex(P("甲戌").stem, P("甲戌").branch), 11);
    EXPECT_EQ(SexagenaryIndex(P("癸亥").stem, P("癸亥").branch), 60);
    EXPECT_EQ(SexagenaryIndex(0, 11), 0);
    EXPECT_EQ(SexagenaryIndex(1, 23), 0);
    // 甲子 乙丑 海中金 (0), 丙寅 丁卯 炉中火 (1), 壬戌 癸亥 大海水 (29).
    EXPECT_EQ(NayinIndex(P("乙丑").stem, P("乙丑").branch), 0);
    EXPECT_EQ(NayinIndex(P("丙寅").stem, P("丙寅").branch), 1);
    EXPECT_EQ(NayinIndex(P("壬戌").stem, P("壬戌").branch), 29);
    EXPECT_EQ(NayinIndex(0, 0), -1);
}

// ---- Spirit stars ------------------------------------------------------------

TEST(BaZiSpiritStars, RuleExamples) {
    using namespace spirit;
    struct Case {
        const char *what;
        std::array<const char *, 4> pillars;
        uint8_t sex;
        int pillar;
        int code;
        bool present;
    };
    const Case cases[] = {
        // A 寅 month: 天德 to a 丁 stem, 月德 to a 丙 stem, 天医 to a 丑 branch.
        {"寅 month 天德 to 丁", {"甲子", "丙寅", "丁丑", "庚子"}, 1, kDay, kTianDe, true},
        {"寅 month no 天德 elsewhere", {"甲子", "丙寅", "丁丑", "庚子"}, 1, kYear, kTianDe, false},
        {"寅 month 月德 to 丙", {"甲子", "丙寅", "丁丑", "庚子"}, 1, kMonth, kYueDe, true},
        {"寅 month 天医 to 丑", {"甲子", "丙寅", "丁丑", "庚子"}, 1, kDay, kTianYi, true},
        // Year branch 辰 with a 巳 hour: 地网 on the hour.
        {"辰 year 巳 hour 地网", {"甲辰", "丙寅", "甲子", "己巳"}, 1, kHour, kDiWang, true},
        {"辰 year 地网 not on 子", {"甲辰", "丙寅", "甲子", "己巳"}, 1, kDay, kDiWang, false},
        // Year 亥 and day 戌: 天罗 on both, each from the other's anchor.
        {"亥 year 戌 day 天罗 on year", {"乙亥", "戊寅", "甲戌", "甲子"}, 1, kYear, kTianLuo, true},
        {"亥 year 戌 day 天罗 on day", {"乙亥", "戊寅", "甲戌", "甲子"}, 1, kDay, kTianLuo, true},
        {"天罗 not on 寅", {"乙亥", "戊寅", "甲戌", "甲子"}, 1, kMonth, kTianLuo, false},
        // 元辰 of year 子: 巳 backward, 未 forward.
        {"backward 子 year 元辰 to 巳", {"甲子", "丙寅", "己巳", "辛未"}, 0, kDay, kYuanChen, true},
        {"backward 子 year no 元辰 to 未", {"甲子", "丙寅", "己巳", "辛未"}, 0, kHour, kYuanChen, false},
        {"forward 子 year 元辰 to 未", {"甲子", "丙寅", "己巳", "辛未"}, 1, kHour, kYuanChen, true},
        {"forward 子 year no 元辰 to 巳", {"甲子", "丙寅", "己巳", "辛未"}, 1, kDay, kYuanChen, false},
        // 勾煞 three on (卯) and 绞煞 three back (酉) from 子, swapped in a backward chart.
        {"forward 勾煞 on 卯", {"甲子", "丁卯", "癸酉", "壬子"}, 1, kMonth, kGouSha, true},
        {"forward 绞煞 on 酉", {"甲子", "丁卯", "癸酉", "壬子"}, 1, kDay, kJiaoSha, true},
        {"backward 绞煞 on 卯", {"甲子", "丁卯", "癸酉", "壬子"}, 0, kMonth, kJiaoSha, true},
        {"backward 勾煞 on 酉", {"甲子", "丁卯", "癸酉", "壬子"}, 0, kDay, kGouSha, true},
        {"backward no 勾煞 on 卯", {"甲子", "丁卯", "癸酉", "壬子"}, 0, kMonth, kGouSha, false},
        // 华盖 of a 丑 year with a 丑 day: each from the other's anchor, never its own.
        {"丑 year 丑 day 华盖 on day", {"乙丑", "戊寅", "丁丑", "庚子"}, 1, kDay, kHuaGai, true},
        {"丑 year 丑 day 华盖 on year", {"乙丑", "戊寅", "丁丑", "庚子"}, 1, kYear, kHuaGai, true},
        {"丑 year alone gets no 华盖 from itself", {"乙丑", "戊寅", "甲子", "甲子"}, 1, kYear, kHuaGai, false},
        // 庚辰 day: 魁罡 and 十恶大败.
        {"庚辰 day 魁罡", {"甲子", "丙寅", "庚辰", "丙子"}, 1, kDay, kKuiGang, true},
        {"庚辰 day 十恶大败", {"甲子", "丙寅", "庚辰", "丙子"}, 1, kDay, kShiEDaBai, true},
        // 三奇: 甲 戊 庚 on year, month, day marks the year; 乙 丙 丁 on month, day, hour the month.
        {"甲戊庚 三奇 on year", {"甲子", "戊辰", "庚午", "丙子"}, 1, kYear, kSanQi, true},
        {"乙丙丁 三奇 on month", {"庚子", "乙酉", "丙子", "丁酉"}, 1, kMonth, kSanQi, true},
        {"乙丙丁 no 三奇 on year", {"庚子", "乙酉", "丙子", "丁酉"}, 1, kYear, kSanQi, false},
        {"辛癸壬 is not 壬癸辛", {"辛丑", "癸巳", "壬子", "庚子"}, 1, kYear, kSanQi, false},
        // 天赦: 戊寅 in spring, not in summer.
        {"戊寅 day in spring 天赦", {"甲子", "丙寅", "戊寅", "壬子"}, 1, kDay, kTianShe, true},
        {"戊寅 day in summer no 天赦", {"甲子", "庚午", "戊寅", "壬子"}, 1, kDay, kTianShe, false},
        {"甲子 day in winter 天赦", {"甲子", "丙子", "甲子", "甲子"}, 1, kDay, kTianShe, true},
        // 金神: 己巳 day and 癸酉 hour.
        {"己巳 day 金神", {"甲子", "丙寅", "己巳", "癸酉"}, 1, kDay, kJinShen, true},
        {"癸酉 hour 金神", {"甲子", "丙寅", "己巳", "癸酉"}, 1, kHour, kJinShen, true},
        // 学堂 of year stem 甲 is 己亥; 词馆 of day stem 丙 is 乙巳.
        {"甲 year 学堂 on 己亥", {"甲子", "丙寅", "丙子", "己亥"}, 1, kHour, kXueTang, true},
        {"丙 day 词馆 on 乙巳", {"乙巳", "戊寅", "丙子", "己亥"}, 1, kYear, kCiGuan, true},
        // 空亡 of a 甲子 day: 戌 and 亥.
        {"甲子 day 空亡 on 亥", {"甲子", "丙寅", "甲子", "乙亥"}, 1, kHour, kKongWang, true},
        {"甲子 day 空亡 not on 子", {"甲子", "丙寅", "甲子", "乙亥"}, 1, kYear, kKongWang, false},
        // 孤鸾 needs both day and hour among its pillars.
        {"丁巳 day 壬寅 hour 孤鸾", {"甲子", "丙寅", "丁巳", "壬寅"}, 1, kDay, kGuLuan, true},
        {"丁巳 day 庚子 hour no 孤鸾", {"甲子", "丙寅", "丁巳", "庚子"}, 1, kDay, kGuLuan, false},
        {"丙子 day 阴差阳错", {"甲子", "丙寅", "丙子", "戊子"}, 1, kDay, kYinChaYangCuo, true},
        // 四废: metal day in spring, not in autumn.
        {"庚申 day in spring 四废", {"甲子", "丙寅", "庚申", "丙子"}, 1, kDay, kSiFei, true},
        {"庚申 day in autumn no 四废", {"甲子", "壬申", "庚申", "丙子"}, 1, kDay, kSiFei, false},
        {"丙午 day in winter 四废", {"甲子", "丙子", "丙午", "戊子"}, 1, kDay, kSiFei, true},
    };
    for (const Case &c : cases) {
        const TKvrBaZi chart = FromPillars(c.pillars, c.sex);
        EXPECT_EQ(Has(chart, c.pillar, c.code), c.present) << c.what;
    }
}

// A pillar found by two anchors, or twice by one rule, holds the star once.
TEST(BaZiSpiritStars, ListsHoldEachStarOnce) {
    // 甲 year and 戊 day both take 丑 and 未 for 贵人: the 癸丑 hour has it once.
    const TKvrBaZi guiRen = FromPillars({"甲子", "丙寅", "戊子", "癸丑"}, 1);
    // 甲 year and 甲 day both take 己亥 for 学堂.
    const TKvrBaZi xueTang = FromPillars({"甲子", "丙寅", "甲子", "己亥"}, 1);
    for (const auto &[chart, code] : {std::pair{guiRen, spirit::kGuiRen}, std::pair{xueTang, spirit::kXueTang}}) {
        int count = 0;
        for (const int c : StarsOf(chart, kHour)) count += c == code;
        EXPECT_EQ(count, 1) << code;
    }
}

// Ten cells per pillar: a finding for a full list is dropped. 癸未 乙丑 戊寅
// 庚申, a man (backward): the hour 庚申 collects 太极 (癸 to 申), 福星 and 文昌
// (戊 to 申), 国印 (癸 to 申), 驿马 (寅 day to 申), 天德 and 月德 (丑 month to 庚),
// 红鸾 and 劫煞 (未 year to 申), 孤辰 (未 to 申): ten. Its 空亡 (the 甲戌 decade
// of 戊寅 voids 申 and 酉) comes eleventh and is dropped.
TEST(BaZiSpiritStars, AFullListDropsTheEleventh) {
    using namespace spirit;
    const TKvrBaZi chart = FromPillars({"癸未", "乙丑", "戊寅", "庚申"}, 1);
    ASSERT_EQ(chart.direction, 0);
    const std::vector<int> hour = {kTaiJi, kFuXing, kWenChang, kGuoYin, kYiMa,
                                   kTianDe, kYueDe, kHongLuan, kJieSha, kGuChen};
    EXPECT_EQ(StarsOf(chart, kHour), hour);
    // The day pillar 戊寅 is not void and keeps its own 学堂 (戊 to 戊寅).
    EXPECT_TRUE(Has(chart, kDay, kXueTang));
    EXPECT_FALSE(Has(chart, kDay, kKongWang));
}

// ---- Bad input ---------------------------------------------------------------

TEST(BaZiBadInput, CodesOutOfRangeLeaveCellsEmpty) {
    TKvrBaZi chart;
    const int32_t bad[] = {0, -7, 23, 1 << 30, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    for (const int32_t code : bad) {
        for (int32_t *pillar : {chart.yearPillar, chart.monthPillar, chart.dayPillar, chart.hourPillar}) {
            pillar[0] = code;
            pillar[1] = code;
        }
        chart.ComputeFromPillars();
        for (int p = 0; p < 4; ++p) {
            for (int r = 0; r < 3; ++r) EXPECT_EQ(chart.hiddenStems[r][p], 0);
            for (int r = 0; r < 4; ++r) EXPECT_EQ(chart.tenGods[r][p], 0);
            EXPECT_TRUE(StarsOf(chart, p).empty()) << code;
        }
        EXPECT_EQ(NameOf(chart.LuckPillar(0)), "?");
    }
    const TKvrBaZi good = FromPillars({"甲子", "丙寅", "甲子", "甲子"}, 1);
    for (const int i : {-1, 8, 59, 60, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        const Pillar p = good.LuckPillar(i);
        EXPECT_GE(p.stem, 1);
        EXPECT_LE(p.stem, 10);
        EXPECT_GE(p.branch, 11);
        EXPECT_LE(p.branch, 22);
    }
}

}  // namespace
