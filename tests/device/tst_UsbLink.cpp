#include "device/DeviceCommands.h"
#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "device/UsbStatus.h"

#include <QTest>

#include <thread>

using namespace std::chrono_literals;

// The USB unit over the simulated instrument.
class UsbLinkTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<SimulatedInstrument> m_instrument;

    void openWith(bool plugged)
    {
        if (plugged)
            m_instrument->plug();
        usbSetDriverLayer(m_instrument);
        QCOMPARE(USBInit(), UsbStatus::Ok);
    }

private slots:
    void init() { m_instrument = std::make_shared<SimulatedInstrument>(); }

    void cleanup()
    {
        USBDone();
        usbSetDriverLayer(nullptr);
        m_instrument.reset();
    }

    void closedLinkFailsEveryExchange()
    {
        QVERIFY(!USBDeviceConnected());
        uint8_t reply[DEV_INFO_SIZE];
        QCOMPARE(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE),
                 UsbStatus::DriverUnavailable);
    }

    void failedInitLeavesLinkClosed()
    {
        m_instrument->setOpenStatus(UsbStatus::DriverUnavailable);
        m_instrument->plug();
        usbSetDriverLayer(m_instrument);
        QCOMPARE(USBInit(), UsbStatus::DriverUnavailable);
        QCOMPARE(usbConnection().DriverHandle, USB_CLOSED_HANDLE);
        QVERIFY(!USBDeviceConnected());
        USBDone();
        USBDone();
        QCOMPARE(usbConnection().DriverHandle, USB_CLOSED_HANDLE);
    }

    void deviceAlreadyPluggedInIsHeld()
    {
        openWith(true);
        QVERIFY(USBDeviceConnected());
        QVERIFY(m_instrument->isAccepted());
        // Closing the layer closes the device, so no handle may stay behind.
        USBDone();
        QVERIFY(!USBDeviceConnected());
    }

    void noDeviceFailsWithoutWrongDeviceCode()
    {
        openWith(false);
        QVERIFY(!USBDeviceConnected());
        uint8_t reply[DEV_INFO_SIZE];
        const uint32_t status = USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE);
        QVERIFY(status != UsbStatus::Ok);
        QVERIFY(status != DEV_ERR_WRONG_DEVICE);
    }

    void unplugAndPlugAgain()
    {
        openWith(true);
        m_instrument->unplug();
        QVERIFY(!USBDeviceConnected());
        uint8_t reply[DEV_INFO_SIZE];
        QCOMPARE(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE), UsbStatus::NoDevice);
        m_instrument->plug();
        QVERIFY(USBDeviceConnected());
        QCOMPARE(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE), UsbStatus::Ok);
    }

    void secondDeviceIsRefused()
    {
        UsbConnection connection;
        QVERIFY(DeviceAttach(11, nullptr, &connection));
        QVERIFY(!DeviceAttach(12, nullptr, &connection));
        QCOMPARE(connection.DeviceHandle.load(), UsbDeviceHandle(11));
        DeviceDetach(11, &connection);
        QCOMPARE(connection.DeviceHandle.load(), UsbDeviceHandle(0));
        QVERIFY(DeviceAttach(12, nullptr, &connection));
        QVERIFY(DevicePowerChange(12, 3, &connection));
    }

    void commandPacket_data()
    {
        QTest::addColumn<uint32_t>("code");
        QTest::addColumn<int>("payloadLength");
        QTest::addColumn<int>("packetLength");
        QTest::newRow("no payload") << 0x04030201u << 0 << 4;
        QTest::newRow("payload of 10") << 6u << 10 << 14;
        QTest::newRow("payload of 60") << 6u << 60 << 64;
        QTest::newRow("payload of 61 is cut") << 6u << 61 << 64;
        QTest::newRow("payload of 200 is cut") << 6u << 200 << 64;
    }

    void commandPacket()
    {
        QFETCH(uint32_t, code);
        QFETCH(int, payloadLength);
        QFETCH(int, packetLength);
        openWith(true);
        std::vector<uint8_t> payload(static_cast<std::size_t>(payloadLength));
        for (std::size_t i = 0; i < payload.size(); ++i)
            payload[i] = uint8_t(i + 1);
        QCOMPARE(USBTransfer(code, payload.data(), uint32_t(payloadLength), nullptr, 0),
                 UsbStatus::Ok);
        const std::vector<uint8_t> packet = m_instrument->lastCommandPacket();
        QCOMPARE(int(packet.size()), packetLength);
        QCOMPARE(packet[0], uint8_t(code));
        QCOMPARE(packet[3], uint8_t(code >> 24));
        for (int i = 4; i < packetLength; ++i)
            QCOMPARE(packet[std::size_t(i)], uint8_t(i - 3));
    }

    void replyLengthZeroReadsNothing()
    {
        openWith(true);
        // A command the instrument does not answer would time out if its reply were read.
        m_instrument->setTimeoutDuration(-1ms);
        QCOMPARE(USBTransfer(5, nullptr, 0, nullptr, 0), UsbStatus::Ok);
        QCOMPARE(m_instrument->exchangeCount(), 1);
    }

    void shortReplyIsAFailedExchange()
    {
        openWith(true);
        m_instrument->shortReplyAt(2, 10);
        uint8_t reply[DEV_INFO_SIZE];
        QCOMPARE(USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE), UsbStatus::Ok);
        const uint32_t status = USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE);
        QCOMPARE(status, UsbStatus::ShortTransfer);
        QVERIFY(status != DEV_ERR_WRONG_DEVICE);
    }

    void timeoutAndRemovalAreReported()
    {
        openWith(true);
        m_instrument->timeoutAt(1);
        m_instrument->unplugAt(2);
        uint8_t reply[DEV_SCREEN_SIZE];
        QCOMPARE(USBTransfer(DEV_CMD_SCREEN, nullptr, 0, reply, DEV_SCREEN_SIZE),
                 UsbStatus::Timeout);
        QVERIFY(USBDeviceConnected());
        QCOMPARE(USBTransfer(DEV_CMD_SCREEN, nullptr, 0, reply, DEV_SCREEN_SIZE),
                 UsbStatus::NoDevice);
        QVERIFY(!USBDeviceConnected());
    }

    void screenReply()
    {
        ScreenPicture picture;
        for (std::size_t i = 0; i < picture.size(); ++i)
            picture[i] = uint8_t(i * 7);
        m_instrument->setScreen(picture);
        openWith(true);
        ScreenPicture reply{};
        QCOMPARE(USBTransfer(DEV_CMD_SCREEN, nullptr, 0, reply.data(), DEV_SCREEN_SIZE),
                 UsbStatus::Ok);
        QVERIFY(reply == picture);
    }

    // Two threads exchanging at once: each reply must belong to its own command.
    void exchangesNeverOverlap()
    {
        ScreenPicture picture;
        picture.fill(0x5A);
        m_instrument->setScreen(picture);
        m_instrument->setLatency(300us);
        openWith(true);

        std::atomic<int> failures{0};
        auto screens = [&] {
            for (int i = 0; i < 40; ++i) {
                ScreenPicture reply{};
                if (USBTransfer(DEV_CMD_SCREEN, nullptr, 0, reply.data(), DEV_SCREEN_SIZE) != 0 ||
                    reply != picture)
                    ++failures;
            }
        };
        auto infos = [&] {
            for (int i = 0; i < 40; ++i) {
                uint8_t reply[DEV_INFO_SIZE] = {};
                if (USBTransfer(DEV_CMD_INFO, nullptr, 0, reply, DEV_INFO_SIZE) != 0 ||
                    reply[0] != 9 || reply[8] != 1)
                    ++failures;
            }
        };
        std::thread first(screens);
        std::thread second(infos);
        first.join();
        second.join();
        QCOMPARE(failures.load(), 0);
        QCOMPARE(m_instrument->exchangeCount(), 80);
    }
};

QTEST_GUILESS_MAIN(UsbLinkTest)
#include "tst_UsbLink.moc"
