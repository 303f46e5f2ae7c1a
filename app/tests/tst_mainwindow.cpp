// The main window and the progress window, offscreen, against the simulated radio on a real pty.
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "app/sheet/plansheet.h"
#include "app/tests/linebytes.h"
#include "channels/channelplan.h"
#include "grid/cellgrid.h"
#include "frames/frame.h"
#include "rtl/dialogs.h"
#include "serial/serialcomm.h"
#include "signalling/Unit2.h"
#include "signalling/Unit6.h"
#include "tools/radiosim/radiosim.h"

#include <QDialog>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

using radiosim::Event;
using radiosim::RadioSim;

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<rtl::dialogs::Recording> m_boxes;
    RadioSim m_sim;
    QTemporaryDir m_settings; // what keepBetweenRuns() keeps, away from the user's own

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settings.path())); }
    void init()
    {
        m_boxes = std::make_unique<rtl::dialogs::Recording>();
        createForms();
        Form3->pause = [](int) {};
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        QVERIFY(m_sim.start());
        m_sim.clearFaults();
        m_sim.clearLogs();
    }
    void cleanup()
    {
        destroyForms();
        m_sim.stop();
        m_boxes.reset();
    }

    // No two items of a menu share a key, so Alt+F, then a letter, never lands on the wrong one.
    void menuKeysAreOneEach()
    {
        for (QAction *top : Form1->menuBar()->actions()) {
            QVERIFY2(top->text().contains(QRegularExpression(QStringLiteral("\\(&\\w\\)"))), qPrintable(top->text()));
            QSet<QChar> keys;
            for (QAction *item : top->menu()->actions()) {
                if (item->isSeparator() || item->text().isEmpty())
                    continue;
                const QRegularExpressionMatch key =
                    QRegularExpression(QStringLiteral("\\(&(\\w)\\)")).match(item->text());
                if (!key.hasMatch())
                    continue; // 撤销 and 重做 name their step and go by Ctrl+Z and Ctrl+Y
                const QChar letter = key.captured(1).at(0).toUpper();
                QVERIFY2(!keys.contains(letter), qPrintable(item->text()));
                keys.insert(letter);
            }
        }
    }

    void startState()
    {
        QCOMPARE(Form1->windowTitle(), QStringLiteral("对讲机写频软件 V1.1.3[*]")); // [*]: unsaved changes
        QCOMPARE(Form1->comcbb->currentText(), QStringLiteral("COM1"));
        QVERIFY(Form1->comcbb->isEnabled() && Form1->comcbb->isEditable());
        QVERIFY(!Form3->isVisible());
        QVERIFY(!Form3->ProgressBar1->isVisible());
        QVERIFY(!Form2->isVisible());
        for (QAction *a : {Form1->DTMF1, Form1->N2tone1, Form1->N5TONE1, Form1->N4}) {
            QVERIFY(!a->isEnabled());
            QCOMPARE(a->toolTip(), QStringLiteral("先用读频或写频打开串口"));
            QCOMPARE(a->statusTip(), QStringLiteral("先用读频或写频打开串口"));
        }
        QVERIFY(Form1->wbtn->isEnabled() && Form1->rbtn->isEnabled());
        QVERIFY(!Form1->Tim1->isActive());
        QCOMPARE(Form1->Tim1->interval(), 300);
        QCOMPARE(Form1->xg->RowCount(), 17);
        QCOMPARE(Form1->xg->ColCount(), 16);
        QCOMPARE(Form1->xg->Cells(1, 0), QStringLiteral("接收频率"));
        QCOMPARE(Form1->xg->Cells(0, 16), QStringLiteral("16"));
        QCOMPARE(Form1->ComboBox5->currentText(), QStringLiteral("中文"));
        QVERIFY(!Form1->Comm1->isOpen());
    }

    void channelWritePutsExactFramesOnTheLine()
    {
        Form1->comcbb->setCurrentText(m_sim.portPath()); // typed, not one of the items
        bool idleWhenShown = false;
        rtl::dialogs::setRecorder([&](const rtl::dialogs::Shown &s) {
            if (s.text == QStringLiteral("写入成功")) {
                idleWhenShown = !Form3->isVisible() && Form1->wbtn->isEnabled() && Form1->rbtn->isEnabled()
                                && Form1->comcbb->isEnabled() && !Form1->Comm1->isOpen();
                return;
            }
            QFAIL(qPrintable(QStringLiteral("unexpected box ") + s.text));
        });
        QTest::mouseClick(Form1->wbtn, Qt::LeftButton);
        QVERIFY(!Form1->wbtn->isEnabled());
        QVERIFY(Form3->isVisible());
        QVERIFY(!Form1->comcbb->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idleWhenShown, 15000);

        // The initial window: sixteen empty channels and the initial settings. A stall on a
        // loaded machine may let the radio time out a handshake sent byte by byte and a resend
        // repeat a frame, so the distinct frames are compared, each byte for byte.
        QList<QByteArray> expected;
        for (int ch = 1; ch <= 16; ++ch)
            expected << withChecksum(bytes({0x57, 0, ch, 0x20}) + QByteArray(27, 0) + bytes({0xFF})).toHex(' ');
        QByteArray settings = bytes({0x57, 5, 0, 0x20, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 60, 1, 0, 0, 1});
        settings += QByteArray(11, 0) + bytes({0xFF}); // bytes 20–31 as channel 16 left them
        expected << withChecksum(settings).toHex(' ');
        QList<QByteArray> frames;
        for (const Event &e : eventsOf(m_sim, Event::Write))
            if (frames.isEmpty() || frames.last() != e.bytes.toHex(' '))
                frames << e.bytes.toHex(' ');
        QCOMPARE(frames, expected);
        QVERIFY(m_sim.received().startsWith("PROGRAM"));
        QVERIFY(!eventsOf(m_sim, Event::Handshake).isEmpty());
        for (QAction *a : {Form1->DTMF1, Form1->N2tone1, Form1->N5TONE1, Form1->N4}) {
            QVERIFY(a->isEnabled());
            QVERIFY(a->statusTip().isEmpty());
            QVERIFY(a->toolTip() != QStringLiteral("先用读频或写频打开串口"));
        }
        QVERIFY(!Form1->Tim1->isActive());
    }

    void channelReadRequestsEveryBlock()
    {
        Form1->comcbb->setCurrentText(m_sim.portPath());
        QTest::mouseClick(Form1->rbtn, Qt::LeftButton);
        QVERIFY(!Form1->rbtn->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 15000);
        QVERIFY(!Form3->isVisible());
        QVERIFY(Form1->comcbb->isEnabled());
        QVERIFY(!Form1->Comm1->isOpen());
        QVERIFY(!Form1->Tim1->isActive());
        QList<Event> reads = eventsOf(m_sim, Event::Read);
        QCOMPARE(reads.size(), 17);
        for (int ch = 1; ch <= 16; ++ch)
            QCOMPARE(reads[ch - 1].bytes, bytes({0x52, 0, ch, 0x20}));
        QCOMPARE(reads[16].bytes, bytes({0x52, 5, 0, 0x20}));
        QCOMPARE(eventsOf(m_sim, Event::Handshake).size(), 1);
        QVERIFY(m_boxes->shown().isEmpty());
    }

    void signallingItemOpensAClosedPort()
    {
        Form1->comcbb->setCurrentText(m_sim.portPath());
        Form1->DTMF1Click();
        QVERIFY(Form1->Comm1->isOpen());
        QVERIFY(!Form1->comcbb->isEnabled());
        QVERIFY(Form2->isVisible());
        Form2->hide();
        // With the port open the item only shows the window.
        Form1->comcbb->setCurrentText(QStringLiteral("/nonexistent/port"));
        Form1->DTMF1Click();
        QVERIFY(Form2->isVisible());
        QVERIFY(m_boxes->shown().isEmpty());
        QVERIFY(m_sim.received().isEmpty()); // nothing goes out until the window starts a transfer
    }

    void failedOpenLeavesTheDocumentedState()
    {
        Form1->comcbb->setCurrentText(QStringLiteral("/nonexistent/port"));
        Form1->N4->setEnabled(true);
        Form1->N4->trigger();
        QCOMPARE(m_boxes->texts().size(), 1);
        // The second line says which device and why; the first is the component's fixed text.
        QCOMPARE(m_boxes->texts()[0].section(u'\n', 0, 0), QStringLiteral("Error opening serial port"));
        QVERIFY(!Form6->isVisible());
        QVERIFY(Form1->comcbb->isEnabled());

        QTest::mouseClick(Form1->wbtn, Qt::LeftButton);
        QCOMPARE(m_boxes->texts().size(), 2);
        QVERIFY(Form1->Tim1->isActive());
        QVERIFY(Form3->isVisible());
        QVERIFY(Form1->wbtn->isEnabled() && Form1->comcbb->isEnabled());
        Form3->Button2->click();
        QVERIFY(!Form1->Tim1->isActive());

        QTest::mouseClick(Form1->rbtn, Qt::LeftButton);
        QCOMPARE(m_boxes->texts().size(), 3);
        QVERIFY(Form3->isVisible());
        QVERIFY(!Form1->Tim1->isActive());
        QVERIFY(Form1->rbtn->isEnabled() && Form1->comcbb->isEnabled());

        // Retry after a failed open repeats what the user started: here a read.
        Form1->comcbb->setCurrentText(m_sim.portPath());
        Form3->Button1->click();
        QTRY_VERIFY_WITH_TIMEOUT(eventsOf(m_sim, Event::Read).size() == 17, 15000);
        QTRY_VERIFY(Form1->rbtn->isEnabled());
    }

    // A write that could not open its port stays a write on retry: a read would empty the
    // user's unsaved table.
    void retryAfterAFailedWriteOpenWrites()
    {
        typeIntoCell(1, 3, QStringLiteral("145.125"));
        Form1->comcbb->setCurrentText(QStringLiteral("/nonexistent/port"));
        QTest::mouseClick(Form1->wbtn, Qt::LeftButton);
        QCOMPARE(m_boxes->shown().size(), 1);
        QVERIFY(Form1->wbtn->isEnabled());
        m_boxes->clear();

        Form1->comcbb->setCurrentText(m_sim.portPath());
        Form3->Button1->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("写入成功")), 15000);
        QVERIFY(eventsOf(m_sim, Event::Read).isEmpty());
        QCOMPARE(eventsOf(m_sim, Event::Write).size(), 17);
        QCOMPARE(Form1->xg->Cells(1, 3), QStringLiteral("145.12500"));
    }

    void f11RestartsARunningWrite()
    {
        Form1->Tim1->setInterval(60000); // only the restart, not a resend, may put "PROGRAM" out
        Form1->comcbb->setCurrentText(m_sim.portPath());
        m_sim.dropAnswers(1000000); // a radio that heard the first frames, then nothing
        QTest::keyClick(Form1->xg, Qt::Key_F11);
        QVERIFY(!Form1->wbtn->isEnabled());
        // The radio has made out the first handshake before the logs are cleared.
        QTRY_VERIFY(!eventsOf(m_sim, Event::Handshake).isEmpty());
        m_sim.clearLogs();
        Form1->link().setWriteBlockCounter(5);
        QTest::keyClick(Form1->comcbb, Qt::Key_F11); // while wbtn is disabled
        QCOMPARE(Form1->link().writeBlockCounter(), 0);
        QTRY_COMPARE(m_sim.received().left(7), QByteArray("PROGRAM"));
        QVERIFY(Form1->Comm1->isOpen());
    }

    void retryRestartsTheRunningTransfer()
    {
        Form1->Tim1->setInterval(60000); // only the retry, not a resend, may put "PROGRAM" out
        Form1->comcbb->setCurrentText(m_sim.portPath());
        m_sim.dropAnswers(1000000);
        QTest::mouseClick(Form1->wbtn, Qt::LeftButton);
        QTRY_VERIFY(m_sim.received().startsWith("PROGRAM"));
        m_sim.clearLogs();
        Form3->Button1->click();
        QVERIFY(!Form1->wbtn->isEnabled()); // a new write, not a read
        QVERIFY(Form1->rbtn->isEnabled());
        QVERIFY(Form1->Comm1->isOpen());
        QTRY_VERIFY(m_sim.received().startsWith("PROGRAM"));

        Form3->Button2->click();
        QVERIFY(!Form1->Comm1->isOpen());
        QVERIFY(!Form1->Tim1->isActive());
        QVERIFY(Form1->wbtn->isEnabled() && Form1->comcbb->isEnabled() && !Form3->isVisible());

        QTest::mouseClick(Form1->rbtn, Qt::LeftButton);
        Form3->Button1->click();
        QVERIFY(!Form1->rbtn->isEnabled()); // a read again
        QVERIFY(Form1->wbtn->isEnabled());
        QVERIFY(Form1->Tim1->isActive());
    }

    void cancelThenSignallingItemSendsNothing()
    {
        Form1->comcbb->setCurrentText(m_sim.portPath());
        m_sim.dropAnswers(1000000);
        QTest::mouseClick(Form1->wbtn, Qt::LeftButton);
        Form3->Button2->click();
        Form1->DTMF1->trigger();
        QVERIFY(Form1->Comm1->isOpen());
        QVERIFY(!Form1->Tim1->isActive());
        // Bytes of the cancelled write may still be on their way; a marker sent now arrives
        // behind all of them, so only what follows it was sent after the port reopened.
        const QByteArray marker = bytes({0x15, 0x15, 0x15, 0x15});
        QVERIFY(Form1->Comm1->WriteData(marker.constData(), marker.size()));
        QTRY_VERIFY(m_sim.received().contains(marker));
        QTest::qWait(700); // two resend periods: the stopped timer must stay silent
        const QByteArray line = m_sim.received();
        QCOMPARE(line.mid(line.lastIndexOf(marker) + marker.size()).toHex(' '), QByteArray());
    }

    void pulledCableIsReportedOnce()
    {
        Form1->comcbb->setCurrentText(m_sim.portPath());
        m_sim.dropAnswers(1000000);
        QTest::mouseClick(Form1->rbtn, Qt::LeftButton);
        QTRY_VERIFY(m_sim.received().startsWith("PROGRAM"));
        m_sim.hangUp();
        // One box says so and what the table holds; the port and its box are given back at once.
        QTRY_COMPARE(m_boxes->shown().size(), 1);
        QCOMPARE(m_boxes->texts()[0], QStringLiteral("串口连接中断，请检查写频线后重试。\n读取在第 1 块（共 17 块）处中断。"
                                                     "请检查写频线和电台后重新读取。\n读到的数据没有采用，窗口中的内容保持不变。"));
        QCOMPARE(m_boxes->shown()[0].actions.size(), 2); // 重试读频, 串口诊断
        QVERIFY(!Form1->Comm1->isOpen() && Form1->comcbb->isEnabled() && !Form3->isVisible());
        QVERIFY(Form1->rbtn->isEnabled() && !Form1->Tim1->isActive());
        QTest::qWait(700); // nothing more is said
        QCOMPARE(m_boxes->shown().size(), 1);
    }

    void typedSpacesNeverArrive()
    {
        QLineEdit *edit = Form1->ComboBox3->lineEdit();
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("1 2"));
        QCOMPARE(Form1->ComboBox3->currentText(), QStringLiteral("12"));

        Form1->xg->setFocus();
        Form1->xg->setCurrentCell(1, 2);
        QTest::keyClick(Form1->xg, '1'); // starts the edit; the editor takes the rest
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" 45"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(Form1->xg->Cells(1, 2), QStringLiteral("145.00000"));
    }

    // F11 and the space rule belong to the main window's own controls, not to its dialogs; and
    // Space still presses a focused button.
    void keyRulesStayInTheMainWindow()
    {
        QDialog dialog(Form1);
        auto *name = new QLineEdit(&dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("my plan"));
        QTest::keyClick(name, Qt::Key_F11);
        QCOMPARE(name->text(), QStringLiteral("my plan"));
        QVERIFY(Form1->wbtn->isEnabled());
        QVERIFY(!Form3->isVisible());
        dialog.hide();

        Form1->comcbb->setCurrentText(QStringLiteral("/nonexistent/port"));
        QSignalSpy pressed(Form1->rbtn, &QPushButton::clicked);
        Form1->rbtn->setFocus();
        QTest::keyClick(Form1->rbtn, Qt::Key_Space);
        QCOMPARE(pressed.size(), 1);
        Form3->Button2->click();
    }

    // What is typed into a cell counts without Enter: F11, 保存 and a read take it first.
    void openEditIsCommittedFirst()
    {
        Form1->comcbb->setCurrentText(m_sim.portPath());
        typeWithoutEnter(1, 1, QStringLiteral("145.125"));
        QVERIFY(Form1->xg->isEditing());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F11);
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("写入成功")), 15000);
        const QList<Event> writes = eventsOf(m_sim, Event::Write);
        QVERIFY(!writes.isEmpty());
        QCOMPARE(writes[0].bytes.mid(4, 8).toHex(' '), QByteArray("88 6e a6 08 88 6e a6 08")); // 145125000 Hz twice
        QCOMPARE(Form1->xg->Cells(4, 1), QStringLiteral("无")); // completed as Enter would

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plan.zq"));
        Form1->chooseSaveFile = [&] { return file; };
        typeWithoutEnter(1, 2, QStringLiteral("146"));
        Form1->N5->trigger();
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("146.00000"));

        // A rule that fails on F11 is shown once and nothing goes out.
        m_boxes->clear();
        m_sim.clearLogs();
        typeWithoutEnter(1, 5, QStringLiteral("abc"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F11);
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("'abc' is not a valid floating point value")});
        QVERIFY(Form1->wbtn->isEnabled());
        QVERIFY(!Form3->isVisible());
        QVERIFY(m_sim.received().isEmpty());
    }

    // Types `text` into cell (col, row) of the channel table as a user would and leaves the
    // editor open.
    static void typeWithoutEnter(int col, int row, const QString &text)
    {
        Form1->activateWindow(); // the progress window may have taken the activation
        QTRY_VERIFY(Form1->isActiveWindow());
        Form1->xg->setFocus();
        Form1->xg->setCurrentCell(col, row);
        if (text.isEmpty()) {
            QTest::keyClick(Form1->xg, Qt::Key_F2);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        } else {
            QTest::keyClick(Form1->xg, text[0].toLatin1());
            QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
        }
    }

    // The same, then Enter.
    static void typeIntoCell(int col, int row, const QString &text)
    {
        typeWithoutEnter(col, row, text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }

    static QStringList row(int r)
    {
        QStringList out;
        for (int c = 1; c <= 15; ++c)
            out << Form1->xg->Cells(c, r);
        return out;
    }

    void tableRulesWhileTyping()
    {
        typeIntoCell(1, 4, QStringLiteral("145.125"));
        QCOMPARE(row(4), QStringList({"145.12500", "145.12500", "无", "无", "高", "宽带", "有", "25000", "无",
                                      "无", "无", "无", "DTMF", "1", "无"}));
        typeIntoCell(1, 4, QStringLiteral("146"));
        QCOMPARE(Form1->xg->Cells(1, 4), QStringLiteral("146.00000"));
        QCOMPARE(Form1->xg->Cells(2, 4), QStringLiteral("145.12500"));
        typeIntoCell(2, 4, QStringLiteral("145.123456"));
        QCOMPARE(Form1->xg->Cells(2, 4), QStringLiteral("145.12346"));

        // A choice in a row without receive frequency is undone at once.
        Form1->xg->setFocus();
        Form1->xg->setCurrentCell(5, 9);
        QTest::keyClick(Form1->xg, Qt::Key_F2); // opens on the default "高"
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // "低"
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(row(9), QStringList(15));

        typeIntoCell(1, 4, QString());
        QCOMPARE(row(4), QStringList(15));
        QCOMPARE(Form1->xg->Cells(0, 4), QStringLiteral("4"));
        QVERIFY(m_boxes->shown().isEmpty());

        typeIntoCell(1, 6, QStringLiteral("abc"));
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("'abc' is not a valid floating point value")});
        QCOMPARE(Form1->xg->Cells(1, 6), QStringLiteral("abc"));
        QCOMPARE(Form1->xg->Cells(2, 6), QString());
    }

    // The file menu's keys reach their handlers; 保存 goes to the plan's own file without a dialog.
    void fileKeysReachTheirHandlers_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("reached");
        QTest::newRow("Ctrl+N 新建") << QKeySequence(Qt::CTRL | Qt::Key_N) << "信道表有未保存的修改。新建前保存吗？";
        QTest::newRow("Ctrl+O 打开") << QKeySequence(Qt::CTRL | Qt::Key_O) << "打开对话框";
        QTest::newRow("Ctrl+S 保存") << QKeySequence(Qt::CTRL | Qt::Key_S) << "保存 own.zq";
        QTest::newRow("Ctrl+Shift+S 另存为") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) << "保存对话框";
        QTest::newRow("Ctrl+Q 退出") << QKeySequence(Qt::CTRL | Qt::Key_Q) << "信道表有未保存的修改。关闭前保存吗？";
    }
    void fileKeysReachTheirHandlers()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, reached);
        QTemporaryDir dir;
        Form1->chooseSaveFile = [&] { return dir.filePath(QStringLiteral("own.zq")); };
        Form1->N5->trigger();
        typeIntoCell(1, 1, QStringLiteral("145.125")); // unsaved: 新建 and 退出 ask
        QStringList got;
        Form1->chooseOpenFile = [&] {
            got << QStringLiteral("打开对话框");
            return QString();
        };
        Form1->chooseSaveFile = [&] {
            got << QStringLiteral("保存对话框");
            return QString();
        };
        Form1->sheet()->askToSave = [&](const QString &question) {
            got << question;
            return PlanSheet::SaveChoice::Cancel;
        };
        connect(Form1, &TForm1::planSaved, this,
                [&](const QString &file) { got << QStringLiteral("保存 ") + QFileInfo(file).fileName(); });
        QTest::keySequence(Form1->xg, keys);
        QCOMPARE(got, QStringList{reached});
        QVERIFY(Form1->isVisible());
        QCOMPARE(Form1->xg->Cells(1, 1), QStringLiteral("145.12500"));
    }

    // The last eight plans opened or saved, newest first; one gone since is greyed; the list is
    // kept between runs.
    void recentFiles()
    {
        Form1->keepBetweenRuns();
        QTemporaryDir dir;
        const auto plan = [&](int n) { return dir.filePath(QStringLiteral("plan%1.zq").arg(n)); };
        for (int n = 0; n < 10; ++n) {
            Form1->xg->setCells(1, 1, QStringLiteral("14%1.00000").arg(n));
            Form1->chooseSaveFile = [&] { return plan(n); };
            Form1->saveAsAction->trigger();
        }
        Form1->chooseOpenFile = [&] { return plan(4); };
        Form1->N3->trigger();
        QVERIFY(QFile::remove(plan(8)));
        emit Form1->recentMenu->aboutToShow();
        QStringList shown;
        for (const QAction *item : Form1->recentMenu->actions())
            shown << item->text().section(u'/', -1) + (item->isEnabled() ? QString() : QStringLiteral(" (greyed)"));
        QCOMPARE(shown, QStringList({"plan4.zq", "plan9.zq", "plan8.zq (greyed)", "plan7.zq", "plan6.zq", "plan5.zq",
                                     "plan3.zq", "plan2.zq"}));
        QVERIFY(Form1->recentMenu->actions().first()->text().startsWith(QStringLiteral("&1 ")));
        Form1->recentMenu->actions()[6]->trigger();
        QCOMPARE(Form1->xg->Cells(1, 1), QStringLiteral("143.00000"));
        QCOMPARE(Form1->recentFiles().first(), plan(3));

        const QStringList kept = Form1->recentFiles();
        destroyForms();
        createForms();
        Form1->keepBetweenRuns();
        QCOMPARE(Form1->recentFiles(), kept);
    }

    // A .zq dropped anywhere on the window opens as 打开 would; anything else is refused with a
    // message and changes nothing.
    void droppedFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("ontoABox"); // a setting's box, whose line edit takes text drops
        QTest::addColumn<QString>("message"); // empty when the plan opens; %1 the first file
        QTest::newRow("plan onto the table") << QStringList{"plan.zq"} << false << "";
        QTest::newRow("plan onto a box") << QStringList{"plan.zq"} << true << "";
        QTest::newRow("text file") << QStringList{"notes.txt"} << false << "只能打开写频文件 (*.zq)，%1 不是。";
        QTest::newRow("bad plan") << QStringList{"bad.zq"} << true << "打开";
        QTest::newRow("two plans") << QStringList{"plan.zq", "bad.zq"} << false << "只能打开一个写频文件。";
    }
    void droppedFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, ontoABox);
        QFETCH(QString, message);
        QTemporaryDir dir;
        Form1->xg->setCells(1, 2, QStringLiteral("430.00000"));
        SaveChannelPlan(Form1->texts(), dir.filePath(QStringLiteral("plan.zq")));
        Form1->xg->setCells(1, 2, QString());
        for (const char *name : {"notes.txt", "bad.zq"}) {
            QFile other(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(other.open(QIODevice::WriteOnly) && other.write("no plan here\r\n") > 0);
        }
        QList<QUrl> urls;
        for (const QString &file : files)
            urls << QUrl::fromLocalFile(dir.filePath(file));
        if (message == QStringLiteral("打开")) { // the refusal 打开 gives
            Form1->chooseOpenFile = [&] { return urls.first().toLocalFile(); };
            Form1->N3->trigger();
            message = m_boxes->texts().value(0);
            m_boxes->clear();
        }
        const QStringList before = {Form1->xg->Cells(1, 2), Form1->ComboBox3->currentText()};

        QWidget *target = ontoABox ? static_cast<QWidget *>(Form1->ComboBox3->lineEdit()) : Form1;
        const QPoint at = target->rect().center();
        QMimeData mime;
        mime.setUrls(urls);
        mime.setText(urls.first().toLocalFile()); // as file managers offer it, which a line edit takes
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        if (message.isEmpty()) {
            QTRY_COMPARE(Form1->xg->Cells(1, 2), QStringLiteral("430.00000"));
            QCOMPARE(Form1->sheet()->planFile(), urls.first().toLocalFile());
            QCOMPARE(Form1->ComboBox3->currentText(), before[1]); // no path typed into the box
        } else {
            QTRY_COMPARE(m_boxes->texts(), QStringList{message.arg(urls.first().toLocalFile())});
            QCOMPARE(QStringList({Form1->xg->Cells(1, 2), Form1->ComboBox3->currentText()}), before);
        }
    }

    void activationRenumbersColumnZero()
    {
        Form1->xg->setCells(0, 3, QStringLiteral("x"));
        Form2->show();
        Form2->activateWindow();
        QTRY_VERIFY(!Form1->isActiveWindow());
        Form1->activateWindow();
        QTRY_COMPARE(Form1->xg->Cells(0, 3), QStringLiteral("3"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
