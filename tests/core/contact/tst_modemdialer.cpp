#include "core/contact/dialsettings.h"
#include "core/contact/modemdialer.h"
#include "core/contact/serialportline.h"
#include "core/shell/settings.h"
#include "support/ptymodem.h"
#include "support/casetable.h"
#include "support/testsupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;
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

    void portField_data() { test::addCaseRows(u"contact/modem/ports.tsv"_s); }
    void portField()
    {
        QFETCH(QString, text);
        QFETCH(QString, device);
        QFETCH(QString, label);
        const ModemDialer::Port port = ModemDialer::portFor(text);
        QCOMPARE(port.location, device);
        // A port number's message names the device tried on a second line.
        const QString tried = device.isEmpty() || device == label ? QString() : u"\nDevice tried: "_s + device;
        QCOMPARE(ModemDialer::unavailableMessage(port, {}), u"COM"_s + label + kUnavailableTail + tried);
        // A field naming no port must still tell the user why.
        QCOMPARE(port.problem.isEmpty(), !device.isEmpty());
    }

    void numberForThePhoneCell_data() { test::addCaseRows(u"contact/modem/numbers.tsv"_s); }
    void numberForThePhoneCell()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, dialOne);
        QFETCH(QString, phone);
        const DialSettings settings { .longDistance = prefix, .dialOne = bool(test::choice(dialOne, { "no", "yes" })) };
        QTEST(settings.numberFor(phone), "number");
    }

    void repliesAreJoinedBeforeTheOkTest_data() { test::addCaseRows(u"contact/modem/replies.tsv"_s); }
    void repliesAreJoinedBeforeTheOkTest()
    {
        QFETCH(QByteArray, piecesBytes);
        QFETCH(QString, call);
        const bool answered = test::choice(call, { "still dialling", "answered" });
        PtyModem modem;
        QVERIFY(modem.isValid());
        CountingLine line;
        ScriptedPrompts prompts;
        ModemDialer dialer(line, prompts);
        QSignalSpy finished(&dialer, &ModemDialer::finished);
        QSignalSpy beep(&dialer, &ModemDialer::modemAnswered);

        dialer.dial(u"555"_s, modem.path());
        QTRY_COMPARE(modem.received(), QByteArray("ATDT555;\r"));
        qsizetype sent = 0;
        for (const QByteArray &piece : piecesBytes.split('|')) {
            // Each piece must reach the dialer on its own before the next is sent.
            QVERIFY(modem.send(piece));
            sent += piece.size();
            QTRY_COMPARE(line.taken, sent);
        }
        QCOMPARE(finished.size(), answered ? 1 : 0);
        QCOMPARE(beep.size(), answered ? 1 : 0);
        if (answered) {
            QCOMPARE(finished.first().first().value<ModemDialer::Outcome>(), ModemDialer::Outcome::Answered);
            QCOMPARE(prompts.messages(), QStringList { kPickUp });
            QCOMPARE(dialer.status(), u"Waiting for picking up the phone"_s);
            QVERIFY(!line.isOpen());
        } else {
            QCOMPARE(dialer.status(), u"Dialing..."_s);
            QVERIFY(dialer.isDialing());
            dialer.cancel();
        }
        QTRY_VERIFY(modem.received().endsWith("ATH\r"));
    }

    void aSecondDialOnTheBusyPortIsRefusedAndCancelEndsTheFirstAtOnce()
    {
        PtyModem modem;
        QVERIFY(modem.isValid());
        SerialPortLine line;
        SerialPortLine secondLine;
        ScriptedPrompts prompts;
        ModemDialer dialer(line, prompts);
        ModemDialer second(secondLine, prompts);
        QSignalSpy finished(&dialer, &ModemDialer::finished);
        dialer.dial(u"5550100"_s, modem.path());
        second.dial(u"556"_s, modem.path());
        QVERIFY(!second.isDialing());
        QCOMPARE(prompts.asked.size(), 1);
        QVERIFY(prompts.asked.first().text.startsWith(u"COM"_s + modem.path() + kUnavailableTail + u'\n'));
        QTRY_COMPARE(modem.received(), QByteArray("ATDT5550100;\r"));
        QVERIFY(dialer.isDialing());

        dialer.cancel();
        // No event has run: the dial ended inside cancel().
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<ModemDialer::Outcome>(), ModemDialer::Outcome::Cancelled);
        QCOMPARE(dialer.status(), u"Cancel"_s);
        QVERIFY(!line.isOpen());
        QTRY_COMPARE(modem.received(), QByteArray("ATDT5550100;\rATH\r"));

        // An "OK" left over from the cancelled call must not answer the next one.
        modem.clearReceived();
        dialer.dial(u"5550101"_s, modem.path());
        QTRY_COMPARE(modem.received(), QByteArray("ATDT5550101;\r"));
        QVERIFY(dialer.isDialing());
        modem.send("OK\r\n");
        QTRY_COMPARE(finished.size(), 2);
        QCOMPARE(finished.last().first().value<ModemDialer::Outcome>(), ModemDialer::Outcome::Answered);
    }

    void unavailablePortIsReportedWithItsReason_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("label");
        const QString missing = test::tempDir() + u"/no-such-modem"_s;
        QTest::newRow("a device path that does not exist") << missing << missing;
        QTest::newRow("a port field that is no number") << u"modem"_s << u"0"_s;
    }
    void unavailablePortIsReportedWithItsReason()
    {
        QFETCH(QString, portText);
        QFETCH(QString, label);
        SerialPortLine line;
        ScriptedPrompts prompts;
        ModemDialer dialer(line, prompts);
        QSignalSpy finished(&dialer, &ModemDialer::finished);
        dialer.dial(u"555"_s, portText);
        QCOMPARE(prompts.asked.size(), 1);
        const QStringList lines = prompts.asked.first().text.split(u'\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), u"COM"_s + label + kUnavailableTail);
        QVERIFY2(!lines.at(1).trimmed().isEmpty(), "the reason is missing");
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<ModemDialer::Outcome>(), ModemDialer::Outcome::PortUnavailable);
        QVERIFY(!line.isOpen());
    }

    void unreadableSettingsFallBackToTheDefaults()
    {
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        Settings::write(u"DIALONE"_s, u"yes"_s);
        Settings::write(u"LONGFORM"_s, u"open"_s);
        Settings::write(u"COMMPORT"_s, QString());
        const DialSettings odd = DialSettings::load();
        QCOMPARE((QList<bool> { odd.dialOne, odd.expanded }), (QList<bool> { false, false }));
        QCOMPARE(odd.port, u"2"_s);
    }
};

QTEST_GUILESS_MAIN(TestModemDialer)
#include "tst_modemdialer.moc"
