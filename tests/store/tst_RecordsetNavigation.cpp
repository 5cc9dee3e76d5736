#include "StoreTestSupport.h"
#include "TestAppFolder.h"

#include "store/Statements.h"

#include <QSignalSpy>
#include <QTest>

using namespace keysound;
using namespace keysound::store;
using keysound::test::TestAppFolder;

namespace {

// Runs one navigation command: first, last, next, previous, row:<index>, bookmark:<row index>.
void run(Recordset& recordset, const QString& command, const QList<QVariant>& bookmarks)
{
    if (command == QLatin1String("first"))
        recordset.MoveFirst();
    else if (command == QLatin1String("last"))
        recordset.MoveLast();
    else if (command == QLatin1String("next"))
        recordset.MoveNext();
    else if (command == QLatin1String("previous"))
        recordset.MovePrevious();
    else if (command.startsWith(QLatin1String("row:")))
        recordset.setCurrentRow(command.mid(4).toInt());
    else if (command.startsWith(QLatin1String("bookmark:")))
        recordset.setBookmark(bookmarks.value(command.mid(9).toInt()));
    else
        QFAIL(qPrintable(QStringLiteral("unknown command ") + command));
}

QList<QVariant> allBookmarks(Recordset& recordset)
{
    QList<QVariant> bookmarks;
    for (int row = 0; row < recordset.RecordCount(); ++row) {
        recordset.setCurrentRow(row);
        bookmarks.append(recordset.Bookmark());
    }
    if (recordset.RecordCount() > 0)
        recordset.MoveFirst();
    return bookmarks;
}

}  // namespace

