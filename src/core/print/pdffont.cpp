#include "core/print/pdffont.h"

#include <hb-subset.h>
#include <hb.h>

#include <QtEndian>

#include <cmath>

namespace dq {

namespace {

hb_blob_t *tableBlob(const QRawFont &raw, hb_tag_t tag)
{
    const char name[5] = { char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag), 0 };
    auto *data = new QByteArray(raw.fontTable(name));
    if (data->isEmpty()) {
        delete data;
        return nullptr;
    }
    return hb_blob_create(data->constData(), unsigned(data->size()), HB_MEMORY_MODE_READONLY, data,
        [](void *p) { delete static_cast<QByteArray *>(p); });
}

hb_blob_t *referenceTable(hb_face_t *, hb_tag_t tag, void *user)
{
    return tag ? tableBlob(*static_cast<const QRawFont *>(user), tag) : nullptr;
}

void appendHex(QByteArray &out, unsigned value, int digits)
{
    static const char hex[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i)
        out += hex[(value >> (4 * i)) & 0xf];
}

QByteArray number(double v)
{
    return QByteArray::number(std::round(v * 1000) / 1000, 'f', 3);
}

} // namespace

PdfFont::PdfFont(const QRawFont &raw)
    : m_raw(raw)
{
    m_face = hb_face_create_for_tables(referenceTable, &m_raw, nullptr);
    m_upem = raw.unitsPerEm() > 0 ? raw.unitsPerEm() : 1000;
    hb_face_set_upem(m_face, unsigned(m_upem));
    m_font = hb_font_create(m_face);
    hb_font_set_scale(m_font, int(m_upem), int(m_upem));
    const unsigned count = hb_face_get_glyph_count(m_face);
    m_advance.assign(count, -1.f);
    m_used.assign(count, kUnused);
}

PdfFont::~PdfFont()
{
    hb_font_destroy(m_font);
    hb_face_destroy(m_face);
}

bool PdfFont::embeddable(const QRawFont &raw)
{
    return raw.isValid() && !raw.fontTable("glyf").isEmpty() && !raw.fontTable("loca").isEmpty();
}

double PdfFont::advance(unsigned glyph)
{
    if (glyph >= m_advance.size())
        return 0;
    float &a = m_advance[glyph];
    if (a < 0)
        a = float(hb_font_get_glyph_h_advance(m_font, glyph));
    return a;
}

void PdfFont::markUsed(unsigned glyph, QStringView text)
{
    m_used[glyph] = text.isEmpty() ? kUsed : kNamed;
    if (!text.isEmpty())
        m_text.insert(glyph, text.toString());
}

QByteArray PdfFont::subset() const
{
    // The tables a PDF reader needs to draw TrueType glyphs; the others only cost bytes.
    static const char *const tags[]
        = { "head", "hhea", "hmtx", "maxp", "glyf", "loca", "cvt ", "fpgm", "prep", "cmap", "post", "name", "OS/2" };
    hb_face_t *builder = hb_face_builder_create();
    for (const char *tag : tags) {
        if (hb_blob_t *blob = tableBlob(m_raw, hb_tag_from_string(tag, 4))) {
            hb_face_builder_add_table(builder, hb_tag_from_string(tag, 4), blob);
            hb_blob_destroy(blob);
        }
    }
    hb_blob_t *whole = hb_face_reference_blob(builder);
    hb_face_destroy(builder);
    hb_face_t *source = hb_face_create(whole, 0);
    hb_blob_destroy(whole);

    QByteArray out;
    if (hb_subset_input_t *input = hb_subset_input_create_or_fail()) {
        hb_set_t *glyphs = hb_subset_input_glyph_set(input);
        hb_set_add(glyphs, 0);
        for (unsigned g = 0; g < m_used.size(); ++g)
            if (m_used[g])
                hb_set_add(glyphs, g);
        hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS);
        if (hb_face_t *result = hb_subset_or_fail(source, input)) {
            hb_blob_t *blob = hb_face_reference_blob(result);
            unsigned length = 0;
            const char *data = hb_blob_get_data(blob, &length);
            out = QByteArray(data, qsizetype(length));
            hb_blob_destroy(blob);
            hb_face_destroy(result);
        }
        hb_subset_input_destroy(input);
    }
    hb_face_destroy(source);
    return out;
}

QByteArray PdfFont::widths()
{
    QByteArray out = "[";
    const double scale = 1000.0 / m_upem;
    for (unsigned g = 0; g < m_used.size();) {
        if (!m_used[g]) {
            ++g;
            continue;
        }
        out += QByteArray::number(g) + " [";
        for (; g < m_used.size() && m_used[g]; ++g)
            out += number(advance(g) * scale) + ' ';
        out += "]\n";
    }
    out += ']';
    return out;
}

QByteArray PdfFont::toUnicode() const
{
    QByteArray out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    QList<unsigned> glyphs = m_text.keys();
    std::sort(glyphs.begin(), glyphs.end());
    for (qsizetype i = 0; i < glyphs.size(); i += 100) {
        const qsizetype n = std::min<qsizetype>(100, glyphs.size() - i);
        out += QByteArray::number(n) + " beginbfchar\n";
        for (qsizetype k = i; k < i + n; ++k) {
            out += '<';
            appendHex(out, glyphs[k], 4);
            out += "> <";
            for (QChar ch : m_text.value(glyphs[k]))
                appendHex(out, ch.unicode(), 4);
            out += ">\n";
        }
        out += "endbfchar\n";
    }
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

QByteArray PdfFont::baseName() const
{
    QByteArray name;
    const QString family = m_raw.familyName() + u'-' + m_raw.styleName();
    for (QChar ch : family)
        if (ch.unicode() > 32 && ch.unicode() < 127 && !QByteArrayView("()<>[]{}/%#").contains(char(ch.unicode())))
            name += char(ch.unicode());
    return name.isEmpty() ? QByteArray("Font") : name;
}

QByteArray PdfFont::descriptorEntries() const
{
    const double scale = 1000.0 / m_raw.pixelSize();
    QByteArray box = "[0 0 1000 1000]";
    const QByteArray head = m_raw.fontTable("head");
    if (head.size() >= 44) {
        const auto at = [&](int offset) { return qFromBigEndian<qint16>(head.constData() + offset) * 1000.0 / m_upem; };
        box = '[' + number(at(36)) + ' ' + number(at(38)) + ' ' + number(at(40)) + ' ' + number(at(42)) + ']';
    }
    return "/Flags 32 /FontBBox " + box + " /ItalicAngle 0 /Ascent " + number(m_raw.ascent() * scale) + " /Descent "
        + number(-m_raw.descent() * scale) + " /CapHeight " + number(m_raw.capHeight() * scale) + " /StemV 80";
}

} // namespace dq
