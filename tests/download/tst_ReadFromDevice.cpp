#include "download/ReadFromDeviceCommand.h"

#include "device/DeviceCommands.h"
#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "device/UsbStatus.h"
#include "download/TDownloadForm.h"
#include "storage/StorageError.h"
#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/SampleResults.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

using namespace std::chrono_literals;

namespace {

TArrayOfMsrResult results(int from, int count)
{
    TArrayOfMsrResult list;
    for (int n = from; n < from + count; ++n)
        list.push_back(SampleResults::distinct(n));
    return list;
}

// Answers the summary window with "Закрыть" and keeps its two numbers.
struct SummaryAnswer
{
    int inDevice = -1;
    int added = -1;
    ModalAnswer answer{"TDownloadSummaryForm", [this](QWidget* w) {
                           inDevice = w->property("ResultsInDeviceMemory").toInt();
                           added = w->property("ResultsAddedToProject").toInt();
                           w->findChild<QPushButton*>("CloseButton")->click();
                       }};
};

// Answers a message box with OK and keeps its icon.
struct MessageAnswer
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ModalAnswer answer{"QMessageBox", [this](QWidget* w) {
                           icon = static_cast<QMessageBox*>(w)->icon();
                           ModalAnswer::pressButton(QMessageBox::Ok)(w);
                       }};
};

void pressCancel(QWidget* w)
{
    static_cast<TDownloadForm*>(w)->CancelButton->click();
}

} // namespace

class ReadFromDeviceTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_projects = 0;
    std::shared_ptr<SimulatedInstrument> m_instrument;
    std::unique_ptr<TMainDataModule> m_dm;
    std::unique_ptr<QWidget> m_window;
    QLineEdit* m_other = nullptr;
    QTableView* m_grid = nullptr;
    int m_scrolls = 0;

    void read() { ReadFromDeviceActionExecute(*m_dm, m_window.get(), m_grid); }

    // The project's results in row order.
    QList<QPair<double, int>> rows()
    {
        QList<QPair<double, int>> list;
        for (m_dm->dsetVORN->first(); !m_dm->dsetVORN->eof(); m_dm->dsetVORN->next())
            list.append(
                {m_dm->dsetVORNMSR_DATE->asDateTime(), m_dm->dsetVORNMSR_NUMBER->asInteger()});
        return list;
    }

    void holdInProject(const TArrayOfMsrResult& held)
    {
        for (const TMsrResult& r : held)
            QVERIFY(m_dm->AddResult(r));
        m_dm->SaveChanges();
        QVERIFY(!m_dm->HasChanges());
    }

    // Neither a message nor the summary may appear during `work`.
    void expectSilence(const std::function<void()>& work)
    {
        ModalAnswer message("QMessageBox", ModalAnswer::reject(), 60000);
        ModalAnswer summary("TDownloadSummaryForm", ModalAnswer::reject(), 60000);
        work();
        QVERIFY(!message.appeared());
        QVERIFY(!summary.appeared());
    }

