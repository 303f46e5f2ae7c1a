// Spreadsheet-style changes of the channel table: copy and paste as delimited text, clearing,
// inserting, deleting and moving channels.
#pragma once

#include "channels/channeltexts.h"
#include "rtl/exception.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

// A change the table cannot take; the message names the cell or channel, and nothing changed.
class EChannelSheetError : public rtl::Exception {
public:
    using Exception::Exception;
};

// A cell as the user names it: 信道 3「接收频率」.
QString channelCellName(int col, int row);

// Rows of fields as spreadsheets exchange them: a field holding the separator, a double quote or
// a line break is quoted, with its quotes doubled; lines end with `lineEnd`.
QString joinDelimited(const QList<QStringList> &rows, QChar separator, const QString &lineEnd);
// The reverse: fields split at `separator`, lines at CR LF, CR or LF; a line break at the very
// end opens no further line.
QList<QStringList> splitDelimited(const QString &text, QChar separator);

// Cells firstCol…lastCol of rows firstRow…lastRow as tab-separated lines; a blank cell copies as
// an empty field.
QString copyChannelCells(const ChannelTexts &texts, int firstCol, int firstRow, int lastCol, int lastRow);

// Writes `block` from cell (col, row) on, each text trimmed and then handled as if typed into
// its cell: the cell takes it and the table's edit rules run. Empty fields past the last column
// are dropped. A block that runs past the table or a text a rule refuses throws
// EChannelSheetError naming the cell, and the table stays as it was. Returns how many channels
// the block covers.
int pasteChannelCells(ChannelTexts &texts, int col, int row, const QList<QStringList> &block);

// Empties the cells (x column, y row) of channels in use as typing them empty would: an emptied
// receive frequency empties its channel.
void clearChannelCells(ChannelTexts &texts, const QList<QPoint> &cells);

// `count` empty channels before channel `row`, the channels below moving down. Refused when a
// channel in use would move past channel 16.
void insertEmptyChannels(ChannelTexts &texts, int row, int count);
// Removes channels row…row+count−1; the channels below move up, the last ones end empty.
void deleteChannels(ChannelTexts &texts, int row, int count);
// Moves channels row…row+count−1 one place up (by −1) or down (by +1), past their neighbour.
// False when they are at that end of the table already.
bool moveChannels(ChannelTexts &texts, int row, int count, int by);
