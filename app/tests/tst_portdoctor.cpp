// Finding the cable: the port box's device list, the port doctor reached from a port error, the
// no-answer text of the progress window, and boxes above the progress window.
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "app/messagebox.h"
#include "app/ports/portbox.h"
#include "app/ports/portdoctorwindow.h"
#include "app/tests/linebytes.h"
#include "rtl/dialogs.h"
#include "tools/radiosim/radiosim.h"

#include <QAbstractItemView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <unistd.h>

using radiosim::Event;

namespace {

// A fake machine with one CH340 cable at ttyUSB0 (and its by-id link) that only dialout may use.
struct FakeMachine {
    QTemporaryDir dir;
    PortEnvironment env;
    QList<SerialDevice> devices{{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB Serial"), {}, {}, 0x1a86, 0x7523}};

    FakeMachine()
    {
        env.root = dir.path();
        env.user = {::getuid() + 1, {}, QStringLiteral("wang")};
        env.listDevices = [this] { return devices; };
        QDir(dir.path()).mkpath(QStringLiteral("dev/serial/by-id"));
        QDir(dir.path()).mkpath(QStringLiteral("etc"));
        for (const char *name : {"dev/ttyUSB0", "dev/ttyUSB1", "dev/radio-cable"})
            addDevice(QString::fromLatin1(name));
        QFile::link(QStringLiteral("../../ttyUSB0"), dir.filePath(QStringLiteral("dev/serial/by-id/usb-1a86_USB_Serial-if00-port0")));
        QFile group(dir.filePath(QStringLiteral("etc/group")));
        if (group.open(QIODevice::WriteOnly))
            group.write(QStringLiteral("dialout:x:%1:\n").arg(::getgid()).toLatin1());
    }
    void addDevice(const QString &name)
    {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
    }
};

} // namespace

class TestPortDoctor : public QObject {
    Q_OBJECT

    std::unique_ptr<rtl::dialogs::Recording> m_boxes;

private slots:
    void init()
    {
        m_boxes = std::make_unique<rtl::dialogs::Recording>();
        createForms();
        Form3->pause = [](int) {};
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
    }
    void cleanup()
    {
        destroyForms();
        m_boxes.reset();
    }

