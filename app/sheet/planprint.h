// The channel plan on paper: the channel table and the general settings on one page.
#pragma once

#include <QString>

class ChannelTexts;
class QPagedPaintDevice;

// Paints the table and the ten settings on one page of `device` (set up as A4 landscape by the
// caller), under a heading with the plan's name and the date. Black on white only, so it reads
// the same from a monochrome printer. Throws rtl::Exception when the device cannot be painted.
void printChannelPlan(QPagedPaintDevice &device, const ChannelTexts &texts, const QString &planName);
