#include "core/grid/delimitedgridformat.h"

#include "core/grid/bufferedwriter.h"
#include "core/grid/gridstore.h"

#include <QIODevice>

#include <array>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <string>
#include <system_error>

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
        for (const char c : { separator, '\n', '\r', '"' })
            m_special[uchar(c)] = true;
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
                    m_field.push_back('"');
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
            } else if (c == '"' && m_fieldStart == qsizetype(m_field.size()) && !m_fieldHasText) {
                m_inQuotes = true;
                m_quoteLine = m_line;
                m_rowHasText = true;
                m_fieldHasText = true;
                ++i;
            } else {
                // Plain text up to the next special byte in one copy.
                qsizetype k = i;
                while (k < n && !m_special[uchar(p[k])])
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
    // Between rows: what a parser that starts afresh assumes (line numbers aside).
    bool betweenRows() const
    {
        return !m_inQuotes && !m_afterQuote && !m_pendingCr && m_ends.empty() && m_field.empty() && !m_rowHasText
            && !m_fieldHasText;
    }

private:
    void endField()
    {
        m_ends.push_back(qsizetype(m_field.size()));
        m_fieldStart = qsizetype(m_field.size());
        m_fieldHasText = false;
        m_rowHasText = true;
    }

    bool checkRowSize()
    {
        if (qsizetype(m_field.size()) <= DelimitedGridFormat::kMaxRowBytes)
            return true;
        m_error = QStringLiteral("\"%1\", line %2: the row is longer than the 64 MB a row may hold")
                      .arg(m_name)
                      .arg(m_line);
        return false;
    }

    bool endRow()
    {
        m_ends.push_back(qsizetype(m_field.size()));
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
            m_views[size_t(c)] = QByteArrayView(m_field.data() + begin, m_ends[size_t(c)] - begin);
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
    std::array<bool, 256> m_special {}; // the bytes that end a run of plain text
    const QString &m_name;
    GridStore &m_store;
    std::string m_field; // the current row's field bytes back to back
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

// A big file is cut after line ends into pieces that worker threads parse, each as if a row
// started there. A piece's rows count only when the text before it really ended between rows;
// when a quoted line break straddles the cut, the parser of the text before reads on through
// the piece itself. Text that is not UTF-8, any fault, or a limit that might be crossed gives
// false: the single pass then reads the file again, decides its encoding and words the error.
bool parseSplit(QIODevice &device, char separator, const QString &name, GridStore &store, qint64 pieceBytes)
{
    struct Piece
    {
        QByteArray bytes;
        GridStore rows;
        std::unique_ptr<Parser> parser;
        bool ok = false;
    };
    using PiecePtr = std::shared_ptr<Piece>;
    const auto parsePiece = [separator, &name](PiecePtr piece) {
        const RowCells::Pool pool;
        piece->rows.rows.reserve(size_t(piece->bytes.size() / 64));
        piece->parser = std::make_unique<Parser>(separator, name, piece->rows);
        piece->ok = piece->parser->feed(piece->bytes);
        return piece;
    };

    std::deque<std::future<PiecePtr>> inFlight;
    PiecePtr truth; // the parser whose state is the file's own at the end of the pieces taken
    int widest = 0;
    const qint64 total = device.size() - device.pos();
    qint64 taken = 0; // bytes of the pieces taken
    const auto takeRows = [&] {
        if (store.rows.empty() && taken > 0 && truth->rows.rowCount() > 0) {
            // The first piece tells how many rows the file will give, near enough to grow once.
            store.rows.reserve(size_t(qMin<qint64>(DelimitedGridFormat::kMaxRows,
                qint64(truth->rows.rowCount()) * total / taken + qint64(truth->rows.rowCount()) / 8)));
        }
        for (GridRow &row : truth->rows.rows)
            store.rows.push_back(std::move(row));
        truth->rows.rows.clear();
        widest = qMax(widest, truth->parser->widest());
        return qint64(store.rows.size()) <= DelimitedGridFormat::kMaxRows
            && qint64(store.rows.size()) * widest <= DelimitedGridFormat::kMaxCells;
    };
    // Buffers of pieces done with, for the next pieces: fresh ones would cost page faults.
    std::vector<QByteArray> spareBytes;
    std::vector<std::vector<GridRow>> spareRows;
    const auto spare = [&](Piece &piece) {
        piece.rows.rows.clear();
        spareRows.push_back(std::move(piece.rows.rows));
        spareBytes.push_back(std::move(piece.bytes));
    };
    const auto collect = [&] {
        PiecePtr piece = inFlight.front().get();
        inFlight.pop_front();
        taken += piece->bytes.size();
        if (truth && !truth->parser->betweenRows()) {
            const bool fed = truth->parser->feed(piece->bytes);
            spare(*piece);
            if (!fed)
                return false;
        } else {
            if (!piece->ok)
                return false;
            if (truth)
                spare(*truth);
            truth = std::move(piece);
        }
        spareBytes.push_back(std::move(truth->bytes));
        return takeRows();
    };
    const auto drain = [&] {
        while (!inFlight.empty())
            if (!collect())
                return false;
        return true;
    };
    const auto abandon = [&] {
        for (auto &job : inFlight)
            job.wait();
        inFlight.clear();
    };

    Utf8Validator validator;
    QByteArray carry;
    bool first = true;
    for (bool end = false; !end;) {
        QByteArray bytes;
        if (!spareBytes.empty()) {
            bytes = std::move(spareBytes.back());
            spareBytes.pop_back();
            bytes.resize(0);
        }
        bytes.append(carry);
        carry = QByteArray();
        const qsizetype old = bytes.size();
        bytes.resize(old + pieceBytes);
        const qint64 got = device.read(bytes.data() + old, pieceBytes);
        if (got < 0) {
            abandon();
            return false;
        }
        bytes.resize(old + got);
        end = got == 0;
        qsizetype fresh = old; // bytes not yet validated start here
        if (first) {
            // A byte-order mark is dropped once three bytes tell whether there is one.
            if (bytes.size() < 3 && !end) {
                carry = std::move(bytes);
                continue;
            }
            if (bytes.startsWith("\xEF\xBB\xBF"))
                bytes.remove(0, 3);
            first = false;
            fresh = 0;
        }
        if (!validator.feed(QByteArrayView(bytes).sliced(fresh))) {
            abandon();
            return false;
        }
        // Cut after the last line end; text without one goes out whole (its row then goes on
        // in the parser of the piece before).
        qsizetype cut = bytes.size();
        while (!end && cut > 0 && bytes[cut - 1] != '\n' && bytes[cut - 1] != '\r')
            --cut;
        if (!end && cut > 0) {
            carry = bytes.sliced(cut);
            bytes.truncate(cut);
        }
        if (bytes.isEmpty())
            continue;
        auto piece = std::make_shared<Piece>();
        piece->bytes = std::move(bytes);
        if (!spareRows.empty()) {
            piece->rows.rows = std::move(spareRows.back());
            spareRows.pop_back();
        }
        try {
            inFlight.push_back(std::async(std::launch::async, parsePiece, piece));
        } catch (const std::system_error &) {
            inFlight.push_back(std::async(std::launch::deferred, parsePiece, piece));
        }
        // Two pieces parse at a time: both cores busy, little text and few rows in between.
        if (inFlight.size() >= 2 && !collect()) {
            abandon();
            return false;
        }
    }
    if (!drain()) {
        abandon();
        return false;
    }
    if (!validator.complete())
        return false;
    if (truth && (!truth->parser->finish() || !takeRows()))
        return false;
    if (store.rows.empty())
        store.rows.emplace_back();
    store.columns.resize(size_t(qMax(1, widest)));
    return true;
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

FileResult DelimitedGridFormat::read(
    QIODevice &device, char separator, const QString &name, GridStore &store, qint64 pieceBytes)
{
    const qint64 start = device.pos();
    QString error;
    store.rows.clear();
    ParseOutcome outcome = ParseOutcome::Failed;
    if (pieceBytes > 0 && !device.isSequential() && device.size() - start > pieceBytes) {
        if (parseSplit(device, separator, name, store, pieceBytes))
            outcome = ParseOutcome::Ok;
        else if (store.rows.clear(); !device.seek(start))
            return FileResult::failure(QStringLiteral("\"%1\" could not be read: %2").arg(name, device.errorString()));
    }
    if (outcome == ParseOutcome::Failed)
        outcome = parse(device, separator, false, name, store, error);
    if (outcome == ParseOutcome::NotUtf8) {
        store.rows.clear();
        if (device.isSequential() || !device.seek(start))
            return FileResult::failure(
                QStringLiteral("\"%1\" is not UTF-8 text and cannot be read again as Windows-1252.").arg(name));
        outcome = parse(device, separator, true, name, store, error);
    }
    if (outcome != ParseOutcome::Ok)
        return FileResult::failure(error);
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
