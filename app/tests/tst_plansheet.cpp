// Undo, copy and paste, CSV and print in the main window, driven by keys as a user works.
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/sheet/csvimportdialog.h"
#include "app/forms.h"
#include "app/sheet/plansheet.h"
#include "grid/cellgrid.h"
#include "rtl/dialogs.h"
#include "testsupport/restricted.h"
#include "tools/radiosim/radiosim.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kRow{"145.12500", "145.72500", "88.5", "023N", "低", "窄带", "无", "12500",
                       "D", "0", "EOT", "10", "FSK", "16", "有"};

QStringList planTexts()
{
    QStringList out;
    for (int r = 0; r <= 16; ++r)
        for (int c = 1; c <= 15; ++c)
            out << Form1->xg->Cells(c, r);
    for (int i = 1; i <= 10; ++i)
        out << Form1->settingBox(i)->currentText();
    return out;
}

QStringList row(int r)
{
    return planTexts().mid(r * 15, 15);
}

void focusTable(int col, int row)
{
    Form1->activateWindow(); // the progress window may have taken the activation
    QTRY_VERIFY(Form1->isActiveWindow());
    Form1->xg->setFocus();
    Form1->xg->setCurrentCell(col, row);
}

void keys(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

void typeIntoCell(int col, int row, const QString &text)
{
    focusTable(col, row);
    QTest::keyClick(Form1->xg, text[0].toLatin1());
    QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
    keys(Qt::Key_Return, Qt::NoModifier);
}

void clickChannelNumber(int row)
{
    QHeaderView *numbers = Form1->xg->verticalHeader();
    const int section = row - 1;
    const QPoint at(numbers->width() / 2, numbers->sectionViewportPosition(section) + numbers->sectionSize(section) / 2);
    QTest::mouseClick(numbers->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestPlanSheet : public QObject {
    Q_OBJECT

    std::unique_ptr<rtl::dialogs::Recording> m_boxes;
    QTemporaryDir m_dir;
    PlanSheet *m_sheet = nullptr;

    QString undoText() const { return m_sheet->undoAction->text(); }

private slots:
    void init()
    {
        m_boxes = std::make_unique<rtl::dialogs::Recording>();
        createForms();
        Form3->pause = [](int) {};
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        m_sheet = Form1->sheet();
        // The import dialog as it opens, never shown: its first row into channel 1.
        m_sheet->chooseCsvPlacement = [](const ChannelCsvFile &file, const QString &name) {
            return CsvImportDialog(file, name).placement();
        };
    }
    void cleanup()
    {
        destroyForms();
        m_boxes.reset();
    }

    void cellAndSettingEditsUndo()
    {
        const QStringList start = planTexts();
        typeIntoCell(1, 3, QStringLiteral("145.125")); // completes the row: still one step
        QCOMPARE(undoText(), QStringLiteral("撤销 修改 信道 3「接收频率」"));
        QVERIFY(Form1->isWindowModified());
        const QStringList typed = planTexts();
        keys(Qt::Key_Z);
        QCOMPARE(planTexts(), start);
        QVERIFY(!Form1->isWindowModified());
        keys(Qt::Key_Y);
        QCOMPARE(planTexts(), typed);

        // In an open cell editor Ctrl+Z is the editor's own, as in any line edit.
        focusTable(1, 4);
        QTest::keyClick(Form1->xg, '1');
        keys(Qt::Key_4, Qt::NoModifier);
        keys(Qt::Key_Z);
        QVERIFY(Form1->xg->isEditing());
        QCOMPARE(qobject_cast<QLineEdit *>(QApplication::focusWidget())->text(), QStringLiteral("1"));
        QCOMPARE(planTexts(), typed);
        keys(Qt::Key_Backspace, Qt::NoModifier);
        keys(Qt::Key_Return, Qt::NoModifier);

        // A setting picked with the keyboard, undone from the table.
        Form1->ComboBox3->setFocus();
        QTest::keyClick(Form1->ComboBox3, Qt::Key_Down);
        QCOMPARE(Form1->ComboBox3->currentText(), QStringLiteral("1"));
        QCOMPARE(undoText(), QStringLiteral("撤销 修改「静噪」"));
        focusTable(1, 1);
        keys(Qt::Key_Z);
        QCOMPARE(planTexts(), typed);
        keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Form1->ComboBox3->currentText(), QStringLiteral("1"));
    }

    // Paste, move, load and CSV import each undo as one step.
    void tableStepsUndo()
    {
        const QStringList start = planTexts();
        QStringList lines;
        for (int n = 0; n < 10; ++n)
            lines << QStringList(kRow).replaceInStrings("145.1", QStringLiteral("14%1.1").arg(n)).join(u'\t');
        QGuiApplication::clipboard()->setText(lines.join(u'\n') + u'\n'); // as a spreadsheet copies
        focusTable(1, 1);
        keys(Qt::Key_V);
        QCOMPARE(undoText(), QStringLiteral("撤销 粘贴 10 个信道"));
        QCOMPARE(row(10).first(), QStringLiteral("149.12500"));
        const QStringList pasted = planTexts();

        // Channel 9 to 2: seven moves, each a step.
        clickChannelNumber(9);
        for (int n = 0; n < 7; ++n)
            m_sheet->moveUpAction->trigger();
        QCOMPARE(row(2).first(), QStringLiteral("148.12500"));
        QCOMPARE(row(3).first(), QStringLiteral("141.12500"));
        QCOMPARE(undoText(), QStringLiteral("撤销 上移 信道 3"));
        for (int n = 0; n < 7; ++n)
            keys(Qt::Key_Z);
        QCOMPARE(planTexts(), pasted);

        const QString plan = m_dir.filePath(QStringLiteral("plan.zq"));
        Form1->chooseSaveFile = [&] { return plan; };
        Form1->N5->trigger();
        QVERIFY(!Form1->isWindowModified());
        keys(Qt::Key_Z);
        QCOMPARE(planTexts(), start);
        Form1->chooseOpenFile = [&] { return plan; };
        Form1->N3->trigger();
        QCOMPARE(undoText(), QStringLiteral("撤销 打开 plan.zq"));
        QVERIFY(!Form1->isWindowModified());

        const QString csv = m_dir.filePath(QStringLiteral("plan.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Location,Frequency,Duplex,Offset,Mode\r\n12,430.5,+,2,NFM\r\n20,431,,,FM\r\n");
        file.close();
        m_sheet->chooseCsvToImport = [&] { return csv; };
        m_sheet->chooseCsvPlacement = [](const ChannelCsvFile &file, const QString &name) {
            CsvImportDialog dialog(file, name);
            dialog.channelBox->setValue(12); // Location 12 into channel 12
            return dialog.placement();
        };
        const QStringList loaded = planTexts();
        m_sheet->importCsvAction->trigger();
        QCOMPARE(row(12).mid(0, 2), (QStringList{"430.50000", "432.50000"}));
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("从 plan.csv 导入了 1 个信道。\n跳过了 1 行：\n"
                                                              "第 3 行（Location 20）：本机只有位置 1–16")});
        focusTable(1, 1);
        keys(Qt::Key_Z);
        QCOMPARE(planTexts(), loaded);
        keys(Qt::Key_Z);
        QCOMPARE(planTexts(), start);
    }

    // The generic example list (Locations 25–149) through 文件 → 导入 CSV: the dialog offers its
    // first row into channel 1, and the rows that do not fit are named in the report.
    void importListStartingPast16()
    {
        QByteArray bytes = "Location;Name;Frequency;Duplex;Offset;Tone;rToneFreq;cToneFreq;Mode;TStep\r\n";
        for (int location = 25; location <= 149; ++location)
            bytes += QStringLiteral("%1;CH%1;%2;;0,000000;;88,5;88,5;FM;25,00\r\n")
                         .arg(location)
                         .arg(QString::number(400.0 + location * 0.025, 'f', 6).replace(u'.', u','))
                         .toLatin1();
        const QString csv = m_dir.filePath(QStringLiteral("generic.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        m_sheet->chooseCsvToImport = [&] { return csv; };
        QString preview;
        m_sheet->chooseCsvPlacement = [&](const ChannelCsvFile &rows, const QString &name) {
            CsvImportDialog dialog(rows, QFileInfo(name).fileName());
            preview = dialog.previewLabel->text();
            return dialog.placement();
        };
        m_sheet->importCsvAction->trigger();
        QCOMPARE(preview, QStringLiteral("将填入信道 1–16（16 个）。\n109 行落在信道 1–16 之外，将跳过。"));
        for (int r = 1; r <= 16; ++r)
            QCOMPARE(row(r).mid(0, 2), QStringList(2, QString::number(400.0 + (r + 24) * 0.025, 'f', 5)));
        const QStringList report = m_boxes->texts().value(0).split(u'\n');
        QCOMPARE(report.mid(0, 3), (QStringList{QStringLiteral("从 generic.csv 导入了 16 个信道。"),
                                                QStringLiteral("跳过了 109 行："),
                                                QStringLiteral("第 18 行（Location 41）：落在信道 17，本机只有信道 1–16")}));
        QCOMPARE(report.size(), 3 + 108);
        QCOMPARE(report.last(), QStringLiteral("第 126 行（Location 149）：落在信道 125，本机只有信道 1–16"));
    }

    // A report of a hundred rows scrolls inside a dialog that fits the screen.
    void importReportFitsTheScreen()
    {
        QStringList lines{QStringLiteral("跳过了 120 行：")};
        for (int n = 0; n < 120; ++n)
            lines << QStringLiteral("第 %1 行（Location %1）：本机只有位置 1–16").arg(n + 17);
        std::unique_ptr<QDialog> dialog(csvImportReport(Form1, QStringLiteral("从 x.csv 导入了 0 个信道。"), lines));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QVERIFY(dialog->frameGeometry().height() <= dialog->screen()->availableGeometry().height());
        auto *list = dialog->findChild<QPlainTextEdit *>();
        QVERIFY(list);
        QCOMPARE(list->toPlainText(), lines.join(u'\n'));
        QVERIFY(list->verticalScrollBar()->maximum() > 0);
    }

    void copyPasteClearAndRefusal()
    {
        for (int c = 1; c <= 15; ++c)
            Form1->xg->setCells(c, 1, kRow[c - 1]);
        clickChannelNumber(1);
        keys(Qt::Key_C);
        QCOMPARE(QGuiApplication::clipboard()->text(), kRow.join(u'\t'));
        focusTable(3, 4); // whole channels go to the start of the row
        keys(Qt::Key_V);
        QCOMPARE(row(4), kRow);

        // Lines pasted into an open cell editor go to the table; a single value stays in the editor.
        QGuiApplication::clipboard()->setText(QStringLiteral("430\n431\n"));
        focusTable(1, 8);
        keys(Qt::Key_F2, Qt::NoModifier);
        keys(Qt::Key_V);
        QVERIFY(!Form1->xg->isEditing());
        QCOMPARE(row(9).first(), QStringLiteral("431.00000"));
        QGuiApplication::clipboard()->setText(QStringLiteral("432"));
        keys(Qt::Key_F2, Qt::NoModifier);
        keys(Qt::Key_V);
        QVERIFY(Form1->xg->isEditing());
        keys(Qt::Key_Return, Qt::NoModifier);
        QCOMPARE(row(8).first(), QStringLiteral("432.00000"));

        const QStringList before = planTexts();
        const int steps = m_sheet->history().stack().count();
        QGuiApplication::clipboard()->setText(QStringLiteral("146\tabc"));
        focusTable(1, 6);
        keys(Qt::Key_V);
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("无法粘贴：信道 6「发射频率」不能取「abc」：'abc' is not a "
                                                              "valid floating point value\n表格没有改动。")});
        QCOMPARE(planTexts(), before);
        QCOMPARE(m_sheet->history().stack().count(), steps);

        // Delete in a cell's open drop-down list is the list's, not the table's.
        focusTable(5, 4);
        keys(Qt::Key_F2, Qt::NoModifier);
        auto *list = qobject_cast<QComboBox *>(Form1->xg->activeEditor()->control());
        list->showPopup();
        QTRY_VERIFY(list->view()->isVisible());
        QTest::keyClick(list->view(), Qt::Key_Delete);
        QVERIFY(Form1->xg->isEditing());
        QCOMPARE(row(4), kRow);
        list->hidePopup();

        clickChannelNumber(4);
        keys(Qt::Key_Delete, Qt::NoModifier);
        QCOMPARE(row(4), QStringList(15));
        QCOMPARE(undoText(), QStringLiteral("撤销 清除"));
    }

    void readIsOneStep()
    {
        radiosim::RadioSim sim;
        QVERIFY(sim.start());
        Form1->comcbb->setCurrentText(sim.portPath());
        typeIntoCell(1, 1, QStringLiteral("145.125"));
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        typeIntoCell(1, 2, QStringLiteral("430"));
        const QStringList before = planTexts();
        const int steps = m_sheet->history().stack().count();

        Form1->rbtn->click();
        QCOMPARE(planTexts(), before); // the table takes the read only once all of it has come
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 15000);
        const QStringList read = planTexts();
        QVERIFY(read != before);
        QCOMPARE(m_sheet->history().stack().count(), steps + 1);
        QCOMPARE(undoText(), QStringLiteral("撤销 读频"));
        focusTable(1, 1);
        keys(Qt::Key_Z);
        QCOMPARE(planTexts(), before);
        keys(Qt::Key_Y);
        QCOMPARE(planTexts(), read);
        sim.stop();
    }

    void closingAsksToSave()
    {
        typeIntoCell(1, 1, QStringLiteral("145.125"));
        QSignalSpy closed(Form1, &TForm1::closed);
        int asked = 0;
        PlanSheet::SaveChoice answer = PlanSheet::SaveChoice::Cancel;
        m_sheet->askToSave = [&](const QString &) {
            ++asked;
            return answer;
        };
        QVERIFY(!Form1->close());
        QVERIFY(Form1->isVisible());
        answer = PlanSheet::SaveChoice::Save;
        Form1->chooseSaveFile = [] { return QString(); }; // the save dialog cancelled
        QVERIFY(!Form1->close());
        const QString plan = m_dir.filePath(QStringLiteral("closing.zq"));
        Form1->chooseSaveFile = [&] { return plan; };
        QVERIFY(Form1->close());
        QCOMPARE(asked, 3);
        QCOMPARE(closed.size(), 1);
        QVERIFY(QFileInfo(plan).size() > 0);
    }

    // 新建 asks as closing does; the new plan is the one the window starts with, with a clean
    // history and no file of its own.
    void newPlanAsksFirst()
    {
        const QStringList empty = planTexts();
        const QString plan = m_dir.filePath(QStringLiteral("before-new.zq"));
        int dialogs = 0;
        Form1->chooseSaveFile = [&] {
            ++dialogs;
            return plan;
        };
        typeIntoCell(1, 1, QStringLiteral("145.125"));
        Form1->N5->trigger();
        typeIntoCell(1, 2, QStringLiteral("146"));
        QStringList questions;
        PlanSheet::SaveChoice answer = PlanSheet::SaveChoice::Cancel;
        m_sheet->askToSave = [&](const QString &question) {
            questions << question;
            return answer;
        };
        Form1->newAction->trigger();
        QCOMPARE(questions, QStringList{QStringLiteral("信道表有未保存的修改。新建前保存吗？")});
        QCOMPARE(row(2).first(), QStringLiteral("146.00000"));

        answer = PlanSheet::SaveChoice::Save; // into the plan's own file, no dialog
        Form1->newAction->trigger();
        QCOMPARE(dialogs, 1);
        QFile saved(plan);
        QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("146.00000"));
        QCOMPARE(planTexts(), empty);
        QVERIFY(!Form1->isWindowModified());
        QVERIFY(!m_sheet->undoAction->isEnabled());
        QCOMPARE(m_sheet->planFile(), QString());
        Form1->newAction->trigger(); // nothing to lose: no question
        QCOMPARE(questions.size(), 2);
    }

    void csvDialogsSayWhatTheyDo()
    {
        std::unique_ptr<QFileDialog> import = m_sheet->csvDialog(QFileDialog::AcceptOpen);
        QCOMPARE(import->windowTitle(), QStringLiteral("导入 CSV"));
        std::unique_ptr<QFileDialog> exporting = m_sheet->csvDialog(QFileDialog::AcceptSave);
        QCOMPARE(exporting->windowTitle(), QStringLiteral("导出 CSV"));
        QCOMPARE(QFileInfo(exporting->selectedFiles().value(0)).fileName(), QStringLiteral("信道.csv"));
        Form1->chooseSaveFile = [&] { return m_dir.filePath(QStringLiteral("river.v2.zq")); };
        Form1->N5->trigger();
        exporting = m_sheet->csvDialog(QFileDialog::AcceptSave);
        QCOMPARE(QFileInfo(exporting->selectedFiles().value(0)).fileName(), QStringLiteral("river.v2.csv"));
    }

    void pdfHoldsEveryCell()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QStringList other{"438.50000", "430.02500", "无", "754I", "高", "宽带", "有", "6250",
                                "1", "#", "BOTH", "3", "2TONE", "5", "无"};
        for (int c = 1; c <= 15; ++c) {
            Form1->xg->setCells(c, 1, kRow[c - 1]);
            Form1->xg->setCells(c, 16, other[c - 1]);
        }
        Form1->ComboBox6->setCurrentText(QStringLiteral("按键锁定及备份"));
        Form1->chooseSaveFile = [&] { return m_dir.filePath(QStringLiteral("river.zq")); };
        Form1->N5->trigger();
        const QString pdf = m_dir.filePath(QStringLiteral("plan.pdf"));
        m_sheet->choosePdf = [&] { return pdf; };
        m_sheet->exportPdfAction->trigger();
        QVERIFY(m_boxes->shown().isEmpty());

        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(pdftotext.waitForFinished(30000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QStringList expected{QStringLiteral("river.zq")};
        for (int r = 0; r <= 16; ++r)
            for (int c = 0; c <= 15; ++c)
                expected << Form1->xg->Cells(c, r);
        for (int i = 1; i <= 10; ++i)
            expected << Form1->settingBox(i)->currentText();
        for (const QString &cell : expected)
            QVERIFY2(cell.isEmpty() || text.contains(cell), qPrintable(cell));

        // 打印 paints the same page through the preview's printer.
        QString printed;
        m_sheet->previewPrint = [&](QPrinter &printer) {
            QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
            printed = m_dir.filePath(QStringLiteral("printed.pdf"));
            printer.setOutputFileName(printed);
            m_sheet->printTo(printer);
        };
        m_sheet->printAction->trigger();
        QVERIFY(QFileInfo(printed).size() > 0);
    }

    // On a full disk the export says why and keeps the PDF that was there.
    void pdfOntoFullDiskKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("old.pdf"));
        const QByteArray old = "%PDF-1.4 old";
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        m_sheet->choosePdf = [&] { return pdf; };
        {
            restricted::FileSizeLimit fullDisk(4096); // a fraction of the page
            QVERIFY(fullDisk.ok());
            m_sheet->exportPdfAction->trigger();
        }
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("Cannot create file \"%1\". File too large").arg(pdf)});
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.pdf")});
    }
};

QTEST_MAIN(TestPlanSheet)
#include "tst_plansheet.moc"
