#pragma once

#include "core/contact/serialline.h"

#include <QSerialPort>

namespace dq {

// A SerialLine over a real serial port (or a pseudo-terminal), 9600 8N1, no flow control.
class SerialPortLine : public SerialLine
{
    Q_OBJECT

public:
    explicit SerialPortLine(QObject *parent = nullptr);
    ~SerialPortLine() override;

    bool open(const QString &location) override;
    void close() override;
    bool isOpen() const override;
    void clearInput() override;
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;
    QString errorString() const override;

private:
    QSerialPort m_port;
    QString m_error;
};

} // namespace dq
