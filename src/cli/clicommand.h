#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace dq::cli {

// One sub-command of dirquill-cli. Each command lives in its own file and registers
// itself with a static CliCommand::Registration, so adding a command touches no other file.
struct CliCommand
{
    QString name;
    QString summary; // one line for --help
    QString usage; // full usage text for "dirquill-cli help NAME" and usage errors
    // Runs with the arguments after the command's name; returns the process exit code.
    // Errors go to stderr with the reason; results to stdout or the named output file.
    std::function<int(const QStringList &args)> run;
    // Commands that lay out text (PDF output) need fonts, hence a QGuiApplication; it runs
    // on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
    bool needsGui = false;

    static std::vector<CliCommand> &all();

    struct Registration
    {
        explicit Registration(CliCommand command) { all().push_back(std::move(command)); }
    };
};

} // namespace dq::cli
