#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/table/longjobs.h"
#include "support/gridtext.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace dq;

// A save runs on a worker; Cancel is pressed on the window's thread at any moment.
class TestLongJobs : public QObject
{
    Q_OBJECT

private slots:
    void cancelAndTheStepASaveCannotTakeBack_data()
    {
        QTest::addColumn<bool>("cancelAfterSave");
        QTest::newRow("Cancel before the file is replaced keeps its old bytes") << false;
        QTest::newRow("Cancel once the file is replaced is ignored: the save lands") << true;
    }

    void cancelAndTheStepASaveCannotTakeBack()
    {
        QFETCH(bool, cancelAfterSave);
        QTemporaryDir dir;
        const QString path = test::writeBytes(dir.filePath(QStringLiteral("list.tsy")), "old bytes");
        GridModel grid;
        test::fillRows(grid, { QStringLiteral("Name"), QStringLiteral("Acme") });
        QSemaphore go, saved;
        LongJobs jobs;
        jobs.setInlineBelow(0);
        QSignalSpy finished(&jobs, &LongJobs::finished);
        QVERIFY(jobs.start(QStringLiteral("Saving"), 1, [&](JobControl &control) -> LongJobs::Apply {
            if (!cancelAfterSave)
                go.acquire();
            const bool ok = bool(GridFile::saveStore(grid.store(), path, FileKind::Native, &control));
            saved.release();
            go.acquire();
            return ok ? LongJobs::Apply([] {}) : LongJobs::Apply();
        }));
        if (cancelAfterSave)
            saved.acquire();
        jobs.cancel();
        go.release(2);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), cancelAfterSave);
        QCOMPARE(test::readBytes(path) == "old bytes", !cancelAfterSave);
    }
};

QTEST_MAIN(TestLongJobs)
#include "tst_longjobs.moc"
