#include "common/OleDate.h"
#include "device/DeviceProtocol.h"

#include <QTest>

#include <cstring>

namespace {

ResultRecord recordAt(int second, int minute, int hour, int day, int month, int yearByte)
{
    ResultRecord record{};
    record[0] = uint8_t(second);
    record[1] = uint8_t(minute);
    record[2] = uint8_t(hour);
    record[3] = uint8_t(day);
    record[4] = uint8_t(month);
    record[5] = uint8_t(yearByte);
    return record;
}

} // namespace

class DeviceProtocolTest : public QObject
{
    Q_OBJECT

private slots:
    void recordDate_data()
    {
        QTest::addColumn<QList<int>>("bytes");    // second, minute, hour, day, month, year byte
        QTest::addColumn<QList<int>>("expected"); // year, month, day, hour, minute, second

        const QList<int> replacement{2000, 1, 1, 1, 0, 0};
        QTest::newRow("year byte 24")
            << QList<int>{5, 4, 3, 2, 1, 24} << QList<int>{2024, 1, 2, 3, 4, 5};
        QTest::newRow("year byte 0")
            << QList<int>{0, 0, 0, 1, 1, 0} << QList<int>{2000, 1, 1, 0, 0, 0};
        QTest::newRow("year byte 255")
            << QList<int>{59, 59, 23, 31, 12, 255} << QList<int>{2255, 12, 31, 23, 59, 59};
        QTest::newRow("29 February 2024")
            << QList<int>{0, 0, 12, 29, 2, 24} << QList<int>{2024, 2, 29, 12, 0, 0};
        QTest::newRow("29 February 2023") << QList<int>{0, 0, 12, 29, 2, 23} << replacement;
        QTest::newRow("29 February 2100") << QList<int>{0, 0, 12, 29, 2, 100} << replacement;
        QTest::newRow("31 April") << QList<int>{0, 0, 0, 31, 4, 24} << replacement;
        QTest::newRow("day 0") << QList<int>{0, 0, 0, 0, 4, 24} << replacement;
        QTest::newRow("month 0") << QList<int>{0, 0, 0, 1, 0, 24} << replacement;
        QTest::newRow("month 13") << QList<int>{0, 0, 0, 1, 13, 24} << replacement;
        QTest::newRow("hour 24") << QList<int>{0, 0, 24, 1, 1, 24} << replacement;
        QTest::newRow("minute 60") << QList<int>{0, 60, 0, 1, 1, 24} << replacement;
        QTest::newRow("second 60") << QList<int>{60, 0, 0, 1, 1, 24} << replacement;
        QTest::newRow("BCD-looking bytes are plain numbers")
            << QList<int>{0x12, 0x34, 0x15, 0x16, 0x09, 0x20}
            << QList<int>{2032, 9, 22, 21, 52, 18};
    }

    void recordDate()
    {
        QFETCH(QList<int>, bytes);
        QFETCH(QList<int>, expected);
        const ResultRecord record =
            recordAt(bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]);
        const double want = OleDate::fromParts(expected[0], expected[1], expected[2], expected[3],
                                               expected[4], expected[5]);
        // Exact equality: results are matched by date-time when they are imported.
        QVERIFY2(decodeResultRecord(record.data()).MsrDate == want,
                 qPrintable(QString::number(decodeResultRecord(record.data()).MsrDate, 'g', 17)));
    }

    void recordFields()
    {
        ResultRecord record = recordAt(0, 0, 0, 1, 1, 24);
        record[6] = 0xFF;
        record[7] = 0xFE; // number 65279, unsigned
        record[8] = 200;  // kind
        record[9] = 255;  // diameter
        record[10] = 128; // force estimate
        record[12] = 0xE8;
        record[13] = 0x03; // base 1000
        const float f = 1234.5f, p = -0.25f, s = 3.0e-7f;
        std::memcpy(&record[14], &f, 4);
        std::memcpy(&record[18], &p, 4);
        std::memcpy(&record[22], &s, 4);

        const TMsrResult result = decodeResultRecord(record.data());
        QCOMPARE(result.MsrNumber, 65279u);
        QCOMPARE(result.ReinfKindID, 200);
        QCOMPARE(result.ReinfDiameter, 255);
        QCOMPARE(result.ForceEstimate, 128);
        QCOMPARE(result.Base, 1000);
        QVERIFY(std::memcmp(&result.F, &f, 4) == 0);
        QVERIFY(std::memcmp(&result.P, &p, 4) == 0);
        QVERIFY(std::memcmp(&result.S, &s, 4) == 0);
    }

    void spareByteHasNoEffect_data()
    {
        QTest::addColumn<int>("spare");
        QTest::newRow("0x00") << 0x00;
        QTest::newRow("0x5A") << 0x5A;
        QTest::newRow("0xFF") << 0xFF;
    }

    void spareByteHasNoEffect()
    {
        QFETCH(int, spare);
        TMsrResult result;
        result.MsrDate = OleDate::fromParts(2024, 5, 6, 7, 8, 9);
        result.MsrNumber = 42;
        result.Base = 200;
        result.F = 1.5f;
        const TMsrResult plain = decodeResultRecord(encodeResultRecord(result, 0).data());
        const TMsrResult spared =
            decodeResultRecord(encodeResultRecord(result, uint8_t(spare)).data());
        QVERIFY(std::memcmp(&plain, &spared, sizeof plain) == 0);
        QVERIFY(plain.MsrDate == result.MsrDate);
    }

    void infoBlockLayout()
    {
        const uint8_t block[DEV_INFO_SIZE] = {9, 0, 0,    0,    0xAA, 0xAA, 0xAA, 0xAA, 1,    0,
                                              1, 0, 0x39, 0x30, 0,    0,    0xBB, 0xBB, 0xBB, 0xBB};
        const DeviceInfo info = decodeDeviceInfo(block);
        QCOMPARE(info.NameLength, 9);
        QCOMPARE(info.DataVersion, DEV_DATA_VERSION);
        QCOMPARE(info.ResultCount, 12345);
    }

    void name_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("length 0") << QByteArray() << QByteArray();
        QTest::newRow("length 1") << QByteArray("V") << QByteArray();
        QTest::newRow("leading byte skipped")
            << QByteArray("\x07VORN-1.0") << QByteArray("VORN-1.0");
        QTest::newRow("zero byte kept")
            << QByteArray("\x00VORN-1.0\x00", 10) << QByteArray("VORN-1.0\x00", 9);
    }

    void name()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, name);
        const std::string decoded = decodeDeviceName(
            reinterpret_cast<const uint8_t*>(reply.constData()), int32_t(reply.size()));
        QCOMPARE(QByteArray::fromStdString(decoded), name);
    }
};

QTEST_GUILESS_MAIN(DeviceProtocolTest)
#include "tst_DeviceProtocol.moc"
