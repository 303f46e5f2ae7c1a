// Templates and the blocks each radio of a fleet gets.
#include "fleet/fleettemplate.h"

#include "fleet/fleettable.h"
#include "fleet/identityfield.h"
#include "frames/frame.h"
#include "protocol/blockgroups.h"
#include "protocol/channeltransfer.h"

#include <QCryptographicHash>

using namespace frame;

namespace {

QByteArray frameOf(int key, const QByteArray &payload)
{
    QByteArray f(kFrameLength, '\0');
    auto *p = reinterpret_cast<std::uint8_t *>(f.data());
    writeHeader(p, kData, keyType(key), keyNumber(key));
    f.replace(kHeaderLength, kPayloadLength, payload.leftJustified(kPayloadLength, '\0', true));
    FillChecksum(p);
    return f;
}

} // namespace

FleetTemplate FleetTemplate::fromFile(const QString &fileName)
{
    return {loadRadioImage(fileName), fileName};
}

FleetTemplate FleetTemplate::fromTexts(const ChannelTexts &channels, const QList<const SignallingTexts *> &signalling)
{
    FleetTemplate t;
    t.source = QStringLiteral("窗口中的写频数据");
    t.image.readAt = QDateTime::currentDateTimeUtc();
    // A fresh buffer, as after the program starts: the bytes a record leaves alone are zeros.
    const RadioLink::Buffer buffer{};
    QList<QList<QByteArray>> payloads{ChannelTransfer::encode(channels, buffer)};
    for (int g = groups::kDtmf; g < groups::kCount; ++g) {
        const SignallingTexts *texts = signalling.value(g - 1);
        if (texts)
            payloads << groups::encode(g, *texts);
        else
            payloads << QList<QByteArray>();
    }
    for (int g = 0; g < groups::kCount; ++g) {
        const QList<int> &keys = blockGroups().at(g).keys;
        for (int i = 0; i < payloads[g].size() && i < keys.size(); ++i)
            t.image.frames << frameOf(keys[i], payloads[g][i]);
    }
    return t;
}

QList<int> FleetTemplate::missingGroups() const
{
    const QList<int> held = image.groups();
    QList<int> missing;
    for (int g = 0; g < blockGroups().size(); ++g)
        if (!held.contains(g))
            missing << g;
    return missing;
}

QMap<int, QByteArray> FleetTemplate::payloadsFor(const FleetRow &row) const
{
    QMap<int, QByteArray> out;
    for (const BlockGroup &group : blockGroups())
        for (int key : group.keys)
            out.insert(key, image.payload(key));
    const QList<IdentityField> &ids = identityFields();
    for (int i = 0; i < ids.size(); ++i)
        applyIdentity(ids[i], row.values.value(i), out[ids[i].key]);
    return out;
}

QString payloadDigest(const QMap<int, QByteArray> &payloads)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const BlockGroup &group : blockGroups())
        for (int key : group.keys)
            hash.addData(payloads.value(key));
    return QString::fromLatin1(hash.result().toHex());
}
