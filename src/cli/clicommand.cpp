#include "cli/clicommand.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace dq::cli {

CliCommand::CliCommand(QString name, QString summary, QString usage)
    : m_name(std::move(name))
    , m_summary(std::move(summary))
    , m_usage(std::move(usage))
{
}

CliCommand::~CliCommand() = default;

std::vector<std::unique_ptr<CliCommand>> &CliCommand::all()
{
    static std::vector<std::unique_ptr<CliCommand>> commands;
    return commands;
}

int CliCommand::execute(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addOptions(options());
    if (!parser.parse(QStringList { m_name } + args))
        return usageError(parser.errorText());
    return run(parser);
}

int CliCommand::usageError(const QString &why) const
{
    err() << "dirquill-cli " << m_name << ": " << why << "\n\n" << m_usage << Qt::endl;
    return BadUse;
}

int CliCommand::failure(const QString &why) const
{
    err() << "dirquill-cli " << m_name << ": " << why << Qt::endl;
    return Failure;
}

QTextStream &CliCommand::err()
{
    static QTextStream stream(stderr);
    return stream;
}

} // namespace dq::cli
