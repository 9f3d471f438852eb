#include "core/grid/xlsxscanner.h"

#include <array>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace dq {

namespace {

// Text with no '<' in sight is handed out in pieces of about this size, so a huge run of
// text never has to be held whole.
constexpr qsizetype kTextPiece = 64 * 1024;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Bit 1: may start a name; bit 2: may stand in one. Bytes of multi-byte characters count as letters.
constexpr std::array<uchar, 256> kNameTable = [] {
    std::array<uchar, 256> t {};
    for (int c = 0; c < 256; ++c) {
        const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
        t[size_t(c)] = uchar((start ? 3 : 0) | ((c >= '0' && c <= '9') || c == '-' || c == '.' ? 2 : 0));
    }
    return t;
}();

// Bytes that end the plain run of an attribute value: either quote, '<', '&' and literal
// white space other than a blank (which decoding turns into blanks).
constexpr std::array<bool, 256> kValueStop = [] {
    std::array<bool, 256> t {};
    for (const char c : { '"', '\'', '<', '&', '\t', '\n', '\r' })
        t[uchar(c)] = true;
    return t;
}();

// Text bytes: 0 plain ASCII, 1 '<', 2 a reference or control character, 3 a multi-byte lead.
constexpr std::array<uchar, 256> kTextClass = [] {
    std::array<uchar, 256> t {};
    for (int c = 0; c < 256; ++c)
        t[size_t(c)] = c == '<' ? 1 : c >= 0x80 ? 3 : c == '&' || (c < 0x20 && c != '\n' && c != '\t') ? 2 : 0;
    return t;
}();

constexpr std::array<bool, 256> kAlnum = [] {
    std::array<bool, 256> t {};
    for (int c = 0; c < 256; ++c)
        t[size_t(c)] = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return t;
}();

inline bool isNameStart(char c)
{
    return kNameTable[uchar(c)] & 1;
}

inline bool isNameChar(char c)
{
    return kNameTable[uchar(c)] & 2;
}

// Scans the name starting at p; returns its end, and in local where its local part starts.
inline const char *scanName(const char *p, const char *end, const char *&local)
{
    local = p;
    for (; p < end && isNameChar(*p); ++p)
        if (*p == ':')
            local = p + 1;
    return p;
}

bool isNamespaceDeclaration(QByteArrayView name)
{
    return name.size() >= 5 && std::memcmp(name.data(), "xmlns", 5) == 0 && (name.size() == 5 || name[5] == ':');
}

// Names are short: a plain loop beats a call to memcmp.
inline bool same(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

// Length of the valid UTF-8 sequence at p (lead byte 0x80 or above), 0 when it is not one.
int utf8Length(const char *p, const char *end)
{
    const auto at = [&](int i) { return p + i < end ? uchar(p[i]) : 0; };
    const auto cont = [&](int i) { return (at(i) & 0xC0) == 0x80; };
    const uchar c = at(0);
    if (c >= 0xC2 && c <= 0xDF)
        return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const uchar lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        return at(1) >= lo && at(1) <= hi && cont(2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const uchar lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        return at(1) >= lo && at(1) <= hi && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

void appendUtf8(std::string &out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// The character a reference between '&' and ';' stands for; 0 when it stands for none.
char32_t referencedChar(QByteArrayView ref)
{
    if (ref == "lt")
        return '<';
    if (ref == "gt")
        return '>';
    if (ref == "amp")
        return '&';
    if (ref == "quot")
        return '"';
    if (ref == "apos")
        return '\'';
    if (ref.size() < 2 || ref[0] != '#')
        return 0;
    const bool hex = ref[1] == 'x';
    const QByteArrayView digits = ref.sliced(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return 0;
    char32_t code = 0;
    for (const char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            return 0;
        code = code * (hex ? 16 : 10) + char32_t(d);
    }
    const bool allowed = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF)
        || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
    return allowed ? code : 0;
}

// -1 while the bytes so far match the start of text but are too few to tell.
int startsWith(const char *p, const char *end, QByteArrayView text)
{
    const qsizetype have = qMin<qsizetype>(end - p, text.size());
    if (std::memcmp(p, text.data(), size_t(have)) != 0)
        return 0;
    return have == text.size() ? 1 : -1;
}

// Short markup compared eight bytes at a time: a call to memcmp would cost more.
template <size_t N> inline bool sameBytes(const char *p, const char (&text)[N])
{
    constexpr size_t n = N - 1;
    const auto word = [](const char *at) {
        quint64 w;
        std::memcpy(&w, at, sizeof w);
        return w;
    };
    if constexpr (n < 8) {
        for (size_t i = 0; i < n; ++i)
            if (p[i] != text[i])
                return false;
        return true;
    } else {
        for (size_t i = 0; i + 8 <= n; i += 8)
            if (word(p + i) != word(text + i))
                return false;
        return word(p + n - 8) == word(text + n - 8);
    }
}

// Where a run of ASCII letters and digits starting at p ends.
inline const char *alnumEnd(const char *p, const char *end)
{
#ifdef __SSE2__
    if (end - p >= 16) {
        // A byte is in [lo, hi] when, moved so that lo lands on -128, it is below -128 + (hi - lo + 1).
        const auto inRange = [](__m128i v, char lo, char hi) {
            const __m128i moved = _mm_add_epi8(v, _mm_set1_epi8(char(0x80 - uchar(lo))));
            return _mm_cmplt_epi8(moved, _mm_set1_epi8(char(0x80 + (hi - lo + 1))));
        };
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i alnum
            = _mm_or_si128(inRange(v, '0', '9'), inRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'z'));
        if (const unsigned other = ~unsigned(_mm_movemask_epi8(alnum)) & 0xFFFFu)
            return p + std::countr_zero(other);
    }
#endif
    while (p < end && kAlnum[uchar(*p)])
        ++p;
    return p;
}

// One pass finds where text ends (the next '<', or end) and whether it can be used as it
// stands: valid UTF-8 with no reference, carriage return or control character.
inline const char *textEnd(const char *p, const char *end, bool &plain)
{
#ifdef __SSE2__
    // Sixteen plain ASCII bytes at a time: none is '<', '&', a control character or a lead byte.
    const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&'), blank = _mm_set1_epi8(' ');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        // As signed bytes, control characters and the bytes from 0x80 up are all below a blank.
        const __m128i stop
            = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp)), _mm_cmplt_epi8(v, blank));
        if (const int mask = _mm_movemask_epi8(stop)) {
            p += std::countr_zero(unsigned(mask));
            if (*p == '<')
                return p;
            break;
        }
        p += 16;
    }
#endif
    while (p < end) {
        const uchar k = kTextClass[uchar(*p)];
        if (!k) {
            ++p;
        } else if (k == 1) {
            break;
        } else if (k == 2) {
            plain = false;
            ++p;
        } else if (const int n = utf8Length(p, end)) {
            p += n;
        } else {
            plain = false;
            ++p;
        }
    }
    return p;
}

} // namespace

