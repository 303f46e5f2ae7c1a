// The read-back comparison: every field of every block type is told apart by its own name, and
// bytes no field takes are left out.
#include "layouts/readbackcheck.h"

#include "frames/frame.h"
#include "image/radioimage.h"
#include "layouts/dtmflayout.h"
#include "layouts/fivetonelayout.h"
#include "layouts/fsklayout.h"
#include "layouts/twotonelayout.h"

#include <QSet>
#include <QTest>

namespace {

// A payload whose bytes all differ, with a channel frequency that is in use.
QByteArray basePayload()
{
    QByteArray p(frame::kPayloadLength, '\0');
    for (int i = 0; i < p.size(); ++i)
        p[i] = char(0x11 + 37 * i);
    return p;
}

// The differences when `bits` of bytes [offset, offset + length) come back flipped.
QList<ReadBackDifference> flipped(int key, int offset, int length, quint8 bits)
{
    const QByteArray sent = basePayload();
    QByteArray got = sent;
    for (int i = offset; i < offset + length; ++i)
        got[i] = char(got[i] ^ bits);
    return compareReadBack({{key, sent}}, {{key, got}});
}

QString rowOf(const ReadBackDifference &d)
{
    return d.where + QStringLiteral(" | ") + d.field;
}

QStringList rowsOf(const QList<ReadBackDifference> &differences)
{
    QStringList rows;
    for (const ReadBackDifference &d : differences)
        rows << rowOf(d);
    return rows;
}

BlockLayout layoutOf(int type)
{
    switch (type) {
    case frame::kDtmfBlock:
        return dtmf::blockLayout();
    case frame::kFskBlock:
        return fsk::blockLayout();
    case frame::kTwoToneBlock:
        return twotone::blockLayout();
    case frame::kFiveToneBlock:
        return fivetone::blockLayout();
    }
    return {};
}

} // namespace

