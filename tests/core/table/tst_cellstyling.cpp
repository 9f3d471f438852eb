#include "core/table/cellstyling.h"
#include "support/casetable.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;
using Style = CellStyling::FontStyle;

namespace {

// One character per cell of a 6 by 4 table, rows split by "/": "x" where pick(format) holds.
template <typename Pick> QString map(const GridModel &m, Pick pick)
{
    QStringList out;
    for (int r = 0; r < m.rows(); ++r) {
        QString line;
        for (int c = 0; c < m.cols(); ++c)
            line += pick(m.cellFormat(r, c)) ? u'x' : u'.';
        out << line;
    }
    return out.join(u'/');
}

bool has(const CellStyling::FontState &f, Style s)
{
    return s == Style::Bold ? f.bold : s == Style::Italic ? f.italic : f.underline;
}

} // namespace

class TestCellStyling : public QObject
{
    Q_OBJECT

private slots:
    // styled: the cells styled after the first toggle of the block rows 2-4, columns 1-2.
    void fontToggles_data() { test::addCaseRows(u"table/fonttoggles.tsv"_s); }
    void fontToggles()
    {
        QFETCH(QString, mode);
        QFETCH(QString, font);
        const Style style = Style(test::choice(font, { "bold", "italic", "underline" }));
        GridModel m;
        m.setCols(4);
        m.setRows(6);
        const auto pick = [style](const CellFormat &f) { return has({ f.bold, f.italic, f.underline }, style); };
        CellStyling::toggle(m, GridRange { 0, 0, 0, 0 }, style, false); // outside the range, and stays so
        m.select(2, 1, 4, 2);
        const GridRange range = CellStyling::targetRange(m, mode == u"row" ? MouseMode::Row : MouseMode::Block);
        QVERIFY(CellStyling::toggle(m, range, style, false));
        QTEST(map(m, pick), "styled");

        // A cell of the range loses the style by hand; the current cell still has it, so the
        // next toggle clears the whole range.
        m.setCellFormat(4, 2, CellFormat());
        const bool current = has(CellStyling::fontState(m, m.row(), m.col()), style);
        QVERIFY(current);
        QVERIFY(!CellStyling::toggle(m, range, style, current));
        QCOMPARE(map(m, pick), u"x.../..../..../..../..../...."_s);
    }
    void formPanelTargetIsTheValueColumn()
    {
        GridModel form;
        form.setCols(2);
        form.setRows(14);
        form.select(5, 0, 3, 0);
        QCOMPARE(CellStyling::formTarget(form), (GridRange { 3, 1, 5, 1 }));
    }
    void colours()
    {
        GridModel m;
        m.setCols(4);
        m.setRows(6);
        QCOMPARE(CellStyling::paletteColor(5), QColor(128, 0, 128));
        QCOMPARE(CellStyling::paletteColor(6), QColor(255, 0, 255));
        QVERIFY(!CellStyling::paletteColor(8).isValid());
        CellStyling::setTextColor(m, GridRange { 1, 1, 1, 2 }, CellStyling::paletteColor(5));
        QCOMPARE(map(m, [](const CellFormat &f) { return f.hasFore && f.fore == qRgb(128, 0, 128); }),
            u"..../.xx./..../..../..../...."_s);

        test::ScriptedPrompts prompts;
        prompts.colors = { QColor(), QColor(10, 20, 30) }; // the first dialog is cancelled
        QVERIFY(!CellStyling::chooseBackColor(m, GridRange { 0, 0, 5, 3 }, prompts));
        QVERIFY(CellStyling::chooseBackColor(m, GridRange { 2, 0, 3, 0 }, prompts));
        QCOMPARE(map(m, [](const CellFormat &f) { return f.hasBack; }), u"..../..../x.../x.../..../...."_s);
        QCOMPARE(QColor(m.cellFormat(2, 0).back), QColor(10, 20, 30));

        CellStyling::setAlignment(m, GridRange { 5, 0, 5, 3 }, Alignment::RightCenter);
        QCOMPARE(map(m, [](const CellFormat &f) { return f.alignment == Alignment::RightCenter; }),
            u"..../..../..../..../..../xxxx"_s);
    }
    void gridWideSwitches()
    {
        GridModel m;
        m.setCols(4);
        m.setRows(6);
        CellStyling::setAlternateRowColor(m, true);
        QCOMPARE(m.alternateRowColor(), QColor(192, 255, 192));
        CellStyling::setAlternateRowColor(m, false);
        QCOMPARE(m.alternateRowColor(), QColor(Qt::white));
        const bool before = m.gridLines();
        QCOMPARE(CellStyling::toggleGridLines(m), !before);
        QCOMPARE(CellStyling::toggleGridLines(m), before);

        CellFormat big;
        big.bold = true;
        big.fontSize = 20;
        m.setCellFormat(0, 1, big);
        m.setCellFormat(4, 3, big);
        CellStyling::setUniformFontSize(m);
        QCOMPARE(m.fontSize(), 12);
        QCOMPARE(map(m, [](const CellFormat &f) { return f.fontSize != 0; }), u"..../..../..../..../..../...."_s);
        QVERIFY(m.cellFormat(4, 3).bold);
    }
    void searchFontColors()
    {
        const QColor black(0, 0, 0), blue(0, 0, 255), red(255, 0, 0), green(48, 117, 0);
        QCOMPARE(CellStyling::searchFontColors(false, false, false), QList<QColor> { black });
        QCOMPARE(CellStyling::searchFontColors(false, true, true), (QList<QColor> { black, red, green }));
        QCOMPARE(CellStyling::searchFontColors(false, false, true), (QList<QColor> { black, green }));
        QCOMPARE(CellStyling::searchFontColors(true, true, true), (QList<QColor> { black, blue, red, green }));
    }
};

QTEST_GUILESS_MAIN(TestCellStyling)
#include "tst_cellstyling.moc"
