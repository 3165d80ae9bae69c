#include "storage/FieldValue.h"

#include <QTest>

#include <bit>
#include <limits>

// Every value a cached row holds must read back bit for bit, through copies and moves, whatever
// its size or, for reals, its NaN payload.
class tst_FieldValue : public QObject
{
    Q_OBJECT

private slots:
    void integersReadBackExactly_data()
    {
        QTest::addColumn<qint64>("value");
        const qint64 edge = qint64(1) << 47;
        for (qint64 v : {qint64(0), qint64(-1), qint64(2147483647), qint64(-2147483647 - 1),
                         edge - 1, -edge, edge, -edge - 1, std::numeric_limits<qint64>::max(),
                         std::numeric_limits<qint64>::min()})
            QTest::addRow("%lld", v) << v;
    }
    void integersReadBackExactly()
    {
        QFETCH(qint64, value);
        const FieldValue original{int64_t(value)};
        FieldValue copy = original;
        const FieldValue moved = std::move(copy);
        for (const FieldValue* v : {&original, &moved}) {
            QVERIFY(v->integer());
            QCOMPARE(*v->integer(), value);
            QVERIFY(!v->real() && !v->bytes() && !v->isNull());
        }
        QVERIFY(copy.isNull());
        QVERIFY(original == moved);
        QVERIFY(!(original == FieldValue(double(value))));
    }

    void realsReadBackBitForBit_data()
    {
        QTest::addColumn<quint64>("bits");
        for (quint64 b : {0x0000000000000000ull, 0x8000000000000000ull, 0x7FF0000000000000ull,
                          0xFFF0000000000000ull, 0x7FF8000000000000ull, 0xFFF8000000000000ull,
                          0xFFF8000000000001ull, 0xFFF9000000000000ull, 0xFFFA123456789ABCull,
                          0xFFFFFFFFFFFFFFFFull, 0x408F400000000000ull})
            QTest::addRow("%016llx", b) << b;
    }
    void realsReadBackBitForBit()
    {
        QFETCH(quint64, bits);
        const FieldValue original{std::bit_cast<double>(uint64_t(bits))};
        FieldValue copy = original;
        const FieldValue moved = std::move(copy);
        for (const FieldValue* v : {&original, &moved}) {
            QVERIFY(v->real());
            QCOMPARE(std::bit_cast<uint64_t>(*v->real()), uint64_t(bits));
            QVERIFY(!v->integer() && !v->bytes() && !v->isNull());
        }
    }

    void bytesAndNullReadBack()
    {
        const FieldValue text{QByteArray("\xCF\xF0\xEE\xE5\xEA\xF2", 6)};
        FieldValue copy = text;
        QCOMPARE(*copy.bytes(), *text.bytes());
        QVERIFY(copy.bytes() != text.bytes());
        copy = FieldValue();
        QVERIFY(copy.isNull() && !copy.integer() && !copy.real() && !copy.bytes());
        QVERIFY(FieldValue() == copy);
        QVERIFY(!(text == copy));
    }
};

QTEST_APPLESS_MAIN(tst_FieldValue)
#include "tst_FieldValue.moc"
