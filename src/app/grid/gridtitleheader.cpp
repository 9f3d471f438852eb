#include "app/grid/gridtitleheader.h"

#include <QPainter>

namespace dq {

namespace {
constexpr int kMargin = 3;
}

GridTitleHeader::GridTitleHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("gridTitleHeader"));
    setSectionsClickable(true);
    setHighlightSections(false);
}

void GridTitleHeader::setPicture(int column, const QIcon &picture)
{
    if (picture.isNull())
        m_pictures.remove(column);
    else
        m_pictures.insert(column, picture);
    viewport()->update();
}

QIcon GridTitleHeader::picture(int column) const
{
    return m_pictures.value(column);
}

void GridTitleHeader::clearPictures()
{
    m_pictures.clear();
    viewport()->update();
}

void GridTitleHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    const auto it = m_pictures.constFind(logicalIndex);
    if (it == m_pictures.constEnd())
        return;
    const int side = qMax(8, qMin(rect.height() - 2 * kMargin, 16));
    const QRect where(rect.right() - side - kMargin, rect.center().y() - side / 2, side, side);
    it->paint(painter, where);
}

QSize GridTitleHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (m_pictures.contains(logicalIndex))
        size.rwidth() += 16 + 2 * kMargin;
    return size;
}

} // namespace dq
