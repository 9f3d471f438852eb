#pragma once

#include <QByteArray>
#include <QHash>
#include <QRawFont>
#include <QString>

#include <vector>

struct hb_face_t;
struct hb_font_t;

namespace dq {

// A TrueType font as a PDF embeds it: shaped with HarfBuzz, glyph ids kept as they are in the
// font (so content streams name glyphs directly), and at the end a subset of the glyphs used,
// their widths and the text each stands for, so the PDF's words can be read back.
class PdfFont
{
public:
    explicit PdfFont(const QRawFont &raw);
    ~PdfFont();
    PdfFont(const PdfFont &) = delete;
    PdfFont &operator=(const PdfFont &) = delete;

    // Whether a font can be embedded this way: it has TrueType outlines.
    static bool embeddable(const QRawFont &raw);

    const QRawFont &rawFont() const { return m_raw; }
    hb_font_t *shaper() const { return m_font; }
    double unitsPerEm() const { return m_upem; }
    unsigned glyphCount() const { return unsigned(m_advance.size()); }
    // Unkerned advance of glyph, in font units.
    double advance(unsigned glyph);
    // Notes that glyph is printed for text (empty when another glyph already carries it).
    void use(unsigned glyph, QStringView text)
    {
        if (glyph < m_used.size() && m_used[glyph] != kNamed && (!text.isEmpty() || m_used[glyph] == kUnused))
            markUsed(glyph, text);
    }

    // The font program holding only the used glyphs, at their own ids; empty when subsetting
    // failed.
    QByteArray subset() const;
    // "/W" array of the used glyphs' widths in thousandths of the size.
    QByteArray widths();
    // The ToUnicode CMap of the used glyphs.
    QByteArray toUnicode() const;
    // PostScript name for the font descriptor.
    QByteArray baseName() const;
    // Font descriptor entries (without /FontName and /FontFile2), in thousandths.
    QByteArray descriptorEntries() const;

private:
    void markUsed(unsigned glyph, QStringView text);

    QRawFont m_raw;
    hb_face_t *m_face = nullptr;
    hb_font_t *m_font = nullptr;
    double m_upem = 1000;
    std::vector<float> m_advance; // -1 until asked for
    enum : quint8 { kUnused, kUsed, kNamed }; // kNamed: used, and the text it shows is known
    std::vector<quint8> m_used;
    QHash<unsigned, QString> m_text;
};

} // namespace dq
