// What the four signalling windows share: buttons that stay where they are through an exchange,
// and refusals that name the window and the field as the window shows them.
#include "app/Unit1.h"
#include "app/forms.h"
#include "testsupport/windowrig.h"
#include "grid/cellgrid.h"
#include "rtl/dialogs.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"
#include "signalling/widgettexts.h"
#include "layouts/dtmflayout.h"
#include "layouts/fivetonelayout.h"
#include "layouts/fsklayout.h"
#include "layouts/twotonelayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QTabWidget>
#include <QtTest>

namespace {

enum Window { Dtmf, TwoTone, FiveTone, Fsk };
const char *const kWindowNames[] = {"DTMF", "2TONE", "5TONE", "FSK"};

SignallingWindow *windowAt(int window)
{
    SignallingWindow *const windows[] = {Form2, Form4, Form5, Form6};
    return windows[window];
}

// The main window's menu item that opens the window, without its mnemonic "(&D)".
QString menuText(int window)
{
    const QAction *const items[] = {Form1->DTMF1, Form1->N2tone1, Form1->N5TONE1, Form1->N4};
    return items[window]->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)$")));
}

BlockLayout layoutOf(int window)
{
    switch (window) {
    case Dtmf:
        return dtmf::blockLayout();
    case TwoTone:
        return twotone::blockLayout();
    case FiveTone:
        return fivetone::blockLayout();
    default:
        return fsk::blockLayout();
    }
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

// The caption the window shows with a control: a check box's own text, else its label's.
QString captionOf(SignallingWindow *w, QWidget *control)
{
    if (const auto *box = qobject_cast<QCheckBox *>(control))
        return box->text();
    QStringList captions;
    for (const QLabel *label : w->findChildren<QLabel *>())
        if (label->buddy() == control)
            captions << label->text();
    return captions.size() == 1 ? captions.first() : QString();
}

// "编码表" for a table on the tab "编码".
QString tableName(SignallingWindow *w, const TCellGrid *grid)
{
    if (const auto *tabs = w->findChild<QTabWidget *>())
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(grid))
                return tabs->tabText(i) + QStringLiteral("表");
    return {};
}

} // namespace

class TestSignallingWindows : public QObject, public WindowRig {
    Q_OBJECT

private slots:
    void init() { QVERIFY(startRig()); }
    void cleanup() { stopRig(); }

    // Every name a block layout reads is a control of its window that holds a text (a cell inside
    // its table), and every control the user can edit is read by a layout: a mismatch would read
    // an empty text, or leave a field the user typed out of the radio.
    void layoutsNameTheWindowsControls_data()
    {
        QTest::addColumn<int>("window");
        for (int w = Dtmf; w <= Fsk; ++w)
            QTest::newRow(kWindowNames[w]) << w;
    }
    void layoutsNameTheWindowsControls()
    {
        QFETCH(int, window);
        SignallingWindow *form = windowAt(window);
        auto &texts = dynamic_cast<WidgetTexts &>(form->texts());
        QSet<QWidget *> read;
        for (const QList<Field> &block : layoutOf(window))
            for (const Field &field : block) {
                QWidget *widget = texts.widget(field.ref.name);
                QVERIFY2(widget && (widget == form || form->isAncestorOf(widget)), qPrintable(field.ref.key()));
                if (auto *grid = qobject_cast<TCellGrid *>(widget)) {
                    // Past a table's edge only the cells the window carries unseen for the radio:
                    // DTMF's memories 17 and 18, the five-tone decode list's sixth column.
                    const bool seen = field.ref.col < grid->ColCount() && field.ref.row < grid->RowCount();
                    const bool carried = (window == Dtmf && field.ref.name == QStringLiteral("xg2") && field.ref.row >= 17)
                                         || (window == FiveTone && field.ref.name == QStringLiteral("xg2") && field.ref.col == 6);
                    QVERIFY2(field.ref.isCell() && (seen || carried), qPrintable(field.ref.key()));
                } else {
                    QVERIFY2(!field.ref.isCell(), qPrintable(field.ref.key()));
                    QVERIFY2(qobject_cast<QLineEdit *>(widget) || qobject_cast<QComboBox *>(widget)
                                 || qobject_cast<QCheckBox *>(widget),
                             qPrintable(field.ref.key()));
                }
                read.insert(widget);
            }
        const auto insideAnother = [form](QWidget *w) {
            for (QWidget *p = w->parentWidget(); p && p != form; p = p->parentWidget())
                if (qobject_cast<QComboBox *>(p) || qobject_cast<TCellGrid *>(p))
                    return true; // a combo box's own line edit, a table's cell editor
            return false;
        };
        for (QWidget *w : form->findChildren<QWidget *>()) {
            const auto *edit = qobject_cast<QLineEdit *>(w);
            // A disabled edit only shows a value (the five-tone standard's tones).
            const bool editable = (edit && !edit->isReadOnly() && edit->isEnabled()) || qobject_cast<QComboBox *>(w)
                                  || qobject_cast<QCheckBox *>(w) || qobject_cast<TCellGrid *>(w);
            // The five-tone standard only picks the tone table shown, and no block holds the
            // five-tone reset time (its tooltip says so).
            const bool onlyAView = window == FiveTone
                                   && (w->objectName() == QStringLiteral("CCIR") || w->objectName() == QStringLiteral("ed1"));
            if (editable && !insideAnother(w) && !onlyAView)
                QVERIFY2(read.contains(w), qPrintable(QStringLiteral("%1 (%2)").arg(w->objectName(), QLatin1String(w->metaObject()->className()))));
        }
    }

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

