#include "tests/device/EmulatedUsbDevice.h"

#include "device/DeviceCommands.h"
#include "device/LibusbDriverLayer.h"
#include "device/USB.h"
#include "device/UsbStatus.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <thread>

using namespace std::chrono_literals;
Q_DECLARE_METATYPE(LibusbDriverLayer::Discovery)

// The real libusb layer against instruments emulated by umockdev.
class LibusbDriverLayerTest : public QObject
{
    Q_OBJECT

private:
    UMockdevTestbed* m_testbed = nullptr;
    std::unique_ptr<EmulatedUsbDevice> m_first;
    std::unique_ptr<EmulatedUsbDevice> m_second;

    void openLink()
    {
        QFETCH(LibusbDriverLayer::Discovery, discovery);
        usbSetDriverLayer(std::make_shared<LibusbDriverLayer>(discovery));
        QCOMPARE(USBInit(), UsbStatus::Ok);
    }

    static void addDiscoveryRows()
    {
        QTest::addColumn<LibusbDriverLayer::Discovery>("discovery");
        QTest::newRow("hot-plug") << LibusbDriverLayer::Discovery::HotplugWhereSupported;
        QTest::newRow("polling") << LibusbDriverLayer::Discovery::Polling;
    }

private slots:
    void init()
    {
        m_testbed = umockdev_testbed_new();
        m_first = std::make_unique<EmulatedUsbDevice>(m_testbed, 2);
        m_second = std::make_unique<EmulatedUsbDevice>(m_testbed, 3);
        m_first->setReply(DEV_CMD_INFO,
                          {9, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 5, 0, 0, 0, 0, 0, 0, 0});
    }

    void cleanup()
    {
        // libusb must be gone before the testbed it talks to.
        USBDone();
        usbSetDriverLayer(nullptr);
        m_first.reset();
        m_second.reset();
        g_clear_object(&m_testbed);
    }

    void deviceAlreadyPluggedInIsHeldAfterInit_data() { addDiscoveryRows(); }
    void deviceAlreadyPluggedInIsHeldAfterInit()
    {
        m_first->plug();
        openLink();
        QVERIFY(USBDeviceConnected());
        QVERIFY(m_first->wasOpened());
    }

    void arrivalAndRemovalAreReported_data() { addDiscoveryRows(); }
    void arrivalAndRemovalAreReported()
    {
        openLink();
        QVERIFY(!USBDeviceConnected());
        uint8_t reply[DEV_INFO_SIZE];
        QVERIFY(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE) != UsbStatus::Ok);

