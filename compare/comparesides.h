// The sides a comparison can take: a channel plan (on screen or in a .zq file), a radio image
// (.rimg) or the radio itself, each turned into payloads by blockKey, and two sides compared.
#pragma once

#include "channels/channeltexts.h"
#include "layouts/comparison.h"
#include "rtl/exception.h"

#include <QMap>
#include <QString>
#include <QStringList>

// A side that cannot be loaded; the message is the file's or the radio's own.
class ESideError : public rtl::Exception {
public:
    using Exception::Exception;
};

struct Side {
    QString name;                   // as the list heads it: the file's name, "电台（/dev/ttyUSB0）"
    QMap<int, QByteArray> payloads; // 28 bytes by blockKey
    // Encoded from a channel plan: the channels and settings only, and no bytes beyond the fields
    // (what the encoder leaves there is no part of the plan).
    bool plan = false;
};

// The prefix of a radio in a side's source: "radio:/dev/ttyUSB0", "radio:COM3".
inline const QString kRadioPrefix = QStringLiteral("radio:");
inline const QString kPlanSuffix = QStringLiteral("zq");
inline const QString kImageSuffix = QStringLiteral("rimg");

// The 16 channels and the settings as a write of `texts` sends them. A text that does not encode
// throws ESideError with the encoder's message (which names the channel and column) below `name`.
Side planSide(const ChannelTexts &texts, const QString &name);
// A .zq file: loaded as 打开 loads it, then encoded. Throws ESideError with the plan file's message.
Side loadPlanSide(const QString &fileName);
// A .rimg file, checked whole first. Throws ESideError with the image file's message.
Side loadImageSide(const QString &fileName);
// A file by its suffix: .rimg an image, anything else a channel plan.
Side loadFileSide(const QString &fileName);
// Whether `source` (a file or "radio:PORT") is read as a channel plan by loadFileSide.
bool isPlanSource(const QString &source);

struct SideComparison {
    QList<FieldDifference> differences;
    QStringList notes; // what was left out and why, told once
};

// The blocks of `a` and `b` compared (see compareBlocks). Against a plan the bytes no field
// carries are not compared: a plan has none, and a note says so.
SideComparison compareSides(const Side &a, const Side &b);