XlsxScanner::XlsxScanner(Source source, int maxDepth, qsizetype headroom)
    : m_source(std::move(source))
    , m_maxDepth(maxDepth)
    , m_headroom(headroom)
{
}

QByteArrayView XlsxScanner::attribute(QByteArrayView localName) const
{
    for (size_t i = 0; i < m_attrCount; ++i)
        if (const Attribute &a = m_attributes[i]; same(a.localName, localName) && !a.declaresNamespace)
            return a.value;
    return {};
}

bool XlsxScanner::hasAttribute(QByteArrayView localName) const
{
    for (size_t i = 0; i < m_attrCount; ++i)
        if (const Attribute &a = m_attributes[i]; same(a.localName, localName) && !a.declaresNamespace)
            return true;
    return false;
}

XlsxScanner::Token XlsxScanner::fail(Fault fault, const char *why)
{
    m_fault = fault;
    m_error = QStringLiteral("%1 at byte %2").arg(QLatin1String(why)).arg(m_discarded + m_pos);
    return m_token = Invalid;
}

bool XlsxScanner::fill()
{
    if (m_eof)
        return false;
    QByteArray block = std::move(m_spare);
    if (!m_source(block)) {
        m_fault = Fault::Source;
        m_token = Invalid;
        return false;
    }
    if (block.size() <= m_headroom) {
        m_eof = true;
        return false;
    }
    const qsizetype left = m_buf.size() - m_pos;
    if (left <= m_headroom) {
        // The unscanned rest moves in front of the new bytes; the old buffer is handed back.
        const qsizetype at = m_headroom - left;
        if (left > 0)
            std::memcpy(block.data() + at, m_buf.constData() + m_pos, size_t(left));
        m_discarded += m_pos - at;
        m_spare = std::move(m_buf);
        m_buf = std::move(block);
        m_pos = at;
        return true;
    }
    m_buf.remove(0, m_pos);
    m_discarded += m_pos;
    m_pos = 0;
    m_buf.append(QByteArrayView(block).sliced(m_headroom));
    m_spare = std::move(block);
    return true;
}

