// Channel lists as CSV: the table's texts mapped to and from the layout's named columns.
#include "channels/channelcsv.h"

#include "channels/channelsheet.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "channels/plansnapshot.h"
#include "rtl/filewriter.h"
#include "rtl/sysutils.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

enum CsvColumn {
    Location,
    Name,
    Frequency,
    Duplex,
    Offset,
    Tone,
    RToneFreq,
    CToneFreq,
    DtcsCode,
    DtcsPolarity,
    RxDtcsCode,
    CrossMode,
    Mode,
    TStep,
    Skip,
    Power,
    Comment,
    CsvColumnCount = 21,
};

constexpr qint64 kHzPerMHz = 1000000;
constexpr qint64 kCellStepHz = 10;    // the table shows MHz with five decimals
constexpr qint64 kMaxCsvBytes = 1024 * 1024;
// Further apart than this, the transmit frequency is written whole as a split.
constexpr qint64 kMaxShiftHz = 50 * kHzPerMHz;
// Power levels by watts: the two levels are written as a nominal 5 W and 1 W.
constexpr double kLowBelowWatts = 3.0;
const QString kHighWatts = QStringLiteral("5.0W");
const QString kLowWatts = QStringLiteral("1.0W");

const QString kNone = QStringLiteral("无");
const QString kHave = QStringLiteral("有");
const QString kDefaultTone = QStringLiteral("88.5");
const QString kDefaultDcs = QStringLiteral("023");
const QChar kSeparators[] = {u',', u';', u'\t'};

// A row left out, and why.
struct SkipRow {
    QString reason;
};

struct ToneValue {
    enum Kind { Off, Ctcss, Dcs } kind = Off;
    QString value;         // "88.5" or "023"
    QChar polarity = u'N'; // DCS: N normal, R reversed
    QString cell = kNone;  // the table's text of the tone
};

QString kindName(const ToneValue &tone)
{
    return tone.kind == ToneValue::Ctcss ? QStringLiteral("Tone")
           : tone.kind == ToneValue::Dcs ? QStringLiteral("DTCS")
                                         : QString();
}

// A tone as CSV writes it; none for a text that is no tone.
std::optional<ToneValue> csvTone(const ChannelTone &tone)
{
    switch (tone.kind) {
    case ToneKind::None:
        return ToneValue{ToneValue::Off, {}, u'N', tone.text()};
    case ToneKind::Ctcss:
        return ToneValue{ToneValue::Ctcss, QString::number(tone.value / 10.0, 'f', 1), u'N', tone.text()};
    case ToneKind::Dcs:
        return ToneValue{ToneValue::Dcs, tone.text().left(3), tone.inverted ? u'R' : u'N', tone.text()};
    case ToneKind::NotATone:
        break;
    }
    return std::nullopt;
}

// A tone cell as the encoder reads it. Every tone it writes is written here too, those off the
// radio's list included ("089N" as DTCS 089), so an export loses nothing the channel holds.
ToneValue cellTone(int col, const QString &text)
{
    const std::optional<ToneValue> tone = csvTone(parseTone(text));
    if (!tone)
        throw SkipRow{QStringLiteral("「%1」'%2' 不是亚音").arg(channelColumns()[col].caption, text)};
    return *tone;
}

QString csvMHz(qint64 hz)
{
    return QStringLiteral("%1.%2").arg(hz / kHzPerMHz).arg(hz % kHzPerMHz, 6, 10, QLatin1Char('0'));
}

// Hz as the table shows them; `hz` is a whole number of table steps.
QString cellMHz(qint64 hz)
{
    const qint64 size = std::llabs(hz);
    return QStringLiteral("%1%2.%3")
        .arg(hz < 0 ? QStringLiteral("-") : QString())
        .arg(size / kHzPerMHz)
        .arg(size % kHzPerMHz / kCellStepHz, 5, 10, QLatin1Char('0'));
}

// Hz as MHz with six decimals, for messages about any count of Hz.
QString messageMHz(qint64 hz)
{
    return QString::number(double(hz) / kHzPerMHz, 'f', 6);
}

// A frequency cell as the encoder reads it, a channel of 0 Hz or less being of no use.
qint64 cellHz(int col, const QString &text)
{
    const std::optional<qint64> hz = holdableFrequencyHz(text);
    if (hz && *hz > 0)
        return *hz;
    throw SkipRow{QStringLiteral("「%1」'%2' 不是可用的频率").arg(channelColumns()[col].caption, text)};
}

