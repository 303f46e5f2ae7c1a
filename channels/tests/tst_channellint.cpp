// The warnings before a write: each rule once where it fires and once where it must not.
#include "channels/channellint.h"
#include "channels/memorychanneltexts.h"

#include <QtTest>

namespace {

// Channel 1 as the table completes it: 145.12500 both ways, no tones, step 25000.
void putChannel(MemoryChannelTexts &texts, int row, const QString &rx, const QString &tx)
{
    const QStringList cells{rx, tx, "无", "无", "高", "宽带", "有", "25000", "无", "无", "无", "无", "DTMF", "1", "无"};
    for (int c = 1; c <= 15; ++c)
        texts.setCell(c, row, cells[c - 1]);
}

} // namespace

class TestChannelLint : public QObject {
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<int>("col"); // 0: a setting
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected"); // "channel|column|value|message"
        QTest::newRow("PF1 监听") << 0 << 6 << "监听"
                                << QStringList{"0|PF1|监听|电台只保存「无」和「警报音」，写入后读回为「无」"};
        QTest::newRow("PF2 警报音") << 0 << 7 << "警报音" << QStringList{};
        QTest::newRow("tone 88.6") << 3 << 0 << "88.6" << QStringList{"1|QT/DQT解码|88.6|不在亚音列表中"};
        QTest::newRow("tone 754I") << 4 << 0 << "754I" << QStringList{};
        QTest::newRow("rx 135.125 MHz") << 1 << 0 << "135.12500"
                                        << QStringList{"1|接收频率|135.12500|不在 136–174 MHz 或 400–480 MHz 频段内"};
        QTest::newRow("rx 136 MHz") << 1 << 0 << "136.00000" << QStringList{};
        QTest::newRow("tx off the step") << 2 << 0 << "145.13000"
                                         << QStringList{"1|发射频率|145.13000|不是步进 25000 Hz 的整数倍"};
        QTest::newRow("tx 155.1 MHz: split 9.975") << 2 << 0 << "155.10000" << QStringList{};
        QTest::newRow("tx 155.15 MHz: split 10.025") << 2 << 0 << "155.15000"
                                                     << QStringList{"1|发射频率|155.15000|收发频差 10.02500 MHz，超过 10 MHz"};
        QTest::newRow("channel 2 like channel 1") << 1 << 2 << "145.12500"
                                                  << QStringList{"2|接收频率|145.12500|与信道 1 完全相同"};
    }
    void rules()
    {
        QFETCH(int, col);
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        MemoryChannelTexts texts;
        putChannel(texts, 1, "145.12500", "145.12500");
        putChannel(texts, 2, "145.15000", "145.15000");
        if (col == 0)
            texts.setSetting(index, text);
        else if (index == 2)
            putChannel(texts, 2, text, text);
        else
            texts.setCell(col, 1, text);
        QStringList got;
        for (const PlanWarning &w : lintChannelPlan(texts))
            got << QStringLiteral("%1|%2|%3|%4").arg(w.channel).arg(w.column, w.value, w.message);
        QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(TestChannelLint)
#include "tst_channellint.moc"
