#include "ctl/DeviceSession.h"

#include "ctl/CtlErrors.h"
#include "device/NoDeviceMessage.h"
#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "device/demo/DemoInstrument.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

DeviceSession::DeviceSession(bool demo)
{
    if (demo)
        usbSetDriverLayer(makeDemoInstrument());
    const bool opened = USBInit() == 0;
    // The hot-plug arrival of a device already plugged in comes shortly after the start.
    QDeadlineTimer deadline(1000);
    // A device that is plugged in but cannot be opened is known at once: no waiting then.
    while (opened && !USBDeviceConnected() && usbOpenFailure() == 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    if (!USBDeviceConnected()) {
        const QString message = noDeviceMessage();
        USBDone();
        throw CtlError(message);
    }
}

DeviceSession::~DeviceSession()
{
    USBDone();
}
