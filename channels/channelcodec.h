// The channel and general-settings blocks of the radio's memory: table texts to frame bytes and
// back.
#pragma once

#include "channels/channeltexts.h"
#include "rtl/exception.h"

#include <QString>
#include <QtGlobal>


// A channel cell whose text is none of the values its field can hold (a mistyped DTMF key,
// PTTID or optional signalling): "信道 3「DTMF键1」: 'x' 不是可选值".
class EChannelValueError : public rtl::Exception {
public:
    using Exception::Exception;
};

// Header bytes 0–3 and the record of the table row `channel` into the transfer buffer `tx`
// (bytes 0–50 at most). A text that cannot be encoded throws EConvertError (or EChannelValueError
// for a text outside its field's list) and leaves `tx` as it was.
void EncodeChannelRecord(const ChannelTexts &texts, int channel, quint8 *tx);

// Header bytes 0–3, bytes 4–11 cleared, bytes 4, 5 and 12–19 from the ten settings; bytes 20–31
// keep what the channel 16 frame left there. Throws like EncodeChannelRecord.
void EncodeSettingsRecord(const ChannelTexts &texts, quint8 *tx);

// Decodes the frame at the start of the receive buffer `rx` (at least 32 bytes) and returns its
// block type: type 5 sets the ten settings, any other type fills the row of the channel in byte 2.
int DecodeMemoryBlock(ChannelTexts &texts, const quint8 *rx);

// Encodes channels 1–16 and the settings into a scratch buffer and throws the first conversion
// error, so that a write can be refused before the radio is touched.
void validateChannelPlan(const ChannelTexts &texts);
