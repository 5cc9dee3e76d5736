#include "StoreTestSupport.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <future>
#include <sqlite3.h>
#include <thread>

using namespace keysound;
using namespace keysound::store;
using namespace std::chrono_literals;

namespace {

// A recordset over the Config table of its own application folder, opened as the editor opens it.
struct EditorRows {
    // In the user's own folder, where a table may have a trigger that refuses a row.
    test::TestAppFolder folder{test::TestAppFolder::WithDatabase, test::TestAppFolder::UsersOwnFolder};
    Recordset recordset;
    // schema: Config's replacement; timeLimit: the statement's, for reading and writing the table
    explicit EditorRows(int rows, int mode = adModeUnknown, const QString& schema = {},
                        std::chrono::milliseconds timeLimit = bounds::WholeTableTime)
    {
        if (!schema.isEmpty())
            folder.exec("DROP TABLE Config;" + schema);
        folder.addMappings(rows);
        Statement statement = editorStatement();
        statement.timeLimit = timeLimit;
        recordset.Open(statement, test::openStore(folder.path(), mode));
    }
    QString stored(const QString& order = "rowid") const  // the keys in the file, NULL as <null>
    {
        const QString sql(
            "SELECT group_concat(ifnull(键位, '<null>'), ' ') FROM (SELECT 键位 FROM Config ORDER BY %1)");
        return test::RawDatabase(folder.databasePath()).rows(sql.arg(order))[0][0].toString();
    }
};

const QHash<int, QString> ReasonNames{
    {adRsnMove, "move"},     {adRsnMoveFirst, "first"},       {adRsnMoveLast, "last"},
    {adRsnMoveNext, "next"}, {adRsnMovePrevious, "previous"}, {adRsnRequery, "requery"}};

// A script on a recordset over k0 k1 k2 (see test::runRecordsetScript) and what it leaves.
struct Script {
    int rows = 3;                        // stored k0.. before the recordset opens
    QString steps;                       // see test::runRecordsetScript
    int at;                              // AbsolutePosition afterwards
    QString moves = {};                  // MoveComplete: reason@AbsolutePosition when raised
    QString shown = "k0 k1 k2";          // keys of the recordset's rows afterwards
    std::optional<QString> stored = {};  // keys of the file afterwards; none: those shown
    int fails = 0;                       // error number of the failing step
};

}  // namespace

Q_DECLARE_METATYPE(Script)

