#include "core/contact/modemdialer.h"

#include "core/contact/serialline.h"
#include "core/shell/settings.h"
#include "core/shell/userprompts.h"

#include <QPointer>

namespace dq {

namespace {

const QString kMessageTitle = QStringLiteral("Dirquill");
const QString kPickUp = QStringLiteral("Pick up the phone and either press Enter or click OK");

} // namespace

ModemDialer::ModemDialer(SerialLine &line, UserPrompts &prompts, QObject *parent)
    : QObject(parent)
    , m_line(line)
    , m_prompts(prompts)
{
    connect(&m_line, &SerialLine::readyRead, this, &ModemDialer::onReadyRead);
}

ModemDialer::~ModemDialer()
{
    if (m_state != State::Idle && m_line.isOpen()) {
        m_line.write(hangUpCommand());
        m_line.close();
    }
}

ModemDialer::Port ModemDialer::portFor(const QString &portText)
{
    const QString text = portText.trimmed();
    if (text.contains(QLatin1Char('/')))
        return { text, text, {} };

    QString digits = text;
    if (digits.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        digits = digits.mid(3);
    const int n = Settings::toInt(digits);
    const QString label = QString::number(n);
    if (n < 1)
        return { {}, label, QStringLiteral("Enter a port number from 1 up, or a device path such as /dev/ttyUSB0.") };
#ifdef Q_OS_WIN
    return { QStringLiteral("COM") + label, label, {} };
#else
    return { QStringLiteral("/dev/ttyS") + QString::number(n - 1), label, {} };
#endif
}

QString ModemDialer::unavailableMessage(const Port &port, const QString &reason)
{
    QString text = QStringLiteral("COM") + port.label
        + QStringLiteral(": not available. Change the CommPort property to another port.");
    // A port number alone does not say which device was tried on this system.
    if (!port.location.isEmpty() && port.location != port.label)
        text += QStringLiteral("\nDevice tried: ") + port.location;
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    return text;
}

QByteArray ModemDialer::dialCommand(const QString &number)
{
    // The number goes out as typed; what the modem cannot dial is the modem's to reject.
    return "ATDT" + number.toLatin1() + ";\r";
}

QByteArray ModemDialer::hangUpCommand()
{
    return QByteArrayLiteral("ATH\r");
}

bool ModemDialer::isDialing() const
{
    return m_state != State::Idle;
}

void ModemDialer::dial(const QString &number, const QString &portText)
{
    if (m_state != State::Idle)
        return;
    if (number.isEmpty()) {
        emit finished(Outcome::NothingToDial);
        return;
    }
    m_state = State::Dialing;
    emit dialingChanged(true);
    setStatus(QStringLiteral("Dialing - ") + number);

    const Port port = portFor(portText);
    if (port.location.isEmpty() || !m_line.open(port.location)) {
        const QString reason = port.location.isEmpty() ? port.problem : m_line.errorString();
        QPointer<ModemDialer> alive(this);
        m_prompts.message(
            kMessageTitle, unavailableMessage(port, reason), UserPrompts::Icon::None, UserPrompts::Buttons::Ok);
        if (!alive)
            return;
        setStatus(QStringLiteral("COM") + port.label + QStringLiteral(": not available"));
        emit portUnavailable();
        finish(Outcome::PortUnavailable, false);
        return;
    }
    m_reply.clear();
    m_line.clearInput();
    m_line.write(dialCommand(number));
}

void ModemDialer::cancel()
{
    if (m_state != State::Dialing)
        return;
    setStatus(QStringLiteral("Cancel"));
    finish(Outcome::Cancelled, true);
}

void ModemDialer::hangUp()
{
    if (m_state == State::Dialing) {
        cancel();
        return;
    }
    if (m_state == State::Idle && m_line.isOpen()) {
        m_line.write(hangUpCommand());
        m_line.close();
    }
}

void ModemDialer::onReadyRead()
{
    const QByteArray bytes = m_line.readAll();
    if (m_state != State::Dialing)
        return;
    m_reply += bytes;
    if (!m_reply.contains("OK")) {
        // Only the last byte can still become part of an "OK" split across two reads.
        m_reply = m_reply.right(1);
        setStatus(QStringLiteral("Dialing..."));
        return;
    }
    m_state = State::WaitingForPickup;
    emit modemAnswered();
    setStatus(QStringLiteral("Waiting for picking up the phone"));
    QPointer<ModemDialer> alive(this);
    m_prompts.message(kMessageTitle, kPickUp, UserPrompts::Icon::None, UserPrompts::Buttons::Ok);
    if (!alive)
        return;
    finish(Outcome::Answered, true);
}

void ModemDialer::setStatus(const QString &text)
{
    if (m_status == text)
        return;
    m_status = text;
    emit statusChanged(text);
}

void ModemDialer::finish(Outcome outcome, bool hangUpLine)
{
    if (hangUpLine) {
        m_line.write(hangUpCommand());
        m_line.close();
    }
    m_state = State::Idle;
    emit dialingChanged(false);
    emit finished(outcome);
}

} // namespace dq
