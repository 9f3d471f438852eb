#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QCommandLineParser;
class QTextStream;

namespace dq::cli {

// One sub-command of dirquill-cli: its name, a one-line summary for --help, the full usage text,
// the options it takes and what it does with them. Each command lives in its own file and registers
// itself with a static CliCommand::Registration<T>, so adding a command touches no other file.
//
// Every command reports the same way: bad use prints the reason and the usage text on stderr and
// exits with 2; a failure (a file that cannot be read or written, a page that cannot be fetched)
// prints the reason on stderr and exits with 1. Results go to stdout or the named output file.
class CliCommand
{
public:
    enum ExitCode {
        Success = 0,
        Failure = 1,
        BadUse = 2,
    };

    CliCommand(QString name, QString summary, QString usage);
    virtual ~CliCommand();
    CliCommand(const CliCommand &) = delete;
    CliCommand &operator=(const CliCommand &) = delete;

    const QString &name() const { return m_name; }
    const QString &summary() const { return m_summary; }
    const QString &usage() const { return m_usage; }
    // Commands that lay out text (PDF output) need fonts, hence a QGuiApplication; it runs
    // on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
    virtual bool needsGui() const { return false; }

    // Parses the arguments after the command's name with the command's options and runs it;
    // returns the process exit code.
    int execute(const QStringList &args);

    // Prints "dirquill-cli NAME: why" and the usage text; returns BadUse.
    int usageError(const QString &why) const;
    // Prints "dirquill-cli NAME: why"; returns Failure.
    int failure(const QString &why) const;

    static std::vector<std::unique_ptr<CliCommand>> &all();

    template <class Command> struct Registration
    {
        Registration() { all().push_back(std::make_unique<Command>()); }
    };

protected:
    virtual QList<QCommandLineOption> options() const { return {}; }
    // Runs once the parser accepted the options; positional arguments are the command's to check.
    virtual int run(const QCommandLineParser &parser) = 0;
    // The one stream for messages and progress on stderr, so they keep their order.
    static QTextStream &err();

private:
    QString m_name;
    QString m_summary;
    QString m_usage;
};

} // namespace dq::cli
