// Each signalling window's read and write against each fault of the line, the simulated radio
// over a pty: success with exactly the radio's (or the window's) blocks, or a clear message.
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/backup/radiobackup.h"
#include "app/tests/faultmatrix.h"
#include "testsupport/windowrig.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"

#include <QAction>
#include <QtTest>

using namespace faultmatrix;

namespace {

SignallingWindow *window(int index)
{
    switch (index) {
    case 1:
        return Form2;
    case 2:
        return Form6;
    case 3:
        return Form4;
    default:
        return Form5;
    }
}

// Each block with some bytes moved, so that a window that took none of a read shows otherwise.
QList<QByteArray> changed(QList<QByteArray> payloads)
{
    for (QByteArray &p : payloads)
        for (int i = 0; i < p.size(); i += 5)
            p[i] = char(p[i] ^ 0x01);
    return payloads;
}

} // namespace

class TestSignallingFaults : public QObject, public WindowRig {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(startRig());
        if (auto *backup = Form1->findChild<RadioBackup *>())
            backup->verifyAction->setChecked(false); // the write's own word is what is judged
        for (int i = 1; i <= 4; ++i)
            window(i)->Timer1->setInterval(3000); // a run that cannot go on ends sooner
    }
    void cleanup() { stopRig(); }

    void signallingTransfer_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("write");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("ms");
        const QStringList names{QString(), QStringLiteral("DTMF"), QStringLiteral("FSK"), QStringLiteral("2TONE"),
                                QStringLiteral("5TONE")};
        for (int index = 1; index <= 4; ++index) {
            for (int write = 0; write <= 1; ++write) {
                // The delays on DTMF, the shortest transfer, and one on FSK, whose write is never resent.
                const QList<int> delays = index == 1   ? QList<int>{150, 280, 320, 400, 1000}
                                          : index == 2 ? QList<int>{400}
                                                       : QList<int>{};
                addRows(QStringLiteral("%1 %2").arg(names[index], write ? QStringLiteral("write") : QStringLiteral("read")),
                        {index, write}, delays);
            }
        }
    }
    void signallingTransfer()
    {
        QFETCH(int, index);
        QFETCH(int, write);
        QFETCH(int, fault);
        QFETCH(int, ms);
        SignallingWindow *w = window(index);
        const QList<QByteArray> intended = w->encodeBlocks();
        QStringList expectedTexts;
        if (!write) {
            // The radio holds the blocks of the window as it is; the window shows something else.
            // Fields a block does not read back keep what the window showed, so the texts to
            // expect are those of reading the radio over that.
            for (int n = 0; n < intended.size(); ++n)
                m_sim.setBlock(w->blockType(), n, intended[n]);
            w->decodeBlocks(changed(intended));
            w->decodeBlocks(intended);
            expectedTexts = w->fieldTexts();
            w->decodeBlocks(changed(intended));
            QVERIFY(w->fieldTexts() != expectedTexts);
        }
        Form1->openPortFromBox();
        applyFault(m_sim, fault, ms, w->blockType(), 1);
        if (write)
            w->wbtnClick();
        else
            w->rbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(w->rbtn->isEnabled() && w->wbtn->isEnabled(), 60000);

        const bool resends = write ? index != 2 : true; // an FSK write sends each block once
        const QString failure = failureText(*m_boxes);
        if (recoverable(fault, resends))
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        if (!failure.isEmpty()) {
            checkFailure(*m_boxes);
            if (fault == HangUp) // at the second block: the radio confirmed the first only
                QVERIFY(failure.contains(write ? QStringLiteral("写入在第 2 块") : QStringLiteral("读取在第 2 块")));
            return;
        }
        if (write) {
            QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("写入成功")});
            for (int n = 0; n < intended.size(); ++n)
                QCOMPARE(m_sim.block(w->blockType(), n), intended[n]);
        } else {
            QCOMPARE(w->fieldTexts(), expectedTexts);
        }
    }
};

QTEST_MAIN(TestSignallingFaults)
#include "tst_signallingfaults.moc"
