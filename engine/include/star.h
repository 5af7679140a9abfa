/* star: the chart engine's public interface.
 *
 * Three C entries: Dll_Pan casts the Zi Wei Dou Shu chart and the Four
 * Pillars chart of one birth and writes them into four caller-owned output
 * blocks of fixed-width GBK texts and int32 codes; Dll_LunarToSolar and
 * Dll_SolarToLunar convert between Chinese lunar and Gregorian dates.
 *
 * Birth instants and dates are doubles counting days since 1899-12-30 00:00,
 * the fraction being the time of day on the civil clock. Supported births run
 * from 1902-01-01 00:00 to 2051-12-31 22:59.
 *
 * The engine keeps nothing between calls and allocates nothing across the
 * boundary. The entries are not safe for overlapping calls.
 */
#ifndef STAR_H
#define STAR_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(STAR_BUILDING_LIBRARY)
#    define STAR_API __declspec(dllexport)
#  else
#    define STAR_API __declspec(dllimport)
#  endif
#  define STAR_CALL __stdcall
#else
#  define STAR_API __attribute__((visibility("default")))
#  define STAR_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Lunar date: year named by the Gregorian year in which the lunar year
 * begins; month 1..12, negated for a leap month; day 1..30. */
typedef struct LunarDate {
    int32_t year;
    int32_t month;
    int32_t day;
} LunarDate;

/* ---- Output block layout ------------------------------------------------ */

/* Palace block: 12 records (record r = palace on branch r + 1, 子 first) of
 * 60 slots; a slot is 8 bytes of NUL-terminated GBK text and an int32 code. */
enum {
    STAR_PALACE_COUNT = 12,
    STAR_SLOTS_PER_PALACE = 60,
    STAR_SLOT_SIZE = 12,
    STAR_SLOT_TEXT_SIZE = 8,
    STAR_SLOT_CODE_OFFSET = 8,
    STAR_PALACE_RECORD_SIZE = STAR_SLOTS_PER_PALACE * STAR_SLOT_SIZE, /* 720 */
    STAR_PALACE_BLOCK_SIZE = STAR_PALACE_COUNT * STAR_PALACE_RECORD_SIZE, /* 8640 */

    /* Slot map of a palace record. */
    STAR_SLOT_STAR = 0,          /* 0..9: stars of the palace, code = display class */
    STAR_SLOT_BRIGHTNESS = 10,   /* 10..19: brightness of the star in slot k, code 5 */
    STAR_SLOT_TRANSFORM = 20,    /* 20..29: transformation of the star in slot k, code 10 */
    STAR_STARS_SHOWN = 10,
    STAR_SLOT_BOSHI = 50,        /* 博士 cycle star */
    STAR_SLOT_JIANGQIAN = 51,    /* 将前 cycle star */
    STAR_SLOT_SUIQIAN = 52,      /* 岁前 cycle star */
    STAR_SLOT_CHANGSHENG = 53,   /* 长生 stage */
    STAR_SLOT_STEM_BRANCH = 54,  /* palace stem and branch, e.g. 丙寅 */
    STAR_SLOT_PALACE_NAME = 55,  /* palace name, code = first age of its decade */
    STAR_SLOT_BODY = 56,         /* "身" with code 13 in the body palace */

    /* Slot codes. */
    STAR_CODE_PLAIN = 0,
    STAR_CODE_MAIN = 1,
    STAR_CODE_LUCKY = 2,
    STAR_CODE_MALEFIC = 3,
    STAR_CODE_TIANMA = 4,
    STAR_CODE_BRIGHTNESS = 5,
    STAR_CODE_TRANSFORM = 10,
    STAR_CODE_BODY = 13,

    /* Header block: 8 lines of 31 bytes. Line 0 holds the name on entry. */
    STAR_HEADER_LINES = 8,
    STAR_HEADER_LINE_SIZE = 31,
    STAR_HEADER_BLOCK_SIZE = STAR_HEADER_LINES * STAR_HEADER_LINE_SIZE, /* 248 */
    STAR_HEADER_NAME = 0,
    STAR_HEADER_BUREAU = 1,
    STAR_HEADER_LUNAR = 2,
    STAR_HEADER_SOLAR = 3,
    STAR_HEADER_LUCK_START = 4,

    /* Pillar block: 11 rows by 4 columns (year, month, day, hour) of 9 bytes;
     * the cell of row i, column j starts at 36 i + 9 j. */
    STAR_PILLAR_ROWS = 11,
    STAR_PILLAR_COLUMNS = 4,
    STAR_PILLAR_CELL_SIZE = 9,
    STAR_PILLAR_ROW_SIZE = STAR_PILLAR_COLUMNS * STAR_PILLAR_CELL_SIZE, /* 36 */
    STAR_PILLAR_BLOCK_SIZE = STAR_PILLAR_ROWS * STAR_PILLAR_ROW_SIZE,   /* 396 */
    STAR_PILLAR_TEN_GOD = 0,
    STAR_PILLAR_STEM = 1,
    STAR_PILLAR_BRANCH = 2,
    STAR_PILLAR_NAYIN = 3,
    STAR_PILLAR_HIDDEN_GODS = 4,
    STAR_PILLAR_HIDDEN_STEMS = 5,
    STAR_PILLAR_SPIRITS = 6,     /* rows 6..10 */

    /* Luck block: 12 cells of 7 bytes. */
    STAR_LUCK_CELLS = 12,
    STAR_LUCK_CELL_SIZE = 7,
    STAR_LUCK_BLOCK_SIZE = STAR_LUCK_CELLS * STAR_LUCK_CELL_SIZE, /* 84 */
    STAR_LUCK_START_AGE = 0,     /* decimal ASCII age of the first luck pillar */
    STAR_LUCK_PILLARS = 1,       /* cells 1..8: luck pillars 0..7 */
    STAR_LUCK_LIFE_MASTER = 9,
    STAR_LUCK_BODY_MASTER = 10,
    STAR_LUCK_DOU_JUN = 11,

    /* The header, pillar and luck blocks lie back to back in the caller. */
    STAR_TEXT_BLOCKS_SIZE = STAR_HEADER_BLOCK_SIZE + STAR_PILLAR_BLOCK_SIZE + STAR_LUCK_BLOCK_SIZE
};

/* Casts both charts of one birth and fills the four blocks. `male` counts by
 * its low byte only (nonzero = man); `reserved` has no effect. Line 0 of
 * `header` holds the person's name (GBK, NUL-terminated) on entry. */
STAR_API void STAR_CALL Dll_Pan(double birth, uint8_t male, int32_t reserved,
                                void *palaces, void *header, void *pillars, void *luck);

/* Gregorian date (00:00) of a lunar date into *out. Returns 1 when the date
 * exists, 0 otherwise (day 0 or above 30, day 30 of a 29-day month, a leap
 * month the year lacks, month 0 or beyond ±12, a year outside the data);
 * *out then means nothing. */
STAR_API int32_t STAR_CALL Dll_LunarToSolar(int32_t year, int32_t month, int32_t day, double *out);

/* Lunar date of the civil date of `date` (time of day ignored) into *record;
 * returns record. Outside 1902-01-01..2051-12-31 (and for NaN or infinite
 * dates) the record is filled with {0, 0, 0}. */
STAR_API LunarDate *STAR_CALL Dll_SolarToLunar(double date, LunarDate *record);

#ifdef __cplusplus
}
#endif

#endif /* STAR_H */
