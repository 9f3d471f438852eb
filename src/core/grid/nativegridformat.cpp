#include "core/grid/nativegridformat.h"

#include "core/grid/bufferedwriter.h"
#include "core/grid/gridstore.h"
#include "core/grid/linereader.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringEncoder>

#include <QThread>

#include <atomic>
#include <cmath>
#include <deque>
#include <future>
#include <memory>
#include <string_view>
#include <system_error>

namespace dq {

namespace {

const QLatin1String kFormatTag("dirquill-grid");
constexpr int kVersion = 1;

QLatin1String typeName(DataType t)
{
    switch (t) {
    case DataType::Double:
        return QLatin1String("double");
    case DataType::Currency:
        return QLatin1String("currency");
    case DataType::Date:
        return QLatin1String("date");
    case DataType::Boolean:
        return QLatin1String("boolean");
    case DataType::String:
        break;
    }
    return QLatin1String("string");
}

bool typeFromName(const QString &name, DataType &out)
{
    static const DataType all[]
        = { DataType::String, DataType::Double, DataType::Currency, DataType::Date, DataType::Boolean };
    for (DataType t : all) {
        if (name == typeName(t)) {
            out = t;
            return true;
        }
    }
    return false;
}

bool alignmentFromCode(double code, bool allowDefault, Alignment &out)
{
    static const Alignment all[] = { Alignment::Default, Alignment::LeftCenter, Alignment::CenterCenter,
        Alignment::RightCenter, Alignment::General };
    for (Alignment a : all) {
        if (code == double(int(a)) && (allowDefault || a != Alignment::Default)) {
            out = a;
            return true;
        }
    }
    return false;
}

QString colorText(QRgb rgb)
{
    return QColor::fromRgba(rgb).name(qAlpha(rgb) == 255 ? QColor::HexRgb : QColor::HexArgb);
}

// Typed access to one JSON object's fields. The first wrong field is remembered as the
// error; absent fields leave the caller's default alone.
class Fields
{
public:
    Fields(const QJsonObject &object, QString where)
        : m_object(object)
        , m_where(std::move(where))
    {
    }

    bool ok() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    bool has(QLatin1String key) const { return m_object.contains(key); }

    void integer(QLatin1String key, qint64 min, qint64 max, int &out)
    {
        qint64 v = out;
        integer64(key, min, max, v);
        out = int(v);
    }

    void integer64(QLatin1String key, qint64 min, qint64 max, qint64 &out)
    {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined() || !ok())
            return;
        const double x = v.toDouble(std::nan(""));
        if (!v.isDouble() || std::isnan(x) || x != std::floor(x))
            return fail(QStringLiteral("\"%1\" is not a whole number").arg(key));
        if (x < double(min) || x > double(max))
            return fail(QStringLiteral("\"%1\" is %2, outside %3 to %4").arg(key).arg(x, 0, 'g', 15).arg(min).arg(max));
        out = qint64(x);
    }

    void boolean(QLatin1String key, bool &out)
    {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined() || !ok())
            return;
        if (!v.isBool())
            return fail(QStringLiteral("\"%1\" is not true or false").arg(key));
        out = v.toBool();
    }

    void text(QLatin1String key, QString &out)
    {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined() || !ok())
            return;
        if (!v.isString())
            return fail(QStringLiteral("\"%1\" is not text").arg(key));
        out = v.toString();
    }

    // Returns false if absent or wrong; an explicit null means "no colour" (valid=false).
    void color(QLatin1String key, bool &has, QRgb &out)
    {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined() || !ok())
            return;
        if (v.isNull()) {
            has = false;
            return;
        }
        const QColor c = v.isString() ? QColor::fromString(v.toString()) : QColor();
        if (!c.isValid() || !v.toString().startsWith(QLatin1Char('#')))
            return fail(QStringLiteral("\"%1\" is not a colour like \"#rrggbb\"").arg(key));
        has = true;
        out = c.rgba();
    }

    void alignment(QLatin1String key, bool allowDefault, Alignment &out)
    {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined() || !ok())
            return;
        if (!v.isDouble() || !alignmentFromCode(v.toDouble(), allowDefault, out))
            return fail(QStringLiteral("\"%1\" is not one of the alignment codes %2")
                            .arg(key, allowDefault ? QStringLiteral("0, 1, 4, 7, 9") : QStringLiteral("1, 4, 7, 9")));
    }

    void fail(const QString &what)
    {
        if (ok())
            m_error = m_where + what;
    }

