// The channel table's columns, value lists and general settings, and the cell edit rules.
#include "channels/channeltable.h"

#include "rtl/exception.h"
#include "rtl/sysutils.h"

#include <QRegularExpression>

#include <limits>

namespace {

const QString kNone = QStringLiteral("无");

// The radio's two bands, in Hz.
constexpr qint64 kBands[][2] = {{136'000'000, 174'000'000}, {400'000'000, 480'000'000}};
constexpr qint64 kHzPerMHz = 1'000'000;
static_assert(kMinFrequencyHz == std::numeric_limits<qint32>::min()
                  && kMaxFrequencyHz == std::numeric_limits<qint32>::max(),
              "the record keeps a frequency as a signed 32-bit count of Hz");

QStringList numbers(int from, int to)
{
    QStringList list;
    for (int n = from; n <= to; ++n)
        list << QString::number(n);
    return list;
}

} // namespace

const QStringList &toneList()
{
    static const QStringList list = [] {
        QStringList l{kNone};
        l << QStringList{
            "62.5",  "67.0",  "69.3",  "71.9",  "74.4",  "77.0",  "79.7",  "82.5",  "85.4",
            "88.5",  "91.5",  "94.8",  "97.4",  "100.0", "103.5", "107.2", "110.9", "114.8",
            "118.8", "123.0", "127.3", "131.8", "136.5", "141.3", "146.2", "151.4", "156.7",
            "159.8", "162.2", "165.5", "167.9", "171.3", "173.8", "177.3", "179.9", "183.5",
            "186.2", "189.9", "192.8", "196.6", "199.5", "203.5", "206.5", "210.7", "218.1",
            "225.7", "229.1", "233.6", "241.8", "250.3", "254.1"};
        const QStringList dcs{
            "023", "025", "026", "031", "032", "043", "047", "051", "054", "065", "071", "072",
            "073", "074", "114", "115", "116", "125", "131", "132", "134", "143", "152", "155",
            "156", "162", "165", "172", "174", "205", "223", "226", "243", "244", "245", "251",
            "261", "263", "265", "271", "306", "311", "315", "331", "343", "346", "351", "364",
            "365", "371", "411", "412", "413", "423", "431", "432", "445", "464", "465", "466",
            "502", "506", "516", "532", "546", "565", "606", "612", "624", "627", "631", "632",
            "654", "662", "664", "703", "712", "723", "731", "732", "734", "743", "754"};
        for (const QString &code : dcs)
            l << code + QLatin1Char('N');
        for (const QString &code : dcs)
            l << code + QLatin1Char('I');
        return l;
    }();
    return list;
}

const QStringList &keyList()
{
    static const QStringList list{kNone, "1", "2", "3", "4", "5", "6", "7", "8",
                                  "9", "*", "0", "#", "A", "B", "C", "D"};
    return list;
}

const QStringList &functionList()
{
    static const QStringList list{
        kNone,                      QStringLiteral("自动拨号"),     QStringLiteral("警报音"),
        QStringLiteral("按键锁定"), QStringLiteral("按键锁定及备份"), QStringLiteral("监听"),
        QStringLiteral("监听瞬时"), QStringLiteral("扫描"),         QStringLiteral("扫描+暂时删除"),
        QStringLiteral("扰频器"),   QStringLiteral("取消静噪"),     QStringLiteral("瞬时取消静噪"),
        QStringLiteral("暂时删除")};
    return list;
}

