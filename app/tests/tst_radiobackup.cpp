// Backup, restore, automatic backup, read-back and the warnings before a write, against the
// simulated radio over a pty.
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "app/sheet/plansheet.h"
#include "app/backup/radiobackup.h"
#include "app/backup/reportdialogs.h"
#include "app/tests/linebytes.h"
#include "testsupport/windowrig.h"
#include "grid/cellgrid.h"
#include "image/radioimage.h"
#include "rtl/dialogs.h"
#include "serial/serialcomm.h"
#include "signalling/Unit2.h"
#include "testsupport/radioblocks.h"
#include "tools/radiosim/radiosim.h"

#include <QAction>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using radiosim::Event;
using radiosim::RadioSim;

namespace {


QMap<int, QByteArray> radioBlocks(const RadioSim &sim)
{
    QMap<int, QByteArray> out;
    for (const BlockGroup &group : blockGroups())
        for (int key : group.keys)
            out.insert(key, sim.block(keyType(key), keyNumber(key)));
    return out;
}

QStringList tableTexts()
{
    QStringList out;
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 15; ++c)
            out << Form1->xg->Cells(c, r);
    return out;
}

void fillChannel(int row, const QString &mhz)
{
    const QStringList cells{mhz, mhz, "88.5", "023N", "高", "宽带", "有", "25000", "1", "#", "BOTH", "3", "2TONE", "5", "有"};
    for (int c = 1; c <= 15; ++c)
        Form1->xg->setCells(c, row, cells[c - 1]);
}

} // namespace

class TestRadioBackup : public QObject, public WindowRig {
    Q_OBJECT

