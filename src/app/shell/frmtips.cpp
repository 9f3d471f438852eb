#include "app/shell/frmtips.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QVBoxLayout>

namespace dq {

namespace {

constexpr int kTipWidth = 420; // pixels; the tip label keeps this width for every tip

template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

frmTips::frmTips(bool showTips, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTips"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    // Whatever pointer the main window shows, the dialog has the plain arrow.
    setCursor(Qt::ArrowCursor);
    buildWindow();

    chkShowTips->setChecked(showTips);
    centreOnScreen();
    m_tips.start(*QRandomGenerator::global());
    showTip(m_tips.current());

    connect(cmdNext, &QPushButton::clicked, this, [this] { showTip(m_tips.next()); });
    connect(cmdPrevious, &QPushButton::clicked, this, [this] { showTip(m_tips.previous()); });
    connect(cmdOK, &QPushButton::clicked, this, &frmTips::finish);
}

void frmTips::buildWindow()
{
    auto *page = named(new QFrame(this), "fraTip");
    page->setFrameShape(QFrame::StyledPanel);
    page->setBackgroundRole(QPalette::Base);
    page->setAutoFillBackground(true);

    Label1 = named(new QLabel(QStringLiteral("Did you know..."), page), "Label1");
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.4);
    Label1->setFont(heading);

    Label2 = named(new QLabel(page), "Label2");
    // Plain text keeps the tips' leading blanks.
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setFixedWidth(kTipWidth);
    // Tall enough for the longest tip, so paging never resizes the dialog.
    int tallest = 0;
    for (int n = 1; n <= Tips::count(); ++n)
        tallest = qMax(tallest,
            Label2->fontMetrics()
                .boundingRect(QRect(0, 0, kTipWidth, 10000), Qt::TextWordWrap, Tips::text(n))
                .height());
    Label2->setMinimumHeight(tallest);

    auto *pageColumn = new QVBoxLayout(page);
    pageColumn->addWidget(Label1);
    pageColumn->addWidget(Label2, 1);

    chkShowTips = named(new QCheckBox(QStringLiteral("&Show tips at start-up"), this), "chkShowTips");
    cmdPrevious = named(new QPushButton(QStringLiteral("PreviousTip"), this), "cmdPrevious");
    cmdNext = named(new QPushButton(QStringLiteral("Next Tip"), this), "cmdNext");
    cmdOK = named(new QPushButton(QStringLiteral("Close"), this), "cmdOK");
    cmdOK->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chkShowTips);
    buttons->addStretch(1);
    buttons->addWidget(cmdPrevious);
    buttons->addWidget(cmdNext);
    buttons->addWidget(cmdOK);

    auto *column = new QVBoxLayout(this);
    column->addWidget(page, 1);
    column->addLayout(buttons);
    adjustSize();
}

void frmTips::centreOnScreen()
{
    const QScreen *s = screen();
    if (!s)
        return;
    const QRect area = s->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void frmTips::showTip(int number)
{
    m_tips.setCurrent(number);
    Label2->setText(m_tips.currentText());
}

void frmTips::finish()
{
    emit showTipsChosen(chkShowTips->isChecked());
    close();
}

} // namespace dq