XlsxScanner::Token XlsxScanner::next()
{
    if (m_fault != Fault::None)
        return Invalid;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_names.resize(size_t(m_nameStarts.back()));
        m_nameStarts.pop_back();
        m_rootClosed = m_nameStarts.empty();
        return m_token = EndElement;
    }
    for (;;) {
        if (m_pos >= m_buf.size() && !fill()) {
            if (m_fault != Fault::None)
                return Invalid;
            if (!m_rootSeen || !m_nameStarts.empty())
                return fail(Fault::Malformed, "the document ends early");
            return m_token = EndDocument;
        }
        if (!m_bomSeen) {
            const char *at = m_buf.constData() + m_pos;
            const int bom = startsWith(at, m_buf.constData() + m_buf.size(), "\xEF\xBB\xBF");
            if (bom < 0 && fill())
                continue;
            if (m_fault != Fault::None)
                return Invalid;
            m_pos += bom == 1 ? 3 : 0;
            m_bomSeen = true;
            continue;
        }
        switch (m_buf.constData()[m_pos] == '<' ? scanMarkup() : scanText()) {
        case Step::Done:
            return m_token;
        case Step::Skip:
            break;
        case Step::Failed:
            return Invalid;
        case Step::NeedMore:
            if (m_buf.size() - m_pos > kMaxMarkup)
                return fail(Fault::Malformed, "a piece of markup is longer than 8 MB");
            if (!fill())
                return m_fault != Fault::None ? Invalid : fail(Fault::Malformed, "the document ends early");
            break;
        }
    }
}

bool XlsxScanner::decodeText(const char *begin, const char *end, bool references, std::string &out)
{
    // Most text has nothing to replace and is used where it stands.
    const char *p = begin;
    while (p < end) {
        const auto c = uchar(*p);
        if (c >= 0x80) {
            const int n = utf8Length(p, end);
            if (!n)
                break;
            p += n;
        } else if ((c >= 0x20 && c != '&') || c == '\n' || c == '\t' || (c == '&' && !references)) {
            ++p;
        } else {
            break;
        }
    }
    if (p == end) {
        m_text = QByteArrayView(begin, end - begin);
        return true;
    }
    // Faults inside attribute values, which are decoded from a copy, are placed at the tag.
    const auto at = [this](const char *q) {
        if (q >= m_buf.constData() && q <= m_buf.constData() + m_buf.size())
            m_pos = q - m_buf.constData();
    };
    out.assign(begin, p);
    while (p < end) {
        const auto c = uchar(*p);
        if (c == '&' && references) {
            const char *semi = static_cast<const char *>(std::memchr(p, ';', size_t(qMin<qsizetype>(end - p, 12))));
            const char32_t code = semi ? referencedChar(QByteArrayView(p + 1, semi - p - 1)) : 0;
            if (!code) {
                at(p);
                fail(Fault::Malformed, "an entity reference is unknown or unfinished");
                return false;
            }
            appendUtf8(out, code);
            p = semi + 1;
        } else if (c == '\r') {
            out += '\n';
            if (++p < end && *p == '\n')
                ++p;
        } else if (c < 0x20 && c != '\n' && c != '\t') {
            at(p);
            fail(Fault::Malformed, "a control character stands in text");
            return false;
        } else if (c < 0x80) {
            out += char(c);
            ++p;
        } else {
            const int n = utf8Length(p, end);
            if (!n) {
                at(p);
                fail(Fault::Malformed, "text is not valid UTF-8");
                return false;
            }
            out.append(p, size_t(n));
            p += n;
        }
    }
    m_text = QByteArrayView(out);
    return true;
}

