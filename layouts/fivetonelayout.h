// The five-tone window's blocks: the standards' timing and the delays in block 0, the encode rows
// in blocks 1–8, the decode rows in blocks 9–16, two rows a block.
#pragma once

#include "frames/frame.h"
#include "layouts/blocklayout.h"

#include <QStringList>
#include <optional>

namespace fivetone {

constexpr int kBlockCount = frame::kFiveToneBlockCount;
constexpr int kStandardCount = 5;
constexpr int kRows = 16;     // rows of the encode and the decode table
constexpr int kDigits = 16;   // tones 0–F
constexpr int kKeptCol = 6;   // hidden column of xg2 holding each encode row's last byte

QStringList standardNames(); // "CCIR" … "ZVEI2", codes 1–5
QStringList functionNames(); // "通话" … "唤醒", codes 0–8
QStringList codeDigits();    // "0" … "9", "A" … "F"
QStringList delayItems();    // 50 … 1000 ms

// The tone frequencies (Hz) of digits 0–F in the named standard; none for a text off the list.
std::optional<QList<int>> toneFrequencies(const QString &standard);

// The window's name, the captions of its delay boxes and of its tables "xg1" (standards), "xg2"
// (encode) and "xg3" (decode).
const WindowCaptions &captions();

BlockLayout blockLayout();

} // namespace fivetone
