#include "app/contact/frmdial.h"

#include "core/contact/contactlinks.h"
#include "core/contact/modemdialer.h"
#include "core/contact/serialportline.h"
#include "core/grid/gridmodel.h"
#include "core/shell/settings.h"
#include "core/shell/userprompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace dq {

namespace {

constexpr int kWidthTwips = 4800;

template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel *label(const QString &text, const char *name, QWidget *buddy = nullptr)
{
    auto *l = named(new QLabel(text), name);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

} // namespace

frmDial::frmDial(UserPrompts &prompts, QWidget *parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_line(new SerialPortLine(this))
{
    m_dialer = new ModemDialer(*m_line, prompts, this);
    setObjectName(QStringLiteral("frmDial"));
    setWindowTitle(QStringLiteral("Dial Phone"));
    buildWindow();

    const DialSettings settings = DialSettings::load();
    txtPort->setText(settings.port);
    txtLongDis->setText(settings.longDistance);
    chkDialOne->setChecked(settings.dialOne);
    setExpanded(settings.expanded);

    connect(cmdDial, &QPushButton::clicked, this, &frmDial::dialNumber);
    connect(cmdCancel, &QPushButton::clicked, m_dialer, &ModemDialer::cancel);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSet, &QPushButton::clicked, this, &frmDial::toggleSettings);
    connect(cmdSave, &QPushButton::clicked, this, &frmDial::saveSettings);

    connect(m_dialer, &ModemDialer::statusChanged, txtStatus, &QLineEdit::setText);
    connect(m_dialer, &ModemDialer::dialingChanged, this, [this](bool dialing) {
        cmdDial->setEnabled(!dialing);
        cmdCancel->setEnabled(dialing);
    });
    connect(m_dialer, &ModemDialer::portUnavailable, this, [this] { setExpanded(true); });
    connect(m_dialer, &ModemDialer::modemAnswered, this, [] { QApplication::beep(); });
}

frmDial::~frmDial()
{
    // The dialer hangs up a running call when it goes, so it must go before its line.
    delete m_dialer;
}

int frmDial::dialPhone(const GridModel &table, UserPrompts &prompts, QWidget *parent)
{
    frmDial dialog(prompts, parent);
    dialog.setNumberFrom(table);
    return dialog.exec();
}

void frmDial::setNumberFrom(const GridModel &table)
{
    const int row = table.row();
    const QString phone = row >= table.fixedRows() ? table.text(row, ContactLinks::kPhoneCol) : QString();
    txtNum->setText(currentSettings().numberFor(phone));
}

void frmDial::buildWindow()
{
    txtNum = named(new QLineEdit, "txtNum");
    txtStatus = named(new QLineEdit, "txtStatus");
    txtStatus->setReadOnly(true);

    cmdDial = named(new QPushButton(QStringLiteral("&Dial")), "cmdDial");
    cmdDial->setToolTip(QStringLiteral("Redial Number"));
    cmdDial->setDefault(true);
    cmdCancel = named(new QPushButton(QStringLiteral("&Cancel")), "cmdCancel");
    cmdCancel->setToolTip(QStringLiteral("Cancel Dial"));
    cmdCancel->setEnabled(false);
    cmdCancel->setAutoDefault(false);
    cmdExit = named(new QPushButton(QStringLiteral("C&lose")), "cmdExit");
    cmdExit->setToolTip(QStringLiteral("Exit"));
    cmdExit->setAutoDefault(false);
    cmdSet = named(new QPushButton, "cmdSet");
    cmdSet->setToolTip(QStringLiteral("Show Hide Settings"));
    cmdSet->setAutoDefault(false);

    auto *top = new QGridLayout;
    top->addWidget(label(QStringLiteral("Dialing Number:"), "lblNum", txtNum), 0, 0);
    top->addWidget(txtNum, 0, 1);
    top->addWidget(label(QStringLiteral("Status:"), "lblStatus", txtStatus), 1, 0);
    top->addWidget(txtStatus, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdDial);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdExit);
    buttons->addStretch();
    buttons->addWidget(cmdSet);

    txtPort = named(new QLineEdit, "txtPort");
    txtPort->setToolTip(QStringLiteral("A port number (1 is the first serial port) or a device path"));
    txtLongDis = named(new QLineEdit, "txtLongDis");
    txtLongDis->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    chkDialOne = named(new QCheckBox(QStringLiteral("Dial '1' before number for long distance")), "chkDialOne");
    cmdSave = named(new QPushButton(QStringLiteral("&Save Settings")), "cmdSave");
    cmdSave->setToolTip(QStringLiteral("Save settings on the left"));
    cmdSave->setAutoDefault(false);

    auto *frame = named(new QFrame, "fraSettings");
    frame->setFrameShape(QFrame::StyledPanel);
    auto *panel = new QGridLayout(frame);
    panel->addWidget(label(QStringLiteral("Comm Port:"), "lblPort", txtPort), 0, 0);
    panel->addWidget(txtPort, 0, 1);
    auto *prefixRow = new QHBoxLayout;
    prefixRow->addWidget(label(QStringLiteral("Dial "), "lblDial", txtLongDis));
    prefixRow->addWidget(txtLongDis);
    prefixRow->addWidget(label(QStringLiteral("before number for long distance"), "lblLongDis"));
    prefixRow->addStretch();
    panel->addLayout(prefixRow, 1, 0, 1, 2);
    panel->addWidget(chkDialOne, 2, 0, 1, 2);
    panel->addWidget(cmdSave, 0, 2, 3, 1, Qt::AlignCenter);
    fraSettings = frame;

    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(buttons);
    main->addWidget(fraSettings);
    main->addStretch();

    // One width for both heights, wide enough for the settings panel.
    m_width = qMax(qRound(kWidthTwips * logicalDpiX() / 1440.0), sizeHint().width());
}

void frmDial::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_shownOnce)
        return;
    m_shownOnce = true;
    setExpanded(DialSettings::load().expanded);
    // Dial once the window is on screen, so the user sees the progress from the start.
    QTimer::singleShot(0, this, &frmDial::dialNumber);
}

void frmDial::done(int result)
{
    m_dialer->hangUp();
    saveSettings();
    QDialog::done(result);
}

void frmDial::dialNumber()
{
    m_dialer->dial(txtNum->text(), txtPort->text());
}

void frmDial::toggleSettings()
{
    setExpanded(!m_expanded);
}

void frmDial::saveSettings()
{
    if (!currentSettings().save())
        m_prompts.message(QStringLiteral("Dial Phone"), Settings::writeFailedText(), UserPrompts::Icon::Warning,
            UserPrompts::Buttons::Ok);
}

void frmDial::setExpanded(bool expanded)
{
    m_expanded = expanded;
    // The arrow shows which way the button moves the window's lower edge.
    cmdSet->setIcon(style()->standardIcon(expanded ? QStyle::SP_ArrowUp : QStyle::SP_ArrowDown));
    fraSettings->setVisible(expanded);
    layout()->activate();
    const double perTwip = logicalDpiY() / 1440.0;
    const int height = qRound((expanded ? kExpandedHeightTwips : kCollapsedHeightTwips) * perTwip);
    setFixedHeight(qMax(height, layout()->minimumSize().height()));
    resize(m_width, this->height());
}

DialSettings frmDial::currentSettings() const
{
    DialSettings s;
    s.port = txtPort->text();
    s.longDistance = txtLongDis->text();
    s.dialOne = chkDialOne->isChecked();
    s.expanded = m_expanded;
    return s;
}

} // namespace dq
