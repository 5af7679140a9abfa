// The natal Zi Wei Dou Shu chart: twelve palaces, each with its palace name,
// its stem, the stars placed in it (each transformation directly behind its
// star), the four twelve-star cycles and the brightness of every star.
#pragma once

#include <cstdint>

#include "Calendar.h"
#include "ItemCodes.h"

namespace star {

// Where an item stands on the chart; palace 0 when it is not on the chart.
struct ItemPlace {
    int32_t palace = 0;  // 1..12
    int32_t slot = 0;    // 0..26
};

class TKvrDouShu : public TKvrBase {
public:
    // A palace row: slot 0 palace name, slot 1 palace stem, slots 2..22 the
    // stars in order of placement, slots 23..26 the four cycles.
    static constexpr int kRows = 13;  // row 0 unused, rows 1..12 the palaces
    static constexpr int kSlots = 27;
    static constexpr int kNameSlot = 0;
    static constexpr int kStemSlot = 1;
    static constexpr int kFirstStarSlot = 2;
    static constexpr int kLastStarSlot = 22;
    static constexpr int kBoShiSlot = 23;
    static constexpr int kJiangQianSlot = 24;
    static constexpr int kSuiQianSlot = 25;
    static constexpr int kStageSlot = 26;

    // Base calendar at the current time, tables cleared, sex male.
    TKvrDouShu();
    // Calendar of the birth instant, tables cleared, the given sex; the chart
    // itself follows with CastFromCalendar (or Cast).
    TKvrDouShu(double birth, uint8_t male);

    // Stores the sex (nonzero male) and recomputes the direction flag from it
    // and the lunar year stem.
    void SetSex(uint8_t male);

    // The whole chart from the birth instant: ComputeCalendar, then
    // CastFromCalendar. Each run starts from cleared tables.
    virtual void Cast();

    // The chart from the calendar fields as they stand (every step after the
    // calendar). Values out of their ranges are wrapped into them, so any
    // field contents give a chart of in-range codes.
    void CastFromCalendar();

    // Writes `code` into the first empty slot (0..26) of the palace's row;
    // nothing when the row is full, the code is 0 or the palace is not 1..12.
    void PutStar(int code, int palace);
    // Writes `code` into that slot; nothing when palace or slot is outside
    // the row table.
    void PutStar(int code, int palace, int slot);
    // First (palace, slot) holding `code`, palaces 1..12 and slots 0..26 in
    // order; palace 0 when the code is not on the chart.
    ItemPlace FindItem(int code) const;
    // First age of the palace's decade: bureau + 10 x the number of moves
    // from the life palace to it in the chart's direction.
    int DecadeStartAge(int palace) const;

    // Fields in declaration order.
    int32_t lifePalace = 0;      // palace number 1..12
    uint8_t direction = 0;       // 1 forward (rising palace number), 0 backward
    uint8_t sex = 1;             // nonzero male
    int32_t bureau = 0;          // 2..6
    int32_t palaces[kRows][kSlots] = {};    // item codes
    int32_t attributes[kRows][kSlots] = {}; // brightness 1..7 beside each star, else 0
    int32_t lifeMaster = 0;      // 命主, item code of a star
    int32_t bodyMaster = 0;      // 身主, item code of a star
    int32_t douJun = 0;          // 斗君, branch code 11..22

private:
    // Placement values of one cast, each in its range.
    struct Inputs {
        int stem = 1;    // lunar year stem 1..10
        int branch = 1;  // lunar year branch 1..12
        int month = 1;   // placement month 1..12
        int day = 1;     // lunar day 1..30
        int hour = 1;    // hour branch 1..12
    };

    // PutStar without a slot, as the cast uses it: rows fill from the front
    // and nothing is taken out during a cast, so the first free slot of a row
    // is the one after its last entry (taken_). Where the item went is kept
    // (placedIn_, placedAt_), so that rules starting from a star need not
    // search the chart: every item put this way stands once on the chart,
    // and that place is the one FindItem would return.
    void Place(int code, int palace) {
        if (code == code::None || palace < 1 || palace > 12) return;
        const int slot = taken_[palace];
        if (slot >= kSlots) return;  // full row: the star is dropped
        palaces[palace][slot] = code;
        taken_[palace] = slot + 1;
        placedIn_[code] = static_cast<int8_t>(palace);
        placedAt_[code] = static_cast<int8_t>(slot);
    }
    // FindItem for an item put by Place.
    ItemPlace Locate(int code) const {
        return placedIn_[code] ? ItemPlace{placedIn_[code], placedAt_[code]} : ItemPlace{};
    }
    int PalaceOf(int code) const { return placedIn_[code]; }

    // Cast steps in their order (DouShu.cpp: palaces, bureau, main stars,
    // body marker, brightness, masters; DouShuStars.cpp: every other star).
    void PlaceLifePalaceAndNames();
    void PlacePalaceStems();
    void ComputeBureau();
    void PlaceZiWeiAndTianFu();
    void PlaceWenChangWenQu();
    void PlaceZuoFuYouBi();
    void PlaceTianKuiTianYue();
    void PlaceLuCun();
    void PlaceQingYangTuoLuo();
    void PlaceHuoXingLingXing();
    void PlaceDiJieDiKong();
    void InsertTransformations();
    void PlaceTianMa();
    void PlaceTianXingTianYao();
    void PlaceJieShen();
    void PlaceTianWu();
    void PlaceTianYueMoon();
    void PlaceYinSha();
    void PlaceSanTaiBaZuo();
    void PlaceEnGuangTianGui();
    void PlaceTianGuanTianFu();
    void PlaceTianKuTianXu();
    void PlaceLongChiFengGe();
    void PlaceHongLuanTianXi();
    void PlaceGuChenGuaSu();
    void PlaceFeiLian();
    void PlacePoSui();
    void PlaceBodyMarker();
    void PlaceTianCaiTianShou();
    void PlaceJieZhengJiePang();
    void PlaceXunZhengXunPang();
    void PlaceTianShangTianShi();
    void PlaceTianChu();
    void PlaceTianKong();
    void PlaceTaiFuFengGao();
    void PlaceTianDeNianJie();
    void PlaceYueDe();
    void PlaceBoShiCycle();
    void PlaceJiangQianCycle();
    void PlaceSuiQianCycle();
    void PlaceStages();
    void MarkBrightness();
    void SetMasters();

    Inputs in_;
    int8_t placedIn_[code::Count] = {};  // palace of an item put by Place, else 0
    int8_t placedAt_[code::Count] = {};  // its slot
    // Per row, the number of leading slots taken: names, stems, then the
    // stars one after another.
    int32_t taken_[kRows] = {};
};

}  // namespace star