class TestRecordsetNavigation : public QObject {
    Q_OBJECT
private slots:
    void navigation_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<int>("position");     // AbsolutePosition afterwards
        QTest::addColumn<int>("failure");      // error number of the last command, 0 when it succeeds
        QTest::addColumn<int>("moves");        // MoveComplete notifications raised by the commands
        using L = QStringList;
        QTest::newRow("opening makes the first row current") << 3 << L{} << 1 << 0 << 0;
        QTest::newRow("next twice") << 3 << L{"next", "next"} << 3 << 0 << 2;
        QTest::newRow("next from the last row reaches EOF") << 3 << L{"last", "next"} << int(adPosEOF) << 0 << 2;
        QTest::newRow("next at EOF fails") << 3 << L{"last", "next", "next"} << int(adPosEOF) << ErrorNumber::NoCurrentRecord << 2;
        QTest::newRow("previous from the first row reaches BOF") << 3 << L{"previous"} << int(adPosBOF) << 0 << 1;
        QTest::newRow("previous at BOF fails") << 3 << L{"previous", "previous"} << int(adPosBOF) << ErrorNumber::NoCurrentRecord << 1;
        QTest::newRow("next from BOF returns to the first row") << 3 << L{"previous", "next"} << 1 << 0 << 2;
        QTest::newRow("previous from EOF returns to the last row") << 3 << L{"last", "next", "previous"} << 3 << 0 << 3;
        QTest::newRow("first on the first row still notifies") << 3 << L{"first"} << 1 << 0 << 1;
        QTest::newRow("last") << 3 << L{"last"} << 3 << 0 << 1;
        QTest::newRow("first from EOF") << 3 << L{"last", "next", "first"} << 1 << 0 << 3;
        QTest::newRow("grid picks a row") << 3 << L{"row:1"} << 2 << 0 << 1;
        QTest::newRow("grid picks the current row: no move") << 3 << L{"row:0"} << 1 << 0 << 0;
        QTest::newRow("grid picks a row that does not exist") << 3 << L{"row:3"} << 1 << ErrorNumber::InvalidArgument << 0;
        QTest::newRow("bookmark returns to its row") << 3 << L{"last", "bookmark:1"} << 2 << 0 << 2;
        QTest::newRow("single row: next then previous") << 1 << L{"next", "previous"} << 1 << 0 << 2;
        QTest::newRow("empty: opening") << 0 << L{} << int(adPosUnknown) << 0 << 0;
        QTest::newRow("empty: first fails") << 0 << L{"first"} << int(adPosUnknown) << ErrorNumber::OperationNotAllowed << 0;
        QTest::newRow("empty: last fails") << 0 << L{"last"} << int(adPosUnknown) << ErrorNumber::OperationNotAllowed << 0;
        QTest::newRow("empty: next fails") << 0 << L{"next"} << int(adPosUnknown) << ErrorNumber::NoCurrentRecord << 0;
        QTest::newRow("empty: previous fails") << 0 << L{"previous"} << int(adPosUnknown) << ErrorNumber::NoCurrentRecord << 0;
    }
    void navigation()
    {
        QFETCH(int, rows);
        QFETCH(QStringList, commands);
        QFETCH(int, position);
        QFETCH(int, failure);
        QFETCH(int, moves);
        TestAppFolder folder;
        folder.addMappings(rows);
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        const QList<QVariant> bookmarks = allBookmarks(recordset);
        QSignalSpy moveComplete(&recordset, &Recordset::MoveComplete);

        std::optional<Error> error;
        for (const QString& command : commands)
            error = test::errorOf([&] { run(recordset, command, bookmarks); });
        QCOMPARE(error ? error->number() : 0, failure);
        if (error)
            QVERIFY2(!error->description().isEmpty(), "an error needs a description");
        QCOMPARE(recordset.AbsolutePosition(), position);
        QCOMPARE(moveComplete.size(), moves);
        QCOMPARE(recordset.BOF(), position == adPosBOF || rows == 0);
        QCOMPARE(recordset.EOF_(), position == adPosEOF || rows == 0);
        QCOMPARE(recordset.RecordCount(), rows);
        if (position > 0) {
            QCOMPARE(recordset.currentRow(), position - 1);
            QCOMPARE(recordset.Value(QStringLiteral("键位")).toString(), QStringLiteral("k%1").arg(position - 1));
        } else {
            QCOMPARE(recordset.currentRow(), -1);
            const auto noRow = test::errorOf([&] { recordset.Value(QStringLiteral("键位")); });
            QVERIFY(noRow);
            QCOMPARE(noRow->number(), ErrorNumber::NoCurrentRecord);
        }
    }

    void moveCompleteCarriesReasonAndRecordset_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("reason");
        QTest::newRow("first") << "first" << int(adRsnMoveFirst);
        QTest::newRow("last") << "last" << int(adRsnMoveLast);
        QTest::newRow("next") << "next" << int(adRsnMoveNext);
        QTest::newRow("previous") << "previous" << int(adRsnMovePrevious);
        QTest::newRow("grid") << "row:2" << int(adRsnMove);
    }
    void moveCompleteCarriesReasonAndRecordset()
    {
        QFETCH(QString, command);
        QFETCH(int, reason);
        TestAppFolder folder;
        folder.addMappings(3);
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        QSignalSpy moveComplete(&recordset, &Recordset::MoveComplete);
        run(recordset, command, {});
        QCOMPARE(moveComplete.size(), 1);
        QCOMPARE(moveComplete[0][0].toInt(), reason);
        QCOMPARE(moveComplete[0][1].toInt(), int(adStatusOK));
        QCOMPARE(moveComplete[0][2].value<Recordset*>(), &recordset);
    }

    void openingNotifiesOnce_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("rows") << 2;
        QTest::newRow("no rows") << 0;
    }
    void openingNotifiesOnce()
    {
        QFETCH(int, rows);
        TestAppFolder folder;
        folder.addMappings(rows);
        Recordset recordset;
        test::RecordsetEvents events(recordset);
        int positionSeen = 0;
        connect(&recordset, &Recordset::MoveComplete, this, [&] { positionSeen = recordset.AbsolutePosition(); });
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        QCOMPARE(events.take(), (QStringList{"rowsReset", QStringLiteral("MoveComplete(%1)").arg(adRsnMove)}));
        QCOMPARE(positionSeen, rows > 0 ? 1 : adPosUnknown);
    }

    void bookmarksArePositiveAndDistinct()
    {
        TestAppFolder folder;
        folder.addMappings(5);
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        const QList<QVariant> bookmarks = allBookmarks(recordset);
        QSet<qint64> seen;
        for (const QVariant& bookmark : bookmarks) {
            QVERIFY(bookmark.toLongLong() > 0);
            seen.insert(bookmark.toLongLong());
        }
        QCOMPARE(seen.size(), 5);
    }

    void invalidBookmarks_data()
    {
        QTest::addColumn<QVariant>("bookmark");
        QTest::newRow("empty") << QVariant();
        QTest::newRow("zero") << QVariant(0);
        QTest::newRow("negative") << QVariant(-1);
        QTest::newRow("beyond every row") << QVariant(1000);
        QTest::newRow("text") << QVariant(QStringLiteral("first"));
    }
    void invalidBookmarks()
    {
        QFETCH(QVariant, bookmark);
        TestAppFolder folder;
        folder.addMappings(3);
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        recordset.MoveLast();
        const auto error = test::errorOf([&] { recordset.setBookmark(bookmark); });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::InvalidBookmark);
        QCOMPARE(recordset.AbsolutePosition(), 3);
    }

    void bookmarkWithoutCurrentRowFails()
    {
        TestAppFolder folder;
        folder.addMappings(1);
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        recordset.MoveNext();
        const auto error = test::errorOf([&] { recordset.Bookmark(); });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::NoCurrentRecord);
    }

    void unknownFieldIsNamed()
    {
        TestAppFolder folder;
        folder.addMappings(1);
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        QCOMPARE(recordset.fieldNames(), (QStringList{"键位", "文件名"}));
        QCOMPARE(recordset.fieldIndex(QStringLiteral("文件名")), 1);
        QCOMPARE(recordset.fieldIndex(QStringLiteral("rowid")), -1);
        const auto error = test::errorOf([&] { recordset.Value(QStringLiteral("文件")); });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::ItemNotFound);
        QVERIFY2(error->description().contains(QStringLiteral("'文件'")), qPrintable(error->description()));
    }

    void nullStaysApartFromEmptyText()
    {
        TestAppFolder folder;
        folder.addMapping(QStringLiteral(""), QVariant());
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        const QVariant key = recordset.Value(QStringLiteral("键位"));
        const QVariant file = recordset.Value(QStringLiteral("文件名"));
        QVERIFY(key.isValid());
        QCOMPARE(key.typeId(), int(QMetaType::QString));
        QCOMPARE(key.toString(), QString());
        QVERIFY(!file.isValid());
    }

    void otherColumnTypesOpenAndRoundTrip()
    {
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        folder.exec(QStringLiteral("CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT, volume INTEGER, "
                                   "speed REAL, picture BLOB);"
                                   "INSERT INTO Config VALUES ('a', 'a.mp3', 7, 1.5, x'00ff10')"));
        Recordset recordset;
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        QCOMPARE(recordset.fieldNames(), (QStringList{"键位", "文件名", "volume", "speed", "picture"}));
        QCOMPARE(recordset.Value(QStringLiteral("volume")), QVariant::fromValue<qint64>(7));
        QCOMPARE(recordset.Value(QStringLiteral("speed")), QVariant(1.5));
        QCOMPARE(recordset.Value(QStringLiteral("picture")), QVariant(QByteArray("\x00\xff\x10", 3)));

        recordset.setValue(QStringLiteral("volume"), QVariant::fromValue<qint64>(1LL << 40));
        recordset.setValue(QStringLiteral("speed"), -0.25);
        recordset.setValue(QStringLiteral("picture"), QByteArray("\x01\x00", 2));
        recordset.UpdateBatch(adAffectAll);

        const QList<QVariantList> stored = test::RawDatabase(folder.databasePath())
                                               .rows(QStringLiteral("SELECT typeof(volume), volume, typeof(speed), speed, "
                                                                    "typeof(picture), hex(picture), 文件名 FROM Config"));
        QCOMPARE(stored, (QList<QVariantList>{{"integer", QVariant::fromValue<qint64>(1LL << 40), "real", -0.25, "blob",
                                                "0100", "a.mp3"}}));
    }

    void lookupRecordsetIsReadOnly_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("setValue") << "setValue";
        QTest::newRow("AddNew") << "AddNew";
        QTest::newRow("Delete") << "Delete";
    }
    void lookupRecordsetIsReadOnly()
    {
        QFETCH(QString, change);
        TestAppFolder folder;
        folder.addMapping(QStringLiteral("a"), QStringLiteral("a.mp3"));
        Recordset recordset;
        recordset.Open(keyLookupStatement(QStringLiteral("a")), test::openStore(folder.path()));
        const auto error = test::errorOf([&] {
            if (change == QLatin1String("setValue"))
                recordset.setValue(QStringLiteral("文件名"), QStringLiteral("b.mp3"));
            else if (change == QLatin1String("AddNew"))
                recordset.AddNew();
            else
                recordset.Delete(adAffectCurrent);
        });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::OperationNotAllowed);
        QVERIFY(!recordset.hasPendingChanges());
        QCOMPARE(test::RawDatabase(folder.databasePath()).mappings(), QStringList{"a|a.mp3"});
    }
};

QTEST_GUILESS_MAIN(TestRecordsetNavigation)
#include "tst_RecordsetNavigation.moc"
