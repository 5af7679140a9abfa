// Name lookups, numerals and the header lines.
#include "Names.h"

namespace star {

namespace {

// Entry i of a table of `count` entries, or "" outside it.
template <int Count, int Size>
const char *Entry(const char (&table)[Count][Size], int i) {
    return i >= 0 && i < Count ? table[i] : "";
}

}  // namespace

const char *ItemName(int code) { return Entry(kItemNames, code); }
const char *SpiritStarName(int code) { return Entry(kSpiritStarNames, code); }
const char *BureauName(int bureau) { return Entry(kBureauNames, bureau); }
const char *BrightnessName(int brightness) { return Entry(kBrightnessNames, brightness); }
const char *TenGodShortName(int tenGod) { return Entry(kTenGodShortNames, tenGod); }
const char *LunarMonthName(int month) { return Entry(kLunarMonthNames, month); }
const char *LunarDayName(int day) { return Entry(kLunarDayNames, day); }
const char *DigitName(int digit) { return Entry(kDigitNames, digit); }
const char *NayinName(int index) { return Entry(kNayinNames, index); }

TextCell &TextCell::Put(const char *text, int count) {
    if (full_ || size_ <= 0) return *this;
    // Locals: stores through char* would otherwise reload the members.
    char *const cell = cell_;
    const int room = size_ - 1;
    int length = length_;
    for (int i = 0; i < count;) {
        const char c = text[i];
        if (c == '\0') break;
        if (GbkCharLength(static_cast<unsigned char>(c)) == 2) {
            // A lead byte without its trail byte is an incomplete character.
            if (i + 1 >= count || text[i + 1] == '\0' || length + 2 > room) {
                full_ = true;
                break;
            }
            cell[length] = c;
            cell[length + 1] = text[i + 1];
            length += 2;
            i += 2;
        } else {
            if (length + 1 > room) {
                full_ = true;
                break;
            }
            cell[length++] = c;
            ++i;
        }
    }
    length_ = length;
    cell[length] = '\0';
    return *this;
}

void PutPairName(TextCell &out, int stemCode, int branchCode) {
    out.Put(ItemName(stemCode)).Put(ItemName(branchCode));
}

void PutDigitForm(TextCell &out, int64_t n) {
    if (n < 0) return;
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>(n % 10);
        n /= 10;
    } while (n > 0);
    while (count > 0) out.Put(DigitName(digits[--count]));
}

void PutCountingForm(TextCell &out, int n) {
    if (n < 0 || n > 99) {
        PutDigitForm(out, n);
        return;
    }
    const int tens = n / 10, units = n % 10;
    if (tens == 0) {
        out.Put(DigitName(units));
        return;
    }
    if (tens > 1) out.Put(DigitName(tens));
    out.Put(kWordTen);
    if (units != 0) out.Put(DigitName(units));
}

void PutLunarDateText(TextCell &out, int month, int day) {
    if (month < 0) {
        out.Put(kWordLeap);
        month = month == INT32_MIN ? 0 : -month;
    }
    out.Put(LunarMonthName(month)).Put(kWordMonth).Put(LunarDayName(day));
}

void PutAsciiNumber(TextCell &out, int64_t n) {
    if (n < 0) return;
    char digits[21];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    char text[21];
    for (int i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
    text[count] = '\0';
    out.Put(text);
}

void WriteNameLine(char *line, bool male) {
    // The name is read from the line it is written back into; it may fill
    // the whole line without a NUL. Cutting it through a cell of
    // kMaxNameBytes + 1 keeps whole GBK characters only.
    char name[kMaxNameBytes + 1];
    int length = 0;
    while (length < kHeaderLineSize && line[length] != '\0') ++length;
    TextCell(name, sizeof name).Put(line, length);
    TextCell(line, kHeaderLineSize)
        .Put(kLabelName)
        .Put(name)
        .Put(kFullWidthSpace)
        .Put(male ? kWordMale : kWordFemale);
}

void WriteBureauLine(char *line, int bureau) {
    TextCell(line, kHeaderLineSize).Put(kLabelBureau).Put(BureauName(bureau));
}

void WriteLunarLine(char *line, int lunarYear, int month, int day) {
    TextCell out(line, kHeaderLineSize);
    out.Put(kLabelLunar);
    PutDigitForm(out, lunarYear);
    out.Put(kWordYear);
    PutLunarDateText(out, month, day);
}

void WriteSolarLine(char *line, int year, int month, int day) {
    TextCell out(line, kHeaderLineSize);
    out.Put(kLabelSolar);
    PutDigitForm(out, year);
    out.Put(kWordYear);
    PutCountingForm(out, month);
    out.Put(kWordMonth);
    if (day <= 20)
        PutCountingForm(out, day);
    else
        PutDigitForm(out, day);
    out.Put(kWordDay);
}

void WriteLuckStartLine(char *line, int64_t offsetDays) {
    const int64_t k = offsetDays < 0 ? 0 : offsetDays;
    const int64_t years = k / 360, months = (k % 360) / 30, days = k % 30;
    TextCell out(line, kHeaderLineSize);
    out.Put(kLabelLuckStart);
    PutCountingForm(out, years > 99 ? 100 : static_cast<int>(years));
    out.Put(kWordAge);
    PutCountingForm(out, static_cast<int>(months));
    out.Put(kWordMonth);
    PutCountingForm(out, static_cast<int>(days));
    out.Put(kWordDays);
}

}  // namespace star
