#include "device/DeviceCommands.h"
#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "device/UsbStatus.h"
#include "download/TDownloadThread.h"
#include "tests/support/SampleResults.h"

#include <QPointer>
#include <QTest>

#include <climits>

using namespace std::chrono_literals;

// Stands in for the progress window: records what WMProgress receives.
class ProgressRecorder : public QObject
{
    Q_OBJECT
public:
    QList<int> values;
public slots:
    void WMProgress(int value) { values.append(value); }
};

namespace {

TArrayOfMsrResult sampleResults(int count)
{
    TArrayOfMsrResult results;
    for (int i = 0; i < count; ++i)
        results.push_back(SampleResults::signedRecord(i));
    return results;
}

bool sameResult(const TMsrResult& a, const TMsrResult& b)
{
    return a.MsrDate == b.MsrDate && a.MsrNumber == b.MsrNumber && a.ReinfKindID == b.ReinfKindID &&
           a.ReinfDiameter == b.ReinfDiameter && a.ForceEstimate == b.ForceEstimate &&
           a.Base == b.Base && a.F == b.F && a.P == b.P && a.S == b.S;
}

QList<int> zeroTo99Then200()
{
    QList<int> values;
    for (int i = 0; i < 100; ++i)
        values.append(i);
    values.append(200);
    return values;
}

// Exchanges before the first record: info, name, results-begin.
constexpr int ExchangesBeforeRecords = 3;

} // namespace

class DownloadThreadTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<SimulatedInstrument> m_instrument;
    ProgressRecorder m_recorder;

    // Runs one download to its end and delivers its progress.
    void download(TDownloadThread& worker)
    {
        worker.setProgressWindow(&m_recorder);
        worker.Start();
        QVERIFY(worker.wait(10000));
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        m_instrument = std::make_shared<SimulatedInstrument>();
        m_instrument->plug();
        usbSetDriverLayer(m_instrument);
        QCOMPARE(USBInit(), UsbStatus::Ok);
        m_recorder.values.clear();
    }

    void cleanup()
    {
        USBDone();
        usbSetDriverLayer(nullptr);
        m_instrument.reset();
    }

    void progressSequence_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("progress");
        QTest::newRow("none") << 0 << QList<int>{200};
        QTest::newRow("one") << 1 << QList<int>{0, 200};
        QTest::newRow("three") << 3 << QList<int>{0, 33, 66, 200};
        QTest::newRow("one hundred") << 100 << zeroTo99Then200();
        QTest::newRow("250") << 250 << zeroTo99Then200();
        QTest::newRow("1001") << 1001 << zeroTo99Then200();
    }

    void progressSequence()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, progress);
        const TArrayOfMsrResult stored = sampleResults(count);
        m_instrument->setResults(stored);

        TDownloadThread worker;
        download(worker);

        QCOMPARE(m_recorder.values, progress);
        QCOMPARE(worker.ResultCode(), 0u);
        QVERIFY(worker.Completed());
        QCOMPARE(worker.Results().size(), stored.size());
        for (std::size_t i = 0; i < stored.size(); ++i)
            QVERIFY2(sameResult(worker.Results()[i], stored[i]), qPrintable(QString::number(i)));
        if (count == 0)
            QCOMPARE(m_instrument->commands(), (std::vector<uint32_t>{DEV_CMD_INFO, DEV_CMD_NAME}));
        else
            QCOMPARE(m_instrument->exchangeCount(), ExchangesBeforeRecords + count);
    }

    void failedRecordEndsDownload_data()
    {
        QTest::addColumn<int>("record"); // index of the record whose exchange fails
        QTest::addColumn<QString>("fault");
        QTest::addColumn<uint32_t>("status");
        QTest::newRow("time-out at the first") << 0 << "timeout" << UsbStatus::Timeout;
        QTest::newRow("time-out at record 4") << 4 << "timeout" << UsbStatus::Timeout;
        QTest::newRow("time-out at the last") << 9 << "timeout" << UsbStatus::Timeout;
        QTest::newRow("unplugged at record 2") << 2 << "unplug" << UsbStatus::NoDevice;
        QTest::newRow("short record 3") << 3 << "short" << UsbStatus::ShortTransfer;
    }

    void failedRecordEndsDownload()
    {
        QFETCH(int, record);
        QFETCH(QString, fault);
        QFETCH(uint32_t, status);
        const TArrayOfMsrResult stored = sampleResults(10);
        m_instrument->setResults(stored);
        const int exchange = ExchangesBeforeRecords + record + 1;
        if (fault == "timeout")
            m_instrument->timeoutAt(exchange);
        else if (fault == "unplug")
            m_instrument->unplugAt(exchange);
        else
            m_instrument->shortReplyAt(exchange, 25);

        TDownloadThread worker;
        download(worker);

        QCOMPARE(worker.ResultCode(), status);
        QVERIFY(!worker.Completed());
        QCOMPARE(m_recorder.values.last(), 200);
        QCOMPARE(m_instrument->exchangeCount(), exchange);
        for (int i = 0; i < record; ++i)
            QVERIFY(sameResult(worker.Results()[std::size_t(i)], stored[std::size_t(i)]));
        // The failed record leaves nothing behind, not even a partial or stale one.
        QCOMPARE(worker.Results()[std::size_t(record)].MsrDate, 0.0);
        QCOMPARE(worker.Results()[std::size_t(record)].MsrNumber, 0u);
    }

    void stopDuringLastRecord()
    {
        m_instrument->setResults(sampleResults(5));
        TDownloadThread worker;
        const int lastExchange = ExchangesBeforeRecords + 5;
        m_instrument->setExchangeObserver([&](int exchange, uint32_t) {
            if (exchange == lastExchange)
                worker.Cancel();
        });
        download(worker);

        QCOMPARE(worker.ResultCode(), 0u);
        QVERIFY(!worker.Completed());
        QCOMPARE(m_recorder.values.last(), 200);
        QCOMPARE(worker.Results()[4].MsrNumber, 0u);
        QCOMPARE(worker.Results()[4].MsrDate, 0.0);
        QCOMPARE(worker.Results()[3].MsrNumber, 3u);
    }

    void wrongDeviceIsRefused_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("nameLength"); // -1000: the name's own length
        QTest::addColumn<int>("exchanges");
        QTest::newRow("other name") << QByteArray("VORN-1.1") << 65537 << -1000 << 2;
        QTest::newRow("lower case") << QByteArray("vorn-1.0") << 65537 << -1000 << 2;
        QTest::newRow("trailing zero") << QByteArray("VORN-1.0\0", 9) << 65537 << -1000 << 2;
        QTest::newRow("version 65536") << QByteArray("VORN-1.0") << 65536 << -1000 << 2;
        QTest::newRow("NameLength 0") << QByteArray("VORN-1.0") << 65537 << 0 << 1;
        QTest::newRow("NameLength 1") << QByteArray("VORN-1.0") << 65537 << 1 << 2;
        QTest::newRow("name cut short") << QByteArray("VORN-1.0") << 65537 << 8 << 2;
        // No name exchange: a reply that long cannot hold the expected name.
        QTest::newRow("NameLength beyond the bound")
            << QByteArray("VORN-1.0") << 65537 << DEV_MAX_NAME_LENGTH + 1 << 1;
        QTest::newRow("NameLength 2^31-1") << QByteArray("VORN-1.0") << 65537 << INT_MAX << 1;
        QTest::newRow("NameLength at the bound")
            << QByteArray("VORN-1.0") << 65537 << DEV_MAX_NAME_LENGTH << 2;
    }

    void wrongDeviceIsRefused()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, version);
        QFETCH(int, nameLength);
        QFETCH(int, exchanges);
        m_instrument->setName(name.toStdString());
        m_instrument->setDataVersion(version);
        if (nameLength != -1000)
            m_instrument->setNameLength(nameLength);
        m_instrument->setResults(sampleResults(3));

        TDownloadThread worker;
        download(worker);

        QCOMPARE(worker.ResultCode(), DEV_ERR_WRONG_DEVICE);
        QVERIFY(!worker.Completed());
        QVERIFY(worker.Results().empty());
        QCOMPARE(m_instrument->exchangeCount(), exchanges);
        QCOMPARE(m_recorder.values, QList<int>{200});
    }

    void absurdCountsEndWithOwnStatus_data()
    {
        QTest::addColumn<int>("nameLength"); // 0: the name's own length
        QTest::addColumn<int>("resultCount");
        QTest::addColumn<uint32_t>("status");
        QTest::newRow("NameLength -1") << -1 << 3 << DEV_ERR_BAD_NAME_LENGTH;
        QTest::newRow("NameLength most negative") << INT_MIN << 3 << DEV_ERR_BAD_NAME_LENGTH;
        QTest::newRow("ResultCount -1") << 0 << -1 << DEV_ERR_BAD_RESULT_COUNT;
        QTest::newRow("ResultCount most negative") << 0 << INT_MIN << DEV_ERR_BAD_RESULT_COUNT;
        QTest::newRow("ResultCount 2^31-1") << 0 << INT_MAX << DEV_ERR_BAD_RESULT_COUNT;
        QTest::newRow("ResultCount beyond the bound")
            << 0 << DEV_MAX_RESULT_COUNT + 1 << DEV_ERR_BAD_RESULT_COUNT;
    }

    void absurdCountsEndWithOwnStatus()
    {
        QFETCH(int, nameLength);
        QFETCH(int, resultCount);
        QFETCH(uint32_t, status);
        if (nameLength != 0)
            m_instrument->setNameLength(nameLength);
        m_instrument->setResultCount(resultCount);

        TDownloadThread worker;
        download(worker);

        QCOMPARE(worker.ResultCode(), status);
        QVERIFY(status != DEV_ERR_WRONG_DEVICE);
        QVERIFY(!worker.Completed());
        QCOMPARE(worker.Results().capacity(), std::size_t(0));
        QCOMPARE(m_recorder.values, QList<int>{200});
    }

    // The user-interface thread does not run its event loop while the worker runs: the
    // worker must not wait for it, and nothing may be lost or reordered.
    void progressNeverBlocksAndKeepsOrder()
    {
        m_instrument->setResults(sampleResults(300));
        TDownloadThread worker;
        worker.setProgressWindow(&m_recorder);
        worker.Start();
        QVERIFY(worker.wait(10000));
        QVERIFY(m_recorder.values.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(m_recorder.values, zeroTo99Then200());
    }

    void progressToVanishedWindowIsDropped()
    {
        m_instrument->setResults(sampleResults(50));
        m_instrument->setLatency(200us);
        auto* window = new ProgressRecorder;
        QPointer<ProgressRecorder> watch(window);
        TDownloadThread worker;
        worker.setProgressWindow(window);
        worker.Start();
        QTest::qWait(5);
        delete window;
        QVERIFY(worker.wait(10000));
        QCoreApplication::processEvents();
        QVERIFY(watch.isNull());
        QVERIFY(worker.Completed());
    }

    void abandonedWorkerDeletesItselfWhenDone()
    {
        m_instrument->setResults(sampleResults(3));
        m_instrument->setTimeoutDuration(300ms);
        m_instrument->timeoutAt(ExchangesBeforeRecords + 1);
        auto* worker = new TDownloadThread;
        QPointer<TDownloadThread> watch(worker);
        worker->setProgressWindow(&m_recorder);
        worker->Start();
        QVERIFY(!worker->wait(100));
        worker->abandon();
        QTRY_VERIFY_WITH_TIMEOUT(watch.isNull(), 5000);
        // Only what was delivered before the abandon, never the late 200.
        QVERIFY(!m_recorder.values.contains(200));
    }
};

QTEST_GUILESS_MAIN(DownloadThreadTest)
#include "tst_DownloadThread.moc"
