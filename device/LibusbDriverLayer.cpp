#include "device/LibusbDriverLayer.h"

#include "device/UsbStatus.h"

#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int ClaimedInterface = 0;
constexpr auto PollInterval = std::chrono::milliseconds(500);
constexpr int EventWaitMs = 200;

// An opened and claimed device; shared with transfers in flight, so that a removal
// closes it only after the last of them has returned.
struct OpenDevice
{
    explicit OpenDevice(libusb_device_handle* opened) : handle(opened) {}
    OpenDevice(const OpenDevice&) = delete;
    OpenDevice& operator=(const OpenDevice&) = delete;
    libusb_device_handle* const handle;
    ~OpenDevice()
    {
        libusb_release_interface(handle, ClaimedInterface);
        libusb_close(handle);
    }
};

struct KnownDevice
{
    libusb_device* device; // one reference held while known
    UsbDeviceHandle id;
    std::shared_ptr<OpenDevice> open; // null for a refused device or one not opened
    uint32_t openFailure = 0;         // status of the last failed open, 0 when none
};

struct DeviceEvent
{
    libusb_device* device; // one reference held while queued
    bool arrived;
};

} // namespace

struct LibusbDriverLayer::Impl
{
    Discovery discovery;
    libusb_context* context = nullptr;
    UsbMatchEntry match;
    UsbEventTable events;
    bool hotplug = false;
    libusb_hotplug_callback_handle hotplugHandle = 0;
    std::thread eventThread;
    std::atomic<bool> stopping{false};
    std::condition_variable stopSignal;

    std::mutex queueMutex;
    std::vector<DeviceEvent> queue;

    // Held while an arrival is being decided and opened, so that a transfer on the new
    // handle waits for the open instead of failing.
    std::mutex devicesMutex;
    std::vector<KnownDevice> known;
    UsbDeviceHandle lastId = 0;

    static int LIBUSB_CALL hotplugCallback(libusb_context*, libusb_device* device,
                                           libusb_hotplug_event event, void* userData)
    {
        // Only queue here: the decision and the opening run on our own event thread.
        static_cast<Impl*>(userData)->enqueue(device, event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
        return 0;
    }

    void enqueue(libusb_device* device, bool arrived)
    {
        std::lock_guard lock(queueMutex);
        queue.push_back({libusb_ref_device(device), arrived});
    }

    bool matches(libusb_device* device) const
    {
        libusb_device_descriptor descriptor;
        return libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS &&
               descriptor.idVendor == match.VendorId && descriptor.idProduct == match.ProductId;
    }

    void processQueue()
    {
        std::vector<DeviceEvent> pending;
        {
            std::lock_guard lock(queueMutex);
            pending.swap(queue);
        }
        for (const DeviceEvent& event : pending) {
            if (event.arrived)
                arrive(event.device);
            else
                leave(event.device);
            libusb_unref_device(event.device);
        }
        // A removal may have freed the link for a device it refused before; a repeated
        // arrival, or a poll, may find a device that can be opened now.
        if (!pending.empty()) {
            std::lock_guard lock(devicesMutex);
            offerDevicesNotOpen();
        }
    }

    // libusb may report one arrival twice and a removal without an arrival; known devices
    // make both harmless. A known device that is not open is offered again after the
    // queue has been processed.
    void arrive(libusb_device* device)
    {
        std::lock_guard lock(devicesMutex);
        if (std::any_of(known.begin(), known.end(),
                        [&](const KnownDevice& k) { return k.device == device; }))
            return;
        known.push_back({libusb_ref_device(device), ++lastId, nullptr});
        offer(known.back());
    }

    // Any device the link does not hold may have been freed by another program or given
    // access since it was last tried. Called with devicesMutex held.
    void offerDevicesNotOpen()
    {
        for (KnownDevice& k : known)
            if (!k.open)
                offer(k);
    }

    // Asks the link whether it takes the device and, when it does, opens it. A device that
    // failed to open before is opened first, so that the link does not seem to hold it for
    // the moment that each failing retry takes. Called with devicesMutex held.
    void offer(KnownDevice& k)
    {
        UsbDeviceDescription description;
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(k.device, &descriptor) == LIBUSB_SUCCESS) {
            description.VendorId = descriptor.idVendor;
            description.ProductId = descriptor.idProduct;
        }
        description.BusNumber = libusb_get_bus_number(k.device);
        description.DeviceAddress = libusb_get_device_address(k.device);
        auto attach = [&] {
            return events.Attach && events.Attach(k.id, &description, events.UserData);
        };
        const bool openFirst = k.openFailure != 0;
        if (!openFirst && !attach())
            return;

        libusb_device_handle* handle = nullptr;
        int error = libusb_open(k.device, &handle);
        if (error == LIBUSB_SUCCESS) {
            error = libusb_claim_interface(handle, ClaimedInterface);
            if (error != LIBUSB_SUCCESS)
                libusb_close(handle);
        }
        if (error != LIBUSB_SUCCESS) {
            const uint32_t failure = UsbStatus::fromLibusbError(error);
            // Once per device and cause: the device is tried again every PollInterval.
            if (failure != k.openFailure)
                std::fprintf(
                    stderr, "vorn: the instrument on bus %u, address %u cannot be opened (%s)%s\n",
                    description.BusNumber, description.DeviceAddress, libusb_error_name(error),
                    error == LIBUSB_ERROR_ACCESS
                        ? "; the user needs read and write access to its device node (a udev rule)"
                    : error == LIBUSB_ERROR_BUSY ? "; another program holds it"
                                                 : "");
            k.openFailure = failure;
            // The link took the device; let go of it again so that it is not held unusable.
            if (!openFirst && events.Detach)
                events.Detach(k.id, events.UserData);
            return;
        }
        auto opened = std::make_shared<OpenDevice>(handle);
        k.openFailure = 0;
        if (openFirst && !attach())
            return; // another device is held meanwhile: this one is closed again
        k.open = std::move(opened);
    }

