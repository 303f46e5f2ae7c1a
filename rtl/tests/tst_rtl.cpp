// Conversions, message recording and the guard.
#include "rtl/dialogs.h"
#include "rtl/exception.h"
#include "rtl/guard.h"
#include "rtl/sysutils.h"

#include <QtTest>

using namespace rtl;

class TestRtl : public QObject {
    Q_OBJECT
private slots:
    void strToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("25000") << "25000" << true << 25000;
        QTest::newRow("-12") << "-12" << true << -12;
        QTest::newRow("+7") << "+7" << true << 7;
        QTest::newRow("leading blanks") << "  42" << true << 42;
        QTest::newRow("$1F") << "$1F" << true << 31;
        QTest::newRow("0x1f") << "0x1f" << true << 31;
        QTest::newRow("$FFFFFFFF wraps") << "$FFFFFFFF" << true << -1;
        QTest::newRow("2147483647") << "2147483647" << true << 2147483647;
        QTest::newRow("-2147483648") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("2147483648 overflows") << "2147483648" << false << 0;
        QTest::newRow("trailing blank") << "42 " << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank") << " " << false << 0;
        QTest::newRow("decimal point") << "145.125" << false << 0;
        QTest::newRow("$ alone") << "$" << false << 0;
        QTest::newRow("chinese") << "无" << false << 0;
    }
    void strToInt()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        if (ok) {
            QCOMPARE(StrToInt(text), value);
        } else {
            try {
                StrToInt(text);
                QFAIL("no exception");
            } catch (const EConvertError &e) {
                QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
            }
        }
    }

    void strToFloat_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("145.125") << "145.125" << true << 145.125;
        QTest::newRow("146") << "146" << true << 146.0;
        QTest::newRow(".5") << ".5" << true << 0.5;
        QTest::newRow("5.") << "5." << true << 5.0;
        QTest::newRow("-1e3") << "-1e3" << true << -1000.0;
        QTest::newRow("surrounding blanks") << " 88.5 " << true << 88.5;
        QTest::newRow("abc") << "abc" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("comma decimal") << "145,125" << false << 0.0;
        QTest::newRow("1e") << "1e" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
    }
    void strToFloat()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        if (ok) {
            QCOMPARE(StrToFloat(text), value);
        } else {
            try {
                StrToFloat(text);
                QFAIL("no exception");
            } catch (const EConvertError &e) {
                QCOMPARE(e.message(),
                         QStringLiteral("'%1' is not a valid floating point value").arg(text));
            }
        }
    }

    void floatToStr_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("145.125 MHz in Hz") << 145.125 * 1000000 << "145125000";
        QTest::newRow("88.5*10") << 88.5 * 10 << "885";
        QTest::newRow("0.1*3") << 0.1 * 3 << "0.3";
        QTest::newRow("100") << 100.0 << "100";
        QTest::newRow("67") << 67.0 << "67";
        QTest::newRow("88.5") << 88.5 << "88.5";
        QTest::newRow("254.1") << 254.1 << "254.1";
        QTest::newRow("seven decimals") << 145.1234567 * 1000000 << "145123456.7";
        QTest::newRow("negative") << -2.5 << "-2.5";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("1e15") << 1e15 << "1E15";
        QTest::newRow("123456789012345") << 123456789012345.0 << "123456789012345";
        QTest::newRow("0.00001") << 0.00001 << "0.00001";
        QTest::newRow("1.5e-7") << 1.5e-7 << "1.5E-7";
    }
    void floatToStr()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FloatToStr(value), text);
    }

    void formatFloat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("145.125") << 145.125 << "145.12500";
        QTest::newRow("145.123456") << 145.123456 << "145.12346";
        QTest::newRow("146") << 146.0 << "146.00000";
        QTest::newRow("0") << 0.0 << "0.00000";
        QTest::newRow("tiny negative") << -0.000001 << "0.00000";
        QTest::newRow("-1.5") << -1.5 << "-1.50000";
        QTest::newRow("carry") << 9.999999 << "10.00000";
        QTest::newRow("half up") << 0.000005 << "0.00001";
        QTest::newRow("hz/1e6") << 439999999 / 1000000.0 << "440.00000";
        QTest::newRow("small") << 0.5 << "0.50000";
    }
    void formatFloat()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatFloat(QStringLiteral("0.00000"), value), text);
    }

    void guardShowsTheMessageAndStops()
    {
        dialogs::Recording rec;
        bool after = false;
        guard([&] {
            StrToInt(QStringLiteral("x1"));
            after = true;
        });
        QVERIFY(!after);
        QCOMPARE(rec.shown().size(), 1);
        QCOMPARE(rec.shown()[0].kind, dialogs::Kind::Exception);
        QCOMPARE(rec.shown()[0].caption, QStringLiteral("对讲机写频软件"));
        QCOMPARE(rec.shown()[0].text, QStringLiteral("'x1' is not a valid integer value"));

        guard([] { throw std::runtime_error("boom"); });
        QCOMPARE(rec.texts().last(), QStringLiteral("boom"));

        auto f = guarded([&](int a, int b) { after = a + b == 3; });
        f(1, 2);
        QVERIFY(after);
        QCOMPARE(rec.shown().size(), 2);
    }

    void boxesHaveTheirCaptions()
    {
        dialogs::Recording rec;
        dialogs::errorBox(QStringLiteral("发送失败!"));
        dialogs::infoBox(QStringLiteral("写入成功"));
        QCOMPARE(rec.shown()[0].caption, QStringLiteral("Error"));
        QCOMPARE(rec.shown()[0].kind, dialogs::Kind::Error);
        QCOMPARE(rec.shown()[1].caption, QStringLiteral("对讲机写频软件"));
        QCOMPARE(rec.shown()[1].kind, dialogs::Kind::Info);
    }
};

QTEST_GUILESS_MAIN(TestRtl)
#include "tst_rtl.moc"
