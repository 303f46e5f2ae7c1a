// Encoding and decoding the fields of a signalling block.
#include "layouts/blocklayout.h"

#include "frames/frame.h"
#include "rtl/sysutils.h"

using namespace frame;

namespace {

constexpr std::uint8_t kOn = 0xFF;
constexpr int kToneCodeDigits = 5;
constexpr std::uint32_t kToneCodeMask = 0xFFFFFF;
constexpr std::uint32_t kToneCodeShown = 0xFFFFF;

int hexValue(const QString &text)
{
    return rtl::StrToInt(QLatin1Char('$') + text);
}

// The window and the field, as a refusal names them: "DTMF「组呼码」", "5TONE 编码表 第 3 行「使用标准」".
QString place(const Field &field)
{
    if (field.window.isEmpty() || field.label.startsWith(QStringLiteral("「")))
        return field.window + field.label;
    return field.window + QLatin1Char(' ') + field.label;
}

// "「提示」", or for a caption the table shows more than once "「解码2」的「提示」".
QString columnName(const QStringList &captions, int col)
{
    const auto own = [&](int c) { return captions.count(captions.value(c)) == 1; };
    const QString caption = QStringLiteral("「%1」").arg(captions.value(col));
    if (own(col))
        return caption;
    for (int c = col - 1; c >= 0; --c)
        if (own(c))
            return QStringLiteral("「%1」的%2").arg(captions[c], caption);
    return caption;
}

QString fieldLabel(const Field &field, const WindowCaptions &captions)
{
    if (!field.ref.isCell())
        return QStringLiteral("「%1」").arg(captions.control(field.ref.name));
    const TableCaptions table = captions.tables.value(field.ref.name);
    const QString cell = QStringLiteral("第 %1 行%2").arg(field.ref.row).arg(columnName(table.columns, field.ref.col));
    return table.name.isEmpty() ? cell : table.name + QLatin1Char(' ') + cell;
}

bool unusedRow(const Field &field, const SignallingTexts &texts)
{
    return field.rowKey && texts.text(*field.rowKey).isEmpty();
}

int choiceCode(const Field &field, const QString &text)
{
    for (const Choice &choice : field.choices)
        if (choice.text == text)
            return choice.code;
    if (field.refuseOther)
        throw ESignallingValueError(QStringLiteral("%1: '%2' 不是可选值").arg(place(field), text));
    return 0;
}

void putChoice(const Field &field, std::uint8_t *p, int code)
{
    if (field.nibble == Nibble::High)
        *p = static_cast<std::uint8_t>((*p & 0x0F) | (code & 0x0F) << 4);
    else
        *p = static_cast<std::uint8_t>(code);
}

int choiceByte(const Field &field, std::uint8_t byte)
{
    switch (field.nibble) {
    case Nibble::Low:
        return byte & 0x0F;
    case Nibble::High:
        return byte >> 4;
    case Nibble::Whole:
        break;
    }
    return byte;
}

void encodeField(const Field &field, const SignallingTexts &texts, std::uint8_t *payload)
{
    std::uint8_t *p = payload + field.offset;
    const bool unused = unusedRow(field, texts);
    if (unused && field.rowRule == RowRule::ZeroWhenUnused)
        return; // the caller cleared the payload
    const QString text = texts.text(field.ref);
    const bool emptyIsZero = field.emptyIsZero || (unused && field.rowRule == RowRule::EmptyIsZeroWhenUnused);
    if (emptyIsZero && text.isEmpty())
        return;

    switch (field.kind) {
    case FieldKind::Byte:
        if (!field.zeroText.isEmpty() && text == field.zeroText)
            *p = 0;
        else
            *p = static_cast<std::uint8_t>(dividedInteger(text, field.divisor));
        break;
    case FieldKind::Word:
        put16(p, static_cast<std::uint32_t>(rtl::StrToInt(text)));
        break;
    case FieldKind::Long:
        put32(p, static_cast<std::uint32_t>(rtl::StrToInt(text)));
        break;
    case FieldKind::WholeWord:
        put16(p, static_cast<std::uint32_t>(wholeNumber(text)));
        break;
    case FieldKind::Switch:
        *p = text == kChecked ? kOn : 0;
        break;
    case FieldKind::Choice:
        putChoice(field, p, choiceCode(field, text));
        break;
    case FieldKind::Length:
        *p = static_cast<std::uint8_t>(text.size());
        break;
    case FieldKind::PairCode:
    case FieldKind::HexDigit:
        *p = static_cast<std::uint8_t>(hexValue(text));
        break;
    case FieldKind::ToneCode: {
        const auto code = static_cast<std::uint32_t>(hexValue(text)) & kToneCodeMask;
        p[0] = static_cast<std::uint8_t>(code);
        p[1] = static_cast<std::uint8_t>(code >> 8);
        p[2] = static_cast<std::uint8_t>(code >> 16);
        break;
    }
    }
}

// The text a field shows for its bytes; a null QString leaves the text as it is.
QString decodeField(const Field &field, const std::uint8_t *p, QStringList &notes)
{
    switch (field.kind) {
    case FieldKind::Byte:
        if (*p == 0 && !field.zeroText.isEmpty())
            return field.zeroText;
        if (*p == 0 && field.emptyIsZero)
            return QString(QLatin1String(""));
        return rtl::IntToStr(*p * field.divisor);
    case FieldKind::Word:
        if (get16(p) == 0 && field.emptyIsZero)
            return QString(QLatin1String(""));
        return rtl::IntToStr(get16(p));
    case FieldKind::Long:
        if (get32(p) == 0 && field.emptyIsZero)
            return QString(QLatin1String(""));
        return rtl::IntToStr(static_cast<std::int32_t>(get32(p)));
    case FieldKind::WholeWord:
        return rtl::IntToStr(get16(p));
    case FieldKind::Switch:
        return (field.onlyFFIsOn ? *p == kOn : *p != 0) ? kChecked : kUnchecked;
    case FieldKind::Choice: {
        const int code = choiceByte(field, *p);
        for (const Choice &choice : field.choices)
            if (choice.code == code)
                return choice.text;
        if (!field.note.isEmpty())
            notes << field.note.arg(code);
        return field.readOther;
    }
    case FieldKind::Length:
        return {};
    case FieldKind::PairCode:
        return *p == 0 ? QString(QLatin1String("")) : pairLetters(*p);
    case FieldKind::HexDigit:
        return QString::number(*p & 0x0F, 16).toUpper();
    case FieldKind::ToneCode: {
        const std::uint32_t code = (p[0] | p[1] << 8 | static_cast<std::uint32_t>(p[2]) << 16) & kToneCodeShown;
        return QStringLiteral("%1").arg(code, kToneCodeDigits, 16, QLatin1Char('0')).toUpper();
    }
    }
    return {};
}

} // namespace

