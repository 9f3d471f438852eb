#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/keyfileloader.h"
#include "core/harvest/keyrules.h"

#include "support/testsupport.h"

#include <QFile>
#include <QTest>

using namespace dq;
using dq::test::ScriptedPrompts;

namespace {

// A key table whose listing-page marker is marker.
void keyTable(GridModel &g, const QString &marker)
{
    g.setCols(10);
    g.setRows(30);
    g.setText(1, 4, marker);
}

} // namespace

class TestKeyFileLoader : public QObject
{
    Q_OBJECT

    QString m_dir;
    colYPs m_engines;

    void writeGoodKey(const QString &marker)
    {
        GridModel g;
        keyTable(g, marker);
        QVERIFY(GridFile::save(g, m_dir + u"good.key"_qs, FileKind::Native));
    }

private slots:
    void initTestCase()
    {
        m_dir = test::tempDir() + u"/"_qs;
        m_engines.Add(u"Good"_qs, u"good.key"_qs, u"http://good.test/"_qs, 1);
        m_engines.Add(u"Missing"_qs, u"missing.key"_qs, u"http://missing.test/"_qs, 2);
        m_engines.Add(u"Broken"_qs, u"broken.key"_qs, u"http://broken.test/"_qs, 3);
        writeGoodKey(u"/listings?"_qs);
        QFile broken(m_dir + u"broken.key"_qs);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("this is not a key file\n\x01\x02");
    }
    void load_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("grabDisabled");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("message"); // DIR stands for the program folder
        QTest::newRow("a good key file loads without a question")
            << 0 << true << false << u"http://good.test/"_qs << QString();
        QTest::newRow("a missing key file turns grabbing off, whatever the browser shows")
            << 1 << false << true << u"http://missing.test/"_qs << u"Key file not found. Contact software vender. "_qs;
        QTest::newRow("an unreadable key file keeps the table before it and grabbing")
            << 2 << false << false << u"http://broken.test/"_qs
            << u"Cannot load key file 'DIRbroken.key'. Contact software vender for more information."_qs;
        QTest::newRow("no engine at that position is a missing key file")
            << 7 << false << true << QString() << u"Key file not found. Contact software vender. "_qs;
    }
    void load()
    {
        QFETCH(int, engine);
        QFETCH(bool, loaded);
        QFETCH(bool, grabDisabled);
        QFETCH(QString, url);
        QFETCH(QString, message);
        ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        GridModel key;
        keyTable(key, u"/before"_qs);
        const auto r = KeyFileLoader::load(m_engines, engine, key, prompts, m_dir);
        QCOMPARE(r.loaded, loaded);
        QCOMPARE(r.grabDisabled, grabDisabled);
        QCOMPARE(r.url, url);
        QCOMPARE(r.errorString.isEmpty(), message.isEmpty() || grabDisabled);
        QCOMPARE(
            prompts.messages(), message.isEmpty() ? QStringList() : QStringList { message.replace(u"DIR"_qs, m_dir) });
        if (!message.isEmpty()) {
            QCOMPARE(prompts.asked.first().title, u"Select Searching Engine"_qs);
            QCOMPARE(prompts.asked.first().icon, UserPrompts::Icon::Warning);
            QCOMPARE(prompts.asked.first().buttons, UserPrompts::Buttons::Ok);
        }
        const QString marker = key.text(1, 4);
        QCOMPARE(marker, loaded ? u"/listings?"_qs : u"/before"_qs);
        QCOMPARE(KeyRules::addressEnablesGrab(key, url + marker, r.grabDisabled), !grabDisabled);
    }
    void reselectingReloadsFromDisk()
    {
        ScriptedPrompts prompts;
        GridModel key;
        QCOMPARE(KeyFileLoader::load(m_engines, 0, key, prompts, m_dir).path, m_dir + u"good.key"_qs);
        writeGoodKey(u"/changed"_qs);
        QVERIFY(KeyFileLoader::load(m_engines, 0, key, prompts, m_dir).loaded);
        QCOMPARE(key.text(1, 4), u"/changed"_qs);
    }
};

QTEST_GUILESS_MAIN(TestKeyFileLoader)
#include "tst_keyfileloader.moc"
