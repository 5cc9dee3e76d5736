#include "StoreTestSupport.h"
#include "editor/RecordsetTableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace keysound;

namespace {
// What a script on k0 k1 k2 (see test::runRecordsetScript) tells the grid: rows, 0-based.
struct Change {
    QString steps;
    QList<int> inserted = {};
    QList<int> removed = {};
    QList<int> changed = {};
    int resets = 0;
    int failure = 0;  // error number of the failing step
};

// The first (argument 1) or last (argument 2) row each notification of rows names.
QList<int> rowsIn(const QSignalSpy& spy, int argument)
{
    QList<int> rows;
    for (const QList<QVariant>& arguments : spy)
        rows.append(arguments.at(argument).toInt());
    return rows;
}
}  // namespace

Q_DECLARE_METATYPE(Change)

class RecordsetTableModelTest : public QObject {
    Q_OBJECT
private slots:
    void changesReachTheGridInPairs_data()
    {
        // clang-format off
        QTest::addColumn<Change>("c");
        const auto row = [](const char* name, const Change& c) { QTest::newRow(name) << c; };
        row("AddNew: a row inserted at the end", {.steps = "Add", .inserted = {3}});
        row("Delete: the current row removed", {.steps = "Go2 Delete", .removed = {1}});
        row("CancelUpdate of a new row: removed again", {.steps = "Add Key:n Cancel", .inserted = {3}, .removed = {3}, .changed = {3}});
        row("CancelUpdate of an edit: the row changed back", {.steps = "Key:x Cancel", .changed = {0, 0}});
        row("UpdateBatch: its rows changed, none inserted again", {.steps = "Key:x Add Key:n Update", .inserted = {3}, .changed = {0, 3, 0, 3}});
        row("Requery: a reset, with the row added elsewhere", {.steps = "Outside Refresh", .resets = 1});
        row("a refused Requery tells nothing", {.steps = "Rename Refresh", .failure = ErrorNumber::TableNotFound});
        row("a refused Delete tells nothing", {.steps = "Rename Delete", .failure = ErrorNumber::TableNotFound});
        // clang-format on
    }
    void changesReachTheGridInPairs()
    {
        QFETCH(Change, c);
        test::TestAppFolder folder;
        folder.addMappings(3);
        store::Recordset recordset;
        recordset.Open(store::editorStatement(), test::openStore(folder.path()));
        editor::RecordsetTableModel model;
        model.setRecordset(&recordset);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QList<int> changed;
        // A changed row repaints whole: every column of it, no other row (else -1).
        const auto recordChange = [&](const QModelIndex& from, const QModelIndex& to) {
            const bool wholeRow = from.row() == to.row() && from.column() == 0 && to.column() == model.columnCount() - 1;
            changed.append(wholeRow ? from.row() : -1);
        };
        connect(&model, &QAbstractItemModel::dataChanged, this, recordChange);
        QCOMPARE(test::runRecordsetScript(recordset, folder, c.steps), c.failure);
        QCOMPARE(rowsIn(inserted, 1), c.inserted);
        QCOMPARE(rowsIn(inserted, 2), c.inserted);
        QCOMPARE(rowsIn(removed, 1), c.removed);
        QCOMPARE(rowsIn(removed, 2), c.removed);
        QCOMPARE(reset.count(), c.resets);
        QCOMPARE(changed, c.changed);
    }
};

QTEST_GUILESS_MAIN(RecordsetTableModelTest)
#include "tst_recordsettablemodel.moc"