const QList<ChannelColumnDef> &channelColumns()
{
    static const QList<ChannelColumnDef> columns = [] {
        using E = EditorKind;
        const QStringList noneHave{kNone, QStringLiteral("有")};
        return QList<ChannelColumnDef>{
            {QStringLiteral("信道编号"), 56, E::None, {}, {}, {}},
            {QStringLiteral("接收频率"), 58, E::Text, {}, {}, {}},
            {QStringLiteral("发射频率"), 61, E::Text, {}, {}, {}},
            {QStringLiteral("QT/DQT解码"), 75, E::DropDown, toneList(), kNone, kNone},
            {QStringLiteral("QT/DQT编码"), 75, E::DropDown, toneList(), kNone, kNone},
            {QStringLiteral("发射功率"), 58, E::DropDown, {QStringLiteral("高"), QStringLiteral("低")},
             QStringLiteral("高"), QStringLiteral("高")},
            {QStringLiteral("宽/窄"), 35, E::DropDown, {QStringLiteral("宽带"), QStringLiteral("窄带")},
             QStringLiteral("宽带"), QStringLiteral("宽带")},
            {QStringLiteral("扫描添加"), 63, E::DropDown, noneHave, QStringLiteral("有"),
             QStringLiteral("有")},
            {QStringLiteral("步进频率"), 58, E::DropDown, {"5000", "6250", "10000", "12500", "25000"},
             "25000", "25000"},
            {QStringLiteral("DTMF键1"), 54, E::DropDown, keyList(), kNone, kNone},
            {QStringLiteral("DTMF键2"), 55, E::DropDown, keyList(), kNone, kNone},
            {QStringLiteral("PTTID"), 37, E::DropDown, {kNone, "BOTH", "BOT", "EOT"}, kNone, kNone},
            {QStringLiteral("扰频"), 36, E::DropDown, QStringList{kNone} + numbers(1, 10), kNone,
             kNone},
            {QStringLiteral("可选信令"), 53, E::DropDown, {"DTMF", "2TONE", "5TONE", "FSK"}, "DTMF",
             "DTMF"},
            {QStringLiteral("信令信息"), 55, E::DropDown, numbers(1, 16), "1", "1"},
            // Opening the editor on an empty cell offers "有", but a new channel gets "无".
            {QStringLiteral("压扩"), 31, E::DropDown, noneHave, QStringLiteral("有"), kNone},
        };
    }();
    return columns;
}

const QList<GeneralSettingDef> &settingDefs()
{
    static const QList<GeneralSettingDef> settings = [] {
        const QStringList onOff{QStringLiteral("开"), QStringLiteral("关")};
        return QList<GeneralSettingDef>{
            {},
            {QStringLiteral("VOX等级"), QStringList{kNone} + numbers(1, 10), kNone},
            {QStringLiteral("VOX延迟时间"), numbers(1, 3), "1"},
            {QStringLiteral("静噪"), numbers(0, 9), "0"},
            {QStringLiteral("超时定时器"), {"60", "120", "180", QStringLiteral("关")}, "60"},
            {QStringLiteral("语音通知"),
             {QStringLiteral("关"), QStringLiteral("中文"), QStringLiteral("英文")},
             QStringLiteral("中文")},
            {QStringLiteral("PF1："), functionList(), kNone},
            {QStringLiteral("PF2："), functionList(), kNone},
            {QStringLiteral("扫描："), onOff, QStringLiteral("开")},
            {QStringLiteral("省电："), onOff, QStringLiteral("开")},
            {QStringLiteral("报警"), onOff, QStringLiteral("开")},
        };
    }();
    return settings;
}

QString settingName(int index)
{
    QString label = settingDefs().at(index).label;
    if (label.endsWith(QStringLiteral("：")))
        label.chop(1);
    return label;
}

const QList<QList<int>> &settingLayout()
{
    static const QList<QList<int>> layout{
        {SetVoxLevel, SetTimeOut, SetPowerSave, SetPf1, SetVoicePrompts},
        {SetVoxDelay, SetSquelch, SetScan, SetPf2, SetAlarm},
    };
    return layout;
}

bool isBlankCell(const QString &text)
{
    return text.isEmpty() || text == QLatin1String(" ");
}

QString frequencyText(double megahertz)
{
    return rtl::FormatFloat(QStringLiteral("0.00000"), megahertz);
}

FrequencyFit frequencyFit(qint64 hz)
{
    if (hz < kMinFrequencyHz || hz > kMaxFrequencyHz)
        return FrequencyFit::NotHoldable;
    for (const auto &band : kBands)
        if (hz >= band[0] && hz <= band[1])
            return FrequencyFit::InBand;
    return FrequencyFit::OutOfBand;
}

