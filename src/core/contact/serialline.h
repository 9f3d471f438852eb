#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace dq {

// The modem's serial line as the dialer uses it. An implementation opens the port at
// 9600 baud, 8 data bits, no parity, 1 stop bit, and emits readyRead() whenever bytes
// have arrived; readAll() then returns everything received so far. Nothing blocks.
class SerialLine : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // location is a system port name or device path (see ModemDialer::portLocation).
    // Returns false, with errorString() saying why, when the port is missing or busy.
    virtual bool open(const QString &location) = 0;
    // Sends what is still queued as far as the line takes it, then closes. Safe when closed.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void clearInput() = 0;
    // Queues data for sending; false when the line is closed or refused the bytes.
    virtual bool write(const QByteArray &data) = 0;
    virtual QByteArray readAll() = 0;
    virtual QString errorString() const = 0;

signals:
    void readyRead();
};

} // namespace dq
