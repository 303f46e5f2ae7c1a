// The fleet library: identity fields, the per-radio table and its CSV, the checks before any
// byte, and whole fleets programmed against simulated radios over real ptys.
#include "channels/memorychanneltexts.h"
#include "fleet/fleetcommand.h"
#include "fleet/fleetlint.h"
#include "fleet/fleetreport.h"
#include "fleet/fleetrunner.h"
#include "fleet/fleettable.h"
#include "fleet/fleettemplate.h"
#include "fleet/identityfield.h"
#include "frames/frame.h"
#include "image/radioimage.h"
#include "protocol/blockgroups.h"
#include "protocol/channeltransfer.h"
#include "tools/radiosim/radiosim.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using radiosim::RadioSim;

namespace {

constexpr int kDtmfId = 0;
constexpr int kFskQueue = 1;
constexpr int kFskId = 2;

QByteArray randomPayload(QRandomGenerator &random)
{
    QByteArray p(28, '\0');
    for (char &b : p)
        b = char(random.bounded(256));
    if (p[1] == 0x30) // that byte would make the program acknowledge the answer
        p[1] = 0x31;
    return p;
}

// A radio as it comes in: every block random.
QMap<int, QByteArray> fillRadio(RadioSim &sim, quint32 seed)
{
    QRandomGenerator random(seed);
    QMap<int, QByteArray> blocks;
    for (const BlockGroup &group : blockGroups())
        for (int key : group.keys) {
            const QByteArray p = randomPayload(random);
            sim.setBlock(keyType(key), keyNumber(key), p);
            blocks.insert(key, p);
        }
    return blocks;
}

// A template read from another radio: two channels, random signalling, and that radio's identity.
FleetTemplate makeTemplate(const QString &rxTone = QStringLiteral("88.5"))
{
    MemoryChannelTexts plan;
    const QStringList channel{"145.12500", "145.12500", "88.5", "023N", "高", "宽带", "有", "25000",
                              "1", "#", "BOTH", "3", "2TONE", "5", "有"};
    for (int c = 1; c <= 15; ++c) {
        plan.setCell(c, 1, c == 3 ? rxTone : channel[c - 1]);
        plan.setCell(c, 2, c <= 2 ? QStringLiteral("435.50000") : channel[c - 1]);
    }
    const QList<QByteArray> channels = ChannelTransfer::encode(plan, RadioLink::Buffer{});
    FleetTemplate t;
    t.source = QStringLiteral("donor.rimg");
    QRandomGenerator random(99);
    for (int g = 0; g < groups::kCount; ++g) {
        const QList<int> &keys = blockGroups().at(g).keys;
        for (int i = 0; i < keys.size(); ++i) {
            QByteArray payload = g == 0 ? channels[i] : randomPayload(random);
            for (int f = 0; f < identityFields().size(); ++f)
                if (identityFields()[f].key == keys[i])
                    applyIdentity(identityFields()[f], QStringList{"87654321", "7777", "4321"}[f], payload);
            QByteArray frame(34, '\0');
            frame::writeHeader(reinterpret_cast<std::uint8_t *>(frame.data()), frame::kData, keyType(keys[i]),
                               keyNumber(keys[i]));
            frame.replace(4, 28, payload);
            t.image.frames << frame;
        }
    }
    return t;
}

FleetTable tableOf(const QStringList &ports, const QStringList &ids)
{
    FleetTable table;
    table.resize(int(ids.size()));
    for (int r = 0; r < ids.size(); ++r) {
        table.rows[r].port = ports.value(r);
        table.rows[r].values = QStringList{ids[r], QStringLiteral("100"), QString::number(1000 + r)};
    }
    return table;
}

QByteArray simBlock(const RadioSim &sim, int key)
{
    return sim.block(keyType(key), keyNumber(key));
}

} // namespace

class TestFleet : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString backups() const { return m_dir.filePath(QStringLiteral("backups")); }

