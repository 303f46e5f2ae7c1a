// The main window on small screens: it opens inside the free part of the screen, frame and
// buttons included, and comes back where it was left, pulled inside when that was elsewhere.
// The offscreen screen is set before the application starts, from RADIOPROG_TEST_SCREEN
// ("1024x768" when unset; "1920x1080@2" for QT_SCALE_FACTOR=2).
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/ports/portdoctorwindow.h"
#include "rtl/dialogs.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char *const kScreenVariable = "RADIOPROG_TEST_SCREEN";
// Set for a child run that only leaves a place behind, half off its screen, and prints its size.
const char *const kSaveVariable = "RADIOPROG_TEST_SAVE_PLACE";

QString describe(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

void showForm1()
{
    Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
}

} // namespace

class TestWindowPlace : public QObject {
    Q_OBJECT

    std::unique_ptr<rtl::dialogs::Recording> m_boxes;

    static QRect available() { return Form1->screen()->availableGeometry(); }

private slots:
    void init()
    {
        m_boxes = std::make_unique<rtl::dialogs::Recording>();
        QSettings(QStringLiteral("radioprog"), QStringLiteral("radioprog")).clear();
        createForms();
    }
    void cleanup()
    {
        destroyForms();
        m_boxes.reset();
    }

    void opensInsideTheScreen()
    {
        showForm1();
        QVERIFY2(available().contains(Form1->frameGeometry()),
                 qPrintable(describe(Form1->frameGeometry()) + QStringLiteral(" in ") + describe(available())));
        for (QWidget *control : std::initializer_list<QWidget *>{Form1->comcbb, Form1->rbtn, Form1->wbtn}) {
            const QRect onScreen(control->mapToGlobal(QPoint(0, 0)), control->size());
            QVERIFY2(control->isVisible() && available().contains(onScreen), qPrintable(describe(onScreen)));
        }
        // The port doctor opens over the window, and inside the screen too; it looks at an empty
        // machine rather than this one.
        QTemporaryDir machine;
        PortDoctorWindow *doctor = Form1->portDoctor();
        doctor->setEnvironment(PortEnvironment{machine.path(), {}, 0, {}});
        Form1->PortDoctor1->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(doctor));
        QVERIFY2(available().contains(doctor->frameGeometry()), qPrintable(describe(doctor->frameGeometry())));
    }

    void placeComesBack()
    {
        Form1->keepBetweenRuns();
        const QRect place = available().adjusted(40, 60, -30, -20);
        Form1->setGeometry(place);
        showForm1();
        QVERIFY(Form1->close());
        destroyForms();
        createForms();
        Form1->keepBetweenRuns();
        showForm1();
        QCOMPARE(Form1->geometry(), place);
    }

    // A place left half off this screen, or on a bigger one, comes back inside this one.
    void placeFromElsewhereIsPulledIn_data()
    {
        QTest::addColumn<QString>("savedOn"); // empty: this screen
        QTest::newRow("off this screen's corner") << QString();
        QTest::newRow("on 1280x1024") << QStringLiteral("1280x1024");
        QTest::newRow("on 2560x1440") << QStringLiteral("2560x1440");
    }
    void placeFromElsewhereIsPulledIn()
    {
        QFETCH(QString, savedOn);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(); // the settings folder too
        if (!savedOn.isEmpty())
            environment.insert(QString::fromLatin1(kScreenVariable), savedOn);
        environment.insert(QString::fromLatin1(kSaveVariable), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        const QStringList saved = QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(u'x');
        QCOMPARE(saved.size(), 2);

        Form1->keepBetweenRuns();
        showForm1();
        QVERIFY2(available().contains(Form1->frameGeometry()),
                 qPrintable(describe(Form1->frameGeometry()) + QStringLiteral(" in ") + describe(available())));
        if (savedOn.isEmpty()) // moved in, and kept the size it had
            QCOMPARE(Form1->size(), QSize(saved[0].toInt(), saved[1].toInt()));
    }
};

namespace {

// The child's part: the window, once shown, moved from the middle of the screen over its bottom
// right corner, then closed, so that its place is kept.
int leavePlaceBehind(int argc, char *argv[])
{
    QApplication app(argc, argv);
    rtl::dialogs::Recording boxes;
    createForms();
    Form1->keepBetweenRuns();
    Form1->show();
    if (!QTest::qWaitForWindowActive(Form1))
        return 1;
    const QRect screen = Form1->screen()->availableGeometry();
    Form1->setGeometry(QRect(screen.center(), Form1->minimumSizeHint()));
    if (!Form1->close())
        return 1;
    std::printf("%dx%d\n", Form1->width(), Form1->height());
    destroyForms();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QString screenText = qEnvironmentVariable(kScreenVariable, QStringLiteral("1024x768"));
    const QRegularExpressionMatch screen =
        QRegularExpression(QStringLiteral(R"(^(\d+)x(\d+)(?:@(\d+(?:\.\d+)?))?$)")).match(screenText);
    if (!screen.hasMatch()) {
        std::fprintf(stderr, "%s: not a screen (1024x768, 1920x1080@2)\n", kScreenVariable);
        return 2;
    }
    // The screen, the scale and a settings folder of its own, before the application reads them.
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly))
        return 2;
    config.write(QStringLiteral(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                     .arg(screen.captured(1), screen.captured(2))
                     .toUtf8());
    config.close();
    qputenv("QT_QPA_PLATFORM", QFile::encodeName(QStringLiteral("offscreen:configfile=") + config.fileName()));
    if (screen.captured(3).isEmpty())
        qunsetenv("QT_SCALE_FACTOR");
    else
        qputenv("QT_SCALE_FACTOR", screen.captured(3).toLatin1());
    if (qEnvironmentVariableIsSet(kSaveVariable))
        return leavePlaceBehind(argc, argv); // into the settings folder of the run that started it
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));

    QApplication app(argc, argv);
    TestWindowPlace test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowplace.moc"
