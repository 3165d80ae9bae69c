#include "tests/support/FailDevice.h"

FailDevice::FailDevice(qint64 limit, QObject* parent) : QBuffer(parent), m_limit(limit) {}

qint64 FailDevice::writeData(const char* data, qint64 len)
{
    const qint64 room = m_limit - size();
    if (room <= 0) {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }
    return QBuffer::writeData(data, qMin(len, room));
}
