// The DTMF window's blocks: settings in block 0, the 16 dial memories in blocks 1–3.
#pragma once

#include "frames/frame.h"
#include "layouts/blocklayout.h"

#include <QStringList>

namespace dtmf {

constexpr int kBlockCount = frame::kDtmfBlockCount;
constexpr int kMemoryRows = 16;   // rows shown in the dial memory table
constexpr int kMemoriesPerBlock = 6;
constexpr int kKeptRows = kMemoriesPerBlock * (kBlockCount - 1); // 18: rows 17 and 18 are kept hidden
constexpr int kCountedRows = 8;   // rows whose digit counts travel in block 0

// The lists of the drop-downs; the first item of each pair is the initial text.
QStringList rateItems();          // cb1
QStringList firstDigitTimeItems(); // cb2
QStringList firstDigitDelayItems(); // cb3
QStringList starHashTimeItems();  // cb4
QStringList dKeyItems();          // cb5
QStringList groupCallItems();     // cb6
QStringList autoResetItems();     // cb7
QStringList callAlarmItems();     // cb8
QStringList autoAnswerItems();    // cb9

// The window's name, the captions of its controls and of its dial memory table "xg2".
const WindowCaptions &captions();

BlockLayout blockLayout();

} // namespace dtmf
