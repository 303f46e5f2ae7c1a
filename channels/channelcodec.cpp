// The channel and general-settings blocks of the radio's memory: table texts to frame bytes and
// back.
#include "channels/channelcodec.h"

#include "channels/channeltable.h"
#include "frames/frame.h"
#include "rtl/sysutils.h"

#include <array>
#include <cstring>

using namespace frame;

namespace {

constexpr quint8 kOn = 0xFF;
constexpr quint8 kRecordEnd = 0xFF;
constexpr quint8 kNoKey = 0xFF;
constexpr quint16 kNoTone = 0xFFFF;
constexpr quint16 kDcsNormal = 0x2000;
constexpr quint16 kDcsInverted = 0xA000;
constexpr int kRecordEndByte = 31;
constexpr int kSettingsClearedEnd = 11; // settings bytes 4–11 start out zero
constexpr double kHzPerMHz = 1000000.0;

// Where each field of a channel record sits in its frame; 16- and 32-bit fields are little-endian.
enum ChannelByte {
    kRxFrequencyAt = 4,
    kTxFrequencyAt = 8,
    kRxToneAt = 12,
    kTxToneAt = 14,
    kPowerAt = 16,
    kBandwidthAt = 17,
    kScanAddAt = 18,
    kStepAt = 19,
    kKey1At = 21,
    kKey2At = 22,
    kPttIdAt = 23,
    kScramblerAt = 24,
    kCompanderAt = 25,
    kSignallingAt = 26,
    kSignallingInfoAt = 27,
};

// Where each general setting sits in the settings frame.
enum SettingsByte {
    kPowerSaveAt = 4,
    kAlarmAt = 5,
    kVoxLevelAt = 12,
    kVoxDelayAt = 13,
    kSquelchAt = 14,
    kTimeOutAt = 15,
    kVoicePromptsAt = 16,
    kPf1At = 17,
    kPf2At = 18,
    kScanAt = 19,
};

// Codes of DTMF keys 0–15; 0xFF is "no key".
const std::array<QString, 16> kKeyTexts{
    QStringLiteral("D"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
    QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
    QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("0"), QStringLiteral("*"),
    QStringLiteral("#"), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
const std::array<QString, 4> kPttIdTexts{QStringLiteral("无"), QStringLiteral("BOTH"),
                                         QStringLiteral("BOT"), QStringLiteral("EOT")};
const std::array<QString, 4> kSignallingTexts{QStringLiteral("DTMF"), QStringLiteral("2TONE"),
                                              QStringLiteral("5TONE"), QStringLiteral("FSK")};

const QString kNone = QStringLiteral("无");
const QString kOpen = QStringLiteral("开");
const QString kClosed = QStringLiteral("关");

template <std::size_t N>
int indexOf(const std::array<QString, N> &texts, const QString &text)
{
    for (std::size_t i = 0; i < N; ++i)
        if (texts[i] == text)
            return static_cast<int>(i);
    return -1;
}

// The text of a code; a null QString for a code outside the table.
template <std::size_t N>
QString textAt(const std::array<QString, N> &texts, quint8 code)
{
    return code < N ? texts[code] : QString();
}

quint8 switchByte(const QString &text, const QString &offText)
{
    return text == offText ? 0 : kOn;
}

// The code of a list-valued cell. A text outside the list has no byte at all, so the channel is
// refused rather than sent with whatever an earlier frame left in its place.
quint8 listCode(const ChannelTexts &t, int channel, int col, int code)
{
    if (code < 0) {
        throw EChannelValueError(QStringLiteral("信道 %1「%2」: '%3' 不是可选值")
                                     .arg(channel)
                                     .arg(channelColumns()[col].caption, t.cell(col, channel)));
    }
    return static_cast<quint8>(code);
}

// The text of cell (col, channel) through `convert`; a text that does not convert keeps the
// conversion's own message and names the channel and column on a second line.
template <typename Convert>
auto convertedCell(const ChannelTexts &t, int channel, int col, Convert convert)
{
    try {
        return convert(t.cell(col, channel));
    } catch (const EConvertError &e) {
        const QString where = QStringLiteral("信道 %1「%2」").arg(channel).arg(channelColumns()[col].caption);
        throw EConvertError(e.message() + QLatin1Char('\n') + where);
    }
}

// The same for general setting `index`, named by its label.
template <typename Convert>
auto convertedSetting(const ChannelTexts &t, int index, Convert convert)
{
    try {
        return convert(t.setting(index));
    } catch (const EConvertError &e) {
        throw EConvertError(e.message() + QStringLiteral("\n「%1」").arg(settingName(index)));
    }
}

int keyCode(const QString &text)
{
    if (text == kNone)
        return kNoKey;
    return indexOf(kKeyTexts, text);
}

void encodeChannel(const ChannelTexts &t, int channel, quint8 *f)
{
    writeHeader(f, kData, kChannelBlock, channel);
    const QString rx = t.cell(ColRxFrequency, channel);
    if (isBlankCell(rx)) {
        std::memset(f + kHeaderLength, 0, kEncoderSpan - kHeaderLength);
    } else {
        const auto cell = [&](int col) { return t.cell(col, channel); };
        const auto converted = [&](int col, auto convert) { return convertedCell(t, channel, col, convert); };
        const auto frequency = [](const QString &text) { return static_cast<quint32>(scaledInteger(text, kHzPerMHz)); };
        const auto integer = [](const QString &text) { return rtl::StrToInt(text); };
        put32(f + kRxFrequencyAt, converted(ColRxFrequency, frequency));
        put32(f + kTxFrequencyAt, converted(ColTxFrequency, frequency));
        put16(f + kRxToneAt, converted(ColRxTone, encodeToneWord));
        put16(f + kTxToneAt, converted(ColTxTone, encodeToneWord));
        f[kPowerAt] = switchByte(cell(ColPower), QStringLiteral("低"));
        f[kBandwidthAt] = switchByte(cell(ColBandwidth), QStringLiteral("窄带"));
        f[kScanAddAt] = switchByte(cell(ColScanAdd), kNone);
        put16(f + kStepAt, static_cast<quint32>(converted(ColStep, integer)));
        f[kKey1At] = listCode(t, channel, ColKey1, keyCode(cell(ColKey1)));
        f[kKey2At] = listCode(t, channel, ColKey2, keyCode(cell(ColKey2)));
        f[kPttIdAt] = listCode(t, channel, ColPttId, indexOf(kPttIdTexts, cell(ColPttId)));
        f[kScramblerAt] = static_cast<quint8>(
            converted(ColScrambler, [](const QString &text) { return text == kNone ? 0 : rtl::StrToInt(text); }));
        f[kCompanderAt] = switchByte(cell(ColCompander), kNone);
        f[kSignallingAt] = listCode(t, channel, ColSignalling, indexOf(kSignallingTexts, cell(ColSignalling)));
        f[kSignallingInfoAt] = static_cast<quint8>(converted(ColSignallingInfo, integer));
        // Bytes 28–30 are not part of the record.
    }
    f[kRecordEndByte] = kRecordEnd;
}

void encodeSettings(const ChannelTexts &t, quint8 *f)
{
    writeHeader(f, kData, kSettingsBlock, 0);
    std::memset(f + kHeaderLength, 0, kSettingsClearedEnd + 1 - kHeaderLength);
    const auto on = [&](int index) -> quint8 { return t.setting(index) == kOpen ? 1 : 0; };
    f[kPowerSaveAt] = on(SetPowerSave);
    f[kAlarmAt] = on(SetAlarm);
    // A number, or 0 for the text that stands for none.
    const auto number = [&](int index, const QString &zeroText = {}) {
        return static_cast<quint8>(convertedSetting(t, index, [&](const QString &text) {
            return !zeroText.isEmpty() && text == zeroText ? 0 : rtl::StrToInt(text);
        }));
    };
    f[kVoxLevelAt] = number(SetVoxLevel, kNone);
    f[kVoxDelayAt] = number(SetVoxDelay);
    f[kSquelchAt] = number(SetSquelch);
    f[kTimeOutAt] = number(SetTimeOut, kClosed);
    const QString voice = t.setting(SetVoicePrompts);
    f[kVoicePromptsAt] = voice == kClosed ? 0 : voice == QStringLiteral("中文") ? 1 : 2;
    const QString alarmTone = QStringLiteral("警报音");
    f[kPf1At] = t.setting(SetPf1) == alarmTone ? 1 : 0;
    f[kPf2At] = t.setting(SetPf2) == alarmTone ? 1 : 0;
    f[kScanAt] = on(SetScan);
}

// Runs an encoder on a copy of the bytes it may touch and commits them only when it succeeds, so
// a text that cannot be encoded leaves the transfer buffer as it was.
template <typename Encoder>
void encodeInScratch(quint8 *tx, Encoder encode)
{
    std::array<quint8, kEncoderSpan> scratch;
    std::memcpy(scratch.data(), tx, kEncoderSpan);
    encode(scratch.data());
    std::memcpy(tx, scratch.data(), kEncoderSpan);
}

QString onOffText(quint8 value)
{
    return value == 1 ? kOpen : kClosed;
}

void decodeSettings(ChannelTexts &t, const quint8 *f)
{
    t.setSetting(SetPowerSave, onOffText(f[kPowerSaveAt]));
    t.setSetting(SetAlarm, onOffText(f[kAlarmAt]));
    t.setSetting(SetVoxLevel, f[kVoxLevelAt] == 0 ? kNone : rtl::IntToStr(f[kVoxLevelAt]));
    t.setSetting(SetVoxDelay, rtl::IntToStr(f[kVoxDelayAt]));
    t.setSetting(SetSquelch, rtl::IntToStr(f[kSquelchAt]));
    t.setSetting(SetTimeOut, f[kTimeOutAt] == 0 ? kClosed : rtl::IntToStr(f[kTimeOutAt]));
    const quint8 voice = f[kVoicePromptsAt];
    t.setSetting(SetVoicePrompts, voice == 0   ? kClosed
                                  : voice == 1 ? QStringLiteral("中文")
                                               : QStringLiteral("英文"));
    const auto pf = [](quint8 value) { return value == 1 ? QStringLiteral("警报音") : kNone; };
    t.setSetting(SetPf1, pf(f[kPf1At]));
    t.setSetting(SetPf2, pf(f[kPf2At]));
    t.setSetting(SetScan, onOffText(f[kScanAt]));
}

void decodeChannel(ChannelTexts &t, int row, const quint8 *f)
{
    const auto set = [&](int col, const QString &text) {
        if (!text.isNull()) // a code of no known kind leaves the cell as it was
            t.setCell(col, row, text);
    };
    const auto frequency = [](const quint8 *p) { return frequencyText(static_cast<qint32>(get32(p)) / kHzPerMHz); };
    const auto key = [](quint8 code) { return code == kNoKey ? kNone : textAt(kKeyTexts, code); };
    const auto switchText = [](quint8 value, const QString &off, const QString &on) {
        return value == 0 ? off : on;
    };
    const QString rx = frequency(f + kRxFrequencyAt);
    if (rx == frequencyText(0)) { // an unused channel: its row is emptied
        for (int col = ColRxFrequency; col < kChannelColumnCount; ++col)
            t.setCell(col, row, QString());
        return;
    }
    set(ColRxFrequency, rx);
    set(ColTxFrequency, frequency(f + kTxFrequencyAt));
    set(ColRxTone, decodeToneWord(get16(f + kRxToneAt)));
    set(ColTxTone, decodeToneWord(get16(f + kTxToneAt)));
    set(ColPower, switchText(f[kPowerAt], QStringLiteral("低"), QStringLiteral("高")));
    set(ColBandwidth, switchText(f[kBandwidthAt], QStringLiteral("窄带"), QStringLiteral("宽带")));
    set(ColScanAdd, switchText(f[kScanAddAt], kNone, QStringLiteral("有")));
    set(ColStep, rtl::IntToStr(get16(f + kStepAt)));
    set(ColKey1, key(f[kKey1At]));
    set(ColKey2, key(f[kKey2At]));
    set(ColPttId, textAt(kPttIdTexts, f[kPttIdAt]));
    set(ColScrambler, f[kScramblerAt] == 0 ? kNone : rtl::IntToStr(f[kScramblerAt]));
    set(ColCompander, switchText(f[kCompanderAt], kNone, QStringLiteral("有")));
    set(ColSignalling, textAt(kSignallingTexts, f[kSignallingAt]));
    set(ColSignallingInfo, rtl::IntToStr(f[kSignallingInfoAt]));
}

} // namespace

quint16 encodeToneWord(const QString &text)
{
    if (text == kNone)
        return kNoTone;
    // The fourth character tells a DCS code from a CTCSS tone; shorter texts can only be
    // CTCSS tones ("67"), and anything else fails there as not a number.
    if (text.size() >= 4) {
        const QChar kind = text[3];
        if (kind == QLatin1Char('N') || kind == QLatin1Char('I')) {
            const int n = 100 * (text[0].unicode() - '0') + 10 * (text[1].unicode() - '0')
                          + (text[2].unicode() - '0');
            const quint16 polarity = kind == QLatin1Char('N') ? kDcsNormal : kDcsInverted;
            return static_cast<quint16>(polarity | static_cast<quint16>(n));
        }
    }
    return static_cast<quint16>(scaledInteger(text, 10.0));
}

QString decodeToneWord(quint16 word)
{
    if (word == kNoTone)
        return kNone;
    const int kind = word >> 12;
    if (kind == 0) {
        // The whole-hertz tones of the list carry ".0".
        const QString text = rtl::FloatToStr(word / 10.0);
        const QString withDecimal = text + QLatin1String(".0");
        return toneList().contains(withDecimal) ? withDecimal : text;
    }
    if (kind == kDcsNormal >> 12 || kind == kDcsInverted >> 12) {
        const int n = word & 0x0FFF;
        QString text = rtl::IntToStr(n);
        if (n < 100)
            text.prepend(QLatin1Char('0'));
        return text + QLatin1Char(kind == kDcsNormal >> 12 ? 'N' : 'I');
    }
    return QString();
}

void EncodeChannelRecord(const ChannelTexts &texts, int channel, quint8 *tx)
{
    encodeInScratch(tx, [&](quint8 *f) { encodeChannel(texts, channel, f); });
}

void EncodeSettingsRecord(const ChannelTexts &texts, quint8 *tx)
{
    encodeInScratch(tx, [&](quint8 *f) { encodeSettings(texts, f); });
}

int DecodeMemoryBlock(ChannelTexts &texts, const quint8 *rx)
{
    const int blockType = rx[1];
    if (blockType == kSettingsBlock) {
        decodeSettings(texts, rx);
    } else {
        // Row 0 holds the captions: only channels 1–16 have a row.
        const int channel = rx[2];
        if (channel >= 1 && channel <= kChannelCount)
            decodeChannel(texts, channel, rx);
    }
    return blockType;
}

void validateChannelPlan(const ChannelTexts &texts)
{
    std::array<quint8, kEncoderSpan> scratch{};
    for (int channel = 1; channel <= kChannelCount; ++channel)
        encodeChannel(texts, channel, scratch.data());
    encodeSettings(texts, scratch.data());
}
