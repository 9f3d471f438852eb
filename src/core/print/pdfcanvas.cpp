#include "core/print/pdfcanvas.h"

#include "core/print/pdfdocument.h"
#include "core/print/pdffont.h"

#include <QGlyphRun>
#include <QPainterPath>
#include <QTextLayout>

#include <hb.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace dq {

namespace {

constexpr qsizetype kKept = 20'000; // shaped texts kept per font
constexpr double kCellPadY = 15; // as the sheet pads its cells

// Text HarfBuzz would have to reorder against Qt's bidirectional layout.
bool needsBidi(const QString &text)
{
    for (QChar ch : text) {
        if (ch.unicode() < 0x590)
            continue;
        const QChar::Direction d = ch.direction();
        if (d == QChar::DirR || d == QChar::DirAL || d == QChar::DirRLE || d == QChar::DirRLO || d == QChar::DirRLI)
            return true;
    }
    return false;
}

void appendHex4(std::string &out, unsigned v)
{
    static const char hex[] = "0123456789ABCDEF";
    const char digits[4] = { hex[(v >> 12) & 0xf], hex[(v >> 8) & 0xf], hex[(v >> 4) & 0xf], hex[v & 0xf] };
    out.append(digits, 4);
}

} // namespace

PdfCanvas::PdfCanvas(PdfDocument &document)
    : m_document(document)
    , m_buffer(hb_buffer_create())
{
}

PdfCanvas::~PdfCanvas()
{
    hb_buffer_destroy(m_buffer);
}

bool PdfCanvas::canWrite(const QFont &font)
{
    // A bold the family lacks is made up by Qt's engine; here it would print regular.
    const QRawFont raw = QRawFont::fromFont(font);
    return PdfFont::embeddable(raw) && (!font.bold() || raw.weight() >= QFont::DemiBold);
}

void PdfCanvas::beginPage(const QSizeF &size, const QPointF &origin)
{
    m_pageSize = size;
    m_content.clear();
    m_transform = {};
    m_saved.clear();
    m_inText = false;
    // Twips, y downwards, from the origin; square caps and bevel joins as Qt's pens draw.
    m_content += "0.05 0 0 -0.05 ";
    number(origin.x());
    m_content += ' ';
    number(size.height() - origin.y());
    m_content += " cm 2 J 2 j\n";
}

void PdfCanvas::endPage()
{
    endText();
    m_document.addPage(m_pageSize, m_content);
}

void PdfCanvas::save()
{
    m_saved.push_back(m_transform);
}

void PdfCanvas::restore()
{
    if (m_saved.empty())
        return;
    m_transform = m_saved.back();
    m_saved.pop_back();
}

void PdfCanvas::translate(double dx, double dy)
{
    m_transform.dx += dx * m_transform.scale;
    m_transform.dy += dy * m_transform.scale;
}

void PdfCanvas::scale(double factor)
{
    m_transform.scale *= factor;
}

PdfCanvas::Face &PdfCanvas::face(const QFont &font)
{
    for (const auto &f : m_faces)
        if (f->font == font)
            return *f;
    const QRawFont raw = QRawFont::fromFont(font);
    m_faces.push_back(
        std::make_unique<Face>(Face { font, QFontMetricsF(font), m_document.fontIndex(raw), raw.pixelSize(), {}, {} }));
    return *m_faces.back();
}

void PdfCanvas::setFont(const QFont &font)
{
    m_face = &face(font);
}

const PdfCanvas::Line &PdfCanvas::shape(Face &face, const QString &text)
{
    if (const auto it = face.shaped.constFind(text); it != face.shaped.constEnd())
        return *it;
    if (face.shaped.size() >= kKept || face.seen.size() >= kKept) {
        face.shaped.clear();
        face.seen.clear();
    }
    // Kept from its second showing on: most texts of a long table show once.
    const bool keep = !face.seen.insert(qHash(text)).second;
    Line &line = keep ? *face.shaped.insert(text, Line()) : m_scratch;
    line.glyphs.clear();
    if (!shapeHere(face, text, line))
        shapeByQt(face, text, line);
    return line;
}

