#include "device/NoDeviceMessage.h"

#include "device/USB.h"
#include "device/UsbStatus.h"

QString deviceNotOpenedMessage()
{
    const uint32_t failure = usbOpenFailure();
    switch (failure) {
    case UsbStatus::Ok:
        return {};
    case UsbStatus::Busy:
        return QStringLiteral("Прибор подключен, но занят другой программой.");
    case UsbStatus::Access:
        return QStringLiteral("Прибор подключен, но нет прав доступа к нему. Установите пакет "
                              "программы или переподключите прибор.");
    default:
        return QStringLiteral("Прибор подключен, но открыть его не удалось, код ошибки %1.")
            .arg(QString::number(failure, 16).rightJustified(8, u'0').toUpper());
    }
}

QString noDeviceMessage()
{
    if (usbInitFailure() != UsbStatus::Ok)
        return QStringLiteral("Подсистема USB недоступна, связь с прибором невозможна.");
    const QString notOpened = deviceNotOpenedMessage();
    return notOpened.isEmpty() ? QStringLiteral("Прибор не подключен!") : notOpened;
}
