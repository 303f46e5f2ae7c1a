// The comparison at the main window against the simulated radio over a pty: 与电台核对 and the
// table it fills, and the preview of a write, which reads the radio no more than the automatic
// backup does.
#include "app/Unit1.h"
#include "app/backup/radiobackup.h"
#include "app/compare/comparewindow.h"
#include "app/compare/plancomparison.h"
#include "app/forms.h"
#include "testsupport/windowrig.h"
#include "channels/memorychanneltexts.h"
#include "grid/cellgrid.h"
#include "image/radioimage.h"
#include "rtl/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using radiosim::Event;

namespace {

int count(const radiosim::RadioSim &sim, Event::Kind kind)
{
    int n = 0;
    for (const Event &e : sim.events())
        n += e.kind == kind ? 1 : 0;
    return n;
}

void fillChannel(int row, const QString &mhz)
{
    const QStringList cells{mhz, mhz, "88.5", "023N", "高", "宽带", "有", "25000", "1", "#", "BOTH", "3", "2TONE", "5", "有"};
    for (int c = 1; c <= 15; ++c)
        Form1->xg->setCells(c, row, cells[c - 1]);
}

QStringList linesOf(const QList<FieldDifference> &differences)
{
    QStringList lines;
    for (const FieldDifference &d : differences)
        lines << d.line();
    return lines;
}

} // namespace

class TestCompare : public QObject, public WindowRig {
    Q_OBJECT

    QTemporaryDir m_dir;
    RadioBackup *m_backup = nullptr;
    PlanComparison *m_comparison = nullptr;
    QList<SideComparison> m_previews;
    bool m_writeAtPreview = true;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }
    void init()
    {
        QVERIFY(startRig());
        m_backup = Form1->findChild<RadioBackup *>();
        m_comparison = Form1->findChild<PlanComparison *>();
        QVERIFY(m_backup && m_comparison && m_comparison->previewAction->isChecked());
        m_backup->autoBackupFolder = m_dir.filePath(QStringLiteral("auto"));
        m_previews.clear();
        m_writeAtPreview = true;
        // The radio holds what a write of the initial window leaves in it.
        const Side initial = planSide(MemoryChannelTexts(), {});
        for (auto it = initial.payloads.cbegin(); it != initial.payloads.cend(); ++it)
            m_sim.setBlock(keyType(it.key()), keyNumber(it.key()), it.value());
        m_comparison->confirmPreview = [this](const QList<PlanWarning> &, const SideComparison &changes) {
            m_previews << changes;
            return m_writeAtPreview;
        };
    }
    void cleanup() { stopRig(); }

    // With the automatic backup on, the write shows what it changes after the backup's read, and
    // the radio hears that one read and the write; the next write, changing nothing, says so.
    void previewReadsOnce()
    {
        m_backup->autoBackupAction->setChecked(true);
        fillChannel(3, QStringLiteral("145.12500"));
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        QCOMPARE(m_previews.size(), 1);
        const QStringList lines = linesOf(m_previews[0].differences);
        QCOMPARE(lines.size(), 15);
        QCOMPARE(lines.first(), QStringLiteral("信道 3 接收频率: （空） → 145.12500"));
        QCOMPARE(count(m_sim, Event::Handshake), 2);
        QCOMPARE(count(m_sim, Event::Read), 17);
        QCOMPARE(count(m_sim, Event::Write), 17);

        // Turned down: the radio hears the read only, and nothing is written.
        m_sim.clearLogs();
        m_writeAtPreview = false;
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_previews.size(), 2, 15000);
        QVERIFY(m_previews[1].differences.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(Form1->wbtn->isEnabled() && !m_backup->running(), 15000);
        QCOMPARE(count(m_sim, Event::Handshake), 1);
        QCOMPARE(count(m_sim, Event::Write), 0);
    }

    // Without the switch, or without a read before the write, the warnings alone are asked about.
    void warningsWithoutPreview()
    {
        QList<QList<PlanWarning>> warned;
        Form1->confirmWarnings = [&](const QList<PlanWarning> &warnings) {
            warned << warnings;
            return false;
        };
        fillChannel(2, QStringLiteral("300.00000")); // outside both bands
        m_backup->autoBackupAction->setChecked(true);
        m_comparison->previewAction->setChecked(false);
        Form1->wbtn->click();
        QCOMPARE(warned.size(), 1);
        m_comparison->previewAction->setChecked(true);
        m_backup->autoBackupAction->setChecked(false);
        Form1->wbtn->click();
        QCOMPARE(warned.size(), 2);
        QVERIFY(m_previews.isEmpty());
        QCOMPARE(count(m_sim, Event::Handshake), 0);
    }

    // 与电台核对 reads the channels and lists what differs from the plan on screen; the list
    // copies and saves as CSV, and identical sides say "没有差别".
    void checkAgainstRadio()
    {
        QByteArray channel = m_sim.block(0, 4);
        channel[0] = char(0xA0); // 438.5 MHz in Hz: 0x1A22FAA0
        channel[1] = char(0xFA);
        channel[2] = char(0x22);
        channel[3] = char(0x1A);
        m_sim.setBlock(0, 4, channel);
        m_comparison->checkAction->trigger();
        CompareWindow *window = m_comparison->window();
        QTRY_VERIFY_WITH_TIMEOUT(!window->comparing(), 15000);
        QVERIFY(m_boxes->texts().isEmpty());
        QCOMPARE(count(m_sim, Event::Write), 0);
        QCOMPARE(count(m_sim, Event::Read), 17);
        QCOMPARE(window->table->rowCount(), 1);
        QCOMPARE(window->table->item(0, 0)->text() + window->table->item(0, 1)->text(), QStringLiteral("信道 4接收频率"));
        QCOMPARE(window->table->item(0, 2)->text() + "|" + window->table->item(0, 3)->text(),
                 QStringLiteral("438.50000|（空）"));

        window->table->selectRow(0);
        window->copyClick();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("信道 4\t接收频率\t438.50000\t（空）\n"));
        const QString csv = m_dir.filePath(QStringLiteral("diff.csv"));
        window->chooseCsvFile = [csv] { return csv; };
        window->saveClick();
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList rows = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(rows.value(1), QStringLiteral("信道 4,接收频率,438.50000,（空）"));
        QVERIFY(rows.value(0).startsWith(QStringLiteral("位置,项目,A：电台（")));

        channel[0] = channel[1] = channel[2] = channel[3] = 0;
        m_sim.setBlock(0, 4, channel);
        m_comparison->checkClick();
        QTRY_VERIFY_WITH_TIMEOUT(!window->comparing(), 15000);
        QCOMPARE(window->table->rowCount(), 0);
        QVERIFY2(window->summary->text().contains(kNoDifferences), qPrintable(window->summary->text()));
    }
};

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