// A CSV frequency in MHz, read as a typed one is; -1 when it is no number. The decimal mark may
// be a comma, as spreadsheets write it in locales that separate with `;`.
qint64 csvHz(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\d{1,5}(?:[.,]\\d*)?$"));
    const QString mhz = text.trimmed();
    if (!number.match(mhz).hasMatch())
        return -1;
    try {
        return frequencyHz(QString(mhz).replace(u',', u'.'));
    } catch (const rtl::EConvertError &) {
        // A number of this form fails only for not being a whole number of Hz.
        throw SkipRow{QStringLiteral("频率 %1 MHz 比 1 Hz 还细").arg(mhz)};
    }
}

// A frequency the encoder would refuse is left out, as a typed one would stop the write.
qint64 holdableHz(const QString &what, qint64 hz)
{
    if (frequencyFit(hz) == FrequencyFit::NotHoldable)
        throw SkipRow{QStringLiteral("%1 %2 MHz 超出本机范围").arg(what, messageMHz(hz))};
    if (hz % kCellStepHz != 0)
        throw SkipRow{QStringLiteral("%1 %2 MHz 不是 10 Hz 的整数倍").arg(what, messageMHz(hz))};
    return hz;
}

double csvNumber(const QString &text, bool *ok)
{
    return QLocale::c().toDouble(text.trimmed().replace(u',', u'.'), ok);
}

// One data row of a file, fields found by the header's column names.
class Record {
public:
    Record(const QStringList &fields, const QHash<int, int> &at) : m_fields(fields), m_at(at) {}
    bool has(int column) const { return m_at.contains(column); }
    QString value(int column) const { return m_fields.value(m_at.value(column, -1)).trimmed(); }

private:
    const QStringList &m_fields;
    const QHash<int, int> &m_at;
};

// A file's tone is taken only when the radio has it: the file comes from elsewhere, and a tone
// off the list would leave the channel deaf to what it was meant for.
ToneValue csvCtcss(const QString &text)
{
    const ChannelTone tone = parseTone(text.trimmed().replace(u',', u'.'));
    if (tone.kind != ToneKind::Ctcss || !tone.listed)
        throw SkipRow{QStringLiteral("亚音 %1 Hz 本机没有").arg(text)};
    return *csvTone(tone);
}

ToneValue csvDcs(const QString &code, QChar polarity)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,3}$"));
    const ChannelTone tone =
        parseTone(code.rightJustified(3, u'0') + (polarity == u'R' ? QLatin1Char('I') : QLatin1Char('N')));
    if (!digits.match(code).hasMatch() || tone.kind != ToneKind::Dcs || !tone.listed)
        throw SkipRow{QStringLiteral("数字亚音 %1 本机没有").arg(code)};
    return *csvTone(tone);
}

// The receive and transmit tone cells of a row, from its Tone mode and the fields that mode uses.
std::pair<QString, QString> csvTones(const Record &r)
{
    const QString polarity = r.value(DtcsPolarity).isEmpty() ? QStringLiteral("NN") : r.value(DtcsPolarity);
    static const QRegularExpression polarities(QStringLiteral("^[NR]{2}$"));
    if (!polarities.match(polarity).hasMatch())
        throw SkipRow{QStringLiteral("DtcsPolarity「%1」不是 NN、NR、RN 或 RR").arg(polarity)};
    const QString mode = r.value(Tone);
    ToneValue rx, tx;
    if (mode == QLatin1String("Tone")) {
        tx = csvCtcss(r.value(RToneFreq));
    } else if (mode == QLatin1String("TSQL")) {
        tx = rx = csvCtcss(r.value(CToneFreq));
    } else if (mode == QLatin1String("DTCS")) {
        tx = csvDcs(r.value(DtcsCode), polarity[0]);
        rx = csvDcs(r.value(DtcsCode), polarity[1]);
    } else if (mode == QLatin1String("Cross")) {
        const QStringList kinds = r.value(CrossMode).split(QStringLiteral("->"));
        const auto side = [&](const QString &kind, int toneColumn, int dcsColumn, QChar dcsPolarity) {
            if (kind == QLatin1String("Tone"))
                return csvCtcss(r.value(toneColumn));
            if (kind == QLatin1String("DTCS"))
                return csvDcs(r.value(dcsColumn), dcsPolarity);
            if (!kind.isEmpty())
                throw SkipRow{QStringLiteral("CrossMode「%1」本机不支持").arg(r.value(CrossMode))};
            return ToneValue{};
        };
        if (kinds.size() != 2)
            throw SkipRow{QStringLiteral("CrossMode「%1」本机不支持").arg(r.value(CrossMode))};
        tx = side(kinds[0], RToneFreq, DtcsCode, polarity[0]);
        rx = side(kinds[1], CToneFreq, RxDtcsCode, polarity[1]);
    } else if (!mode.isEmpty()) {
        throw SkipRow{QStringLiteral("亚音方式「%1」本机不支持").arg(mode)};
    }
    return {rx.cell, tx.cell};
}