private slots:
    // The DTMF ID keeps its digit count, and both it and the FSK values stop at what reads back.
    void identityRules_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("ID码 12345678") << kDtmfId << "12345678" << "";
        QTest::newRow("ID码 2147483647") << kDtmfId << "2147483647" << "";
        QTest::newRow("ID码 2147483648") << kDtmfId << "2147483648" << "超出范围 0–2147483647";
        QTest::newRow("ID码 12A") << kDtmfId << "12A" << "只能是数字";
        QTest::newRow("ID码 empty") << kDtmfId << "" << "没有填写";
        QTest::newRow("ID码 -5") << kDtmfId << "-5" << "只能是数字";
        QTest::newRow("ID（自身） 65535") << kFskId << "65535" << "";
        QTest::newRow("ID（自身） 70000") << kFskId << "70000" << "超出范围 0–65535";
        QTest::newRow("队列（自身） $10") << kFskQueue << "$10" << "只能是数字";
    }
    void identityRules()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        QCOMPARE(identityProblem(identityFields()[field], text).value_or(QString()), problem);
    }

    // The bytes land where the radio keeps them, found from the field tables, and nothing else moves.
    void identityBytesInTheBlock()
    {
        const QList<IdentityField> &ids = identityFields();
        QCOMPARE(ids[kDtmfId].name(), QStringLiteral("DTMF「ID码」"));
        QCOMPARE(ids[kFskId].name(), QStringLiteral("FSK 队列同步「ID（自身）」"));
        QByteArray dtmf(28, char(0xAA));
        applyIdentity(ids[kDtmfId], QStringLiteral("00123"), dtmf);
        QByteArray expected(28, char(0xAA));
        expected.replace(10, 4, QByteArray::fromHex("7b000000")); // frame bytes 14–17
        expected[19] = 5;                                           // frame byte 23: the digit count
        QCOMPARE(dtmf.toHex(' '), expected.toHex(' '));
        QCOMPARE(identityText(ids[kDtmfId], dtmf), QStringLiteral("123"));
        QVERIFY(identityBytes(ids[kDtmfId], "0012") != identityBytes(ids[kDtmfId], "12"));
        QByteArray fsk(28, '\0');
        applyIdentity(ids[kFskQueue], QStringLiteral("100"), fsk);
        applyIdentity(ids[kFskId], QStringLiteral("1000"), fsk);
        QCOMPARE(fsk.left(4).toHex(' '), QByteArray("64 00 e8 03"));
        QCOMPARE(fsk.mid(4), QByteArray(24, '\0'));
    }

    // Saved and loaded back the same; a GBK file with semicolons and its own column order reads too.
    void tableCsv()
    {
        FleetTable table = tableOf({"/dev/ttyUSB0", ""}, {"0101", "0102"});
        table.rows[1].label = QStringLiteral("保安, \"二号\"");
        const QString file = m_dir.filePath(QStringLiteral("radios.csv"));
        table.save(file);
        const FleetTable back = FleetTable::load(file);
        QCOMPARE(back.rows.size(), 2);
        for (int r = 0; r < 2; ++r) {
            QCOMPARE(back.rows[r].label, table.rows[r].label);
            QCOMPARE(back.rows[r].port, table.rows[r].port);
            QCOMPARE(back.rows[r].values, table.rows[r].values);
        }
        QVERIFY(back.rows[1].nextRadio());

        const QByteArray gbk = QStringEncoder("GBK").encode(
            QStringLiteral("ID（自身）;标签;ID码\r\n7;甲;55\r\n\r\n8;乙;56\r\n"));
        const FleetTable other = FleetTable::fromCsv(gbk);
        QCOMPARE(other.rows.size(), 2);
        QCOMPARE(other.rows[1].label, QStringLiteral("乙"));
        QCOMPARE(other.rows[1].values, (QStringList{"56", "", "8"}));
        QVERIFY_THROWS_EXCEPTION(EFleetTableError, FleetTable::fromCsv("a,b\r\n1,2\r\n"));
    }

    // Start and step fill a column, keeping the start's width; a step below zero is refused whole.
    void fillColumn()
    {
        FleetTable table;
        table.resize(4);
        QVERIFY(table.fill(kDtmfId, 1, QStringLiteral("0098"), 2));
        QCOMPARE(table.rows[0].values[kDtmfId], QString());
        QCOMPARE(table.rows[1].values[kDtmfId], QStringLiteral("0098"));
        QCOMPARE(table.rows[3].values[kDtmfId], QStringLiteral("0102"));
        QVERIFY(!table.fill(kFskId, 0, QStringLiteral("1"), -1));
        QCOMPARE(table.rows[3].values[kFskId], QString());
    }

    // Duplicates, values out of range, rows without a cable and a template short of blocks are
    // refused; the template's own channel warnings are told but do not stop the fleet.
    void lint()
    {
        FleetTable table = tableOf({"/a", "/b", "/c", ""}, {"1001", "1002", "1001", "1003"});
        table.rows[2].values[kFskId] = QStringLiteral("70000");
        table.rows[3].values[kFskId] = QStringLiteral("1000");
        QList<FleetIssue> issues = lintFleet(table, makeTemplate(), {});
        QCOMPARE(issueLines(issues), (QStringList{
                                         "第 3 行「电台 3」 DTMF「ID码」 '1001' 与第 1 行「电台 1」相同",
                                         "第 3 行「电台 3」 FSK 队列同步「ID（自身）」 '70000' 超出范围 0–65535",
                                         "第 4 行「电台 4」 端口 '下一台' 没有为「下一台」指定写频线端口",
                                         "第 4 行「电台 4」 FSK 队列同步「ID（自身）」 '1000' 与第 1 行「电台 1」相同",
                                     }));
        QVERIFY(hasBlocking(issues));

        const FleetTable fine = tableOf({"/a", "/b"}, {"1001", "1002"});
        issues = lintFleet(fine, makeTemplate(QStringLiteral("88.6")), {});
        QCOMPARE(issueLines(issues), QStringList{"模板 信道 1 QT/DQT解码 '88.6' 不在亚音列表中"});
        QVERIFY(!hasBlocking(issues));

        FleetTemplate shortOne = makeTemplate();
        shortOne.image.frames.removeLast(); // the last five-tone block
        QCOMPARE(issueLines(lintFleet(fine, shortOne, {})), QStringList{"模板 5TONE 模板中没有完整的「5TONE」数据块"});
    }

    // Four radios on four ptys at once from one template with four IDs: each holds the template
    // and its own identity, nothing of the others' or the donor's; each was backed up as it was.
    void fourRadiosAtOnce()
    {
        constexpr int kRadios = 4;
        RadioSim sims[kRadios];
        QMap<int, QByteArray> before[kRadios];
        QStringList ports;
        for (int i = 0; i < kRadios; ++i) {
            QVERIFY(sims[i].start());
            before[i] = fillRadio(sims[i], 40 + quint32(i));
            ports << sims[i].portPath();
        }
        const FleetTemplate tmpl = makeTemplate();
        const FleetTable table = tableOf(ports, {"1001", "1002", "1003", "1004"});
        FleetRunner runner(table, tmpl);
        runner.setBackupFolder(backups());
        bool finished = false;
        connect(&runner, &FleetRunner::finished, this, [&] { finished = true; });
        runner.start();
        QTRY_VERIFY_WITH_TIMEOUT(finished, 120000);

        const FleetReport report = runner.report();
        QVERIFY(report.allPassed());
        for (int i = 0; i < kRadios; ++i) {
            const QMap<int, QByteArray> expected = tmpl.payloadsFor(table.rows[i]);
            for (auto it = expected.cbegin(); it != expected.cend(); ++it)
                QCOMPARE(simBlock(sims[i], it.key()).toHex(), it.value().toHex());
            for (int f = 0; f < identityFields().size(); ++f) {
                const IdentityField &id = identityFields()[f];
                QCOMPARE(identityText(id, simBlock(sims[i], id.key)), table.rows[i].values[f]);
            }
            QVERIFY(simBlock(sims[i], identityFields()[kFskId].key) != simBlock(sims[(i + 1) % kRadios], identityFields()[kFskId].key));
            // The digest is of what the radio now holds, in the image's block order.
            QCryptographicHash hash(QCryptographicHash::Sha256);
            for (const BlockGroup &g : blockGroups())
                for (int key : g.keys)
                    hash.addData(simBlock(sims[i], key));
            QCOMPARE(report.rows[i].digest, QString::fromLatin1(hash.result().toHex()));
            const RadioImage backup = loadRadioImage(report.rows[i].backupFile);
            QVERIFY(report.rows[i].backupFile.contains(QStringLiteral("电台_%1-").arg(i + 1)));
            for (auto it = before[i].cbegin(); it != before[i].cend(); ++it)
                QCOMPARE(backup.payload(it.key()), it.value());
        }
        QVERIFY(report.rows[0].digest != report.rows[1].digest);
        const QString csv = QString::fromUtf8(fleetReportCsv(report));
        QCOMPARE(csv.count(QStringLiteral(",通过,")), kRadios);
        QVERIFY(csv.contains(report.rows[2].backupFile));
    }

    // A radio pulled mid-write fails its own row only, and the report says where it stopped.
    void pulledMidWrite()
    {
        constexpr int kRadios = 4;
        RadioSim sims[kRadios];
        QStringList ports;
        for (int i = 0; i < kRadios; ++i) {
            QVERIFY(sims[i].start());
            fillRadio(sims[i], 60 + quint32(i));
            ports << sims[i].portPath();
        }
        sims[2].hangUpAtBlock(frame::kDtmfBlock, 2, true);
        const FleetTable table = tableOf(ports, {"2001", "2002", "2003", "2004"});
        FleetRunner runner(table, makeTemplate());
        runner.setBackupFolder(backups());
        bool finished = false;
        connect(&runner, &FleetRunner::finished, this, [&] { finished = true; });
        runner.start();
        QTRY_VERIFY_WITH_TIMEOUT(finished, 120000);
        const FleetReport report = runner.report();
        QCOMPARE(report.passedCount(), 3);
        QCOMPARE(report.rows[2].result(), QStringLiteral("失败"));
        QVERIFY2(report.rows[2].error.startsWith(QStringLiteral("写入时（DTMF）：串口连接中断")), qPrintable(report.rows[2].error));
        QVERIFY2(report.rows[2].error.contains(QStringLiteral("没有确认：DTMF 第 3–4 块")), qPrintable(report.rows[2].error));
        QVERIFY(!report.rows[2].backupFile.isEmpty()); // it was backed up before the write began
        const QString csv = QString::fromUtf8(fleetReportCsv(report));
        QVERIFY(csv.contains(QStringLiteral(",失败,\"写入时（DTMF）：串口连接中断")));
        QVERIFY(fleetReportHtml(report).contains(QStringLiteral("写入时（DTMF）：串口连接中断")));
    }

    // Duplicate IDs stop the fleet before any port is opened: no radio hears a byte.
    void duplicatesRefusedBeforeAnyByte()
    {
        RadioSim sims[2];
        for (RadioSim &sim : sims)
            QVERIFY(sim.start());
        FleetRunner runner(tableOf({sims[0].portPath(), sims[1].portPath()}, {"3001", "3001"}), makeTemplate());
        runner.setBackupFolder(backups());
        QVERIFY_THROWS_EXCEPTION(rtl::Exception, runner.start());
        QVERIFY(!runner.running());
        QTest::qWait(200); // a port opened by mistake would have sent its handshake by now
        for (RadioSim &sim : sims)
            QVERIFY(sim.received().isEmpty());
        QCOMPARE(runner.status(0).state, FleetRunner::State::Pending);
    }

    // A radio that does not keep what it was given fails its read-back; retried alone once it
    // does, it passes and the other row is not written again.
    void readBackFailureRetriedAlone()
    {
        RadioSim sims[2];
        for (int i = 0; i < 2; ++i) {
            QVERIFY(sims[i].start());
            fillRadio(sims[i], 80 + quint32(i));
        }
        sims[1].alterWrites(frame::kFskBlock, 0, 2, 0x01); // the FSK ID's low byte does not stick
        const FleetTable table = tableOf({sims[0].portPath(), sims[1].portPath()}, {"4001", "4002"});
        FleetRunner runner(table, makeTemplate());
        runner.setBackupFolder(backups());
        int finished = 0;
        connect(&runner, &FleetRunner::finished, this, [&] { ++finished; });
        runner.start();
        QTRY_COMPARE_WITH_TIMEOUT(finished, 1, 120000);
        QCOMPARE(runner.status(0).state, FleetRunner::State::Passed);
        QCOMPARE(runner.status(1).state, FleetRunner::State::Failed);
        const FleetReportRow failed = runner.report().rows[1];
        QCOMPARE(failed.differences.size(), 1);
        QCOMPARE(failed.differences[0].field, QStringLiteral("「ID（自身）」"));
        QVERIFY2(failed.notes().contains(QStringLiteral("FSK 队列同步 第 1 块「ID（自身）」：写入 E9 03，读回 E8 03")), qPrintable(failed.notes()));

        sims[1].clearFaults();
        sims[0].clearLogs();
        runner.retry(1);
        QTRY_COMPARE_WITH_TIMEOUT(finished, 2, 120000);
        QCOMPARE(runner.status(1).state, FleetRunner::State::Passed);
        QCOMPARE(runner.status(1).attempts, 2);
        QVERIFY(sims[0].received().isEmpty());
        QCOMPARE(identityText(identityFields()[kFskId], simBlock(sims[1], identityFields()[kFskId].key)),
                 QStringLiteral("1001"));
    }

    // One cable, radios one after another: the radio just programmed is not taken for the next;
    // a new radio on the cable is.
    void nextRadioOnOneCable()
    {
        RadioSim sim;
        QVERIFY(sim.start());
        fillRadio(sim, 90);
        const FleetTable table = tableOf({"", ""}, {"5001", "5002"});
        FleetRunner runner(table, makeTemplate());
        runner.setBackupFolder(backups());
        runner.setSharedPorts({sim.portPath()});
        runner.setPollInterval(50);
        bool finished = false;
        connect(&runner, &FleetRunner::finished, this, [&] { finished = true; });
        runner.start();
        QTRY_COMPARE_WITH_TIMEOUT(runner.status(0).state, FleetRunner::State::Passed, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(runner.status(1).state, FleetRunner::State::WaitingForNext, 60000);
        QCOMPARE(identityText(identityFields()[kDtmfId], simBlock(sim, identityFields()[kDtmfId].key)),
                 QStringLiteral("5001"));
        const QMap<int, QByteArray> second = fillRadio(sim, 91); // the next radio on the cable
        QTRY_VERIFY_WITH_TIMEOUT(finished, 60000);
        QCOMPARE(runner.status(1).state, FleetRunner::State::Passed);
        QCOMPARE(identityText(identityFields()[kDtmfId], simBlock(sim, identityFields()[kDtmfId].key)),
                 QStringLiteral("5002"));
        QCOMPARE(loadRadioImage(runner.status(1).backupFile).payload(blockKey(0, 1)), second.value(blockKey(0, 1)));
    }

    // The command: refused with 2 before any byte, 1 when a radio fails, 0 only when all passed.
    void command()
    {
        RadioSim sims[2];
        for (int i = 0; i < 2; ++i) {
            QVERIFY(sims[i].start());
            fillRadio(sims[i], 100 + quint32(i));
        }
        FleetCommandOptions options;
        options.templateFile = m_dir.filePath(QStringLiteral("template.rimg"));
        saveRadioImage(makeTemplate().image, options.templateFile);
        options.radiosFile = m_dir.filePath(QStringLiteral("command.csv"));
        options.reportFile = m_dir.filePath(QStringLiteral("report.csv"));
        options.ports = {sims[1].portPath()};
        QString out, err;
        QTextStream outStream(&out), errStream(&err);

        tableOf({sims[0].portPath(), ""}, {"6001", "6001"}).save(options.radiosFile);
        QCOMPARE(runFleetCommand(options, outStream, errStream), 2);
        QVERIFY(err.contains(QStringLiteral("'6001' 与第 1 行「电台 1」相同")));
        QVERIFY(sims[0].received().isEmpty() && sims[1].received().isEmpty());

        tableOf({sims[0].portPath(), ""}, {"6001", "6002"}).save(options.radiosFile);
        sims[1].alterWrites(frame::kDtmfBlock, 0, 10, 0x01);
        QCOMPARE(runFleetCommand(options, outStream, errStream), 4);
        sims[1].clearFaults();
        fillRadio(sims[1], 102); // a fresh radio on the shared cable
        QCOMPARE(runFleetCommand(options, outStream, errStream), 0);
        QFile report(options.reportFile);
        QVERIFY(report.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(report.readAll()).count(QStringLiteral(",通过,")), 2);
    }
};

QTEST_GUILESS_MAIN(TestFleet)
#include "tst_fleet.moc"