    // Each field is named by the window's menu item and by the caption of its control, or by the
    // table, row and column caption of its cell; no two places share a name.
    void fieldsAreNamedAsTheWindowShowsThem_data()
    {
        QTest::addColumn<int>("window");
        for (int window = Dtmf; window <= Fsk; ++window)
            QTest::newRow(kWindowNames[window]) << window;
    }
    void fieldsAreNamedAsTheWindowShowsThem()
    {
        QFETCH(int, window);
        SignallingWindow *w = windowAt(window);
        const bool severalTables = w->findChildren<TCellGrid *>().size() > 1;
        QHash<QString, QString> placeNamed;
        for (const QList<Field> &fields : layoutOf(window)) {
            for (const Field &f : fields) {
                const QString place = f.ref.key();
                QCOMPARE(f.window, menuText(window));
                QVERIFY2(!f.label.contains(QStringLiteral("「」")), qPrintable(place));
                if (f.ref.isCell()) {
                    const auto *grid = w->findChild<TCellGrid *>(f.ref.name);
                    QVERIFY2(grid, qPrintable(place));
                    const QString table = severalTables ? tableName(w, grid) + QLatin1Char(' ') : QString();
                    QVERIFY2(f.label.startsWith(table + QStringLiteral("第 %1 行「").arg(f.ref.row)),
                             qPrintable(place + QLatin1Char(' ') + f.label));
                    if (f.ref.col < grid->ColCount()) { // the hidden byte column has no caption to show
                        const QString caption = grid->Columns()->Items(f.ref.col)->Caption();
                        QVERIFY2(f.label.endsWith(QStringLiteral("「%1」").arg(caption)),
                                 qPrintable(place + QLatin1Char(' ') + f.label));
                    }
                } else {
                    auto *control = w->findChild<QWidget *>(f.ref.name);
                    QVERIFY2(control, qPrintable(place));
                    QCOMPARE(f.label, QStringLiteral("「%1」").arg(captionOf(w, control)));
                }
                QCOMPARE(placeNamed.value(f.label, place), place);
                placeNamed.insert(f.label, place);
            }
        }
    }

    // A write that a text stops names it below the conversion's own message; the radio hears nothing.
    void refusalNamesWindowAndField_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QStringList>("cells"); // "table:col:row=text" or "control=text"
        QTest::addColumn<QString>("message");
        QTest::newRow("DTMF 首位数码时间 105")
            << int(Dtmf) << QStringList{"cb2=105"}
            << QStringLiteral("'10.5' is not a valid integer value\nDTMF「首位数码时间（毫秒）」");
        QTest::newRow("2TONE row 1 in use, 解码2 empty")
            << int(TwoTone) << QStringList{"xg2:1:1=AB", "xg2:2:1=无", "xg2:3:1=1", "xg2:4:1="}
            << QStringLiteral("'$' is not a valid integer value\n2TONE 解码表 第 1 行「解码2」");
        QTest::newRow("5TONE encode standard typed")
            << int(FiveTone)
            << QStringList{"xg2:1:3=12345", "xg2:2:3=45678", "xg2:3:3=ABCDE", "xg2:4:3=12345", "xg2:5:3=ccir"}
            << QStringLiteral("5TONE 编码表 第 3 行「使用标准」: 'ccir' 不是可选值");
        QTest::newRow("FSK row 3 ID x") << int(Fsk) << QStringList{"xg1:2:3=x"}
                                        << QStringLiteral("'x' is not a valid integer value\nFSK 队列同步 第 3 行「ID」");
    }
    void refusalNamesWindowAndField()
    {
        QFETCH(int, window);
        QFETCH(QStringList, cells);
        QFETCH(QString, message);
        SignallingWindow *w = windowAt(window);
        for (const QString &entry : cells) {
            const QString where = entry.section(QLatin1Char('='), 0, 0);
            const QStringList parts = where.split(QLatin1Char(':'));
            const TextRef ref = parts.size() == 3 ? TextRef::cell(parts[0], parts[1].toInt(), parts[2].toInt())
                                                  : TextRef::control(where);
            w->texts().setText(ref, entry.section(QLatin1Char('='), 1));
        }
        w->wbtn->click();
        QCOMPARE(m_boxes->texts(), QStringList{message});
        QVERIFY(w->wbtn->isEnabled() && !w->Timer1->isActive());
        QVERIFY(m_sim.received().isEmpty());
    }
};

QTEST_MAIN(TestSignallingWindows)
#include "tst_signallingwindows.moc"
