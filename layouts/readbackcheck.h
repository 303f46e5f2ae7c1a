// Compares the blocks a write sent with the same blocks read back, field by field (the walk the
// comparison of two radios makes too), leaving out the bytes the radio is known not to keep.
#pragma once

#include <QList>
#include <QMap>
#include <QString>

struct ReadBackDifference {
    QString where;    // "信道 3", "通用设置", "DTMF 第 2 块"
    QString field;    // column caption, setting label or the signalling field
    QString sent;
    QString readBack;
};

// Payloads (28 bytes) by blockKey. Every block in `sent` is compared; one missing from
// `readBack` is a difference of its own.
QList<ReadBackDifference> compareReadBack(const QMap<int, QByteArray> &sent, const QMap<int, QByteArray> &readBack);