bool PdfCanvas::shapeHere(Face &face, const QString &text, Line &line)
{
    if (needsBidi(text))
        return false;
    PdfFont &font = m_document.font(face.index);
    hb_buffer_clear_contents(m_buffer);
    hb_buffer_add_utf16(
        m_buffer, reinterpret_cast<const uint16_t *>(text.utf16()), int(text.size()), 0, int(text.size()));
    hb_buffer_guess_segment_properties(m_buffer);
    hb_shape(font.shaper(), m_buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t *info = hb_buffer_get_glyph_infos(m_buffer, &count);
    const hb_glyph_position_t *pos = hb_buffer_get_glyph_positions(m_buffer, &count);
    for (unsigned i = 0; i < count; ++i)
        if (info[i].codepoint == 0)
            return false; // a character the font lacks: Qt finds another font for it
    line.size = face.size;
    line.glyphs.reserve(count);
    const double unit = face.size / font.unitsPerEm();
    double pen = 0;
    for (unsigned i = 0; i < count; ++i) {
        line.glyphs.push_back(Glyph {
            info[i].codepoint, float((pen + pos[i].x_offset) * unit), float(-pos[i].y_offset * unit), face.index });
        pen += pos[i].x_advance;
        // The characters a glyph stands for run from its cluster to the next glyph's.
        const unsigned from = info[i].cluster;
        if (i > 0 && info[i - 1].cluster == from)
            continue;
        unsigned to = unsigned(text.size());
        for (unsigned k = i + 1; k < count; ++k)
            if (info[k].cluster != from) {
                to = info[k].cluster > from ? info[k].cluster : to;
                break;
            }
        font.use(info[i].codepoint, QStringView(text).mid(from, to - from));
    }
    line.width = pen * unit;
    return true;
}

void PdfCanvas::shapeByQt(Face &face, const QString &text, Line &line)
{
    QTextLayout layout(text, face.font);
    layout.beginLayout();
    const QTextLine qtLine = layout.createLine();
    layout.endLayout();
    line.width = qtLine.naturalTextWidth();
    const QList<uint> codePoints = text.toUcs4();
    line.size = face.size;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        int index = -1;
        PdfFont *font = nullptr;
        if (PdfFont::embeddable(raw)) {
            index = m_document.fontIndex(raw);
            font = &m_document.font(index);
            // The glyph each character would get on its own tells what a glyph stands for.
            for (uint cp : codePoints) {
                const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t *>(&cp), 1);
                const QList<quint32> ids = raw.glyphIndexesForString(ch);
                if (ids.size() == 1 && ids[0] != 0)
                    font->use(ids[0], ch);
            }
        }
        int outlines = -1;
        const QList<quint32> ids = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < ids.size() && i < positions.size(); ++i) {
            // Glyph 0 says no font has the character; readers skip it in an embedded font, so
            // its box is drawn as outlines, as is every glyph of a font that cannot be embedded.
            int glyphFont = index;
            if (!font || ids[i] == 0) {
                if (outlines < 0) {
                    auto it = std::find(m_outlineFonts.begin(), m_outlineFonts.end(), raw);
                    if (it == m_outlineFonts.end())
                        it = m_outlineFonts.insert(it, raw);
                    outlines = -1 - int(it - m_outlineFonts.begin());
                }
                glyphFont = outlines;
            } else {
                font->use(ids[i], {});
            }
            line.glyphs.push_back(
                Glyph { ids[i], float(positions[i].x()), float(positions[i].y() - qtLine.ascent()), glyphFont });
        }
    }
}

void PdfCanvas::drawText(const QRectF &rect, int flags, const QString &text)
{
    if (flags & Qt::TextWordWrap)
        layOutWrapped(rect, flags, text);
    else
        layOut(rect, flags, text, rect.height());
}

