#include "core/grid/delimitedgridformat.h"

#include "core/grid/bufferedwriter.h"
#include "core/grid/gridstore.h"

#include <QIODevice>

#include <cstring>

namespace dq {

namespace {

constexpr qint64 kChunk = 4 << 20;

// Windows-1252 bytes 0x80..0x9F; the rest of the code page is Latin-1. The five unused
// bytes keep their C1 control meaning, as Windows itself maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

void appendUtf8(QByteArray &out, char16_t u)
{
    if (u < 0x80) {
        out.append(char(u));
    } else if (u < 0x800) {
        out.append(char(0xC0 | (u >> 6)));
        out.append(char(0x80 | (u & 0x3F)));
    } else {
        out.append(char(0xE0 | (u >> 12)));
        out.append(char(0x80 | ((u >> 6) & 0x3F)));
        out.append(char(0x80 | (u & 0x3F)));
    }
}

QByteArray cp1252ToUtf8(QByteArrayView in)
{
    QByteArray out;
    out.reserve(in.size() + in.size() / 8);
    for (char ch : in) {
        const auto c = uchar(ch);
        if (c < 0x80)
            out.append(ch);
        else
            appendUtf8(out, c < 0xA0 ? kCp1252High[c - 0x80] : char16_t(c));
    }
    return out;
}

// Checks UTF-8 across chunk boundaries: an incomplete sequence at the end of one chunk
// is finished by the next.
class Utf8Validator
{
public:
    bool feed(QByteArrayView bytes)
    {
        const auto *p = reinterpret_cast<const uchar *>(bytes.data());
        const qsizetype n = bytes.size();
        qsizetype i = 0;
        while (i < n) {
            if (m_need == 0) {
                // Skip plain ASCII eight bytes at a time.
                while (i + 8 <= n) {
                    quint64 word;
                    std::memcpy(&word, p + i, 8);
                    if (word & 0x8080808080808080ULL)
                        break;
                    i += 8;
                }
                if (i >= n)
                    break;
                const uchar c = p[i++];
                if (c < 0x80)
                    continue;
                if (c >= 0xC2 && c <= 0xDF) {
                    m_need = 1;
                    m_min = 0x80;
                } else if (c >= 0xE0 && c <= 0xEF) {
                    m_need = 2;
                    m_min = 0x800;
                } else if (c >= 0xF0 && c <= 0xF4) {
                    m_need = 3;
                    m_min = 0x10000;
                } else {
                    return false;
                }
                m_code = c & (0x3F >> m_need);
            } else {
                const uchar c = p[i++];
                if ((c & 0xC0) != 0x80)
                    return false;
                m_code = (m_code << 6) | (c & 0x3F);
                if (--m_need == 0) {
                    if (m_code < m_min || m_code > 0x10FFFF || (m_code >= 0xD800 && m_code <= 0xDFFF))
                        return false;
                }
            }
        }
        return true;
    }
    bool complete() const { return m_need == 0; }

private:
    int m_need = 0;
    quint32 m_code = 0;
    quint32 m_min = 0;
};

enum class ParseOutcome { Ok, NotUtf8, Failed };

// The record parser: a state machine over bytes that collects one row's fields in one
// buffer and turns each finished row into a compact row of the store.
class Parser
{
public:
    Parser(char separator, const QString &name, GridStore &store)
        : m_sep(separator)
        , m_name(name)
        , m_store(store)
    {
    }

