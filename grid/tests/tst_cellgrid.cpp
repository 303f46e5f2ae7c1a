// The grid driven by real keys and clicks offscreen: storage, editors, edit endings, drawing.
#include "grid/cellgrid.h"
#include "grid/combocelleditor.h"
#include "grid/editcelleditor.h"

#include "rtl/dialogs.h"

#include <QtTest>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QPointer>
#include <QVBoxLayout>

namespace {

constexpr int kText = 1;  // text editor, DefaultText set per test
constexpr int kDrop = 2;  // editable drop-down
constexpr int kList = 3;  // list-style drop-down
constexpr int kPlain = 4; // no editor

struct Call {
    int col, row;
    QString value;
    int currentCol, currentRow; // the grid's current cell while the handler runs
    QString cellText;           // what the cell held while the handler runs
};

int lateCalls = 0; // handler calls after a sheet began to go away

// Shows the window and waits until `focus` has the keyboard.
bool showFocused(QWidget *window, QWidget *focus)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    window->activateWindow();
    focus->setFocus();
    return QTest::qWaitFor([focus] { return focus->hasFocus(); });
}

// A window with a 17-row grid, one column per editor kind, and another control to take the focus.
struct Sheet {
    QWidget window;
    TCellGrid *grid = new TCellGrid(&window);
    QLineEdit *other = new QLineEdit(&window);
    TEditCellEditor *text = new TEditCellEditor(&window);
    TComboCellEditor *drop = new TComboCellEditor(&window);
    TComboCellEditor *list = new TComboCellEditor(&window);
    QList<Call> calls;

    explicit Sheet(bool immediate = false)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->setObjectName("xg");
        text->setObjectName("TextEditor");
        grid->setColCount(5);
        grid->setRowCount(17);
        grid->setImmediateEditMode(immediate);
        drop->setItems({"LOW", "HIGH", "MID"});
        drop->setDefaultText("MID");
        list->setItems({"ONE", "TWO", "THREE"});
        list->setDefaultText("TWO");
        list->setStyle(TComboStyle::DropDownList);
        grid->Columns()->Items(kText)->setEditor(text);
        grid->Columns()->Items(kDrop)->setEditor(drop);
        grid->Columns()->Items(kList)->setEditor(list);
        grid->OnSetEditText = [this](TCellGrid *sender, int col, int row, const QString &value) {
            calls.append({col, row, value, sender->Col(), sender->Row(), sender->Cells(col, row)});
        };
        window.resize(480, 300);
    }
    ~Sheet()
    {
        grid->OnSetEditText = [](TCellGrid *, int, int, const QString &) { ++lateCalls; };
    }

    bool show() { return showFocused(&window, grid); }

    QPoint centre(int col, int row) const { return grid->cellRect(col, row).center(); }
    void click(int col, int row) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre(col, row)); }
    // Keys go where the user's keys go: to the focused widget.
    static void key(int k) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(k)); }
    static void type(const QString &keys) { QTest::keyClicks(QApplication::focusWidget(), keys); }

    // A key as a keyboard sends it: printable keys carry their text unless Ctrl or Alt is held.
    static void press(int combined)
    {
        const QKeyCombination combo = QKeyCombination::fromCombined(combined);
        const Qt::KeyboardModifiers mods = combo.keyboardModifiers();
        QString text;
        if (combo.key() >= Qt::Key_Space && combo.key() <= Qt::Key_AsciiTilde
            && !(mods & (Qt::ControlModifier | Qt::AltModifier)))
            text = mods & Qt::ShiftModifier ? QString(QChar(combo.key())) : QString(QChar(combo.key())).toLower();
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), combo.key(), text, mods);
    }

    QWidget *control() const { return grid->activeEditor() ? grid->activeEditor()->control() : nullptr; }
    QLineEdit *line() const
    {
        if (auto *edit = qobject_cast<QLineEdit *>(control()))
            return edit;
        auto *combo = qobject_cast<QComboBox *>(control());
        return combo ? combo->lineEdit() : nullptr;
    }
    QString editorText() const
    {
        if (auto *combo = qobject_cast<QComboBox *>(control()))
            return combo->currentText();
        return line() ? line()->text() : QString();
    }
    int visibleControls() const
    {
        int n = 0;
        for (QWidget *w : grid->viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            n += w->isVisible();
        return n;
    }
};

} // namespace