private:
    const QJsonObject &m_object;
    QString m_where;
    QString m_error;
};

QString lineError(const QString &name, qint64 line, const QString &what)
{
    return QStringLiteral("\"%1\", line %2: %3").arg(name).arg(line).arg(what);
}

QString readColumn(const QJsonValue &value, int index, ColumnAttributes &attrs)
{
    if (!value.isObject())
        return QStringLiteral("column %1 is not an object").arg(index + 1);
    const QJsonObject o = value.toObject();
    Fields f(o, QStringLiteral("column %1: ").arg(index + 1));
    f.integer(QLatin1String("width"), 0, 1'000'000, attrs.width);
    f.alignment(QLatin1String("align"), false, attrs.alignment);
    if (f.ok() && f.has(QLatin1String("type"))) {
        QString name;
        f.text(QLatin1String("type"), name);
        if (f.ok() && !typeFromName(name, attrs.dataType))
            f.fail(QStringLiteral("\"type\" \"%1\" is not string, double, currency, date or boolean").arg(name));
    }
    f.text(QLatin1String("format"), attrs.format);
    f.boolean(QLatin1String("hidden"), attrs.hidden);
    f.text(QLatin1String("pickList"), attrs.pickList);
    return f.error();
}

QString readCellFormat(const QJsonObject &o, CellFormat &cf)
{
    Fields f(o, QString());
    f.boolean(QLatin1String("bold"), cf.bold);
    f.boolean(QLatin1String("italic"), cf.italic);
    f.boolean(QLatin1String("underline"), cf.underline);
    int size = cf.fontSize;
    f.integer(QLatin1String("fontSize"), 0, 255, size);
    cf.fontSize = quint8(size);
    f.color(QLatin1String("fore"), cf.hasFore, cf.fore);
    f.color(QLatin1String("back"), cf.hasBack, cf.back);
    f.alignment(QLatin1String("align"), true, cf.alignment);
    if (f.ok() && f.has(QLatin1String("check"))) {
        QString check;
        f.text(QLatin1String("check"), check);
        if (check == QLatin1String("checked"))
            cf.check = CheckBox::Checked;
        else if (check == QLatin1String("unchecked"))
            cf.check = CheckBox::Unchecked;
        else if (check == QLatin1String("none"))
            cf.check = CheckBox::None;
        else if (f.ok())
            f.fail(QStringLiteral("\"check\" is not \"checked\", \"unchecked\" or \"none\""));
    }
    f.text(QLatin1String("picture"), cf.picture);
    f.alignment(QLatin1String("pictureAlign"), true, cf.pictureAlignment);
    return f.error();
}

QJsonObject cellFormatObject(const CellFormat &cf)
{
    QJsonObject o;
    if (cf.bold)
        o.insert(QLatin1String("bold"), true);
    if (cf.italic)
        o.insert(QLatin1String("italic"), true);
    if (cf.underline)
        o.insert(QLatin1String("underline"), true);
    if (cf.fontSize)
        o.insert(QLatin1String("fontSize"), int(cf.fontSize));
    if (cf.hasFore)
        o.insert(QLatin1String("fore"), colorText(cf.fore));
    if (cf.hasBack)
        o.insert(QLatin1String("back"), colorText(cf.back));
    if (cf.alignment != Alignment::Default)
        o.insert(QLatin1String("align"), int(cf.alignment));
    if (cf.check != CheckBox::None)
        o.insert(QLatin1String("check"),
            cf.check == CheckBox::Checked ? QLatin1String("checked") : QLatin1String("unchecked"));
    if (!cf.picture.isEmpty())
        o.insert(QLatin1String("picture"), cf.picture);
    if (cf.pictureAlignment != Alignment::Default)
        o.insert(QLatin1String("pictureAlign"), int(cf.pictureAlignment));
    return o;
}

