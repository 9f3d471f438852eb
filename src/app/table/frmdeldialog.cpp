#include "app/table/frmdeldialog.h"

#include "app/shell/frmmain.h"
#include "core/table/recordtable.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace dq {

frmDelDialog::frmDelDialog(frmMain &window)
    : QDialog(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("frmDelDialog"));
    setWindowTitle(QStringLiteral("Delete Record"));
    setWindowModality(Qt::WindowModal);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    lblRecord = new QLabel(this);
    lblRecord->setObjectName(QStringLiteral("lblRecord"));
    lblRecord->setTextFormat(Qt::PlainText);
    chkAskDel = new QCheckBox(QStringLiteral("Do not ask me next time"), this);
    chkAskDel->setObjectName(QStringLiteral("chkAskDel"));

    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(lblRecord, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const std::array<QString, 3> captions { QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("&Cancel") };
    for (int i = 0; i < 3; ++i) {
        auto *b = new QPushButton(captions[size_t(i)], this);
        b->setObjectName(QStringLiteral("cmdBtn_%1").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { answer(i); });
        buttons->addWidget(b);
        cmdBtn[size_t(i)] = b;
    }
    // Deleting is the question's point, but a stray Enter must not delete: No is the default.
    cmdBtn[1]->setDefault(true);

    auto *column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(chkAskDel);
    column->addLayout(buttons);
}

void frmDelDialog::ask()
{
    const GridModel &fa = m_window.table().fa();
    // The record is named by its first field so the user sees what goes.
    const QString name = fa.cols() > 0 ? fa.text(fa.row(), 0).simplified() : QString();
    lblRecord->setText(name.isEmpty() ? QStringLiteral("Record %1").arg(fa.row())
                                      : QStringLiteral("Record %1: %2").arg(fa.row()).arg(name));
    cmdBtn[1]->setFocus();
    open();
}

void frmDelDialog::answer(int index)
{
    using Button = TableEdits::DeleteRecordQuestion::Button;
    const Button button = index == 0 ? Button::Yes : index == 1 ? Button::No : Button::Cancel;
    if (m_question.answer(button, chkAskDel->isChecked())) {
        TableEdits::deleteCurrentRow(m_window.table().fa(), m_window.mouseMode());
        m_window.fa_Click();
        m_window.table().MakeModified(true);
    }
    done(index);
}

void frmDelDialog::reject()
{
    answer(2);
}

} // namespace dq
