// The faults of the line every transfer is run against, and what a run must end in: either the
// radio (or the window) holds exactly what it should and success is shown, or no success is shown
// and a message says what happened.
#pragma once

#include "app/tests/linebytes.h"
#include "rtl/dialogs.h"
#include "tools/radiosim/radiosim.h"

#include <QtTest>

namespace faultmatrix {

enum Fault { None, Delay, DropOne, RepeatAcks, Nak, Noise, ByteBursts, HangUp };

inline const char *faultName(int fault)
{
    static const char *names[] = {"no fault", "delay", "one answer dropped", "every 06 repeated",
                                  "15 for one answer", "noise before one answer", "answers a byte at a time",
                                  "hang-up"};
    return names[fault];
}

// `hangType`/`hangNumber`: the block whose answer the line drops at.
inline void applyFault(radiosim::RadioSim &sim, int fault, int ms, int hangType, int hangNumber)
{
    switch (fault) {
    case Delay:
        sim.delayAnswers(ms, 1000000);
        break;
    case DropOne:
        sim.dropAnswers(1);
        break;
    case RepeatAcks:
        sim.repeatAcknowledgements(true);
        break;
    case Nak:
        sim.nakAnswers(1);
        break;
    case Noise:
        sim.addNoise(bytes({0x33, 0x57, 0x06}), false, 1);
        break;
    case ByteBursts:
        sim.answerByteByByte(25, 3); // wider than the 20 ms the port waits for more bytes
        break;
    case HangUp:
        sim.hangUpAtBlock(hangType, hangNumber);
        break;
    default:
        break;
    }
}

// Faults the program must come through to success (a write that is never resent cannot get
// past a lost answer; nothing gets past a dead line).
inline bool recoverable(int fault, bool resends)
{
    if (fault == HangUp)
        return false;
    if (!resends && (fault == DropOne || fault == Nak || fault == Noise))
        return false;
    return true;
}

// Adds a row per fault; `delays` adds a delay row per value.
inline void addRows(const QString &transfer, const QVariantList &args, const QList<int> &delays)
{
    const auto row = [&](int fault, int ms) {
        const QString name = fault == Delay ? QStringLiteral("%1 ms late, %2").arg(ms).arg(transfer)
                                            : QStringLiteral("%1, %2").arg(QLatin1String(faultName(fault)), transfer);
        QTestData &data = QTest::newRow(qPrintable(name));
        for (const QVariant &a : args)
            data << a.toInt();
        data << fault << ms;
    };
    for (int fault : {None, DropOne, RepeatAcks, Nak, Noise, ByteBursts, HangUp})
        row(fault, 0);
    for (int ms : delays)
        row(Delay, ms);
}

// The boxes shown: whether one is a failure, and its text.
inline QString failureText(const rtl::dialogs::Recording &boxes)
{
    for (const rtl::dialogs::Shown &box : boxes.shown())
        if (box.kind != rtl::dialogs::Kind::Info)
            return box.text;
    return {};
}

// A failure must say why in words of the program, never stay silent or show a success.
inline void checkFailure(const rtl::dialogs::Recording &boxes)
{
    const QString text = failureText(boxes);
    QVERIFY2(!text.isEmpty(), "a run that did not complete says so");
    QVERIFY(!boxes.texts().contains(QStringLiteral("写入成功")));
    QVERIFY(text.contains(QStringLiteral("中断")) || text.contains(QStringLiteral("未完成")));
}

} // namespace faultmatrix
