#pragma once

#include <QBuffer>

// A buffer that accepts the first `limit` bytes and then refuses every write,
// standing in for a full disk or a removed stick.
class FailDevice : public QBuffer
{
    Q_OBJECT
public:
    explicit FailDevice(qint64 limit, QObject* parent = nullptr);

protected:
    qint64 writeData(const char* data, qint64 len) override;

private:
    qint64 m_limit;
};
