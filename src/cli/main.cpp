#include "cli/clicommand.h"

#ifdef DQ_CLI_BROWSER
#include "browser/webpagerenderer.h"
#endif

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <memory>

using dq::cli::CliCommand;

static void printHelp(QTextStream &out)
{
    out << "Usage: dirquill-cli COMMAND [ARGS...]\n"
        << "       dirquill-cli --help | --version | help COMMAND\n\nCommands:\n";
    std::vector<const CliCommand *> commands;
    for (const auto &c : CliCommand::all())
        commands.push_back(c.get());
    std::sort(commands.begin(), commands.end(), [](auto *a, auto *b) { return a->name() < b->name(); });
    for (const CliCommand *c : commands)
        out << "  " << c->name().leftJustified(12) << c->summary() << '\n';
}

int main(int argc, char *argv[])
{
    const char *commandName = argc > 1 && std::strcmp(argv[1], "help") != 0 ? argv[1] : "";
    bool needsGui = false;
    for (const auto &c : CliCommand::all())
        needsGui |= c->needsGui() && c->name() == QLatin1String(commandName);
    if (needsGui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef DQ_CLI_BROWSER
    // The browser engine shares its graphics contexts; it must be told before the application exists.
    if (needsGui) {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        dq::WebPageRenderer::prepareEngine();
    }
#endif
    std::unique_ptr<QCoreApplication> app(
        needsGui ? new QGuiApplication(argc, argv) : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("dirquill-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DQ_VERSION));
    QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);

    if (args.isEmpty() || args.first() == QStringLiteral("--help") || args.first() == QStringLiteral("-h")) {
        printHelp(args.isEmpty() ? err : out);
        return args.isEmpty() ? 2 : 0;
    }
    if (args.first() == QStringLiteral("--version")) {
        out << QStringLiteral(DQ_VERSION) << '\n';
        return 0;
    }
    const bool help = args.first() == QStringLiteral("help");
    if (help)
        args.removeFirst();
    const QString name = args.value(0);
    for (const auto &c : CliCommand::all()) {
        if (c->name() != name)
            continue;
        if (help || args.contains(QStringLiteral("--help"))) {
            out << c->usage() << '\n';
            return 0;
        }
        return c->execute(args.mid(1));
    }
    err << "dirquill-cli: unknown command '" << name << "'\n";
    printHelp(err);
    return 2;
}
