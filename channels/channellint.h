// Warnings about a channel plan that would encode but is likely not what the user wants: values
// the radio does not keep, tones off the list, frequencies out of band or off the step, wide
// duplex splits and duplicate channels.
#pragma once

#include "channels/channeltexts.h"

#include <QList>
#include <QString>

struct PlanWarning {
    int channel = 0;  // 1–16; 0 for the general settings
    QString column;   // the column caption or the setting's label
    QString value;    // the text as it stands
    QString message;  // what is wrong, in the user's words
};

// The plan's warnings in table order, then the settings. Texts that do not encode at all are
// left to validateChannelPlan.
QList<PlanWarning> lintChannelPlan(const ChannelTexts &texts);