    void leave(libusb_device* device)
    {
        std::shared_ptr<OpenDevice> closing;
        UsbDeviceHandle id = 0;
        {
            std::lock_guard lock(devicesMutex);
            const auto it = std::find_if(known.begin(), known.end(),
                                         [&](const KnownDevice& k) { return k.device == device; });
            if (it == known.end())
                return;
            closing = std::move(it->open);
            id = it->id;
            libusb_unref_device(it->device);
            known.erase(it);
        }
        if (closing && events.Detach)
            events.Detach(id, events.UserData);
    }

    // The fall-back where libusb has no hot-plug support: compare the device list with the
    // known devices every PollInterval.
    void poll()
    {
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(context, &list);
        if (count < 0)
            return;
        std::vector<libusb_device*> present;
        for (ssize_t i = 0; i < count; ++i)
            if (matches(list[i]))
                present.push_back(list[i]);
        std::vector<libusb_device*> gone;
        {
            std::lock_guard lock(devicesMutex);
            for (const KnownDevice& k : known)
                if (std::find(present.begin(), present.end(), k.device) == present.end())
                    gone.push_back(k.device);
        }
        for (libusb_device* device : gone)
            enqueue(device, false);
        for (libusb_device* device : present)
            enqueue(device, true);
        libusb_free_device_list(list, 1);
    }

    void run()
    {
        std::mutex waitMutex;
        auto lastOffer = std::chrono::steady_clock::now();
        while (!stopping.load()) {
            processQueue();
            if (hotplug) {
                timeval wait{0, EventWaitMs * 1000};
                libusb_handle_events_timeout_completed(context, &wait, nullptr);
                // libusb reports arrivals and removals only: a udev "change" event, an
                // access list changed at log-on or another program letting go of the
                // device is seen by trying again.
                const auto now = std::chrono::steady_clock::now();
                if (now - lastOffer >= PollInterval) {
                    lastOffer = now;
                    std::lock_guard lock(devicesMutex);
                    offerDevicesNotOpen();
                }
            } else {
                std::unique_lock lock(waitMutex);
                stopSignal.wait_for(lock, PollInterval, [this] { return stopping.load(); });
                if (!stopping.load())
                    poll();
            }
        }
    }
};

