#include "KvrDraw.h"

#include "BirthEntry.h"
#include "Gbk.h"
#include "KeloError.h"

#include <cstdlib>
#include <cstring>

namespace {

// Grid column and row of each palace's cell; index 0 is the middle block.
constexpr int kCellColumn[13] = {1, 2, 1, 0, 0, 0, 0, 1, 2, 3, 3, 3, 3};
constexpr int kCellRow[13] = {1, 3, 3, 3, 2, 1, 0, 0, 0, 0, 1, 2, 3};
// Middle of the edge each palace shares with the middle block (the corner of
// the middle block for a corner palace), in half cells from its top-left.
constexpr int kInnerEdgeX[13] = {0, 3, 1, 0, 0, 0, 0, 1, 3, 4, 4, 4, 4};
constexpr int kInnerEdgeY[13] = {0, 4, 4, 4, 3, 1, 0, 0, 0, 0, 1, 3, 4};

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);
const QColor kPurple(128, 0, 128);

const QString kFullWidthSpace = QStringLiteral("\u3000");
const QString kLifePalaceName = QStringLiteral("命宫");

// Palace slot texts are read to 5 bytes: two GBK characters and the end.
constexpr int kSlotTextWidth = 5;

}  // namespace

QString GbkCellText(const char *cell, int width)
{
    const auto *p = reinterpret_cast<const unsigned char *>(cell);
    int length = 0;
    while (length < width && p[length] != 0)
        ++length;
    // Walk whole characters; a lead byte without its second byte is dropped.
    int whole = 0;
    while (whole < length) {
        const int size = (p[whole] >= 0x81 && p[whole] <= 0xFE) ? 2 : 1;
        if (whole + size > length)
            break;
        whole += size;
    }
    return FromGbk(cell, whole);
}

int64_t TKeloDraw::RoundHalfEven(int64_t a, int64_t b)
{
    int64_t q = a / b, r = a % b;
    if (r < 0) {  // floor division
        r += b;
        --q;
    }
    const int64_t twice = 2 * r;
    if (twice > b || (twice == b && (q & 1)))
        ++q;
    return q;
}

QColor TKeloDraw::ClassColor(int32_t code)
{
    switch (code) {
    case 1: case 2: case 3: case 4:
        return kPurple;
    case 5: case 13:
        return kRed;
    case 10:
        return kGreen;
    default:  // 0, the unused codes 6-9, 11, 12, 14 and anything outside 0..14
        return kBlack;
    }
}

void TKeloDraw::SetCanvas(Canvas *newCanvas)
{
    canvas = newCanvas;
    SetOrigin(13, 10);
}

void TKeloDraw::SetOrigin(int32_t x, int32_t y)
{
    OriginX = x;
    OriginY = y;
    if (!canvas)
        return;
    CharHeight = std::abs(canvas->fontHeight());
    const int screenPpi = canvas->screenPixelsPerInch() > 0 ? canvas->screenPixelsPerInch() : 96;
    PenWidth = int32_t(RoundHalfEven(canvas->fontPixelsPerInch(), screenPpi));
    if (PenWidth < 1)
        PenWidth = 1;
    const int64_t c = CharHeight;
    if (c >= 14) {
        CellHeight = int32_t(RoundHalfEven(c * 64, 7));
        CellWidth = int32_t(RoundHalfEven(c * 90, 7));
    } else {
        CellHeight = int32_t(9 * c);
        CellWidth = int32_t(12 * c);
    }
    RecordHits = CharHeight <= 14;
    ChartHeight = 4 * CellHeight;
    ChartWidth = 4 * CellWidth;
}

void TKeloDraw::SetChartData(const void *palaces, const void *header, const void *pillars, const void *luck)
{
    std::memcpy(PalaceRecords, palaces, sizeof PalaceRecords);
    std::memcpy(HeaderLines, header, sizeof HeaderLines);
    std::memcpy(PillarTable, pillars, sizeof PillarTable);
    std::memcpy(LuckTable, luck, sizeof LuckTable);
}

void TKeloDraw::HitTest(int32_t x, int32_t y, QString &name) const
{
    for (int i = 0; i < HitCount; ++i) {
        const HitRegion &r = HitRegions[i];
        if (r.Left < x && x < r.Right && r.Top < y && y < r.Bottom)
            name = r.Name;
    }
}