class TestCellGrid : public QObject {
    Q_OBJECT
private slots:
    void storageBeyondRowCount_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("(1, 17) first hidden row") << 1 << 17;
        QTest::newRow("(1, 18)") << 1 << 18;
        QTest::newRow("(15, 20)") << 15 << 20;
        QTest::newRow("(30, 3) beyond ColCount") << 30 << 3;
    }
    void storageBeyondRowCount()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        TCellGrid grid;
        grid.setColCount(16);
        grid.setRowCount(17);
        QCOMPARE(grid.Cells(col, row), QString());
        grid.setCells(col, row, "0123456789");
        QCOMPARE(grid.Cells(col, row), "0123456789");
        QCOMPARE(grid.Cells(col, row + 1), QString());
        QCOMPARE(grid.model()->rowCount(), 16); // nothing drawn for the hidden rows
        grid.setRowCount(3);
        grid.setRowCount(21);
        QCOMPARE(grid.Cells(col, row), "0123456789");
    }

    void captionIsRowZero()
    {
        TCellGrid grid;
        grid.setColCount(4);
        grid.Columns()->Items(2)->setCaption("发射功率");
        QCOMPARE(grid.Cells(2, 0), "发射功率");
        grid.setCells(3, 0, "PTTID");
        QCOMPARE(grid.Columns()->Items(3)->Caption(), "PTTID");
        QCOMPARE(grid.model()->headerData(2, Qt::Horizontal), QVariant("PTTID"));
        grid.setCells(0, 5, "5");
        QCOMPARE(grid.model()->headerData(4, Qt::Vertical), QVariant("5"));
        grid.Columns()->Items(1)->setWidth(37);
        QCOMPARE(grid.ColWidths(1), 37);
        QCOMPARE(grid.horizontalHeader()->sectionSize(0), 37);
        grid.setColWidths(0, 56);
        QCOMPARE(grid.Columns()->Items(0)->Width(), 56);
        QCOMPARE(grid.verticalHeader()->width(), 56);
    }

    void columnsFollowColCount()
    {
        QWidget owner;
        TCellGrid grid(&owner);
        TEditCellEditor editor(&owner);
        grid.setColCount(16);
        QCOMPARE(grid.Columns()->Count(), 16);
        grid.Columns()->Items(14)->setEditor(&editor);
        grid.Columns()->Items(15)->setEditor(&editor);
        QCOMPARE(editor.ReferenceCount(), 2);
        grid.setColCount(15);
        QCOMPARE(grid.Columns()->Count(), 15);
        QCOMPARE(grid.Columns()->Items(15), nullptr);
        QCOMPARE(editor.ReferenceCount(), 1);
        QCOMPARE(editor.Grid(), &grid);
        grid.Columns()->Items(14)->setEditor(nullptr);
        QCOMPARE(editor.Grid(), nullptr);
        grid.setColCount(18);
        QCOMPARE(grid.Columns()->Count(), 18);
        QCOMPARE(grid.Columns()->Items(17)->Editor(), nullptr);
        QCOMPARE(grid.Columns()->Items(17)->Index(), 17);
    }

    void editorServesOneGrid()
    {
        QWidget owner;
        TCellGrid first(&owner), second(&owner);
        first.setObjectName("xg1");
        second.setObjectName("xg2");
        TComboCellEditor editor(&owner);
        editor.setObjectName("ToneEditor");
        first.Columns()->Items(1)->setEditor(&editor);
        try {
            second.Columns()->Items(1)->setEditor(&editor);
            QFAIL("no exception");
        } catch (const ECellEditorError &e) {
            QCOMPARE(e.message(), "ToneEditor is allready assigned to xg1");
        }
        QCOMPARE(second.Columns()->Items(1)->Editor(), nullptr);
        QCOMPARE(editor.ReferenceCount(), 1);
        // Once free again it may serve the other grid.
        first.Columns()->Items(1)->setEditor(nullptr);
        second.Columns()->Items(1)->setEditor(&editor);
        QCOMPARE(editor.Grid(), &second);
    }

    void editorWithoutControlReportsError()
    {
        rtl::dialogs::Recording recording;
        Sheet s(true);
        TControlCellEditor bare(&s.window);
        s.grid->Columns()->Items(kPlain)->setEditor(&bare);
        QVERIFY(s.show());
        s.grid->setCurrentCell(kPlain, 2);
        Sheet::type("5");
        QCOMPARE(recording.texts(), QStringList{"Cell Editor not of type TCellEditor"});
        QVERIFY(!s.grid->isEditing());
        // The pending key does not linger into the next edit.
        s.grid->setCurrentCell(kText, 2);
        Sheet::key(Qt::Key_F2);
        QCOMPARE(s.editorText(), QString());
    }

    // How an edit opens, per editor kind and mode.
    void editStarts_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("immediate");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("selected");
        QTest::newRow("text immediate 7 on empty") << kText << true << "" << "7" << "7" << "";
        QTest::newRow("text immediate 7 over 145") << kText << true << "145" << "7" << "7" << "";
        QTest::newRow("text immediate 7 then 5") << kText << true << "" << "75" << "75" << "";
        QTest::newRow("text 7 keeps 145 selected") << kText << false << "145" << "7" << "145" << "145";
        QTest::newRow("text 7 offers default") << kText << false << "" << "7" << "12345678" << "12345678";
        QTest::newRow("drop immediate h picks HIGH") << kDrop << true << "" << "h" << "HIGH" << "IGH";
        QTest::newRow("drop immediate h then x") << kDrop << true << "" << "hx" << "Hx" << "";
        QTest::newRow("drop immediate z not listed") << kDrop << true << "LOW" << "z" << "z" << "";
        QTest::newRow("drop h offers cell") << kDrop << false << "LOW" << "h" << "LOW" << "LOW";
        QTest::newRow("drop h offers default") << kDrop << false << "" << "h" << "MID" << "MID";
        QTest::newRow("drop keeps unlisted cell") << kDrop << false << "145" << "h" << "145" << "145";
        QTest::newRow("list offers default") << kList << false << "" << "x" << "TWO" << "";
        QTest::newRow("list immediate t picks TWO") << kList << true << "ONE" << "t" << "TWO" << "";
        QTest::newRow("list immediate x keeps cell") << kList << true << "THREE" << "x" << "THREE" << "";
    }
    void editStarts()
    {
        QFETCH(int, col);
        QFETCH(bool, immediate);
        QFETCH(QString, cell);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(QString, selected);
        Sheet s(immediate);
        s.text->setDefaultText("12345678");
        s.grid->setCells(col, 5, cell);
        QVERIFY(s.show());
        s.grid->setCurrentCell(col, 5);
        QTest::keyClicks(s.grid, keys.left(1));
        QVERIFY(s.grid->isEditing());
        QCOMPARE(s.grid->EditCol(), col);
        QCOMPARE(s.grid->EditRow(), 5);
        QWidget *control = s.control();
        QTRY_VERIFY(control->hasFocus());
        QCOMPARE(control->geometry(), s.grid->cellRect(col, 5));
        if (keys.size() > 1)
            Sheet::type(keys.mid(1));
        QCOMPARE(s.editorText(), shown);
        if (s.line())
            QCOMPARE(s.line()->selectedText(), selected);
        QCOMPARE(s.grid->Cells(col, 5), cell); // nothing is written before the edit ends
        QVERIFY(s.calls.isEmpty());
    }

    void clickOnCurrentCellOffersDefault()
    {
        Sheet s;
        s.text->setDefaultText("12345678");
        QVERIFY(s.show());
        s.click(kText, 3); // makes it current
        QVERIFY(!s.grid->isEditing());
        QCOMPARE(s.grid->Col(), kText);
        QCOMPARE(s.grid->Row(), 3);
        s.click(kText, 3); // edits it
        QVERIFY(s.grid->isEditing());
        QCOMPARE(s.line()->selectedText(), "12345678");
        Sheet::key(Qt::Key_Return);
        QVERIFY(!s.grid->isEditing());
        QCOMPARE(s.grid->Cells(kText, 3), "12345678");
        QCOMPARE(s.calls.size(), 1);
        QCOMPARE(s.calls[0].value, "12345678");
        QTRY_VERIFY(s.grid->hasFocus());
    }

    // Which keys end an edit and where the current cell goes; the edit starts on (2, 5) or (kText, 5).
    void editEnds_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("immediate");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("toCol");
        QTest::addColumn<int>("toRow");
        using K = QList<int>;
        QTest::newRow("text Enter stays") << kText << true << "" << K{Qt::Key_Return} << true << "7" << kText << 5;
        QTest::newRow("text keypad Enter") << kText << false << "a" << K{Qt::Key_Enter} << true << "a" << kText << 5;
        QTest::newRow("text Up leaves") << kText << true << "" << K{Qt::Key_Up} << true << "7" << kText << 4;
        QTest::newRow("text Down leaves") << kText << false << "abc" << K{Qt::Key_Down} << true << "abc" << kText << 6;
        QTest::newRow("text Right at end leaves") << kText << true << "" << K{Qt::Key_Right} << true << "7" << kText + 1 << 5;
        QTest::newRow("text Left inside stays") << kText << true << "" << K{Qt::Key_Left} << false << "7" << kText << 5;
        QTest::newRow("text Left twice leaves") << kText << true << "" << K{Qt::Key_Left, Qt::Key_Left} << true << "7" << kText << 5;
        QTest::newRow("text Right on selection stays") << kText << false << "abc" << K{Qt::Key_Right} << false << "abc" << kText << 5;
        QTest::newRow("text Shift alone stays") << kText << true << "" << K{Qt::Key_Shift} << false << "7" << kText << 5;
        QTest::newRow("drop Control alone stays") << kDrop << false << "LOW" << K{Qt::Key_Control} << false << "LOW" << kDrop << 5;
        QTest::newRow("text Escape does not cancel") << kText << true << "old" << K{Qt::Key_Escape} << false << "7" << kText << 5;
        QTest::newRow("text Escape then Enter") << kText << true << "old" << K{Qt::Key_Escape, Qt::Key_Return} << true << "7" << kText << 5;
        QTest::newRow("drop Up stays in list") << kDrop << false << "HIGH" << K{Qt::Key_Up} << false << "LOW" << kDrop << 5;
        QTest::newRow("drop Up then Enter") << kDrop << false << "HIGH" << K{Qt::Key_Up, Qt::Key_Return} << true << "LOW" << kDrop << 5;
        QTest::newRow("drop Down Down Enter") << kDrop << false << "LOW" << K{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return} << true << "MID" << kDrop << 5;
        QTest::newRow("drop Left on selection stays") << kDrop << false << "LOW" << K{Qt::Key_Left} << false << "LOW" << kDrop << 5;
        QTest::newRow("drop Right at end leaves") << kDrop << true << "" << K{Qt::Key_End, Qt::Key_Right} << true << "HIGH" << kDrop + 1 << 5;
        QTest::newRow("list Left leaves") << kList << false << "" << K{Qt::Key_Left} << true << "TWO" << kList - 1 << 5;
        QTest::newRow("list Down moves in list") << kList << false << "" << K{Qt::Key_Down, Qt::Key_Return} << true << "THREE" << kList << 5;
    }
    void editEnds()
    {
        QFETCH(int, col);
        QFETCH(bool, immediate);
        QFETCH(QString, cell);
        QFETCH(QList<int>, keys);
        QFETCH(bool, ends);
        QFETCH(QString, stored);
        QFETCH(int, toCol);
        QFETCH(int, toRow);
        Sheet s(immediate);
        s.grid->setCells(col, 5, cell);
        QVERIFY(s.show());
        s.grid->setCurrentCell(col, 5);
        QTest::keyClick(s.grid, col == kDrop && immediate ? 'h' : '7');
        QVERIFY(s.grid->isEditing());
        for (int k : keys)
            Sheet::key(k);
        QCOMPARE(s.grid->isEditing(), !ends);
        QCOMPARE(s.grid->Col(), toCol);
        QCOMPARE(s.grid->Row(), toRow);
        if (!ends) {
            QCOMPARE(s.editorText(), stored);
            QCOMPARE(s.grid->Cells(col, 5), cell);
            QVERIFY(s.calls.isEmpty());
            return;
        }
        QCOMPARE(s.grid->Cells(col, 5), stored);
        QCOMPARE(s.calls.size(), 1);
        const Call &c = s.calls[0];
        QCOMPARE(c.col, col);
        QCOMPARE(c.row, 5);
        QCOMPARE(c.value, stored);
        QCOMPARE(c.currentCol, col); // the edit cell is still current while the handler runs
        QCOMPARE(c.currentRow, 5);
        QCOMPARE(c.cellText, stored);
        QCOMPARE(s.visibleControls(), 0);
        QTRY_VERIFY(s.grid->hasFocus());
    }

    // Keys the open control has no use for stay with the edit; editing keys work as in any line edit.
    void otherKeysKeepEdit_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("start"); // typed on the grid with ImmediateEditMode; empty: F2
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("stored");
        using K = QList<int>;
        const auto shift = [](Qt::Key k) { return (Qt::SHIFT | k).toCombined(); };
        const auto ctrl = [](Qt::Key k) { return (Qt::CTRL | k).toCombined(); };
        const K bare{Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_AltGr, Qt::Key_CapsLock, Qt::Key_NumLock,
                     Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_F5, Qt::Key_F2, shift(Qt::Key_Up), ctrl(Qt::Key_Down)};
        QTest::newRow("text 023 Shift+N") << kText << "" << "0" << K{Qt::Key_2, Qt::Key_3, shift(Qt::Key_N)} << "023N";
        QTest::newRow("text bare modifiers, locks, paging") << kText << "" << "1" << (bare + K{Qt::Key_2}) << "12";
        QTest::newRow("text Ctrl+A Ctrl+C Ctrl+V") << kText << "" << "1" << K{Qt::Key_2, ctrl(Qt::Key_A), ctrl(Qt::Key_C), Qt::Key_End, ctrl(Qt::Key_V)} << "1212";
        QTest::newRow("text Ctrl+X then paste") << kText << "" << "1" << K{ctrl(Qt::Key_A), ctrl(Qt::Key_X), Qt::Key_3, ctrl(Qt::Key_V)} << "31";
        QTest::newRow("text Ctrl+Z") << kText << "abc" << "" << K{Qt::Key_X, ctrl(Qt::Key_Z)} << "abc";
        QTest::newRow("drop 023 Shift+N") << kDrop << "" << "" << K{Qt::Key_0, Qt::Key_2, Qt::Key_3, shift(Qt::Key_N)} << "023N";
        QTest::newRow("drop bare modifiers") << kDrop << "" << "h" << bare.first(6) << "HIGH";
        QTest::newRow("drop Ctrl+C Ctrl+V") << kDrop << "LOW" << "" << K{ctrl(Qt::Key_C), Qt::Key_End, ctrl(Qt::Key_V)} << "LOWLOW";
        QTest::newRow("list bare modifiers") << kList << "ONE" << "" << bare.first(6) << "ONE";
    }
    void otherKeysKeepEdit()
    {
        QFETCH(int, col);
        QFETCH(QString, cell);
        QFETCH(QString, start);
        QFETCH(QList<int>, keys);
        QFETCH(QString, stored);
        Sheet s(!start.isEmpty());
        s.grid->setCells(col, 5, cell);
        QVERIFY(s.show());
        s.grid->setCurrentCell(col, 5);
        if (start.isEmpty())
            QTest::keyClick(s.grid, Qt::Key_F2);
        else
            QTest::keyClicks(s.grid, start);
        QTRY_VERIFY(s.control() && s.control()->hasFocus());
        for (int k : keys)
            Sheet::press(k);
        QVERIFY(s.grid->isEditing());
        QVERIFY(s.calls.isEmpty());
        Sheet::key(Qt::Key_Return);
        QCOMPARE(s.grid->Cells(col, 5), stored);
        QCOMPARE(s.calls.size(), 1);
        QCOMPARE(s.calls[0].row, 5);
    }

    void clickOnAnotherCellCommitsFirst()
    {
        Sheet s(true);
        QVERIFY(s.show());
        s.grid->setCurrentCell(kText, 2);
        QTest::keyClicks(s.grid, "1");
        Sheet::type("45");
        s.click(kDrop, 7);
        QVERIFY(!s.grid->isEditing());
        QCOMPARE(s.grid->Cells(kText, 2), "145");
        QCOMPARE(s.calls.size(), 1);
        QCOMPARE(s.calls[0].currentCol, kText);
        QCOMPARE(s.calls[0].currentRow, 2);
        QCOMPARE(s.grid->Col(), kDrop);
        QCOMPARE(s.grid->Row(), 7);
        QCOMPARE(s.visibleControls(), 0);
    }

    void focusLossEndsEdit()
    {
        Sheet s;
        QVERIFY(s.show());
        s.grid->setCurrentCell(kDrop, 4);
        QTest::keyClick(s.grid, Qt::Key_F2);
        QVERIFY(s.grid->isEditing());
        QCOMPARE(s.editorText(), "MID");
        QTest::mouseClick(s.other, Qt::LeftButton);
        QTRY_VERIFY(s.other->hasFocus());
        QVERIFY(!s.grid->isEditing());
        QCOMPARE(s.grid->Cells(kDrop, 4), "MID");
        QCOMPARE(s.calls.size(), 1);
        QCOMPARE(s.visibleControls(), 0);
        QVERIFY(s.other->hasFocus()); // the grid does not take the focus back
    }

    // The first click on a fresh drop-down's arrow opens its list; Enter there picks an entry.
    void arrowClickOpensList_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("stored"); // the entry below the cell's text
        QTest::newRow("editable") << kDrop << "HIGH";
        QTest::newRow("list style") << kList << "THREE";
    }
    void arrowClickOpensList()
    {
        QFETCH(int, col);
        QFETCH(QString, stored);
        Sheet s;
        s.grid->setCells(col, 6, col == kDrop ? "LOW" : "TWO");
        QVERIFY(s.show());
        s.grid->setCurrentCell(col, 6);
        QTest::keyClick(s.grid, Qt::Key_F2);
        auto *combo = qobject_cast<QComboBox *>(s.control());
        QTRY_VERIFY(combo && combo->hasFocus());
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const QRect arrow = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo);
        QTest::mouseClick(combo, Qt::LeftButton, {}, arrow.center());
        QTRY_VERIFY(combo->view()->isVisible());
        QVERIFY(s.grid->isEditing());
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QTRY_VERIFY(combo->hasFocus());
        QVERIFY(s.grid->isEditing());
        Sheet::key(Qt::Key_Return);
        QCOMPARE(s.grid->Cells(col, 6), stored);
        QCOMPARE(s.calls.size(), 1);
    }

    void unchangedTextStillReported()
    {
        Sheet s;
        s.grid->setCells(kText, 9, "same");
        QVERIFY(s.show());
        s.grid->setCurrentCell(kText, 9);
        QTest::keyClick(s.grid, Qt::Key_F2);
        Sheet::key(Qt::Key_Return);
        QCOMPARE(s.calls.size(), 1);
        QCOMPARE(s.calls[0].value, "same");
    }

    void noEditOnFixedOrPlainCells()
    {
        Sheet s(true);
        QVERIFY(s.show());
        s.grid->setCurrentCell(kPlain, 3);
        QTest::keyClicks(s.grid, "7");
        QTest::keyClick(s.grid, Qt::Key_F2);
        s.click(kPlain, 3);
        QVERIFY(!s.grid->isEditing());
        // Row 0 and column 0 never become the current cell.
        s.grid->setCurrentCell(kText, 0);
        s.grid->setCurrentCell(0, 4);
        QCOMPARE(s.grid->Col(), kPlain);
        QCOMPARE(s.grid->Row(), 3);
        s.grid->setEditingEnabled(false);
        s.grid->setCurrentCell(kText, 3);
        QTest::keyClicks(s.grid, "7");
        QVERIFY(!s.grid->isEditing());
        QVERIFY(s.calls.isEmpty());
        QCOMPARE(s.grid->Cells(kText, 3), QString());
    }

    // Keys sent to the grid itself while its editor is open end that edit before they act.
    void keyToGridWhileEditing()
    {
        Sheet s(true);
        QVERIFY(s.show());
        s.grid->setCurrentCell(kText, 5);
        QTest::keyClicks(s.grid, "1");
        QTest::keyClicks(s.grid, "2"); // a second edit of the same cell, not a second editor
        QCOMPARE(s.calls.size(), 1);
        QCOMPARE(s.calls[0].value, "1");
        QVERIFY(s.grid->isEditing());
        QCOMPARE(s.editorText(), "2");
        QCOMPARE(s.visibleControls(), 1);
        QTest::keyClick(s.grid, Qt::Key_Right);
        QVERIFY(!s.grid->isEditing());
        QCOMPARE(s.calls.size(), 2);
        QCOMPARE(s.grid->Cells(kText, 5), "2");
        QCOMPARE(s.grid->Col(), kDrop);
        QTest::keyClicks(s.grid, "m");
        QCOMPARE(s.editorText(), "MID");
        QCOMPARE(s.visibleControls(), 1);
        s.grid->setCurrentCell(kText, 6); // moving the current cell by program ends the edit too
        QCOMPARE(s.calls.size(), 3);
        QCOMPARE(s.calls[2].currentCol, kDrop);
        QCOMPARE(s.visibleControls(), 0);
    }

    // The windows commit an open edit before a transfer or a file action as Enter would.
    void endEditCommitsLikeEnter_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("handlerThrows");
        QTest::addColumn<QString>("stored");
        QTest::newRow("text") << kText << false << "l";
        QTest::newRow("drop-down with its list open") << kDrop << false << "LOW";
        QTest::newRow("handler raises") << kText << true << "l";
    }
    void endEditCommitsLikeEnter()
    {
        QFETCH(int, col);
        QFETCH(bool, handlerThrows);
        QFETCH(QString, stored);
        rtl::dialogs::Recording recording;
        Sheet s(true);
        QVERIFY(s.show());
        QVERIFY(s.grid->endEdit()); // nothing open: nothing happens
        if (handlerThrows)
            s.grid->OnSetEditText = [](TCellGrid *, int, int, const QString &) { throw EConvertError("bad"); };
        s.grid->setCurrentCell(col, 8);
        QTest::keyClicks(s.grid, "l");
        QTRY_VERIFY(s.control() && s.control()->hasFocus());
        auto *combo = qobject_cast<QComboBox *>(s.control());
        if (combo) {
            combo->showPopup();
            QTRY_VERIFY(combo->view()->isVisible());
        }
        QCOMPARE(s.grid->endEdit(), !handlerThrows);
        QCOMPARE(s.grid->Cells(col, 8), stored);
        QCOMPARE(s.calls.size() + recording.texts().size(), 1);
        QVERIFY(!s.grid->isEditing());
        QCOMPARE(s.visibleControls(), 0);
        QVERIFY(!combo || !combo->view()->isVisible());
        QTRY_VERIFY(s.grid->hasFocus());
        QCOMPARE(s.grid->Row(), 8);
    }

    // A cell the program writes, or that goes away, is not overwritten later by the open edit's text.
    void programChangeDropsOpenEdit_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("after"); // the edit cell once the grid is whole again
        QTest::newRow("setCells on the edit cell") << "cell" << "146";
        QTest::newRow("setCells on the edit cell, same text") << "same" << "old";
        QTest::newRow("RowCount drops the edit row") << "rows" << "old";
        QTest::newRow("ColCount drops the edit column") << "cols" << "old";
        QTest::newRow("setCells on a neighbour keeps the edit") << "other" << "145";
    }
    void programChangeDropsOpenEdit()
    {
        QFETCH(QString, action);
        QFETCH(QString, after);
        Sheet s(true);
        s.grid->Columns()->Items(kPlain)->setEditor(s.text);
        s.grid->setCells(kPlain, 5, "old");
        QVERIFY(s.show());
        s.grid->setCurrentCell(kPlain, 5);
        QTest::keyClicks(s.grid, "1");
        Sheet::type("45");
        if (action == "rows")
            s.grid->setRowCount(5);
        else if (action == "cols")
            s.grid->setColCount(kPlain);
        else
            s.grid->setCells(kPlain, action == "other" ? 4 : 5, action == "same" ? "old" : "146");
        const bool keeps = action == "other";
        QCOMPARE(s.grid->isEditing(), keeps);
        QCOMPARE(s.visibleControls(), keeps ? 1 : 0);
        QTRY_VERIFY(keeps || s.grid->hasFocus());
        Sheet::key(Qt::Key_Return);
        QTest::mouseClick(s.other, Qt::LeftButton);
        s.grid->setRowCount(17);
        s.grid->setColCount(5);
        QCOMPARE(s.grid->Cells(kPlain, 5), after);
        QCOMPARE(s.calls.size(), keeps ? 1 : 0);
    }

    void handlerErrorIsShownAndEditEnds()
    {
        rtl::dialogs::Recording recording;
        Sheet s(true);
        s.grid->OnSetEditText = [](TCellGrid *, int, int, const QString &value) {
            throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(value));
        };
        QVERIFY(s.show());
        s.grid->setCurrentCell(kText, 1);
        QTest::keyClicks(s.grid, "x");
        Sheet::key(Qt::Key_Return);
        QCOMPARE(recording.texts(), QStringList{"'x' is not a valid floating point value"});
        QCOMPARE(s.grid->Cells(kText, 1), "x");
        QVERIFY(!s.grid->isEditing());
        QCOMPARE(s.visibleControls(), 0);
    }

    void destroyedEditorLeavesColumnReadOnly()
    {
        Sheet s(true);
        QVERIFY(s.show());
        s.grid->Columns()->Items(kPlain)->setEditor(s.drop); // shared by two columns
        s.grid->setCurrentCell(kDrop, 2);
        QTest::keyClicks(s.grid, "l");
        QVERIFY(s.grid->isEditing());
        delete s.drop; // while its control is open and focused
        QVERIFY(!s.grid->isEditing());
        QCOMPARE(s.grid->Columns()->Items(kDrop)->Editor(), nullptr);
        QCOMPARE(s.grid->Columns()->Items(kPlain)->Editor(), nullptr);
        QCOMPARE(s.visibleControls(), 0);
        QTest::keyClicks(s.grid, "l");
        s.click(kDrop, 2);
        QVERIFY(!s.grid->isEditing());
        QVERIFY(s.calls.isEmpty());
        QCOMPARE(s.grid->Cells(kDrop, 2), QString());
    }

    void deletingGridWhileEditing()
    {
        QWidget owner;
        auto *grid = new TCellGrid(&owner);
        auto *editor = new TEditCellEditor(&owner);
        int calls = 0;
        grid->Columns()->Items(1)->setEditor(editor);
        grid->Columns()->Items(2)->setEditor(editor);
        grid->OnSetEditText = [&calls](TCellGrid *, int, int, const QString &) { ++calls; };
        QVERIFY(showFocused(&owner, grid));
        QTest::keyClick(grid, Qt::Key_F2);
        QVERIFY(grid->isEditing());
        QPointer<QWidget> control = editor->control();
        QTRY_VERIFY(control && control->hasFocus());
        delete grid;
        QVERIFY(!control);
        QCOMPARE(editor->Grid(), nullptr);
        QCOMPARE(editor->ReferenceCount(), 0);
        QCOMPARE(calls, 0); // no handler runs on a grid being destroyed
        delete editor;
    }

    void editorTakesCellPropsWhereAsked()
    {
        Sheet s;
        const QColor tint(250, 220, 220);
        QFont bold = s.grid->font();
        bold.setBold(true);
        TCellGridColumn *inheriting = s.grid->Columns()->Items(kPlain);
        inheriting->setEditor(s.text); // shared with kText, which does not inherit
        inheriting->setEditorInheritsCellProps(true);
        inheriting->setColor(tint);
        inheriting->setFont(bold);
        QVERIFY(s.show());
        s.grid->setCurrentCell(kPlain, 1);
        QTest::keyClick(s.grid, Qt::Key_F2);
        QWidget *control = s.text->control();
        QCOMPARE(control->palette().color(QPalette::Base), tint);
        QVERIFY(control->font().bold());
        Sheet::key(Qt::Key_Return);
        s.grid->setCurrentCell(kText, 1);
        QTest::keyClick(s.grid, Qt::Key_F2);
        QVERIFY(control->palette().color(QPalette::Base) != tint);
        QVERIFY(!control->font().bold());
    }

    void closingWindowWithOpenEditor()
    {
        lateCalls = 0;
        {
            Sheet s(true);
            QVERIFY(s.show());
            s.grid->setCurrentCell(kDrop, 3);
            QTest::keyClicks(s.grid, "h");
            QVERIFY(s.grid->isEditing());
        }
        QCOMPARE(lateCalls, 0);
    }

    void scrollingKeepsEditorOnItsCell()
    {
        Sheet s;
        s.window.resize(300, 160);
        QVERIFY(s.show());
        s.grid->setCurrentCell(kText, 2);
        QTest::keyClick(s.grid, Qt::Key_F2);
        QWidget *control = s.control();
        s.grid->verticalScrollBar()->setValue(1);
        QCOMPARE(control->geometry(), s.grid->cellRect(kText, 2));
        QVERIFY(s.grid->horizontalHeader()->isVisible()); // the caption row stays in view
    }

    // Pixels of a rendered grid: colours, lines and the 2-pixel text inset per alignment.
    void drawing_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::newRow("left") << int(Qt::AlignLeft);
        QTest::newRow("centre") << int(Qt::AlignHCenter);
        QTest::newRow("right") << int(Qt::AlignRight);
    }
    void drawing()
    {
        QFETCH(int, alignment);
        const QColor header(200, 230, 255), cell(255, 255, 210), selected(10, 120, 10);
        TCellGrid grid;
        grid.setColCount(3);
        grid.setRowCount(4);
        grid.resize(300, 150);
        grid.setSelectedColor(selected);
        TCellGridColumn *column = grid.Columns()->Items(1);
        column->setWidth(120);
        column->setHeaderColor(header);
        column->setColor(cell);
        column->setHeaderAlignment(Qt::Alignment(alignment));
        column->setAlignment(Qt::Alignment(alignment));
        column->setCaption("IIII");
        grid.setCells(1, 2, "IIII");
        grid.setCurrentCell(2, 3);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QImage image = grid.grab().toImage();
        const QPoint viewport = grid.viewport()->mapTo(&grid, QPoint(0, 0));
        const QPoint headerPos = grid.horizontalHeader()->mapTo(&grid, QPoint(0, 0));
        const QRect headerCell(headerPos, QSize(120, grid.DefaultRowHeight()));
        const QRect cellRect = grid.cellRect(1, 2).translated(viewport);

        QCOMPARE(image.pixelColor(headerCell.left() + 4, headerCell.top() + 4), header);
        QCOMPARE(image.pixelColor(cellRect.left() + 4, cellRect.top() + 4), cell);
        QCOMPARE(image.pixelColor(headerCell.right() - 4, headerCell.bottom()), QColor(Qt::black));
        QCOMPARE(image.pixelColor(cellRect.right() + 1, cellRect.center().y()), QColor(192, 192, 192));
        QCOMPARE(image.pixelColor(grid.cellRect(2, 3).translated(viewport).center()), selected);

        // Ink of the caption and of the cell text sits where the alignment puts it, 2 px in.
        for (const auto &[rect, background] : {std::pair{headerCell, header}, std::pair{cellRect, cell}}) {
            int first = -1, last = -1;
            for (int x = rect.left(); x <= rect.right() - 1; ++x)
                for (int y = rect.top() + 2; y < rect.bottom() - 2; ++y)
                    if (image.pixelColor(x, y) != background) {
                        if (first < 0)
                            first = x;
                        last = x;
                    }
            QVERIFY(first >= 0);
            const int left = first - rect.left(), right = rect.right() - last;
            if (alignment == Qt::AlignLeft)
                QVERIFY2(left >= 2 && left <= 5, qPrintable(QString::number(left)));
            else if (alignment == Qt::AlignRight)
                QVERIFY2(right >= 3 && right <= 6, qPrintable(QString::number(right)));
            else
                QVERIFY2(std::abs(left - right) <= 3, qPrintable(QString("%1 %2").arg(left).arg(right)));
        }
    }

    // Lines follow the palette: the published colours on a light one, text-coloured fixed lines
    // and quarter-contrast cell lines on a dark one.
    void lineColours_data()
    {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("fixedLine");
        QTest::addColumn<QColor>("gridLine");
        const QColor dark(32, 32, 32), light(224, 224, 224);
        QTest::newRow("light") << QColor(Qt::white) << QColor(Qt::black) << QColor(Qt::black) << QColor(192, 192, 192);
        QTest::newRow("dark") << dark << light << light << QColor(80, 80, 80);
    }
    void lineColours()
    {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        QFETCH(QColor, fixedLine);
        QFETCH(QColor, gridLine);
        TCellGrid grid;
        QPalette palette = grid.palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, text);
        grid.setPalette(palette);
        QImage image(40, 20, QImage::Format_RGB32);
        QPainter painter(&image);
        grid.paintCell(&painter, image.rect(), 1, 0, false);
        QCOMPARE(image.pixelColor(39, 10), fixedLine);
        grid.paintCell(&painter, image.rect(), 1, 1, false);
        QCOMPARE(image.pixelColor(39, 10), gridLine);
    }
};

QTEST_MAIN(TestCellGrid)
#include "tst_cellgrid.moc"
