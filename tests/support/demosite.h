#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

namespace dq::test {

// The built dirquill-demo-site on a free loopback port, for tests that browse or grab it.
class DemoSite
{
public:
    ~DemoSite()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Starts the site and reads the port it took; an empty answer means it runs.
    QString start()
    {
        const QString program = QStringLiteral(DQ_BIN_DIR "/dirquill-demo-site");
        m_process.start(program, { QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet") });
        if (!m_process.waitForStarted())
            return QStringLiteral("cannot start ") + program + QStringLiteral(" (build it first)");
        const QDeadlineTimer deadline(10000);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(int(deadline.remainingTime()));
        const QString line = QString::fromUtf8(m_process.readLine());
        const QRegularExpressionMatch m
            = QRegularExpression(QStringLiteral("^listening on http://127\\.0\\.0\\.1:(\\d+)/")).match(line);
        if (!m.hasMatch())
            return QStringLiteral("unexpected first line: ") + line;
        m_port = m.captured(1).toInt();
        return QString();
    }

    int port() const { return m_port; }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_port); }

private:
    QProcess m_process;
    int m_port = 0;
};

} // namespace dq::test
