#pragma once

#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>

namespace dq::test {

struct PdfWord
{
    QString text;
    QRectF box; // points from the page's top-left corner
    int page = 0;
};

struct PdfText
{
    QList<PdfWord> words;
    QList<QSizeF> pages; // points

    QList<PdfWord> find(const QString &text) const
    {
        QList<PdfWord> out;
        for (const PdfWord &w : words)
            if (w.text == text)
                out << w;
        return out;
    }
};

// Reads the words of a PDF with their boxes through pdftotext -bbox.
inline PdfText readPdf(const QString &path)
{
    PdfText out;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), path, QStringLiteral("-") });
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return out;
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength(1)) {
            out.pages << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
            continue;
        }
        const QPointF tl(m.captured(3).toDouble(), m.captured(4).toDouble());
        const QPointF br(m.captured(5).toDouble(), m.captured(6).toDouble());
        out.words << PdfWord { m.captured(7), QRectF(tl, br), int(out.pages.size()) };
    }
    return out;
}

} // namespace dq::test