bool XlsxScanner::readTextContent()
{
    if (m_token != StartElement || m_pendingEnd)
        return false;
    const char *begin = m_buf.constData() + m_pos;
    const char *end = m_buf.constData() + m_buf.size();
    bool plain = true;
    const char *close = textEnd(begin, end, plain);
    const QByteArrayView name = QByteArrayView(m_names).sliced(m_nameStarts.back());
    if (end - close < name.size() + 3 || close[1] != '/' || !same(QByteArrayView(close + 2, name.size()), name))
        return false;
    const char *p = close + 2 + name.size();
    while (p < end && isSpace(*p))
        ++p;
    if (p == end || *p != '>')
        return false;
    if (plain)
        m_text = QByteArrayView(begin, close - begin);
    else if (!decodeText(begin, close, true, m_decoded))
        return false;
    m_names.resize(size_t(m_nameStarts.back()));
    m_nameStarts.pop_back();
    m_pos = p + 1 - m_buf.constData();
    m_token = EndElement;
    return true;
}

bool XlsxScanner::readWrappedText(QByteArrayView innerName)
{
    if (m_token != StartElement || m_pendingEnd)
        return false;
    const qsizetype start = m_pos;
    const size_t depth = m_nameStarts.size();
    const QByteArrayView outer = m_name;
    const char *p = m_buf.constData() + m_pos;
    const char *end = m_buf.constData() + m_buf.size();
    if (end - p < 2 || p[0] != '<' || p[1] == '/' || p[1] == '!' || p[1] == '?')
        return false;
    if (scanStartTag() != Step::Done)
        return rollBack(start, depth, outer);
    if (m_pendingEnd || !same(m_name, innerName) || !readTextContent())
        return rollBack(start, depth, outer);
    // Now the outer end tag, right away.
    const QByteArrayView outerName = QByteArrayView(m_names).sliced(m_nameStarts.back());
    p = m_buf.constData() + m_pos;
    if (end - p < outerName.size() + 3 || p[0] != '<' || p[1] != '/'
        || !same(QByteArrayView(p + 2, outerName.size()), outerName))
        return rollBack(start, depth, outer);
    p += 2 + outerName.size();
    while (p < end && isSpace(*p))
        ++p;
    if (p == end || *p != '>')
        return rollBack(start, depth, outer);
    m_names.resize(size_t(m_nameStarts.back()));
    m_nameStarts.pop_back();
    m_pos = p + 1 - m_buf.constData();
    m_name = outer;
    m_token = EndElement;
    return true;
}

bool XlsxScanner::rollBack(qsizetype pos, size_t depth, QByteArrayView name)
{
    if (m_fault != Fault::None)
        return false; // next() reports it
    m_pos = pos;
    if (m_nameStarts.size() > depth) {
        m_names.resize(size_t(m_nameStarts[depth]));
        m_nameStarts.resize(depth);
    }
    m_pendingEnd = false;
    m_name = name;
    m_token = StartElement;
    return false;
}