// Cell texts of a row line: every element must be text. The cells are encoded into one
// reused buffer, so a row costs one allocation for its compact block and nothing else.
QString readCells(const QJsonArray &array, int cols, GridRow &row)
{
    if (array.size() > cols)
        return QStringLiteral("the row has %1 cells but the grid has %2 columns").arg(array.size()).arg(cols);
    static thread_local QByteArray bytes;
    static thread_local std::vector<qsizetype> ends;
    static thread_local std::vector<QByteArrayView> views;
    QStringEncoder encoder(QStringEncoder::Utf8);
    const int n = int(array.size());
    ends.clear();
    qsizetype used = 0;
    for (int i = 0; i < n; ++i) {
        const QJsonValue v = array.at(i);
        if (!v.isString())
            return QStringLiteral("cell %1 is not text").arg(i + 1);
        const QString text = v.toString();
        const qsizetype need = used + encoder.requiredSpace(text.size());
        if (bytes.size() < need)
            bytes.resize(qMax(need, bytes.size() * 2));
        used = encoder.appendToBuffer(bytes.data() + used, text) - bytes.data();
        ends.push_back(used);
    }
    views.resize(size_t(n));
    qsizetype begin = 0;
    for (int i = 0; i < n; ++i) {
        views[size_t(i)] = QByteArrayView(bytes.constData() + begin, ends[size_t(i)] - begin);
        begin = ends[size_t(i)];
    }
    row.cells = RowCells::fromUtf8(views.data(), n);
    return {};
}

// Whether a row line may carry cell formats: an object line that names "formats". Such lines are
// counted against the formatted-cell limit as they are read, in file order, so the limit error
// names the line where it is crossed whatever the threads do.
bool mayCarryFormats(QByteArrayView line)
{
    const QByteArrayView t = line.trimmed();
    return t.startsWith('{')
        && std::string_view(t.data(), size_t(t.size())).find("\"formats\"") != std::string_view::npos;
}

QString readRowObject(
    const QJsonObject &o, int cols, GridRow &row, bool counted, std::atomic<qint64> &uncountedFormattedCells)
{
    const QJsonValue cells = o.value(QLatin1String("cells"));
    if (!cells.isUndefined()) {
        if (!cells.isArray())
            return QStringLiteral("\"cells\" is not an array");
        const QString error = readCells(cells.toArray(), cols, row);
        if (!error.isEmpty())
            return error;
    }
    Fields f(o, QString());
    f.integer(QLatin1String("height"), 0, 1'000'000, row.height);
    if (!f.ok())
        return f.error();
    const QJsonValue formats = o.value(QLatin1String("formats"));
    if (formats.isUndefined())
        return {};
    if (!formats.isArray())
        return QStringLiteral("\"formats\" is not an array");
    for (const QJsonValue &item : formats.toArray()) {
        if (!item.isObject())
            return QStringLiteral("a cell format is not an object");
        const QJsonObject fo = item.toObject();
        const QJsonValue col = fo.value(QLatin1String("col"));
        const double c = col.toDouble(-1);
        if (!col.isDouble() || c != std::floor(c) || c < 0 || c >= cols)
            return QStringLiteral("a cell format's \"col\" is not a column of the grid");
        if (!row.formats) {
            // A key spelled with escapes escaped the count in file order: such rows share a small
            // allowance of their own, counted before the allocation across every thread.
            if (!counted && uncountedFormattedCells.fetch_add(cols) + cols > NativeGridFormat::kFreeFormattedCells)
                return QStringLiteral("more than %1 cells lie in formatted rows")
                    .arg(NativeGridFormat::kFreeFormattedCells);
            row.formats = std::make_unique<std::vector<CellFormat>>(size_t(cols));
        }
        CellFormat &cf = (*row.formats)[size_t(c)];
        const QString error = readCellFormat(fo, cf);
        if (!error.isEmpty())
            return QStringLiteral("cell format of column %1: %2").arg(int(c) + 1).arg(error);
    }
    return {};
}

