#pragma once

#include "core/print/pagecanvas.h"

#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

struct hb_buffer_t;

namespace dq {

class PdfDocument;

// Draws sheet pages straight into PDF content streams. Text is shaped with HarfBuzz in the
// document's embedded fonts and laid out where QPainter::drawText would put it; a text the
// font cannot show is laid out by Qt, which picks fallback fonts, and a fallback font that
// cannot be embedded is drawn as outlines.
class PdfCanvas : public PageCanvas
{
public:
    explicit PdfCanvas(PdfDocument &document);
    ~PdfCanvas() override;

    // Whether the font's text can be written this way: a TrueType font, with a bold face of its
    // own when bold.
    static bool canWrite(const QFont &font);

    // Starts a page of size points whose drawing origin (0, 0) lies at origin, in points from
    // the top left corner.
    void beginPage(const QSizeF &size, const QPointF &origin);
    // Hands the page to the document.
    void endPage();

    void save() override;
    void restore() override;
    void translate(double dx, double dy) override;
    void scale(double factor) override;
    void setFont(const QFont &font) override;
    void drawText(const QRectF &rect, int flags, const QString &text) override;
    void drawCellText(const QRectF &rect, int flags, const QString &text) override;
    void fillRect(const QRectF &rect, const QColor &color) override;
    void drawLine(const QPointF &from, const QPointF &to) override;
    void strokeRect(const QRectF &rect, double penWidth) override;
    void strokePolyline(const QPointF *points, int count, double penWidth) override;

private:
    struct Glyph
    {
        unsigned id;
        float x; // twips from the start of the line
        float y; // twips below the baseline
        int font; // the document's font number, or -1 - the index of a font drawn as outlines
    };
    struct Line
    {
        std::vector<Glyph> glyphs;
        double width = 0;
        double size = 0; // twips
    };
    struct Face
    {
        QFont font;
        QFontMetricsF metrics;
        int index; // in the document
        double size;
        QHash<QString, Line> shaped;
        std::unordered_set<size_t> seen; // hashes of texts shown once
    };
    struct Transform
    {
        double scale = 1;
        double dx = 0;
        double dy = 0;
    };

    Face &face(const QFont &font);
    const Line &shape(Face &face, const QString &text);
    bool shapeHere(Face &face, const QString &text, Line &line);
    void shapeByQt(Face &face, const QString &text, Line &line);
    void layOut(const QRectF &rect, int flags, const QString &text, double clipHeight);
    void layOutWrapped(const QRectF &rect, int flags, const QString &text);
    void drawLineAt(const Line &line, double x, double baseline);
    void drawOutlines(const Glyph *begin, const Glyph *end, double x, double baseline);
    void beginClip(const QRectF &rect);
    void endText();
    void number(double v);
    void point(double x, double y);
    void rectangle(const QRectF &rect); // "x y w h re"

    PdfDocument &m_document;
    std::string m_content;
    QSizeF m_pageSize;
    Transform m_transform;
    std::vector<Transform> m_saved;
    std::vector<std::unique_ptr<Face>> m_faces;
    std::vector<QRawFont> m_outlineFonts;
    Face *m_face = nullptr;
    Line m_scratch;
    hb_buffer_t *m_buffer = nullptr;
    bool m_inText = false;
    int m_textFont = -1;
    double m_textSize = 0;
};

} // namespace dq