bool XlsxScanner::readCell(Cell &cell)
{
    if (m_fault != Fault::None || m_pendingEnd || m_nameStarts.empty() || int(m_nameStarts.size()) + 3 > m_maxDepth)
        return false;
    const char *p = m_buf.constData() + m_pos;
    const char *const end = m_buf.constData() + m_buf.size();
    while (p < end && isSpace(*p))
        ++p;
    if (end - p < 4 || p[0] != '<' || p[1] != 'c')
        return false;
    p += 2;
    cell = {};
    const auto done = [&](QByteArrayView text) {
        m_pos = p - m_buf.constData();
        m_text = text;
        cell.text = text;
        m_attrCount = 0;
        m_name = QByteArrayView("c", 1);
        m_token = EndElement;
        return true;
    };
    for (unsigned seen = 0;;) {
        if (end - p < 2)
            return false;
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (p[1] != '>')
                return false;
            p += 2;
            return done({});
        }
        // One blank, a one-letter name, '=' and a quoted value of letters and digits.
        if (*p != ' ' || end - p < 5)
            return false;
        const char n = p[1];
        const unsigned bit = n == 'r' ? 1 : n == 's' ? 2 : n == 't' ? 4 : 0;
        if (!bit || (seen & bit) || p[2] != '=' || (p[3] != '"' && p[3] != '\''))
            return false;
        seen |= bit;
        const char *value = p + 4;
        const char *q = alnumEnd(value, end);
        if (q == end || *q != p[3])
            return false;
        (n == 'r' ? cell.ref : n == 's' ? cell.style : cell.type) = QByteArrayView(value, q - value);
        p = q + 1;
    }
    const auto literal = [&p, end]<size_t N>(const char(&text)[N]) {
        if (end - p < qsizetype(N - 1) || !sameBytes(p, text))
            return false;
        p += N - 1;
        return true;
    };
    if (literal("</c>"))
        return done({});
    const bool value = literal("<v>");
    if (!value && !literal("<is><t>") && !literal("<is><t xml:space=\"preserve\">"))
        return false;
    const char *begin = p;
    bool plain = true;
    p = textEnd(begin, end, plain);
    const char *close = p;
    if (!(value ? literal("</v></c>") : literal("</t></is></c>")))
        return false;
    if (plain)
        return done(QByteArrayView(begin, close - begin));
    if (!decodeText(begin, close, true, m_decoded))
        return false;
    return done(m_text);
}

XlsxScanner::Step XlsxScanner::scanText()
{
    const char *begin = m_buf.constData() + m_pos;
    const char *end = m_buf.constData() + m_buf.size();
    bool plain = true;
    const char *stop = textEnd(begin, end, plain);
    if (stop == end) {
        if (!m_eof && end - begin < kTextPiece)
            return Step::NeedMore;
        plain = false;
        if (!m_eof) {
            // Keep an unfinished reference, character or line end for the next piece.
            for (const char *q = stop; q > begin && q > stop - 12; --q) {
                if (q[-1] == ';')
                    break;
                if (q[-1] == '&') {
                    stop = q - 1;
                    break;
                }
            }
            const char *lead = stop;
            while (lead > begin && (uchar(lead[-1]) & 0xC0) == 0x80 && stop - lead < 3)
                --lead;
            if (lead > begin && uchar(lead[-1]) >= 0xC0)
                stop = lead - 1;
            if (stop > begin && stop[-1] == '\r')
                --stop;
        }
    }
    if (m_nameStarts.empty()) {
        for (const char *p = begin; p < stop; ++p) {
            if (!isSpace(*p)) {
                m_pos = p - m_buf.constData();
                fail(Fault::Malformed, "text stands outside the root element");
                return Step::Failed;
            }
        }
        m_pos = stop - m_buf.constData();
        return Step::Skip;
    }
    if (plain)
        m_text = QByteArrayView(begin, stop - begin);
    else if (!decodeText(begin, stop, true, m_decoded))
        return Step::Failed;
    m_pos = stop - m_buf.constData();
    m_token = Characters;
    return Step::Done;
}

