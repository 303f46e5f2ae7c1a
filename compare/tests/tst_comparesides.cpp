// The sides of a comparison: a plan file and an image loaded and compared, the files' own
// messages for a side that does not load, and the radio read through a session over a pty.
#include "compare/comparesides.h"
#include "compare/sideloader.h"

#include "channels/channelplan.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "frames/frame.h"
#include "image/radioimage.h"
#include "tools/radiosim/radiosim.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList linesOf(const QList<FieldDifference> &differences)
{
    QStringList lines;
    for (const FieldDifference &d : differences)
        lines << d.line();
    return lines;
}

void setChannel(ChannelTexts &texts, int row, const QString &mhz)
{
    texts.setCell(ColRxFrequency, row, mhz);
    xgSetEditText(texts, ColRxFrequency, row);
}

// An image of `payloads` as the radio answered them (with checksum).
RadioImage imageOf(const QMap<int, QByteArray> &payloads)
{
    RadioImage image;
    image.readAt = QDateTime::currentDateTimeUtc();
    for (auto it = payloads.cbegin(); it != payloads.cend(); ++it) {
        QByteArray f(frame::kFrameLength, '\0');
        frame::writeHeader(reinterpret_cast<std::uint8_t *>(f.data()), frame::kData, keyType(it.key()),
                           keyNumber(it.key()));
        f.replace(frame::kHeaderLength, frame::kPayloadLength, it.value());
        frame::FillChecksum(reinterpret_cast<std::uint8_t *>(f.data()));
        image.frames << f;
    }
    return image;
}

QString failure(const std::function<void()> &load)
{
    try {
        load();
    } catch (const ESideError &e) {
        return e.message();
    }
    return QStringLiteral("<loaded>");
}

} // namespace

