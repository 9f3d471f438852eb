#include "core/grid/gridfile.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <array>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {

const QStringList kKinds { u"native"_s, u"comma"_s, u"tab"_s };
constexpr std::array kFileKinds { FileKind::Native, FileKind::Comma, FileKind::Tab };
const QStringList kButtons { u"Ok"_s, u"OkCancel"_s, u"YesNo"_s, u"YesNoCancel"_s };

FileKind kindNamed(const QString &name)
{
    return kFileKinds.at(size_t(test::choice(name, { "native", "comma", "tab" })));
}
FileKind kindOf(const QString &file)
{
    return file.endsWith(u".csv") ? FileKind::Comma : file.endsWith(u".txt") ? FileKind::Tab : FileKind::Native;
}
QStringList strings(const QJsonValue &v)
{
    return v.toVariant().toStringList();
}
// A wildcard pattern ("*" for any text) matched against the whole text.
bool matches(const QString &text, const QString &pattern)
{
    QStringList parts = pattern.split(u'*');
    for (QString &part : parts)
        part = QRegularExpression::escape(part);
    return QRegularExpression(u"\\A"_s + parts.join(u".*"_s) + u"\\z"_s, QRegularExpression::DotMatchesEverythingOption)
        .match(text)
        .hasMatch();
}

} // namespace

// Each case of tests/data/table/filecommands.json: files put into a fresh folder (an array is a
// native grid's rows, a string the file's bytes), set-up steps on the untitled table, one command
// with scripted answers and chosen files, then only the outcomes the case names. Paths read
// relative to the folder, which is also the program folder.
class TestFileCommands : public QObject
{
    Q_OBJECT

    QString m_dir;
    std::unique_ptr<RecordTable> m_table;
    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<FileCommands> m_files;

