#include "app/shell/qtprompts.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace dq {

namespace {

QMessageBox::Icon toQt(UserPrompts::Icon icon)
{
    switch (icon) {
    case UserPrompts::Icon::Information:
        return QMessageBox::Information;
    case UserPrompts::Icon::Question:
        return QMessageBox::Question;
    case UserPrompts::Icon::Warning:
        return QMessageBox::Warning;
    case UserPrompts::Icon::Critical:
        return QMessageBox::Critical;
    case UserPrompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The extension of the first pattern of the first filter ("Tessary Files (*.tsy)" -> "tsy"),
// so a name typed without one gets it, and the overwrite question covers the real name.
QString defaultSuffix(const QString &filters)
{
    static const QRegularExpression firstPattern(QStringLiteral(R"(\(\*\.(\w+))"));
    const QRegularExpressionMatch m = firstPattern.match(filters.section(QStringLiteral(";;"), 0, 0));
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

UserPrompts::Answer QtPrompts::message(const QString &title, const QString &text, Icon icon, Buttons buttons)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, m_parent);
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::No : Answer::Cancel;
    default:
        // Escape or the close box: No where there is no Cancel button.
        return buttons == Buttons::YesNo ? Answer::No : buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

bool QtPrompts::input(const QString &title, const QString &label, QString &value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, label, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

QString QtPrompts::openFileName(const QString &title, const QString &folder, const QString &filters)
{
    return QFileDialog::getOpenFileName(m_parent, title, folder, filters);
}

QString QtPrompts::saveFileName(const QString &title, const QString &initialPath, const QString &filters)
{
    QFileDialog dialog(m_parent, title, initialPath, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix(filters));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QColor QtPrompts::color(const QColor &initial)
{
    return QColorDialog::getColor(initial, m_parent);
}

} // namespace dq
