#include "core/grid/xlsxsheetreader.h"

#include "core/grid/gridstore.h"
#include "core/grid/xlsxgridformat.h"
#include "core/grid/xlsxscanner.h"

#include <QDate>
#include <QDir>
#include <QHash>
#include <QIODevice>
#include <QLocale>
#include <QXmlStreamReader>

#include <QStringDecoder>

#include <isa-l/igzip_lib.h>
#include <zip.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace dq {

namespace {

// Unpacked bytes of every part read so far, against the cap.
struct Budget
{
    qint64 unpacked = 0;
    XlsxLimits limits;

    // Counts got more unpacked bytes: why to stop once past the cap, else empty.
    QString spend(qint64 got)
    {
        unpacked += got;
        return unpacked > limits.maxUnpackedBytes
            ? QStringLiteral("it unpacks to more than %1 MB").arg(limits.maxUnpackedBytes >> 20)
            : QString();
    }
};

// Opens part of zip for unpacking; null, with why in error, when it is missing or cannot be unpacked.
zip_file_t *openPart(zip_t *zip, const QString &part, QString &error)
{
    const zip_int64_t index = zip_name_locate(zip, part.toUtf8().constData(), 0);
    zip_file_t *file = index >= 0 ? zip_fopen_index(zip, zip_uint64_t(index), 0) : nullptr;
    if (!file)
        error = QStringLiteral("its part \"%1\" is missing or cannot be unpacked").arg(part);
    return file;
}

// A part's raw deflate data unpacked with ISA-L, several times quicker than zlib does it
// through libzip, and checked against the archive's size and CRC as libzip checks them.
class Inflater
{
public:
    Inflater(zip_file_t *raw, zip_uint64_t size, zip_uint32_t crc)
        : m_raw(raw)
        , m_size(size)
        , m_crc(crc)
        , m_state(std::make_unique<inflate_state>())
    {
        isal_inflate_init(m_state.get());
        m_state->crc_flag = ISAL_GZIP_NO_HDR; // the CRC-32 zip archives use
    }

    // Unpacks up to max bytes into out: how many, 0 at the end, or -1 with why in error.
    qint64 read(char *out, qsizetype max, QString &error)
    {
        inflate_state &s = *m_state;
        s.next_out = reinterpret_cast<uint8_t *>(out);
        s.avail_out = uint32_t(max);
        while (s.avail_out > 0 && s.block_state != ISAL_BLOCK_FINISH) {
            if (s.avail_in == 0 && !m_inputEnded) {
                const zip_int64_t got = zip_fread(m_raw, m_in.data(), m_in.size());
                if (got < 0) {
                    error = QString::fromUtf8(zip_file_strerror(m_raw));
                    return -1;
                }
                m_inputEnded = got == 0;
                s.next_in = reinterpret_cast<uint8_t *>(m_in.data());
                s.avail_in = uint32_t(got);
            }
            const uint32_t outBefore = s.avail_out, inBefore = s.avail_in;
            const int bitsBefore = s.read_in_length;
            const isal_block_state stateBefore = s.block_state;
            if (isal_inflate(&s) != ISAL_DECOMP_OK) {
                error = QStringLiteral("its compressed data is damaged");
                return -1;
            }
            if (m_inputEnded && s.avail_out == outBefore && s.avail_in == inBefore && s.read_in_length == bitsBefore
                && s.block_state == stateBefore) {
                error = QStringLiteral("its compressed data ends early");
                return -1;
            }
        }
        const qint64 got = max - qint64(s.avail_out);
        m_total += zip_uint64_t(got);
        if (s.block_state == ISAL_BLOCK_FINISH && got == 0 && (m_total != m_size || s.crc != m_crc)) {
            error = QStringLiteral("its unpacked bytes do not match the archive's size and check sum");
            return -1;
        }
        return got;
    }

private:
    zip_file_t *m_raw;
    zip_uint64_t m_size;
    zip_uint32_t m_crc;
    zip_uint64_t m_total = 0;
    bool m_inputEnded = false;
    std::unique_ptr<inflate_state> m_state;
    std::array<char, 64 * 1024> m_in;
};

// One part of the archive as a stream of XML tokens, unpacked a block at a time.
class PartReader
{
public:
    PartReader(zip_t *zip, Budget &budget, QString part)
        : m_zip(zip)
        , m_budget(budget)
        , m_part(std::move(part))
    {
    }
    ~PartReader()
    {
        if (m_file)
            zip_fclose(m_file);
    }
    PartReader(const PartReader &) = delete;
    PartReader &operator=(const PartReader &) = delete;

    static bool exists(zip_t *zip, const QString &part)
    {
        return zip_name_locate(zip, part.toUtf8().constData(), 0) >= 0;
    }

    bool open()
    {
        m_file = openPart(m_zip, m_part, m_error);
        return m_file;
    }

    // The next token; Invalid once the part is bad (error() says why) or has ended.
    QXmlStreamReader::TokenType next()
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = m_xml.readNext();
            ++m_tokens;
            if (t == QXmlStreamReader::Invalid) {
                if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && !m_eof && m_error.isEmpty()) {
                    if (feed())
                        continue;
                }
                if (m_error.isEmpty())
                    m_error = QStringLiteral("its part \"%1\" is not well-formed XML (line %2: %3)")
                                  .arg(m_part)
                                  .arg(m_xml.lineNumber())
                                  .arg(m_xml.errorString());
                return t;
            }
            if (t == QXmlStreamReader::DTD) {
                // Workbooks never declare one; refusing it rules out entity tricks.
                m_error = QStringLiteral("its part \"%1\" declares a document type").arg(m_part);
                return QXmlStreamReader::Invalid;
            }
            if (t == QXmlStreamReader::StartElement && ++m_depth > XlsxGridFormat::kMaxDepth) {
                m_error = QStringLiteral("its part \"%1\" nests XML elements more than %2 deep")
                              .arg(m_part)
                              .arg(XlsxGridFormat::kMaxDepth);
                return QXmlStreamReader::Invalid;
            }
            if (t == QXmlStreamReader::EndElement)
                --m_depth;
            if (t == QXmlStreamReader::EndDocument)
                return QXmlStreamReader::Invalid;
            return t;
        }
    }

    QXmlStreamReader &xml() { return m_xml; }
    const QString &part() const { return m_part; }
    QString error() const { return m_error; }
    bool failed() const { return !m_error.isEmpty(); }
    void fail(const QString &why) { m_error = why; }

    // The current element's attributes, read once per element (each read copies them all).
    QStringView attr(QLatin1String name)
    {
        if (m_attrsAt != m_tokens) {
            m_attrs = m_xml.attributes();
            m_attrsAt = m_tokens;
        }
        return m_attrs.value(name);
    }
    int intAttr(QLatin1String name, int fallback)
    {
        bool ok = false;
        const int v = attr(name).toInt(&ok);
        return ok ? v : fallback;
    }
    bool boolAttr(QLatin1String name)
    {
        const QStringView v = attr(name);
        return v == QLatin1String("1") || v == QLatin1String("true");
    }

