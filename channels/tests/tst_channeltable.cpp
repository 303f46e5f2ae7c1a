// The channel table's lists and the rules that run after a cell has been edited.
#include "channels/channeltable.h"
#include "channels/channelcodec.h"
#include "channels/channelcsv.h"
#include "channels/channellint.h"
#include "channels/memorychanneltexts.h"
#include "frames/frame.h"
#include "rtl/exception.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <array>

namespace {

const QStringList kEmptyRow(15, QString());
const QStringList kFilledRow{"145.12500", "145.12500", "无", "无", "高", "宽带", "有", "25000",
                             "无", "无", "无", "无", "DTMF", "1", "无"};
const QStringList kOtherRow{"438.50000", "430.02500", "88.5", "023N", "低", "窄带", "无", "12500",
                            "D", "0", "EOT", "10", "FSK", "16", "有"};

QStringList with(QStringList row, int col, const QString &text)
{
    row[col - 1] = text;
    return row;
}

} // namespace

class TestChannelTable : public QObject {
    Q_OBJECT

private slots:
    void lists();
    void editRules_data();
    void editRules();
    void toneRule_data();
    void toneRule();
};

void TestChannelTable::lists()
{
    const QStringList &tones = toneList();
    QCOMPARE(tones.size(), 218);
    QCOMPARE(QSet<QString>(tones.begin(), tones.end()).size(), 218);
    QCOMPARE((QStringList{tones[0], tones[1], tones[51], tones[52], tones[134], tones[135],
                          tones[217]}),
             (QStringList{"无", "62.5", "254.1", "023N", "754N", "023I", "754I"}));
    // CTCSS tones rise; DCS codes are three octal digits, rising, the same for N and I.
    for (int i = 2; i <= 51; ++i)
        QVERIFY2(tones[i - 1].toDouble() < tones[i].toDouble(), qPrintable(tones[i]));
    for (int i = 52; i < 135; ++i) {
        const QString code = tones[i].left(3);
        QVERIFY2(code.size() == 3 && !code.contains(QRegularExpression("[^0-7]")),
                 qPrintable(tones[i]));
        QCOMPARE(tones[i + 83], code + QLatin1Char('I'));
        if (i > 52)
            QVERIFY(tones[i - 1].left(3).toInt() < code.toInt());
    }

    const QList<ChannelColumnDef> &columns = channelColumns();
    QCOMPARE(columns[ColTxTone].items, tones);
    QCOMPARE(columns[ColKey2].items, (QStringList{"无", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                                                  "*", "0", "#", "A", "B", "C", "D"}));
    QCOMPARE(columns[ColCompander].editorDefault, QStringLiteral("有"));
    for (const ChannelColumnDef &c : columns) // every default is on its list
        if (c.editor == EditorKind::DropDown)
            QVERIFY2(c.items.contains(c.editorDefault) && c.items.contains(c.completionDefault),
                     qPrintable(c.caption));
    for (int i = 1; i <= kSettingCount; ++i)
        QVERIFY(settingDefs()[i].items.contains(settingDefs()[i].initialText));
    QCOMPARE(settingDefs()[SetPf1].items.size(), 13);
}

void TestChannelTable::editRules_data()
{
    QTest::addColumn<QStringList>("before"); // columns 1–15
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("error");

    const QString notFloat = QStringLiteral("'%1' is not a valid floating point value");

    QTest::newRow("145.125 in column 1 of an empty row")
        << kEmptyRow << 1 << "145.125" << kFilledRow << QString();
    QTest::newRow("145.125 in column 1 of a loaded row of blanks")
        << QStringList(15, " ") << 1 << "145.125" << kFilledRow << QString();
    QTest::newRow("145.125 in column 1 of a set-up row whose TX was emptied keeps its settings")
        << with(kOtherRow, 2, "") << 1 << "145.125"
        << with(with(kOtherRow, 1, "145.12500"), 2, "145.12500") << QString();
    QTest::newRow("145.125 in column 1 fills only the blank settings")
        << with(with(with(kOtherRow, 2, ""), 3, " "), 9, "") << 1 << "145.125"
        << with(with(with(with(kOtherRow, 1, "145.12500"), 2, "145.12500"), 3, "无"), 9, "无")
        << QString();
    QTest::newRow("146 in column 1 over TX 145.12500")
        << kFilledRow << 1 << "146" << with(kFilledRow, 1, "146.00000") << QString();
    QTest::newRow("1e2 in column 1 of an empty row")
        << kEmptyRow << 1 << "1e2"
        << with(with(kFilledRow, 1, "100.00000"), 2, "100.00000") << QString();
    QTest::newRow("145.123456 in column 2")
        << kFilledRow << 2 << "145.123456" << with(kFilledRow, 2, "145.12346") << QString();
    QTest::newRow("empty column 1 of a filled row")
        << kOtherRow << 1 << "" << kEmptyRow << QString();
    QTest::newRow("empty column 2 of a filled row")
        << kFilledRow << 2 << "" << with(kFilledRow, 2, "") << QString();
    QTest::newRow("低 in column 5 of an empty row")
        << kEmptyRow << 5 << "低" << kEmptyRow << QString();
    QTest::newRow("25000 in column 8 of a blank row")
        << QStringList(15, " ") << 8 << "25000" << kEmptyRow << QString();
    QTest::newRow("abc in column 1 of an empty row")
        << kEmptyRow << 1 << "abc" << with(kEmptyRow, 1, "abc") << notFloat.arg("abc");
    QTest::newRow("abc in column 1 of a filled row")
        << kOtherRow << 1 << "abc" << with(kOtherRow, 1, "abc") << notFloat.arg("abc");
    QTest::newRow("145,125 in column 2")
        << kFilledRow << 2 << "145,125" << with(kFilledRow, 2, "145,125") << notFloat.arg("145,125");
}

