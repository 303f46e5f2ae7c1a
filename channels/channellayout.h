// Field tables of the channel record (block type 0) and the general-settings record (block type 5):
// which column or setting each payload byte holds and how it is written. The codec encodes and
// decodes through them, and the read-back comparison names the bytes by them.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

enum class RecordKind {
    Frequency, // MHz text, a signed 32-bit count of Hz
    Tone,      // tone text, the 16-bit tone word: 0xFFFF none, tenths of Hz, 0x2000/0xA000 | DCS code
    Word,      // decimal integer, low 16 bits
    Byte,      // decimal integer, low 8 bits; zeroText writes 0 and 0 reads as it
    Choice,    // one of a list of texts, each with its code
    End,       // the record's end mark 0xFF, whatever the texts
};

struct RecordChoice {
    QString text;
    int code;
};

// 16- and 32-bit fields are little-endian.
struct RecordField {
    int ref = -1;    // the column of the channel table or the setting's index; -1 for none
    int offset = 0;  // payload byte 0–27
    RecordKind kind = RecordKind::Byte;
    QString name;    // as the read-back names it: the column caption or the setting's label

    QString zeroText;             // Byte: the text of 0 ("无", "关")
    QList<RecordChoice> choices;  // Choice
    std::optional<int> otherCode; // Choice: the code of a text off the list; none refuses the text
    QString readOther;            // Choice: the text of a code off the list; null leaves the text

    int width() const;
};

// In the order the codec writes them, which is the order their conversion errors come in.
const QList<RecordField> &channelRecord();
const QList<RecordField> &settingsRecord();

// Writes `text` into the field's bytes of `payload`. A text that does not convert throws
// EConvertError with the conversion's own message; a text the field has no bytes for (off a list
// that refuses, a number no tone word holds) returns false and writes nothing.
bool encodeRecordField(const RecordField &field, const QString &text, quint8 *payload);

// The text of the field's bytes; a null QString for bytes of no text the field knows.
QString decodeRecordField(const RecordField &field, const quint8 *payload);
