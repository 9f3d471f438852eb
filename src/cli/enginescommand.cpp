#include "cli/clicommand.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace {

class EnginesCommand : public dq::cli::CliCommand
{
public:
    EnginesCommand()
        : CliCommand(QStringLiteral("engines"), QStringLiteral("list the searching engines of a site list"),
            QStringLiteral("Usage: dirquill-cli engines [--sites FILE]\n"
                           "Lists the searching engines, the first being the default: position, name, key file\n"
                           "(marked \"(missing)\" when it is not beside the site list) and start page, tab-separated.\n"
                           "  --sites FILE  the site list to read (default: stpl00.bin beside the program)"))
    {
    }

protected:
    QList<QCommandLineOption> options() const override { return { m_sites }; }

    int run(const QCommandLineParser &parser) override
    {
        if (!parser.positionalArguments().isEmpty())
            return usageError(QStringLiteral("unexpected arguments"));
        const QString path
            = parser.isSet(m_sites) ? parser.value(m_sites) : dq::programFolder() + dq::SiteList::fileName();
        dq::GridModel grid;
        if (const dq::FileResult loaded = dq::GridFile::load(grid, path, dq::FileKind::Native); !loaded)
            return failure(loaded.errorString);
        dq::colYPs engines;
        dq::SiteList::fill(grid, engines);
        const QString folder = QFileInfo(path).absolutePath() + QLatin1Char('/');
        QTextStream out(stdout);
        int position = 0;
        for (const dq::objYP &yp : engines) {
            const bool present = QFileInfo(folder + yp.FileName).isFile();
            out << ++position << '\t' << yp.ListName << '\t' << yp.FileName << (present ? "" : " (missing)") << '\t'
                << yp.URL << '\n';
        }
        if (position == 0)
            err() << "dirquill-cli engines: " << path << " lists no engines" << Qt::endl;
        return Success;
    }

private:
    const QCommandLineOption m_sites { QStringLiteral("sites"), QString(), QStringLiteral("FILE") };
};

const dq::cli::CliCommand::Registration<EnginesCommand> registration;

} // namespace