void TestChannelTable::editRules()
{
    QFETCH(QStringList, before);
    QFETCH(int, col);
    QFETCH(QString, typed);
    QFETCH(QStringList, after);
    QFETCH(QString, error);

    const int row = 11;
    MemoryChannelTexts t;
    for (int c = 1; c < kChannelColumnCount; ++c)
        t.setCell(c, row, before[c - 1]);
    t.setCell(col, row, typed); // the editor stores its text, then the rules run

    QString message;
    try {
        xgSetEditText(t, col, row);
    } catch (const EConvertError &e) {
        message = e.message();
    }
    QCOMPARE(message, error);
    QStringList texts;
    for (int c = 1; c < kChannelColumnCount; ++c)
        texts << t.cell(c, row);
    QCOMPARE(texts, after);
    QCOMPARE(t.cell(ColNumber, row), QStringLiteral("11"));
}

void TestChannelTable::toneRule_data()
{
    QTest::addColumn<QString>("tone");     // channel 1's transmit tone
    QTest::addColumn<QString>("written");  // the tone word's bytes, or the encoder's refusal
    QTest::addColumn<QString>("readBack");
    QTest::addColumn<QString>("warning");  // before a write
    QTest::addColumn<QString>("csv"); // Tone rToneFreq DtcsCode DtcsPolarity CrossMode, or why it is left out

    const QString notFloat = QStringLiteral("'%1' is not a valid floating point value\n信道 1「QT/DQT编码」");
    const QString offList = QStringLiteral("不在亚音列表中");
    const QString notTone = QStringLiteral("「QT/DQT编码」'%1' 不是亚音");
    QTest::newRow("089N: a DCS code off the list")
        << "089N" << "5920" << "089N" << offList << "Cross 88.5 089 NN DTCS->";
    QTest::newRow("088.5") << "088.5" << "7503" << "88.5" << "" << "Tone 88.5 023 NN Tone->Tone";
    QTest::newRow("88.5") << "88.5" << "7503" << "88.5" << "" << "Tone 88.5 023 NN Tone->Tone";
    QTest::newRow("754I") << "754I" << "F2A2" << "754I" << "" << "Cross 88.5 754 RN DTCS->";
    QTest::newRow("023N") << "023N" << "1720" << "023N" << "" << "Cross 88.5 023 NN DTCS->";
    QTest::newRow("无") << "无" << "FFFF" << "无" << "" << " 88.5 023 NN Tone->Tone";
    QTest::newRow("67: the list's 67.0") << "67" << "9E02" << "67.0" << "" << "Tone 67.0 023 NN Tone->Tone";
    QTest::newRow("005N: three digits when read")
        << "005N" << "0520" << "005N" << offList << "Cross 88.5 005 NN DTCS->";
    QTest::newRow("ab") << "ab" << notFloat.arg("ab") << "" << "" << notTone.arg("ab");
    QTest::newRow("abcN: no digits before the N") << "abcN" << notFloat.arg("abcN") << "" << "" << notTone.arg("abcN");
    QTest::newRow("1000: more than the tone word holds")
        << "1000" << "信道 1「QT/DQT编码」: '1000' 不是可选值" << "" << "" << notTone.arg("1000");
}

void TestChannelTable::toneRule()
{
    QFETCH(QString, tone);
    QFETCH(QString, written);
    QFETCH(QString, readBack);
    QFETCH(QString, warning);
    QFETCH(QString, csv);

    MemoryChannelTexts t;
    const QStringList cells = with(kFilledRow, ColTxTone, tone);
    for (int c = 1; c < kChannelColumnCount; ++c)
        t.setCell(c, 1, cells[c - 1]);

    constexpr int kTxToneAt = 14;
    std::array<quint8, frame::kEncoderSpan> sent{};
    try {
        EncodeChannelRecord(t, 1, sent.data());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(sent.data()) + kTxToneAt, 2).toHex().toUpper(),
                 written.toLatin1());
        MemoryChannelTexts back;
        DecodeMemoryBlock(back, sent.data());
        QCOMPARE(back.cell(ColTxTone, 1), readBack);
        std::array<quint8, frame::kEncoderSpan> again{};
        EncodeChannelRecord(back, 1, again.data());
        QVERIFY(again == sent);
    } catch (const rtl::Exception &e) {
        QCOMPARE(e.message(), written);
    }

    QStringList warnings;
    for (const PlanWarning &w : lintChannelPlan(t))
        warnings << QStringLiteral("%1|%2|%3").arg(w.column, w.value, w.message);
    QCOMPARE(warnings, warning.isEmpty() ? QStringList() : QStringList{"QT/DQT编码|" + tone + '|' + warning});

    CsvReport report;
    const QList<QByteArray> lines = channelCsv(t, &report).split('\n');
    QStringList fields;
    for (const char *column : {"Tone", "rToneFreq", "DtcsCode", "DtcsPolarity", "CrossMode"})
        fields << QString::fromUtf8(lines.value(1).trimmed().split(',').value(csvColumns().indexOf(column)));
    if (report.skipped.isEmpty())
        QCOMPARE(fields.join(u' '), csv);
    else
        QCOMPARE(report.skipped, QStringList{"信道 1：" + csv});
}

QTEST_GUILESS_MAIN(TestChannelTable)
#include "tst_channeltable.moc"