std::optional<QString> fieldText(const Field &field, const std::uint8_t *payload)
{
    if (field.readIf >= 0 && payload[field.readIf] == 0)
        return std::nullopt;
    QStringList notes;
    const QString text = decodeField(field, payload + field.offset, notes);
    if (text.isNull())
        return std::nullopt;
    return text;
}

QString pairLetters(std::uint8_t code)
{
    QString letters;
    for (const int nibble : {code >> 4, code & 0x0F})
        if (nibble >= 0xA && nibble <= 0xD)
            letters += QLatin1Char(char('A' + nibble - 0xA));
    return letters;
}

int fieldWidth(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Word:
    case FieldKind::WholeWord:
        return 2;
    case FieldKind::Long:
        return 4;
    case FieldKind::ToneCode:
        return 3;
    case FieldKind::Byte:
    case FieldKind::Switch:
    case FieldKind::Choice:
    case FieldKind::Length:
    case FieldKind::PairCode:
    case FieldKind::HexDigit:
        break;
    }
    return 1;
}

std::uint8_t fieldBits(const Field &field)
{
    switch (field.nibble) {
    case Nibble::Low:
        return 0x0F;
    case Nibble::High:
        return 0xF0;
    case Nibble::Whole:
        break;
    }
    return 0xFF;
}

void nameFields(BlockLayout &layout, const WindowCaptions &captions)
{
    for (QList<Field> &fields : layout) {
        for (Field &field : fields) {
            field.window = captions.window;
            field.label = fieldLabel(field, captions);
        }
    }
}

void encodeFields(const QList<Field> &fields, const SignallingTexts &texts, std::uint8_t *payload)
{
    for (const Field &field : fields) {
        try {
            encodeField(field, texts, payload);
        } catch (const rtl::EConvertError &e) {
            // The conversion's own text stays the first line; the second says where the text is.
            const QString where = place(field);
            if (where.isEmpty())
                throw;
            throw rtl::EConvertError(e.message() + QLatin1Char('\n') + where);
        }
    }
}

QStringList decodeFields(const QList<Field> &fields, const std::uint8_t *payload, SignallingTexts &texts)
{
    QStringList notes;
    for (const Field &field : fields) {
        if (field.readIf >= 0 && payload[field.readIf] == 0)
            continue;
        const QString text = decodeField(field, payload + field.offset, notes);
        if (!text.isNull())
            texts.setText(field.ref, text);
    }
    return notes;
}
