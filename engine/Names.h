// The GBK name tables of the engine, the two ways of writing a number in
// Chinese numerals, and the five header lines of a chart.
//
// Every lookup is bounded: an index outside its table gives the empty text,
// and every write goes through TextCell, which never passes its cell.
#pragma once

#include <cstdint>

namespace star {

// ---- Tables (GBK, NUL-padded entries; generated into NameTables.cpp) ------

inline constexpr int kItemCount = 194, kItemNameSize = 7;          // item codes 0..193
inline constexpr int kSpiritStarCount = 42, kSpiritStarNameSize = 9;  // spirit stars 0..41
inline constexpr int kBureauCount = 7, kBureauNameSize = 7;        // bureau 2..6
inline constexpr int kShortNameSize = 3;                           // one GBK character
inline constexpr int kBrightnessCount = 8;                         // 0 none, 1 庙 .. 7 陷
inline constexpr int kTenGodCount = 11;                            // ten-god codes 1..10
inline constexpr int kLunarMonthCount = 13;                        // months 1..12
inline constexpr int kLunarDayCount = 31, kLunarDayNameSize = 5;   // days 1..30
inline constexpr int kDigitCount = 10;                             // 零 .. 九
inline constexpr int kNayinCount = 30, kNayinNameSize = 7;

extern const char kItemNames[kItemCount][kItemNameSize];
extern const char kSpiritStarNames[kSpiritStarCount][kSpiritStarNameSize];
extern const char kBureauNames[kBureauCount][kBureauNameSize];
extern const char kBrightnessNames[kBrightnessCount][kShortNameSize];
extern const char kTenGodShortNames[kTenGodCount][kShortNameSize];
extern const char kLunarMonthNames[kLunarMonthCount][kShortNameSize];
extern const char kLunarDayNames[kLunarDayCount][kLunarDayNameSize];
extern const char kDigitNames[kDigitCount][kShortNameSize];
extern const char kNayinNames[kNayinCount][kNayinNameSize];

extern const char kFullWidthSpace[3];  // 　
extern const char kWordBody[3];        // 身
extern const char kWordDay[3];         // 日 (also the day pillar's ten-god cell)
extern const char kWordLeap[3];        // 闰
extern const char kWordYear[3];        // 年
extern const char kWordMonth[3];       // 月
extern const char kWordAge[3];         // 岁
extern const char kWordDays[3];        // 天
extern const char kWordTen[3];         // 十
extern const char kWordMale[3];        // 男
extern const char kWordFemale[3];      // 女
// Header labels, each ending in the separator A1 A7.
extern const char kLabelName[7];       // 姓名¨
extern const char kLabelBureau[7];     // 命局¨
extern const char kLabelLunar[7];      // 农历¨
extern const char kLabelSolar[7];      // 公历¨
extern const char kLabelLuckStart[7];  // 起运¨

// ---- Lookups: the entry, or "" for an index outside the table ------------

// The whole NUL-padded entry of an item code (an all-NUL entry outside the
// table), for copying into a cleared cell at least as wide.
inline constexpr char kEmptyItemEntry[kItemNameSize] = {};  // also the nayin width
static_assert(kNayinNameSize == kItemNameSize);
inline constexpr char kEmptyShortEntry[kShortNameSize] = {};
inline constexpr char kEmptySpiritStarEntry[kSpiritStarNameSize] = {};
inline const char (&ItemEntry(int code))[kItemNameSize] {
    return code >= 0 && code < kItemCount
               ? kItemNames[code]
               : kEmptyItemEntry;
}
inline const char (&BrightnessEntry(int brightness))[kShortNameSize] {
    return brightness >= 0 && brightness < kBrightnessCount
               ? kBrightnessNames[brightness]
               : kEmptyShortEntry;
}
inline const char (&TenGodShortEntry(int tenGod))[kShortNameSize] {
    return tenGod >= 0 && tenGod < kTenGodCount
               ? kTenGodShortNames[tenGod]
               : kEmptyShortEntry;
}
inline const char (&SpiritStarEntry(int code))[kSpiritStarNameSize] {
    return code >= 0 && code < kSpiritStarCount ? kSpiritStarNames[code] : kEmptySpiritStarEntry;
}
inline const char (&NayinEntry(int index))[kNayinNameSize] {
    return index >= 0 && index < kNayinCount
               ? kNayinNames[index]
               : kEmptyItemEntry;
}

const char *ItemName(int code);
const char *SpiritStarName(int code);
const char *BureauName(int bureau);
const char *BrightnessName(int brightness);
const char *TenGodShortName(int tenGod);
const char *LunarMonthName(int month);
const char *LunarDayName(int day);
const char *DigitName(int digit);
const char *NayinName(int index);

// Bytes of the GBK character that starts with `lead`: 2 for a lead byte
// 0x81..0xFE, else 1.
constexpr int GbkCharLength(unsigned char lead) { return lead >= 0x81 && lead <= 0xFE ? 2 : 1; }

// ---- Bounded text writing -------------------------------------------------

// Appends text to a NUL-terminated cell of `size` bytes. Whole GBK characters
// only: once a character does not fit before the final NUL, it and everything
// after it are dropped.
class TextCell {
public:
    TextCell(char *cell, int size) : cell_(cell), size_(size) {
        if (size_ > 0) cell_[0] = '\0';
    }
    TextCell &Put(const char *text) {
        // Most texts are one double-byte character (a stem, a branch, a
        // digit): written here, without the walk.
        if (!full_ && length_ + 2 < size_ && GbkCharLength(static_cast<unsigned char>(text[0])) == 2 &&
            text[1] != '\0' && text[2] == '\0') {
            cell_[length_] = text[0];
            cell_[length_ + 1] = text[1];
            length_ += 2;
            cell_[length_] = '\0';
            return *this;
        }
        return Put(text, size_);
    }
    // Appends at most `count` bytes of `text` (stopping at a NUL).
    TextCell &Put(const char *text, int count);
    int Length() const { return length_; }

private:
    char *cell_;
    int size_;
    int length_ = 0;
    bool full_ = false;
};

// Stem name followed by branch name (甲子).
void PutPairName(TextCell &out, int stemCode, int branchCode);
// Decimal digits of n, each as its digit name: 1990 一九九零. Nothing for n < 0.
void PutDigitForm(TextCell &out, int64_t n);
// Counting form of 0..99: 零, 七, 十, 十五, 二十, 二十一. Larger or negative
// numbers, which no chart produces, fall back to the digit form.
void PutCountingForm(TextCell &out, int n);
// "闰" for a negative month, the month name, "月", the day name: 闰冬月初一.
void PutLunarDateText(TextCell &out, int month, int day);
// Decimal ASCII digits of n ("3"); nothing for n < 0.
void PutAsciiNumber(TextCell &out, int64_t n);

// ---- Header lines (each a 31-byte line of the header block) -------------

inline constexpr int kHeaderLineSize = 31;
// Label, spacer and sex around the name: the longest name that keeps the name
// line inside its 31 bytes.
inline constexpr int kMaxNameBytes = kHeaderLineSize - 1 - 10;

// Line 0: 姓名¨, the name found in the line on entry, 　, 男 or 女. A name
// longer than kMaxNameBytes is cut before the first GBK character that does
// not fit, so the sex always shows and nothing passes the line.
void WriteNameLine(char *line, bool male);
// Line 1: 命局¨ and the bureau name.
void WriteBureauLine(char *line, int bureau);
// Line 2: 农历¨, the lunar year in digit form, 年, the lunar date text.
void WriteLunarLine(char *line, int lunarYear, int month, int day);
// Line 3: 公历¨, year in digit form, 年, month in counting form, 月, the day in
// counting form up to 20 and in digit form from 21, 日.
void WriteSolarLine(char *line, int year, int month, int day);
// Line 4: 起运¨ Y岁 M月 D天 in counting form, from the whole days K of the
// luck offset in years of 360 and months of 30 days.
void WriteLuckStartLine(char *line, int64_t offsetDays);

}  // namespace star
