#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace dq {

class SerialLine;
class UserPrompts;

// One voice call through a modem: opens the port, sends the tone-dial command, waits for the
// modem's "OK" (which may arrive in pieces) or for cancel(), then hangs the modem up and closes
// the port so the handset keeps the line. Entirely event driven: dial() returns at once and
// finished() reports the end. There is no time limit; the user cancels a silent modem.
class ModemDialer : public QObject
{
    Q_OBJECT

public:
    enum class Outcome { NothingToDial, PortUnavailable, Answered, Cancelled };

    // Where a port field points: the system location to open, the text shown after "COM" in
    // messages, and why the field names no port when location is empty.
    struct Port
    {
        QString location;
        QString label;
        QString problem;
    };

    ModemDialer(SerialLine &line, UserPrompts &prompts, QObject *parent = nullptr);
    ~ModemDialer() override;

    // A port number n (optionally written "COMn") is the n-th serial port (on Linux
    // /dev/ttyS{n-1}); anything holding a "/" is a device path used as it stands.
    static Port portFor(const QString &portText);
    static QString unavailableMessage(const Port &port, const QString &reason);
    static QByteArray dialCommand(const QString &number);
    static QByteArray hangUpCommand();

    bool isDialing() const;
    QString status() const { return m_status; }

public slots:
    // Does nothing while a dial runs. An empty number dials nothing.
    void dial(const QString &number, const QString &portText);
    // Ends a running dial at once: hang-up sent, port closed, status "Cancel".
    void cancel();
    // For closing the dialog: cancels a running dial; otherwise sends a hang-up if the
    // port happens to be open. Failures are ignored.
    void hangUp();

signals:
    void statusChanged(const QString &text);
    void dialingChanged(bool dialing);
    void portUnavailable(); // after the message: the caller shows the port settings
    void modemAnswered(); // the moment to sound the beep
    void finished(dq::ModemDialer::Outcome outcome);

private:
    enum class State { Idle, Dialing, WaitingForPickup };

    void onReadyRead();
    void setStatus(const QString &text);
    void finish(Outcome outcome, bool hangUpLine);

    SerialLine &m_line;
    UserPrompts &m_prompts;
    State m_state = State::Idle;
    QByteArray m_reply;
    QString m_status;
};

} // namespace dq
