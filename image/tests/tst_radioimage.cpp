// The radio image file: a whole image survives the file, and every kind of damage is refused.
#include "image/radioimage.h"
#include "testsupport/restricted.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

// Every block of the radio, each frame different, the FSK ones 32 bytes as the radio sends them.
RadioImage fullImage()
{
    RadioImage image;
    image.readAt = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 10), Qt::UTC);
    int seed = 1;
    for (const BlockGroup &group : blockGroups()) {
        for (int key : group.keys) {
            QByteArray frame(keyType(key) == 2 ? 32 : 34, '\0');
            frame[0] = 0x57;
            frame[1] = char(keyType(key));
            frame[2] = char(keyNumber(key));
            frame[3] = 0x20;
            for (int i = 4; i < frame.size(); ++i)
                frame[i] = char(seed++ * 37);
            image.frames << frame;
        }
    }
    return image;
}

// The file with its checksum made good again after a change, so only the change is judged.
QByteArray resealed(QByteArray file)
{
    file.chop(32);
    return file + QCryptographicHash::hash(file, QCryptographicHash::Sha256);
}

} // namespace

class TestRadioImage : public QObject {
    Q_OBJECT

private slots:
    void wholeImageSurvivesTheFile()
    {
        const RadioImage image = fullImage();
        const QByteArray file = serializeRadioImage(image);
        QCOMPARE(file.size(), 20 + 52 * 35 + 32);
        QCOMPARE(file.left(10), QByteArray("RADIOIMG\x01\x00", 10));
        const RadioImage back = parseRadioImage(file);
        QCOMPARE(back.readAt, image.readAt);
        QCOMPARE(back.frames, image.frames);
        QCOMPARE(back.groups(), (QList<int>{0, 1, 2, 3, 4}));
        QCOMPARE(back.payload(blockKey(5, 0)), image.frames[16].mid(4, 28));
    }

    void damagedFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QByteArray good = serializeRadioImage(fullImage());
        const QString truncated = QStringLiteral("镜像文件不完整（文件被截断），未做任何改动。");
        QTest::newRow("cut inside the magic") << good.left(5) << truncated;
        QTest::newRow("cut inside the header") << good.left(15) << truncated;
        QTest::newRow("cut inside a block") << good.left(500) << truncated;
        QTest::newRow("checksum cut short") << good.left(good.size() - 1) << truncated;
        QByteArray newer = good;
        newer[8] = 2;
        QTest::newRow("version 2") << resealed(newer)
                                   << QStringLiteral("镜像文件版本为 2，由更新的程序生成；本程序只能读取版本 1。");
        QByteArray flipped = good;
        flipped[300] = char(flipped[300] ^ 1);
        QTest::newRow("one bit flipped") << flipped << QStringLiteral("镜像文件已损坏（校验和不符），未做任何改动。");
        QTest::newRow("bytes behind the checksum")
            << good + "x" << QStringLiteral("镜像文件已损坏（文件末尾有多余的数据），未做任何改动。");
        QTest::newRow("a plan file") << QByteArray("信道编号,接收频率\r\n") << QStringLiteral("不是电台镜像文件。");
        QByteArray unknownBlock = good;
        unknownBlock[20 + 1 + 2] = 17; // channel 17
        QTest::newRow("channel 17") << resealed(unknownBlock)
                                    << QStringLiteral("镜像文件已损坏（第 1 块不是电台的数据块），未做任何改动。");
        // The last five-tone block left out, the count and checksum made to match.
        QByteArray shortGroup = good.left(20 + 51 * 35) + QByteArray(32, '\0');
        qToLittleEndian<quint16>(51, shortGroup.data() + 10);
        QTest::newRow("five-tone block missing")
            << resealed(shortGroup) << QStringLiteral("镜像文件已损坏（5TONE 的数据块不全），未做任何改动。");
    }
    void damagedFileIsRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        try {
            parseRadioImage(file);
            QFAIL("accepted");
        } catch (const ERadioImageError &e) {
            QCOMPARE(e.message(), message);
        }
    }

    // Saved through a link to a device, the image is refused and the device stays a device.
    void saveThroughLinkToDeviceIsRefused()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath("device");
        const QString link = dir.filePath("backup.rimg");
        QVERIFY(restricted::makeDevice(device) && QFile::link(device, link));
        try {
            saveRadioImage(fullImage(), link);
            QFAIL("saved");
        } catch (const ERadioImageError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("无法写入镜像文件 %1：它是指向 %2 的链接").arg(link, device)),
                     qPrintable(e.message()));
        }
        QVERIFY(QFileInfo(link).isSymLink() && !QFileInfo(device).isFile());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestRadioImage)
#include "tst_radioimage.moc"