QString csvStep(const QString &text)
{
    bool ok = false;
    const double khz = csvNumber(text, &ok);
    const QString hz = QString::number(std::llround(khz * 1000));
    if (!ok || !channelColumns()[ColStep].items.contains(hz))
        throw SkipRow{QStringLiteral("步进 %1 kHz 本机没有").arg(text)};
    return hz;
}

QString csvPower(const QString &text)
{
    const QString level = text.toLower();
    if (level == QLatin1String("high") || level == QLatin1String("h") || text == QStringLiteral("高"))
        return QStringLiteral("高");
    if (level == QLatin1String("low") || level == QLatin1String("l") || text == QStringLiteral("低"))
        return QStringLiteral("低");
    bool ok = false;
    const double watts = csvNumber(level.endsWith(u'w') ? level.chopped(1) : level, &ok);
    if (!ok || watts <= 0)
        throw SkipRow{QStringLiteral("功率「%1」看不懂").arg(text)};
    return watts < kLowBelowWatts ? QStringLiteral("低") : QStringLiteral("高");
}

// The CSV fields of one channel in use.
QStringList csvFields(const ChannelTexts &t, int row)
{
    QStringList f(csvColumns().size());
    f[Location] = QString::number(row);
    const qint64 rx = cellHz(ColRxFrequency, t.cell(ColRxFrequency, row));
    f[Frequency] = csvMHz(rx);
    f[Offset] = csvMHz(0);
    if (isBlankCell(t.cell(ColTxFrequency, row))) {
        f[Duplex] = QStringLiteral("off"); // no transmit frequency: the channel cannot transmit
    } else {
        const qint64 tx = cellHz(ColTxFrequency, t.cell(ColTxFrequency, row));
        if (std::llabs(tx - rx) > kMaxShiftHz) {
            f[Duplex] = QStringLiteral("split");
            f[Offset] = csvMHz(tx);
        } else if (tx != rx) {
            f[Duplex] = tx > rx ? QStringLiteral("+") : QStringLiteral("-");
            f[Offset] = csvMHz(std::llabs(tx - rx));
        }
    }

    const ToneValue rxTone = cellTone(ColRxTone, t.cell(ColRxTone, row));
    const ToneValue txTone = cellTone(ColTxTone, t.cell(ColTxTone, row));
    f[RToneFreq] = f[CToneFreq] = kDefaultTone;
    f[DtcsCode] = f[RxDtcsCode] = kDefaultDcs;
    f[DtcsPolarity] = QStringLiteral("NN");
    f[CrossMode] = QStringLiteral("Tone->Tone");
    if (rxTone.kind == ToneValue::Off && txTone.kind == ToneValue::Ctcss) {
        f[Tone] = QStringLiteral("Tone");
        f[RToneFreq] = txTone.value;
    } else if (rxTone.kind == ToneValue::Ctcss && txTone.kind == ToneValue::Ctcss && rxTone.value == txTone.value) {
        f[Tone] = QStringLiteral("TSQL");
        f[RToneFreq] = f[CToneFreq] = txTone.value;
    } else if (rxTone.kind == ToneValue::Dcs && txTone.kind == ToneValue::Dcs && rxTone.value == txTone.value) {
        f[Tone] = QStringLiteral("DTCS");
        f[DtcsCode] = f[RxDtcsCode] = txTone.value;
        f[DtcsPolarity] = QString(txTone.polarity) + rxTone.polarity;
    } else if (rxTone.kind != ToneValue::Off || txTone.kind != ToneValue::Off) {
        f[Tone] = QStringLiteral("Cross");
        f[CrossMode] = kindName(txTone) + QStringLiteral("->") + kindName(rxTone);
        if (txTone.kind == ToneValue::Ctcss)
            f[RToneFreq] = txTone.value;
        if (txTone.kind == ToneValue::Dcs)
            f[DtcsCode] = txTone.value;
        if (rxTone.kind == ToneValue::Ctcss)
            f[CToneFreq] = rxTone.value;
        if (rxTone.kind == ToneValue::Dcs)
            f[RxDtcsCode] = rxTone.value;
        f[DtcsPolarity] = QString(txTone.polarity) + rxTone.polarity;
    }

    // As the radio takes them: only the one named text switches a setting off.
    f[Mode] = t.cell(ColBandwidth, row) == QStringLiteral("窄带") ? QStringLiteral("NFM") : QStringLiteral("FM");
    const QString step = t.cell(ColStep, row);
    try {
        f[TStep] = QString::number(rtl::StrToInt(step) / 1000.0, 'f', 2);
    } catch (const rtl::Exception &) {
        throw SkipRow{QStringLiteral("「%1」'%2' 不是数字").arg(channelColumns()[ColStep].caption, step)};
    }
    f[Skip] = t.cell(ColScanAdd, row) == kNone ? QStringLiteral("S") : QString();
    f[Power] = t.cell(ColPower, row) == QStringLiteral("低") ? kLowWatts : kHighWatts;
    return f;
}

