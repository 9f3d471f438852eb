#include "fuzztargets.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/extractor.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/pagefetcher.h"
#include "core/harvest/sitelist.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace dq::fuzz {

namespace {

QByteArray outcome(const FileResult &r)
{
    if (r)
        return QByteArrayLiteral("ok");
    // The reason without numbers and quoted names, so one kind of fault is one outcome.
    QByteArray out;
    for (const char c : r.errorString.toUtf8())
        if (!(c >= '0' && c <= '9'))
            out += c;
    return out;
}

FileResult load(GridModel &grid, const QByteArray &bytes, FileKind kind)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return GridFile::read(grid, buffer, kind, QStringLiteral("input"));
}

QByteArray save(const GridModel &grid, FileKind kind)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!GridFile::write(grid, buffer, kind, QStringLiteral("output")))
        std::abort();
    return buffer.data();
}

// A file that loads must save, and what it saves must read back and save the same again.
QByteArray roundTrip(const QByteArray &input, FileKind kind)
{
    GridModel grid;
    const FileResult r = load(grid, input, kind);
    if (!r)
        return outcome(r);
    const QByteArray first = save(grid, kind);
    GridModel again;
    if (!load(again, first, kind)) {
        std::fprintf(stderr, "a saved file does not load again\n");
        std::abort();
    }
    if (save(again, kind) != first) {
        std::fprintf(stderr, "a saved file changes when it is loaded and saved again\n");
        std::abort();
    }
    return QByteArrayLiteral("ok") + QByteArray::number(grid.rows() > 1) + QByteArray::number(grid.cols() > 1);
}

QByteArray extractWith(const KeyRules &rules, const QString &page)
{
    Extractor::RunState state;
    state.address = QStringLiteral("www.example.com/search?page=1&what=x");
    const Extractor::PageResult r = Extractor::extractPage(rules, page, state);
    return QByteArray::number(r.accepted) + QByteArray::number(int(r.end)) + QByteArray::number(r.rows.size() > 0)
        + QByteArray::number(r.oversized > 0);
}

QByteArrayList filesIn(const QString &data, const QString &name)
{
    QByteArrayList out;
    for (const QString &dir : QDir(data).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(data + u'/' + dir + u'/' + name);
        if (f.open(QIODevice::ReadOnly))
            out << f.readAll();
    }
    return out;
}

} // namespace

std::vector<Target> targets(const QString &data)
{
    const QByteArrayList pages = filesIn(data, QStringLiteral("page.html"));
    std::vector<KeyRules> keys;
    for (const QByteArray &bytes : filesIn(data, QStringLiteral("rules.key"))) {
        GridModel grid;
        if (load(grid, bytes, FileKind::Native))
            keys.push_back(KeyRules::fromGrid(grid));
    }
    const QByteArrayList jsonTokens = { "{", "}", "[", "]", "\"", ",", ":", "\\u", "\\ud800", "\\udc00", "\\ufeff",
        "\xEF\xBB\xBF", "\"formats\"", "\"cells\"", "\"col\"", "\"rows\"", "\"cols\"", "\"fixedRows\"", "\"height\"",
        "\"picture\"", "\"bold\":true", "2147483647", "-1", "1e308", "16383", "null", "\n", "\"dirquill-grid\"" };
    const QByteArrayList textTokens = { "\"", "\"\"", ",", "\t", "\r\n", "\n", "\r", "\xEF\xBB\xBF", "\xC3\xA9", "\xE9",
        "\xF0\x9F\x98\x80", "\xED\xA0\x80" };
    const QByteArrayList pageTokens = { "<li>", "</li>", "<ul>", "</ul>", "&amp;", "<a href=\"", "\">", "|", "http://",
        "https://", "file://", "charset=", "<meta charset=\"windows-1252\">", "\xEF\xBB\xBF" };
    return {
        { QStringLiteral("native"), jsonTokens,
            [](const QByteArray &in) -> QByteArray { return roundTrip(in, FileKind::Native); } },
        { QStringLiteral("delimited"), textTokens,
            [](const QByteArray &in) -> QByteArray {
                return roundTrip(in, FileKind::Comma) + roundTrip(in, FileKind::Tab);
            } },
        { QStringLiteral("keyfile"), jsonTokens,
            [pages](const QByteArray &in) -> QByteArray {
                GridModel grid;
                const FileResult r = load(grid, in, FileKind::Native);
                if (!r)
                    return outcome(r);
                const KeyRules rules = KeyRules::fromGrid(grid);
                colYPs engines;
                SiteList::fill(grid, engines);
                QByteArray out = "ok";
                for (const QByteArray &page : pages)
                    out += extractWith(rules, PageFetcher::decode(page, QByteArray()));
                return out;
            } },
        { QStringLiteral("extractor"), pageTokens,
            [keys](const QByteArray &in) -> QByteArray {
                const QString page = PageFetcher::decode(in, QByteArray());
                QByteArray out;
                for (const KeyRules &rules : keys)
                    out += extractWith(rules, page);
                return out;
            } },
    };
}

} // namespace dq::fuzz
