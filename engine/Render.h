// Rendering of the two charts of one birth into the four output blocks of
// fixed-width GBK texts and int32 codes (layout in include/star.h).
#pragma once

#include <cstdint>

namespace star {

class TKvrDouShu;
class TKvrBaZi;

// Empties every palace slot (text and code), header lines 1..7 (line 0
// carries the name in), every pillar cell and every luck cell.
void ClearBlocks(char *palaces, char *header, char *pillars, char *luck);

// The stars of one palace row (27 item codes, with the brightness cells
// beside them) into one cleared 720-byte palace record: slots 0..9 the stars
// with their display class, 10..19 their brightness (code 5), 20..29 their
// transformation (code 10), and in the body palace "　" in slots 9 and 19 and
// "身" in slot 56 (code 13). At most ten entries are examined, and an entry is
// taken only while the palace shows ten lines or fewer (stars,
// transformations and the body marker each count one line, from 2), so a
// crowded body palace gets no mark. The walk ends at the first empty slot.
void RenderPalaceStars(const int32_t (&row)[27], const int32_t (&attributes)[27], char *record);

// Stars and palace facts of every palace into the cleared palace block: the
// cycle stars, stem and branch, palace name and the first age of its decade.
void RenderPalaces(const TKvrDouShu &chart, char *palaces);

// Header lines 1..3 from the natal chart: bureau, lunar date, Gregorian date.
void RenderNatalHeader(const TKvrDouShu &chart, char *header);
// Header line 4 from the luck offset of the Four Pillars chart.
void RenderLuckStartLine(const TKvrBaZi &chart, char *header);

// The eleven rows of each of the four pillars into the cleared pillar block.
void RenderPillars(const TKvrBaZi &chart, char *pillars);

// Start age and the eight luck pillars from the Four Pillars chart, the life-
// and body-master stars and the Dou Jun branch from the natal chart, into the
// cleared luck block.
void RenderLuck(const TKvrBaZi &pillars, const TKvrDouShu &natal, char *luck);

// Whole days (truncated) of a day count, with values that are not finite or
// lie beyond any chart taken as 0, so that no conversion can overflow.
int64_t WholeDays(double days);

// Dll_Pan: casts both charts of the birth and fills the four blocks.
void Pan(double birth, bool male, char *palaces, char *header, char *pillars, char *luck);

}  // namespace star