private:
    bool feed()
    {
        QByteArray block(256 * 1024, Qt::Uninitialized);
        const zip_int64_t got = zip_fread(m_file, block.data(), zip_uint64_t(block.size()));
        if (got < 0) {
            m_error = QStringLiteral("its part \"%1\" cannot be unpacked: %2")
                          .arg(m_part, QString::fromUtf8(zip_strerror(m_zip)));
            return false;
        }
        if (got == 0) {
            m_eof = true;
            return false;
        }
        m_error = m_budget.spend(got);
        if (!m_error.isEmpty())
            return false;
        block.resize(got);
        m_xml.addData(block);
        return true;
    }

    zip_t *m_zip;
    Budget &m_budget;
    QString m_part;
    zip_file_t *m_file = nullptr;
    QXmlStreamReader m_xml;
    QString m_error;
    int m_depth = 0;
    bool m_eof = false;
    qint64 m_tokens = 0;
    qint64 m_attrsAt = -1;
    QXmlStreamAttributes m_attrs;
};

// One part unpacked on a thread of its own and handed over a block at a time, so that
// unpacking and scanning a big sheet share two cores. Only a few blocks wait at any time.
class PartPipe
{
public:
    PartPipe(zip_t *zip, Budget &budget, QString part)
        : m_zip(zip)
        , m_budget(budget)
        , m_part(std::move(part))
    {
    }
    ~PartPipe()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        if (m_file)
            zip_fclose(m_file);
    }
    PartPipe(const PartPipe &) = delete;
    PartPipe &operator=(const PartPipe &) = delete;

    bool open()
    {
        // Deflated parts (every part of the usual workbook) are unpacked by ISA-L; others by libzip.
        const zip_int64_t index = zip_name_locate(m_zip, m_part.toUtf8().constData(), 0);
        zip_stat_t st;
        zip_stat_init(&st);
        constexpr zip_uint64_t needed
            = ZIP_STAT_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        if (index >= 0 && zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) == 0 && (st.valid & needed) == needed
            && st.comp_method == ZIP_CM_DEFLATE && st.encryption_method == ZIP_EM_NONE) {
            m_file = zip_fopen_index(m_zip, zip_uint64_t(index), ZIP_FL_COMPRESSED);
            if (m_file)
                m_inflater.emplace(m_file, st.size, st.crc);
        }
        if (!m_file)
            m_file = openPart(m_zip, m_part, m_error);
        if (!m_file)
            return false;
        m_thread = std::thread([this] { produce(); });
        return true;
    }

    // The next block, empty at the end; false once unpacking failed (error() says why).
    bool pull(QByteArray &block)
    {
        std::unique_lock lock(m_mutex);
        if (block.capacity() >= kBlock && m_spent.size() < kWaiting)
            m_spent.push_back(std::move(block));
        m_changed.wait(lock, [this] { return !m_blocks.empty() || m_done; });
        if (m_blocks.empty()) {
            block.clear();
            return m_error.isEmpty();
        }
        block = std::move(m_blocks.front());
        m_blocks.pop_front();
        m_changed.notify_all();
        return true;
    }

    QString error()
    {
        const std::lock_guard lock(m_mutex);
        return m_error;
    }
    const QString &part() const { return m_part; }

    // Every block starts with this much room for the scanner's carry-over.
    static constexpr qsizetype kHeadroom = 64 * 1024;

private:
    static constexpr qsizetype kBlock = 512 * 1024;
    static constexpr size_t kWaiting = 4;

    void produce()
    {
        std::optional<QStringDecoder> utf16; // parts in UTF-16 are read as UTF-8
        for (bool first = true;; first = false) {
            QByteArray block;
            {
                const std::lock_guard lock(m_mutex);
                if (!m_spent.empty()) {
                    block = std::move(m_spent.back());
                    m_spent.pop_back();
                }
            }
            block.resize(kHeadroom + kBlock); // a spent block is used again without reallocating
            QString error;
            const zip_int64_t got = m_inflater ? m_inflater->read(block.data() + kHeadroom, kBlock, error)
                                               : zip_fread(m_file, block.data() + kHeadroom, zip_uint64_t(kBlock));
            if (got < 0) {
                if (!m_inflater)
                    error = QString::fromUtf8(zip_file_strerror(m_file));
                error = QStringLiteral("its part \"%1\" cannot be unpacked: %2").arg(m_part, error);
            } else {
                error = m_budget.spend(got);
            }
            block.resize(kHeadroom + qMax<zip_int64_t>(got, 0));
            const QByteArrayView data = QByteArrayView(block).sliced(kHeadroom);
            if (first && (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")))
                utf16.emplace(data.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
            if (utf16 && !data.isEmpty())
                block = QByteArray(kHeadroom, '\0') + QString((*utf16)(data)).toUtf8();
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_blocks.size() < kWaiting || m_stop; });
            if (m_stop)
                return;
            if (got > 0 && error.isEmpty()) {
                if (block.size() > kHeadroom)
                    m_blocks.push_back(std::move(block));
            } else {
                m_error = error;
                m_done = true;
            }
            m_changed.notify_all();
            if (m_done)
                return;
        }
    }

    zip_t *m_zip;
    Budget &m_budget;
    QString m_part;
    zip_file_t *m_file = nullptr;
    std::optional<Inflater> m_inflater;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_blocks;
    std::vector<QByteArray> m_spent;
    bool m_done = false;
    bool m_stop = false;
    QString m_error;
};

