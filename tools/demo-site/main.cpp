// dirquill-demo-site: a made-up business directory on the loopback address, for
// demonstrations, tests and benchmarks of the grabber.

#include "demoserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dirquill-demo-site"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a made-up business directory on http://127.0.0.1:PORT/ with result pages in five paging "
                       "styles and fault switches; the home page lists both."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Port to listen on (0 picks a free one)."), QStringLiteral("N"), QStringLiteral("8765"));
    const QCommandLineOption listingsOption(QStringLiteral("listings"), QStringLiteral("Listings for every search."),
        QStringLiteral("N"), QStringLiteral("250"));
    const QCommandLineOption perPageOption(QStringLiteral("per-page"), QStringLiteral("Listings on one result page."),
        QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("Do not print a line per request."));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
        QStringLiteral("Seed of the made-up businesses; another seed gives another directory."), QStringLiteral("N"),
        QStringLiteral("1"));
    parser.addOptions({ portOption, listingsOption, perPageOption, seedOption, quietOption });
    parser.process(app);

    QTextStream err(stderr);
    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        err << "dirquill-demo-site: --port needs a number from 0 to 65535" << Qt::endl;
        return 2;
    }
    const int listings = parser.value(listingsOption).toInt(&ok);
    if (!ok || listings < 0 || listings > 10000000) {
        err << "dirquill-demo-site: --listings needs a number from 0 to 10000000" << Qt::endl;
        return 2;
    }
    const int perPage = parser.value(perPageOption).toInt(&ok);
    if (!ok || perPage < 1 || perPage > 1000) {
        err << "dirquill-demo-site: --per-page needs a number from 1 to 1000" << Qt::endl;
        return 2;
    }

    const quint64 seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok) {
        err << "dirquill-demo-site: --seed needs a whole number" << Qt::endl;
        return 2;
    }

    dq::demo::DemoServer server({ listings, perPage, seed }, parser.isSet(quietOption));
    if (!server.listen(quint16(port))) {
        err << "dirquill-demo-site: cannot listen on 127.0.0.1:" << port << ": " << server.errorString() << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "listening on http://127.0.0.1:" << server.port() << '/' << Qt::endl;
    return app.exec();
}
