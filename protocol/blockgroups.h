// The five kinds of transfer a radio has, by block group (the order of the radio image's groups):
// 0 the channels with the general settings, 1 DTMF, 2 FSK queue sync, 3 two-tone, 4 five-tone.
#pragma once

#include "layouts/blocklayout.h"
#include "layouts/signallingtexts.h"
#include "protocol/blocktransfer.h"

#include <QByteArray>
#include <QList>

namespace groups {

constexpr int kChannels = 0;
constexpr int kDtmf = 1;
constexpr int kFsk = 2;
constexpr int kTwoTone = 3;
constexpr int kFiveTone = 4;
constexpr int kCount = 5;

// How each group's read and write run on the line.
TransferPlan plan(int group);
// The field tables of a signalling group's blocks (groups 1–4).
const BlockLayout &layout(int group);
// Every block of a signalling group encoded from `texts`; throws the first field that does not
// encode, naming it.
QList<QByteArray> encode(int group, const SignallingTexts &texts);
// Blocks read from the radio into `texts`; returns the notes of values the texts cannot show.
QStringList decode(int group, const QList<QByteArray> &payloads, SignallingTexts &texts);

} // namespace groups