    bool feed(QByteArrayView bytes)
    {
        const char *p = bytes.data();
        const qsizetype n = bytes.size();
        qsizetype i = 0;
        while (i < n) {
            if (m_inQuotes) {
                const void *q = std::memchr(p + i, '"', size_t(n - i));
                const qsizetype stop = q ? static_cast<const char *>(q) - p : n;
                for (qsizetype k = i; k < stop; ++k)
                    if (p[k] == '\n')
                        ++m_line;
                m_field.append(p + i, stop - i);
                i = stop;
                if (i < n) {
                    ++i;
                    m_inQuotes = false;
                    m_afterQuote = true;
                }
                if (!checkRowSize())
                    return false;
                continue;
            }
            const char c = p[i];
            if (m_afterQuote) {
                m_afterQuote = false;
                if (c == '"') { // a doubled quote inside a quoted field
                    m_field.append('"');
                    m_inQuotes = true;
                    ++i;
                    continue;
                }
            }
            if (m_pendingCr) {
                m_pendingCr = false;
                if (c == '\n') {
                    ++i;
                    continue;
                }
            }
            if (c == m_sep) {
                endField();
                ++i;
            } else if (c == '\n' || c == '\r') {
                ++m_line;
                if (!endRow())
                    return false;
                m_pendingCr = c == '\r';
                ++i;
            } else if (c == '"' && m_fieldStart == m_field.size() && !m_fieldHasText) {
                m_inQuotes = true;
                m_quoteLine = m_line;
                m_rowHasText = true;
                m_fieldHasText = true;
                ++i;
            } else {
                // Plain text up to the next special byte in one copy.
                qsizetype k = i;
                while (k < n && p[k] != m_sep && p[k] != '\n' && p[k] != '\r' && p[k] != '"')
                    ++k;
                if (k == i)
                    k = i + 1; // a quote inside an unquoted field is kept as it is
                m_field.append(p + i, k - i);
                m_rowHasText = true;
                m_fieldHasText = true;
                i = k;
                if (!checkRowSize())
                    return false;
            }
        }
        return true;
    }

    bool finish()
    {
        if (m_inQuotes) {
            m_error = QStringLiteral("\"%1\", line %2: a quoted field is never closed").arg(m_name).arg(m_quoteLine);
            return false;
        }
        if (m_rowHasText || !m_ends.empty())
            return endRow();
        return true;
    }

    const QString &error() const { return m_error; }
    int widest() const { return m_widest; }

private:
    void endField()
    {
        m_ends.push_back(m_field.size());
        m_fieldStart = m_field.size();
        m_fieldHasText = false;
        m_rowHasText = true;
    }

    bool checkRowSize()
    {
        if (m_field.size() <= DelimitedGridFormat::kMaxRowBytes)
            return true;
        m_error = QStringLiteral("\"%1\", line %2: the row is longer than the 64 MB a row may hold")
                      .arg(m_name)
                      .arg(m_line);
        return false;
    }

    bool endRow()
    {
        m_ends.push_back(m_field.size());
        const int count = int(m_ends.size());
        if (count > DelimitedGridFormat::kMaxCols) {
            m_error = QStringLiteral("\"%1\", line %2: the row has %3 fields, more than the %4 columns a grid holds")
                          .arg(m_name)
                          .arg(m_line)
                          .arg(count)
                          .arg(DelimitedGridFormat::kMaxCols);
            return false;
        }
        m_views.resize(size_t(count));
        qsizetype begin = 0;
        for (int c = 0; c < count; ++c) {
            m_views[size_t(c)] = QByteArrayView(m_field.constData() + begin, m_ends[size_t(c)] - begin);
            begin = m_ends[size_t(c)];
        }
        m_widest = qMax(m_widest, count);
        if (qint64(m_store.rows.size()) >= DelimitedGridFormat::kMaxRows) {
            m_error = QStringLiteral("\"%1\" holds more than the %2 rows a grid holds")
                          .arg(m_name)
                          .arg(DelimitedGridFormat::kMaxRows);
            return false;
        }
        if (qint64(m_store.rows.size() + 1) * m_widest > DelimitedGridFormat::kMaxCells) {
            m_error = QStringLiteral("\"%1\" holds more than the %2 cells a grid holds")
                          .arg(m_name)
                          .arg(DelimitedGridFormat::kMaxCells);
            return false;
        }
        GridRow row;
        row.cells = RowCells::fromUtf8(m_views.data(), count);
        m_store.rows.push_back(std::move(row));
        m_field.clear();
        m_ends.clear();
        m_fieldStart = 0;
        m_fieldHasText = false;
        m_rowHasText = false;
        return true;
    }

