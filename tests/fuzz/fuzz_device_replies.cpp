// The whole download conversation and the screen read against a driver layer whose
// statuses, transferred lengths and reply bytes come from the fuzzer.
#include "tests/fuzz/FuzzInput.h"

#include "device/DeviceCommands.h"
#include "device/USB.h"
#include "device/UsbStatus.h"
#include "download/DownloadConversation.h"
#include "snapshot/ScreenBuffer.h"
#include "snapshot/ScreenPicture.h"

#include <QImage>

#include <array>
#include <memory>

namespace {

// Each transfer takes one control byte: 0 moves every byte asked for, 1 moves fewer (the
// next byte says how many), 2 fails with the next four bytes as status, 3 claims more bytes
// than asked for. Read transfers then take the reply bytes. An exhausted input times out.
class FuzzedDriverLayer : public UsbDriverLayer
{
public:
    explicit FuzzedDriverLayer(FuzzInput& input) : m_input(input) {}

    bool shortReplySeen = false;

    uint32_t open(const UsbMatchEntry&, const UsbEventTable& events,
                  uint32_t& driverHandle) override
    {
        driverHandle = 1;
        const UsbDeviceDescription description{USB_VENDOR_ID, USB_PRODUCT_ID, 1, 2};
        m_held = events.Attach && events.Attach(Device, &description, events.UserData);
        return UsbStatus::Ok;
    }

    uint32_t transferBulk(UsbDeviceHandle device, uint8_t, bool read, void* buffer, uint32_t length,
                          uint32_t& transferred, uint32_t) override
    {
        transferred = 0;
        if (device != Device || !m_held)
            return UsbStatus::NoDevice;
        if (m_input.empty())
            return UsbStatus::Timeout;
        uint32_t status = UsbStatus::Ok;
        uint32_t moved = length;
        switch (m_input.byte() & 3) {
        case 1:
            moved = m_input.byte();
            if (moved > length)
                moved = length;
            break;
        case 2:
            status = m_input.value<uint32_t>();
            moved = 0;
            break;
        case 3:
            transferred = length + 1 + m_input.byte();
            if (read)
                m_input.bytes(buffer, length);
            return UsbStatus::Ok;
        default:
            break;
        }
        if (read) {
            m_input.bytes(buffer, moved);
            if (moved < length)
                shortReplySeen = true;
        }
        transferred = moved;
        return status;
    }

    void close() override { m_held = false; }

private:
    static constexpr UsbDeviceHandle Device = 0x5a;
    FuzzInput& m_input;
    bool m_held = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    auto layer = std::make_shared<FuzzedDriverLayer>(input);
    usbSetDriverLayer(layer);
    FUZZ_CHECK(USBInit() == 0);

    TArrayOfMsrResult results;
    int progressCount = 0;
    int lastPercent = -1;
    const DownloadOutcome outcome = runDownloadConversation(
        [] { return false; },
        [&](int percent) {
            FUZZ_CHECK(percent > lastPercent && percent >= 0 && percent <= 99);
            lastPercent = percent;
            ++progressCount;
        },
        results);
    // The worker adds its final 200 to these.
    FUZZ_CHECK(progressCount + 1 <= 101);
    if (outcome.ResultCode == 0 && outcome.Completed)
        FUZZ_CHECK(!layer->shortReplySeen);
    FUZZ_CHECK(results.size() <= std::size_t(DEV_MAX_RESULT_COUNT));

    layer->shortReplySeen = false;
    std::array<uint8_t, DEV_SCREEN_SIZE> reply{};
    if (USBTransfer(DEV_CMD_SCREEN, nullptr, 0, reply.data(), DEV_SCREEN_SIZE) == 0) {
        FUZZ_CHECK(!layer->shortReplySeen);
        ScreenBuffer buffer;
        buffer.loadScreenReply(std::span<const uint8_t, ScreenBuffer::ReplySize>(reply));
        QImage image;
        paintScreenBuffer(buffer, qRgb(0, 0, 0), qRgb(255, 255, 255), image);
        FUZZ_CHECK(image.width() == ScreenBuffer::Width && image.height() == ScreenBuffer::Height);
    }
    USBDone();
    usbSetDriverLayer(nullptr);
    return 0;
}
