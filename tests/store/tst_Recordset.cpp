#include "StoreTestSupport.h"
#include "TestAppFolder.h"

#include "store/Recordset.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <future>
#include <thread>

using namespace keysound;
using namespace keysound::store;
using keysound::test::TestAppFolder;

namespace {

// A recordset over the Config table of its own application folder, opened as the editor opens it.
struct EditorRows {
    TestAppFolder folder;
    Recordset recordset;
    explicit EditorRows(int rows, int mode = adModeUnknown)
    {
        folder.addMappings(rows);
        recordset.Open(editorStatement(), test::openStore(folder.path(), mode));
    }
    explicit EditorRows(const QString& schema) : folder(TestAppFolder::WithoutDatabase)
    {
        folder.exec(schema);
        recordset.Open(editorStatement(), test::openStore(folder.path()));
    }
    QStringList stored() const { return test::RawDatabase(folder.databasePath()).mappings(); }
    QString storedKeys() const { return stored().replaceInStrings(QRegularExpression("\\|.*"), "").join(u' '); }
};

// One command of a script: open, first, last, next, previous, row:<index>, bookmark:<row at
// opening>, goto:<bookmark text>, addnew, set:<key>, cancel, update, delete, requery,
// insert:<key> (another connection adds a row).
void run(Recordset& recordset, const TestAppFolder& folder, const QString& command, const QList<QVariant>& bookmarks)
{
    const QString argument = command.section(u':', 1);
    const QString name = command.section(u':', 0, 0);
    if (name == "open") recordset.Open(editorStatement(), test::openStore(folder.path()));
    else if (name == "first") recordset.MoveFirst();
    else if (name == "last") recordset.MoveLast();
    else if (name == "next") recordset.MoveNext();
    else if (name == "previous") recordset.MovePrevious();
    else if (name == "row") recordset.setCurrentRow(argument.toInt());
    else if (name == "bookmark") recordset.setBookmark(bookmarks.value(argument.toInt()));
    else if (name == "goto") recordset.setBookmark(argument);
    else if (name == "addnew") recordset.AddNew();
    else if (name == "set") recordset.setValue(QStringLiteral("键位"), argument);
    else if (name == "cancel") recordset.CancelUpdate();
    else if (name == "update") recordset.UpdateBatch(adAffectAll);
    else if (name == "delete") recordset.Delete(adAffectCurrent);
    else if (name == "requery") recordset.Requery();
    else if (name == "insert") folder.exec(QStringLiteral("INSERT INTO Config VALUES ('%1', 'x.mp3')").arg(argument));
    else QFAIL(qPrintable("unknown command " + command));
}

const QHash<int, QString> ReasonNames{{adRsnMove, "move"}, {adRsnMoveFirst, "first"}, {adRsnMoveLast, "last"},
                                      {adRsnMoveNext, "next"}, {adRsnMovePrevious, "previous"}, {adRsnRequery, "requery"}};

enum class Failure { WriteLockHeldElsewhere, TriggerRefusesSecondRow, ReadOnlyConnection, RowDeletedElsewhere };

}  // namespace

Q_DECLARE_METATYPE(Failure)

