#pragma once

#include <umockdev.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// One instrument emulated at the usbfs level by umockdev, for the test of the real libusb
// layer. Bulk OUT URBs are taken as commands; the next bulk IN URB is answered with the
// reply set for that command, or stays pending (so that it times out or is cut off by an
// unplug) when there is none.
class EmulatedUsbDevice
{
public:
    EmulatedUsbDevice(UMockdevTestbed* testbed, int deviceNumber);
    ~EmulatedUsbDevice();

    void plug();
    // Sends the removal uevent, fails pending URBs as a vanished device does, then removes
    // the device from the testbed.
    void unplug();

    // Sends a udev "change" event, as `udevadm trigger` does after a rule was added.
    void change();

    // The mode of the device node from the next plug() on, or at once while plugged in;
    // 0666 (as the program's udev rule makes it) unless set. UsbNodeAccessShim makes the
    // test process open nodes as a user who is neither their owner nor in their group.
    // The node appears with the mode that the process's umask leaves and takes this mode
    // just after its arrival is announced: set a restricting mode before the link opens.
    void setNodeMode(unsigned mode);

    // While held, claiming the interface fails with EBUSY, as the kernel answers when
    // another program has claimed it.
    void setHeldByAnotherProgram(bool held);

    void setReply(uint32_t command, std::vector<uint8_t> reply);

    std::vector<std::vector<uint8_t>> commandPackets() const;
    bool wasOpened() const;
    int pendingReads() const;

private:
    static gboolean handleIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                gpointer self);
    gboolean handle(UMockdevIoctlClient* client);
    void submit(UMockdevIoctlClient* client);
    void reap(UMockdevIoctlClient* client);
    void discard(UMockdevIoctlClient* client);

    UMockdevTestbed* m_testbed;
    UMockdevIoctlBase* m_handler;
    int m_deviceNumber;
    std::string m_sysPath;
    std::string m_devNode;
    bool m_plugged = false;
    bool m_attached = false;

    mutable std::mutex m_mutex;
    bool m_removed = false;
    bool m_opened = false;
    bool m_heldByAnotherProgram = false;
    unsigned m_nodeMode = 0666;
    std::map<uint32_t, std::vector<uint8_t>> m_replies;
    std::vector<std::vector<uint8_t>> m_commandPackets;
    uint32_t m_lastCommand = 0;
    std::vector<UMockdevIoctlData*> m_ready;   // completed URBs waiting to be reaped
    std::vector<UMockdevIoctlData*> m_pending; // IN URBs without an answer yet
};
