#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTest>

#include <limits>

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

    // expected: the loaded settings as the eleven texts written at exit.
    void storedValuesAndFallbacks_data()
    {
        QTest::addColumn<QString>("stored"); // name=value pairs, space-separated
        QTest::addColumn<QString>("expected");
        const QString defaults = u"0|0|12000|10000|3570|True|/opt/dirquill/|True|1|0|0"_s;
        QTest::newRow("a first run gives every default") << QString() << defaults;
        QTest::newRow("a sound window is used as stored")
            << u"TOP=600 LEFT=900 WIDTH=14000 HEIGHT=9000"_s
            << u"600|900|14000|9000|3570|True|/opt/dirquill/|True|1|0|0"_s;
        QTest::newRow("a height of 800 falls back to the default window")
            << u"TOP=600 LEFT=900 WIDTH=14000 HEIGHT=800"_s << defaults;
        QTest::newRow("a height just above 800 is kept")
            << u"WIDTH=14000 HEIGHT=801"_s << u"0|0|14000|801|3570|True|/opt/dirquill/|True|1|0|0"_s;
        QTest::newRow("a negative top falls back to the default window")
            << u"TOP=-15 LEFT=900 WIDTH=14000 HEIGHT=9000"_s << defaults;
        QTest::newRow("a negative left falls back to the default window")
            << u"TOP=15 LEFT=-900 WIDTH=14000 HEIGHT=9000"_s << defaults;
        QTest::newRow("a non-numeric top reads as 0") << u"TOP=abc LEFT=900 WIDTH=14000 HEIGHT=9000"_s
                                                      << u"0|900|14000|9000|3570|True|/opt/dirquill/|True|1|0|0"_s;
        QTest::newRow("a missing width and height give the default size")
            << u"TOP=30 LEFT=45"_s << u"30|45|12000|10000|3570|True|/opt/dirquill/|True|1|0|0"_s;
        QTest::newRow("a splitter of 0 gives the default") << u"VBarLeft=0"_s << defaults;
        QTest::newRow("a negative splitter gives the default") << u"VBarLeft=-40"_s << defaults;
        QTest::newRow("a positive splitter is used")
            << u"VBarLeft=4200"_s << u"0|0|12000|10000|4200|True|/opt/dirquill/|True|1|0|0"_s;
        QTest::newRow("default tab 0 is kept, not mistaken for missing")
            << u"DefaultTab=0"_s << u"0|0|12000|10000|3570|True|/opt/dirquill/|True|0|0|0"_s;
        QTest::newRow("flags read as True or False, the address box as a number")
            << u"AlternateColor=False ShowTips=False AddressBox=1 LastOpenPath=/home/ann/"_s
            << u"0|0|12000|10000|3570|False|/home/ann/|False|1|1|0"_s;
    }
    void storedValuesAndFallbacks()
    {
        QFETCH(QString, stored);
        for (const QString &pair : stored.split(u' ', Qt::SkipEmptyParts))
            QVERIFY(Settings::write(pair.section(u'=', 0, 0), pair.section(u'=', 1)));
        const ShellSettings s = ShellSettings::load(kFolder);
        QTEST(joined(s), "expected");
        QCOMPARE(ShellSettings::readShowTips(), s.showTips);
    }

    void exitWritesElevenNamedValuesThatReadBack()
    {
        const ShellSettings s { .top = 120,
            .left = 240,
            .width = 13000,
            .height = 9500,
            .vbarLeft = 4000,
            .alternateColor = false,
            .lastOpenPath = u"/home/ann/lists/"_s,
            .showTips = false,
            .defaultTab = 2,
            .addressBox = 1,
            .listIndex = 3 };
        QVERIFY(s.save());
        QStringList names;
        for (const auto &[name, text] : s.exitValues()) {
            names << name;
            QCOMPARE(Settings::read(name), text);
        }
        QCOMPARE(names.join(u' '),
            u"TOP LEFT WIDTH HEIGHT VBarLeft AlternateColor LastOpenPath ShowTips DefaultTab AddressBox ListIndex"_s);
        QCOMPARE(joined(s), u"120|240|13000|9500|4000|False|/home/ann/lists/|False|2|1|3"_s);
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

    void numbersAreReadFromAnyText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        constexpr int most = std::numeric_limits<int>::max();
        QTest::newRow("a plain number") << u" 42 "_s << 42;
        QTest::newRow("a fraction is cut towards zero") << u"-7.9"_s << -7;
        QTest::newRow("a number past the largest int is clamped") << u"1e300"_s << most;
        QTest::newRow("a number just past the largest int is clamped") << u"2147483648.5"_s << most;
        QTest::newRow("a number below the smallest int is clamped") << u"-1e300"_s << std::numeric_limits<int>::min();
        QTest::newRow("infinity is clamped") << u"inf"_s << most;
        QTest::newRow("not a number reads as zero") << u"nan"_s << 0;
        QTest::newRow("text reads as zero") << u"COM1"_s << 0;
    }
    void numbersAreReadFromAnyText()
    {
        QFETCH(QString, text);
        QTEST(Settings::toInt(text), "value");
    }
};

QTEST_GUILESS_MAIN(TestShellSettings)
#include "tst_shellsettings.moc"
