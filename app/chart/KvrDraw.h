#pragma once
// TKeloDraw: the chart board. Turns the four output blocks of one chart
// (palace, header, pillar and luck blocks) into a square board of 4 × 4 cells
// on a Canvas: the twelve palaces in the border cells at their fixed branch
// positions, the header lines, the four pillars, the luck pillars and the
// master stars in the open middle block, and the red figure joining the life
// palace with its three-way palaces. While drawing for the screen it records
// where each clickable name lies, for HitTest.
//
// All geometry follows from the canvas font's pixel height C and the pen
// width P, so a printed chart is the screen chart at the printer's
// resolution.
//
// Texts are GBK cells read up to their width or their first NUL; a two-byte
// character cut by the cell's end is dropped.

#include "Canvas.h"

#include <QString>
#include <array>
#include <cstdint>

#include <star.h>

struct HitRegion {
    QString Name;
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TKeloDraw {
public:
    static constexpr int kMaxHitRegions = 200;

    int32_t ChartHeight = 0;   // 4 × CellHeight
    int32_t ChartWidth = 0;    // 4 × CellWidth
    int32_t OriginX = 0, OriginY = 0;
    int32_t CellHeight = 0, CellWidth = 0;
    char HeaderLines[STAR_HEADER_LINES][STAR_HEADER_LINE_SIZE] = {};
    char PillarTable[STAR_PILLAR_BLOCK_SIZE] = {};
    char LuckTable[STAR_LUCK_CELLS][STAR_LUCK_CELL_SIZE] = {};
    char PalaceRecords[STAR_PALACE_COUNT][STAR_PALACE_RECORD_SIZE] = {};
    int32_t CharHeight = 0;    // C
    int32_t PenWidth = 1;      // P
    Canvas *canvas = nullptr;  // lent by the caller, never owned
    int32_t LifePalace = 0;    // palace 1..12 named "命宫" in the last drawing that had one
    bool RecordHits = false;   // screen drawing: hit regions are recorded
    // The first kMaxHitRegions clickable texts of the last screen drawing;
    // any further ones are dropped (a chart of the engine has at most 14 per
    // palace, 168 in all).
    std::array<HitRegion, kMaxHitRegions> HitRegions{};
    int32_t HitCount = 0;

    // Create: no data, no canvas, no hit regions.
    TKeloDraw() = default;

    // Keeps canvas for later drawing and sets the origin (13, 10).
    void SetCanvas(Canvas *newCanvas);
    // Sets the board's top-left corner and takes the geometry from the
    // canvas font as it is now.
    void SetOrigin(int32_t x, int32_t y);
    // Copies the four blocks (8640, 248, 396 and 84 bytes).
    void SetChartData(const void *palaces, const void *header, const void *pillars, const void *luck);
    // Draws the whole chart. A luck cell 0 that is not a decimal number stops
    // the drawing with a KeloError; what was drawn before stays.
    void Draw();
    // Sets name to the lookup name of the last region that holds (x, y)
    // strictly inside; leaves it as passed when there is none.
    void HitTest(int32_t x, int32_t y, QString &name) const;
    // Records a clickable text (not when the name is empty or begins with "　", nor when
    // RecordHits is off). 截正/截傍 are recorded as 截空, 旬正/旬傍 as 旬空.
    void AddHitRegion(const QString &name, int32_t x, int32_t y, int32_t width, int32_t height);

    // Colour of a palace slot code; codes outside 0..14 draw black.
    static QColor ClassColor(int32_t code);
    // a ÷ b rounded to the nearest integer, halves to even (b > 0).
    static int64_t RoundHalfEven(int64_t a, int64_t b);

private:
    struct Point { int32_t x, y; };
    Point PalacePoint(int k, int32_t dx, int32_t dy) const;
    QString SlotText(int k, int slot) const;
    int32_t SlotCode(int k, int slot) const;
    void DrawVertical(int32_t x, int32_t y, const QString &text, const QColor &font, const QColor &back);
    void DrawHorizontal(int32_t x, int32_t y, bool centre, const QColor &back, const QColor &font,
                        const QString &text);
    void DrawPalace(int k, int &lifePalaceFound);
    void DrawPillars(int32_t &pillarX);
    void DrawLuck(int32_t pillarX);
    void DrawLifeTriangle(int lifePalace);
};

// Text of a GBK cell of `width` bytes: up to the first NUL; a character cut
// by the cell's end is dropped.
QString GbkCellText(const char *cell, int width);
