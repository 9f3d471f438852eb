#include "core/shell/settings.h"

#include <QTest>

#include <limits>

using namespace dq;
using namespace Qt::StringLiterals;

// Whole-number settings come from text the user or another program may have written.
class TestSettingNumbers : public QObject
{
    Q_OBJECT

private slots:
    void readsAWholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        constexpr int most = std::numeric_limits<int>::max();
        constexpr int least = std::numeric_limits<int>::min();
        QTest::newRow("a plain number") << u" 42 "_s << 42;
        QTest::newRow("a fraction is cut towards zero") << u"-7.9"_s << -7;
        QTest::newRow("a number past the largest int is clamped") << u"1e300"_s << most;
        QTest::newRow("a number just past the largest int is clamped") << u"2147483648.5"_s << most;
        QTest::newRow("a number below the smallest int is clamped") << u"-1e300"_s << least;
        QTest::newRow("infinity is clamped") << u"inf"_s << most;
        QTest::newRow("not a number reads as zero") << u"nan"_s << 0;
        QTest::newRow("text reads as zero") << u"COM1"_s << 0;
    }

    void readsAWholeNumber()
    {
        QFETCH(QString, text);
        QTEST(Settings::toInt(text), "value");
    }
};

QTEST_GUILESS_MAIN(TestSettingNumbers)
#include "tst_settingnumbers.moc"
