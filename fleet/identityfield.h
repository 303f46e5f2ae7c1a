// The fields that tell one radio of a fleet from another: where each sits, taken from the block
// field tables, and the rule its value must keep. These are replaced for every radio and never
// taken from the template.
#pragma once

#include "layouts/blocklayout.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct IdentityField {
    QString control;   // the window's control: "Edit1", "ed1", "ed2"
    QString caption;   // as the window labels it: "ID码"
    QString window;    // as its menu item names it: "DTMF"
    int group = 0;     // groups::kDtmf, groups::kFsk
    int block = 0;     // block number within the group
    int key = 0;       // blockKey of that block
    QList<Field> fields; // every field of the block that takes the control's text
    bool unique = true;  // no two radios of a fleet may share the value
    qint64 maximum = 0;  // largest value the radio keeps and reads back as itself

    // "DTMF「ID码」", as the pre-write checks name a field.
    QString name() const { return window + QStringLiteral("「") + caption + QStringLiteral("」"); }
};

// DTMF ID码, FSK 队列（自身）, FSK ID（自身）, in the order a fleet table shows them.
const QList<IdentityField> &identityFields();

// Why `text` cannot be the field's value, or nothing when it can: decimal digits only, within
// 0…maximum, and written and read back through the field table as the same number.
std::optional<QString> identityProblem(const IdentityField &field, const QString &text);

// Writes `text` into the field's bytes of `payload` (28 bytes); nothing else of it changes.
// Throws EConvertError naming the field when the text does not encode.
void applyIdentity(const IdentityField &field, const QString &text, QByteArray &payload);

// The bytes the field puts in its block for `text`: two values that give the same bytes are the
// same identity in the radio ("0012" and "12" are not: the DTMF ID keeps its digit count).
QByteArray identityBytes(const IdentityField &field, const QString &text);
// The field's bytes as a block holds them.
QByteArray identityBytesOf(const IdentityField &field, const QByteArray &payload);
// The field's text for the bytes a block holds ("12345678").
QString identityText(const IdentityField &field, const QByteArray &payload);