class TestRecordset : public QObject {
    Q_OBJECT
private slots:
    void script_data()
    {
        QTest::addColumn<int>("rows");             // stored k0.. before the recordset opens
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<int>("position");         // AbsolutePosition afterwards
        QTest::addColumn<QString>("shown");        // keys of the recordset's rows afterwards
        QTest::addColumn<QString>("stored");       // keys in the file afterwards
        QTest::addColumn<QString>("moves");        // MoveComplete: reason@AbsolutePosition when raised
        QTest::addColumn<int>("failure");          // error number of the last command, 0 when none
        QTest::addColumn<QString>("says");         // in its description
        using L = QStringList;
        const QString K3 = QStringLiteral("k0 k1 k2");
        const int AtBOF = adPosBOF, AtEOF = adPosEOF, None = adPosUnknown;
        QTest::newRow("opening makes the first row current") << 3 << L{"open"} << 1 << K3 << K3 << "move@1" << 0 << "";
        QTest::newRow("next twice") << 3 << L{"next", "next"} << 3 << K3 << K3 << "next@2 next@3" << 0 << "";
        QTest::newRow("next from the last row reaches EOF") << 3 << L{"last", "next"} << AtEOF << K3 << K3 << "last@3 next@-3" << 0 << "";
        QTest::newRow("next at EOF fails") << 3 << L{"last", "next", "next"} << AtEOF << K3 << K3 << "last@3 next@-3"
                                           << ErrorNumber::NoCurrentRecord << "EOF";
        QTest::newRow("previous from the first row reaches BOF") << 3 << L{"previous"} << AtBOF << K3 << K3 << "previous@-2" << 0 << "";
        QTest::newRow("previous at BOF fails") << 3 << L{"previous", "previous"} << AtBOF << K3 << K3 << "previous@-2"
                                               << ErrorNumber::NoCurrentRecord << "BOF";
        QTest::newRow("previous from EOF, then first") << 3 << L{"last", "next", "previous", "first"} << 1 << K3 << K3
                                                       << "last@3 next@-3 previous@3 first@1" << 0 << "";
        QTest::newRow("first on the first row still notifies") << 3 << L{"first"} << 1 << K3 << K3 << "first@1" << 0 << "";
        QTest::newRow("grid picks a row, not the current one") << 3 << L{"row:2", "row:2"} << 3 << K3 << K3 << "move@3" << 0 << "";
        QTest::newRow("grid picks a row that does not exist") << 3 << L{"row:3"} << 1 << K3 << K3 << "" << ErrorNumber::InvalidArgument << "3";
        QTest::newRow("bookmark returns to its row") << 3 << L{"last", "bookmark:1"} << 2 << K3 << K3 << "last@3 move@2" << 0 << "";
        QTest::newRow("bookmark 0") << 3 << L{"last", "goto:0"} << 3 << K3 << K3 << "last@3" << ErrorNumber::InvalidBookmark << "'0'";
        QTest::newRow("bookmark as text") << 3 << L{"goto:first"} << 1 << K3 << K3 << "" << ErrorNumber::InvalidBookmark << "first";
        QTest::newRow("empty: opening") << 0 << L{"open"} << None << "" << "" << "move@-1" << 0 << "";
        QTest::newRow("empty: MoveFirst refused") << 0 << L{"first"} << None << "" << "" << "" << ErrorNumber::OperationNotAllowed << "no rows";
        QTest::newRow("empty: MoveLast refused") << 0 << L{"last"} << None << "" << "" << "" << ErrorNumber::OperationNotAllowed << "no rows";
        QTest::newRow("empty: next fails") << 0 << L{"next"} << None << "" << "" << "" << ErrorNumber::NoCurrentRecord << "empty";
        QTest::newRow("AddNew: a new empty current row") << 3 << L{"addnew"} << 4 << "k0 k1 k2 <null>" << K3 << "move@4" << 0 << "";
        QTest::newRow("AddNew into an empty table") << 0 << L{"addnew"} << 1 << "<null>" << "" << "move@1" << 0 << "";
        QTest::newRow("CancelUpdate of a new row: last row") << 3 << L{"row:1", "addnew", "set:n", "cancel", "update"} << 3 << K3 << K3
                                                              << "move@2 move@4 move@3" << 0 << "";
        QTest::newRow("CancelUpdate of a new row: none left") << 0 << L{"addnew", "cancel"} << None << "" << "" << "move@1 move@-1" << 0 << "";
        QTest::newRow("CancelUpdate of an edit") << 3 << L{"next", "set:x", "cancel", "update"} << 2 << K3 << K3 << "next@2" << 0 << "";
        QTest::newRow("UpdateBatch writes edits and new rows") << 3 << L{"set:a", "addnew", "set:n", "addnew", "update"} << 5
                                                               << "a k1 k2 n <null>" << "a k1 k2 n <null>" << "move@4 move@5" << 0 << "";
        QTest::newRow("a written new row is updated later") << 3 << L{"addnew", "set:n", "update", "set:m", "update"} << 4
                                                            << "k0 k1 k2 m" << "k0 k1 k2 m" << "move@4" << 0 << "";
        QTest::newRow("Delete: gone from the file at once") << 3 << L{"row:1", "delete"} << None << "k0 k2" << "k0 k2" << "move@2" << 0 << "";
        QTest::newRow("Delete of the first row, previous") << 3 << L{"delete", "previous"} << AtBOF << "k1 k2" << "k1 k2" << "previous@-2" << 0 << "";
        QTest::newRow("Delete of the first row, next") << 3 << L{"delete", "next"} << 1 << "k1 k2" << "k1 k2" << "next@1" << 0 << "";
        QTest::newRow("Delete of the last row, next") << 3 << L{"last", "delete", "next"} << AtEOF << "k0 k1" << "k0 k1" << "last@3 next@-3" << 0 << "";
        QTest::newRow("Delete of the only row, next") << 1 << L{"delete", "next"} << None << "" << "" << "next@-1" << 0 << "";
        QTest::newRow("Delete, then Requery: still gone") << 3 << L{"row:1", "delete", "requery"} << 1 << "k0 k2" << "k0 k2"
                                                          << "move@2 requery@1" << 0 << "";
        QTest::newRow("Delete: its bookmark is invalid") << 3 << L{"delete", "bookmark:0"} << None << "k1 k2" << "k1 k2" << ""
                                                         << ErrorNumber::InvalidBookmark << "deleted";
        QTest::newRow("Delete: other bookmarks stay") << 3 << L{"delete", "bookmark:2"} << 2 << "k1 k2" << "k1 k2" << "move@2" << 0 << "";
        QTest::newRow("Delete of a new row writes nothing") << 3 << L{"addnew", "set:n", "delete", "update"} << None << K3 << K3 << "move@4" << 0 << "";
        QTest::newRow("Requery reloads and drops pending changes") << 3 << L{"set:x", "addnew", "insert:o", "requery"} << 1
                                                                   << "k0 k1 k2 o" << "k0 k1 k2 o" << "move@4 requery@1" << 0 << "";
    }
    void script()
    {
        QFETCH(int, rows);
        QFETCH(QStringList, commands);
        QFETCH(int, position);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        QFETCH(QString, moves);
        QFETCH(int, failure);
        QFETCH(QString, says);
        EditorRows opened(rows);
        Recordset& recordset = opened.recordset;
        QList<QVariant> bookmarks;
        for (int row = 0; row < rows; ++row) {
            recordset.setCurrentRow(row);
            QVERIFY(recordset.Bookmark().toLongLong() > 0 && !bookmarks.contains(recordset.Bookmark()));
            bookmarks.append(recordset.Bookmark());
        }
        if (rows > 0)
            recordset.setCurrentRow(0);
        QSignalSpy moveComplete(&recordset, &Recordset::MoveComplete);
        QList<int> positions;
        connect(&recordset, &Recordset::MoveComplete, this, [&] { positions.append(recordset.AbsolutePosition()); });

        std::optional<Error> error;
        for (const QString& command : commands)
            error = test::errorOf([&] { run(recordset, opened.folder, command, bookmarks); });
        QCOMPARE(error ? error->number() : 0, failure);
        if (error)
            QVERIFY2(error->description().contains(says), qPrintable(error->description()));

        QStringList raised;
        for (int i = 0; i < moveComplete.size(); ++i) {
            QCOMPARE(moveComplete[i][2].value<Recordset*>(), &recordset);
            raised.append(ReasonNames.value(moveComplete[i][0].toInt()) + u'@' + QString::number(positions[i]));
        }
        QCOMPARE(raised.join(u' '), moves);
        QCOMPARE(recordset.AbsolutePosition(), position);
        QStringList keys;
        for (int row = 0; row < recordset.RecordCount(); ++row)
            keys.append(recordset.valueAt(row, 0).isValid() ? recordset.valueAt(row, 0).toString() : "<null>");
        QCOMPARE(keys.join(u' '), shown);
        QCOMPARE(opened.storedKeys(), stored);
        QCOMPARE(recordset.hasPendingChanges(), shown != stored);
        const bool onDeleted = !error && commands.last() == "delete";
        QCOMPARE(recordset.BOF(), position == adPosBOF || (keys.isEmpty() && !onDeleted));
        QCOMPARE(recordset.EOF_(), position == adPosEOF || (keys.isEmpty() && !onDeleted));
        QCOMPARE(recordset.currentRow(), position > 0 ? position - 1 : -1);
        if (position <= 0) {
            const auto noRow = test::errorOf([&] { recordset.Value(QStringLiteral("键位")); });
            QVERIFY(noRow && noRow->number() == ErrorNumber::NoCurrentRecord);
        }
    }

