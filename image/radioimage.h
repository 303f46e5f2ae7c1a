// The radio image: every block of the radio as it was read, with the time of reading, and the
// file that keeps it (magic, version, blocks, SHA-256 over the file; see docs/radio-image.md).
#pragma once

#include "rtl/exception.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

// A file that is not a radio image, is cut short, comes from a newer program or is damaged.
class ERadioImageError : public rtl::Exception {
public:
    using Exception::Exception;
};

// The blocks one transfer reads or writes: the channel table with the general settings, and
// each signalling window's blocks.
struct BlockGroup {
    QString name;
    QList<int> keys; // blockKey(type, number), in the order the transfer moves them
};

constexpr int blockKey(int type, int number) { return type << 8 | number; }
constexpr int keyType(int key) { return key >> 8; }
constexpr int keyNumber(int key) { return key & 0xFF; }

// Channels, DTMF, FSK queue sync, two-tone, five-tone: 52 blocks in all.
const QList<BlockGroup> &blockGroups();
// The group a block type belongs to (the settings block to the channels), or -1.
int groupOfType(int type);

struct RadioImage {
    static constexpr int kVersion = 1;
    static constexpr int kMinFrame = 32; // an answer without its checksum bytes
    static constexpr int kMaxFrame = 34;

    QDateTime readAt;         // UTC
    QList<QByteArray> frames; // 32 to 34 bytes each, as received, in the order read

    // The frame of a block, or empty.
    QByteArray frame(int key) const;
    // Its 28 payload bytes, or empty.
    QByteArray payload(int key) const;
    // Indexes into blockGroups() whose blocks are all here.
    QList<int> groups() const;
};

// The file's bytes.
QByteArray serializeRadioImage(const RadioImage &image);
// Checks everything before it returns: a file that fails any check throws ERadioImageError
// naming what is wrong, and nothing of it is used.
RadioImage parseRadioImage(QByteArrayView data);

// Written whole or not at all, and only over a regular file (rtl::writeFileChecked); throws
// ERadioImageError.
void saveRadioImage(const RadioImage &image, const QString &fileName);
RadioImage loadRadioImage(const QString &fileName);
