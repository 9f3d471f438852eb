#pragma once

#include <QProcess>
#include <QStringList>

namespace dq::test {

// One run of the built dirquill-cli. exitCode stays -1 when it crashed or did not finish in time.
struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

inline CliRun runCli(const QStringList &args, int timeoutMs = 120000)
{
    QProcess p;
    p.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"), args);
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("dirquill-cli did not finish");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// "grab --engine demo-page" as an argument list, split at sep.
inline QStringList args(const QString &line, QChar sep = u' ')
{
    return line.split(sep, Qt::SkipEmptyParts);
}

} // namespace dq::test
