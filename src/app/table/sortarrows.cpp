#include "app/table/sortarrows.h"

#include "app/grid/gridview.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace dq {

namespace {

constexpr int kSide = 16; // pixels

QIcon arrow(bool up)
{
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(64, 64, 64));
    const QPolygon triangle = up ? QPolygon({ QPoint(3, 11), QPoint(13, 11), QPoint(8, 4) })
                                 : QPolygon({ QPoint(3, 5), QPoint(13, 5), QPoint(8, 12) });
    painter.drawPolygon(triangle);
    painter.end();
    return QIcon(pixmap);
}

QIcon emptyPicture()
{
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace

SortArrows::SortArrows(GridView &view, QObject *parent)
    : QObject(parent)
    , m_view(&view)
    , m_imgU(arrow(true))
    , m_imgD(arrow(false))
    , m_imgNone(emptyPicture())
{
    view.setSortPictures(m_imgU, m_imgD);
    connect(&view, &GridView::beforeSort, this, [this](int, int) {
        if (m_view)
            m_view->setTitlePicture(m_lastSorted, m_imgNone);
    });
    connect(&view, &GridView::afterSort, this, [this](int col, int order) {
        if (m_view)
            m_view->setTitlePicture(col, order == 1 ? m_imgU : m_imgD);
        m_lastSorted = col;
        emit sorted(col, order);
    });
    connect(&view, &GridView::columnMoved, this, &SortArrows::columnMoved);
}

void SortArrows::reset()
{
    if (m_view)
        m_view->resetTitleSort();
    m_lastSorted = 0;
}

void SortArrows::columnMoved(int from, int to)
{
    // The column at from now stands at to; the ones between shift by one towards from.
    if (m_lastSorted == from)
        m_lastSorted = to;
    else if (from < m_lastSorted && m_lastSorted <= to)
        --m_lastSorted;
    else if (to <= m_lastSorted && m_lastSorted < from)
        ++m_lastSorted;
}

} // namespace dq
