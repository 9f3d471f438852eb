#include "cli/clicommand.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/extractor.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/pagefetcher.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

namespace {

const QString kUsage
    = QStringLiteral("Usage: dirquill-cli test-rules --key FILE --page FILE [--url URL]\n"
                     "Cuts the listings out of one saved result page with a key file and prints them as comma text\n"
                     "(titles first), then the next page's address on standard error. URL is the address the page\n"
                     "was saved from; the next-page rules build on it as on the first page of a grab.\n"
                     "Exit status 0 when the page passes the key file's page check, 1 when it does not or a file\n"
                     "cannot be read, 2 on bad use.");

int runTestRules(const QStringList &args)
{
    QTextStream err(stderr);
    QCommandLineParser p;
    const QCommandLineOption key(QStringLiteral("key"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption page(QStringLiteral("page"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption url(QStringLiteral("url"), QString(), QStringLiteral("URL"));
    p.addOptions({ key, page, url });
    if (!p.parse(QStringList { QStringLiteral("test-rules") } + args) || !p.positionalArguments().isEmpty()
        || !p.isSet(key) || !p.isSet(page)) {
        err << "dirquill-cli test-rules: "
            << (p.errorText().isEmpty() ? QStringLiteral("--key and --page are needed") : p.errorText()) << '\n'
            << kUsage << '\n';
        return 2;
    }
    dq::GridModel keyTable;
    if (const dq::FileResult r = dq::GridFile::load(keyTable, p.value(key), dq::FileKind::Native); !r) {
        err << "dirquill-cli test-rules: " << r.errorString << '\n';
        return 1;
    }
    QFile pageFile(p.value(page));
    if (!pageFile.open(QIODevice::ReadOnly)) {
        err << "dirquill-cli test-rules: cannot read " << p.value(page) << ": " << pageFile.errorString() << '\n';
        return 1;
    }
    const QString text = dq::PageFetcher::decode(pageFile.readAll(), QByteArray());
    const dq::KeyRules rules = dq::KeyRules::fromGrid(keyTable);

    // The address as the fetch would have left it for the next-page rules.
    dq::Extractor::RunState state;
    const auto mode = rules.fetchMode.isEmpty() ? dq::PageFetcher::Mode::HttpGet : dq::PageFetcher::Mode::UrlOpen;
    const QUrl asked = dq::PageFetcher::requestUrl(p.value(url), mode, &state.address);
    if (asked.isValid())
        state.scheme = asked.scheme();
    const dq::Extractor::PageResult result = dq::Extractor::extractPage(rules, text, state);

    dq::GridModel table;
    table.setCols(13);
    table.setRows(1);
    for (const auto &[column, title] : rules.titles)
        table.setText(0, column, title);
    table.appendRows(result.rows);
    QFile stdOut;
    if (!stdOut.open(stdout, QIODevice::WriteOnly)) {
        err << "dirquill-cli test-rules: cannot write to standard output\n";
        return 1;
    }
    if (const dq::FileResult r
        = dq::GridFile::write(table, stdOut, dq::FileKind::Comma, QStringLiteral("standard output"));
        !r) {
        err << "dirquill-cli test-rules: " << r.errorString << '\n';
        return 1;
    }
    stdOut.flush();
    if (!result.accepted) {
        err << "The page does not contain the page check marker '" << rules.pageCheck << "'\n";
        return 1;
    }
    err << result.rows.size() << " listings\n";
    if (result.end == dq::Extractor::End::NoNextAddress)
        err << "Next address: none (\"" << result.nextAddress << "\" is shorter than " << dq::Extractor::kMinNextAddress
            << " characters)\n";
    else
        err << "Next address: " << state.address << '\n';
    return 0;
}

const dq::cli::CliCommand::Registration registration({
    QStringLiteral("test-rules"),
    QStringLiteral("show the rows a key file cuts out of one saved page"),
    kUsage,
    runTestRules,
});

} // namespace
