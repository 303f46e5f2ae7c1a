// The radio session without windows, against the simulated radio over a pty: every transfer
// puts the bytes the windows put on the line, and two sessions on two ports run at once.
#include "channels/memorychanneltexts.h"
#include "frames/frame.h"
#include "image/radioimage.h"
#include "layouts/signallingtexts.h"
#include "protocol/blockgroups.h"
#include "protocol/radiosession.h"
#include "testsupport/radioblocks.h"
#include "tools/radiosim/radiosim.h"

#include <QFile>
#include <QtTest>
#include <memory>

using radiosim::Event;
using radiosim::RadioSim;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray withChecksum(const QByteArray &frame32)
{
    const std::uint16_t crc = frame::crc16Modbus(reinterpret_cast<const std::uint8_t *>(frame32.constData()), 32);
    return frame32 + bytes({crc >> 8, crc & 0xFF});
}

// The frames of one kind the radio took, a resent frame counted once.
QList<QByteArray> distinctFrames(const RadioSim &sim, Event::Kind kind)
{
    QList<QByteArray> frames;
    for (const Event &e : sim.events())
        if (e.kind == kind && (frames.isEmpty() || frames.last() != e.bytes))
            frames << e.bytes;
    return frames;
}

// Runs the steps and waits for the run's end.
RadioSession::RunResult run(RadioSession &session, const QList<RadioSession::Step> &steps)
{
    std::optional<RadioSession::RunResult> result;
    const auto connection = QObject::connect(&session, &RadioSession::runEnded,
                                             [&](const RadioSession::RunResult &r) { result = r; });
    session.startRun(steps);
    QDeadlineTimer deadline(60000);
    while (!result && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::disconnect(connection);
    return result.value_or(RadioSession::RunResult{});
}

} // namespace

class TestRadioSession : public QObject {
    Q_OBJECT

    RadioSim m_sim;
    std::unique_ptr<RadioSession> m_session;

private slots:
    void init()
    {
        QVERIFY(m_sim.start());
        m_sim.clearImage();
        m_sim.clearFaults();
        m_sim.clearLogs();
        m_session = std::make_unique<RadioSession>();
        m_session->setPort(m_sim.portPath());
    }
    void cleanup()
    {
        m_session.reset();
        m_sim.stop();
    }