LibusbDriverLayer::LibusbDriverLayer(Discovery discovery) : d(std::make_unique<Impl>())
{
    d->discovery = discovery;
}

LibusbDriverLayer::~LibusbDriverLayer()
{
    close();
}

uint32_t LibusbDriverLayer::open(const UsbMatchEntry& match, const UsbEventTable& events,
                                 uint32_t& driverHandle)
{
    close();
    const int initError = libusb_init(&d->context);
    if (initError != LIBUSB_SUCCESS) {
        std::fprintf(stderr, "vorn: USB is not available: libusb cannot start (%s)\n",
                     libusb_strerror(initError));
        d->context = nullptr;
        return UsbStatus::DriverUnavailable;
    }
    d->match = match;
    d->events = events;
    d->stopping = false;
    d->hotplug = d->discovery == Discovery::HotplugWhereSupported &&
                 libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG);
    if (d->hotplug) {
        const int error = libusb_hotplug_register_callback(
            d->context,
            static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                              LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
            LIBUSB_HOTPLUG_ENUMERATE, match.VendorId, match.ProductId, LIBUSB_HOTPLUG_MATCH_ANY,
            &Impl::hotplugCallback, d.get(), &d->hotplugHandle);
        if (error != LIBUSB_SUCCESS) {
            std::fprintf(stderr,
                         "vorn: USB is not available: libusb cannot watch for devices (%s)\n",
                         libusb_strerror(error));
            libusb_exit(d->context);
            d->context = nullptr;
            return UsbStatus::fromLibusbError(error);
        }
    } else {
        d->poll();
    }
    // Devices already plugged in are reported before open() returns.
    d->processQueue();
    d->eventThread = std::thread([this] { d->run(); });
    driverHandle = 1;
    return UsbStatus::Ok;
}

uint32_t LibusbDriverLayer::transferBulk(UsbDeviceHandle device, uint8_t pipe, bool read,
                                         void* buffer, uint32_t length, uint32_t& transferred,
                                         uint32_t timeoutMs)
{
    transferred = 0;
    std::shared_ptr<OpenDevice> open;
    {
        std::lock_guard lock(d->devicesMutex);
        for (const KnownDevice& k : d->known)
            if (k.id == device)
                open = k.open;
    }
    if (!open || device == 0)
        return UsbStatus::NoDevice;
    const uint8_t endpoint = read ? static_cast<uint8_t>(pipe | LIBUSB_ENDPOINT_IN)
                                  : static_cast<uint8_t>(pipe & ~LIBUSB_ENDPOINT_IN);
    int actual = 0;
    const int error = libusb_bulk_transfer(open->handle, endpoint, static_cast<uint8_t*>(buffer),
                                           static_cast<int>(length), &actual, timeoutMs);
    transferred = static_cast<uint32_t>(std::max(actual, 0));
    return error == LIBUSB_SUCCESS ? UsbStatus::Ok : UsbStatus::fromLibusbError(error);
}

void LibusbDriverLayer::retryDevices()
{
    std::lock_guard lock(d->devicesMutex);
    d->offerDevicesNotOpen();
}

uint32_t LibusbDriverLayer::openFailure() const
{
    std::lock_guard lock(d->devicesMutex);
    for (const KnownDevice& k : d->known)
        if (!k.open && k.openFailure != 0)
            return k.openFailure;
    return UsbStatus::Ok;
}

void LibusbDriverLayer::close()
{
    if (!d->context)
        return;
    d->stopping = true;
    d->stopSignal.notify_all();
    if (d->hotplug) {
        libusb_hotplug_deregister_callback(d->context, d->hotplugHandle);
        libusb_interrupt_event_handler(d->context);
    }
    if (d->eventThread.joinable())
        d->eventThread.join();
    {
        std::lock_guard lock(d->queueMutex);
        for (const DeviceEvent& event : d->queue)
            libusb_unref_device(event.device);
        d->queue.clear();
    }
    {
        std::lock_guard lock(d->devicesMutex);
        for (KnownDevice& k : d->known) {
            k.open.reset();
            libusb_unref_device(k.device);
        }
        d->known.clear();
    }
    libusb_exit(d->context);
    d->context = nullptr;
}
