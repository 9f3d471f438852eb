#include "fuzztargets.h"

#include "core/grid/delimitedgridformat.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridstore.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/extractor.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/pagefetcher.h"
#include "core/harvest/sitelist.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// A workbook around the parts an input gives: the sheet, then after a "--strings--" line the
// shared strings and after a "--styles--" line the styles, so mutations reach the XML rather
// than breaking the archive. An input that is a zip already is read as it is.
QByteArray workbookFrom(const QByteArray &input)
{
    if (input.startsWith("PK"))
        return input;
    QByteArray sheet = input, strings, styles;
    const auto cut = [](QByteArray &from, const char *marker, QByteArray &rest) {
        const qsizetype at = from.indexOf(marker);
        if (at >= 0) {
            rest = from.mid(at + qsizetype(std::strlen(marker)));
            from.truncate(at);
        }
    };
    cut(sheet, "\n--styles--\n", styles);
    cut(sheet, "\n--strings--\n", strings);
    const QByteArray rels = "<Relationships>"
                            "<Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                            "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                            "<Relationship Id=\"rId3\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>";
    const QByteArray book = "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                            "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    const std::pair<const char *, const QByteArray *> parts[] = { { "xl/workbook.xml", &book },
        { "xl/_rels/workbook.xml.rels", &rels }, { "xl/worksheets/sheet1.xml", &sheet },
        { "xl/sharedStrings.xml", &strings }, { "xl/styles.xml", &styles } };
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t *zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const auto &[name, data] : parts) {
        if (data->isEmpty() && data != &sheet)
            continue;
        zip_source_t *part = zip_source_buffer(zip, data->constData(), zip_uint64_t(data->size()), 0);
        const zip_int64_t index = zip_file_add(zip, name, part, ZIP_FL_OVERWRITE);
        zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    QByteArray out;
    if (zip_close(zip) == 0 && zip_source_open(buffer) == 0) {
        zip_stat_t st;
        zip_source_stat(buffer, &st);
        out.resize(qsizetype(st.size));
        zip_source_read(buffer, out.data(), st.size);
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    if (out.isEmpty()) {
        std::fprintf(stderr, "the workbook around an input cannot be made\n");
        std::abort();
    }
    return out;
}

// A workbook that loads must save, and read back with the same texts and column shape (rows
// left empty at the end are not written, so they are not compared).
QByteArray workbookRoundTrip(const QByteArray &input)
{
    GridModel grid;
    const FileResult r = load(grid, workbookFrom(input), FileKind::Excel);
    if (!r)
        return outcome(r);
    GridModel again;
    if (!load(again, save(grid, FileKind::Excel), FileKind::Excel)) {
        std::fprintf(stderr, "a saved workbook does not load again\n");
        std::abort();
    }
    const auto lastFilledRow = [](const GridModel &g) {
        int last = g.rows() - 1;
        while (last > 0 && g.rowTexts(last).join(QString()).isEmpty())
            --last;
        return last;
    };
    bool same = lastFilledRow(grid) == lastFilledRow(again) && grid.cols() == again.cols();
    for (int row = 0; same && row <= lastFilledRow(grid); ++row)
        same = grid.rowTexts(row) == again.rowTexts(row);
    for (int c = 0; same && c < grid.cols(); ++c)
        same = grid.columnWidth(c) == again.columnWidth(c) && grid.columnHidden(c) == again.columnHidden(c);
    if (!same) {
        std::fprintf(stderr, "a saved workbook reads back different\n");
        std::abort();
    }
    return QByteArrayLiteral("ok") + QByteArray::number(grid.rows() > 1) + QByteArray::number(grid.cols() > 1);
}

// A text file read in small pieces on worker threads must read as it does in one pass.
void samePieceByPiece(const QByteArray &input, char separator)
{
    const auto read = [&](qint64 pieceBytes, GridStore &store) {
        QBuffer buffer;
        buffer.setData(input);
        buffer.open(QIODevice::ReadOnly);
        return DelimitedGridFormat::read(buffer, separator, QStringLiteral("input"), store, pieceBytes);
    };
    GridStore once;
    GridStore pieces;
    const FileResult a = read(0, once);
    // A few pieces, cut wherever the input's size puts the cuts.
    const FileResult b = read(input.size() / 3 + 1, pieces);
    bool same = a.ok == b.ok && a.errorString == b.errorString && once.colCount() == pieces.colCount()
        && once.rowCount() == pieces.rowCount();
    for (int r = 0; same && r < once.rowCount(); ++r)
        for (int c = 0; same && c < once.colCount(); ++c)
            same = once.rows[size_t(r)].cells.utf8(c) == pieces.rows[size_t(r)].cells.utf8(c);
    if (!same) {
        std::fprintf(stderr, "a text file reads differently in pieces\n");
        std::abort();
    }
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
    const QByteArrayList xmlTokens = { "<row>", "</row>", "<c r=\"B2\" t=\"s\"><v>0</v></c>", "<c t=\"inlineStr\">",
        "<is><t>", "</t></is></c>", "<v>", "</v>", "t=\"b\"", "t=\"str\"", "s=\"1\"", "r=\"XFD1048576\"", "<si><t>",
        "</t></si>", "<rPh>", "&amp;", "&#x1F600;", "&#0;", "<![CDATA[", "]]>", "_x000D_", "_xD800_", "<!--", "-->",
        "<col min=\"1\" max=\"3\" width=\"20\" hidden=\"1\"/>", "<!DOCTYPE", "xml:space=\"preserve\"", "\r\n",
        "\xEF\xBB\xBF", "\xC3\xA9", "\n--strings--\n", "\n--styles--\n",
        "<numFmt numFmtId=\"164\" formatCode=\"yyyy\"/>", "<xf numFmtId=\"14\"/>", "1e308", "-0", "2958465.9999" };
    const QByteArrayList pageTokens = { "<li>", "</li>", "<ul>", "</ul>", "&amp;", "<a href=\"", "\">", "|", "http://",
        "https://", "file://", "charset=", "<meta charset=\"windows-1252\">", "\xEF\xBB\xBF" };
    return {
        { QStringLiteral("native"), jsonTokens,
            [](const QByteArray &in) -> QByteArray { return roundTrip(in, FileKind::Native); } },
        { QStringLiteral("delimited"), textTokens,
            [](const QByteArray &in) -> QByteArray {
                samePieceByPiece(in, ',');
                return roundTrip(in, FileKind::Comma) + roundTrip(in, FileKind::Tab);
            } },
        { QStringLiteral("workbook"), xmlTokens, workbookRoundTrip },
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
