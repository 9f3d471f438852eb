#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>

namespace dq {

class GridView;

// The sort arrows of a grid's title row: before a sort the arrow of the last sorted column
// goes, after it the sorted column shows ImgU (ascending) or ImgD (descending). The last
// sorted column follows its column when titles are dragged.
class SortArrows : public QObject
{
    Q_OBJECT

public:
    explicit SortArrows(GridView &view, QObject *parent = nullptr);

    const QIcon &ImgU() const { return m_imgU; }
    const QIcon &ImgD() const { return m_imgD; }
    const QIcon &ImgNone() const { return m_imgNone; }
    int lastSortedColumn() const { return m_lastSorted; }
    // A new table was put in the grid: no column is sorted any more.
    void reset();

signals:
    // A sort ended; order 1 is ascending.
    void sorted(int col, int order);

private:
    void columnMoved(int from, int to);

    QPointer<GridView> m_view;
    QIcon m_imgU;
    QIcon m_imgD;
    QIcon m_imgNone;
    int m_lastSorted = 0;
};

} // namespace dq
