// Radio image file: layout, checks and the block groups.
#include "image/radioimage.h"

#include "frames/frame.h"
#include "rtl/filewriter.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#include <QtEndian>

namespace {

constexpr char kMagic[] = "RADIOIMG"; // 8 bytes, no terminator in the file
constexpr int kMagicLength = 8;
constexpr int kHeaderLength = kMagicLength + 2 + 2 + 8; // magic, version, count, time
constexpr int kRecordLength = 1 + RadioImage::kMaxFrame; // length byte, frame bytes 0–33
constexpr int kDigestLength = 32;                          // SHA-256
constexpr qint64 kMaxFileBytes = 64 * 1024;

const QString kNotImage = QStringLiteral("不是电台镜像文件。");
const QString kTruncated = QStringLiteral("镜像文件不完整（文件被截断），未做任何改动。");
const QString kNewer = QStringLiteral("镜像文件版本为 %1，由更新的程序生成；本程序只能读取版本 %2。");
const QString kCorrupted = QStringLiteral("镜像文件已损坏（%1），未做任何改动。");

QList<int> range(int type, int first, int count)
{
    QList<int> keys;
    for (int n = first; n < first + count; ++n)
        keys << blockKey(type, n);
    return keys;
}

QByteArray digest(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

} // namespace

const QList<BlockGroup> &blockGroups()
{
    static const QList<BlockGroup> groups{
        {QStringLiteral("信道"), range(frame::kChannelBlock, 1, frame::kChannelCount) << blockKey(frame::kSettingsBlock, 0)},
        {QStringLiteral("DTMF"), range(frame::kDtmfBlock, 0, frame::kDtmfBlockCount)},
        {QStringLiteral("FSK 队列同步"), range(frame::kFskBlock, 0, frame::kFskBlockCount)},
        {QStringLiteral("2TONE"), range(frame::kTwoToneBlock, 0, frame::kTwoToneBlockCount)},
        {QStringLiteral("5TONE"), range(frame::kFiveToneBlock, 0, frame::kFiveToneBlockCount)},
    };
    return groups;
}

int groupOfType(int type)
{
    if (type == frame::kSettingsBlock)
        return 0;
    for (int g = 0; g < blockGroups().size(); ++g)
        if (keyType(blockGroups()[g].keys.first()) == type)
            return g;
    return -1;
}

QByteArray RadioImage::frame(int key) const
{
    for (const QByteArray &f : frames)
        if (f.size() >= kMinFrame && blockKey(quint8(f[1]), quint8(f[2])) == key)
            return f;
    return {};
}

QByteArray RadioImage::payload(int key) const
{
    const QByteArray f = frame(key);
    return f.isEmpty() ? f : f.mid(frame::kHeaderLength, frame::kPayloadLength);
}

QList<int> RadioImage::groups() const
{
    QList<int> out;
    for (int g = 0; g < blockGroups().size(); ++g) {
        bool whole = true;
        for (int key : blockGroups()[g].keys)
            whole = whole && !frame(key).isEmpty();
        if (whole)
            out << g;
    }
    return out;
}

QByteArray serializeRadioImage(const RadioImage &image)
{
    QByteArray out(kMagic, kMagicLength);
    char word[8];
    qToLittleEndian<quint16>(RadioImage::kVersion, word);
    out.append(word, 2);
    qToLittleEndian<quint16>(static_cast<quint16>(image.frames.size()), word);
    out.append(word, 2);
    qToLittleEndian<qint64>(image.readAt.toMSecsSinceEpoch(), word);
    out.append(word, 8);
    for (const QByteArray &f : image.frames) {
        QByteArray record(kRecordLength, '\0');
        const auto length = std::min<qsizetype>(f.size(), RadioImage::kMaxFrame);
        record[0] = char(length);
        record.replace(1, length, f.left(length));
        out += record;
    }
    return out + digest(out);
}

RadioImage parseRadioImage(QByteArrayView data)
{
    if (data.size() < kMagicLength || data.first(kMagicLength) != QByteArrayView(kMagic, kMagicLength)) {
        // A file that stops inside the magic may still be one of ours.
        if (data.size() < kMagicLength && QByteArrayView(kMagic, kMagicLength).startsWith(data))
            throw ERadioImageError(kTruncated);
        throw ERadioImageError(kNotImage);
    }
    if (data.size() < kHeaderLength)
        throw ERadioImageError(kTruncated);
    const int version = qFromLittleEndian<quint16>(data.data() + kMagicLength);
    if (version > RadioImage::kVersion)
        throw ERadioImageError(kNewer.arg(version).arg(RadioImage::kVersion));
    if (version < 1)
        throw ERadioImageError(kCorrupted.arg(QStringLiteral("版本号无效")));
    const int count = qFromLittleEndian<quint16>(data.data() + kMagicLength + 2);
    const qint64 expected = kHeaderLength + qint64(count) * kRecordLength + kDigestLength;
    if (data.size() < expected)
        throw ERadioImageError(kTruncated);
    if (data.size() > expected)
        throw ERadioImageError(kCorrupted.arg(QStringLiteral("文件末尾有多余的数据")));
    if (digest(data.first(expected - kDigestLength)) != data.last(kDigestLength))
        throw ERadioImageError(kCorrupted.arg(QStringLiteral("校验和不符")));

    RadioImage image;
    image.readAt = QDateTime::fromMSecsSinceEpoch(qFromLittleEndian<qint64>(data.data() + kMagicLength + 4),
                                                  Qt::UTC);
    QSet<int> known;
    for (const BlockGroup &group : blockGroups())
        for (int key : group.keys)
            known.insert(key);
    QSet<int> seen;
    for (int i = 0; i < count; ++i) {
        const QByteArrayView record = data.sliced(kHeaderLength + qsizetype(i) * kRecordLength, kRecordLength);
        const int length = quint8(record[0]);
        const QByteArrayView f = record.sliced(1, std::clamp(length, 0, int(RadioImage::kMaxFrame)));
        const auto bad = [i](const QString &why) {
            return ERadioImageError(kCorrupted.arg(QStringLiteral("第 %1 块%2").arg(i + 1).arg(why)));
        };
        if (length < RadioImage::kMinFrame || length > RadioImage::kMaxFrame)
            throw bad(QStringLiteral("长度无效"));
        if (quint8(f[0]) != frame::kData || quint8(f[3]) != frame::kHeaderMark)
            throw bad(QStringLiteral("不是数据帧"));
        const int key = blockKey(quint8(f[1]), quint8(f[2]));
        if (!known.contains(key))
            throw bad(QStringLiteral("不是电台的数据块"));
        if (seen.contains(key))
            throw bad(QStringLiteral("重复"));
        seen.insert(key);
        image.frames << f.toByteArray();
    }
    if (count == 0)
        throw ERadioImageError(kCorrupted.arg(QStringLiteral("没有数据块")));
    // A group is restored whole or not at all: a file missing some of a group's blocks is damaged.
    for (const BlockGroup &group : blockGroups()) {
        int present = 0;
        for (int key : group.keys)
            present += seen.contains(key) ? 1 : 0;
        if (present != 0 && present != group.keys.size())
            throw ERadioImageError(kCorrupted.arg(QStringLiteral("%1 的数据块不全").arg(group.name)));
    }
    return image;
}

void saveRadioImage(const RadioImage &image, const QString &fileName)
{
    try {
        rtl::writeFileChecked(fileName, serializeRadioImage(image));
    } catch (const rtl::EFileWriteError &e) {
        throw ERadioImageError(QStringLiteral("无法写入镜像文件 %1：%2").arg(fileName, e.reason()));
    }
}

RadioImage loadRadioImage(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ERadioImageError(QStringLiteral("无法打开镜像文件 %1：%2").arg(fileName, file.errorString()));
    if (file.size() > kMaxFileBytes)
        throw ERadioImageError(kNotImage);
    return parseRadioImage(file.read(kMaxFileBytes + 1));
}
