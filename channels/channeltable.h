// The channel table's columns, value lists and general settings, and the rules that run when a
// cell has been edited.
#pragma once

#include "channels/channeltexts.h"
#include "frames/frame.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

using frame::kChannelCount;                // rows 1–16 are channels 1–16
constexpr int kChannelRowCount = 17;      // with the caption row 0
constexpr int kChannelColumnCount = 16;   // column 0 numbers, 1–15 the channel's properties
constexpr int kSettingCount = 10;         // ComboBox1…ComboBox10

enum ChannelColumn {
    ColNumber = 0,
    ColRxFrequency = 1,
    ColTxFrequency = 2,
    ColRxTone = 3,
    ColTxTone = 4,
    ColPower = 5,
    ColBandwidth = 6,
    ColScanAdd = 7,
    ColStep = 8,
    ColKey1 = 9,
    ColKey2 = 10,
    ColPttId = 11,
    ColScrambler = 12,
    ColSignalling = 13,
    ColSignallingInfo = 14,
    ColCompander = 15,
};

// Index of each general setting: setting(n) is ComboBoxn.
enum GeneralSetting {
    SetVoxLevel = 1,
    SetVoxDelay = 2,
    SetSquelch = 3,
    SetTimeOut = 4,
    SetVoicePrompts = 5,
    SetPf1 = 6,
    SetPf2 = 7,
    SetScan = 8,
    SetPowerSave = 9,
    SetAlarm = 10,
};

enum class EditorKind { None, Text, DropDown };

struct ChannelColumnDef {
    QString caption;
    int width = 0;
    EditorKind editor = EditorKind::None;
    QStringList items;
    QString editorDefault;     // what a drop-down offers when opened on an empty cell
    QString completionDefault; // what the completion rule writes (columns 3–15)
};

struct GeneralSettingDef {
    QString label;
    QStringList items;
    QString initialText;
};

const QStringList &toneList();     // "无", 51 CTCSS tones, 83 DCS codes with "N", then with "I"
const QStringList &keyList();      // DTMF keys in drop-down order
const QStringList &functionList(); // PF1/PF2 key functions

// Columns 0–15 of the table.
const QList<ChannelColumnDef> &channelColumns();

// Settings 1–10 (index 0 is unused so that settingDefs()[n] is ComboBoxn).
const QList<GeneralSettingDef> &settingDefs();

// Setting `index` as messages name it: its label without the colon some labels end in ("PF1").
QString settingName(int index);

// The two rows of drop-downs above the table, left to right, as setting indexes.
const QList<QList<int>> &settingLayout();

// A cell counts as empty when it is empty or holds the single blank a loaded file leaves in
// cells that were empty.
bool isBlankCell(const QString &text);

// A frequency in MHz as the table shows it, with five decimals.
QString frequencyText(double megahertz);

// The one rule for a channel's frequencies, in Hz. The channel record keeps a signed 32-bit count
// of Hz, so the encoder refuses anything beyond it; of what it holds, the radio works only inside
// its two bands. Typing takes any number, the write's warnings name what is out of band, and CSV
// import takes a row as a typed value would fare at write time.
constexpr qint64 kMaxFrequencyHz = 2'147'483'647;
constexpr qint64 kMinFrequencyHz = -kMaxFrequencyHz - 1;
enum class FrequencyFit { InBand, OutOfBand, NotHoldable };
FrequencyFit frequencyFit(qint64 hz);
// What the warnings say of a frequency outside the bands.
QString outOfBandText();

// Hz of a frequency text in MHz, the way the channel record takes it: the shortest decimal print
// of MHz × 10⁶ must be a whole number ("145.1234567" is not). Throws EConvertError with the
// conversion's own message. The count may be more than the record holds: frequencyFit() says.
qint64 frequencyHz(const QString &text);
// The same for the checks that only look: none for a text that is not a whole number of Hz or
// that the record cannot hold.
std::optional<qint64> holdableFrequencyHz(const QString &text);

// The one rule for a tone cell, which the codec, the write's warnings and CSV share: "无"; a CTCSS
// tone, a number of Hz with at most one decimal that the record's 12 bits of tenths hold ("88.5",
// "088.5", "67"); a DCS code, three digits and N or I ("023N", "089I"). Anything else is no tone.
// A tone the codec writes need not be one the radio has: `listed` says whether it is on
// toneList(), where "67" is its "67.0".
constexpr int kMaxCtcssTenths = 0x0FFF;
enum class ToneKind { None, Ctcss, Dcs, NotATone };
struct ChannelTone {
    ToneKind kind = ToneKind::NotATone;
    int value = 0;         // CTCSS: tenths of Hz (885); DCS: the three digits as a number (23 for "023")
    bool inverted = false; // DCS: "I"
    bool listed = false;
    QString error;         // not a tone: the conversion's message, empty for a number no tone fits

    // As the list writes it: "无", "67.0", "88.5", "023N", and "70" for a whole tone off the list;
    // empty for no tone.
    QString text() const;
};
ChannelTone parseTone(const QString &text);

// The table's edit rules for the cell just edited: empty-row rule, completion rule, format rule.
// A frequency that is not a number throws EConvertError before anything of the row changes.
void xgSetEditText(ChannelTexts &texts, int col, int row);