QString readHeader(const QJsonObject &h, GridStore &store, qint64 &rows)
{
    if (h.value(QLatin1String("format")).toString() != kFormatTag)
        return QStringLiteral("this is not a Dirquill grid file (the first line lacks \"format\": \"dirquill-grid\")");
    Fields f(h, QString());
    int version = 0;
    f.integer(QLatin1String("version"), 1, 1'000'000, version);
    if (!f.ok())
        return f.error();
    if (!h.contains(QLatin1String("version")))
        return QStringLiteral("the header has no \"version\"");
    if (version > kVersion)
        return QStringLiteral("the file was written by a newer version of Dirquill (file version %1)").arg(version);
    if (!h.contains(QLatin1String("rows")) || !h.contains(QLatin1String("cols")))
        return QStringLiteral("the header does not give \"rows\" and \"cols\"");
    int cols = 0;
    f.integer64(QLatin1String("rows"), 0, NativeGridFormat::kMaxRows, rows);
    f.integer(QLatin1String("cols"), 0, NativeGridFormat::kMaxCols, cols);
    f.integer(QLatin1String("fixedRows"), 0, NativeGridFormat::kMaxRows, store.fixedRows);
    f.integer(QLatin1String("fixedCols"), 0, NativeGridFormat::kMaxCols, store.fixedCols);
    if (!f.ok())
        return f.error();
    if (rows * cols > NativeGridFormat::kMaxCells)
        return QStringLiteral("%1 rows by %2 columns is more than the %3 cells a grid holds")
            .arg(rows)
            .arg(cols)
            .arg(NativeGridFormat::kMaxCells);
    store.columns.assign(size_t(cols), ColumnAttributes {});

    const QJsonValue columns = h.value(QLatin1String("columns"));
    if (!columns.isUndefined()) {
        if (!columns.isArray())
            return QStringLiteral("\"columns\" is not an array");
        const QJsonArray list = columns.toArray();
        if (list.size() > cols)
            return QStringLiteral("\"columns\" describes %1 columns but the grid has %2").arg(list.size()).arg(cols);
        for (int i = 0; i < list.size(); ++i) {
            const QString error = readColumn(list.at(i), i, store.columns[size_t(i)]);
            if (!error.isEmpty())
                return error;
        }
    }

    const QJsonValue grid = h.value(QLatin1String("grid"));
    if (!grid.isUndefined()) {
        if (!grid.isObject())
            return QStringLiteral("\"grid\" is not an object");
        const QJsonObject g = grid.toObject();
        Fields gf(g, QStringLiteral("grid: "));
        bool hasAlternate = false;
        QRgb alternate = 0;
        gf.color(QLatin1String("alternateRowColor"), hasAlternate, alternate);
        store.settings.alternateRowColor = hasAlternate ? QColor::fromRgba(alternate) : QColor();
        gf.boolean(QLatin1String("gridLines"), store.settings.gridLines);
        gf.integer(QLatin1String("fontSize"), 1, 72, store.settings.fontSize);
        gf.boolean(QLatin1String("dragEnabled"), store.settings.dragEnabled);
        gf.boolean(QLatin1String("sortOnTitleClick"), store.settings.sortOnTitleClick);
        gf.boolean(QLatin1String("columnDragEnabled"), store.settings.columnDragEnabled);
        if (!gf.ok())
            return gf.error();
    }
    return {};
}