        m_first->plug();
        QTRY_VERIFY_WITH_TIMEOUT(USBDeviceConnected(), 3000);
        m_first->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!USBDeviceConnected(), 3000);
        const uint32_t status = USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE);
        QVERIFY(status != UsbStatus::Ok);
        QVERIFY(status != DEV_ERR_WRONG_DEVICE);

        m_first->plug();
        QTRY_VERIFY_WITH_TIMEOUT(USBDeviceConnected(), 3000);
    }

    void commandGoesOutAsFourBytesAndReplyComesBack()
    {
        m_first->plug();
        usbSetDriverLayer(std::make_shared<LibusbDriverLayer>());
        QCOMPARE(USBInit(), UsbStatus::Ok);

        uint8_t reply[DEV_INFO_SIZE] = {};
        QCOMPARE(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE), UsbStatus::Ok);
        QCOMPARE(reply[0], uint8_t(9));
        QCOMPARE(reply[12], uint8_t(5));

        QCOMPARE(USBTransfer(DEV_CMD_RESULTS_BEGIN, nullptr, 0, nullptr, 0), UsbStatus::Ok);

        // The emulated device answers 20 bytes where 26 are asked.
        m_first->setReply(DEV_CMD_RESULT_NEXT, std::vector<uint8_t>(20, 0xAA));
        uint8_t record[DEV_RESULT_RECORD_SIZE];
        QCOMPARE(USBTransfer(DEV_CMD_RESULT_NEXT, nullptr, 0, record, DEV_RESULT_RECORD_SIZE),
                 UsbStatus::ShortTransfer);

        const auto packets = m_first->commandPackets();
        QCOMPARE(packets.size(), std::size_t(3));
        QCOMPARE(packets[0], (std::vector<uint8_t>{1, 0, 0, 0}));
        QCOMPARE(packets[1], (std::vector<uint8_t>{3, 0, 0, 0}));
        QCOMPARE(packets[2], (std::vector<uint8_t>{4, 0, 0, 0}));
    }

    void secondDeviceIsRefusedWhileOneIsHeld_data() { addDiscoveryRows(); }
    void secondDeviceIsRefusedWhileOneIsHeld()
    {
        m_first->plug();
        openLink();
        QVERIFY(USBDeviceConnected());
        const UsbDeviceHandle held = usbConnection().DeviceHandle.load();

        m_second->plug();
        // Long enough for the layer to have seen the arrival in either mode.
        QTest::qWait(1200);
        QVERIFY(!m_second->wasOpened());
        QCOMPARE(usbConnection().DeviceHandle.load(), held);

        uint8_t reply[DEV_INFO_SIZE] = {};
        QCOMPARE(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE), UsbStatus::Ok);
        QCOMPARE(m_first->commandPackets().size(), std::size_t(1));
        QVERIFY(m_second->commandPackets().empty());

        // The device refused while the first was held is taken once the first has gone.
        m_first->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(m_second->wasOpened(), 3000);
        QVERIFY(USBDeviceConnected());
    }

    // The device is plugged in when the link opens but cannot be opened itself; once the
    // cause is gone, the next question whether a device is held takes it.
    void deviceThatCouldNotBeOpenedIsTakenOnceFreed_data()
    {
        QTest::addColumn<LibusbDriverLayer::Discovery>("discovery");
        QTest::addColumn<bool>("busy"); // else the node is not accessible
        QTest::addColumn<uint32_t>("failure");
        QTest::newRow("no access, hot-plug")
            << LibusbDriverLayer::Discovery::HotplugWhereSupported << false << UsbStatus::Access;
        QTest::newRow("no access, polling")
            << LibusbDriverLayer::Discovery::Polling << false << UsbStatus::Access;
        QTest::newRow("busy, hot-plug")
            << LibusbDriverLayer::Discovery::HotplugWhereSupported << true << UsbStatus::Busy;
        QTest::newRow("busy, polling")
            << LibusbDriverLayer::Discovery::Polling << true << UsbStatus::Busy;
    }
    void deviceThatCouldNotBeOpenedIsTakenOnceFreed()
    {
        QFETCH(bool, busy);
        QFETCH(uint32_t, failure);
        if (busy)
            m_first->setHeldByAnotherProgram(true);
        else
            m_first->setNodeMode(0664);
        m_first->plug();
        openLink();
        QVERIFY(!USBDeviceConnected());
        QCOMPARE(usbOpenFailure(), failure);
        QVERIFY(!m_first->wasOpened());

        if (busy)
            m_first->setHeldByAnotherProgram(false);
        else
            m_first->setNodeMode(0666);
        QVERIFY(USBDeviceConnected());
        QCOMPARE(usbOpenFailure(), UsbStatus::Ok);
        uint8_t reply[DEV_INFO_SIZE] = {};
        QCOMPARE(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE), UsbStatus::Ok);
        QCOMPARE(reply[0], uint8_t(9));
    }

    // After `udevadm trigger` has applied a new rule the device is taken without anyone
    // asking for it.
    void changeEventTakesDeviceThatBecameAccessible()
    {
        m_first->setNodeMode(0664);
        m_first->plug();
        usbSetDriverLayer(std::make_shared<LibusbDriverLayer>());
        QCOMPARE(USBInit(), UsbStatus::Ok);
        QCOMPARE(usbConnection().DeviceHandle.load(), UsbDeviceHandle(0));
        QCOMPARE(usbOpenFailure(), UsbStatus::Access);

        m_first->setNodeMode(0666);
        m_first->change();
        QTRY_VERIFY_WITH_TIMEOUT(usbConnection().DeviceHandle.load() != 0, 3000);
        uint8_t reply[DEV_INFO_SIZE] = {};
        QCOMPARE(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE), UsbStatus::Ok);
    }

    void unansweredReplyTimesOutAfterTwoSeconds()
    {
        m_first->plug();
        usbSetDriverLayer(std::make_shared<LibusbDriverLayer>());
        QCOMPARE(USBInit(), UsbStatus::Ok);

        uint8_t screen[DEV_SCREEN_SIZE];
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(USBTransfer(DEV_CMD_SCREEN, nullptr, 0, screen, DEV_SCREEN_SIZE),
                 UsbStatus::Timeout);
        QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(USBDeviceConnected());
    }

    void removalEndsPendingTransfer()
    {
        m_first->plug();
        usbSetDriverLayer(std::make_shared<LibusbDriverLayer>());
        QCOMPARE(USBInit(), UsbStatus::Ok);

        QElapsedTimer clock;
        clock.start();
        auto exchange = std::async(std::launch::async, [] {
            uint8_t screen[DEV_SCREEN_SIZE];
            return USBTransfer(DEV_CMD_SCREEN, nullptr, 0, screen, DEV_SCREEN_SIZE);
        });
        QTRY_COMPARE_WITH_TIMEOUT(m_first->pendingReads(), 1, 1500);
        m_first->unplug();
        const uint32_t status = exchange.get();
        QVERIFY(status != UsbStatus::Ok);
        QVERIFY(status != UsbStatus::Timeout);
        QVERIFY2(clock.elapsed() < 1900, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(!USBDeviceConnected(), 3000);
    }
};

int main(int argc, char* argv[])
{
    // umockdev_in_mock_environment() answers false even under the wrapper here.
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        // CI must run it: there a missing emulation is a failure, not a skip.
        const bool ci = std::getenv("CI") != nullptr;
        std::fprintf(stderr, "not running under umockdev-wrapper: %s\n", ci ? "failed" : "skipped");
        return ci ? 1 : 77;
    }
    // Device nodes are then made readable and writable by all, as the program's udev rule
    // makes them, from the moment they appear.
    umask(0);
    QCoreApplication app(argc, argv);
    LibusbDriverLayerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_LibusbDriverLayer.moc"
