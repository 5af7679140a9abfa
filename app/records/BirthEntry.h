#pragma once
// The birth instant as the details page enters it: a calendar (Gregorian or
// lunar), year, month, day, hour and minute as typed, and the leap-month
// flag. SplitBirthday fills such an entry from a stored Birthday; the check
// and combine step of a save (CombineBirthday) turns it back into one, or
// refuses it with the message the user sees.
//
// Widget-free: the lunar conversion is handed in by the caller (the engine's
// Dll_LunarToSolar in the program), so this layer does not call the engine.

#include <QString>
#include <cstdint>
#include <optional>

enum class BirthCalendar { Gregorian = 0, Lunar = 1 };

struct BirthEntry {
    BirthCalendar calendar = BirthCalendar::Gregorian;
    QString year = QStringLiteral("1902");
    QString month = QStringLiteral("1");
    QString day = QStringLiteral("1");
    QString hour = QStringLiteral("0");
    QString minute = QStringLiteral("0");
    bool leap = false;   // counts only for a lunar date
};

// The fields of a stored instant (days since 1899-12-30, the fraction the
// time of day): Gregorian, seconds dropped, numbers in decimal without
// leading zeros, leap cleared.
BirthEntry SplitBirthday(double instant);

// Gregorian date (00:00) of a lunar date; month negative for a leap month.
// Returns nonzero when the date exists.
using LunarToSolarFn = std::int32_t (*)(std::int32_t year, std::int32_t month, std::int32_t day,
                                        double *out);

// The messages of the check.
namespace BirthMessages {
inline const QString EmptyName = QStringLiteral("姓名不可为空");
inline const QString NotInteger = QStringLiteral("'%1' is not a valid integer value");
inline const QString YearRange = QStringLiteral("本软件有效工作范围为1902年－2050年");
inline const QString InvalidDate = QStringLiteral("无效的日期");
}

inline constexpr int FirstBirthYear = 1902;
inline constexpr int LastBirthYear = 2050;

// An integer text: optional leading blanks, an optional sign, decimal
// digits and nothing after them, within 32 bits. Empty when it is none.
std::optional<std::int64_t> ParseIntegerText(const QString &text);

// The check and combine of a save, steps 2 to 7 (the name is the caller's
// step 1): converts the texts in the order year, month, day, hour, minute,
// checks the year range, the date in its calendar and the time, and returns
// the instant. Throws KeloError with the user's message on the first failure.
double CombineBirthday(const BirthEntry &entry, LunarToSolarFn lunarToSolar);
