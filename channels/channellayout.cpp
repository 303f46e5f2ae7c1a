// The channel and settings field tables, and how each kind of field is written and read.
#include "channels/channellayout.h"

#include "channels/channeltable.h"
#include "frames/frame.h"
#include "rtl/exception.h"
#include "rtl/sysutils.h"

using namespace frame;

namespace {

constexpr quint8 kRecordEnd = 0xFF;
constexpr quint8 kOn = 0xFF;
constexpr quint8 kNoKey = 0xFF;
constexpr quint16 kNoTone = 0xFFFF;
constexpr quint16 kDcsNormal = 0x2000;
constexpr quint16 kDcsInverted = 0xA000;
constexpr int kToneKindShift = 12;
constexpr quint16 kToneValueMask = 0x0FFF;
constexpr int kMaxDcsCode = 999; // three digits
constexpr double kHzPerMHz = 1000000.0;

const QString kNone = QStringLiteral("无");
const QString kHave = QStringLiteral("有");
const QString kOpen = QStringLiteral("开");
const QString kClosed = QStringLiteral("关");

RecordField field(int ref, int offset, RecordKind kind)
{
    RecordField f;
    f.ref = ref;
    f.offset = offset;
    f.kind = kind;
    return f;
}

// A list-valued cell: a text off the list has no byte, so the channel is refused rather than sent
// with whatever an earlier frame left in its place; a code off the list leaves the cell.
RecordField listed(int col, int offset, const QList<RecordChoice> &choices)
{
    RecordField f = field(col, offset, RecordKind::Choice);
    f.choices = choices;
    return f;
}

// Two texts: `off` is 0; any other text, and any other code, is the other one.
RecordField twoWay(int ref, int offset, const RecordChoice &off, const RecordChoice &on)
{
    RecordField f = field(ref, offset, RecordKind::Choice);
    f.choices = {off, on};
    f.otherCode = on.code;
    f.readOther = on.text;
    return f;
}

// A text on the list has its code; anything else is `other`, and so reads any other code.
RecordField defaulted(int index, int offset, const QList<RecordChoice> &choices, const RecordChoice &other)
{
    RecordField f = field(index, offset, RecordKind::Choice);
    f.choices = choices;
    f.otherCode = other.code;
    f.readOther = other.text;
    return f;
}

RecordField number(int ref, int offset, const QString &zeroText = {})
{
    RecordField f = field(ref, offset, RecordKind::Byte);
    f.zeroText = zeroText;
    return f;
}

QList<RecordChoice> keyChoices()
{
    // DTMF key codes 0–15, as the DTMF window's group call uses them too.
    const QStringList keys{"D", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "*", "#", "A", "B", "C"};
    QList<RecordChoice> choices{{kNone, kNoKey}};
    for (int code = 0; code < keys.size(); ++code)
        choices << RecordChoice{keys[code], code};
    return choices;
}

QList<RecordChoice> codedInOrder(const QStringList &texts)
{
    QList<RecordChoice> choices;
    for (int code = 0; code < texts.size(); ++code)
        choices << RecordChoice{texts[code], code};
    return choices;
}

QList<RecordField> buildChannelRecord()
{
    const RecordChoice none{kNone, 0};
    const RecordChoice have{kHave, kOn};
    QList<RecordField> fields{
        field(ColRxFrequency, 0, RecordKind::Frequency),
        field(ColTxFrequency, 4, RecordKind::Frequency),
        field(ColRxTone, 8, RecordKind::Tone),
        field(ColTxTone, 10, RecordKind::Tone),
        twoWay(ColPower, 12, {QStringLiteral("低"), 0}, {QStringLiteral("高"), kOn}),
        twoWay(ColBandwidth, 13, {QStringLiteral("窄带"), 0}, {QStringLiteral("宽带"), kOn}),
        twoWay(ColScanAdd, 14, none, have),
        field(ColStep, 15, RecordKind::Word),
        listed(ColKey1, 17, keyChoices()),
        listed(ColKey2, 18, keyChoices()),
        listed(ColPttId, 19, codedInOrder({kNone, "BOTH", "BOT", "EOT"})),
        number(ColScrambler, 20, kNone),
        twoWay(ColCompander, 21, none, have),
        listed(ColSignalling, 22, codedInOrder({"DTMF", "2TONE", "5TONE", "FSK"})),
        number(ColSignallingInfo, 23),
        // Bytes 24–26 are not part of the record: they keep what an earlier frame left there.
        field(-1, 27, RecordKind::End),
    };
    for (RecordField &f : fields)
        f.name = f.ref >= 0 ? channelColumns().at(f.ref).caption : QStringLiteral("结束字节");
    return fields;
}

QList<RecordField> buildSettingsRecord()
{
    const RecordChoice open{kOpen, 1};
    const RecordChoice closed{kClosed, 0};
    const RecordChoice noFunction{kNone, 0};
    const RecordChoice alarmTone{QStringLiteral("警报音"), 1};
    // Bytes 2–7 are cleared and 16–27 keep what the channel 16 frame left there.
    QList<RecordField> fields{
        defaulted(SetPowerSave, 0, {open}, closed),
        defaulted(SetAlarm, 1, {open}, closed),
        number(SetVoxLevel, 8, kNone),
        number(SetVoxDelay, 9),
        number(SetSquelch, 10),
        number(SetTimeOut, 11, kClosed),
        defaulted(SetVoicePrompts, 12, {closed, {QStringLiteral("中文"), 1}}, {QStringLiteral("英文"), 2}),
        defaulted(SetPf1, 13, {alarmTone}, noFunction),
        defaulted(SetPf2, 14, {alarmTone}, noFunction),
        defaulted(SetScan, 15, {open}, closed),
    };
    for (RecordField &f : fields)
        f.name = settingDefs().at(f.ref).label;
    return fields;
}

std::optional<quint16> toneWord(const QString &text)
{
    const ChannelTone tone = parseTone(text);
    switch (tone.kind) {
    case ToneKind::None:
        return kNoTone;
    case ToneKind::Ctcss:
        return static_cast<quint16>(tone.value);
    case ToneKind::Dcs:
        return static_cast<quint16>((tone.inverted ? kDcsInverted : kDcsNormal) | tone.value);
    case ToneKind::NotATone:
        break;
    }
    if (!tone.error.isEmpty())
        throw EConvertError(tone.error);
    return std::nullopt;
}

QString toneText(quint16 word)
{
    if (word == kNoTone)
        return kNone;
    ChannelTone tone;
    tone.value = word & kToneValueMask;
    const int kind = word >> kToneKindShift;
    if (kind == 0) {
        tone.kind = ToneKind::Ctcss;
    } else if ((kind == kDcsNormal >> kToneKindShift || kind == kDcsInverted >> kToneKindShift)
               && tone.value <= kMaxDcsCode) {
        tone.kind = ToneKind::Dcs;
        tone.inverted = kind == kDcsInverted >> kToneKindShift;
    } else {
        return QString();
    }
    return tone.text();
}

std::optional<int> choiceCode(const RecordField &field, const QString &text)
{
    for (const RecordChoice &choice : field.choices)
        if (choice.text == text)
            return choice.code;
    return field.otherCode;
}

} // namespace