    char m_sep;
    const QString &m_name;
    GridStore &m_store;
    QByteArray m_field; // the current row's field bytes back to back
    std::vector<qsizetype> m_ends; // end offset of each finished field in m_field
    std::vector<QByteArrayView> m_views;
    qsizetype m_fieldStart = 0;
    bool m_fieldHasText = false;
    bool m_rowHasText = false;
    bool m_inQuotes = false;
    bool m_afterQuote = false;
    bool m_pendingCr = false;
    qint64 m_line = 1;
    qint64 m_quoteLine = 1;
    int m_widest = 0;
    QString m_error;
};

ParseOutcome parse(
    QIODevice &device, char separator, bool asCp1252, const QString &name, GridStore &store, QString &error)
{
    Parser parser(separator, name, store);
    Utf8Validator validator;
    QByteArray chunk;
    bool first = true;
    for (;;) {
        chunk.resize(kChunk);
        const qint64 got = device.read(chunk.data(), kChunk);
        if (got < 0) {
            error = QStringLiteral("\"%1\" could not be read: %2").arg(name, device.errorString());
            return ParseOutcome::Failed;
        }
        if (got == 0)
            break;
        chunk.resize(got);
        QByteArrayView bytes = chunk;
        if (first && bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3);
        first = false;
        bool ok;
        if (asCp1252) {
            ok = parser.feed(cp1252ToUtf8(bytes));
        } else {
            if (!validator.feed(bytes))
                return ParseOutcome::NotUtf8;
            ok = parser.feed(bytes);
        }
        if (!ok) {
            error = parser.error();
            return ParseOutcome::Failed;
        }
    }
    if (!asCp1252 && !validator.complete())
        return ParseOutcome::NotUtf8;
    if (!parser.finish()) {
        error = parser.error();
        return ParseOutcome::Failed;
    }
    // An empty file is an empty table: one blank title cell.
    if (store.rows.empty())
        store.rows.emplace_back();
    store.columns.resize(size_t(qMax(1, parser.widest())));
    return ParseOutcome::Ok;
}

bool needsQuotes(QByteArrayView text, char separator)
{
    // A field starting with U+FEFF is quoted: at the start of the file it would read back as a
    // byte-order mark and be lost.
    if (text.startsWith("\xEF\xBB\xBF"))
        return true;
    for (char c : text)
        if (c == separator || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

} // namespace

FileResult DelimitedGridFormat::read(QIODevice &device, char separator, const QString &name, GridStore &store)
{
    const qint64 start = device.pos();
    QString error;
    store.rows.clear();
    ParseOutcome outcome = parse(device, separator, false, name, store, error);
    if (outcome == ParseOutcome::NotUtf8) {
        store.rows.clear();
        if (device.isSequential() || !device.seek(start))
            return FileResult::failure(
                QStringLiteral("\"%1\" is not UTF-8 text and cannot be read again as Windows-1252.").arg(name));
        outcome = parse(device, separator, true, name, store, error);
    }
    if (outcome != ParseOutcome::Ok)
        return FileResult::failure(error);
    for (GridRow &row : store.rows)
        row.cells.truncate(store.colCount());
    return FileResult::success();
}

FileResult DelimitedGridFormat::write(
    const GridStore &store, QIODevice &device, char separator, const QString &name, int firstRow)
{
    BufferedWriter out(device);
    const int cols = store.colCount();
    for (size_t r = size_t(qMax(0, firstRow)); r < store.rows.size(); ++r) {
        const GridRow &row = store.rows[r];
        for (int c = 0; c < cols; ++c) {
            if (c)
                out.append(separator);
            const QByteArrayView text = row.cells.utf8(c);
            if (!needsQuotes(text, separator)) {
                out.append(text);
                continue;
            }
            out.append('"');
            qsizetype runStart = 0;
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (text[i] == '"') {
                    out.append(text.sliced(runStart, i + 1 - runStart));
                    out.append('"');
                    runStart = i + 1;
                }
            }
            out.append(text.sliced(runStart));
            out.append('"');
        }
        out.append("\r\n");
    }
    if (!out.finish())
        return FileResult::failure(QStringLiteral("\"%1\" could not be written: %2").arg(name, out.errorString()));
    return FileResult::success();
}

} // namespace dq
