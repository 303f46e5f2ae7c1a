// Helpers for the block codec tests: texts written as "name=text" or "table:col:row=text", and
// payloads as hexadecimal.
#pragma once

#include "layouts/blocklayout.h"

#include <QByteArray>
#include <QStringList>
#include <QTest>

// "cb1=6", "xg2:1:17=99", "CheckB1=1": a control's or a cell's text.
inline TextRef refOf(const QString &entry)
{
    const QStringList parts = entry.section(QLatin1Char('='), 0, 0).split(QLatin1Char(':'));
    if (parts.size() == 3)
        return TextRef::cell(parts[0], parts[1].toInt(), parts[2].toInt());
    return TextRef::control(parts[0]);
}

inline void setTexts(SignallingTexts &texts, const QStringList &entries)
{
    for (const QString &entry : entries)
        texts.setText(refOf(entry), entry.section(QLatin1Char('='), 1));
}

// Every text in `entries` as the texts hold it, "name=text" each, for one comparison.
inline QStringList textsOf(const SignallingTexts &texts, const QStringList &entries)
{
    QStringList out;
    for (const QString &entry : entries)
        out << entry.section(QLatin1Char('='), 0, 0) + QLatin1Char('=') + texts.text(refOf(entry));
    return out;
}

// The 28 payload bytes of `hex` (spaces allowed), zero-padded.
inline QByteArray payloadOf(const QString &hex)
{
    QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    bytes.resize(28, '\0');
    return bytes;
}

inline QByteArray encodeBlock(const QList<Field> &fields, const SignallingTexts &texts)
{
    QByteArray payload(28, '\0');
    encodeFields(fields, texts, reinterpret_cast<std::uint8_t *>(payload.data()));
    return payload;
}

// The message of the exception encoding throws, or an empty text.
inline QString encodeError(const QList<Field> &fields, const SignallingTexts &texts)
{
    try {
        encodeBlock(fields, texts);
    } catch (const rtl::Exception &e) {
        return e.message();
    }
    return {};
}

// The columns of a round-trip table: a block of the layout, its payload in hexadecimal and the
// texts that encode to it.
inline void addRoundTripColumns()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QStringList>("texts");
}

// `payload` decodes to the texts named in `shown` (texts holding `before` first, so a field the
// block leaves alone keeps it), and `texts` encode to `payload`.
inline void checkRoundTrip(const QList<Field> &fields, const QString &payload, const QStringList &texts,
                           const QStringList &shown, const QStringList &before = {})
{
    const QByteArray bytes = payloadOf(payload);
    MemorySignallingTexts decoded;
    setTexts(decoded, before);
    decodeFields(fields, reinterpret_cast<const std::uint8_t *>(bytes.constData()), decoded);
    QCOMPARE(textsOf(decoded, shown), shown);

    MemorySignallingTexts typed;
    setTexts(typed, texts);
    QCOMPARE(encodeBlock(fields, typed).toHex(' '), bytes.toHex(' '));
}
