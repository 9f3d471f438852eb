#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "support/casetable.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {
const QString kFolder = u"/opt/dirquill/"_s;

QString joined(const ShellSettings &s)
{
    QStringList texts;
    for (const auto &[name, text] : s.exitValues())
        texts << text;
    return texts.join(u'|');
}
} // namespace

class TestShellSettings : public QObject
{
    Q_OBJECT

private slots:
    void init() { qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit()); }

    // stored: name=value pairs; loaded: the loaded settings as the eleven texts written at exit.
    void storedValuesAndFallbacks_data() { test::addCaseRows(u"shell/settings.tsv"_s); }
    void storedValuesAndFallbacks()
    {
        QFETCH(QString, stored);
        for (const QString &pair : stored.split(u' ', Qt::SkipEmptyParts))
            QVERIFY(Settings::write(pair.section(u'=', 0, 0), pair.section(u'=', 1)));
        const ShellSettings s = ShellSettings::load(kFolder);
        QTEST(joined(s), "loaded");
        QCOMPARE(ShellSettings::readShowTips(), s.showTips);
    }

    void exitWritesElevenNamedValuesThatReadBack()
    {
        // Every value differs from its default.
        const ShellSettings s { 120, 240, 13000, 9500, 4000, false, u"/home/ann/lists/"_s, false, 2, 1, 3 };
        QVERIFY(s.save());
        QStringList names;
        for (const auto &[name, text] : s.exitValues()) {
            names << name;
            QCOMPARE(Settings::read(name), text);
        }
        QCOMPARE(names.join(u' '),
            u"TOP LEFT WIDTH HEIGHT VBarLeft AlternateColor LastOpenPath ShowTips DefaultTab AddressBox ListIndex"_s);
        QCOMPARE(joined(ShellSettings::load(kFolder)), joined(s));
    }

    void aWriteThatFailsIsReported()
    {
        // A store folder below a plain file cannot be made, even for root.
        const QString file = test::tempDir() + u"/plain"_s;
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        qputenv("DIRQUILL_CONFIG_DIR", (file + u"/config"_s).toLocal8Bit());
        QVERIFY(!Settings::write(u"TOP"_s, u"1"_s));
        QVERIFY(!ShellSettings {}.save());
        QVERIFY(Settings::writeFailedText().contains(file + u"/config"_s));
    }

    void numbersAreReadFromAnyText_data() { test::addCaseRows(u"shell/numbers.tsv"_s); }
    void numbersAreReadFromAnyText()
    {
        QFETCH(QString, text);
        QTEST(QString::number(Settings::toInt(text)), "value");
    }
};

QTEST_GUILESS_MAIN(TestShellSettings)
#include "tst_shellsettings.moc"
