#include "app/contact/frmdial.h"
#include "core/contact/modemdialer.h"
#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "core/shell/settings.h"
#include "support/testsupport.h"
#include "../../core/contact/ptymodem.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace dq;
using dq::test::PtyModem;
using dq::test::ScriptedPrompts;

namespace {

// The second of two records, as the current row.
void recordWithPhone(GridModel &table, const QString &phone)
{
    dq::test::fillRecordTable(table, { QStringLiteral("|||||999-0000"), QStringLiteral("|||||") + phone });
    table.setCursor(2, 0);
}

} // namespace

// The dial dialog against a scripted modem on a real pseudo-terminal; the reply rules are in tst_modemdialer.
class TestFrmDial : public QObject
{
    Q_OBJECT

private slots:
    void init() { qputenv("DIRQUILL_CONFIG_DIR", dq::test::tempDir().toLocal8Bit()); }

    void dialsTheCurrentRecordWithTheLongDistancePrefix()
    {
        PtyModem modem;
        QVERIFY(modem.isValid());
        Settings::write(QStringLiteral("COMMPORT"), modem.path());
        Settings::write(QStringLiteral("DIALONE"), QStringLiteral("1"));
        GridModel table;
        recordWithPhone(table, QStringLiteral("(555) 123-4567"));

        ScriptedPrompts prompts;
        frmDial dialog(prompts);
        dialog.setNumberFrom(table);
        QCOMPARE(dialog.txtNum->text(), QStringLiteral("1(555) 123-4567"));
        dialog.show();
        QTRY_COMPARE(modem.received(), QByteArray("ATDT1(555) 123-4567;\r"));
        QCOMPARE(dialog.txtStatus->text(), QStringLiteral("Dialing - 1(555) 123-4567"));
        QVERIFY(!dialog.cmdDial->isEnabled());
        QVERIFY(dialog.cmdCancel->isEnabled());

        modem.send("\r\nO");
        QTRY_COMPARE(dialog.txtStatus->text(), QStringLiteral("Dialing..."));
        modem.send("K\r\n");
        QTRY_COMPARE(
            prompts.messages(), QStringList { QStringLiteral("Pick up the phone and either press Enter or click OK") });
        QCOMPARE(dialog.txtStatus->text(), QStringLiteral("Waiting for picking up the phone"));
        QTRY_COMPARE(modem.received(), QByteArray("ATDT1(555) 123-4567;\rATH\r"));
        QVERIFY(dialog.cmdDial->isEnabled());
        QVERIFY(!dialog.cmdCancel->isEnabled());
    }