void TKeloDraw::AddHitRegion(const QString &name, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (name.isEmpty() || name.startsWith(kFullWidthSpace) || !RecordHits)
        return;
    if (HitCount >= kMaxHitRegions)
        return;  // the list is full: further regions are dropped
    QString lookup = name;
    if (name == QStringLiteral("截正") || name == QStringLiteral("截傍"))
        lookup = QStringLiteral("截空");
    else if (name == QStringLiteral("旬正") || name == QStringLiteral("旬傍"))
        lookup = QStringLiteral("旬空");
    HitRegions[HitCount] = HitRegion{lookup, x, y, x + width, y + height};
    ++HitCount;
}

TKeloDraw::Point TKeloDraw::PalacePoint(int k, int32_t dx, int32_t dy) const
{
    return {OriginX + kCellColumn[k] * CellWidth + dx, OriginY + kCellRow[k] * CellHeight + dy};
}

QString TKeloDraw::SlotText(int k, int slot) const
{
    return GbkCellText(PalaceRecords[k - 1] + slot * STAR_SLOT_SIZE, kSlotTextWidth);
}

int32_t TKeloDraw::SlotCode(int k, int slot) const
{
    int32_t code;
    std::memcpy(&code, PalaceRecords[k - 1] + slot * STAR_SLOT_SIZE + STAR_SLOT_CODE_OFFSET, sizeof code);
    return code;
}

void TKeloDraw::DrawVertical(int32_t x, int32_t y, const QString &text, const QColor &font, const QColor &back)
{
    if (text.isEmpty() || text.startsWith(kFullWidthSpace))
        return;
    canvas->setFontColor(font);
    canvas->setBrushColor(back);
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n) {
        qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        canvas->textOut(x, y + n * CharHeight, text.mid(i, len));
        i += len - 1;
    }
}

void TKeloDraw::DrawHorizontal(int32_t x, int32_t y, bool centre, const QColor &back, const QColor &font,
                               const QString &text)
{
    if (text.isEmpty())
        return;
    canvas->setFontColor(font);
    canvas->setBrushColor(back);
    if (centre)
        x -= canvas->textWidth(text) / 2;
    canvas->textOut(x, y, text);
}

void TKeloDraw::DrawPalace(int k, int &lifePalaceFound)
{
    const int32_t C = CharHeight, P = PenWidth, W = CellWidth, H = CellHeight;

    // Ten star columns from the cell's right edge leftwards: name, brightness
    // below it, transformation mark below that (white on its colour).
    int32_t dx = W - C - 3 * P;
    for (int s = 0; s < STAR_STARS_SHOWN; ++s) {
        Point pt = PalacePoint(k, dx, 4 * P);
        const QString star = SlotText(k, STAR_SLOT_STAR + s);
        DrawVertical(pt.x, pt.y, star, ClassColor(SlotCode(k, STAR_SLOT_STAR + s)), kWhite);
        AddHitRegion(star, pt.x, pt.y, C, 2 * C);
        pt.y += 2 * C + 2 * P;
        DrawVertical(pt.x, pt.y, SlotText(k, STAR_SLOT_BRIGHTNESS + s),
                     ClassColor(SlotCode(k, STAR_SLOT_BRIGHTNESS + s)), kWhite);
        pt.y += 2 * C + 4 * P;
        const QString mark = SlotText(k, STAR_SLOT_TRANSFORM + s);
        DrawVertical(pt.x, pt.y, mark, kWhite, ClassColor(SlotCode(k, STAR_SLOT_TRANSFORM + s)));
        AddHitRegion(mark, pt.x, pt.y, C, C);
        dx -= C + P;
    }

    // The 博士, 将前 and 岁前 cycle stars in the lower left; the two cycles
    // share names (病符), so the lookup name carries the cycle's digit.
    dx = 4 * P;
    const int32_t lowerY = H - 2 * C - 4 * P;
    Point pt{};
    for (int s = STAR_SLOT_BOSHI; s <= STAR_SLOT_SUIQIAN; ++s) {
        pt = PalacePoint(k, dx, lowerY);
        const QString star = SlotText(k, s);
        DrawVertical(pt.x, pt.y, star, ClassColor(SlotCode(k, s)), kWhite);
        if (!star.isEmpty())
            AddHitRegion(star + QString::number(s - STAR_SLOT_BOSHI + 1), pt.x, pt.y, C, 2 * C);
        dx += C + P;
    }

    // Palace name, its decade range below and the body mark beside it.
    const int32_t x = pt.x + 3 * C, y = pt.y;
    const QString palaceName = SlotText(k, STAR_SLOT_PALACE_NAME);
    DrawHorizontal(x, y, false, kWhite, kBlack, palaceName);
    AddHitRegion(palaceName, x, y, 2 * C, C);
    if (palaceName == kLifePalaceName) {
        LifePalace = k;
        lifePalaceFound = k;
    }
    const int64_t age = SlotCode(k, STAR_SLOT_PALACE_NAME);
    DrawHorizontal(x, y + C, false, kWhite, kBlack, QStringLiteral("%1-%2").arg(age).arg(age + 10));
    const QString body = SlotText(k, STAR_SLOT_BODY);
    DrawHorizontal(x + 2 * C, y, false, kWhite, ClassColor(SlotCode(k, STAR_SLOT_BODY)), body);
    AddHitRegion(body, x + 2 * C, y, C, C);

    // Stem and branch of the palace, the 长生 stage one column to its left.
    pt = PalacePoint(k, W - C - 3 * P, lowerY);
    DrawVertical(pt.x, pt.y, SlotText(k, STAR_SLOT_STEM_BRANCH),
                 ClassColor(SlotCode(k, STAR_SLOT_STEM_BRANCH)), kWhite);
    DrawVertical(pt.x - C - P, pt.y, SlotText(k, STAR_SLOT_CHANGSHENG),
                 ClassColor(SlotCode(k, STAR_SLOT_CHANGSHENG)), kWhite);
}