QJsonObject headerObject(const GridStore &store)
{
    QJsonObject h;
    h.insert(QLatin1String("format"), kFormatTag);
    h.insert(QLatin1String("version"), kVersion);
    h.insert(QLatin1String("rows"), store.rowCount());
    h.insert(QLatin1String("cols"), store.colCount());
    h.insert(QLatin1String("fixedRows"), store.fixedRows);
    h.insert(QLatin1String("fixedCols"), store.fixedCols);
    QJsonArray columns;
    const ColumnAttributes defaults;
    for (const ColumnAttributes &a : store.columns) {
        QJsonObject c;
        if (a.width != defaults.width)
            c.insert(QLatin1String("width"), a.width);
        if (a.alignment != defaults.alignment)
            c.insert(QLatin1String("align"), int(a.alignment));
        if (a.dataType != defaults.dataType)
            c.insert(QLatin1String("type"), typeName(a.dataType));
        if (!a.format.isEmpty())
            c.insert(QLatin1String("format"), a.format);
        if (a.hidden)
            c.insert(QLatin1String("hidden"), true);
        if (!a.pickList.isEmpty())
            c.insert(QLatin1String("pickList"), a.pickList);
        columns.append(c);
    }
    h.insert(QLatin1String("columns"), columns);
    const GridSettings &s = store.settings;
    QJsonObject g;
    g.insert(QLatin1String("alternateRowColor"),
        s.alternateRowColor.isValid() ? QJsonValue(colorText(s.alternateRowColor.rgba())) : QJsonValue());
    g.insert(QLatin1String("gridLines"), s.gridLines);
    g.insert(QLatin1String("fontSize"), s.fontSize);
    g.insert(QLatin1String("dragEnabled"), s.dragEnabled);
    g.insert(QLatin1String("sortOnTitleClick"), s.sortOnTitleClick);
    g.insert(QLatin1String("columnDragEnabled"), s.columnDragEnabled);
    h.insert(QLatin1String("grid"), g);
    return h;
}

// A JSON string from UTF-8 text that is already valid: only the quote, the backslash and
// control characters need escapes.
void appendJsonString(BufferedWriter &out, QByteArrayView text)
{
    static const char hex[] = "0123456789abcdef";
    out.append('"');
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = uchar(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c != 0xEF)
            continue;
        // U+FEFF goes out escaped: JSON readers take it raw at the start of a string for a
        // byte-order mark and drop it.
        if (c == 0xEF) {
            if (!text.sliced(i).startsWith("\xEF\xBB\xBF"))
                continue;
            out.append(text.sliced(runStart, i - runStart));
            out.append("\\ufeff");
            i += 2;
            runStart = i + 1;
            continue;
        }
        out.append(text.sliced(runStart, i - runStart));
        runStart = i + 1;
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default: {
            const char esc[] = { '\\', 'u', '0', '0', hex[c >> 4], hex[c & 15] };
            out.append(QByteArrayView(esc, 6));
        }
        }
    }
    out.append(text.sliced(runStart));
    out.append('"');
}

void appendCells(BufferedWriter &out, const RowCells &cells)
{
    out.append('[');
    const int n = cells.storedCount();
    for (int c = 0; c < n; ++c) {
        if (c)
            out.append(',');
        appendJsonString(out, cells.utf8(c));
    }
    out.append(']');
}

// Row lines are parsed in batches on several threads; results are taken in file order, so
// the first fault reported is the first in the file.
struct Batch
{
    QByteArray bytes;
    std::vector<qsizetype> ends;
    std::vector<qint64> lineNumbers;
};

struct ParsedBatch
{
    std::vector<GridRow> rows;
    QString error;
    qint64 errorLine = 0;
};

// One UTF-8 sequence of two to four bytes at p (p < end), checked as the JSON reader checks
// it; 0 when it is not one this fast path takes. Lead byte EF (U+F000..U+FFFF: the byte-order
// mark and the noncharacters among them) and the last two code points of each plane are left to
// the JSON reader, so the two paths can never disagree on them.
int plainUtf8Sequence(const uchar *p, const uchar *end)
{
    const uchar c = *p;
    int len = 0;
    quint32 code = 0;
    quint32 min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        code = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEE) {
        len = 3;
        code = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        code = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (end - p < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || (code & 0xFFFE) == 0xFFFE)
        return 0;
    return len;
}