// UTF-8 text of an element, gathered from its character tokens, with the cell cap.
class TextCollector
{
public:
    explicit TextCollector(int maxChars)
        : m_max(qsizetype(maxChars) * 4 * 7) // UTF-8 bytes; escapes (_xHHHH_) shrink later
    {
    }
    void clear() { m_text.clear(); }
    bool append(QByteArrayView s)
    {
        if (qsizetype(m_text.size()) + s.size() > m_max)
            return false;
        m_text.append(s.data(), size_t(s.size()));
        return true;
    }
    std::string &text() { return m_text; }

private:
    qsizetype m_max;
    std::string m_text;
};

// Comparison with a literal, without measuring the literal at run time.
template <size_t N> inline bool is(QByteArrayView v, const char (&literal)[N])
{
    return v.size() == qsizetype(N - 1) && std::memcmp(v.data(), literal, N - 1) == 0;
}

// UTF-16 length of UTF-8 text: every byte but continuation bytes, and four-byte characters twice.
qsizetype utf16Length(QByteArrayView utf8)
{
    qsizetype n = 0;
    for (const char c : utf8)
        n += ((uchar(c) & 0xC0) != 0x80) + (uchar(c) >= 0xF0);
    return n;
}

// "_x000D_" and the like stand for characters XML cannot carry.
void unescapeOoxml(QString &s)
{
    if (!s.contains(QLatin1String("_x")))
        return;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('_') && i + 6 < s.size() && s[i + 1] == QLatin1Char('x')
            && s[i + 6] == QLatin1Char('_')) {
            bool ok = true;
            for (qsizetype k = i + 2; k < i + 6; ++k)
                ok = ok && s[k].unicode() < 128 && std::isxdigit(s[k].unicode());
            const ushort code = ok ? QStringView(s).sliced(i + 2, 4).toUShort(&ok, 16) : 0;
            if (ok) {
                out.append(QChar(code));
                i += 6;
                continue;
            }
        }
        out.append(s[i]);
    }
    s = out;
}

Alignment alignmentFromXml(QStringView horizontal)
{
    if (horizontal == QLatin1String("left"))
        return Alignment::LeftCenter;
    if (horizontal == QLatin1String("center") || horizontal == QLatin1String("centerContinuous"))
        return Alignment::CenterCenter;
    if (horizontal == QLatin1String("right"))
        return Alignment::RightCenter;
    return Alignment::General;
}

std::optional<QRgb> colorFromXml(QStringView rgb)
{
    bool ok = false;
    const uint v = rgb.toUInt(&ok, 16);
    if (!ok || (rgb.size() != 6 && rgb.size() != 8))
        return std::nullopt;
    return QRgb(0xFF000000u | (v & 0xFFFFFFu));
}

struct Font
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    double size = 0;
    std::optional<QRgb> color;
};

struct CellStyle
{
    CellFormat format; // alignment: General when the style sets none
    QString dateCode; // the number format when it shows a date or time
};

// Built-in number formats that show dates and times, as Excel's US English shows them.
QString builtinDateCode(int id)
{
    switch (id) {
    case 14:
        return QStringLiteral("m/d/yyyy");
    case 15:
        return QStringLiteral("d-mmm-yy");
    case 16:
        return QStringLiteral("d-mmm");
    case 17:
        return QStringLiteral("mmm-yy");
    case 18:
        return QStringLiteral("h:mm AM/PM");
    case 19:
        return QStringLiteral("h:mm:ss AM/PM");
    case 20:
        return QStringLiteral("h:mm");
    case 21:
        return QStringLiteral("h:mm:ss");
    case 22:
        return QStringLiteral("m/d/yyyy h:mm");
    case 45:
        return QStringLiteral("mm:ss");
    case 46:
        return QStringLiteral("[h]:mm:ss");
    case 47:
        return QStringLiteral("mm:ss.0");
    default:
        return {};
    }
}

// One piece of a date format: a field letter repeated count times, or literal text.
struct DateToken
{
    QChar field; // y m d h s n(minute) a(AM/PM) p(A/P) H(elapsed hours); null = literal
    int count = 0;
    QString literal;
};

std::vector<DateToken> tokenizeDateCode(const QString &code)
{
    std::vector<DateToken> out;
    const QString section = code.section(QLatin1Char(';'), 0, 0);
    const auto literal = [&out](const QString &text) {
        if (!out.empty() && out.back().field.isNull())
            out.back().literal += text;
        else
            out.push_back({ QChar(), 0, text });
    };
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        const QChar lower = c.toLower();
        if (c == QLatin1Char('"')) {
            const qsizetype end = section.indexOf(QLatin1Char('"'), i + 1);
            literal(section.mid(i + 1, end < 0 ? -1 : end - i - 1));
            i = end < 0 ? section.size() : end;
        } else if (c == QLatin1Char('\\') && i + 1 < section.size()) {
            literal(QString(section[++i]));
        } else if ((c == QLatin1Char('_') || c == QLatin1Char('*')) && i + 1 < section.size()) {
            ++i;
            if (c == QLatin1Char('_'))
                literal(QStringLiteral(" "));
        } else if (c == QLatin1Char('[')) {
            const qsizetype end = section.indexOf(QLatin1Char(']'), i + 1);
            const QString inner = section.mid(i + 1, end < 0 ? -1 : end - i - 1).toLower();
            if (!inner.isEmpty() && inner.count(QLatin1Char('h')) == inner.size())
                out.push_back({ QLatin1Char('H'), int(inner.size()), {} });
            i = end < 0 ? section.size() : end;
        } else if (section.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            out.push_back({ QLatin1Char('a'), 1, {} });
            i += 4;
        } else if (section.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
            out.push_back({ QLatin1Char('p'), 1, {} });
            i += 2;
        } else if (QStringLiteral("ymdhs").contains(lower)) {
            int n = 1;
            while (i + 1 < section.size() && section[i + 1].toLower() == lower) {
                ++n;
                ++i;
            }
            out.push_back({ lower, n, {} });
        } else if (c == QLatin1Char('.') && i + 1 < section.size() && section[i + 1] == QLatin1Char('0')) {
            while (i + 1 < section.size() && section[i + 1] == QLatin1Char('0'))
                ++i; // fractions of a second are not shown
        } else {
            literal(QString(c));
        }
    }
    // "m" next to hours or seconds means minutes.
    for (size_t k = 0; k < out.size(); ++k) {
        if (out[k].field != QLatin1Char('m') || out[k].count > 2)
            continue;
        QChar before, after;
        for (size_t j = k; j-- > 0;)
            if (!out[j].field.isNull()) {
                before = out[j].field;
                break;
            }
        for (size_t j = k + 1; j < out.size(); ++j)
            if (!out[j].field.isNull()) {
                after = out[j].field;
                break;
            }
        if (before == QLatin1Char('h') || before == QLatin1Char('H') || after == QLatin1Char('s'))
            out[k].field = QLatin1Char('n');
    }
    return out;
}