    void portBoxListsDevicesEachTimeItOpens()
    {
        FakeMachine fake;
        auto *box = qobject_cast<PortBox *>(Form1->comcbb);
        QVERIFY(box);
        box->environment = fake.env;
        box->setEditText(QStringLiteral("/dev/pts/77")); // typed, and kept through the refresh
        box->showPopup();
        QCOMPARE(box->count(), 10);
        QCOMPARE(box->itemText(8), QStringLiteral("COM9"));
        QCOMPARE(box->itemText(9), QStringLiteral("/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0"));
        QCOMPARE(box->itemData(9, Qt::ToolTipRole).toString(),
                 QStringLiteral("ttyUSB0 — USB Serial · 1a86:7523 — 无法打开: wang 不在 dialout 组，不能读写 /dev/ttyUSB0"));
        QCOMPARE(box->currentText(), QStringLiteral("/dev/pts/77"));
        box->hidePopup();

        fake.devices << SerialDevice{QStringLiteral("/dev/ttyUSB1"), {}, {}, {}, {}, {}};
        box->environment.user.groups = {::getgid()};
        box->showPopup();
        QCOMPARE(box->count(), 11);
        QCOMPARE(box->itemText(10), QStringLiteral("/dev/ttyUSB1"));
        QCOMPARE(box->itemData(9, Qt::ToolTipRole).toString(), QStringLiteral("ttyUSB0 — USB Serial · 1a86:7523"));
        // Picking a device puts a path TComm can open into the box, not its description.
        box->view()->setCurrentIndex(box->model()->index(9, 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
        QTRY_COMPARE(box->currentText(), QStringLiteral("/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0"));
    }

    void portErrorLeadsToTheDoctor()
    {
        FakeMachine fake;
        Form1->portDoctor()->setEnvironment(fake.env);
        Form1->portDoctor()->echoTimeoutMs = 200;
        // Not on this machine, so the real open fails; the fake machine has it.
        Form1->comcbb->setCurrentText(QStringLiteral("/dev/radio-cable"));
        QTest::mouseClick(Form1->rbtn, Qt::LeftButton);
        QCOMPARE(m_boxes->shown().size(), 1);
        const rtl::dialogs::Shown box = m_boxes->shown()[0];
        QCOMPARE(box.text.section(u'\n', 0, 0), QStringLiteral("Error opening serial port"));
        QCOMPARE(box.actionLabel(), QStringLiteral("串口诊断"));
        Form3->Button2->click();
        box.choose(box.actionLabel());

        PortDoctorWindow *doctor = Form1->portDoctor();
        QVERIFY(doctor->isVisible());
        QCOMPARE(doctor->portBox->currentText(), QStringLiteral("/dev/radio-cable"));
        QStringList got;
        for (const CheckResult &r : doctor->results())
            got << r.id + QLatin1Char(' ') + QString::number(int(r.status));
        QCOMPARE(got, QStringList({"cable 0", "device 1", "access 2", "holders 0", "brltty 0", "modemmanager 0", "line 3"}));
        QVERIFY(doctor->report->toPlainText().contains(QStringLiteral("sudo usermod -aG dialout $USER")));

        // The loopback runs beside the window and lands as the last finding.
        QTest::mouseClick(doctor->echoButton, Qt::LeftButton);
        QVERIFY(!doctor->echoButton->isEnabled());
        QTRY_VERIFY(!doctor->echoRunning());
        QCOMPARE(doctor->results().last().id, QStringLiteral("echo"));
        QVERIFY(doctor->echoButton->isEnabled());

        // 帮助 → 串口诊断 checks whatever the port box holds now.
        Form1->comcbb->setCurrentText(QStringLiteral("COM1"));
        Form1->PortDoctor1->trigger();
        QCOMPARE(doctor->portBox->currentText(), QStringLiteral("COM1"));
        QCOMPARE(doctor->results().at(1).detail, QStringLiteral("COM1 即 /dev/ttyUSB0 存在"));
    }

    // Without any USB serial device the doctor says no cable was found, and checks again by
    // itself once one is plugged in.
    void pluggedCableIsCheckedAgain()
    {
        FakeMachine fake;
        const QList<SerialDevice> cable = fake.devices;
        fake.devices.clear();
        QVERIFY(QFile::remove(fake.dir.filePath(QStringLiteral("dev/ttyUSB0"))));
        PortDoctorWindow *doctor = Form1->portDoctor();
        doctor->setEnvironment(fake.env);
        Form1->comcbb->setCurrentText(QStringLiteral("COM1"));
        Form1->PortDoctor1->trigger();
        QVERIFY(doctor->isVisible());
        QCOMPARE(doctor->results().first().id, QStringLiteral("cable"));
        QCOMPARE(int(doctor->results().first().status), int(CheckStatus::Fail));
        QVERIFY(doctor->report->toPlainText().contains(QStringLiteral("没有找到写频线")));

        fake.addDevice(QStringLiteral("dev/ttyUSB0"));
        fake.devices = cable;
        QTRY_COMPARE(int(doctor->results().first().status), int(CheckStatus::Pass));
        QCOMPARE(doctor->results().at(1).detail, QStringLiteral("COM1 即 /dev/ttyUSB0 存在"));
    }

    void noAnswerTextWhileTheRadioIsSilent()
    {
        radiosim::RadioSim sim;
        QVERIFY(sim.start());
        Form3->noAnswerTimer->setInterval(1000);
        Form1->comcbb->setCurrentText(sim.portPath());
        sim.dropAnswers(1000000);
        QTest::mouseClick(Form1->rbtn, Qt::LeftButton);
        QVERIFY(!Form3->noAnswerLabel->isVisible());
        QTRY_VERIFY(Form3->noAnswerLabel->isVisible());
        QCOMPARE(Form3->noAnswerLabel->text(), QStringLiteral("电台无响应: 检查写频线是否插好、电台是否开机"));
        QTRY_VERIFY(eventsOf(sim, Event::Handshake).size() >= 2); // still resending

        sim.clearFaults();
        sim.dropAnswersTo(0, 3, 1000000);
        QTRY_VERIFY(!Form3->noAnswerLabel->isVisible());                // answers again
        QTRY_COMPARE_WITH_TIMEOUT(Form1->link().readBlockCounter(), 3, 10000); // asks for channel 3
        QTRY_VERIFY(Form3->noAnswerLabel->isVisible());                 // and is silent then

        Form3->Button1->click(); // a new transfer starts without the text
        QVERIFY(Form3->isVisible());
        QVERIFY(!Form3->noAnswerLabel->isVisible());
        Form3->Button2->click();
        QVERIFY(!Form3->noAnswerTimer->isActive());
        sim.stop();
    }

    void boxesStayAboveTheProgressWindow_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("send failure") << int(rtl::dialogs::Kind::Error) << "发送失败!" << "是(&Y)";
        QTest::newRow("written") << int(rtl::dialogs::Kind::Info) << "写入成功" << "确定";
        QTest::newRow("port error") << int(rtl::dialogs::Kind::Exception) << "Error opening serial port\n/dev/x 不存在"
                                    << "确定|串口诊断";
    }
    void boxesStayAboveTheProgressWindow()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, buttons);
        rtl::dialogs::Shown shown{rtl::dialogs::Kind(kind), QStringLiteral("c"), text, {}};
        if (buttons.contains(QLatin1Char('|')))
            shown.actions = {{QStringLiteral("串口诊断"), [] {}}};
        Form3->show();
        std::unique_ptr<QMessageBox> box = buildMessageBox(shown);
        QCOMPARE(box->parentWidget(), Form3);
        QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
        QStringList labels;
        for (QAbstractButton *b : box->buttons())
            labels << b->text();
        labels.sort();
        QStringList expected = buttons.split(QLatin1Char('|'));
        expected.sort();
        QCOMPARE(labels, expected);

        Form3->hide();
        box = buildMessageBox(shown);
        QVERIFY(box->parentWidget() != Form3);
        QVERIFY(!(box->windowFlags() & Qt::WindowStaysOnTopHint));
    }
};

QTEST_MAIN(TestPortDoctor)
#include "tst_portdoctor.moc"
