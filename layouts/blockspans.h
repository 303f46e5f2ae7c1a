// Every block's payload as the fields that carry it: where each field sits, what it is called and
// how its bytes read as text. The comparison of two radios and the read-back check both walk it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

struct BlockSpan {
    int offset = 0; // payload byte 0–27
    int length = 1;
    quint8 bits = 0xFF; // the bits of those bytes the field owns (a half byte shares its byte)
    QString where;      // in the window's words: "信道 3", "通用设置", "2TONE 解码表 第 3 行"
    QString name;       // "接收频率", "VOX等级", "解码2的响应方式"
    QString checkName;  // as the read-back table names it: "省电：", "编码表 第 3 行「使用标准」"
    // The text the bytes show; none when a read would leave the text as it was.
    std::function<std::optional<QString>(const QByteArray &payload)> text;
    // The read-back table shows the channel records' texts and the signalling fields as bytes.
    bool checkShowsText = true;
};

// The fields of the block `key` (blockKey), in payload order within each record; empty for a
// block no field table knows.
const QList<BlockSpan> &blockSpans(int key);

// The block as a list names it: "信道 3", "通用设置", "DTMF 第 2 块".
QString blockPlace(int key);

struct SpanChange {
    const BlockSpan *span = nullptr;
    QString before;
    QString after;
};

enum class SpanTexts { Shown, ReadBack };

// The fields whose own bits differ between two payloads of the block `key` (28 bytes each). Each
// shows its texts (as the read-back table shows them, for SpanTexts::ReadBack); bytes that read
// alike, or as no text, show as hexadecimal bytes.
QList<SpanChange> changedSpans(int key, const QByteArray &a, const QByteArray &b, SpanTexts texts = SpanTexts::Shown);

// The bits of each payload byte that no field of the block carries.
QByteArray unreadBits(int key);

// "28–30 00 00 00": the payload bytes where `mask` differs between a and b, as frame bytes, each
// run with its range; empty when no such bit differs. `side` picks which payload's bytes are shown.
QString unreadText(const QByteArray &mask, const QByteArray &a, const QByteArray &b, const QByteArray &side);