    void endingADialHangsUp_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel hangs up and enables Dial again") << "cancel";
        QTest::newRow("Close during a dial hangs up") << "close";
        QTest::newRow("destroying the dialog during a dial hangs up") << "destroy";
    }
    void endingADialHangsUp()
    {
        QFETCH(QString, how);
        PtyModem modem;
        QVERIFY(modem.isValid());
        Settings::write(QStringLiteral("COMMPORT"), modem.path());
        ScriptedPrompts prompts;
        auto dialog = std::make_unique<frmDial>(prompts);
        dialog->txtNum->setText(QStringLiteral("5550100"));
        dialog->show();
        QTRY_COMPARE(modem.received(), QByteArray("ATDT5550100;\r"));

        if (how == u"cancel") {
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
            QCOMPARE(dialog->txtStatus->text(), QStringLiteral("Cancel"));
            QVERIFY(!dialog->cmdCancel->isEnabled());
            QVERIFY(dialog->cmdDial->isEnabled());
        } else if (how == u"close") {
            QTest::mouseClick(dialog->cmdExit, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
            QVERIFY(!dialog->dialer().isDialing());
        } else {
            dialog.reset();
        }
        QTRY_COMPARE(modem.received(), QByteArray("ATDT5550100;\rATH\r"));
    }

    void unavailablePortOpensTheSettingsPanel()
    {
        const QString missing = dq::test::tempDir() + QStringLiteral("/ttyGone");
        Settings::write(QStringLiteral("COMMPORT"), missing);
        ScriptedPrompts prompts;
        frmDial dialog(prompts);
        dialog.txtNum->setText(QStringLiteral("555"));
        dialog.show();
        const int collapsedHeight = dialog.height();
        QTRY_COMPARE(prompts.asked.size(), 1);
        QVERIFY(prompts.asked[0].text.startsWith(u"COM" + missing + u": not available."));
        QVERIFY(dialog.fraSettings->isVisible());
        QVERIFY(dialog.height() > collapsedHeight);
        QVERIFY(dialog.cmdDial->isEnabled());
        QVERIFY(!dialog.cmdCancel->isEnabled());
        dialog.close();
        QCOMPARE(Settings::read(QStringLiteral("LONGFORM")), QStringLiteral("True"));
    }

    void emptyNumberDialsNothing()
    {
        PtyModem modem;
        QVERIFY(modem.isValid());
        Settings::write(QStringLiteral("COMMPORT"), modem.path());
        GridModel table;
        recordWithPhone(table, QString());
        ScriptedPrompts prompts;
        frmDial dialog(prompts);
        QSignalSpy finished(&dialog.dialer(), &ModemDialer::finished);
        dialog.setNumberFrom(table);
        dialog.show();
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(dialog.cmdDial->isEnabled());
        QVERIFY(dialog.txtStatus->text().isEmpty());
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(modem.received(), QByteArray());
    }

    void settingsPanelAndItsValuesSurviveCloseAndReopen()
    {
        ScriptedPrompts prompts;
        {
            frmDial dialog(prompts);
            // First use: the defaults, the panel folded away.
            QCOMPARE(dialog.txtPort->text(), QStringLiteral("2"));
            QCOMPARE(dialog.txtLongDis->text(), QStringLiteral("1"));
            QVERIFY(!dialog.chkDialOne->isChecked());
            dialog.show();
            QVERIFY(!dialog.fraSettings->isVisible());
            const int collapsed = dialog.height();
            const int width = dialog.width();
            QTest::mouseClick(dialog.cmdSet, Qt::LeftButton);
            QVERIFY(dialog.fraSettings->isVisible());
            QVERIFY(dialog.height() > collapsed);
            QCOMPARE(dialog.width(), width);
            // Save Settings writes at once, without closing.
            dialog.txtPort->setText(QStringLiteral("3"));
            QTest::mouseClick(dialog.cmdSave, Qt::LeftButton);
            QCOMPARE(Settings::read(QStringLiteral("COMMPORT")), QStringLiteral("3"));
            dialog.txtPort->setText(QStringLiteral("/dev/ttyUSB0"));
            dialog.txtLongDis->setText(QStringLiteral("011"));
            QTest::mouseClick(dialog.chkDialOne, Qt::LeftButton, {}, QPoint(4, dialog.chkDialOne->height() / 2));
            QTest::mouseClick(dialog.cmdExit, Qt::LeftButton);
        }
        frmDial again(prompts);
        QCOMPARE(again.txtPort->text(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(again.txtLongDis->text(), QStringLiteral("011"));
        QVERIFY(again.chkDialOne->isChecked());
        again.show();
        QVERIFY(again.fraSettings->isVisible());

        // Escape closes too, and saves the panel state as it is then.
        QTest::mouseClick(again.cmdSet, Qt::LeftButton);
        QTest::keyClick(&again, Qt::Key_Escape);
        QVERIFY(!again.isVisible());
        QCOMPARE(Settings::read(QStringLiteral("LONGFORM")), QStringLiteral("False"));
        QVERIFY(prompts.asked.isEmpty());
    }

    void aSettingsWriteThatFailsIsReported()
    {
        // A store folder below a plain file cannot be made, even for root.
        const QString plain = dq::test::tempDir() + QStringLiteral("/plain");
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        qputenv("DIRQUILL_CONFIG_DIR", (plain + QStringLiteral("/config")).toLocal8Bit());
        ScriptedPrompts prompts;
        prompts.answers << UserPrompts::Answer::Ok << UserPrompts::Answer::Ok;
        frmDial dialog(prompts);
        dialog.cmdSave->click(); // Save Settings, then the window's close
        dialog.reject();
        QCOMPARE(prompts.messages(), QStringList(2, Settings::writeFailedText()));
    }
};

QTEST_MAIN(TestFrmDial)
#include "tst_frmdial.moc"