XlsxScanner::Step XlsxScanner::scanMarkup()
{
    const char *p = m_buf.constData() + m_pos;
    const char *end = m_buf.constData() + m_buf.size();
    if (end - p < 2)
        return Step::NeedMore;
    if (p[1] == '/')
        return scanEndTag();
    if (p[1] != '?' && p[1] != '!')
        return scanStartTag();
    const QByteArrayView rest(p, end - p);
    if (p[1] == '?' || startsWith(p, end, "<!--") == 1) {
        const bool comment = p[1] == '!';
        const qsizetype close = rest.indexOf(comment ? QByteArrayView("-->") : QByteArrayView("?>"), comment ? 4 : 2);
        if (close < 0)
            return Step::NeedMore;
        m_pos += close + (comment ? 3 : 2);
        return Step::Skip;
    }
    const int cdata = startsWith(p, end, "<![CDATA[");
    if (cdata == 1)
        return scanCdata();
    const int doctype = startsWith(p, end, "<!DOCTYPE");
    if (doctype == 1) {
        fail(Fault::DocumentType, "a document type is declared");
        return Step::Failed;
    }
    if (cdata < 0 || doctype < 0 || startsWith(p, end, "<!--") < 0)
        return Step::NeedMore;
    fail(Fault::Malformed, "a declaration is not understood");
    return Step::Failed;
}

XlsxScanner::Step XlsxScanner::scanCdata()
{
    const char *begin = m_buf.constData() + m_pos + 9;
    const char *end = m_buf.constData() + m_buf.size();
    const qsizetype close = QByteArrayView(begin, end - begin).indexOf("]]>");
    if (close < 0)
        return Step::NeedMore;
    if (m_nameStarts.empty()) {
        fail(Fault::Malformed, "a CDATA section stands outside the root element");
        return Step::Failed;
    }
    if (!decodeText(begin, begin + close, false, m_decoded))
        return Step::Failed;
    m_pos = begin + close + 3 - m_buf.constData();
    m_token = Characters;
    return Step::Done;
}

XlsxScanner::Step XlsxScanner::scanEndTag()
{
    const char *const start = m_buf.constData() + m_pos;
    const char *end = m_buf.constData() + m_buf.size();
    const char *p = start + 2;
    const char *nameBegin = p;
    const char *local = nullptr;
    p = scanName(p, end, local);
    const QByteArrayView name(nameBegin, p - nameBegin);
    const QByteArrayView localName(local, p - local);
    while (p < end && isSpace(*p))
        ++p;
    if (p == end)
        return Step::NeedMore;
    if (*p != '>' || name.isEmpty() || !isNameStart(name[0])) {
        fail(Fault::Malformed, "an end tag is malformed");
        return Step::Failed;
    }
    if (m_nameStarts.empty() || !same(QByteArrayView(m_names).sliced(m_nameStarts.back()), name)) {
        fail(Fault::Malformed, "an end tag does not match its start tag");
        return Step::Failed;
    }
    m_names.resize(size_t(m_nameStarts.back()));
    m_nameStarts.pop_back();
    m_rootClosed = m_nameStarts.empty();
    m_name = localName;
    m_pos = p + 1 - m_buf.constData();
    m_token = EndElement;
    return Step::Done;
}

bool XlsxScanner::decodeAttributes()
{
    m_attrValues.clear();
    for (size_t i = 0; i < m_attrCount; ++i) {
        Attribute &a = m_attributes[i];
        if (a.plain)
            continue;
        // Literal white space turns into blanks; white space from references stays.
        std::string raw;
        for (qsizetype i = 0; i < a.value.size(); ++i) {
            const char c = a.value[i];
            if (c == '\r' && i + 1 < a.value.size() && a.value[i + 1] == '\n')
                continue;
            raw += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
        }
        if (!decodeText(raw.data(), raw.data() + raw.size(), true, m_decoded))
            return false;
        a.decodedAt = qsizetype(m_attrValues.size());
        a.decodedSize = m_text.size();
        m_attrValues.append(m_text.data(), size_t(m_text.size()));
    }
    for (size_t i = 0; i < m_attrCount; ++i)
        if (Attribute &a = m_attributes[i]; a.decodedAt >= 0)
            a.value = QByteArrayView(m_attrValues).sliced(a.decodedAt, a.decodedSize);
    return true; // the views are taken once the buffer has stopped growing
}

