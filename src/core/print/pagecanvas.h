#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

namespace dq {

// The few drawing operations a printed sheet page is made of, so that the same page can go to
// a QPainter (printers, the preview) or straight into a PDF content stream. Lengths are twips
// in the page's own coordinates; text and lines are black.
// A text that does not wrap, with its line breaks and tabs shown as spaces: both canvases print
// a cell on one line, whatever breaks its text holds.
QString oneLine(const QString &text);

class PageCanvas
{
public:
    virtual ~PageCanvas() = default;

    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void translate(double dx, double dy) = 0;
    virtual void scale(double factor) = 0;

    virtual void setFont(const QFont &font) = 0;
    // Text laid out in rect with Qt::Alignment and Qt::TextFlag flags, cut at rect's edges when
    // it does not fit, as QPainter::drawText(rect, flags, text) does.
    virtual void drawText(const QRectF &rect, int flags, const QString &text) = 0;
    // The same for a cell's text, which recurs often down a long table: a canvas may take
    // shortcuts here that keep the result but not the way it is drawn.
    virtual void drawCellText(const QRectF &rect, int flags, const QString &text) = 0;

    virtual void fillRect(const QRectF &rect, const QColor &color) = 0;
    // A thin line, one twip wide before scaling.
    virtual void drawLine(const QPointF &from, const QPointF &to) = 0;
    virtual void strokeRect(const QRectF &rect, double penWidth) = 0;
    virtual void strokePolyline(const QPointF *points, int count, double penWidth) = 0;
};

} // namespace dq