    QString file(const QString &name) const { return m_dir + name; }
    QString relative(QString path) const { return path.replace(m_dir, QString()); }
    void write(const QString &name, const QJsonValue &content)
    {
        QDir().mkpath(QFileInfo(file(name)).path());
        if (content.isString()) {
            test::writeBytes(file(name), content.toString().toUtf8());
            return;
        }
        GridModel g;
        test::fillRows(g, strings(content));
        QVERIFY(GridFile::save(g, file(name), FileKind::Native));
    }
    void setUp(const QString &step)
    {
        const QString word = step.section(u' ', 0, 0), rest = step.section(u' ', 1);
        GridModel &fa = m_table->fa();
        if (word == u"open")
            QVERIFY(m_files->openFile(file(rest), kindOf(rest)));
        else if (word == u"type")
            fa.setText(1, 0, rest);
        else if (word == u"edited")
            m_table->setChangedDirectly();
        else if (word == u"command")
            m_table->markChangedByCommand();
        else if (word == u"modified" || word == u"saved")
            m_table->MakeModified(word == u"modified");
        else if (word == u"shrink")
            fa.setRows(5);
        else if (word == u"folder")
            m_table->setLastOpenFolder(rest);
        else if (word == u"remove")
            QVERIFY(QDir(file(rest)).removeRecursively());
        else if (word == u"rowmode") {
            fa.setSelectionMode(GridModel::SelectionMode::ListBox);
            fa.setRowSelected(rest.toInt(), true);
        } else
            QFAIL(qPrintable(u"unknown step "_s + step));
    }
    bool run(const QString &command)
    {
        const QString word = command.section(u' ', 0, 0), rest = command.section(u' ', 1);
        if (word == u"new")
            return m_files->newTable();
        if (word == u"open")
            return m_files->open(kindNamed(rest));
        if (word == u"openFile")
            return m_files->openFile(file(rest), kindOf(rest));
        if (word == u"save")
            return m_files->save();
        if (word == u"saveAs")
            return m_files->saveAs(kindNamed(rest));
        if (word == u"append")
            return m_files->append();
        qFatal("unknown command %s", qPrintable(command));
    }

private slots:
    void init()
    {
        m_dir = test::tempDir() + u'/';
        qputenv("DIRQUILL_HOME", m_dir.toLocal8Bit());
        m_table = std::make_unique<RecordTable>();
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_files = std::make_unique<FileCommands>(*m_table, *m_prompts);
        m_table->setLastOpenFolder(m_dir);
        m_table->buildNewTable();
    }
    void cleanup()
    {
        QCOMPARE(m_prompts->unexpected, 0);
        m_files.reset();
        m_prompts.reset();
        m_table.reset();
    }
    void commands_data() { test::addJsonCases(u"table/filecommands.json"_s); }
    void commands()
    {
        QFETCH(const QJsonObject, row);
        const QJsonObject files = row[u"files"].toObject();
        for (auto f = files.begin(); f != files.end(); ++f)
            write(f.key(), f.value());
        for (const QString &step : strings(row[u"setup"]))
            setUp(step);
        if (QTest::currentTestFailed())
            return;
        m_prompts->asked.clear();
        for (const QString &answer : strings(row[u"answers"]))
            m_prompts->answers << UserPrompts::Answer(test::choice(answer, { "Ok", "Cancel", "Yes", "No" }));
        for (const QString &chosen : strings(row[u"chosen"]))
            m_prompts->fileNames << (chosen.isEmpty() || chosen.contains(u'*') ? chosen : file(chosen));
        QGuiApplication::clipboard()->setText(u"the user's own text"_s);
        QSignalSpy opened(m_files.get(), &FileCommands::opened);
        QSignalSpy appended(m_files.get(), &FileCommands::appended);
        const QString folder = m_table->lastOpenFolder();

        QCOMPARE(run(row[u"do"].toString()), row[u"result"].toBool());

        GridModel &fa = m_table->fa();
        QStringList asked, said;
        for (const auto &a : std::as_const(m_prompts->asked)) {
            if (a.kind == u"message") {
                asked << a.title + u" ("_s + kButtons.at(int(a.buttons)) + u')';
                said << a.text;
            } else {
                asked << a.kind + u": "_s + a.filters;
                QCOMPARE(a.text, folder); // every file dialog opens in the last folder used
            }
        }
        const QStringList says = strings(row[u"says"]);
        QCOMPARE(said.size(), row.contains(u"says") ? says.size() : said.size());
        for (int i = 0; i < says.size(); ++i)
            QVERIFY2(matches(said.at(i), QString(says.at(i)).replace(u"{dir}"_s, m_dir)), qPrintable(said.at(i)));

        QStringList rows = test::rowsOf(fa);
        for (QString &r : rows)
            r.remove(QRegularExpression(u"\\|+$"_s));
        QJsonArray heard = QJsonArray::fromStringList(QStringList(opened.size(), u"opened"_s));
        for (const QList<QVariant> &a : std::as_const(appended))
            heard << u"appended %1 %2"_s.arg(a.at(0).toInt()).arg(a.at(1).toInt());
        const GridRange s = fa.selection();
        QJsonArray marked;
        for (int r : fa.selectedRows())
            marked << r;
        const QStringList flags { m_table->changed() ? u"changed"_s : QString(),
            m_table->saveEnabled() ? u"save"_s : QString() };
        const QJsonObject seen { { u"asked"_s, QJsonArray::fromStringList(asked) },
            { u"last"_s, QJsonArray::fromStringList(rows.mid(rows.size() - row[u"last"].toArray().size())) },
            { u"rows"_s, fa.rows() }, { u"first"_s, fa.text(1, 0) }, { u"titles"_s, fa.rowTexts(0).join(u'|') },
            { u"fixedRows"_s, fa.fixedRows() }, { u"selection"_s, QJsonArray { s.top, s.left, s.bottom, s.right } },
            { u"selectedRows"_s, marked }, { u"file"_s, relative(m_table->currentFile()) },
            { u"kind"_s, kKinds.value(std::ranges::find(kFileKinds, m_table->currentKind()) - kFileKinds.begin()) },
            { u"folder"_s, relative(m_table->lastOpenFolder()) },
            { u"caption"_s, relative(m_table->caption()).remove(u"Dirquill -- "_s) },
            { u"flags"_s, flags.join(u' ').trimmed() }, { u"fresh"_s, m_table->fresh() }, { u"signals"_s, heard } };
        for (auto expected = row.begin(); expected != row.end(); ++expected) {
            if (seen.contains(expected.key()))
                QVERIFY2(seen[expected.key()] == expected.value(),
                    qPrintable(expected.key() + u": "_s
                        + QString::fromUtf8(QJsonDocument({ seen[expected.key()] }).toJson(QJsonDocument::Compact))));
        }
        const QJsonObject written = row[u"written"].toObject();
        for (auto w = written.begin(); w != written.end(); ++w) {
            GridModel back;
            QVERIFY2(GridFile::load(back, file(w.key()), kindOf(w.key())), qPrintable(w.key()));
            QCOMPARE(back.text(1, 0), w.value().toString());
        }
        const QJsonObject bytes = row[u"bytes"].toObject();
        for (auto b = bytes.begin(); b != bytes.end(); ++b)
            QCOMPARE(test::readBytes(file(b.key())), b.value().toString().toUtf8());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"the user's own text"_s); // no command touches it
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
