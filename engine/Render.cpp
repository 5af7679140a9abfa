// Chart rendering: the natal chart and the Four Pillars chart of one birth
// written as GBK names and small codes into the caller's four blocks.
#include "Render.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "BaZi.h"
#include "CivilDate.h"
#include "DouShu.h"
#include "ItemCodes.h"
#include "Names.h"
#include "star.h"

namespace star {

namespace {

constexpr int kRowSlots = TKvrDouShu::kSlots;
static_assert(kRowSlots == 27);

// DisplayClass of every item code, looked up rather than worked out for each
// star shown.
struct DisplayClassTable {
    int32_t byCode[kItemCount];
};
constexpr DisplayClassTable MakeDisplayClasses() {
    DisplayClassTable table{};
    for (int c = 0; c < kItemCount; ++c) table.byCode[c] = DisplayClass(c);
    return table;
}
constexpr DisplayClassTable kDisplayClasses = MakeDisplayClasses();

int32_t DisplayClassOf(int32_t item) {
    return item >= 0 && item < kItemCount ? kDisplayClasses.byCode[item] : DisplayClass(item);
}

char *Slot(char *record, int slot) { return record + STAR_SLOT_SIZE * slot; }

// Text of a palace slot; whole characters only, never past its 8 bytes.
TextCell SlotText(char *record, int slot) { return TextCell(Slot(record, slot), STAR_SLOT_TEXT_SIZE); }

void SetSlotCode(char *record, int slot, int32_t code) {
    // Little-endian int32 at byte 8 of the slot (memcpy: the block has no alignment).
    char *at = Slot(record, slot) + STAR_SLOT_CODE_OFFSET;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, &code, 4);
    } else {
        const uint32_t u = static_cast<uint32_t>(code);
        for (int i = 0; i < 4; ++i) at[i] = static_cast<char>(u >> (8 * i));
    }
}

void PutSlot(char *record, int slot, const char *text, int32_t code) {
    SlotText(record, slot).Put(text);
    SetSlotCode(record, slot, code);
}

// A whole table entry into a cleared slot: its NUL padding matches the
// cleared bytes, so this writes exactly what PutSlot would, without a walk.
template <int Width>
void PutSlotEntry(char *record, int slot, const char (&entry)[Width], int32_t code) {
    static_assert(Width <= STAR_SLOT_TEXT_SIZE);
    std::memcpy(Slot(record, slot), entry, Width);
    SetSlotCode(record, slot, code);
}

char *PillarCell(char *pillars, int row, int column) {
    return pillars + STAR_PILLAR_ROW_SIZE * row + STAR_PILLAR_CELL_SIZE * column;
}

// A whole table entry into a cleared cell of `CellWidth` bytes.
template <int CellWidth, int Width>
void PutEntry(char *cell, const char (&entry)[Width]) {
    static_assert(Width <= CellWidth);
    std::memcpy(cell, entry, Width);
}

TextCell LuckCell(char *luck, int cell) {
    return TextCell(luck + STAR_LUCK_CELL_SIZE * cell, STAR_LUCK_CELL_SIZE);
}

char *HeaderLine(char *header, int line) { return header + STAR_HEADER_LINE_SIZE * line; }

// Day numbers of any chart lie well inside this; beyond it a double is not
// converted (NaN, infinities, absurd instants).
constexpr double kDayLimit = 1.0e7;

}  // namespace

int64_t WholeDays(double days) {
    if (!(days > -kDayLimit && days < kDayLimit)) return 0;
    return static_cast<int64_t>(days);
}

void ClearBlocks(char *palaces, char *header, char *pillars, char *luck) {
    std::memset(palaces, 0, STAR_PALACE_BLOCK_SIZE);
    std::memset(HeaderLine(header, 1), 0, STAR_HEADER_BLOCK_SIZE - STAR_HEADER_LINE_SIZE);
    std::memset(pillars, 0, STAR_PILLAR_BLOCK_SIZE);
    std::memset(luck, 0, STAR_LUCK_BLOCK_SIZE);
}

