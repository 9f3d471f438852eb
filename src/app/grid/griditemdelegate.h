#pragma once

#include <QStyledItemDelegate>

namespace dq {

class GridModel;

// Edits a grid cell in place: a combo box offering the column's pick list where it has one
// (the user may still type other text), a line editor otherwise. Draws a cell's picture
// at the side its picture alignment names.
class GridItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    GridItemDelegate(const GridModel &model, QObject *parent);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

protected:
    // Places a cell's picture by its picture alignment.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    const GridModel &m_model;
};

} // namespace dq
