#include "cli/clicommand.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/extractor.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/pagefetcher.h"
#include "core/shell/regularfile.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

namespace {

class TestRulesCommand : public dq::cli::CliCommand
{
public:
    TestRulesCommand()
        : CliCommand(QStringLiteral("test-rules"),
            QStringLiteral("show the rows a key file cuts out of one saved page"),
            QStringLiteral(
                "Usage: dirquill-cli test-rules --key FILE --page FILE [--url URL]\n"
                "Cuts the listings out of one saved result page with a key file and prints them as comma text\n"
                "(titles first), then the next page's address on standard error. URL is the address the page\n"
                "was saved from; the next-page rules build on it as on the first page of a grab.\n"
                "Exit status 0 when the page passes the key file's page check, 1 when it does not or a file\n"
                "cannot be read, 2 on bad use."))
    {
    }

protected:
    QList<QCommandLineOption> options() const override { return { m_key, m_page, m_url }; }

    int run(const QCommandLineParser &parser) override
    {
        if (!parser.positionalArguments().isEmpty())
            return usageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
        if (!parser.isSet(m_key) || !parser.isSet(m_page))
            return usageError(QStringLiteral("--key and --page are needed"));
        dq::GridModel keyTable;
        if (const dq::FileResult r = dq::GridFile::load(keyTable, parser.value(m_key), dq::FileKind::Native); !r)
            return failure(r.errorString);
        // A saved page gets the same size cap as a fetched one.
        const dq::RegularFile::Bytes page
            = dq::RegularFile::read(parser.value(m_page), dq::PageFetcher::kDefaultMaxBytes);
        if (!page.ok)
            return failure(page.errorString);
        const QString text = dq::PageFetcher::decode(page.bytes, QByteArray());
        const dq::KeyRules rules = dq::KeyRules::fromGrid(keyTable);

        // The address as the fetch would have left it for the next-page rules.
        dq::Extractor::RunState state;
        const auto mode = rules.fetchMode.isEmpty() ? dq::PageFetcher::Mode::HttpGet : dq::PageFetcher::Mode::UrlOpen;
        const QUrl asked = dq::PageFetcher::requestUrl(parser.value(m_url), mode, &state.address);
        if (asked.isValid())
            state.scheme = asked.scheme();
        const dq::Extractor::PageResult result = dq::Extractor::extractPage(rules, text, state);
        if (const int code = writeRows(rules, result))
            return code;

        if (!result.accepted) {
            err() << "The page does not contain the page check marker '" << rules.pageCheck << "'" << Qt::endl;
            return Failure;
        }
        err() << result.rows.size() << " listings\n";
        if (result.oversized > 0)
            err() << result.oversized << " listings skipped: the rules grow them past "
                  << dq::Extractor::kMaxListingSize << " characters\n";
        if (result.end == dq::Extractor::End::NoNextAddress)
            err() << "Next address: none (\"" << result.nextAddress << "\" is shorter than "
                  << dq::Extractor::kMinNextAddress << " characters)" << Qt::endl;
        else
            err() << "Next address: " << state.address << Qt::endl;
        return Success;
    }

private:
    // The rows as comma text on stdout, under the key file's titles.
    int writeRows(const dq::KeyRules &rules, const dq::Extractor::PageResult &result) const
    {
        dq::GridModel table;
        table.setCols(13);
        table.setRows(1);
        for (const auto &[column, title] : rules.titles)
            table.setText(0, column, title);
        table.appendRows(result.rows);
        QFile stdOut;
        if (!stdOut.open(stdout, QIODevice::WriteOnly))
            return failure(QStringLiteral("cannot write to standard output"));
        if (const dq::FileResult r
            = dq::GridFile::write(table, stdOut, dq::FileKind::Comma, QStringLiteral("standard output"));
            !r)
            return failure(r.errorString);
        stdOut.flush();
        return Success;
    }

    const QCommandLineOption m_key { QStringLiteral("key"), QString(), QStringLiteral("FILE") };
    const QCommandLineOption m_page { QStringLiteral("page"), QString(), QStringLiteral("FILE") };
    const QCommandLineOption m_url { QStringLiteral("url"), QString(), QStringLiteral("URL") };
};

const dq::cli::CliCommand::Registration<TestRulesCommand> registration;

} // namespace
