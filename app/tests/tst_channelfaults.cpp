// The channel read and write, the backup and the restore against each fault of the line, the
// simulated radio over a pty: success with exactly the intended blocks, or a clear message.
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "app/backup/radiobackup.h"
#include "app/tests/faultmatrix.h"
#include "testsupport/windowrig.h"
#include "channels/plansnapshot.h"
#include "grid/cellgrid.h"
#include "image/radioimage.h"
#include "protocol/channeltransfer.h"
#include "serial/serialcomm.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"
#include "testsupport/radioblocks.h"

#include <QAction>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace faultmatrix;

namespace {

enum Transfer { ChannelWrite, ChannelRead, Backup, Restore };

void fillPlan()
{
    const QStringList cells{"145.12500", "145.72500", "88.5", "023N", "高", "宽带", "有", "25000",
                            "1", "#", "BOTH", "3", "2TONE", "5", "有"};
    for (int row : {1, 2, 7, 16})
        for (int c = 1; c <= 15; ++c)
            Form1->xg->setCells(c, row, c == 1 ? QStringLiteral("43%1.12500").arg(row % 10) : cells[c - 1]);
}

// Channel and settings frames as the radio answers them, from payloads in block order.
QList<QByteArray> channelFrames(const QList<QByteArray> &payloads)
{
    QList<QByteArray> frames;
    const TransferPlan plan = ChannelTransfer::plan();
    for (int i = 0; i < payloads.size(); ++i)
        frames << withChecksum(bytes({0x57, plan.blocks[i].type, plan.blocks[i].number, 0x20}) + payloads[i]);
    return frames;
}

} // namespace

class TestChannelFaults : public QObject, public WindowRig {
    Q_OBJECT

    QTemporaryDir m_dir;
    RadioBackup *m_backup = nullptr;

    QMap<int, QByteArray> radioBlocks() const
    {
        QMap<int, QByteArray> out;
        for (const BlockGroup &group : blockGroups())
            for (int key : group.keys)
                out.insert(key, m_sim.block(keyType(key), keyNumber(key)));
        return out;
    }
    void putIntoRadio(const QMap<int, QByteArray> &blocks)
    {
        for (auto it = blocks.cbegin(); it != blocks.cend(); ++it)
            m_sim.setBlock(keyType(it.key()), keyNumber(it.key()), it.value());
    }

    // Fresh windows, set up as every row wants them.
    void setUpWindows()
    {
        newWindows();
        Form3->pause = [](int) {};
        m_backup = Form1->findChild<RadioBackup *>();
        // The write's own word is what is judged; the restore reads back in any case.
        m_backup->verifyAction->setChecked(false);
        m_backup->autoBackupAction->setChecked(false);
        Form1->channelTransfer().watchdog().setInterval(3000);
        for (SignallingWindow *w : std::initializer_list<SignallingWindow *>{Form2, Form4, Form5, Form6})
            w->Timer1->setInterval(3000);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }
    void init()
    {
        QVERIFY(startRig());
        setUpWindows();
    }
    void cleanup() { stopRig(); }

    void channelTransfer_data()
    {
        QTest::addColumn<int>("transfer");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("ms");
        addRows(QStringLiteral("channel write"), {ChannelWrite}, {150, 400});
        addRows(QStringLiteral("channel read"), {ChannelRead}, {320});
        addRows(QStringLiteral("backup"), {Backup}, {});
        addRows(QStringLiteral("restore"), {Restore}, {});
    }
    void channelTransfer()
    {
        QFETCH(int, transfer);
        QFETCH(int, fault);
        QFETCH(int, ms);
        QList<QByteArray> intended;
        PlanSnapshot expectedTable;
        QMap<int, QByteArray> image;
        const QString file = m_dir.filePath(QStringLiteral("radio.rimg"));
        switch (transfer) {
        case ChannelWrite:
            fillPlan();
            intended = ChannelTransfer::encode(Form1->texts(), Form1->link().transferBuffer());
            break;
        case ChannelRead: {
            fillPlan();
            const QList<QByteArray> payloads = ChannelTransfer::encode(Form1->texts(), Form1->link().transferBuffer());
            const TransferPlan plan = ChannelTransfer::plan();
            for (int i = 0; i < payloads.size(); ++i)
                m_sim.setBlock(plan.blocks[i].type, plan.blocks[i].number, payloads[i]);
            // What reading them into the window as it is now gives, then back to that window.
            setUpWindows();
            ChannelTransfer::decode(channelFrames(payloads), Form1->texts());
            expectedTable = PlanSnapshot::capture(Form1->texts());
            setUpWindows();
            break;
        }
        case Backup:
            putIntoRadio(randomBlocks(1));
            m_backup->chooseBackupFile = [file] { return file; };
            break;
        case Restore: {
            image = randomBlocks(2);
            RadioImage kept;
            kept.readAt = QDateTime::currentDateTimeUtc();
            for (const BlockGroup &group : blockGroups())
                for (int key : group.keys)
                    kept.frames << withChecksum(bytes({0x57, keyType(key), keyNumber(key), 0x20}) + image.value(key));
            saveRadioImage(kept, file);
            putIntoRadio(randomBlocks(3));
            m_backup->chooseRestoreFile = [file] { return file; };
            break;
        }
        }
        const int hangType = transfer == Backup ? 1 : transfer == Restore ? 2 : 0;
        applyFault(m_sim, fault, ms, hangType, transfer <= ChannelRead ? 3 : 1);
        switch (transfer) {
        case ChannelWrite:
            Form1->wbtn->click();
            break;
        case ChannelRead:
            Form1->rbtn->click();
            break;
        case Backup:
            m_backup->backupAction->trigger();
            break;
        case Restore:
            m_backup->restoreAction->trigger();
            break;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_backup->running() && !Form1->link().exchangeRunning(), 90000);

        const QString failure = failureText(*m_boxes);
        if (recoverable(fault, true))
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        if (!failure.isEmpty()) {
            checkFailure(*m_boxes);
            QVERIFY(!Form1->Comm1->isOpen() && Form1->comcbb->isEnabled() && !Form3->isVisible());
            if (fault == HangUp && transfer == ChannelWrite) // the radio took channels 1 and 2
                QVERIFY(failure.contains(QStringLiteral("已确认收到：信道 1–2；没有确认：信道 3–16、通用设置。")));
            if (fault == HangUp && transfer == ChannelRead)
                QVERIFY(failure.contains(QStringLiteral("读取在第 3 块（共 17 块）处中断。")));
            return;
        }
        const QMap<int, QByteArray> radio = radioBlocks();
        switch (transfer) {
        case ChannelWrite: {
            QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("写入成功")});
            const TransferPlan plan = ChannelTransfer::plan();
            for (int i = 0; i < intended.size(); ++i)
                QCOMPARE(radio.value(blockKey(plan.blocks[i].type, plan.blocks[i].number)), intended[i]);
            break;
        }
        case ChannelRead:
            QVERIFY(m_boxes->shown().isEmpty());
            QVERIFY(PlanSnapshot::capture(Form1->texts()) == expectedTable);
            break;
        case Backup: {
            QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("已备份电台的 52 个数据块。")});
            const RadioImage kept = loadRadioImage(file);
            for (auto it = radio.cbegin(); it != radio.cend(); ++it)
                QCOMPARE(kept.payload(it.key()), it.value());
            break;
        }
        case Restore:
            QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("恢复完成，校验通过")});
            QCOMPARE(radio, image);
            break;
        }
    }
};

QTEST_MAIN(TestChannelFaults)
#include "tst_channelfaults.moc"