// Most row lines are a plain array of texts without \u escapes: such a line is decoded straight
// into the row's UTF-8 block, as the JSON reader would decode it. Anything else (objects, other
// values, \u escapes, odd spacing, too many cells, any fault) gives false and goes through the
// JSON reader, which also words the errors.
bool readPlainCells(QByteArrayView line, int cols, GridRow &row)
{
    static thread_local std::vector<char> bytes;
    static thread_local std::vector<qsizetype> ends;
    static thread_local std::vector<QByteArrayView> views;
    const auto *p = reinterpret_cast<const uchar *>(line.data());
    const uchar *const end = p + line.size();
    const auto skipSpace = [&] {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
    };
    bytes.clear();
    ends.clear();
    skipSpace();
    if (p == end || *p != '[')
        return false;
    ++p;
    skipSpace();
    if (p < end && *p == ']') {
        ++p;
    } else {
        for (;;) {
            if (p == end || *p != '"')
                return false;
            ++p;
            for (;;) {
                const uchar *run = p;
                while (p < end && *p >= 0x20 && *p < 0x80 && *p != '"' && *p != '\\')
                    ++p;
                bytes.insert(bytes.end(), run, p);
                if (p == end || *p < 0x20)
                    return false;
                if (*p == '"') {
                    ++p;
                    break;
                }
                if (*p == '\\') {
                    if (end - p < 2)
                        return false;
                    char unescaped = 0;
                    switch (p[1]) {
                    case '"':
                    case '\\':
                    case '/':
                        unescaped = char(p[1]);
                        break;
                    case 'b':
                        unescaped = '\b';
                        break;
                    case 'f':
                        unescaped = '\f';
                        break;
                    case 'n':
                        unescaped = '\n';
                        break;
                    case 'r':
                        unescaped = '\r';
                        break;
                    case 't':
                        unescaped = '\t';
                        break;
                    default:
                        return false;
                    }
                    bytes.push_back(unescaped);
                    p += 2;
                    continue;
                }
                const int len = plainUtf8Sequence(p, end);
                if (!len)
                    return false;
                bytes.insert(bytes.end(), p, p + len);
                p += len;
            }
            ends.push_back(qsizetype(bytes.size()));
            if (qsizetype(ends.size()) > cols)
                return false;
            skipSpace();
            if (p < end && *p == ',') {
                ++p;
                skipSpace();
                continue;
            }
            if (p < end && *p == ']') {
                ++p;
                break;
            }
            return false;
        }
    }
    skipSpace();
    if (p != end)
        return false;
    views.resize(ends.size());
    qsizetype begin = 0;
    for (size_t i = 0; i < ends.size(); ++i) {
        views[i] = QByteArrayView(bytes.data() + begin, ends[i] - begin);
        begin = ends[i];
    }
    row.cells = RowCells::fromUtf8(views.data(), int(views.size()));
    return true;
}

// Whether a line holds a \uD800-\uDFFF escape without its pair. Such text has no UTF-8 form and
// the JSON reader would change it silently, so the file is refused instead.
bool hasLoneSurrogateEscape(QByteArrayView line)
{
    auto code = [&](qsizetype at) -> int {
        if (at + 6 > line.size() || line[at] != '\\' || (line[at + 1] != 'u' && line[at + 1] != 'U'))
            return -1;
        bool ok = false;
        const int value = QByteArray(line.data() + at + 2, 4).toInt(&ok, 16);
        return ok ? value : -1;
    };
    for (qsizetype i = 0; i + 1 < line.size(); ++i) {
        if (line[i] != '\\')
            continue;
        const int c = code(i);
        if (c >= 0xDC00 && c <= 0xDFFF)
            return true;
        if (c >= 0xD800 && c <= 0xDBFF) {
            const int low = code(i + 6);
            if (low < 0xDC00 || low > 0xDFFF)
                return true;
            i += 11;
        } else {
            ++i; // the escaped character is never the start of another escape
        }
    }
    return false;
}

ParsedBatch parseBatch(const Batch &batch, int cols, std::atomic<qint64> &formattedCells)
{
    ParsedBatch out;
    out.rows.reserve(batch.ends.size());
    qsizetype begin = 0;
    QJsonParseError parseError;
    for (size_t i = 0; i < batch.ends.size(); ++i) {
        QByteArray line = QByteArray::fromRawData(batch.bytes.constData() + begin, batch.ends[i] - begin);
        begin = batch.ends[i];
        if (GridRow plain; readPlainCells(line, cols, plain)) {
            out.rows.push_back(std::move(plain));
            continue;
        }
        // A raw U+FEFF at the start of a string would be dropped by the JSON reader as a
        // byte-order mark; as an escape it is kept.
        if (line.contains("\xEF\xBB\xBF"))
            line = QByteArray(line.constData(), line.size()).replace("\xEF\xBB\xBF", "\\ufeff");
        const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
        GridRow row;
        QString error;
        if (line.contains("\\u") && hasLoneSurrogateEscape(line))
            error = QStringLiteral("the row holds a lone surrogate escape (\\uD800 to \\uDFFF without its pair)");
        else if (parseError.error != QJsonParseError::NoError)
            error = QStringLiteral("the row is not valid JSON (%1)").arg(parseError.errorString());
        else if (doc.isArray())
            error = readCells(doc.array(), cols, row);
        else if (doc.isObject())
            error = readRowObject(doc.object(), cols, row, mayCarryFormats(line), formattedCells);
        else
            error = QStringLiteral("the row is neither an array nor an object");
        if (!error.isEmpty()) {
            out.error = error;
            out.errorLine = batch.lineNumbers[i];
            return out;
        }
        out.rows.push_back(std::move(row));
    }
    return out;
}

} // namespace

