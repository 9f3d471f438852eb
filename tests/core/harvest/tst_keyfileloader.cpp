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

void writeKey(const QString &path, const QString &marker)
{
    GridModel g;
    g.setCols(10);
    g.setRows(30);
    g.setText(1, 4, marker);
    QVERIFY(GridFile::save(g, path, FileKind::Native));
}

} // namespace

class TestKeyFileLoader : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = test::tempDir() + u"/"_qs;
        m_engines.clear();
        m_engines.Add(u"Good"_qs, u"good.key"_qs, u"http://good.test/"_qs, 1);
        m_engines.Add(u"Missing"_qs, u"missing.key"_qs, u"http://missing.test/"_qs, 2);
        m_engines.Add(u"Broken"_qs, u"broken.key"_qs, u"http://broken.test/"_qs, 3);
        writeKey(m_dir + u"good.key"_qs, u"/listings?"_qs);
        QFile broken(m_dir + u"broken.key"_qs);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("this is not a key file\n\x01\x02");
    }
    void missingKeyFileDisablesGrabbing()
    {
        ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        GridModel key;
        const auto r = KeyFileLoader::load(m_engines, 1, key, prompts, m_dir);
        QVERIFY(r.grabDisabled);
        QVERIFY(!r.loaded);
        QCOMPARE(r.url, u"http://missing.test/"_qs);
        QCOMPARE(prompts.messages(), QStringList { u"Key file not found. Contact software vender. "_qs });
        QCOMPARE(prompts.asked.first().title, u"Select Searching Engine"_qs);
        QCOMPARE(prompts.asked.first().icon, UserPrompts::Icon::Warning);
        QCOMPARE(prompts.asked.first().buttons, UserPrompts::Buttons::Ok);
        // Whatever the browser shows, grabbing stays off.
        QVERIFY(!KeyRules::addressEnablesGrab(key, u"http://missing.test/listings?x"_qs, r.grabDisabled));
    }
    void unreadableKeyFileKeepsTheTableAndGrabbing()
    {
        ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        GridModel key;
        writeKey(m_dir + u"good.key"_qs, u"/before"_qs);
        KeyFileLoader::load(m_engines, 0, key, prompts, m_dir);
        const auto r = KeyFileLoader::load(m_engines, 2, key, prompts, m_dir);
        QVERIFY(!r.grabDisabled);
        QVERIFY(!r.loaded);
        QVERIFY(!r.errorString.isEmpty());
        QCOMPARE(r.url, u"http://broken.test/"_qs);
        QCOMPARE(prompts.messages(),
            QStringList { u"Cannot load key file '"_qs + m_dir
                + u"broken.key'. Contact software vender for more information."_qs });
        QCOMPARE(prompts.asked.first().title, u"Select Searching Engine"_qs);
        QCOMPARE(key.text(1, 4), u"/before"_qs);
        QVERIFY(KeyRules::addressEnablesGrab(key, u"http://broken.test/before"_qs, r.grabDisabled));
    }
    void goodKeyFileLoadsWithoutQuestions()
    {
        ScriptedPrompts prompts;
        GridModel key;
        const auto r = KeyFileLoader::load(m_engines, 0, key, prompts, m_dir);
        QVERIFY(r.loaded);
        QVERIFY(!r.grabDisabled);
        QCOMPARE(r.path, m_dir + u"good.key"_qs);
        QCOMPARE(r.url, u"http://good.test/"_qs);
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(key.text(1, 4), u"/listings?"_qs);
    }
    void reselectingReloadsFromDisk()
    {
        ScriptedPrompts prompts;
        GridModel key;
        QVERIFY(KeyFileLoader::load(m_engines, 0, key, prompts, m_dir).loaded);
        writeKey(m_dir + u"good.key"_qs, u"/changed"_qs);
        QVERIFY(KeyFileLoader::load(m_engines, 0, key, prompts, m_dir).loaded);
        QCOMPARE(key.text(1, 4), u"/changed"_qs);
    }
    void noEngineAtThatPosition()
    {
        ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        GridModel key;
        const auto r = KeyFileLoader::load(m_engines, 7, key, prompts, m_dir);
        QVERIFY(r.grabDisabled);
        QVERIFY(r.url.isEmpty());
        QCOMPARE(prompts.messages(), QStringList { u"Key file not found. Contact software vender. "_qs });
    }

private:
    QString m_dir;
    colYPs m_engines;
};

QTEST_GUILESS_MAIN(TestKeyFileLoader)
#include "tst_keyfileloader.moc"
