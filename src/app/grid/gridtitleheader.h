#pragma once

#include <QHash>
#include <QHeaderView>
#include <QIcon>

namespace dq {

// The column header of a GridView: shows the title row's texts and, per column, a small
// picture at the title's right edge (the sort arrow or whatever a caller puts there).
class GridTitleHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit GridTitleHeader(QWidget *parent = nullptr);

    void setPicture(int column, const QIcon &picture); // a null icon removes it
    QIcon picture(int column) const;
    void clearPictures();

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QHash<int, QIcon> m_pictures;
};

} // namespace dq