int RecordField::width() const
{
    switch (kind) {
    case RecordKind::Frequency:
        return 4;
    case RecordKind::Tone:
    case RecordKind::Word:
        return 2;
    case RecordKind::Byte:
    case RecordKind::Choice:
    case RecordKind::End:
        break;
    }
    return 1;
}

const QList<RecordField> &channelRecord()
{
    static const QList<RecordField> fields = buildChannelRecord();
    return fields;
}

const QList<RecordField> &settingsRecord()
{
    static const QList<RecordField> fields = buildSettingsRecord();
    return fields;
}

bool encodeRecordField(const RecordField &field, const QString &text, quint8 *payload)
{
    quint8 *p = payload + field.offset;
    switch (field.kind) {
    case RecordKind::Frequency: {
        const qint64 hz = frequencyHz(text);
        if (frequencyFit(hz) == FrequencyFit::NotHoldable)
            rtl::StrToInt(QString::number(hz)); // throws: the integer conversion's own message
        put32(p, static_cast<quint32>(hz));
        return true;
    }
    case RecordKind::Tone: {
        const std::optional<quint16> word = toneWord(text);
        if (!word)
            return false;
        put16(p, *word);
        return true;
    }
    case RecordKind::Word:
        put16(p, static_cast<quint32>(rtl::StrToInt(text)));
        return true;
    case RecordKind::Byte:
        *p = !field.zeroText.isEmpty() && text == field.zeroText ? 0 : static_cast<quint8>(rtl::StrToInt(text));
        return true;
    case RecordKind::Choice: {
        const std::optional<int> code = choiceCode(field, text);
        if (!code)
            return false;
        *p = static_cast<quint8>(*code);
        return true;
    }
    case RecordKind::End:
        *p = kRecordEnd;
        return true;
    }
    return false;
}

QString decodeRecordField(const RecordField &field, const quint8 *payload)
{
    const quint8 *p = payload + field.offset;
    switch (field.kind) {
    case RecordKind::Frequency:
        return frequencyText(static_cast<qint32>(get32(p)) / kHzPerMHz);
    case RecordKind::Tone:
        return toneText(get16(p));
    case RecordKind::Word:
        return rtl::IntToStr(get16(p));
    case RecordKind::Byte:
        return *p == 0 && !field.zeroText.isEmpty() ? field.zeroText : rtl::IntToStr(*p);
    case RecordKind::Choice:
        for (const RecordChoice &choice : field.choices)
            if (choice.code == *p)
                return choice.text;
        return field.readOther;
    case RecordKind::End:
        break;
    }
    return QString();
}
