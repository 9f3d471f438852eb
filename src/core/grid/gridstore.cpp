#include "core/grid/gridstore.h"

#include <QStringDecoder>

#include <atomic>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace dq {

namespace {

quint32 readU32(const char *p)
{
    quint32 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void writeU32(char *p, quint32 v)
{
    std::memcpy(p, &v, sizeof v);
}

// Shared row blocks. Each is kBlockBytes, aligned to its size, so a row finds its block from
// its own address; the block's first bytes count the rows still in it, plus one while a pool
// is still cutting rows from it. The last one out unmaps it.
#if defined(__linux__)
constexpr size_t kBlockBytes = 64 * 1024;
constexpr size_t kBlockHeader = 16;

std::atomic<qint32> &liveRows(char *block)
{
    return *reinterpret_cast<std::atomic<qint32> *>(block);
}

char *blockOf(const char *row)
{
    return reinterpret_cast<char *>(reinterpret_cast<quintptr>(row) & ~quintptr(kBlockBytes - 1));
}

void dropBlockReference(char *block)
{
    if (liveRows(block).fetch_sub(1, std::memory_order_acq_rel) == 1)
        munmap(block, kBlockBytes);
}

char *newBlock()
{
    // Twice the size, then the unaligned ends go back.
    void *raw = mmap(nullptr, 2 * kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<quintptr>(raw);
    const quintptr aligned = (start + kBlockBytes - 1) & ~quintptr(kBlockBytes - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    if (const quintptr tail = start + 2 * kBlockBytes - (aligned + kBlockBytes))
        munmap(reinterpret_cast<void *>(aligned + kBlockBytes), tail);
    char *block = reinterpret_cast<char *>(aligned);
    new (block) std::atomic<qint32>(1); // the pool's own reference
    return block;
}

struct ThreadPool
{
    int depth = 0;
    char *block = nullptr;
    size_t used = 0;

    void leaveBlock()
    {
        if (block)
            dropBlockReference(block);
        block = nullptr;
    }
    // Room for bytes in the current block or a fresh one; nullptr when a row is too big.
    char *take(size_t bytes)
    {
        if (bytes > kBlockBytes - kBlockHeader)
            return nullptr;
        if (!block || used + bytes > kBlockBytes) {
            leaveBlock();
            block = newBlock();
            used = kBlockHeader;
            if (!block)
                return nullptr;
        }
        char *p = block + used;
        used += bytes;
        liveRows(block).fetch_add(1, std::memory_order_relaxed);
        return p;
    }
};

thread_local ThreadPool t_pool;
#endif

// Room for a row's bytes: from this thread's pool when one is open, else from the heap.
// pooled says which, for the row's first byte.
char *allocateRow(size_t bytes, bool &pooled)
{
#if defined(__linux__)
    if (t_pool.depth > 0) {
        if (char *p = t_pool.take(bytes)) {
            pooled = true;
            return p;
        }
    }
#endif
    pooled = false;
    return new char[bytes];
}

} // namespace

RowCells::Pool::Pool()
{
#if defined(__linux__)
    ++t_pool.depth;
#endif
}

RowCells::Pool::~Pool()
{
#if defined(__linux__)
    if (--t_pool.depth == 0)
        t_pool.leaveBlock();
#endif
}

void RowCells::reset(char *data)
{
    char *old = std::exchange(m_data, data);
    if (!old)
        return;
#if defined(__linux__)
    if (uchar(old[0]) & kPooled) {
        dropBlockReference(blockOf(old));
        return;
    }
#endif
    delete[] old;
}

RowCells::RowCells(const RowCells &other)
{
    if (other.m_data) {
        // A copy is one row on its own: from the heap, whatever the original came from.
        const qsizetype n = other.byteSize();
        m_data = new char[size_t(n)];
        std::memcpy(m_data, other.m_data, size_t(n));
        m_data[0] = char(uchar(m_data[0]) & ~kPooled);
    }
}

RowCells &RowCells::operator=(const RowCells &other)
{
    if (this != &other)
        *this = RowCells(other);
    return *this;
}

RowCells RowCells::fromUtf8(const QByteArrayView *cells, int count)
{
    RowCells row;
    while (count > 0 && cells[count - 1].isEmpty())
        --count;
    if (count <= 0)
        return row;
    qsizetype bytes = 0;
    bool shortCells = count <= kMaxShortCells;
    for (int i = 0; i < count; ++i) {
        bytes += cells[i].size();
        shortCells = shortCells && cells[i].size() <= 0xFF;
    }
    const size_t header = shortCells ? size_t(1 + count) : 1 + sizeof(quint32) * size_t(count + 1);
    bool pooled = false;
    char *p = allocateRow(header + size_t(bytes), pooled);
    row.m_data = p;
    char *text = p + header;
    const uchar pooledBit = pooled ? kPooled : 0;
    if (shortCells) {
        p[0] = char(uchar(count) | pooledBit);
        for (int i = 0; i < count; ++i)
            p[1 + i] = char(uchar(cells[i].size()));
    } else {
        p[0] = char(kWide | pooledBit);
        writeU32(p + 1, quint32(count));
        quint32 end = 0;
        for (int i = 0; i < count; ++i) {
            end += quint32(cells[i].size());
            writeU32(p + 1 + sizeof(quint32) * size_t(i + 1), end);
        }
    }
    for (int i = 0; i < count; ++i) {
        if (!cells[i].isEmpty())
            std::memcpy(text, cells[i].data(), size_t(cells[i].size()));
        text += cells[i].size();
    }
    return row;
}

RowCells RowCells::fromStrings(const QStringList &cells, int maxCount)
{
    const int n = qMin(int(cells.size()), maxCount);
    std::vector<QByteArray> utf8(size_t(qMax(0, n)));
    std::vector<QByteArrayView> views(utf8.size());
    for (int i = 0; i < n; ++i) {
        utf8[size_t(i)] = cells.at(i).toUtf8();
        views[size_t(i)] = utf8[size_t(i)];
    }
    return fromUtf8(views.data(), n);
}

QString RowCells::textOf(QByteArrayView utf8)
{
    if (!utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8);
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom).decode(utf8);
}

int RowCells::storedCount() const
{
    if (!m_data)
        return 0;
    const auto tag = uchar(uchar(m_data[0]) & ~kPooled);
    return tag == kWide ? int(readU32(m_data + 1)) : int(tag);
}

QByteArrayView RowCells::utf8(int col) const
{
    const int n = storedCount();
    if (col < 0 || col >= n)
        return {};
    const char *p = m_data;
    if ((uchar(p[0]) & ~kPooled) != kWide) {
        const auto *lengths = reinterpret_cast<const uchar *>(p + 1);
        qsizetype begin = 0;
        for (int i = 0; i < col; ++i)
            begin += lengths[i];
        return QByteArrayView(p + 1 + n + begin, lengths[col]);
    }
    const char *text = p + 1 + sizeof(quint32) * size_t(n + 1);
    const quint32 begin = col == 0 ? 0 : readU32(p + 1 + sizeof(quint32) * size_t(col));
    const quint32 end = readU32(p + 1 + sizeof(quint32) * size_t(col + 1));
    return QByteArrayView(text + begin, qsizetype(end - begin));
}

qsizetype RowCells::byteSize() const
{
    const int n = storedCount();
    if (!n)
        return 0;
    const char *p = m_data;
    if ((uchar(p[0]) & ~kPooled) != kWide) {
        qsizetype bytes = 1 + n;
        for (int i = 0; i < n; ++i)
            bytes += uchar(p[1 + i]);
        return bytes;
    }
    return qsizetype(1 + sizeof(quint32) * size_t(n + 1)) + qsizetype(readU32(p + 1 + sizeof(quint32) * size_t(n)));
}

std::vector<QByteArrayView> RowCells::views(int atLeast) const
{
    const int n = storedCount();
    std::vector<QByteArrayView> out(size_t(qMax(n, atLeast)));
    for (int i = 0; i < n; ++i)
        out[size_t(i)] = utf8(i);
    return out;
}

void RowCells::setUtf8(int col, QByteArrayView value)
{
    if (col < 0)
        return;
    if (col >= storedCount() && value.isEmpty())
        return;
    std::vector<QByteArrayView> v = views(col + 1);
    v[size_t(col)] = value;
    // The views point into the old block, which lives until the assignment below.
    RowCells next = fromUtf8(v.data(), int(v.size()));
    reset(std::exchange(next.m_data, nullptr));
}

void RowCells::truncate(int count)
{
    if (count >= storedCount())
        return;
    std::vector<QByteArrayView> v = views(0);
    RowCells next = fromUtf8(v.data(), qMax(0, count));
    reset(std::exchange(next.m_data, nullptr));
}

void RowCells::insertCell(int col)
{
    if (col < 0 || col >= storedCount())
        return;
    std::vector<QByteArrayView> v = views(0);
    v.insert(v.begin() + col, QByteArrayView());
    RowCells next = fromUtf8(v.data(), int(v.size()));
    reset(std::exchange(next.m_data, nullptr));
}

void RowCells::removeCell(int col)
{
    if (col < 0 || col >= storedCount())
        return;
    std::vector<QByteArrayView> v = views(0);
    v.erase(v.begin() + col);
    RowCells next = fromUtf8(v.data(), int(v.size()));
    reset(std::exchange(next.m_data, nullptr));
}

void RowCells::moveCell(int from, int to)
{
    if (from < 0 || to < 0 || from == to || (from >= storedCount() && to >= storedCount()))
        return;
    std::vector<QByteArrayView> v = views(qMax(from, to) + 1);
    const QByteArrayView item = v[size_t(from)];
    v.erase(v.begin() + from);
    v.insert(v.begin() + to, item);
    RowCells next = fromUtf8(v.data(), int(v.size()));
    reset(std::exchange(next.m_data, nullptr));
}

void GridStore::fitRows()
{
    anyRowHeight = false;
    for (GridRow &r : rows) {
        r.cells.truncate(colCount());
        if (r.formats)
            r.formats->resize(columns.size());
        r.selected = false;
        anyRowHeight = anyRowHeight || r.height >= 0;
    }
    rowsFitted = true;
}

int compareUtf8AsUtf16(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = qMin(a.size(), b.size());
    const auto *pa = reinterpret_cast<const uchar *>(a.data());
    const auto *pb = reinterpret_cast<const uchar *>(b.data());
    qsizetype i = 0;
    while (i < n && pa[i] == pb[i])
        ++i;
    if (i == n)
        return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
    uchar x = pa[i];
    uchar y = pb[i];
    // Byte order is code-point order. UTF-16 differs in one place only: characters above
    // U+FFFF (lead bytes F0..F4) are surrogates and sort before U+E000..U+FFFF (EE, EF).
    // The common prefix ends on a character boundary whenever both bytes are lead bytes.
    const auto isSupplementary = [](uchar c) { return c >= 0xF0; };
    const auto isHighBmp = [](uchar c) { return c >= kFirstByteOutOfUtf16Order && c < 0xF0; };
    if (isSupplementary(x) && isHighBmp(y))
        return -1;
    if (isHighBmp(x) && isSupplementary(y))
        return 1;
    return x < y ? -1 : 1;
}

} // namespace dq
