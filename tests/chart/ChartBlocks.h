#pragma once
// Hand-made output blocks for the chart drawing tests.

#include "Gbk.h"

#include <QString>
#include <cstring>
#include <star.h>

struct ChartBlocks {
    char palaces[STAR_PALACE_BLOCK_SIZE] = {};
    char text[STAR_TEXT_BLOCKS_SIZE] = {};

    char *header() { return text; }
    char *pillars() { return text + STAR_HEADER_BLOCK_SIZE; }
    char *luck() { return text + STAR_HEADER_BLOCK_SIZE + STAR_PILLAR_BLOCK_SIZE; }

    static void put(char *cell, int width, const QString &s)
    {
        const QByteArray b = ToGbk(s);
        std::memset(cell, 0, width);
        std::memcpy(cell, b.constData(), std::min<qsizetype>(b.size(), width));
    }
    // Palace k (1..12 = 子..亥), slot 0..59.
    void slot(int k, int s, const QString &t, int32_t code = 0)
    {
        char *p = palaces + (k - 1) * STAR_PALACE_RECORD_SIZE + s * STAR_SLOT_SIZE;
        put(p, STAR_SLOT_TEXT_SIZE, t);
        std::memcpy(p + STAR_SLOT_CODE_OFFSET, &code, sizeof code);
    }
    void headerLine(int n, const QString &t) { put(header() + n * STAR_HEADER_LINE_SIZE, STAR_HEADER_LINE_SIZE, t); }
    void pillar(int row, int col, const QString &t)
    {
        put(pillars() + row * STAR_PILLAR_ROW_SIZE + col * STAR_PILLAR_CELL_SIZE, STAR_PILLAR_CELL_SIZE, t);
    }
    void luckCell(int n, const QString &t) { put(luck() + n * STAR_LUCK_CELL_SIZE, STAR_LUCK_CELL_SIZE, t); }

    // A valid minimum: every palace named, luck start age 3.
    ChartBlocks()
    {
        static const char *names[12] = {"命宫", "兄弟", "夫妻", "子女", "财帛", "疾厄",
                                        "迁移", "奴仆", "官禄", "田宅", "福德", "父母"};
        for (int k = 1; k <= 12; ++k)
            slot(k, STAR_SLOT_PALACE_NAME, QString::fromUtf8(names[k - 1]), 2 + k);
        luckCell(0, QStringLiteral("3"));
    }
};