    void updateBatchIsAllOrNothing_data()
    {
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("says");
        QTest::newRow("another connection holds the write lock") << Failure::WriteLockHeldElsewhere << ErrorNumber::DatabaseLocked << "db1.mdb";
        QTest::newRow("a trigger refuses the second row") << Failure::TriggerRefusesSecondRow << ErrorNumber::EngineError << "refused by the test";
        QTest::newRow("read-only connection") << Failure::ReadOnlyConnection << ErrorNumber::ReadOnlyDatabase << "db1.mdb";
        QTest::newRow("a row deleted elsewhere") << Failure::RowDeletedElsewhere << ErrorNumber::EngineError << "no longer";
    }
    void updateBatchIsAllOrNothing()
    {
        QFETCH(Failure, failure);
        QFETCH(int, number);
        QFETCH(QString, says);
        EditorRows opened(3, failure == Failure::ReadOnlyConnection ? adModeRead : adModeUnknown);
        Recordset& recordset = opened.recordset;
        test::RawDatabase other(opened.folder.databasePath());
        recordset.setValue(QStringLiteral("文件名"), QStringLiteral("one.mp3"));
        recordset.MoveNext();
        recordset.setValue(QStringLiteral("文件名"), QStringLiteral("two.mp3"));
        recordset.AddNew();
        recordset.setValue(QStringLiteral("键位"), QStringLiteral("new"));
        recordset.setValue(QStringLiteral("文件名"), QString(20000, u'x'));
        if (failure == Failure::WriteLockHeldElsewhere)
            other.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (failure == Failure::TriggerRefusesSecondRow)
            other.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Config WHEN NEW.文件名 = 'two.mp3' "
                                      "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END"));
        if (failure == Failure::RowDeletedElsewhere)
            other.exec(QStringLiteral("DELETE FROM Config WHERE 键位 = 'k1'"));
        const QStringList before = opened.stored();
        if (failure == Failure::ReadOnlyConnection) {
            recordset.MoveFirst();
            const auto deleteError = test::errorOf([&] { recordset.Delete(adAffectCurrent); });
            QVERIFY(deleteError && deleteError->number() == ErrorNumber::ReadOnlyDatabase);
        }

        const auto error = test::errorOf([&] { recordset.UpdateBatch(adAffectAll); });
        QVERIFY(error);
        QCOMPARE(error->number(), number);
        QVERIFY2(error->description().contains(says), qPrintable(error->description()));
        if (failure == Failure::WriteLockHeldElsewhere)
            other.exec(QStringLiteral("ROLLBACK"));
        QCOMPARE(opened.stored(), before);
        QVERIFY(recordset.hasPendingChanges());
        QCOMPARE(recordset.RecordCount(), 4);
        QVERIFY(recordset.valueAt(0, 1) == "one.mp3" && recordset.valueAt(1, 1) == "two.mp3");
        if (failure == Failure::ReadOnlyConnection || failure == Failure::RowDeletedElsewhere)
            return;

        if (failure == Failure::TriggerRefusesSecondRow)
            other.exec(QStringLiteral("DROP TRIGGER refuse"));
        recordset.UpdateBatch(adAffectAll);
        QVERIFY(!recordset.hasPendingChanges());
        QCOMPARE(opened.stored(), (QStringList{"k0|one.mp3", "k1|two.mp3", "k2|f2.mp3", "new|" + QString(20000, u'x')}));
    }

    void updateWaitsOutAShortWriteLock()
    {
        EditorRows opened(1);
        opened.recordset.setValue(QStringLiteral("文件名"), QStringLiteral("after.mp3"));
        std::promise<void> locked;
        std::thread holder([&] {
            const test::RawDatabase other(opened.folder.databasePath());
            other.exec(QStringLiteral("BEGIN IMMEDIATE"));
            locked.set_value();
            QThread::msleep(300);
            other.exec(QStringLiteral("ROLLBACK"));
        });
        locked.get_future().wait();
        const auto error = test::errorOf([&] { opened.recordset.UpdateBatch(adAffectAll); });
        holder.join();
        QVERIFY2(!error, qPrintable(error ? error->description() : QString()));
        QCOMPARE(opened.stored(), QStringList{"k0|after.mp3"});
    }

    // Columns may take the names of the row id; their values here point at other rows, or at
    // several, so that a write addressed through them would hit the wrong ones.
    void writesReachTheRealRowid_data()
    {
        QTest::addColumn<QStringList>("hiding");
        QTest::addColumn<bool>("writable");
        QTest::newRow("rowid") << QStringList{"rowid"} << true;
        QTest::newRow("oid") << QStringList{"oid"} << true;
        QTest::newRow("_rowid_") << QStringList{"_rowid_"} << true;
        QTest::newRow("ROWID and oid") << QStringList{"ROWID", "oid"} << true;
        QTest::newRow("all three names taken: read-only") << QStringList{"rowid", "oid", "_rowid_"} << false;
    }
    void writesReachTheRealRowid()
    {
        QFETCH(QStringList, hiding);
        QFETCH(bool, writable);
        auto values = [&](int id) { return QStringList(hiding.size(), QString::number(id)).join(u','); };
        EditorRows opened(QStringLiteral("CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT, %1 INTEGER);"
                                         "INSERT INTO Config VALUES ('a', 'a.mp3', %2), ('b', 'b.mp3', %2), ('c', 'c.mp3', %3)")
                              .arg(hiding.join(QStringLiteral(" INTEGER, ")), values(2), values(1)));
        Recordset& recordset = opened.recordset;
        const auto error = test::errorOf([&] {
            recordset.setValue(QStringLiteral("文件名"), QStringLiteral("new.mp3"));
            recordset.UpdateBatch(adAffectAll);
            recordset.MoveNext();
            recordset.Delete(adAffectCurrent);
            recordset.AddNew();
            recordset.setValue(QStringLiteral("键位"), QStringLiteral("d"));
            recordset.UpdateBatch(adAffectAll);
            recordset.setValue(QStringLiteral("文件名"), QStringLiteral("d.mp3"));
            recordset.UpdateBatch(adAffectAll);
        });
        QCOMPARE(error ? error->number() : 0, writable ? 0 : int(ErrorNumber::OperationNotAllowed));
        const QStringList expected = writable ? QStringList{"a|new.mp3", "c|c.mp3", "d|d.mp3"}
                                              : QStringList{"a|a.mp3", "b|b.mp3", "c|c.mp3"};
        QStringList stored = opened.stored();
        stored.sort();  // its ORDER BY rowid reads a hiding column here
        QCOMPARE(stored, expected);
        QCOMPARE(recordset.fieldNames().mid(2), hiding);
    }

    void otherColumnTypesAndNullRoundTrip()
    {
        EditorRows opened(QStringLiteral("CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT, volume INTEGER, speed REAL, picture BLOB);"
                                         "INSERT INTO Config VALUES ('', NULL, 7, 1.5, x'00ff10')"));
        Recordset& recordset = opened.recordset;
        QCOMPARE(recordset.fieldNames(), (QStringList{"键位", "文件名", "volume", "speed", "picture"}));
        QCOMPARE(recordset.Value(QStringLiteral("键位")), QVariant(QString()));  // empty text, not NULL
        QVERIFY(!recordset.Value(QStringLiteral("文件名")).isValid());
        QCOMPARE(recordset.Value(QStringLiteral("VOLUME")), QVariant::fromValue<qint64>(7));
        QCOMPARE(recordset.Value(QStringLiteral("speed")), QVariant(1.5));
        QCOMPARE(recordset.Value(QStringLiteral("picture")), QVariant(QByteArray("\x00\xff\x10", 3)));
        const auto unknown = test::errorOf([&] { recordset.Value(QStringLiteral("文件")); });
        QVERIFY(unknown && unknown->number() == ErrorNumber::ItemNotFound && unknown->description().contains("'文件'"));

        recordset.setValue(QStringLiteral("volume"), QVariant::fromValue<qint64>(1LL << 40));
        recordset.setValue(QStringLiteral("speed"), -0.25);
        recordset.setValue(QStringLiteral("picture"), QByteArray("\x01\x00", 2));
        recordset.AddNew();
        recordset.setValue(QStringLiteral("键位"), QString(""));
        recordset.UpdateBatch(adAffectAll);
        const QList<QVariantList> stored = test::RawDatabase(opened.folder.databasePath()).rows(QStringLiteral(
            "SELECT typeof(键位), typeof(文件名), typeof(volume), volume, typeof(speed), speed, hex(picture) FROM Config"));
        QCOMPARE(stored, (QList<QVariantList>{{"text", "null", "integer", QVariant::fromValue<qint64>(1LL << 40), "real", -0.25, "0100"},
                                              {"text", "null", "null", QVariant(), "null", QVariant(), ""}}));
    }
};

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_Recordset.moc"
