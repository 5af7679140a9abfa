// starchart: the chart of one birth, or a date conversion, on the command line.
//
//   starchart --birth "YYYY-MM-DD HH:MM" --sex M|F [--name NAME] [--json]
//   starchart --lunar Y M D [--leap]     lunar date -> Gregorian date
//   starchart --solar YYYY-MM-DD         Gregorian date -> lunar date
//
// The chart comes from Dll_Pan; its GBK texts are shown as UTF-8.
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "CivilDate.h"
#include "star.h"

namespace {

constexpr int kFirstYear = 1902, kLastYear = 2050;

const char kUsage[] =
    "usage: starchart --birth \"YYYY-MM-DD HH:MM\" --sex M|F [--name NAME] [--json]\n"
    "       starchart --lunar YEAR MONTH DAY [--leap]\n"
    "       starchart --solar YYYY-MM-DD\n"
    "Years 1902 to 2050. Texts are read and written as UTF-8.\n";

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const std::string &message) { throw Failure{message}; }

// ---- Text conversion -----------------------------------------------------

// Converts with iconv; false when the text cannot be written in `to`.
bool Convert(const char *to, const char *from, std::string_view in, std::string *out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string source(in), target(in.size() * 4 + 4, '\0');
    char *src = source.data(), *dst = target.data();
    size_t left = source.size(), room = target.size();
    const bool ok = iconv(cd, &src, &left, &dst, &room) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &dst, &room) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!ok) return false;
    target.resize(target.size() - room);
    *out = target;
    return true;
}

// A NUL-terminated GBK text of at most `width` bytes as UTF-8.
std::string Utf8(const char *gbk, int width) {
    const std::string_view text(gbk, strnlen(gbk, width));
    std::string out;
    if (Convert("UTF-8", "GBK", text, &out)) return out;
    // The engine writes whole GBK characters; anything else shows as '?'.
    for (char c : text) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
}

// Display columns of a UTF-8 text: two for every character beyond ASCII.
int Columns(const std::string &utf8) {
    int columns = 0;
    for (unsigned char c : utf8) {
        if (c < 0x80) ++columns;
        else if ((c & 0xC0) == 0xC0) columns += 2;  // lead byte of a wide character
    }
    return columns;
}

std::string Pad(const std::string &text, int columns) {
    const int have = Columns(text);
    return have >= columns ? text : text + std::string(columns - have, ' ');
}

// ---- Arguments -----------------------------------------------------------

bool ParseInt(std::string_view text, int *out) {
    if (text.empty() || text.size() > 9) return false;
    int value = 0;
    size_t i = 0;
    const bool negative = text[0] == '-';
    if (negative) i = 1;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    *out = negative ? -value : value;
    return true;
}

void CheckYear(int year) {
    if (year < kFirstYear || year > kLastYear)
        Fail("year " + std::to_string(year) + " is outside 1902-2050");
}

// "YYYY-MM-DD" to a checked Gregorian date.
star::CivilDate ParseDate(std::string_view text) {
    int y, m, d;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !ParseInt(text.substr(0, 4), &y) ||
        !ParseInt(text.substr(5, 2), &m) || !ParseInt(text.substr(8, 2), &d) || y < 0 || m < 0 ||
        d < 0)
        Fail("date '" + std::string(text) + "' is not of the form YYYY-MM-DD");
    CheckYear(y);
    if (m < 1 || m > 12 || d < 1 || d > star::DaysInMonth(y, m))
        Fail("there is no date " + std::string(text));
    return {y, m, d};
}

// "YYYY-MM-DD HH:MM" to a birth instant (days since 1899-12-30).
double ParseBirth(std::string_view text) {
    if (text.size() != 16 || text[10] != ' ' || text[13] != ':')
        Fail("birth '" + std::string(text) + "' is not of the form \"YYYY-MM-DD HH:MM\"");
    const star::CivilDate date = ParseDate(text.substr(0, 10));
    int hour, minute;
    if (!ParseInt(text.substr(11, 2), &hour) || !ParseInt(text.substr(14, 2), &minute) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59)
        Fail("there is no time " + std::string(text.substr(11)));
    return star::DayCount(date.year, date.month, date.day) + (hour * 60 + minute) / 1440.0;
}

std::string DateText(int dayCount) {
    const star::CivilDate c = star::CivilFromDayCount(dayCount);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", c.year, c.month, c.day);
    return text;
}

// ---- The chart -------------------------------------------------------------

struct Chart {
    char palaces[STAR_PALACE_BLOCK_SIZE] = {};
    char header[STAR_HEADER_BLOCK_SIZE] = {};
    char pillars[STAR_PILLAR_BLOCK_SIZE] = {};
    char luck[STAR_LUCK_BLOCK_SIZE] = {};

