#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {
const QString kFolder = QStringLiteral("/opt/dirquill/");
}

class TestShellSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // A store of its own for every test function.
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
    }
    void firstRunGivesEveryDefault()
    {
        const ShellSettings s = ShellSettings::load(kFolder);
        QCOMPARE(s.top, 0);
        QCOMPARE(s.left, 0);
        QCOMPARE(s.width, 12000);
        QCOMPARE(s.height, 10000);
        QCOMPARE(s.vbarLeft, 3570);
        QCOMPARE(s.alternateColor, true);
        QCOMPARE(s.addressBox, 0);
        QCOMPARE(s.lastOpenPath, kFolder);
        QCOMPARE(s.showTips, true);
        QCOMPARE(s.defaultTab, 1);
    }
    void storedValuesAndFallbacks_data()
    {
        QTest::addColumn<QStringList>("stored"); // name=value pairs
        QTest::addColumn<QList<int>>("geometry"); // top, left, width, height
        QTest::addColumn<int>("vbarLeft");
        QTest::addColumn<int>("defaultTab");
        const QList<int> fallback { 0, 0, 12000, 10000 };
        QTest::newRow("a sound window is used as stored")
            << QStringList { u"TOP=600"_s, u"LEFT=900"_s, u"WIDTH=14000"_s, u"HEIGHT=9000"_s }
            << QList<int> { 600, 900, 14000, 9000 } << 3570 << 1;
        QTest::newRow("a height of 800 falls back to the default window")
            << QStringList { u"TOP=600"_s, u"LEFT=900"_s, u"WIDTH=14000"_s, u"HEIGHT=800"_s } << fallback << 3570 << 1;
        QTest::newRow("a height just above 800 is kept")
            << QStringList { u"TOP=0"_s, u"LEFT=0"_s, u"WIDTH=14000"_s, u"HEIGHT=801"_s }
            << QList<int> { 0, 0, 14000, 801 } << 3570 << 1;
        QTest::newRow("a negative top falls back to the default window")
            << QStringList { u"TOP=-15"_s, u"LEFT=900"_s, u"WIDTH=14000"_s, u"HEIGHT=9000"_s } << fallback << 3570 << 1;
        QTest::newRow("a negative left falls back to the default window")
            << QStringList { u"TOP=15"_s, u"LEFT=-900"_s, u"WIDTH=14000"_s, u"HEIGHT=9000"_s } << fallback << 3570 << 1;
        QTest::newRow("a non-numeric top reads as 0")
            << QStringList { u"TOP=abc"_s, u"LEFT=900"_s, u"WIDTH=14000"_s, u"HEIGHT=9000"_s }
            << QList<int> { 0, 900, 14000, 9000 } << 3570 << 1;
        QTest::newRow("a missing width and height give the default size")
            << QStringList { u"TOP=30"_s, u"LEFT=45"_s } << QList<int> { 30, 45, 12000, 10000 } << 3570 << 1;
        QTest::newRow("a splitter of 0 gives the default") << QStringList { u"VBarLeft=0"_s } << fallback << 3570 << 1;
        QTest::newRow("a negative splitter gives the default")
            << QStringList { u"VBarLeft=-40"_s } << fallback << 3570 << 1;
        QTest::newRow("a positive splitter is used") << QStringList { u"VBarLeft=4200"_s } << fallback << 4200 << 1;
        QTest::newRow("default tab 0 is kept, not mistaken for missing")
            << QStringList { u"DefaultTab=0"_s } << fallback << 3570 << 0;
        QTest::newRow("default tab 2 is kept") << QStringList { u"DefaultTab=2"_s } << fallback << 3570 << 2;
    }
    void storedValuesAndFallbacks()
    {
        QFETCH(QStringList, stored);
        QFETCH(QList<int>, geometry);
        for (const QString &pair : stored)
            Settings::write(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        const ShellSettings s = ShellSettings::load(kFolder);
        QCOMPARE((QList<int> { s.top, s.left, s.width, s.height }), geometry);
        QTEST(s.vbarLeft, "vbarLeft");
        QTEST(s.defaultTab, "defaultTab");
    }
    void flagsAreReadAsTrueOrFalse()
    {
        Settings::write(QStringLiteral("AlternateColor"), QStringLiteral("False"));
        Settings::write(QStringLiteral("ShowTips"), QStringLiteral("False"));
        Settings::write(QStringLiteral("AddressBox"), QStringLiteral("1"));
        ShellSettings s = ShellSettings::load(kFolder);
        QCOMPARE(s.alternateColor, false);
        QCOMPARE(s.showTips, false);
        QCOMPARE(ShellSettings::readShowTips(), false);
        QCOMPARE(s.addressBox, 1);
        Settings::write(QStringLiteral("ShowTips"), QStringLiteral("True"));
        QCOMPARE(ShellSettings::readShowTips(), true);
    }
    void exitWritesElevenValuesInOrder()
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
        const auto values = s.exitValues();
        QStringList names;
        QStringList texts;
        for (const auto &[name, text] : values) {
            names << name;
            texts << text;
        }
        QCOMPARE(names,
            (QStringList { u"TOP"_s, u"LEFT"_s, u"WIDTH"_s, u"HEIGHT"_s, u"VBarLeft"_s, u"AlternateColor"_s,
                u"LastOpenPath"_s, u"ShowTips"_s, u"DefaultTab"_s, u"AddressBox"_s, u"ListIndex"_s }));
        QCOMPARE(texts,
            (QStringList { u"120"_s, u"240"_s, u"13000"_s, u"9500"_s, u"4000"_s, u"False"_s, u"/home/ann/lists/"_s,
                u"False"_s, u"2"_s, u"1"_s, u"3"_s }));
    }
    void savedSettingsReadBack()
    {
        const ShellSettings s { .top = 120,
            .left = 240,
            .width = 13000,
            .height = 9500,
            .vbarLeft = 4000,
            .alternateColor = false,
            .lastOpenPath = u"/home/ann/lists/"_s,
            .showTips = false,
            .defaultTab = 0,
            .addressBox = 1 };
        s.save();
        const ShellSettings back = ShellSettings::load(kFolder);
        QCOMPARE(back.exitValues().mid(0, 10), s.exitValues().mid(0, 10));
        QCOMPARE(Settings::read(QStringLiteral("ListIndex")), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestShellSettings)
#include "tst_shellsettings.moc"
