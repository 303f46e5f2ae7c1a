// Spreadsheet-style changes of the channel table.
#include "channels/channelsheet.h"

#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "channels/plansnapshot.h"

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kTab = u'\t';
constexpr int kLastColumn = kChannelColumnCount - 1;
const QString kUnchanged = QStringLiteral("表格没有改动。");

QStringList rowTexts(const ChannelTexts &texts, int row)
{
    QStringList cells;
    for (int col = ColRxFrequency; col <= kLastColumn; ++col)
        cells << texts.cell(col, row);
    return cells;
}

void setRowTexts(ChannelTexts &texts, int row, const QStringList &cells)
{
    for (int col = ColRxFrequency; col <= kLastColumn; ++col)
        texts.setCell(col, row, cells.value(col - ColRxFrequency));
}

bool rowIsEmpty(const ChannelTexts &texts, int row)
{
    for (int col = ColRxFrequency; col <= kLastColumn; ++col)
        if (!isBlankCell(texts.cell(col, row)))
            return false;
    return true;
}

void checkChannelRange(int row, int count)
{
    if (row < 1 || count < 1 || row + count - 1 > kChannelCount)
        throw EChannelSheetError(QStringLiteral("信道 %1 起的 %2 个信道不在表格里。").arg(row).arg(count));
}

} // namespace

QString channelCellName(int col, int row)
{
    return QStringLiteral("信道 %1「%2」").arg(row).arg(channelColumns().value(col).caption);
}

QString joinDelimited(const QList<QStringList> &rows, QChar separator, const QString &lineEnd)
{
    QString out;
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &field : row) {
            const bool quote =
                field.contains(separator) || field.contains(kQuote) || field.contains(u'\r') || field.contains(u'\n');
            if (!quote) {
                fields << field;
                continue;
            }
            QString escaped = field;
            escaped.replace(kQuote, QStringLiteral("\"\""));
            fields << kQuote + escaped + kQuote;
        }
        out += fields.join(separator) + lineEnd;
    }
    return out;
}

QList<QStringList> splitDelimited(const QString &text, QChar separator)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool inQuotes = false;
    bool lineStarted = false; // something of the current line has been read
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c != kQuote)
                field += c;
            else if (i + 1 < n && text[i + 1] == kQuote)
                field += text[++i];
            else
                inQuotes = false;
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            lineStarted = false;
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            continue;
        }
        lineStarted = true;
        if (c == kQuote && field.isEmpty())
            inQuotes = true;
        else if (c == separator) {
            row << field;
            field.clear();
        } else {
            field += c;
        }
    }
    if (lineStarted) {
        row << field;
        rows << row;
    }
    return rows;
}

QString copyChannelCells(const ChannelTexts &texts, int firstCol, int firstRow, int lastCol, int lastRow)
{
    QList<QStringList> rows;
    for (int row = firstRow; row <= lastRow; ++row) {
        QStringList fields;
        for (int col = firstCol; col <= lastCol; ++col) {
            const QString text = texts.cell(col, row);
            fields << (isBlankCell(text) ? QString() : text);
        }
        rows << fields;
    }
    QString text = joinDelimited(rows, kTab, QStringLiteral("\n"));
    text.chop(1); // no line break behind the last line, as for a single cell
    return text;
}

int pasteChannelCells(ChannelTexts &texts, int col, int row, const QList<QStringList> &block)
{
    if (block.isEmpty())
        return 0;
    if (row + block.size() - 1 > kChannelCount)
        throw EChannelSheetError(QStringLiteral("无法粘贴：内容有 %1 行，从信道 %2 起只有 %3 个信道。%4")
                                     .arg(block.size())
                                     .arg(row)
                                     .arg(kChannelCount - row + 1)
                                     .arg(kUnchanged));
    const int room = kLastColumn - col + 1;
    QList<QStringList> fields;
    for (int i = 0; i < block.size(); ++i) {
        QStringList line;
        for (const QString &field : block[i])
            line << field.trimmed();
        while (line.size() > room && line.last().isEmpty())
            line.removeLast(); // a spreadsheet's empty cells behind the table's last column
        if (line.size() > room)
            throw EChannelSheetError(QStringLiteral("无法粘贴：信道 %1 的「%2」落在表格之外，从「%3」起只有 %4 列。%5")
                                         .arg(QString::number(row + i), line[room], channelColumns()[col].caption,
                                              QString::number(room), kUnchanged));
        fields << line;
    }

    // Typed into a copy first, so that a refused text leaves the table whole.
    MemoryChannelTexts scratch;
    PlanSnapshot::capture(texts).restore(scratch);
    for (int i = 0; i < fields.size(); ++i) {
        for (int k = 0; k < fields[i].size(); ++k) {
            const int c = col + k;
            const int r = row + i;
            scratch.setCell(c, r, fields[i][k]);
            try {
                xgSetEditText(scratch, c, r);
            } catch (const rtl::Exception &e) {
                throw EChannelSheetError(QStringLiteral("无法粘贴：%1不能取「%2」：%3\n%4")
                                             .arg(channelCellName(c, r), fields[i][k], e.message(), kUnchanged));
            }
        }
    }
    PlanSnapshot::capture(scratch).restore(texts);
    return int(fields.size());
}

void clearChannelCells(ChannelTexts &texts, const QList<QPoint> &cells)
{
    for (const QPoint &cell : cells) {
        const int col = cell.x();
        const int row = cell.y();
        if (col < ColRxFrequency || col > kLastColumn || row < 1 || row > kChannelCount
            || isBlankCell(texts.cell(ColRxFrequency, row)))
            continue;
        texts.setCell(col, row, QString());
        xgSetEditText(texts, col, row); // an empty text never fails a rule
    }
}

void insertEmptyChannels(ChannelTexts &texts, int row, int count)
{
    checkChannelRange(row, count);
    for (int r = kChannelCount - count + 1; r <= kChannelCount; ++r)
        if (!rowIsEmpty(texts, r))
            throw EChannelSheetError(
                QStringLiteral("无法插入空信道：信道 %1 在使用中，会被挤出表格。请先删除或移走它。").arg(r));
    for (int r = kChannelCount; r >= row + count; --r)
        setRowTexts(texts, r, rowTexts(texts, r - count));
    for (int r = row; r < row + count; ++r)
        setRowTexts(texts, r, {});
}

void deleteChannels(ChannelTexts &texts, int row, int count)
{
    checkChannelRange(row, count);
    for (int r = row; r <= kChannelCount - count; ++r)
        setRowTexts(texts, r, rowTexts(texts, r + count));
    for (int r = kChannelCount - count + 1; r <= kChannelCount; ++r)
        setRowTexts(texts, r, {});
}

bool moveChannels(ChannelTexts &texts, int row, int count, int by)
{
    checkChannelRange(row, count);
    const int last = row + count - 1;
    if ((by < 0 && row == 1) || (by > 0 && last == kChannelCount) || by == 0)
        return false;
    if (by < 0) {
        const QStringList above = rowTexts(texts, row - 1);
        for (int r = row - 1; r < last; ++r)
            setRowTexts(texts, r, rowTexts(texts, r + 1));
        setRowTexts(texts, last, above);
    } else {
        const QStringList below = rowTexts(texts, last + 1);
        for (int r = last + 1; r > row; --r)
            setRowTexts(texts, r, rowTexts(texts, r - 1));
        setRowTexts(texts, row, below);
    }
    return true;
}