void RenderPalaceStars(const int32_t (&row)[27], const int32_t (&attributes)[27], char *record) {
    constexpr int kMaxLines = 10;
    int lines = 2;  // the line count starts at 2: the palace name and stem take the first lines
    int shift = 0;  // 1 once the body marker is passed: it takes no star slot
    int at = TKvrDouShu::kFirstStarSlot;
    for (int entry = 0; entry < STAR_STARS_SHOWN; ++entry) {
        if (lines > kMaxLines || at > TKvrDouShu::kLastStarSlot) break;
        const int32_t item = row[at];
        if (item == code::None) break;  // the row's stars end here
        if (item == code::Body) {
            ++lines;
            shift = 1;
            PutSlot(record, STAR_SLOT_STAR + STAR_STARS_SHOWN - 1, kFullWidthSpace, STAR_CODE_PLAIN);
            PutSlot(record, STAR_SLOT_BRIGHTNESS + STAR_STARS_SHOWN - 1, kFullWidthSpace, STAR_CODE_PLAIN);
            PutSlot(record, STAR_SLOT_BODY, kWordBody, STAR_CODE_BODY);
            ++at;
            continue;
        }
        const int k = entry - shift;
        PutSlotEntry(record, STAR_SLOT_STAR + k, ItemEntry(item), DisplayClassOf(item));
        PutSlotEntry(record, STAR_SLOT_BRIGHTNESS + k, BrightnessEntry(attributes[at]), STAR_CODE_BRIGHTNESS);
        ++lines;
        ++at;
        if (at <= TKvrDouShu::kLastStarSlot && code::IsTransformation(row[at])) {
            PutSlotEntry(record, STAR_SLOT_TRANSFORM + k, ItemEntry(row[at]), STAR_CODE_TRANSFORM);
            ++lines;
            ++at;
        }
    }
}

void RenderPalaces(const TKvrDouShu &chart, char *palaces) {
    for (int r = 0; r < STAR_PALACE_COUNT; ++r) {
        const int palace = r + 1;
        const int32_t(&row)[kRowSlots] = chart.palaces[palace];
        char *record = palaces + STAR_PALACE_RECORD_SIZE * r;
        RenderPalaceStars(row, chart.attributes[palace], record);

        PutSlotEntry(record, STAR_SLOT_BOSHI, ItemEntry(row[TKvrDouShu::kBoShiSlot]), STAR_CODE_PLAIN);
        PutSlotEntry(record, STAR_SLOT_JIANGQIAN, ItemEntry(row[TKvrDouShu::kJiangQianSlot]), STAR_CODE_PLAIN);
        PutSlotEntry(record, STAR_SLOT_SUIQIAN, ItemEntry(row[TKvrDouShu::kSuiQianSlot]), STAR_CODE_PLAIN);
        PutSlotEntry(record, STAR_SLOT_CHANGSHENG, ItemEntry(row[TKvrDouShu::kStageSlot]), STAR_CODE_PLAIN);
        TextCell stemBranch = SlotText(record, STAR_SLOT_STEM_BRANCH);
        PutPairName(stemBranch, row[TKvrDouShu::kStemSlot], code::OfBranch(palace));
        PutSlotEntry(record, STAR_SLOT_PALACE_NAME, ItemEntry(row[TKvrDouShu::kNameSlot]),
                     chart.DecadeStartAge(palace));
    }
}

void RenderNatalHeader(const TKvrDouShu &chart, char *header) {
    WriteBureauLine(HeaderLine(header, STAR_HEADER_BUREAU), chart.bureau);
    // The year is that of the hour after the birth (the lunar year number);
    // month and day those of the birth's own civil date.
    WriteLunarLine(HeaderLine(header, STAR_HEADER_LUNAR), chart.lunarYear, chart.lunarDate.month,
                   chart.lunarDate.day);
    const double birth = chart.GetBirth();
    const CivilDate civil = CivilFromDayCount(static_cast<int>(WholeDays(std::floor(birth))));
    WriteSolarLine(HeaderLine(header, STAR_HEADER_SOLAR), civil.year, civil.month, civil.day);
}

