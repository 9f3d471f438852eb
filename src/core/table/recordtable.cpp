#include "core/table/recordtable.h"

#include "core/grid/gridstore.h"
#include "core/shell/programfolder.h"
#include "core/table/longjobs.h"

#include <array>

namespace dq {

namespace {

struct DefaultColumn
{
    const char16_t *title;
    int width; // twips
};

constexpr std::array<DefaultColumn, 8> kDefaultColumnSet { {
    { u"Name", 2500 }, { u"Street", 2500 }, { u"City", 1000 }, { u"State", 500 }, { u"Zip Code", 1000 },
    { u"Phone", 1400 }, { u"", 2100 }, // web site, titled by the key file on harvest
    { u"", 2000 }, // e-mail, likewise
} };

constexpr int kTextColumns = 11; // columns 0..10 hold text, left-centre

int lastSeparator(const QString &path)
{
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

} // namespace

RecordTable::RecordTable(QObject *parent)
    : QObject(parent)
    , m_fa(new GridModel(this))
    , m_jobs(new LongJobs(this))
{
    m_fa->setObjectName(QStringLiteral("fa"));
    m_currentFile = untitledPath();
    m_lastOpenFolder = tablesFolder();
    connect(m_fa, &GridModel::contentsEdited, this, [this] {
        if (m_tracking)
            setChangedFlag(true);
    });
}

RecordTable::~RecordTable() = default;

void RecordTable::SetDefaults()
{
    m_fa->clear();
    m_fa->setRows(50);
    m_fa->setCols(9);
    m_fa->setFixedRows(1);
    m_fa->setFixedCols(0);
    m_fa->setColumnAlignment(-1, Alignment::General);
}

void RecordTable::buildNewTable()
{
    m_tracking = false;
    // The old rows go in one swap, freed off the window's thread when there are many; the
    // grid-wide settings stay the user's.
    GridStore empty;
    empty.settings = m_fa->store().settings;
    m_fa->replaceContents(std::move(empty));
    SetDefaults();
    for (int c = 0; c < int(kDefaultColumnSet.size()); ++c) {
        m_fa->setText(0, c, QString::fromUtf16(kDefaultColumnSet[size_t(c)].title));
        m_fa->setColumnWidth(c, kDefaultColumnSet[size_t(c)].width);
    }
    m_fa->setCols(kDefaultColumns);
    for (int c = 0; c < kTextColumns; ++c) {
        m_fa->setColumnDataType(c, DataType::String);
        m_fa->setColumnAlignment(c, Alignment::LeftCenter);
    }
    m_fa->setRows(kDefaultRows);
    m_fa->setCursor(m_fa->fixedRows(), 0);
    m_tracking = true;
    emit tableRebuilt();

    setCaptionFor(FileNameOf(untitledPath()));
    m_currentFile = untitledPath();
    m_fresh = true;
    m_currentKind = FileKind::Native;
    MakeModified(false);
}

void RecordTable::MakeModified(bool flag)
{
    m_declared = flag;
    setChangedFlag(flag);
    if (m_saveEnabled != flag) {
        m_saveEnabled = flag;
        emit saveEnabledChanged(flag);
    }
}

void RecordTable::markChangedByCommand()
{
    if (!isUntitled() && !m_declared)
        MakeModified(true);
    else
        setChangedFlag(true);
}

void RecordTable::setChangedDirectly()
{
    m_declared = true;
    setChangedFlag(true);
}

void RecordTable::dropFreshRows()
{
    if (!m_fresh)
        return;
    m_fa->setRows(1);
    m_fresh = false;
}

bool RecordTable::isUntitled() const
{
    return m_currentFile.compare(untitledPath(), Qt::CaseInsensitive) == 0;
}

void RecordTable::setCaptionFor(const QString &pathOrName)
{
    m_caption = QStringLiteral("Dirquill -- ") + pathOrName;
    emit captionChanged(m_caption);
}

QString RecordTable::untitledPath()
{
    return tablesFolder() + QStringLiteral("Untitled.tsy");
}

QString RecordTable::FileNameOf(const QString &path)
{
    const int at = lastSeparator(path);
    return at < 0 ? QString() : path.mid(at + 1);
}

QString RecordTable::FolderOf(const QString &path)
{
    const int at = lastSeparator(path);
    return at < 0 ? QString() : path.left(at + 1);
}

void RecordTable::setChangedFlag(bool flag)
{
    if (m_changed == flag)
        return;
    m_changed = flag;
    emit changedFlagChanged(flag);
}

} // namespace dq