    const char *SlotText(int record, int slot) const {
        return palaces + STAR_PALACE_RECORD_SIZE * record + STAR_SLOT_SIZE * slot;
    }
    std::string Slot(int record, int slot) const { return Utf8(SlotText(record, slot), STAR_SLOT_TEXT_SIZE); }
    int32_t Code(int record, int slot) const {
        const unsigned char *b = reinterpret_cast<const unsigned char *>(SlotText(record, slot)) +
                                 STAR_SLOT_CODE_OFFSET;
        return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
    }
    std::string Header(int line) const {
        return Utf8(header + STAR_HEADER_LINE_SIZE * line, STAR_HEADER_LINE_SIZE);
    }
    std::string Pillar(int row, int column) const {
        return Utf8(pillars + STAR_PILLAR_ROW_SIZE * row + STAR_PILLAR_CELL_SIZE * column,
                    STAR_PILLAR_CELL_SIZE);
    }
    std::string Luck(int cell) const { return Utf8(luck + STAR_LUCK_CELL_SIZE * cell, STAR_LUCK_CELL_SIZE); }
};

std::string JsonString(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void PrintJson(const Chart &chart, const std::string &birth, bool male, const std::string &name) {
    static const char *const kBranches[12] = {"子", "丑", "寅", "卯", "辰", "巳",
                                              "午", "未", "申", "酉", "戌", "亥"};
    std::string out = "{\n";
    out += "  \"birth\": " + JsonString(birth) + ",\n";
    out += std::string("  \"sex\": \"") + (male ? "M" : "F") + "\",\n";
    out += "  \"name\": " + JsonString(name) + ",\n";
    out += "  \"palaces\": [\n";
    for (int r = 0; r < STAR_PALACE_COUNT; ++r) {
        out += "    {\"record\": " + std::to_string(r) + ", \"branch\": \"" + kBranches[r] +
               "\", \"slots\": [";
        for (int s = 0; s < STAR_SLOTS_PER_PALACE; ++s) {
            if (s % 6 == 0) out += "\n      ";
            out += "{\"text\": " + JsonString(chart.Slot(r, s)) +
                   ", \"code\": " + std::to_string(chart.Code(r, s)) + "}";
            if (s + 1 < STAR_SLOTS_PER_PALACE) out += ", ";
        }
        out += "]}";
        out += r + 1 < STAR_PALACE_COUNT ? ",\n" : "\n";
    }
    out += "  ],\n  \"header\": [";
    for (int l = 0; l < STAR_HEADER_LINES; ++l) {
        if (l) out += ", ";
        out += JsonString(chart.Header(l));
    }
    out += "],\n  \"pillars\": [\n";
    for (int i = 0; i < STAR_PILLAR_ROWS; ++i) {
        out += "    [";
        for (int j = 0; j < STAR_PILLAR_COLUMNS; ++j) {
            if (j) out += ", ";
            out += JsonString(chart.Pillar(i, j));
        }
        out += i + 1 < STAR_PILLAR_ROWS ? "],\n" : "]\n";
    }
    out += "  ],\n  \"luck\": [";
    for (int c = 0; c < STAR_LUCK_CELLS; ++c) {
        if (c) out += ", ";
        out += JsonString(chart.Luck(c));
    }
    out += "]\n}\n";
    std::fputs(out.c_str(), stdout);
}

// ---- The text board --------------------------------------------------------

constexpr int kCellColumns = 28;  // display columns inside a palace cell
constexpr int kCellLines = 9;     // text lines inside a palace cell
constexpr int kStarsPerLine = 3;

// The lines of one palace cell.
std::vector<std::string> PalaceLines(const Chart &chart, int r) {
    std::vector<std::string> lines;
    std::string title = chart.Slot(r, STAR_SLOT_PALACE_NAME);
    const std::string body = chart.Slot(r, STAR_SLOT_BODY);
    if (!body.empty()) title += "·" + body;
    lines.push_back(Pad(title, 12) + chart.Slot(r, STAR_SLOT_STEM_BRANCH));
    const int age = chart.Code(r, STAR_SLOT_PALACE_NAME);
    lines.push_back(Pad("大限 " + std::to_string(age) + "-" + std::to_string(age + 9), 12) +
                    chart.Slot(r, STAR_SLOT_CHANGSHENG));
    std::string line;
    int onLine = 0;
    for (int k = 0; k < STAR_STARS_SHOWN; ++k) {
        const std::string star = chart.Slot(r, STAR_SLOT_STAR + k);
        if (star.empty() || star == "　") continue;
        std::string token = star + chart.Slot(r, STAR_SLOT_BRIGHTNESS + k) +
                            chart.Slot(r, STAR_SLOT_TRANSFORM + k);
        if (onLine == kStarsPerLine) {
            lines.push_back(line);
            line.clear();
            onLine = 0;
        }
        line += Pad(token, 9);
        ++onLine;
    }
    if (onLine > 0) lines.push_back(line);
    while (static_cast<int>(lines.size()) < kCellLines - 1) lines.push_back("");
    lines.push_back(chart.Slot(r, STAR_SLOT_BOSHI) + " " + chart.Slot(r, STAR_SLOT_JIANGQIAN) + " " +
                    chart.Slot(r, STAR_SLOT_SUIQIAN));
    return lines;
}

std::vector<std::string> MiddleLines(const Chart &chart) {
    std::vector<std::string> lines;
    lines.push_back(Pad(chart.Header(0), 28) + chart.Header(1));
    for (int l = 2; l <= 4; ++l) lines.push_back(chart.Header(l));
    lines.push_back(Pad("", 6) + "年柱      月柱      日柱      时柱");
    static const char *const kRowNames[STAR_PILLAR_ROWS] = {"十神", "天干", "地支", "纳音", "藏神", "藏干",
                                                           "神煞", "", "", "", ""};
    for (int i = 0; i < STAR_PILLAR_ROWS; ++i) {
        std::string line = Pad(kRowNames[i], 6);
        bool any = false;
        for (int j = 0; j < STAR_PILLAR_COLUMNS; ++j) {
            const std::string cell = chart.Pillar(i, j);
            any = any || !cell.empty();
            line += Pad(cell, 10);
        }
        if (i < STAR_PILLAR_SPIRITS || any) lines.push_back(line);
    }
    std::string luck = "大运 " + chart.Luck(STAR_LUCK_START_AGE) + "岁起:";
    for (int i = 0; i < 8; ++i) {
        luck += ' ';
        luck += chart.Luck(STAR_LUCK_PILLARS + i);
    }
    lines.push_back(luck);
    lines.push_back("命主 " + chart.Luck(STAR_LUCK_LIFE_MASTER) + "  身主 " + chart.Luck(STAR_LUCK_BODY_MASTER) +
                    "  子年斗君 " + chart.Luck(STAR_LUCK_DOU_JUN));
    return lines;
}

void PrintBoard(const Chart &chart) {
    // Palace records by board position: 巳午未申 on top, 辰 酉 and 卯 戌 at
    // the sides, 寅丑子亥 at the bottom; -1 is the middle block.
    static const int kLayout[4][4] = {{5, 6, 7, 8}, {4, -1, -1, 9}, {3, -1, -1, 10}, {2, 1, 0, 11}};
    std::vector<std::string> cells[12];
    for (int r = 0; r < 12; ++r) cells[r] = PalaceLines(chart, r);
    const std::vector<std::string> middle = MiddleLines(chart);
    const int middleColumns = 2 * kCellColumns + 1;

    const std::string rule = [] {
        std::string s = "+";
        for (int c = 0; c < 4; ++c) s += std::string(kCellColumns, '-') + "+";
        return s;
    }();
    std::string out;
    for (int row = 0; row < 4; ++row) {
        if (row == 0 || row == 3) out += rule + "\n";
        else if (row == 1) {  // the middle block begins: no rule across it
            out += "+" + std::string(kCellColumns, '-') + "+" + std::string(middleColumns, '-') + "+" +
                   std::string(kCellColumns, '-') + "+\n";
        } else {  // the middle block runs on through the rule between its rows
            const std::string &text = middle.size() > kCellLines ? middle[kCellLines] : std::string();
            out += "+" + std::string(kCellColumns, '-') + "+" + Pad(text, middleColumns) + "+" +
                   std::string(kCellColumns, '-') + "+\n";
        }
        for (int line = 0; line < kCellLines; ++line) {
            out += "|";
            for (int col = 0; col < 4; ++col) {
                const int r = kLayout[row][col];
                if (r >= 0) {
                    const auto &text = cells[r];
                    out += Pad(line < static_cast<int>(text.size()) ? text[line] : "", kCellColumns) + "|";
                } else if (col == 1) {
                    const int m = (row - 1) * (kCellLines + 1) + line;
                    out += Pad(m < static_cast<int>(middle.size()) ? middle[m] : "", middleColumns) + "|";
                }
            }
            out += "\n";
        }
    }
    out += rule + "\n";
    std::fputs(out.c_str(), stdout);
}

// ---- Commands --------------------------------------------------------------

int RunChart(const std::string &birthText, const std::string &sexText, const std::string &name, bool json) {
    const double birth = ParseBirth(birthText);
    bool male;
    if (sexText == "M" || sexText == "m") male = true;
    else if (sexText == "F" || sexText == "f") male = false;
    else Fail("sex '" + sexText + "' is unknown: give M or F");

    std::string gbkName;
    if (!Convert("GBK", "UTF-8", name, &gbkName)) Fail("the name cannot be written in GBK");
    if (gbkName.size() >= STAR_HEADER_LINE_SIZE)
        Fail("the name is longer than " + std::to_string(STAR_HEADER_LINE_SIZE - 1) + " bytes of GBK");
    if (gbkName.find('\0') != std::string::npos) Fail("the name contains a NUL character");

    Chart chart;
    std::memcpy(chart.header, gbkName.data(), gbkName.size());
    Dll_Pan(birth, male ? 1 : 0, 1, chart.palaces, chart.header, chart.pillars, chart.luck);
    if (json) PrintJson(chart, birthText, male, name);
    else PrintBoard(chart);
    return 0;
}

int RunLunar(const std::vector<std::string> &values, bool leap) {
    int year, month, day;
    if (values.size() != 3 || !ParseInt(values[0], &year) || !ParseInt(values[1], &month) ||
        !ParseInt(values[2], &day))
        Fail("--lunar takes three numbers: YEAR MONTH DAY");
    CheckYear(year);
    if (month < 1 || month > 12) Fail("lunar month " + std::to_string(month) + " is not 1..12");
    if (day < 1 || day > 30) Fail("lunar day " + std::to_string(day) + " is not 1..30");
    double date = 0;
    if (Dll_LunarToSolar(year, leap ? -month : month, day, &date) != 1)
        Fail("there is no lunar date " + std::to_string(year) + (leap ? " leap " : " ") +
             std::to_string(month) + " " + std::to_string(day));
    std::printf("%s\n", DateText(static_cast<int>(date)).c_str());
    return 0;
}

int RunSolar(const std::string &text) {
    const star::CivilDate date = ParseDate(text);
    LunarDate lunar{};
    Dll_SolarToLunar(star::DayCount(date.year, date.month, date.day), &lunar);
    static const char *const kMonths[13] = {"", "正", "二", "三", "四", "五", "六",
                                            "七", "八", "九", "十", "冬", "腊"};
    static const char *const kTens[3] = {"初", "十", "廿"};
    static const char *const kUnits[10] = {"十", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
    const int m = lunar.month < 0 ? -lunar.month : lunar.month, d = lunar.day;
    if (m < 1 || m > 12 || d < 1 || d > 30) Fail("no lunar date for " + text);
    // 初十, 二十 and 三十 close their decade; other days are tens then units.
    const std::string dayName = d == 20   ? "二十"
                                : d == 30 ? "三十"
                                          : std::string(kTens[(d - 1) / 10]) + kUnits[d % 10];
    std::printf("%d %d %d %s%s月%s\n", lunar.year, lunar.month, lunar.day, lunar.month < 0 ? "闰" : "",
                kMonths[m], dayName.c_str());
    return 0;
}

int Run(int argc, char **argv) {
    std::string birth, sex, name, solar;
    std::vector<std::string> lunar;
    bool json = false, leap = false, haveBirth = false, haveSex = false, haveLunar = false,
         haveSolar = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--birth") birth = value(), haveBirth = true;
        else if (arg == "--sex") sex = value(), haveSex = true;
        else if (arg == "--name") name = value();
        else if (arg == "--json") json = true;
        else if (arg == "--leap") leap = true;
        else if (arg == "--solar") solar = value(), haveSolar = true;
        else if (arg == "--lunar") {
            haveLunar = true;
            for (int k = 0; k < 3; ++k) lunar.push_back(value());
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            Fail("unknown argument '" + arg + "'");
        }
    }
    if (haveBirth + haveLunar + haveSolar != 1) Fail("give one of --birth, --lunar or --solar");
    if (haveBirth) {
        if (!haveSex) Fail("--birth needs --sex M or F");
        if (leap) Fail("--leap goes with --lunar");
        return RunChart(birth, sex, name, json);
    }
    if (haveSex || json || !name.empty()) Fail("--sex, --name and --json go with --birth");
    if (haveLunar) return RunLunar(lunar, leap);
    if (leap) Fail("--leap goes with --lunar");
    return RunSolar(solar);
}

}  // namespace

int main(int argc, char **argv) {
    try {
        return Run(argc, argv);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "starchart: %s\n%s", failure.message.c_str(), kUsage);
        return 2;
    }
}