void RenderLuckStartLine(const TKvrBaZi &chart, char *header) {
    WriteLuckStartLine(HeaderLine(header, STAR_HEADER_LUCK_START), WholeDays(chart.luckOffset));
}

void RenderPillars(const TKvrBaZi &chart, char *pillars) {
    auto cell = [pillars](int row, int column) {
        return TextCell(PillarCell(pillars, row, column), STAR_PILLAR_CELL_SIZE);
    };
    for (int j = 0; j < STAR_PILLAR_COLUMNS; ++j) {
        const int32_t stem = chart.stems[j], branch = chart.branches[j];
        const int32_t tenGod = chart.tenGods[0][j];
        constexpr int kCell = STAR_PILLAR_CELL_SIZE;
        PutEntry<kCell>(PillarCell(pillars, STAR_PILLAR_TEN_GOD, j),
                        tenGod == 0 ? kWordDay : TenGodShortEntry(tenGod));
        PutEntry<kCell>(PillarCell(pillars, STAR_PILLAR_STEM, j), ItemEntry(stem));
        PutEntry<kCell>(PillarCell(pillars, STAR_PILLAR_BRANCH, j), ItemEntry(branch));
        PutEntry<kCell>(PillarCell(pillars, STAR_PILLAR_NAYIN, j), NayinEntry(bazi::NayinIndex(stem, branch)));
        TextCell gods = cell(STAR_PILLAR_HIDDEN_GODS, j);
        TextCell hidden = cell(STAR_PILLAR_HIDDEN_STEMS, j);
        for (int i = 0; i < 3; ++i) {
            const int32_t hiddenStem = chart.hiddenStems[i][j];
            if (hiddenStem == 0) continue;
            gods.Put(TenGodShortName(chart.tenGods[i + 1][j]));
            hidden.Put(ItemName(hiddenStem));
        }
        for (int q = 0; q < STAR_PILLAR_ROWS - STAR_PILLAR_SPIRITS; ++q) {
            const int32_t spirit = chart.spiritStars[q][j];
            if (spirit != 0) PutEntry<kCell>(PillarCell(pillars, STAR_PILLAR_SPIRITS + q, j), SpiritStarEntry(spirit));
        }
    }
}

void RenderLuck(const TKvrBaZi &pillars, const TKvrDouShu &natal, char *luck) {
    TextCell startAge = LuckCell(luck, STAR_LUCK_START_AGE);
    PutAsciiNumber(startAge, pillars.startAge);
    for (int i = 0; i < 8; ++i) {
        TextCell cell = LuckCell(luck, STAR_LUCK_PILLARS + i);
        const bazi::Pillar p = pillars.LuckPillar(i);
        PutPairName(cell, p.stem, p.branch);
    }
    constexpr int kCell = STAR_LUCK_CELL_SIZE;
    PutEntry<kCell>(luck + kCell * STAR_LUCK_LIFE_MASTER, ItemEntry(natal.lifeMaster));
    PutEntry<kCell>(luck + kCell * STAR_LUCK_BODY_MASTER, ItemEntry(natal.bodyMaster));
    PutEntry<kCell>(luck + kCell * STAR_LUCK_DOU_JUN, ItemEntry(natal.douJun));
}

void Pan(double birth, bool male, char *palaces, char *header, char *pillars, char *luck) {
    // The calendar is reckoned once, for the natal chart, and the Four Pillars
    // chart takes it over; neither record reads the clock.
    const uint8_t sex = male ? 1 : 0;
    TKvrDouShu natal(birth, sex);
    natal.CastFromCalendar();

    ClearBlocks(palaces, header, pillars, luck);
    RenderPalaces(natal, palaces);
    WriteNameLine(HeaderLine(header, STAR_HEADER_NAME), male);
    RenderNatalHeader(natal, header);

    const TKvrBaZi fourPillars(natal, sex);

    RenderLuckStartLine(fourPillars, header);
    RenderPillars(fourPillars, pillars);
    RenderLuck(fourPillars, natal, luck);
}

}  // namespace star
