// The three C entries of the library.
#include <cstring>

#include "Calendar.h"
#include "Render.h"
#include "star.h"

extern "C" {

STAR_API void STAR_CALL Dll_Pan(double birth, uint8_t male, int32_t reserved, void *palaces,
                                void *header, void *pillars, void *luck) {
    (void)reserved;  // the front end passes 1; it changes nothing
    if (!palaces || !header || !pillars || !luck) return;
    star::Pan(birth, male != 0, static_cast<char *>(palaces), static_cast<char *>(header),
              static_cast<char *>(pillars), static_cast<char *>(luck));
}

STAR_API int32_t STAR_CALL Dll_LunarToSolar(int32_t year, int32_t month, int32_t day, double *out) {
    return star::ToSolar(year, month, day, out) ? 1 : 0;
}

STAR_API LunarDate *STAR_CALL Dll_SolarToLunar(double date, LunarDate *record) {
    if (!record) return record;
    *record = LunarDate{0, 0, 0};
    // The comparisons fail for NaN; the range check comes before the
    // conversion to int, which would be undefined for huge values.
    constexpr double kFirst = star::DayCount(1902, 1, 1);
    constexpr double kEnd = star::DayCount(2051, 12, 31) + 1.0;
    if (!(date >= kFirst && date < kEnd)) return record;
    const star::CivilDate civil = star::CivilFromDayCount(static_cast<int>(date));
    star::ToLunar(civil.year, civil.month, civil.day, record);
    return record;
}

}  // extern "C"
