// The program as a desktop program: its command line, a plan named on it, the About box with Qt's
// Chinese texts, and a channel table that follows the desktop's font.
#include "app/Unit1.h"
#include "app/commandline.h"
#include "app/forms.h"
#include "channels/channelplan.h"
#include "grid/cellgrid.h"
#include "radioprog/version.h"
#include "rtl/dialogs.h"

#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What a text may take of a column and still show whole: all but the grid line and a pixel each side.
int textWidth(const TCellGrid *grid, int col)
{
    return grid->ColWidths(col) - grid->GridLineWidth() - 2;
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    std::unique_ptr<rtl::dialogs::Recording> m_boxes;
    QFont m_appFont;

private slots:
    void initTestCase() { m_appFont = QApplication::font(); }
    void init() { m_boxes = std::make_unique<rtl::dialogs::Recording>(); }
    void cleanup()
    {
        destroyForms();
        QApplication::setFont(m_appFont);
        m_boxes.reset();
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("--version") << QStringList{"--version"} << 0
                                   << QStringLiteral("对讲机写频软件 " RADIOPROG_VERSION "\n");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << QStringLiteral("[PLAN.zq]");
        QTest::newRow("unknown option") << QStringList{"--colour"} << 1 << QString();
        QTest::newRow("two plans") << QStringList{"a.zq", "b.zq"} << 1 << QString();
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        QProcess program;
        if (status == 0) { // text only: no display needed
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                environment.remove(QString::fromLatin1(name));
            program.setProcessEnvironment(environment);
        }
        program.start(QStringLiteral(RADIOPROG_BINARY), arguments);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QString shown = QString::fromUtf8(program.readAllStandardOutput());
        if (arguments.first() == QStringLiteral("--version"))
            QCOMPARE(shown, output);
        else
            QVERIFY2(shown.contains(output), qPrintable(shown));
        if (status != 0)
            QVERIFY(!program.readAllStandardError().isEmpty());
    }

    // A plan named on the command line loads as 打开 would, relative to the working folder; a file
    // that is not a plan gets 打开's message and changes nothing.
    void planArgument_data()
    {
        QTest::addColumn<bool>("isPlan");
        QTest::newRow("plan") << true;
        QTest::newRow("not a plan") << false;
    }
    void planArgument()
    {
        QFETCH(bool, isPlan);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        createForms();
        Form1->xg->setCells(1, 3, QStringLiteral("145.12500"));
        SaveChannelPlan(Form1->texts(), dir.filePath("good.zq"));
        QFile bad(dir.filePath("bad.zq"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("no plan here\r\n") > 0);
        bad.close();
        destroyForms();
        createForms();

        const QString file = isPlan ? QStringLiteral("good.zq") : QStringLiteral("bad.zq");
        QString expected;
        if (!isPlan) {
            Form1->chooseOpenFile = [&] { return dir.filePath(file); };
            Form1->N3->trigger();
            QCOMPARE(m_boxes->shown().size(), 1);
            expected = m_boxes->shown().first().text;
            m_boxes->clear();
        }
        const QString keep = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const QString plan = planFromCommandLine({QStringLiteral("radioprog"), file});
        openPlanFile(*Form1, plan);
        QDir::setCurrent(keep);

        QCOMPARE(Form1->xg->Cells(1, 3), isPlan ? QStringLiteral("145.12500") : QString());
        QCOMPARE(m_boxes->texts(), isPlan ? QStringList() : QStringList{expected});
    }

    void aboutBoxInChinese()
    {
        QVERIFY(installQtTranslation(*qApp));
        createForms();
        QVERIFY(Form1->helpMenu()->actions().contains(Form1->aboutAction));
        Form1->aboutAction->trigger();
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = Form1->findChild<QMessageBox *>("aboutBox")) && box->isVisible());
        for (const QString &part : {QStringLiteral(RADIOPROG_VERSION), QString::fromLatin1(qVersion()),
                                    QStringLiteral(RADIOPROG_LICENSE)})
            QVERIFY2(box->text().contains(part), qPrintable(part));
        QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(!Form1->findChild<QMessageBox *>("aboutBox"));
    }

    void tableFollowsTheApplicationFont_data()
    {
        QTest::addColumn<int>("pixelSize");
        for (int size : {10, 13, 17, 26})
            QTest::newRow(qPrintable(QStringLiteral("%1 px").arg(size))) << size;
    }
    void tableFollowsTheApplicationFont()
    {
        QFETCH(int, pixelSize);
        QFont font = m_appFont;
        font.setPixelSize(pixelSize);
        QApplication::setFont(font);
        createForms();
        const TCellGrid *xg = Form1->xg;
        QCOMPARE(QFontInfo(xg->font()).pixelSize(), pixelSize);
        const QFontMetrics metrics(xg->font());
        for (int col : {1, 2})
            QVERIFY(metrics.horizontalAdvance(QStringLiteral("145.12500")) <= textWidth(xg, col));
        QVERIFY(metrics.horizontalAdvance(xg->Cells(3, 0)) <= textWidth(xg, 3)); // QT/DQT解码
        QVERIFY(metrics.height() <= xg->DefaultRowHeight() - xg->GridLineWidth() - 2);
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