class RecordsetTest : public QObject {
    Q_OBJECT
private slots:
    void script_data()
    {
        // clang-format off
        QTest::addColumn<Script>("script");
        const auto row = [](const char* name, const Script& script) { QTest::newRow(name) << script; };
        const int BOF = adPosBOF, EOF_ = adPosEOF, None = adPosUnknown, NoRecord = ErrorNumber::NoCurrentRecord;
        const int BadBookmark = ErrorNumber::InvalidBookmark;
        row("next at EOF fails", {.steps = "Last Next Next", .at = EOF_, .moves = "last@3 next@-3", .fails = NoRecord});
        row("previous at BOF fails",
            {.steps = "Previous Previous", .at = BOF, .moves = "previous@-2", .fails = NoRecord});
        row("previous from EOF, then first",
            {.steps = "Last Next Previous First", .at = 1, .moves = "last@3 next@-3 previous@3 first@1"});
        row("first on the first row still notifies", {.steps = "First", .at = 1, .moves = "first@1"});
        row("grid picks a row, not the current one", {.steps = "Go3 Go3", .at = 3, .moves = "move@3"});
        row("bookmark 0", {.steps = "Last Bookmark:0", .at = 3, .moves = "last@3", .fails = BadBookmark});
        row("empty: opening", {.rows = 0, .steps = "Reload", .at = None, .moves = "move@-1", .shown = ""});
        row("AddNew: a new empty current row",
            {.steps = "Add", .at = 4, .moves = "move@4", .shown = "k0 k1 k2 <null>", .stored = "k0 k1 k2"});
        row("CancelUpdate of a new row: last row",
            {.steps = "Go2 Add Key:n Cancel Update", .at = 3, .moves = "move@2 move@4 move@3"});
        row("CancelUpdate of an edit", {.steps = "Next Key:x Cancel Update", .at = 2, .moves = "next@2"});
        row("UpdateBatch writes edits and new rows",
            {.steps = "Key:a Add Key:n Add Update", .at = 5, .moves = "move@4 move@5", .shown = "k0a k1 k2 n <null>"});
        row("a written new row is updated later",
            {.steps = "Add Key:n Update Key:m Update", .at = 4, .moves = "move@4", .shown = "k0 k1 k2 nm"});
        row("Delete of the first row, previous",
            {.steps = "Delete Previous", .at = BOF, .moves = "previous@-2", .shown = "k1 k2"});
        row("Delete of the first row, next", {.steps = "Delete Next", .at = 1, .moves = "next@1", .shown = "k1 k2"});
        row("Delete of the last row, next",
            {.steps = "Last Delete Next", .at = EOF_, .moves = "last@3 next@-3", .shown = "k0 k1"});
        row("Delete: its bookmark is invalid",
            {.steps = "Delete Bookmark1", .at = None, .shown = "k1 k2", .fails = BadBookmark});
        row("Delete: other bookmarks stay",
            {.steps = "Delete Bookmark3", .at = 2, .moves = "move@2", .shown = "k1 k2"});
        row("Delete of a new row writes nothing", {.steps = "Add Key:n Delete Update", .at = None, .moves = "move@4"});
        row("Requery reloads and drops pending changes",
            {.steps = "Key:x Add Outside Refresh", .at = 1, .moves = "move@4 requery@1", .shown = "k0 k1 k2 outside"});
        row("Requery after db1.mdb was replaced by rename reads the new file, and writes it",
            {.steps = "Replace Refresh Last Key:x Update", .at = 4, .moves = "requery@1 last@4", .shown = "k0 k1 k2 replacedx"});
        // clang-format on
    }
    void script()
    {
        QFETCH(Script, script);
        EditorRows opened(script.rows);
        Recordset& recordset = opened.recordset;
        QList<QVariant> bookmarks;
        for (int row = script.rows - 1; row >= 0; --row) {  // ends on the first row, as opened
            recordset.setCurrentRow(row);
            bookmarks.prepend(recordset.Bookmark());
        }
        QStringList raised;
        connect(&recordset, &Recordset::MoveComplete, this, [&](int reason, int, Recordset* source) {
            QCOMPARE(source, &recordset);
            raised.append(ReasonNames.value(reason) + u'@' + QString::number(recordset.AbsolutePosition()));
        });
        const int failure = test::runRecordsetScript(recordset, opened.folder, script.steps, bookmarks);
        QCOMPARE(failure, script.fails);
        QCOMPARE(raised.join(u' '), script.moves);
        QCOMPARE(recordset.AbsolutePosition(), script.at);
        QStringList shown;
        for (int row = 0; row < recordset.RecordCount(); ++row)
            shown.append(recordset.valueAt(row, 0).isValid() ? recordset.valueAt(row, 0).toString() : "<null>");
        QCOMPARE(shown.join(u' '), script.shown);
        const QString stored = script.stored.value_or(script.shown);
        QCOMPARE(opened.stored(), stored);
        QCOMPARE(recordset.hasPendingChanges(), script.shown != stored);
        QCOMPARE(recordset.BOF(), script.at == adPosBOF || shown.isEmpty());
        QCOMPARE(recordset.EOF_(), script.at == adPosEOF || shown.isEmpty());
        QCOMPARE(recordset.currentRow(), std::max(script.at, 0) - 1);
        QCOMPARE(test::errorNumberOf([&] { recordset.Value(QStringLiteral("键位")); }),
                 script.at > 0 ? 0 : ErrorNumber::NoCurrentRecord);
    }

