#include "app/contact/frmdial.h"
#include "core/contact/modemdialer.h"
#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "core/shell/settings.h"
#include "support/gridtext.h"
#include "support/pendingevents.h"
#include "support/ptymodem.h"
#include "support/testsupport.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace dq;
using namespace Qt::StringLiterals;
using dq::test::PtyModem;
using dq::test::ScriptedPrompts;

// The dial dialog against a scripted modem on a real pseudo-terminal; the reply rules are in
// tst_modemdialer.
class TestFrmDial : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyModem> m_modem;
    ScriptedPrompts m_prompts;

private slots:
    void init()
    {
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        m_modem = std::make_unique<PtyModem>();
        QVERIFY(m_modem->isValid());
        Settings::write(u"COMMPORT"_s, m_modem->path());
        m_prompts = {};
    }

    void dialsTheCurrentRecordOnceWithTheLongDistancePrefix()
    {
        Settings::write(u"DIALONE"_s, u"1"_s);
        GridModel table;
        test::fillRecordTable(table, { u"|||||999-0000"_s, u"|||||(555) 123-4567"_s });
        table.setCursor(2, 0);
        frmDial dialog(m_prompts);
        dialog.setNumberFrom(table);
        dialog.show();
        QTRY_COMPARE(m_modem->received(), QByteArray("ATDT1(555) 123-4567;\r"));
        QCOMPARE(dialog.txtStatus->text(), u"Dialing - 1(555) 123-4567"_s);
        QVERIFY(!dialog.cmdDial->isEnabled());
        QVERIFY(dialog.cmdCancel->isEnabled());

        m_modem->send("OK\r\n");
        QTRY_COMPARE(m_prompts.messages(), QStringList { u"Pick up the phone and either press Enter or click OK"_s });
        QTRY_COMPARE(m_modem->received(), QByteArray("ATDT1(555) 123-4567;\rATH\r"));
        QVERIFY(dialog.cmdDial->isEnabled());
        QVERIFY(!dialog.cmdCancel->isEnabled());
        // Shown again, the dialog does not dial again by itself.
        dialog.hide();
        dialog.show();
        QVERIFY(test::runPendingZeroTimers());
        QVERIFY(!dialog.dialer().isDialing());
    }

    void endingADialHangsUp_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel hangs up and enables Dial again") << u"cancel"_s;
        QTest::newRow("Close during a dial hangs up") << u"close"_s;
        QTest::newRow("destroying the dialog during a dial hangs up") << u"destroy"_s;
    }
    void endingADialHangsUp()
    {
        QFETCH(QString, how);
        auto dialog = std::make_unique<frmDial>(m_prompts);
        dialog->txtNum->setText(u"5550100"_s);
        dialog->show();
        QTRY_COMPARE(m_modem->received(), QByteArray("ATDT5550100;\r"));
        if (how == u"cancel") {
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
            QVERIFY(!dialog->cmdCancel->isEnabled());
            QVERIFY(dialog->cmdDial->isEnabled());
        } else if (how == u"close") {
            QTest::mouseClick(dialog->cmdExit, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
        } else {
            dialog.reset();
        }
        QTRY_COMPARE(m_modem->received(), QByteArray("ATDT5550100;\rATH\r"));
    }

    void unavailablePortOpensTheSettingsPanel()
    {
        Settings::write(u"COMMPORT"_s, test::tempDir() + u"/ttyGone"_s);
        frmDial dialog(m_prompts);
        dialog.txtNum->setText(u"555"_s);
        dialog.show();
        QTRY_COMPARE(m_prompts.asked.size(), 1);
        QVERIFY(dialog.fraSettings->isVisible());
        dialog.close();
        QCOMPARE(Settings::read(u"LONGFORM"_s), u"True"_s);
    }

    void emptyNumberDialsNothing()
    {
        frmDial dialog(m_prompts);
        QSignalSpy finished(&dialog.dialer(), &ModemDialer::finished);
        dialog.show();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(m_modem->received(), QByteArray());
    }

    void settingsPanelAndItsValuesSurviveCloseAndReopen()
    {
        Settings::write(u"COMMPORT"_s, QString());
        {
            frmDial dialog(m_prompts);
            dialog.show();
            QVERIFY(!dialog.fraSettings->isVisible());
            QTest::mouseClick(dialog.cmdSet, Qt::LeftButton);
            QVERIFY(dialog.fraSettings->isVisible());
            // Save Settings writes at once, without closing.
            dialog.txtPort->setText(u"3"_s);
            QTest::mouseClick(dialog.cmdSave, Qt::LeftButton);
            QCOMPARE(Settings::read(u"COMMPORT"_s), u"3"_s);
            dialog.txtPort->setText(u"/dev/ttyUSB0"_s);
            dialog.txtLongDis->setText(u"011"_s);
            QTest::mouseClick(dialog.chkDialOne, Qt::LeftButton, {}, QPoint(4, dialog.chkDialOne->height() / 2));
            QTest::mouseClick(dialog.cmdExit, Qt::LeftButton);
        }
        frmDial again(m_prompts);
        QCOMPARE(again.txtPort->text(), u"/dev/ttyUSB0"_s);
        QCOMPARE(again.txtLongDis->text(), u"011"_s);
        QVERIFY(again.chkDialOne->isChecked());
        again.show();
        QVERIFY(again.fraSettings->isVisible());
        // Escape closes too, and saves the panel state as it is then.
        QTest::mouseClick(again.cmdSet, Qt::LeftButton);
        QTest::keyClick(&again, Qt::Key_Escape);
        QVERIFY(!again.isVisible());
        QCOMPARE(Settings::read(u"LONGFORM"_s), u"False"_s);
        QVERIFY(m_prompts.asked.isEmpty());
    }

    void aSettingsWriteThatFailsIsReported()
    {
        // A store folder below a plain file cannot be made, even for root.
        const QString plain = test::writeBytes(test::tempDir() + u"/plain"_s, {});
        qputenv("DIRQUILL_CONFIG_DIR", (plain + u"/config"_s).toLocal8Bit());
        m_prompts.answers << UserPrompts::Answer::Ok << UserPrompts::Answer::Ok;
        frmDial dialog(m_prompts);
        dialog.cmdSave->click(); // Save Settings, then the window's close
        dialog.reject();
        QCOMPARE(m_prompts.messages(), QStringList(2, Settings::writeFailedText()));
    }
};

QTEST_MAIN(TestFrmDial)
#include "tst_frmdial.moc"
