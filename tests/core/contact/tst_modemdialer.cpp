#include "core/contact/dialsettings.h"
#include "core/contact/modemdialer.h"
#include "core/contact/serialportline.h"
#include "core/shell/settings.h"
#include "ptymodem.h"
#include "support/testsupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;
using dq::test::PtyModem;
using dq::test::ScriptedPrompts;

Q_DECLARE_METATYPE(dq::ModemDialer::Outcome)

namespace {

// Counts what the dialer has taken off the line, so a test knows every reply was seen.
class CountingLine : public SerialPortLine
{
public:
    QByteArray readAll() override
    {
        const QByteArray bytes = SerialPortLine::readAll();
        taken += bytes.size();
        return bytes;
    }
    qsizetype taken = 0;
};

const QString kPickUp = QStringLiteral("Pick up the phone and either press Enter or click OK");
const QString kUnavailableTail = QStringLiteral(": not available. Change the CommPort property to another port.");

} // namespace

class TestModemDialer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<ModemDialer::Outcome>(); }
    void portField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("message");
        const QString tail = kUnavailableTail;
        QTest::newRow("port 7 is the seventh serial port") << "7"
                                                           << "/dev/ttyS6" << QString(u"COM7" + tail);
        QTest::newRow("blanks around the number are ignored") << " 2 "
                                                              << "/dev/ttyS1" << QString(u"COM2" + tail);
        QTest::newRow("a COM name is read as its number") << "com3"
                                                          << "/dev/ttyS2" << QString(u"COM3" + tail);
        QTest::newRow("a device path is used as it stands") << "/dev/ttyUSB0"
                                                            << "/dev/ttyUSB0" << QString(u"COM/dev/ttyUSB0" + tail);
        QTest::newRow("text that is no number names no port") << "modem"
                                                              << "" << QString(u"COM0" + tail);
        QTest::newRow("port 0 names no port") << "0"
                                              << "" << QString(u"COM0" + tail);
        QTest::newRow("a negative port names no port") << "-4"
                                                       << "" << QString(u"COM-4" + tail);
    }
    void portField()
    {
        QFETCH(QString, text);
        QFETCH(QString, location);
        QFETCH(QString, message);
        const ModemDialer::Port port = ModemDialer::portFor(text);
        QCOMPARE(port.location, location);
        // A port number's second line names the device tried.
        const bool named = location.isEmpty() || location == port.label;
        QCOMPARE(ModemDialer::unavailableMessage(port, {}),
            named ? message : QString(message + u"\nDevice tried: " + location));
        // A field naming no port must still tell the user why.
        QCOMPARE(port.problem.isEmpty(), !location.isEmpty());
    }
    void numberForThePhoneCell_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("dialOne");
        QTest::addColumn<QString>("number");
        QTest::newRow("the phone text goes out unchanged") << "1" << false << "(555) 123-4567";
        QTest::newRow("the trimmed prefix goes directly in front when dialling one")
            << " 1 " << true << "1(555) 123-4567";
        QTest::newRow("a longer prefix is trimmed too") << "  011 " << true << "011(555) 123-4567";
    }
    void numberForThePhoneCell()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, dialOne);
        const DialSettings settings { .longDistance = prefix, .dialOne = dialOne };
        QTEST(settings.numberFor(QStringLiteral("(555) 123-4567")), "number");
    }
    void repliesAreJoinedBeforeTheOkTest_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<bool>("answered");
        using L = QList<QByteArray>;
        QTest::newRow("OK in one piece") << L { "\r\nOK\r\n" } << true;
        QTest::newRow("first the O, later the K") << L { "O", "K" } << true;
        QTest::newRow("the echo, then an O, then the K") << L { "ATDT555;\r\r\nO", "K\r\n" } << true;
        QTest::newRow("OK after other replies") << L { "RING\r\n", "BUSY\r\n", "OK\r\n" } << true;
        QTest::newRow("lower-case ok is not OK") << L { "ok\r\n" } << false;
        QTest::newRow("an O and a K with a line between are not OK") << L { "O\r\n", "K\r\n" } << false;
        QTest::newRow("replies without OK") << L { "NO DIALTONE\r\n", "ERROR\r\n" } << false;
    }
    void repliesAreJoinedBeforeTheOkTest()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(bool, answered);
        PtyModem modem;
        QVERIFY(modem.isValid());
        CountingLine line;
        ScriptedPrompts prompts;
        ModemDialer dialer(line, prompts);
        QSignalSpy finished(&dialer, &ModemDialer::finished);
        QSignalSpy beep(&dialer, &ModemDialer::modemAnswered);

        dialer.dial(QStringLiteral("555"), modem.path());
        QCOMPARE(dialer.status(), QStringLiteral("Dialing - 555"));
        QTRY_COMPARE(modem.received(), QByteArray("ATDT555;\r"));
        qsizetype sent = 0;
        for (const QByteArray &piece : pieces) {
            // Each piece must reach the dialer on its own before the next is sent.
            QVERIFY(modem.send(piece));
            sent += piece.size();
            QTRY_COMPARE(line.taken, sent);
        }
        QCOMPARE(finished.size(), answered ? 1 : 0);
        QCOMPARE(beep.size(), answered ? 1 : 0);
        QCOMPARE(dialer.isDialing(), !answered);
        if (answered) {
            QCOMPARE(finished.first().first().value<ModemDialer::Outcome>(), ModemDialer::Outcome::Answered);
            QCOMPARE(prompts.messages(), QStringList { kPickUp });
            QCOMPARE(dialer.status(), QStringLiteral("Waiting for picking up the phone"));
            QVERIFY(!line.isOpen());
        } else {
            QCOMPARE(dialer.status(), QStringLiteral("Dialing..."));
            QVERIFY(prompts.asked.isEmpty());
            dialer.cancel();
        }
        QTRY_VERIFY(modem.received().endsWith("ATH\r"));
    }
    void cancelEndsASilentDialAtOnceAndTheNextDialStartsClean()
    {
        PtyModem modem;
        QVERIFY(modem.isValid());
        SerialPortLine line;
        ScriptedPrompts prompts;
        ModemDialer dialer(line, prompts);
        QSignalSpy finished(&dialer, &ModemDialer::finished);
        QSignalSpy dialing(&dialer, &ModemDialer::dialingChanged);

        dialer.dial(QStringLiteral("5550100"), modem.path());
        QTRY_COMPARE(modem.received(), QByteArray("ATDT5550100;\r"));
        QCOMPARE(dialing.size(), 1);

        dialer.cancel();
        // No event has run: the dial ended inside cancel().
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<ModemDialer::Outcome>(), ModemDialer::Outcome::Cancelled);
        QCOMPARE(dialer.status(), QStringLiteral("Cancel"));
        QVERIFY(!line.isOpen());
        QCOMPARE(dialing.size(), 2);
        QCOMPARE(dialing.last().first().toBool(), false);
        QTRY_COMPARE(modem.received(), QByteArray("ATDT5550100;\rATH\r"));

        // An "OK" left over from the cancelled call must not answer the next one.
        modem.clearReceived();
        dialer.dial(QStringLiteral("5550101"), modem.path());
        QTRY_COMPARE(modem.received(), QByteArray("ATDT5550101;\r"));
        QVERIFY(dialer.isDialing());
        modem.send("OK\r\n");
        QTRY_COMPARE(finished.size(), 2);
        QCOMPARE(finished.last().first().value<ModemDialer::Outcome>(), ModemDialer::Outcome::Answered);
        QCOMPARE(prompts.messages(), QStringList { kPickUp });
    }
    void unavailablePortIsReportedWithItsReason_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("firstLine");
        const QString missing = dq::test::tempDir() + QStringLiteral("/no-such-modem");
        QTest::newRow("a device path that does not exist") << missing << QString(u"COM" + missing + kUnavailableTail);
        QTest::newRow("a port field that is no number") << "modem" << QString(u"COM0" + kUnavailableTail);
    }
    void unavailablePortIsReportedWithItsReason()
    {
        QFETCH(QString, portText);
        QFETCH(QString, firstLine);
        SerialPortLine line;
        ScriptedPrompts prompts;
        ModemDialer dialer(line, prompts);
        QSignalSpy finished(&dialer, &ModemDialer::finished);
        QSignalSpy unavailable(&dialer, &ModemDialer::portUnavailable);

        dialer.dial(QStringLiteral("555"), portText);
        QCOMPARE(prompts.asked.size(), 1);
        const QStringList lines = prompts.asked.first().text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), firstLine);
        QVERIFY2(!lines.at(1).trimmed().isEmpty(), "the reason is missing");
        QCOMPARE(prompts.asked.first().buttons, UserPrompts::Buttons::Ok);
        QCOMPARE(unavailable.size(), 1);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<ModemDialer::Outcome>(), ModemDialer::Outcome::PortUnavailable);
        QVERIFY(!dialer.isDialing());
        QVERIFY(!line.isOpen());
    }
    void portHeldByAnotherDialIsReportedBusy()
    {
        PtyModem modem;
        QVERIFY(modem.isValid());
        SerialPortLine firstLine;
        SerialPortLine secondLine;
        ScriptedPrompts prompts;
        ModemDialer first(firstLine, prompts);
        ModemDialer second(secondLine, prompts);

        first.dial(QStringLiteral("555"), modem.path());
        QVERIFY(first.isDialing());
        second.dial(QStringLiteral("556"), modem.path());
        QVERIFY(!second.isDialing());
        QCOMPARE(prompts.asked.size(), 1);
        QVERIFY(prompts.asked.first().text.startsWith(QString(u"COM" + modem.path() + kUnavailableTail + u'\n')));
        // The failed second dial left the first one's call alone.
        QVERIFY(first.isDialing());
        QTRY_COMPARE(modem.received(), QByteArray("ATDT555;\r"));
        first.cancel();
    }
    void unreadableSettingsFallBackToTheDefaults()
    {
        qputenv("DIRQUILL_CONFIG_DIR", dq::test::tempDir().toLocal8Bit());
        Settings::write(QStringLiteral("DIALONE"), QStringLiteral("yes"));
        Settings::write(QStringLiteral("LONGFORM"), QStringLiteral("open"));
        Settings::write(QStringLiteral("COMMPORT"), QString());
        const DialSettings odd = DialSettings::load();
        QCOMPARE(odd.dialOne, false);
        QCOMPARE(odd.expanded, false);
        QCOMPARE(odd.port, QStringLiteral("2"));
    }
};

QTEST_GUILESS_MAIN(TestModemDialer)
#include "tst_modemdialer.moc"
