#include "DeviceSession.h"

#include "CtlErrors.h"
#include "DemoInstrument.h"
#include "SimulatedInstrument.h"
#include "USB.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

DeviceSession::DeviceSession(bool demo)
{
    if (demo)
        USBSetDriverLayer(makeDemoInstrument());
    const bool opened = USBInit() == 0;
    // The hot-plug arrival of a device already plugged in comes shortly after the start.
    QDeadlineTimer deadline(1000);
    while (opened && !USBDeviceConnected() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    if (!USBDeviceConnected()) {
        USBDone();
        throw CtlError(QStringLiteral("Прибор не подключен!"));
    }
}

DeviceSession::~DeviceSession()
{
    USBDone();
}