// The cells one CSV row sets, in typing order: (column, text); and its frequencies, 0 for an
// unused location.
struct RowCells {
    QList<std::pair<int, QString>> cells;
    qint64 rxHz = 0;
    qint64 txHz = 0;
};

RowCells rowCells(const Record &r)
{
    const QString frequency = r.value(Frequency);
    const qint64 rxRead = frequency.isEmpty() ? 0 : csvHz(frequency);
    if (rxRead < 0)
        throw SkipRow{QStringLiteral("Frequency「%1」不是数字").arg(frequency)};
    if (rxRead == 0)
        return {{{ColRxFrequency, QString()}}}; // an unused location
    const qint64 rx = holdableHz(QStringLiteral("接收频率"), rxRead);

    const QString duplex = r.value(Duplex);
    const QString offsetText = r.value(Offset);
    const qint64 offset = offsetText.isEmpty() ? 0 : csvHz(offsetText);
    if (offset < 0)
        throw SkipRow{QStringLiteral("Offset「%1」不是数字").arg(offsetText)};
    qint64 tx = rx;
    if (duplex == QLatin1String("+"))
        tx = rx + offset;
    else if (duplex == QLatin1String("-"))
        tx = rx - offset;
    else if (duplex == QLatin1String("split"))
        tx = offset;
    else if (duplex == QLatin1String("off"))
        throw SkipRow{QStringLiteral("本机不能禁止发射（Duplex off）")};
    else if (!duplex.isEmpty())
        throw SkipRow{QStringLiteral("Duplex「%1」看不懂").arg(duplex)};
    tx = holdableHz(QStringLiteral("发射频率"), tx);

    QList<std::pair<int, QString>> cells{{ColRxFrequency, cellMHz(rx)}, {ColTxFrequency, cellMHz(tx)}};
    if (r.has(Tone)) {
        const auto [rxTone, txTone] = csvTones(r);
        cells << std::pair{ColRxTone, rxTone} << std::pair{ColTxTone, txTone};
    }
    if (!r.value(Power).isEmpty())
        cells << std::pair{ColPower, csvPower(r.value(Power))};
    const QString mode = r.value(Mode);
    if (mode == QLatin1String("FM"))
        cells << std::pair{ColBandwidth, QStringLiteral("宽带")};
    else if (mode == QLatin1String("NFM"))
        cells << std::pair{ColBandwidth, QStringLiteral("窄带")};
    else if (!mode.isEmpty())
        throw SkipRow{QStringLiteral("模式「%1」本机不支持，只有 FM 和 NFM").arg(mode)};
    if (r.has(Skip)) {
        const QString skip = r.value(Skip);
        if (skip == QLatin1String("S"))
            cells << std::pair{ColScanAdd, kNone};
        else if (skip.isEmpty() || skip == QLatin1String("P"))
            cells << std::pair{ColScanAdd, kHave};
        else
            throw SkipRow{QStringLiteral("Skip「%1」看不懂").arg(skip)};
    }
    if (!r.value(TStep).isEmpty())
        cells << std::pair{ColStep, csvStep(r.value(TStep))};
    return {cells, rx, tx};
}

