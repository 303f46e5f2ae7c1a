// The comparison of two sets of blocks (two radios, a radio and a plan, two images) field by
// field, each difference in the words the windows use.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

struct FieldDifference {
    QString where;  // "信道 3", "通用设置", "DTMF", "2TONE 解码表 第 3 行"
    QString field;  // column caption or label, kUnreadBytes for bytes no field carries
    QString before; // side A's text
    QString after;  // side B's text
    // "信道 3 接收频率: 438.50000 → 438.52500"; an empty text shows as "（空）".
    QString line() const;
};

// The field of the bytes no field carries, and of a group or block only one side holds.
inline const QString kUnreadBytes = QStringLiteral("未解读的字节");
inline const QString kWholeGroup = QStringLiteral("整组");
inline const QString kWholeBlock = QStringLiteral("整块");
// The list's text for two sides without difference.
inline const QString kNoDifferences = QStringLiteral("没有差别");

// A text as the list shows it: "（空）" for an empty one.
QString shownText(const QString &text);

struct CompareOptions {
    // Bytes no field carries are compared too. A channel plan has none of its own, so a side
    // encoded from a plan turns this off.
    bool unreadBytes = true;
};

// Payloads (28 bytes) by blockKey. Blocks both sides hold are compared field by field, in block
// order; then, apart, the bytes no field carries, one row per block ("28–30 00 00 00").
// A block group only one side holds is one row for the whole group ("DTMF 整组: 4 块 → 没有"),
// its blocks not compared; a single block missing from a group the other side holds whole is
// one row of its own ("整块"). A payload of the wrong length counts as missing.
QList<FieldDifference> compareBlocks(const QMap<int, QByteArray> &a, const QMap<int, QByteArray> &b);
QList<FieldDifference> compareBlocks(const QMap<int, QByteArray> &a, const QMap<int, QByteArray> &b,
                                     const CompareOptions &options);