XlsxScanner::Step XlsxScanner::scanStartTag()
{
    const char *const start = m_buf.constData() + m_pos;
    const char *end = m_buf.constData() + m_buf.size();
    const char *p = start + 1;
    const auto malformed = [this, &p](const char *why) {
        m_pos = p - m_buf.constData();
        fail(Fault::Malformed, why);
        return Step::Failed;
    };
    if (!isNameStart(*p))
        return malformed("a tag is malformed");
    const char *local = nullptr;
    p = scanName(p, end, local);
    const QByteArrayView name(start + 1, p - start - 1);
    const QByteArrayView localName(local, p - local);
    m_attrCount = 0;
    bool selfClosing = false;
    bool encoded = false;
    for (;;) {
        const char *const before = p;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return Step::NeedMore;
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (p + 1 == end)
                return Step::NeedMore;
            if (p[1] != '>')
                return malformed("a tag is malformed");
            p += 2;
            selfClosing = true;
            break;
        }
        if (p == before || !isNameStart(*p))
            return malformed("an attribute is malformed");
        const char *attrBegin = p;
        const char *attrLocal = nullptr;
        p = scanName(p, end, attrLocal);
        const QByteArrayView attrName(attrBegin, p - attrBegin);
        const QByteArrayView attrLocalName(attrLocal, p - attrLocal);
        if (p < end && *p == '=') {
            ++p;
        } else {
            while (p < end && isSpace(*p))
                ++p;
            if (p == end)
                return Step::NeedMore;
            if (*p != '=')
                return malformed("an attribute has no value");
            ++p;
        }
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return Step::NeedMore;
        if (*p != '"' && *p != '\'')
            return malformed("an attribute value is not quoted");
        const char quote = *p;
        const char *valueBegin = p + 1;
        const char *close = valueBegin;
        bool plain = true;
        for (;; ++close) {
            while (close < end && !kValueStop[uchar(*close)])
                ++close;
            if (close == end)
                return Step::NeedMore;
            const char c = *close;
            if (c == quote)
                break;
            if (c == '<')
                return malformed("an attribute value holds '<'");
            if (c != '"' && c != '\'')
                plain = false;
        }
        for (size_t i = 0; i < m_attrCount; ++i)
            if (same(m_attributes[i].name, attrName))
                return malformed("an attribute appears twice");
        if (m_attrCount >= 1024)
            return malformed("a tag has too many attributes");
        // Filled in place: a new entry is made only when a tag has more attributes than any before.
        if (m_attrCount == m_attributes.size())
            m_attributes.emplace_back();
        Attribute &a = m_attributes[m_attrCount++];
        a.name = attrName;
        a.localName = attrLocalName;
        a.value = QByteArrayView(valueBegin, close - valueBegin);
        a.plain = plain;
        a.declaresNamespace = attrName[0] == 'x' && isNamespaceDeclaration(attrName);
        a.decodedAt = -1;
        a.decodedSize = 0;
        encoded = encoded || !plain;
        p = close + 1;
    }
    if (m_rootClosed)
        return malformed("a second root element follows the first");
    if (int(m_nameStarts.size()) >= m_maxDepth) {
        fail(Fault::TooDeep, "elements nest too deep");
        return Step::Failed;
    }
    // Values with references or white space other than blanks are decoded into one buffer.
    if (encoded && !decodeAttributes())
        return Step::Failed;
    m_nameStarts.push_back(qsizetype(m_names.size()));
    m_names.append(name.data(), size_t(name.size()));
    m_rootSeen = true;
    m_name = localName;
    m_pendingEnd = selfClosing;
    m_pos = p - m_buf.constData();
    m_token = StartElement;
    return Step::Done;
}

} // namespace dq
