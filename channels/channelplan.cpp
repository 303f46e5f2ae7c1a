// The channel plan file: the channel table and nine general settings as GBK text lines.
#include "channels/channelplan.h"

#include "channels/channeltable.h"
#include "rtl/filewriter.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <cerrno>

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kComma = u',';
constexpr char16_t kBlank = u' ';
const char *const kCodec = "GBK";

// Codes 0x01–0x20 separate fields outside quotes.
bool isSeparator(QChar c)
{
    return c.unicode() >= 0x01 && c.unicode() <= 0x20;
}

QString quoted(const QString &field)
{
    bool needsQuotes = false;
    for (QChar c : field)
        if (c == kComma || c == kQuote || c.unicode() <= 0x20)
            needsQuotes = true;
    if (!needsQuotes)
        return field;
    QString out(kQuote);
    for (QChar c : field) {
        if (c == kQuote)
            out += kQuote;
        out += c;
    }
    return out + kQuote;
}

// The fields of one table line; empty fields come back as a single blank.
QStringList parseFields(const QString &line)
{
    QStringList fields;
    const qsizetype n = line.size();
    qsizetype i = 0;
    const auto skipSeparators = [&] {
        while (i < n && isSeparator(line[i]))
            ++i;
    };
    skipSeparators();
    while (i < n) {
        QString field;
        if (line[i] == kQuote) {
            ++i;
            while (i < n) {
                if (line[i] == kQuote) {
                    if (i + 1 < n && line[i + 1] == kQuote) {
                        field += kQuote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && line[i] != kComma && !isSeparator(line[i]))
                ++i;
            field = line.mid(start, i - start);
        }
        fields << field;
        skipSeparators();
        if (i < n && line[i] == kComma) {
            if (i + 1 == n)
                fields << QString(); // a comma at the end of the line opens one more field
            ++i;
            skipSeparators();
        }
    }
    for (QString &field : fields)
        if (field.isEmpty())
            field = QString(kBlank);
    return fields;
}

// Lines split at CR LF, lone CR and lone LF; a last line without break counts, a final break
// opens no further line.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start);
            i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

// The system's reason for a failed open; Qt has none for a directory.
QString reason(const QString &fileName, const QFileDevice &file)
{
    if (QFileInfo(fileName).isDir())
        return qt_error_string(EISDIR);
    return file.errorString();
}

QString tooBig(qint64 size)
{
    return QStringLiteral("文件有 %1 字节，超过 1 MB：写频文件只有约 0.5 KB，这不是写频文件。").arg(size);
}

QString notAPlan(const QString &fileName, const QString &why)
{
    return QStringLiteral("File \"%1\" is not a channel plan: %2").arg(fileName, why);
}

} // namespace

void SaveChannelPlan(const ChannelTexts &texts, const QString &fileName)
{
    // A text GBK cannot hold would be written as '?', and a line break would split its line:
    // refuse rather than write a plan that does not load back.
    const auto storable = [&](const QString &text) {
        QStringEncoder probe(kCodec);
        const QByteArray encoded = probe.encode(text); // encoding is lazy until stored
        if (probe.hasError() || text.contains(u'\r') || text.contains(u'\n'))
            throw EChannelPlanError(
                QStringLiteral("Cannot save \"%1\": the text \"%2\" cannot be stored in a "
                               "channel plan file.")
                    .arg(fileName, text));
        return text;
    };
    QStringList lines;
    for (int row = 0; row < texts.rowCount(); ++row) {
        QStringList fields;
        for (int col = 0; col < kChannelColumnCount; ++col)
            fields << quoted(storable(texts.cell(col, row)));
        lines << fields.join(kComma);
    }
    for (int index = 1; index <= kChannelPlanSettings; ++index)
        lines << storable(texts.setting(index));

    QStringEncoder encoder(kCodec);
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += encoder.encode(line) + "\r\n";

    try {
        rtl::writeFileChecked(fileName, bytes);
    } catch (const rtl::EFileWriteError &e) {
        throw EChannelPlanError(e.message());
    }
}

void LoadChannelPlan(ChannelTexts &texts, const QString &fileName)
{
    const auto cannotOpen = [&](const QString &why) {
        return EChannelPlanError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, why));
    };
    // A FIFO would block the window until someone writes to it and a device such as /dev/zero
    // never ends, so only regular files are opened. A missing file falls through to the open.
    const QFileInfo info(fileName);
    if (info.isDir())
        throw cannotOpen(qt_error_string(EISDIR));
    if (info.exists() && !info.isFile())
        throw cannotOpen(QStringLiteral("它不是普通文件（而是管道、设备或套接字），不能作为写频文件读取。"));
    if (info.size() > kMaxChannelPlanBytes)
        throw cannotOpen(tooBig(info.size()));

    QFile file(fileName);
    // Bounded even so: the file may grow between the look and the read.
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(kMaxChannelPlanBytes + 1) : QByteArray();
    if (file.error() != QFileDevice::NoError) // the open or the read failed
        throw cannotOpen(reason(fileName, file));
    if (bytes.size() > kMaxChannelPlanBytes)
        throw cannotOpen(tooBig(bytes.size()));

    // Reading stops at a NUL byte; GBK never uses 0x00 inside a character.
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    // Stateless, so that a character cut off at the end counts as an error too.
    QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw EChannelPlanError(notAPlan(fileName, QStringLiteral("it is not GBK text.")));

    QStringList lines = splitLines(text);
    // Empty lines behind the last setting are harmless; an empty setting line is not trailing.
    while (lines.size() > kChannelPlanLines && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() != kChannelPlanLines)
        throw EChannelPlanError(notAPlan(
            fileName, QStringLiteral("it has %1 lines, a channel plan has %2.")
                          .arg(lines.size())
                          .arg(kChannelPlanLines)));

    // Everything is read and checked; only now does the table change.
    texts.setRowCount(kChannelRowCount);
    for (int row = 0; row < kChannelRowCount; ++row) {
        const QStringList fields = parseFields(lines[row]);
        for (int col = 0; col < kChannelColumnCount; ++col)
            texts.setCell(col, row, col < fields.size() ? fields[col] : QString());
    }
    for (int index = 1; index <= kChannelPlanSettings; ++index)
        texts.setSetting(index, lines[kChannelRowCount + index - 1]);
}