void TKeloDraw::DrawPillars(int32_t &pillarX)
{
    const int32_t C = CharHeight, P = PenWidth;
    const int32_t a = int32_t(RoundHalfEven(int64_t(CellWidth) * 28, 100));
    const Point first = PalacePoint(0, 4 * a, 10 * P);
    pillarX = first.x;
    int32_t y = first.y;
    auto row = [&](int r, const QColor &color) {
        for (int j = 0; j < STAR_PILLAR_COLUMNS; ++j)
            DrawHorizontal(pillarX - j * a, y, true, kWhite, color,
                           GbkCellText(PillarTable + r * STAR_PILLAR_ROW_SIZE + j * STAR_PILLAR_CELL_SIZE,
                                       STAR_PILLAR_CELL_SIZE));
    };

    row(STAR_PILLAR_TEN_GOD, kBlue);

    // Stems and branches in the heavy pillar font.
    canvas->saveFont();
    canvas->setFontName(kHeiTi);
    canvas->setFontSize(15);
    const int32_t R = canvas->textHeight(QStringLiteral("随便"));
    y += C + 5 * P;
    row(STAR_PILLAR_STEM, kBlack);
    y += R;
    row(STAR_PILLAR_BRANCH, kBlack);
    y += R;
    canvas->restoreFont();

    y += 5 * P;
    row(STAR_PILLAR_NAYIN, kGreen);
    y += C + 5 * P;
    for (int r = STAR_PILLAR_HIDDEN_GODS; r <= STAR_PILLAR_HIDDEN_STEMS; ++r) {
        row(r, kBlack);
        y += C;
    }
    y += 5 * P;
    for (int r = STAR_PILLAR_SPIRITS; r < STAR_PILLAR_ROWS; ++r) {
        row(r, kPurple);
        y += C;
    }
}

