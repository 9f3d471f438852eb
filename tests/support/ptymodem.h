#pragma once

// A scripted modem on the far end of a real pseudo-terminal pair: the program under test opens
// path() as its serial port; the test reads what arrived in received() and answers with send().
// The slave stays open here too, so the master sees no hang-up when the program closes the port.

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>

#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace dq::test {

class PtyModem
{
public:
    PtyModem()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        termios tio {};
        if (::tcgetattr(m_slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slave, TCSANOW, &tio);
        }
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_path = QString::fromLocal8Bit(name);
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char buf[512];
            for (ssize_t n; (n = ::read(m_master, buf, sizeof buf)) > 0;)
                m_received.append(buf, qsizetype(n));
        });
    }
    ~PtyModem()
    {
        m_notifier.reset();
        for (int fd : { m_master, m_slave })
            if (fd >= 0)
                ::close(fd);
    }
    PtyModem(const PtyModem &) = delete;
    PtyModem &operator=(const PtyModem &) = delete;

    bool isValid() const { return m_master >= 0 && !m_path.isEmpty(); }
    QString path() const { return m_path; }
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    bool send(const QByteArray &bytes)
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QByteArray m_received;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace dq::test
