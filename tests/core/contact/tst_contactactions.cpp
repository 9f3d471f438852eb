#include "core/contact/contactactions.h"
#include "core/contact/linkopener.h"
#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "support/casetable.h"
#include "support/testsupport.h"

#include <QTest>

#include <array>

using namespace dq;
using namespace Qt::StringLiterals;
using dq::test::ScriptedPrompts;

namespace {

struct RecordingOpener : LinkOpener
{
    explicit RecordingOpener(const ScriptedPrompts &p)
        : prompts(p)
    {
    }
    bool open(const QUrl &url) override
    {
        urls.append(url);
        questionsBeforeOpen.append(int(prompts.asked.size()));
        return handled;
    }
    bool handled = true; // false: no program on the system takes links
    const ScriptedPrompts &prompts;
    QList<QUrl> urls;
    QList<int> questionsBeforeOpen;
};

// The record table of a case in tests/data/contact/links.tsv.
void fillTable(GridModel &table, int command, const QString &cells, const QString &chosen)
{
    if (command != 1) {
        const QString lead = command == 0 ? u"|"_s : u"||||||"_s;
        test::fillRecordTable(table, { lead + (command == 0 ? u"99 Other Rd"_s : u"www.first.com"_s), lead + cells });
        table.setCursor(2, 3);
        return;
    }
    QStringList rows;
    for (const QString &cell : cells.split(u'|'))
        rows << u"Listing|||||||"_s + cell;
    test::fillRecordTable(table, rows);
    const QStringList how = chosen.split(u' ');
    if (test::choice(how[0], { "rows", "block" }) == 1) {
        table.setSelectionMode(GridModel::SelectionMode::Free);
        table.select(how[1].toInt(), 7, how[2].toInt(), 7);
    } else {
        for (const QString &row : how.mid(1))
            table.setRowSelected(row.toInt(), true);
    }
}

} // namespace

// The link each contact command hands to the desktop, and what the user is told.
class TestContactActions : public QObject
{
    Q_OBJECT

private slots:
    void linksOfTheChosenRecords_data() { test::addCaseRows(u"contact/links.tsv"_s); }
    void linksOfTheChosenRecords()
    {
        QFETCH(QString, command);
        QFETCH(QString, cells);
        QFETCH(QString, chosen);
        QFETCH(QString, service);
        QFETCH(QString, desktop);
        const int which = test::choice(command, { "map", "mail", "web" });
        GridModel table;
        fillTable(table, which, cells, chosen);
        ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        RecordingOpener opener(prompts);
        opener.handled = test::choice(desktop, { "takes none", "takes links" });
        ContactActions actions(table, opener, prompts);
        actions.setMapAddress(service);
        using C = ContactActions::Command;
        QVERIFY(actions.run(std::array { C::InternetMap, C::SendMail, C::WebLink }[size_t(which)]));

        QCOMPARE(opener.urls.size(), 1);
        QTEST(QString::fromLatin1(opener.urls.first().toEncoded()), "opened");
        QStringList told;
        for (const ScriptedPrompts::Asked &asked : prompts.asked)
            told << asked.title + u": "_s + asked.text;
        QTEST(told.join(u'\n'), "told");
        // A warning comes before the page opens; a missing program is told after.
        if (!told.isEmpty())
            QCOMPARE(opener.questionsBeforeOpen.first(), opener.handled ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestContactActions)
#include "tst_contactactions.moc"