void TKeloDraw::DrawLuck(int32_t pillarX)
{
    const int32_t C = CharHeight, P = PenWidth;
    const QString startText = GbkCellText(LuckTable[STAR_LUCK_START_AGE], STAR_LUCK_CELL_SIZE);
    // The start age converts like any integer text the program reads: the
    // same rule and the same message as the birth fields of the details page.
    const std::optional<int64_t> parsed = ParseIntegerText(startText);
    if (!parsed)
        throw KeloError(BirthMessages::NotInteger.arg(startText));
    int64_t age = *parsed;

    const Point middle = PalacePoint(0, 0, 0);
    const int32_t y = middle.y + 2 * CellHeight - 3 * C - 4 * P;
    const int32_t step = int32_t(RoundHalfEven(int64_t(C) * 18, 10));
    int32_t x = pillarX;
    for (int n = STAR_LUCK_PILLARS; n < STAR_LUCK_PILLARS + 8; ++n) {
        DrawVertical(x, y, GbkCellText(LuckTable[n], STAR_LUCK_CELL_SIZE), kBlack, kWhite);
        DrawHorizontal(x + C / 2, y + 2 * C, true, kWhite, kBlack, QString::number(age));
        x -= step;
        age += 10;
    }

    const int32_t mx = middle.x + 2 * CellWidth - 7 * C - 3 * P;
    DrawHorizontal(mx, y, false, kWhite, kBlack,
                   QStringLiteral("命主：\u3000") + GbkCellText(LuckTable[STAR_LUCK_LIFE_MASTER], STAR_LUCK_CELL_SIZE));
    DrawHorizontal(mx, y + C, false, kWhite, kBlack,
                   QStringLiteral("身主：\u3000") + GbkCellText(LuckTable[STAR_LUCK_BODY_MASTER], STAR_LUCK_CELL_SIZE));
    DrawHorizontal(mx, y + 2 * C, false, kWhite, kBlack,
                   QStringLiteral("子年斗君：") + GbkCellText(LuckTable[STAR_LUCK_DOU_JUN], STAR_LUCK_CELL_SIZE));
}

void TKeloDraw::DrawLifeTriangle(int k0)
{
    if (k0 < 1 || k0 > 12)
        return;  // no palace of this chart is the life palace
    const Point middle = PalacePoint(0, 0, 0);
    const int32_t hw = CellWidth / 2, hh = CellHeight / 2;
    auto point = [&](int k) { return Point{middle.x + kInnerEdgeX[k] * hw, middle.y + kInnerEdgeY[k] * hh}; };
    auto wrap = [](int k) { return k > 12 ? k - 12 : (k < 1 ? k + 12 : k); };
    const int k1 = wrap(k0 + 4), k2 = wrap(k1 + 4), k3 = wrap(k2 - 2);
    canvas->setPenColor(kRed);
    canvas->setPenWidth(PenWidth);
    canvas->moveTo(point(k0).x, point(k0).y);
    canvas->lineTo(point(k1).x, point(k1).y);
    canvas->lineTo(point(k2).x, point(k2).y);
    canvas->lineTo(point(k0).x, point(k0).y);
    canvas->lineTo(point(k3).x, point(k3).y);
}

void TKeloDraw::Draw()
{
    if (!canvas)
        return;
    if (RecordHits)
        HitCount = 0;
    const int32_t P = PenWidth, W = CellWidth, H = CellHeight;

    canvas->setPenModeCopy();
    canvas->setPenColor(kBlack);
    canvas->setPenWidth(P);
    canvas->setBrushColor(kWhite);
    canvas->fillRect(canvas->clipRect());

    // The grid; the middle lines leave the middle block open.
    for (int i = 0; i <= 4; ++i) {
        const int32_t y = OriginY + i * H, x = OriginX + i * W;
        if (i == 2) {
            canvas->moveTo(OriginX, y);
            canvas->lineTo(OriginX + W, y);
            canvas->moveTo(OriginX + 3 * W, y);
            canvas->lineTo(OriginX + 4 * W, y);
            canvas->moveTo(x, OriginY);
            canvas->lineTo(x, OriginY + H);
            canvas->moveTo(x, OriginY + 3 * H);
            canvas->lineTo(x, OriginY + 4 * H);
        } else {
            canvas->moveTo(OriginX, y);
            canvas->lineTo(OriginX + 4 * W, y);
            canvas->moveTo(x, OriginY);
            canvas->lineTo(x, OriginY + 4 * H);
        }
    }

    int lifePalace = 0;
    for (int k = 1; k <= STAR_PALACE_COUNT; ++k)
        DrawPalace(k, lifePalace);

    // Header lines 0..4, right to left from the middle block's right edge.
    const int32_t C = CharHeight;
    Point pt = PalacePoint(0, 2 * W - 2 * C - 3 * P, 8 * P);
    for (int line = 0; line <= STAR_HEADER_LUCK_START; ++line) {
        DrawVertical(pt.x, pt.y, GbkCellText(HeaderLines[line], STAR_HEADER_LINE_SIZE), kBlack, kWhite);
        pt.x -= C + P;
    }

    int32_t pillarX = 0;
    DrawPillars(pillarX);
    DrawLuck(pillarX);
    DrawLifeTriangle(lifePalace);
}
