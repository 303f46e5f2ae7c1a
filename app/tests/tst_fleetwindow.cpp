// The fleet window against three simulated radios over ptys: the template from the windows, the
// table filled in place, the checks before any byte, a pulled radio failing its own row, its retry
// on the cable it came back on, and the report saved.
#include "app/Unit1.h"
#include "app/fleet/fleetwindow.h"
#include "app/forms.h"
#include "fleet/fleetrunner.h"
#include "fleet/identityfield.h"
#include "frames/frame.h"
#include "grid/cellgrid.h"
#include "testsupport/radioblocks.h"
#include "testsupport/windowrig.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestFleetWindow : public QObject, public WindowRig {
    Q_OBJECT

    QTemporaryDir m_dir;

    static QString resultOf(FleetWindow *w, int row)
    {
        return w->table->item(row, 2 + int(identityFields().size()) + 2)->text();
    }

    // With RADIOPROG_SHOTS_DIR set (a run under a real X server), the screen as it stands.
    static void shoot(QWidget *window, const QString &name)
    {
        const QString dir = qEnvironmentVariable("RADIOPROG_SHOTS_DIR");
        if (dir.isEmpty())
            return;
        window->repaint(); // painted now, not when the loop next runs
        QCoreApplication::processEvents();
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), dir + u'/' + name});
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }
    void init() { QVERIFY(startRig()); }
    void cleanup() { stopRig(); }

    void programsAFleet()
    {
        auto *programming = Form1->findChild<FleetProgramming *>();
        QVERIFY(programming && Form1->fileMenu->actions().contains(programming->fleetAction));
        programming->fleetAction->trigger();
        FleetWindow *w = programming->window();
        QTRY_VERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        w->backupFolder = m_dir.filePath(QStringLiteral("backups"));

        // The plan on screen: one channel; every radio comes in with other contents.
        const QStringList cells{"145.12500", "145.12500", "88.5", "023N", "高", "宽带", "有", "25000", "1", "#", "BOTH", "3", "2TONE", "5", "有"};
        for (int c = 1; c <= 15; ++c)
            Form1->xg->setCells(c, 1, cells[c - 1]);
        radiosim::RadioSim more[2];
        radiosim::RadioSim *sims[3] = {&m_sim, &more[0], &more[1]};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(i == 0 || sims[i]->start());
            fillRadio(*sims[i], 10 + quint32(i));
            w->table->item(i, FleetWindow::PortColumn)->setText(sims[i]->portPath());
        }

        // Fill the IDs from a start and a step; a duplicate stops 开始 before anything is written.
        const auto fill = [w](int column, const QString &start, int step) {
            w->fillColumn->setCurrentIndex(column);
            w->fillStart->setText(start);
            w->fillStep->setValue(step);
            w->fillButton->click();
        };
        fill(0, QStringLiteral("1001"), 0);
        QVERIFY(!w->startButton->isEnabled());
        QCOMPARE(w->issues->findItems(QStringLiteral("相同"), Qt::MatchContains).size(), 2);
        fill(0, QStringLiteral("1001"), 1);
        fill(1, QStringLiteral("7"), 0); // one queue for all
        fill(2, QStringLiteral("501"), 1);
        QVERIFY2(w->startButton->isEnabled(), qPrintable(w->issues->item(0)->text()));
        QVERIFY(w->issues->findItems(QStringLiteral("相同"), Qt::MatchContains).isEmpty());
        QCOMPARE(w->table->item(2, 2)->text(), QStringLiteral("1003"));
        for (radiosim::RadioSim *sim : sims)
            QVERIFY(sim->received().isEmpty());

        // The second radio is pulled mid-write: its row fails, the others pass.
        more[0].hangUpAtBlock(frame::kDtmfBlock, 2, true);
        w->startButton->click();
        QVERIFY(w->running());
        QTRY_VERIFY_WITH_TIMEOUT(!w->running() && w->reportCsvButton->isEnabled(), 120000);
        QCOMPARE(resultOf(w, 0), QStringLiteral("通过"));
        QCOMPARE(resultOf(w, 1), QStringLiteral("失败"));
        QCOMPARE(resultOf(w, 2), QStringLiteral("通过"));
        shoot(w, QStringLiteral("fleet-window-failed.png"));
        const QMap<int, QByteArray> expected = w->runner()->fleetTemplate().payloadsFor(w->runner()->table().rows[2]);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(more[1].block(keyType(it.key()), keyNumber(it.key())), it.value());
        const IdentityField &dtmf = identityFields()[0];
        QCOMPARE(identityText(dtmf, m_sim.block(keyType(dtmf.key), keyNumber(dtmf.key))), QStringLiteral("1001"));

        // Plugged back in on another cable, it is retried alone: no other radio hears a byte.
        more[0].stop();
        more[0].clearFaults();
        QVERIFY(more[0].start());
        m_sim.clearLogs();
        more[1].clearLogs();
        w->table->item(1, 2)->setText(QStringLiteral("1009")); // an edited identity needs a new run
        w->table->selectRow(1);
        QVERIFY(w->retryButton->isEnabled());
        w->retryButton->click();
        QCOMPARE(m_boxes->shown().size(), 1);
        m_boxes->clear();
        w->table->item(1, 2)->setText(QStringLiteral("1002"));
        w->table->item(1, FleetWindow::PortColumn)->setText(more[0].portPath());
        w->retryButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(resultOf(w, 1), QStringLiteral("通过"), 120000);
        QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 60000);
        QVERIFY(m_sim.received().isEmpty() && more[1].received().isEmpty());
        shoot(w, QStringLiteral("fleet-window.png"));
        QCOMPARE(identityText(dtmf, more[0].block(keyType(dtmf.key), keyNumber(dtmf.key))), QStringLiteral("1002"));

        // The report: CSV through the checked writer, PDF printed whole.
        const QString csv = m_dir.filePath(QStringLiteral("report.csv"));
        const QString pdf = m_dir.filePath(QStringLiteral("report.pdf"));
        w->chooseReportCsv = [&] { return csv; };
        w->chooseReportPdf = [&] { return pdf; };
        w->reportCsvButton->click();
        w->reportPdfButton->click();
        QFile csvFile(csv), pdfFile(pdf);
        QVERIFY(csvFile.open(QIODevice::ReadOnly) && pdfFile.open(QIODevice::ReadOnly));
        const QString report = QString::fromUtf8(csvFile.readAll());
        QCOMPARE(report.count(QStringLiteral(",通过,")), 3);
        QVERIFY(report.contains(more[0].portPath()) && report.contains(QStringLiteral("1002")));
        QVERIFY(pdfFile.readAll().startsWith("%PDF"));
        QVERIFY2(m_boxes->shown().isEmpty(), qPrintable(m_boxes->texts().join(u'\n')));
    }

    // The table round-trips through CSV by the window's own buttons; a fill that cannot start,
    // or a template image that cannot be read, is said and blocks 开始.
    void tableAndTemplate()
    {
        FleetWindow *w = Form1->findChild<FleetProgramming *>()->window();
        const QString file = m_dir.filePath(QStringLiteral("radios.csv"));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("标签;端口;ID码\r\n前台;/dev/ttyUSB0;0098\r\n门卫;下一台;\r\n");
        csv.close();
        w->chooseTableToLoad = [&] { return file; };
        w->loadButton->click();
        QCOMPARE(w->table->rowCount(), 2);
        QCOMPARE(w->table->item(1, 0)->text(), QStringLiteral("门卫"));
        QVERIFY(!w->startButton->isEnabled()); // 下一台 without a shared cable, an empty ID

        w->table->selectRow(0);
        w->fillStart->setText(QStringLiteral("x1"));
        w->fillButton->click();
        QCOMPARE(m_boxes->shown().size(), 1);
        QCOMPARE(w->table->item(0, 2)->text(), QStringLiteral("0098"));
        w->fillStart->setText(QStringLiteral("0099"));
        w->fillButton->click();
        for (int column : {1, 2}) {
            w->fillColumn->setCurrentIndex(column);
            w->fillButton->click();
        }
        w->sharedPorts->setText(QStringLiteral("/dev/ttyUSB1"));
        const QList<FleetIssue> left = w->recheck();
        QVERIFY2(!hasBlocking(left), qPrintable(issueLines(left).join(u'\n')));
        QVERIFY(w->startButton->isEnabled());

        const QString saved = m_dir.filePath(QStringLiteral("saved.csv"));
        w->chooseTableToSave = [&] { return saved; };
        w->saveButton->click();
        const FleetTable back = FleetTable::load(saved);
        QCOMPARE(back.rows.size(), 2);
        QCOMPARE(back.rows[1].values.value(0), QStringLiteral("0100"));
        QVERIFY(back.rows[1].nextRadio());

        w->setTemplateFile(m_dir.filePath(QStringLiteral("missing.rimg")));
        QVERIFY(!w->startButton->isEnabled());
        QVERIFY(w->issues->item(0)->text().contains(QStringLiteral("missing.rimg")));
        QCOMPARE(m_boxes->shown().size(), 1);
    }
};

QTEST_MAIN(TestFleetWindow)
#include "tst_fleetwindow.moc"