void PdfCanvas::drawCellText(const QRectF &rect, int flags, const QString &text)
{
    // A cell's text is cut only when it is taller than the whole cell, padding included.
    if (flags & Qt::TextWordWrap)
        layOutWrapped(rect, flags, text);
    else
        layOut(rect, flags, text, rect.height() + kCellPadY * 2);
}

void PdfCanvas::layOut(const QRectF &rect, int flags, const QString &text, double clipHeight)
{
    if (!m_face || text.isEmpty())
        return;
    const QFontMetricsF &metrics = m_face->metrics;
    const Line &line = shape(*m_face, oneLine(text));
    double x = rect.left();
    if (flags & Qt::AlignRight)
        x = rect.right() - line.width;
    else if (flags & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - line.width) / 2;
    double baseline = rect.bottom() - metrics.descent();
    if (flags & Qt::AlignTop)
        baseline = rect.top() + metrics.ascent();
    else if (flags & Qt::AlignVCenter)
        baseline = rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    const bool clip = line.width > rect.width() || metrics.height() > clipHeight;
    if (clip)
        beginClip(rect);
    drawLineAt(line, x, baseline);
    if (clip) {
        endText();
        m_content += "Q\n";
    }
}

void PdfCanvas::layOutWrapped(const QRectF &rect, int flags, const QString &raw)
{
    if (!m_face || raw.isEmpty())
        return;
    QString text = raw;
    text.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(text, m_face->font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    // Lines as QPainter::drawText stacks them: leading between them, each on a whole twip,
    // and none once the rectangle is full.
    const double leading = m_face->metrics.leading();
    double height = -leading;
    double width = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(rect.width());
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.height();
        width = std::max(width, line.naturalTextWidth());
        if (height >= rect.height())
            break;
    }
    layout.endLayout();
    double top = rect.top();
    if (flags & Qt::AlignBottom)
        top = rect.bottom() - height;
    else if (flags & Qt::AlignVCenter)
        top = rect.top() + (rect.height() - height) / 2;
    const bool clip = width > rect.width() || height > rect.height();
    if (clip)
        beginClip(rect);
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        QString part = text.mid(line.textStart(), line.textLength());
        while (!part.isEmpty() && (part.back().isSpace() || part.back() == QChar::LineSeparator))
            part.chop(1);
        if (part.isEmpty())
            continue;
        const Line &shaped = shape(*m_face, part);
        double x = rect.left();
        if (flags & Qt::AlignRight)
            x = rect.right() - line.naturalTextWidth();
        else if (flags & Qt::AlignHCenter)
            x = rect.left() + (rect.width() - line.naturalTextWidth()) / 2;
        drawLineAt(shaped, x, top + line.y() + line.ascent());
    }
    if (clip) {
        endText();
        m_content += "Q\n";
    }
}

void PdfCanvas::drawLineAt(const Line &line, double x, double baseline)
{
    const double s = m_transform.scale;
    const Glyph *const end = line.glyphs.data() + line.glyphs.size();
    for (const Glyph *run = line.glyphs.data(); run != end;) {
        // A run of glyphs in one font.
        const Glyph *runEnd = run;
        while (runEnd != end && runEnd->font == run->font)
            ++runEnd;
        if (run->font < 0) {
            drawOutlines(run, runEnd, x, baseline);
            run = runEnd;
            continue;
        }
        if (!m_inText) {
            m_content += "BT\n";
            m_inText = true;
            m_textFont = -1;
        }
        const double size = line.size * s;
        if (run->font != m_textFont || size != m_textSize) {
            m_content += "/F";
            m_content += std::to_string(run->font);
            m_content += ' ';
            number(size);
            m_content += " Tf\n";
            m_textFont = run->font;
            m_textSize = size;
        }
        PdfFont &font = m_document.font(run->font);
        const double unit = line.size / font.unitsPerEm();
        bool open = false;
        bool inString = false;
        double pen = 0;
        float y = 0;
        for (const Glyph *g = run; g != runEnd; ++g) {
            if (!open || g->y != y) {
                if (open)
                    m_content += inString ? ">]TJ\n" : "]TJ\n";
                m_content += "1 0 0 -1 ";
                point(x + g->x, baseline + g->y);
                m_content += " Tm[";
                open = true;
                inString = false;
                pen = g->x;
                y = g->y;
            }
            // Kerning and marks: move from where the font's own advances left the pen.
            const double shift = g->x - pen;
            if (std::abs(shift) > 0.005) {
                if (inString)
                    m_content += '>';
                number(-shift * 1000 / line.size);
                inString = false;
            }
            if (!inString) {
                m_content += '<';
                inString = true;
            }
            appendHex4(m_content, g->id);
            pen = g->x + font.advance(g->id) * unit;
        }
        if (open)
            m_content += inString ? ">]TJ\n" : "]TJ\n";
        run = runEnd;
    }
}

