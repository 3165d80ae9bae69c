#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "device/UsbStatus.h"
#include "download/TDownloadForm.h"
#include "download/TDownloadThread.h"
#include "tests/support/SampleResults.h"

#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

class DownloadFormTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutAndTexts()
    {
        TDownloadForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Чтение из прибора"));
        QCOMPARE(form.size(), QSize(274, 91));
        QVERIFY(form.windowFlags() & Qt::Tool);
        QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));

        auto* bevel = form.findChild<QFrame*>(QStringLiteral("Bevel1"));
        auto* gauge = form.findChild<QProgressBar*>(QStringLiteral("DownloadGauge"));
        auto* cancel = form.findChild<QPushButton*>(QStringLiteral("CancelButton"));
        QVERIFY(bevel && gauge && cancel);
        QCOMPARE(bevel->geometry(), QRect(0, 0, 273, 57));
        QCOMPARE(gauge->geometry(), QRect(8, 16, 257, 25));
        QCOMPARE(cancel->geometry(), QRect(100, 64, 75, 25));
        QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
        QCOMPARE(gauge->minimum(), 0);
        QCOMPARE(gauge->maximum(), 100);
        QCOMPARE(gauge->value(), 0);
        QVERIFY(gauge->isTextVisible());
    }

    void progressValues_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("shown");
        QTest::addColumn<bool>("closes");
        QTest::newRow("0") << 0 << 0 << false;
        QTest::newRow("57") << 57 << 57 << false;
        QTest::newRow("99") << 99 << 99 << false;
        QTest::newRow("100") << 100 << 100 << false;
        QTest::newRow("negative is clamped") << -5 << 0 << false;
        QTest::newRow("101 closes") << 101 << 0 << true;
        QTest::newRow("200 closes") << 200 << 0 << true;
    }

    void progressValues()
    {
        QFETCH(int, value);
        QFETCH(int, shown);
        QFETCH(bool, closes);
        TDownloadForm form;
        form.show();
        form.WMProgress(value);
        QCOMPARE(form.DownloadGauge->value(), shown);
        QCOMPARE(form.isVisible(), !closes);
        if (closes)
            QCOMPARE(form.result(), int(QDialog::Rejected));
    }

    void escapeDoesNotCancel()
    {
        TDownloadForm form;
        form.show();
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.isVisible());
        QTest::mouseClick(form.CancelButton, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }

    // The whole road: the worker's final 200 closes the modal window by itself.
    void downloadClosesTheModalWindow()
    {
        auto instrument = std::make_shared<SimulatedInstrument>();
        TArrayOfMsrResult stored;
        for (int i = 0; i < 120; ++i)
            stored.push_back(SampleResults::numbered(i));
        instrument->setResults(stored);
        instrument->setLatency(100us);
        instrument->plug();
        usbSetDriverLayer(instrument);
        QCOMPARE(USBInit(), UsbStatus::Ok);

        TDownloadForm form;
        TDownloadThread worker;
        QList<int> seen;
        connect(&worker, &TDownloadThread::progress, &form, [&](int v) { seen.append(v); });
        worker.setProgressWindow(&form);
        QTimer backstop;
        backstop.setSingleShot(true);
        connect(&backstop, &QTimer::timeout, &form, &QDialog::accept);
        backstop.start(15000);
        worker.Start();
        const int result = form.exec();
        worker.Cancel();
        QVERIFY(worker.wait(2500));

        QVERIFY(backstop.isActive());
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(worker.Completed());
        QCOMPARE(worker.ResultCode(), 0u);
        QCOMPARE(worker.Results().size(), stored.size());
        QCOMPARE(seen.size(), 101);
        USBDone();
        usbSetDriverLayer(nullptr);
    }
};

QTEST_MAIN(DownloadFormTest)
#include "tst_DownloadForm.moc"