FileResult NativeGridFormat::read(QIODevice &device, const QString &name, GridStore &store)
{
    LineReader lines(device, kMaxLineBytes);
    QByteArrayView line;
    auto status = lines.next(line);
    if (status == LineReader::Status::End)
        return FileResult::failure(QStringLiteral("\"%1\" is empty.").arg(name));
    if (status == LineReader::Status::ReadError)
        return FileResult::failure(QStringLiteral("\"%1\" could not be read: %2").arg(name, device.errorString()));
    if (status == LineReader::Status::TooLong)
        return FileResult::failure(
            lineError(name, 1, QStringLiteral("the header line is longer than the 64 MB a line may hold")));
    if (line.startsWith("\xEF\xBB\xBF"))
        line = line.sliced(3);

    QJsonParseError parseError;
    QJsonDocument doc = QJsonDocument::fromJson(line.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return FileResult::failure(lineError(
            name, 1, QStringLiteral("this is not a Dirquill grid file (the first line is not a JSON object)")));
    qint64 rowCount = 0;
    const QString headerError = readHeader(doc.object(), store, rowCount);
    if (!headerError.isEmpty())
        return FileResult::failure(lineError(name, 1, headerError));

    const int cols = store.colCount();
    store.rows.clear();
    // Room for the declared rows when the file is big enough to hold them, so a big table is not
    // copied while it grows and keeps no spare capacity; a header alone reserves little.
    const qint64 backedRows = qMax<qint64>(1'000'000, device.isSequential() ? 0 : device.size() / 16);
    store.rows.reserve(size_t(qMin(rowCount, backedRows)));

    constexpr size_t kBatchLines = 2048;
    const int inFlightLimit = qBound(1, QThread::idealThreadCount(), 4) * 2;
    std::deque<std::future<ParsedBatch>> inFlight;
    std::atomic<qint64> formattedCells { 0 };
    Batch batch;
    QString failure;

    // Takes the oldest batch's rows; false (with failure set) if it held a fault.
    const auto collect = [&]() {
        ParsedBatch parsed = inFlight.front().get();
        inFlight.pop_front();
        if (!parsed.error.isEmpty()) {
            if (failure.isEmpty())
                failure = lineError(name, parsed.errorLine, parsed.error);
            return false;
        }
        if (failure.isEmpty())
            for (GridRow &row : parsed.rows)
                store.rows.push_back(std::move(row));
        return true;
    };
    const auto dispatch = [&]() {
        if (batch.ends.empty())
            return true;
        auto job = [work = std::make_shared<Batch>(std::move(batch)), cols, &formattedCells] {
            const RowCells::Pool pool;
            return parseBatch(*work, cols, formattedCells);
        };
        try {
            inFlight.push_back(std::async(std::launch::async, job));
        } catch (const std::system_error &) {
            // No thread to be had: parse this batch here when its turn comes.
            inFlight.push_back(std::async(std::launch::deferred, job));
        }
        batch = Batch();
        return int(inFlight.size()) < inFlightLimit || collect();
    };
    // A fault found while reading comes after every line already handed out, so those
    // batches speak first.
    const auto failAt = [&](const QString &error) {
        while (!inFlight.empty())
            collect();
        if (failure.isEmpty())
            failure = error;
        return FileResult::failure(failure);
    };

    qint64 taken = 0; // row lines handed out so far
    qint64 bytesRead = 0; // bytes of those lines
    qint64 formattedCellsInOrder = 0;
    qint64 blankTail = 0; // empty lines seen but not yet known to be inside the file
    for (;;) {
        status = lines.next(line);
        if (status == LineReader::Status::End)
            break;
        if (status == LineReader::Status::ReadError)
            return failAt(QStringLiteral("\"%1\" could not be read after line %2: %3")
                              .arg(name)
                              .arg(lines.lineNumber())
                              .arg(device.errorString()));
        if (status == LineReader::Status::TooLong)
            return failAt(lineError(
                name, lines.lineNumber() + 1, QStringLiteral("the line is longer than the 64 MB a line may hold")));
        if (line.trimmed().isEmpty()) {
            ++blankTail;
            continue;
        }
        if (blankTail)
            return failAt(lineError(name, lines.lineNumber() - blankTail, QStringLiteral("the line is empty")));
        if (taken >= rowCount)
            return failAt(lineError(name, lines.lineNumber(),
                QStringLiteral("the file holds more rows than the %1 its header declares").arg(rowCount)));
        ++taken;
        bytesRead += line.size() + 1;
        if (mayCarryFormats(line)) {
            // A formatted row keeps a format for every column: its memory is bounded by what the
            // file has spent so far, so a small file cannot claim gigabytes.
            formattedCellsInOrder += cols;
            const qint64 allowed = qMin(kMaxFormattedCells, kFreeFormattedCells + bytesRead);
            if (formattedCellsInOrder > allowed)
                return failAt(lineError(name, lines.lineNumber(),
                    QStringLiteral("more than %1 cells lie in formatted rows (at most %2, and one per byte of the "
                                   "file beyond the first %3)")
                        .arg(allowed)
                        .arg(kMaxFormattedCells)
                        .arg(kFreeFormattedCells)));
        }
        batch.bytes.append(line.data(), line.size());
        batch.ends.push_back(batch.bytes.size());
        batch.lineNumbers.push_back(lines.lineNumber());
        if (batch.ends.size() >= kBatchLines && !dispatch())
            return failAt(failure);
    }
    if (!dispatch())
        return failAt(failure);
    while (!inFlight.empty())
        if (!collect())
            return failAt(failure);
    const qint64 lineRows = qint64(store.rows.size());
    if (rowCount - lineRows > kMaxUnbackedRows)
        return FileResult::failure(lineError(name, 1,
            QStringLiteral("the header declares %1 rows but the file holds only %2 row lines")
                .arg(rowCount)
                .arg(lineRows)));
    store.rows.resize(size_t(rowCount));
    return FileResult::success();
}

FileResult NativeGridFormat::write(const GridStore &store, QIODevice &device, const QString &name)
{
    BufferedWriter out(device);
    out.append(QJsonDocument(headerObject(store)).toJson(QJsonDocument::Compact));
    out.append('\n');
    const int cols = store.colCount();
    for (const GridRow &row : store.rows) {
        bool anyFormat = false;
        if (row.formats) {
            for (int c = 0; c < cols && !anyFormat; ++c)
                anyFormat = !(*row.formats)[size_t(c)].isDefault();
        }
        if (!anyFormat && row.height < 0) {
            appendCells(out, row.cells);
            out.append('\n');
            continue;
        }
        out.append("{\"cells\":");
        appendCells(out, row.cells);
        if (row.height >= 0) {
            out.append(",\"height\":");
            out.append(QByteArray::number(row.height));
        }
        if (anyFormat) {
            QJsonArray formats;
            for (int c = 0; c < cols; ++c) {
                const CellFormat &cf = (*row.formats)[size_t(c)];
                if (cf.isDefault())
                    continue;
                QJsonObject o = cellFormatObject(cf);
                o.insert(QLatin1String("col"), c);
                formats.append(o);
            }
            out.append(",\"formats\":");
            out.append(QJsonDocument(formats).toJson(QJsonDocument::Compact));
        }
        out.append("}\n");
    }
    if (!out.finish())
        return FileResult::failure(QStringLiteral("\"%1\" could not be written: %2").arg(name, out.errorString()));
    return FileResult::success();
}

} // namespace dq