class TestCompareSides : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    // A plan file against an image of the radio: the changed channel, the groups the plan has
    // not, and no word on the bytes the plan does not carry, other than the note.
    void planAgainstImage()
    {
        MemoryChannelTexts plan;
        setChannel(plan, 3, QStringLiteral("438.5"));
        plan.setSetting(SetSquelch, QStringLiteral("4"));
        SaveChannelPlan(plan, path(QStringLiteral("a.zq")));

        MemoryChannelTexts radio = plan;
        radio.setCell(ColRxFrequency, 3, QStringLiteral("438.52500"));
        QMap<int, QByteArray> blocks = planSide(radio, {}).payloads;
        blocks[blockKey(frame::kChannelBlock, 5)][25] = char(0x7E); // a byte no field carries
        for (int key : blockGroups().at(1).keys)
            blocks.insert(key, QByteArray(frame::kPayloadLength, '\0'));
        saveRadioImage(imageOf(blocks), path(QStringLiteral("radio.rimg")));

        const Side a = loadFileSide(path(QStringLiteral("a.zq")));
        const Side b = loadFileSide(path(QStringLiteral("radio.rimg")));
        QVERIFY(a.plan && !b.plan);
        QCOMPARE(a.name, QStringLiteral("a.zq"));
        QCOMPARE(a.payloads.size(), 17);
        QCOMPARE(b.payloads.size(), 21);
        const SideComparison ab = compareSides(a, b);
        QCOMPARE(linesOf(ab.differences),
                 (QStringList{"信道 3 接收频率: 438.50000 → 438.52500", "DTMF 整组: 没有 → 4 块"}));
        QCOMPARE(ab.notes, QStringList{"写频方案只有各字段的内容：radio.rimg 中未解读的字节没有比较。"});

        // The same plan twice, and the same image twice: nothing to tell.
        QCOMPARE(compareSides(a, planSide(plan, QStringLiteral("屏幕上的写频方案"))).differences.size(), 0);
        QCOMPARE(compareSides(a, a).notes, QStringList());
        const SideComparison bb = compareSides(b, loadImageSide(path(QStringLiteral("radio.rimg"))));
        QVERIFY(bb.differences.isEmpty() && bb.notes.isEmpty());
        // Between two images the byte no field carries is told apart.
        QMap<int, QByteArray> other = b.payloads;
        other[blockKey(frame::kChannelBlock, 5)][25] = 0;
        QCOMPARE(linesOf(compareSides(b, Side{QStringLiteral("b"), other, false}).differences),
                 QStringList{"信道 5 未解读的字节: 29 7E → 29 00"});
    }

    // A side that does not load says why in the file's own words; a plan that does not encode
    // names the channel and the column.
    void sideThatDoesNotLoad()
    {
        QFile junk(path(QStringLiteral("junk.rimg")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("hello") == 5);
        junk.close();
        QCOMPARE(failure([&] { loadFileSide(junk.fileName()); }), QStringLiteral("不是电台镜像文件。"));
        QVERIFY(failure([&] { loadFileSide(path(QStringLiteral("none.zq"))); }).startsWith("Cannot open file"));
        QVERIFY(failure([&] { loadFileSide(junk.fileName() + "/x.zq"); }).contains("x.zq"));

        MemoryChannelTexts plan;
        setChannel(plan, 2, QStringLiteral("145"));
        plan.setCell(ColTxFrequency, 2, QStringLiteral("abc"));
        const QString message = failure([&] { planSide(plan, QStringLiteral("屏幕上的写频方案")); });
        QVERIFY2(message.startsWith(QStringLiteral("屏幕上的写频方案 无法比较：\n'abc' is not a valid floating point value")),
                 qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("信道 2「发射频率」")), qPrintable(message));
    }

    // The radio, read now over a real pty: every block as the radio holds it, and an image of
    // the same radio shows no difference.
    void radioSide()
    {
        radiosim::RadioSim sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QMap<int, QByteArray> blocks;
        int n = 0;
        for (const BlockGroup &group : blockGroups())
            for (int key : group.keys) {
                QByteArray p(frame::kPayloadLength, '\0');
                for (int i = 0; i < p.size(); ++i)
                    p[i] = char(0x21 + 7 * n + 13 * i);
                p[1] = char(0x31); // never the byte that asks the program for an acknowledgement
                sim.setBlock(keyType(key), keyNumber(key), p);
                blocks.insert(key, p);
                ++n;
            }
        SideLoader loader;
        QSignalSpy loaded(&loader, &SideLoader::loaded);
        QSignalSpy failed(&loader, &SideLoader::failed);
        QSignalSpy progress(&loader, &SideLoader::progress);
        loader.load(kRadioPrefix + sim.portPath());
        QVERIFY(loader.running());
        QVERIFY_THROWS_EXCEPTION(rtl::Exception, loader.load(QStringLiteral("x.zq")));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size() + failed.size(), 1, 60000);
        QVERIFY2(failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed[0][0].toString()));
        const Side side = loaded[0][0].value<Side>();
        QCOMPARE(side.name, QStringLiteral("电台（%1）").arg(sim.portPath()));
        QCOMPARE(side.payloads, blocks);
        QVERIFY(!side.plan);
        QCOMPARE(progress.last(), (QList<QVariant>{52, 52}));
        QCOMPARE(compareSides(side, Side{QStringLiteral("x.rimg"), blocks, false}).differences.size(), 0);

        // Only the channels, when only they are asked for.
        loader.setGroups({0});
        loader.load(kRadioPrefix + sim.portPath());
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 60000);
        QCOMPARE(loaded[1][0].value<Side>().payloads.size(), 17);
        sim.stop();
    }

    void radioThatCannotBeOpened()
    {
        SideLoader loader;
        QSignalSpy failed(&loader, &SideLoader::failed);
        loader.load(kRadioPrefix + path(QStringLiteral("no-such-port")));
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 10000);
        const QString message = failed[0][0].toString();
        QVERIFY2(message.startsWith(QStringLiteral("无法读取电台（")) && message.contains("no-such-port"),
                 qPrintable(message));
        QVERIFY(!loader.running());
    }
};

QTEST_GUILESS_MAIN(TestCompareSides)
#include "tst_comparesides.moc"