class TestReadBackCheck : public QObject {
    Q_OBJECT

private slots:
    // The channel and settings records: the offsets and names the read-back has always shown.
    void records_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("fields"); // "offset width name"
        QTest::addColumn<QString>("where");
        const QStringList channel{"0 4 接收频率", "4 4 发射频率", "8 2 QT/DQT解码", "10 2 QT/DQT编码",
                                  "12 1 发射功率", "13 1 宽/窄",     "14 1 扫描添加",   "15 2 步进频率",
                                  "17 1 DTMF键1",  "18 1 DTMF键2",  "19 1 PTTID",      "20 1 扰频",
                                  "21 1 压扩",     "22 1 可选信令", "23 1 信令信息",   "27 1 结束字节"};
        QTest::newRow("channel 3") << int(frame::kChannelBlock) << 3 << channel << "信道 3";
        QTest::newRow("channel 16") << int(frame::kChannelBlock) << frame::kChannelCount << channel << "信道 16";
        QTest::newRow("settings")
            << int(frame::kSettingsBlock) << 0
            << QStringList{"0 1 省电：", "1 1 报警", "8 1 VOX等级", "9 1 VOX延迟时间", "10 1 静噪",
                           "11 1 超时定时器", "12 1 语音通知", "13 1 PF1：", "14 1 PF2：", "15 1 扫描："}
            << "通用设置";
    }
    void records()
    {
        QFETCH(int, type);
        QFETCH(int, number);
        QFETCH(QStringList, fields);
        QFETCH(QString, where);
        const int key = blockKey(type, number);
        QSet<int> taken;
        for (const QString &entry : fields) {
            const int offset = entry.section(u' ', 0, 0).toInt();
            const int width = entry.section(u' ', 1, 1).toInt();
            const QList<ReadBackDifference> differences = flipped(key, offset, width, 0xFF);
            QCOMPARE(differences.size(), 1);
            QCOMPARE(rowOf(differences[0]), where + QStringLiteral(" | ") + entry.section(u' ', 2));
            for (int i = offset; i < offset + width; ++i)
                taken.insert(i);
        }
        // The bytes no field takes: left-overs of earlier frames, or bytes the radio ignores.
        for (int i = 0; i < frame::kPayloadLength; ++i)
            if (!taken.contains(i))
                QCOMPARE(rowsOf(flipped(key, i, 1, 0xFF)), QStringList());
    }

    // Every field of every signalling block, a half byte sharing its byte with another included.
    void signallingBlocks_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("window");
        QTest::newRow("DTMF") << int(frame::kDtmfBlock) << "DTMF";
        QTest::newRow("FSK") << int(frame::kFskBlock) << "FSK 队列同步";
        QTest::newRow("2TONE") << int(frame::kTwoToneBlock) << "2TONE";
        QTest::newRow("5TONE") << int(frame::kFiveToneBlock) << "5TONE";
    }
    void signallingBlocks()
    {
        QFETCH(int, type);
        QFETCH(QString, window);
        const BlockLayout layout = layoutOf(type);
        QCOMPARE(layout.size(), blockGroups().at(groupOfType(type)).keys.size());
        for (int number = 0; number < layout.size(); ++number) {
            const int key = blockKey(type, number);
            const QString where = QStringLiteral("%1 第 %2 块").arg(window).arg(number + 1);
            QSet<QString> names;
            QByteArray spare(frame::kPayloadLength, char(0xFF)); // the bits no field owns
            for (const Field &field : layout[number]) {
                const QList<ReadBackDifference> differences =
                    flipped(key, field.offset, fieldWidth(field.kind), fieldBits(field));
                QVERIFY2(differences.size() == 1, qPrintable(QStringLiteral("%1 %2: %3 differences")
                                                                 .arg(where, field.label)
                                                                 .arg(differences.size())));
                QCOMPARE(differences[0].where, where);
                QVERIFY2(differences[0].field.startsWith(field.label), qPrintable(differences[0].field));
                QVERIFY2(!names.contains(differences[0].field), qPrintable(rowOf(differences[0])));
                names.insert(differences[0].field);
                for (int i = field.offset; i < field.offset + fieldWidth(field.kind); ++i)
                    spare[i] = char(spare[i] & ~fieldBits(field));
            }
            const QByteArray sent = basePayload();
            QByteArray got = sent;
            for (int i = 0; i < got.size(); ++i)
                got[i] = char(got[i] ^ spare[i]);
            QCOMPARE(rowsOf(compareReadBack({{key, sent}}, {{key, got}})), QStringList());
        }
    }

    // The read-back table shows a channel's texts, and a signalling field's bytes.
    void valuesShown()
    {
        QByteArray sent = basePayload();
        QByteArray got = sent;
        sent[12] = char(0xFF);
        got[12] = 0;
        const auto channel = compareReadBack({{blockKey(frame::kChannelBlock, 3), sent}},
                                             {{blockKey(frame::kChannelBlock, 3), got}});
        QCOMPARE(channel.size(), 1);
        QCOMPARE(channel[0].sent + " | " + channel[0].readBack, QStringLiteral("高 | 低"));
        sent = got = basePayload();
        sent[0] = char(0x06);
        got[0] = char(0xF9);
        const auto dtmf = compareReadBack({{blockKey(frame::kDtmfBlock, 0), sent}},
                                          {{blockKey(frame::kDtmfBlock, 0), got}});
        QCOMPARE(dtmf.size(), 1);
        QCOMPARE(dtmf[0].field + " | " + dtmf[0].sent + " | " + dtmf[0].readBack, QStringLiteral("「DTMF速率」 | 06 | F9"));
    }

    void missingBlock()
    {
        const int key = blockKey(frame::kFskBlock, 2);
        const QList<ReadBackDifference> differences = compareReadBack({{key, basePayload()}}, {});
        QCOMPARE(differences.size(), 1);
        QCOMPARE(rowOf(differences[0]) + " | " + differences[0].sent + " | " + differences[0].readBack,
                 QStringLiteral("FSK 队列同步 第 3 块 | 整块 | 已写入 | 未读回"));
    }
};

QTEST_GUILESS_MAIN(TestReadBackCheck)
#include "tst_readbackcheck.moc"
