#include "core/shell/mainlayout.h"
#include "support/casetable.h"

#include <QHash>
#include <QTest>

using dq::MainLayout;
using namespace Qt::StringLiterals;

namespace {

// A part of the layout by name: "width", a number such as "webCountLeft", or a side of a
// rectangle such as "tabMain.top"; right and bottom are the first twip past the rectangle.
int part(const MainLayout::Result &r, const QString &name)
{
    const QHash<QString, int> numbers { { u"width"_s, r.width }, { u"webWideCellWidth"_s, r.webWideCellWidth },
        { u"webCountLeft"_s, r.webCountLeft }, { u"webImageLeft"_s, r.webImageLeft } };
    const QHash<QString, QRect> rects { { u"tabMain"_s, r.tabMain }, { u"searchAddress"_s, r.searchAddress },
        { u"statusMain"_s, r.statusMain }, { u"statusWeb"_s, r.statusWeb }, { u"browser"_s, r.browser },
        { u"recordTable"_s, r.recordTable }, { u"splitter"_s, r.splitter }, { u"formPanel"_s, r.formPanel } };
    const QRect q = rects.value(name.section(u'.', 0, 0));
    const QHash<QString, int> sides { { u"left"_s, q.left() }, { u"top"_s, q.top() }, { u"width"_s, q.width() },
        { u"height"_s, q.height() }, { u"right"_s, q.left() + q.width() }, { u"bottom"_s, q.top() + q.height() } };
    return numbers.contains(name) ? numbers.value(name) : sides.value(name.section(u'.', 1), -1);
}

} // namespace

class TestMainLayout : public QObject
{
    Q_OBJECT

private slots:
    // input: changes to a 12000 by 10000 window; expected: the parts the case decides.
    void layout_data() { dq::test::addCaseRows(u"shell/layout.tsv"_s); }
    void layout()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        MainLayout::Input in;
        in.toolbarHeight = 450;
        in.tabStripHeight = 330;
        in.addressBoxHeight = 300;
        in.statusPanelWidth = 5000;
        in.statusPanelHeight = 330;
        const QHash<QString, int *> inputs { { u"width"_s, &in.width }, { u"tab"_s, &in.tab },
            { u"tabButtonsWidth"_s, &in.tabButtonsWidth }, { u"splitterLeft"_s, &in.splitterLeft } };
        for (const QString &pair : input.split(u' ', Qt::SkipEmptyParts)) {
            const QString name = pair.section(u'=', 0, 0);
            const int value = pair.section(u'=', 1).toInt();
            if (name == u"addressBoxTicked")
                in.addressBoxTicked = value;
            else if (name == u"formPanelShown")
                in.formPanelShown = value;
            else
                *inputs.value(name) = value;
        }
        const MainLayout::Result r = MainLayout::compute(in);
        QStringList actual;
        for (const QString &pair : expected.split(u' '))
            actual << pair.section(u'=', 0, 0) + u'=' + QString::number(part(r, pair.section(u'=', 0, 0)));
        QCOMPARE(actual.join(u' '), expected);
    }
    void splitterDrag_data() { dq::test::addCaseRows(u"shell/splitterdrag.tsv"_s); }
    void splitterDrag()
    {
        QFETCH(QString, start);
        QFETCH(QString, offset);
        QFETCH(QString, windowWidth);
        const MainLayout::DragBar bar = MainLayout::dragBar(start.toInt(), offset.toInt(), windowWidth.toInt());
        QTEST(QString::number(bar.left), "left");
        QTEST(QString::fromLatin1(bar.atLimit ? "yes" : "no"), "atLimit");
    }
};

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