bool isDateCode(const QString &code)
{
    if (code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return false;
    for (const DateToken &t : tokenizeDateCode(code))
        if (!t.field.isNull())
            return true;
    return false;
}

QString formatDate(double serial, const QString &code, bool date1904)
{
    const double whole = std::floor(serial);
    qint64 seconds = std::llround((serial - whole) * 86400.0);
    qint64 days = qint64(whole);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    // The 1900 system counts a 29 February 1900 that never was, so early serials start a day later.
    const QDate base = date1904 ? QDate(1904, 1, 1) : serial < 61 ? QDate(1899, 12, 31) : QDate(1899, 12, 30);
    const QDate date = base.addDays(days);
    const int hour = int(seconds / 3600), minute = int(seconds / 60 % 60), second = int(seconds % 60);
    const std::vector<DateToken> tokens = tokenizeDateCode(code);
    bool twelveHour = false;
    for (const DateToken &t : tokens)
        twelveHour = twelveHour || t.field == QLatin1Char('a') || t.field == QLatin1Char('p');
    const QLocale c = QLocale::c();
    const auto padded
        = [](qint64 v, int count) { return QString::number(v).rightJustified(count >= 2 ? 2 : 1, QLatin1Char('0')); };
    QString out;
    for (const DateToken &t : tokens) {
        switch (t.field.unicode()) {
        case 0:
            out += t.literal;
            break;
        case 'y':
            out += t.count <= 2 ? padded(date.year() % 100, 2) : QString::number(date.year());
            break;
        case 'm':
            out += t.count <= 2 ? padded(date.month(), t.count)
                : t.count == 3  ? c.monthName(date.month(), QLocale::ShortFormat)
                : t.count == 4  ? c.monthName(date.month(), QLocale::LongFormat)
                                : c.monthName(date.month(), QLocale::NarrowFormat);
            break;
        case 'd':
            out += t.count <= 2 ? padded(date.day(), t.count)
                : t.count == 3  ? c.dayName(date.dayOfWeek(), QLocale::ShortFormat)
                                : c.dayName(date.dayOfWeek(), QLocale::LongFormat);
            break;
        case 'h':
            out += padded(twelveHour ? (hour % 12 == 0 ? 12 : hour % 12) : hour, t.count);
            break;
        case 'H':
            out += padded(days * 24 + hour, t.count);
            break;
        case 'n':
            out += padded(minute, t.count);
            break;
        case 's':
            out += padded(second, t.count);
            break;
        case 'a':
            out += hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            break;
        case 'p':
            out += hour < 12 ? QStringLiteral("A") : QStringLiteral("P");
            break;
        }
    }
    return out;
}

// "AB12" to zero-based row and column; false when it is no cell address.
bool parseCellRef(QByteArrayView ref, int &row, int &col)
{
    qsizetype i = 0;
    qint64 c = 0;
    while (i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) {
        c = c * 26 + ((ref[i] & ~0x20) - 'A' + 1);
        if (c > XlsxGridFormat::kMaxCols)
            return false;
        ++i;
    }
    const qsizetype letters = i;
    qint64 r = 0;
    for (; i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && r <= XlsxGridFormat::kMaxRows; ++i)
        r = r * 10 + (ref[i] - '0');
    if (letters == 0 || i == letters || i != ref.size() || r < 1 || r > XlsxGridFormat::kMaxRows)
        return false;
    row = int(r - 1);
    col = int(c - 1);
    return true;
}

struct Relationship
{
    QString type; // last path piece of the type URI ("worksheet", "sharedStrings", ...)
    QString target; // part name inside the archive
};

// Part names in relationships are relative to the folder of the part that holds them.
QString resolveTarget(const QString &sourcePart, const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(target.mid(1));
    const qsizetype slash = sourcePart.lastIndexOf(QLatin1Char('/'));
    return QDir::cleanPath(sourcePart.left(slash + 1) + target);
}

QString relsPartOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

class SheetReader
{
public:
    SheetReader(const QString &name, GridStore &store, const XlsxLimits &limits)
        : m_name(name)
        , m_store(store)
    {
        m_budget.limits = limits;
    }
    ~SheetReader()
    {
        if (m_zip)
            zip_discard(m_zip);
        if (m_source && !m_zip)
            zip_source_free(m_source);
    }
    SheetReader(const SheetReader &) = delete;
    SheetReader &operator=(const SheetReader &) = delete;

    FileResult run(QIODevice &device)
    {
        if (!openArchive(device))
            return failure();
        QHash<QString, Relationship> rootRels;
        QString workbook = QStringLiteral("xl/workbook.xml");
        if (PartReader::exists(m_zip, QStringLiteral("_rels/.rels"))) {
            if (!readRelationships(QStringLiteral("_rels/.rels"), QString(), rootRels))
                return failure();
            for (const Relationship &r : std::as_const(rootRels))
                if (r.type == QLatin1String("officeDocument"))
                    workbook = r.target;
        }
        QString sheetRelId;
        if (!readWorkbook(workbook, sheetRelId))
            return failure();
        QHash<QString, Relationship> bookRels;
        if (!readRelationships(relsPartOf(workbook), workbook, bookRels))
            return failure();
        const auto sheet = bookRels.constFind(sheetRelId);
        if (sheet == bookRels.cend())
            return failure(QStringLiteral("its first sheet has no part"));
        for (const Relationship &r : std::as_const(bookRels)) {
            if (r.type == QLatin1String("styles") && PartReader::exists(m_zip, r.target) && !readStyles(r.target))
                return failure();
            if (r.type == QLatin1String("sharedStrings") && PartReader::exists(m_zip, r.target)
                && !readSharedStrings(r.target))
                return failure();
        }
        if (!readSheet(sheet->target))
            return failure();
        return FileResult::success();
    }

private:
    FileResult failure(const QString &why = {})
    {
        return FileResult::failure(QStringLiteral("\"%1\" cannot be read as an Excel workbook: %2.")
                                       .arg(m_name, why.isEmpty() ? m_error : why));
    }
    const XlsxLimits &limits() const { return m_budget.limits; }
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }

    bool openArchive(QIODevice &device)
    {
        if (device.size() > limits().maxFileBytes)
            return fail(QStringLiteral("it is larger than %1 MB").arg(limits().maxFileBytes >> 20));
        m_bytes = device.readAll();
        if (m_bytes.startsWith("\xD0\xCF\x11\xE0"))
            return fail(QStringLiteral("it is an encrypted workbook or an old-style .xls file"));
        if (!m_bytes.startsWith("PK"))
            return fail(QStringLiteral("it is not a zip archive"));
        zip_error_t error;
        zip_error_init(&error);
        m_source = zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &error);
        if (m_source)
            m_zip = zip_open_from_source(m_source, ZIP_RDONLY, &error);
        const QString why = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        if (!m_zip)
            return fail(QStringLiteral("it is not a readable zip archive (%1)").arg(why));
        return true;
    }

    bool readRelationships(const QString &part, const QString &source, QHash<QString, Relationship> &out)
    {
        PartReader p(m_zip, m_budget, part);
        if (!p.open())
            return fail(p.error());
        while (p.next() != QXmlStreamReader::Invalid) {
            if (p.xml().isStartElement() && p.xml().name() == QLatin1String("Relationship")) {
                if (p.attr(QLatin1String("TargetMode")) == QLatin1String("External"))
                    continue;
                const QString type = p.attr(QLatin1String("Type")).toString();
                out.insert(p.attr(QLatin1String("Id")).toString(),
                    { type.mid(type.lastIndexOf(QLatin1Char('/')) + 1),
                        resolveTarget(source, p.attr(QLatin1String("Target")).toString()) });
            }
        }
        return p.failed() ? fail(p.error()) : true;
    }

    bool readWorkbook(const QString &part, QString &sheetRelId)
    {
        PartReader p(m_zip, m_budget, part);
        if (!p.open())
            return fail(p.error());
        while (p.next() != QXmlStreamReader::Invalid) {
            if (!p.xml().isStartElement())
                continue;
            if (p.xml().name() == QLatin1String("workbookPr"))
                m_date1904 = p.boolAttr(QLatin1String("date1904"));
            if (p.xml().name() == QLatin1String("sheet") && sheetRelId.isEmpty()) {
                for (const QXmlStreamAttribute &a : p.xml().attributes())
                    if (a.name() == QLatin1String("id") && a.namespaceUri().endsWith(QLatin1String("/relationships")))
                        sheetRelId = a.value().toString();
            }
        }
        if (p.failed())
            return fail(p.error());
        return sheetRelId.isEmpty() ? fail(QStringLiteral("it lists no sheet")) : true;
    }

    bool readStyles(const QString &part)
    {
        PartReader p(m_zip, m_budget, part);
        if (!p.open())
            return fail(p.error());
        QHash<int, QString> numFmts;
        std::vector<Font> fonts;
        std::vector<std::optional<QRgb>> fills;
        struct Xf
        {
            int font = 0, fill = 0, numFmt = 0;
            Alignment alignment = Alignment::General;
        };
        std::vector<Xf> xfs;
        QString section;
        while (p.next() != QXmlStreamReader::Invalid) {
            const QStringView name = p.xml().name();
            if (p.xml().isEndElement()) {
                if (name == section)
                    section.clear();
                continue;
            }
            if (!p.xml().isStartElement())
                continue;
            if (name == QLatin1String("numFmt")) {
                numFmts.insert(
                    p.intAttr(QLatin1String("numFmtId"), -1), p.attr(QLatin1String("formatCode")).toString());
            } else if (name == QLatin1String("fonts") || name == QLatin1String("fills")
                || name == QLatin1String("cellXfs") || name == QLatin1String("cellStyleXfs")
                || name == QLatin1String("dxfs")) {
                section = name.toString();
            } else if (section == QLatin1String("fonts")) {
                if (name == QLatin1String("font"))
                    fonts.emplace_back();
                else if (fonts.empty())
                    continue;
                else if (name == QLatin1String("b"))
                    fonts.back().bold = p.attr(QLatin1String("val")) != QLatin1String("0");
                else if (name == QLatin1String("i"))
                    fonts.back().italic = p.attr(QLatin1String("val")) != QLatin1String("0");
                else if (name == QLatin1String("u"))
                    fonts.back().underline = p.attr(QLatin1String("val")) != QLatin1String("none");
                else if (name == QLatin1String("sz"))
                    fonts.back().size = p.attr(QLatin1String("val")).toDouble();
                else if (name == QLatin1String("color"))
                    fonts.back().color = colorFromXml(p.attr(QLatin1String("rgb")));
            } else if (section == QLatin1String("fills")) {
                if (name == QLatin1String("fill"))
                    fills.emplace_back();
                else if (name == QLatin1String("fgColor") && !fills.empty())
                    fills.back() = colorFromXml(p.attr(QLatin1String("rgb")));
            } else if (section == QLatin1String("cellXfs")) {
                if (name == QLatin1String("xf")) {
                    xfs.push_back({ p.intAttr(QLatin1String("fontId"), 0), p.intAttr(QLatin1String("fillId"), 0),
                        p.intAttr(QLatin1String("numFmtId"), 0), Alignment::General });
                } else if (name == QLatin1String("alignment") && !xfs.empty()) {
                    xfs.back().alignment = alignmentFromXml(p.attr(QLatin1String("horizontal")));
                }
            }
            if (xfs.size() > 65'536 || fonts.size() > 65'536 || fills.size() > 65'536)
                return fail(QStringLiteral("its styles part holds too many styles"));
        }
        if (p.failed())
            return fail(p.error());
        const double defaultSize = fonts.empty() ? 0 : fonts.front().size;
        for (const Xf &xf : xfs) {
            CellStyle style;
            if (xf.font >= 0 && size_t(xf.font) < fonts.size()) {
                const Font &f = fonts[size_t(xf.font)];
                style.format.bold = f.bold;
                style.format.italic = f.italic;
                style.format.underline = f.underline;
                if (f.size != defaultSize && f.size >= 1 && f.size <= 255)
                    style.format.fontSize = quint8(std::lround(f.size));
                if (f.color) {
                    style.format.hasFore = true;
                    style.format.fore = *f.color;
                }
            }
            // The first two fills are reserved (none and gray125); a later one with a colour is the background.
            if (xf.fill >= 2 && size_t(xf.fill) < fills.size() && fills[size_t(xf.fill)]) {
                style.format.hasBack = true;
                style.format.back = *fills[size_t(xf.fill)];
            }
            style.format.alignment = xf.alignment == Alignment::General ? Alignment::Default : xf.alignment;
            style.dateCode = numFmts.contains(xf.numFmt) ? numFmts.value(xf.numFmt) : builtinDateCode(xf.numFmt);
            if (!style.dateCode.isEmpty() && !isDateCode(style.dateCode))
                style.dateCode.clear();
            m_styles.push_back(std::move(style));
        }
        return true;
    }

    // The message for a scan that stopped on a fault.
    bool scanFailed(const XlsxScanner &x, PartPipe &pipe)
    {
        switch (x.fault()) {
        case XlsxScanner::Fault::Source:
            return fail(pipe.error());
        case XlsxScanner::Fault::DocumentType:
            return fail(QStringLiteral("its part \"%1\" declares a document type").arg(pipe.part()));
        case XlsxScanner::Fault::TooDeep:
            return fail(QStringLiteral("its part \"%1\" nests XML elements more than %2 deep")
                            .arg(pipe.part())
                            .arg(XlsxGridFormat::kMaxDepth));
        default:
            return fail(
                QStringLiteral("its part \"%1\" is not well-formed XML (%2)").arg(pipe.part(), x.errorString()));
        }
    }

    // "_x000D_" and the like, in UTF-8 text.
    static void unescapeOoxml(std::string &utf8)
    {
        if (utf8.find("_x") == std::string::npos)
            return;
        QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        dq::unescapeOoxml(text);
        utf8 = text.toStdString();
    }

    bool readSharedStrings(const QString &part)
    {
        PartPipe pipe(m_zip, m_budget, part);
        if (!pipe.open())
            return fail(pipe.error());
        XlsxScanner x(
            [&pipe](QByteArray &block) { return pipe.pull(block); }, XlsxGridFormat::kMaxDepth, PartPipe::kHeadroom);
        TextCollector text(limits().maxCellChars);
        bool inText = false;
        int phonetic = 0;
        for (XlsxScanner::Token t; (t = x.next()) != XlsxScanner::EndDocument;) {
            if (t == XlsxScanner::Invalid)
                return scanFailed(x, pipe);
            const QByteArrayView name = x.name();
            if (t == XlsxScanner::Characters) {
                if (inText && !phonetic && !text.append(x.text()))
                    return fail(hugeCell());
            } else if (t == XlsxScanner::StartElement) {
                if (is(name, "si")) {
                    text.clear();
                    if (qint64(m_sharedEnds.size()) >= limits().maxCells)
                        return fail(QStringLiteral("it holds more than %1 strings").arg(limits().maxCells));
                    if (x.readWrappedText("t") && !addShared(x.text()))
                        return false;
                } else if (is(name, "t")) {
                    if (phonetic || !x.readTextContent())
                        inText = true;
                    else if (!text.append(x.text()))
                        return fail(hugeCell());
                } else if (is(name, "rPh")) {
                    ++phonetic;
                }
            } else if (is(name, "t")) {
                inText = false;
            } else if (is(name, "rPh")) {
                --phonetic;
            } else if (is(name, "si") && !addShared(text.text())) {
                return false;
            }
        }
        return true;
    }

    bool addShared(QByteArrayView text)
    {
        text = unescaped(text);
        if (text.size() > limits().maxCellChars && utf16Length(text) > limits().maxCellChars)
            return fail(hugeCell());
        m_sharedBytes.append(text.data(), size_t(text.size()));
        m_sharedEnds.push_back(qsizetype(m_sharedBytes.size()));
        return true;
    }

    QByteArrayView shared(size_t index) const
    {
        const qsizetype begin = index == 0 ? 0 : m_sharedEnds[index - 1];
        return QByteArrayView(m_sharedBytes).sliced(begin, m_sharedEnds[index] - begin);
    }

    // Text with "_x000D_" and the like replaced (in m_scratch), or as it stands when it holds none.
    QByteArrayView unescaped(QByteArrayView text)
    {
        if (text.isEmpty())
            return text; // and an empty view may point nowhere, which memchr must not be given
        const char *end = text.data() + text.size();
        for (const char *p = text.data(); (p = static_cast<const char *>(std::memchr(p, '_', size_t(end - p))));) {
            if (++p < end && *p == 'x') {
                m_scratch.assign(text.data(), size_t(text.size()));
                unescapeOoxml(m_scratch);
                return m_scratch;
            }
        }
        return text;
    }

    QString hugeCell() const
    {
        return QStringLiteral("it holds a cell longer than %1 characters").arg(limits().maxCellChars);
    }

    // The texts and formats of the row being read, until it is stored: the cells' UTF-8 back
    // to back, and where each column's text lies in it.
    struct PendingRow
    {
        int index = -1;
        int height = -1;
        std::string bytes;
        // Offset and length of each column's text; only the first count belong to this row,
        // the rest are kept empty for the rows to come.
        std::vector<std::pair<qsizetype, qsizetype>> cells;
        int count = 0;
        std::vector<CellFormat> formats;
        bool hasFormats = false;

        void set(int col, QByteArrayView text)
        {
            if (col >= count) {
                if (size_t(col) >= cells.size())
                    cells.resize(size_t(col) + 1);
                count = col + 1;
            }
            cells[size_t(col)] = { qsizetype(bytes.size()), text.size() };
            bytes.append(text.data(), size_t(text.size()));
        }
        void clear()
        {
            index = height = -1;
            bytes.clear();
            std::fill_n(cells.begin(), count, std::pair<qsizetype, qsizetype>());
            count = 0;
            formats.clear();
            hasFormats = false;
        }
    };

    void flushRow(PendingRow &row)
    {
        if (row.index < 0)
            return;
        if (size_t(row.index) >= m_store.rows.size())
            m_store.rows.resize(size_t(row.index) + 1);
        GridRow &target = m_store.rows[size_t(row.index)];
        if (!target.cells.isBlank()) {
            // The same row number twice: the later cells join the earlier ones.
            for (int c = 0; c < target.cells.storedCount(); ++c)
                if (c >= row.count || row.cells[size_t(c)].second == 0)
                    row.set(c, target.cells.utf8(c));
        }
        m_views.resize(size_t(row.count));
        for (int c = 0; c < row.count; ++c)
            m_views[size_t(c)]
                = QByteArrayView(row.bytes.data() + row.cells[size_t(c)].first, row.cells[size_t(c)].second);
        target.cells = RowCells::fromUtf8(m_views.data(), row.count);
        if (row.hasFormats) {
            if (row.index == 0)
                for (CellFormat &f : row.formats)
                    f.bold = false; // the title row's bold is the titles' look, given back by the grid
            row.formats.resize(size_t(row.count));
            target.formats = std::make_unique<std::vector<CellFormat>>(std::move(row.formats));
        }
        if (row.height >= 0)
            target.height = row.height;
        m_widest = qMax(m_widest, row.count);
        row.clear();
    }

    // Starts the cell at ref (empty: the next column) of the row being read.
    bool beginCell(QByteArrayView ref)
    {
        if (++m_cells > limits().maxCells)
            return fail(QStringLiteral("it holds more than %1 cells").arg(limits().maxCells));
        if (m_row.index < 0)
            return fail(QStringLiteral("a cell stands outside any row"));
        const auto shown = [ref] { return QString::fromUtf8(ref.first(qMin<qsizetype>(ref.size(), 20))); };
        int cellRow = m_row.index;
        m_cellCol = m_nextCol;
        if (!ref.isEmpty() && !parseCellRef(ref, cellRow, m_cellCol))
            return fail(QStringLiteral("a cell has the address \"%1\"").arg(shown()));
        if (cellRow != m_row.index)
            return fail(QStringLiteral("cell %1 stands in row %2").arg(shown()).arg(m_row.index + 1));
        if (m_cellCol >= XlsxGridFormat::kMaxCols)
            return fail(QStringLiteral("a row has more than %1 cells").arg(XlsxGridFormat::kMaxCols));
        m_nextCol = m_cellCol + 1;
        return true;
    }

    // Ends the cell begun last: its text from its type and value goes straight into the row.
    bool endCell(QByteArrayView type, QByteArrayView value, int style)
    {
        QByteArrayView text = value;
        if (is(type, "s")) {
            bool ok = false;
            const qsizetype index = value.trimmed().toLongLong(&ok);
            if (!ok || index < 0 || size_t(index) >= m_sharedEnds.size())
                return fail(QStringLiteral("a cell refers to shared string \"%1\", which does not exist")
                                .arg(QString::fromUtf8(value).left(20)));
            text = shared(size_t(index));
        } else if (is(type, "b")) {
            text = value.trimmed() == "1" ? QByteArrayView("TRUE") : QByteArrayView("FALSE");
        } else if (is(type, "inlineStr") || is(type, "str")) {
            text = unescaped(value);
        } else if (!is(type, "e") && !is(type, "d") && !value.isEmpty() && !numberText(value, style, text)) {
            return false;
        }
        if (text.size() > limits().maxCellChars && utf16Length(text) > limits().maxCellChars)
            return fail(hugeCell());
        m_row.set(m_cellCol, text);
        if (style > 0 && size_t(style) < m_styles.size()) {
            const CellFormat &f = m_styles[size_t(style)].format;
            if (!f.isDefault()) {
                if (size_t(m_cellCol) >= m_row.formats.size())
                    m_row.formats.resize(size_t(m_cellCol) + 1);
                m_row.formats[size_t(m_cellCol)] = f;
                m_row.hasFormats = true;
            }
        }
        return true;
    }

    // A number cell's value as Excel's General format or its date format shows it.
    bool numberText(QByteArrayView value, int style, QByteArrayView &text)
    {
        const QByteArrayView number = value.trimmed();
        const bool dated = style >= 0 && size_t(style) < m_styles.size() && !m_styles[size_t(style)].dateCode.isEmpty();
        if (!dated && isPlainWhole(number)) {
            text = number; // shown as it stands
            return true;
        }
        bool ok = false;
        const double v = number.toDouble(&ok);
        if (!ok)
            return fail(QStringLiteral("a number cell holds \"%1\"").arg(QString::fromUtf8(value).left(20)));
        if (dated && v >= 0 && v < 2958466)
            m_scratch = formatDate(v, m_styles[size_t(style)].dateCode, m_date1904).toStdString();
        else
            m_scratch = excelGeneralNumber(v).toStdString();
        text = m_scratch;
        return true;
    }

    // Whole numbers of up to 15 digits look the same in the General format.
    static bool isPlainWhole(QByteArrayView s)
    {
        const qsizetype sign = s.startsWith('-') ? 1 : 0;
        const qsizetype digits = s.size() - sign;
        if (digits < 1 || digits > 15 || (s[sign] == '0' && digits > 1) || (sign && s == "-0"))
            return false;
        for (qsizetype i = sign; i < s.size(); ++i)
            if (s[i] < '0' || s[i] > '9')
                return false;
        return true;
    }

    static int intOf(QByteArrayView v, int fallback)
    {
        if (v.isEmpty())
            return fallback;
        bool ok = false;
        const int n = v.toInt(&ok);
        return ok ? n : fallback;
    }
    static bool boolOf(QByteArrayView v) { return v == "1" || v == "true"; }

    bool readSheet(const QString &part)
    {
        PartPipe pipe(m_zip, m_budget, part);
        if (!pipe.open())
            return fail(pipe.error());
        XlsxScanner x(
            [&pipe](QByteArray &block) { return pipe.pull(block); }, XlsxGridFormat::kMaxDepth, PartPipe::kHeadroom);
        struct ColumnDef
        {
            int first, last, pixels;
            bool hidden, hasWidth;
            int style;
        };
        std::vector<ColumnDef> columnDefs;
        int nextRow = 0, cellStyle = -1;
        std::string cellType;
        TextCollector value(limits().maxCellChars);
        bool inValue = false, inInline = false;
        int phonetic = 0;
        // Cells in the usual plain shape are read whole; the rest token by token below.
        const auto plainCells = [&x, this] {
            XlsxScanner::Cell cell;
            while (x.readCell(cell))
                if (!beginCell(cell.ref) || !endCell(cell.type, cell.text, intOf(cell.style, -1)))
                    return false;
            return true;
        };
        for (XlsxScanner::Token t; (t = x.next()) != XlsxScanner::EndDocument;) {
            if (t == XlsxScanner::Invalid)
                return scanFailed(x, pipe);
            const QByteArrayView name = x.name();
            switch (t) {
            case XlsxScanner::StartElement:
                if (is(name, "c")) {
                    if (!beginCell(x.attribute("r")))
                        return false;
                    const QByteArrayView type = x.attribute("t");
                    cellType.assign(type.data(), size_t(type.size()));
                    cellStyle = intOf(x.attribute("s"), -1);
                    value.clear();
                } else if (is(name, "row")) {
                    flushRow(m_row);
                    const int r = intOf(x.attribute("r"), nextRow + 1);
                    if (r < 1 || r > XlsxGridFormat::kMaxRows)
                        return fail(QStringLiteral("it has a row numbered %1").arg(r));
                    m_row.index = r - 1;
                    nextRow = r;
                    m_nextCol = 0;
                    if (boolOf(x.attribute("customHeight")))
                        m_row.height = int(std::lround(qBound(0.0, x.attribute("ht").toDouble(), 409.0) * 20));
                    if (!plainCells())
                        return false;
                } else if (is(name, "v")) {
                    if (!x.readTextContent())
                        inValue = true;
                    else if (!value.append(x.text()))
                        return fail(hugeCell());
                } else if (is(name, "t") && inInline && !phonetic) {
                    // Its text would come as characters anyway; this is only quicker.
                    if (x.readTextContent() && !value.append(x.text()))
                        return fail(hugeCell());
                } else if (is(name, "is")) {
                    if (!x.readWrappedText("t"))
                        inInline = true;
                    else if (!value.append(x.text()))
                        return fail(hugeCell());
                } else if (is(name, "rPh")) {
                    ++phonetic;
                } else if (is(name, "col")) {
                    const int first = intOf(x.attribute("min"), 0), last = intOf(x.attribute("max"), 0);
                    if (first >= 1 && last >= first && last <= XlsxGridFormat::kMaxCols) {
                        const double width = x.attribute("width").toDouble();
                        const int pixels = width < 1 ? int(width * 12 + 0.5) : int(width * 7 + 0.5);
                        columnDefs.push_back({ first - 1, last - 1, pixels, boolOf(x.attribute("hidden")),
                            x.hasAttribute("width"), intOf(x.attribute("style"), -1) });
                    }
                }
                break;
            case XlsxScanner::Characters:
                if ((inValue || (inInline && !phonetic)) && !value.append(x.text()))
                    return fail(hugeCell());
                break;
            default:
                if (is(name, "v")) {
                    inValue = false;
                } else if (is(name, "is")) {
                    inInline = false;
                } else if (is(name, "rPh")) {
                    --phonetic;
                } else if (is(name, "row")) {
                    flushRow(m_row);
                } else if (is(name, "c")) {
                    if (!endCell(cellType, value.text(), cellStyle) || !plainCells())
                        return false;
                }
                break;
            }
        }
        flushRow(m_row);
        if (m_widest == 0)
            return fail(QStringLiteral("its first sheet is empty"));
        m_store.columns.assign(size_t(m_widest), ColumnAttributes {});
        for (const ColumnDef &d : columnDefs) {
            for (int c = d.first; c <= qMin(d.last, m_widest - 1); ++c) {
                ColumnAttributes &a = m_store.columns[size_t(c)];
                if (d.hasWidth && !(d.hidden && d.pixels == 0)) // a hidden column may give up its width
                    a.width = d.pixels * 15;
                a.hidden = d.hidden;
                if (d.style >= 0 && size_t(d.style) < m_styles.size())
                    a.alignment = m_styles[size_t(d.style)].format.alignment;
            }
        }
        // A cell that only repeats its column's alignment keeps none of its own.
        for (GridRow &r : m_store.rows) {
            if (!r.formats)
                continue;
            for (size_t c = 0; c < r.formats->size(); ++c) {
                CellFormat &f = (*r.formats)[c];
                if (f.alignment == m_store.columns[c].alignment)
                    f.alignment = Alignment::Default;
            }
        }
        m_store.fixedRows = 1;
        m_store.fixedCols = 0;
        return true;
    }

    QString m_name;
    GridStore &m_store;
    QString m_error;
    QByteArray m_bytes;
    zip_source_t *m_source = nullptr;
    zip_t *m_zip = nullptr;
    Budget m_budget;
    bool m_date1904 = false;
    std::vector<CellStyle> m_styles;
    std::string m_sharedBytes; // every shared string back to back
    std::vector<qsizetype> m_sharedEnds;
    std::string m_scratch; // a cell's text when it is not the text read
    PendingRow m_row;
    int m_nextCol = 0, m_cellCol = 0;
    qint64 m_cells = 0;
    std::vector<QByteArrayView> m_views; // the pending row's cells, reused row after row
    int m_widest = 0;
};

} // namespace

QString excelGeneralNumber(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");
    if (value == 0)
        return QStringLiteral("0");
    const auto trimZeros = [](QString s) {
        if (s.contains(QLatin1Char('.'))) {
            while (s.endsWith(QLatin1Char('0')))
                s.chop(1);
            if (s.endsWith(QLatin1Char('.')))
                s.chop(1);
        }
        return s;
    };
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e-9 && magnitude < 1e15) {
        const int exponent = int(std::floor(std::log10(magnitude)));
        return trimZeros(QString::number(value, 'f', qBound(0, 14 - exponent, 24)));
    }
    const QString s = QString::number(value, 'E', 14);
    const qsizetype e = s.indexOf(QLatin1Char('E'));
    return trimZeros(s.left(e)) + s.mid(e);
}

FileResult XlsxSheetReader::read(QIODevice &device, const QString &name, GridStore &store, const XlsxLimits &limits)
{
    return SheetReader(name, store, limits).run(device);
}

} // namespace dq