    // Nothing of the windows is in this process: the session stands on QtCore alone.
    void noWidgetsLoaded()
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6Core"));
        QVERIFY(!mapped.contains("libQt6Widgets") && !mapped.contains("libQt6Gui"));
    }

    // The initial plan, written: the frames of the main window's own write of its initial window.
    void channelWriteSendsTheWindowsBytes()
    {
        const MemoryChannelTexts texts;
        const QList<QByteArray> payloads = ChannelTransfer::encode(texts, m_session->link().transferBuffer());
        const RadioSession::RunResult result = run(*m_session, {{groups::kChannels, true, payloads}});
        QVERIFY(result.ok);
        QList<QByteArray> expected;
        for (int ch = 1; ch <= 16; ++ch)
            expected << withChecksum(bytes({0x57, 0, ch, 0x20}) + QByteArray(27, 0) + bytes({0xFF}));
        QByteArray settings = bytes({0x57, 5, 0, 0x20, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 60, 1, 0, 0, 1});
        settings += QByteArray(11, 0) + bytes({0xFF}); // bytes 20–31 as channel 16 left them
        expected << withChecksum(settings);
        QCOMPARE(distinctFrames(m_sim, Event::Write), expected);
        QCOMPARE(m_sim.received().left(7), QByteArray("PROGRAM"));
        QCOMPARE(result.written.size(), 17);
        QVERIFY(!m_session->isOpen()); // a completed channel transfer closes the port
    }

    // A DTMF and an FSK write of the windows' initial texts: their bytes, the FSK frames bare.
    void signallingWriteSendsTheWindowsBytes()
    {
        const QList<QByteArray> dtmf{
            withChecksum(bytes({0x57, 1, 0, 0x20, 0x06, 0x00, 0x0A, 0x00, 0x00, 0xFF, 0, 0, 0, 0, 0x4E, 0x61, 0xBC,
                                0x00, 0xFF, 0x0A, 0x01, 0x00, 0x00, 0x08, 0, 0, 0, 0, 0, 0, 0, 0})),
            withChecksum(bytes({0x57, 1, 1, 0x20}) + QByteArray(28, '\0')),
            withChecksum(bytes({0x57, 1, 2, 0x20}) + QByteArray(28, '\0')),
            withChecksum(bytes({0x57, 1, 3, 0x20}) + QByteArray(28, '\0'))};
        MemorySignallingTexts texts;
        QList<QByteArray> payloads;
        for (const QByteArray &f : dtmf)
            payloads << f.mid(4, 28);
        groups::decode(groups::kDtmf, payloads, texts);
        QVERIFY(run(*m_session, {{groups::kDtmf, true, groups::encode(groups::kDtmf, texts)}}).ok);
        QCOMPARE(distinctFrames(m_sim, Event::Write), dtmf);

        m_sim.clearLogs();
        const QByteArray fsk = bytes({0x57, 2, 0, 0x20, 0x64, 0x00, 0xE8, 0x03, 0x18, 0x90, 0x01, 0x0A, 0xFF})
                               + QByteArray(19, '\0') + bytes({0x57, 2, 1, 0x20}) + QByteArray(28, '\0')
                               + bytes({0x57, 2, 2, 0x20}) + QByteArray(28, '\0');
        const QList<QByteArray> fskPayloads{fsk.mid(4, 28), fsk.mid(36, 28), fsk.mid(68, 28)};
        QVERIFY(run(*m_session, {{groups::kFsk, true, fskPayloads}}).ok);
        QCOMPARE(m_sim.received().toHex(' '), fsk.toHex(' '));
    }

    // Each group's read asks for each block once, in order, and keeps every answer as it came.
    void everyReadAsksForEveryBlock_data()
    {
        QTest::addColumn<int>("group");
        for (int g = 0; g < groups::kCount; ++g)
            QTest::newRow(qPrintable(blockGroups().at(g).name)) << g;
    }
    void everyReadAsksForEveryBlock()
    {
        QFETCH(int, group);
        const QMap<int, QByteArray> radio = fillRadio(m_sim, 11 + quint32(group));
        const RadioSession::RunResult result = run(*m_session, RadioSession::readSteps(group));
        QVERIFY(result.ok);
        QList<QByteArray> requests;
        for (int key : blockGroups().at(group).keys)
            requests << bytes({0x52, keyType(key), keyNumber(key), 0x20});
        QCOMPARE(distinctFrames(m_sim, Event::Read), requests);
        QCOMPARE(result.frames.size(), blockGroups().at(group).keys.size());
        for (int key : blockGroups().at(group).keys)
            QCOMPARE(result.frames.value(key).mid(4, 28), radio.value(key));
        QCOMPARE(m_sim.received().startsWith("PROGRAM"), group == groups::kChannels);
    }

    // A backup is every block; restored over a changed radio, it puts every block back, read back
    // to the last byte.
    void backupThenRestore()
    {
        const QMap<int, QByteArray> original = fillRadio(m_sim, 21);
        const RadioSession::RunResult backup = run(*m_session, RadioSession::backupSteps());
        QVERIFY(backup.ok);
        QCOMPARE(backup.frames.size(), 52);
        RadioImage image;
        image.readAt = backup.startedAt;
        for (const BlockGroup &group : blockGroups())
            for (int key : group.keys)
                image.frames << backup.frames.value(key);

        fillRadio(m_sim, 22);
        const RadioSession::RunResult restore = run(*m_session, RadioSession::restoreSteps(image));
        QVERIFY(restore.ok);
        for (auto it = original.cbegin(); it != original.cend(); ++it) {
            QCOMPARE(m_sim.block(keyType(it.key()), keyNumber(it.key())), it.value());
            QCOMPARE(restore.frames.value(it.key()).mid(4, 28), it.value());
        }
    }

    // Two radios on two ports, two plans written at once: each radio holds its own.
    void twoRadiosAtOnce()
    {
        RadioSim other;
        QVERIFY(other.start());
        other.clearImage();
        RadioSession second;
        second.setPort(other.portPath());
        MemoryChannelTexts plans[2];
        const QStringList full{"145.12500", "145.12500", "88.5", "023N", "高", "宽带", "有", "25000",
                               "1", "#", "BOTH", "3", "2TONE", "5", "有"};
        for (int c = 1; c <= 15; ++c) {
            plans[0].setCell(c, 1, full[c - 1]);
            plans[1].setCell(c, 3, c <= 2 ? QStringLiteral("435.50000") : full[c - 1]);
        }
        const QList<QByteArray> first = ChannelTransfer::encode(plans[0], m_session->link().transferBuffer());
        const QList<QByteArray> next = ChannelTransfer::encode(plans[1], second.link().transferBuffer());
        QVERIFY(first != next);
        int ended = 0;
        bool ok = true;
        for (RadioSession *s : {m_session.get(), &second})
            connect(s, &RadioSession::runEnded, this, [&](const RadioSession::RunResult &r) {
                ++ended;
                ok = ok && r.ok;
            });
        m_session->startRun({{groups::kChannels, true, first}});
        second.startRun({{groups::kChannels, true, next}});
        QVERIFY(m_session->runRunning() && second.runRunning());
        QTRY_COMPARE_WITH_TIMEOUT(ended, 2, 30000);
        QVERIFY(ok);
        const TransferPlan plan = ChannelTransfer::plan();
        for (int i = 0; i < plan.blocks.size(); ++i) {
            QCOMPARE(m_sim.block(plan.blocks[i].type, plan.blocks[i].number), first[i]);
            QCOMPARE(other.block(plan.blocks[i].type, plan.blocks[i].number), next[i]);
        }
        other.stop();
    }
};

QTEST_GUILESS_MAIN(TestRadioSession)
#include "tst_radiosession.moc"
