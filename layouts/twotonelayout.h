// The two-tone window's blocks: tone settings and encode rows 1–2 in block 0, encode rows 3–16 in
// blocks 1–2, the decode rows two per block in blocks 3–10; and the decode table's edit rules.
#pragma once

#include "frames/frame.h"
#include "layouts/blocklayout.h"

#include <QStringList>

namespace twotone {

constexpr int kBlockCount = frame::kTwoToneBlockCount;
constexpr int kRows = 16;          // rows of both tables
constexpr int kDecodes = 4;        // decodes in a decode row
constexpr int kDecodeColumns = 1 + 3 * kDecodes;

// Decode d (0–3) takes columns 3d+1 (pair), 3d+2 (response), 3d+3 (prompt) of xg2.
constexpr int pairColumn(int d) { return 3 * d + 1; }
constexpr int responseColumn(int d) { return 3 * d + 2; }
constexpr int promptColumn(int d) { return 3 * d + 3; }

QStringList toneTimeItems(); // cb1–cb3: 50 … 1000 ms
QStringList pairItems();     // "AB" … "DB"
QStringList responseItems(); // "无", "提醒", "回复", "提醒并回复"
QStringList promptItems();   // "1" … "16"

// The window's name, the captions of its controls and of its tables "xg1" (encode) and "xg2" (decode).
const WindowCaptions &captions();

BlockLayout blockLayout();

// After a cell (col, row) of xg2 was committed: a row whose "解码1" is empty takes no value, and
// a committed "解码1" resets the row's other cells to their defaults.
void decodeRowRules(SignallingTexts &texts, int col, int row);

} // namespace twotone
