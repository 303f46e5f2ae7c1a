// Copying, pasting, clearing, inserting, deleting and moving channels on the table's texts.
#include "channels/channelsheet.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "channels/plansnapshot.h"

#include <QTest>

using Rows = QList<QStringList>;

namespace {

const QStringList kChannelA{"145.12500", "145.72500", "88.5", "023N", "低", "窄带", "无", "12500",
                            "D", "0", "EOT", "10", "FSK", "16", "有"};
const QStringList kChannelB{"438.50000", "430.02500", "无", "754I", "高", "宽带", "有", "6250",
                            "1", "#", "BOTH", "3", "2TONE", "5", "无"};

QStringList row(const ChannelTexts &t, int r)
{
    QStringList cells;
    for (int c = 1; c <= 15; ++c)
        cells << t.cell(c, r);
    return cells;
}

void setRow(ChannelTexts &t, int r, const QStringList &cells)
{
    for (int c = 1; c <= 15; ++c)
        t.setCell(c, r, cells.value(c - 1));
}

} // namespace

class TestChannelSheet : public QObject {
    Q_OBJECT

private slots:
    // Spreadsheet text as LibreOffice and others put it on the clipboard.
    void delimitedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("CR LF, trailing break") << "145.125\t146\r\n430\t\r\n" << Rows{{"145.125", "146"}, {"430", ""}};
        QTest::newRow("quoted tab and quotes") << "\"a\tb\"\t\"say \"\"hi\"\"\"\n" << Rows{{"a\tb", "say \"hi\""}};
        QTest::newRow("line break in a field") << "\"two\nlines\"\tz" << Rows{{"two\nlines", "z"}};
        QTest::newRow("empty line kept") << "x\n\ny" << Rows{{"x"}, {""}, {"y"}};
    }
    void delimitedText()
    {
        QFETCH(QString, text);
        QFETCH(Rows, rows);
        QCOMPARE(splitDelimited(text, u'\t'), rows);
        QCOMPARE(splitDelimited(joinDelimited(rows, u'\t', QStringLiteral("\n")), u'\t'), rows);
    }

    void pasteTypesEveryCell()
    {
        MemoryChannelTexts t;
        setRow(t, 1, kChannelA);
        setRow(t, 2, kChannelB);
        // Two whole channels onto channels 5–6 (one in use), blanks of a loaded plan copy as empty.
        setRow(t, 6, kChannelA);
        t.setCell(15, 2, QStringLiteral(" "));
        QCOMPARE(pasteChannelCells(t, 1, 5, splitDelimited(copyChannelCells(t, 1, 1, 15, 2), u'\t')), 2);
        QCOMPARE(row(t, 5), kChannelA);
        QCOMPARE(row(t, 6), QStringList(kChannelB.mid(0, 14)) << QString());
        // A receive frequency completes an empty row and is formatted; spaces around go.
        pasteChannelCells(t, 1, 9, {{" 146.5 "}});
        QCOMPARE(row(t, 9), (QStringList{"146.50000", "146.50000", "无", "无", "高", "宽带", "有", "25000", "无",
                                         "无", "无", "无", "DTMF", "1", "无"}));
        // An empty receive frequency clears the row; a drop-down in an empty row is dropped.
        pasteChannelCells(t, 1, 9, {{""}});
        pasteChannelCells(t, 5, 10, {{"低"}});
        QCOMPARE(row(t, 9), QStringList(15));
        QCOMPARE(row(t, 10), QStringList(15));
        // A spreadsheet's empty cells past the last column are harmless.
        pasteChannelCells(t, 14, 5, {{"7", "无", "", ""}});
        QCOMPARE(t.cell(14, 5), QStringLiteral("7"));
    }

    void refusedPasteChangesNothing_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<Rows>("block");
        QTest::addColumn<QString>("message");
        QTest::newRow("16 columns") << 1 << 3 << Rows{kChannelA + QStringList{"x"}}
                                    << "无法粘贴：信道 3 的「x」落在表格之外，从「接收频率」起只有 15 列。表格没有改动。";
        QTest::newRow("rows past 16") << 1 << 15 << Rows{{"145"}, {"146"}, {"147"}}
                                      << "无法粘贴：内容有 3 行，从信道 15 起只有 2 个信道。表格没有改动。";
        QTest::newRow("not a number") << 1 << 4 << Rows{{"145"}, {"146", "abc"}}
                                      << "无法粘贴：信道 5「发射频率」不能取「abc」：'abc' is not a valid floating "
                                         "point value\n表格没有改动。";
    }
    void refusedPasteChangesNothing()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(Rows, block);
        QFETCH(QString, message);
        MemoryChannelTexts t;
        setRow(t, 16, kChannelB);
        const PlanSnapshot before = PlanSnapshot::capture(t);
        try {
            pasteChannelCells(t, col, row, block);
            QFAIL("the paste was taken");
        } catch (const EChannelSheetError &e) {
            QCOMPARE(e.message(), message);
        }
        QVERIFY(PlanSnapshot::capture(t) == before);
    }

    void clearInsertDeleteMove()
    {
        MemoryChannelTexts t;
        setRow(t, 1, kChannelA);
        setRow(t, 2, kChannelB);
        t.setCell(5, 3, QStringLiteral("低")); // a row not in use is left alone
        clearChannelCells(t, {{5, 1}, {2, 1}, {1, 2}, {5, 3}});
        QCOMPARE(row(t, 1), QStringList(kChannelA).replaceInStrings("低", "").replaceInStrings("145.72500", ""));
        QCOMPARE(row(t, 2), QStringList(15));
        QCOMPARE(t.cell(5, 3), QStringLiteral("低"));

        setRow(t, 2, kChannelB);
        setRow(t, 16, kChannelA);
        try {
            insertEmptyChannels(t, 2, 1);
            QFAIL("channel 16 was pushed out");
        } catch (const EChannelSheetError &e) {
            QVERIFY(e.message().contains(QStringLiteral("信道 16 在使用中")));
        }
        QCOMPARE(row(t, 16), kChannelA);
        deleteChannels(t, 16, 1);
        insertEmptyChannels(t, 2, 2);
        QCOMPARE(row(t, 2), QStringList(15));
        QCOMPARE(row(t, 4), kChannelB);
        QCOMPARE(row(t, 5)[4], QStringLiteral("低"));
        deleteChannels(t, 2, 2);
        QCOMPARE(row(t, 2), kChannelB);
        QCOMPARE(row(t, 15), QStringList(15));

        // Channel 2 to the top and back down; the top and the end stay put.
        QVERIFY(moveChannels(t, 2, 1, -1));
        QCOMPARE(row(t, 1), kChannelB);
        QVERIFY(!moveChannels(t, 1, 1, -1));
        QVERIFY(moveChannels(t, 1, 2, 1));
        QCOMPARE(row(t, 1)[4], QStringLiteral("低")); // what was below the block
        QCOMPARE(row(t, 2), kChannelB);
        QVERIFY(!moveChannels(t, 15, 2, 1));
    }
};

QTEST_GUILESS_MAIN(TestChannelSheet)
#include "tst_channelsheet.moc"
