#include "app/contact/contactcommandactions.h"
#include "app/shell/frmmain.h"
#include "core/contact/linkopener.h"
#include "support/gui/tablewindowfixture.h"

#include <QAction>
#include <QTest>

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
// the record table's current row and selection; the link rules are in tst_contactactions.
class TestContactPrintEntries : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    RecordingOpener m_opener;

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->contactCommands().setLinkOpener(&m_opener);
        m_opener.opened.clear();
        const QStringList record { QStringLiteral("Acme & Sons"), QStringLiteral("12 Main St"),
            QStringLiteral("Springfield"), QStringLiteral("IL"), QStringLiteral("62701"),
            QStringLiteral("217-555-0100"), QStringLiteral("WWW.ACME.COM"), QStringLiteral("info@acme.com") };
        for (int c = 0; c < record.size(); ++c)
            fa().setText(2, c, record[c]);
        fa().setCursor(2, 0);
        fa().setRowSelected(2, true); // as a click on the row does in Row mode
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void linkEntriesAndKeysOpenTheCurrentRecordsLinks()
    {
        action(QStringLiteral("mnuTools_InternetMap"))->trigger();
        m_window->contactCommands().runToolbarKey(QStringLiteral("inet"));
        action(QStringLiteral("mnuTools_SendMail"))->trigger();
        // Entries that change nothing here, and keys that are no key, open nothing.
        action(QStringLiteral("mnuTools_MapCanada"))->trigger();
        action(QStringLiteral("mnuTools_SendBulkMail"))->trigger();
        m_window->contactCommands().runToolbarKey(QStringLiteral("MAP"));
        m_window->contactCommands().runToolbarKey(QStringLiteral("nothing"));
        QCOMPARE(m_opener.opened.size(), 3);
        QVERIFY(m_opener.opened[0].toString().contains(QStringLiteral("Springfield")));
        QCOMPARE(m_opener.opened[1], QUrl(QStringLiteral("http://WWW.ACME.COM")));
        QCOMPARE(m_opener.opened[2].toString(), QStringLiteral("mailto:info@acme.com"));
        QVERIFY(m_prompts->asked.isEmpty());
    }

    void printSheetInBlockModeOnlyExplains()
    {
        fa().setSelectionMode(GridModel::SelectionMode::Free);
        m_prompts->answers = { UserPrompts::Answer::Ok };
        action(QStringLiteral("mnuPrintSheet0"))->trigger();
        QCOMPARE(m_prompts->messages(),
            QStringList { QStringLiteral("Select Row Mode (not Block Mode) selection and try again.") });
    }
};

QTEST_MAIN(TestContactPrintEntries)
#include "tst_contactprintentries.moc"
