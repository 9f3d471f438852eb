#include "app/harvest/frmsites.h"
#include "app/harvest/frmt.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "core/grid/gridfile.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"
#include "core/grid/gridmodel.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace dq;
using namespace Qt::StringLiterals;

// The site list edited in the key-file window is the one the program then works with.
class TestSitesMapReload : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_w;
    QString m_home;

    static bool write(const QString &path, const QList<QStringList> &rows)
    {
        GridModel g;
        g.setCols(5);
        g.setRows(int(rows.size()));
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c)
                g.setText(r, c, rows[r][c]);
        return bool(GridFile::save(g, path, FileKind::Native));
    }

    frmT &keyTool() { return m_w->harvest().keyTool(); }

private slots:
    void init()
    {
        m_home = test::tempDir() + u'/';
        qputenv("DIRQUILL_HOME", m_home.toLocal8Bit());
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        // Nothing listens at the engines' addresses.
        QVERIFY(write(m_home + u"stpl00.bin"_s,
            { { u"Searching Site"_s }, { u"Alpha Pages"_s, u"alpha.key"_s, QString(), u"http://127.0.0.1:9/alpha/"_s },
                { u"Beta Finder"_s, u"beta.key"_s, QString(), u"http://127.0.0.1:9/beta/"_s } }));
        QVERIFY(write(m_home + u"alpha.key"_s, { { u"key file"_s }, { {}, {}, {}, {}, u"/alpha/search?"_s } }));
        QVERIFY(write(m_home + u"beta.key"_s, { { u"key file"_s } }));
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_w = std::make_unique<frmMain>(*m_prompts);
        QVERIFY(m_w->load());
        QTest::mouseDClick(&keyTool(), Qt::LeftButton);
        QVERIFY(keyTool().showingSites());
    }

    void cleanup()
    {
        m_w.reset();
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void aLaterSiteEditorSaveKeepsTheSavedMap()
    {
        keyTool().keyTable().setText(2, 0, u"Beta Renamed"_s);
        keyTool().cmdButton[1]->click(); // Save Sites Map
        QCOMPARE(m_w->engineBox()->itemText(1), u"Beta Renamed"_s);
        QCOMPARE(m_w->engineBox()->currentText(), u"Alpha Pages"_s);

        m_w->harvest().cmdUpDown->click();
        auto *editor = m_w->findChild<frmSites *>();
        QVERIFY(editor);
        editor->cmdSave->click();
        GridModel file;
        // Edits go to the user's copy of the site list, which is read from then on.
        QVERIFY(GridFile::load(file, userDataFile(SiteList::fileName()), FileKind::Native));
        QCOMPARE(file.text(2, 0), u"Beta Renamed"_s);
    }

    void aGrabTakesTheEnginesRulesNotTheShownSiteList()
    {
        m_prompts->answers = { UserPrompts::Answer::Ok, UserPrompts::Answer::Ok };
        m_w->harvest().Grab();
        QVERIFY(!keyTool().showingSites());
        QCOMPARE(keyTool().keyTable().text(1, 4), u"/alpha/search?"_s);
        QTRY_VERIFY(!m_w->harvest().isGrabbing());
    }
};

QTEST_MAIN(TestSitesMapReload)
#include "tst_sitesmapreload.moc"
