#include "core/contact/serialportline.h"

namespace dq {

SerialPortLine::SerialPortLine(QObject *parent)
    : SerialLine(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
}

SerialPortLine::~SerialPortLine()
{
    close();
}

bool SerialPortLine::open(const QString &location)
{
    close();
    m_error.clear();
    m_port.setPortName(location);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = m_port.errorString();
        m_port.clearError();
        return false;
    }
    return true;
}

void SerialPortLine::close()
{
    if (!m_port.isOpen())
        return;
    // QSerialPort writes from an event-driven buffer; without this a command written just
    // before closing (the hang-up) would never reach the modem.
    m_port.flush();
    m_port.close();
}

bool SerialPortLine::isOpen() const
{
    return m_port.isOpen();
}

void SerialPortLine::clearInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll(); // bytes already taken into Qt's own buffer
}

bool SerialPortLine::write(const QByteArray &data)
{
    if (!m_port.isOpen())
        return false;
    const qint64 n = m_port.write(data);
    m_port.flush();
    if (n != data.size()) {
        m_error = m_port.errorString();
        return false;
    }
    return true;
}

QByteArray SerialPortLine::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

QString SerialPortLine::errorString() const
{
    return m_error;
}

} // namespace dq
