// The channel plan file: the channel table and nine general settings as GBK text lines.
#pragma once

#include "channels/channeltable.h"
#include "rtl/exception.h"

#include <QString>

// A channel plan file that cannot be written, read or understood.
class EChannelPlanError : public rtl::Exception {
public:
    using Exception::Exception;
};

// A plan holds table rows 0–16, then ComboBox1–ComboBox9: the alarm (ComboBox10) is not stored.
constexpr int kChannelPlanSettings = kSettingCount - 1;
constexpr int kChannelPlanLines = kChannelRowCount + kChannelPlanSettings;

// A plan is about 0.5 KB; anything past this is refused unread.
constexpr qint64 kMaxChannelPlanBytes = 1024 * 1024;

// Writes the table rows and ComboBox1–9, one CR LF-ended line each, through
// rtl::writeFileChecked: the file is replaced only once the new one is whole, on failure the old
// file stays as it was, and anything but a regular file (or a link to one) is refused. In a
// folder where no temporary file can be made, a writable plan is written in place instead.
void SaveChannelPlan(const ChannelTexts &texts, const QString &fileName);

// Reads a channel plan into the table and ComboBox1–9 (the alarm is not stored). A file that
// cannot be read, is not a regular file, is over kMaxChannelPlanBytes or is not a channel plan
// throws EChannelPlanError and changes nothing.
void LoadChannelPlan(ChannelTexts &texts, const QString &fileName);