    // Something spoils the write (setup, run on the recordset's own connection), and later lets it
    // pass (undo; empty: never). The edited second key needs pages the file does not have yet.
    void updateBatchIsAllOrNothing_data()
    {
        // clang-format off
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<int>("number");
        const int Any = adModeUnknown;
        QTest::newRow("a trigger refuses the second row") << Any << "CREATE TRIGGER refuse BEFORE UPDATE ON Config WHEN OLD.键位 = 'k1' "
                                                                    "BEGIN SELECT RAISE(ABORT, 'no'); END" << "DROP TRIGGER refuse" << ErrorNumber::EngineError;
        QTest::newRow("a row deleted meanwhile") << Any << "DELETE FROM Config WHERE 键位 = 'k1'" << "" << ErrorNumber::EngineError;
        QTest::newRow("read-only connection") << int(adModeRead) << "" << "" << ErrorNumber::ReadOnlyDatabase;
        // The engine's limit on the file's pages makes it report a full disk for real.
        QTest::newRow("a full disk") << Any << "PRAGMA max_page_count = 1" << "PRAGMA max_page_count = 1000000" << ErrorNumber::DiskFull;
        // In the user's own folder a trigger may run, but only for the time limit of the recordset's statement.
        QTest::newRow("a trigger that runs without end") << Any << "CREATE TRIGGER spin AFTER INSERT ON Config BEGIN SELECT count(*) FROM (WITH "
                                                                   "RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) SELECT n FROM r); END"
                                                         << "DROP TRIGGER spin" << ErrorNumber::TimeLimitExceeded;
        // clang-format on
    }
    void updateBatchIsAllOrNothing()
    {
        QFETCH(int, mode);
        QFETCH(QString, setup);
        QFETCH(QString, undo);
        QFETCH(int, number);
        EditorRows opened(3, mode, {}, 100ms);
        Recordset& recordset = opened.recordset;
        const QString big(5000, u'键');
        QCOMPARE(test::runRecordsetScript(recordset, opened.folder, "Key:one Next Key:" + big + " Add Key:new"), 0);
        sqlite3* db = recordset.activeConnection()->handle();
        const auto run = [&](const QString& sql) {
            QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        };
        run(setup);
        const QString before = opened.stored();
        QElapsedTimer clock;
        clock.start();
        const auto error = test::errorOf([&] { recordset.UpdateBatch(adAffectAll); });
        QCOMPARE_LT(clock.elapsed(), 100 + 10000);  // stopped, not run to its end: generous for a busy machine
        QCOMPARE(error.value_or(Error(0, {})).number(), number);
        QVERIFY2(error->description().contains(opened.folder.databasePath()), qPrintable(error->description()));
        if (number == ErrorNumber::TimeLimitExceeded)
            QVERIFY2(error->description().contains(QStringLiteral(" 100 ")), qPrintable(error->description()));
        run(undo);
        QCOMPARE(opened.stored(), before);
        QVERIFY(recordset.hasPendingChanges());
        QCOMPARE(recordset.RecordCount(), 4);
        QCOMPARE(recordset.valueAt(1, 0), "k1" + big);
        if (mode == adModeRead) {  // Delete writes at once
            recordset.MoveFirst();
            QCOMPARE(test::errorNumberOf([&] { recordset.Delete(adAffectCurrent); }), number);
        }
        if (undo.isEmpty())
            return;
        recordset.UpdateBatch(adAffectAll);
        QVERIFY(!recordset.hasPendingChanges());
        QCOMPARE(opened.stored(), "k0one k1" + big + " k2 new");
    }

    void updateWaitsOutAShortWriteLock()
    {
        EditorRows opened(1);
        opened.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("after.mp3"));
        std::promise<void> locked;
        std::jthread holder([&] {
            const test::RawDatabase other(opened.folder.databasePath());
            other.exec(QStringLiteral("BEGIN IMMEDIATE"));
            locked.set_value();
            QThread::msleep(300);
            other.exec(QStringLiteral("ROLLBACK"));
        });
        locked.get_future().wait();
        opened.recordset.UpdateBatch(adAffectAll);  // an error fails the test
        QCOMPARE(test::mappingsIn(opened.folder.databasePath()), (QList<QVariantList>{{"k0", "after.mp3"}}));
    }

    // Columns may take the names of the row id; their values here point at other rows, or at
    // several, so that a write addressed through them would hit the wrong ones.
    void writesReachTheRealRowid_data()
    {
        // clang-format off
        QTest::addColumn<QStringList>("hiding");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("keys");  // sorted, afterwards
        QTest::newRow("rowid") << QStringList{"rowid"} << 0 << "aA c de";
        QTest::newRow("ROWID and oid") << QStringList{"ROWID", "oid"} << 0 << "aA c de";
        QTest::newRow("all three names taken: read-only")
            << QStringList{"rowid", "oid", "_rowid_"} << int(ErrorNumber::OperationNotAllowed) << "a b c";
        // clang-format on
    }
    void writesReachTheRealRowid()
    {
        QFETCH(QStringList, hiding);
        QFETCH(int, failure);
        QFETCH(QString, keys);
        auto values = [&](int id) { return QStringList(hiding.size(), QString::number(id)).join(u','); };
        EditorRows opened(
            0, adModeUnknown,
            QStringLiteral("CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT, %1 INTEGER);"
                           "INSERT INTO Config VALUES ('a', 'a.mp3', %2), ('b', 'b.mp3', %2), ('c', 'c.mp3', %3)")
                .arg(hiding.join(QStringLiteral(" INTEGER, ")), values(2), values(1)));
        const QString steps("Key:A Update Next Delete Add Key:d Update Key:e Update");
        QCOMPARE(test::runRecordsetScript(opened.recordset, opened.folder, steps), failure);
        QCOMPARE(opened.stored("1"), keys);  // sorted: rowid is hidden
        QCOMPARE(opened.recordset.fieldNames().mid(2), hiding);
    }
};

QTEST_GUILESS_MAIN(RecordsetTest)
#include "tst_recordset.moc"
