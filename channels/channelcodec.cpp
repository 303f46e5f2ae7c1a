// The channel and general-settings blocks of the radio's memory: table texts to frame bytes and
// back.
#include "channels/channelcodec.h"

#include "channels/channeltable.h"
#include "rtl/sysutils.h"

#include <array>
#include <cstring>

namespace {

constexpr quint8 kFrameStart = 0x57; // 'W'
constexpr quint8 kHeaderEnd = 0x20;
constexpr quint8 kOn = 0xFF;
constexpr quint8 kRecordEnd = 0xFF;
constexpr quint8 kNoKey = 0xFF;
constexpr quint16 kNoTone = 0xFFFF;
constexpr quint16 kDcsNormal = 0x2000;
constexpr quint16 kDcsInverted = 0xA000;
constexpr int kHeaderLength = 4;
constexpr int kRecordEndByte = 31;
constexpr int kSettingsClearedEnd = 11; // settings bytes 4–11 start out zero
constexpr double kHzPerMHz = 1000000.0;

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

void put16(quint8 *p, quint32 value)
{
    p[0] = static_cast<quint8>(value);
    p[1] = static_cast<quint8>(value >> 8);
}

void put32(quint8 *p, quint32 value)
{
    put16(p, value);
    put16(p + 2, value >> 16);
}

quint16 get16(const quint8 *p)
{
    return static_cast<quint16>(p[0] | p[1] << 8);
}

qint32 get32(const quint8 *p)
{
    return static_cast<qint32>(get16(p) | static_cast<quint32>(get16(p + 2)) << 16);
}

// A number text times `scale`, through the shortest decimal print, so that a text with more
// decimals than the field holds fails with the integer error.
int scaledInteger(const QString &text, double scale)
{
    return rtl::StrToInt(rtl::FloatToStr(rtl::StrToFloat(text) * scale));
}

quint8 switchByte(const QString &text, const QString &offText)
{
    return text == offText ? 0 : kOn;
}

void setMapped(quint8 &byte, int code)
{
    // A text outside the table leaves the byte as the buffer held it.
    if (code >= 0)
        byte = static_cast<quint8>(code);
}

void writeHeader(quint8 *frame, int blockType, int blockNumber)
{
    frame[0] = kFrameStart;
    frame[1] = static_cast<quint8>(blockType);
    frame[2] = static_cast<quint8>(blockNumber);
    frame[3] = kHeaderEnd;
}

int keyCode(const QString &text)
{
    if (text == kNone)
        return kNoKey;
    return indexOf(kKeyTexts, text);
}

void encodeChannel(const ChannelTexts &t, int channel, quint8 *f)
{
    writeHeader(f, kMemoryBlockChannel, channel);
    const QString rx = t.cell(ColRxFrequency, channel);
    if (isBlankCell(rx)) {
        std::memset(f + kHeaderLength, 0, kEncoderSpan - kHeaderLength);
    } else {
        const auto cell = [&](int col) { return t.cell(col, channel); };
        put32(f + 4, static_cast<quint32>(scaledInteger(rx, kHzPerMHz)));
        put32(f + 8, static_cast<quint32>(scaledInteger(cell(ColTxFrequency), kHzPerMHz)));
        put16(f + 12, encodeToneWord(cell(ColRxTone)));
        put16(f + 14, encodeToneWord(cell(ColTxTone)));
        f[16] = switchByte(cell(ColPower), QStringLiteral("低"));
        f[17] = switchByte(cell(ColBandwidth), QStringLiteral("窄带"));
        f[18] = switchByte(cell(ColScanAdd), kNone);
        put16(f + 19, static_cast<quint32>(rtl::StrToInt(cell(ColStep))));
        setMapped(f[21], keyCode(cell(ColKey1)));
        setMapped(f[22], keyCode(cell(ColKey2)));
        setMapped(f[23], indexOf(kPttIdTexts, cell(ColPttId)));
        const QString scrambler = cell(ColScrambler);
        f[24] = scrambler == kNone ? 0 : static_cast<quint8>(rtl::StrToInt(scrambler));
        f[25] = switchByte(cell(ColCompander), kNone);
        setMapped(f[26], indexOf(kSignallingTexts, cell(ColSignalling)));
        f[27] = static_cast<quint8>(rtl::StrToInt(cell(ColSignallingInfo)));
        // Bytes 28–30 are not part of the record.
    }
    f[kRecordEndByte] = kRecordEnd;
}

void encodeSettings(const ChannelTexts &t, quint8 *f)
{
    writeHeader(f, kMemoryBlockSettings, 0);
    std::memset(f + kHeaderLength, 0, kSettingsClearedEnd + 1 - kHeaderLength);
    const auto on = [&](int index) -> quint8 { return t.setting(index) == kOpen ? 1 : 0; };
    f[4] = on(SetPowerSave);
    f[5] = on(SetAlarm);
    const QString voxLevel = t.setting(SetVoxLevel);
    f[12] = voxLevel == kNone ? 0 : static_cast<quint8>(rtl::StrToInt(voxLevel));
    f[13] = static_cast<quint8>(rtl::StrToInt(t.setting(SetVoxDelay)));
    f[14] = static_cast<quint8>(rtl::StrToInt(t.setting(SetSquelch)));
    const QString timeOut = t.setting(SetTimeOut);
    f[15] = timeOut == kClosed ? 0 : static_cast<quint8>(rtl::StrToInt(timeOut));
    const QString voice = t.setting(SetVoicePrompts);
    f[16] = voice == kClosed ? 0 : voice == QStringLiteral("中文") ? 1 : 2;
    const QString alarmTone = QStringLiteral("警报音");
    f[17] = t.setting(SetPf1) == alarmTone ? 1 : 0;
    f[18] = t.setting(SetPf2) == alarmTone ? 1 : 0;
    f[19] = on(SetScan);
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
    t.setSetting(SetPowerSave, onOffText(f[4]));
    t.setSetting(SetAlarm, onOffText(f[5]));
    t.setSetting(SetVoxLevel, f[12] == 0 ? kNone : rtl::IntToStr(f[12]));
    t.setSetting(SetVoxDelay, rtl::IntToStr(f[13]));
    t.setSetting(SetSquelch, rtl::IntToStr(f[14]));
    t.setSetting(SetTimeOut, f[15] == 0 ? kClosed : rtl::IntToStr(f[15]));
    t.setSetting(SetVoicePrompts, f[16] == 0   ? kClosed
                                  : f[16] == 1 ? QStringLiteral("中文")
                                               : QStringLiteral("英文"));
    const auto pf = [](quint8 value) { return value == 1 ? QStringLiteral("警报音") : kNone; };
    t.setSetting(SetPf1, pf(f[17]));
    t.setSetting(SetPf2, pf(f[18]));
    t.setSetting(SetScan, onOffText(f[19]));
}

void decodeChannel(ChannelTexts &t, int row, const quint8 *f)
{
    const auto set = [&](int col, const QString &text) {
        if (!text.isNull()) // a code of no known kind leaves the cell as it was
            t.setCell(col, row, text);
    };
    const auto frequency = [](const quint8 *p) { return frequencyText(get32(p) / kHzPerMHz); };
    const auto key = [](quint8 code) {
        if (code == kNoKey)
            return kNone;
        return code < kKeyTexts.size() ? kKeyTexts[code] : QString();
    };
    const auto switchText = [](quint8 value, const QString &off, const QString &on) {
        return value == 0 ? off : on;
    };
    const QString rx = frequency(f + 4);
    if (rx == frequencyText(0)) { // an unused channel: its row is emptied
        for (int col = ColRxFrequency; col < kChannelColumnCount; ++col)
            t.setCell(col, row, QString());
        return;
    }
    set(ColRxFrequency, rx);
    set(ColTxFrequency, frequency(f + 8));
    set(ColRxTone, decodeToneWord(get16(f + 12)));
    set(ColTxTone, decodeToneWord(get16(f + 14)));
    set(ColPower, switchText(f[16], QStringLiteral("低"), QStringLiteral("高")));
    set(ColBandwidth, switchText(f[17], QStringLiteral("窄带"), QStringLiteral("宽带")));
    set(ColScanAdd, switchText(f[18], kNone, QStringLiteral("有")));
    set(ColStep, rtl::IntToStr(get16(f + 19)));
    set(ColKey1, key(f[21]));
    set(ColKey2, key(f[22]));
    set(ColPttId, f[23] < kPttIdTexts.size() ? kPttIdTexts[f[23]] : QString());
    set(ColScrambler, f[24] == 0 ? kNone : rtl::IntToStr(f[24]));
    set(ColCompander, switchText(f[25], kNone, QStringLiteral("有")));
    set(ColSignalling, f[26] < kSignallingTexts.size() ? kSignallingTexts[f[26]] : QString());
    set(ColSignallingInfo, rtl::IntToStr(f[27]));
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
    if (blockType == kMemoryBlockSettings) {
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
