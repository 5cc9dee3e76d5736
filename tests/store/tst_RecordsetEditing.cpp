#include "StoreTestSupport.h"
#include "TestAppFolder.h"

#include "store/Statements.h"

#include <QSignalSpy>
#include <QTest>
#include <sqlite3.h>

using namespace keysound;
using namespace keysound::store;
using keysound::test::TestAppFolder;

namespace {

QString ev(const char* name, int a)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(a);
}
QString willChange(int reason, int count = 1)
{
    return QStringLiteral("WillChangeRecord(%1,%2)").arg(reason).arg(count);
}

// Three stored mappings k0..k2 and an editor recordset over them.
struct EditorFixture {
    TestAppFolder folder;
    Recordset recordset;

    explicit EditorFixture(int rows = 3)
    {
        folder.addMappings(rows);
        recordset.Open(editorStatement(), test::openStore(folder.path()));
    }
    QStringList stored() const { return test::RawDatabase(folder.databasePath()).mappings(); }
};

// Ways to make a write fail; each can be lifted again except the read-only connection.
enum class Failure { TriggerRefusesSecondRow, WriteLockHeldElsewhere, DiskFull, ReadOnlyConnection };

}  // namespace

Q_DECLARE_METATYPE(Failure)

class TestRecordsetEditing : public QObject {
    Q_OBJECT
private slots:
    void addNewAppendsAnEmptyCurrentRow_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("after three rows") << 3;
        QTest::newRow("into an empty table") << 0;
    }
    void addNewAppendsAnEmptyCurrentRow()
    {
        QFETCH(int, rows);
        EditorFixture f(rows);
        test::RecordsetEvents events(f.recordset);
        f.recordset.AddNew();
        QCOMPARE(events.take(), (QStringList{willChange(adRsnAddNew), ev("rowInserted", rows), ev("MoveComplete", adRsnMove)}));
        QCOMPARE(f.recordset.RecordCount(), rows + 1);
        QCOMPARE(f.recordset.AbsolutePosition(), rows + 1);
        QVERIFY(!f.recordset.BOF() && !f.recordset.EOF_());
        QVERIFY(!f.recordset.Value(QStringLiteral("键位")).isValid());
        QVERIFY(!f.recordset.Value(QStringLiteral("文件名")).isValid());
        QVERIFY(f.recordset.Bookmark().toLongLong() > 0);
        QVERIFY(f.recordset.isRowPending(rows));
        QVERIFY(f.recordset.hasPendingChanges());
        QCOMPARE(f.stored().size(), rows);  // nothing written before UpdateBatch
    }

    void firstEditAnnouncesTheChange()
    {
        EditorFixture f;
        test::RecordsetEvents events(f.recordset);
        f.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("x.mp3"));
        f.recordset.setValue(QStringLiteral("键位"), QStringLiteral("x"));
        f.recordset.setValue(QStringLiteral("键位"), QStringLiteral("x"));  // same value: no change
        QCOMPARE(events.take(), (QStringList{willChange(adRsnFirstChange), ev("rowChanged", 0), ev("rowChanged", 0)}));
        QCOMPARE(f.recordset.valueAt(0, 1).toString(), QStringLiteral("x.mp3"));
        QVERIFY(f.recordset.isRowPending(0));
        QVERIFY(!f.recordset.isRowPending(1));
    }

    void cancelUpdateOfAnEditRestoresTheRow()
    {
        EditorFixture f;
        f.recordset.MoveNext();
        f.recordset.setValue(QStringLiteral("文件名"), QVariant());
        test::RecordsetEvents events(f.recordset);
        f.recordset.CancelUpdate();
        QCOMPARE(events.take(), (QStringList{willChange(adRsnUndoUpdate), ev("rowChanged", 1)}));
        QCOMPARE(f.recordset.Value(QStringLiteral("文件名")).toString(), QStringLiteral("f1.mp3"));
        QCOMPARE(f.recordset.AbsolutePosition(), 2);
        QVERIFY(!f.recordset.hasPendingChanges());
        f.recordset.UpdateBatch(adAffectAll);
        QCOMPARE(f.stored(), (QStringList{"k0|f0.mp3", "k1|f1.mp3", "k2|f2.mp3"}));
    }

    void cancelUpdateOfANewRow_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("position");
        QTest::newRow("goes to the last row") << 3 << 3;
        QTest::newRow("leaves an empty recordset at BOF and EOF") << 0 << int(adPosUnknown);
    }
    void cancelUpdateOfANewRow()
    {
        QFETCH(int, rows);
        QFETCH(int, position);
        EditorFixture f(rows);
        f.recordset.AddNew();
        f.recordset.setValue(QStringLiteral("键位"), QStringLiteral("new"));
        test::RecordsetEvents events(f.recordset);
        f.recordset.CancelUpdate();
        QCOMPARE(events.take(), (QStringList{willChange(adRsnUndoAddNew), ev("rowRemoved", rows), ev("MoveComplete", adRsnMove)}));
        QCOMPARE(f.recordset.RecordCount(), rows);
        QCOMPARE(f.recordset.AbsolutePosition(), position);
        QCOMPARE(f.recordset.BOF() && f.recordset.EOF_(), rows == 0);
        QVERIFY(!f.recordset.hasPendingChanges());
        f.recordset.UpdateBatch(adAffectAll);
        QCOMPARE(f.stored().size(), rows);
    }

    void updateBatchWritesEveryPendingChange()
    {
        EditorFixture f;
        f.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("changed.mp3"));
        f.recordset.AddNew();
        f.recordset.setValue(QStringLiteral("键位"), QStringLiteral("n"));
        f.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("n.mp3"));
        f.recordset.AddNew();  // left empty: stored as NULLs
        test::RecordsetEvents events(f.recordset);
        f.recordset.UpdateBatch(adAffectAll);
        QCOMPARE(events.take(), (QStringList{willChange(adRsnUpdate, 3), ev("rowChanged", 0), ev("rowChanged", 3),
                                             ev("rowChanged", 4)}));
        QCOMPARE(f.stored(), (QStringList{"k0|changed.mp3", "k1|f1.mp3", "k2|f2.mp3", "n|n.mp3", "<null>|<null>"}));
        QVERIFY(!f.recordset.hasPendingChanges());
        QCOMPARE(f.recordset.AbsolutePosition(), 5);

        // The new rows now know their rowids: a later edit updates them instead of adding more.
        f.recordset.MovePrevious();
        f.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("n2.mp3"));
        f.recordset.UpdateBatch(adAffectAll);
        QCOMPARE(f.stored(), (QStringList{"k0|changed.mp3", "k1|f1.mp3", "k2|f2.mp3", "n|n2.mp3", "<null>|<null>"}));
    }

    void updateBatchWritesOnlyChangedColumns()
    {
        EditorFixture f;
        test::RawDatabase(f.folder.databasePath()).exec(QStringLiteral("UPDATE Config SET 文件名 = 'theirs.mp3' WHERE 键位 = 'k0'"));
        f.recordset.setValue(QStringLiteral("键位"), QStringLiteral("mine"));
        f.recordset.UpdateBatch(adAffectAll);
        QCOMPARE(f.stored().first(), QStringLiteral("mine|theirs.mp3"));
    }

    void updateBatchIsAllOrNothing_data()
    {
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<int>("number");
        QTest::newRow("a trigger refuses the second row") << Failure::TriggerRefusesSecondRow << ErrorNumber::EngineError;
        QTest::newRow("another connection holds the write lock") << Failure::WriteLockHeldElsewhere << ErrorNumber::DatabaseLocked;
        QTest::newRow("the database cannot grow") << Failure::DiskFull << ErrorNumber::DiskFull;
        QTest::newRow("read-only connection") << Failure::ReadOnlyConnection << ErrorNumber::ReadOnlyDatabase;
    }
    void updateBatchIsAllOrNothing()
    {
        QFETCH(Failure, failure);
        QFETCH(int, number);
        TestAppFolder folder;
        folder.addMappings(3);
        test::RawDatabase other(folder.databasePath());
        const int mode = failure == Failure::ReadOnlyConnection ? adModeRead : adModeUnknown;
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path(), mode));
        const QStringList before = test::RawDatabase(folder.databasePath()).mappings();

        recordset.setValue(QStringLiteral("文件名"), QStringLiteral("one.mp3"));
        recordset.MoveNext();
        recordset.setValue(QStringLiteral("文件名"), QStringLiteral("two.mp3"));
        recordset.AddNew();
        recordset.setValue(QStringLiteral("键位"), QStringLiteral("new"));
        recordset.setValue(QStringLiteral("文件名"), QString(20000, QLatin1Char('x')));

        if (failure == Failure::TriggerRefusesSecondRow)
            other.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Config WHEN NEW.文件名 = 'two.mp3' "
                                      "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END"));
        if (failure == Failure::WriteLockHeldElsewhere)
            other.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (failure == Failure::DiskFull) {
            const qint64 pages = test::queryRows(recordset.activeConnection()->handle(), QStringLiteral("PRAGMA page_count"))[0][0].toLongLong();
            test::queryRows(recordset.activeConnection()->handle(), QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
        }

        const auto error = test::errorOf([&] { recordset.UpdateBatch(adAffectAll); });
        QVERIFY(error);
        QCOMPARE(error->number(), number);
        QVERIFY2(error->description().contains(QStringLiteral("db1.mdb")), qPrintable(error->description()));
        if (failure == Failure::TriggerRefusesSecondRow)
            QVERIFY2(error->description().contains(QStringLiteral("refused by the test")), qPrintable(error->description()));

        if (failure == Failure::WriteLockHeldElsewhere)
            other.exec(QStringLiteral("ROLLBACK"));
        QCOMPARE(test::RawDatabase(folder.databasePath()).mappings(), before);
        QVERIFY(recordset.hasPendingChanges());
        QCOMPARE(recordset.RecordCount(), 4);
        QCOMPARE(recordset.valueAt(0, 1).toString(), QStringLiteral("one.mp3"));
        QCOMPARE(recordset.valueAt(1, 1).toString(), QStringLiteral("two.mp3"));
        if (failure == Failure::ReadOnlyConnection)
            return;

        if (failure == Failure::TriggerRefusesSecondRow)
            other.exec(QStringLiteral("DROP TRIGGER refuse"));
        if (failure == Failure::DiskFull)
            test::queryRows(recordset.activeConnection()->handle(), QStringLiteral("PRAGMA max_page_count = 1000000"));
        recordset.UpdateBatch(adAffectAll);
        QVERIFY(!recordset.hasPendingChanges());
        QCOMPARE(test::RawDatabase(folder.databasePath()).mappings(),
                 (QStringList{"k0|one.mp3", "k1|two.mp3", "k2|f2.mp3", "new|" + QString(20000, QLatin1Char('x'))}));
    }

    void updateOfARowDeletedElsewhereFails()
    {
        EditorFixture f;
        test::RawDatabase(f.folder.databasePath()).exec(QStringLiteral("DELETE FROM Config WHERE 键位 = 'k1'"));
        f.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("a.mp3"));
        f.recordset.MoveNext();
        f.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("b.mp3"));
        const auto error = test::errorOf([&] { f.recordset.UpdateBatch(adAffectAll); });
        QVERIFY(error);
        QVERIFY2(error->description().contains(QStringLiteral("no longer")), qPrintable(error->description()));
        QCOMPARE(f.stored(), (QStringList{"k0|f0.mp3", "k2|f2.mp3"}));
        QVERIFY(f.recordset.hasPendingChanges());
    }

    void deleteRemovesTheRowFromTheFileAtOnce_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("afterNext");      // AbsolutePosition after MoveNext
        QTest::addColumn<int>("afterPrevious");  // AbsolutePosition after MovePrevious instead
        QTest::newRow("first row") << 3 << 0 << 1 << int(adPosBOF);
        QTest::newRow("middle row") << 3 << 1 << 2 << 1;
        QTest::newRow("last row") << 3 << 2 << int(adPosEOF) << 2;
        QTest::newRow("only row") << 1 << 0 << int(adPosUnknown) << int(adPosUnknown);
    }
    void deleteRemovesTheRowFromTheFileAtOnce()
    {
        QFETCH(int, rows);
        QFETCH(int, row);
        QFETCH(int, afterNext);
        QFETCH(int, afterPrevious);
        for (const bool next : {true, false}) {
            EditorFixture f(rows);
            f.recordset.setCurrentRow(row);
            const QString gone = f.recordset.Value(QStringLiteral("键位")).toString();
            test::RecordsetEvents events(f.recordset);
            f.recordset.Delete(adAffectCurrent);
            QCOMPARE(events.take(), (QStringList{willChange(adRsnDelete), ev("rowRemoved", row)}));
            QVERIFY(!f.stored().join(u',').contains(gone + u'|'));
            QCOMPARE(f.stored().size(), rows - 1);
            QCOMPARE(f.recordset.RecordCount(), rows - 1);
            QCOMPARE(f.recordset.AbsolutePosition(), int(adPosUnknown));
            QCOMPARE(f.recordset.currentRow(), -1);
            QVERIFY(!f.recordset.BOF() && !f.recordset.EOF_());
            const auto noRow = test::errorOf([&] { f.recordset.Value(QStringLiteral("键位")); });
            QVERIFY(noRow && noRow->number() == ErrorNumber::NoCurrentRecord);

            if (next)
                f.recordset.MoveNext();
            else
                f.recordset.MovePrevious();
            QCOMPARE(events.take(), QStringList{ev("MoveComplete", next ? adRsnMoveNext : adRsnMovePrevious)});
            QCOMPARE(f.recordset.AbsolutePosition(), next ? afterNext : afterPrevious);
            f.recordset.Requery();
            QCOMPARE(f.recordset.RecordCount(), rows - 1);
        }
    }

    void deletedRowsBookmarkIsInvalidOthersStay()
    {
        EditorFixture f;
        f.recordset.MoveLast();
        const QVariant last = f.recordset.Bookmark();
        f.recordset.MoveFirst();
        const QVariant first = f.recordset.Bookmark();
        f.recordset.Delete(adAffectCurrent);
        const auto error = test::errorOf([&] { f.recordset.setBookmark(first); });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::InvalidBookmark);
        f.recordset.setBookmark(last);
        QCOMPARE(f.recordset.Value(QStringLiteral("键位")).toString(), QStringLiteral("k2"));
        QCOMPARE(f.recordset.AbsolutePosition(), 2);
    }

    void deleteOfANewRowWritesNothing()
    {
        EditorFixture f;
        f.recordset.AddNew();
        f.recordset.setValue(QStringLiteral("键位"), QStringLiteral("new"));
        f.recordset.Delete(adAffectCurrent);
        QVERIFY(!f.recordset.hasPendingChanges());
        QCOMPARE(f.recordset.RecordCount(), 3);
        f.recordset.UpdateBatch(adAffectAll);
        QCOMPARE(f.stored().size(), 3);
    }

    void failedDeleteKeepsTheRow()
    {
        EditorFixture f;
        test::RawDatabase other(f.folder.databasePath());
        other.exec(QStringLiteral("BEGIN IMMEDIATE"));
        const auto error = test::errorOf([&] { f.recordset.Delete(adAffectCurrent); });
        other.exec(QStringLiteral("ROLLBACK"));
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::DatabaseLocked);
        QCOMPARE(f.recordset.RecordCount(), 3);
        QCOMPARE(f.recordset.AbsolutePosition(), 1);
        QCOMPARE(f.stored().size(), 3);
    }

    void requeryReloadsAndDropsPendingChanges()
    {
        EditorFixture f;
        f.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("pending.mp3"));
        f.recordset.AddNew();
        test::RawDatabase(f.folder.databasePath()).exec(QStringLiteral("INSERT INTO Config VALUES ('other', 'o.mp3')"));
        test::RecordsetEvents events(f.recordset);
        f.recordset.Requery();
        QCOMPARE(events.take(), (QStringList{"rowsReset", ev("MoveComplete", adRsnRequery)}));
        QVERIFY(!f.recordset.hasPendingChanges());
        QCOMPARE(f.recordset.RecordCount(), 4);
        QCOMPARE(f.recordset.AbsolutePosition(), 1);
        QCOMPARE(f.recordset.Value(QStringLiteral("文件名")).toString(), QStringLiteral("f0.mp3"));
        f.recordset.MoveLast();
        QCOMPARE(f.recordset.Value(QStringLiteral("键位")).toString(), QStringLiteral("other"));
    }

    void editorAddThenUpdateEndsOnTheNewRow()
    {
        EditorFixture f;
        f.recordset.MoveNext();
        const QVariant saved = f.recordset.Bookmark();
        f.recordset.AddNew();
        f.recordset.setValue(QStringLiteral("键位"), QStringLiteral("z"));
        f.recordset.UpdateBatch(adAffectAll);
        f.recordset.MoveLast();
        QCOMPARE(f.recordset.Value(QStringLiteral("键位")).toString(), QStringLiteral("z"));
        f.recordset.setBookmark(saved);
        QCOMPARE(f.recordset.Value(QStringLiteral("键位")).toString(), QStringLiteral("k1"));

        Recordset lookup;
        lookup.Open(keyLookupStatement(QStringLiteral("Z")), test::openStore(f.folder.path()));
        QCOMPARE(lookup.RecordCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRecordsetEditing)
#include "tst_RecordsetEditing.moc"
