// The FSK queue-sync blocks: own settings and queue rows 1–2 in block 0, rows 3–16 in blocks 1–2.
#pragma once

#include "frames/frame.h"
#include "layouts/blocklayout.h"

#include <QStringList>

namespace fsk {

constexpr int kBlockCount = frame::kFskBlockCount;
constexpr int kQueueRows = 16;

// cb1's list: the queue-sync baud rates in bit/s.
QStringList baudItems();

// The window's name, the captions of its controls and of its queue table "xg1".
const WindowCaptions &captions();

BlockLayout blockLayout();

} // namespace fsk
