#include "tests/device/EmulatedUsbDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>

namespace {

// Vendor 0x03EB, product 0x0040, vendor class; one configuration with interface 0 and the
// bulk endpoints 0x02 (out) and 0x81 (in).
constexpr const char* Descriptors = "12010002ffff0040eb034000000101020301"
                                    "0902200001010080320904000002ffff0000"
                                    "07050202400000"
                                    "07058102400000";

usbdevfs_urb* urbOf(UMockdevIoctlData* data)
{
    return reinterpret_cast<usbdevfs_urb*>(data->data);
}

} // namespace

EmulatedUsbDevice::EmulatedUsbDevice(UMockdevTestbed* testbed, int deviceNumber)
    : m_testbed(testbed), m_handler(umockdev_ioctl_base_new()), m_deviceNumber(deviceNumber)
{
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", deviceNumber);
    m_devNode = node;
    std::snprintf(node, sizeof node, "/sys/devices/usb1/1-%d", deviceNumber);
    m_sysPath = node;
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(handleIoctl), this);
}

EmulatedUsbDevice::~EmulatedUsbDevice()
{
    if (m_plugged)
        unplug();
    if (m_attached)
        umockdev_testbed_detach_ioctl(m_testbed, m_devNode.c_str(), nullptr);
    std::lock_guard lock(m_mutex);
    for (UMockdevIoctlData* data : m_ready)
        umockdev_ioctl_data_unref(data);
    for (UMockdevIoctlData* data : m_pending)
        umockdev_ioctl_data_unref(data);
    g_object_unref(m_handler);
}

void EmulatedUsbDevice::plug()
{
    // The handler first, so that the device can be opened as soon as it is announced.
    if (!m_attached)
        m_attached =
            umockdev_testbed_attach_ioctl(m_testbed, m_devNode.c_str(), m_handler, nullptr);
    char record[1024];
    std::snprintf(record, sizeof record,
                  "P: /devices/usb1/1-%d\n"
                  "N: bus/usb/001/%03d\n"
                  "E: SUBSYSTEM=usb\n"
                  "E: DEVTYPE=usb_device\n"
                  "E: DRIVER=usb\n"
                  "E: DEVNAME=/dev/bus/usb/001/%03d\n"
                  "E: BUSNUM=001\n"
                  "E: DEVNUM=%03d\n"
                  "E: PRODUCT=3eb/40/100\n"
                  "A: busnum=1\\n\n"
                  "A: devnum=%d\\n\n"
                  "A: bConfigurationValue=1\\n\n"
                  "A: speed=12\\n\n"
                  "H: descriptors=%s\n",
                  m_deviceNumber, m_deviceNumber, m_deviceNumber, m_deviceNumber, m_deviceNumber,
                  Descriptors);
    {
        std::lock_guard lock(m_mutex);
        m_removed = false;
    }
    umockdev_testbed_add_from_string(m_testbed, record, nullptr);
    m_plugged = true;
    setNodeMode(m_nodeMode);
}

void EmulatedUsbDevice::change()
{
    umockdev_testbed_uevent(m_testbed, m_sysPath.c_str(), "change");
}

void EmulatedUsbDevice::setNodeMode(unsigned mode)
{
    m_nodeMode = mode;
    if (!m_plugged)
        return;
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    const std::string node = std::string(root) + m_devNode;
    g_free(root);
    chmod(node.c_str(), mode);
}

void EmulatedUsbDevice::setHeldByAnotherProgram(bool held)
{
    std::lock_guard lock(m_mutex);
    m_heldByAnotherProgram = held;
}

void EmulatedUsbDevice::unplug()
{
    {
        std::lock_guard lock(m_mutex);
        m_removed = true;
        for (UMockdevIoctlData* data : m_pending) {
            urbOf(data)->status = -ESHUTDOWN;
            urbOf(data)->actual_length = 0;
            m_ready.push_back(data);
        }
        m_pending.clear();
    }
    umockdev_testbed_uevent(m_testbed, m_sysPath.c_str(), "remove");
    umockdev_testbed_remove_device(m_testbed, m_sysPath.c_str());
    m_plugged = false;
}