QString outOfBandText()
{
    return QStringLiteral("不在 %1–%2 MHz 或 %3–%4 MHz 频段内")
        .arg(kBands[0][0] / kHzPerMHz)
        .arg(kBands[0][1] / kHzPerMHz)
        .arg(kBands[1][0] / kHzPerMHz)
        .arg(kBands[1][1] / kHzPerMHz);
}

qint64 frequencyHz(const QString &text)
{
    const QString printed = rtl::FloatToStr(rtl::StrToFloat(text) * double(kHzPerMHz));
    bool whole = false;
    const qint64 hz = printed.toLongLong(&whole);
    if (!whole)
        return rtl::StrToInt(printed); // throws: the integer conversion's own message
    return hz;
}

std::optional<qint64> holdableFrequencyHz(const QString &text)
{
    try {
        const qint64 hz = frequencyHz(text);
        if (frequencyFit(hz) != FrequencyFit::NotHoldable)
            return hz;
    } catch (const rtl::Exception &) {
    }
    return std::nullopt;
}

QString ChannelTone::text() const
{
    switch (kind) {
    case ToneKind::None:
        return kNone;
    case ToneKind::Ctcss: {
        // The whole-hertz tones of the list carry ".0".
        const QString hz = rtl::FloatToStr(value / 10.0);
        const QString withDecimal = hz + QLatin1String(".0");
        return toneList().contains(withDecimal) ? withDecimal : hz;
    }
    case ToneKind::Dcs:
        return QStringLiteral("%1%2").arg(value, 3, 10, QLatin1Char('0')).arg(QLatin1Char(inverted ? 'I' : 'N'));
    case ToneKind::NotATone:
        break;
    }
    return {};
}

ChannelTone parseTone(const QString &text)
{
    static const QRegularExpression dcs(QStringLiteral("^[0-9]{3}[NI]$"));
    ChannelTone tone;
    if (text == kNone) {
        tone.kind = ToneKind::None;
    } else if (dcs.match(text).hasMatch()) {
        tone.kind = ToneKind::Dcs;
        tone.value = text.left(3).toInt();
        tone.inverted = text[3] == QLatin1Char('I');
    } else {
        try {
            tone.value = frame::scaledInteger(text, 10.0);
        } catch (const rtl::EConvertError &e) {
            tone.error = e.message();
            return tone;
        }
        // Beyond 12 bits the tone word would read back as a DCS code or as no tone.
        if (tone.value < 0 || tone.value > kMaxCtcssTenths)
            return tone;
        tone.kind = ToneKind::Ctcss;
    }
    tone.listed = toneList().contains(tone.text());
    return tone;
}

void xgSetEditText(ChannelTexts &texts, int col, int row)
{
    // Empty-row rule: a channel without receive frequency never keeps a value.
    if (isBlankCell(texts.cell(ColRxFrequency, row))) {
        texts.setCell(col, row, QString());
        for (int c = ColRxFrequency; c < kChannelColumnCount; ++c)
            texts.setCell(c, row, QString());
        return;
    }

    // Format rule: frequencies always show five decimals. The number is read before any cell
    // changes, so a bad text leaves the row as it was.
    if ((col != ColRxFrequency && col != ColTxFrequency) || isBlankCell(texts.cell(col, row)))
        return;
    const QString frequency = frequencyText(rtl::StrToFloat(texts.cell(col, row)));
    texts.setCell(col, row, frequency);

    // Completion rule: a new channel gets its transmit frequency and the defaults. Only empty
    // cells take a default, so retyping the frequency of a channel whose transmit frequency was
    // cleared keeps its tones, power and the rest of its settings.
    if (col == ColRxFrequency && isBlankCell(texts.cell(ColTxFrequency, row))) {
        texts.setCell(ColTxFrequency, row, frequency);
        const QList<ChannelColumnDef> &columns = channelColumns();
        for (int c = ColRxTone; c < kChannelColumnCount; ++c) {
            if (isBlankCell(texts.cell(c, row)))
                texts.setCell(c, row, columns[c].completionDefault);
        }
    }
}
