#include "core/grid/gridmodel.h"
#include "core/table/finder.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

class TestFinder : public QObject
{
    Q_OBJECT

private slots:
    // Each step is a "row,col" hit (also the current, only selected cell), an end message,
    // "click row,col" (the user moves the cursor) or "text T" (the user edits the search text).
    void searchesColumnByColumn_data() { test::addCaseRows(u"table/finder/steps.tsv"_s); }
    void searchesColumnByColumn()
    {
        QFETCH(QString, text);
        QFETCH(QString, matchCase);
        QFETCH(QString, fromBeginning);
        QFETCH(QString, start);
        QFETCH(QString, steps);
        GridModel m;
        test::fillRows(
            m, test::texts({ "Smith|T2|T3|T4", "SMITH|x||", "Smith|||", "blacksmith||smithy|", "jonex|||" }));
        m.setCursor(start.section(u',', 0, 0).toInt(), start.section(u',', 1).toInt());
        Finder finder;
        finder.setSearchText(text);
        finder.setMatchCase(matchCase == u"yes");
        finder.setFromBeginning(fromBeginning == u"yes");
        QStringList seen;
        for (const QString &step : steps.split(u'|')) {
            if (step.startsWith(u"click ")) {
                m.setCursor(step.section(u' ', 1).section(u',', 0, 0).toInt(), step.section(u',', 1).toInt());
                seen << step;
            } else if (step.startsWith(u"text ")) {
                finder.setSearchText(step.mid(5));
                seen << step;
            } else {
                const Finder::Outcome o = finder.findNext(m);
                if (o.result != Finder::Result::Hit)
                    seen << o.message;
                else if (m.selection() != GridRange { o.row, o.col, o.row, o.col } || m.row() != o.row
                    || m.col() != o.col)
                    seen << u"hit not selected"_s;
                else
                    seen << u"%1,%2"_s.arg(o.row).arg(o.col);
            }
        }
        QCOMPARE(seen.join(u'|'), steps);
    }
    void lettersBeyondAscii_data() { test::addCaseRows(u"table/finder/letters.tsv"_s); }
    void lettersBeyondAscii()
    {
        QFETCH(QString, cell);
        QFETCH(QString, search);
        QFETCH(QString, matchCase);
        QFETCH(QString, found);
        GridModel m;
        test::fillRows(m, { u"|"_s, u"|"_s, u"|"_s + cell });
        Finder finder;
        finder.setSearchText(search);
        finder.setMatchCase(matchCase == u"yes");
        const Finder::Outcome o = finder.findNext(m);
        QCOMPARE(o.result == Finder::Result::Hit, found == u"yes");
        if (o.result == Finder::Result::Hit)
            QCOMPARE(u"%1,%2"_s.arg(o.row).arg(o.col), u"2,1"_s);
    }
    void endMessagesAreShown()
    {
        GridModel m;
        test::fillRows(m, test::texts({ "Name", "jonex" }));
        Finder finder;
        finder.setSearchText(u"jonex"_s);
        test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok, UserPrompts::Answer::Ok };
        QCOMPARE(finder.findNext(m, prompts).result, Finder::Result::Hit);
        QCOMPARE(finder.findNext(m, prompts).result, Finder::Result::Searched);
        QCOMPARE(finder.findNext(m, prompts).result, Finder::Result::NotFound);
        QCOMPARE(prompts.messages(),
            (QStringList { u"The document has been searched.\r\n1 found."_s, u"Search text is not found."_s }));
    }
};

QTEST_GUILESS_MAIN(TestFinder)
#include "tst_finder.moc"