// The text of a file, and the encoding it was in.
std::optional<QString> decodeCsv(const QByteArray &bytes, QString *encoding)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        *encoding = QStringLiteral("UTF-8");
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return std::nullopt; // marked as UTF-8, but it is not
    QStringDecoder gbk("GBK", QStringConverter::Flag::Stateless);
    text = gbk.decode(bytes);
    // Bytes GBK leaves unassigned or to its user-defined areas decode to private-use characters,
    // which no spreadsheet writes: such a file is something else.
    const auto privateUse = [](QChar c) { return c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF; };
    if (!gbk.isValid() || gbk.hasError() || std::any_of(text.cbegin(), text.cend(), privateUse))
        return std::nullopt;
    *encoding = QStringLiteral("GBK");
    return text;
}

// CSV column -> field index for the columns a header line names.
QHash<int, int> headerColumns(const QStringList &header)
{
    QHash<int, int> at;
    for (int i = 0; i < header.size(); ++i) {
        for (int column = 0; column < CsvColumnCount; ++column)
            if (header[i].trimmed().compare(csvColumns()[column], Qt::CaseInsensitive) == 0 && !at.contains(column))
                at.insert(column, i);
    }
    return at;
}

QByteArray readCsvFile(const QString &fileName)
{
    const auto cannotOpen = [&](const QString &why) {
        return EChannelCsvError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, why));
    };
    // Only regular files: a FIFO would block the window, a device might never end.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        throw cannotOpen(QStringLiteral("它不是普通文件。"));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw cannotOpen(file.errorString());
    const QByteArray bytes = file.read(kMaxCsvBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw cannotOpen(file.errorString());
    if (bytes.size() > kMaxCsvBytes)
        throw cannotOpen(QStringLiteral("文件超过 1 MB，不是信道表。"));
    return bytes;
}

} // namespace

std::optional<QString> decodeCsvText(const QByteArray &bytes)
{
    QString encoding;
    return decodeCsv(bytes, &encoding);
}

const QStringList &csvColumns()
{
    static const QStringList columns{"Location",  "Name",      "Frequency", "Duplex",       "Offset",     "Tone",
                                     "rToneFreq", "cToneFreq", "DtcsCode",  "DtcsPolarity", "RxDtcsCode", "CrossMode",
                                     "Mode",      "TStep",     "Skip",      "Power",        "Comment",    "URCALL",
                                     "RPT1CALL",  "RPT2CALL",  "DVCODE"};
    return columns;
}

QStringList csvUncarriedColumns()
{
    QStringList captions;
    for (int col = ColKey1; col < kChannelColumnCount; ++col)
        captions << channelColumns()[col].caption;
    return captions;
}

QByteArray channelCsv(const ChannelTexts &texts, CsvReport *report)
{
    QList<QStringList> rows{csvColumns()};
    for (int row = 1; row <= kChannelCount; ++row) {
        if (isBlankCell(texts.cell(ColRxFrequency, row)))
            continue;
        try {
            rows << csvFields(texts, row);
            ++report->channels;
        } catch (const SkipRow &skip) {
            report->skipped << QStringLiteral("信道 %1：%2").arg(QString::number(row), skip.reason);
        }
    }
    return joinDelimited(rows, u',', QStringLiteral("\r\n")).toUtf8();
}

ChannelCsvFile::ChannelCsvFile(const QByteArray &bytes)
{
    const std::optional<QString> decoded = decodeCsv(bytes, &m_encoding);
    if (!decoded)
        throw EChannelCsvError(QStringLiteral("这既不是 UTF-8 也不是 GBK 文本，不是信道 CSV 文件。表格没有改动。"));
    const QString &text = *decoded;
    // The separator is the one by which the header line names the two columns every file has.
    const QString header = text.left(text.indexOf(QRegularExpression(QStringLiteral("[\r\n]"))));
    for (QChar separator : kSeparators) {
        m_at = headerColumns(splitDelimited(header, separator).value(0));
        m_separator = separator;
        if (m_at.contains(Location) && m_at.contains(Frequency))
            break;
    }
    if (!m_at.contains(Location) || !m_at.contains(Frequency))
        throw EChannelCsvError(
            QStringLiteral("这不是信道 CSV 文件：第一行没有 Location 和 Frequency 列。表格没有改动。"));

    const QList<QStringList> lines = splitDelimited(text, m_separator);
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i].join(QString()).trimmed().isEmpty())
            continue;
        Row row;
        row.line = i + 1;
        row.fields = lines[i];
        row.location = Record(row.fields, m_at).value(Location);
        bool ok = false;
        const int number = row.location.toInt(&ok);
        if (ok)
            row.number = number;
        m_rows << row;
    }
}

