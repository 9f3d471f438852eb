#include "app/contact/contactcommandactions.h"
#include "app/shell/frmmain.h"
#include "core/contact/linkopener.h"
#include "core/grid/gridmodel.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QAction>
#include <QFile>
#include <QTest>
#include <QUrlQuery>

#include <memory>

using namespace dq;

namespace {

class RecordingOpener : public LinkOpener
{
public:
    QList<QUrl> opened;
    bool open(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
};

} // namespace

// The main window's Tools and File entries reach the contact and printing commands with
// the record table's current row and selection.
class TestContactPrintEntries : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_window;
    RecordingOpener m_opener;

    QAction *action(const char *name) const { return m_window->findChild<QAction *>(QLatin1String(name)); }

private slots:
    void init()
    {
        QVERIFY(!test::useFreshProgramHome().isEmpty());
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_window = std::make_unique<frmMain>(*m_prompts, false);
        QVERIFY(m_window->load());
        m_window->contactCommands().setLinkOpener(&m_opener);
        m_opener.opened.clear();

        GridModel &fa = m_window->table().fa();
        const QStringList record { QStringLiteral("Acme & Sons"), QStringLiteral("12 Main St"),
            QStringLiteral("Springfield"), QStringLiteral("IL"), QStringLiteral("62701"),
            QStringLiteral("217-555-0100"), QStringLiteral("WWW.ACME.COM"), QStringLiteral("info@acme.com") };
        for (int c = 0; c < record.size(); ++c)
            fa.setText(2, c, record[c]);
        fa.setCursor(2, 0);
        fa.setRowSelected(2, true); // as a click on the row does in Row mode
    }

    void cleanup()
    {
        QCOMPARE(m_prompts->unexpected, 0);
        m_window.reset();
        m_prompts.reset();
    }

    void linkEntriesAndKeysOpenTheCurrentRecordsLinks()
    {
        action("mnuTools_InternetMap")->trigger();
        m_window->contactCommands().runToolbarKey(QStringLiteral("inet"));
        action("mnuTools_SendMail")->trigger();
        QCOMPARE(m_opener.opened.size(), 3);
        QVERIFY(m_opener.opened[0].toString().contains(QStringLiteral("Springfield")));
        QCOMPARE(m_opener.opened[1], QUrl(QStringLiteral("http://WWW.ACME.COM")));
        QCOMPARE(m_opener.opened[2].scheme(), QStringLiteral("mailto"));
        QVERIFY(m_opener.opened[2].toString().contains(QStringLiteral("info@acme.com")));
    }

    void unknownAndCaseChangedKeysDoNothing()
    {
        m_window->contactCommands().runToolbarKey(QStringLiteral("MAP"));
        m_window->contactCommands().runToolbarKey(QStringLiteral("nothing"));
        QVERIFY(m_opener.opened.isEmpty());
        QVERIFY(m_prompts->asked.isEmpty());
    }

    void mapCountryAndBulkMailChangeNothing()
    {
        action("mnuTools_MapCanada")->trigger();
        action("mnuTools_SendBulkMail")->trigger();
        QVERIFY(m_opener.opened.isEmpty());
        action("mnuTools_InternetMap")->trigger();
        QCOMPARE(m_opener.opened.size(), 1);
    }

    void printSheetInBlockModeOnlyExplains()
    {
        m_window->table().fa().setSelectionMode(GridModel::SelectionMode::Free);
        m_prompts->answers = { UserPrompts::Answer::Ok };
        action("mnuPrintSheet0")->trigger();
        QCOMPARE(m_prompts->messages(),
            QStringList { QStringLiteral("Select Row Mode (not Block Mode) selection and try again.") });
        QCOMPARE(m_prompts->asked.first().title, QStringLiteral("Print Sheet"));
    }
};

QTEST_MAIN(TestContactPrintEntries)
#include "tst_contactprintentries.moc"
