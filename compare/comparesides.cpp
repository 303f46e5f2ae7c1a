// Plans and images as sides of a comparison.
#include "compare/comparesides.h"

#include "channels/channelplan.h"
#include "channels/memorychanneltexts.h"
#include "frames/frame.h"
#include "image/radioimage.h"
#include "protocol/channeltransfer.h"

#include <QFileInfo>

#include <memory>

Side planSide(const ChannelTexts &texts, const QString &name)
{
    Side side;
    side.name = name;
    side.plan = true;
    QList<QByteArray> payloads;
    try {
        // A fresh transfer buffer: the bytes the records leave alone are no part of the plan.
        const auto buffer = std::make_unique<RadioLink::Buffer>();
        buffer->fill(0);
        payloads = ChannelTransfer::encode(texts, *buffer);
    } catch (const rtl::Exception &e) {
        throw ESideError(QStringLiteral("%1 无法比较：\n%2").arg(name, e.message()));
    }
    const QList<int> &keys = blockGroups().at(0).keys;
    for (int i = 0; i < keys.size() && i < payloads.size(); ++i)
        side.payloads.insert(keys[i], payloads[i]);
    return side;
}

Side loadPlanSide(const QString &fileName)
{
    MemoryChannelTexts texts;
    try {
        LoadChannelPlan(texts, fileName);
    } catch (const rtl::Exception &e) {
        throw ESideError(e.message());
    }
    return planSide(texts, QFileInfo(fileName).fileName());
}

Side loadImageSide(const QString &fileName)
{
    RadioImage image;
    try {
        image = loadRadioImage(fileName);
    } catch (const rtl::Exception &e) {
        throw ESideError(e.message());
    }
    Side side;
    side.name = QFileInfo(fileName).fileName();
    for (const QByteArray &f : image.frames)
        if (f.size() >= RadioImage::kMinFrame)
            side.payloads.insert(blockKey(quint8(f[1]), quint8(f[2])), f.mid(frame::kHeaderLength, frame::kPayloadLength));
    return side;
}

Side loadFileSide(const QString &fileName)
{
    if (QFileInfo(fileName).suffix().compare(kImageSuffix, Qt::CaseInsensitive) == 0)
        return loadImageSide(fileName);
    return loadPlanSide(fileName);
}

SideComparison compareSides(const Side &a, const Side &b)
{
    SideComparison out;
    CompareOptions options;
    // Two plans have none either: what the encoder leaves there repeats their fields.
    options.unreadBytes = !a.plan && !b.plan;
    if (a.plan != b.plan)
        out.notes << QStringLiteral("写频方案只有各字段的内容：%1 中未解读的字节没有比较。").arg(a.plan ? b.name : a.name);
    out.differences = compareBlocks(a.payloads, b.payloads, options);
    return out;
}

bool isPlanSource(const QString &source)
{
    return !source.startsWith(kRadioPrefix) && !source.endsWith(QLatin1Char('.') + kImageSuffix, Qt::CaseInsensitive);
}