void EmulatedUsbDevice::setReply(uint32_t command, std::vector<uint8_t> reply)
{
    std::lock_guard lock(m_mutex);
    m_replies[command] = std::move(reply);
}

std::vector<std::vector<uint8_t>> EmulatedUsbDevice::commandPackets() const
{
    std::lock_guard lock(m_mutex);
    return m_commandPackets;
}

bool EmulatedUsbDevice::wasOpened() const
{
    std::lock_guard lock(m_mutex);
    return m_opened;
}

int EmulatedUsbDevice::pendingReads() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_pending.size());
}

gboolean EmulatedUsbDevice::handleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                        gpointer self)
{
    return static_cast<EmulatedUsbDevice*>(self)->handle(client);
}

gboolean EmulatedUsbDevice::handle(UMockdevIoctlClient* client)
{
    std::lock_guard lock(m_mutex);
    const gulong request = umockdev_ioctl_client_get_request(client);
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                                              0, sizeof(guint32), nullptr);
        *reinterpret_cast<guint32*>(data->data) =
            USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
            USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        umockdev_ioctl_data_unref(data);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_CLAIMINTERFACE:
        if (m_removed || m_heldByAnotherProgram) {
            umockdev_ioctl_client_complete(client, -1, m_removed ? ENODEV : EBUSY);
            return TRUE;
        }
        m_opened = true;
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_SUBMITURB:
        submit(client);
        return TRUE;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client);
        return TRUE;
    case USBDEVFS_DISCARDURB:
        discard(client);
        return TRUE;
    default:
        return FALSE;
    }
}

void EmulatedUsbDevice::submit(UMockdevIoctlClient* client)
{
    if (m_removed) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                                             0, sizeof(usbdevfs_urb), nullptr);
    usbdevfs_urb* urb = urbOf(urbData);
    UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
        urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
    urb->status = 0;
    if (!(urb->endpoint & 0x80)) {
        std::vector<uint8_t> packet(buffer->data, buffer->data + urb->buffer_length);
        if (packet.size() >= 4)
            m_lastCommand = uint32_t(packet[0]) | uint32_t(packet[1]) << 8 |
                            uint32_t(packet[2]) << 16 | uint32_t(packet[3]) << 24;
        m_commandPackets.push_back(std::move(packet));
        urb->actual_length = urb->buffer_length;
        m_ready.push_back(urbData);
    } else {
        const auto reply = m_replies.find(m_lastCommand);
        if (reply == m_replies.end()) {
            m_pending.push_back(urbData);
        } else {
            const int length = std::min<int>(urb->buffer_length, int(reply->second.size()));
            std::memcpy(buffer->data, reply->second.data(), std::size_t(length));
            urb->actual_length = length;
            m_ready.push_back(urbData);
        }
        m_lastCommand = 0;
    }
    umockdev_ioctl_data_unref(buffer);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedUsbDevice::reap(UMockdevIoctlClient* client)
{
    if (m_ready.empty()) {
        umockdev_ioctl_client_complete(client, -1, m_removed ? ENODEV : EAGAIN);
        return;
    }
    UMockdevIoctlData* urbData = m_ready.front();
    m_ready.erase(m_ready.begin());
    UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                                             0, sizeof(gpointer), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, urbData);
    umockdev_ioctl_client_complete(client, 0, 0);
    umockdev_ioctl_data_unref(pointer);
    umockdev_ioctl_data_unref(urbData);
}

void EmulatedUsbDevice::discard(UMockdevIoctlClient* client)
{
    const gulong address = reinterpret_cast<gulong>(
        *reinterpret_cast<void**>(umockdev_ioctl_client_get_arg(client)->data));
    const auto it = std::find_if(m_pending.begin(), m_pending.end(),
                                 [&](UMockdevIoctlData* d) { return d->client_addr == address; });
    if (it == m_pending.end()) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    urbOf(*it)->status = -ENOENT;
    urbOf(*it)->actual_length = 0;
    m_ready.push_back(*it);
    m_pending.erase(it);
    umockdev_ioctl_client_complete(client, 0, 0);
}
