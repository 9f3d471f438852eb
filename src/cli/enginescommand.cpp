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
                           "(marked \"(missing)\" when it cannot be found) and start page, tab-separated.\n"
                           "  --sites FILE  the site list to read, with its key files beside it (default: the\n"
                           "                user's stpl00.bin, else the shipped one; key files likewise)"))
    {
    }

protected:
    QList<QCommandLineOption> options() const override { return { m_sites }; }

    int run(const QCommandLineParser &parser) override
    {
        if (!parser.positionalArguments().isEmpty())
            return usageError(QStringLiteral("unexpected arguments"));
        const QString path = parser.isSet(m_sites) ? parser.value(m_sites) : dq::dataFile(dq::SiteList::fileName());
        dq::GridModel grid;
        if (const dq::FileResult loaded = dq::GridFile::load(grid, path, dq::FileKind::Native); !loaded)
            return failure(loaded.errorString);
        dq::colYPs engines;
        dq::SiteList::fill(grid, engines);
        // A named site list has its key files beside it; the default one takes each key
        // file from the user's data folder first, as the program does.
        const QString folder = QFileInfo(path).absolutePath() + QLatin1Char('/');
        const auto keyPath
            = [&](const QString &name) { return parser.isSet(m_sites) ? folder + name : dq::dataFile(name); };
        QTextStream out(stdout);
        int position = 0;
        for (const dq::objYP &yp : engines) {
            const bool present
                = dq::SiteList::isSafeKeyFileName(yp.FileName) && QFileInfo(keyPath(yp.FileName)).isFile();
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