ChannelCsvFile ChannelCsvFile::load(const QString &fileName)
{
    return ChannelCsvFile(readCsvFile(fileName));
}

std::optional<CsvPlacement> ChannelCsvFile::placing(int row, int channel) const
{
    if (row < 0 || row >= m_rows.size() || !m_rows[row].number)
        return std::nullopt;
    return CsvPlacement{row, channel - *m_rows[row].number};
}

std::optional<int> ChannelCsvFile::landing(int row, const CsvPlacement &placement) const
{
    if (row < placement.firstRow || row >= m_rows.size() || !m_rows[row].number)
        return std::nullopt;
    return *m_rows[row].number + placement.shift;
}

CsvReport ChannelCsvFile::importInto(ChannelTexts &texts, const CsvPlacement &placement) const
{
    CsvReport report;
    QHash<int, int> lineOf; // channel -> file line that set it
    MemoryChannelTexts scratch;
    PlanSnapshot::capture(texts).restore(scratch);
    for (int i = std::max(0, placement.firstRow); i < m_rows.size(); ++i) {
        const Row &row = m_rows[i];
        const QString where = QStringLiteral("第 %1 行（Location %2）").arg(QString::number(row.line), row.location);
        try {
            if (!row.number)
                throw SkipRow{QStringLiteral("Location「%1」不是数字").arg(row.location)};
            const int channel = *landing(i, placement);
            if (channel < 1 || channel > kChannelCount)
                throw SkipRow{placement.shift == 0
                                  ? QStringLiteral("本机只有位置 1–%1").arg(kChannelCount)
                                  : QStringLiteral("落在信道 %1，本机只有信道 1–%2").arg(channel).arg(kChannelCount)};
            if (lineOf.contains(channel))
                throw SkipRow{QStringLiteral("位置 %1 已由第 %2 行给出").arg(*row.number).arg(lineOf[channel])};
            const RowCells taken = rowCells(Record(row.fields, m_at));
            for (const auto &[col, cellText] : taken.cells) {
                scratch.setCell(col, channel, cellText);
                try {
                    xgSetEditText(scratch, col, channel);
                } catch (const rtl::Exception &e) {
                    throw EChannelCsvError(
                        QStringLiteral("第 %1 行：%2不能取「%3」：%4\n表格没有改动。")
                            .arg(QString::number(row.line), channelCellName(col, channel), cellText, e.message()));
                }
            }
            lineOf.insert(channel, row.line);
            ++report.channels;
            // Taken as typing would take it; the write's warnings will say the same again.
            const std::pair<int, qint64> frequencies[] = {{ColRxFrequency, taken.rxHz}, {ColTxFrequency, taken.txHz}};
            for (const auto &[col, hz] : frequencies) {
                if (taken.rxHz != 0 && frequencyFit(hz) == FrequencyFit::OutOfBand)
                    report.outOfBand << QStringLiteral("%1：%2%3 %4")
                                            .arg(where, channelCellName(col, channel), scratch.cell(col, channel),
                                                 outOfBandText());
            }
        } catch (const SkipRow &skip) {
            report.skipped << QStringLiteral("%1：%2").arg(where, skip.reason);
        }
    }
    PlanSnapshot::capture(scratch).restore(texts);
    return report;
}

CsvReport importChannelCsv(ChannelTexts &texts, const QByteArray &bytes)
{
    return ChannelCsvFile(bytes).importInto(texts);
}

CsvReport saveChannelCsv(const ChannelTexts &texts, const QString &fileName)
{
    CsvReport report;
    const QByteArray bytes = channelCsv(texts, &report);
    try {
        rtl::writeFileChecked(fileName, bytes);
    } catch (const rtl::EFileWriteError &e) {
        throw EChannelCsvError(e.message());
    }
    return report;
}

CsvReport loadChannelCsv(ChannelTexts &texts, const QString &fileName)
{
    return ChannelCsvFile::load(fileName).importInto(texts);
}