private slots:
    void initTestCase()
    {
        StorageTest::prepareEngine();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        m_instrument = std::make_shared<SimulatedInstrument>();
        usbSetDriverLayer(m_instrument);
        QCOMPARE(USBInit(), UsbStatus::Ok);
        m_instrument->plug();

        const QString path = m_dir.filePath(QStringLiteral("p%1.vorn").arg(++m_projects));
        QVERIFY(TMainDataModule().CreateDatabase(path));
        m_dm = std::make_unique<TMainDataModule>();
        QVERIFY(m_dm->OpenDatabase(path));
        m_scrolls = 0;
        m_dm->OnResultScroll = [this] { ++m_scrolls; };

        m_window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(m_window.get());
        m_other = new QLineEdit(m_window.get());
        m_grid = new QTableView(m_window.get());
        layout->addWidget(m_other);
        layout->addWidget(m_grid);
        m_window->show();
        m_other->setFocus();
    }

    void cleanup()
    {
        waitForAbandonedDownloads();
        m_window.reset();
        m_dm.reset();
        USBDone();
        usbSetDriverLayer(nullptr);
        m_instrument.reset();
    }

    void noDeviceOnlySaysSo()
    {
        m_instrument->unplug();
        MessageAnswer message;
        read();
        QVERIFY(message.answer.appeared());
        QCOMPARE(message.answer.text(), QStringLiteral("Прибор не подключен!"));
        QCOMPARE(message.answer.title(), QStringLiteral("ВОРН-1.0"));
        QCOMPARE(message.icon, QMessageBox::Critical);
        QCOMPARE(m_instrument->exchangeCount(), 0);
        QCOMPARE(m_window->focusWidget(), m_other);
    }

    // An instrument that is there but cannot be used says why; once it can be opened the
    // next read works without re-plugging.
    void unusableInstrumentSaysWhy_data()
    {
        QTest::addColumn<uint32_t>("initStatus");
        QTest::addColumn<uint32_t>("openFailure");
        QTest::addColumn<QString>("text");
        QTest::newRow("busy") << UsbStatus::Ok << UsbStatus::Busy
                              << "Прибор подключен, но занят другой программой.";
        QTest::newRow("no access")
            << UsbStatus::Ok << UsbStatus::Access
            << "Прибор подключен, но нет прав доступа к нему. Установите пакет программы или "
               "переподключите прибор.";
        QTest::newRow("other cause")
            << UsbStatus::Ok << UsbStatus::Io
            << "Прибор подключен, но открыть его не удалось, код ошибки 30000001.";
        QTest::newRow("USB cannot start")
            << UsbStatus::DriverUnavailable << UsbStatus::Ok
            << "Подсистема USB недоступна, связь с прибором невозможна.";
    }
    void unusableInstrumentSaysWhy()
    {
        QFETCH(uint32_t, initStatus);
        QFETCH(uint32_t, openFailure);
        QFETCH(QString, text);
        USBDone();
        m_instrument->setOpenStatus(initStatus);
        m_instrument->setOpenFailure(openFailure);
        QCOMPARE(USBInit(), initStatus);
        m_instrument->setResults(results(1, 2));
        {
            MessageAnswer message;
            ModalAnswer progress("TDownloadForm", ModalAnswer::reject(), 60000);
            read();
            QVERIFY(message.answer.appeared());
            QCOMPARE(message.answer.text(), text);
            QCOMPARE(message.answer.title(), QStringLiteral("ВОРН-1.0"));
            QVERIFY(!progress.appeared());
            QCOMPARE(m_instrument->exchangeCount(), 0);
        }
        if (initStatus != UsbStatus::Ok)
            return;
        m_instrument->setOpenFailure(UsbStatus::Ok);
        SummaryAnswer summary;
        read();
        QCOMPARE(summary.inDevice, 2);
        QCOMPARE(summary.added, 2);
    }

    void newResultsAreSortedIntoTheProject()
    {
        const TArrayOfMsrResult stored = results(1, 5);
        holdInProject({stored[3], stored[1]});
        // The device sends them newest first, so the import has to sort.
        m_instrument->setResults({stored.rbegin(), stored.rend()});

        SummaryAnswer summary;
        read();
        QCOMPARE(summary.inDevice, 5);
        QCOMPARE(summary.added, 3);
        QVERIFY(m_dm->HasChanges());
        QCOMPARE(m_dm->UpdateCount, 0);
        QList<QPair<double, int>> expected;
        for (const TMsrResult& r : stored)
            expected.append({r.MsrDate, int(r.MsrNumber)});
        std::sort(expected.begin(), expected.end());
        QCOMPARE(rows(), expected);
        QCOMPARE(m_window->focusWidget(), m_grid);
    }

    void readingTwiceAddsNothingTheSecondTime()
    {
        m_instrument->setResults(results(10, 4));
        {
            SummaryAnswer first;
            read();
            QCOMPARE(first.added, 4);
        }
        m_scrolls = 0;
        SummaryAnswer second;
        read();
        QCOMPARE(second.inDevice, 4);
        QCOMPARE(second.added, 0);
        QVERIFY(m_scrolls > 0);
        QCOMPARE(rows().size(), 4);
    }

    void emptyDeviceLeavesTheProjectAlone()
    {
        SummaryAnswer summary;
        read();
        QCOMPARE(summary.inDevice, 0);
        QCOMPARE(summary.added, 0);
        QCOMPARE(m_scrolls, 0);
        QVERIFY(!m_dm->HasChanges());
        QCOMPARE(m_window->focusWidget(), m_grid);
    }

    void cancelImportsNothing()
    {
        m_instrument->setResults(results(1, 50));
        m_instrument->setLatency(10ms);
        ModalAnswer cancel("TDownloadForm", pressCancel);
        expectSilence([this] { read(); });
        QVERIFY(cancel.appeared());
        QCOMPARE(abandonedDownloadCount(), 0);
        QVERIFY(rows().isEmpty());
        QVERIFY(!m_dm->HasChanges());
        QCOMPARE(m_window->focusWidget(), m_grid);
    }

    void failedDownloadIsReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("dataVersion");
        QTest::addColumn<int>("timeoutAt");
        QTest::addColumn<int>("unplugAt");
        QTest::addColumn<QString>("text");
        QTest::newRow("another name") << "VORN-2.0" << 65537 << 0 << 0 << "Ошибка связи 70000001";
        QTest::newRow("another data version")
            << "VORN-1.0" << 65536 << 0 << 0 << "Ошибка связи 70000001";
        QTest::newRow("time-out on a record")
            << "VORN-1.0" << 65537 << 6 << 0 << "Ошибка связи 30000007";
        QTest::newRow("unplugged during the download") << "VORN-1.0" << 65537 << 0 << 5 << "";
    }

    void failedDownloadIsReported()
    {
        QFETCH(QString, name);
        QFETCH(int, dataVersion);
        QFETCH(int, timeoutAt);
        QFETCH(int, unplugAt);
        QFETCH(QString, text);
        m_instrument->setName(name.toStdString());
        m_instrument->setDataVersion(dataVersion);
        m_instrument->setResults(results(1, 5));
        if (timeoutAt)
            m_instrument->timeoutAt(timeoutAt);
        if (unplugAt)
            m_instrument->unplugAt(unplugAt);

        MessageAnswer message;
        ModalAnswer summary("TDownloadSummaryForm", ModalAnswer::reject(), 60000);
        read();
        QVERIFY(message.answer.appeared());
        QCOMPARE(message.answer.title(), QStringLiteral("ВОРН-1.0"));
        QCOMPARE(message.icon, QMessageBox::Critical);
        if (text.isEmpty()) {
            QVERIFY(message.answer.text().startsWith(QStringLiteral("Ошибка связи ")));
            const QString code = message.answer.text().mid(13);
            QVERIFY2(QRegularExpression("^[0-9A-F]{8}$").match(code).hasMatch(), qPrintable(code));
            QVERIFY(code != QStringLiteral("00000000"));
        } else {
            QCOMPARE(message.answer.text(), text);
        }
        QVERIFY(!summary.appeared());
        QVERIFY(rows().isEmpty());
        QVERIFY(!m_dm->HasChanges());
    }

    void workerOutlivingTheWaitIsLeftBehind()
    {
        m_instrument->setResults(results(1, 5));
        m_instrument->setLatency(3000ms);
        {
            ModalAnswer cancel("TDownloadForm", pressCancel);
            expectSilence([this] { read(); });
            QVERIFY(cancel.appeared());
        }
        QCOMPARE(abandonedDownloadCount(), 1);
        QVERIFY(rows().isEmpty());
        QCOMPARE(m_window->focusWidget(), m_grid);

        // A new read waits for the late worker's exchange and then gets the whole device.
        m_instrument->setLatency(0ms);
        SummaryAnswer summary;
        read();
        QCOMPARE(summary.inDevice, 5);
        QCOMPARE(summary.added, 5);

        waitForAbandonedDownloads();
        QCOMPARE(abandonedDownloadCount(), 0);
        QCOMPARE(rows().size(), 5);
    }

    void databaseErrorMidImportEndsTheUpdate()
    {
        // The second new row needs a key beyond the 32-bit range.
        QVERIFY(m_dm->ExecuteStatement("SET GENERATOR MSR_RESULT_TABLE_GEN TO 2147483646"));
        m_instrument->setResults(results(1, 5));
        ModalAnswer summary("TDownloadSummaryForm", ModalAnswer::reject(), 60000);
        QVERIFY_THROWS_EXCEPTION(StorageError, read());
        QCOMPARE(m_dm->UpdateCount, 0);
        QVERIFY(m_dm->ControlsEnabled());
        QVERIFY(!summary.appeared());
        QCOMPARE(m_window->focusWidget(), m_grid);
    }
};

QTEST_MAIN(ReadFromDeviceTest)
#include "tst_ReadFromDevice.moc"
