// Identity fields found by name in the signalling field tables.
#include "fleet/identityfield.h"

#include "frames/frame.h"
#include "image/radioimage.h"
#include "layouts/dtmflayout.h"
#include "layouts/fsklayout.h"
#include "layouts/signallingtexts.h"
#include "protocol/blockgroups.h"
#include "rtl/sysutils.h"

#include <QRegularExpression>
#include <limits>

namespace {

// The largest value a field gives back as written: a Long reads back signed, a Word whole.
qint64 largestKept(const QList<Field> &fields)
{
    qint64 largest = std::numeric_limits<qint64>::max();
    for (const Field &f : fields) {
        if (f.kind == FieldKind::Long)
            largest = std::min<qint64>(largest, std::numeric_limits<qint32>::max());
        else if (f.kind == FieldKind::Word || f.kind == FieldKind::WholeWord)
            largest = std::min<qint64>(largest, std::numeric_limits<quint16>::max());
        else if (f.kind == FieldKind::Byte)
            largest = std::min<qint64>(largest, std::numeric_limits<quint8>::max() * qint64(f.divisor));
    }
    return largest;
}

IdentityField find(int group, int block, const QString &control, const WindowCaptions &captions, bool unique)
{
    IdentityField id;
    id.control = control;
    id.caption = captions.control(control);
    id.window = captions.window;
    id.group = group;
    id.block = block;
    id.key = blockGroups().at(group).keys.at(block);
    for (const Field &f : groups::layout(group).at(block))
        if (!f.ref.isCell() && f.ref.name == control)
            id.fields << f;
    id.unique = unique;
    id.maximum = largestKept(id.fields);
    return id;
}

MemorySignallingTexts textsWith(const IdentityField &field, const QString &text)
{
    MemorySignallingTexts texts;
    texts.setText(TextRef::control(field.control), text);
    return texts;
}

} // namespace

const QList<IdentityField> &identityFields()
{
    // Radios of one queue share its number; the two IDs are each radio's own.
    static const QList<IdentityField> fields{
        find(groups::kDtmf, 0, QStringLiteral("Edit1"), dtmf::captions(), true),
        find(groups::kFsk, 0, QStringLiteral("ed1"), fsk::captions(), false),
        find(groups::kFsk, 0, QStringLiteral("ed2"), fsk::captions(), true),
    };
    return fields;
}

std::optional<QString> identityProblem(const IdentityField &field, const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (text.isEmpty())
        return QStringLiteral("没有填写");
    if (!digits.match(text).hasMatch())
        return QStringLiteral("只能是数字");
    const QString range = QStringLiteral("超出范围 0–%1").arg(field.maximum);
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value > field.maximum)
        return range;
    for (const Field &f : field.fields)
        if (f.kind == FieldKind::Length && text.size() > std::numeric_limits<quint8>::max())
            return QStringLiteral("超过 %1 位").arg(std::numeric_limits<quint8>::max());
    // The table's own rule has the last word: the value must come back from the radio unchanged.
    QByteArray payload(frame::kPayloadLength, '\0');
    try {
        applyIdentity(field, text, payload);
    } catch (const rtl::Exception &e) {
        return e.message().section(QLatin1Char('\n'), 0, 0);
    }
    if (identityText(field, payload).toLongLong() != value)
        return range;
    return std::nullopt;
}

void applyIdentity(const IdentityField &field, const QString &text, QByteArray &payload)
{
    payload.resize(frame::kPayloadLength, '\0');
    encodeFields(field.fields, textsWith(field, text), reinterpret_cast<std::uint8_t *>(payload.data()));
}

QByteArray identityBytes(const IdentityField &field, const QString &text)
{
    QByteArray payload(frame::kPayloadLength, '\0');
    applyIdentity(field, text, payload);
    return identityBytesOf(field, payload);
}

QByteArray identityBytesOf(const IdentityField &field, const QByteArray &payload)
{
    QByteArray bytes;
    for (const Field &f : field.fields)
        bytes += payload.mid(f.offset, fieldWidth(f.kind));
    return bytes;
}

QString identityText(const IdentityField &field, const QByteArray &payload)
{
    if (payload.size() < frame::kPayloadLength)
        return {};
    MemorySignallingTexts texts;
    decodeFields(field.fields, reinterpret_cast<const std::uint8_t *>(payload.constData()), texts);
    return texts.text(TextRef::control(field.control));
}