    QTemporaryDir m_dir;
    RadioBackup *m_backup = nullptr;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true); // nothing of the tests lands in the user's folders
        QVERIFY(m_dir.isValid());
    }
    void init()
    {
        QVERIFY(startRig());
        Form3->pause = [](int) {};
        m_backup = Form1->findChild<RadioBackup *>();
        QVERIFY(m_backup && !m_backup->autoBackupAction->isChecked() && !m_backup->verifyAction->isChecked());
        m_backup->autoBackupFolder = path(QStringLiteral("auto"));
    }
    void cleanup() { stopRig(); }

    void backupChangeRestoreIsByteExact()
    {
        const QMap<int, QByteArray> original = fillRadio(m_sim, 1);
        fillChannel(4, QStringLiteral("438.50000"));
        const QStringList table = tableTexts();
        m_backup->chooseBackupFile = [this] { return path(QStringLiteral("radio.rimg")); };
        m_backup->backupAction->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("已备份电台的 52 个数据块。")}, 20000);
        QCOMPARE(tableTexts(), table); // a backup is not a read into the table

        const RadioImage image = loadRadioImage(path(QStringLiteral("radio.rimg")));
        QCOMPARE(image.frames.size(), 52);
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            QCOMPARE(image.payload(it.key()), it.value());
        QCOMPARE(image.frame(blockKey(0, 1)).size(), 34); // as received, checksum and all
        QCOMPARE(image.frame(blockKey(2, 0)).size(), 32);

        fillRadio(m_sim, 2);
        m_sim.clearLogs();
        m_boxes->clear();
        m_backup->chooseRestoreFile = [this] { return path(QStringLiteral("radio.rimg")); };
        m_backup->restoreAction->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("恢复完成，校验通过")}, 30000);
        QCOMPARE(radioBlocks(m_sim), original);
        QMap<int, QByteArray> onTheLine;
        for (const Event &e : eventsOf(m_sim, Event::Write)) {
            QVERIFY(e.type == 2 || e.checksumOk);
            onTheLine.insert(blockKey(e.type, e.number), e.payload());
        }
        QCOMPARE(onTheLine, original);
        // The table shows what the radio holds now, as one step to undo.
        QVERIFY(tableTexts() != table);
        QVERIFY(Form1->xg->Cells(1, 4) != QStringLiteral("438.50000")); // the radio never held it
        QCOMPARE(Form1->sheet()->undoAction->text(), QStringLiteral("撤销 恢复电台"));
        Form1->sheet()->undoAction->trigger();
        QCOMPARE(tableTexts(), table);
    }

    void refusedImageChangesNothing_data()
    {
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("flip");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("message");
        QTest::newRow("truncated") << 900 << -1 << 1 << QStringLiteral("镜像文件不完整（文件被截断），未做任何改动。");
        QTest::newRow("corrupted") << 0 << 700 << 1 << QStringLiteral("镜像文件已损坏（校验和不符），未做任何改动。");
        QTest::newRow("newer") << 0 << -1 << 7
                               << QStringLiteral("镜像文件版本为 7，由更新的程序生成；本程序只能读取版本 1。");
    }
    void refusedImageChangesNothing()
    {
        QFETCH(int, cut);
        QFETCH(int, flip);
        QFETCH(int, version);
        QFETCH(QString, message);
        RadioImage image;
        image.readAt = QDateTime::currentDateTimeUtc();
        const QMap<int, QByteArray> stored = fillRadio(m_sim, 3);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            image.frames << withChecksum(bytes({0x57, keyType(it.key()), keyNumber(it.key()), 0x20}) + it.value());
        QByteArray file = serializeRadioImage(image);
        if (cut)
            file.truncate(cut);
        if (flip >= 0)
            file[flip] = char(file[flip] ^ 0x10);
        file[8] = char(version);
        QFile out(path(QStringLiteral("bad.rimg")));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        fillRadio(m_sim, 4);
        const QMap<int, QByteArray> before = radioBlocks(m_sim);
        m_backup->chooseRestoreFile = [this] { return path(QStringLiteral("bad.rimg")); };
        m_backup->restoreAction->trigger();
        QCOMPARE(m_boxes->texts(), QStringList{message});
        QVERIFY(!Form1->Comm1->isOpen() && !m_backup->running());

        // A read after it is the first thing the radio hears, and the radio is as it was.
        Form1->Tim1->setInterval(60000); // each frame once, so the handshakes can be counted
        Form1->rbtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 15000);
        QCOMPARE(m_sim.events().first().kind, Event::Handshake);
        QCOMPARE(eventsOf(m_sim, Event::Handshake).size(), 1);
        QVERIFY(eventsOf(m_sim, Event::Write).isEmpty());
        QCOMPARE(radioBlocks(m_sim), before);
    }

    void readBackReportsWhatTheRadioDidNotKeep_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("row");
        QTest::newRow("channel 3 power") << 0 << 3 << 12 << QStringLiteral("信道 3 | 发射功率 | 高 | 低");
        QTest::newRow("DTMF block 1 byte 0") << 1 << 0 << 0 << QStringLiteral("DTMF 第 1 块 | 「DTMF速率」 | 06 | F9");
    }
    void readBackReportsWhatTheRadioDidNotKeep()
    {
        QFETCH(int, type);
        QFETCH(int, number);
        QFETCH(int, offset);
        QFETCH(QString, row);
        m_backup->verifyAction->setChecked(true);
        m_sim.alterWrites(type, number, offset, 0xFF);
        fillChannel(3, QStringLiteral("145.12500"));
        if (type == 0)
            Form1->wbtn->click();
        else
            Form2->wbtnClick();
        // The differences, and no plain "写入成功": the radio does not hold what was written.
        const QString title = QStringLiteral("写入后读回校验发现电台中的数据与写入的不同：");
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts().size(), 1, 15000);
        QCOMPARE(m_boxes->texts(), QStringList{title + QLatin1Char('\n') + row});
        QCOMPARE(tableTexts()[2 * 15 + 4], QStringLiteral("高")); // the read-back leaves the table alone
    }

    void pulledCableEndsTheBackupWithThePortGivenBack()
    {
        m_backup->chooseBackupFile = [this] { return path(QStringLiteral("pulled.rimg")); };
        m_backup->backupAction->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(Form1->statusBar()->currentMessage().contains(QStringLiteral("DTMF")), 15000);
        m_sim.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m_backup->running(), 20000);
        QVERIFY(m_boxes->texts().last().startsWith(QStringLiteral("备份未完成，没有保存镜像文件。\n")));
        QVERIFY(!QFile::exists(path(QStringLiteral("pulled.rimg"))));
        QVERIFY(!Form1->Comm1->isOpen());
        QVERIFY(Form1->comcbb->isEnabled() && Form1->rbtn->isEnabled() && Form1->wbtn->isEnabled());
    }

    void autoBackupKeepsTheChannelsReadBeforeTheWrite()
    {
        const QMap<int, QByteArray> original = fillRadio(m_sim, 5, {0});
        m_backup->autoBackupAction->setChecked(true);
        fillChannel(1, QStringLiteral("145.12500"));
        const QStringList table = tableTexts();
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        QCOMPARE(tableTexts(), table);

        const RadioImage image = loadRadioImage(m_backup->lastAutoBackup());
        QCOMPARE(image.groups(), QList<int>{0});
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            QCOMPARE(image.payload(it.key()), it.value());
        // Every read came before the first write.
        const QList<Event> events = m_sim.events();
        qsizetype lastRead = -1, firstWrite = -1;
        for (qsizetype i = 0; i < events.size(); ++i) {
            if (events[i].kind == Event::Read)
                lastRead = i;
            if (events[i].kind == Event::Write && firstWrite < 0)
                firstWrite = i;
        }
        QVERIFY(lastRead >= 0 && firstWrite > lastRead);
        QCOMPARE(eventsOf(m_sim, Event::Write).last().payload(), m_sim.block(5, 0));
    }

    // A new user's write is proven: backed up first, read back after, one box that says both.
    void newUsersWritesAreProven()
    {
        QSettings(QStringLiteral("radioprog"), QStringLiteral("radioprog")).clear();
        m_backup->loadPreferences();
        QVERIFY(m_backup->autoBackupAction->isChecked() && m_backup->verifyAction->isChecked());
        fillChannel(2, QStringLiteral("438.50000"));
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功\n读回校验通过")}, 20000);
        // The radio heard a read, the write, and a read: three handshakes, 17 blocks each way.
        QCOMPARE(eventsOf(m_sim, Event::Handshake).size(), 3);
        QCOMPARE(distinctFrames(m_sim, Event::Write).size(), 17);
        QVERIFY(QFile::exists(m_backup->lastAutoBackup()));
    }

    // A write cut short names what the radio took and offers the backup taken before it; one
    // click puts the radio back as it was, read back to prove it.
    void interruptedWriteOffersTheBackup()
    {
        const QMap<int, QByteArray> original = fillRadio(m_sim, 6, {0});
        m_backup->autoBackupAction->setChecked(true);
        fillChannel(1, QStringLiteral("145.12500"));
        m_sim.hangUpAtBlock(0, 6, true);
        Form1->wbtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->shown().isEmpty(), 20000);
        const rtl::dialogs::Shown box = m_boxes->shown().last();
        QVERIFY2(box.text.contains(QStringLiteral("电台已确认收到：信道 1–5；没有确认：信道 6–16、通用设置。")),
                 qPrintable(box.text));
        QStringList labels;
        for (const rtl::dialogs::Action &a : box.actions)
            labels << a.label;
        QCOMPARE(labels, (QStringList{QStringLiteral("重试写频"), QStringLiteral("恢复写频前的备份"),
                                      QStringLiteral("串口诊断")}));
        QVERIFY(!Form1->Comm1->isOpen() && Form1->comcbb->isEnabled());

        m_sim.stop(); // the cable plugged in again
        QVERIFY(m_sim.start());
        m_sim.clearFaults();
        Form1->comcbb->setCurrentText(m_sim.portPath());
        m_boxes->clear();
        QVERIFY(box.choose(QStringLiteral("恢复写频前的备份")));
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("恢复完成，校验通过")}, 20000);
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            QCOMPARE(m_sim.block(keyType(it.key()), keyNumber(it.key())), it.value());
    }

    // A restore asks first, naming when the image was read and what it holds; 取消 leaves the
    // radio unheard.
    void restoreAsksFirst()
    {
        RadioImage image;
        image.readAt = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)).toUTC();
        const QMap<int, QByteArray> stored = fillRadio(m_sim, 7, {0, 1});
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            image.frames << withChecksum(bytes({0x57, keyType(it.key()), keyNumber(it.key()), 0x20}) + it.value());
        saveRadioImage(image, path(QStringLiteral("asked.rimg")));
        m_backup->chooseRestoreFile = [this] { return path(QStringLiteral("asked.rimg")); };
        QString asked;
        m_backup->confirmRestore = [&](const QString &file, const RadioImage &kept) {
            asked = describeRestore(file, kept);
            return false;
        };
        m_sim.clearLogs();
        m_backup->restoreAction->trigger();
        QCOMPARE(asked, QStringLiteral("恢复会用镜像文件中的数据覆盖电台中的这些内容：信道、DTMF（共 21 个数据块）。\n"
                                       "文件：asked.rimg\n读取时间：2026-03-04 05:06:07\n\n确定要恢复吗？"));
        QVERIFY(!m_backup->running() && !Form1->Comm1->isOpen() && m_boxes->shown().isEmpty());
        Form1->Tim1->setInterval(60000); // each frame once, so the handshakes can be counted
        Form1->rbtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 15000);
        QCOMPARE(m_sim.events().first().kind, Event::Handshake);
        QCOMPARE(eventsOf(m_sim, Event::Handshake).size(), 1);
        QVERIFY(eventsOf(m_sim, Event::Write).isEmpty());
    }

    void warningsCanStopTheWrite()
    {
        fillChannel(1, QStringLiteral("145.12500"));
        Form1->settingBox(6)->setCurrentText(QStringLiteral("监听"));
        QList<PlanWarning> shown;
        bool answer = false;
        Form1->confirmWarnings = [&](const QList<PlanWarning> &warnings) {
            shown = warnings;
            return answer;
        };
        Form1->wbtn->click();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].value, QStringLiteral("监听"));
        QVERIFY(Form1->wbtn->isEnabled() && !Form1->Comm1->isOpen());

        answer = true;
        Form1->Tim1->setInterval(60000); // each frame once, so the handshakes can be counted
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        // The stopped write sent nothing: the radio heard one write, from its handshake.
        QCOMPARE(m_sim.events().first().kind, Event::Handshake);
        QCOMPARE(eventsOf(m_sim, Event::Handshake).size(), 1);
    }
};

QTEST_MAIN(TestRadioBackup)
#include "tst_radiobackup.moc"
