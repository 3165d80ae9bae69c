#include "common/OleDate.h"

#include <QTest>
#include <cmath>
#include <limits>

namespace {
constexpr double TicksPerDay = 864000000.0;
}

class OleDateTest : public QObject
{
    Q_OBJECT

private slots:
    void toPartsCutsAndRefuses_data()
    {
        QTest::addColumn<double>("ole");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QList<int>>("parts"); // year month day hour minute second

        const double day = double(OleDate::dayNumber(2026, 3, 1));
        QTest::newRow("last tick of a day")
            << day + 863999999 / TicksPerDay << true << QList<int>{2026, 3, 1, 23, 59, 59};
        QTest::newRow("last tick of 9999")
            << double(OleDate::dayNumber(9999, 12, 31)) + 863999999 / TicksPerDay << true
            << QList<int>{9999, 12, 31, 23, 59, 59};
        QTest::newRow("half a second")
            << day + 5000 / TicksPerDay << true << QList<int>{2026, 3, 1, 0, 0, 0};
        QTest::newRow("before 1899-12-30") << -1.25 << true << QList<int>{1899, 12, 29, 6, 0, 0};
        QTest::newRow("minus half a day") << -0.5 << true << QList<int>{1899, 12, 30, 12, 0, 0};
        QTest::newRow("0001-01-01") << -693593.0 << true << QList<int>{1, 1, 1, 0, 0, 0};
        QTest::newRow("before 0001") << -693594.0 << false << QList<int>{};
        QTest::newRow("10000-01-01") << 2958466.0 << false << QList<int>{};
        QTest::newRow("huge") << 1e300 << false << QList<int>{};
        QTest::newRow("huge negative") << -1e19 << false << QList<int>{};
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << false
                                  << QList<int>{};
        QTest::newRow("not a number") << std::nan("") << false << QList<int>{};
    }
    void toPartsCutsAndRefuses()
    {
        QFETCH(double, ole);
        QFETCH(bool, valid);
        QFETCH(QList<int>, parts);
        const OleDate::Parts p = OleDate::toParts(ole);
        QCOMPARE(p.valid, valid);
        if (valid)
            QCOMPARE((QList<int>{p.year, p.month, p.day, p.hour, p.minute, p.second}), parts);
        int64_t day = 1;
        int64_t msec = 1;
        QCOMPARE(OleDate::toDayAndMsecs(ole, day, msec), valid);
        QVERIFY(msec >= 0 && msec < 86400000);
    }

    // Cutting must not cost a whole second to the double's representation error, which grows
    // with the day number.
    void everyWholeSecondComesBack_data()
    {
        QTest::addColumn<int>("year");
        QTest::newRow("1900") << 1900;
        QTest::newRow("2026") << 2026;
        QTest::newRow("9999") << 9999;
    }
    void everyWholeSecondComesBack()
    {
        QFETCH(int, year);
        for (int s = 0; s < 86400; ++s) {
            const OleDate::Parts p =
                OleDate::toParts(OleDate::fromParts(year, 12, 30, s / 3600, s / 60 % 60, s % 60));
            if (p.hour * 3600 + p.minute * 60 + p.second != s || p.day != 30)
                QFAIL(qPrintable(QStringLiteral("second %1 came back as %2:%3:%4 on day %5")
                                     .arg(s)
                                     .arg(p.hour)
                                     .arg(p.minute)
                                     .arg(p.second)
                                     .arg(p.day)));
        }
    }
};

QTEST_APPLESS_MAIN(OleDateTest)
#include "tst_OleDate.moc"
