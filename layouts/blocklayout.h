// Field tables of the signalling blocks: where each text of a window sits in a block's 28-byte
// payload and how it is written there. One table drives both directions, so encoding and
// decoding cannot drift apart.
#pragma once

#include "rtl/exception.h"
#include "layouts/signallingtexts.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

enum class FieldKind {
    Byte,      // decimal integer ÷ divisor (exact), low 8 bits; read: byte × divisor
    Word,      // decimal integer, low 16 bits, little-endian
    Long,      // decimal integer, 32 bits, little-endian; read back signed
    WholeWord, // a number that must be whole ("1981.0" is fine), low 16 bits
    Switch,    // check box: 0xFF checked, 0x00 unchecked
    Choice,    // one of a list of texts, each with its code
    Length,    // the number of characters of the text; not read back
    PairCode,  // two tone letters read as a hexadecimal byte ("AB" 0xAB); read: a letter A–D per nibble
    HexDigit,  // a hexadecimal text, low 8 bits; read: the low nibble as one digit
    ToneCode,  // a hexadecimal text, low 24 bits in 3 bytes; read: five upper-case digits
};

// Which part of its byte a Choice takes. Low writes the whole byte, so it comes first; High then
// fills the upper four bits.
enum class Nibble { Whole, Low, High };

// What a row's key cell (its first cell) being empty does to a field of that row.
enum class RowRule {
    None,
    ZeroWhenUnused,      // the field is written as zero bytes
    EmptyIsZeroWhenUnused // an empty text is written as zero bytes; anything else as usual
};

struct Choice {
    QString text;
    int code;
};

struct Field {
    int offset = 0; // payload byte 0–27
    FieldKind kind = FieldKind::Byte;
    TextRef ref;

    int divisor = 1;          // Byte
    QString zeroText;         // Byte: the text of 0 ("D码", "关"); it also writes 0
    bool emptyIsZero = false; // an empty text writes 0 and 0 reads back empty
    bool onlyFFIsOn = false;  // Switch: only 0xFF reads as checked (else any non-zero byte)

    QList<Choice> choices;    // Choice
    Nibble nibble = Nibble::Whole;
    bool refuseOther = false; // Choice: a text off the list stops the write (else it writes 0)
    QString readOther;        // Choice: the text of a code off the list; null leaves the text
    QString note;             // Choice: told once after a read that met a code off the list (%1)
    QString label;            // the field in its window: "「组呼码」", "编码表 第 3 行「使用标准」"
    QString window;           // the window, as its menu item names it: "DTMF", "FSK 队列同步"

    std::optional<TextRef> rowKey; // the row's first cell, for the row rule
    RowRule rowRule = RowRule::None;
    int readIf = -1; // decoded only when this payload byte is not 0 (-1: always)
};

// A field of the text of the control `name`, or of a table cell; the other members at their defaults.
inline Field controlField(int offset, FieldKind kind, const QString &name)
{
    Field f;
    f.offset = offset;
    f.kind = kind;
    f.ref = TextRef::control(name);
    return f;
}

inline Field cellField(int offset, FieldKind kind, const QString &table, int col, int row)
{
    Field f;
    f.offset = offset;
    f.kind = kind;
    f.ref = TextRef::cell(table, col, row);
    return f;
}

// The payload bytes a field takes from its offset, and the bits of them that are its own: a
// field in one half of a byte shares that byte with another.
int fieldWidth(FieldKind kind);
std::uint8_t fieldBits(const Field &field);

// Field tables of a window's blocks, indexed by block number.
using BlockLayout = QList<QList<Field>>;

// A table of a window as it shows: its name, when the window has more than one, and its column
// captions, column 0 first. A column kept hidden may follow the shown ones.
struct TableCaptions {
    QString name; // "编码表"
    QStringList columns;
};

// What a window shows of its fields: its name, the caption beside or above each control, its
// tables. The window builds its labels and tables from it, and nameFields() names the fields by it.
struct WindowCaptions {
    QString window; // as its menu item: "DTMF"
    QHash<QString, QString> controls;
    QHash<QString, TableCaptions> tables;

    QString control(const QString &name) const { return controls.value(name); }
    QString column(const QString &table, int col) const { return tables.value(table).columns.value(col); }
};

// Sets the window and the label of every field: a control by its caption ("「组呼码」"), a cell by
// table, row and column ("编码表 第 3 行「使用标准」"); a caption the table shows more than once
// is told apart by the nearest column before it whose caption is its own ("「解码2」的「提示」").
void nameFields(BlockLayout &layout, const WindowCaptions &captions);

// A text that is none of the values its field can hold: "DTMF「组呼码」: 'x' 不是可选值".
class ESignallingValueError : public rtl::Exception {
public:
    using Exception::Exception;
};

// Writes the fields into `payload` (28 bytes, which the caller clears) in table order. A text that
// does not convert throws EConvertError with the conversion's own message and, on a second line,
// the window and the field ("DTMF「首位数码时间（毫秒）」"), or ESignallingValueError; `payload`
// may then hold part of the block.
void encodeFields(const QList<Field> &fields, const SignallingTexts &texts, std::uint8_t *payload);

// Writes the payload's fields into the texts; returns the notes of values it could not show.
QStringList decodeFields(const QList<Field> &fields, const std::uint8_t *payload, SignallingTexts &texts);

// The text one field shows for `payload` (28 bytes), as a read would set it; none when a read
// leaves the text as it was (a code off the list, a length, a field read only beside another).
std::optional<QString> fieldText(const Field &field, const std::uint8_t *payload);

// The two tone letters of a pair code: 0xAB "AB"; a nibble outside A–D gives no letter.
QString pairLetters(std::uint8_t code);
