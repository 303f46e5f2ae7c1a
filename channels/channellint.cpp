// The checks a channel plan gets before a write.
#include "channels/channellint.h"

#include "channels/channeltable.h"
#include "rtl/exception.h"
#include "rtl/sysutils.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr qint64 kMaxSplitHz = 10'000'000;

std::optional<int> integer(const QString &text)
{
    try {
        return rtl::StrToInt(text);
    } catch (const rtl::Exception &) {
        return std::nullopt;
    }
}

QString caption(int col)
{
    return channelColumns().at(col).caption;
}

void lintFrequency(const ChannelTexts &texts, int row, int col, std::optional<int> step, QList<PlanWarning> &out)
{
    const QString text = texts.cell(col, row);
    // What the record cannot hold does not convert: the encoder refuses it, so no warning is due.
    const std::optional<qint64> hz = holdableFrequencyHz(text);
    if (!hz)
        return;
    if (frequencyFit(*hz) == FrequencyFit::OutOfBand)
        out << PlanWarning{row, caption(col), text, outOfBandText()};
    else if (step && *step > 0 && *hz % *step != 0)
        out << PlanWarning{row, caption(col), text, QStringLiteral("不是步进 %1 Hz 的整数倍").arg(*step)};
}

} // namespace

QList<PlanWarning> lintChannelPlan(const ChannelTexts &texts)
{
    QList<PlanWarning> out;
    const int rows = std::min(texts.rowCount() - 1, kChannelCount);
    for (int row = 1; row <= rows; ++row) {
        if (isBlankCell(texts.cell(ColRxFrequency, row)))
            continue;
        const std::optional<int> step = integer(texts.cell(ColStep, row));
        lintFrequency(texts, row, ColRxFrequency, step, out);
        lintFrequency(texts, row, ColTxFrequency, step, out);
        for (int col : {ColRxTone, ColTxTone}) {
            // A tone the encoder refuses is left to it; one it writes may still be off the list.
            const ChannelTone tone = parseTone(texts.cell(col, row));
            if (tone.kind != ToneKind::NotATone && !tone.listed)
                out << PlanWarning{row, caption(col), texts.cell(col, row), QStringLiteral("不在亚音列表中")};
        }
        const std::optional<qint64> rx = holdableFrequencyHz(texts.cell(ColRxFrequency, row));
        const std::optional<qint64> tx = holdableFrequencyHz(texts.cell(ColTxFrequency, row));
        if (rx && tx && std::llabs(*tx - *rx) > kMaxSplitHz)
            out << PlanWarning{row, caption(ColTxFrequency), texts.cell(ColTxFrequency, row),
                               QStringLiteral("收发频差 %1 MHz，超过 10 MHz")
                                   .arg(frequencyText(std::llabs(*tx - *rx) / 1e6))};
        for (int earlier = 1; earlier < row; ++earlier) {
            bool same = true;
            for (int col = ColRxFrequency; col < kChannelColumnCount && same; ++col)
                same = texts.cell(col, row) == texts.cell(col, earlier);
            if (same) {
                out << PlanWarning{row, caption(ColRxFrequency), texts.cell(ColRxFrequency, row),
                                   QStringLiteral("与信道 %1 完全相同").arg(earlier)};
                break;
            }
        }
    }
    // The radio keeps only these two key functions; any other reads back as 无.
    const QString alarmTone = QStringLiteral("警报音");
    for (int index : {SetPf1, SetPf2}) {
        const QString function = texts.setting(index);
        if (function != QStringLiteral("无") && function != alarmTone)
            out << PlanWarning{0, settingName(index), function,
                               QStringLiteral("电台只保存「无」和「警报音」，写入后读回为「无」")};
    }
    return out;
}
