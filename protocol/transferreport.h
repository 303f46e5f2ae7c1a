// What the user is told when a read or write ends before its last block: where it stopped and
// what the radio (or the window) holds now.
#pragma once

#include "protocol/blocktransfer.h"

#include <QString>

// A block as the user knows it: "信道 3", "通用设置", "DTMF 第 2 块".
QString blockName(const BlockId &block);
// Blocks `first` to `first + count - 1` of a run, ranges folded: "信道 1–5、通用设置".
QString blockRun(const QList<BlockId> &blocks, int first, int count);

// The message for a run that did not complete: the reason and the block where it stopped (with
// what to do next when `advice`), then for a write which blocks the radio confirmed and which it
// did not, for a read that nothing read was taken. Empty for a completed run.
QString interruptionText(const TransferOutcome &outcome, bool advice = true);

// The reason a run stopped, as its first line.
inline const QString kLineLost = QStringLiteral("串口连接中断，请检查写频线后重试。");
