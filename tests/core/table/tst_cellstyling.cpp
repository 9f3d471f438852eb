#include "core/table/cellstyling.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;

namespace {

void fillTable(GridModel &m)
{
    m.setCols(4);
    m.setRows(6);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 4; ++c)
            m.setText(r, c, QStringLiteral("%1%2").arg(r).arg(c));
}

// One character per cell of rows 0..5, columns 0..3: "x" where pick(format) holds, "." elsewhere.
template <typename Pick> QStringList map(const GridModel &m, Pick pick)
{
    QStringList out;
    for (int r = 0; r < m.rows(); ++r) {
        QString line;
        for (int c = 0; c < m.cols(); ++c)
            line += pick(m.cellFormat(r, c)) ? QLatin1Char('x') : QLatin1Char('.');
        out << line;
    }
    return out;
}

QStringList lines(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *s : items)
        out << QString::fromUtf8(s);
    return out;
}

} // namespace

class TestCellStyling : public QObject
{
    Q_OBJECT

private slots:
    void fontToggles_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("afterFirst");
        QTest::addColumn<QStringList>("afterSecond");
        const QStringList none = lines({ "....", "....", "....", "....", "....", "...." });
        QTest::newRow("bold in row mode covers every cell of the rows; the second bold clears them all")
            << int(MouseMode::Row) << int(CellStyling::FontStyle::Bold)
            << lines({ "....", "....", "xxxx", "xxxx", "xxxx", "...." }) << none;
        QTest::newRow("italic in block mode covers the block")
            << int(MouseMode::Block) << int(CellStyling::FontStyle::Italic)
            << lines({ "....", "....", ".xx.", ".xx.", ".xx.", "...." }) << none;
        QTest::newRow("underline in block mode") << int(MouseMode::Block) << int(CellStyling::FontStyle::Underline)
                                                 << lines({ "....", "....", ".xx.", ".xx.", ".xx.", "...." }) << none;
    }
    void fontToggles()
    {
        QFETCH(int, mode);
        QFETCH(int, style);
        QFETCH(QStringList, afterFirst);
        QFETCH(QStringList, afterSecond);
        GridModel m;
        fillTable(m);
        // A cell outside the range is styled already and must stay so.
        const auto s = CellStyling::FontStyle(style);
        CellStyling::toggle(m, GridRange { 0, 0, 0, 0 }, s, false);
        m.select(2, 1, 4, 2);
        const GridRange range = CellStyling::targetRange(m, MouseMode(mode));
        auto pick = [s](const CellFormat &f) {
            return s == CellStyling::FontStyle::Bold  ? f.bold
                : s == CellStyling::FontStyle::Italic ? f.italic
                                                      : f.underline;
        };
        auto withOrigin = [](QStringList l) {
            l[0][0] = QLatin1Char('x');
            return l;
        };

        bool state = false;
        state = CellStyling::toggle(m, range, s, state);
        QVERIFY(state);
        QCOMPARE(map(m, pick), withOrigin(afterFirst));

        // Some cells of the range lose the style by hand; the current cell still has it, so the
        // next toggle clears the whole range.
        CellFormat f = m.cellFormat(4, 2);
        f.bold = f.italic = f.underline = false;
        m.setCellFormat(4, 2, f);
        const CellStyling::FontState shown = CellStyling::fontState(m, m.row(), m.col());
        const bool current = s == CellStyling::FontStyle::Bold ? shown.bold
            : s == CellStyling::FontStyle::Italic              ? shown.italic
                                                               : shown.underline;
        QVERIFY(current);
        state = CellStyling::toggle(m, range, s, current);
        QVERIFY(!state);
        QCOMPARE(map(m, pick), withOrigin(afterSecond));
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
        fillTable(m);
        QCOMPARE(CellStyling::paletteColor(5), QColor(128, 0, 128));
        QCOMPARE(CellStyling::kFirstPaletteImage + 5, 21);
        QCOMPARE(CellStyling::paletteColor(6), QColor(255, 0, 255));
        QVERIFY(!CellStyling::paletteColor(8).isValid());

        CellStyling::setTextColor(m, GridRange { 1, 1, 1, 2 }, CellStyling::paletteColor(5));
        QCOMPARE(map(m, [](const CellFormat &f) { return f.hasFore && f.fore == qRgb(128, 0, 128); }),
            lines({ "....", ".xx.", "....", "....", "....", "...." }));

        test::ScriptedPrompts prompts;
        prompts.colors = { QColor(), QColor(10, 20, 30) }; // the first dialog is cancelled
        QVERIFY(!CellStyling::chooseBackColor(m, GridRange { 0, 0, 5, 3 }, prompts));
        QVERIFY(!m.cellFormat(5, 3).hasBack);
        QVERIFY(CellStyling::chooseBackColor(m, GridRange { 2, 0, 3, 0 }, prompts));
        QCOMPARE(map(m, [](const CellFormat &f) { return f.hasBack && f.back == qRgb(10, 20, 30); }),
            lines({ "....", "....", "x...", "x...", "....", "...." }));

        CellStyling::setAlignment(m, GridRange { 5, 0, 5, 3 }, Alignment::RightCenter);
        QCOMPARE(map(m, [](const CellFormat &f) { return f.alignment == Alignment::RightCenter; }),
            lines({ "....", "....", "....", "....", "....", "xxxx" }));
    }
    void gridWideSwitches()
    {
        GridModel m;
        fillTable(m);
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
        QCOMPARE(m.cellFormat(0, 1).fontSize, 0);
        QCOMPARE(m.cellFormat(4, 3).fontSize, 0);
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