void PdfCanvas::drawOutlines(const Glyph *begin, const Glyph *end, double x, double baseline)
{
    endText();
    const QRawFont &raw = m_outlineFonts[size_t(-begin->font - 1)];
    for (const Glyph *g = begin; g != end; ++g) {
        const QPainterPath path = raw.pathForGlyph(g->id);
        const double gx = x + g->x;
        const double gy = baseline + g->y;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.isCurveTo() && i + 2 < path.elementCount()) {
                for (int k = 0; k < 3; ++k) {
                    const QPainterPath::Element c = path.elementAt(i + k);
                    point(gx + c.x, gy + c.y);
                    m_content += ' ';
                }
                m_content += "c\n";
                i += 2;
                continue;
            }
            point(gx + e.x, gy + e.y);
            m_content += e.isMoveTo() ? " m\n" : " l\n";
        }
        if (path.elementCount())
            m_content += "f\n";
    }
}

void PdfCanvas::beginClip(const QRectF &rect)
{
    endText();
    m_content += "q ";
    rectangle(rect);
    m_content += " W n\n";
}

void PdfCanvas::fillRect(const QRectF &rect, const QColor &color)
{
    endText();
    number(color.redF());
    m_content += ' ';
    number(color.greenF());
    m_content += ' ';
    number(color.blueF());
    m_content += " rg ";
    rectangle(rect);
    m_content += " f 0 g\n";
}

void PdfCanvas::drawLine(const QPointF &from, const QPointF &to)
{
    const QPointF points[] = { from, to };
    strokePolyline(points, 2, 1);
}

void PdfCanvas::strokeRect(const QRectF &rect, double penWidth)
{
    endText();
    number(penWidth * m_transform.scale);
    m_content += " w ";
    rectangle(rect);
    m_content += " S\n";
}

void PdfCanvas::strokePolyline(const QPointF *points, int count, double penWidth)
{
    if (count < 2)
        return;
    endText();
    number(penWidth * m_transform.scale);
    m_content += " w ";
    for (int i = 0; i < count; ++i) {
        point(points[i].x(), points[i].y());
        m_content += i ? " l " : " m ";
    }
    m_content += "S\n";
}

void PdfCanvas::endText()
{
    if (!m_inText)
        return;
    m_content += "ET\n";
    m_inText = false;
}

void PdfCanvas::number(double v)
{
    double r = std::round(v * 100) / 100;
    if (r == 0)
        r = 0; // no "-0"
    char buf[32];
    char *end = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 2).ptr;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.')
        --end;
    m_content.append(buf, end);
}

// A point in drawing coordinates, placed on the page.
void PdfCanvas::point(double x, double y)
{
    number(x * m_transform.scale + m_transform.dx);
    m_content += ' ';
    number(y * m_transform.scale + m_transform.dy);
}

void PdfCanvas::rectangle(const QRectF &rect)
{
    point(rect.left(), rect.top());
    m_content += ' ';
    number(rect.width() * m_transform.scale);
    m_content += ' ';
    number(rect.height() * m_transform.scale);
    m_content += " re";
}

} // namespace dq
