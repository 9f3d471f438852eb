#include "app/grid/griditemdelegate.h"

#include "core/grid/gridmodel.h"

#include <QComboBox>

namespace dq {

GridItemDelegate::GridItemDelegate(const GridModel &model, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{
}

QWidget *GridItemDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QString items = m_model.columnPickList(index.column());
    if (items.isEmpty())
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("gridPickList"));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items.split(QLatin1Char('|')));
    return combo;
}

void GridItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (!(option->features & QStyleOptionViewItem::HasDecoration))
        return;
    switch (m_model.cellFormat(index.row(), index.column()).pictureAlignment) {
    case Alignment::RightCenter:
        option->decorationPosition = QStyleOptionViewItem::Right;
        option->decorationAlignment = Qt::AlignRight | Qt::AlignVCenter;
        break;
    case Alignment::CenterCenter:
        option->decorationAlignment = Qt::AlignCenter;
        break;
    default:
        option->decorationPosition = QStyleOptionViewItem::Left;
        option->decorationAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        break;
    }
}

void GridItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setCurrentText(index.data(Qt::EditRole).toString());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        model->setData(index, combo->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace dq
