// What the four signalling windows share: buttons that stay where they are through an exchange.
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/tests/windowrig.h"
#include "grid/cellgrid.h"
#include "rtl/dialogs.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"

#include <QtTest>

namespace {

enum Window { Dtmf, TwoTone, FiveTone, Fsk };
const char *const kWindowNames[] = {"DTMF", "2TONE", "5TONE", "FSK"};

SignallingWindow *windowAt(int window)
{
    SignallingWindow *const windows[] = {Form2, Form4, Form5, Form6};
    return windows[window];
}

// Lays the window out as the event loop would while delivering nothing else, so a running
// exchange stands still. A layout may ask its parent's for another pass: a round per level.
void layOut()
{
    constexpr int kLayoutLevels = 4;
    for (int level = 0; level < kLayoutLevels; ++level)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

QList<QRect> buttonPlaces(SignallingWindow *w)
{
    layOut();
    QList<QRect> places;
    for (const QPushButton *button : {w->rbtn, w->wbtn, w->Button3})
        places << QRect(button->mapTo(w, QPoint(0, 0)), button->size());
    return places;
}

} // namespace

class TestSignallingWindows : public QObject, public WindowRig {
    Q_OBJECT

private slots:
    void init() { QVERIFY(startRig()); }
    void cleanup() { stopRig(); }

    // 读取, 写入 and 关闭 keep their place and size whether the progress bar shows or not.
    void buttonsStayPut_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("write");
        for (int window = Dtmf; window <= Fsk; ++window) {
            QTest::addRow("%s read", kWindowNames[window]) << window << false;
            QTest::addRow("%s write", kWindowNames[window]) << window << true;
        }
    }
    void buttonsStayPut()
    {
        QFETCH(int, window);
        QFETCH(bool, write);
        SignallingWindow *w = windowAt(window);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QList<QRect> before = buttonPlaces(w);
        QSignalSpy ended(w, &SignallingWindow::exchangeEnded);

        write ? w->wbtnClick() : w->rbtnClick();
        QVERIFY(w->ProgressBar1->isVisible());
        QCOMPARE(buttonPlaces(w), before);

        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
        QCOMPARE(ended.first(), QVariantList({write, true})); // completed, not given up
        QVERIFY(!w->ProgressBar1->isVisible());
        QCOMPARE(buttonPlaces(w), before);
    }
};

QTEST_MAIN(TestSignallingWindows)
#include "tst_signallingwindows.moc"
